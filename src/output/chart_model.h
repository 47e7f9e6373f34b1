// The chart view as data: the chart's fixed set-up, the fillings of its pie, bar and line series
// from a finished report grid, which statistic fills which chart, and the availability of the
// three report views. A charting component only has to draw a TChartModel.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "reports/catalogue.h"
#include "reports/var_grid.h"

namespace vestrel {

struct TChartColour {
    uint8_t Red = 0, Green = 0, Blue = 0;
    bool operator==(const TChartColour&) const = default;
};

constexpr TChartColour kChartWhite{255, 255, 255};
constexpr TChartColour kChartGreen{0, 128, 0};
constexpr TChartColour kChartYellow{255, 255, 0};
constexpr TChartColour kChartRed{255, 0, 0};
constexpr TChartColour kChartBlue{0, 0, 255};

enum class TSeriesKind { Bar, Line, Pie };

// How one series looks; fixed for the life of the chart.
struct TSeriesSetup {
    std::string_view Name;   // "Series2"
    std::string_view Title;  // "Hits", shown in the legend
    TSeriesKind Kind;
    TChartColour Colour;  // every point takes its series' colour
    bool MarksVisible;    // value marks above bars, slice labels on the pie
    int LineWidth;        // lines only
    int PointSize;        // square points of PointSize x PointSize, lines only
};

struct TChartSeries {
    TSeriesSetup Setup;
    bool Active = false;
    // One label and one value per data point, in the order added.
    std::vector<std::string> Labels{};
    std::vector<double> Values{};

    void Clear();
    void Add(double value, std::string label);
};

// The 3D projection; the angles and the zoom are fixed, the rest is set by each filling and by
// the "3D Graph" button.
struct TChart3DView {
    bool Enabled = false;
    bool Orthogonal = false;
    bool WallsVisible = false;
    static constexpr int Elevation = 315;
    static constexpr int Rotation = 360;
    static constexpr int ZoomPercent = 102;
    static constexpr bool Perspective = false;
};

// The chart-wide settings, the same for every filling.
struct TChartSetup {
    bool AllowZoom = false;
    bool AllowPan = false;
    TChartColour BackWallColour = kChartWhite;
    bool BackWallBorder = false;
    bool OuterFrame = false;
    std::string_view TitleFontName = "Arial";
    bool TitleBold = true;
    TChartColour TitleColour = kChartBlue;
    bool LegendBelowChart = true;
    bool LegendEntryPerSeries = true;
    bool PieCircled = true;  // the pie stays round whatever the chart's shape
};
inline constexpr TChartSetup kChartSetup{};

// What a statistic draws: nothing, a pie, bars with lines, or the day span's day chart.
enum class TChartKind { None, Pie, Bars, Days };

// The chart a charting component draws. A default-constructed model is the freshly set-up chart:
// four empty, inactive series and nothing to draw.
struct TChartModel {
    TChartModel();

    TChartKind Kind = TChartKind::None;
    std::string Title;
    TChartSeries Hits;    // bars
    TChartSeries Users;   // line
    TChartSeries Failed;  // line
    TChartSeries Pie;
    TChart3DView View3D;
    bool AxesVisible = false;
    bool LegendVisible = true;

    // The active series in legend order.
    std::vector<const TChartSeries*> ActiveSeries() const;
};

// Pie slices under this share of the total are drawn merged into one slice.
constexpr double kPieOtherShare = 0.02;
inline constexpr std::string_view kPieOtherLabel = "Other (< 2%)";

// The slices the pie draws: every point of at least 2 % of the total, in order, then one
// "Other (< 2%)" slice with the sum of the smaller ones. Points of 0 or less draw nothing.
TChartSeries PieSlices(const TChartSeries& pie);

// The colour of the slice at `index` of the drawn slices: the pie series' own colour first, then
// a fixed palette in turn.
TChartColour PieSliceColour(const TChartSeries& slices, size_t index);

// Fills the pie from data rows 1.. of `grid`: a ctPercent value column is drawn in percent and
// labelled " (12.34%)", any other column labelled with its whole value " (17)".
void FillPieChart(TChartModel& chart, const TVarGrid& grid, int labelCol, int valueCol,
                  const std::string& title);
// Fills bars and lines from the first 25 data rows; a column of -1 leaves its series inactive.
void FillBarChart(TChartModel& chart, const TVarGrid& grid, int labelCol, int failedCol,
                  int usersCol, int hitsCol, const std::string& title);
// Fills the day span's chart: one point per day row, labelled with the day of the month.
void FillDayChart(TChartModel& chart, const TVarGrid& grid, const std::string& title);

// Which chart a statistic fills and from which columns; -1 for an unused column.
struct TChartFilling {
    std::string_view Action;
    TChartKind Kind;
    int LabelCol;
    int ValueCol;  // pie only
    int FailedCol;
    int UsersCol;
    int HitsCol;
};

// The filling of a charted action, or nullptr for an action without a chart.
const TChartFilling* FindChartFilling(std::string_view action);

// The chart of `action` filled from its finished grid; an empty model (TChartKind::None) for an
// action without the graph flag.
TChartModel ChartForReport(const TReportAction& action, const TVarGrid& grid,
                           const std::string& title);

// The pie's horizontal and vertical radius in a chart of that size.
int PieRadius(int chartWidth, int chartHeight);

enum class TReportView { List, Html, Graph };

struct TViewState {
    TReportView Shown = TReportView::List;
    bool GraphEnabled = false;
    bool HtmlEnabled = true;
    bool ThreeDEnabled = false;  // the "3D Graph" button
    bool ThreeDPressed = false;
};

// The "3D Graph" button for the view on show and the chart's current 3D setting.
void UpdateThreeDButton(TViewState& state, bool chart3D);
// The views when `action` is chosen, before it is computed: "Graph" only for charted actions,
// "HTML" for all but the log-data views, and the list instead of a view that went away.
TViewState ViewsForAction(const TReportAction& action, TReportView shown, bool chart3D);

}  // namespace vestrel
