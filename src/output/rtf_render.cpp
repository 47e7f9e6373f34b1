#include "output/rtf_render.h"

#include <cmath>
#include <cstdio>

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

// Code page 1252's characters for the bytes 0x80 to 0x9F; 0 where the code page has none.
constexpr char32_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// The code page 1252 byte of a character, or -1.
int Cp1252Byte(char32_t ch) {
    if (ch >= 0xA0 && ch <= 0xFF) return static_cast<int>(ch);
    for (int i = 0; i < 32; ++i)
        if (kCp1252High[i] != 0 && kCp1252High[i] == ch) return 0x80 + i;
    return -1;
}

bool IsContinuation(unsigned char b) {
    return (b & 0xC0) == 0x80;
}

// The length of the well-formed UTF-8 sequence starting at `pos` (2 to 4 bytes) with its
// character, or 0 when the bytes there are not one.
size_t DecodeUtf8(std::string_view text, size_t pos, char32_t& ch) {
    const auto b0 = static_cast<unsigned char>(text[pos]);
    size_t length;
    char32_t min;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        length = 2, min = 0x80, ch = b0 & 0x1F;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        length = 3, min = 0x800, ch = b0 & 0x0F;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        length = 4, min = 0x10000, ch = b0 & 0x07;
    } else {
        return 0;
    }
    if (pos + length > text.size()) return 0;
    for (size_t i = 1; i < length; ++i) {
        const auto b = static_cast<unsigned char>(text[pos + i]);
        if (!IsContinuation(b)) return 0;
        ch = (ch << 6) | (b & 0x3F);
    }
    const bool surrogate = ch >= 0xD800 && ch <= 0xDFFF;
    return ch < min || ch > 0x10FFFF || surrogate ? 0 : length;
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

std::string RtfDataLine(const TVarGrid& grid, int row) {
    std::string cells;
    for (int c = 0; c < grid.ColCount(); ++c) {
        const TCellType type = grid.GetCellType(c, row);
        if (type == ctBlank || type == ctEmptyText) continue;
        cells += RtfEscape(grid.GetText(c, row)) + std::string(kTab);
    }
    if (cells.empty()) return "\r\n";
    cells = WithoutLastTab(cells);
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
