// The HTML text of a report table: the table itself and the page the HTML view shows.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "reports/var_grid.h"

namespace vestrel {

// The text with &, <, >, " and ' written as character references.
std::string HtmlEscape(std::string_view text);
// Log text as escaped UTF-8 (PrintableUtf8).
std::string HtmlLogText(std::string_view text);

// The lines of the table of the grid under the title; every inserted text is escaped UTF-8
// (PrintableUtf8). A
// `maxDataRows` of 0 or more renders only that many data rows.
std::vector<std::string> RenderHtmlTable(const TVarGrid& grid, const std::string& title,
                                         int maxDataRows = -1);

// The page the HTML view shows for the grid: the table between "<BODY><HTML>" and
// "</HTML></BODY>". With `maxDataRows`, the rows after that many are left out and a line after
// the table says how many there are.
std::vector<std::string> HtmlViewPage(const TVarGrid& grid, const std::string& title,
                                      int maxDataRows = -1);

// The link to the program's home page every exported HTML file ends with.
std::string HtmlCreditLine();

}  // namespace vestrel
