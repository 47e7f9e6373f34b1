#include "output/export_run.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include <nlohmann/json.hpp>

#include "engine/errors.h"
#include "output/credit.h"
#include "output/rtf_render.h"
#include "reports/report_test_util.h"

namespace vestrel {
namespace {

using json = nlohmann::json;
using testing_util::Line;

class TRecordingStatus : public TExportStatus {
  public:
    void SetStatusText(const std::string& text) override { Texts.push_back(text); }
    void ShowGeneralReport() override { ++GeneralShown; }
    std::vector<std::string> Texts;
    int GeneralShown = 0;
};

class TRecordingView : public THtmlView {
  public:
    void LoadLines(const std::vector<std::string>& lines) override { Lines = lines; }
    std::vector<std::string> Lines;
};

std::vector<const TReportAction*> Actions(std::initializer_list<std::string_view> names) {
    std::vector<const TReportAction*> actions;
    for (std::string_view name : names) actions.push_back(FindReportAction(name));
    return actions;
}

size_t Occurrences(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t pos = text.find(part); pos != std::string::npos; pos = text.find(part, pos + 1))
        ++count;
    return count;
}

TEST(ExportCheckListTest, OffersTheTreeStatisticsGroupedAndChecked) {
    TExportCheckList list;
    const std::vector<TExportEntry>& entries = list.Entries();
    ASSERT_EQ(entries.size(), 38u);  // no "Log Data", no site tree
    const std::map<size_t, std::string> headings = {{1, "Visitors"},        {11, "Time period"},
                                                    {17, "Refereeing"},     {23, "Pages"},
                                                    {28, "Serach Engines"}, {33, "Errors"}};
    for (size_t i = 0; i < entries.size(); ++i) {
        EXPECT_TRUE(entries[i].Checked);
        EXPECT_EQ(entries[i].IsGroupHeading(), headings.contains(i)) << i;
        if (headings.contains(i)) {
            EXPECT_EQ(entries[i].Text, headings.at(i));
        }
    }
    EXPECT_EQ(entries[0].Action->Action, "actGeneral");
    EXPECT_EQ(entries[2].Action->Action, "actVisitTopDomain");
    EXPECT_EQ(entries.back().Action->Action, "actStatusCodes");
}

TEST(ExportCheckListTest, GroupHeadingCarriesItsMembersButInvertSkipsIt) {
    TExportCheckList list;
    list.SetChecked(1, false);  // "Visitors"
    for (size_t i = 1; i <= 10; ++i) EXPECT_FALSE(list.Entries()[i].Checked) << i;
    EXPECT_TRUE(list.Entries()[11].Checked);
    list.InvertChecks();
    EXPECT_FALSE(list.Entries()[1].Checked);
    EXPECT_TRUE(list.Entries()[2].Checked);
    EXPECT_FALSE(list.Entries()[0].Checked);
    EXPECT_EQ(list.SelectedActions().front()->Action, "actVisitTopDomain");
    list.SetAllChecked(false);
    EXPECT_EQ(AcceptExportChoice(list, "out.xls", otExcelFile).Target, otScreen);
    list.SetChecked(0, true);
    const TExportChoice choice = AcceptExportChoice(list, " out.htm", otExcelFile);
    EXPECT_EQ(choice.Target, otExcelFile);
    EXPECT_EQ(choice.FileName, " out.htm");
    EXPECT_EQ(choice.Actions, Actions({"actGeneral"}));
    EXPECT_THROW(
        try { AcceptExportChoice(list, "  \t", otHtmlFile); } catch (const EVestrelError& e) {
            EXPECT_STREQ(e.what(), "Filename is missing");
            throw;
        },
        EVestrelError);
}

class ExportRunTest : public testing_util::TReportFixture {
  protected:
    void SetUp() override {
        TReportFixture::SetUp();
        Load(Line("10.0.0.1", "01/May/2001:10:00:00", "/index.html") +
             Line("10.0.0.2", "02/May/2001:11:00:00", "/b.html"));
    }
    void Export(std::initializer_list<std::string_view> names, int target,
                const std::string& file) {
        session_.RunExport(Actions(names), target, file, *analyzer_, {});
    }
    std::string Read(const std::string& name) {
        std::ifstream file(name, std::ios::binary);
        std::stringstream content;
        content << file.rdbuf();
        return content.str();
    }

