#include "gui/print_commands.h"

#include <QDate>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QLocale>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>

#include "gui/grid_printer.h"
#include "gui/message_boxes.h"
#include "gui/print_preview_window.h"
#include "gui/qt_text.h"

namespace vestrel::gui {

namespace {

// The report's title without its leading blanks, as a file name.
QString PdfFileName(const std::string& title) {
    QString name = ToQString(title).trimmed();
    name.replace(QRegularExpression(R"([/\\:*?"<>|]+)"), "-");
    return (name.isEmpty() ? QString("Report") : name) + ".pdf";
}

}  // namespace

void PrintNow(QWidget* parent, QPrinter& printer, TGridPrinter& report) {
    if (!CanPrint(printer)) {
        ShowError(parent, kNoPrinterMessage);
        return;
    }
    if (!report.Print(printer))
        ShowError(parent, "Cannot print on \"" + FromQString(printer.printerName()) + "\".");
}

bool SetUpPrinter(QWidget* parent, QPrinter& printer) {
    QPrintDialog dialog(&printer, parent);
    dialog.setWindowTitle("Printer setup");
    // The dialog only chooses; printing is the Print command's.
    if (auto* buttons = dialog.findChild<QDialogButtonBox*>())
        if (QPushButton* ok = buttons->button(QDialogButtonBox::Ok)) ok->setText("&OK");
    return dialog.exec() == QDialog::Accepted;
}

QString PrintDateText() {
    return QLocale().toString(QDate::currentDate(), QLocale::ShortFormat);
}

TPrintCommands::TPrintCommands(QWidget* window)
    : QObject(window), window_(window), printer_(std::make_unique<QPrinter>()) {
    printer_->setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
    pdfFolder_ = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

TPrintCommands::~TPrintCommands() = default;

void TPrintCommands::Print(const TVarGrid& grid, const std::string& title) {
    TGridPrinter report(grid, title, PrintDateText());
    PrintNow(window_, *printer_, report);
}

TfrmPrintPreview* TPrintCommands::Preview(const TVarGrid& grid, const std::string& title) {
    auto report = std::make_unique<TGridPrinter>(grid, title, PrintDateText());
    auto* preview = new TfrmPrintPreview(*printer_, std::move(report), window_);
    preview->showMaximized();
    return preview;
}

void TPrintCommands::SetUp() {
    SetUpPrinter(window_, *printer_);
}

bool TPrintCommands::ExportPdf(const TVarGrid& grid, const std::string& title) {
    // The column check comes before the file is asked for.
    CheckPrintColumns(grid);
    QString fileName = QFileDialog::getSaveFileName(
        window_, "Export to PDF", pdfFolder_ + "/" + PdfFileName(title), "PDF files (*.pdf)");
    if (fileName.isEmpty()) return false;
    if (QFileInfo(fileName).suffix().isEmpty()) fileName += ".pdf";
    pdfFolder_ = QFileInfo(fileName).absolutePath();
    return ExportPdfTo(grid, title, fileName) > 0;
}

int TPrintCommands::ExportPdfTo(const TVarGrid& grid, const std::string& title,
                                const QString& fileName) {
    TGridPrinter report(grid, title, PrintDateText());
    QPrinter pdf(QPrinter::HighResolution);
    pdf.setPageLayout(printer_->pageLayout());
    PrintToPdf(pdf, fileName);
    if (!report.Print(pdf)) {
        ShowError(window_, "Cannot write the file \"" + FromQString(fileName) + "\".");
        return 0;
    }
    return report.PageCount();
}

}  // namespace vestrel::gui
