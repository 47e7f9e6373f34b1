// The HTML text of a report table: the table itself, the page the HTML view shows and the lines
// that frame an exported HTML file.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "reports/var_grid.h"

namespace vestrel {

// The text with &, <, >, " and ' written as character references.
std::string HtmlEscape(std::string_view text);

// The lines of the table of the grid under the title; every inserted text is escaped.
std::vector<std::string> RenderHtmlTable(const TVarGrid& grid, const std::string& title);

// The page the HTML view shows for the grid: the table between "<BODY><HTML>" and
// "</HTML></BODY>".
std::vector<std::string> HtmlViewPage(const TVarGrid& grid, const std::string& title);

// The first line of an exported HTML file, and the lines that close it after the last table.
inline constexpr std::string_view kHtmlFileStart = "<BODY><HTML>";
std::vector<std::string> HtmlFileEnd();

// The link to the program's home page every exported HTML file ends with.
std::string HtmlCreditLine();

}  // namespace vestrel
