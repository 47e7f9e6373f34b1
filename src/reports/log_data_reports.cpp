#include "reports/log_data_reports.h"

namespace vestrel {

namespace {

struct TLogDataColumn {
    const char* Title;
    TCellType Type;
};
constexpr TLogDataColumn kLogDataLayout[kLogDataColumns] = {
    {"Remote Host", ctText}, {"Login", ctText},     {"User Name", ctText}, {"Date", ctDateTime},
    {"Request", ctText},     {"Status", ctInteger}, {"Bytes", ctInteger},  {"Referrer", ctText},
    {"User Agent", ctText},  {"UID", ctInteger},
};

// Writes hit `hitIndex` into the grid's last row and opens a new empty row after it.
void AppendHitRow(TVarGrid& grid, const TLogAnalyzer& analyzer, int hitIndex) {
    const int row = grid.RowCount() - 1;
    const TLogHit& hit = analyzer.Hits[hitIndex];
    grid.SetText(0, row, analyzer.HostText(hit));
    grid.SetText(1, row, "-");
    grid.SetText(2, row, analyzer.UserText(hit));
    grid.SetDateTime(3, row, hit.Time);
    grid.SetText(4, row, MethodAndPath(hit.Method, analyzer.UrlText(hit)));
    grid.SetInt(5, row, hit.Status);
    grid.SetInt(6, row, hit.Bytes);
    grid.SetText(7, row, analyzer.ReferrerText(hit));
    grid.SetText(8, row, analyzer.AgentText(hit));
    grid.SetInt(9, row, hit.Uid);
    grid.SetRowCount(row + 2);
}

}  // namespace

void DefineLogDataColumns(TVarGrid& grid, const TLogDataWidths& widths) {
    grid.SetColCount(static_cast<int>(kLogDataColumns));
    grid.SetRowCount(2);
    for (size_t col = 0; col < kLogDataColumns; ++col)
        DefineColumn(grid, static_cast<int>(col), kLogDataLayout[col].Title,
                     kLogDataLayout[col].Type, widths[col]);
}

void ReportLogData(TReportContext& context) {
    context.Grid.Clear();
    DefineLogDataColumns(context.Grid, kDefaultLogDataWidths);
}

int ListFilteredHits(TVarGrid& grid, const TLogAnalyzer& analyzer, TFilterData filter) {
    PrepareFilter(filter);
    bool tracking = false;
    int32_t trackedUid = 0;
    for (int i = 0; i < analyzer.HitCount; ++i) {
        const TLogHit& hit = analyzer.Hits[i];
        if (tracking && hit.Uid == trackedUid) {
            AppendHitRow(grid, analyzer, i);
            continue;
        }
        tracking = false;
        const THitTexts texts{analyzer.HostText(hit), analyzer.UserText(hit), analyzer.UrlText(hit),
                              analyzer.ReferrerText(hit), analyzer.AgentText(hit)};
        if (!MatchFilter(filter, hit, texts)) continue;
        AppendHitRow(grid, analyzer, i);
        if (grid.RowCount() - 2 >= kMaxFilteredRows) break;
        if (filter.TrackUser) {
            tracking = true;
            trackedUid = hit.Uid;
        }
    }
    grid.SetRowCount(grid.RowCount() - 1);
    return grid.RowCount() - 1;
}

}  // namespace vestrel
