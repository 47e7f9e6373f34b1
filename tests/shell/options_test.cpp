#include "shell/options.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "engine/errors.h"

namespace vestrel {
namespace {

namespace fs = std::filesystem;

class OptionsTest : public testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = testing::TempDir() + "vestrel_options_XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder_ = pattern + "/";
    }
    void TearDown() override { fs::remove_all(folder_); }

    void Put(const std::string& name, const std::string& content) {
        std::ofstream(folder_ + name, std::ios::binary) << content;
    }
    std::string Content(const std::string& name) const {
        std::ostringstream text;
        text << std::ifstream(folder_ + name, std::ios::binary).rdbuf();
        return text.str();
    }

    std::string folder_;
};

TEST_F(OptionsTest, DialogDefaultsSavedOnOkReplaceTheMainWindowsOwnDefault) {
    TSettingsFile file(SettingsFileName(folder_));
    const TOptions shown = LoadOptions(file);
    EXPECT_EQ(shown.StopBuildTree, 5000);
    EXPECT_EQ(shown.LastDaysToShow, 30);
    EXPECT_TRUE(shown.ExcludeSearshFromRef);
    EXPECT_EQ(TimeZoneChoiceOf(shown.TimeZone).Mode, TTimeZoneMode::ZoneOffsetFromFiles);

    TMainSettings main;
    ReadSettings(file, main);
    EXPECT_EQ(main.LastDaysToShow, 31);
    SaveOptions(file, shown);
    ReadSettings(file, main);
    EXPECT_EQ(main.LastDaysToShow, 30);
    EXPECT_EQ(Content("Vestrel.ini"),
              "[Log]\nStopBuildTree=5000\n"
              "[Reports]\nLastDaysToShow=30\nExcludeSearshFromRef=1\nTimeZone=-100\n"
              "ExcludeRobots=0\n");
    EXPECT_FALSE(main.ExcludeRobots);
}

TEST_F(OptionsTest, ColumnWidthsMissingFromTheFileKeepTheOnesHeld) {
    Put("Vestrel.ini", "[ColWidths]\nLogData4=333\nLogData9=wide\n");
    TSettingsFile file(SettingsFileName(folder_));
    TMainSettings main;
    main.LogDataWidths[9] = 77;
    ReadSettings(file, main);
    EXPECT_EQ(main.LogDataWidths, (TLogDataWidths{100, 50, 70, 100, 333, 50, 50, 150, 150, 77}));
    main.LogDataWidths[0] = 1;
    WriteLogDataColumnWidths(file, main.LogDataWidths);
    TMainSettings reread;
    ReadSettings(file, reread);
    EXPECT_EQ(reread.LogDataWidths, main.LogDataWidths);
}

TEST(TimeZoneChoiceTest, StoredValuesMapToTheThreeChoices) {
    EXPECT_EQ(TimeZoneChoiceOf(0).Mode, TTimeZoneMode::TimeFromFiles);
    EXPECT_EQ(TimeZoneChoiceOf(-100).Mode, TTimeZoneMode::ZoneOffsetFromFiles);
    EXPECT_EQ(TimeZoneChoiceOf(5).OffsetHours, 5);
    EXPECT_EQ(TimeZoneChoiceOf(20).OffsetHours, 12);
    EXPECT_EQ(TimeZoneChoiceOf(-99).OffsetHours, -12);
    // Offset 0 stores what "Use time from files" stores.
    EXPECT_EQ(TimeZoneOf({TTimeZoneMode::SpecifiedOffset, 0}), 0);
    EXPECT_EQ(TimeZoneOf({TTimeZoneMode::SpecifiedOffset, -3}), -3);
    EXPECT_EQ(TimeZoneOf({TTimeZoneMode::ZoneOffsetFromFiles, 4}), -100);
}

TEST(NumberFieldTest, StrayCharactersAreDroppedAndTheRestMustBeANumber) {
    EXPECT_EQ(NumberFieldValue("1.234,5 h", ','), 1235);
    EXPECT_EQ(NumberFieldValue("abc", '.'), 0);
    EXPECT_EQ(NumberFieldValue("1e3", '.'), 1000);
    EXPECT_EQ(NumberFieldValue("+7", '.'), 7);
    EXPECT_EQ(NumberFieldValue("-2.5", '.'), -3);
    try {
        NumberFieldValue("1-2 days", '.');
        FAIL() << "no error";
    } catch (const EVestrelError& error) {
        EXPECT_STREQ(error.what(), "'1-2' is no valid numeric input.");
    }
    EXPECT_THROW(NumberFieldValue("3e9", '.'), EVestrelError);
    EXPECT_THROW(NumberFieldValue("+-1", '.'), EVestrelError);

    EXPECT_EQ(OffsetFieldValue(" +3 "), 3);
    EXPECT_EQ(OffsetFieldValue("40"), 12);
    EXPECT_EQ(OffsetFieldValue("-99999999999999999999"), -12);
    EXPECT_EQ(OffsetFieldValue("99999999999999999999"), 12);
    EXPECT_EQ(OffsetFieldValue("2.5"), -12);
    EXPECT_EQ(OffsetFieldValue(""), -12);
}

