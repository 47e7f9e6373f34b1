#include "shell/main_model.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "engine/errors.h"
#include "shell/options.h"
#include "shell/settings_file.h"

namespace {

using namespace vestrel;

class RecordingHost : public TMainHost {
  public:
    void RunTelnetScript(const TReportRecord&) override { ++TelnetRuns; }
    void ShowReport(const TVarGrid&, const std::string& title) override { Shown.push_back(title); }
    int TelnetRuns = 0;
    std::vector<std::string> Shown;
};

class MainModelTest : public ::testing::Test {
  protected:
    void SetUp() override {
        setenv("TZ", "UTC", 1);
        tzset();
        std::string pattern = testing::TempDir() + "vestrel-main-XXXXXX";
        folder_ = std::string(mkdtemp(pattern.data())) + "/";
        std::ofstream(folder_ + "site.log")
            << "good.host - - [01/Mar/2002:10:00:00 +0000] \"GET /a.html HTTP/1.0\" 200 5\n"
               "bad.host - - [01/Mar/2002:10:01:00 +0000] \"GET /b.html HTTP/1.0\" 200 5\n";
        store_ = std::make_unique<TDM1>(folder_);
        store_->Open();
        model_ = std::make_unique<TMainModel>(*store_, folder_, host_);
    }
    void TearDown() override {
        model_.reset();
        store_.reset();
        std::filesystem::remove_all(folder_);
    }

    void AddReport(const std::string& name, const std::string& domain,
                   const std::string& telnetOptions = "") {
        TReportRecord report;
        report.Name = name;
        report.Domain = domain;
        report.LogFiles = "1" + folder_ + "site.log";
        report.TelnetOptions = telnetOptions;
        store_->InsertReport(report);
    }

