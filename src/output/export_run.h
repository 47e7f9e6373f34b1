// Export: the check list of statistics the export dialog offers, the export document that
// RenderReport appends each finished table to (an HTML file, an RTF file or an Excel workbook),
// and the export run over the chosen statistics.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/errors.h"
#include "engine/locale_info.h"
#include "engine/log_analyzer.h"
#include "output/html_export.h"
#include "reports/catalogue.h"
#include "reports/report_context.h"
#include "reports/var_grid.h"

namespace vestrel {

// Where RenderReport sends a finished table; 1 to 3 are the export file types.
enum TOutputTarget : int {
    otScreen = 0,
    otHtmlFile = 1,
    otRtfFile = 2,
    otExcelFile = 3,
};

// ---- Export check list ----

struct TExportEntry {
    std::string Text;
    const TReportAction* Action = nullptr;  // nullptr for a group heading
    bool Checked = true;

    bool IsGroupHeading() const { return Action == nullptr; }
};

// The statistics of the report tree in tree order, each category as a group heading followed by
// its members; the log-data view and the site tree are not offered. Every entry starts checked.
class TExportCheckList {
  public:
    TExportCheckList();

    const std::vector<TExportEntry>& Entries() const { return entries_; }
    // Checking or clearing a group heading gives its members the same state.
    void SetChecked(size_t index, bool checked);
    // The "+" and "-" buttons.
    void SetAllChecked(bool checked);
    // The "x" button: inverts every entry but the group headings.
    void InvertChecks();
    // The actions of the checked entries, in list order.
    std::vector<const TReportAction*> SelectedActions() const;

  private:
    std::vector<TExportEntry> entries_;
};

// The types of the export's save-file dialog; an entry's position from 1 is its output target.
inline constexpr std::string_view kExportFileTypes =
    "HTML files (*.htm)|*.htm|Microsoft Word files (.doc)|*.doc|Microdoft Excel files "
    "(*.xls)|*.xls";

struct TExportChoice {
    int Target = otScreen;  // otScreen: nothing to export
    std::string FileName;
    std::vector<const TReportAction*> Actions;
};

// What "&Export" returns: the file name as typed, the type index of the file dialog (1 when it
// was never opened), target 0 when no statistic is checked. A name of only blanks raises
// "Filename is missing".
TExportChoice AcceptExportChoice(const TExportCheckList& list, const std::string& fileName,
                                 int fileTypeIndex);

// ---- Export session ----

// The main window's status bar and message loop, as an export uses them. No-ops by default.
class TExportStatus {
  public:
    virtual ~TExportStatus() = default;
    virtual void SetStatusText(const std::string& /*text*/) {}
    // Lets the window repaint once so that the status text is seen.
    virtual void ProcessPendingEvents() {}
    // Shows the General statistic again after an export, however the export ended.
    virtual void ShowGeneralReport() {}
    // Asked before each statistic: true ends the export, which then leaves no file behind.
    virtual bool CancelRequested() { return false; }
};

// What RunExport raises when the status asked it to stop.
class EExportCancelled : public EVestrelError {
  public:
    EExportCancelled() : EVestrelError("Export cancelled") {}
};

// The HTML view that shows the table on screen.
class THtmlView {
  public:
    virtual ~THtmlView() = default;
    virtual void LoadLines(const std::vector<std::string>& lines) = 0;
};

// An open export file; see export_run.cpp.
class TExportDocument;

// A statistic appended to the export document, and the worksheets it took (1 outside
// workbooks).
struct TExportedReport {
    std::string Title;
    int Sheets = 1;
};

// The main window's part in rendering and exporting: the output target and the export document.
class TExportSession {
  public:
    // Without a status the status calls do nothing; without a view screen rendering does nothing.
    explicit TExportSession(TExportStatus* status = nullptr, THtmlView* view = nullptr,
                            const TLocaleInfo* locale = &TLocaleInfo::Iso());
    ~TExportSession();
    TExportSession(const TExportSession&) = delete;
    TExportSession& operator=(const TExportSession&) = delete;

    int OutputTarget() const { return outputTarget_; }
    // The statistics of the last export, in order; BeginExport starts the list afresh.
    const std::vector<TExportedReport>& ExportedReports() const { return exported_; }

    // What an HTML export's heading says; nothing is known until it is set.
    void SetHeading(TExportHeading heading) { heading_ = std::move(heading); }

    // Opens the export document for `target` (1 to 3), discarding a leftover one, and points
    // the output at it. An HTML file lists `titles`, the statistics to come, in its table of
    // contents. A file that cannot be created raises "Cannot create file " + name.
    void BeginExport(int target, const std::string& fileName, int reportCount,
                     const std::vector<std::string>& titles = {});
    // Shows the table (target 0) or appends it to the export document; an HTML file draws the
    // chart of `action`, when it has one, after the table.
    void RenderReport(const TVarGrid& grid, const std::string& title,
                      const TReportAction* action = nullptr);
    // Completes and writes the export document; the output returns to the screen.
    void EndExport();

    // Computes each action's statistic and appends it to one export document of `target`,
    // overwriting `fileName`. Actions that show no table of their own (log data, day span) are
    // skipped; with none left, or target 0, nothing is done. Afterwards, also on failure, the
    // output returns to the screen and the status is asked to show the General statistic. A
    // cancelled export removes its incomplete file and raises EExportCancelled.
    void RunExport(const std::vector<const TReportAction*>& actions, int target,
                   const std::string& fileName, TLogAnalyzer& analyzer,
                   const TReportSettings& settings);

  private:
    void ExportReports(const std::vector<const TReportAction*>& reports, int target,
                       const std::string& fileName, TLogAnalyzer& analyzer,
                       const TReportSettings& settings);
    void CloseExport();
    void AbandonExport();

    TExportStatus* status_;
    THtmlView* view_;
    const TLocaleInfo* locale_;
    int outputTarget_ = otScreen;
    TExportHeading heading_;
    std::unique_ptr<TExportDocument> document_;
    std::vector<TExportedReport> exported_;
};

// What an HTML export of the loaded report says in its heading: the name, the analyser's domain
// and the period of its hits, when it has any.
TExportHeading ExportHeadingOf(std::string reportName, const TLogAnalyzer& analyzer);

// Whether the action computes a table that RenderReport shows (the log-data views and the day
// span fill grids of their own).
bool RendersReport(const TReportAction& action);

}  // namespace vestrel
