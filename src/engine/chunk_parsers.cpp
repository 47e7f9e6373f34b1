#include "engine/chunk_parsers.h"

#include <algorithm>
#include <utility>

namespace vestrel {

namespace {

// A file is cut into at least this many blocks, so that the progress moves in steps, unless
// the blocks would be smaller than kSmallestBlock.
constexpr uint64_t kBlocksOfASmallFile = 4 * kLoadProgressSteps;
constexpr uint64_t kSmallestBlock = 1024;
// How far ahead of the text being added its lookup steps are brought into the cache.
constexpr size_t kCellAhead = 12, kEntryAhead = 8, kTextAhead = 4;

int32_t TLogHit::*const kKeyFields[5] = {&TLogHit::HostKey, &TLogHit::UserKey, &TLogHit::UrlKey,
                                         &TLogHit::ReferrerKey, &TLogHit::AgentKey};

// Keys of a one-bucket list are ~0, ~1, ... in the order its texts came, so adding its texts in
// that order to `to` gives every text the key the sequential loop would have given it.
std::string_view ChunkText(const THashStringList& list, size_t i) {
    return list.Get(~static_cast<int32_t>(i));
}

void MapKeys(const THashStringList& from, const std::vector<uint32_t>& hashes, THashStringList& to,
             std::vector<int32_t>& keys) {
    const size_t count = hashes.size();
    keys.resize(count);
    for (size_t i = 0; i < count; ++i) {
        if (i + kCellAhead < count) to.Prefetch(hashes[i + kCellAhead]);
        if (i + kEntryAhead < count) to.PrefetchEntry(hashes[i + kEntryAhead]);
        if (i + kTextAhead < count) to.PrefetchText(hashes[i + kTextAhead]);
        keys[i] = to.Add(ChunkText(from, i), hashes[i]);
    }
}

inline int32_t Mapped(const std::vector<int32_t>& keys, int32_t key) {
    return key == 0 ? 0 : keys[static_cast<size_t>(~key)];
}

}  // namespace

// A block's few hits need no reservation of their own (nor its first huge page).
TLogAnalyzer::TLogAnalyzer(const TLogAnalyzer& owner, TChunkParserTag)
    : Hits(0),
      Hosts(1),
      Urls(1),
      Referrers(1),
      Users(1),
      Agents(1),
      ActiveUsers(1),
      DNSCache(owner.DNSCache),
      DataFolder(owner.DataFolder),
      DefaultPage(owner.DefaultPage),
      TimeZone(owner.TimeZone),
      ExcludeRobots(owner.ExcludeRobots),
      DateSelection(owner.DateSelection),
      FromDay(owner.FromDay),
      ToDay(owner.ToDay),
      Since(owner.Since),
      biasDays_(owner.biasDays_),
      excludeActive_(owner.excludeActive_) {
    GlobalExclude = owner.GlobalExclude;
    if (ExcludeRobots) Robots = owner.Robots;
}

void TLogAnalyzer::ParseChunk(std::string_view block, int format, const TW3CColumns& columns,
                              const std::vector<TFilterData>& filters,
                              const std::atomic<bool>& cancelled) {
    HitCount = 0;
    SkippedLines = ExcludedRobotHits = 0;
    for (THashStringList* list : KeyedLists()) list->Clear();
    robotAgents_.Clear();  // its keys are this block's
    ForEachLine(block, [&](std::string_view line) {
        if (cancelled.load(std::memory_order_relaxed)) return false;
        if (AcceptLine(line, format, columns, filters)) ++HitCount;
        return true;
    });
}

void TLogAnalyzer::HashChunkTexts(TChunkKeys& keys) {
    const auto lists = KeyedLists();
    for (size_t l = 0; l < lists.size(); ++l) lists[l]->OverflowHashes(keys.Hashes[l]);
}

void TLogAnalyzer::MergeChunk(TLogAnalyzer& chunk, TChunkKeys& keys) {
    const auto from = chunk.KeyedLists(), to = KeyedLists();
    for (size_t l = 0; l < to.size(); ++l) MapKeys(*from[l], keys.Hashes[l], *to[l], keys.Keys[l]);
    SkippedLines += chunk.SkippedLines;
    ExcludedRobotHits += chunk.ExcludedRobotHits;
    const std::vector<int32_t>& hostKeys = keys.Keys[0];
    for (int32_t i = 0; i < chunk.HitCount; ++i) {
        TLogHit& hit = chunk.Hits[i];
        CountHit(hit, Mapped(hostKeys, hit.HostKey));
    }
}

void TLogAnalyzer::CopyChunkHits(const TChunkKeys& keys, TLogHit* to) const {
    for (int32_t i = 0; i < HitCount; ++i) {
        TLogHit hit = Hits[i];
        for (size_t l = 0; l < keys.Keys.size(); ++l)
            hit.*kKeyFields[l] = Mapped(keys.Keys[l], hit.*kKeyFields[l]);
        to[i] = hit;
    }
}

void TLogAnalyzer::LoadLinesInParallel(const TLineSource& source, int format,
                                       const TW3CColumns& columns,
                                       const std::vector<TFilterData>& filters, int threads) {
    TChunkParsers(*this, format, columns, filters, threads).Run(source);
}

TChunkParsers::TChunkParsers(TLogAnalyzer& owner, int format, const TW3CColumns& columns,
                             const std::vector<TFilterData>& filters, int threads)
    : owner_(owner), format_(format), columns_(columns), filters_(filters) {
    // Two blocks a worker keep every worker busy while the loading thread merges.
    slots_.resize(static_cast<size_t>(threads) * 2);
    for (TSlot& slot : slots_)
        slot.Parser.reset(new TLogAnalyzer(owner, TLogAnalyzer::TChunkParserTag{}));
    workers_.reserve(static_cast<size_t>(threads));
    try {
        for (int i = 0; i < threads; ++i) workers_.emplace_back([this] { Work(); });
    } catch (...) {
        StopWorkers();  // the threads started before one could not be
        throw;
    }
}

TChunkParsers::~TChunkParsers() {
    StopWorkers();
}

void TChunkParsers::StopWorkers() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    workReady_.notify_all();
    for (std::thread& worker : workers_) worker.join();
    workers_.clear();
}

