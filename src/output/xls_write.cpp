#include "output/xls_write.h"

#include <gsf/gsf.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

#include "engine/text_encoding.h"
#include "engine/text_util.h"

namespace vestrel {

namespace {

// ---- Code page 1252 ----

char Cp1252Char(char32_t codePoint) {
    if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF))
        return static_cast<char>(codePoint);
    const auto* found = std::find(kCp1252High.begin(), kCp1252High.end(), codePoint);
    return found == kCp1252High.end() ? '?'
                                      : static_cast<char>(0x80 + (found - kCp1252High.begin()));
}

// A byte that is not part of UTF-8, read as code page 1252.
char Cp1252Byte(unsigned char byte) {
    const bool undefined = byte >= 0x80 && byte <= 0x9F && kCp1252High[byte - 0x80] == 0;
    return undefined ? '?' : static_cast<char>(byte);
}

// ---- Fixed record contents ----

constexpr uint16_t kBuild = 3515;
constexpr uint16_t kYear = 1998;
constexpr size_t kMaxSheetName = 31;
constexpr int kFirstCellXF = 16;
constexpr int kFirstFormatFont = 7;
constexpr int kWorkbookFontRecords = 6;  // font indexes 0, 1, 2, 3, 5 and 6
constexpr size_t kFlushSize = 64 * 1024;

// The 16 fixed XF records: 0 to 14 are style records, 15 is the default cell record. Most of
// them are alike, so each names one of five byte layouts.
using TXFBytes = std::array<uint8_t, 16>;
constexpr std::array<TXFBytes, 5> kFixedXFLayouts = {{
    {0x00, 0x00, 0x00, 0x00, 0xF5, 0xFF, 0x20, 0x00, 0xC0, 0x20, 0, 0, 0, 0, 0, 0},
    {0x01, 0x00, 0x00, 0x00, 0xF5, 0xFF, 0x20, 0xF4, 0xC0, 0x20, 0, 0, 0, 0, 0, 0},
    {0x02, 0x00, 0x00, 0x00, 0xF5, 0xFF, 0x20, 0xF4, 0xC0, 0x20, 0, 0, 0, 0, 0, 0},
    {0x00, 0x00, 0x00, 0x00, 0xF5, 0xFF, 0x20, 0xF4, 0xC0, 0x20, 0, 0, 0, 0, 0, 0},
    {0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x20, 0x00, 0xC0, 0x20, 0, 0, 0, 0, 0, 0},
}};
constexpr std::array<uint8_t, 16> kFixedXFLayoutOf = {0, 1, 1, 2, 2, 3, 3, 3,
                                                      3, 3, 3, 3, 3, 3, 3, 4};

constexpr std::array<std::array<uint8_t, 4>, 6> kStyles = {{
    {0x10, 0x80, 0x03, 0xFF},
    {0x11, 0x80, 0x06, 0xFF},
    {0x12, 0x80, 0x04, 0xFF},
    {0x13, 0x80, 0x07, 0xFF},
    {0x00, 0x80, 0x00, 0xFF},
    {0x14, 0x80, 0x05, 0xFF},
}};

// Palette indexes 8 to 63 as red-green-blue.
constexpr std::array<uint32_t, 56> kPalette = {
    0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0xFF00FF, 0x00FFFF,
    0x800000, 0x008000, 0x000080, 0x808000, 0x800080, 0x008080, 0xC0C0C0, 0x808080,
    0x9999FF, 0x993366, 0xFFFFCC, 0xCCFFFF, 0x660066, 0xFF8080, 0x0066CC, 0xCCCCFF,
    0x000080, 0xFF00FF, 0xFFFF00, 0x00FFFF, 0x800080, 0x800000, 0x008080, 0x0000FF,
    0x00CCFF, 0xCCFFFF, 0xCCFFCC, 0xFFFF99, 0x99CCFF, 0xFF99CC, 0xCC99FF, 0xE3E3E3,
    0x3366FF, 0x33CCCC, 0x99CC00, 0xFFCC00, 0xFF9900, 0xFF6600, 0x666699, 0x969696,
    0x003366, 0x339966, 0x003300, 0x333300, 0x993300, 0x993366, 0x333399, 0x333333};

constexpr int kFirstPatternFormat = 50;  // tf2Dec
constexpr int kFirstUserFormat = 59;

uint16_t NumberFormatIndex(const TCellFormat& format, int k) {
    if (format.TextFormat == tfGeneral) return 0;
    if (format.TextFormat == tfUser) return static_cast<uint16_t>(kFirstUserFormat + k);
    return static_cast<uint16_t>(kFirstPatternFormat + format.TextFormat - tf2Dec);
}

