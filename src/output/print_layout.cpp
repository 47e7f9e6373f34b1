#include "output/print_layout.h"

#include <algorithm>
#include <cstdio>

#include "engine/errors.h"

namespace vestrel {

namespace {

constexpr int kTitlePointSize = 18;
constexpr int kBandPointSize = 9;
constexpr int kFooterPointSize = 8;
constexpr int kHeadingRuleWidth = 3;
// Heading and footer bands leave room around their text.
constexpr double kBandSpacing = 1.3;
constexpr std::string_view kSymbolFont = "Wingdings";

TTextAlignment ColumnAlignment(const TVarGrid& grid, int col) {
    switch (grid.GetColAlignment(col)) {
        case 1:
            return TTextAlignment::Right;
        case 2:
            return TTextAlignment::Centre;
        default:
            return TTextAlignment::Left;
    }
}

// Right-aligned texts keep one blank away from the column's right rule.
std::string CellCaption(std::string text, TTextAlignment alignment) {
    if (alignment == TTextAlignment::Right) text += ' ';
    return text;
}

// Shares of the on-screen widths; a grid without any width shares the page evenly.
std::vector<double> ColumnFractions(const TVarGrid& grid) {
    std::vector<double> fractions;
    double total = 0;
    for (int col = 0; col < grid.ColCount(); ++col) {
        fractions.push_back(std::max(grid.GetColWidth(col), 0));
        total += fractions.back();
    }
    for (double& fraction : fractions)
        fraction = total > 0 ? fraction / total : 1.0 / grid.ColCount();
    return fractions;
}

// One label per column, placed side by side with a gap of 1 between them; the last one reaches
// the right margin.
std::vector<TPrintLabel> ColumnLabels(const TVarGrid& grid, const std::vector<double>& fractions,
                                      double printableWidth, const TPrintFont& font) {
    std::vector<TPrintLabel> labels;
    double left = 0;
    for (size_t col = 0; col < fractions.size(); ++col) {
        const bool last = col + 1 == fractions.size();
        TPrintLabel label;
        label.Alignment = ColumnAlignment(grid, static_cast<int>(col));
        label.Left = left;
        label.Width = std::max(printableWidth * fractions[col] - (last ? 0 : 1), 0.0);
        label.Height = TextHeight(font.Size);
        label.Font = font;
        labels.push_back(label);
        left += label.Width + 1;
    }
    return labels;
}

TPrintBand TitleBand(const std::string& title, double printableWidth) {
    TPrintBand band{.Kind = TBandKind::Title};
    band.Font = {.Size = kTitlePointSize, .Bold = true};
    TPrintLabel label{.Caption = title};
    label.Alignment = TTextAlignment::Centre;
    label.Width = printableWidth;
    label.Height = TextHeight(kTitlePointSize);
    label.Font = band.Font;
    band.Labels.push_back(label);
    band.Height = label.Height;
    return band;
}

TPrintBand HeadingBand(const TVarGrid& grid, std::vector<TPrintLabel> labels) {
    TPrintBand band{.Kind = TBandKind::ColumnHeading};
    band.Font = {.Size = kBandPointSize, .Bold = true};
    band.Frame = {.Bottom = true, .LineWidth = kHeadingRuleWidth};
    band.Height = kBandSpacing * TextHeight(band.Font.Size);
    for (size_t col = 0; col < labels.size(); ++col) {
        const std::string text = grid.RowCount() > 0 ? grid.GetText(static_cast<int>(col), 0) : "";
        labels[col].Caption = CellCaption(text, labels[col].Alignment);
        labels[col].Font = band.Font;
    }
    band.Labels = std::move(labels);
    return band;
}

// The detail band before any row is put in: framed cell labels and symbol labels over them.
TPrintBand EmptyDetailBand(std::vector<TPrintLabel> cells) {
    TPrintBand band{.Kind = TBandKind::Detail};
    band.Font = {.Size = kBandPointSize};
    band.Height = TextHeight(band.Font.Size);
    for (size_t col = 0; col < cells.size(); ++col) {
        cells[col].Frame = {.Left = col == 0, .Right = true};
        TPrintLabel symbol = cells[col];
        symbol.Frame = {};
        symbol.Font.Name = kSymbolFont;
        band.Symbols.push_back(symbol);
    }
    band.Labels = std::move(cells);
    return band;
}

void CallHook(const TPrintLabelHook& hook, int col, int row, TPrintLabel& label) {
    if (hook) hook(col, row, label);
}

void FillDataRow(TPrintBand& band, const TVarGrid& grid, const TGridReportOptions& options) {
    for (int col = 0; col < grid.ColCount(); ++col) {
        TPrintLabel& cell = band.Labels[col];
        cell.Caption = CellCaption(grid.GetText(col, band.Row), cell.Alignment);
        CallHook(options.OnPrintCell, col, band.Row, cell);
        CallHook(options.OnPrintDing, col, band.Row, band.Symbols[col]);
    }
}

// A group heading: its text in bold in the first column only, on a silver band.
void FillGroupRow(TPrintBand& band, const TVarGrid& grid, const TGridReportOptions& options) {
    band.Colour = kPrintSilver;
    if (band.Labels.empty()) return;
    band.Labels[0].Font.Bold = true;
    band.Labels[0].Caption = grid.GetText(0, band.Row);
    CallHook(options.OnPrintDing, 0, band.Row, band.Symbols[0]);
}

TPrintBand DetailBand(const TPrintBand& empty, const TVarGrid& grid, int row,
                      const TGridReportOptions& options) {
    TPrintBand band = empty;
    band.Row = row;
    if (options.OverrideSubGroups || !grid.IsGroupRow(row))
        FillDataRow(band, grid, options);
    else
        FillGroupRow(band, grid, options);
    return band;
}

TPrintBand FooterBand(double printableWidth) {
    TPrintBand band{.Kind = TBandKind::PageFooter};
    band.Font = {.Size = kFooterPointSize};
    TPrintLabel date;
    date.Field = TSystemField::PrintDate;
    date.Width = printableWidth;
    date.Height = TextHeight(kFooterPointSize);
    date.Font = band.Font;
    TPrintLabel page = date;
    page.Field = TSystemField::PageNumber;
    page.Alignment = TTextAlignment::Right;
    band.Labels = {date, page};
    band.Height = kBandSpacing * date.Height;
    return band;
}

}  // namespace

double TPageGeometry::PrintableWidth() const {
    const double width = Orientation == TPageOrientation::Portrait ? PaperWidth : PaperHeight;
    return width - LeftMargin - RightMargin;
}

double TextHeight(int pointSize) {
    return pointSize * 1.25;
}

void CheckPrintColumns(const TVarGrid& grid) {
    if (grid.ColCount() <= kMaxPrintColumns) return;
    char message[64];
    std::snprintf(message, sizeof message, "Max %d columns in Grid", kMaxPrintColumns);
    throw EVestrelError(message);
}

TPrintLayout LayoutGridReport(const TVarGrid& grid, const std::string& title,
                              const TGridReportOptions& options) {
    CheckPrintColumns(grid);
    TPrintLayout layout;
    layout.Orientation = options.Page.Orientation;
    layout.PrintableWidth = options.Page.PrintableWidth();
    layout.ColumnFractions = ColumnFractions(grid);
    const std::vector<TPrintLabel> columns =
        ColumnLabels(grid, layout.ColumnFractions, layout.PrintableWidth, TPrintFont{});
    layout.Title = TitleBand(title, layout.PrintableWidth);
    layout.ColumnHeading = HeadingBand(grid, columns);
    const TPrintBand emptyDetail = EmptyDetailBand(columns);
    for (int row = 1; row < grid.RowCount(); ++row)
        layout.Details.push_back(DetailBand(emptyDetail, grid, row, options));
    layout.PageFooter = FooterBand(layout.PrintableWidth);
    return layout;
}

}  // namespace vestrel
