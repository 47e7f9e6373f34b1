#include "gui/grid_printer.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPrinter>

#include "gui/qt_text.h"
#include "output/print_pages.h"

namespace vestrel::gui {

namespace {

// Frame line widths count in half points.
constexpr double kLineWidthUnit = 0.5;
// Left-aligned texts keep this far from the rule before them (right-aligned ones end in a blank).
constexpr double kLeftPadding = 2;

// Draws layout lengths (points from the top-left of the printable area) in device pixels.
class TBandPainter {
  public:
    TBandPainter(QPainter& painter, QPaintDevice& device, double pointScale)
        : painter_(painter), device_(device), scale_(pointScale) {}

    void Paint(const TPlacedBand& placed, const QString& pageText, const QString& dateText) {
        const TPrintBand& band = *placed.Band;
        const QRectF area = Rect(0, placed.Top, TableWidth(band), band.Height);
        if (band.Colour != kPrintWhite)
            painter_.fillRect(area, QColor(band.Colour.Red, band.Colour.Green, band.Colour.Blue));
        for (const TPrintLabel& label : band.Labels) {
            const QString text = label.Field == TSystemField::PageNumber ? pageText
                                 : label.Field == TSystemField::PrintDate
                                     ? dateText
                                     : ToQString(label.Caption);
            PaintLabel(label, placed.Top, band.Height, text);
        }
        if (band.Frame.Bottom) Line(area.bottomLeft(), area.bottomRight(), band.Frame.LineWidth);
    }

  private:
    static double TableWidth(const TPrintBand& band) {
        double right = 0;
        for (const TPrintLabel& label : band.Labels)
            right = std::max(right, label.Left + label.Width);
        return right;
    }

    QRectF Rect(double left, double top, double width, double height) const {
        return {left * scale_, top * scale_, width * scale_, height * scale_};
    }

    void Line(QPointF from, QPointF to, int width) {
        painter_.setPen(
            QPen(Qt::black, width * kLineWidthUnit * scale_, Qt::SolidLine, Qt::FlatCap));
        painter_.drawLine(from, to);
    }

    void PaintLabel(const TPrintLabel& label, double top, double height, const QString& text) {
        const QRectF box = Rect(label.Left, top, label.Width, height);
        if (!text.isEmpty()) PaintText(label, box, text);
        if (label.Frame.Left) Line(box.topLeft(), box.bottomLeft(), label.Frame.LineWidth);
        if (label.Frame.Right) Line(box.topRight(), box.bottomRight(), label.Frame.LineWidth);
    }

    void PaintText(const TPrintLabel& label, QRectF box, const QString& text) {
        QFont font(ToQString(label.Font.Name));
        font.setPointSizeF(label.Font.Size);
        font.setBold(label.Font.Bold);
        painter_.setFont(font);
        painter_.setPen(Qt::black);
        Qt::Alignment alignment = Qt::AlignVCenter;
        if (label.Alignment == TTextAlignment::Left) {
            alignment |= Qt::AlignLeft;
            box.setLeft(box.left() + kLeftPadding * scale_);
        } else {
            alignment |=
                label.Alignment == TTextAlignment::Right ? Qt::AlignRight : Qt::AlignHCenter;
        }
        // A text wider than its column is cut short with an ellipsis, never into the next one.
        const QString shown =
            QFontMetricsF(font, &device_).elidedText(text, Qt::ElideRight, box.width());
        painter_.drawText(
            box, static_cast<int>(alignment) | Qt::TextIncludeTrailingSpaces | Qt::TextSingleLine,
            shown);
    }

    QPainter& painter_;
    QPaintDevice& device_;
    double scale_;
};

}  // namespace

TPageGeometry PageGeometry(const QPrinter& printer) {
    const QPageLayout layout = printer.pageLayout();
    const QSizeF paper = layout.pageSize().size(QPageSize::Point);
    const QMarginsF margins = layout.margins(QPageLayout::Point);
    TPageGeometry page;
    page.PaperWidth = paper.width();
    page.PaperHeight = paper.height();
    page.LeftMargin = margins.left();
    page.RightMargin = margins.right();
    page.Orientation = layout.orientation() == QPageLayout::Landscape ? TPageOrientation::Landscape
                                                                      : TPageOrientation::Portrait;
    return page;
}

bool CanPrint(const QPrinter& printer) {
    if (printer.outputFormat() == QPrinter::PdfFormat) return !printer.outputFileName().isEmpty();
    return !printer.printerName().isEmpty();
}

void PrintToPdf(QPrinter& printer, const QString& fileName) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(fileName);
}

TGridPrinter::TGridPrinter(const TVarGrid& grid, std::string title, QString printDate)
    : grid_((CheckPrintColumns(grid), grid)),
      title_(std::move(title)),
      printDate_(std::move(printDate)) {}

bool TGridPrinter::Print(QPrinter& printer) {
    TGridReportOptions options;
    options.Page = PageGeometry(printer);
    const TPrintLayout layout = LayoutGridReport(grid_, title_, options);
    const double pageHeight = printer.pageLayout().paintRect(QPageLayout::Point).height();
    const std::vector<TPrintPage> pages = PaginateGridReport(layout, pageHeight);
    printer.setDocName(ToQString(title_).trimmed());
    QPainter painter;
    if (!painter.begin(&printer)) return false;
    painter.setRenderHint(QPainter::TextAntialiasing);
    TBandPainter bands(painter, printer, printer.resolution() / 72.0);
    pageCount_ = static_cast<int>(pages.size());
    for (const TPrintPage& page : pages) {
        if (page.Number > 1) printer.newPage();
        const QString pageText = QString("Page %1 of %2").arg(page.Number).arg(pageCount_);
        for (const TPlacedBand& band : page.Bands) bands.Paint(band, pageText, printDate_);
    }
    return painter.end();
}

}  // namespace vestrel::gui
