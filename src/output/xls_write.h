// Writer of Excel 5.0/95 workbooks (BIFF5): one stream named "Book" inside a compound document
// file, sheet after sheet, with number and text cells and a small set of cell formats.
//
// Calling order: set the members, OpenFile, then for each sheet write its cells and call
// NextSheet to go on to the next one, and finally CloseFile. Cell addresses are 0-based.
#pragma once

#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/errors.h"

typedef struct _GsfOutput GsfOutput;
typedef struct _GsfOutfile GsfOutfile;

namespace vestrel {

// A workbook operation that cannot be carried out; the text says what was wrong.
class EXLSError : public EVestrelError {
  public:
    using EVestrelError::EVestrelError;
};

enum TTextFormat : uint8_t {
    tfGeneral,
    tf2Dec,
    tf0Dec1000,
    tf2Dec1000,
    tfPercent,
    tfCurrency0Dec,
    tfCurrency2Dec,
    tfDate,
    tfTime,
    tfText,
    tfUser,
};

enum TExcelFontStyle : unsigned { xfsBold = 1, xfsItalic = 2, xfsStrikeOut = 4 };
enum TSubSuperScript : uint8_t { xssNone, xssSuperscript, xssSubscript };
// The values are the underline bytes of a FONT record.
enum TUnderline : uint8_t {
    xulNone = 0,
    xulSingle = 1,
    xulDouble = 2,
    xulSingleAccount = 0x21,
    xulDoubleAccount = 0x22,
};
// Palette indexes: 8 to 63 are the palette colours, 64 the system's "no colour".
enum TExcelColor : uint16_t { xcBlack = 8, xcWhite = 9, xcNoColor = 64 };

struct TExcelFont {
    std::string Name = "Arial";
    int Size = 10;       // points
    unsigned Style = 0;  // TExcelFontStyle bits
    TExcelColor Color = xcBlack;
    uint8_t Charset = 0;
    TSubSuperScript SubSuperScript = xssNone;  // tells fonts apart, not written
    TUnderline Underline = xulNone;

    bool operator==(const TExcelFont&) const = default;
};

struct TCellFormat {
    TExcelFont Font;
    TTextFormat TextFormat = tfGeneral;
    std::string TextFormatUser;  // the number-format pattern of tfUser
};

enum TSheetOption : unsigned { soGridlines = 1, soRowColHeadings = 2, soProtected = 4 };
// The values are the option bits of a SETUP record.
enum TPageSetupOption : unsigned {
    psoLeftToRight = 0x01,
    psoPortrait = 0x02,
    psoNoColor = 0x08,
    psoDraftQuality = 0x10,
    psoPrintNotes = 0x20,
};

struct TPageSetup {
    int ScalingFactor = 46;
    int StartingPage = 1;
    unsigned Options = psoPortrait;  // TPageSetupOption bits
    double HeaderMargin = 0.0;
    double FooterMargin = 0.0;
    int Copies = 0;
    // A negative margin is not set and not written.
    double MarginLeft = -1.0;
    double MarginRight = -1.0;
    double MarginTop = -1.0;
    double MarginBottom = -1.0;
};

// The number-format patterns that follow the user's conventions, in the workbook's pattern
// syntax; the defaults match the program's ISO display of dates and times.
struct TLocalePatterns {
    std::string Currency0Dec = "\"$\"#,##0";
    std::string Currency2Dec = "\"$\"#,##0.00";
    std::string ShortDate = "yyyy-mm-dd";
    std::string ShortTime = "hh:mm";
};

// Appends `text` in code page 1252, the workbook's code page. The text is UTF-8; bytes that do
// not form UTF-8 are taken as code page 1252 bytes already. Characters the code page lacks
// become "?".
void AppendCp1252(std::string& out, std::string_view text);

class TXLSWrite {
  public:
    static constexpr int kMaxRow = 16383;  // a BIFF5 worksheet has 16384 rows and 256 columns
    static constexpr int kMaxCol = 255;
    static constexpr int kMaxText = 255;  // bytes of a cell text
    static constexpr int kDefaultFormat = -1;

    TXLSWrite() = default;
    TXLSWrite(const TXLSWrite&) = delete;
    TXLSWrite& operator=(const TXLSWrite&) = delete;
    ~TXLSWrite();  // closes an open file first

