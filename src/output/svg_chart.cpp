#include "output/svg_chart.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

#include "engine/text_util.h"
#include "output/html_render.h"

namespace vestrel {

namespace {

constexpr int kTitleSpace = 44;  // the title and the bar legend above the drawing
constexpr int kLegendRow = 18;
constexpr int kPieLegendX = 330;
constexpr int kManyLabels = 8;  // more category labels than this are written aslant

std::string Number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
}

std::string Colour(TChartColour colour) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", colour.Red, colour.Green, colour.Blue);
    return text;
}

std::string Text(double x, double y, std::string_view text, std::string_view attributes = "") {
    std::string line = "<text x=\"" + Number(x) + "\" y=\"" + Number(y) + "\"";
    if (!attributes.empty()) line += " " + std::string(attributes);
    return line + ">" + HtmlLogText(Trim(text)) + "</text>";
}

std::string Rect(double x, double y, double width, double height, TChartColour fill) {
    return "<rect x=\"" + Number(x) + "\" y=\"" + Number(y) + "\" width=\"" + Number(width) +
           "\" height=\"" + Number(height) + "\" fill=\"" + Colour(fill) + "\"/>";
}

std::string LegendEntry(double x, double y, TChartColour colour, std::string_view label) {
    return Rect(x, y - 10, 12, 12, colour) + Text(x + 18, y, label);
}

std::vector<std::string> OpenDrawing(const TChartModel& chart, int height) {
    const std::string size = std::to_string(kSvgChartWidth) + " " + std::to_string(height);
    return {"<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + std::to_string(kSvgChartWidth) +
                "\" height=\"" + std::to_string(height) + "\" viewBox=\"0 0 " + size +
                "\" role=\"img\" aria-label=\"" + HtmlLogText(Trim(chart.Title)) +
                "\" font-family=\"Arial,Helvetica,sans-serif\" " + "font-size=\"12\">",
            Rect(0, 0, kSvgChartWidth, height, kChartSetup.BackWallColour),
            Text(kSvgChartWidth / 2.0, 20, chart.Title,
                 "text-anchor=\"middle\" font-size=\"15\" font-weight=\"bold\" fill=\"" +
                     Colour(kChartSetup.TitleColour) + "\"")};
}

// ---- Pie ----

std::string PiePoint(double cx, double cy, double radius, double angle) {
    return Number(cx + radius * std::sin(angle)) + " " + Number(cy - radius * std::cos(angle));
}

// A slice from `from` to `to`, clockwise from the top; a slice of the whole pie is a circle.
std::string Slice(double cx, double cy, double radius, double from, double to,
                  TChartColour colour) {
    const std::string fill = "\" fill=\"" + Colour(colour) + "\" stroke=\"#ffffff\"/>";
    if (to - from >= 2 * std::numbers::pi - 1e-9)
        return "<circle cx=\"" + Number(cx) + "\" cy=\"" + Number(cy) + "\" r=\"" + Number(radius) +
               fill;
    const char* largeArc = to - from > std::numbers::pi ? " 1 " : " 0 ";
    return "<path d=\"M " + Number(cx) + " " + Number(cy) + " L " + PiePoint(cx, cy, radius, from) +
           " A " + Number(radius) + " " + Number(radius) + " 0" + largeArc + "1 " +
           PiePoint(cx, cy, radius, to) + " Z" + fill;
}

std::vector<std::string> PieDrawing(const TChartModel& chart) {
    const TChartSeries slices = PieSlices(chart.Pie);
    if (slices.Values.empty()) return {};
    const int rows = static_cast<int>(slices.Values.size());
    const int height = std::max(kSvgChartHeight, kTitleSpace + rows * kLegendRow);
    std::vector<std::string> lines = OpenDrawing(chart, height);
    double total = 0;
    for (double value : slices.Values) total += value;
    const double radius = PieRadius(kPieLegendX, kSvgChartHeight - kTitleSpace);
    const double cx = kPieLegendX / 2.0;
    const double cy = kTitleSpace + (kSvgChartHeight - kTitleSpace) / 2.0;
    double angle = 0;
    for (size_t i = 0; i < slices.Values.size(); ++i) {
        const double next = angle + 2 * std::numbers::pi * slices.Values[i] / total;
        lines.push_back(Slice(cx, cy, radius, angle, next, PieSliceColour(slices, i)));
        lines.push_back(LegendEntry(kPieLegendX, kTitleSpace + 4 + i * kLegendRow,
                                    PieSliceColour(slices, i), slices.Labels[i]));
        angle = next;
    }
    lines.emplace_back("</svg>");
    return lines;
}

