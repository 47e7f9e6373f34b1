#include "reports/visitor_reports.h"

#include <algorithm>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/hash_string_list.h"
#include "reports/report_format.h"
#include "reports/report_index.h"

namespace vestrel {

namespace {

constexpr int kDomainWidth = 170;
constexpr int kNameWidth = 150;
constexpr uint16_t kAccepted = 200;
constexpr int32_t kNoUid = -1;        // visitor numbers start at 0
constexpr int32_t kNotLookedUp = -2;  // a key whose row is not known yet
constexpr std::string_view kNoUser = "-";
constexpr std::string_view kHomePath = "/";
constexpr std::string_view kPathSeparator = " >> ";

struct TShareRow {
    std::string Name;
    int32_t Hits = 0;
    int32_t Users = 0;
};

// Counts a hit on its row, and its visitor too when the hit counted before belonged to another.
class TVisitorTally {
  public:
    template <typename Row>
    void Count(Row& row, int32_t uid) {
        ++row.HitTotal;
        if (uid != lastUid_) ++row.UserTotal;
        lastUid_ = uid;
    }

  private:
    int32_t lastUid_ = kNoUid;
};

void ResetTotals(std::vector<TOperatingSystem>& rows) {
    for (TOperatingSystem& row : rows) row.HitTotal = row.UserTotal = 0;
}

// One row per name with hits, with its shares of the given totals, sorted by hits.
void WriteShareTable(TVarGrid& grid, TColumnSetup nameColumn, std::vector<TShareRow> rows,
                     double hitTotal, double userTotal) {
    std::erase_if(rows, [](const TShareRow& row) { return row.Hits <= 0; });
    SetUpTable(grid,
               {nameColumn,
                {"Hits", ctInteger, kCountColumnWidth},
                {"Hits %", ctPercent, kCountColumnWidth},
                {"Users", ctInteger, kCountColumnWidth},
                {"Users %", ctPercent, 65}},
               static_cast<int>(rows.size()));
    int r = 1;
    for (const TShareRow& row : rows) {
        grid.SetText(0, r, row.Name);
        grid.SetInt(1, r, row.Hits);
        grid.SetFloat(2, r, SafeDiv(hitTotal, row.Hits));
        grid.SetInt(3, r, row.Users);
        grid.SetFloat(4, r, SafeDiv(userTotal, row.Users));
        ++r;
    }
    grid.SortBy(1, true);
}

// Counts every hit on the list row of its agent; each visitor counts on the row of its first hit.
void CountAgents(const TLogAnalyzer& analyzer, std::vector<TOperatingSystem>& rows,
                 int (TReferenceLists::*classify)(std::string_view) const) {
    ResetTotals(rows);
    TKeyMemo<int32_t> rowOfAgent(analyzer.Agents, kNotLookedUp);
    TVisitorTally tally;
    for (int i = 0; i < analyzer.HitCount; ++i) {
        const TLogHit& hit = analyzer.Hits[i];
        int32_t& row = rowOfAgent[hit.AgentKey];
        if (row == kNotLookedUp) row = (analyzer.*classify)(analyzer.AgentText(hit));
        tally.Count(rows[row], hit.Uid);
    }
}

// The list rows summed per name, names in the order of their first row.
std::vector<TShareRow> MergeByName(const std::vector<TOperatingSystem>& rows) {
    std::vector<TShareRow> merged;
    std::unordered_map<std::string_view, size_t> entryOfName;
    for (const TOperatingSystem& row : rows) {
        const auto [slot, added] = entryOfName.try_emplace(row.Name, merged.size());
        if (added) merged.push_back({row.Name});
        merged[slot->second].Hits += row.HitTotal;
        merged[slot->second].Users += row.UserTotal;
    }
    return merged;
}

void ReportAgentShares(TReportContext& context, std::vector<TOperatingSystem>& rows,
                       int (TReferenceLists::*classify)(std::string_view) const,
                       std::string_view title) {
    const TLogAnalyzer& analyzer = context.Analyzer;
    CountAgents(analyzer, rows, classify);
    WriteShareTable(context.Grid, {title, ctText, kNameWidth}, MergeByName(rows), analyzer.HitCount,
                    analyzer.UserCount);
}

// Numeric hosts are left out of the domain table.
bool BeginsWithNonZeroDigit(std::string_view host) {
    return !host.empty() && host[0] >= '1' && host[0] <= '9';
}

// The counted paths, each the page keys of one visitor, in the order first met.
class TPathCounts {
  public:
    struct TPath {
        size_t Start;  // into Keys
        size_t Length;
        int32_t Count;
        int32_t NextSameHash;  // another path with the same hash, or -1
    };

