#include "cli/stat_commands.h"

#include <cstdio>

#include "cli/filter_json.h"
#include "cli/report_session.h"
#include "cli/table_output.h"
#include "engine/errors.h"
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

// Computes the statistic into the grid; the log data is written straight from the store.
void PrintStatistic(const TReportAction& action, const TStatOptions& options,
                    TLogAnalyzer& analyzer, const TReportSettings& settings) {
    const std::string title = ReportTitle(action, options.Path);
    if (action.CliName == "log-data") {
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
        TReportContext context{
            analyzer, grid, {options.ExcludeSearch != 0, options.LastDaysToShow}, options.Path};
        action.Generator(context);
    }
    WriteTable(TGridView(grid), FormatOf(options), title, stdout);
}

// The settings file's values for a stored report, unless the command line gives them.
TReportSettings ReportSettingsOf(const TStatOptions& options, const TLoadResult& loaded) {
    TReportSettings settings{options.ExcludeSearch != 0, options.LastDaysToShow};
    if (loaded.Session == nullptr) return settings;
    const TMainSettings& stored = loaded.Session->Model->Settings;
    if (!options.ExcludeSearchGiven) settings.ExcludeSearshFromRef = stored.ExcludeSearshFromRef;
    if (!options.LastDaysGiven) settings.LastDaysToShow = stored.LastDaysToShow;
    return settings;
}

}  // namespace

void AddStatOptions(CLI::App& command, TStatOptions& options) {
    command.add_option("NAME", options.Name, "Statistic to compute (vestrel-cli stats lists them)")
        ->required();
    AddLoadOptions(command, options.Load);
    command.add_option("--format", options.Format, "tsv: display texts; json: typed values")
        ->check(CLI::IsMember({"tsv", "json"}))
        ->capture_default_str();
    command.add_flag("--values", options.Values,
                     "With tsv: raw values instead of display texts, and a group column");
    command
        .add_option("--exclude-search", options.ExcludeSearch,
                    "1: leave search-engine referrals out of the referrer statistics")
        ->check(CLI::Range(0, 1))
        ->capture_default_str();
    command.add_option("--last-days-to-show", options.LastDaysToShow, "Days of the day span")
        ->check(CLI::Range(0, 100000))
        ->capture_default_str();
    command.add_option("--path", options.Path, "day-span: the site path, e.g. images/logo.gif");
    command.add_option("--filter", options.FilterFile,
                       "filtered-log-data: a JSON object of filter fields");
    command.parse_complete_callback([&command, &options] {
        options.ExcludeSearchGiven = command.count("--exclude-search") > 0;
        options.LastDaysGiven = command.count("--last-days-to-show") > 0;
    });
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
    PrintStatistic(action, options, loaded.Loaded(), ReportSettingsOf(options, loaded));
    if (loaded.Error.empty()) return 0;
    std::fprintf(stderr, "vestrel-cli: %s\n", loaded.Error.c_str());
    return 1;
}

}  // namespace vestrel::cli
