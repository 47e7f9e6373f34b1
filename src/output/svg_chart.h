// The chart of a statistic as an inline SVG drawing for the HTML export: the pie's slices with a
// legend of their labels, or the bars and lines of a time statistic over a value axis.
#pragma once

#include <string>
#include <vector>

#include "output/chart_model.h"

namespace vestrel {

inline constexpr int kSvgChartWidth = 640;
// The least height; a pie with a long legend grows taller to hold it.
inline constexpr int kSvgChartHeight = 320;

// The lines of the <svg> element, or none when the chart has nothing to draw (no chart, no
// points, a pie of nothing above 0). Every text is escaped UTF-8.
std::vector<std::string> RenderSvgChart(const TChartModel& chart);

}  // namespace vestrel
