#include "output/chart_model.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "reports/catalogue.h"
#include "reports/report_test_util.h"

namespace vestrel {
namespace {

using testing_util::Line;
using TLabels = std::vector<std::string>;

// `count` hits of one visitor at 10:00 on `day` (as "dd/Mon/yyyy").
std::string Hits(const std::string& host, int count, const std::string& agent = "-",
                 const std::string& referrer = "-", const std::string& day = "10/Mar/2024") {
    std::string log;
    for (int i = 0; i < count; ++i)
        log += Line(host, day + ":10:00:00", "/index.html", 200, 100, referrer, agent);
    return log;
}

class ChartModelTest : public testing_util::TReportFixture {
  protected:
    void SetUp() override {
        TReportFixture::SetUp();
        WriteFile("UserAgents.txt", "IE\tMSIE\nOpera\tOpera\n");
        WriteFile("SearchEngines.txt", "Google\twww.google.com/\tq=\n");
    }

    // Computes the statistic of `actionName` on the loaded log the way the window does, then
    // charts its grid.
    TChartModel Chart(std::string_view actionName) {
        const TReportAction& action = *FindReportAction(actionName);
        TReportContext context = Context();
        context.DaySpanPath = "index";
        action.Generator(context);
        return ChartForReport(action, grid_, ReportTitle(action, context.DaySpanPath));
    }
};

TEST_F(ChartModelTest, BrowserPieLabelsSharesAndMergesSlicesBelowTwoPercent) {
    Load(Hits("a", 60, "MSIE 6.0") + Hits("b", 39, "Opera/9.80") + Hits("c", 1, "curl"));
    const TChartModel chart = Chart("actVisitBrowser");
    EXPECT_EQ(chart.Kind, TChartKind::Pie);
    EXPECT_EQ(chart.Title, "  Browser");
    EXPECT_EQ(chart.Pie.Labels, (TLabels{"IE (60.00%)", "Opera (39.00%)", "Unknown (1.00%)"}));
    EXPECT_TRUE(chart.View3D.Enabled && !chart.LegendVisible);

    const TChartSeries slices = PieSlices(chart.Pie);
    EXPECT_EQ(slices.Labels, (TLabels{"IE (60.00%)", "Opera (39.00%)", "Other (< 2%)"}));
    EXPECT_NEAR(slices.Values[2], 1, 1e-9);
}

TEST_F(ChartModelTest, ReferringDomainsPieShowsWholeUserCounts) {
    std::string log;
    for (int v = 0; v < 17; ++v) log += Hits("h" + std::to_string(v), 2, "-", "http://links.net/a");
    Load(log);
    EXPECT_EQ(Chart("actRefDomains").Pie.Labels, TLabels{"links.net (17)"});
}

// The class headings sum their statuses, so only the statuses are slices.
TEST_F(ChartModelTest, StatusCodesPieLeavesTheClassHeadingsOut) {
    Load(Hits("a", 3) + Line("b", "10/Mar/2024:11:00:00", "/gone", 404));
    const TChartModel chart = Chart("actStatusCodes");
    EXPECT_EQ(chart.Kind, TChartKind::Pie);
    EXPECT_EQ(chart.Pie.Labels, (TLabels{"200 (3)", "404 (1)"}));
    WriteFile("TopDomain.txt", "\"Sweden\" se\n");
    EXPECT_EQ(Chart("actVisitCountries").Title,
              "  Countries (addresses located with the packaged GeoIP data snapshot)");
}

TEST_F(ChartModelTest, HourOfDayFillsHitBarsAndUserLineForEveryHour) {
    Load(Hits("a", 3) + Hits("b", 1));
    const TChartModel chart = Chart("actPopularHour");
    EXPECT_EQ(chart.Kind, TChartKind::Bars);
    ASSERT_EQ(chart.Hits.Values.size(), 24u);
    EXPECT_EQ(chart.Users.Labels.back(), "23:00-24:00");
    EXPECT_EQ(chart.Hits.Values[10], 4);
    EXPECT_EQ(chart.Users.Values[10], 2);
    EXPECT_FALSE(chart.Failed.Active || chart.View3D.Enabled);
}

// Newest day first; the spacer, "Total" and "Average" rows stay out.
TEST_F(ChartModelTest, DaySpanChartsEveryDayRowByDayOfMonth) {
    Load(Hits("a", 1) + Hits("b", 1) + Line("c", "11/Mar/2024:09:00:00", "/index.html", 200, 0));
    const TChartModel chart = Chart("actDaySpan");
    EXPECT_EQ(chart.Title, "  /index");
    ASSERT_EQ(chart.Hits.Labels.size(), 31u);
    EXPECT_EQ(chart.Failed.Labels[0] + chart.Users.Labels[1] + chart.Hits.Labels[30], "111010");
    EXPECT_EQ((std::vector<double>{chart.Hits.Values[0], chart.Users.Values[0],
                                   chart.Failed.Values[0], chart.Hits.Values[1]}),
              (std::vector<double>{0, 1, 1, 2}));
}

TEST(ChartAvailabilityTest, ExactlyTheGraphActionsFillAChart) {
    TVarGrid grid;
    for (const TReportAction& action : ReportCatalogue()) {
        EXPECT_EQ(FindChartFilling(action.Action) != nullptr, action.Graph) << action.Action;
        if (!action.Graph) {
            EXPECT_EQ(ChartForReport(action, grid, "t").Kind, TChartKind::None) << action.Action;
        }
    }
}

TEST(ChartAvailabilityTest, ViewsFollowTheChosenAction) {
    const TViewState daily =
        ViewsForAction(*FindReportAction("actTimeDay"), TReportView::Graph, true);
    EXPECT_TRUE(daily.Shown == TReportView::Graph && daily.ThreeDEnabled && daily.ThreeDPressed);
    const TViewState entry =
        ViewsForAction(*FindReportAction("actPageTopEntry"), TReportView::Graph, true);
    EXPECT_TRUE(entry.Shown == TReportView::List && !entry.GraphEnabled && !entry.ThreeDEnabled);
    const TViewState log =
        ViewsForAction(*FindReportAction("actLogData"), TReportView::Html, false);
    EXPECT_TRUE(log.Shown == TReportView::List && !log.HtmlEnabled);
}

// A label column and a value column of `type` with `value` in row 1; row 2 stays empty.
TVarGrid ValueGrid(TCellType type, double value, const TLocaleInfo* locale = &TLocaleInfo::Iso()) {
    TVarGrid grid(locale);
    grid.SetColCount(2);
    grid.SetRowCount(3);
    DefineColumn(grid, 0, "Name", ctText, 70);
    DefineColumn(grid, 1, "Value", type, 50);
    grid.SetText(0, 1, "w1");
    grid.SetFloat(1, 1, value);
    return grid;
}

TEST(ChartFillTest, RefillingSwitchesTheSeriesOfTheOtherChartOff) {
    const TVarGrid grid = ValueGrid(ctInteger, 5);
    TChartModel chart;
    FillBarChart(chart, grid, 0, -1, 1, 1, "bars");
    EXPECT_EQ(chart.Users.Values, (std::vector<double>{5, 0}));
    FillPieChart(chart, grid, 0, 1, "pie");
    EXPECT_EQ(chart.Pie.Labels, (TLabels{"w1 (5)", " (0)"}));
    EXPECT_TRUE(chart.Hits.Values.empty() && chart.ActiveSeries().size() == 1);
    FillBarChart(chart, grid, 0, -1, 1, 1, "bars");
    EXPECT_FALSE(chart.Pie.Active || chart.Failed.Active);
}

TEST(ChartFillTest, BarsTakeOnlyTheFirst25DataRows) {
    TVarGrid grid = ValueGrid(ctInteger, 5);
    grid.SetRowCount(41);
    TChartModel chart;
    FillBarChart(chart, grid, 0, -1, 1, 1, "daily");
    EXPECT_EQ(chart.Hits.Values.size(), 25u);
}

TEST(ChartFillTest, PieLabelsUseTheLocaleDecimalSeparator) {
    TLocaleInfo comma = TLocaleInfo::Iso();
    comma.DecimalSeparator = ',';
    TChartModel chart;
    FillPieChart(chart, ValueGrid(ctPercent, 0.125, &comma), 0, 1, "pie");
    EXPECT_EQ(chart.Pie.Labels.front(), "w1 (12,50%)");
}

TEST(ChartFillTest, PieSlicesAtTheTwoPercentBoundary) {
    TChartSeries pie;
    for (double value : {97.0, 2.0, 0.5, 0.5, 0.0}) pie.Add(value, std::to_string(value));
    const TChartSeries slices = PieSlices(pie);
    EXPECT_EQ(slices.Values, (std::vector<double>{97, 2, 1}));
    EXPECT_EQ(slices.Labels.back(), "Other (< 2%)");

    TChartSeries empty;
    empty.Add(0, "none");
    EXPECT_TRUE(PieSlices(empty).Values.empty());
}

TEST(ChartFillTest, PieRadiusIsFourFifthsOfHalfTheShorterSide) {
    EXPECT_EQ(PieRadius(400, 300), 120);
    EXPECT_EQ(PieRadius(-5, 300), 0);
}

}  // namespace
}  // namespace vestrel
