#include "engine/hit_order.h"

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

void OrderByVisitorAndTime(TLogHit* hits, size_t count, int32_t userCount) {
    if (count == 0) return;
    int32_t uidLimit = userCount;
    for (size_t i = 0; i < count; ++i) uidLimit = std::max(uidLimit, hits[i].Uid + 1);
    std::vector<uint32_t> start(static_cast<size_t>(uidLimit) + 1, 0);
    for (size_t i = 0; i < count; ++i) ++start[static_cast<size_t>(hits[i].Uid) + 1];
    for (size_t u = 1; u < start.size(); ++u) start[u] += start[u - 1];

    // Destination of every hit, then the permutation applied cycle by cycle.
    std::vector<uint32_t> destination(count);
    {
        std::vector<uint32_t> next(start.begin(), start.end() - 1);
        for (size_t i = 0; i < count; ++i) destination[i] = next[hits[i].Uid]++;
    }
    for (size_t i = 0; i < count; ++i) {
        while (destination[i] != i) {
            const uint32_t j = destination[i];
            std::swap(hits[i], hits[j]);
            std::swap(destination[i], destination[j]);
        }
    }
    for (size_t u = 0; u + 1 < start.size(); ++u)
        if (start[u + 1] - start[u] > 1) SortRunByTime(hits + start[u], hits + start[u + 1]);
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
