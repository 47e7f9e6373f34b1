#include "engine/hit_store.h"

#include <sys/mman.h>

#include <new>

namespace vestrel {

namespace {

constexpr size_t kStep = 20000;

// Transparent huge pages keep the random accesses of the visitor ordering clear of TLB misses
// and make growing the store cheaper; without them the kernel falls back to small pages.
void AdviseHugePages(void* data, size_t bytes) {
#ifdef MADV_HUGEPAGE
    madvise(data, bytes, MADV_HUGEPAGE);
#endif
}

}  // namespace

THitStore::~THitStore() {
    Release();
}

void THitStore::Resize(size_t capacity) {
    if (capacity == 0) {
        Release();
        return;
    }
    const size_t bytes = capacity * sizeof(TLogHit);
    void* region =
        data_ == nullptr
            ? mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0)
            : mremap(data_, capacity_ * sizeof(TLogHit), bytes, MREMAP_MAYMOVE);
    if (region == MAP_FAILED) throw std::bad_alloc();
    AdviseHugePages(region, bytes);
    data_ = static_cast<TLogHit*>(region);
    capacity_ = capacity;
}

void THitStore::Reserve(size_t count) {
    if (count <= capacity_) return;
    size_t capacity = capacity_ + capacity_ / 2;
    if (capacity < count) capacity = count;
    Resize((capacity + kStep - 1) / kStep * kStep);
}

void THitStore::Trim(size_t count) {
    if (count < capacity_) Resize(count);
}

void THitStore::Release() {
    if (data_ != nullptr) munmap(data_, capacity_ * sizeof(TLogHit));
    data_ = nullptr;
    capacity_ = 0;
}

}  // namespace vestrel
