#include "engine/hash_string_list.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "engine/text_util.h"

namespace vestrel {

namespace {

constexpr size_t kFirstChunk = 64 << 10;
constexpr size_t kLargestChunk = 2 << 20;
constexpr size_t kInitialIndex = 1024;
constexpr size_t kKeptIndex = 1 << 15;  // cells
constexpr size_t kKeptChunks = 4;

inline uint64_t Load64(const char* p) {
    uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
}

inline uint64_t Mix(uint64_t a, uint64_t b) {
    const __uint128_t r = static_cast<__uint128_t>(a) * b;
    return static_cast<uint64_t>(r) ^ static_cast<uint64_t>(r >> 64);
}

inline uint64_t Load32(const char* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

}  // namespace

// Two independent lanes over 32-byte steps, so that long texts (agents, referrers) do not wait
// on one multiplication after another. The last bytes are read as whole words that may overlap
// the bytes before them, sparing a copy of a variable length.
uint32_t IndexHash(std::string_view text) {
    constexpr uint64_t k0 = 0xa0761d6478bd642full, k1 = 0xe7037ed1a0b428dbull,
                       k2 = 0x8ebc6af09c88c6e3ull;
    const char* p = text.data();
    const char* const end = p + text.size();
    size_t n = text.size();
    uint64_t h = k0 ^ n, a = 0, b = 0;
    if (n >= 16) {
        if (n >= 32) {
            uint64_t other = k2 ^ n;
            for (; n >= 32; p += 32, n -= 32) {
                h = Mix(Load64(p) ^ k1, Load64(p + 8) ^ h);
                other = Mix(Load64(p + 16) ^ k2, Load64(p + 24) ^ other);
            }
            h ^= other;
        }
        if (n >= 16) h = Mix(Load64(p) ^ k1, Load64(p + 8) ^ h);
        a = Load64(end - 16);
        b = Load64(end - 8);
    } else if (n >= 8) {
        a = Load64(p);
        b = Load64(end - 8);
    } else if (n >= 4) {
        a = Load32(p);
        b = Load32(end - 4);
    } else if (n > 0) {
        const auto byte = [](char c) {
            return static_cast<uint64_t>(static_cast<unsigned char>(c));
        };
        a = byte(p[0]) << 16 | byte(p[n >> 1]) << 8 | byte(p[n - 1]);
    }
    const uint64_t mixed = Mix(a ^ k2, b ^ h ^ k1);
    return static_cast<uint32_t>(mixed ^ (mixed >> 32));
}

THashStringList::THashStringList(int bucketCount) : slots_(bucketCount > 0 ? bucketCount : 1) {
    ResetIndex(kInitialIndex);
}

void THashStringList::ResetIndex(size_t cells) {
    index_ = TLargeBuffer(cells * sizeof(TIndexCell));
    indexSize_ = cells;
    indexUsed_ = 0;
}

// Texts are packed into chunks that double in size up to 2 MiB; a text longer than a quarter of
// that gets a chunk of its own.
const char* THashStringList::StoreText(std::string_view text) {
    if (text.empty()) return "";
    if (text.size() > kLargestChunk / 4) {
        chunks_.emplace_back(text.size());
        std::memcpy(chunks_.back().Data(), text.data(), text.size());
        return static_cast<const char*>(chunks_.back().Data());
    }
    if (text.size() > chunkFree_) {
        size_t size =
            chunks_.empty() ? kFirstChunk : std::min(chunks_.back().Size() * 2, kLargestChunk);
        if (size < text.size()) size = kLargestChunk;
        if (!spareChunks_.empty() && spareChunks_.back().Size() >= text.size()) {
            chunks_.push_back(std::move(spareChunks_.back()));
            spareChunks_.pop_back();
        } else {
            chunks_.emplace_back(size);
        }
        size = chunks_.back().Size();
        chunkPos_ = static_cast<char*>(chunks_.back().Data());
        chunkFree_ = size;
    }
    char* out = chunkPos_;
    std::memcpy(out, text.data(), text.size());
    chunkPos_ += text.size();
    chunkFree_ -= text.size();
    return out;
}

const THashStringList::TEntry& THashStringList::EntryOf(int32_t key) const {
    return key > 0 ? slots_[key] : overflow_[~key];
}

THashStringList::TEntry& THashStringList::EntryOf(int32_t key) {
    return key > 0 ? slots_[key] : overflow_[~key];
}

size_t THashStringList::FindCell(std::string_view text, uint32_t check) const {
    const size_t mask = indexSize_ - 1;
    const TIndexCell* cells = Cells();
    for (size_t i = check & mask;; i = (i + 1) & mask) {
        const TIndexCell& cell = cells[i];
        if (cell.Key == 0) return i;
        if (cell.Check == check && EntryOf(cell.Key).View() == text) return i;
    }
}

// The index is kept at most three quarters full: a probe for a new text still ends within a few
// cells (eight to a cache line), and the index of millions of texts takes half the memory it
// would at half full.
bool THashStringList::Crowded(size_t texts) const {
    return texts * 4 > indexSize_ * 3;
}

void THashStringList::Reserve(size_t texts) {
    if (Crowded(texts)) ResizeIndex(std::bit_ceil(texts * 4 / 3 + 1));
}

void THashStringList::GrowIndex() {
    ResizeIndex(indexSize_ * 2);
}

void THashStringList::ResizeIndex(size_t cellCount) {
    TLargeBuffer old = std::move(index_);
    const size_t oldSize = indexSize_, used = indexUsed_;
    ResetIndex(cellCount);
    indexUsed_ = used;
    const TIndexCell* from = static_cast<const TIndexCell*>(old.Data());
    TIndexCell* cells = Cells();
    const size_t mask = indexSize_ - 1;
    for (size_t k = 0; k < oldSize; ++k) {
        if (from[k].Key == 0) continue;
        size_t i = from[k].Check & mask;
        while (cells[i].Key != 0) i = (i + 1) & mask;
        cells[i] = from[k];
    }
}

void THashStringList::IndexInsert(int32_t key, uint32_t check) {
    if (Crowded(indexUsed_ + 1)) GrowIndex();
    TIndexCell& cell = Cells()[FindCell(EntryOf(key).View(), check)];
    if (cell.Key != 0) return;  // an earlier key already answers for this text
    cell = {check, key};
    ++indexUsed_;
}

void THashStringList::IndexErase(std::string_view text, int32_t key) {
    const size_t mask = indexSize_ - 1;
    TIndexCell* cells = Cells();
    size_t i = FindCell(text, IndexHash(text));
    if (cells[i].Key != key) return;
    // Backward-shift deletion keeps every probe chain unbroken.
    for (size_t j = (i + 1) & mask; cells[j].Key != 0; j = (j + 1) & mask) {
        const size_t home = cells[j].Check & mask;
        if (((j - home) & mask) >= ((j - i) & mask)) {
            cells[i] = cells[j];
            i = j;
        }
    }
    cells[i] = {};
    --indexUsed_;
}

void THashStringList::PrefetchEntry(uint32_t hash) const {
    const TIndexCell& cell = Cells()[hash & (indexSize_ - 1)];
    if (cell.Key != 0 && cell.Check == hash) __builtin_prefetch(&EntryOf(cell.Key));
}

void THashStringList::PrefetchText(uint32_t hash) const {
    const TIndexCell& cell = Cells()[hash & (indexSize_ - 1)];
    if (cell.Key != 0 && cell.Check == hash) __builtin_prefetch(EntryOf(cell.Key).Text);
}

void THashStringList::OverflowHashes(std::vector<uint32_t>& out) const {
    out.resize(overflow_.Size());
    const TIndexCell* cells = Cells();
    for (size_t i = 0; i < indexSize_; ++i)
        if (cells[i].Key < 0) out[static_cast<size_t>(~cells[i].Key)] = cells[i].Check;
}

int32_t THashStringList::Add(std::string_view text) {
    if (text.empty()) return 0;
    if (lastKey_ != 0 && last_.View() == text) return lastKey_;
    return Add(text, IndexHash(text));
}

int32_t THashStringList::Add(std::string_view text, uint32_t hash) {
    if (text.empty()) return 0;
    size_t cell = FindCell(text, hash);
    const int32_t found = Cells()[cell].Key;
    if (found != 0) return Remember(found);

    // A list of one bucket (a block's parser) files every text under it, unhashed.
    const int32_t bucket =
        slots_.size() == 1 ? 0 : static_cast<int32_t>(StrHash(text) % slots_.size());
    int32_t key;
    if (bucket != 0 && !slots_[bucket].Used()) {
        slots_[bucket] = {StoreText(text), static_cast<uint32_t>(text.size()), bucket};
        key = bucket;
    } else {
        overflow_.PushBack({StoreText(text), static_cast<uint32_t>(text.size()), bucket});
        key = ~static_cast<int32_t>(overflow_.Size() - 1);
    }
    ++count_;
    // The probe above ended on the empty cell the new text takes, unless the index must grow.
    if (Crowded(indexUsed_ + 1)) {
        GrowIndex();
        cell = FindCell(text, hash);
    }
    Cells()[cell] = {hash, key};
    ++indexUsed_;
    return Remember(key);
}

int32_t THashStringList::Remember(int32_t key) {
    last_ = EntryOf(key);
    lastKey_ = key;
    return key;
}

std::string_view THashStringList::Get(int32_t key) const {
    if (key == 0) return {};
    if (key > 0) return static_cast<size_t>(key) < slots_.size() ? slots_[key].View() : "";
    const size_t i = ~key;
    return i < overflow_.Size() ? overflow_[i].View() : "";
}

// A renamed entry is found again only where a bucket scan would find it: under the bucket it
// was filed in, when the new text hashes to that same bucket.
bool THashStringList::Findable(const TEntry& entry, std::string_view text) const {
    return static_cast<int32_t>(StrHash(text) % slots_.size()) == entry.Bucket;
}

void THashStringList::Put(int32_t key, std::string_view text) {
    if (key == 0) return;
    if (key > 0 ? static_cast<size_t>(key) >= slots_.size()
                : static_cast<size_t>(~key) >= overflow_.Size())
        return;
    lastKey_ = 0;
    TEntry& entry = EntryOf(key);
    if (entry.Used()) IndexErase(entry.View(), key);
    entry.Text = StoreText(text);
    entry.Length = static_cast<uint32_t>(text.size());
    if (key > 0) entry.Bucket = key;
    if (!text.empty() && Findable(entry, text)) IndexInsert(key, IndexHash(text));
}

// A list cleared again and again (the parsers of a file's blocks) keeps a small index and its
// text chunks for the next texts, sparing the system calls and page faults of new memory.
void THashStringList::Clear() {
    lastKey_ = 0;
    for (TEntry& slot : slots_) slot = {};
    overflow_.Clear();
    if (indexSize_ <= kKeptIndex) {
        std::memset(index_.Data(), 0, indexSize_ * sizeof(TIndexCell));
        indexUsed_ = 0;
    } else {
        overflow_.Release();
        ResetIndex(kInitialIndex);
    }
    count_ = 0;
    for (TLargeBuffer& chunk : chunks_)
        if (chunk.Size() <= kLargestChunk && spareChunks_.size() < kKeptChunks)
            spareChunks_.push_back(std::move(chunk));
    chunks_.clear();
    chunkFree_ = 0;
    chunkPos_ = nullptr;
}

}  // namespace vestrel
