#include "output/html_export.h"

#include <cstdio>

#include "engine/text_util.h"
#include "output/html_render.h"

namespace vestrel {

namespace {

constexpr std::string_view kStyle =
    "body{font-family:Arial,Helvetica,sans-serif;line-height:1.4;margin:1em 2em;color:#000}\n"
    "h1{font-size:1.6em;margin-bottom:0.2em}\n"
    ".about{color:#333;margin-top:0}\n"
    "table{max-width:100%;border-collapse:collapse}\n"
    "td{word-break:break-word;overflow-wrap:anywhere}\n"
    "section{margin:2em 0}\n"
    "svg{display:block;margin:1em auto;max-width:100%;height:auto}\n"
    "@media print{nav{display:none}section{margin:0}"
    "section+section{page-break-before:always;break-before:page}}";

std::string ReportName(const TExportHeading& heading) {
    const std::string_view name = Trim(heading.ReportName);
    return HtmlLogText(name.empty() ? kDefaultReportName : name);
}

std::string FormatMoment(TDateTime time) {
    const TDateParts parts = DecodeDateTime(time);
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", parts.Year, parts.Month,
                  parts.Day, parts.Hour, parts.Minute, parts.Second);
    return text;
}

// "Domain example.com, 2001-05-01 10:00:00 to 2001-05-02 11:00:00", or "" when nothing is known.
std::string AboutLine(const TExportHeading& heading) {
    std::string about;
    const std::string_view domain = Trim(heading.Domain);
    if (!domain.empty()) about = "Domain " + HtmlLogText(domain);
    if (heading.FirstHit && heading.LastHit) {
        if (!about.empty()) about += ", ";
        about += FormatMoment(*heading.FirstHit) + " to " + FormatMoment(*heading.LastHit);
    }
    return about;
}

void AddContents(const std::vector<std::string>& titles, std::vector<std::string>& lines) {
    if (titles.empty()) return;
    lines.push_back("<nav><h2>Contents</h2><ol>");
    for (size_t i = 0; i < titles.size(); ++i)
        lines.push_back("<li><a href=\"#" + StatisticAnchor(static_cast<int>(i) + 1) + "\">" +
                        HtmlLogText(Trim(titles[i])) + "</a></li>");
    lines.push_back("</ol></nav>");
}

}  // namespace

std::string StatisticAnchor(int index) {
    return "statistic-" + std::to_string(index);
}

std::vector<std::string> HtmlExportStart(const TExportHeading& heading,
                                         const std::vector<std::string>& titles) {
    const std::string name = ReportName(heading);
    std::vector<std::string> lines = {"<!DOCTYPE html>",
                                      "<html lang=\"en\">",
                                      "<head>",
                                      "<meta charset=\"utf-8\">",
                                      "<title>" + name + "</title>",
                                      "<style>",
                                      std::string(kStyle),
                                      "</style>",
                                      "</head>",
                                      "<body>",
                                      "<h1>" + name + "</h1>"};
    const std::string about = AboutLine(heading);
    if (!about.empty()) lines.push_back("<p class=\"about\">" + about + "</p>");
    AddContents(titles, lines);
    return lines;
}

std::string HtmlSectionStart(int index) {
    return "<section id=\"" + StatisticAnchor(index) + "\">";
}

std::vector<std::string> HtmlExportEnd() {
    return {"<p>" + HtmlCreditLine() + "</p>", "</body>", "</html>"};
}

}  // namespace vestrel
