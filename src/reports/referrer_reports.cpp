#include "reports/referrer_reports.h"

#include <algorithm>
#include <numeric>
#include <span>

#include "engine/text_util.h"
#include "reports/report_index.h"

namespace vestrel {

namespace {

constexpr uint16_t kPartialContent = 206;
constexpr int kTargetsColumn = 3;

// The engine list read afresh, and the engine of every referrer found with it.
void LoadSearchEngineAnswers(TLogAnalyzer& analyzer) {
    analyzer.LoadSearchEngines(analyzer.DataFolder);
    analyzer.SearchReferrals.RefreshEngines(analyzer.Referrers, analyzer);
}

// Whether a hit's referrer makes it an external referral: a referrer that is not the site's own
// and, when search engines are excluded, comes from no listed engine.
class TExternalReferrals {
  public:
    // With excludeSearch, the analyser's search referrals must know the engines.
    TExternalReferrals(const TLogAnalyzer& analyzer, bool excludeSearch)
        : external_(analyzer.Referrers, 0) {
        ForEveryKey(analyzer.Referrers, [&](int32_t key, std::string_view referrer) {
            external_[key] = !analyzer.IsOwnSite(referrer) &&
                             (!excludeSearch || analyzer.SearchReferrals.Of(key).Engine < 0);
        });
    }
    bool operator()(const TLogHit& hit) {
        return hit.ReferrerKey != 0 && external_[hit.ReferrerKey] != 0;
    }

  private:
    TKeyMemo<uint8_t> external_;
};

// A visitor's first external referral, with the visitor's external-referral hits and target hits
// from there on.
struct TReferralEntry {
    int32_t HitIndex;  // the hit that opened the entry; its referrer is the entry's
    int32_t Hits = 0;
    int32_t Targets = 0;
};

// Walks the store visitor by visitor; each visitor yields at most one entry. A visitor's hits
// count from its first hit with a referrer that is not a partial-content answer. `onTarget`
// (entry, target index) hears every target hit counted.
template <typename OnTarget>
std::vector<TReferralEntry> BuildReferralEntries(const TLogAnalyzer& analyzer, bool excludeSearch,
                                                 OnTarget onTarget) {
    TExternalReferrals isExternal(analyzer, excludeSearch);
    TTargetFinder findTarget(analyzer);
    std::vector<TReferralEntry> entries;
    entries.reserve(analyzer.UserCount);  // at most one a visitor
    bool started = false, open = false;
    for (int i = 0; i < analyzer.HitCount; ++i) {
        const TLogHit& hit = analyzer.Hits[i];
        if (i == 0 || hit.Uid != analyzer.Hits[i - 1].Uid) started = open = false;
        if (!started) started = hit.ReferrerKey != 0 && hit.Status != kPartialContent;
        if (!started) continue;
        if (isExternal(hit)) {
            if (!open) entries.push_back({i});
            open = true;
            ++entries.back().Hits;
        }
        if (!open || hit.Status == kPartialContent) continue;
        const int target = findTarget(hit);
        if (target < 0) continue;
        ++entries.back().Targets;
        onTarget(entries.back(), target);
    }
    return entries;
}

std::vector<TReferralEntry> BuildReferralEntries(const TLogAnalyzer& analyzer, bool excludeSearch) {
    return BuildReferralEntries(analyzer, excludeSearch, [](const TReferralEntry&, int) {});
}

// The sums of one row of the domain, page or URL table.
struct TReferralSum {
    std::string_view Text;
    int32_t Hits = 0, Users = 0, Targets = 0;

