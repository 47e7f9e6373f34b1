#include "cli/export_command.h"

#include <cstdio>
#include <filesystem>

#include "engine/errors.h"
#include "engine/text_util.h"
#include "output/export_run.h"
#include "reports/catalogue.h"

namespace vestrel::cli {

namespace {

int TargetOf(const std::string& type) {
    if (type == "html") return otHtmlFile;
    if (type == "rtf") return otRtfFile;
    return otExcelFile;
}

// The named statistics, or every one the export check list offers, in its order.
std::vector<const TReportAction*> ChosenActions(const std::vector<std::string>& names) {
    if (names.empty()) {
        TExportCheckList list;
        list.SetAllChecked(true);
        return list.SelectedActions();
    }
    std::vector<const TReportAction*> actions;
    for (const std::string& name : names) {
        const TReportAction* action = FindReportAction(name);
        if (action == nullptr || action->CliName != name || !RendersReport(*action))
            throw EVestrelError("\"" + name +
                                "\" cannot be exported (vestrel-cli stats lists the statistics)");
        actions.push_back(action);
    }
    return actions;
}

class TStatusOnStderr : public TExportStatus {
  public:
    void SetStatusText(const std::string& text) override {
        if (!text.empty()) std::fprintf(stderr, "%s\n", text.c_str());
    }
};

// A statistic continued on further worksheets is said on stderr, beside the status lines.
void ReportSheetCounts(const TExportSession& session) {
    for (const TExportedReport& report : session.ExportedReports())
        if (report.Sheets > 1)
            std::fprintf(stderr, "%s took %d worksheets\n", std::string(Trim(report.Title)).c_str(),
                         report.Sheets);
}

// The stored report's name, or the names of the log files; the domain and the hits' period.
TExportHeading HeadingOf(const TLoadOptions& options, const TLogAnalyzer& analyzer) {
    std::string name = options.Report;
    if (name.empty())
        for (const std::string& file : options.Files)
            name += (name.empty() ? "" : ", ") + std::filesystem::path(file).filename().string();
    return ExportHeadingOf(std::move(name), analyzer);
}

}  // namespace

void AddExportOptions(CLI::App& command, TExportOptions& options) {
    command.add_option("--type", options.Type, "html, rtf or xls")
        ->required()
        ->check(CLI::IsMember({"html", "rtf", "xls"}));
    command.add_option("--out", options.Out, "The file to write (overwritten)")->required();
    command.add_option("--stats", options.Stats, "Statistics to export, comma-separated")
        ->delimiter(',');
    AddReportSettingOptions(command, options.Settings);
    AddLoadOptions(command, options.Load);
}

int RunExportCommand(const TExportOptions& options) {
    const std::vector<const TReportAction*> actions = ChosenActions(options.Stats);
    const TLoadResult loaded = RunLoad(options.Load);
    TStatusOnStderr status;
    TExportSession session(&status);
    session.SetHeading(HeadingOf(options.Load, loaded.Loaded()));
    session.RunExport(actions, TargetOf(options.Type), options.Out, loaded.Loaded(),
                      ReportSettingsOf(options.Settings, loaded));
    ReportSheetCounts(session);
    if (loaded.Error.empty()) return 0;
    std::fprintf(stderr, "vestrel-cli: %s\n", vestrel::VisibleControls(loaded.Error).c_str());
    return 1;
}

}  // namespace vestrel::cli
