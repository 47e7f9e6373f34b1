// Workbook records read back from the "Book" stream through libgsf's compound-file reader.
#include "output/xls_write.h"

#include <gsf/gsf.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace vestrel {
namespace {

using namespace std::string_literals;

struct TRecord {
    unsigned Id;
    size_t Offset;  // of the record header in the stream
    std::string Data;
};

unsigned U16(const std::string& data, size_t pos) {
    return static_cast<uint8_t>(data[pos]) | static_cast<uint8_t>(data[pos + 1]) << 8;
}

std::vector<TRecord> ReadRecords(const std::string& path) {
    GsfInput* file = gsf_input_stdio_new(path.c_str(), nullptr);
    GsfInfile* ole = file ? gsf_infile_msole_new(file, nullptr) : nullptr;
    GsfInput* stream = ole ? gsf_infile_child_by_name(ole, "Book") : nullptr;
    std::string book;
    if (stream != nullptr) {
        const auto size = static_cast<size_t>(gsf_input_size(stream));
        book.assign(reinterpret_cast<const char*>(gsf_input_read(stream, size, nullptr)), size);
    }
    for (GsfInput* object : {stream, GSF_INPUT(ole), file})
        if (object) g_object_unref(object);
    std::vector<TRecord> records;
    for (size_t pos = 0; pos + 4 <= book.size(); pos += 4 + U16(book, pos + 2))
        records.push_back({U16(book, pos), pos, book.substr(pos + 4, U16(book, pos + 2))});
    EXPECT_FALSE(records.empty()) << "no Book stream in " << path;
    return records;
}

std::vector<TRecord> WithId(const std::vector<TRecord>& records, unsigned id) {
    std::vector<TRecord> out;
    for (const TRecord& record : records)
        if (record.Id == id) out.push_back(record);
    return out;
}

// The ids of the records from the `n`-th BOF (0: the global part) up to its EOF.
std::vector<unsigned> PartIds(const std::vector<TRecord>& records, int n) {
    std::vector<unsigned> ids;
    for (const TRecord& record : records) {
        n -= record.Id == 0x0809;
        if (n == -1) ids.push_back(record.Id);
        if (n == -1 && record.Id == 0x000A) break;
    }
    return ids;
}

TCellFormat Format(TTextFormat textFormat, int size = 10, unsigned style = 0) {
    TCellFormat format;
    format.TextFormat = textFormat;
    format.Font.Size = size;
    format.Font.Style = style;
    return format;
}

template <typename Action>
void ExpectXLSError(Action action, const std::string& message) {
    try {
        action();
        ADD_FAILURE() << "no error, expected \"" << message << "\"";
    } catch (const EXLSError& error) {
        EXPECT_EQ(error.what(), message);
    }
}

class XLSWriteTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = ::testing::TempDir() + "vestrel-xls-XXXXXX";
        folder_ = mkdtemp(pattern.data());
        writer_.FileName = folder_ + "/book.xls";
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    std::vector<TRecord> Close() {
        writer_.CloseFile();
        return ReadRecords(writer_.FileName);
    }
    // The data of the LABEL record of a text.
    std::string Label(const std::string& text) {
        writer_.OpenFile();
        writer_.WriteText(1, 2, text, TXLSWrite::kDefaultFormat);
        const std::vector<TRecord> labels = WithId(Close(), 0x0204);
        return labels.empty() ? "" : labels[0].Data;
    }

    std::string folder_;
    TXLSWrite writer_;
};

TEST_F(XLSWriteTest, GlobalPartOrderFontsAndCellFormats) {
    writer_.Sheets = {"Sheet1", "Sheet2"};
    TCellFormat user = Format(tfUser);
    user.TextFormatUser = "0.0";
    writer_.Formats = {Format(tfDate), Format(tf2Dec1000), Format(tfGeneral, 12, xfsBold), user,
                       Format(tfGeneral)};
    writer_.OpenFile();
    const std::vector<TRecord> records = Close();

    std::vector<unsigned> expected = {0x0809, 0x005C, 0x0042, 0x009C, 0x0016, 0x0017,
                                      0x0017, 0x0019, 0x0012, 0x0013, 0x003D, 0x0040,
                                      0x008D, 0x0022, 0x000E, 0x01B7, 0x00DA};
    expected.insert(expected.end(), 10, 0x041E);  // 50 to 58 and 59 + 3
    expected.insert(expected.end(), 21, 0x00E0);
    expected.insert(expected.end(), 8, 0x0031);  // Arial 10 is shared, Arial 12 bold is font 8
    expected.insert(expected.end(), 6, 0x0293);
    expected.insert(expected.end(), {0x0092, 0x0085, 0x0085, 0x000A});
    EXPECT_EQ(PartIds(records, 0), expected);

    EXPECT_EQ(records[5].Data, "\x06\x03Sheet1");
    EXPECT_EQ(WithId(records, 0x041E)[9].Data, "\x3E\0\x03"s + "0.0");
    const std::vector<TRecord> xfs = WithId(records, 0x00E0);
    EXPECT_EQ(xfs[16].Data, "\x07\0\x38\0\x01\0\0\x04\xC0\x20\0\0\0\0\0\0"s);
    EXPECT_EQ(U16(xfs[17].Data, 0), 7u);
    EXPECT_EQ(U16(xfs[18].Data, 0), 8u);
    EXPECT_EQ(xfs[20].Data, "\x07\0\0\0\x01\0\0\0\xC0\x20\0\0\0\0\0\0"s);
    EXPECT_EQ(WithId(records, 0x0031)[7].Data,
              "\xF0\0\0\0\x08\0\xBC\x02\0\0\0\0\0\0\x05"s + "Arial");
    EXPECT_EQ(WithId(records, 0x0092)[0].Data.size(), 226u);
}