std::vector<TExcelFont> DistinctFonts(const std::vector<TCellFormat>& formats) {
    std::vector<TExcelFont> fonts;
    for (const TCellFormat& format : formats)
        if (std::find(fonts.begin(), fonts.end(), format.Font) == fonts.end())
            fonts.push_back(format.Font);
    return fonts;
}

std::string CellName(int col, int row) {
    return "Cell R" + std::to_string(row) + ",C" + std::to_string(col);
}

void InitGsf() {
    static const bool ready = [] {
        gsf_init();
        return true;
    }();
    (void)ready;
}

// The reason of a libgsf error without the path it names (which may be a temporary file's).
std::string GsfReason(const GError* error) {
    if (error == nullptr || error->message == nullptr) return "Write error";
    const std::string_view message = error->message;
    const size_t colon = message.rfind(": ");
    return std::string(colon == std::string_view::npos ? message : message.substr(colon + 2));
}

}  // namespace

void AppendCp1252(std::string& out, std::string_view text) {
    for (size_t i = 0; i < text.size();) {
        const auto byte = static_cast<unsigned char>(text[i]);
        char32_t codePoint;
        size_t length;
        if (byte < 0x80) {
            out += static_cast<char>(byte);
            ++i;
        } else if ((length = DecodeUtf8(text, i, codePoint)) != 0) {
            out += Cp1252Char(codePoint);
            i += length;
        } else {
            out += Cp1252Byte(byte);
            ++i;
        }
    }
}

// ---- Settings ----

TXLSWrite::~TXLSWrite() {
    try {
        CloseFile();
    } catch (const std::exception&) {
        // A destructor cannot report; the file stays as far as it was written.
    }
}

void TXLSWrite::SetXLSVersion(const std::string& version) {
    if (FileIsOpen()) throw EXLSError("Version can not be changed while file is open");
    if (version != "xls40" && version != "xls50" && version != "xls97")
        throw EXLSError("Unknown workbook version \"" + version + "\"");
    version_ = version;
}

int TXLSWrite::ReservedExtnamesSize() const {
    return std::min(reservedExtnames_, MaxBuffsize());
}

void TXLSWrite::SetReservedExtnamesSize(int size) {
    if (size >= 256) reservedExtnames_ = std::min(size, MaxBuffsize());
}

int TXLSWrite::MaxBuffsize() const {
    return version_ == "xls97" ? 8224 : 2080;
}

// ---- Records ----

void TXLSWrite::Put16(uint16_t value) {
    Put8(static_cast<uint8_t>(value));
    Put8(static_cast<uint8_t>(value >> 8));
}

void TXLSWrite::Put32(uint32_t value) {
    Put16(static_cast<uint16_t>(value));
    Put16(static_cast<uint16_t>(value >> 16));
}

void TXLSWrite::PutDouble(double value) {
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    Put32(static_cast<uint32_t>(bits));
    Put32(static_cast<uint32_t>(bits >> 32));
}

void TXLSWrite::PutShortText(const std::string& text) {
    Put8(static_cast<uint8_t>(text.size()));
    buffer_ += text;
}

void TXLSWrite::StartRecord(uint16_t id) {
    Put16(id);
    recordStart_ = buffer_.size();
    Put16(0);
}

void TXLSWrite::EndRecord() {
    const size_t length = buffer_.size() - recordStart_ - 2;
    buffer_[recordStart_] = static_cast<char>(length);
    buffer_[recordStart_ + 1] = static_cast<char>(length >> 8);
}

void TXLSWrite::Record(uint16_t id, std::initializer_list<uint16_t> words) {
    StartRecord(id);
    for (uint16_t word : words) Put16(word);
    EndRecord();
}

std::string TXLSWrite::WorkbookText(std::string_view text, const char* what) const {
    std::string converted;
    AppendCp1252(converted, text);
    if (converted.size() > kMaxText)
        throw EXLSError(std::string(what) + " longer than 255 bytes: " + std::string(text));
    return converted;
}

// ---- Global part ----

