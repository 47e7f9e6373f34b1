// The two views of the raw hits: the log data (every hit, drawn on demand) and the filtered log
// data (the hits that pass a filter, listed into a report table).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "engine/log_filter.h"
#include "reports/report_context.h"

namespace vestrel {

constexpr size_t kLogDataColumns = 10;
// The report kinds of the log data view and of the filtered log data.
constexpr uint8_t kLogDataKind = 9;
constexpr uint8_t kFilteredLogDataKind = 10;
constexpr int kMaxFilteredRows = 999;
using TLogDataWidths = std::array<int, kLogDataColumns>;
inline constexpr TLogDataWidths kDefaultLogDataWidths = {100, 50, 70,  100, 200,
                                                         50,  50, 150, 150, 50};

// The ten log-data columns ("Remote Host" .. "UID") with the given widths.
void DefineLogDataColumns(TVarGrid& grid, const TLogDataWidths& widths);
// The log data view's table: its titles and one empty row (the hits themselves are drawn from the
// store by the view).
void ReportLogData(TReportContext& context);
// Fills the grid with the hits that pass the filter, in store order, and with "Track users" the
// following hits of each matching visitor; stops after 999 rows (never inside a tracked run).
// Answers the number of rows listed.
int ListFilteredHits(TVarGrid& grid, const TLogAnalyzer& analyzer, TFilterData filter);

}  // namespace vestrel
