#include "shell/main_model.h"

#include <cstdio>

#include "engine/errors.h"
#include "engine/text_file.h"
#include "engine/text_util.h"
#include "reports/referrer_reports.h"
#include "shell/remote_logs.h"

namespace vestrel {

namespace {

const TReportAction& ActionNamed(std::string_view name) {
    return *FindReportAction(name);
}

}  // namespace

bool TMainHost::SelectReport(TDM1&, TLogFileDataParam&) {
    Notice("Select Report: no selection dialog here");
    return false;
}
void TMainHost::SetCaption(const std::string&) {}
void TMainHost::RunTelnetScript(const TReportRecord&) {
    Notice("Telnet script: not run, no telnet client in this build");
}
void TMainHost::DownloadFtpFiles(const TReportRecord& report, TLogFileDataParam&) {
    if (!Trim(report.FTPFiles).empty())
        Notice("FTP download: skipped, no FTP client in this build");
}
void TMainHost::DownloadWebFiles(const TReportRecord& report, TLogFileDataParam&) {
    if (!Trim(report.WEBFiles).empty())
        Notice("HTTP download: skipped, no HTTP client in this build");
}
TLoadObserver& TMainHost::LoadObserver() {
    return quiet_;
}
int64_t TMainHost::RunLoading(TLogAnalyzer& analyzer, const TLogFileDataParam& files) {
    return LoadLogFiles(analyzer, files, LoadObserver());
}
void TMainHost::ShowInformation(const std::string& text) {
    Notice(text);
}

const char* const kCommandLineHelp =
    "Command line parameters:\r? = This help\rR\"<Name>\" = Start with report \"<Name>\"Q = "
    "quiet, don't show any errors if report can't be loaded";
void TMainHost::ShowReport(const TVarGrid&, const std::string&) {}
void TMainHost::Notice(const std::string&) {}

std::vector<TFilterData> EnabledFilters(const std::vector<TFilterRow>& rows) {
    std::vector<TFilterData> filters;
    for (const TFilterRow& row : rows)
        if (row.Enabled) filters.push_back(row);
    return filters;
}

int TelnetOptionsValue(const std::string& text) {
    const std::string_view trimmed = Trim(text);
    if (trimmed.empty()) return 0;
    int value = 0;
    char extra = 0;
    if (std::sscanf(std::string(trimmed).c_str(), "%d%c", &value, &extra) != 1)
        throw EVestrelError("'" + text + "' is not a valid integer value");
    return value;
}

TMainModel::TMainModel(TDM1& store, std::string dataFolder, TMainHost& host)
    : store_(store), dataFolder_(std::move(dataFolder)), host_(host) {}

void TMainModel::ReadSettings() {
    vestrel::ReadSettings(TSettingsFile(SettingsFileName(dataFolder_)), Settings);
}

void TMainModel::StartUp(const std::vector<std::string>& arguments) {
    bool opened = false, anyReport = false;
    for (const std::string& argument : arguments) {
        if (argument.empty()) continue;
        const char first = static_cast<char>(argument[0] | 32);
        if (first == '?') host_.ShowInformation(kCommandLineHelp);
        if (first != 'r') continue;
        anyReport = true;
        opened = OpenReport(std::string(Trim(std::string_view(argument).substr(1))));
    }
    if (!anyReport || !opened) OpenReport("");
}

void TMainModel::BuildReportTree() {
    ReportTree.clear();
    std::string_view category;
    for (const TReportAction& action : ReportCatalogue()) {
        if (action.Tag <= 0) continue;
        TReportTreeItem item{std::string(action.Caption), &action, {}};
        if (action.Category.empty()) {
            ReportTree.push_back(std::move(item));
            continue;
        }
        if (action.Category != category) {
            category = action.Category;
            ReportTree.push_back({std::string(category), nullptr, {}});
        }
        ReportTree.back().Children.push_back(std::move(item));
    }
    ReportTree.push_back({OpenDomain, &ActionNamed("actBuildSiteTree"), {}});
}

void TMainModel::CreateAnalyzer(const TReportRecord& report) {
    Analyzer.reset();
    Analyzer = std::make_unique<TLogAnalyzer>(dataFolder_, report.Targets);
    Analyzer->TimeZone = Settings.TimeZone;
    Analyzer->ExcludeRobots = Settings.ExcludeRobots;
    Analyzer->MaxGzipExpansion = MaxGzipExpansion;
    Analyzer->LoadThreads = LoadThreads;
    Analyzer->OwnDomain = report.Domain;
    Analyzer->DefaultPage = report.DefaultPage;
    Analyzer->ReportDateSelection = {static_cast<uint8_t>(report.DateSelection), report.FromDate,
                                     report.ToDate, report.LastHoures, report.LastDays};
    Analyzer->ReportFilters = EnabledFilters(store_.ReportFilters());
}

void TMainModel::FetchAndLoad(const TReportRecord& report, TLogFileDataParam& files) {
    SiteTree = std::make_unique<TSiteTree>(report.Domain);
    LoadSiteTree(*SiteTree, report.SiteTree);
    FetchRemoteLogs(report, files);
    LoadTimeMs = host_.RunLoading(*Analyzer, files);
    Window.StatusText = LoadStatusText(LoadTimeMs, Analyzer->SkippedLines);
    FillSiteTreeCounts(*SiteTree, *Analyzer);
    RunStatistic(ActionNamed("actGeneral"));
}

void TMainModel::FetchRemoteLogs(const TReportRecord& report, TLogFileDataParam& files) {
    if (TelnetScriptActive(report)) host_.RunTelnetScript(report);
    host_.DownloadFtpFiles(report, files);
    host_.DownloadWebFiles(report, files);
}

bool TMainModel::OpenReport(const std::string& name) {
    TLogFileDataParam files;
    if (name.empty()) {
        if (!host_.SelectReport(store_, files)) return false;
    } else {
        if (!store_.FindReport(name)) return false;
        std::vector<std::string> skipped;
        FillLogFileData(SplitTextLines(store_.CurrentReport().LogFiles), files, &skipped);
        for (const std::string& message : skipped) host_.Notice(message);
    }
    const TReportRecord report = store_.CurrentReport();
    ReportTree.clear();
    OpenReportName = report.Name;
    Caption = "Vestrel [" + report.Name + "]";
    host_.SetCaption(Caption);
    OpenDomain = report.Domain;
    BuildReportTree();
    SiteTree.reset();
    CreateAnalyzer(report);
    if (report.Domain.empty()) return true;
    FetchAndLoad(report, files);
    return true;
}

void TMainModel::RunStatistic(const TReportAction& action, const std::string& daySpanPath) {
    if (action.Generator == nullptr || Analyzer == nullptr) return;
    TReportContext context{
        *Analyzer, Grid, {Settings.ExcludeSearshFromRef, Settings.LastDaysToShow}, daySpanPath};
    action.Generator(context);
    ReportKind = action.ReportKind;
    const std::string title = ReportTitle(action, daySpanPath);
    if (action.Graph) {
        Chart = ChartForReport(action, Grid, title);
        UpdateThreeDButton(Window.Views, Chart.View3D.Enabled);
    }
    host_.ShowReport(Grid, title);
}

void TMainModel::CommonStep(const TReportAction& action, const std::string& daySpanPath,
                            const TLogDataWidths& logGridWidths) {
    Window.FilterMenuEnabled = false;
    Window.Title = ReportTitle(action, daySpanPath);
    Window.Views = ViewsForAction(action, Window.Views.Shown, Chart.View3D.Enabled);
    if (ReportKind == kLogDataKind) {
        Settings.LogDataWidths = logGridWidths;
        TSettingsFile settings(SettingsFileName(dataFolder_));
        WriteLogDataColumnWidths(settings, logGridWidths);
    }
    if (action.Action != "actFilterLogData") {
        Window.LogGridShown = false;
        Window.FilterButtonEnabled = false;
    }
}

void TMainModel::RunTreeAction(const TReportAction& action, const std::string& daySpanPath,
                               const TLogDataWidths& logGridWidths) {
    CommonStep(action, daySpanPath, logGridWidths);
    if (action.Action == "actLogData") {
        ShowLogData();
    } else if (action.Action == "actBuildSiteTree") {
        ReportKind = 0;
    } else if (action.Action != "actFilterLogData") {
        RunStatistic(action, daySpanPath);
    }
}

void TMainModel::ShowLogData() {
    Window.FilterMenuEnabled = true;
    DefineLogDataColumns(Grid, Settings.LogDataWidths);
    if (Analyzer == nullptr || Analyzer->HitCount == 0) return;
    // The browser list marks the known agents; the view goes on without it when it is missing.
    try {
        Analyzer->LoadUserAgents(dataFolder_);
    } catch (const EVestrelError&) {
    }
    Window.LogGridShown = true;
    ReportKind = kLogDataKind;
    Window.FilterButtonEnabled = true;
    Window.StatusText = std::to_string(Analyzer->HitCount) + " lines";
}

void TMainModel::BeginFilteredLogData() {
    Window.FilterMenuEnabled = true;
    Grid.Clear();
    ReportKind = kFilteredLogDataKind;
}

void TMainModel::ListFilteredLogData() {
    Window.LogGridShown = false;
    DefineLogDataColumns(Grid, Settings.LogDataWidths);
    int rows = 0;
    if (Analyzer != nullptr) {
        rows = ListFilteredHits(Grid, *Analyzer, LogDataFilter);
    } else {
        Grid.SetRowCount(2);
    }
    Window.StatusText = "Filtered: " + std::to_string(rows) + " lines";
}

TRowCommands TMainModel::RowCommands(int gridRow) const {
    TRowCommands commands;
    const bool referrerTable = ReportKind >= 16 && ReportKind <= 18;
    commands.OpenLink = referrerTable;
    commands.ShowTargets = referrerTable && gridRow > 0 && ShowTargetsEnabled(Grid, gridRow);
    commands.DnsLookup = ReportKind == kLogDataKind || ReportKind == kFilteredLogDataKind;
    return commands;
}

std::vector<std::pair<std::string, int>> TMainModel::ReachedTargets(
    std::string_view referrer) const {
    if (Analyzer == nullptr) return {};
    return ComputeReachedTargets(*Analyzer, Settings.ExcludeSearshFromRef, referrer);
}

void TMainModel::ShowView(TReportView view) {
    Window.Views.Shown = view;
    UpdateThreeDButton(Window.Views, Chart.View3D.Enabled);
}

void TMainModel::SetChart3D(bool on) {
    Chart.View3D.Enabled = on;
    UpdateThreeDButton(Window.Views, on);
}

const TReportAction* TMainModel::ApplyOptions() {
    ReadSettings();
    const char* rerun = nullptr;
    switch (ReportKind) {
        case 3:
            rerun = "actVisitBrowser";
            break;
        case 4:
            rerun = "actVisitOpSystem";
            break;
        case 22:
            rerun = "actSearchEngineEngine";
            break;
        case 23:
            rerun = "actSerashEnginePhraseEngine";
            break;
        case 24:
            rerun = "actSearchEngineKeyword";
            break;
        default:
            return nullptr;
    }
    const TReportAction& action = ActionNamed(rerun);
    RunStatistic(action);
    return &action;
}

bool TMainModel::ReopenEditedReport() {
    if (OpenReportName.empty() || !store_.HasCurrentReport()) return false;
    return OpenReport(store_.CurrentReport().Name);
}

void TMainModel::StoreSiteTree() {
    const TSiteItem* root = SiteTree != nullptr ? SiteTree->SiteTreeRoot() : nullptr;
    if (root == nullptr || root->Children.empty()) return;
    if (store_.ReadReports().empty() || !store_.FindReport(OpenReportName)) return;
    TReportRecord report = store_.CurrentReport();
    report.SiteTree = SaveSiteTree(*SiteTree);
    store_.PostReport(report);
}

void TMainModel::RebuildSiteTree() {
    if (SiteTree == nullptr || Analyzer == nullptr || SiteTree->SiteTreeRoot() == nullptr) return;
    BuildSiteTree(*SiteTree, *Analyzer, Settings.StopBuildTree);
    SiteTree->SiteTreeRoot()->Expanded = true;
}

void TMainModel::Close() {
    StoreSiteTree();
    Analyzer.reset();
}

std::string LoadStatusText(int64_t loadTimeMs, int32_t skippedLines) {
    std::string text = "Load time: " + std::to_string(loadTimeMs) + "ms";
    if (skippedLines > 0) text += ", " + std::to_string(skippedLines) + " lines skipped";
    return text;
}

}  // namespace vestrel
