// Workbooks read back by real readers: xlrd (through read_xls.py) and LibreOffice.
#include "output/excel_export.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace vestrel {
namespace {

using nlohmann::json;

// A Python interpreter that has xlrd, or "" when there is none.
const std::string& XlrdPython() {
    static const std::string python = [] {
        for (std::string candidate : {"python3", "/usr/bin/python3"})
            if (std::system((candidate + " -c 'import xlrd' >/dev/null 2>&1").c_str()) == 0)
                return candidate;
        return std::string();
    }();
    return python;
}

std::string RunCommand(const std::string& command) {
    std::string output;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[65536];
        for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
        pclose(pipe);
    }
    return output;
}

json ReadWithXlrd(const std::string& path) {
    const std::string script = std::string(VESTREL_SOURCE_DIR) + "/tests/output/read_xls.py";
    const json book =
        json::parse(RunCommand(XlrdPython() + " " + script + " '" + path + "'"), nullptr, false);
    EXPECT_FALSE(book.is_discarded()) << "xlrd could not read " << path;
    return book.is_discarded() ? json{{"sheets", json::array()}} : book;
}

// The cell at (row, col) of a sheet as xlrd read it, or null.
json Cell(const json& sheet, int row, int col) {
    for (const json& cell : sheet["cells"])
        if (cell["row"] == row && cell["col"] == col) return cell;
    return nullptr;
}

// The lines of every sheet as LibreOffice shows them, converted to CSV, by sheet name.
std::map<std::string, std::vector<std::string>> ShownByLibreOffice(const std::string& path,
                                                                   const std::string& folder) {
    RunCommand("soffice --headless -env:UserInstallation=file://" + folder +
               "/lo-profile --convert-to "
               "'csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,true,false,false,-1' "
               "--outdir '" +
               folder + "/csv' '" + path + "' 2>&1");
    std::map<std::string, std::vector<std::string>> sheets;
    const size_t stem = std::filesystem::path(path).stem().string().size() + 1;
    for (const auto& entry : std::filesystem::directory_iterator(folder + "/csv")) {
        std::ifstream file(entry.path());
        auto& lines = sheets[entry.path().stem().string().substr(stem)];
        for (std::string line; std::getline(file, line);) lines.push_back(line);
    }
    return sheets;
}

const std::string kLongText(300, 'a');
const std::string kLongestText(255, 'b');
const std::string kUtf8Text =
    "Gr\xC3\xB6\xC3\x9F"
    "e \xE2\x82\xAC";

// One column of each kind the export tells apart; row 3 holds nothing to write.
TVarGrid SampleGrid() {
    TVarGrid grid;
    grid.SetColCount(9);
    grid.SetRowCount(4);
    const std::vector<std::pair<const char*, TCellType>> columns = {
        {"Page", ctText},   {"Hits", ctInteger},  {"Bytes/Hit", ctFloat},
        {"Ratio", ctFloat}, {"Share", ctPercent}, {"Date", ctDate},
        {"Time", ctTime},   {"Last", ctDateTime}, {"Note", ctText}};
    for (int col = 0; col < 9; ++col)
        DefineColumn(grid, col, columns[col].first, columns[col].second, 50);
    grid.SetColDecimals(1, 0);
    grid.SetColDecimals(3, 1);
    grid.SetText(0, 1, kLongText);
    grid.SetInt(1, 1, 1234);
    grid.SetFloat(2, 1, 1234.5);
    grid.SetFloat(3, 1, 0.5);
    grid.SetFloat(4, 1, 0.125);
    grid.SetDateTime(5, 1, 45000);  // 2023-03-15
    grid.SetDateTime(6, 1, 0.5);
    grid.SetDateTime(7, 1, 45000.25);
    grid.SetText(8, 1, kUtf8Text);
    grid.SetText(0, 2, kLongestText);
    grid.SetCellType(1, 3, ctBlank);
    return grid;
}

TVarGrid OneTextGrid(const std::string& heading) {
    TVarGrid grid;
    grid.SetColCount(1);
    DefineColumn(grid, 0, heading, ctText, 100);
    return grid;
}

class ExcelExportTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = ::testing::TempDir() + "vestrel-excel-XXXXXX";
        folder_ = mkdtemp(pattern.data());
        book_ = folder_ + "/export.xls";
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    void WriteThreeReports() {
        TExcelExport exporter(book_, 3);
        exporter.WriteReport(SampleGrid(), "  Sample");
        exporter.WriteReport(OneTextGrid("Browser"), "  Browsers");
        exporter.WriteReport(OneTextGrid("Domain"), "  Domains");
        exporter.Finish();
    }

    std::string folder_;
    std::string book_;
};

