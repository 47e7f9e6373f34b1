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

// The data rows one worksheet holds below the title and the heading row.
inline constexpr int kSheetDataRows = TXLSWrite::kMaxRow - 1;

// The number of worksheets a grid of `rowCount` rows (headings included) takes.
int ExcelSheetsFor(int rowCount);

// A grid column's width in pixels as a worksheet column's width in 1/256 of a character.
int ExcelColumnWidth(int pixels);

// Writes part `part` (from 0) of `grid` into the current sheet of a writer set up by
// SetUpExcelExport: the columns' widths, the title, " (2)", " (3)" ... added after the first
// part, the heading row and the part's data rows.
void WriteExcelSheet(TXLSWrite& writer, const TVarGrid& grid, const std::string& title,
                     int part = 0);

// One Excel export run: the workbook is created at construction, each report fills the next
// sheet, continued on further sheets when it has more rows than one holds, and Finish writes
// the file. Sheets no report reached stay empty.
class TExcelExport {
  public:
    // Raises EVestrelError naming the file when it cannot be created.
    TExcelExport(const std::string& fileName, int reportCount);
    // Closes the file as far as it was written, with a sheet for every report not reached.
    ~TExcelExport();
    TExcelExport(const TExcelExport&) = delete;
    TExcelExport& operator=(const TExcelExport&) = delete;

    // Writes the grid into the next sheets and returns how many it took.
    int WriteReport(const TVarGrid& grid, const std::string& title);
    // Writes the file.
    void Finish();

  private:
    void AddSheet();
    void StartSheet();
    void AddUnreachedSheets();

    TXLSWrite writer_;
    int reportCount_;
    int reportsStarted_ = 0;
    int sheetCount_ = 1;  // sheets of the workbook so far; OpenFile starts the first
    int sheetsUsed_ = 0;
};

}  // namespace vestrel
