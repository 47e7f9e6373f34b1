// The main window: the report tree on the left, the title band with its four buttons and the
// report pages on the right, menus, tool bar and status bar. It is the view over TMainModel and
// the host the opening sequence asks for dialogs, the progress window and the shown reports.
#pragma once

#include <QMainWindow>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "acquisition/dns_lookup.h"
#include "shell/main_model.h"
#include "shell/remote_logs.h"
#include "shell/report_store.h"

class QAction;
class QActionGroup;
class QLabel;
class QSplitter;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace vestrel::gui {

class TPrintCommands;
class TReportPages;
class TSiteTreeView;

// Desktops without a configured icon theme still get the program's icons.
void ChooseIconTheme();

class TfrmMain : public QMainWindow, public TMainHost {
    Q_OBJECT

  public:
    TfrmMain(TDM1& store, std::string dataFolder, QWidget* parent = nullptr);
    ~TfrmMain() override;

    // Works through the program's arguments and opens a report (or the selection).
    void StartUp(const std::vector<std::string>& arguments);
    bool OpenReport(const std::string& name);
    // "&Report Settings...": the settings of the open report.
    void EditOpenReport();

    TMainModel& Model() { return model_; }
    // The command of that object name ("actSelectReport", "actViewHtml", ...).
    QAction* Command(const char* name) const;
    QTreeWidget* Tree() const { return tree_; }
    TReportPages* Pages() const { return pages_; }
    QLabel* TitleLabel() const { return lblCaption_; }
    QString StatusText() const;
    // The tree item of a report action ("actVisitBrowser"), or null.
    QTreeWidgetItem* TreeItem(const char* action) const;
    TSiteTreeView* SiteTreeView() const { return siteTree_; }
    TPrintCommands* Printing() const { return printing_; }

    // TMainHost
    bool SelectReport(TDM1& store, TLogFileDataParam& files) override;
    void SetCaption(const std::string& caption) override;
    int64_t RunLoading(TLogAnalyzer& analyzer, const TLogFileDataParam& files) override;
    void ShowReport(const TVarGrid& grid, const std::string& title) override;
    void Notice(const std::string& text) override;
    void ShowInformation(const std::string& text) override;
    void RunTelnetScript(const TReportRecord& report) override;
    void DownloadFtpFiles(const TReportRecord& report, TLogFileDataParam& files) override;
    void DownloadWebFiles(const TReportRecord& report, TLogFileDataParam& files) override;

    // The bounds of the telnet script, the downloads and the lookups (their port and name server).
    TFetchLimits& FetchLimits() { return fetchLimits_; }
    // Whether the "DNS lookup IP at cursor" lookup is still waiting for its answer.
    bool CursorLookupRunning() const { return cursorLookup_ != nullptr; }

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void CreateCommands();
    void CreateMenus();
    void CreateToolBar();
    QWidget* CreateTitleBand();
    void CreateLayout();
    QAction* AddCommand(const char* name, const QString& caption, const QString& hint,
                        const char* icon);

    void RebuildTree();
    void RunTreeItem(QTreeWidgetItem* item);
    void RunAction(const TReportAction& action, const std::string& daySpanPath);
    void RunFilteredLogData(bool commonStep);
    void ApplyWindowState();
    void ShowView(TReportView view);
    void SwitchChart3D(bool on);
    void ApplyChart3DCommand();
    void UpdateRowCommands(int gridRow);
    void OpenLinkAtRow();
    void ShowTargetsAtRow();
    void CopyGrid();
    void SetStatus(const std::string& text);
    void ResolveHostNames();
    void LookupAddressAtCursor();
    void CursorLookupDone(const std::string& address, const TSingleLookupResult& result);
    void StopCursorLookup();
    void RunOptions();
    void RunExport();
    void ShowGeneralReport();
    // Runs a command and shows what it raised in an error message box.
    template <typename Work>
    void Guarded(Work work);

    TDM1& store_;
    std::string dataFolder_;
    TMainModel model_;
    std::map<std::string, QAction*> commands_;
    QActionGroup* views_ = nullptr;
    QSplitter* splitter_ = nullptr;
    QTreeWidget* tree_ = nullptr;
    QLabel* lblCaption_ = nullptr;
    QLabel* status_ = nullptr;
    TReportPages* pages_ = nullptr;
    int selectedRow_ = -1;
    bool buildingTree_ = false;
    TSiteTreeView* siteTree_ = nullptr;
    TPrintCommands* printing_ = nullptr;
    TFetchLimits fetchLimits_;
    // The cursor lookup runs on its own thread. Opening a report stops it, and an answer that
    // arrives after that (an older number) is dropped.
    std::unique_ptr<TDNSLookup> cursorLookup_;
    std::thread cursorLookupThread_;
    int cursorLookupNumber_ = 0;
    int cursorLookupRow_ = -1;
    uint8_t cursorLookupKind_ = 0;
};

}  // namespace vestrel::gui
