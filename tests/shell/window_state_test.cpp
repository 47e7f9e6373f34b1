// The window's state around the statistics: the common step, the two log-data views, the row
// buttons and the follow-ups of the options and report settings.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "shell/main_model.h"
#include "shell/settings_file.h"

namespace {

using namespace vestrel;

class WindowStateTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = testing::TempDir() + "vestrel-window-XXXXXX";
        folder_ = std::string(mkdtemp(pattern.data())) + "/";
        for (const auto& list : std::filesystem::directory_iterator(VESTREL_SOURCE_DIR "/data"))
            if (list.path().extension() == ".txt")
                std::filesystem::copy_file(list.path(), folder_ + list.path().filename().string());
        std::ofstream log(folder_ + "site.log");
        // 1,200 visitors, each with a 404 and a page referred from outside.
        for (int i = 0; i < 1200; ++i) {
            log << "10.0." << i / 250 << "." << i % 250
                << " - - [01/Mar/2002:10:00:00 +0000] \"GET /gone.html HTTP/1.0\" 404 0\n"
                << "10.0." << i / 250 << "." << i % 250
                << " - - [01/Mar/2002:10:01:00 +0000] \"GET /a.html HTTP/1.0\" 200 5 "
                   "\"http://other.org/links.html\" \"Mozilla/4.0\"\n";
        }
        log.close();
        store_ = std::make_unique<TDM1>(folder_);
        store_->Open();
        TReportRecord report;
        report.Name = "Site";
        report.Domain = "www.example.com";
        report.LogFiles = "1" + folder_ + "site.log";
        report.Targets = "/a.html";
        store_->InsertReport(report);
        model_ = std::make_unique<TMainModel>(*store_, folder_, host_);
        ASSERT_TRUE(model_->OpenReport("Site"));
    }
    void TearDown() override {
        model_.reset();
        store_.reset();
        std::filesystem::remove_all(folder_);
    }

    void Run(const char* action, const TLogDataWidths& widths = kDefaultLogDataWidths) {
        model_->RunTreeAction(*FindReportAction(action), {}, widths);
    }

    std::string folder_;
    TMainHost host_;
    std::unique_ptr<TDM1> store_;
    std::unique_ptr<TMainModel> model_;
};

TEST_F(WindowStateTest, CommonStepSetsTitleAndViews) {
    model_->Window.Views.Shown = TReportView::Graph;
    Run("actTimeDay");
    EXPECT_EQ(model_->Window.Title, "  Daily Access");
    EXPECT_EQ(model_->Window.Views.Shown, TReportView::Graph);
    Run("actPageTopEntry");
    EXPECT_EQ(model_->Window.Views.Shown, TReportView::List);
    EXPECT_FALSE(model_->Window.Views.GraphEnabled);
    EXPECT_EQ(model_->ReportKind, 21);

    model_->Window.Views.Shown = TReportView::Html;
    Run("actLogData");
    EXPECT_EQ(model_->Window.Views.Shown, TReportView::List);
    EXPECT_FALSE(model_->Window.Views.HtmlEnabled);
}

// Every charted statistic fills the chart whatever view is on show; the 3D button follows it.
TEST_F(WindowStateTest, ChartedStatisticsFillTheChartAndTheThreeDButtonFollows) {
    Run("actVisitBrowser");
    EXPECT_EQ(model_->Chart.Kind, TChartKind::Pie);
    EXPECT_EQ(model_->Window.Views.Shown, TReportView::List);
    EXPECT_FALSE(model_->Window.Views.ThreeDEnabled);
    model_->ShowView(TReportView::Graph);
    EXPECT_TRUE(model_->Window.Views.ThreeDEnabled && model_->Window.Views.ThreeDPressed);
    model_->SetChart3D(false);
    EXPECT_FALSE(model_->Chart.View3D.Enabled || model_->Window.Views.ThreeDPressed);

    Run("actPopularDay");
    EXPECT_EQ(model_->Chart.Kind, TChartKind::Bars);
    EXPECT_EQ(model_->Chart.Title, "  Weekday");
    model_->SetChart3D(true);
    EXPECT_TRUE(model_->Window.Views.ThreeDPressed);
    Run("actTimeWeek");
    EXPECT_FALSE(model_->Window.Views.ThreeDPressed);
    Run("actPageTopEntry");
    EXPECT_EQ(model_->Chart.Title, "  Weekly Access");
    EXPECT_FALSE(model_->Window.Views.ThreeDEnabled);
}

