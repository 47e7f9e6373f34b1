#include "output/clipboard_render.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

#include "engine/text_encoding.h"
#include "output/rtf_render.h"

namespace vestrel {

namespace {

// The number pictures P0 to P35 and the fonts, as spreadsheets write them.
constexpr std::array<std::string_view, 44> kSylkPreamble = {
    R"(ID;PWXL;N;E)",
    R"(P;PGeneral)",
    R"(P;P0)",
    R"(P;P0.00)",
    R"(P;P#,##0)",
    R"(P;P#,##0.00)",
    R"(P;P#,##0\ _k_r;;\-#,##0\ _k_r)",
    R"(P;P#,##0\ _k_r;;[Red]\-#,##0\ _k_r)",
    R"(P;P#,##0.00\ _k_r;;\-#,##0.00\ _k_r)",
    R"(P;P#,##0.00\ _k_r;;[Red]\-#,##0.00\ _k_r)",
    R"(P;P#,##0\ "$";;\-#,##0\ "$")",
    R"(P;P#,##0\ "$";;[Red]\-#,##0\ "$")",
    R"(P;P#,##0.00\ "$";;\-#,##0.00\ "$")",
    R"(P;P#,##0.00\ "$";;[Red]\-#,##0.00\ "$")",
    R"(P;P0%)",
    R"(P;P0.00%)",
    R"(P;P0.00E+00)",
    R"(P;P##0.0E+0)",
    R"(P;P#" "?/?)",
    R"(P;P#" "??/??)",
    R"(P;Pyy/mm/dd)",
    R"(P;Pdd/mmm/yy)",
    R"(P;Pdd/mmm)",
    R"(P;Pmmm/yy)",
    R"(P;Ph:mm\ AM/PM)",
    R"(P;Ph:mm:ss\ AM/PM)",
    R"(P;Phh:mm)",
    R"(P;Phh:mm:ss)",
    R"(P;Pyy/mm/dd\ hh:mm)",
    R"(P;Pmm:ss)",
    R"(P;Pmm:ss.0)",
    R"(P;P@)",
    R"(P;P[h]:mm:ss)",
    R"(P;P_-* #,##0\ "$"_-;;\-* #,##0\ "$"_-;;_-* "-"\ "$"_-;;_-@_-)",
    R"(P;P_-* #,##0\ _k_r_-;;\-* #,##0\ _k_r_-;;_-* "-"\ _k_r_-;;_-@_-)",
    R"(P;P_-* #,##0.00\ "$"_-;;\-* #,##0.00\ "$"_-;;_-* "-"??\ "$"_-;;_-@_-)",
    R"(P;P_-* #,##0.00\ _k_r_-;;\-* #,##0.00\ _k_r_-;;_-* "-"??\ _k_r_-;;_-@_-)",
    R"(P;FArial;M200)",
    R"(P;FArial;M200;SB)",
    R"(P;FArial;M200;SI)",
    R"(P;FArial;M200;SBI)",
    R"(P;EArial;M200)",
    R"(P;EArial;M200;SB)",
    R"(P;EArial;M200)",
};

// Pictures of the preamble: percent, date, date and time, duration.
constexpr int kPercentPicture = 14;
constexpr int kDatePicture = 19;
constexpr int kDateTimePicture = 27;
constexpr int kDurationPicture = 31;

// A number with "." as decimal separator whatever the locale: with `decimals` decimals, or
// with as many as it takes to read the same value back when `decimals` is negative.
std::string SylkNumber(double value, int decimals) {
    char buffer[400];
    const auto result = decimals < 0 ? std::to_chars(buffer, buffer + sizeof buffer, value,
                                                     std::chars_format::fixed)
                                     : std::to_chars(buffer, buffer + sizeof buffer, value,
                                                     std::chars_format::fixed, decimals);
    return std::string(buffer, result.ptr);
}

// A text in double quotes; ";" is doubled as the format requires and TAB becomes a blank.
std::string SylkText(std::string_view text) {
    std::string quoted = "\"";
    for (char ch : PrintableUtf8(text)) {
        if (ch == ';') quoted += ';';
        quoted += static_cast<unsigned char>(ch) < 0x20 ? ' ' : ch;
    }
    return quoted + "\"";
}

class TSylkWriter {
  public:
    void Record(const std::string& record) { text_ += record + "\r\n"; }
    void Cell(int n, const std::string& value) { Record("C;X" + std::to_string(n) + ";K" + value); }
    // A picture for the cell at (y, n), then the value, which goes where the picture went.
    void PictureCell(int picture, int y, int n, const std::string& value) {
        Record("F;P" + std::to_string(picture) + ";FG0G;Y" + std::to_string(y) + ";X" +
               std::to_string(n));
        Record("C;K" + value);
    }
    std::string Finish() { return text_ + "E"; }

