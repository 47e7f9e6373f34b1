#include "output/rtf_render.h"

#include <gtest/gtest.h>

namespace vestrel {
namespace {

constexpr const char* kPlain = "\\plain\\lang2057\\f2\\fs16 ";

TEST(RtfRenderTest, FileFramingHasItsFixedSizes) {
    const std::string header = RtfFileHeader();
    EXPECT_EQ(header.size(), 255u);
    EXPECT_TRUE(
        header.starts_with("{\\rtf1\\ansi\\deff0\\deftab720{\\fonttbl{\\f0\\fswiss Arial;}"));
    EXPECT_TRUE(header.ends_with(
        "{\\colortbl\\red0\\green0\\blue0;}\\paperw16838\\paperh11906\\margl848\\margr565"
        "\\deflang1053\\pard"));
    EXPECT_EQ(RtfClipboardHeader().size(), 231u);
    EXPECT_EQ(RtfClipboardHeader().find("\\paper"), std::string::npos);
    EXPECT_EQ(kRtfFileTail, std::string_view("\\par}}\0", 7));
}

TEST(RtfRenderTest, TabStopsRoundHalvesToEven) {
    // 22 cm = 12496 twips over 64 pixels: 195.25 twips a pixel, so edges fall on halves.
    TVarGrid grid;
    grid.SetColCount(4);
    DefineColumn(grid, 0, "A", ctText, 2);
    DefineColumn(grid, 1, "B", ctText, 4);    // left edge 390.5
    DefineColumn(grid, 2, "C", ctText, 2);    // left edge 1171.5
    DefineColumn(grid, 3, "D", ctFloat, 56);  // right edge 12496
    EXPECT_EQ(RtfTabStops(grid, 22), std::string("\\tx390\\tx1172\\tqr\\tx12496") + kPlain);

    grid.SetColCount(1);
    EXPECT_EQ(RtfTabStops(grid, 22), kPlain);
    grid.SetColWidth(0, 0);
    EXPECT_EQ(RtfTabStops(grid, 18), kPlain);
}

TEST(RtfRenderTest, BlankAndEmptyTextCellsAreEmptyFields) {
    TVarGrid grid;
    grid.SetColCount(3);
    grid.SetRowCount(5);
    DefineColumn(grid, 0, "Item", ctText, 100);
    DefineColumn(grid, 1, "Hits", ctInteger, 50);
    DefineColumn(grid, 2, "Note", ctText, 100);
    grid.AddSubGroupLevel();
    grid.AddSubGroupRow(1, 1);
    grid.SetText(0, 1, "Access");
    grid.SetCellType(1, 1, ctBlank);
    grid.SetText(0, 2, "x");
    grid.SetText(2, 2, "n");  // zero hits show blank yet keep their tab
    grid.SetCellType(0, 3, ctBlank);
    grid.SetInt(1, 3, 5);
    grid.SetText(2, 3, "m");
    grid.SetCellType(1, 4, ctBlank);

    EXPECT_EQ(RtfHeadingLine(grid), std::string("\\b Item\\tab Hits\\tab Note\\par ") + kPlain);
    EXPECT_EQ(RtfDataLine(grid, 1), std::string("\\b \\i Access\\par ") + kPlain + "\r\n");
    EXPECT_EQ(RtfDataLine(grid, 2), "x\\tab \\tab n\\par \r\n");
    EXPECT_EQ(RtfDataLine(grid, 3), "\\tab 5\\tab m\\par \r\n");
    EXPECT_EQ(RtfDataLine(grid, 4), "\r\n");
}

TEST(RtfRenderTest, ReportBlockWithoutDataRows) {
    TVarGrid grid;
    grid.SetColCount(1);
    DefineColumn(grid, 0, "Item", ctText, 100);
    EXPECT_EQ(RenderRtfReport(grid, "  General"),
              std::string("\\pard \\ql \\b\\fs32\\lang1053\\langfe1033\\langnp1053   General "
                          "\\par\\par ") +
                  kPlain + "\\b Item\\par " + kPlain);
}

TEST(RtfRenderTest, EscapingKeepsLogTextsFromBreakingTheDocument) {
    EXPECT_EQ(RtfEscape("{\\rtf1 }"), "\\{\\\\rtf1 \\}");
    EXPECT_EQ(RtfEscape("a\r\nb\tc"), "a  b c");
    // UTF-8 characters of code page 1252 become its bytes; others Unicode escapes.
    EXPECT_EQ(RtfEscape("caf\xc3\xa9 \xe2\x82\xac"), "caf\\'e9 \\'80");
    EXPECT_EQ(RtfEscape("\xce\xa9"), "\\u937?");
    EXPECT_EQ(RtfEscape("\xef\xbf\xbd"), "\\u-3?");
    EXPECT_EQ(RtfEscape("\xf0\x9f\x98\x80"), "\\u-10179?\\u-8704?");
    // Bytes that are no UTF-8 (an ANSI log, a cut sequence, an overlong form) stay bytes.
    EXPECT_EQ(RtfEscape("caf\xe9"), "caf\\'e9");
    EXPECT_EQ(RtfEscape("\xe2\x82"), "\\'e2\\'82");
    EXPECT_EQ(RtfEscape("\xc0\xaf"), "\\'c0\\'af");

    TVarGrid grid;
    grid.SetColCount(1);
    grid.SetRowCount(2);
    DefineColumn(grid, 0, "}{", ctText, 100);
    grid.SetText(0, 1, "\\par}}");
    EXPECT_EQ(RtfHeadingLine(grid), std::string("\\b \\}\\{\\par ") + kPlain);
    EXPECT_EQ(RtfDataLine(grid, 1), "\\\\par\\}\\}\\par \r\n");
}

}  // namespace
}  // namespace vestrel
