// The main window: the report tree on the left, the title band with its four buttons and the
// report pages on the right, menus, tool bar and status bar. It is the view over TMainModel and
// the host the opening sequence asks for dialogs, the progress window and the shown reports.
#pragma once

#include <QMainWindow>
#include <map>
#include <string>
#include <vector>

#include "shell/main_model.h"
#include "shell/report_store.h"

class QAction;
class QActionGroup;
class QLabel;
class QSplitter;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace vestrel::gui {

class TReportPages;

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

    TMainModel& Model() { return model_; }
    // The command of that object name ("actSelectReport", "actViewHtml", ...).
    QAction* Command(const char* name) const;
    QTreeWidget* Tree() const { return tree_; }
    TReportPages* Pages() const { return pages_; }
    QLabel* TitleLabel() const { return lblCaption_; }
    QString StatusText() const;
    // The tree item of a report action ("actVisitBrowser"), or null.
    QTreeWidgetItem* TreeItem(const char* action) const;

    // TMainHost
    bool SelectReport(TDM1& store, TLogFileDataParam& files) override;
    void SetCaption(const std::string& caption) override;
    int64_t RunLoading(TLogAnalyzer& analyzer, const TLogFileDataParam& files) override;
    void ShowReport(const TVarGrid& grid, const std::string& title) override;
    void Notice(const std::string& text) override;
    void ShowInformation(const std::string& text) override;

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
    void RunFilteredLogData(bool commonStep);
    void ApplyWindowState();
    void ShowView(TReportView view);
    void UpdateRowCommands(int gridRow);
    void OpenLinkAtRow();
    void ShowTargetsAtRow();
    void CopyGrid();
    void SetStatus(const std::string& text);
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
};

}  // namespace vestrel::gui
