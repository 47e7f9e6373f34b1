#include "output/print_layout.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/errors.h"
#include "reports/report_test_util.h"
#include "reports/summary_reports.h"

namespace vestrel {
namespace {

// A grid of `widths.size()` columns: a text column first, integer columns after it.
TVarGrid MakeGrid(const std::vector<int>& widths, int rows = 2) {
    TVarGrid grid;
    grid.SetColCount(static_cast<int>(widths.size()));
    grid.SetRowCount(rows);
    for (size_t col = 0; col < widths.size(); ++col)
        DefineColumn(grid, static_cast<int>(col), "c" + std::to_string(col),
                     col == 0 ? ctText : ctInteger, widths[col]);
    return grid;
}

TEST(PrintLayoutTest, AtMost32Columns) {
    EXPECT_EQ(LayoutGridReport(MakeGrid(std::vector<int>(32, 10)), "t").Details[0].Labels.size(),
              32u);
    try {
        LayoutGridReport(MakeGrid(std::vector<int>(33, 10)), "t");
        ADD_FAILURE() << "33 columns were laid out";
    } catch (const EVestrelError& error) {
        EXPECT_STREQ(error.what(), "Max 32 columns in Grid");
    }
}

// Twice as wide on screen is twice as wide on paper, gap included, and the table fills the
// printable width exactly.
TEST(PrintLayoutTest, ColumnsKeepTheirScreenRatioOnAnyPaper) {
    for (const TPageOrientation orientation :
         {TPageOrientation::Portrait, TPageOrientation::Landscape}) {
        TGridReportOptions options;
        options.Page.Orientation = orientation;
        const TPrintLayout layout = LayoutGridReport(MakeGrid({100, 50}), "t", options);
        const std::vector<TPrintLabel>& cells = layout.Details.at(0).Labels;
        EXPECT_DOUBLE_EQ(cells[0].Left, 0);
        EXPECT_DOUBLE_EQ((cells[0].Width + 1) / cells[1].Width, 2.0);
        EXPECT_DOUBLE_EQ(cells[1].Left, cells[0].Width + 1);
        EXPECT_DOUBLE_EQ(cells[1].Left + cells[1].Width, options.Page.PrintableWidth());
    }
}

TEST(PrintLayoutTest, ColumnsWithoutWidthShareThePageEvenly) {
    const TPrintLayout layout = LayoutGridReport(MakeGrid({0, 0, 0, 0}), "t");
    EXPECT_EQ(layout.ColumnFractions, std::vector<double>(4, 0.25));
}

TEST(PrintLayoutTest, HeadingOnlyGridPrintsTitleHeadingAndFooter) {
    const TPrintLayout layout = LayoutGridReport(MakeGrid({70, 50}, 1), "  Browser");
    EXPECT_TRUE(layout.Details.empty());
    EXPECT_EQ(layout.Title.Labels.at(0).Caption, "  Browser");
    EXPECT_EQ(layout.ColumnHeading.Labels.size(), 2u);
    EXPECT_EQ(layout.PageFooter.Labels.size(), 2u);
}

// Figures stand one blank away from the right rule; rules separate and close the table.
TEST(PrintLayoutTest, NumberColumnsPrintRightAlignedWithATrailingBlank) {
    TVarGrid grid = MakeGrid({100, 50, 50});
    grid.SetText(0, 1, "a.htm");
    grid.SetInt(1, 1, 12);
    const TPrintLayout layout = LayoutGridReport(grid, "t");
    const std::vector<TPrintLabel>& cells = layout.Details.at(0).Labels;
    EXPECT_EQ(cells[0].Caption, "a.htm");
    EXPECT_EQ(cells[1].Caption, "12 ");
    EXPECT_EQ(cells[2].Caption, " ");  // a zero shows blank
    EXPECT_EQ(layout.ColumnHeading.Labels[0].Caption + layout.ColumnHeading.Labels[1].Caption,
              "c0c1 ");
    for (size_t col = 0; col < cells.size(); ++col) {
        EXPECT_EQ(cells[col].Frame.Left, col == 0) << col;
        EXPECT_TRUE(cells[col].Frame.Right) << col;
    }
}

TEST(PrintLayoutTest, HooksSeeEachCellAndAClearedSymbolLabel) {
    TVarGrid grid = MakeGrid({100, 50});
    grid.SetInt(1, 1, 7);
    std::string calls;
    TGridReportOptions options;
    options.OnPrintCell = [&](int col, int row, TPrintLabel& label) {
        calls += "cell" + std::to_string(col) + std::to_string(row) + "=" + label.Caption + ";";
    };
    options.OnPrintDing = [&](int col, int, TPrintLabel& label) {
        calls += "ding" + std::to_string(col) + "=" + label.Caption + ";";
        label.Caption = "J";
    };
    const TPrintBand row = LayoutGridReport(grid, "t", options).Details.at(0);
    EXPECT_EQ(calls, "cell01=;ding0=;cell11=7 ;ding1=;");
    EXPECT_EQ(row.Symbols[1].Caption, "J");
}

class PrintGeneralTest : public testing_util::TReportFixture {};

TEST_F(PrintGeneralTest, SectionHeadingsPrintBoldOnSilverInTheFirstColumnOnly) {
    Load(testing_util::Line("a", "10/Mar/2024:10:00:00", "/index.html"));
    TReportContext context = Context();
    ReportGeneral(context);
    ASSERT_TRUE(grid_.IsGroupRow(6));

    const TPrintLayout layout = LayoutGridReport(grid_, "  General");
    const TPrintBand& heading = layout.Details[5];
    EXPECT_TRUE(heading.Row == 6 && heading.Colour == kPrintSilver && heading.Labels[0].Font.Bold);
    EXPECT_EQ(heading.Labels[0].Caption + "|" + heading.Labels[1].Caption, "Access|");
    EXPECT_EQ(heading.Labels[0].Width, layout.Details[6].Labels[0].Width);
    const TPrintBand& item = layout.Details[6];
    EXPECT_TRUE(item.Colour == kPrintWhite && !item.Labels[0].Font.Bold);
    EXPECT_EQ(item.Labels[0].Caption + "|" + item.Labels[1].Caption, "   Hits|1");

    TGridReportOptions plain;
    plain.OverrideSubGroups = true;
    const TPrintBand overridden = LayoutGridReport(grid_, "  General", plain).Details[5];
    EXPECT_TRUE(overridden.Colour == kPrintWhite && !overridden.Labels[0].Font.Bold);
}

}  // namespace
}  // namespace vestrel
