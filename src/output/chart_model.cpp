#include "output/chart_model.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>

#include "engine/date_time.h"
#include "reports/report_format.h"

namespace vestrel {

namespace {

constexpr TSeriesSetup kHitsSetup{"Series2", "Hits", TSeriesKind::Bar, kChartGreen, true, 0, 0};
constexpr TSeriesSetup kUsersSetup{"Series3", "Users", TSeriesKind::Line, kChartYellow, false,
                                   2,         2};
constexpr TSeriesSetup kFailedSetup{"Series1", "Failed", TSeriesKind::Line, kChartRed, false, 2, 2};
constexpr TSeriesSetup kPieSetup{"Series4", "Pie", TSeriesKind::Pie, kChartBlue, true, 0, 0};

// The pie's further slices take these colours in turn after the series' own.
constexpr TChartColour kPiePalette[] = {{0, 128, 0},   {255, 128, 0}, {128, 0, 128},
                                        {0, 160, 160}, {200, 0, 0},   {128, 128, 0},
                                        {255, 0, 255}, {96, 96, 96},  {0, 96, 192}};

// Only the first data rows of a time statistic reach the bar chart.
constexpr int kMaxBarRows = 25;

// The day span's columns that feed the day chart.
constexpr int kDayHitsCol = 1;
constexpr int kDayUsersCol = 2;
constexpr int kDayFailedCol = 3;

const std::vector<TChartFilling>& ChartFillings() {
    static const std::vector<TChartFilling> fillings = {
        {"actVisitTopDomain", TChartKind::Pie, 0, 2, -1, -1, -1},
        {"actVisitDomains", TChartKind::Pie, 0, 2, -1, -1, -1},
        {"actVisitBrowser", TChartKind::Pie, 0, 2, -1, -1, -1},
        {"actVisitOpSystem", TChartKind::Pie, 0, 2, -1, -1, -1},
        {"actRefDomains", TChartKind::Pie, 0, 2, -1, -1, -1},
        {"actSearchEngineEngine", TChartKind::Pie, 0, 2, -1, -1, -1},
        {"actSearchEngineKeyword", TChartKind::Pie, 0, 2, -1, -1, -1},
        {"actPopularDay", TChartKind::Bars, 0, -1, -1, 3, 1},
        {"actPopularHour", TChartKind::Bars, 0, -1, -1, 3, 1},
        {"actTimeDay", TChartKind::Bars, 0, -1, -1, 3, 1},
        {"actTimeWeek", TChartKind::Bars, 0, -1, -1, 3, 1},
        {"actTimeMonth", TChartKind::Bars, 0, -1, -1, 3, 1},
        {"actVisitCountries", TChartKind::Pie, 0, 1, -1, -1, -1},
        {"actVisitRobots", TChartKind::Pie, 0, 1, -1, -1, -1},
        {"actPageFileTypes", TChartKind::Pie, 0, 1, -1, -1, -1},
        {"actStatusCodes", TChartKind::Pie, 0, 2, -1, -1, -1},
        {"actDaySpan", TChartKind::Days, 0, -1, kDayFailedCol, kDayUsersCol, kDayHitsCol},
    };
    return fillings;
}

// Clears a series and makes it take part exactly when `active`.
void Reset(TChartSeries& series, bool active) {
    series.Clear();
    series.Active = active;
}

std::string PieLabel(const TVarGrid& grid, int labelCol, int row, bool percent, double value) {
    const std::string number = FormatFixed(value, percent ? 2 : 0, grid.Locale());
    return grid.GetText(labelCol, row) + " (" + number + (percent ? "%)" : ")");
}

}  // namespace

void TChartSeries::Clear() {
    Labels.clear();
    Values.clear();
}

void TChartSeries::Add(double value, std::string label) {
    Values.push_back(value);
    Labels.push_back(std::move(label));
}

TChartModel::TChartModel()
    : Hits{.Setup = kHitsSetup},
      Users{.Setup = kUsersSetup},
      Failed{.Setup = kFailedSetup},
      Pie{.Setup = kPieSetup} {}

std::vector<const TChartSeries*> TChartModel::ActiveSeries() const {
    std::vector<const TChartSeries*> active;
    for (const TChartSeries* series : {&Hits, &Users, &Failed, &Pie})
        if (series->Active) active.push_back(series);
    return active;
}

TChartSeries PieSlices(const TChartSeries& pie) {
    double total = 0;
    for (double value : pie.Values) total += std::max(value, 0.0);
    TChartSeries slices{.Setup = pie.Setup, .Active = pie.Active};
    double other = 0;
    for (size_t i = 0; i < pie.Values.size(); ++i) {
        const double value = pie.Values[i];
        if (value <= 0) continue;
        if (value < total * kPieOtherShare)
            other += value;
        else
            slices.Add(value, pie.Labels[i]);
    }
    if (other > 0) slices.Add(other, std::string(kPieOtherLabel));
    return slices;
}

TChartColour PieSliceColour(const TChartSeries& slices, size_t index) {
    if (index == 0) return slices.Setup.Colour;
    return kPiePalette[(index - 1) % std::size(kPiePalette)];
}

void FillPieChart(TChartModel& chart, const TVarGrid& grid, int labelCol, int valueCol,
                  const std::string& title) {
    Reset(chart.Hits, false);
    Reset(chart.Users, false);
    Reset(chart.Failed, false);
    Reset(chart.Pie, true);
    const bool percent = grid.GetColType(valueCol) == ctPercent;
    for (int row = 1; row < grid.RowCount(); ++row) {
        if (grid.IsGroupRow(row)) continue;  // a heading sums the slices under it
        const double value = grid.GetFloat(valueCol, row) * (percent ? 100 : 1);
        chart.Pie.Add(value, PieLabel(grid, labelCol, row, percent, value));
    }
    chart.Kind = TChartKind::Pie;
    chart.LegendVisible = false;
    chart.AxesVisible = false;
    chart.View3D.Enabled = true;
    chart.Title = title;
}

void FillBarChart(TChartModel& chart, const TVarGrid& grid, int labelCol, int failedCol,
                  int usersCol, int hitsCol, const std::string& title) {
    chart.Pie.Active = false;
    Reset(chart.Failed, failedCol >= 0);
    Reset(chart.Hits, hitsCol >= 0);
    Reset(chart.Users, usersCol >= 0);
    chart.View3D.Orthogonal = true;
    chart.View3D.WallsVisible = true;
    const int lastRow = std::min(grid.RowCount() - 1, kMaxBarRows);
    for (int row = 1; row <= lastRow; ++row) {
        const std::string label = grid.GetText(labelCol, row);
        for (auto [series, col] : {std::pair{&chart.Failed, failedCol},
                                   {&chart.Hits, hitsCol},
                                   {&chart.Users, usersCol}})
            if (series->Active) series->Add(grid.GetFloat(col, row), label);
    }
    chart.Kind = TChartKind::Bars;
    // The bar charts show their axes like the day chart, whatever was drawn before.
    chart.AxesVisible = true;
    chart.View3D.Enabled = false;
    chart.Title = title;
    chart.LegendVisible = true;
}

void FillDayChart(TChartModel& chart, const TVarGrid& grid, const std::string& title) {
    Reset(chart.Pie, false);
    Reset(chart.Users, true);
    Reset(chart.Hits, true);
    Reset(chart.Failed, true);
    // The last row is the summary row; the day rows end at the first row that holds no date.
    for (int row = 1; row <= grid.RowCount() - 2 && grid.GetCellType(0, row) == ctDate; ++row) {
        const std::string day = std::to_string(DecodeDateTime(grid.GetDate(0, row)).Day);
        chart.Users.Add(grid.GetInt(kDayUsersCol, row), day);
        chart.Hits.Add(grid.GetInt(kDayHitsCol, row), day);
        chart.Failed.Add(grid.GetInt(kDayFailedCol, row), day);
    }
    chart.Kind = TChartKind::Days;
    chart.LegendVisible = true;
    chart.Title = title;
    chart.View3D.Orthogonal = true;
    chart.View3D.WallsVisible = true;
    chart.AxesVisible = true;
    chart.View3D.Enabled = false;
}

const TChartFilling* FindChartFilling(std::string_view action) {
    for (const TChartFilling& filling : ChartFillings())
        if (filling.Action == action) return &filling;
    return nullptr;
}

TChartModel ChartForReport(const TReportAction& action, const TVarGrid& grid,
                           const std::string& title) {
    TChartModel chart;
    const TChartFilling* filling = action.Graph ? FindChartFilling(action.Action) : nullptr;
    if (filling == nullptr) return chart;
    switch (filling->Kind) {
        case TChartKind::Pie:
            FillPieChart(chart, grid, filling->LabelCol, filling->ValueCol, title);
            break;
        case TChartKind::Bars:
            FillBarChart(chart, grid, filling->LabelCol, filling->FailedCol, filling->UsersCol,
                         filling->HitsCol, title);
            break;
        case TChartKind::Days:
            FillDayChart(chart, grid, title);
            break;
        case TChartKind::None:
            break;
    }
    return chart;
}

int PieRadius(int chartWidth, int chartHeight) {
    const int side = std::max(std::min(chartWidth, chartHeight), 0);
    return static_cast<int>(std::lround(side / 2.0 * 0.8));
}

void UpdateThreeDButton(TViewState& state, bool chart3D) {
    state.ThreeDEnabled = state.Shown == TReportView::Graph;
    state.ThreeDPressed = chart3D;
}

TViewState ViewsForAction(const TReportAction& action, TReportView shown, bool chart3D) {
    TViewState state;
    state.Shown = shown;
    state.GraphEnabled = action.Graph;
    if (!state.GraphEnabled && state.Shown == TReportView::Graph) state.Shown = TReportView::List;
    state.HtmlEnabled = action.Action != "actLogData" && action.Action != "actFilterLogData";
    if (!state.HtmlEnabled && state.Shown == TReportView::Html) state.Shown = TReportView::List;
    UpdateThreeDButton(state, chart3D);
    return state;
}

}  // namespace vestrel
