// Hits, visitors, time spent and bandwidth spread over weekdays, hours, days, weeks and months.
#pragma once

#include "reports/report_context.h"

namespace vestrel {

// Week of the year, Monday to Sunday: week 1 holds the year's first Thursday, the days before it
// are week 53 and late December goes on counting (52 or 53).
int WeekNumber(double t);

void ReportWeekday(TReportContext& context);
void ReportHourOfDay(TReportContext& context);
void ReportDailyAccess(TReportContext& context);
void ReportWeeklyAccess(TReportContext& context);
void ReportMonthlyAccess(TReportContext& context);

}  // namespace vestrel
