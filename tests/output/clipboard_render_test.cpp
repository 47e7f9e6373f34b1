#include "output/clipboard_render.h"

#include <gtest/gtest.h>

#include "output/rtf_render.h"

namespace vestrel {
namespace {

constexpr size_t kPreambleSize = 973;

// Columns of every cell type the SYLK copy tells apart; row 1 a group heading, row 2 values.
TVarGrid MixedGrid() {
    TVarGrid grid;
    grid.SetColCount(6);
    grid.SetRowCount(3);
    DefineColumn(grid, 0, "Page;name", ctText, 100);
    DefineColumn(grid, 1, "Hits", ctInteger, 50);
    DefineColumn(grid, 2, "Share", ctPercent, 50);
    DefineColumn(grid, 3, "Day", ctDate, 70);
    DefineColumn(grid, 4, "Last", ctDateTime, 90);
    DefineColumn(grid, 5, "Time", ctTime, 60);
    grid.AddSubGroupLevel();
    grid.AddSubGroupRow(1, 1);
    grid.SetText(0, 1, "Group");
    for (int c = 1; c < 6; ++c) grid.SetCellType(c, 1, ctBlank);
    grid.SetText(0, 2, "a;b\tc\x01\xe9");
    grid.SetInt(1, 2, 12);
    grid.SetFloat(2, 2, 0.12345);
    grid.SetDateTime(3, 2, 37012);     // 1 May 2001
    grid.SetDateTime(4, 2, 37012.75);  // 18:00
    grid.SetDateTime(5, 2, 0.25);
    return grid;
}

TEST(ClipboardRenderTest, SylkPreambleThenOneRecordPerLine) {
    const std::string sylk = ClipboardSylk(MixedGrid());
    ASSERT_GT(sylk.size(), kPreambleSize);
    EXPECT_TRUE(sylk.starts_with("ID;PWXL;N;E\r\nP;PGeneral\r\nP;P0\r\n"));
    EXPECT_TRUE(sylk.substr(0, kPreambleSize).ends_with("P;EArial;M200;SB\r\nP;EArial;M200\r\n"));
    const std::string records =
        "F;SM7;Y1;X1\r\n"
        "F;SDM6;X1\r\nC;X1;K\"Page;;name\"\r\n"
        "F;SDM6;X2\r\nC;X2;K\"Hits\"\r\n"
        "F;SDM6;X3\r\nC;X3;K\"Share\"\r\n"
        "F;SDM6;X4\r\nC;X4;K\"Day\"\r\n"
        "F;SDM6;X5\r\nC;X5;K\"Last\"\r\n"
        "F;SDM6;X6\r\nC;X6;K\"Time\"\r\n"
        "F;SM7;Y2;X1\r\n"
        "F;SDM6;X1\r\nC;X1;K\"Group\"\r\n"
        "F;SM7;Y3;X1\r\n"
        "C;X1;K\"a;;b c\xef\xbf\xbd\xc3\xa9\"\r\n"
        "C;X2;K12.00\r\n"
        "F;P14;F%2G;X3\r\nC;K0.12345\r\n"
        "F;P19;FG0G;Y3;X4\r\nC;K37012\r\n"
        "F;P27;FG0G;Y3;X5\r\nC;K37012.75\r\n"
        "F;P31;FG0G;Y3;X6\r\nC;K0.25\r\n"
        "E";
    EXPECT_EQ(sylk.substr(kPreambleSize), records);
}

TEST(ClipboardRenderTest, PlainTextEndsEveryCellWithTab) {
    TVarGrid grid;
    grid.SetColCount(3);
    grid.SetRowCount(3);
    DefineColumn(grid, 0, "Page", ctText, 100);
    DefineColumn(grid, 1, "Hits", ctInteger, 50);
    DefineColumn(grid, 2, "Note", ctText, 100);
    grid.SetText(0, 1, "/a\r\n\x7f\tb\xe9");
    grid.SetInt(1, 1, 3);
    grid.SetCellType(1, 2, ctBlank);
    grid.SetText(2, 2, "n");
    const std::string bad = "\xef\xbf\xbd";  // U+FFFD
    EXPECT_EQ(ClipboardText(grid),
              "Page\tHits\tNote\t\r\n/a" + bad + bad + bad + " b\xc3\xa9\t3\t\r\n\t\tn\t\r\n");
}

TEST(ClipboardRenderTest, RtfCopyIsAnUntitledDocumentEighteenCentimetresWide) {
    TVarGrid grid;
    grid.SetColCount(2);
    DefineColumn(grid, 0, "Page", ctText, 50);
    DefineColumn(grid, 1, "Note", ctText, 50);
    EXPECT_EQ(ClipboardRtf(grid), RtfClipboardHeader() +
                                      "\\tx5112\\plain\\lang2057\\f2\\fs16 \\b Page\\tab "
                                      "Note\\par \\plain\\lang2057\\f2\\fs16 \\par}}");
}

}  // namespace
}  // namespace vestrel
