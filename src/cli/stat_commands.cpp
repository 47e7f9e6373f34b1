#include "cli/stat_commands.h"

#include <cstdio>

#include "cli/filter_json.h"
#include "cli/standard_output.h"
#include "cli/table_output.h"
#include "engine/errors.h"
#include "engine/text_util.h"
#include "output/clipboard_render.h"
#include "output/html_render.h"
#include "reports/catalogue.h"
#include "reports/log_data_reports.h"

namespace vestrel::cli {

namespace {

const TReportAction& StatisticNamed(const std::string& name) {
    const TReportAction* action = FindReportAction(name);
    if (action == nullptr || action->CliName.empty() || action->CliName != name)
        throw EVestrelError("Unknown statistic \"" + name + "\" (vestrel-cli stats lists them)");
    return *action;
}

TTableFormat FormatOf(const TStatOptions& options) {
    if (options.Format == "json") return TTableFormat::Json;
    return options.Values ? TTableFormat::Values : TTableFormat::Tsv;
}

bool IsRendering(const std::string& format) {
    return format == "html" || format == "rtf" || format == "sylk" || format == "text";
}

// The HTML view page, or the clipboard's RTF, SYLK or plain text of the grid.
void WriteRendering(const TVarGrid& grid, const std::string& format, const std::string& title) {
    std::string text;
    if (format == "html")
        for (const std::string& line : HtmlViewPage(grid, title)) text += line + "\n";
    else if (format == "rtf")
        text = ClipboardRtf(grid);
    else if (format == "sylk")
        text = ClipboardSylk(grid);
    else
        text = ClipboardText(grid);
    std::fwrite(text.data(), 1, text.size(), stdout);
    FlushOutput();
}

// Computes the statistic into the grid; the log data is written straight from the store.
void PrintStatistic(const TReportAction& action, const TStatOptions& options,
                    TLogAnalyzer& analyzer, const TReportSettings& settings) {
    const std::string title = ReportTitle(action, options.Path);
    if (action.CliName == "log-data") {
        if (IsRendering(options.Format))
            throw EVestrelError("log-data is shown from the hit store only: use tsv or json");
        WriteTable(TLogDataView(analyzer), FormatOf(options), title, stdout);
        return;
    }
    TVarGrid grid;
    if (action.CliName == "filtered-log-data") {
        if (options.FilterFile.empty())
            throw EVestrelError("filtered-log-data needs --filter FILE");
        DefineLogDataColumns(grid, kDefaultLogDataWidths);
        ListFilteredHits(grid, analyzer, ReadFilterFile(options.FilterFile));
    } else {
        TReportContext context{analyzer, grid, settings, options.Path};
        action.Generator(context);
    }
    if (IsRendering(options.Format))
        WriteRendering(grid, options.Format, title);
    else
        WriteTable(TGridView(grid), FormatOf(options), title, stdout);
}

}  // namespace

void AddStatOptions(CLI::App& command, TStatOptions& options) {
    command.add_option("NAME", options.Name, "Statistic to compute (vestrel-cli stats lists them)")
        ->required();
    AddLoadOptions(command, options.Load);
    command
        .add_option("--format", options.Format,
                    "tsv: display texts; json: typed values; html: the HTML view page; rtf, "
                    "sylk, text: the clipboard copy")
        ->check(CLI::IsMember({"tsv", "json", "html", "rtf", "sylk", "text"}))
        ->capture_default_str();
    command.add_flag("--values", options.Values,
                     "With tsv: raw values instead of display texts, and a group column");
    AddReportSettingOptions(command, options.Settings);
    command.add_option("--path", options.Path, "day-span: the site path, e.g. images/logo.gif");
    command.add_option("--filter", options.FilterFile,
                       "filtered-log-data: a JSON object of filter fields");
}

int RunStatsCommand() {
    for (const TReportAction& action : ReportCatalogue())
        if (!action.CliName.empty())
            std::printf("%s\t%s\n", std::string(action.CliName).c_str(),
                        std::string(action.Caption).c_str());
    return 0;
}

int RunStatCommand(const TStatOptions& options) {
    const TReportAction& action = StatisticNamed(options.Name);
    const TLoadResult loaded = RunLoad(options.Load);
    PrintStatistic(action, options, loaded.Loaded(), ReportSettingsOf(options.Settings, loaded));
    if (loaded.Error.empty()) return 0;
    std::fprintf(stderr, "vestrel-cli: %s\n", vestrel::VisibleControls(loaded.Error).c_str());
    return 1;
}

}  // namespace vestrel::cli