void TXLSWrite::WriteGlobals() {
    Record(0x0809, {0x0500, 0x0005, kBuild, kYear});  // BOF
    StartRecord(0x005C);                              // WRITEACCESS: an empty user name
    Put8(0);
    buffer_.append(30, ' ');
    Put8(0);
    EndRecord();
    Record(0x0042, {1252});                                       // CODEPAGE
    Record(0x009C, {14});                                         // FNGROUPCOUNT
    Record(0x0016, {static_cast<uint16_t>(sheetNames_.size())});  // EXTERNCOUNT
    WriteExternSheets();
    Record(0x0019, {0});                                                       // WINDOWPROTECT
    Record(0x0012, {static_cast<uint16_t>((Options & soProtected) ? 1 : 0)});  // PROTECT
    Record(0x0013, {0});                                                       // PASSWORD
    WriteWindow1();
    Record(0x0040, {0});  // BACKUP
    Record(0x008D, {0});  // HIDEOBJ
    Record(0x0022, {0});  // 1904
    Record(0x000E, {1});  // PRECISION
    Record(0x01B7, {0});  // REFRESHALL
    Record(0x00DA, {0});  // BOOKBOOL
    WriteFormats();
    WriteXFs();
    WriteFonts();
    WriteStylesAndPalette();
    WriteBoundSheets();
}

// One reference per sheet to that sheet of this workbook: the name's length, the marker 3 and
// the name.
void TXLSWrite::WriteExternSheets() {
    for (const std::string& name : sheetNames_) {
        StartRecord(0x0017);
        Put8(static_cast<uint8_t>(name.size()));
        Put8(3);
        buffer_ += name;
        EndRecord();
    }
}

void TXLSWrite::WriteWindow1() {
    Record(0x003D, {120, 120, 23820, 15720, 0x0038, 0, 0, 1, 600});
}

void TXLSWrite::WriteFormats() {
    const std::array<std::string_view, 9> patterns = {
        "0.00",
        "#,##0",
        "#,##0.00",
        "0.00%",
        Patterns.Currency0Dec,
        Patterns.Currency2Dec,
        Patterns.ShortDate,
        Patterns.ShortTime,
        "@",
    };
    auto formatRecord = [&](int index, std::string_view pattern) {
        StartRecord(0x041E);
        Put16(static_cast<uint16_t>(index));
        PutShortText(WorkbookText(pattern, "Number format"));
        EndRecord();
    };
    for (size_t i = 0; i < patterns.size(); ++i)
        formatRecord(kFirstPatternFormat + static_cast<int>(i), patterns[i]);
    for (size_t k = 0; k < Formats.size(); ++k)
        if (Formats[k].TextFormat == tfUser)
            formatRecord(kFirstUserFormat + static_cast<int>(k), Formats[k].TextFormatUser);
}

void TXLSWrite::WriteXFs() {
    for (uint8_t layout : kFixedXFLayoutOf) {
        StartRecord(0x00E0);
        for (uint8_t byte : kFixedXFLayouts[layout]) Put8(byte);
        EndRecord();
    }
    for (size_t k = 0; k < Formats.size(); ++k) {
        const TCellFormat& format = Formats[k];
        const auto font = std::find(distinctFonts_.begin(), distinctFonts_.end(), format.Font);
        StartRecord(0x00E0);
        Put16(static_cast<uint16_t>(kFirstFormatFont + (font - distinctFonts_.begin())));
        Put16(NumberFormatIndex(format, static_cast<int>(k)));
        Put16(0x0001);  // a locked cell record whose parent is style record 0
        Put16(format.TextFormat == tfGeneral ? 0 : 0x0400);  // number format set
        Put16(0x20C0);                                       // pattern colours 64 and 65
        buffer_.append(6, '\0');
        EndRecord();
    }
}

void TXLSWrite::WriteFonts() {
    auto fontRecord = [&](const TExcelFont& font) {
        const std::string name = WorkbookText(font.Name, "Font name");
        StartRecord(0x0031);
        Put16(static_cast<uint16_t>(font.Size * 20));
        Put16(static_cast<uint16_t>(((font.Style & xfsItalic) ? 0x0002 : 0) |
                                    ((font.Style & xfsStrikeOut) ? 0x0008 : 0)));
        Put16(font.Color);
        Put16((font.Style & xfsBold) ? 700 : 400);
        Put16(0);  // escapement
        Put8(font.Underline);
        Put8(0);  // family
        Put8(font.Charset);
        Put8(0);
        PutShortText(name);
        EndRecord();
    };
    for (int i = 0; i < kWorkbookFontRecords; ++i) fontRecord(Font);
    for (const TExcelFont& font : distinctFonts_) fontRecord(font);
}

