// The main window's logic without its widgets: the open report, the report tree, the site tree,
// the settings copies and the report-opening sequence. The GUI and vestrel-cli both drive it; what
// only a window or a network client can do comes in through TMainHost.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/log_analyzer.h"
#include "engine/log_files.h"
#include "reports/catalogue.h"
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
    // Stores the site tree into the open report, as closing the window does, and releases the
    // analyser.
    void Close();
    void StoreSiteTree();

    TMainSettings Settings;
    std::string OpenReportName;
    std::string OpenDomain;
    std::string Caption = "Vestrel";
    std::unique_ptr<TLogAnalyzer> Analyzer;
    int64_t MaxGzipExpansion = kDefaultGzipExpansionLimit;  // given to every new analyser
    uint8_t ReportKind = 0;
    int64_t LoadTimeMs = 0;
    TFilterData LogDataFilter;
    std::vector<TReportTreeItem> ReportTree;
    std::unique_ptr<TSiteTree> SiteTree;
    TVarGrid Grid;

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

}  // namespace vestrel
