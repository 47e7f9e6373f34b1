#include "output/svg_chart.h"

#include <gtest/gtest.h>

#include "engine/text_encoding.h"

namespace vestrel {
namespace {

std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

size_t Occurrences(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t pos = text.find(part); pos != std::string::npos; pos = text.find(part, pos + 1))
        ++count;
    return count;
}

TChartModel Pie(const std::vector<std::pair<std::string, double>>& points) {
    TChartModel chart;
    chart.Kind = TChartKind::Pie;
    chart.Title = "  Browser";
    chart.Pie.Active = true;
    for (const auto& [label, value] : points) chart.Pie.Add(value, label);
    return chart;
}

TChartModel Bars(const std::vector<double>& hits, const std::vector<double>& users) {
    TChartModel chart;
    chart.Kind = TChartKind::Bars;
    chart.Title = "  Weekday";
    chart.Hits.Active = chart.Users.Active = true;
    for (size_t i = 0; i < hits.size(); ++i) {
        chart.Hits.Add(hits[i], "Day " + std::to_string(i + 1));
        chart.Users.Add(users[i], "Day " + std::to_string(i + 1));
    }
    return chart;
}

TEST(SvgChartTest, PieDrawsASliceAndALegendEntryPerSliceWithEscapedLabels) {
    const std::string svg =
        Joined(RenderSvgChart(Pie({{"<IE> & co (75%)", 75}, {"Opera", 24}, {"Tiny", 1}})));
    EXPECT_TRUE(
        svg.starts_with("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"640\" "
                        "height=\"320\" viewBox=\"0 0 640 320\""));
    EXPECT_TRUE(svg.ends_with("</svg>\n"));
    EXPECT_EQ(Occurrences(svg, "<path "), 3u);  // "Tiny" is drawn as the "Other" slice
    EXPECT_NE(svg.find(">&lt;IE&gt; &amp; co (75%)</text>"), std::string::npos);
    EXPECT_NE(svg.find(">Other (&lt; 2%)</text>"), std::string::npos);
    EXPECT_EQ(svg.find(">Tiny<"), std::string::npos);
    EXPECT_NE(svg.find("font-weight=\"bold\" fill=\"#0000ff\">Browser</text>"), std::string::npos);
    // The 75 % slice sweeps the large arc, the others the small one.
    EXPECT_EQ(Occurrences(svg, " 0 1 1 "), 1u);
    EXPECT_EQ(Occurrences(svg, " 0 0 1 "), 2u);
}

TEST(SvgChartTest, PieOfOneSliceIsACircleNotAnArcThatEndsWhereItStarts) {
    const std::string svg = Joined(RenderSvgChart(Pie({{"Only", 5}, {"None", 0}})));
    EXPECT_EQ(Occurrences(svg, "<circle "), 1u);
    EXPECT_EQ(Occurrences(svg, "<path "), 0u);
    EXPECT_EQ(svg.find(">None<"), std::string::npos);
}

TEST(SvgChartTest, PieGrowsTallerToHoldALongLegend) {
    std::vector<std::pair<std::string, double>> points;
    for (int i = 0; i < 40; ++i) points.emplace_back("Domain " + std::to_string(i), 1);
    const std::string svg = Joined(RenderSvgChart(Pie(points)));
    EXPECT_EQ(Occurrences(svg, "<path "), 40u);
    EXPECT_NE(svg.find("height=\"764\""), std::string::npos) << svg.substr(0, 200);
    EXPECT_NE(svg.find("y=\"750.0\">Domain 39</text>"), std::string::npos);
}

TEST(SvgChartTest, BarsAndLinesShareAWholeNumberedAxis) {
    const std::string svg = Joined(RenderSvgChart(Bars({10, 4, 0}, {3, 2, 1})));
    EXPECT_EQ(Occurrences(svg, "<polyline "), 1u);
    EXPECT_NE(svg.find("stroke=\"#ffff00\" stroke-width=\"2\""), std::string::npos);
    // Four whole steps up to 12, the first multiple of four above the greatest value.
    for (const char* label : {">0</text>", ">3</text>", ">6</text>", ">9</text>", ">12</text>"})
        EXPECT_NE(svg.find(label), std::string::npos) << label;
    EXPECT_NE(svg.find(">Hits</text>"), std::string::npos);
    EXPECT_NE(svg.find(">Users</text>"), std::string::npos);
    EXPECT_NE(svg.find("text-anchor=\"middle\">Day 3</text>"), std::string::npos);
    EXPECT_EQ(svg.find("rotate("), std::string::npos);
    // The zero bar has no height; nothing is drawn below the axis.
    EXPECT_NE(svg.find("height=\"0.0\" fill=\"#008000\""), std::string::npos);
    EXPECT_EQ(svg.find("height=\"-"), std::string::npos);
}

TEST(SvgChartTest, BarsOfNothingButZerosStillHaveAnAxisAndManyLabelsLeanAside) {
    const std::string svg =
        Joined(RenderSvgChart(Bars(std::vector<double>(25, 0), std::vector<double>(25, 0))));
    EXPECT_EQ(svg.find("nan"), std::string::npos);
    EXPECT_EQ(svg.find("inf"), std::string::npos);
    EXPECT_NE(svg.find(">4</text>"), std::string::npos);
    EXPECT_EQ(Occurrences(svg, "rotate(-45 "), 25u);
}

TEST(SvgChartTest, NothingToDrawGivesNoDrawing) {
    EXPECT_TRUE(RenderSvgChart(TChartModel{}).empty());
    EXPECT_TRUE(RenderSvgChart(Bars({}, {})).empty());
    EXPECT_TRUE(RenderSvgChart(Pie({{"Zero", 0}, {"Less", -3}})).empty());
}

TEST(SvgChartTest, LogBytesInLabelsBecomeValidUtf8) {
    const std::string svg = Joined(RenderSvgChart(Pie({{"caf\xe9", 1}, {"a\x01", 1}})));
    EXPECT_TRUE(IsValidUtf8(svg));
    EXPECT_NE(svg.find(">caf\xc3\xa9</text>"), std::string::npos);
}

}  // namespace
}  // namespace vestrel
