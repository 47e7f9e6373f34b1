// Lookups the statistics share while they walk the hit store: answers kept per interned key,
// numbering of keys in the order first met, and the walk visitor by visitor.
#pragma once

#include <algorithm>
#include <bit>
#include <cstdint>
#include <string_view>
#include <vector>

#include "engine/hash_string_list.h"
#include "engine/key_memo.h"
#include "engine/log_analyzer.h"

namespace vestrel {

// Numbers keys 0, 1, 2... in the order they are first met, found again through an open-addressing
// index on their hashes. Text keys are views: the texts must outlive the index.
template <typename Key>
class TFirstMetIndex {
  public:
    // Room for `count` keys without growing.
    void Reserve(size_t count) {
        keys_.reserve(count);
        if (cells_.size() < count * 2) Rehash(std::bit_ceil(count * 2));
    }
    // The key's number, or -1.
    int32_t Find(const Key& key) const {
        return cells_.empty() ? -1 : cells_[CellOf(key, HashOf(key))].Number;
    }
    // Numbers a key that Find does not know.
    int32_t Add(const Key& key) {
        if ((keys_.size() + 1) * 2 > cells_.size()) Rehash(std::max<size_t>(cells_.size() * 2, 64));
        const uint32_t hash = HashOf(key);
        cells_[CellOf(key, hash)] = {hash, static_cast<int32_t>(keys_.size())};
        keys_.push_back(key);
        return static_cast<int32_t>(keys_.size() - 1);
    }

  private:
    struct TCell {
        uint32_t Hash;
        int32_t Number;  // -1 = empty
    };

    static uint32_t HashOf(std::string_view text) { return IndexHash(text); }
    static uint32_t HashOf(uint64_t value) {
        value = (value ^ (value >> 31)) * 0x9e3779b97f4a7c15ull;
        return static_cast<uint32_t>(value ^ (value >> 32));
    }

    // The cell that holds the key, or the empty cell where it belongs.
    size_t CellOf(const Key& key, uint32_t hash) const {
        const size_t mask = cells_.size() - 1;
        size_t i = hash & mask;
        while (cells_[i].Number >= 0 && !(cells_[i].Hash == hash && keys_[cells_[i].Number] == key))
            i = (i + 1) & mask;
        return i;
    }

    void Rehash(size_t cellCount) {
        std::vector<TCell> cells(cellCount, TCell{0, -1});
        const size_t mask = cells.size() - 1;
        for (const TCell& cell : cells_) {
            if (cell.Number < 0) continue;
            size_t i = cell.Hash & mask;
            while (cells[i].Number >= 0) i = (i + 1) & mask;
            cells[i] = cell;
        }
        cells_.swap(cells);
    }

    std::vector<TCell> cells_;  // a power of two, at most half full
    std::vector<Key> keys_;
};

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
