// The page tables (entry, exit and most visited pages) and the error tables (missing files, their
// referrers, other error answers).
#pragma once

#include <string_view>

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

}  // namespace vestrel
