// How the bands of a printout fall onto pages: the title at the top of the first page only, the
// column heading at the top of every page, as many detail bands below it as fit above the page
// footer, and the footer at the foot of every page.
#pragma once

#include <vector>

#include "output/print_layout.h"

namespace vestrel {

// Space between the title and the column heading of the first page, in points.
constexpr double kTitleGap = 6;

struct TPlacedBand {
    const TPrintBand* Band;  // one of the layout's bands
    double Top;              // points below the top margin
};

struct TPrintPage {
    int Number;  // from 1
    std::vector<TPlacedBand> Bands;
};

// Pages the layout for a printable page height (points). There is always at least one page,
// and every page holds at least one detail band while any remain, however short the page. The
// pages point into `layout`, which must outlive them.
std::vector<TPrintPage> PaginateGridReport(const TPrintLayout& layout, double pageHeight);

}  // namespace vestrel
