#include "reports/page_reports.h"

#include <algorithm>
#include <array>
#include <unordered_map>
#include <utility>

#include "reports/report_index.h"

namespace vestrel {

namespace {

constexpr int kUrlWidth = 250;
constexpr uint16_t kNotFound = 404;
constexpr uint16_t kNotModified = 304;
constexpr uint16_t kFirstErrorStatus = 400;
constexpr uint16_t kFirstRedirectStatus = 300;

constexpr std::array<std::pair<int, std::string_view>, 31> kStatusMeanings = {{
    {203, "Non-Authoritative Information"},
    {204, "No Content"},
    {205, "Reset Content"},
    {206, "Partial Content"},
    {300, "Multiple Choices"},
    {301, "Moved Permanently"},
    {302, "Moved Temporarily"},
    {303, "See Other"},
    {305, "Use Proxy"},
    {400, "Bad Request"},
    {401, "Unauthorized"},
    {402, "Payment Required"},
    {403, "Forbidden"},
    {404, "Not Found"},
    {405, "Method Not Allowed"},
    {406, "Not Acceptable"},
    {407, "Proxy Authentication Required"},
    {408, "Request Time-Out"},
    {409, "Conflict"},
    {410, "Gone"},
    {411, "Length Required"},
    {412, "Precondition Failed"},
    {413, "Request Entity Too Large"},
    {414, "Request-URI Too Large"},
    {415, "Unsupported Media Type"},
    {500, "Server Error"},
    {501, "Not Implemented"},
    {502, "Bad Gateway"},
    {503, "Out of Resources"},
    {504, "Gateway Time-Out"},
    {505, "HTTP Version not supported"},
}};

// Counts per key of one string list, in the order the keys were first met.
class TKeyCounts {
  public:
    struct TEntry {
        int32_t Key;
        int32_t Count;
    };

    explicit TKeyCounts(const THashStringList& list) : entryOfKey_(list, -1) {}

    // Adds 1 to the key's count and answers its entry.
    int32_t Add(int32_t key) {
        int32_t& entry = entryOfKey_[key];
        if (entry < 0) {
            entry = static_cast<int32_t>(Entries.size());
            Entries.push_back({key, 0});
        }
        ++Entries[entry].Count;
        return entry;
    }

    std::vector<TEntry> Entries;

  private:
    TKeyMemo<int32_t> entryOfKey_;
};

// Counts per pair of integers, in the order the pairs were first met.
class TPairCounts {
  public:
    struct TEntry {
        int32_t First;
        int32_t Second;
        int32_t Count;
    };

    void Add(int32_t first, int32_t second) {
        const uint64_t pair = static_cast<uint64_t>(static_cast<uint32_t>(first)) << 32 |
                              static_cast<uint32_t>(second);
        const auto [slot, added] = entryOfPair_.try_emplace(pair, Entries.size());
        if (added) Entries.push_back({first, second, 0});
        ++Entries[slot->second].Count;
    }

    std::vector<TEntry> Entries;

