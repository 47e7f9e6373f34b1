#include "output/excel_export.h"

#include <algorithm>

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

void WriteGridCell(TXLSWrite& writer, const TVarGrid& grid, int col, int row, int numberFormat,
                   std::string& buffer) {
    const int sheetRow = row + 1;
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
            writer.WriteNumber(col, sheetRow, grid.GetDate(col, row), kTimeFormat);
            break;
        case ctDateTime:
            writer.WriteNumber(col, sheetRow, grid.GetDate(col, row), kDateTimeFormat);
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

void WriteExcelSheet(TXLSWrite& writer, const TVarGrid& grid, const std::string& title) {
    std::string buffer;
    WriteCutText(writer, 0, 0, title, kTitleFormat, buffer);
    // Grid row r goes to sheet row r + 1.
    const int rowCount = std::min(grid.RowCount(), TXLSWrite::kMaxRow);
    const int colCount = std::min(grid.ColCount(), TXLSWrite::kMaxCol + 1);
    for (int col = 0; col < colCount; ++col) {
        const int numberFormat = NumberFormat(grid.GetColDecimals(col));
        for (int row = 0; row < rowCount; ++row)
            WriteGridCell(writer, grid, col, row, numberFormat, buffer);
    }
}

TExcelExport::TExcelExport(const std::string& fileName, int reportCount)
    : sheetCount_(std::max(reportCount, 1)) {
    SetUpExcelExport(writer_, sheetCount_);
    writer_.FileName = fileName;
    writer_.OpenFile();
}

void TExcelExport::WriteReport(const TVarGrid& grid, const std::string& title) {
    if (reportsWritten_ >= sheetCount_) throw EXLSError("More reports than worksheets");
    WriteExcelSheet(writer_, grid, title);
    if (++reportsWritten_ < sheetCount_) writer_.NextSheet();
}

void TExcelExport::Finish() {
    writer_.CloseFile();
}

}  // namespace vestrel