void TXLSWrite::WriteStylesAndPalette() {
    for (const auto& style : kStyles) {
        StartRecord(0x0293);
        for (uint8_t byte : style) Put8(byte);
        EndRecord();
    }
    StartRecord(0x0092);
    Put16(static_cast<uint16_t>(kPalette.size()));
    for (uint32_t rgb : kPalette) {
        Put8(static_cast<uint8_t>(rgb >> 16));
        Put8(static_cast<uint8_t>(rgb >> 8));
        Put8(static_cast<uint8_t>(rgb));
        Put8(0);
    }
    EndRecord();
}

// The offset of each sheet's BOF is filled in once the size of the global part is known.
void TXLSWrite::WriteBoundSheets() {
    for (const std::string& name : sheetNames_) {
        StartRecord(0x0085);
        boundSheetOffsets_.push_back(buffer_.size());
        Put32(0);
        Put16(0);  // a visible worksheet
        PutShortText(name);
        EndRecord();
    }
}

// ---- Sheets ----

void TXLSWrite::WriteSheetStart() {
    Record(0x0809, {0x0500, 0x0010, kBuild, kYear});  // BOF
    Record(0x005E, {0});                              // UNCALCED
    Record(0x000D, {1});                              // CALCMODE
    Record(0x000C, {100});                            // CALCCOUNT
    Record(0x000F, {1});                              // REFMODE
    Record(0x0011, {0});                              // ITERATION
    StartRecord(0x0010);                              // DELTA
    PutDouble(0.001);
    EndRecord();
    Record(0x005F, {1});           // SAVERECALC
    Record(0x002A, {0});           // PRINTHEADERS
    Record(0x002B, {0});           // PRINTGRIDLINES
    Record(0x0082, {1});           // GRIDSET
    Record(0x0080, {0, 0, 0, 0});  // GUTS
    Record(0x0225, {0, 255});      // DEFAULTROWHEIGHT
    Record(0x008C, {1, 1});        // COUNTRY
    Record(0x0081, {0x04C1});      // WSBOOL
    Record(0x0014, {});            // HEADER
    Record(0x0015, {});            // FOOTER
    Record(0x0083, {0});           // HCENTER
    Record(0x0084, {0});           // VCENTER
    WriteSheetMargins();
    WriteSheetSetup();
    Record(0x0016, {1});       // EXTERNCOUNT
    Record(0x0017, {0x0201});  // EXTERNSHEET: the sheet's reference to itself
    StartRecord(0x0000);       // room for the external names of formulas
    buffer_.append(static_cast<size_t>(ReservedExtnamesSize()), '\0');
    EndRecord();
    Record(0x0055, {8});  // DEFCOLWIDTH
}

void TXLSWrite::WriteSheetMargins() {
    const std::array<std::pair<uint16_t, double>, 4> margins = {{
        {0x0026, PageSetup.MarginLeft},
        {0x0027, PageSetup.MarginRight},
        {0x0028, PageSetup.MarginTop},
        {0x0029, PageSetup.MarginBottom},
    }};
    for (const auto& [id, margin] : margins) {
        if (!(margin >= 0)) continue;
        StartRecord(id);
        PutDouble(margin);
        EndRecord();
    }
}

void TXLSWrite::WriteSheetSetup() {
    constexpr unsigned kOptionBits =
        psoLeftToRight | psoPortrait | psoNoColor | psoDraftQuality | psoPrintNotes;
    StartRecord(0x00A1);
    for (unsigned word : {0u, static_cast<unsigned>(PageSetup.ScalingFactor),
                          static_cast<unsigned>(PageSetup.StartingPage), 1u, 1u,
                          PageSetup.Options & kOptionBits, 0xCA52u, 0x0012u})
        Put16(static_cast<uint16_t>(word));
    PutDouble(PageSetup.HeaderMargin);
    PutDouble(PageSetup.FooterMargin);
    Put16(static_cast<uint16_t>(PageSetup.Copies));
    EndRecord();
}

void TXLSWrite::WriteSheetEnd() {
    WriteWindow1();
    uint16_t flags = 0x04B0;
    if (CurrSheetIndex() == 0) flags |= 0x0200;  // the selected tab
    if (Options & soGridlines) flags |= 0x0002;
    if (Options & soRowColHeadings) flags |= 0x0004;
    Record(0x023E, {flags, 0, 0, 0, 0});  // WINDOW2
    StartRecord(0x001D);                  // SELECTION: cell A1 in pane 3
    Put8(3);
    for (uint16_t word : {0, 0, 0, 1, 0, 0}) Put16(word);
    Put8(0);
    Put8(0);
    EndRecord();
}

