// Paints a report grid as a paged table on a printer, a PDF file or the print preview's stand-in
// for a printer, from the print layout: the title, the column heading with its rule, the detail
// rows with their vertical rules and silver group rows, and the footer with the date and page.
#pragma once

#include <QString>
#include <string>

#include "output/print_layout.h"
#include "reports/var_grid.h"

class QPrinter;

namespace vestrel::gui {

// The printer's paper and side margins as the layout needs them, in points.
TPageGeometry PageGeometry(const QPrinter& printer);
// A printer that can print at once: a system printer, or a file to write.
bool CanPrint(const QPrinter& printer);
// Makes the printer write a PDF file.
void PrintToPdf(QPrinter& printer, const QString& fileName);

class TGridPrinter {
  public:
    // Keeps a snapshot of the grid. Raises "Max 32 columns in Grid" for a wider grid.
    TGridPrinter(const TVarGrid& grid, std::string title, QString printDate);

    // Lays the snapshot out for the printer's page and paints every page. False when the
    // printer could not be opened (an output file that cannot be written).
    bool Print(QPrinter& printer);
    // The pages of the last Print.
    int PageCount() const { return pageCount_; }

  private:
    TVarGrid grid_;
    std::string title_;
    QString printDate_;
    int pageCount_ = 0;
};

}  // namespace vestrel::gui
