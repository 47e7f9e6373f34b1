#include "reports/referrer_reports.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "reports/report_test_util.h"

namespace vestrel {
namespace {

using testing_util::MinuteHit;

using Table = std::vector<std::string>;
using Reached = std::vector<std::pair<std::string, int>>;

const std::string kGoogle = "http://www.google.com/search?q=shoes";
const std::string kLinks = "http://links.net/list.html?id=3";
const std::string kOwn = "http://www.example.com/a.htm";
const std::string kUrlTitles = "URL|Hits|Users|Targets";
const std::string kDomainTitles = "Domain name|Hits|Users|Targets";

class ReferrerReportsTest : public testing_util::TReportFixture {
  protected:
    void SetUp() override {
        TReportFixture::SetUp();
        WriteFile("SearchEngines.txt", "Google\twww.google.com/\tq=\n");
    }
};

// The domain starts after "//" only when that is where the second "/" stands. Two rows of equal
// hits are swapped by the quicksort.
TEST_F(ReferrerReportsTest, DomainKeys) {
    Load(MinuteHit("a.org", 0, "/a.htm", "http://www.links.net") +
         MinuteHit("b.org", 0, "/a.htm", "links.net/a/b/c"));
    EXPECT_EQ(Run(ReportRefDomains),
              (Table{kDomainTitles, "links.net/a/b|1|1|", "www.links.net|1|1|"}));
}

TEST_F(ReferrerReportsTest, PageKeyCutsAtTheFirstQueryMarkInOrderOfPreference) {
    Load(MinuteHit("a.org", 0, "/a.htm", "http://x.net/p#top=1") +
         MinuteHit("b.org", 0, "/a.htm", "http://x.net/q=1&r=2") +
         MinuteHit("c.org", 0, "/a.htm", "http://x.net/s&t") +
         MinuteHit("d.org", 0, "/a.htm", "http://x.net/p?a=1#b"));
    EXPECT_EQ(Run(ReportRefPages), (Table{"Page|Hits|Users|Targets", "http://x.net/p|2|2|",
                                          "http://x.net/s|1|1|", "http://x.net/q|1|1|"}));
}

TEST_F(ReferrerReportsTest, VisitorCountsFromItsFirstExternalReferral) {
    Load(MinuteHit("a.org", 0, "/index.htm") + MinuteHit("a.org", 1, "/a.htm", kLinks) +
             MinuteHit("a.org", 2, "/b.htm", "http://other.net/") +
             MinuteHit("a.org", 3, "/shop/thanks.htm", kOwn),
         "www.example.com", "thanks.htm");
    EXPECT_EQ(Run(ReportRefUrls), (Table{kUrlTitles, kLinks + "|2|1|1"}));
}

TEST_F(ReferrerReportsTest, TwoVisitorsFromOnePageAreTwoUsersInEveryTable) {
    Load(MinuteHit("a.org", 0, "/a.htm", kLinks) + MinuteHit("b.org", 0, "/b.htm", kLinks));
    EXPECT_EQ(Run(ReportRefDomains), (Table{kDomainTitles, "links.net|2|2|"}));
    EXPECT_EQ(Run(ReportRefPages),
              (Table{"Page|Hits|Users|Targets", "http://links.net/list.html|2|2|"}));
    EXPECT_EQ(Run(ReportRefUrls), (Table{kUrlTitles, kLinks + "|2|2|"}));
}

TEST_F(ReferrerReportsTest, SearchReferralOpensTheEntryOnlyWhenSearchesAreIncluded) {
    Load(MinuteHit("a.org", 0, "/a.htm", kGoogle) + MinuteHit("a.org", 1, "/b.htm", kLinks));
    EXPECT_EQ(Run(ReportRefDomains, true), (Table{kDomainTitles, "links.net|1|1|"}));
    EXPECT_EQ(Run(ReportRefDomains, false), (Table{kDomainTitles, "www.google.com|2|1|"}));
}

// A 206 hit never starts a visitor's counting nor counts as a target, but after the starting hit
// it is an external referral like any other.
TEST_F(ReferrerReportsTest, PartialContentHits) {
    Load(MinuteHit("a.org", 0, "/a.htm", "http://first.net/", 206) +
             MinuteHit("a.org", 1, "/b.htm", kOwn) + MinuteHit("a.org", 2, "/c.htm", kLinks, 206) +
             MinuteHit("a.org", 3, "/shop/thanks.htm", kOwn, 206) +
             MinuteHit("a.org", 4, "/shop/thanks.htm", kOwn),
         "www.example.com", "thanks.htm");
    EXPECT_EQ(Run(ReportRefUrls), (Table{kUrlTitles, kLinks + "|1|1|1"}));
}

TEST_F(ReferrerReportsTest, EmptyTablesKeepOneEmptyRow) {
    Load(MinuteHit("a.org", 0, "/a.htm") + MinuteHit("b.org", 0, "/shop/thanks.htm", kOwn));
    EXPECT_EQ(Run(ReportRefUrls), (Table{kUrlTitles, "|||"}));
    EXPECT_EQ(Run(ReportPageReferring), (Table{"URL|Referrer|Hits", "||"}));
    Load(MinuteHit("a.org", 0, "/shop/thanks.htm", kLinks));  // a report without targets
    EXPECT_EQ(Run(ReportRefUrls), (Table{kUrlTitles, kLinks + "|1|1|"}));
    EXPECT_EQ(Run(ReportTargetReferring), (Table{"Target|Referrer|Hits", "||"}));
}

// Rows of 1, 2, 1 and 2 hits, written in referrer order a, b, c, d: the quicksort leaves d, b,
// a, c.
TEST_F(ReferrerReportsTest, EqualCountsKeepTheQuicksortOrder) {
    std::string log;
    for (const char* host : {"c1", "d1", "a1", "b1", "b2", "d2"})
        log += MinuteHit(host, 0, "/a.htm", std::string("http://x.net/") + host[0]);
    Load(log);
    EXPECT_EQ(Run(ReportRefUrls), (Table{kUrlTitles, "http://x.net/d|2|2|", "http://x.net/b|2|2|",
                                         "http://x.net/a|1|1|", "http://x.net/c|1|1|"}));
}

TEST_F(ReferrerReportsTest, ShowTargetsOnlyForRowsWithTargets) {
    Load(MinuteHit("a.org", 0, "/shop/thanks.htm", kLinks) +
             MinuteHit("a.org", 1, "/a.htm", kLinks) +
             MinuteHit("b.org", 0, "/a.htm", "http://other.net/"),
         "www.example.com", "thanks.htm");
    ASSERT_EQ(Run(ReportRefDomains), (Table{kDomainTitles, "links.net|2|1|1", "other.net|1|1|"}));
    EXPECT_TRUE(ShowTargetsEnabled(grid_, 1));
    EXPECT_FALSE(ShowTargetsEnabled(grid_, 2));
    EXPECT_FALSE(ShowTargetsEnabled(grid_, 3));
}

TEST_F(ReferrerReportsTest, ReachedTargetsInTheOrderFirstMet) {
    Load(MinuteHit("a.org", 0, "/shop/buy.htm", kLinks) +
             MinuteHit("a.org", 1, "/shop/thanks.htm", kOwn) +
             MinuteHit("b.org", 0, "/a.htm", "http://links.net/other") +
             MinuteHit("b.org", 1, "/shop/thanks.htm", kOwn) +
             MinuteHit("c.org", 0, "/shop/thanks.htm", "http://other.net/") +
             MinuteHit("d.org", 0, "/shop/thanks.htm", kGoogle),
         "www.example.com", "thanks.htm\nbuy.htm");
    analyzer_->LoadSearchEngines(folder_);
    EXPECT_EQ(ComputeReachedTargets(*analyzer_, true, "links.net"),
              (Reached{{"buy.htm", 1}, {"thanks.htm", 2}}));
    EXPECT_EQ(ComputeReachedTargets(*analyzer_, true, "google"), Reached{});
    EXPECT_EQ(ComputeReachedTargets(*analyzer_, false, "google"), (Reached{{"thanks.htm", 1}}));
}

// Pages keep the order first met; the referrers of each page are sorted by hits. (Loading names
// the root by the default page.)
TEST_F(ReferrerReportsTest, PageReferringTable) {
    Load(MinuteHit("a.org", 0, "/b.htm", "http://one.net/") +
         MinuteHit("b.org", 0, "/", "http://one.net/") +
         MinuteHit("c.org", 0, "/", "http://two.net/") +
         MinuteHit("d.org", 0, "/", "http://two.net/") + MinuteHit("e.org", 0, "/", kOwn) +
         MinuteHit("f.org", 0, "/", kGoogle) +
         MinuteHit("g.org", 0, "/b.htm", "http://one.net/", 404));
    EXPECT_EQ(Run(ReportPageReferring),
              (Table{"URL|Referrer|Hits", "/b.htm||2", "|http://one.net/|2", "/index.htm||3",
                     "|http://two.net/|2", "|http://one.net/|1"}));
    EXPECT_TRUE(grid_.IsGroupRow(3));
    EXPECT_EQ(grid_.GetRowTag(3), 1);
}

// Every target has its heading, in the order of the target list; search engines count here. The
// target "/" names no file, so no hit reaches it.
TEST_F(ReferrerReportsTest, TargetReferringTable) {
    Load(MinuteHit("a.org", 0, "/shop/thanks.htm", kLinks) +
             MinuteHit("a.org", 1, "/shop/thanks.htm", kOwn) + MinuteHit("b.org", 0, "/", kGoogle) +
             MinuteHit("c.org", 0, "/shop/thanks.htm", kGoogle) +
             MinuteHit("d.org", 0, "/shop/thanks.htm", kLinks, 404),
         "www.example.com", "buy.htm\nthanks.htm\n/");
    EXPECT_EQ(Run(ReportTargetReferring),
              (Table{"Target|Referrer|Hits", "buy.htm|[No referrer]|", "thanks.htm||3",
                     "|" + kLinks + "|2", "|" + kGoogle + "|1", "[homepage]|[No referrer]|"}));
    EXPECT_EQ(grid_.GetRowTag(2), 1);
    EXPECT_FALSE(grid_.IsGroupRow(2));
}

TEST_F(ReferrerReportsTest, MissingSearchEngineListFailsOnlyWhenSearchesAreExcluded) {
    Load(MinuteHit("a.org", 0, "/a.htm", kLinks));
    std::filesystem::remove(folder_ + "SearchEngines.txt");
    EXPECT_EQ(Run(ReportRefDomains, false), (Table{kDomainTitles, "links.net|1|1|"}));
    EXPECT_THROW(Run(ReportPageReferring, true), EVestrelError);
}

}  // namespace
}  // namespace vestrel
