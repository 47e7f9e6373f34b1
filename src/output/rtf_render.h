// The RTF text of a report table: the block an RTF export appends per report, its parts, and the
// framing of the export file. Every inserted text is escaped so that no log text can end a group
// or start a control word.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "reports/var_grid.h"

namespace vestrel {

// The text as RTF: "\", "{" and "}" escaped, control characters as blanks, UTF-8 characters of
// code page 1252 and other bytes above 127 as \'hh, other characters as \uN?.
std::string RtfEscape(std::string_view text);

// The tab stops of the grid's columns spread over `widthCm` centimetres, then the table font.
std::string RtfTabStops(const TVarGrid& grid, double widthCm);
// The column headings in bold, one tab apart.
std::string RtfHeadingLine(const TVarGrid& grid);
// The cells of data row `row`, one tab apart; a blank or empty text cell is an empty field.
std::string RtfDataLine(const TVarGrid& grid, int row);
// The number of cells of a row that a tab-separated line writes: up to the last one that is
// neither blank nor an empty text.
int TabbedCellCount(const TVarGrid& grid, int row);
// Whether a cell is written as an empty field.
bool IsEmptyField(const TVarGrid& grid, int col, int row);
// Tab stops, heading line and every data line.
std::string RtfTable(const TVarGrid& grid, double widthCm);
// The block of one report in an RTF export: the title in bold 16 point, then the table.
std::string RenderRtfReport(const TVarGrid& grid, const std::string& title);

// The export file's header (255 bytes: fonts, colours, A4 landscape, margins).
std::string RtfFileHeader();
// The clipboard copy's header: the file header without the paper size.
std::string RtfClipboardHeader();
inline constexpr std::string_view kRtfPageBreak = "\\par \\page ";
// A file of this size holds a report already, so the next one starts on a new page.
inline constexpr std::uintmax_t kRtfPageBreakFrom = 272;
// Closes the open groups; the zero byte ends the file as it ends the clipboard text.
inline constexpr std::string_view kRtfFileTail{"\\par}}\0", 7};

}  // namespace vestrel
