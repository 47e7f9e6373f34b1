// The real main window driven as a user drives it: start-up arguments, opening a report, the
// report tree, sorting, the log data views, cancelling a load and the errors of an opening.
#include "gui/main_window.h"

#include <QAction>
#include <QFont>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTextBrowser>
#include <QTreeWidget>
#include <fstream>

#include "gui/gui_test_util.h"
#include "gui/log_data_model.h"
#include "gui/log_filter_dialog.h"
#include "gui/progress_window.h"
#include "gui/report_pages.h"
#include "gui/report_settings_dialog.h"
#include "gui/select_report_dialog.h"
#include "shell/settings_file.h"

namespace {

using namespace vestrel;
using namespace vestrel::gui;
using namespace vestrel::gui::testing;

class MainWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        setenv("TZ", "UTC", 1);
        tzset();
        folder_ = MakeDataFolder();
        store_ = std::make_unique<TDM1>(folder_);
        store_->Open();
        AddReport(*store_, "Demo", "1" + kDemoLog);
        window_ = std::make_unique<TfrmMain>(*store_, folder_);
        window_->show();
    }
    void TearDown() override {
        window_.reset();
        store_.reset();
        std::filesystem::remove_all(folder_);
    }

    void Choose(const char* action) {
        QTreeWidgetItem* item = window_->TreeItem(action);
        ASSERT_NE(item, nullptr) << action;
        window_->Tree()->setCurrentItem(item);
    }
    QTableView* ReportTable() const { return window_->Pages()->ReportTable(); }
    const TVarGrid& Grid() { return window_->Model().Grid; }
    std::string Title() const { return window_->TitleLabel()->text().toStdString(); }
    void ClickTitle(int column) {
        QHeaderView* header = ReportTable()->horizontalHeader();
        const QPoint at(header->sectionViewportPosition(column) + 5, header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
    }

    TRecordingPresenter messages_;
    std::string folder_;
    std::unique_ptr<TDM1> store_;
    std::unique_ptr<TfrmMain> window_;
};

TEST_F(MainWindowTest, StartUpArgumentsOpenReportsOrTheSelection) {
    window_->StartUp({"r Demo "});
    EXPECT_EQ(window_->windowTitle(), "Vestrel [Demo]");
    EXPECT_TRUE(messages_.Shown.empty());

    // "?" shows the parameters, and without an R argument the selection follows.
    bool selectionShown = false;
    WhenModal<TfrmSelectReport>([&](TfrmSelectReport& dialog) {
        selectionShown = true;
        dialog.reject();
    });
    window_->StartUp({"?"});
    ASSERT_EQ(messages_.Shown.size(), 1u);
    EXPECT_EQ(messages_.Shown[0].Kind, TMessageKind::Information);
    EXPECT_EQ(messages_.Shown[0].Text, kCommandLineHelp);
    EXPECT_TRUE(selectionShown);
    EXPECT_EQ(window_->windowTitle(), "Vestrel [Demo]");
}

TEST_F(MainWindowTest, LastRArgumentNotFoundShowsTheSelection) {
    AddReport(*store_, "Other", "1" + kDemoLog, "www.other.org");
    WhenModal<TfrmSelectReport>([](TfrmSelectReport& dialog) {
        EXPECT_EQ(dialog.List()->topLevelItemCount(), 2);
        dialog.List()->setCurrentItem(dialog.List()->topLevelItem(1));
        dialog.accept();
    });
    window_->StartUp({"RDemo", "RMissing"});
    EXPECT_EQ(window_->windowTitle(), "Vestrel [Other]");
}

TEST_F(MainWindowTest, CancelledSelectionLeavesNoReportOpen) {
    WhenModal<TfrmSelectReport>([](TfrmSelectReport& dialog) { dialog.reject(); });
    window_->StartUp({});
    EXPECT_EQ(window_->windowTitle(), "Vestrel");
    EXPECT_EQ(window_->Tree()->topLevelItemCount(), 0);
    EXPECT_FALSE(window_->Command("actFilterLogData")->isEnabled());
}

