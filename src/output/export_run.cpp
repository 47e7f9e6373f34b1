#include "output/export_run.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "engine/errors.h"
#include "engine/text_util.h"
#include "output/excel_export.h"
#include "output/html_export.h"
#include "output/html_render.h"
#include "output/rtf_render.h"
#include "output/svg_chart.h"

namespace vestrel {

namespace {

// Raised right after the failing file operation, while errno still tells why.
EVestrelError CannotCreate(const std::string& fileName) {
    const int error = errno;
    std::string message = "Cannot create file \"" + fileName + "\".";
    if (error != 0) message += std::string(" ") + std::strerror(error);
    return EVestrelError(message);
}

// One report-tree item above the site tree: a statistic, or a category with its statistics.
struct TTreeItem {
    std::string_view Caption;
    const TReportAction* Action = nullptr;
    std::vector<const TReportAction*> Children;
};

// The top-level items of the report tree before the site tree, as the report tree is built:
// actions with a positive tag in catalogue order, each category one item holding its actions.
std::vector<TTreeItem> ReportTreeItems() {
    std::vector<TTreeItem> items;
    std::string_view lastCategory;
    size_t categoryItem = 0;
    for (const TReportAction& action : ReportCatalogue()) {
        if (action.Tag <= 0) continue;
        if (action.Category.empty()) {
            items.push_back({action.Caption, &action, {}});
            continue;
        }
        if (action.Category != lastCategory) {
            lastCategory = action.Category;
            categoryItem = items.size();
            items.push_back({action.Category, nullptr, {}});
        }
        items[categoryItem].Children.push_back(&action);
    }
    return items;
}

}  // namespace

// ---- Export check list ----

TExportCheckList::TExportCheckList() {
    for (const TTreeItem& item : ReportTreeItems()) {
        if (item.Action && item.Action->Action == "actLogData") continue;
        entries_.push_back({std::string(item.Caption), item.Action, true});
        for (const TReportAction* child : item.Children)
            entries_.push_back({std::string(child->Caption), child, true});
    }
}

void TExportCheckList::SetChecked(size_t index, bool checked) {
    if (index >= entries_.size()) return;
    entries_[index].Checked = checked;
    if (!entries_[index].IsGroupHeading()) return;
    for (size_t i = index + 1; i < entries_.size() && !entries_[i].IsGroupHeading(); ++i)
        entries_[i].Checked = checked;
}

void TExportCheckList::SetAllChecked(bool checked) {
    for (TExportEntry& entry : entries_) entry.Checked = checked;
}

void TExportCheckList::InvertChecks() {
    for (TExportEntry& entry : entries_)
        if (!entry.IsGroupHeading()) entry.Checked = !entry.Checked;
}

std::vector<const TReportAction*> TExportCheckList::SelectedActions() const {
    std::vector<const TReportAction*> actions;
    for (const TExportEntry& entry : entries_)
        if (entry.Checked && !entry.IsGroupHeading()) actions.push_back(entry.Action);
    return actions;
}

TExportChoice AcceptExportChoice(const TExportCheckList& list, const std::string& fileName,
                                 int fileTypeIndex) {
    if (Trim(fileName).empty()) throw EVestrelError("Filename is missing");
    TExportChoice choice{fileTypeIndex, fileName, list.SelectedActions()};
    if (choice.Actions.empty()) choice.Target = otScreen;
    return choice;
}

// ---- Export documents ----

class TExportDocument {
  public:
    virtual ~TExportDocument() = default;
    // Returns the number of worksheets the table took; `action` (or nullptr) computed the grid.
    virtual int Append(const TVarGrid& grid, const std::string& title,
                       const TReportAction* action) = 0;
    // Completes the document; the file is whole once this returns.
    virtual void Finish() = 0;
};

namespace {

// A document written to its file as it grows, each report as it is appended.
class TStreamedDocument : public TExportDocument {
  protected:
    explicit TStreamedDocument(const std::string& fileName)
        : fileName_(fileName), file_(fileName, std::ios::binary | std::ios::trunc) {}

    void Write(std::string_view text) {
        file_.write(text.data(), static_cast<std::streamsize>(text.size()));
        file_.flush();
        if (!file_) throw CannotCreate(fileName_);
        written_ += text.size();
    }
    void Close() {
        file_.close();
        if (!file_) throw CannotCreate(fileName_);
    }
    std::uintmax_t Written() const { return written_; }
    const std::string& FileName() const { return fileName_; }

  private:
    std::string fileName_;
    std::ofstream file_;
    std::uintmax_t written_ = 0;
};

// An HTML export that does not finish removes its file rather than leave a page cut short
// (never a device such as /dev/full). Each table is a section of its own.
class THtmlExportDocument : public TStreamedDocument {
  public:
    THtmlExportDocument(const std::string& fileName, const TExportHeading& heading,
                        const std::vector<std::string>& titles)
        : TStreamedDocument(fileName) {
        WriteLines(HtmlExportStart(heading, titles));
    }
    ~THtmlExportDocument() override {
        std::error_code ignored;
        if (!finished_ && std::filesystem::is_regular_file(FileName(), ignored))
            std::filesystem::remove(FileName(), ignored);
    }

    int Append(const TVarGrid& grid, const std::string& title,
               const TReportAction* action) override {
        std::vector<std::string> lines = {HtmlSectionStart(++sections_)};
        const std::vector<std::string> table = RenderHtmlTable(grid, title);
        lines.insert(lines.end(), table.begin(), table.end());
        if (action) {
            const std::vector<std::string> chart =
                RenderSvgChart(ChartForReport(*action, grid, title));
            lines.insert(lines.end(), chart.begin(), chart.end());
        }
        lines.emplace_back(kHtmlSectionEnd);
        WriteLines(lines);
        return 1;
    }