// Copies come first: they free the slots the next blocks are read into. Once stopping, the
// copies under way are finished (the hits before them are in the store already) and the blocks
// not parsed yet are left.
void TChunkParsers::Work() {
    for (;;) {
        TSlot* slot;
        bool copy;
        {
            std::unique_lock lock(mutex_);
            workReady_.wait(lock,
                            [this] { return stopping_ || !toCopy_.empty() || !toParse_.empty(); });
            copy = !toCopy_.empty();
            if (!copy && stopping_) return;
            std::deque<TSlot*>& queue = copy ? toCopy_ : toParse_;
            slot = queue.front();
            queue.pop_front();
        }
        if (copy)
            slot->Parser->CopyChunkHits(slot->Keys, owner_.Hits.Data() + slot->Keys.Destination);
        else
            Parse(*slot);
        {
            std::lock_guard lock(mutex_);
            slot->State = copy ? TState::Free : TState::Parsed;
            if (copy) --copying_;
        }
        slotChanged_.notify_all();
    }
}

void TChunkParsers::Parse(TSlot& slot) {
    try {
        blocks_->Read(slot.Number, slot.Block);
        slot.Parser->ParseChunk(slot.Block.Lines, format_, columns_, filters_, owner_.Cancelled);
        slot.Parser->HashChunkTexts(slot.Keys);
    } catch (...) {
        slot.Failure = std::current_exception();
    }
}

void TChunkParsers::HandOut(uint64_t number) {
    TSlot& slot = SlotOf(number);
    WaitFor(slot, TState::Free);
    {
        std::lock_guard lock(mutex_);
        slot.Number = number;
        slot.State = TState::Parsing;
        toParse_.push_back(&slot);
    }
    workReady_.notify_one();
}

void TChunkParsers::WaitFor(TSlot& slot, TState state) {
    std::unique_lock lock(mutex_);
    slotChanged_.wait(lock, [&slot, state] { return slot.State == state; });
}

void TChunkParsers::WaitForCopies() {
    std::unique_lock lock(mutex_);
    slotChanged_.wait(lock, [this] { return copying_ == 0; });
}

// Growing the store may move it (where its room could not be reserved), so no copy may be under
// way then.
void TChunkParsers::Store(TSlot& slot) {
    owner_.MergeChunk(*slot.Parser, slot.Keys);
    const size_t needed = static_cast<size_t>(owner_.HitCount + slot.Parser->HitCount) + 1;
    if (needed > owner_.Hits.Capacity()) {
        WaitForCopies();
        owner_.Hits.Reserve(needed);
    }
    slot.Keys.Destination = static_cast<size_t>(owner_.HitCount);
    owner_.HitCount += slot.Parser->HitCount;
    {
        std::lock_guard lock(mutex_);
        slot.State = TState::Copying;
        ++copying_;
        toCopy_.push_back(&slot);
    }
    workReady_.notify_one();
}

void TChunkParsers::Run(const TLineSource& source) {
    TProgressSteps progress(source.Size());
    const uint64_t blockBytes = std::min<uint64_t>(
        std::max(source.Size() / kBlocksOfASmallFile, kSmallestBlock), owner_.LoadChunkBytes);
    blocks_.emplace(source, static_cast<size_t>(blockBytes));
    uint64_t handedOut = 0;
    for (uint64_t merged = 0;; ++merged) {
        while (handedOut - merged < slots_.size()) HandOut(handedOut++);
        TSlot& slot = SlotOf(merged);
        WaitFor(slot, TState::Parsed);
        if (owner_.Cancelled.load()) break;
        if (slot.Failure) {
            WaitForCopies();
            std::rethrow_exception(std::exchange(slot.Failure, nullptr));
        }
        Store(slot);
        owner_.ForetellHits(slot.Block.EndOffset, source.Size());
        if (progress.Passed(slot.Block.EndOffset)) owner_.ShowProgress(progress.Position());
        if (slot.Block.AtEnd) break;
    }
    WaitForCopies();
}

}  // namespace vestrel
