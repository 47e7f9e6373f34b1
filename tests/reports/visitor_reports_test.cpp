#include "reports/visitor_reports.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "reports/report_test_util.h"

namespace vestrel {
namespace {

using testing_util::Line;
using TTable = std::vector<std::string>;

// Hits of one time keep their log order within a visitor.
constexpr const char* kTime = "10/Oct/2023:10:00:00";

class VisitorReportsTest : public testing_util::TReportFixture {
  protected:
    void SetUp() override {
        TReportFixture::SetUp();
        WriteFile("UserAgents.txt", "IE\tMSIE\nOpera\tOpera\nIE\tTrident\n");
        WriteFile("OperatingSystems.txt", "Windows XP\tWindows NT 5.1\nLinux\tLinux\n");
        WriteFile("TopDomain.txt", "\"Sweden\",se\n\"Commercial\",com\n");
        WriteFile("WebPageExts.txt", "htm\n");
    }

    TTable RunReport(TReportGenerator report) {
        TReportContext context = Context();
        report(context);
        return this->Rows();
    }

    // `hits` hits of one visitor (its own host) with the given agent.
    static std::string Visitor(const std::string& host, int hits, const std::string& agent) {
        std::string log;
        for (int i = 0; i < hits; ++i) log += Line(host, kTime, "/a.htm", 200, 10, "-", agent);
        return log;
    }

