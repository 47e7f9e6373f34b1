// The Excel rendering of report tables: a workbook with one worksheet per statistic, each with
// the title in cell A1 and the table from row 2 on.
#pragma once

#include <string>

#include "output/xls_write.h"
#include "reports/var_grid.h"

namespace vestrel {

// Sets a closed writer up as an export workbook: BIFF5, the sheets "Sheet1" to
// "Sheet<sheetCount>" and the export's cell formats.
void SetUpExcelExport(TXLSWrite& writer, int sheetCount);

// Writes `grid` under `title` into the current sheet of a writer set up by SetUpExcelExport.
// Rows beyond the last row of a worksheet are left out.
void WriteExcelSheet(TXLSWrite& writer, const TVarGrid& grid, const std::string& title);

// One Excel export run: the workbook is created at construction, each report fills the next
// sheet, and Finish writes the file. Sheets no report reached stay empty.
class TExcelExport {
  public:
    // Raises EVestrelError naming the file when it cannot be created.
    TExcelExport(const std::string& fileName, int reportCount);
    // Writes the grid into the current sheet, then moves to the next sheet.
    void WriteReport(const TVarGrid& grid, const std::string& title);
    // Writes the file.
    void Finish();

  private:
    TXLSWrite writer_;
    int sheetCount_;
    int reportsWritten_ = 0;
};

}  // namespace vestrel