    void Add(const TReferralSum& other) {
        Hits += other.Hits;
        Users += other.Users;
        Targets += other.Targets;
    }
};

// The entries added up per referrer text, in byte order of the texts.
std::vector<TReferralSum> SumByReferrer(const TLogAnalyzer& analyzer,
                                        const std::vector<TReferralEntry>& entries) {
    std::vector<TReferralSum> sums;
    sums.reserve(entries.size());
    TKeyMemo<int32_t> sumOf(analyzer.Referrers, -1);
    for (const TReferralEntry& entry : entries) {
        const TLogHit& opener = analyzer.Hits[entry.HitIndex];
        int32_t& index = sumOf[opener.ReferrerKey];
        if (index < 0) {
            index = static_cast<int32_t>(sums.size());
            sums.push_back({analyzer.ReferrerText(opener)});
        }
        sums[index].Add({{}, entry.Hits, 1, entry.Targets});
    }
    std::sort(sums.begin(), sums.end(),
              [](const TReferralSum& a, const TReferralSum& b) { return a.Text < b.Text; });
    return sums;
}

using TReferrerKeyOf = std::string_view (*)(std::string_view referrer);

// After the "//" that ends at the referrer's second "/" (else from its start), up to its third
// "/": the host name of a full address.
std::string_view DomainKey(std::string_view referrer) {
    constexpr size_t npos = std::string_view::npos;
    const size_t first = referrer.find('/');
    const size_t second = first == npos ? npos : referrer.find('/', first + 1);
    const size_t third = second == npos ? npos : referrer.find('/', second + 1);
    const size_t start = second != npos && referrer[second - 1] == '/' ? second + 1 : 0;
    return referrer.substr(start, third == npos ? npos : third - start);
}

// The referrer without its query: cut before the first "?", else "#", else "=", else "&".
std::string_view PageKey(std::string_view referrer) {
    for (const char mark : {'?', '#', '=', '&'}) {
        const size_t cut = referrer.find(mark);
        if (cut != std::string_view::npos) return referrer.substr(0, cut);
    }
    return referrer;
}

std::string_view UrlKey(std::string_view referrer) {
    return referrer;
}

// Rows keyed by keyOf(referrer), in the order the sorted referrers first give each key.
std::vector<TReferralSum> RowsByKey(const std::vector<TReferralSum>& sums, TReferrerKeyOf keyOf) {
    std::vector<TReferralSum> rows;
    rows.reserve(sums.size());
    TFirstMetIndex<std::string_view> rowOf;
    rowOf.Reserve(sums.size());
    for (const TReferralSum& sum : sums) {
        const std::string_view key = keyOf(sum.Text);
        int32_t row = rowOf.Find(key);
        if (row < 0) {
            row = rowOf.Add(key);
            rows.push_back({key});
        }
        rows[row].Add(sum);
    }
    return rows;
}

void DefineReferrerColumns(TVarGrid& grid, std::string_view title, size_t dataRows) {
    SetUpTable(grid,
               {{title, ctText, grid.TableWidth - 3 * kCountColumnWidth - 25},
                {"Hits", ctInteger, kCountColumnWidth},
                {"Users", ctInteger, kCountColumnWidth},
                {"Targets", ctInteger, kCountColumnWidth}},
               static_cast<int>(dataRows));
}

void ReportReferrers(TReportContext& context, std::string_view title, TReferrerKeyOf keyOf) {
    TVarGrid& grid = context.Grid;
    grid.Clear();
    TLogAnalyzer& analyzer = context.Analyzer;
    const bool excludeSearch = context.Settings.ExcludeSearshFromRef;
    if (excludeSearch) LoadSearchEngineAnswers(analyzer);
    const std::vector<TReferralSum> rows =
        RowsByKey(SumByReferrer(analyzer, BuildReferralEntries(analyzer, excludeSearch)), keyOf);
    DefineReferrerColumns(grid, title, rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        const int row = static_cast<int>(i) + 1;
        grid.SetText(0, row, rows[i].Text);
        grid.SetInt(1, row, rows[i].Hits);
        grid.SetInt(2, row, rows[i].Users);
        grid.SetInt(kTargetsColumn, row, rows[i].Targets);
    }
    grid.SortBy(1, true);
}

// A referrer counted under a group (a page or a target).
struct TReferrerCount {
    int32_t Group, ReferrerKey, Hits;
};

// The counts ordered by group, each group's referrers in the order first met.
struct TGroupedCounts {
    std::vector<TReferrerCount> Counts;
    std::vector<size_t> Starts;  // group g holds Counts[Starts[g]] up to Counts[Starts[g + 1]]

