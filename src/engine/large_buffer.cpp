#include "engine/large_buffer.h"

#include <sys/mman.h>

#include <cstdint>
#include <new>
#include <utility>

namespace vestrel {

namespace {

constexpr size_t kHugePage = 2 << 20;

}  // namespace

TLargeBuffer::TLargeBuffer(size_t bytes) : bytes_(bytes) {
    if (bytes == 0) return;
    const bool huge = bytes >= kHugePage;
    const size_t mapped = huge ? bytes + kHugePage : bytes;
    void* region =
        mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (region == MAP_FAILED) throw std::bad_alloc();
    if (!huge) {
        data_ = region;
        return;
    }
    // Keep the 2 MiB-aligned part and give the rest back.
    const uintptr_t start = reinterpret_cast<uintptr_t>(region);
    const uintptr_t aligned = (start + kHugePage - 1) & ~(kHugePage - 1);
    if (aligned > start) munmap(region, aligned - start);
    const uintptr_t end = start + mapped, used = aligned + bytes;
    if (end > used) munmap(reinterpret_cast<void*>(used), end - used);
    data_ = reinterpret_cast<void*>(aligned);
#ifdef MADV_HUGEPAGE
    madvise(data_, bytes, MADV_HUGEPAGE);
#endif
}

TLargeBuffer::~TLargeBuffer() {
    if (data_ != nullptr) munmap(data_, bytes_);
}

TLargeBuffer::TLargeBuffer(TLargeBuffer&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), bytes_(std::exchange(other.bytes_, 0)) {}

TLargeBuffer& TLargeBuffer::operator=(TLargeBuffer&& other) noexcept {
    if (this != &other) {
        if (data_ != nullptr) munmap(data_, bytes_);
        data_ = std::exchange(other.data_, nullptr);
        bytes_ = std::exchange(other.bytes_, 0);
    }
    return *this;
}

}  // namespace vestrel