    // Read by OpenFile; changes made while a file is open apply to the next file.
    std::string FileName;
    std::vector<std::string> Sheets{"Sheet1"};
    std::vector<TCellFormat> Formats;                   // format k has XF index 16 + k
    TExcelFont Font;                                    // the workbook's default font
    unsigned Options = soGridlines | soRowColHeadings;  // TSheetOption bits
    TPageSetup PageSetup;
    TLocalePatterns Patterns;

    // "xls40", "xls50" or "xls97"; only "xls50" workbooks can be written.
    const std::string& XLSVersion() const { return version_; }
    void SetXLSVersion(const std::string& version);
    // Bytes reserved per sheet for the external names of formulas; values below 256 are
    // ignored, larger ones are capped at MaxBuffsize.
    int ReservedExtnamesSize() const;
    void SetReservedExtnamesSize(int size);
    int MaxBuffsize() const;  // the largest record data length
    bool FileIsOpen() const { return stream_ != nullptr; }
    int CurrSheetIndex() const { return sheetsStarted_ - 1; }

    // Creates the file and starts the first sheet. The workbook's global records, which list
    // the sheets, are written by CloseFile.
    void OpenFile();
    // While a file is open, adds a sheet after the last one of the workbook; otherwise adds it
    // to Sheets.
    void AddSheet(const std::string& name);
    // Finishes the sheet in progress, if any, and starts the next one of Sheets.
    void NextSheet();
    // Starts any sheets not yet started (they stay empty), finishes the last one and writes the
    // file. Does nothing when no file is open.
    void CloseFile();

    // Gives the columns `firstCol` to `lastCol` of the current sheet a width in 1/256 of a
    // character (cut to 0..65535). The widths come before the sheet's first cell.
    void WriteColumnWidth(int firstCol, int lastCol, int width);

    // `format` is kDefaultFormat or an index into Formats.
    void WriteNumber(int col, int row, double value, int format);
    // A UTF-8 text, written in code page 1252; an empty text writes nothing.
    void WriteText(int col, int row, std::string_view text, int format);
    // A text already in code page 1252.
    void WriteCp1252Text(int col, int row, std::string_view text, int format);

  private:
    void CheckCanOpen() const;
    std::string WorkbookText(std::string_view text, const char* what) const;
    void WriteGlobals();
    void WriteExternSheets();
    void WriteFormats();
    void WriteXFs();
    void WriteFonts();
    void WriteStylesAndPalette();
    void WriteBoundSheets();
    void WriteSheetStart();
    void WriteSheetMargins();
    void WriteSheetSetup();
    void WriteSheetEnd();
    void WriteWindow1();
    uint16_t CellXF(int col, int row, int format);
    std::string SheetName(const std::string& name) const;
    void CreateFile();
    size_t Position() const { return flushed_ + buffer_.size(); }
    void FlushWhenFull();
    void Flush();
    void WriteBook();
    void WriteStream(const void* data, size_t size);
    [[noreturn]] void FailWriting(const std::string& reason);
    void ReleaseFile(bool reportFailure);
    void Reset();

    void StartRecord(uint16_t id);
    void EndRecord();
    void Record(uint16_t id, std::initializer_list<uint16_t> words);
    void Put8(uint8_t value) { buffer_.push_back(static_cast<char>(value)); }
    void Put16(uint16_t value);
    void Put32(uint32_t value);
    void PutDouble(double value);
    void PutShortText(const std::string& text);  // length byte and the text

    std::string version_ = "xls50";
    int reservedExtnames_ = 256;

    // State of the open file.
    GsfOutfile* container_ = nullptr;  // the compound file
    GsfOutput* stream_ = nullptr;      // its "Book" stream
    // The sheets' records wait in a temporary file until the global part can list every sheet.
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> sheetPart_{nullptr, &std::fclose};
    std::string openFileName_;
    std::string buffer_;  // records not yet handed to the sheet part
    size_t flushed_ = 0;  // sheet-part bytes before buffer_
    size_t recordStart_ = 0;
    std::vector<std::string> sheetNames_;    // in code page 1252
    std::vector<size_t> sheetOffsets_;       // of each started sheet's BOF in the sheet part
    std::vector<size_t> boundSheetOffsets_;  // of the BOUNDSHEET offset fields in buffer_
    std::vector<TExcelFont> distinctFonts_;
    int formatCount_ = 0;
    int sheetsStarted_ = 0;
    bool sheetHasCells_ = false;
    std::string textBuffer_;
};

}  // namespace vestrel
