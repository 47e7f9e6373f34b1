// The frame of an exported HTML file: a self-contained HTML5 document whose head holds the title
// and an embedded style sheet, whose body opens with a heading and a table of contents, holds one
// section per statistic and ends with the credit line.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/date_time.h"

namespace vestrel {

// What the heading says about the loaded logs; every field may be unknown.
struct TExportHeading {
    std::string ReportName;  // "Vestrel report" when empty
    std::string Domain;
    std::optional<TDateTime> FirstHit;
    std::optional<TDateTime> LastHit;
};

inline constexpr std::string_view kDefaultReportName = "Vestrel report";

// The id of the section of the statistic at `index` (from 1) in the table of contents.
std::string StatisticAnchor(int index);

// The lines up to the first statistic, the table of contents linking `titles` in order.
std::vector<std::string> HtmlExportStart(const TExportHeading& heading,
                                         const std::vector<std::string>& titles);
// The lines that open and close the section of the statistic at `index`.
std::string HtmlSectionStart(int index);
inline constexpr std::string_view kHtmlSectionEnd = "</section>";
// The credit line and the end of the document.
std::vector<std::string> HtmlExportEnd();

}  // namespace vestrel
