#include "engine/hit_order.h"

#include "engine/hit_store.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace vestrel {

namespace {

// Runs are short and mostly in time order already: insertion sort is stable and cheap there.
void SortRunByTime(TLogHit* begin, TLogHit* end) {
    if (std::is_sorted(begin, end,
                       [](const TLogHit& a, const TLogHit& b) { return a.Time < b.Time; }))
        return;
    if (end - begin > 64) {
        std::stable_sort(begin, end,
                         [](const TLogHit& a, const TLogHit& b) { return a.Time < b.Time; });
        return;
    }
    for (TLogHit* i = begin + 1; i < end; ++i) {
        const TLogHit moving = *i;
        TLogHit* j = i;
        for (; j > begin && moving.Time < (j - 1)->Time; --j) *j = *(j - 1);
        *j = moving;
    }
}

}  // namespace

void OrderByVisitorAndTime(THitStore& store, size_t count, int32_t userCount) {
    if (count == 0) return;
    int32_t uidLimit = userCount;
    for (size_t i = 0; i < count; ++i) uidLimit = std::max(uidLimit, store[i].Uid + 1);
    std::vector<uint32_t> next(static_cast<size_t>(uidLimit) + 1, 0);
    for (size_t i = 0; i < count; ++i) ++next[static_cast<size_t>(store[i].Uid) + 1];
    for (size_t u = 1; u < next.size(); ++u) next[u] += next[u - 1];
    const std::vector<uint32_t> start(next);

    constexpr size_t kDiscardBlock = 1 << 16;
    THitStore ordered;
    ordered.Reserve(count);
    for (size_t i = 0; i < count; ++i) {
        ordered[next[store[i].Uid]++] = store[i];
        if ((i + 1) % kDiscardBlock == 0) store.DiscardFront(i + 1);
    }
    store.Swap(ordered);
    ordered.Release();
    store.Trim(count);
    for (size_t u = 0; u + 1 < start.size(); ++u)
        if (start[u + 1] - start[u] > 1)
            SortRunByTime(store.Data() + start[u], store.Data() + start[u + 1]);
}

void QuickSortHits(TLogHit* hits, int first, int last, const THitCompare& compare) {
    while (first < last) {
        int left = first, right = last;
        const TLogHit pivot = hits[(first + last) / 2];
        while (left <= right) {
            while (compare(hits[left], pivot) < 0) ++left;
            while (compare(hits[right], pivot) > 0) --right;
            if (left <= right) {
                std::swap(hits[left], hits[right]);
                ++left;
                --right;
            }
        }
        if (first < right) QuickSortHits(hits, first, right, compare);
        first = left;
    }
}

}  // namespace vestrel
