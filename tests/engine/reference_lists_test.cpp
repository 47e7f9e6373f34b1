#include "engine/reference_lists.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "engine/errors.h"
#include "engine/text_util.h"

namespace vestrel {
namespace {

using Lines = std::vector<std::string>;

const std::string kLong(1100, 'm');

// Reference lists read from their own small files in a fresh folder.
class ReferenceListsTest : public testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = testing::TempDir() + "vestrel_lists_XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder_ = pattern + "/";
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    void Write(const std::string& name, const std::string& content) {
        std::ofstream(folder_ + name, std::ios::binary) << content;
    }

    std::string folder_;
    TReferenceLists lists_;
};

TEST_F(ReferenceListsTest, FixedRowsClassifyBeforeAnyFileIsRead) {
    EXPECT_EQ(lists_.OperatingSystems.size(), 1u);
    ASSERT_EQ(lists_.Browsers.size(), 8u);
    EXPECT_EQ(lists_.Browsers[7].Name, "Netscape 7.x");
    EXPECT_EQ(lists_.TopDomainCaption(0), "[Unknown] (XXXXX)");
    EXPECT_EQ(lists_.ClassifyOS("Mozilla/4.0 (Windows 98)"), 0);
    EXPECT_EQ(lists_.ClassifyBrowser("Mozilla/4.7 [en] (Win98; I)"), 4);
    EXPECT_EQ(lists_.FindTopDomain("www.example.xxxxx"), 0);  // row 0's code never matches
}

TEST_F(ReferenceListsTest, MissingFilesRaiseNamingTheFile) {
    const std::pair<std::string, void (TReferenceLists::*)(const std::string&)> loaders[] = {
        {"SearchEngines.txt", &TReferenceLists::LoadSearchEngines},
        {"OperatingSystems.txt", &TReferenceLists::LoadOperatingSystems},
        {"UserAgents.txt", &TReferenceLists::LoadUserAgents},
        {"TopDomain.txt", &TReferenceLists::LoadTopDomains},
        {"WebPageExts.txt", &TReferenceLists::LoadWebPageExts},
    };
    for (const auto& [file, load] : loaders) {
        try {
            (lists_.*load)(folder_);
            ADD_FAILURE() << "no error for " << file;
        } catch (const EVestrelError& error) {
            EXPECT_NE(std::string(error.what()).find(folder_ + file), std::string::npos)
                << error.what();
        }
    }
    EXPECT_EQ(lists_.Browsers.size(), 8u);

    lists_.GlobalExclude.push_back({"gif", StrHash("gif")});
    EXPECT_FALSE(lists_.LoadGlobalExclude(folder_));
    EXPECT_TRUE(lists_.GlobalExclude.empty());
}

TEST_F(ReferenceListsTest, SearchEngineLinesSplitAtFirstAndLastTab) {
    Write("SearchEngines.txt",
          "Google\twww.google.com/search\tq=\r\nno tab\r\nOdd\tmid\tdle\tp=\r\n"
          "Short\tkey=\r\nSlash\t/lead\tx=\r\nLong\thost\t" +
              kLong);
    lists_.LoadSearchEngines(folder_);
    const auto& engines = lists_.SearchEngines;
    ASSERT_EQ(engines.size(), 5u);
    EXPECT_EQ(engines[0].HostHash, StrHash("www.google.com"));
    EXPECT_EQ(engines[1].URL, "mid\tdle");
    EXPECT_EQ(engines[1].PhraseStart, "p=");
    EXPECT_EQ(engines[2].URL, "");
    EXPECT_EQ(engines[2].PhraseStart, "key=");
    EXPECT_EQ(engines[3].HostHash, StrHash("/lead"));
    EXPECT_EQ(engines[4].PhraseStart, kLong.substr(0, 1024));
}

TEST_F(ReferenceListsTest, NameMatchRowsReplaceThoseAfterTheFixedRows) {
    Write("OperatingSystems.txt", "Windows 98\tWin98\rno tab\rLong\t" + kLong + "\r");
    Write("UserAgents.txt", "Internet Explorer\tMSIE\n\nOpera\tOpera\n");
    lists_.LoadOperatingSystems(folder_);
    lists_.LoadUserAgents(folder_);
    ASSERT_EQ(lists_.OperatingSystems.size(), 3u);
    EXPECT_EQ(lists_.OperatingSystems[1].Name, "Windows 98");
    EXPECT_EQ(lists_.OperatingSystems[1].Match, "Win98");
    EXPECT_EQ(lists_.OperatingSystems[2].Match.size(), 1024u);
    EXPECT_EQ(lists_.Browsers.size(), 10u);

    Write("UserAgents.txt", "Lynx\tLynx\n");
    lists_.LoadUserAgents(folder_);
    ASSERT_EQ(lists_.Browsers.size(), 9u);
    EXPECT_EQ(lists_.Browsers[1].Name, "Netscape");
    EXPECT_EQ(lists_.Browsers[8].Name, "Lynx");
}

TEST_F(ReferenceListsTest, TopDomainsSplitAtTheLastQuote) {
    Write("TopDomain.txt",
          "\"Sweden\" SE\r\nno quote\r\n\"Say \"hi\"\" hi\r\n\"Bare\"\r\n\"Long\" " + kLong);
    lists_.LoadTopDomains(folder_);
    const auto& domains = lists_.TopDomains;
    ASSERT_EQ(domains.size(), 5u);
    EXPECT_EQ(domains[1].Name, "Sweden");
    EXPECT_EQ(domains[1].Match, "se");
    EXPECT_EQ(domains[2].Name, "Say \"hi\"");
    EXPECT_EQ(domains[3].Match, "");
    EXPECT_EQ(domains[4].Match.size(), 1024u);
    EXPECT_EQ(lists_.TopDomainCaption(1), "Sweden (SE)");

    EXPECT_EQ(lists_.FindTopDomain("www.example.se"), 1);
    EXPECT_EQ(lists_.FindTopDomain("WWW.EXAMPLE.HI"), 2);
    EXPECT_EQ(lists_.FindTopDomain("host.zz"), 0);
    for (const char* host : {"10.0.0.1", "localhost", "host.se."})
        EXPECT_EQ(lists_.FindTopDomain(host), -1) << host;
}

TEST_F(ReferenceListsTest, PagesAndExclusionsByExtension) {
    Write("WebPageExts.txt", "htm\n\nphp\n");
    Write("GlobalExclude.txt", "gif\r\n\r\n");
    lists_.LoadWebPageExts(folder_);
    EXPECT_TRUE(lists_.LoadGlobalExclude(folder_));
    for (const char* page : {"/", "/dir/", "/a.htm", "/a.htm?x=1", "/b.c/x.php"})
        EXPECT_TRUE(lists_.IsPage(page)) << page;
    for (const char* other : {"/a.HTM", "/a", "/a.", "/a.gif", "/a.htm?v=1.2", "/x?.htm"})
        EXPECT_FALSE(lists_.IsPage(other)) << other;
    // The first "." counts for exclusion.
    EXPECT_TRUE(lists_.IsExcluded("/img/a.gif?size=2"));
    for (const char* kept : {"/img.old/a.gif", "/img/a", "/img/a.", "/a?.gif"})
        EXPECT_FALSE(lists_.IsExcluded(kept)) << kept;
}

TEST(ReferenceListsTargets, NamesPathsAndCutQueries) {
    TReferenceLists lists;
    lists.LoadTargets("thanks.htm\r\n\r\n/order/done.htm\r\n/buy.asp?id=1");
    ASSERT_EQ(lists.Targets.size(), 3u);
    EXPECT_EQ(lists.FindTargetOfPath("/shop/thanks.htm"), 0);
    EXPECT_EQ(lists.FindTargetOfPath("/thanks.htm"), -1);  // its only "/" is the first character
    EXPECT_EQ(lists.FindTargetOfPath("/s/thanks.htm?a=1"), 0);
    EXPECT_EQ(lists.FindTargetOfPath("/s/thanks.htm:80"), 0);
    EXPECT_EQ(lists.FindTargetOfPath("/order/done.htm"), 1);
    EXPECT_EQ(lists.FindTargetOfPath("/other/done.htm"), -1);
    // Only the last "&" part is cut when there is one.
    EXPECT_EQ(lists.FindTargetOfPath("/buy.asp?id=1&ref=x"), 2);
    EXPECT_EQ(lists.FindTargetOfPath("/buy.asp?id=1"), -1);
    EXPECT_EQ(lists.FindTargetOfPath("/a/thanks.htm/"), -1);

    lists.LoadTargets("/thanks.htm\nx");
    EXPECT_EQ(lists.FindTargetOfPath("/thanks.htm"), 0);
    EXPECT_EQ(lists.FindTargetOfPath("/a/x"), -1);  // names shorter than 2 never match
}

TEST_F(ReferenceListsTest, SearchEngineHostFollowsAnyScheme) {
    Write("SearchEngines.txt",
          "Empty\t\tq=\nExample\tsearch.example.com/search\tq=\n"
          "Images\tsearch.example.com/images\tq=\nPlain\tplain.example\tp=\n");
    lists_.LoadSearchEngines(folder_);
    EXPECT_EQ(lists_.FindSearchEngine("http://search.example.com/search?q=x"), 1);
    EXPECT_EQ(lists_.FindSearchEngine("https://search.example.com/search?q=x"), 1);
    EXPECT_EQ(lists_.FindSearchEngine("https://search.example.com/images?q=x"), 2);
    EXPECT_EQ(lists_.FindSearchEngine("ftp://plain.example/"), 3);
    for (const char* referrer :
         {"http://search.example.com/other?q=x", "http://search.example.com.au/search?q=x",
          "https://plain.example", "search.example.com/search", "http:///search",
          "http://search.example.com/sea", ""})
        EXPECT_EQ(lists_.FindSearchEngine(referrer), -1) << referrer;
}

TEST(ExtractSearchPhrase, DecodesTheQueryValue) {
    const std::string_view referrer = "http://www.google.com/search?q=red+shoes%21&hl=en";
    EXPECT_EQ(TReferenceLists::ExtractSearchPhrase(referrer, "q="), "red shoes!");
    EXPECT_EQ(TReferenceLists::ExtractSearchPhrase(referrer, "p="), "<?\?\?>");
    // Lower-case digits are upper-cased, others count as 0; a decoded "+" stays.
    EXPECT_EQ(TReferenceLists::ExtractSearchPhrase("?q=%c3%A9%2B%zz1", "q="),
              std::string("\xc3\xa9+") + '\0' + "1");
    EXPECT_EQ(TReferenceLists::ExtractSearchPhrase("?q=a%4", "q="), "a@");
    EXPECT_EQ(TReferenceLists::ExtractSearchPhrase("?q=" + kLong + "&x", "q="),
              kLong.substr(0, 1024));
}

TEST(SplitKeywords, SeparatorsInOrderOfPreference) {
    using Split = TReferenceLists;
    EXPECT_EQ(Split::SplitKeywords("red shoes"), (Lines{"red", "shoes"}));
    EXPECT_EQ(Split::SplitKeywords("cheap \"red shoes\""), (Lines{"cheap ", "red shoes"}));
    EXPECT_EQ(Split::SplitKeywords("a b-c d"), (Lines{"a b", "c", "d"}));
    EXPECT_EQ(Split::SplitKeywords("+ x+y "), (Lines{"x", "y"}));
    EXPECT_TRUE(Split::SplitKeywords("\"\" ").empty());
}

TEST_F(ReferenceListsTest, ClassifyAgents) {
    Write("UserAgents.txt", "Internet Explorer\tMSIE\nEmpty\t\n");
    Write("OperatingSystems.txt", "Empty\t\nWindows\tWin\nWindows 98\tWin98\n");
    lists_.LoadUserAgents(folder_);
    lists_.LoadOperatingSystems(folder_);
    EXPECT_EQ(lists_.ClassifyBrowser("Mozilla/4.0 (compatible; MSIE 5.0; Windows 98)"), 8);
    EXPECT_EQ(lists_.ClassifyBrowser("Mozilla/2.02"), 2);
    EXPECT_EQ(lists_.ClassifyBrowser("Mozilla/8.0"), 1);
    EXPECT_EQ(lists_.ClassifyBrowser("Mozilla"), 1);
    EXPECT_EQ(lists_.ClassifyBrowser(""), 0);
    EXPECT_EQ(lists_.ClassifyBrowser("Lynx/2.8"), 0);
    EXPECT_EQ(lists_.FindBrowser("Mozilla/4.0 (compatible; MSIE 5.0)"), 8);
    EXPECT_EQ(lists_.FindBrowser("Mozilla/4.7"), -1);
    EXPECT_EQ(lists_.FindBrowser(""), -1);

    EXPECT_EQ(lists_.ClassifyOS("Mozilla/4.7 (Win98; I)"), 2);  // the first matching row wins
    EXPECT_EQ(lists_.ClassifyOS(""), 0);
}

TEST(SiteDomain, KeepsTheLastTwoLabels) {
    EXPECT_EQ(TReferenceLists::SiteDomain("a.b.c.d"), "c.d");
    EXPECT_EQ(TReferenceLists::SiteDomain("c.d"), "c.d");
    EXPECT_EQ(TReferenceLists::SiteDomain(".c.d"), "c.d");
}

}  // namespace
}  // namespace vestrel
