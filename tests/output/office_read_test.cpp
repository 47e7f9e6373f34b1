// LibreOffice reads the RTF export and the SYLK copy back; the converted text shows what an
// office program makes of them.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "output/clipboard_render.h"
#include "output/export_run.h"

namespace vestrel {
namespace {

class OfficeReadTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (std::system("command -v soffice >/dev/null 2>&1") != 0)
            GTEST_SKIP() << "LibreOffice (soffice) is not installed";
        std::string pattern = ::testing::TempDir() + "vestrel-office-XXXXXX";
        folder_ = std::string(mkdtemp(pattern.data())) + "/";
    }
    void TearDown() override {
        if (!folder_.empty()) std::filesystem::remove_all(folder_);
    }

    // The text LibreOffice converts `name` in the folder to, with its own profile and home so
    // that parallel runs do not share one.
    std::string Convert(const std::string& name, const std::string& filter,
                        const std::string& extension) {
        const std::string command = "HOME='" + folder_ + "home' timeout 180 soffice " +
                                    "-env:UserInstallation=file://" + folder_ + "profile " +
                                    "--headless --convert-to '" + filter + "' --outdir '" +
                                    folder_ + "out' '" + folder_ + name + "' >/dev/null 2>&1";
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        const std::string converted =
            folder_ + "out/" + std::filesystem::path(name).stem().string() + extension;
        std::ifstream file(converted, std::ios::binary);
        EXPECT_TRUE(file.is_open()) << converted;
        std::stringstream text;
        text << file.rdbuf();
        return text.str();
    }

    std::string folder_;
};

// A page table with texts a log can bring: RTF and SYLK syntax, non-ASCII characters.
TVarGrid HostileGrid() {
    TVarGrid grid;
    grid.SetColCount(2);
    grid.SetRowCount(3);
    DefineColumn(grid, 0, "Page;name", ctText, 200);
    DefineColumn(grid, 1, "Hits", ctInteger, 50);
    grid.SetText(0, 1, "{\\rtf1 }\\par} \"q\";x");
    grid.SetInt(1, 1, 12);
    grid.SetText(0, 2, "caf\xc3\xa9 \xe2\x82\xac \xce\xa9");
    grid.SetInt(1, 2, 3);
    return grid;
}

TEST_F(OfficeReadTest, RtfExportReadsBackAsItsTexts) {
    const TVarGrid grid = HostileGrid();
    TExportSession session;
    session.BeginExport(otRtfFile, folder_ + "export.rtf", 3);
    session.RenderReport(grid, "  {Pages}\\");
    session.RenderReport(grid, "  Second");
    TVarGrid gaps;  // a page row under its referrers, its own referrer cell left empty
    gaps.SetColCount(3);
    gaps.SetRowCount(2);
    DefineColumn(gaps, 0, "Page", ctText, 100);
    DefineColumn(gaps, 1, "Referrer", ctText, 100);
    DefineColumn(gaps, 2, "Hits", ctInteger, 50);
    gaps.SetText(0, 1, "/a.html");
    gaps.SetInt(2, 1, 4);
    session.RenderReport(gaps, "  Gaps");
    session.EndExport();
    const std::string text = Convert("export.rtf", "txt:Text (encoded):UTF8", ".txt");
    EXPECT_NE(text.find("{Pages}\\ \n\nPage;name\tHits\n"), std::string::npos) << text;
    EXPECT_NE(text.find("{\\rtf1 }\\par} \"q\";x\t12\n"), std::string::npos) << text;
    EXPECT_NE(text.find("caf\xc3\xa9 \xe2\x82\xac \xce\xa9\t3\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Second"), std::string::npos) << text;
    EXPECT_NE(text.find("Page\tReferrer\tHits\n/a.html\t\t4\n"), std::string::npos) << text;
}

TEST_F(OfficeReadTest, SylkCopyReadsBackAsItsCells) {
    TVarGrid grid = HostileGrid();
    grid.SetColCount(5);
    DefineColumn(grid, 2, "Share", ctPercent, 50);
    DefineColumn(grid, 3, "Last", ctDateTime, 90);
    DefineColumn(grid, 4, "Time", ctTime, 60);
    grid.SetFloat(2, 1, 0.2428);
    grid.SetDateTime(3, 1, 37012.75);
    grid.SetDateTime(4, 1, 1.5);
    for (int c = 2; c < 5; ++c) grid.SetCellType(c, 2, ctBlank);
    std::ofstream(folder_ + "copy.slk", std::ios::binary) << ClipboardSylk(grid);
    // Comma-separated, double quotes, UTF-8.
    const std::string csv = Convert("copy.slk", "csv:Text - txt - csv (StarCalc):44,34,76", ".csv");
    EXPECT_EQ(csv,
              "Page;name,Hits,Share,Last,Time\n"
              "\"{\\rtf1 }\\par} \"\"q\"\";x\",12,24.28%,01/05/01 18:00,36:00:00\n"
              "caf\xc3\xa9 \xe2\x82\xac \xce\xa9,3,,,\n");
}

}  // namespace
}  // namespace vestrel
