// Report definitions as JSON: an object with the fields of Reports.DAT under their table names
// and "Filters", an array of objects with the fields of Filters.DAT. Dates are "YYYY-MM-DD" texts
// (a day count is accepted too); memos are plain texts with their CR LF line ends. Objects keep
// the fields in table order.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "shell/report_store.h"

namespace vestrel {

nlohmann::ordered_json ReportToJson(const TReportDefinition& definition);

// One definition object or an array of them. A missing field takes the value of a new report or
// filter; ID and FilterID are the store's to give and are ignored, as are the filter columns
// without a meaning (ID, TimeFrom, TimeTo). Raises EVestrelError naming the definition and the
// field for a wrong type, a value out of range, an unknown field or a missing Name.
std::vector<TReportDefinition> ReportsFromJson(const nlohmann::ordered_json& document);
std::vector<TReportDefinition> ReportsFromJsonText(std::string_view text);

// Indented JSON text; bytes that are no UTF-8 become U+FFFD rather than failing.
std::string JsonText(const nlohmann::ordered_json& document);

}  // namespace vestrel