#define REQUIRE_XLRD() \
    if (XlrdPython().empty()) GTEST_SKIP() << "xlrd is not installed (python3-xlrd)"

TEST_F(ExcelExportTest, XlrdReadsTitlesHeadingsValuesAndFormats) {
    REQUIRE_XLRD();
    WriteThreeReports();
    const json book = ReadWithXlrd(book_);
    EXPECT_EQ(book["codepage"], 1252);
    ASSERT_EQ(book["sheets"].size(), 3u);
    const char* titles[] = {"  Sample", "  Browsers", "  Domains"};
    for (int i = 0; i < 3; ++i) {
        const json& sheet = book["sheets"][i];
        EXPECT_EQ(sheet["name"], "Sheet" + std::to_string(i + 1));
        EXPECT_EQ(Cell(sheet, 0, 0)["value"], titles[i]);
        EXPECT_EQ(Cell(sheet, 0, 0)["font"]["height"], 240);
        EXPECT_EQ(Cell(sheet, 0, 0)["font"]["weight"], 700);
    }
    const json& sheet = book["sheets"][0];
    EXPECT_EQ(Cell(sheet, 1, 2)["value"], "Bytes/Hit");
    EXPECT_EQ(Cell(sheet, 1, 2)["font"]["weight"], 400);
    struct TExpected {
        std::string Kind;
        double Value;
        std::string Format;
    };
    const std::vector<TExpected> expected = {{"number", 1234, "#,##0"},
                                             {"number", 1234.5, "#,##0.00"},
                                             {"number", 0.5, "General"},
                                             {"number", 0.125, "0.00%"},
                                             {"date", 45000, "yyyy-mm-dd"},
                                             {"date", 0.5, "hh:mm:ss"},
                                             {"date", 45000.25, "yyyy-mm-dd hh:mm:ss"}};
    for (int col = 1; col <= 7; ++col) {
        const json cell = Cell(sheet, 2, col);
        EXPECT_EQ(cell["kind"], expected[col - 1].Kind) << "column " << col;
        EXPECT_EQ(cell["value"], expected[col - 1].Value) << "column " << col;
        EXPECT_EQ(cell["format"], expected[col - 1].Format) << "column " << col;
    }
    // Every column as wide as in the grid, 50 pixels; the one-column sheets 100 pixels.
    for (int col = 0; col < 9; ++col) EXPECT_EQ(sheet["widths"][std::to_string(col)], 1830) << col;
    EXPECT_EQ(book["sheets"][1]["widths"], json({{"0", 3660}}));
    EXPECT_EQ(Cell(sheet, 2, 0)["value"], kLongText.substr(0, 252) + "...");
    EXPECT_EQ(Cell(sheet, 3, 0)["value"], kLongestText);
    EXPECT_EQ(Cell(sheet, 2, 8)["value"], kUtf8Text);
    for (int col : {0, 1, 8}) EXPECT_TRUE(Cell(sheet, 4, col).is_null()) << "column " << col;
}

TEST(ExcelColumnWidthTest, PixelsBecomeCharacterUnitsWithinTheRecordsRange) {
    EXPECT_EQ(ExcelColumnWidth(50), 1830);
    EXPECT_EQ(ExcelColumnWidth(1), 37);
    EXPECT_EQ(ExcelColumnWidth(0), 0);
    EXPECT_EQ(ExcelColumnWidth(-20), 0);
    EXPECT_EQ(ExcelColumnWidth(5000), 65535);
}

