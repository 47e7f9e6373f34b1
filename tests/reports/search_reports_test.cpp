#include "reports/search_reports.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "reports/report_test_util.h"

namespace vestrel {
namespace {

using testing_util::MinuteHit;

using Table = std::vector<std::string>;

const std::string kOwn = "http://www.example.com/a.htm";
const std::string kPhraseTitles = "Phrase|Count|Count %|Target";
const std::string kKeywordTitles = "Keyword|Count|Count %|Target";

std::string Google(const std::string& query) {
    return "http://www.google.com/search?" + query;
}

class SearchReportsTest : public testing_util::TReportFixture {
  protected:
    void SetUp() override {
        TReportFixture::SetUp();
        WriteFile("SearchEngines.txt",
                  "Google\twww.google.com/\tq=\nBing\twww.bing.com/search\tq=\n");
    }
};

TEST_F(SearchReportsTest, ReferrerWithoutThePhraseStartCountsAsUnknownPhrase) {
    Load(MinuteHit("a.org", 0, "/a.htm", Google("hl=en")));
    EXPECT_EQ(Run(ReportPhrases), (Table{kPhraseTitles, "<?\?\?>|1|100.00%|"}));
    EXPECT_EQ(Run(ReportKeywords), (Table{kKeywordTitles, "<?\?\?>|1|100.00%|"}));
}

// Shares are of all keywords added. Equal counts come out in the quicksort's order.
TEST_F(SearchReportsTest, Keywords) {
    Load(MinuteHit("a.org", 0, "/a.htm", Google("q=web+log+analysis&hl=en")));
    EXPECT_EQ(Run(ReportKeywords),
              (Table{kKeywordTitles, "analysis|1|33.33%|", "log|1|33.33%|", "web|1|33.33%|"}));
    Load(MinuteHit("a.org", 0, "/a.htm", Google("q=%22web+log%22+analysis")) +
         MinuteHit("b.org", 0, "/a.htm", Google("q=analysis")));
    EXPECT_EQ(Run(ReportKeywords),
              (Table{kKeywordTitles, "analysis|2|66.67%|", "web log|1|33.33%|"}));
}

// A later visitor that came from no search engine credits nothing.
TEST_F(SearchReportsTest, TargetGoesToTheVisitorsLastSearchText) {
    Load(MinuteHit("a.org", 0, "/a.htm", Google("q=shoes")) +
             MinuteHit("a.org", 1, "/b.htm", Google("q=red+boots")) +
             MinuteHit("a.org", 2, "/shop/thanks.htm", kOwn) +
             MinuteHit("b.org", 0, "/shop/thanks.htm", kOwn),
         "www.example.com", "thanks.htm");
    EXPECT_EQ(Run(ReportPhrases),
              (Table{kPhraseTitles, "red boots|1|50.00%|1", "shoes|1|50.00%|"}));
    EXPECT_EQ(Run(ReportKeywords),
              (Table{kKeywordTitles, "boots|1|33.33%|1", "red|1|33.33%|", "shoes|1|33.33%|"}));
}

// The referral hit itself counts when it is a target.
TEST_F(SearchReportsTest, TargetsCountBelow400ExceptPartialContent) {
    Load(MinuteHit("a.org", 0, "/a.htm", Google("q=x")) +
             MinuteHit("a.org", 1, "/shop/thanks.htm", kOwn, 206) +
             MinuteHit("a.org", 2, "/shop/thanks.htm", kOwn, 404) +
             MinuteHit("a.org", 3, "/shop/thanks.htm", kOwn, 304) +
             MinuteHit("b.org", 0, "/shop/thanks.htm", Google("q=x")),
         "www.example.com", "thanks.htm");
    EXPECT_EQ(Run(ReportSearchEngines),
              (Table{"Search Engine|Count|Count %|Target", "Google|2|100.00%|2"}));
}

TEST_F(SearchReportsTest, NoSearchReferralLeavesOneEmptyRow) {
    Load(MinuteHit("a.org", 0, "/a.htm", "http://links.net/") + MinuteHit("b.org", 0, "/a.htm"));
    EXPECT_EQ(Run(ReportPhrasesPerEngine),
              (Table{"Search Engine|Phrase|Count|Count %|Target", "||||"}));
}

// The https referrer matches its engine too.
TEST_F(SearchReportsTest, SamePhraseFromTwoEngines) {
    Load(MinuteHit("a.org", 0, "/a.htm", Google("q=shoes")) +
         MinuteHit("b.org", 0, "/a.htm", "https://www.bing.com/search?q=shoes"));
    EXPECT_EQ(Run(ReportPhrasesPerEngine),
              (Table{"Search Engine|Phrase|Count|Count %|Target", "Bing|shoes|1|50.00%|",
                     "Google|shoes|1|50.00%|"}));
    EXPECT_EQ(Run(ReportPhrases), (Table{kPhraseTitles, "shoes|2|100.00%|"}));
}

// The engine statistic counts by name; the other statistics keep what each engine found.
TEST_F(SearchReportsTest, EnginesListedTwiceUnderOneName) {
    WriteFile("SearchEngines.txt",
              "Google\twww.google.com/\tq=\nBing\twww.bing.com/\tq=\nGoogle\tgoogle.de/\tp=\n");
    Load(MinuteHit("a.org", 0, "/a.htm", Google("q=shoes")) +
         MinuteHit("b.org", 0, "/a.htm", "http://google.de/s?p=boots") +
         MinuteHit("c.org", 0, "/a.htm", "http://www.bing.com/?q=shoes"));
    EXPECT_EQ(Run(ReportSearchEngines),
              (Table{"Search Engine|Count|Count %|Target", "Google|2|66.67%|", "Bing|1|33.33%|"}));
    EXPECT_EQ(Run(ReportPhrases), (Table{kPhraseTitles, "shoes|2|66.67%|", "boots|1|33.33%|"}));
}

TEST_F(SearchReportsTest, SearchEngineListIsReadOnEveryRun) {
    Load(MinuteHit("a.org", 0, "/a.htm", Google("q=shoes")));
    EXPECT_EQ(Run(ReportPhrases), (Table{kPhraseTitles, "shoes|1|100.00%|"}));
    WriteFile("SearchEngines.txt", "Other\twww.other.com/\tq=\n");
    EXPECT_EQ(Run(ReportSearchEngines), (Table{"Search Engine|Count|Count %|Target", "|||"}));
    WriteFile("SearchEngines.txt", "Google\twww.google.com/\tsearch?\n");
    EXPECT_EQ(Run(ReportPhrases), (Table{kPhraseTitles, "q=shoes|1|100.00%|"}));
    std::filesystem::remove(folder_ + "SearchEngines.txt");
    try {
        Run(ReportKeywords);
        ADD_FAILURE() << "no error for the missing list";
    } catch (const EVestrelError& error) {
        EXPECT_NE(std::string(error.what()).find("SearchEngines.txt"), std::string::npos);
    }
}

}  // namespace
}  // namespace vestrel
