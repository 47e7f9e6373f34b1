// The hit store: one contiguous array of 40-byte records in its own memory mapping. Growth remaps
// pages instead of copying them, so the store never needs twice its size in memory.
#pragma once

#include <cstddef>

#include "engine/log_hit.h"

namespace vestrel {

class THitStore {
  public:
    THitStore() = default;
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
    void Trim(size_t count);
    void Release();

  private:
    void Resize(size_t capacity);

    TLogHit* data_ = nullptr;
    size_t capacity_ = 0;
};

}  // namespace vestrel
