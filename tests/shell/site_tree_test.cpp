#include "shell/site_tree.h"

#include <gtest/gtest.h>

#include <chrono>

#include "reports/catalogue.h"
#include "reports/report_test_util.h"

namespace vestrel {
namespace {

using testing_util::Line;

// One hit a minute from one host, so the hits keep their order in the store.
std::string Log(const std::vector<std::pair<std::string, int>>& requests, int bytes = 100) {
    std::string log;
    for (size_t i = 0; i < requests.size(); ++i) {
        const std::string minute = (i < 10 ? "0" : "") + std::to_string(i);
        log += Line("10.0.0.1", "01/Jan/2024:10:" + minute + ":00", requests[i].first,
                    requests[i].second, bytes);
    }
    return log;
}

TEST(SiteTreeMemo, LoadsNestedLinesAndSavesThemUnchanged) {
    TSiteTree tree("example.com");
    const std::string memo = "a\r\n/b\r\n//c.htm\r\nd\r\n/\r\n//e\r\n";
    LoadSiteTree(tree, memo);
    EXPECT_EQ(RenderSiteTree(tree),
              "example.com\t\n  a\t\n    b\t\n      c.htm\t\n  d\t\n    \t\n      e\t\n");
    const TSiteItem& root = *tree.SiteTreeRoot();
    EXPECT_TRUE(root.Expanded);
    EXPECT_EQ(root.Children[0]->Children[0]->Children[0]->Picture, 3);
    EXPECT_EQ(SaveSiteTree(tree), memo);
}

TEST(SiteTreeMemo, DamagedTextLoadsWhatItCan) {
    TSiteTree tree("example.com");
    // A first line below the top level, a jump of two levels, a blank as a level, binary junk,
    // bare line feeds and a last line cut short.
    LoadSiteTree(tree, "/x\r\n///y\n  z\nbad\x01line\r\nw.ht");
    EXPECT_EQ(RenderSiteTree(tree), "example.com\t\n  x\t\n    y\t\n      z\t\n  w.ht\t\n");
    LoadSiteTree(tree, "");
    EXPECT_TRUE(tree.SiteTreeRoot()->Children.empty());
}

TEST(SiteTreeMemo, DeepChainIsFreedWithoutExhaustingTheStack) {
    TSiteTree tree("example.com");
    TSiteItem* item = tree.SiteTreeRoot();
    for (int i = 0; i < 300000; ++i) item = &AddSiteItemChild(*item);
    EXPECT_EQ(item->Depth, 300000);
    tree.Delete(*tree.SiteTreeRoot());
    EXPECT_EQ(tree.SiteTreeRoot(), nullptr);
}

TEST(SiteTreePaths, SplitsRequestedPaths) {
    using Parts = std::vector<std::string_view>;
    EXPECT_EQ(SplitRequestPath("/a/b.htm"), (Parts{"a", "b.htm"}));
    EXPECT_EQ(SplitRequestPath("/a/"), (Parts{"a"}));
    EXPECT_EQ(SplitRequestPath("/a//b"), (Parts{"a", "", "b"}));
    EXPECT_EQ(SplitRequestPath("/p.asp?q=/x"), (Parts{"p.asp?q=", "x"}));
    EXPECT_TRUE(SplitRequestPath("/").empty());
    EXPECT_TRUE(SplitRequestPath("").empty());
    EXPECT_TRUE(SplitRequestPath("/a/../b.htm").empty());
    EXPECT_TRUE(SplitRequestPath("/..").empty());
    EXPECT_EQ(SplitRequestPath("/a/..b/c.."), (Parts{"a", "..b", "c.."}));
    const std::string longPath = "/" + std::string(1020, 'x') + "/abcdef";
    EXPECT_EQ(SplitRequestPath(longPath).back(), "abc");
}

TEST(SiteTreePaths, DaySpanPathLeavesOutTheRoot) {
    TSiteTree tree("example.com");
    LoadSiteTree(tree, "images\r\n/icons\r\n//logo.gif\r\n");
    const TSiteItem& logo = *tree.SiteTreeRoot()->Children[0]->Children[0]->Children[0];
    EXPECT_EQ(SiteItemPath(logo), "/images/icons/logo.gif");
    EXPECT_EQ(DaySpanPath(logo), "images/icons/logo.gif");
    EXPECT_EQ(ReportTitle(*FindReportAction("actDaySpan"), DaySpanPath(logo)),
              "  /images/icons/logo.gif");
    EXPECT_EQ(DaySpanPath(*tree.SiteTreeRoot()), "");
}

class SiteTreeBuild : public testing_util::TReportFixture {
  protected:
    std::string Build(const std::string& log, int32_t limit = 5000) {
        BuildSiteTree(tree_, Load(log), limit);
        return RenderSiteTree(tree_);
    }
    TSiteTree tree_{"example.com"};
};

TEST_F(SiteTreeBuild, EachHitAddsOneLevelNewestFirst) {
    EXPECT_EQ(Build(Log({{"/a/b.htm", 200}})), "example.com\t\n  a\t\n");
    EXPECT_EQ(Build(Log({{"/a/b.htm", 200}, {"/a/b.htm", 200}})),
              "example.com\t\n  a\t\n    b.htm\t2\n");
    EXPECT_FALSE(AsksToBuildSiteTree(tree_));
}

TEST_F(SiteTreeBuild, OnlyServedHitsCountAgainstTheLimit) {
    const auto requests = std::vector<std::pair<std::string, int>>{
        {"/old.htm", 200}, {"/moved.htm", 302}, {"/gone.htm", 404}, {"/cached.htm", 304}};
    EXPECT_EQ(Build(Log(requests), 0), "example.com\t\n  moved.htm\t1\n");
    EXPECT_EQ(Build(Log(requests), 1), "example.com\t\n  moved.htm\t1\n  old.htm\t1\n");
    // A path climbing out of the site adds nothing but still uses up a hit.
    EXPECT_EQ(Build(Log({{"/old.htm", 200}, {"/x/../y.htm", 200}}), 0), "example.com\t\n");
}

TEST_F(SiteTreeBuild, SortsFoldersFirstThenByExtensionAndName) {
    Build(Log({{"/index.htm", 200},
               {"/docs/x.htm", 200},
               {"/about.htm", 200},
               {"/logo.gif", 200},
               {"/b.gif", 200},
               {"/A.GIF", 200},
               {"/c.Gif", 200},
               {"/report.pdf", 200},
               {"/files.tar.GZ", 200},
               {"/x.weird", 200},
               {"/v1.2\\run", 200}}));
    std::string order;
    for (const auto& child : tree_.SiteTreeRoot()->Children)
        order += child->Caption + ":" + std::to_string(child->Picture) + " ";
    EXPECT_EQ(order,
              "docs:8 v1.2\\run:8 A.GIF:4 b.gif:4 c.Gif:4 logo.gif:4 files.tar.GZ:7 about.htm:3 "
              "index.htm:3 report.pdf:12 x.weird:6 ");
}

TEST_F(SiteTreeBuild, CountsAddUpEveryQueryOfAPath) {
    Build(Log({{"/a.htm", 200}, {"/a.htm?x=1", 200}, {"/page.asp?id=1", 200}}) +
          Line("10.0.0.1", "01/Jan/2024:10:09:00", "/b.htm", 304, 0));
    RenameSiteItem(AddSiteItemChild(*tree_.SiteTreeRoot()), "b.htm");
    FillSiteTreeCounts(tree_, *analyzer_);
    std::vector<std::string> columns;
    for (const auto& child : tree_.SiteTreeRoot()->Children)
        columns.push_back(child->Caption + "|" + HitsColumnText(*child));
    EXPECT_EQ(columns,
              (std::vector<std::string>{"page.asp?id=1|", "a.htm|2 ", "a.htm?x=1|", "b.htm|1 "}));
}

TEST_F(SiteTreeBuild, BuildsFromAMillionHitsQuickly) {
    TLogAnalyzer& analyzer = Load("");
    const int hitCount = 1000000;
    std::vector<int32_t> urlKeys;
    for (int p = 0; p < 10000; ++p)
        urlKeys.push_back(analyzer.Urls.Add("/d" + std::to_string(p % 50) + "/s" +
                                            std::to_string(p % 7) + "/f" + std::to_string(p) +
                                            ".htm"));
    analyzer.Hits.Reserve(hitCount);
    for (int i = 0; i < hitCount; ++i)
        analyzer.Hits[i] =
            TLogHit{1, 0, 45000.0, urlKeys[i % urlKeys.size()], 1, 2, 200, 10, 0, 0, 0};
    analyzer.HitCount = hitCount;
    const auto start = std::chrono::steady_clock::now();
    BuildSiteTree(tree_, analyzer, hitCount);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    const TSiteItem& folder = *tree_.SiteTreeRoot()->Children[0];
    EXPECT_EQ(tree_.SiteTreeRoot()->Children.size(), 50u);
    EXPECT_EQ(folder.Children.size(), 7u);
    EXPECT_EQ(folder.Children[0]->Children[0]->Hits, 100);
}

TEST(SiteTreeEdit, CommandsChangeTheModel) {
    TSiteTree tree("example.com");
    TSiteItem& root = *tree.SiteTreeRoot();
    EXPECT_TRUE(AsksToBuildSiteTree(tree));
    EXPECT_EQ(AddSiteItemAfter(root), nullptr);
    TSiteItem& child = AddSiteItemChild(root);
    EXPECT_TRUE(root.Expanded);
    EXPECT_EQ(child.Caption, "New item");
    EXPECT_EQ(child.Picture, 6);
    TSiteItem& grandchild = AddSiteItemChild(child);
    RenameSiteItem(grandchild, "/ page\r\n.htm");
    AddSiteItemAfter(grandchild);
    TSiteItem* last = AddSiteItemAfter(child);
    RenameSiteItem(*last, "gone");
    AddSiteItemChild(*last);
    EXPECT_EQ(SaveSiteTree(tree), "New item\r\n/page.htm\r\n/New item\r\ngone\r\n/New item\r\n");
    tree.Delete(*last);
    EXPECT_EQ(SaveSiteTree(tree), "New item\r\n/page.htm\r\n/New item\r\n");
}

TEST_F(SiteTreeBuild, NothingHappensOnceTheRootIsDeleted) {
    tree_.Delete(*tree_.SiteTreeRoot());
    EXPECT_EQ(Build(Log({{"/a.htm", 200}})), "");
    LoadSiteTree(tree_, "a\r\n");
    FillSiteTreeCounts(tree_, *analyzer_);
    EXPECT_EQ(SaveSiteTree(tree_), "");
    EXPECT_FALSE(AsksToBuildSiteTree(tree_));
}

}  // namespace
}  // namespace vestrel