    TRecordingStatus status_;
    TRecordingView view_;
    TExportSession session_{&status_, &view_};
};

TEST_F(ExportRunTest, HtmlExportOfTwoReportsOverwritesTheFile) {
    const std::string file = WriteFile("out.htm", std::string(100000, 'x'));
    Export({"actGeneral", "actLogData", "actPopularDay"}, otHtmlFile, file);
    const std::string html = Read(file);
    EXPECT_TRUE(html.starts_with("<!DOCTYPE html>\r\n<html lang=\"en\">\r\n<head>\r\n"));
    EXPECT_EQ(Occurrences(html, "<TABLE "), 2u);
    EXPECT_EQ(Occurrences(html, "<section id=\"statistic-2\">\r\n<CENTER><TABLE "), 1u);
    EXPECT_EQ(Occurrences(html, "</TABLE>\r\n</CENTER>\r\n"), 2u);
    EXPECT_NE(html.find("<CENTER><B>  General </FONT>"), std::string::npos);
    EXPECT_NE(html.find("<CENTER><B>  Weekday </FONT>"), std::string::npos);
    EXPECT_TRUE(html.ends_with(std::string("</section>\r\n<p>Created with <A HREF=\"") +
                               kVestrelHomePage +
                               "\">Vestrel Log File Analyzer</A></p>\r\n</body>\r\n</html>\r\n"));
    const std::vector<std::string> texts = {"Writing   General...", "Writing   Weekday...", ""};
    EXPECT_EQ(status_.Texts, texts);
    EXPECT_EQ(status_.GeneralShown, 1);
    EXPECT_EQ(session_.OutputTarget(), otScreen);
    EXPECT_TRUE(view_.Lines.empty());
}

std::string CommandOutput(const std::string& command) {
    std::string output;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
        pclose(pipe);
    }
    return output;
}

// The texts of every element as Python's HTML parser reads the file, decoded strictly as UTF-8.
std::string ParsedHtmlTexts(const std::string& file) {
    return CommandOutput(
        "/usr/bin/python3 -c \"import sys, html.parser\n"
        "class P(html.parser.HTMLParser):\n"
        "    def handle_data(self, d): sys.stdout.write(d.strip() + '|')\n"
        "P().feed(open(sys.argv[1], encoding='utf-8', errors='strict').read())\" '" +
        file + "'");
}

// The document's structure as read_html.py reports it.
json ReadHtmlDocument(const std::string& file) {
    const json document =
        json::parse(CommandOutput("/usr/bin/python3 " + std::string(VESTREL_SOURCE_DIR) +
                                  "/tests/output/read_html.py '" + file + "'"),
                    nullptr, false);
    EXPECT_FALSE(document.is_discarded()) << "Python's HTML parser could not read " << file;
    return document.is_discarded() ? json::object() : document;
}

TEST_F(ExportRunTest, HtmlExportIsUtf8WhateverTheLogBytes) {
    WriteFile("WebPageExts.txt", "html\n");
    Load(Line("10.0.0.1", "01/May/2001:10:00:00", "/\xc3\x84rlig.html") +
         Line("10.0.0.2", "01/May/2001:10:01:00", "/caf\xe9.html") +
         Line("10.0.0.3", "01/May/2001:10:02:00", "/a\x01\x7f<b>.html"));
    const std::string file = folder_ + "out.htm";
    Export({"actPageMostVisited"}, otHtmlFile, file);
    const std::string html = Read(file);
    EXPECT_NE(html.find("\r\n<meta charset=\"utf-8\">\r\n"), std::string::npos);
    const std::string texts = ParsedHtmlTexts(file);
    for (const char* page :
         {"|/\xc3\x84rlig.html|", "|/caf\xc3\xa9.html|", "|/a\xef\xbf\xbd\xef\xbf\xbd<b>.html|"})
        EXPECT_NE(texts.find(page), std::string::npos) << page << " in " << texts;
}

