#include "output/print_pages.h"

namespace vestrel {

namespace {

// Opens a page with the title (first page only) and the column heading; answers the height
// used.
double BeginPage(TPrintPage& page, const TPrintLayout& layout) {
    double top = 0;
    if (page.Number == 1) {
        page.Bands.push_back({&layout.Title, top});
        top += layout.Title.Height + kTitleGap;
    }
    page.Bands.push_back({&layout.ColumnHeading, top});
    return top + layout.ColumnHeading.Height;
}

void EndPage(TPrintPage& page, const TPrintLayout& layout, double pageHeight) {
    page.Bands.push_back({&layout.PageFooter, pageHeight - layout.PageFooter.Height});
}

}  // namespace

std::vector<TPrintPage> PaginateGridReport(const TPrintLayout& layout, double pageHeight) {
    const double detailBottom = pageHeight - layout.PageFooter.Height;
    std::vector<TPrintPage> pages(1, TPrintPage{1, {}});
    double top = BeginPage(pages.back(), layout);
    bool pageHoldsDetail = false;
    for (const TPrintBand& detail : layout.Details) {
        if (pageHoldsDetail && top + detail.Height > detailBottom) {
            EndPage(pages.back(), layout, pageHeight);
            pages.push_back({static_cast<int>(pages.size()) + 1, {}});
            top = BeginPage(pages.back(), layout);
        }
        pages.back().Bands.push_back({&detail, top});
        top += detail.Height;
        pageHoldsDetail = true;
    }
    EndPage(pages.back(), layout, pageHeight);
    return pages;
}

}  // namespace vestrel
