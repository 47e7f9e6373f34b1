// The general summary of the opened log and the day-by-day span of one page of the site tree.
#pragma once

#include "reports/report_context.h"
#include "reports/var_grid.h"

namespace vestrel {

// The local date and time the summary reports as its generation time.
double ReportClockNow();
// Fixes ReportClockNow() to `now`; 0 returns to the real clock.
void SetReportClockForTests(double now);

// Twenty rows of totals and averages under the headings "Time", "Access" and "Average".
void ReportGeneral(TReportContext& context);
// One row per day over the last Settings.LastDaysToShow days of the log (at most 365) for the hits
// whose path contains DaySpanPath, then a spacer, "Total" and "Average".
void ReportDaySpan(TReportContext& context);
// The day span's sort handler: keeps the spacer, "Total" and "Average" rows out of the sort.
void NarrowDaySpanSort(TVarGrid& grid, int& firstRow, int& lastRow);

}  // namespace vestrel
