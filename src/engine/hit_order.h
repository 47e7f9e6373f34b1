// Orderings of the hit store.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "engine/log_hit.h"

namespace vestrel {

class THitStore;

// Orders the first `count` hits by Uid, then Time, then their present order. The Uid pass
// permutes the records in place, so memory stays at one store's size; `threads` threads share
// the work once the hits are dealt into their blocks.
void OrderByVisitorAndTime(THitStore& store, size_t count, int32_t userCount, int threads = 1);

// Three-way comparison of two hits by one field: negative, 0 or positive.
using THitCompare = std::function<int(const TLogHit&, const TLogHit&)>;

// Quicksort of hits[first..last] with the middle element as pivot (Hoare partition: recurse on
// the left part, loop on the right part). Equal keys keep no particular order.
void QuickSortHits(TLogHit* hits, int first, int last, const THitCompare& compare);

}  // namespace vestrel