TEST_F(ExportRunTest, HtmlExportIsAWholeDocumentWithContentsAndHeading) {
    WriteFile("UserAgents.txt", "IE\tMSIE\n");
    session_.SetHeading({"Shop <A&B>", "www.example.com", 36647.5, 36648.25});
    const std::string file = folder_ + "out.htm";
    Export({"actGeneral", "actLogData", "actVisitBrowser", "actPopularDay"}, otHtmlFile, file);
    const json document = ReadHtmlDocument(file);
    EXPECT_EQ(document["doctype"], "DOCTYPE html");
    EXPECT_EQ(document["lang"], "en");
    EXPECT_EQ(document["charset"], "utf-8");
    EXPECT_EQ(document["title"], "Shop <A&B>");
    EXPECT_EQ(document["h1"], "Shop <A&B>");
    EXPECT_EQ(document["unbalanced"], json::array());
    EXPECT_EQ(document["foreign"], json::array());
    // One section per exported statistic, each linked once from the contents, in order.
    ASSERT_EQ(document["sections"].size(), 3u);
    ASSERT_EQ(document["contents"].size(), 3u);
    for (size_t i = 0; i < 3; ++i)
        EXPECT_EQ("#" + document["sections"][i]["id"].get<std::string>(), document["contents"][i]);
    // A chart after the table of each charted statistic only.
    EXPECT_EQ(document["sections"][0]["svg"], 0);
    EXPECT_EQ(document["sections"][1]["svg"], 1);
    EXPECT_EQ(document["sections"][2]["svg"], 1);
    const std::string html = Read(file);
    EXPECT_NE(html.find("<p class=\"about\">Domain www.example.com, 2000-05-01 12:00:00 to "
                        "2000-05-02 06:00:00</p>"),
              std::string::npos);
    EXPECT_NE(html.find("<li><a href=\"#statistic-2\">Browser</a></li>"), std::string::npos);
    EXPECT_NE(html.find("@media print"), std::string::npos);
}

TEST_F(ExportRunTest, HtmlExportWithoutHeadingNamesItselfAndSaysNoMore) {
    const std::string file = folder_ + "out.htm";
    session_.SetHeading({"  ", "", 36647.5, std::nullopt});
    Export({"actGeneral"}, otHtmlFile, file);
    const json document = ReadHtmlDocument(file);
    EXPECT_EQ(document["title"], "Vestrel report");
    EXPECT_EQ(document["unbalanced"], json::array());
    EXPECT_EQ(Read(file).find("class=\"about\""), std::string::npos);
}

TEST_F(ExportRunTest, HtmlExportWritesEachTableAsItComes) {
    const std::string file = folder_ + "out.htm";
    TVarGrid grid;
    grid.SetColCount(1);
    DefineColumn(grid, 0, "Page", ctText, 50);
    session_.BeginExport(otHtmlFile, file, 2);
    session_.RenderReport(grid, "  First");
    EXPECT_TRUE(
        Read(file).ends_with("<CENTER><B>  First </FONT><br><FONT SIZE=-2></FONT></B>"
                             "</CENTER>\r\n</TD></TR>\r\n<TR   BGCOLOR=\"AFAFAF\">\r\n"
                             "<TD  ALIGN =\"LEFT\" ><FONT SIZE=2 FACE=\"Arial\" "
                             "COLOR=\"000000\"><B>Page</B></FONT></TD>\r\n</TR>\r\n"
                             "</TABLE>\r\n</CENTER>\r\n</section>\r\n"));
    session_.EndExport();
    EXPECT_TRUE(Read(file).ends_with("</body>\r\n</html>\r\n"));
}

TEST_F(ExportRunTest, RtfExportBreaksPagesBetweenReportsOnly) {
    const std::string file = folder_ + "out.doc";
    Export({"actGeneral", "actPopularDay", "actPopularHour"}, otRtfFile, file);
    const std::string rtf = Read(file);
    EXPECT_TRUE(rtf.starts_with(RtfFileHeader() + "\\pard \\ql "));
    EXPECT_EQ(Occurrences(rtf, std::string(kRtfPageBreak)), 2u);
    EXPECT_EQ(Occurrences(rtf, "\\par \\page \\pard \\ql \\b\\fs32"), 2u);
    EXPECT_TRUE(rtf.ends_with(kRtfFileTail));
}