  private:
    std::string text_;
};

void WriteSylkHeadings(const TVarGrid& grid, TSylkWriter& sylk) {
    sylk.Record("F;SM7;Y1;X1");
    for (int c = 0; c < grid.ColCount(); ++c) {
        const int n = c + 1;
        sylk.Record("F;SDM6;X" + std::to_string(n));
        sylk.Cell(n, SylkText(grid.GetText(c, 0)));
    }
}

void WriteSylkCell(const TVarGrid& grid, int col, int row, TSylkWriter& sylk) {
    const int n = col + 1;
    const int y = row + 1;
    switch (grid.GetCellType(col, row)) {
        case ctInteger:
        case ctFloat:
            sylk.Cell(n, SylkNumber(grid.GetFloat(col, row), 2));
            return;
        case ctPercent:
            sylk.Record("F;P" + std::to_string(kPercentPicture) + ";F%2G;X" + std::to_string(n));
            // The whole fraction: two decimals of it would show 24.28 % as 24.00 %.
            sylk.Record("C;K" + SylkNumber(grid.GetFloat(col, row), -1));
            return;
        case ctDate:
            // The day the grid shows; rounding would move afternoon values to the next day.
            sylk.PictureCell(kDatePicture, y, n, SylkNumber(std::floor(grid.GetDate(col, row)), 0));
            return;
        case ctDateTime:
            sylk.PictureCell(kDateTimePicture, y, n, SylkNumber(grid.GetDate(col, row), -1));
            return;
        case ctTime:
            sylk.PictureCell(kDurationPicture, y, n, SylkNumber(grid.GetDate(col, row), -1));
            return;
        case ctText:
            if (grid.IsGroupRow(row)) sylk.Record("F;SDM6;X" + std::to_string(n));
            sylk.Cell(n, SylkText(grid.GetText(col, row)));
            return;
        case ctBlank:
        case ctEmptyText:
            return;
    }
}

// A cell text for the plain-text copy, with TAB, which would split the cell, as a blank.
std::string PlainCellText(std::string_view text) {
    std::string printable = PrintableUtf8(text);
    std::replace(printable.begin(), printable.end(), '\t', ' ');
    return printable;
}

}  // namespace

std::string ClipboardRtf(const TVarGrid& grid) {
    return RtfClipboardHeader() + RtfTable(grid, 18) + "\\par}}";
}

std::string ClipboardSylk(const TVarGrid& grid) {
    TSylkWriter sylk;
    for (std::string_view record : kSylkPreamble) sylk.Record(std::string(record));
    WriteSylkHeadings(grid, sylk);
    for (int r = 1; r < grid.RowCount(); ++r) {
        sylk.Record("F;SM7;Y" + std::to_string(r + 1) + ";X1");
        for (int c = 0; c < grid.ColCount(); ++c) WriteSylkCell(grid, c, r, sylk);
    }
    return sylk.Finish();
}

std::string ClipboardText(const TVarGrid& grid) {
    std::string text;
    for (int r = 0; r < grid.RowCount(); ++r) {
        const int count = TabbedCellCount(grid, r);
        for (int c = 0; c < count; ++c) {
            if (!IsEmptyField(grid, c, r)) text += PlainCellText(grid.GetText(c, r));
            text += '\t';
        }
        text += "\r\n";
    }
    return text;
}

TClipboardCopy CopyToClipboard(const TVarGrid& grid) {
    return {ClipboardRtf(grid), ClipboardSylk(grid), ClipboardText(grid)};
}

}  // namespace vestrel
