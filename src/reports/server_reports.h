// What the server answered: the hits by HTTP status, grouped by status class, and by the
// requested file's type.
#pragma once

#include <string>
#include <string_view>

#include "reports/report_context.h"

namespace vestrel {

void ReportStatusCodes(TReportContext& context);
void ReportFileTypes(TReportContext& context);

// The file type of a requested path: the lower-cased text after the last "." of its last
// segment, the query left out; "(none)" when there is none.
std::string FileTypeOf(std::string_view path);

}  // namespace vestrel