TEST_F(XLSWriteTest, SheetsStartAtTheirBoundSheetOffsetsAndEmptySheetsAreComplete) {
    writer_.Sheets = {"Sheet1", "Sheet2"};
    writer_.OpenFile();
    // Enough cells that the second sheet's offset is filled in after the first has been written.
    for (int row = 0; row < 6000; ++row)
        writer_.WriteNumber(0, row, row, TXLSWrite::kDefaultFormat);
    const std::vector<TRecord> records = Close();

    const std::vector<TRecord> bounds = WithId(records, 0x0085);
    const std::vector<TRecord> bofs = WithId(records, 0x0809);
    ASSERT_EQ(bofs.size(), 3u);
    for (int sheet = 0; sheet < 2; ++sheet)
        EXPECT_EQ(U16(bounds[sheet].Data, 0) | U16(bounds[sheet].Data, 2) << 16,
                  bofs[sheet + 1].Offset);
    EXPECT_EQ(PartIds(records, 2),
              (std::vector<unsigned>{0x0809, 0x005E, 0x000D, 0x000C, 0x000F, 0x0011, 0x0010,
                                     0x005F, 0x002A, 0x002B, 0x0082, 0x0080, 0x0225, 0x008C,
                                     0x0081, 0x0014, 0x0015, 0x0083, 0x0084, 0x00A1, 0x0016,
                                     0x0017, 0x0000, 0x0055, 0x003D, 0x023E, 0x001D, 0x000A}));
    const std::vector<TRecord> windows = WithId(records, 0x023E);
    EXPECT_EQ(U16(windows[0].Data, 0), 0x06B6u) << "the first sheet is selected";
    EXPECT_EQ(U16(windows[1].Data, 0), 0x04B6u);
}

TEST_F(XLSWriteTest, OptionsPageMarginsAndReservedBlock) {
    writer_.Options = soProtected;
    writer_.PageSetup.MarginLeft = 0.5;
    writer_.PageSetup.MarginTop = 0.0;
    writer_.SetReservedExtnamesSize(100);  // ignored
    writer_.SetReservedExtnamesSize(5000);
    writer_.OpenFile();
    const std::vector<TRecord> records = Close();
    EXPECT_EQ(U16(WithId(records, 0x0012)[0].Data, 0), 1u);
    EXPECT_EQ(U16(WithId(records, 0x023E)[0].Data, 0), 0x06B0u);
    for (unsigned id : {0x0026u, 0x0028u}) EXPECT_EQ(WithId(records, id).size(), 1u) << id;
    for (unsigned id : {0x0027u, 0x0029u}) EXPECT_EQ(WithId(records, id).size(), 0u) << id;
    EXPECT_EQ(WithId(records, 0x0000)[0].Data.size(), 2080u);
}

TEST_F(XLSWriteTest, CellsKeepTheirOrderAddressesAndFormats) {
    writer_.Formats = {Format(tfPercent)};
    writer_.OpenFile();
    writer_.WriteNumber(3, 70, 0.25, 0);
    writer_.WriteText(0, 1, "", 0);
    writer_.WriteText(255, 16383, "last", TXLSWrite::kDefaultFormat);
    const std::vector<TRecord> records = Close();
    const std::vector<TRecord> numbers = WithId(records, 0x0203);
    const std::vector<TRecord> labels = WithId(records, 0x0204);
    ASSERT_EQ(numbers.size(), 1u);
    ASSERT_EQ(labels.size(), 1u) << "an empty text writes nothing";
    EXPECT_LT(numbers[0].Offset, labels[0].Offset);
    EXPECT_EQ(numbers[0].Data, "\x46\0\x03\0\x10\0\0\0\0\0\0\0\xD0\x3F"s);
    EXPECT_EQ(labels[0].Data, "\xFF\x3F\xFF\0\x0F\0\x04\0"s + "last" + '\0');
}