    std::string folder_;
    RecordingHost host_;
    std::unique_ptr<TDM1> store_;
    std::unique_ptr<TMainModel> model_;
};

TEST_F(MainModelTest, OpeningLoadsTheReportAndShowsTheSummary) {
    AddReport("Site", "www.example.com");
    EXPECT_FALSE(model_->OpenReport("Nope"));
    EXPECT_EQ(model_->Caption, "Vestrel");

    ASSERT_TRUE(model_->OpenReport("Site"));
    EXPECT_EQ(model_->Caption, "Vestrel [Site]");
    EXPECT_EQ(model_->Analyzer->HitCount, 2);
    EXPECT_EQ(host_.Shown, std::vector<std::string>{"  General"});
    EXPECT_EQ(model_->ReportKind, 1);

    std::vector<std::string> top;
    for (const TReportTreeItem& item : model_->ReportTree)
        top.push_back(item.Caption + ":" + std::to_string(item.Children.size()));
    EXPECT_EQ(top, (std::vector<std::string>{"General:0", "Log Data:0", "Visitors:9",
                                             "Time period:5", "Refereeing:5", "Pages:4",
                                             "Serach Engines:4", "Errors:4", "www.example.com:0"}));
}

TEST_F(MainModelTest, StatusTextTellsSkippedLinesAndTheSettingLeavesRobotsOut) {
    EXPECT_EQ(LoadStatusText(12, 0), "Load time: 12ms");
    EXPECT_EQ(LoadStatusText(7, 3), "Load time: 7ms, 3 lines skipped");
    std::ofstream(folder_ + "site.log", std::ios::app)
        << "garbage\nbot.host - - [01/Mar/2002:10:02:00 +0000] \"GET /r HTTP/1.0\" 200 5 \"-\" "
           "\"Googlebot/2.1\"\n";
    std::ofstream(folder_ + "Robots.txt") << "Googlebot\tgooglebot\n";
    AddReport("Site", "www.example.com");
    ASSERT_TRUE(model_->OpenReport("Site"));
    EXPECT_EQ(model_->Analyzer->HitCount, 3);
    EXPECT_EQ(model_->Analyzer->SkippedLines, 1);
    EXPECT_TRUE(model_->Window.StatusText.ends_with("ms, 1 lines skipped"))
        << model_->Window.StatusText;

    TSettingsFile settings(SettingsFileName(folder_));
    TOptions options = LoadOptions(settings);
    options.ExcludeRobots = true;
    SaveOptions(settings, options);
    model_->ReadSettings();
    ASSERT_TRUE(model_->OpenReport("Site"));
    EXPECT_EQ(model_->Analyzer->HitCount, 2);
    EXPECT_EQ(model_->Analyzer->ExcludedRobotHits, 1);
}

TEST_F(MainModelTest, OnlyEnabledFiltersApplyWhileLoading) {
    AddReport("Site", "www.example.com");
    TFilterData onlyGood;
    onlyGood.Filters = fbDomain;
    onlyGood.Domain = "good";
    store_->WriteFilter(true, onlyGood);
    TFilterData nothing;
    nothing.Exclude = true;
    store_->WriteFilter(true, nothing);
    store_->SetFilterEnabled(false);

    ASSERT_TRUE(model_->OpenReport("Site"));
    EXPECT_EQ(model_->Analyzer->HitCount, 1);
}

TEST_F(MainModelTest, EmptyDomainOpensWithoutLoading) {
    AddReport("Bare", "");
    ASSERT_TRUE(model_->OpenReport("Bare"));
    EXPECT_EQ(model_->Analyzer->HitCount, 0);
    EXPECT_TRUE(host_.Shown.empty());
}

TEST_F(MainModelTest, TelnetOptionsDecideTheScriptAndBadTextEndsTheOpening) {
    AddReport("Script", "www.example.com", "3");
    ASSERT_TRUE(model_->OpenReport("Script"));
    EXPECT_EQ(host_.TelnetRuns, 1);

    AddReport("Broken", "www.example.com", "yes");
    EXPECT_THROW(model_->OpenReport("Broken"), EVestrelError);
    EXPECT_EQ(model_->Caption, "Vestrel [Broken]");  // the steps before the error stay done
    EXPECT_EQ(model_->Analyzer->HitCount, 0);
}

TEST_F(MainModelTest, ClosingStoresABuiltSiteTreeOnly) {
    AddReport("Site", "www.example.com");
    ASSERT_TRUE(model_->OpenReport("Site"));
    model_->Close();
    ASSERT_TRUE(store_->FindReport("Site"));
    EXPECT_EQ(store_->CurrentReport().SiteTree, "");

    ASSERT_TRUE(model_->OpenReport("Site"));
    BuildSiteTree(*model_->SiteTree, *model_->Analyzer, model_->Settings.StopBuildTree);
    model_->Close();
    ASSERT_TRUE(store_->FindReport("Site"));
    EXPECT_EQ(store_->CurrentReport().SiteTree, "a.html\r\nb.html\r\n");
}

// "Build Site Tree" replaces the tree and counts it; a deleted root builds and stores nothing,
// and the stored tree stays as it was.
TEST_F(MainModelTest, RebuildingAndDeletingTheSiteTreeRoot) {
    AddReport("Site", "www.example.com");
    model_->RebuildSiteTree();  // nothing open: nothing to do
    ASSERT_TRUE(model_->OpenReport("Site"));
    AddSiteItemChild(*model_->SiteTree->SiteTreeRoot());
    model_->RebuildSiteTree();
    EXPECT_EQ(RenderSiteTree(*model_->SiteTree), "www.example.com\t\n  a.html\t1\n  b.html\t1\n");
    EXPECT_TRUE(model_->SiteTree->SiteTreeRoot()->Expanded);
    model_->Close();

    ASSERT_TRUE(model_->OpenReport("Site"));
    model_->SiteTree->Delete(*model_->SiteTree->SiteTreeRoot());
    model_->RebuildSiteTree();
    EXPECT_EQ(model_->SiteTree->SiteTreeRoot(), nullptr);
    model_->Close();
    ASSERT_TRUE(store_->FindReport("Site"));
    EXPECT_EQ(store_->CurrentReport().SiteTree, "a.html\r\nb.html\r\n");
}

}  // namespace

namespace {

class StartUpHost : public RecordingHost {
  public:
    bool SelectReport(TDM1&, TLogFileDataParam&) override {
        ++Selections;
        return false;
    }
    void ShowInformation(const std::string& text) override { Messages.push_back(text); }
    int Selections = 0;
    std::vector<std::string> Messages;
};

TEST_F(MainModelTest, CommandLineOpensReportsAndFallsBackToTheSelection) {
    AddReport("Site", "www.example.com");
    StartUpHost host;
    TMainModel model(*store_, folder_, host);
    model.StartUp({"rSite "});
    EXPECT_EQ(model.Caption, "Vestrel [Site]");
    EXPECT_EQ(host.Selections, 0);

    model.StartUp({"RSite", "RNope"});  // the last result counts
    EXPECT_EQ(host.Selections, 1);

    model.StartUp({"?", "other"});
    EXPECT_EQ(host.Selections, 2);
    ASSERT_EQ(host.Messages.size(), 1u);
    EXPECT_EQ(host.Messages[0],
              "Command line parameters:\r? = This help\rR\"<Name>\" = Start with report "
              "\"<Name>\"Q = quiet, don't show any errors if report can't be loaded");
}

}  // namespace
