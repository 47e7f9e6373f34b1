#include "reports/server_reports.h"

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

#include "engine/text_util.h"
#include "reports/page_reports.h"
#include "reports/report_format.h"
#include "reports/report_index.h"

namespace vestrel {

namespace {

constexpr int kTextWidth = 200;
constexpr int kBytesWidth = 90;
constexpr int kShareWidth = 70;
constexpr std::string_view kNoFileType = "(none)";

struct TCount {
    int32_t Hits = 0;
    double Bytes = 0;
    void Add(const TLogHit& hit) {
        ++Hits;
        Bytes += hit.Bytes;
    }
};

// Status classes 1xx to 5xx; anything else (0 for "-", or 600 and above) is class 0.
constexpr int kClassCount = 6;
constexpr std::array<std::string_view, kClassCount> kClassMeanings = {
    "Other", "Informational", "Success", "Redirection", "Client Error", "Server Error"};

int ClassOf(int status) {
    const int statusClass = status / 100;
    return statusClass >= 1 && statusClass < kClassCount ? statusClass : 0;
}

std::string ClassLabel(int statusClass) {
    return statusClass == 0 ? std::string("other") : std::to_string(statusClass) + "xx";
}

// The statuses the error table has no meaning for, since it never lists them.
constexpr std::array<std::pair<int, std::string_view>, 16> kMoreMeanings = {{
    {100, "Continue"},
    {101, "Switching Protocols"},
    {200, "OK"},
    {201, "Created"},
    {202, "Accepted"},
    {207, "Multi-Status"},
    {304, "Not Modified"},
    {307, "Temporary Redirect"},
    {308, "Permanent Redirect"},
    {416, "Range Not Satisfiable"},
    {421, "Misdirected Request"},
    {422, "Unprocessable Content"},
    {426, "Upgrade Required"},
    {429, "Too Many Requests"},
    {431, "Request Header Fields Too Large"},
    {444, "No Response"},
}};

std::string_view StatusCodeMeaning(int status) {
    if (status == 0) return "(none)";
    for (const auto& [code, meaning] : kMoreMeanings)
        if (code == status) return meaning;
    return StatusMeaning(status);
}

void WriteCountRow(TVarGrid& grid, int row, const TCount& count, int32_t total) {
    grid.SetInt(2, row, count.Hits);
    grid.SetFloat(3, row, SafeDiv(total, count.Hits));
    grid.SetFloat(4, row, count.Bytes);
}

}  // namespace

void ReportStatusCodes(TReportContext& context) {
    TVarGrid& grid = context.Grid;
    grid.Clear();
    const TLogAnalyzer& a = context.Analyzer;
    std::vector<TCount> byStatus(UINT16_MAX + 1);
    for (int i = 0; i < a.HitCount; ++i) byStatus[a.Hits[i].Status].Add(a.Hits[i]);

    std::array<TCount, kClassCount> classes{};
    int statusRows = 0;
    for (size_t status = 0; status < byStatus.size(); ++status) {
        const TCount& count = byStatus[status];
        if (count.Hits == 0) continue;
        TCount& total = classes[ClassOf(static_cast<int>(status))];
        total.Hits += count.Hits;
        total.Bytes += count.Bytes;
        ++statusRows;
    }
    const int classRows = static_cast<int>(
        std::count_if(classes.begin(), classes.end(), [](const TCount& c) { return c.Hits > 0; }));

    SetUpTable(grid,
               {{"Code", ctText, kCountColumnWidth},
                {"Meaning", ctText, kTextWidth},
                {"Hits", ctInteger, kCountColumnWidth},
                {"Hits %", ctPercent, kShareWidth},
                {"Bytes", ctFloat, kBytesWidth}},
               statusRows + classRows);
    grid.SetColDecimals(4, 0);
    const int level = grid.AddSubGroupLevel();
    int row = 1;
    // The classes in order 1xx..5xx, the unclassed last; each status under its class.
    for (int step = 1; step <= kClassCount; ++step) {
        const int statusClass = step % kClassCount;
        if (classes[statusClass].Hits == 0) continue;
        grid.AddSubGroupRow(row, level);
        grid.SetRowTag(row, 1);
        grid.SetText(0, row, ClassLabel(statusClass));
        grid.SetText(1, row, kClassMeanings[statusClass]);
        WriteCountRow(grid, row++, classes[statusClass], a.HitCount);
        for (size_t status = 0; status < byStatus.size(); ++status) {
            if (byStatus[status].Hits == 0 || ClassOf(static_cast<int>(status)) != statusClass)
                continue;
            grid.SetText(0, row, std::to_string(status));
            grid.SetText(1, row, StatusCodeMeaning(static_cast<int>(status)));
            WriteCountRow(grid, row++, byStatus[status], a.HitCount);
        }
    }
    grid.ShowSubGroupLevel(0);
    grid.SortBy(2, true);
}

std::string FileTypeOf(std::string_view path) {
    path = path.substr(0, path.find('?'));
    const size_t slash = path.rfind('/');
    if (slash != std::string_view::npos) path.remove_prefix(slash + 1);
    const size_t dot = path.rfind('.');
    if (dot == std::string_view::npos || dot + 1 == path.size()) return std::string(kNoFileType);
    return LowerAscii(path.substr(dot + 1));
}

void ReportFileTypes(TReportContext& context) {
    TVarGrid& grid = context.Grid;
    grid.Clear();
    const TLogAnalyzer& a = context.Analyzer;
    std::vector<std::string> types;
    TFirstMetIndex<std::string_view> typeIndex;
    // Each distinct path is typed once; the views point into `types`, which only grows at its end
    // and is reserved first so that they stay valid.
    types.reserve(a.Urls.Count() + 1);
    TKeyMemo<int32_t> typeOfPath(a.Urls, -1);
    std::vector<TCount> counts;
    for (int i = 0; i < a.HitCount; ++i) {
        const TLogHit& hit = a.Hits[i];
        int32_t& type = typeOfPath[hit.UrlKey];
        if (type < 0) {
            std::string text = FileTypeOf(a.UrlText(hit));
            type = typeIndex.Find(text);
            if (type < 0) {
                types.push_back(std::move(text));
                type = typeIndex.Add(types.back());
                counts.emplace_back();
            }
        }
        counts[type].Add(hit);
    }
    SetUpTable(grid,
               {{"Extension", ctText, kTextWidth},
                {"Hits", ctInteger, kCountColumnWidth},
                {"Bytes", ctFloat, kBytesWidth},
                {"Hits %", ctPercent, kShareWidth}},
               static_cast<int>(types.size()));
    grid.SetColDecimals(2, 0);
    for (size_t type = 0; type < types.size(); ++type) {
        const int row = static_cast<int>(type) + 1;
        grid.SetText(0, row, types[type]);
        grid.SetInt(1, row, counts[type].Hits);
        grid.SetFloat(2, row, counts[type].Bytes);
        grid.SetFloat(3, row, SafeDiv(a.HitCount, counts[type].Hits));
    }
    grid.SortBy(1, true);
}

}  // namespace vestrel
