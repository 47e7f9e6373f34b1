// The catalogue of report actions: every statistic with its caption, tree category, tree tag,
// report kind, graph flag and generator. The report tree, the export list and the command line
// are all built from it.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "reports/report_context.h"

namespace vestrel {

// Tree tags: a positive tag places the action in the report tree.
constexpr int kTagInTree = 1;
constexpr int kTagNotInTree = 0;
constexpr int kTagDaySpan = -999;
constexpr int kTagSiteTree = -100;

struct TReportAction {
    std::string_view Action;    // "actVisitBrowser"
    std::string_view Category;  // tree heading, empty for top-level items
    std::string_view Caption;   // "Browser"
    int Tag;
    uint8_t ReportKind;  // 0 for actions that show no statistic of their own
    bool Graph;
    std::string_view CliName;         // name on the command line, empty when it has none
    TReportGenerator Generator;       // nullptr for actions without a table generator
    std::string_view TitleNote = {};  // said after the caption in the report title
};

// Every action in the order of the window's action list.
const std::vector<TReportAction>& ReportCatalogue();
// The action with that action name or command-line name, or nullptr.
const TReportAction* FindReportAction(std::string_view name);

// The report title: two blanks before the statistic's caption.
std::string ReportTitle(const TReportAction& action, std::string_view daySpanPath = {});

}  // namespace vestrel
