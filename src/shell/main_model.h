// The main window's logic without its widgets: the open report, the report tree, the site tree,
// the settings copies and the report-opening sequence. The GUI and vestrel-cli both drive it; what
// only a window or a network client can do comes in through TMainHost.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/log_analyzer.h"
#include "engine/log_files.h"
#include "output/chart_model.h"
#include "reports/catalogue.h"
#include "reports/log_data_reports.h"
#include "reports/var_grid.h"
#include "shell/options.h"
#include "shell/report_store.h"
#include "shell/site_tree.h"

namespace vestrel {

// What the opening sequence needs from the window and the network clients. The defaults do
// nothing beyond saying so, which is what a headless run without those clients gets.
class TMainHost {
  public:
    virtual ~TMainHost() = default;
    // The report selection dialog: on OK the chosen report is current in the store and `files`
    // holds its local log files.
    virtual bool SelectReport(TDM1& store, TLogFileDataParam& files);
    virtual void SetCaption(const std::string& caption);
    virtual void RunTelnetScript(const TReportRecord& report);
    // Each appends the log files it fetched.
    virtual void DownloadFtpFiles(const TReportRecord& report, TLogFileDataParam& files);
    virtual void DownloadWebFiles(const TReportRecord& report, TLogFileDataParam& files);
    virtual TLoadObserver& LoadObserver();
    // The loading sequence over the files; a window runs it where its progress window can repaint.
    virtual int64_t RunLoading(TLogAnalyzer& analyzer, const TLogFileDataParam& files);
    // A statistic's finished table, to be shown (RenderReport on the screen).
    virtual void ShowReport(const TVarGrid& grid, const std::string& title);
    // A step that cannot run here, or other news for the user's eyes.
    virtual void Notice(const std::string& text);
    // An information message box with an OK button.
    virtual void ShowInformation(const std::string& text);

  private:
    TLoadObserver quiet_;
};

struct TReportTreeItem {
    std::string Caption;
    const TReportAction* Action = nullptr;  // null for a category heading
    std::vector<TReportTreeItem> Children;
};

// What the window shows around the report on show: its title, the views that apply, the log-data
// commands and the status text.
struct TWindowState {
    std::string Title;
    TViewState Views;
    bool FilterMenuEnabled = false;    // the menu command "Filter Log Data..."
    bool FilterButtonEnabled = false;  // actFilterLogData, the tool-bar button "Filter log data"
    bool LogGridShown = false;         // the log grid in place of the report table
    std::string StatusText;
};

// The buttons beside the title that follow the selected row.
struct TRowCommands {
    bool ShowTargets = false;
    bool OpenLink = false;
    bool DnsLookup = false;
};

class TMainModel {
  public:
    TMainModel(TDM1& store, std::string dataFolder, TMainHost& host);

    void ReadSettings();
    // Works through the program's arguments ("?" shows the parameter help, R followed by a
    // report name opens it), then runs the selection when no R argument opened a report.
    void StartUp(const std::vector<std::string>& arguments);
    // Opens the report of that name, or lets the user choose one when the name is empty; false
    // when it was not found or the choice was cancelled (nothing changed then). Errors of the
    // later steps are raised and leave what was done so far.
    bool OpenReport(const std::string& name);
    // The steps before the loading: the telnet script when it is active, the FTP download and the
    // HTTP download, which append the files they fetched.
    void FetchRemoteLogs(const TReportRecord& report, TLogFileDataParam& files);
    void BuildReportTree();
    // Runs one statistic into the report table and shows it.
    void RunStatistic(const TReportAction& action, const std::string& daySpanPath = {});
    // A report action chosen in the tree: the common step, then the action's own steps (all but
    // the filtered log data, whose dialog the window runs). `logGridWidths` are the log grid's
    // column widths now, kept when the log data view is left.
    void RunTreeAction(const TReportAction& action, const std::string& daySpanPath,
                       const TLogDataWidths& logGridWidths);
    void CommonStep(const TReportAction& action, const std::string& daySpanPath,
                    const TLogDataWidths& logGridWidths);
    void ShowLogData();
    // The filtered log data: Begin before the filter dialog, List once it was confirmed.
    void BeginFilteredLogData();
    void ListFilteredLogData();
    // The title buttons for a selected row of the report table (the log grid's rows need no row).
    TRowCommands RowCommands(int gridRow) const;
    // The targets reached after the referrals whose referrer contains `referrer`.
    std::vector<std::pair<std::string, int>> ReachedTargets(std::string_view referrer) const;
    // After the options dialog's OK: the settings again, and the statistic on show recomputed
    // when it depends on an edited list. Answers the action that was run, or nullptr.
    const TReportAction* ApplyOptions();
    // After the report settings dialog's OK on the open report: opens it again under the name
    // the current row holds now. Nothing happens while no report is open.
    bool ReopenEditedReport();
    // Stores the site tree into the open report, as closing the window does, and releases the
    // analyser.
    void Close();
    void StoreSiteTree();
    // Replaces the site tree by the one built from the open report's hits ("Build Site Tree").
    void RebuildSiteTree();
    // The list, HTML or graph view shown, and the "3D Graph" button pressed, on the chart on show.
    void ShowView(TReportView view);
    void SetChart3D(bool on);

    TMainSettings Settings;
    std::string OpenReportName;
    std::string OpenDomain;
    std::string Caption = "Vestrel";
    std::unique_ptr<TLogAnalyzer> Analyzer;
    int64_t MaxGzipExpansion = kDefaultGzipExpansionLimit;  // given to every new analyser
    int LoadThreads = 0;  // given to every new analyser: 0 one per core
    uint8_t ReportKind = 0;
    int64_t LoadTimeMs = 0;
    TFilterData LogDataFilter;
    std::vector<TReportTreeItem> ReportTree;
    std::unique_ptr<TSiteTree> SiteTree;
    TVarGrid Grid;
    TWindowState Window;
    // The chart of the last charted statistic; its 3D view is the "3D Graph" button's setting.
    TChartModel Chart;

  private:
    void CreateAnalyzer(const TReportRecord& report);
    void FetchAndLoad(const TReportRecord& report, TLogFileDataParam& files);

    TDM1& store_;
    std::string dataFolder_;
    TMainHost& host_;
};

// The text of the "?" argument.
extern const char* const kCommandLineHelp;

// The enabled filter rows of a report, in table order, as the loading applies them.
std::vector<TFilterData> EnabledFilters(const std::vector<TFilterRow>& rows);
// The report's TelnetOptions as a number; an empty text counts as 0, any other text that is no
// decimal integer raises EVestrelError.
int TelnetOptionsValue(const std::string& text);

// The status text after loading: "Load time: Nms", and how many lines were skipped when any were.
std::string LoadStatusText(int64_t loadTimeMs, int32_t skippedLines);

}  // namespace vestrel