    std::span<const TReferrerCount> Of(int group) const {
        return std::span(Counts).subspan(Starts[group], Starts[group + 1] - Starts[group]);
    }
};

// Counts referrers under groups, with an index from (group, referrer key) to the count.
class TGroupedReferrers {
  public:
    // Room for `count` pairs without growing.
    void Reserve(size_t count) {
        counts_.reserve(count);
        index_.Reserve(count);
    }

    void Count(int32_t group, int32_t referrerKey) {
        const uint64_t key = static_cast<uint64_t>(static_cast<uint32_t>(group)) << 32 |
                             static_cast<uint32_t>(referrerKey);
        int32_t number = index_.Find(key);
        if (number < 0) {
            number = index_.Add(key);
            counts_.push_back({group, referrerKey, 0});
        }
        ++counts_[number].Hits;
    }

    // A stable counting sort by group keeps the first-met order inside each group.
    TGroupedCounts ByGroup(int groupCount) const {
        TGroupedCounts grouped{std::vector<TReferrerCount>(counts_.size()),
                               std::vector<size_t>(groupCount + 1, 0)};
        for (const TReferrerCount& count : counts_) ++grouped.Starts[count.Group + 1];
        std::partial_sum(grouped.Starts.begin(), grouped.Starts.end(), grouped.Starts.begin());
        std::vector<size_t> next(grouped.Starts.begin(), grouped.Starts.end() - 1);
        for (const TReferrerCount& count : counts_) grouped.Counts[next[count.Group]++] = count;
        return grouped;
    }

    size_t Size() const { return counts_.size(); }