    // One visitor per path, each path a list of pages separated by blanks.
    static std::string PathVisitors(const std::vector<std::string>& paths) {
        std::string log;
        for (size_t v = 0; v < paths.size(); ++v) {
            std::istringstream pages(paths[v]);
            for (std::string page; pages >> page;)
                log += Line("v" + std::to_string(v) + ".example.com", kTime, page);
        }
        return log;
    }
};

TEST_F(VisitorReportsTest, BrowserLinesOfOneNameMergeIntoOneRow) {
    Load(Visitor("a.example.com", 2, "Mozilla/4.0 (compatible; MSIE 6.0)") +
         Visitor("b.example.com", 1, "Mozilla/5.0 (Trident/7.0)") +
         Visitor("c.example.com", 1, "Opera/9.80"));
    EXPECT_EQ(RunReport(ReportBrowsers),
              (TTable{"Browser|Hits|Hits %|Users|Users %", "IE|3|75.00%|2|66.67%",
                      "Opera|1|25.00%|1|33.33%"}));
}

TEST_F(VisitorReportsTest, VisitorCountsUnderTheSystemOfItsFirstHit) {
    Load(Visitor("a.example.com", 1, "Mozilla (Windows NT 5.1)") +
         Visitor("a.example.com", 2, "Mozilla (X11; Linux)") +
         Visitor("b.example.com", 1, "Mozilla (X11; Linux)") +
         Visitor("c.example.com", 2, "curl/8.0"));
    const TTable expected{"Operating System|Hits|Hits %|Users|Users %", "Linux|3|50.00%|1|33.33%",
                          "Unknown|2|33.33%|1|33.33%", "Windows XP|1|16.67%|1|33.33%"};
    EXPECT_EQ(RunReport(ReportOperatingSystems), expected);
    // The counters start again from zero on every run.
    EXPECT_EQ(RunReport(ReportOperatingSystems), expected);
}

// Numeric hosts count in neither table but take part in the top-domain shares.
TEST_F(VisitorReportsTest, TopDomainAndDomainTables) {
    Load(Visitor("10.0.0.1", 1, "-") + Visitor("a.b.shop.se", 3, "-") +
         Visitor("host.com", 2, "-") + Visitor("x.example.zz", 1, "-"));
    EXPECT_EQ(
        RunReport(ReportTopDomains),
        (TTable{"Domain|Hits|Hits %|Users|Users %", "Sweden (SE)|3|42.86%|1|25.00%",
                "Commercial (COM)|2|28.57%|1|25.00%", "[Unknown] (XXXXX)|1|14.29%|1|25.00%"}));
    EXPECT_EQ(RunReport(ReportDomains),
              (TTable{"Domain|Hits|Hits %|Users|Users %", "shop.se|3|50.00%|1|33.33%",
                      "host.com|2|33.33%|1|33.33%", "example.zz|1|16.67%|1|33.33%"}));
}

TEST_F(VisitorReportsTest, DomainCountsEveryHitOfAVisitorUnderItsFirstHost) {
    Load(Visitor("www.one.org", 1, "-") + Visitor("mail.one.org", 2, "-") +
         Visitor("two.net", 1, "-"));
    EXPECT_EQ(RunReport(ReportDomains),
              (TTable{"Domain|Hits|Hits %|Users|Users %", "one.org|3|75.00%|2|66.67%",
                      "two.net|1|25.00%|1|33.33%"}));
}

TEST_F(VisitorReportsTest, AuthenticatedUsersInTheOrderFirstMet) {
    Load(Line("h1.example.com", kTime, "/a.htm", 200, 10, "-", "-", "alice") +
         Line("h2.example.com", kTime, "/a.htm", 200, 10, "-", "-", "bob") +
         Line("h3.example.com", kTime, "/a.htm", 200, 10, "-", "-", "-") +
         Line("h1.example.com", kTime, "/b.htm", 401, 10, "-", "-", "alice") +
         Line("h4.example.com", kTime, "/a.htm", 200, 10, "-", "-", "alice"));
    EXPECT_EQ(RunReport(ReportAuthUsers),
              (TTable{"User Name|Hits|Accepted|Users", "alice|3|2|2", "bob|1|1|1"}));
}

TEST_F(VisitorReportsTest, PathsTakenByAtLeastTwoVisitors) {
    Load(PathVisitors({"/p1.htm", "/p1.htm /img.gif /p2.htm", "/p1.htm /p2.htm", "/p1.htm /p3.htm",
                       "/p3.htm /p1.htm", "/p3.htm /p1.htm", "/p3.htm /p1.htm", "/only.gif",
                       "/p1.htm /p2.htm", "/p1.htm /p2.htm", "/p1.htm", "/p2.htm"}));
    EXPECT_EQ(RunReport(ReportPaths),
              (TTable{"Path|Count", "/p1.htm >> /p2.htm|4", "/p3.htm >> /p1.htm|3", "/p1.htm|2"}));
}

TEST_F(VisitorReportsTest, SiteRootShowsAsHomepageInPaths) {
    TLogAnalyzer& analyzer = Load(PathVisitors({"/ /a.htm", "/ /a.htm"}));
    // The loader files "/" under the default page; without one the root stays "/".
    analyzer.Urls.Put(analyzer.Urls.Add("/index.htm"), "/");
    EXPECT_EQ(RunReport(ReportPaths), (TTable{"Path|Count", "/ [homepage] >> /a.htm|2"}));
}

TEST_F(VisitorReportsTest, PathsOnlySeenOnceAreNotListed) {
    Load(PathVisitors({"/p1.htm /p2.htm", "/p1.htm /p3.htm", "/p2.htm /p1.htm"}));
    EXPECT_EQ(RunReport(ReportPaths), (TTable{"Path|Count", "|"}));
}

TEST_F(VisitorReportsTest, EmptyStoreGivesOneEmptyRowEach) {
    Load("");
    for (TReportGenerator report :
         {ReportTopDomains, ReportDomains, ReportBrowsers, ReportOperatingSystems}) {
        const TTable rows = RunReport(report);
        EXPECT_EQ(rows.size(), 2u);
        EXPECT_EQ(rows.back(), "||||");
    }
    EXPECT_EQ(RunReport(ReportAuthUsers), (TTable{"User Name|Hits|Accepted|Users", "|||"}));
    EXPECT_EQ(RunReport(ReportPaths), (TTable{"Path|Count", "|"}));
}

TEST_F(VisitorReportsTest, MissingReferenceFileFailsWithItsName) {
    Load(Visitor("a.example.com", 1, "-"));
    const std::pair<const char*, TReportGenerator> uses[] = {
        {"UserAgents.txt", ReportBrowsers},
        {"OperatingSystems.txt", ReportOperatingSystems},
        {"TopDomain.txt", ReportTopDomains},
        {"WebPageExts.txt", ReportPaths}};
    for (const auto& [file, report] : uses) {
        std::filesystem::remove(folder_ + file);
        TReportContext context = Context();
        try {
            report(context);
            ADD_FAILURE() << "no error without " << file;
        } catch (const EVestrelError& error) {
            EXPECT_NE(std::string(error.what()).find(file), std::string::npos) << error.what();
        }
    }
}

}  // namespace
}  // namespace vestrel
