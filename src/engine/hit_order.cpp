#include "engine/hit_order.h"

#include "engine/hit_store.h"

#include <algorithm>
#include <atomic>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace vestrel {

namespace {

// job(i) for every i in [0, count), on up to `threads` threads, the calling one among them; fewer
// when the system gives no more.
template <typename Job>
void ParallelFor(size_t count, int threads, const Job& job) {
    std::atomic<size_t> next{0};
    const auto run = [&] {
        for (size_t i; (i = next.fetch_add(1, std::memory_order_relaxed)) < count;) job(i);
    };
    std::vector<std::thread> helpers;
    for (int t = 1; t < threads && static_cast<size_t>(t) < count; ++t) {
        try {
            helpers.emplace_back(run);
        } catch (const std::system_error&) {
            break;
        }
    }
    run();
    for (std::thread& helper : helpers) helper.join();
}

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

// Where each Uid's run begins once the hits are ordered by Uid, with the end as the last entry.
// Every Uid is below userCount but for a store filled otherwise, which the counts grow for.
std::vector<uint32_t> RunStarts(const THitStore& store, size_t count, int32_t userCount) {
    std::vector<uint32_t> runStart(static_cast<size_t>(userCount) + 1, 0);
    for (size_t i = 0; i < count; ++i) {
        const size_t slot = static_cast<size_t>(store[i].Uid) + 1;
        if (slot >= runStart.size()) runStart.resize(slot + 1, 0);
        ++runStart[slot];
    }
    for (size_t u = 1; u < runStart.size(); ++u) runStart[u] += runStart[u - 1];
    return runStart;
}

// Hits whose places are this close are settled by following the permutation's cycles, which
// then stays in the cache.
constexpr size_t kBlockHits = 4096;
// Blocks a pass moves the hits into: few enough that every block's next free place stays in the
// cache and the address translation buffer.
constexpr size_t kFanOut = 64;

// hits[0..count) hold the places first..first+count-1 in their Uid fields; moves every hit into
// its block of `blockHits` places. Each swap settles one hit into its block, filled from the
// front; the next free place of the block just filled is fetched ahead, so the swaps run at the
// memory's speed instead of waiting for one place after another.
void PermuteIntoBlocks(TLogHit* hits, size_t count, size_t first, size_t blockHits) {
    const size_t blocks = (count + blockHits - 1) / blockHits;
    std::vector<size_t> fill(blocks);
    for (size_t b = 0; b < blocks; ++b) fill[b] = b * blockHits;
    for (size_t b = 0; b < blocks; ++b) {
        const size_t end = std::min(count, (b + 1) * blockHits);
        while (fill[b] < end) {
            TLogHit& hit = hits[fill[b]];
            const size_t to = (static_cast<size_t>(hit.Uid) - first) / blockHits;
            if (to == b) {
                ++fill[b];
                continue;
            }
            std::swap(hit, hits[fill[to]++]);
            __builtin_prefetch(&hits[std::min(fill[to] + 2, count - 1)]);
        }
    }
}

// Moves hits[0..count), holding the places first..first+count-1, each to its place: into ever
// smaller blocks, then along the cycles within a block. The blocks of one level are apart, so
// `threads` threads settle them at once.
void PermuteByPlace(TLogHit* hits, size_t count, size_t first, int threads = 1) {
    if (count <= kBlockHits) {
        for (size_t i = 0; i < count; ++i)
            while (static_cast<size_t>(hits[i].Uid) - first != i)
                std::swap(hits[i], hits[static_cast<size_t>(hits[i].Uid) - first]);
        return;
    }
    const size_t blockHits =
        std::max(kBlockHits, (count / kFanOut + kBlockHits - 1) / kBlockHits * kBlockHits);
    PermuteIntoBlocks(hits, count, first, blockHits);
    ParallelFor((count + blockHits - 1) / blockHits, threads, [&](size_t block) {
        const size_t start = block * blockHits;
        PermuteByPlace(hits + start, std::min(blockHits, count - start), first + start);
    });
}

// Visitors handed to one thread at a time while their Uids are written back and their runs
// ordered by time.
constexpr size_t kVisitorsAJob = 4096;

// A counting sort by Uid that keeps reading order within a Uid, done in place: each hit's Uid
// field holds its place while the hits are moved, then the Uids are written back from the runs,
// each of which is then put in time order.
// No second copy of the store, nor an index beside it, is ever needed.
void PermuteByUid(TLogHit* hits, size_t count, const std::vector<uint32_t>& runStart, int threads) {
    std::vector<uint32_t> next(runStart.begin(), runStart.end() - 1);
    for (size_t i = 0; i < count; ++i)
        hits[i].Uid = static_cast<int32_t>(next[static_cast<size_t>(hits[i].Uid)]++);
    PermuteByPlace(hits, count, 0, threads);
    const size_t visitors = runStart.size() - 1;
    ParallelFor((visitors + kVisitorsAJob - 1) / kVisitorsAJob, threads, [&](size_t job) {
        const size_t end = std::min(visitors, (job + 1) * kVisitorsAJob);
        for (size_t u = job * kVisitorsAJob; u < end; ++u) {
            for (uint32_t k = runStart[u]; k < runStart[u + 1]; ++k)
                hits[k].Uid = static_cast<int32_t>(u);
            if (runStart[u + 1] - runStart[u] > 1)
                SortRunByTime(hits + runStart[u], hits + runStart[u + 1]);
        }
    });
}

}  // namespace

void OrderByVisitorAndTime(THitStore& store, size_t count, int32_t userCount, int threads) {
    if (count == 0) return;
    const std::vector<uint32_t> runStart = RunStarts(store, count, userCount);
    PermuteByUid(store.Data(), count, runStart, threads);
    store.Trim(count);
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
