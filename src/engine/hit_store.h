// The hit store: one contiguous array of 40-byte records in its own memory mapping. The mapping
// reserves room for every hit a report can hold at once, so growing the store never moves or
// copies its records: pages are only given memory when first written, huge pages where the
// loading expects records. Where the system refuses that reservation the store is mapped at its
// size, all in huge pages, and grows by remapping.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/log_hit.h"

namespace vestrel {

// Hits an analysis can hold: its hit count is a 32-bit number.
constexpr size_t kMaxStoredHits = size_t{1} << 31;

class THitStore {
  public:
    explicit THitStore(size_t reservedHits = kMaxStoredHits) : wantedReserve_(reservedHits) {}
    ~THitStore();
    THitStore(const THitStore&) = delete;
    THitStore& operator=(const THitStore&) = delete;

    TLogHit& operator[](size_t i) { return data_[i]; }
    const TLogHit& operator[](size_t i) const { return data_[i]; }
    TLogHit* Data() { return data_; }
    const TLogHit* Data() const { return data_; }
    size_t Capacity() const { return capacity_; }

    // Makes room for at least `count` records; raises std::bad_alloc when memory runs out.
    void Reserve(size_t count);
    // Keeps the first `count` records and gives the memory of the others back.
    void Trim(size_t count);
    // The store is likely to hold `count` records soon: the reserved room up to there may take
    // huge pages. Past that, small pages spare the memory of a huge page barely used.
    void ExpectRecords(size_t count);
    void Release();

  private:
    void Map(size_t capacity);
    void Resize(size_t capacity);

    TLogHit* data_ = nullptr;
    size_t capacity_ = 0;
    size_t mapped_ = 0;  // records the mapping has room for
    bool reserved_ = false;
    char* hugeEnd_ = nullptr;  // the mapping takes huge pages up to here
    size_t wantedReserve_;
};

}  // namespace vestrel
