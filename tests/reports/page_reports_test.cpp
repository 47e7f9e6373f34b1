#include "reports/page_reports.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "reports/report_test_util.h"

namespace vestrel {
namespace {

using testing_util::Line;
using TTable = std::vector<std::string>;

// Hits of one time keep their log order within a visitor.
constexpr const char* kTime = "10/Oct/2023:10:00:00";

class PageReportFixture : public testing_util::TReportFixture {
  protected:
    void SetUp() override {
        TReportFixture::SetUp();
        WriteFile("WebPageExts.txt", "htm\n");
    }

    TTable RunReport(TReportGenerator report) {
        TReportContext context = Context();
        report(context);
        return this->Rows();
    }

    // One hit of `host` per (path, status).
    static std::string Hits(const std::string& host,
                            const std::vector<std::pair<std::string, int>>& requests,
                            const std::string& referrer = "-") {
        std::string log;
        for (const auto& [path, status] : requests)
            log += Line(host, kTime, path, status, 10, referrer);
        return log;
    }
};

using PageReportsTest = PageReportFixture;
using ErrorReportsTest = PageReportFixture;

// The first visitor starts on an image, the second only meets a 404 page, the third has a single
// page hit, the last ends on a 404 page.
TEST_F(PageReportsTest, EntryExitAndMostVisitedPages) {
    Load(Hits("first.example.com",
              {{"/a.gif", 200}, {"/home.htm", 200}, {"/b.htm", 200}, {"/b.htm", 304}}) +
         Hits("second.example.com", {{"/missing.htm", 404}, {"/c.gif", 200}}) +
         Hits("third.example.com", {{"/b.htm", 200}}) +
         Hits("last.example.com", {{"/home.htm", 200}, {"/gone.htm", 404}}));
    EXPECT_EQ(RunReport(ReportTopEntry), (TTable{"Page|Users", "/home.htm|2", "/b.htm|1"}));
    EXPECT_EQ(RunReport(ReportTopExit), (TTable{"Page|Users", "/b.htm|2", "/home.htm|1"}));
    EXPECT_EQ(RunReport(ReportMostVisited), (TTable{"Page|Hits", "/b.htm|3", "/home.htm|2"}));
}

TEST_F(PageReportsTest, PageTablesSortByCount) {
    Load(Hits("a.example.com", {{"/one.htm", 200}}) + Hits("b.example.com", {{"/two.htm", 200}}) +
         Hits("c.example.com", {{"/two.htm", 200}}) + Hits("d.example.com", {{"/dir/", 302}}) +
         Hits("e.example.com", {{"/dir/", 200}}) + Hits("f.example.com", {{"/dir/", 200}}));
    EXPECT_EQ(RunReport(ReportTopEntry),
              (TTable{"Page|Users", "/dir/|3", "/two.htm|2", "/one.htm|1"}));
}

TEST_F(PageReportsTest, EmptyStoreGivesOneEmptyRowEach) {
    Load("");
    EXPECT_EQ(RunReport(ReportTopEntry), (TTable{"Page|Users", "|"}));
    EXPECT_EQ(RunReport(ReportTopExit), (TTable{"Page|Users", "|"}));
    EXPECT_EQ(RunReport(ReportMostVisited), (TTable{"Page|Hits", "|"}));
}

TEST_F(PageReportsTest, MissingPageExtensionsFailWithTheFileName) {
    Load(Hits("a.example.com", {{"/one.htm", 200}}));
    std::filesystem::remove(folder_ + "WebPageExts.txt");
    for (TReportGenerator report : {ReportTopEntry, ReportTopExit, ReportMostVisited}) {
        TReportContext context = Context();
        try {
            report(context);
            ADD_FAILURE() << "no error without WebPageExts.txt";
        } catch (const EVestrelError& error) {
            EXPECT_NE(std::string(error.what()).find("WebPageExts.txt"), std::string::npos);
        }
    }
}

TEST_F(ErrorReportsTest, MissingFilesAndTheirReferrers) {
    Load(Hits("a.example.com", {{"/x.htm", 404}}, "http://r1.example.org/") +
         Hits("b.example.com", {{"/z.htm", 404}}, "http://r1.example.org/") +
         Hits("c.example.com", {{"/x.htm", 404}}, "http://r2.example.org/") +
         Hits("d.example.com", {{"/x.htm", 404}, {"/x.htm", 404}, {"/y.gif", 404}}) +
         Hits("e.example.com", {{"/x.htm", 404}}, "http://r1.example.org/"));
    EXPECT_EQ(RunReport(ReportMissingFiles),
              (TTable{"URL|Hits", "/x.htm|5", "/y.gif|1", "/z.htm|1"}));
    EXPECT_EQ(RunReport(Report404Referrers),
              (TTable{"URL|Referrer|Hits", "/x.htm||3", "|http://r1.example.org/|2",
                      "|http://r2.example.org/|1", "/z.htm||1", "|http://r1.example.org/|1"}));
    std::vector<int> tags;
    for (int row = 1; row < grid_.RowCount(); ++row) tags.push_back(grid_.GetRowTag(row));
    EXPECT_EQ(tags, (std::vector<int>{1, 0, 0, 1, 0}));
    EXPECT_FALSE(grid_.IsGroupRow(1));
}

TEST_F(ErrorReportsTest, OtherErrorsPerPathAndStatus) {
    Load(Hits("a.example.com", {{"/p.htm", 301},
                                {"/p.htm", 403},
                                {"/q.htm", 304},
                                {"/q.htm", 200},
                                {"/r.htm", 404},
                                {"/s.htm", 599},
                                {"/s.htm", 599},
                                {"/s.htm", 599},
                                {"/p.htm", 301}}));
    EXPECT_EQ(RunReport(ReportOtherErrors),
              (TTable{"URL|Code|Hits|Meaning", "/s.htm|599|3|[Unknown]",
                      "/p.htm|301|2|Moved Permanently", "/p.htm|403|1|Forbidden"}));
}

TEST_F(ErrorReportsTest, NoErrorsGiveOneEmptyRowEach) {
    Load(Hits("a.example.com", {{"/p.htm", 200}, {"/q.htm", 304}}));
    EXPECT_EQ(RunReport(ReportMissingFiles), (TTable{"URL|Hits", "|"}));
    EXPECT_EQ(RunReport(Report404Referrers), (TTable{"URL|Referrer|Hits", "||"}));
    EXPECT_EQ(RunReport(ReportOtherErrors), (TTable{"URL|Code|Hits|Meaning", "|||"}));
}

TEST(ErrorStatusMeaning, ListedAndUnlistedCodes) {
    EXPECT_EQ(StatusMeaning(203), "Non-Authoritative Information");
    EXPECT_EQ(StatusMeaning(505), "HTTP Version not supported");
    EXPECT_EQ(StatusMeaning(304), "[Unknown]");
    EXPECT_EQ(StatusMeaning(200), "[Unknown]");
}

}  // namespace
}  // namespace vestrel