// ---- Bars and lines ----

struct TPlotArea {
    double Left = 60, Right = kSvgChartWidth - 16, Top = kTitleSpace + 12,
           Bottom = kSvgChartHeight - 72;
    double AxisTop = 1;  // the value at the top of the area
    size_t Points = 0;

    double Slot() const { return (Right - Left) / static_cast<double>(Points); }
    double X(size_t point) const { return Left + Slot() * (static_cast<double>(point) + 0.5); }
    double Y(double value) const { return Bottom - (Bottom - Top) * value / AxisTop; }
};

// Four whole steps up to at least the greatest value.
constexpr int kAxisSteps = 4;

TPlotArea PlotArea(const std::vector<const TChartSeries*>& series) {
    TPlotArea area;
    double greatest = 0;
    for (const TChartSeries* s : series) {
        area.Points = std::max(area.Points, s->Values.size());
        for (double value : s->Values) greatest = std::max(greatest, value);
    }
    area.AxisTop = std::max(1.0, std::ceil(greatest / kAxisSteps)) * kAxisSteps;
    return area;
}

void AddAxes(const TPlotArea& area, const std::vector<std::string>& labels,
             std::vector<std::string>& lines) {
    for (int step = 0; step <= kAxisSteps; ++step) {
        const double value = area.AxisTop * step / kAxisSteps;
        const std::string y = Number(area.Y(value));
        lines.push_back("<line x1=\"" + Number(area.Left) + "\" y1=\"" + y + "\" x2=\"" +
                        Number(area.Right) + "\" y2=\"" + y + "\" stroke=\"#c8c8c8\"/>");
        lines.push_back(Text(area.Left - 6, area.Y(value) + 4, std::to_string(std::lround(value)),
                             "text-anchor=\"end\""));
    }
    const bool aslant = labels.size() > kManyLabels;
    for (size_t i = 0; i < labels.size(); ++i) {
        const double x = area.X(i), y = area.Bottom + 16;
        lines.push_back(Text(x, y, labels[i],
                             aslant
                                 ? "text-anchor=\"end\" font-size=\"10\" transform=\"rotate(-45 " +
                                       Number(x) + " " + Number(y) + ")\""
                                 : "text-anchor=\"middle\""));
    }
}

void AddBars(const TPlotArea& area, const TChartSeries& series, std::vector<std::string>& lines) {
    const double width = area.Slot() * 0.6;
    for (size_t i = 0; i < series.Values.size(); ++i) {
        const double top = area.Y(std::max(series.Values[i], 0.0));
        lines.push_back(
            Rect(area.X(i) - width / 2, top, width, area.Bottom - top, series.Setup.Colour));
    }
}

void AddLine(const TPlotArea& area, const TChartSeries& series, std::vector<std::string>& lines) {
    std::string points;
    for (size_t i = 0; i < series.Values.size(); ++i)
        points += (i ? " " : "") + Number(area.X(i)) + "," + Number(area.Y(series.Values[i]));
    lines.push_back("<polyline points=\"" + points + "\" fill=\"none\" stroke=\"" +
                    Colour(series.Setup.Colour) + "\" stroke-width=\"" +
                    std::to_string(std::max(series.Setup.LineWidth, 1)) + "\"/>");
}

std::vector<std::string> BarDrawing(const TChartModel& chart) {
    const std::vector<const TChartSeries*> series = chart.ActiveSeries();
    const TPlotArea area = PlotArea(series);
    if (area.Points == 0) return {};
    std::vector<std::string> lines = OpenDrawing(chart, kSvgChartHeight);
    const TChartSeries* longest = series.front();
    for (const TChartSeries* s : series)
        if (s->Labels.size() > longest->Labels.size()) longest = s;
    AddAxes(area, longest->Labels, lines);
    for (size_t i = 0; i < series.size(); ++i) {
        if (series[i]->Setup.Kind == TSeriesKind::Bar)
            AddBars(area, *series[i], lines);
        else
            AddLine(area, *series[i], lines);
        lines.push_back(LegendEntry(area.Left + 110.0 * static_cast<double>(i), kTitleSpace - 8,
                                    series[i]->Setup.Colour, series[i]->Setup.Title));
    }
    lines.emplace_back("</svg>");
    return lines;
}

}  // namespace

std::vector<std::string> RenderSvgChart(const TChartModel& chart) {
    switch (chart.Kind) {
        case TChartKind::Pie:
            return PieDrawing(chart);
        case TChartKind::Bars:
        case TChartKind::Days:
            return BarDrawing(chart);
        case TChartKind::None:
            break;
    }
    return {};
}

}  // namespace vestrel
