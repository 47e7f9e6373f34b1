// The printout of a report grid as a layout: a title band, a column heading band, one detail band
// per data row and a page footer, each with its labels placed across the printable width in the
// shares the columns have on screen. A banded report engine only has to draw and page it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "reports/var_grid.h"

namespace vestrel {

// A grid with more columns than this cannot be printed.
constexpr int kMaxPrintColumns = 32;

enum class TPageOrientation { Portrait, Landscape };
enum class TTextAlignment { Left, Right, Centre };
enum class TBandKind { Title, ColumnHeading, Detail, PageFooter };
// A label whose text the engine supplies at print time.
enum class TSystemField { None, PrintDate, PageNumber };

struct TPrintColour {
    uint8_t Red = 255, Green = 255, Blue = 255;
    bool operator==(const TPrintColour&) const = default;
};
constexpr TPrintColour kPrintWhite{255, 255, 255};
constexpr TPrintColour kPrintSilver{192, 192, 192};

struct TPrintFont {
    std::string_view Name = "Arial";
    int Size = 9;  // points
    bool Bold = false;
};

// Lines drawn along the sides of a label or band.
struct TPrintFrame {
    bool Left = false, Right = false, Top = false, Bottom = false;
    int LineWidth = 1;
};

// Lengths are in points (1/72 inch), measured from the left margin.
struct TPrintLabel {
    std::string Caption;
    TSystemField Field = TSystemField::None;
    TTextAlignment Alignment = TTextAlignment::Left;
    double Left = 0;
    double Width = 0;
    double Height = 0;
    TPrintFont Font{};
    TPrintFrame Frame{};
};

struct TPrintBand {
    TBandKind Kind = TBandKind::Detail;
    double Height = 0;
    TPrintColour Colour = kPrintWhite;
    TPrintFont Font{};
    TPrintFrame Frame{};
    int Row = 0;  // the grid row a detail band prints
    std::vector<TPrintLabel> Labels{};
    // Detail bands only: one symbol-font label laid over each cell label.
    std::vector<TPrintLabel> Symbols{};
};

// The paper in points; the default is A4 with half-inch side margins.
struct TPageGeometry {
    double PaperWidth = 595.28;
    double PaperHeight = 841.89;
    double LeftMargin = 36;
    double RightMargin = 36;
    TPageOrientation Orientation = TPageOrientation::Portrait;

    // The page width for the orientation, less the side margins.
    double PrintableWidth() const;
};

// Called with a cell's grid column and row and the label that prints it.
using TPrintLabelHook = std::function<void(int col, int row, TPrintLabel& label)>;

struct TGridReportOptions {
    TPageGeometry Page;
    // When set, group heading rows print like any other row.
    bool OverrideSubGroups = false;
    // After a cell label's text is set.
    TPrintLabelHook OnPrintCell;
    // For the symbol label over a cell, cleared before the call.
    TPrintLabelHook OnPrintDing;
};

struct TPrintLayout {
    TPageOrientation Orientation = TPageOrientation::Portrait;
    double PrintableWidth = 0;
    // Each column's share of the grid's on-screen width.
    std::vector<double> ColumnFractions;
    TPrintBand Title;
    TPrintBand ColumnHeading;
    std::vector<TPrintBand> Details;  // grid rows 1 to RowCount - 1, in order
    TPrintBand PageFooter;
};

// The height of a line of text of that point size.
double TextHeight(int pointSize);

// Fails with "Max 32 columns in Grid" when the grid has more than 32 columns.
void CheckPrintColumns(const TVarGrid& grid);

// Lays out the printout of `grid` under `title`. Fails with "Max 32 columns in Grid" when the
// grid has more than 32 columns.
TPrintLayout LayoutGridReport(const TVarGrid& grid, const std::string& title,
                              const TGridReportOptions& options = {});

}  // namespace vestrel