// ---- Opening and closing ----

void TXLSWrite::CheckCanOpen() const {
    if (FileIsOpen()) throw EXLSError("File is allready open");
    if (Trim(FileName).empty()) throw EXLSError("Filename is missing");
    if (Sheets.empty() || std::any_of(Sheets.begin(), Sheets.end(),
                                      [](const std::string& name) { return name.empty(); }))
        throw EXLSError("Sheet Name is missing");
    if (version_ != "xls50") throw EXLSError("Only xls50 workbooks can be written");
}

std::string TXLSWrite::SheetName(const std::string& name) const {
    if (name.empty()) throw EXLSError("Sheet Name is missing");
    std::string converted;
    AppendCp1252(converted, name);
    if (converted.size() > kMaxSheetName)
        throw EXLSError("Sheet name longer than 31 characters: " + name);
    return converted;
}

void TXLSWrite::OpenFile() {
    CheckCanOpen();
    Reset();
    for (const std::string& name : Sheets) sheetNames_.push_back(SheetName(name));
    formatCount_ = static_cast<int>(Formats.size());
    distinctFonts_ = DistinctFonts(Formats);
    // A dry run, so that a text the global part cannot hold fails before the file is created.
    WriteGlobals();
    buffer_.clear();
    boundSheetOffsets_.clear();
    CreateFile();
    NextSheet();
}

void TXLSWrite::AddSheet(const std::string& name) {
    if (!FileIsOpen()) {
        Sheets.push_back(name);
        return;
    }
    sheetNames_.push_back(SheetName(name));
}

void TXLSWrite::CreateFile() {
    InitGsf();
    GError* error = nullptr;
    GsfOutput* file = gsf_output_stdio_new(FileName.c_str(), &error);
    if (file == nullptr) {
        const std::string reason = GsfReason(error);
        g_clear_error(&error);
        throw EXLSError("Cannot create file \"" + FileName + "\". " + reason);
    }
    container_ = gsf_outfile_msole_new(file);  // holds the file from here on
    g_object_unref(file);
    stream_ = gsf_outfile_new_child(container_, "Book", FALSE);
    openFileName_ = FileName;
    sheetPart_.reset(std::tmpfile());
    if (!sheetPart_) FailWriting(std::strerror(errno));
}

void TXLSWrite::NextSheet() {
    if (!FileIsOpen()) throw EXLSError("Call to NextSheet without OpenFile");
    if (sheetsStarted_ >= static_cast<int>(sheetNames_.size()))
        throw EXLSError("Sheet index out of range");
    if (sheetsStarted_ > 0) {
        WriteSheetEnd();
        Record(0x000A, {});  // EOF
    }
    sheetOffsets_.push_back(Position());
    ++sheetsStarted_;
    sheetHasCells_ = false;
    WriteSheetStart();
    FlushWhenFull();
}

void TXLSWrite::CloseFile() {
    if (!FileIsOpen()) return;
    while (sheetsStarted_ < static_cast<int>(sheetNames_.size())) NextSheet();
    WriteSheetEnd();
    Record(0x000A, {});  // EOF
    Flush();
    WriteBook();
    ReleaseFile(true);
}

// ---- The stream ----

void TXLSWrite::FlushWhenFull() {
    if (buffer_.size() >= kFlushSize) Flush();
}

void TXLSWrite::Flush() {
    if (!buffer_.empty() &&
        std::fwrite(buffer_.data(), 1, buffer_.size(), sheetPart_.get()) != buffer_.size())
        FailWriting(std::strerror(errno));
    flushed_ += buffer_.size();
    buffer_.clear();
}

// The "Book" stream: the global part with the sheets' offsets, its EOF, then the sheet part.
void TXLSWrite::WriteBook() {
    WriteGlobals();
    Record(0x000A, {});  // EOF
    const size_t globalsSize = buffer_.size();
    for (size_t i = 0; i < sheetOffsets_.size(); ++i) {
        const auto offset = static_cast<uint32_t>(globalsSize + sheetOffsets_[i]);
        for (size_t b = 0; b < 4; ++b)
            buffer_[boundSheetOffsets_[i] + b] = static_cast<char>(offset >> (8 * b));
    }
    WriteStream(buffer_.data(), buffer_.size());
    buffer_.clear();
    std::rewind(sheetPart_.get());
    std::array<char, kFlushSize> chunk;
    for (size_t n; (n = std::fread(chunk.data(), 1, chunk.size(), sheetPart_.get())) > 0;)
        WriteStream(chunk.data(), n);
    if (std::ferror(sheetPart_.get())) FailWriting(std::strerror(errno));
}

