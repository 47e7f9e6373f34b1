#include "engine/hit_store.h"

#include <cstdlib>
#include <new>

namespace vestrel {

THitStore::~THitStore() {
    Release();
}

void THitStore::Resize(size_t capacity) {
    if (capacity == 0) {
        Release();
        return;
    }
    void* grown = std::realloc(data_, capacity * sizeof(TLogHit));
    if (grown == nullptr) throw std::bad_alloc();
    data_ = static_cast<TLogHit*>(grown);
    capacity_ = capacity;
}

void THitStore::Reserve(size_t count) {
    if (count <= capacity_) return;
    constexpr size_t kStep = 20000;
    size_t capacity = capacity_ + capacity_ / 2;
    if (capacity < count) capacity = count;
    Resize((capacity + kStep - 1) / kStep * kStep);
}

void THitStore::Trim(size_t count) {
    if (count < capacity_) Resize(count);
}

void THitStore::Release() {
    std::free(data_);
    data_ = nullptr;
    capacity_ = 0;
}

}  // namespace vestrel