TEST_F(ExportRunTest, ExcelTargetWritesAWorkbookWhateverTheName) {
    const std::string file = folder_ + "book.htm";
    Export({"actGeneral", "actPopularDay"}, otExcelFile, file);
    EXPECT_TRUE(Read(file).starts_with("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"));
    EXPECT_EQ(session_.OutputTarget(), otScreen);
    ASSERT_EQ(session_.ExportedReports().size(), 2u);
    EXPECT_EQ(session_.ExportedReports()[1].Title, "  Weekday");
    EXPECT_EQ(session_.ExportedReports()[1].Sheets, 1);
}

TEST_F(ExportRunTest, UnwritableFileEndsTheRunWithItsName) {
    // A full disk shows when the text files are written; the workbook writer refuses a device.
    const std::vector<std::tuple<std::string, std::string, std::vector<int>>> cases = {
        {folder_ + "missing/out",
         "No such file or directory",
         {otHtmlFile, otRtfFile, otExcelFile}},
        {"/dev/full", "No space left on device", {otHtmlFile, otRtfFile}}};
    for (const auto& [file, reason, targets] : cases) {
        for (int target : targets) {
            try {
                Export({"actGeneral"}, target, file);
                ADD_FAILURE() << "no error for " << file << " as " << target;
            } catch (const EVestrelError& error) {
                EXPECT_EQ(error.what(), "Cannot create file \"" + file + "\". " + reason);
            }
            EXPECT_EQ(session_.OutputTarget(), otScreen);
        }
    }
    EXPECT_EQ(status_.GeneralShown, 5);
    EXPECT_EQ(status_.Texts.back(), "");
}

// Stops before the statistic after `allowed` of them.
class TCancellingStatus : public TRecordingStatus {
  public:
    explicit TCancellingStatus(int allowed) : allowed_(allowed) {}
    bool CancelRequested() override { return asked_++ >= allowed_; }

  private:
    int allowed_;
    int asked_ = 0;
};

TEST_F(ExportRunTest, CancelStopsBetweenStatisticsAndLeavesNoFile) {
    for (int target : {otHtmlFile, otRtfFile, otExcelFile}) {
        const std::string file = folder_ + "cancelled" + std::to_string(target);
        std::ofstream(file) << "old content";
        TCancellingStatus status(1);
        TExportSession session(&status);
        EXPECT_THROW(session.RunExport(Actions({"actGeneral", "actPopularDay", "actPopularHour"}),
                                       target, file, *analyzer_, {}),
                     EExportCancelled);
        EXPECT_FALSE(std::filesystem::exists(file)) << target;
        EXPECT_EQ(session.OutputTarget(), otScreen);
        EXPECT_EQ(session.ExportedReports().size(), 1u);
        EXPECT_EQ(status.GeneralShown, 1);
    }
}

TEST_F(ExportRunTest, NothingToExportWritesNothing) {
    const std::string file = folder_ + "none.htm";
    Export({}, otHtmlFile, file);
    Export({"actLogData", "actDaySpan"}, otRtfFile, file);
    Export({"actGeneral"}, otScreen, file);
    EXPECT_FALSE(std::ifstream(file).is_open());
    EXPECT_EQ(status_.GeneralShown, 0);
}

TEST_F(ExportRunTest, ScreenShowsTheViewPageAndANewExportDiscardsALeftoverOne) {
    TVarGrid grid;
    session_.RenderReport(grid, "  General");
    EXPECT_EQ(view_.Lines.front(), "<BODY><HTML>");
    EXPECT_EQ(view_.Lines.back(), "</HTML></BODY>");
    EXPECT_TRUE(status_.Texts.empty());

    const std::string first = folder_ + "first.htm";
    session_.BeginExport(otHtmlFile, first, 1);
    session_.BeginExport(otRtfFile, folder_ + "second.doc", 1);
    session_.EndExport();
    EXPECT_FALSE(std::ifstream(first).is_open());
    EXPECT_EQ(Read(folder_ + "second.doc"), RtfFileHeader() + std::string(kRtfFileTail));
    EXPECT_THROW(session_.BeginExport(7, first, 1), EVestrelError);
    EXPECT_EQ(session_.OutputTarget(), otScreen);
}

}  // namespace
}  // namespace vestrel
