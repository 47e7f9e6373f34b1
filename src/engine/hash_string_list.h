// String interning with integer keys. Key k > 0 is bucket slot k, key k < 0 is overflow entry -k-1,
// key 0 is the empty text. A text whose StrHash bucket is free takes that slot; later texts of the
// same bucket (and every text of bucket 0, whose number is the empty text's key) go to the overflow
// list. An index beside the buckets finds every text in constant time, with the same keys a plain
// bucket-then-overflow scan would give.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "engine/large_buffer.h"
#include "engine/segmented_array.h"

namespace vestrel {

// Fast hash used only by the in-memory indexes (never stored, never shown).
uint32_t IndexHash(std::string_view text);

class THashStringList {
  public:
    explicit THashStringList(int bucketCount);
    THashStringList(const THashStringList&) = delete;
    THashStringList& operator=(const THashStringList&) = delete;

    int32_t Add(std::string_view text);
    // Add for a text whose IndexHash is known already.
    int32_t Add(std::string_view text, uint32_t hash);
    std::string_view Get(int32_t key) const;
    void Put(int32_t key, std::string_view text);
    void Clear();
    // Room in the index for this many texts without growing.
    void Reserve(size_t texts);
    // Brings the index cell where a lookup of the text begins into the cache.
    void Prefetch(std::string_view text) const { Prefetch(IndexHash(text)); }
    void Prefetch(uint32_t hash) const { __builtin_prefetch(Cells() + (hash & (indexSize_ - 1))); }
    // The later steps of a lookup by hash brought into the cache ahead, each once the one
    // before is there: the entry the text's home cell names, then that entry's text.
    void PrefetchEntry(uint32_t hash) const;
    void PrefetchText(uint32_t hash) const;

    // The index hash of every overflow text, by its place in the overflow list: what a list of
    // one bucket hashed already as its texts came.
    void OverflowHashes(std::vector<uint32_t>& out) const;

    int BucketCount() const { return static_cast<int>(slots_.size()); }
    size_t Count() const { return count_; }

  private:
    struct TEntry {
        const char* Text = nullptr;
        uint32_t Length = 0;
        int32_t Bucket = 0;  // the bucket the entry was filed under
        bool Used() const { return Text != nullptr; }
        std::string_view View() const { return {Text, Length}; }
    };
    // Eight bytes a cell, so the index of a few hundred thousand texts stays in the cache. The
    // low bits of Check place the cell; the whole of it filters the texts compared.
    struct TIndexCell {
        uint32_t Check;
        int32_t Key;  // 0 = empty cell
    };

    const char* StoreText(std::string_view text);
    const TEntry& EntryOf(int32_t key) const;
    TEntry& EntryOf(int32_t key);
    size_t FindCell(std::string_view text, uint32_t check) const;
    void IndexInsert(int32_t key, uint32_t check);
    void IndexErase(std::string_view text, int32_t key);
    bool Crowded(size_t texts) const;
    void GrowIndex();
    void ResizeIndex(size_t cellCount);
    void ResetIndex(size_t cells);
    TIndexCell* Cells() const { return static_cast<TIndexCell*>(index_.Data()); }
    bool Findable(const TEntry& entry, std::string_view text) const;
    int32_t Remember(int32_t key);

    std::vector<TEntry> slots_;
    TSegmentedArray<TEntry> overflow_;
    TLargeBuffer index_;
    size_t indexSize_ = 0;  // cells, a power of two
    size_t indexUsed_ = 0;
    size_t count_ = 0;
    // The text added last: consecutive hits of one visitor repeat most of their texts.
    TEntry last_;
    int32_t lastKey_ = 0;
    std::vector<TLargeBuffer> chunks_;
    std::vector<TLargeBuffer> spareChunks_;  // chunks of texts cleared, for the next texts
    size_t chunkFree_ = 0;
    char* chunkPos_ = nullptr;
};

}  // namespace vestrel