  private:
    std::vector<TReferrerCount> counts_;
    TFirstMetIndex<uint64_t> index_;
};

void DefineGroupedColumns(TVarGrid& grid, std::string_view title, size_t dataRows) {
    SetUpTable(
        grid,
        {{title, ctText, 250}, {"Referrer", ctText, 250}, {"Hits", ctInteger, kCountColumnWidth}},
        static_cast<int>(dataRows));
}

// Writes a heading row (Tag 1) for `label` and one row per referrer below it, from `row` on;
// the heading's "Hits" is their sum, which is answered. `row` moves past the group.
int WriteGroup(TVarGrid& grid, const TLogAnalyzer& analyzer, int& row, std::string_view label,
               std::span<const TReferrerCount> referrers) {
    const int heading = row++;
    grid.SetText(0, heading, label == "/" ? "[homepage]" : label);
    grid.SetRowTag(heading, 1);
    int sum = 0;
    for (const TReferrerCount& referrer : referrers) {
        grid.SetText(1, row, analyzer.Referrers.Get(referrer.ReferrerKey));
        grid.SetInt(2, row, referrer.Hits);
        sum += referrer.Hits;
        ++row;
    }
    grid.SetInt(2, heading, sum);
    return sum;
}

}  // namespace

void ReportRefDomains(TReportContext& context) {
    ReportReferrers(context, "Domain name", DomainKey);
}

void ReportRefPages(TReportContext& context) {
    ReportReferrers(context, "Page", PageKey);
}

void ReportRefUrls(TReportContext& context) {
    ReportReferrers(context, "URL", UrlKey);
}

std::vector<std::pair<std::string, int>> ComputeReachedTargets(TLogAnalyzer& analyzer,
                                                               bool excludeSearch,
                                                               std::string_view referrerPart) {
    // The engine list is the one the statistics read last.
    if (excludeSearch) analyzer.SearchReferrals.RefreshEngines(analyzer.Referrers, analyzer);
    std::vector<std::pair<std::string, int>> reached;
    std::vector<int> position(analyzer.Targets.size(), -1);
    TKeyMemo<int8_t> matches(analyzer.Referrers, -1);
    BuildReferralEntries(analyzer, excludeSearch, [&](const TReferralEntry& entry, int target) {
        const TLogHit& opener = analyzer.Hits[entry.HitIndex];
        int8_t& match = matches[opener.ReferrerKey];
        if (match < 0) match = Contains(analyzer.ReferrerText(opener), referrerPart);
        if (!match) return;
        if (position[target] < 0) {
            position[target] = static_cast<int>(reached.size());
            reached.emplace_back(analyzer.Targets[target].Target, 0);
        }
        ++reached[position[target]].second;
    });
    return reached;
}

bool ShowTargetsEnabled(const TVarGrid& grid, int row) {
    return row >= 1 && row < grid.RowCount() && grid.ColCount() > kTargetsColumn &&
           grid.GetCellType(kTargetsColumn, row) == ctInteger &&
           grid.GetInt(kTargetsColumn, row) > 0;
}

void ReportPageReferring(TReportContext& context) {
    TVarGrid& grid = context.Grid;
    grid.Clear();
    TLogAnalyzer& analyzer = context.Analyzer;
    const bool excludeSearch = context.Settings.ExcludeSearshFromRef;
    if (excludeSearch) LoadSearchEngineAnswers(analyzer);

    TExternalReferrals isExternal(analyzer, excludeSearch);
    TKeyMemo<int32_t> pageOf(analyzer.Urls, -1);
    std::vector<int32_t> pageKeys;  // in the order first met
    TGroupedReferrers referrers;
    referrers.Reserve(analyzer.Referrers.Count());  // about one page per referrer
    for (int i = 0; i < analyzer.HitCount; ++i) {
        const TLogHit& hit = analyzer.Hits[i];
        if (!isExternal(hit)) continue;
        int32_t& page = pageOf[hit.UrlKey];
        if (page < 0) {
            page = static_cast<int32_t>(pageKeys.size());
            pageKeys.push_back(hit.UrlKey);
        }
        referrers.Count(page, hit.ReferrerKey);
    }

    const int pageCount = static_cast<int>(pageKeys.size());
    const TGroupedCounts grouped = referrers.ByGroup(pageCount);
    DefineGroupedColumns(grid, "URL", pageKeys.size() + referrers.Size());
    const int level = grid.AddSubGroupLevel();
    int row = 1;
    for (int page = 0; page < pageCount; ++page) {
        grid.AddSubGroupRow(row, level);
        WriteGroup(grid, analyzer, row, analyzer.Urls.Get(pageKeys[page]), grouped.Of(page));
    }
    grid.ShowSubGroupLevel(0);
    grid.SortBy(2, true);
}

void ReportTargetReferring(TReportContext& context) {
    TVarGrid& grid = context.Grid;
    grid.Clear();
    const TLogAnalyzer& analyzer = context.Analyzer;

    TExternalReferrals isExternal(analyzer, false);  // search engines count here
    TTargetFinder findTarget(analyzer);
    TGroupedReferrers referrers;
    for (int i = 0; i < analyzer.HitCount; ++i) {
        const TLogHit& hit = analyzer.Hits[i];
        if (!isExternal(hit)) continue;
        const int target = findTarget(hit);
        if (target >= 0) referrers.Count(target, hit.ReferrerKey);
    }

    const int targetCount = static_cast<int>(analyzer.Targets.size());
    const TGroupedCounts grouped = referrers.ByGroup(targetCount);
    DefineGroupedColumns(grid, "Target", analyzer.Targets.size() + referrers.Size());
    int row = 1;
    for (int target = 0; target < targetCount; ++target) {
        const int heading = row;
        const int sum =
            WriteGroup(grid, analyzer, row, analyzer.Targets[target].Target, grouped.Of(target));
        if (sum == 0) grid.SetText(1, heading, "[No referrer]");
    }
}

}  // namespace vestrel
