#include "output/rtf_render.h"

#include <cmath>
#include <cstdio>

#include "engine/text_encoding.h"
#include "reports/report_format.h"

namespace vestrel {

namespace {

constexpr double kTwipsPerCm = 568;
constexpr std::string_view kTab = "\\tab ";
constexpr std::string_view kTableFont = "\\plain\\lang2057\\f2\\fs16 ";
constexpr std::string_view kHeaderStart =
    "{\\rtf1\\ansi\\deff0\\deftab720{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\froman\\fcharset2 "
    "Symbol;}{\\f2\\fswiss\\fprq2 Arial;}{\\f3\\fswiss\\fcharset1 Arial;}{\\f4\\fswiss\\fprq2 "
    "System;}}{\\colortbl\\red0\\green0\\blue0;}";
constexpr std::string_view kA4Landscape = "\\paperw16838\\paperh11906";
constexpr std::string_view kHeaderEnd = "\\margl848\\margr565\\deflang1053\\pard";

// The code page 1252 byte of a character, or -1.
int Cp1252Byte(char32_t ch) {
    if (ch >= 0xA0 && ch <= 0xFF) return static_cast<int>(ch);
    for (int i = 0; i < 32; ++i)
        if (kCp1252High[i] != 0 && kCp1252High[i] == ch) return 0x80 + i;
    return -1;
}

void AppendHexByte(std::string& out, int byte) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "\\'%02x", byte & 0xFF);
    out += hex;
}

// \uN with N the signed 16-bit unit, then "?" for readers without Unicode.
void AppendUnicodeUnit(std::string& out, char32_t unit) {
    out += "\\u" + std::to_string(static_cast<int16_t>(static_cast<uint16_t>(unit))) + "?";
}

void AppendCharacter(std::string& out, char32_t ch) {
    const int byte = Cp1252Byte(ch);
    if (byte >= 0) {
        AppendHexByte(out, byte);
    } else if (ch <= 0xFFFF) {
        AppendUnicodeUnit(out, ch);
    } else {
        ch -= 0x10000;
        AppendUnicodeUnit(out, 0xD800 + (ch >> 10));
        AppendUnicodeUnit(out, 0xDC00 + (ch & 0x3FF));
    }
}

// A twips position: rounded to the nearest integer, halves to the even neighbour.
std::string Twips(double value) {
    double whole = std::floor(value);
    const double fraction = value - whole;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2) != 0)) whole += 1;
    return std::to_string(static_cast<long long>(whole));
}

std::string WithoutLastTab(std::string cells) {
    if (cells.ends_with(kTab)) cells.resize(cells.size() - kTab.size());
    return cells;
}

}  // namespace

std::string RtfEscape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t pos = 0; pos < text.size();) {
        const auto b = static_cast<unsigned char>(text[pos]);
        if (b < 0x80) {
            if (b == '\\' || b == '{' || b == '}') out += '\\';
            out += b < 0x20 || b == 0x7F ? ' ' : static_cast<char>(b);
            ++pos;
            continue;
        }
        char32_t ch;
        const size_t length = DecodeUtf8(text, pos, ch);
        if (length == 0) {
            // Not UTF-8: a byte of the ANSI code page.
            AppendHexByte(out, b);
            ++pos;
        } else {
            AppendCharacter(out, ch);
            pos += length;
        }
    }
    return out;
}

std::string RtfTabStops(const TVarGrid& grid, double widthCm) {
    double totalPixels = 0;
    for (int c = 0; c < grid.ColCount(); ++c) totalPixels += grid.GetColWidth(c);
    const double twipsPerPixel = SafeDiv(totalPixels, widthCm * kTwipsPerCm);
    std::string stops;
    double x = grid.ColCount() > 0 ? grid.GetColWidth(0) * twipsPerPixel : 0;
    for (int c = 1; c < grid.ColCount(); ++c) {
        const double width = grid.GetColWidth(c) * twipsPerPixel;
        if (grid.GetColAlignment(c) == 1)
            stops += "\\tqr\\tx" + Twips(x + width);
        else
            stops += "\\tx" + Twips(x);
        x += width;
    }
    return stops + std::string(kTableFont);
}

std::string RtfHeadingLine(const TVarGrid& grid) {
    std::string cells;
    for (int c = 0; c < grid.ColCount(); ++c)
        cells += RtfEscape(grid.GetText(c, 0)) + std::string(kTab);
    return "\\b " + WithoutLastTab(cells) + "\\par " + std::string(kTableFont);
}

bool IsEmptyField(const TVarGrid& grid, int col, int row) {
    const TCellType type = grid.GetCellType(col, row);
    return type == ctBlank || type == ctEmptyText;
}

int TabbedCellCount(const TVarGrid& grid, int row) {
    int count = grid.ColCount();
    while (count > 0 && IsEmptyField(grid, count - 1, row)) --count;
    return count;
}

std::string RtfDataLine(const TVarGrid& grid, int row) {
    const int count = TabbedCellCount(grid, row);
    if (count == 0) return "\r\n";
    std::string cells;
    for (int c = 0; c < count; ++c) {
        if (c > 0) cells += kTab;
        if (!IsEmptyField(grid, c, row)) cells += RtfEscape(grid.GetText(c, row));
    }
    if (grid.IsGroupRow(row))
        return "\\b \\i " + cells + "\\par " + std::string(kTableFont) + "\r\n";
    return cells + "\\par \r\n";
}

std::string RtfTable(const TVarGrid& grid, double widthCm) {
    std::string table = RtfTabStops(grid, widthCm) + RtfHeadingLine(grid);
    for (int r = 1; r < grid.RowCount(); ++r) table += RtfDataLine(grid, r);
    return table;
}

std::string RenderRtfReport(const TVarGrid& grid, const std::string& title) {
    return "\\pard \\ql \\b\\fs32\\lang1053\\langfe1033\\langnp1053 " + RtfEscape(title) +
           " \\par\\par " + RtfTable(grid, 22);
}

std::string RtfFileHeader() {
    return std::string(kHeaderStart) + std::string(kA4Landscape) + std::string(kHeaderEnd);
}

std::string RtfClipboardHeader() {
    return std::string(kHeaderStart) + std::string(kHeaderEnd);
}

}  // namespace vestrel