TEST_F(MainWindowTest, OpeningShowsTheTreeTheSummaryAndTheLoadTime) {
    ASSERT_TRUE(window_->OpenReport("Demo"));
    EXPECT_EQ(window_->Model().Analyzer->HitCount, 5000);
    EXPECT_EQ(Title(), "  General");
    EXPECT_TRUE(window_->StatusText().startsWith("Load time: "));
    EXPECT_TRUE(window_->StatusText().endsWith("ms"));
    QTreeWidget* tree = window_->Tree();
    ASSERT_EQ(tree->topLevelItemCount(), 9);
    EXPECT_EQ(tree->topLevelItem(2)->text(0), "Visitors");
    EXPECT_EQ(tree->topLevelItem(2)->childCount(), 9);
    EXPECT_EQ(tree->topLevelItem(8)->text(0), "www.example.com");
    EXPECT_EQ(tree->currentItem(), tree->topLevelItem(0));
    EXPECT_EQ(ReportTable()->model()->rowCount(), Grid().RowCount() - 1);
    EXPECT_EQ(ReportTable()->model()->headerData(0, Qt::Horizontal).toString().toStdString(),
              Grid().GetText(0, 0));
}

TEST_F(MainWindowTest, EveryTreeItemShowsItsStatistic) {
    ASSERT_TRUE(window_->OpenReport("Demo"));
    for (const TReportAction& action : ReportCatalogue()) {
        if (action.Tag <= 0) continue;
        Choose(std::string(action.Action).c_str());
        SCOPED_TRACE(std::string(action.Action));
        EXPECT_EQ(Title(), ReportTitle(action));
        EXPECT_EQ(window_->Model().ReportKind, action.ReportKind);
        const bool logData = action.Action == "actLogData";
        EXPECT_EQ(window_->Command("actViewHtml")->isEnabled(), !logData);
        EXPECT_EQ(window_->Pages()->LogGridShown(), logData);
        if (!logData) {
            EXPECT_EQ(ReportTable()->model()->rowCount(), Grid().RowCount() - 1);
        }
    }
    EXPECT_TRUE(messages_.Shown.empty());
}

TEST_F(MainWindowTest, HtmlViewShowsTheTableOfTheReportOnShow) {
    ASSERT_TRUE(window_->OpenReport("Demo"));
    Choose("actVisitBrowser");
    window_->Command("actViewHtml")->trigger();
    const QString page = window_->Pages()->HtmlView()->toPlainText();
    EXPECT_TRUE(page.contains("Browser"));
    EXPECT_TRUE(page.contains(QString::fromStdString(Grid().GetText(0, 1))));
    // The log data has no HTML page: the list comes back.
    Choose("actLogData");
    EXPECT_TRUE(window_->Command("actViewList")->isChecked());
    EXPECT_EQ(window_->Pages()->View(), TReportView::List);
}

TEST_F(MainWindowTest, SelectedRowsEnableTheTitleButtons) {
    ASSERT_TRUE(window_->OpenReport("Demo"));
    Choose("actRefDomains");
    EXPECT_FALSE(window_->Command("actOpenLink")->isEnabled());
    ReportTable()->setCurrentIndex(ReportTable()->model()->index(0, 0));
    EXPECT_TRUE(window_->Command("actOpenLink")->isEnabled());
    EXPECT_EQ(window_->Command("actShowTargets")->isEnabled(), Grid().GetInt(3, 1) > 0);
    Choose("actGeneral");
    EXPECT_FALSE(window_->Command("actOpenLink")->isEnabled());
    EXPECT_FALSE(window_->Command("actShowTargets")->isEnabled());
}

TEST_F(MainWindowTest, TitleClicksSortWithTheGridsOwnSort) {
    ASSERT_TRUE(window_->OpenReport("Demo"));
    Choose("actPageMostVisited");
    ClickTitle(1);
    EXPECT_EQ(Grid().SortedColumn(), 1);
    EXPECT_FALSE(Grid().GetColDescending(1));
    for (int row = 2; row < Grid().RowCount(); ++row)
        ASSERT_LE(Grid().GetInt(1, row - 1), Grid().GetInt(1, row));
    ClickTitle(1);
    EXPECT_TRUE(Grid().GetColDescending(1));
    for (int row = 2; row < Grid().RowCount(); ++row)
        ASSERT_GE(Grid().GetInt(1, row - 1), Grid().GetInt(1, row));
    EXPECT_EQ(ReportTable()->model()->index(0, 1).data().toString().toStdString(),
              Grid().GetText(1, 1));
}

