// The graph page and the Copy command of the real window over the demo report: the series each
// kind of statistic draws, the pie's size, the 3D button with its painted depth, the views kept
// or given up when the statistic changes, and the clipboard's data.
#include "gui/graph_view.h"

#include <QAction>
#include <QApplication>
#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QClipboard>
#include <QLegend>
#include <QLineSeries>
#include <QMimeData>
#include <QPieSeries>
#include <QPieSlice>
#include <QTableView>
#include <QTreeWidget>
#include <cmath>

#include "gui/clipboard_data.h"
#include "gui/gui_test_util.h"
#include "gui/main_window.h"
#include "gui/report_pages.h"

namespace {

using namespace vestrel;
using namespace vestrel::gui;
using namespace vestrel::gui::testing;

class GraphViewTest : public ::testing::Test {
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
        ASSERT_TRUE(window_->OpenReport("Demo"));
    }
    void TearDown() override {
        window_.reset();
        store_.reset();
        std::filesystem::remove_all(folder_);
    }

    void Choose(const char* action) { window_->Tree()->setCurrentItem(window_->TreeItem(action)); }
    void ShowGraph() { window_->Command("actViewGraph")->trigger(); }
    QAction* ThreeD() const { return window_->Command("act3DGraph"); }
    TGraphView& Graph() const { return *window_->Pages()->GraphView(); }
    QChart& Chart() const { return *Graph().chart(); }
    template <typename Series>
    Series* Find(const char* name) const {
        for (QAbstractSeries* series : Chart().series())
            if (series->objectName() == name) return qobject_cast<Series*>(series);
        return nullptr;
    }
    const TVarGrid& Grid() const { return window_->Model().Grid; }

    TRecordingPresenter messages_;
    std::string folder_;
    std::unique_ptr<TDM1> store_;
    std::unique_ptr<TfrmMain> window_;
};

TEST_F(GraphViewTest, PieDrawsTheSharesWithSmallOnesMergedAndFollowsTheChartsSize) {
    Choose("actVisitBrowser");
    ShowGraph();
    ASSERT_EQ(Chart().series().size(), 1);
    auto* pie = Find<QPieSeries>("Series4");
    ASSERT_NE(pie, nullptr);
    const TChartSeries slices = PieSlices(window_->Model().Chart.Pie);
    ASSERT_EQ(pie->count(), static_cast<int>(slices.Values.size()));
    ASSERT_LT(slices.Values.size(), static_cast<size_t>(Grid().RowCount() - 1));
    EXPECT_EQ(pie->slices().back()->label().toStdString(), "Other (&lt; 2%)");
    EXPECT_EQ(pie->slices().front()->label(),
              QString::fromStdString(Grid().GetText(0, 1)) +
                  QString::asprintf(" (%.2f%%)", Grid().GetFloat(2, 1) * 100));
    EXPECT_DOUBLE_EQ(pie->slices().front()->value(), Grid().GetFloat(2, 1) * 100);
    EXPECT_TRUE(pie->slices().front()->isLabelVisible());
    EXPECT_FALSE(Chart().legend()->isVisible());
    EXPECT_EQ(Chart().title(), "  Browser");

    for (QSize size : {QSize(1100, 720), QSize(700, 900)}) {
        window_->resize(size);
        QApplication::processEvents();
        const QRectF area = Chart().plotArea();
        EXPECT_NEAR(Graph().PieRadiusPixels(),
                    PieRadius(std::lround(area.width()), std::lround(area.height())), 0.5);
    }
}

TEST_F(GraphViewTest, TimeStatisticDrawsHitBarsWithMarksAndAUserLineOverAxes) {
    Choose("actPopularHour");
    ShowGraph();
    auto* bars = Find<QBarSeries>("Series2");
    auto* users = Find<QLineSeries>("Series3");
    ASSERT_TRUE(bars != nullptr && users != nullptr);
    EXPECT_EQ(Find<QLineSeries>("Series1"), nullptr);
    ASSERT_EQ(bars->barSets().size(), 1);
    const QBarSet& hits = *bars->barSets().front();
    EXPECT_EQ(hits.label(), "Hits");
    ASSERT_EQ(hits.count(), 24);
    ASSERT_EQ(users->count(), 24);
    for (int hour = 0; hour < 24; ++hour) {
        EXPECT_EQ(hits.at(hour), Grid().GetFloat(1, hour + 1));
        EXPECT_EQ(users->at(hour).y(), Grid().GetFloat(3, hour + 1));
    }
    EXPECT_TRUE(bars->isLabelsVisible());
    EXPECT_TRUE(Chart().legend()->isVisible());
    const auto axes = Chart().axes(Qt::Horizontal);
    ASSERT_EQ(axes.size(), 1);
    auto* categories = qobject_cast<QBarCategoryAxis*>(axes.front());
    ASSERT_NE(categories, nullptr);
    EXPECT_TRUE(categories->isVisible());
    EXPECT_EQ(categories->at(0).toStdString(), Grid().GetText(0, 1));
}

