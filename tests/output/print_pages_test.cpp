#include "output/print_pages.h"

#include <gtest/gtest.h>

#include <string>

namespace vestrel {
namespace {

TVarGrid MakeGrid(int dataRows) {
    TVarGrid grid;
    grid.SetColCount(2);
    grid.SetRowCount(dataRows + 1);
    DefineColumn(grid, 0, "Page", ctText, 200);
    DefineColumn(grid, 1, "Hits", ctInteger, 60);
    for (int row = 1; row <= dataRows; ++row) {
        grid.SetText(0, row, "/page" + std::to_string(row));
        grid.SetInt(1, row, row);
    }
    return grid;
}

// Every page: the heading first (after the title on page 1), details stacked below it without
// gaps or overlaps and above the footer, which closes the page at its foot.
void ExpectWellFormed(const std::vector<TPrintPage>& pages, const TPrintLayout& layout,
                      double pageHeight) {
    for (const TPrintPage& page : pages) {
        SCOPED_TRACE("page " + std::to_string(page.Number));
        ASSERT_GE(page.Bands.size(), 2u);
        size_t at = 0;
        if (page.Number == 1) {
            EXPECT_EQ(page.Bands[at++].Band, &layout.Title);
        }
        EXPECT_EQ(page.Bands[at].Band, &layout.ColumnHeading);
        double bottom = page.Bands[at].Top + layout.ColumnHeading.Height;
        for (++at; at + 1 < page.Bands.size(); ++at) {
            EXPECT_EQ(page.Bands[at].Band->Kind, TBandKind::Detail);
            EXPECT_DOUBLE_EQ(page.Bands[at].Top, bottom);
            bottom += page.Bands[at].Band->Height;
        }
        const TPlacedBand& footer = page.Bands.back();
        EXPECT_EQ(footer.Band, &layout.PageFooter);
        EXPECT_DOUBLE_EQ(footer.Top + layout.PageFooter.Height, pageHeight);
        EXPECT_LE(bottom, footer.Top + 1e-9);
    }
}

std::vector<int> PrintedRows(const std::vector<TPrintPage>& pages) {
    std::vector<int> rows;
    for (const TPrintPage& page : pages)
        for (const TPlacedBand& band : page.Bands)
            if (band.Band->Kind == TBandKind::Detail) rows.push_back(band.Band->Row);
    return rows;
}

TEST(PrintPagesTest, EveryRowOnceInOrderAndPagesFilled) {
    const TPrintLayout layout = LayoutGridReport(MakeGrid(1000), "  Most visited pages");
    const double pageHeight = 770;
    const std::vector<TPrintPage> pages = PaginateGridReport(layout, pageHeight);
    ExpectWellFormed(pages, layout, pageHeight);
    const std::vector<int> rows = PrintedRows(pages);
    ASSERT_EQ(rows.size(), 1000u);
    for (int i = 0; i < 1000; ++i) EXPECT_EQ(rows[i], i + 1);
    // A page breaks only when the next row would reach into the footer.
    const double detail = layout.Details[0].Height;
    for (size_t i = 0; i + 1 < pages.size(); ++i) {
        const TPlacedBand& lastRow = pages[i].Bands[pages[i].Bands.size() - 2];
        EXPECT_GT(lastRow.Top + 2 * detail, pages[i].Bands.back().Top);
    }
    EXPECT_EQ(pages.back().Number, static_cast<int>(pages.size()));
}

TEST(PrintPagesTest, HeadingOnlyGridAndTinyPages) {
    const TPrintLayout empty = LayoutGridReport(MakeGrid(0), "  General");
    const std::vector<TPrintPage> one = PaginateGridReport(empty, 500);
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0].Bands.size(), 3u);  // title, heading, footer
    ExpectWellFormed(one, empty, 500);

    // A page too short for any row still prints one row a page instead of none.
    const TPrintLayout layout = LayoutGridReport(MakeGrid(3), "  General");
    const std::vector<TPrintPage> pages = PaginateGridReport(layout, 10);
    ASSERT_EQ(pages.size(), 3u);
    EXPECT_EQ(PrintedRows(pages), (std::vector<int>{1, 2, 3}));
}

}  // namespace
}  // namespace vestrel
