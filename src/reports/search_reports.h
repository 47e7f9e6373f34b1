// Which search engines sent visitors, with which phrases and keywords, and how often those
// visitors went on to a target page.
#pragma once

#include "reports/report_context.h"

namespace vestrel {

void ReportSearchEngines(TReportContext& context);
void ReportPhrasesPerEngine(TReportContext& context);
void ReportPhrases(TReportContext& context);
void ReportKeywords(TReportContext& context);

}  // namespace vestrel
