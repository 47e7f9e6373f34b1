// Who sent the hits: every host with its traffic and visits, the robots among the visitors, and
// the countries the hosts lie in.
#pragma once

#include <string>
#include <string_view>

#include "reports/report_context.h"

namespace vestrel {

void ReportHosts(TReportContext& context);
void ReportRobots(TReportContext& context);
void ReportCountries(TReportContext& context);

// The Countries row a host counts in, "Name (CODE)": a numeric host by the packaged GeoIP data,
// a host name by its top-level domain; "[Unknown]" when neither places it.
std::string CountryCaption(const TReferenceLists& lists, std::string_view host);

}  // namespace vestrel