TEST_F(XLSWriteTest, ColumnWidthsComeAfterTheDefaultWidthAndBeforeTheCells) {
    writer_.Sheets = {"Sheet1", "Sheet2"};
    writer_.OpenFile();
    writer_.WriteColumnWidth(2, 4, 1830);
    writer_.WriteColumnWidth(0, 0, 100000);
    writer_.WriteNumber(0, 0, 1, TXLSWrite::kDefaultFormat);
    ExpectXLSError([&] { writer_.WriteColumnWidth(1, 1, 10); },
                   "Column widths come before the sheet's cells");
    writer_.NextSheet();  // a new sheet takes widths again
    writer_.WriteColumnWidth(255, 255, -5);
    ExpectXLSError([&] { writer_.WriteColumnWidth(3, 2, 1); },
                   "Columns 3 to 2: outside the worksheet");
    ExpectXLSError([&] { writer_.WriteColumnWidth(0, 256, 1); },
                   "Columns 0 to 256: outside the worksheet");
    const std::vector<TRecord> records = Close();
    const std::vector<TRecord> widths = WithId(records, 0x007D);
    ASSERT_EQ(widths.size(), 3u);
    EXPECT_EQ(widths[0].Data, "\x02\0\x04\0\x26\x07\x0F\0\0\0\0"s);
    EXPECT_EQ(U16(widths[1].Data, 4), 0xFFFFu);
    EXPECT_EQ(U16(widths[2].Data, 0), 255u);
    EXPECT_EQ(U16(widths[2].Data, 4), 0u);
    std::vector<unsigned> ids = PartIds(records, 1);
    const auto width = std::find(ids.begin(), ids.end(), 0x007Du);
    ASSERT_NE(width, ids.end());
    EXPECT_EQ(*(width - 1), 0x0055u);
    EXPECT_EQ(*(width + 1), 0x007Du);
    EXPECT_EQ(*(width + 2), 0x0203u);
}

TEST_F(XLSWriteTest, TextsAreCodePage1252AndLimitedAfterConversion) {
    EXPECT_EQ(Label("\xE2\x82\xAC\xC3\xA4\xE6\x97\xA5").substr(6), "\x03\0\x80\xE4?\0"s);
    std::string latin;
    for (int i = 0; i < 255; ++i) latin += "\xC3\xA9";
    EXPECT_EQ(Label(latin).size(), 264u);
    ExpectXLSError([&] { Label(latin + "x"); }, "Cell R2,C1: String length more than 255 bytes");

    std::string out;
    AppendCp1252(out, "caf\xE9 \x81 \xC0\xAF \xED\xA0\x80 \xF0\x9F\x98\x80 \x9C");
    EXPECT_EQ(out, "caf\xE9 ? \xC0\xAF \xED\xA0\x80 ? \x9C") << "stray bytes are 1252 bytes";
}

TEST_F(XLSWriteTest, MisuseFailsWithItsText) {
    ExpectXLSError([&] { writer_.NextSheet(); }, "Call to NextSheet without OpenFile");
    ExpectXLSError([&] { writer_.WriteNumber(0, 0, 1, -1); },
                   "Can not write cells when file is closed");
    ExpectXLSError([&] { writer_.WriteColumnWidth(0, 0, 1); },
                   "Can not write column widths when file is closed");
    writer_.CloseFile();
    const std::string fileName = writer_.FileName;
    writer_.FileName = "  ";
    ExpectXLSError([&] { writer_.OpenFile(); }, "Filename is missing");
    writer_.FileName = folder_ + "/missing/book.xls";
    ExpectXLSError([&] { writer_.OpenFile(); },
                   "Cannot create file \"" + writer_.FileName + "\". No such file or directory");
    writer_.FileName = fileName;
    writer_.Sheets = {"Sheet1", ""};
    ExpectXLSError([&] { writer_.OpenFile(); }, "Sheet Name is missing");

    writer_.Sheets = {"Sheet1"};
    writer_.OpenFile();
    ExpectXLSError([&] { writer_.OpenFile(); }, "File is allready open");
    ExpectXLSError([&] { writer_.SetXLSVersion("xls97"); },
                   "Version can not be changed while file is open");
    ExpectXLSError([&] { writer_.NextSheet(); }, "Sheet index out of range");
    ExpectXLSError([&] { writer_.WriteNumber(0, 16384, 1, -1); },
                   "Cell R16384,C0: outside the worksheet");
    ExpectXLSError([&] { writer_.WriteNumber(0, 0, 1, 0); }, "Cell R0,C0: no cell format 0");
}

}  // namespace
}  // namespace vestrel