// The day chart of a span longer than a month meets each day of the month twice.
TEST_F(GraphViewTest, DayChartDrawsThreeSeriesWithAPointForEveryDay) {
    window_->Model().Settings.LastDaysToShow = 40;
    Choose("actPopularHour");
    ShowGraph();
    window_->Model().RunStatistic(*FindReportAction("actDaySpan"), "/index.html");
    window_->Pages()->ShowView(TReportView::Graph);
    const size_t days = window_->Model().Chart.Hits.Values.size();
    ASSERT_GT(days, 31u);
    auto* failed = Find<QLineSeries>("Series1");
    ASSERT_NE(failed, nullptr);
    EXPECT_EQ(failed->count(), static_cast<int>(days));
    EXPECT_EQ(Find<QLineSeries>("Series3")->count(), static_cast<int>(days));
    auto* categories = qobject_cast<QBarCategoryAxis*>(Chart().axes(Qt::Horizontal).front());
    EXPECT_EQ(categories->count(), static_cast<int>(days));
    EXPECT_EQ(Chart().title(), "  /index.html");
}

TEST_F(GraphViewTest, ThreeDButtonSwitchesThePaintedDepth) {
    Choose("actVisitBrowser");
    EXPECT_FALSE(ThreeD()->isEnabled());
    ShowGraph();
    // A pie is filled in 3D.
    EXPECT_TRUE(ThreeD()->isEnabled());
    EXPECT_TRUE(ThreeD()->isChecked());
    EXPECT_TRUE(Graph().DepthLayer().isVisible());
    ThreeD()->trigger();
    EXPECT_FALSE(window_->Model().Chart.View3D.Enabled);
    EXPECT_FALSE(Graph().DepthLayer().isVisible());

    // Bars are filled flat, so the button follows the new chart at once.
    Choose("actTimeWeek");
    EXPECT_FALSE(ThreeD()->isChecked());
    EXPECT_FALSE(Graph().DepthLayer().isVisible());
    ThreeD()->trigger();
    EXPECT_TRUE(Graph().DepthLayer().isVisible());
    // The marks then sit on the bars' painted tops.
    EXPECT_FALSE(Find<QBarSeries>("Series2")->isLabelsVisible());

    window_->Command("actViewList")->trigger();
    EXPECT_FALSE(ThreeD()->isEnabled());
    EXPECT_TRUE(ThreeD()->isChecked());
}

TEST_F(GraphViewTest, SwitchingViewsKeepsTheStatisticAndAChartlessOneLeavesTheGraph) {
    EXPECT_FALSE(window_->Command("actViewGraph")->isEnabled());
    Choose("actTimeMonth");
    ShowGraph();
    window_->Command("actViewHtml")->trigger();
    window_->Command("actViewList")->trigger();
    ShowGraph();
    EXPECT_EQ(window_->Model().Window.Title, "  Monthly Access");
    EXPECT_EQ(Chart().title(), "  Monthly Access");
    EXPECT_EQ(window_->Pages()->currentWidget(), &Graph());

    Choose("actPageTopEntry");
    EXPECT_FALSE(window_->Command("actViewGraph")->isEnabled());
    EXPECT_TRUE(window_->Command("actViewList")->isChecked());
    EXPECT_EQ(window_->Pages()->View(), TReportView::List);
    EXPECT_FALSE(ThreeD()->isEnabled());
    // The chart keeps the last charted statistic.
    EXPECT_EQ(window_->Model().Chart.Title, "  Monthly Access");

    Choose("actVisitOpSystem");
    EXPECT_TRUE(window_->Command("actViewGraph")->isEnabled());
    EXPECT_EQ(window_->Pages()->View(), TReportView::List);
}

TEST_F(GraphViewTest, CopyOffersTheSylkSheetAndTheTextOfTheGridOnShow) {
    Choose("actVisitBrowser");
    ShowGraph();
    window_->Command("actCopy")->trigger();
    const QMimeData* data = QApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    const QByteArray sylk = QByteArray::fromStdString(ClipboardSylk(Grid()));
    EXPECT_EQ(data->data(kOfficeSylkMimeType), sylk);
    EXPECT_EQ(data->data(kSylkMimeType), sylk);
    EXPECT_TRUE(sylk.startsWith("ID;PWXL;N;E\r\n") && sylk.endsWith("\r\nE"));
    EXPECT_EQ(data->text().toStdString(), ClipboardText(Grid()));
    EXPECT_TRUE(data->text().startsWith("Browser\t"));
    EXPECT_FALSE(data->hasFormat("text/rtf"));
    EXPECT_TRUE(messages_.Shown.empty());
}

}  // namespace
