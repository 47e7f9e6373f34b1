#include "output/html_render.h"

#include <gtest/gtest.h>

namespace vestrel {
namespace {

const std::string kFont = "<FONT SIZE=2 FACE=\"Arial\" COLOR=\"000000\">";

// Columns "Page" (text) and "Hits" (integer); rows: a group heading, a page, a page with a
// blank text and zero hits.
TVarGrid PageGrid() {
    TVarGrid grid;
    grid.SetColCount(2);
    grid.SetRowCount(4);
    DefineColumn(grid, 0, "Page", ctText, 200);
    DefineColumn(grid, 1, "Hits", ctInteger, 50);
    grid.AddSubGroupLevel();
    grid.AddSubGroupRow(1, 1);
    grid.SetText(0, 1, "Access");
    grid.SetText(0, 2, "  /index.html\t");
    grid.SetInt(1, 2, 7);
    grid.SetText(0, 3, "   ");
    return grid;
}

TEST(HtmlRenderTest, TableLinesAreExact) {
    const std::vector<std::string> expected = {
        "<CENTER><TABLE BORDER=1 CELLSPACING=0 WIDTH=90%>", "<TR BGCOLOR=\"FFDD00\">",
        "<TD COLSPAN=2 ROWSPAN=1 NOWRAP><FONT SIZE=+1 FACE=\"Arial\" COLOR=\"000000\">",
        "<CENTER><B>  Most Visited </FONT><br><FONT SIZE=-2></FONT></B></CENTER>", "</TD></TR>",
        "<TR   BGCOLOR=\"AFAFAF\">", "<TD  ALIGN =\"LEFT\" >" + kFont + "<B>Page</B></FONT></TD>",
        "<TD  ALIGN =\"RIGHT\" >" + kFont + "<B>Hits</B></FONT></TD>", "</TR>",
        // Group rows count in the alternation and keep "&nbsp;" for their empty cells.
        "<TR   BGCOLOR=\"FFFFFF\">", "<TD  ALIGN =\"LEFT\" >" + kFont + "<B>Access</B></FONT></TD>",
        "<TD  ALIGN =\"RIGHT\" >" + kFont + "<B>&nbsp;</B></FONT></TD>", "</TR>",
        "<TR   BGCOLOR=\"F0F0F0\">", "<TD  ALIGN =\"LEFT\" >" + kFont + "/index.html</FONT></TD>",
        "<TD  ALIGN =\"RIGHT\" >" + kFont + "7</FONT></TD>", "</TR>", "<TR   BGCOLOR=\"FFFFFF\">",
        "<TD  ALIGN =\"LEFT\" >" + kFont + "&nbsp;</FONT></TD>",
        "<TD  ALIGN =\"RIGHT\" >" + kFont + "&nbsp;</FONT></TD>", "</TR>", "</TABLE>", "</CENTER>"};
    TVarGrid grid = PageGrid();
    EXPECT_EQ(RenderHtmlTable(grid, "  Most Visited"), expected);
    grid.SetRowCount(1);
    EXPECT_EQ(RenderHtmlTable(grid, "  Most Visited").size(), 11u);
}

TEST(HtmlRenderTest, ViewPageCanStopAfterItsFirstRowsAndSaysSo) {
    const TVarGrid grid = PageGrid();
    const std::vector<std::string> whole = HtmlViewPage(grid, "  Most Visited");
    EXPECT_EQ(HtmlViewPage(grid, "  Most Visited", 3), whole);
    const std::vector<std::string> cut = HtmlViewPage(grid, "  Most Visited", 1);
    // Two data rows of four lines each are left out, and one line tells of them.
    ASSERT_EQ(cut.size(), whole.size() - 8 + 1);
    EXPECT_NE(cut[cut.size() - 2].find("The first 1 of 3 rows"), std::string::npos);
    EXPECT_EQ(cut.back(), whole.back());
}

TEST(HtmlRenderTest, InsertedTextsAreEscapedAndMarkupIsNot) {
    TVarGrid grid = PageGrid();
    grid.SetText(0, 0, "a&b");
    grid.SetText(0, 2, "<script>alert('x')</script> \"q\"");
    grid.SetRowCount(3);
    const std::vector<std::string> lines = RenderHtmlTable(grid, "  <i>");
    ASSERT_EQ(lines.size(), 19u);
    EXPECT_EQ(lines[3], "<CENTER><B>  &lt;i&gt; </FONT><br><FONT SIZE=-2></FONT></B></CENTER>");
    EXPECT_EQ(lines[6], "<TD  ALIGN =\"LEFT\" >" + kFont + "<B>a&amp;b</B></FONT></TD>");
    EXPECT_EQ(lines[14],
              "<TD  ALIGN =\"LEFT\" >" + kFont +
                  "&lt;script&gt;alert(&#39;x&#39;)&lt;/script&gt; &quot;q&quot;</FONT></TD>");
}

}  // namespace
}  // namespace vestrel