    void Add(const std::vector<int32_t>& path) {
        const uint64_t hash =
            IndexHash({reinterpret_cast<const char*>(path.data()), path.size() * sizeof(int32_t)});
        int32_t& first = firstWithHash_.try_emplace(hash, -1).first->second;
        for (int32_t p = first; p >= 0; p = Paths[p].NextSameHash) {
            if (SameKeys(Paths[p], path)) {
                ++Paths[p].Count;
                return;
            }
        }
        Paths.push_back({Keys.size(), path.size(), 1, first});
        first = static_cast<int32_t>(Paths.size() - 1);
        Keys.insert(Keys.end(), path.begin(), path.end());
    }

    std::vector<TPath> Paths;
    std::vector<int32_t> Keys;

  private:
    bool SameKeys(const TPath& known, const std::vector<int32_t>& path) const {
        return known.Length == path.size() &&
               std::equal(path.begin(), path.end(), Keys.begin() + known.Start);
    }

    std::unordered_map<uint64_t, int32_t> firstWithHash_;
};

// The pages of a path joined by " >> ", the site's root shown as "/ [homepage]".
std::string PathText(const TLogAnalyzer& analyzer, const TPathCounts& counts,
                     const TPathCounts::TPath& path) {
    std::string text;
    for (size_t i = 0; i < path.Length; ++i) {
        const std::string_view page = analyzer.Urls.Get(counts.Keys[path.Start + i]);
        if (i > 0) text += kPathSeparator;
        text += page == kHomePath ? std::string_view("/ [homepage]") : page;
    }
    return text;
}

}  // namespace

void ReportTopDomains(TReportContext& context) {
    context.Grid.Clear();
    TLogAnalyzer& analyzer = context.Analyzer;
    analyzer.LoadTopDomains(analyzer.DataFolder);
    ResetTotals(analyzer.TopDomains);
    TKeyMemo<int32_t> rowOfHost(analyzer.Hosts, kNotLookedUp);
    TVisitorTally tally;
    for (int i = 0; i < analyzer.HitCount; ++i) {
        const TLogHit& hit = analyzer.Hits[i];
        int32_t& row = rowOfHost[hit.HostKey];
        if (row == kNotLookedUp) row = analyzer.FindTopDomain(analyzer.HostText(hit));
        if (row >= 0) tally.Count(analyzer.TopDomains[row], hit.Uid);
    }

    std::vector<TShareRow> rows;
    for (size_t row = 0; row < analyzer.TopDomains.size(); ++row) {
        const TOperatingSystem& domain = analyzer.TopDomains[row];
        rows.push_back(
            {analyzer.TopDomainCaption(static_cast<int>(row)), domain.HitTotal, domain.UserTotal});
    }
    WriteShareTable(context.Grid, {"Domain", ctText, kDomainWidth}, std::move(rows),
                    analyzer.HitCount, analyzer.UserCount);
}

void ReportDomains(TReportContext& context) {
    context.Grid.Clear();
    const TLogAnalyzer& analyzer = context.Analyzer;
    std::vector<TShareRow> rows;
    std::unordered_map<std::string_view, size_t> rowOfDomain;
    int32_t countedHits = 0, countedVisitors = 0;
    ForEachVisitor(analyzer, [&](int first, int end) {
        const std::string_view host = analyzer.HostText(analyzer.Hits[first]);
        if (BeginsWithNonZeroDigit(host)) return;
        const std::string_view domain = TReferenceLists::SiteDomain(host);
        if (domain.empty()) return;
        const auto [slot, added] = rowOfDomain.try_emplace(domain, rows.size());
        if (added) rows.push_back({std::string(domain)});
        rows[slot->second].Users += 1;
        rows[slot->second].Hits += end - first;
        countedVisitors += 1;
        countedHits += end - first;
    });
    WriteShareTable(context.Grid, {"Domain", ctText, kDomainWidth}, std::move(rows), countedHits,
                    countedVisitors);
}

void ReportBrowsers(TReportContext& context) {
    context.Grid.Clear();
    TLogAnalyzer& analyzer = context.Analyzer;
    analyzer.LoadUserAgents(analyzer.DataFolder);
    ReportAgentShares(context, analyzer.Browsers, &TReferenceLists::ClassifyBrowser, "Browser");
}

void ReportOperatingSystems(TReportContext& context) {
    context.Grid.Clear();
    TLogAnalyzer& analyzer = context.Analyzer;
    analyzer.LoadOperatingSystems(analyzer.DataFolder);
    ReportAgentShares(context, analyzer.OperatingSystems, &TReferenceLists::ClassifyOS,
                      "Operating System");
}

void ReportAuthUsers(TReportContext& context) {
    context.Grid.Clear();
    const TLogAnalyzer& analyzer = context.Analyzer;
    struct TUserRow {
        int32_t Key;
        int32_t HitTotal = 0, Accepted = 0, UserTotal = 0;
    };
    std::vector<TUserRow> rows;
    constexpr int32_t kUnnamed = -1;
    TKeyMemo<int32_t> rowOfUser(analyzer.Users, kNotLookedUp);
    TVisitorTally tally;
    for (int i = 0; i < analyzer.HitCount; ++i) {
        const TLogHit& hit = analyzer.Hits[i];
        int32_t& row = rowOfUser[hit.UserKey];
        if (row == kNotLookedUp) {
            row = analyzer.UserText(hit) == kNoUser ? kUnnamed : static_cast<int32_t>(rows.size());
            if (row != kUnnamed) rows.push_back({hit.UserKey});
        }
        if (row == kUnnamed) continue;
        tally.Count(rows[row], hit.Uid);
        if (hit.Status == kAccepted) ++rows[row].Accepted;
    }

    TVarGrid& grid = context.Grid;
    SetUpTable(grid,
               {{"User Name", ctText, kNameWidth},
                {"Hits", ctInteger, kCountColumnWidth},
                {"Accepted", ctInteger, 55},
                {"Users", ctInteger, kCountColumnWidth}},
               static_cast<int>(rows.size()));
    int r = 1;
    for (const TUserRow& row : rows) {
        grid.SetText(0, r, analyzer.Users.Get(row.Key));
        grid.SetInt(1, r, row.HitTotal);
        grid.SetInt(2, r, row.Accepted);
        grid.SetInt(3, r, row.UserTotal);
        ++r;
    }
}

void ReportPaths(TReportContext& context) {
    context.Grid.Clear();
    TLogAnalyzer& analyzer = context.Analyzer;
    analyzer.LoadWebPageExts(analyzer.DataFolder);
    TPageKeys pages(analyzer);
    TPathCounts counts;
    std::vector<int32_t> path;  // reused for every visitor
    ForEachVisitor(analyzer, [&](int first, int end) {
        path.clear();
        for (int i = first; i < end; ++i)
            if (pages.IsPage(analyzer.Hits[i].UrlKey)) path.push_back(analyzer.Hits[i].UrlKey);
        if (!path.empty()) counts.Add(path);
    });

    std::vector<const TPathCounts::TPath*> shared;  // paths several visitors took
    for (const TPathCounts::TPath& known : counts.Paths)
        if (known.Count > 1) shared.push_back(&known);
    TVarGrid& grid = context.Grid;
    SetUpTable(grid,
               {{"Path", ctText, WidthBesideCount(grid)}, {"Count", ctInteger, kCountColumnWidth}},
               static_cast<int>(shared.size()));
    int r = 1;
    for (const TPathCounts::TPath* known : shared) {
        grid.SetText(0, r, PathText(analyzer, counts, *known));
        grid.SetInt(1, r, known->Count);
        ++r;
    }
    grid.SortBy(1, true);
}

}  // namespace vestrel