TEST_F(MainWindowTest, LogDataDrawsEveryHitFromTheStore) {
    ASSERT_TRUE(window_->OpenReport("Demo"));
    Choose("actLogData");
    QTableView* grid = window_->Pages()->LogGrid();
    ASSERT_TRUE(grid->isVisible());
    const TLogAnalyzer& analyzer = *window_->Model().Analyzer;
    ASSERT_EQ(grid->model()->rowCount(), analyzer.HitCount);
    EXPECT_EQ(window_->StatusText(), "5000 lines");
    for (int row : {0, 2500, analyzer.HitCount - 1})
        for (int col = 0; col < 10; ++col)
            ASSERT_EQ(grid->model()->index(row, col).data().toString().toStdString(),
                      analyzer.HitFieldText(col, row));
    EXPECT_EQ(grid->model()->headerData(9, Qt::Horizontal).toString(), "UID");
    int bold = 0;
    for (int row = 0; row < 200; ++row) {
        const bool known = analyzer.FindBrowser(analyzer.AgentText(analyzer.Hits[row])) >= 0;
        const QFont font = grid->model()->index(row, 8).data(Qt::FontRole).value<QFont>();
        ASSERT_EQ(font.bold(), known) << row;
        bold += known;
    }
    EXPECT_GT(bold, 0);
    EXPECT_EQ(window_->Pages()->LogGridWidths()[4], 200);
    EXPECT_EQ(grid->columnWidth(4), window_->Pages()->ScreenWidth(200));
    EXPECT_TRUE(window_->Command("actFilterLogData")->isEnabled());
    EXPECT_TRUE(window_->Command("actFilterLogDataMenu")->isEnabled());
}

TEST_F(MainWindowTest, LogGridColumnWidthsAreKeptInTheSettings) {
    ASSERT_TRUE(window_->OpenReport("Demo"));
    Choose("actLogData");
    window_->Pages()->LogGrid()->setColumnWidth(4, window_->Pages()->ScreenWidth(321));
    Choose("actGeneral");
    EXPECT_EQ(TSettingsFile(SettingsFileName(folder_)).ReadInteger("ColWidths", "LogData4", 0),
              321);
    window_->Pages()->LogGrid()->setColumnWidth(4, 50);
    Choose("actLogData");
    EXPECT_EQ(window_->Pages()->LogGridWidths()[4], 321);
}

TEST_F(MainWindowTest, FilteredLogDataListsAtMost999Rows) {
    ASSERT_TRUE(window_->OpenReport("Demo"));
    Choose("actLogData");
    window_->Model().LogDataFilter.Filters = fbStatus;
    window_->Model().LogDataFilter.StatusFrom = 200;
    WhenModal<TfrmLogFilter>([](TfrmLogFilter& dialog) { dialog.accept(); });
    window_->Command("actFilterLogData")->trigger();
    EXPECT_EQ(window_->StatusText(), "Filtered: 999 lines");
    EXPECT_FALSE(window_->Pages()->LogGridShown());
    EXPECT_EQ(ReportTable()->model()->rowCount(), 999);
    EXPECT_EQ(window_->Model().ReportKind, kFilteredLogDataKind);
    EXPECT_EQ(ReportTable()->model()->index(0, 5).data().toString(), "200");

    // Cancelling the dialog lists nothing anew and keeps the filter.
    window_->Model().LogDataFilter.StatusFrom = 404;
    WhenModal<TfrmLogFilter>([](TfrmLogFilter& dialog) { dialog.reject(); });
    window_->Command("actFilterLogDataMenu")->trigger();
    EXPECT_EQ(window_->Model().LogDataFilter.StatusFrom, 404);
    EXPECT_EQ(window_->StatusText(), "Filtered: 999 lines");
}