TEST_F(WindowStateTest, LogDataViewAndItsColumnWidths) {
    Run("actLogData");
    EXPECT_EQ(model_->ReportKind, kLogDataKind);
    EXPECT_TRUE(model_->Window.LogGridShown);
    EXPECT_TRUE(model_->Window.FilterMenuEnabled);
    EXPECT_TRUE(model_->Window.FilterButtonEnabled);
    EXPECT_EQ(model_->Window.StatusText, "2400 lines");

    // Leaving the view keeps the widths the grid has now, in the settings file too.
    TLogDataWidths widths = kDefaultLogDataWidths;
    widths[4] = 333;
    Run("actGeneral", widths);
    EXPECT_FALSE(model_->Window.LogGridShown);
    EXPECT_FALSE(model_->Window.FilterMenuEnabled);
    EXPECT_FALSE(model_->Window.FilterButtonEnabled);
    EXPECT_EQ(model_->Settings.LogDataWidths[4], 333);
    TSettingsFile settings(SettingsFileName(folder_));
    EXPECT_EQ(settings.ReadInteger("ColWidths", "LogData4", 0), 333);

    // Only leaving the log data view writes them.
    widths[4] = 444;
    Run("actVisitBrowser", widths);
    EXPECT_EQ(TSettingsFile(SettingsFileName(folder_)).ReadInteger("ColWidths", "LogData4", 0),
              333);
}

TEST_F(WindowStateTest, LogDataOfAnEmptyStoreKeepsTheKindAndStatus) {
    model_->Analyzer->Reset();
    const std::string status = model_->Window.StatusText;  // the loading's, not yet shown
    Run("actGeneral");
    Run("actLogData");
    EXPECT_EQ(model_->ReportKind, 1);
    EXPECT_FALSE(model_->Window.LogGridShown);
    EXPECT_EQ(model_->Window.StatusText, status);
    EXPECT_EQ(model_->Grid.RowCount(), 2);
    EXPECT_EQ(model_->Grid.GetText(0, 0), "Remote Host");
}

TEST_F(WindowStateTest, FilteredLogDataStopsAt999Rows) {
    Run("actLogData");
    model_->BeginFilteredLogData();
    EXPECT_EQ(model_->ReportKind, kFilteredLogDataKind);
    model_->LogDataFilter.Filters = fbStatus;
    model_->LogDataFilter.StatusFrom = 404;
    model_->ListFilteredLogData();
    EXPECT_FALSE(model_->Window.LogGridShown);
    EXPECT_EQ(model_->Grid.RowCount(), 1000);
    EXPECT_EQ(model_->Window.StatusText, "Filtered: 999 lines");
    EXPECT_TRUE(model_->RowCommands(1).DnsLookup);
}

TEST_F(WindowStateTest, RowButtonsFollowTheReferrerTables) {
    Run("actRefDomains");
    ASSERT_EQ(model_->ReportKind, 16);
    EXPECT_EQ(model_->Grid.GetText(0, 1), "other.org");
    TRowCommands commands = model_->RowCommands(1);
    EXPECT_TRUE(commands.OpenLink);
    EXPECT_TRUE(commands.ShowTargets);
    EXPECT_FALSE(commands.DnsLookup);
    const auto targets = model_->ReachedTargets("other.org");
    ASSERT_EQ(targets.size(), 1u);
    EXPECT_EQ(targets[0], (std::pair<std::string, int>{"/a.html", 1200}));

    Run("actError404");
    commands = model_->RowCommands(1);
    EXPECT_FALSE(commands.OpenLink || commands.ShowTargets || commands.DnsLookup);
}

TEST_F(WindowStateTest, OptionsRecomputeOnlyTheListStatistics) {
    Run("actGeneral");
    EXPECT_EQ(model_->ApplyOptions(), nullptr);
    Run("actVisitBrowser");
    const TReportAction* rerun = model_->ApplyOptions();
    ASSERT_NE(rerun, nullptr);
    EXPECT_EQ(rerun->Action, "actVisitBrowser");

    TSettingsFile settings(SettingsFileName(folder_));
    settings.WriteInteger("Reports", "LastDaysToShow", 7);
    model_->ApplyOptions();
    EXPECT_EQ(model_->Settings.LastDaysToShow, 7);
}

TEST_F(WindowStateTest, EditedReportOpensUnderItsNewName) {
    ASSERT_TRUE(store_->FindReport("Site"));
    TReportRecord report = store_->CurrentReport();
    report.Name = "Renamed";
    store_->PostReport(report);
    ASSERT_TRUE(model_->ReopenEditedReport());
    EXPECT_EQ(model_->OpenReportName, "Renamed");
    EXPECT_EQ(model_->Caption, "Vestrel [Renamed]");
}

}  // namespace