  private:
    std::unordered_map<uint64_t, size_t> entryOfPair_;
};

bool IsSuccessfulPage(TPageKeys& pages, const TLogHit& hit) {
    return hit.Status < kFirstErrorStatus && pages.IsPage(hit.UrlKey);
}

bool IsOtherError(uint16_t status) {
    return status >= kFirstRedirectStatus && status != kNotModified && status != kNotFound;
}

// One row per counted path in the order first met, sorted by count.
void WritePathCounts(TVarGrid& grid, const TLogAnalyzer& analyzer, const TKeyCounts& counts,
                     TColumnSetup pathColumn, std::string_view countTitle) {
    SetUpTable(grid, {pathColumn, {countTitle, ctInteger, kCountColumnWidth}},
               static_cast<int>(counts.Entries.size()));
    int row = 1;
    for (const TKeyCounts::TEntry& entry : counts.Entries) {
        grid.SetText(0, row, analyzer.Urls.Get(entry.Key));
        grid.SetInt(1, row, entry.Count);
        ++row;
    }
    grid.SortBy(1, true);
}

void WritePageCounts(TReportContext& context, const TKeyCounts& counts,
                     std::string_view countTitle) {
    const TColumnSetup page{"Page", ctText, WidthBesideCount(context.Grid)};
    WritePathCounts(context.Grid, context.Analyzer, counts, page, countTitle);
}

// Counts each visitor's page chosen by `pick` from the visitor's successful page hits.
template <typename Pick>
void CountVisitorPages(TReportContext& context, std::string_view countTitle, Pick pick) {
    context.Grid.Clear();
    TLogAnalyzer& analyzer = context.Analyzer;
    analyzer.LoadWebPageExts(analyzer.DataFolder);
    TPageKeys pages(analyzer);
    TKeyCounts counts(analyzer.Urls);
    ForEachVisitor(analyzer, [&](int first, int end) {
        const int hit = pick(pages, first, end);
        if (hit >= 0) counts.Add(analyzer.Hits[hit].UrlKey);
    });
    WritePageCounts(context, counts, countTitle);
}

}  // namespace

std::string_view StatusMeaning(int status) {
    const auto found = std::find_if(kStatusMeanings.begin(), kStatusMeanings.end(),
                                    [status](const auto& entry) { return entry.first == status; });
    return found != kStatusMeanings.end() ? found->second : "[Unknown]";
}

void ReportTopEntry(TReportContext& context) {
    CountVisitorPages(context, "Users", [&](TPageKeys& pages, int first, int end) {
        for (int i = first; i < end; ++i)
            if (IsSuccessfulPage(pages, context.Analyzer.Hits[i])) return i;
        return -1;
    });
}

void ReportTopExit(TReportContext& context) {
    CountVisitorPages(context, "Users", [&](TPageKeys& pages, int first, int end) {
        for (int i = end - 1; i >= first; --i)
            if (IsSuccessfulPage(pages, context.Analyzer.Hits[i])) return i;
        return -1;
    });
}

void ReportMostVisited(TReportContext& context) {
    context.Grid.Clear();
    TLogAnalyzer& analyzer = context.Analyzer;
    analyzer.LoadWebPageExts(analyzer.DataFolder);
    TPageKeys pages(analyzer);
    TKeyCounts counts(analyzer.Urls);
    for (int i = 0; i < analyzer.HitCount; ++i)
        if (IsSuccessfulPage(pages, analyzer.Hits[i])) counts.Add(analyzer.Hits[i].UrlKey);
    WritePageCounts(context, counts, "Hits");
}

void ReportMissingFiles(TReportContext& context) {
    context.Grid.Clear();
    const TLogAnalyzer& analyzer = context.Analyzer;
    TKeyCounts counts(analyzer.Urls);
    for (int i = 0; i < analyzer.HitCount; ++i)
        if (analyzer.Hits[i].Status == kNotFound) counts.Add(analyzer.Hits[i].UrlKey);
    WritePathCounts(context.Grid, analyzer, counts, {"URL", ctText, kUrlWidth}, "Hits");
}

void Report404Referrers(TReportContext& context) {
    context.Grid.Clear();
    const TLogAnalyzer& analyzer = context.Analyzer;
    TKeyCounts paths(analyzer.Urls);
    TPairCounts referrers;  // (path entry, referrer key)
    for (int i = 0; i < analyzer.HitCount; ++i) {
        const TLogHit& hit = analyzer.Hits[i];
        if (hit.Status == kNotFound && hit.ReferrerKey != 0)
            referrers.Add(paths.Add(hit.UrlKey), hit.ReferrerKey);
    }
    // Each path's referrers follow it, still in the order they were first met.
    std::stable_sort(referrers.Entries.begin(), referrers.Entries.end(),
                     [](const auto& a, const auto& b) { return a.First < b.First; });

    TVarGrid& grid = context.Grid;
    SetUpTable(grid,
               {{"URL", ctText, kUrlWidth},
                {"Referrer", ctText, kUrlWidth},
                {"Hits", ctInteger, kCountColumnWidth}},
               static_cast<int>(paths.Entries.size() + referrers.Entries.size()));
    int row = 1;
    auto referrer = referrers.Entries.begin();
    for (int32_t path = 0; path < static_cast<int32_t>(paths.Entries.size()); ++path) {
        grid.SetText(0, row, analyzer.Urls.Get(paths.Entries[path].Key));
        grid.SetInt(2, row, paths.Entries[path].Count);
        grid.SetRowTag(row++, 1);
        for (; referrer != referrers.Entries.end() && referrer->First == path; ++referrer, ++row) {
            grid.SetText(1, row, analyzer.Referrers.Get(referrer->Second));
            grid.SetInt(2, row, referrer->Count);
        }
    }
}

void ReportOtherErrors(TReportContext& context) {
    context.Grid.Clear();
    const TLogAnalyzer& analyzer = context.Analyzer;
    TPairCounts errors;  // (path key, status)
    for (int i = 0; i < analyzer.HitCount; ++i) {
        const TLogHit& hit = analyzer.Hits[i];
        if (IsOtherError(hit.Status)) errors.Add(hit.UrlKey, hit.Status);
    }

    TVarGrid& grid = context.Grid;
    SetUpTable(grid,
               {{"URL", ctText, kUrlWidth},
                {"Code", ctInteger, kCountColumnWidth},
                {"Hits", ctInteger, kCountColumnWidth},
                {"Meaning", ctText, kUrlWidth}},
               static_cast<int>(errors.Entries.size()));
    int row = 1;
    for (const TPairCounts::TEntry& error : errors.Entries) {
        grid.SetText(0, row, analyzer.Urls.Get(error.First));
        grid.SetInt(1, row, error.Second);
        grid.SetInt(2, row, error.Count);
        grid.SetText(3, row, StatusMeaning(error.Second));
        ++row;
    }
    grid.SortBy(2, true);
}

}  // namespace vestrel
