// Where the visitors came from and whether they went on to the report's targets: the referring
// domains, pages and URLs, the referrers per requested page and per target, and the targets one
// referrer led to.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "reports/report_context.h"

namespace vestrel {

void ReportRefDomains(TReportContext& context);
void ReportRefPages(TReportContext& context);
void ReportRefUrls(TReportContext& context);
void ReportPageReferring(TReportContext& context);
void ReportTargetReferring(TReportContext& context);

// The Targets dialog's list: every target reached after a referral whose referrer contains
// `referrerPart`, in the order first met, with the number of such target hits.
std::vector<std::pair<std::string, int>> ComputeReachedTargets(TLogAnalyzer& analyzer,
                                                               bool excludeSearch,
                                                               std::string_view referrerPart);
// "Show targets" applies to a row of the domain, page or URL table whose "Targets" is above 0.
bool ShowTargetsEnabled(const TVarGrid& grid, int row);

}  // namespace vestrel