void TXLSWrite::WriteStream(const void* data, size_t size) {
    if (!gsf_output_write(stream_, size, static_cast<const guint8*>(data)))
        FailWriting(GsfReason(gsf_output_error(stream_)));
}

// The file is closed as far as it was written.
void TXLSWrite::FailWriting(const std::string& reason) {
    const std::string message = "Cannot write file \"" + openFileName_ + "\". " + reason;
    ReleaseFile(false);
    throw EXLSError(message);
}

// Closes the stream and the compound file, which also closes the file and moves it into place.
void TXLSWrite::ReleaseFile(bool reportFailure) {
    bool closed = gsf_output_close(stream_);
    std::string reason = closed ? "" : GsfReason(gsf_output_error(stream_));
    if (!gsf_output_close(GSF_OUTPUT(container_)) && closed) {
        closed = false;
        reason = GsfReason(gsf_output_error(GSF_OUTPUT(container_)));
    }
    g_object_unref(stream_);
    g_object_unref(container_);
    const std::string fileName = openFileName_;
    Reset();
    if (reportFailure && !closed)
        throw EXLSError("Cannot write file \"" + fileName + "\". " + reason);
}

void TXLSWrite::Reset() {
    container_ = nullptr;
    stream_ = nullptr;
    sheetPart_.reset();
    openFileName_.clear();
    buffer_.clear();
    flushed_ = 0;
    sheetNames_.clear();
    sheetOffsets_.clear();
    boundSheetOffsets_.clear();
    distinctFonts_.clear();
    formatCount_ = 0;
    sheetsStarted_ = 0;
}

// ---- Cells ----

void TXLSWrite::WriteColumnWidth(int firstCol, int lastCol, int width) {
    if (!FileIsOpen()) throw EXLSError("Can not write column widths when file is closed");
    if (sheetHasCells_) throw EXLSError("Column widths come before the sheet's cells");
    if (firstCol < 0 || lastCol > kMaxCol || firstCol > lastCol)
        throw EXLSError("Columns " + std::to_string(firstCol) + " to " + std::to_string(lastCol) +
                        ": outside the worksheet");
    StartRecord(0x007D);  // COLINFO
    Put16(static_cast<uint16_t>(firstCol));
    Put16(static_cast<uint16_t>(lastCol));
    Put16(static_cast<uint16_t>(std::clamp(width, 0, 0xFFFF)));
    Put16(kFirstCellXF - 1);  // the default cell format
    Put16(0);                 // shown, not collapsed, no outline level
    Put8(0);
    EndRecord();
}

uint16_t TXLSWrite::CellXF(int col, int row, int format) {
    if (!FileIsOpen()) throw EXLSError("Can not write cells when file is closed");
    if (col < 0 || col > kMaxCol || row < 0 || row > kMaxRow)
        throw EXLSError(CellName(col, row) + ": outside the worksheet");
    if (format < kDefaultFormat || format >= formatCount_)
        throw EXLSError(CellName(col, row) + ": no cell format " + std::to_string(format));
    sheetHasCells_ = true;
    return static_cast<uint16_t>(format == kDefaultFormat ? kFirstCellXF - 1
                                                          : kFirstCellXF + format);
}

void TXLSWrite::WriteNumber(int col, int row, double value, int format) {
    const uint16_t xf = CellXF(col, row, format);
    StartRecord(0x0203);
    Put16(static_cast<uint16_t>(row));
    Put16(static_cast<uint16_t>(col));
    Put16(xf);
    PutDouble(value);
    EndRecord();
    FlushWhenFull();
}

void TXLSWrite::WriteText(int col, int row, std::string_view text, int format) {
    textBuffer_.clear();
    AppendCp1252(textBuffer_, text);
    WriteCp1252Text(col, row, textBuffer_, format);
}

void TXLSWrite::WriteCp1252Text(int col, int row, std::string_view text, int format) {
    const uint16_t xf = CellXF(col, row, format);
    if (text.empty()) return;
    if (text.size() > kMaxText)
        throw EXLSError(CellName(col, row) + ": String length more than 255 bytes");
    StartRecord(0x0204);
    Put16(static_cast<uint16_t>(row));
    Put16(static_cast<uint16_t>(col));
    Put16(xf);
    Put16(static_cast<uint16_t>(text.size()));
    buffer_ += text;
    Put8(0);
    EndRecord();
    FlushWhenFull();
}

}  // namespace vestrel
