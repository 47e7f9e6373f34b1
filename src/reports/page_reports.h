// The page tables (entry, exit and most visited pages) and the error tables (missing files, their
// referrers, other error answers), with the helpers the visitor tables share with them: table
// set-up, walking the store visitor by visitor, and answers kept per interned key.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string_view>
#include <vector>

#include "reports/referrer_reports.h"
#include "reports/report_context.h"

namespace vestrel {

void ReportTopEntry(TReportContext& context);
void ReportTopExit(TReportContext& context);
void ReportMostVisited(TReportContext& context);
void ReportMissingFiles(TReportContext& context);
void Report404Referrers(TReportContext& context);
void ReportOtherErrors(TReportContext& context);

// The meaning of an HTTP status as the error table shows it; "[Unknown]" for an unlisted status.
std::string_view StatusMeaning(int status);

// Width of a count column, and of a text column that fills the table beside one.
constexpr int kCountColumnWidth = 50;
inline int WidthBesideCount(const TVarGrid& grid) {
    return grid.TableWidth - 75;
}

struct TColumnSetup {
    std::string_view Title;
    TCellType Type;
    int Width;
};

// Gives the table these columns and `dataRows` data rows (one empty row when there are none).
void SetUpTable(TVarGrid& grid, std::initializer_list<TColumnSetup> columns, int dataRows);

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

// IsPage answered once per path key: the extension test is too costly to repeat for every hit.
class TPageKeys {
  public:
    explicit TPageKeys(const TLogAnalyzer& analyzer);
    bool IsPage(int32_t urlKey) { return isPage_[urlKey] != 0; }

  private:
    TKeyMemo<uint8_t> isPage_;
};

}  // namespace vestrel
