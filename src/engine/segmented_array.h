// An array that grows by segments, each twice the size of the one before, taken straight from
// the system (TLargeBuffer, huge pages from 2 MiB on). Its elements never move: growing copies
// nothing and never holds an old and a new copy at once, which a vector of millions of elements
// does at every doubling.
#pragma once

#include <bit>
#include <cstddef>
#include <type_traits>
#include <vector>

#include "engine/large_buffer.h"

namespace vestrel {

template <typename T>
class TSegmentedArray {
    static_assert(std::is_trivially_copyable_v<T> && std::is_trivially_destructible_v<T>);

  public:
    size_t Size() const { return size_; }

    // Segment s holds the elements [kFirst * (2^s - 1), kFirst * (2^(s+1) - 1)).
    T& operator[](size_t i) const {
        const size_t shifted = i + kFirst;
        const int top = std::bit_width(shifted) - 1;
        return Segment(top - kFirstBits)[shifted - (size_t{1} << top)];
    }

    void PushBack(const T& value) {
        const size_t shifted = size_ + kFirst;
        if (std::has_single_bit(shifted) && segments_.size() <= SegmentOf(shifted))
            segments_.emplace_back(shifted * sizeof(T));
        (*this)[size_++] = value;
    }

    // Keeps the segments for the next elements (and their pages, spared faulting in again).
    void Clear() { size_ = 0; }
    void Release() {
        size_ = 0;
        segments_.clear();
    }

  private:
    static constexpr int kFirstBits = 12;
    static constexpr size_t kFirst = size_t{1} << kFirstBits;  // elements of the first segment

    static size_t SegmentOf(size_t shifted) {
        return static_cast<size_t>(std::bit_width(shifted) - 1 - kFirstBits);
    }
    T* Segment(int s) const { return static_cast<T*>(segments_[static_cast<size_t>(s)].Data()); }

    std::vector<TLargeBuffer> segments_;
    size_t size_ = 0;
};

}  // namespace vestrel
