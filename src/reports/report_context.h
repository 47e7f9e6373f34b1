// What a statistic generator works with: the analyser it reads, the table it writes and the
// settings that shape it.
#pragma once

#include <string>

#include "engine/log_analyzer.h"
#include "reports/var_grid.h"

namespace vestrel {

struct TReportSettings {
    bool ExcludeSearshFromRef = true;
    int LastDaysToShow = 31;
};

struct TReportContext {
    TLogAnalyzer& Analyzer;
    TVarGrid& Grid;
    TReportSettings Settings;
    // The day span's path: the site-tree item's text after its ancestors, joined with "/".
    std::string DaySpanPath;
};

// Every generator reads only the analyser (and the reference lists through it) and writes only
// the grid; it starts with Grid.Clear(). A missing reference file raises EVestrelError naming it.
using TReportGenerator = void (*)(TReportContext& context);

}  // namespace vestrel
