// The visitor tables: hits and visitors per top-level domain, domain, browser and operating
// system, per authenticated user name, and the paths through the site that several visitors took.
#pragma once

#include "reports/report_context.h"

namespace vestrel {

void ReportTopDomains(TReportContext& context);
void ReportDomains(TReportContext& context);
void ReportBrowsers(TReportContext& context);
void ReportOperatingSystems(TReportContext& context);
void ReportAuthUsers(TReportContext& context);
void ReportPaths(TReportContext& context);

}  // namespace vestrel
