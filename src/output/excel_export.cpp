#include "output/excel_export.h"

#include <algorithm>
#include <cmath>

namespace vestrel {

namespace {

// The export's cell formats, in the order SetUpExcelExport adds them.
enum TExportFormat : int {
    kDateFormat,
    kTwoDecimalsFormat,
    kNoDecimalsFormat,
    kPercentFormat,
    kTitleFormat,
    kTimeFormat,
    kDateTimeFormat,
};

constexpr size_t kCutTextLength = 252;

// A date or time layout of the locale (letters yyyy, yy, mm, m, dd, d, hh, h, nn, ss) as a
// number-format pattern: minutes are "m" there, and separators other than "-", "/", ":" and the
// blank are escaped so that they are shown as they are.
std::string WorkbookPattern(const std::string& layout) {
    std::string pattern;
    for (char c : layout) {
        const char lower = static_cast<char>(c | 32);
        if (lower == 'n') {
            pattern += 'm';
        } else if (lower == 'y' || lower == 'm' || lower == 'd' || lower == 'h' || lower == 's') {
            pattern += lower;
        } else if (c == '-' || c == '/' || c == ':' || c == ' ') {
            pattern += c;
        } else {
            pattern += '\\';
            pattern += c;
        }
    }
    return pattern;
}

// 1/256 of a character of the workbook's default font per screen pixel.
constexpr double kCharUnitsPerPixel = 36.6;

TCellFormat Format(TTextFormat textFormat, std::string userPattern = "") {
    TCellFormat format;
    format.TextFormat = textFormat;
    format.TextFormatUser = std::move(userPattern);
    return format;
}

// The format of a number column: two decimals and none have their own, any other number of
// decimals is shown in the general format.
int NumberFormat(int decimals) {
    if (decimals == 2) return kTwoDecimalsFormat;
    if (decimals > 0) return TXLSWrite::kDefaultFormat;
    return kNoDecimalsFormat;
}

// A text too long for a cell is cut to its first 252 characters followed by "...".
void WriteCutText(TXLSWrite& writer, int col, int row, std::string_view text, int format,
                  std::string& buffer) {
    buffer.clear();
    AppendCp1252(buffer, text);
    if (buffer.size() > TXLSWrite::kMaxText) {
        buffer.resize(kCutTextLength);
        buffer += "...";
    }
    writer.WriteCp1252Text(col, row, buffer, format);
}

// A day count rounded to the whole second: a time computed as a fraction of a day falls just
// short of it, and a spreadsheet's format would cut it to the second before.
double WholeSeconds(double days) {
    constexpr double kSecondsPerDay = 86400;
    return std::round(days * kSecondsPerDay) / kSecondsPerDay;
}

void WriteGridCell(TXLSWrite& writer, const TVarGrid& grid, int col, int row, int sheetRow,
                   int numberFormat, std::string& buffer) {
    switch (grid.GetCellType(col, row)) {
        case ctInteger:
        case ctFloat:
            writer.WriteNumber(col, sheetRow, grid.GetFloat(col, row), numberFormat);
            break;
        case ctPercent:
            writer.WriteNumber(col, sheetRow, grid.GetFloat(col, row), kPercentFormat);
            break;
        case ctDate:
            writer.WriteNumber(col, sheetRow, grid.GetDate(col, row), kDateFormat);
            break;
        case ctTime:
            writer.WriteNumber(col, sheetRow, WholeSeconds(grid.GetDate(col, row)), kTimeFormat);
            break;
        case ctDateTime:
            writer.WriteNumber(col, sheetRow, WholeSeconds(grid.GetDate(col, row)),
                               kDateTimeFormat);
            break;
        case ctText:
            WriteCutText(writer, col, sheetRow, grid.GetText(col, row), TXLSWrite::kDefaultFormat,
                         buffer);
            break;
        default:
            break;
    }
}

}  // namespace

void SetUpExcelExport(TXLSWrite& writer, int sheetCount) {
    // Every table shows its dates and times in the ISO layout, so the workbook does too.
    const TLocaleInfo& locale = TLocaleInfo::Iso();
    const std::string date = WorkbookPattern(locale.ShortDateFormat);
    const std::string time = WorkbookPattern(locale.LongTimeFormat);
    writer.SetXLSVersion("xls50");
    writer.Sheets.clear();
    for (int i = 1; i <= sheetCount; ++i) writer.Sheets.push_back("Sheet" + std::to_string(i));
    writer.Patterns.ShortDate = date;
    TCellFormat title = Format(tfGeneral);
    title.Font.Size = 12;
    title.Font.Style = xfsBold;
    // Times and dates with times get formats of their own, so that they do not show as dates.
    writer.Formats = {Format(tfDate),
                      Format(tf2Dec1000),
                      Format(tf0Dec1000),
                      Format(tfPercent),
                      title,
                      Format(tfUser, time),
                      Format(tfUser, date + " " + time)};
}

int ExcelSheetsFor(int rowCount) {
    const int dataRows = std::max(rowCount - 1, 0);
    return std::max(1, (dataRows + kSheetDataRows - 1) / kSheetDataRows);
}

int ExcelColumnWidth(int pixels) {
    return static_cast<int>(std::lround(std::clamp(pixels * kCharUnitsPerPixel, 0.0, 65535.0)));
}

void WriteExcelSheet(TXLSWrite& writer, const TVarGrid& grid, const std::string& title, int part) {
    const int colCount = std::min(grid.ColCount(), TXLSWrite::kMaxCol + 1);
    for (int col = 0; col < colCount; ++col)
        writer.WriteColumnWidth(col, col, ExcelColumnWidth(grid.GetColWidth(col)));
    std::string buffer;
    const std::string partTitle = part == 0 ? title : title + " (" + std::to_string(part + 1) + ")";
    WriteCutText(writer, 0, 0, partTitle, kTitleFormat, buffer);
    // The heading row goes to sheet row 1, the part's data rows from sheet row 2 on.
    const int firstRow = 1 + part * kSheetDataRows;
    const int endRow = std::min(grid.RowCount(), firstRow + kSheetDataRows);
    for (int col = 0; col < colCount; ++col) {
        const int numberFormat = NumberFormat(grid.GetColDecimals(col));
        if (grid.RowCount() > 0) WriteGridCell(writer, grid, col, 0, 1, numberFormat, buffer);
        for (int row = firstRow; row < endRow; ++row)
            WriteGridCell(writer, grid, col, row, row - firstRow + 2, numberFormat, buffer);
    }
}

TExcelExport::TExcelExport(const std::string& fileName, int reportCount)
    : reportCount_(std::max(reportCount, 1)) {
    SetUpExcelExport(writer_, 1);
    writer_.FileName = fileName;
    writer_.OpenFile();
}

TExcelExport::~TExcelExport() {
    try {
        AddUnreachedSheets();
        writer_.CloseFile();
    } catch (const std::exception&) {
        // A destructor cannot report; the file stays as far as it was written.
    }
}

int TExcelExport::WriteReport(const TVarGrid& grid, const std::string& title) {
    if (reportsStarted_ >= reportCount_) throw EXLSError("More reports than worksheets");
    ++reportsStarted_;
    const int sheets = ExcelSheetsFor(grid.RowCount());
    for (int part = 0; part < sheets; ++part) {
        StartSheet();
        WriteExcelSheet(writer_, grid, title, part);
    }
    return sheets;
}

void TExcelExport::Finish() {
    AddUnreachedSheets();
    writer_.CloseFile();
}

void TExcelExport::AddSheet() {
    writer_.AddSheet("Sheet" + std::to_string(++sheetCount_));
}

// The first sheet is started with the file; every later one is added as it is reached.
void TExcelExport::StartSheet() {
    if (sheetsUsed_++ == 0) return;
    AddSheet();
    writer_.NextSheet();
}

void TExcelExport::AddUnreachedSheets() {
    if (!writer_.FileIsOpen()) return;
    for (int report = std::max(reportsStarted_, 1); report < reportCount_; ++report) AddSheet();
}

}  // namespace vestrel
