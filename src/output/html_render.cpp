#include "output/html_render.h"

#include <algorithm>

#include "engine/text_encoding.h"
#include "engine/text_util.h"
#include "output/credit.h"

namespace vestrel {

namespace {

constexpr std::string_view kPageStart = "<BODY><HTML>";
constexpr std::string_view kPageEnd = "</HTML></BODY>";
constexpr std::string_view kCellFont = "<FONT SIZE=2 FACE=\"Arial\" COLOR=\"000000\">";

// One cell line around markup that is already escaped.
std::string CellLine(const TVarGrid& grid, int col, const std::string& html, bool bold) {
    const char* align = grid.GetColType(col) == ctText ? "LEFT" : "RIGHT";
    std::string line = std::string("<TD  ALIGN =\"") + align + "\" >" + std::string(kCellFont);
    line += bold ? "<B>" + html + "</B>" : html;
    return line + "</FONT></TD>";
}

void AddTitleRows(const TVarGrid& grid, const std::string& title, std::vector<std::string>& lines) {
    lines.push_back("<CENTER><TABLE BORDER=1 CELLSPACING=0 WIDTH=90%>");
    lines.push_back("<TR BGCOLOR=\"FFDD00\">");
    lines.push_back("<TD COLSPAN=" + std::to_string(grid.ColCount()) +
                    " ROWSPAN=1 NOWRAP><FONT SIZE=+1 FACE=\"Arial\" COLOR=\"000000\">");
    lines.push_back("<CENTER><B>" + HtmlLogText(title) +
                    " </FONT><br><FONT SIZE=-2></FONT></B></CENTER>");
    lines.push_back("</TD></TR>");
    lines.push_back("<TR   BGCOLOR=\"AFAFAF\">");
    for (int c = 0; c < grid.ColCount(); ++c)
        lines.push_back(CellLine(grid, c, HtmlLogText(grid.GetText(c, 0)), true));
    lines.push_back("</TR>");
}

void AddDataRow(const TVarGrid& grid, int row, std::vector<std::string>& lines) {
    lines.push_back(row % 2 == 1 ? "<TR   BGCOLOR=\"FFFFFF\">" : "<TR   BGCOLOR=\"F0F0F0\">");
    const bool groupRow = grid.IsGroupRow(row);
    for (int c = 0; c < grid.ColCount(); ++c) {
        const std::string text = grid.GetText(c, row);
        const std::string_view shown = Trim(text);
        lines.push_back(CellLine(grid, c, shown.empty() ? "&nbsp;" : HtmlLogText(shown), groupRow));
    }
    lines.push_back("</TR>");
}

}  // namespace

std::string HtmlEscape(std::string_view text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (char ch : text) {
        switch (ch) {
            case '&':
                escaped += "&amp;";
                break;
            case '<':
                escaped += "&lt;";
                break;
            case '>':
                escaped += "&gt;";
                break;
            case '"':
                escaped += "&quot;";
                break;
            case '\'':
                escaped += "&#39;";
                break;
            default:
                escaped += ch;
        }
    }
    return escaped;
}

std::string HtmlLogText(std::string_view text) {
    return HtmlEscape(PrintableUtf8(text));
}

std::vector<std::string> RenderHtmlTable(const TVarGrid& grid, const std::string& title,
                                         int maxDataRows) {
    std::vector<std::string> lines;
    AddTitleRows(grid, title, lines);
    const int end = maxDataRows < 0 ? grid.RowCount() : std::min(grid.RowCount(), maxDataRows + 1);
    for (int r = 1; r < end; ++r) AddDataRow(grid, r, lines);
    lines.push_back("</TABLE>");
    lines.push_back("</CENTER>");
    return lines;
}

std::vector<std::string> HtmlViewPage(const TVarGrid& grid, const std::string& title,
                                      int maxDataRows) {
    std::vector<std::string> lines = {std::string(kPageStart)};
    const std::vector<std::string> table = RenderHtmlTable(grid, title, maxDataRows);
    lines.insert(lines.end(), table.begin(), table.end());
    const int dataRows = grid.RowCount() - 1;
    if (maxDataRows >= 0 && dataRows > maxDataRows)
        lines.push_back(
            "<P><FONT SIZE=2 FACE=\"Arial\">The first " + std::to_string(maxDataRows) + " of " +
            std::to_string(dataRows) +
            " rows; the list view, printing and the exports hold every row.</FONT></P>");
    lines.emplace_back(kPageEnd);
    return lines;
}

std::string HtmlCreditLine() {
    return std::string("Created with <A HREF=\"") + kVestrelHomePage +
           "\">Vestrel Log File Analyzer</A>";
}

}  // namespace vestrel