TEST_F(ExcelExportTest, LibreOfficeShowsTheSheetsFormatted) {
    if (std::system("command -v soffice >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "LibreOffice (soffice) is not installed";
    WriteThreeReports();
    const auto sheets = ShownByLibreOffice(book_, folder_);
    ASSERT_EQ(sheets.size(), 3u);
    const std::vector<std::string>& first = sheets.at("Sheet1");
    ASSERT_GE(first.size(), 4u);
    EXPECT_EQ(first[0], "  Sample,,,,,,,,");
    EXPECT_EQ(first[1], "Page,Hits,Bytes/Hit,Ratio,Share,Date,Time,Last,Note");
    EXPECT_EQ(first[2], kLongText.substr(0, 252) + "...,\"1,234\",\"1,234.50\",0.5,12.50%," +
                            "2023-03-15,12:00:00,2023-03-15 06:00:00," + kUtf8Text);
    EXPECT_EQ(sheets.at("Sheet3"), (std::vector<std::string>{"  Domains", "Domain"}));
}

TEST_F(ExcelExportTest, AReportLongerThanASheetGoesOnOnFurtherSheets) {
    REQUIRE_XLRD();
    TVarGrid grid;
    grid.SetColCount(2);
    grid.SetRowCount(40001);
    DefineColumn(grid, 0, "Row", ctInteger, 50);
    DefineColumn(grid, 1, "Page", ctText, 50);
    for (int row = 1; row < grid.RowCount(); ++row) {
        grid.SetInt(0, row, row);
        grid.SetText(1, row, "/p" + std::to_string(row));
    }
    TExcelExport exporter(book_, 3);
    EXPECT_EQ(exporter.WriteReport(OneTextGrid("Before"), "  First"), 1);
    EXPECT_EQ(exporter.WriteReport(grid, "  Many rows"), 3);
    exporter.Finish();  // the third report is never reached
    const json book = ReadWithXlrd(book_);
    ASSERT_EQ(book["sheets"].size(), 5u);
    EXPECT_EQ(book["sheets"][4]["name"], "Sheet5");
    EXPECT_EQ(book["sheets"][4]["nrows"], 0);
    // Every data row once, in order, under a title and the headings on each sheet.
    int expected = 1;
    for (int part = 0; part < 3; ++part) {
        const json& sheet = book["sheets"][1 + part];
        EXPECT_EQ(sheet["name"], "Sheet" + std::to_string(2 + part));
        EXPECT_EQ(Cell(sheet, 0, 0)["value"],
                  part == 0 ? "  Many rows" : "  Many rows (" + std::to_string(part + 1) + ")");
        EXPECT_EQ(Cell(sheet, 1, 0)["value"], "Row");
        EXPECT_EQ(Cell(sheet, 1, 1)["value"], "Page");
        std::map<int, std::pair<json, json>> rows;
        for (const json& cell : sheet["cells"]) {
            if (cell["row"] < 2) continue;
            auto& row = rows[cell["row"].get<int>()];
            (cell["col"] == 0 ? row.first : row.second) = cell["value"];
        }
        for (const auto& [row, values] : rows) {
            ASSERT_EQ(values.first, expected) << "sheet " << part + 2 << " row " << row;
            ASSERT_EQ(values.second, "/p" + std::to_string(expected));
            ++expected;
        }
    }
    EXPECT_EQ(expected, 40001);
    EXPECT_EQ(book["sheets"][1]["nrows"], 16384);
    EXPECT_EQ(book["sheets"][3]["nrows"], 2 + 40000 - 2 * kSheetDataRows);
}

TEST_F(ExcelExportTest, TimesAreWrittenToTheWholeSecond) {
    REQUIRE_XLRD();
    TVarGrid grid;
    grid.SetColCount(2);
    grid.SetRowCount(3);
    DefineColumn(grid, 0, "Time", ctTime, 50);
    DefineColumn(grid, 1, "Last", ctDateTime, 50);
    constexpr double kSecond = 1.0 / 86400;
    grid.SetDateTime(0, 1, 0.5 - kSecond / 1000);           // a hair before 12:00:00
    grid.SetDateTime(1, 1, 45000 + 3601 * kSecond - 1e-9);  // a hair before 01:00:01
    grid.SetDateTime(0, 2, 2.25 + kSecond / 3);             // 54:00:00 and a third
    TExcelExport exporter(book_, 1);
    exporter.WriteReport(grid, "  Times");
    exporter.Finish();
    const json sheet = ReadWithXlrd(book_)["sheets"][0];
    EXPECT_EQ(Cell(sheet, 2, 0)["value"], 0.5);
    EXPECT_EQ(Cell(sheet, 2, 1)["value"], std::round((45000 + 3601 * kSecond) * 86400) / 86400);
    EXPECT_EQ(Cell(sheet, 3, 0)["value"], 2.25);
}

TEST_F(ExcelExportTest, FailuresLeaveAReadableWorkbook) {
    {
        TExcelExport exporter(book_, 2);
        exporter.WriteReport(OneTextGrid("First"), "  One of two");
        exporter.WriteReport(OneTextGrid("Second"), "  Two of two");
        EXPECT_THROW(exporter.WriteReport(OneTextGrid("Third"), "  Three"), EVestrelError);
    }  // left without Finish, as an export that failed
    REQUIRE_XLRD();
    const json book = ReadWithXlrd(book_);
    ASSERT_EQ(book["sheets"].size(), 2u);
    EXPECT_EQ(Cell(book["sheets"][1], 1, 0)["value"], "Second");
    EXPECT_EQ(book["sheets"][1]["nrows"], 2) << "the third report is not appended";
}

}  // namespace
}  // namespace vestrel
