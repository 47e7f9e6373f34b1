// A zero-filled block of memory taken straight from the system. Blocks of 2 MiB and more are
// aligned to and advised for transparent huge pages, which spares the page faults and TLB misses
// of big, randomly accessed tables.
#pragma once

#include <cstddef>

namespace vestrel {

class TLargeBuffer {
  public:
    TLargeBuffer() = default;
    explicit TLargeBuffer(size_t bytes);
    ~TLargeBuffer();
    TLargeBuffer(TLargeBuffer&& other) noexcept;
    TLargeBuffer& operator=(TLargeBuffer&& other) noexcept;
    TLargeBuffer(const TLargeBuffer&) = delete;
    TLargeBuffer& operator=(const TLargeBuffer&) = delete;

    void* Data() const { return data_; }
    size_t Size() const { return bytes_; }

  private:
    void* data_ = nullptr;
    size_t bytes_ = 0;
};

}  // namespace vestrel