    void Finish() override {
        WriteLines(HtmlExportEnd());
        Close();
        finished_ = true;
    }

  private:
    void WriteLines(const std::vector<std::string>& lines) {
        std::string text;
        for (const std::string& line : lines) text += line + "\r\n";
        Write(text);
    }

    int sections_ = 0;
    bool finished_ = false;
};

class TRtfExportDocument : public TStreamedDocument {
  public:
    explicit TRtfExportDocument(const std::string& fileName) : TStreamedDocument(fileName) {
        Write(RtfFileHeader());
    }

    int Append(const TVarGrid& grid, const std::string& title,
               const TReportAction* /*action*/) override {
        if (Written() >= kRtfPageBreakFrom) Write(kRtfPageBreak);
        Write(RenderRtfReport(grid, title));
        return 1;
    }

    void Finish() override {
        Write(kRtfFileTail);
        Close();
    }
};

// One worksheet per report.
class TExcelExportDocument : public TExportDocument {
  public:
    TExcelExportDocument(const std::string& fileName, int reportCount)
        : workbook_(fileName, reportCount) {}

    int Append(const TVarGrid& grid, const std::string& title,
               const TReportAction* /*action*/) override {
        return workbook_.WriteReport(grid, title);
    }
    void Finish() override { workbook_.Finish(); }

  private:
    TExcelExport workbook_;
};

std::unique_ptr<TExportDocument> OpenDocument(int target, const std::string& fileName,
                                              int reportCount, const TExportHeading& heading,
                                              const std::vector<std::string>& titles) {
    switch (target) {
        case otHtmlFile:
            return std::make_unique<THtmlExportDocument>(fileName, heading, titles);
        case otRtfFile:
            return std::make_unique<TRtfExportDocument>(fileName);
        case otExcelFile:
            return std::make_unique<TExcelExportDocument>(fileName, reportCount);
        default:
            throw EVestrelError("Unknown export file type " + std::to_string(target));
    }
}

TExportStatus& SilentStatus() {
    static TExportStatus silent;
    return silent;
}

}  // namespace

// ---- Export session ----

TExportHeading ExportHeadingOf(std::string reportName, const TLogAnalyzer& analyzer) {
    TExportHeading heading{std::move(reportName), analyzer.OwnDomain, {}, {}};
    if (analyzer.FirstHit <= analyzer.LastHit) {
        heading.FirstHit = analyzer.FirstHit;
        heading.LastHit = analyzer.LastHit;
    }
    return heading;
}

bool RendersReport(const TReportAction& action) {
    return action.Generator != nullptr && action.Action != "actLogData" &&
           action.Action != "actFilterLogData" && action.Action != "actDaySpan";
}

TExportSession::TExportSession(TExportStatus* status, THtmlView* view, const TLocaleInfo* locale)
    : status_(status ? status : &SilentStatus()), view_(view), locale_(locale) {}

TExportSession::~TExportSession() = default;

void TExportSession::BeginExport(int target, const std::string& fileName, int reportCount,
                                 const std::vector<std::string>& titles) {
    CloseExport();
    exported_.clear();
    document_ = OpenDocument(target, fileName, reportCount, heading_, titles);
    outputTarget_ = target;
}

void TExportSession::RenderReport(const TVarGrid& grid, const std::string& title,
                                  const TReportAction* action) {
    if (outputTarget_ == otScreen) {
        if (view_) view_->LoadLines(HtmlViewPage(grid, title));
        return;
    }
    status_->SetStatusText("Writing " + title + "...");
    status_->ProcessPendingEvents();
    exported_.push_back({title, document_->Append(grid, title, action)});
}

void TExportSession::EndExport() {
    status_->SetStatusText("");
    // The output is back on screen even when the file cannot be completed.
    const std::unique_ptr<TExportDocument> document = std::move(document_);
    outputTarget_ = otScreen;
    if (document) document->Finish();
}

void TExportSession::CloseExport() {
    document_.reset();
    outputTarget_ = otScreen;
}

void TExportSession::RunExport(const std::vector<const TReportAction*>& actions, int target,
                               const std::string& fileName, TLogAnalyzer& analyzer,
                               const TReportSettings& settings) {
    std::vector<const TReportAction*> reports;
    for (const TReportAction* action : actions)
        if (action && RendersReport(*action)) reports.push_back(action);
    if (target == otScreen || reports.empty()) return;
    try {
        ExportReports(reports, target, fileName, analyzer, settings);
    } catch (const EExportCancelled&) {
        AbandonExport();
        std::error_code ignored;
        std::filesystem::remove(fileName, ignored);
        throw;
    } catch (...) {
        AbandonExport();
        throw;
    }
    status_->ShowGeneralReport();
}

void TExportSession::AbandonExport() {
    status_->SetStatusText("");
    CloseExport();
    status_->ShowGeneralReport();
}

void TExportSession::ExportReports(const std::vector<const TReportAction*>& reports, int target,
                                   const std::string& fileName, TLogAnalyzer& analyzer,
                                   const TReportSettings& settings) {
    std::vector<std::string> titles;
    for (const TReportAction* action : reports) titles.push_back(ReportTitle(*action));
    BeginExport(target, fileName, static_cast<int>(reports.size()), titles);
    for (size_t i = 0; i < reports.size(); ++i) {
        if (status_->CancelRequested()) throw EExportCancelled();
        TVarGrid grid(locale_);
        TReportContext context{analyzer, grid, settings, {}};
        reports[i]->Generator(context);
        RenderReport(grid, titles[i], reports[i]);
    }
    EndExport();
}

}  // namespace vestrel