TEST_F(MainWindowTest, CancelKeepsWhatWasLoaded) {
    const std::string big = folder_ + "big.log", second = folder_ + "second.log";
    {
        std::ofstream out(big);
        for (int i = 0; i < 600000; ++i)
            out << "10.1." << (i / 200) % 250 << "." << i % 200
                << " - - [01/Mar/2002:10:00:00 +0000] \"GET /p" << i % 5000
                << ".html HTTP/1.0\" 200 5\n";
        std::ofstream(second) << "10.9.9.9 - - [01/Mar/2002:11:00:00 +0000] \"GET / HTTP/1.0\" "
                                 "200 5\n";
    }
    AddReport(*store_, "Big", "1" + big + "\r\n1" + second);
    // Cancel once the bar has moved, so that some lines are in however slow the build is.
    WhenModal<TfrmProgress>([](TfrmProgress& progress) {
        const auto* bar = progress.findChild<QProgressBar*>("barProgress");
        ASSERT_NE(bar, nullptr);
        ASSERT_TRUE(QTest::qWaitFor([bar] { return bar->value() > 0; }, 60000));
        progress.CancelButton()->click();
    });
    ASSERT_TRUE(window_->OpenReport("Big"));
    const int hits = window_->Model().Analyzer->HitCount;
    EXPECT_GT(hits, 0);
    EXPECT_LT(hits, 600000);
    EXPECT_EQ(window_->windowTitle(), "Vestrel [Big]");
    EXPECT_EQ(Title(), "  General");
    EXPECT_TRUE(messages_.Shown.empty());
}

TEST_F(MainWindowTest, AnOpeningErrorIsShownAndTheStateReachedStays) {
    const std::string zip = folder_ + "logs.zip";
    std::ofstream(zip) << "PK";
    AddReport(*store_, "Zipped", "1" + kDemoLog + "\r\n1" + zip);
    window_->OpenReport("Zipped");
    ASSERT_EQ(messages_.Shown.size(), 1u);
    EXPECT_EQ(messages_.Shown[0].Kind, TMessageKind::Error);
    EXPECT_EQ(messages_.Shown[0].Text, "ZIP not implementet yet");
    EXPECT_EQ(window_->windowTitle(), "Vestrel [Zipped]");
    EXPECT_EQ(window_->Tree()->topLevelItemCount(), 9);
    EXPECT_EQ(window_->Model().Analyzer->HitCount, 5000);
}

TEST_F(MainWindowTest, ClosingStoresTheSiteTree) {
    ASSERT_TRUE(window_->OpenReport("Demo"));
    BuildSiteTree(*window_->Model().SiteTree, *window_->Model().Analyzer, 5000);
    window_->close();
    ASSERT_TRUE(store_->FindReport("Demo"));
    EXPECT_FALSE(store_->CurrentReport().SiteTree.empty());
}

TEST_F(MainWindowTest, ReportSettingsReopenTheReportUnderItsNewName) {
    QAction* settings = window_->Command("actReportSettings");
    ASSERT_TRUE(settings->isEnabled());
    settings->trigger();  // without an open report nothing happens (no dialog waits here)

    ASSERT_TRUE(window_->OpenReport("Demo"));
    WhenModal<TfrmRepSettings>([](TfrmRepSettings& dialog) {
        auto* name = dialog.findChild<QLineEdit*>("edtReportName");
        EXPECT_EQ(name->text(), "Demo");
        name->setText("Demo 2");
        dialog.findChild<QLineEdit*>("edtDomain")->setText("example.com");
        QTest::mouseClick(dialog.findChild<QPushButton*>("btnOK"), Qt::LeftButton);
    });
    settings->trigger();
    EXPECT_EQ(window_->windowTitle(), "Vestrel [Demo 2]");
    EXPECT_EQ(window_->Model().OpenDomain, "example.com");
    EXPECT_EQ(window_->Model().Analyzer->HitCount, 5000);
    EXPECT_FALSE(store_->FindReport("Demo"));
    EXPECT_TRUE(messages_.Shown.empty());
}

}  // namespace
