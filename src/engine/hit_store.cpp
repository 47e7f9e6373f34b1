#include "engine/hit_store.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <new>

namespace vestrel {

namespace {

constexpr size_t kStep = 20000;
constexpr size_t kHugePage = 2 << 20;

// Transparent huge pages keep the random accesses of the visitor ordering clear of TLB misses
// and make growing the store cheaper; without them the kernel falls back to small pages.
void AdviseHugePages(void* data, size_t bytes) {
#ifdef MADV_HUGEPAGE
    madvise(data, bytes, MADV_HUGEPAGE);
#endif
}

void* MapRecords(size_t records, int extraFlags) {
    return mmap(nullptr, records * sizeof(TLogHit), PROT_READ | PROT_WRITE,
                MAP_PRIVATE | MAP_ANONYMOUS | extraFlags, -1, 0);
}

}  // namespace

THitStore::~THitStore() {
    Release();
}

// A reservation is address space only (MAP_NORESERVE); a limit on it (ulimit -v, strict
// overcommit) leaves the plain mapping.
void THitStore::Map(size_t capacity) {
    void* region = MAP_FAILED;
    if (wantedReserve_ > capacity) {
        region = MapRecords(wantedReserve_, MAP_NORESERVE);
        if (region != MAP_FAILED) mapped_ = wantedReserve_;
        reserved_ = region != MAP_FAILED;
    }
    if (region == MAP_FAILED) {
        region = MapRecords(capacity, 0);
        if (region == MAP_FAILED) throw std::bad_alloc();
        mapped_ = capacity;
        AdviseHugePages(region, mapped_ * sizeof(TLogHit));
    }
    data_ = static_cast<TLogHit*>(region);
    hugeEnd_ = reinterpret_cast<char*>(data_);
}

void THitStore::ExpectRecords(size_t count) {
    if (!reserved_) return;
    const uintptr_t end = reinterpret_cast<uintptr_t>(data_ + std::min(count, mapped_));
    char* hugeEnd = reinterpret_cast<char*>(end / kHugePage * kHugePage);
    if (hugeEnd <= hugeEnd_) return;
    AdviseHugePages(hugeEnd_, static_cast<size_t>(hugeEnd - hugeEnd_));
    hugeEnd_ = hugeEnd;
}

void THitStore::Resize(size_t capacity) {
    if (capacity == 0) {
        Release();
        return;
    }
    if (data_ == nullptr) {
        Map(capacity);
    } else if (capacity > mapped_) {
        void* region =
            mremap(data_, mapped_ * sizeof(TLogHit), capacity * sizeof(TLogHit), MREMAP_MAYMOVE);
        if (region == MAP_FAILED) throw std::bad_alloc();
        AdviseHugePages(region, capacity * sizeof(TLogHit));
        data_ = static_cast<TLogHit*>(region);
        mapped_ = capacity;
    } else if (capacity < capacity_) {
        // The pages wholly past the kept records go back to the system; the range stays.
        const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
        const size_t keep = (capacity * sizeof(TLogHit) + page - 1) / page * page;
        const size_t end = std::max(keep, capacity_ * sizeof(TLogHit));
        if (end > keep) madvise(reinterpret_cast<char*>(data_) + keep, end - keep, MADV_DONTNEED);
    }
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
    if (data_ != nullptr) munmap(data_, mapped_ * sizeof(TLogHit));
    data_ = nullptr;
    capacity_ = mapped_ = 0;
    reserved_ = false;
    hugeEnd_ = nullptr;
}

}  // namespace vestrel