TEST(TextListTest, AddsTrimmedNewEntriesInOrderIgnoringCase) {
    TTextList list;
    list.Load({"htm", "", "asp"});
    EXPECT_FALSE(list.Add("HTM"));
    EXPECT_FALSE(list.Add("  "));
    EXPECT_TRUE(list.Add(" php "));
    EXPECT_EQ(list.Items(), (std::vector<std::string>{"asp", "htm", "php"}));
    EXPECT_THROW(list.Add("a\nb"), EVestrelError);
    list.Remove(0);
    EXPECT_THROW(list.Remove(2), std::out_of_range);
    EXPECT_EQ(list.FileText(), "htm\r\nphp\r\n");
}

TEST(SortedTableTest, RowsStaySortedByNameAndRejectWhatWouldNotReadBack) {
    TSortedTable<TAgentRow> agents;
    agents.Load({{"Opera", "Opera"}, {"MSIE", "MSIE 6"}, {"Opera", "OPR/"}});
    EXPECT_EQ(agents.Add({"", ""}), 0u);  // empty texts are allowed
    EXPECT_EQ(agents.Replace(0, {"Zeta", "with\ttab"}), 3u);
    EXPECT_EQ(agents.FileText(),
              "MSIE\tMSIE 6\r\nOpera\tOpera\r\nOpera\tOPR/\r\nZeta\twith\ttab\r\n");
    EXPECT_THROW(agents.Add({"a\tb", "x"}), EVestrelError);
    EXPECT_THROW(agents.Replace(0, {"a", "x\r"}), EVestrelError);
    EXPECT_EQ(agents.Rows().size(), 4u);

    TSortedTable<TSearchEngineRow> engines;
    EXPECT_THROW(engines.Add({"G", "g.com", "q=\t"}), EVestrelError);
    TSearchEngineRow edited{" Google ", "www.google.com ", "  "};
    EXPECT_EQ(TrimSearchEngine(edited), 2);
    EXPECT_EQ(edited.Name, "Google");
    EXPECT_EQ(MissingFieldText(kSearchEngineLabels[2]), "\"Phrase start with\" is missing");
}

TEST_F(OptionsTest, ListsLoadAndWriteBackInTheirFileFormats) {
    Put("SearchEngines.txt", "Yahoo\tq=\nno tab\nAlta\tav.com/cgi\tq=");
    Put("UserAgents.txt", "Opera\tOpera\r\nMSIE\tMSIE\r\n");
    Put("OperatingSystems.txt", "");
    Put("WebPageExts.txt", "htm\nasp\n");
    TOptionLists lists = LoadOptionLists(folder_);
    EXPECT_EQ(lists.GlobalExclude.Source.State, TListState::Missing);
    ASSERT_EQ(lists.SearchEngines.Rows().size(), 2u);
    EXPECT_EQ(lists.SearchEngines.Rows()[1].URL, "");
    EXPECT_EQ(lists.SearchEngines.Rows()[1].PhraseStart, "q=");
    lists.OperatingSystems.Add({"Linux", "Linux"});
    SaveOptionLists(folder_, lists);
    EXPECT_EQ(Content("SearchEngines.txt"), "Alta\tav.com/cgi\tq=\r\nYahoo\t\tq=\r\n");
    EXPECT_EQ(Content("UserAgents.txt"), "MSIE\tMSIE\r\nOpera\tOpera\r\n");
    EXPECT_EQ(Content("OperatingSystems.txt"), "Linux\tLinux\r\n");
    EXPECT_EQ(Content("WebPageExts.txt"), "asp\r\nhtm\r\n");
    EXPECT_FALSE(fs::exists(folder_ + "GlobalExclude.txt"));  // missing and still empty

    lists.GlobalExclude.Add("gif");
    SaveOptionLists(folder_, lists);
    EXPECT_EQ(Content("GlobalExclude.txt"), "gif\r\n");
}

TEST_F(OptionsTest, AListThatCouldNotBeReadIsNeverOverwritten) {
    Put("UserAgents.txt", "Opera\tOpera\n");
    fs::create_directory(folder_ + "WebPageExts.txt");
    TOptionLists lists = LoadOptionLists(folder_);
    EXPECT_EQ(lists.SearchEngines.Source.State, TListState::Missing);
    EXPECT_EQ(lists.UserAgents.Rows().size(), 1u);  // read although SearchEngines.txt is missing
    EXPECT_EQ(lists.WebPageExts.Source.State, TListState::Failed);
    EXPECT_NE(lists.WebPageExts.Source.LoadError.find(folder_ + "WebPageExts.txt"),
              std::string::npos);
    lists.WebPageExts.Add("htm");
    SaveOptionLists(folder_, lists);
    EXPECT_TRUE(fs::is_directory(folder_ + "WebPageExts.txt"));
    EXPECT_EQ(Content("UserAgents.txt"), "Opera\tOpera\r\n");
}

TEST_F(OptionsTest, AFailedWriteStopsAtThatListNamingIt) {
    TOptionLists lists;
    for (TListSource* source :
         {&lists.GlobalExclude.Source, &lists.SearchEngines.Source, &lists.UserAgents.Source})
        source->State = TListState::Loaded;
    fs::create_directories(folder_ + "SearchEngines.txt/full");
    try {
        SaveOptionLists(folder_, lists);
        FAIL() << "no error";
    } catch (const EVestrelError& error) {
        EXPECT_NE(std::string(error.what()).find("SearchEngines.txt"), std::string::npos);
    }
    EXPECT_TRUE(fs::exists(folder_ + "GlobalExclude.txt"));
    EXPECT_FALSE(fs::exists(folder_ + "UserAgents.txt"));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()), 2);
}

}  // namespace
}  // namespace vestrel
