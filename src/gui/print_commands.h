// The File menu's print commands over the grid on show: "Print" at once on the current printer,
// "Print preview...", "Printer setup..." and "Export to PDF...". The current printer and its
// settings last for the whole run.
#pragma once

#include <QObject>
#include <QString>
#include <memory>
#include <string>

#include "reports/var_grid.h"

class QPrinter;
class QWidget;

namespace vestrel::gui {

class TGridPrinter;
class TfrmPrintPreview;

inline constexpr const char* kNoPrinterMessage =
    "No printer is set up. Choose one with \"Printer setup...\", or save the report as a PDF file "
    "with \"Export to PDF...\".";

// Prints the report at once on the printer, or says why it cannot.
void PrintNow(QWidget* parent, QPrinter& printer, TGridPrinter& report);
// The system's print dialog, choosing the printer and its settings without printing; true on OK.
bool SetUpPrinter(QWidget* parent, QPrinter& printer);

class TPrintCommands : public QObject {
    Q_OBJECT

  public:
    explicit TPrintCommands(QWidget* window);
    ~TPrintCommands() override;

    QPrinter& Printer() { return *printer_; }
    // Each raises "Max 32 columns in Grid" for a wider grid.
    void Print(const TVarGrid& grid, const std::string& title);
    TfrmPrintPreview* Preview(const TVarGrid& grid, const std::string& title);
    void SetUp();
    // Asks for the file name; false when cancelled or the file could not be written (said so).
    bool ExportPdf(const TVarGrid& grid, const std::string& title);
    // The PDF file written at once; the page count, or 0 when it could not be written (said so).
    int ExportPdfTo(const TVarGrid& grid, const std::string& title, const QString& fileName);

  private:
    QWidget* window_;
    std::unique_ptr<QPrinter> printer_;
    QString pdfFolder_;
};

// The date printed in the page footers.
QString PrintDateText();

}  // namespace vestrel::gui
