// Lookups the statistics share while they walk the hit store: answers kept per interned key,
// numbering of keys in the order first met, and the walk visitor by visitor.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string_view>
#include <vector>

#include "engine/first_met_index.h"
#include "engine/hash_string_list.h"
#include "engine/key_memo.h"
#include "engine/log_analyzer.h"

namespace vestrel {

// FindTarget of a hit, worked out once per distinct path.
class TTargetFinder {
  public:
    explicit TTargetFinder(const TLogAnalyzer& analyzer)
        : analyzer_(analyzer), memo_(analyzer.Urls, kUnknown) {}
    int operator()(const TLogHit& hit) {
        int& target = memo_[hit.UrlKey];
        if (target == kUnknown) target = analyzer_.FindTargetOfPath(analyzer_.UrlText(hit));
        return target;
    }

  private:
    static constexpr int kUnknown = -2;
    const TLogAnalyzer& analyzer_;
    TKeyMemo<int> memo_;
};

// IsPage answered once per path key: the extension test is too costly to repeat for every hit.
class TPageKeys {
  public:
    explicit TPageKeys(const TLogAnalyzer& analyzer)
        : isPage_(AnswerEveryKey<uint8_t>(
              analyzer.Urls, [&](std::string_view path) { return analyzer.IsPage(path); })) {}
    bool IsPage(int32_t urlKey) { return isPage_[urlKey] != 0; }

  private:
    TKeyMemo<uint8_t> isPage_;
};

// Calls visit(first, end) for the run of consecutive hits of each visitor, in store order.
template <typename Visit>
void ForEachVisitor(const TLogAnalyzer& analyzer, Visit visit) {
    int first = 0;
    for (int i = 1; i <= analyzer.HitCount; ++i) {
        if (i < analyzer.HitCount && analyzer.Hits[i].Uid == analyzer.Hits[first].Uid) continue;
        visit(first, i);
        first = i;
    }
}

}  // namespace vestrel
