// The report settings dialog ("Report Settings") as a model without widgets: the fields of one
// report definition, the line formats of its lists, the dialog's commands and its OK check.
//
// A report being created has no row until OK, so everything that is stored at once for an
// existing report (filters, FTP and WEB log-ins, download folders) is held by the model and stored
// with the new row on OK. For an existing report those commands store at once, in the report's own
// row and filter rows only; filter ticks and every other field are stored on OK.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "acquisition/telnet_script.h"
#include "engine/date_time.h"
#include "engine/log_filter.h"
#include "shell/report_store.h"

namespace vestrel {

// The dialog's pages, in order, with the help topic "&Help" opens on each.
enum TSettingsPage {
    spGeneral,
    spTimePeriod,
    spTargets,
    spFilters,
    spLocalFiles,
    spTelnet,
    spFtpFiles,
    spWebFiles,
    kSettingsPageCount
};
struct TSettingsPageInfo {
    const char* Caption;
    const char* HelpTopic;
};
extern const TSettingsPageInfo kSettingsPages[kSettingsPageCount];

inline constexpr const char* kInitialDefaultPage = "index.htm";
inline constexpr int32_t kInitialLastHours = 24;
inline constexpr int32_t kInitialLastDays = 7;
inline constexpr int32_t kPeriodMin = 1;
inline constexpr int32_t kPeriodMax = 999;
inline constexpr int kInitialDaysBack = 30;  // the "From" date is today less these days
inline constexpr size_t kEntryCaptionSize = 1024;
inline constexpr const char* kNewFtpFileCaption = "FTP File";
inline constexpr const char* kNewWebFileCaption = "http://";
inline constexpr const char* kDeleteFilterQuestion = "Delete filter?";
inline constexpr const char* kTargetBoxCaption = "Target file";
inline constexpr const char* kTargetBoxLabel = "Name";
inline constexpr const char* kSelectDirectoryTitle = "Select directory";
inline constexpr const char* kLogFileTypes =
    "Log files (*.log)|*.log|GZip files (*.gz)|*.gz|ZIP files (*.zip)|*.zip|All files (*.*)|*.*";

// ---- Line formats ----

// An entry of the local, FTP or WEB file list: "1" (ticked) or any other first character, then
// the caption.
struct TCheckedLine {
    std::string Caption;
    bool Checked = true;
};
std::vector<TCheckedLine> CheckedLinesOf(std::string_view memo);
std::string CheckedLinesMemo(const std::vector<TCheckedLine>& lines);

// One line per entry, CR LF after each.
std::string MemoOf(const std::vector<std::string>& lines);

// The filter list's caption of a Filters mask: its criteria in list order, or "NOT ENABLED".
std::string FilterCaption(int32_t filters);

// An hours or days field's value on leaving it: a whole number taken to 1 to 999, any other text 1.
int32_t PeriodFieldValue(std::string_view text);

// The most characters a text field of Reports.DAT ("Domain", "FTPSite", ...) keeps.
int ReportFieldSize(std::string_view field);

std::string FtpLoginLine(const TReportRecord& report);  // site ; user ; password
std::string WebLoginLine(const TReportRecord& report);  // "user","password"

// ---- The dialog ----

enum class TDateChoice : int32_t { AllLogData = 0, FromTo = 1, LastHours = 2, LastDays = 3 };

enum class TDownloadKind { Ftp, Web };

struct TFilterEntry {
    std::string Caption;
    bool Checked = true;
    int32_t FilterID = 0;  // 0 while the filter is held for a report being created
    TFilterData Filter;    // the criteria as listed
};

// The control an OK check failed at, on its page.
enum class TSettingsField {
    DomainName,
    ReportName,
    TargetList,
    LocalFileList,
    TelnetList,
    FtpFileList,
    WebFileList
};
struct TSettingsProblem {
    std::string Message;
    TSettingsPage Page = spGeneral;
    TSettingsField Field = TSettingsField::DomainName;
    int Entry = -1;  // the offending entry of a list
};

class TReportSettingsModel {
  public:
    // isNew false edits the store's current report, which is loaded at once. Raises EVestrelError
    // when there is no current report or its TelnetOptions is no decimal integer.
    TReportSettingsModel(TDM1& dm, bool isNew, TDateTime today = Today());

    bool IsNew() const { return isNew_; }

    // "General"
    std::string DomainName;
    std::string ReportName;
    std::string DefaultPage = kInitialDefaultPage;
    // "Time period"
    TDateChoice DateChoice = TDateChoice::AllLogData;
    TDateTime FromDate = 0;
    TDateTime ToDate = 0;
    int32_t LastHours = kInitialLastHours;
    int32_t LastDays = kInitialLastDays;
    // "Targets", "Local Files", "Telnet", "FTP Files", "WEB Files"
    std::vector<std::string> Targets;
    std::vector<TCheckedLine> LocalFiles;
    std::vector<TTelnetLine> TelnetLines;
    bool TelnetActive = false;
    bool AutoClose = true;
    std::vector<TCheckedLine> FtpFiles;
    std::vector<TCheckedLine> WebFiles;

    // Targets: a non-empty answer of the "Target file" box becomes a new entry.
    void AddTarget(const std::string& answer);

    // Ticked entries: a chosen or dropped file; a chosen folder with every file in it.
    void AddLocalFile(const std::string& path);
    void AddLocalFolder(const std::string& folder);
    std::vector<TCheckedLine>& RemoteFiles(TDownloadKind kind);
    // "Add file": a ticked entry with the new-entry caption; answers its index for editing.
    size_t AddRemoteFile(TDownloadKind kind);

    // Telnet line commands on the selected line; each answers the line selected afterwards. An
    // index past the end changes nothing.
    size_t InsertTelnetLine(size_t index);  // a copy right before it; the line stays selected
    size_t MoveTelnetLineUp(size_t index);
    size_t MoveTelnetLineDown(size_t index);

    // Filters. Add and Change take the criteria of the filter dialog's OK; Remove follows the
    // "Delete filter?" question. FindFilter answers the criteria to edit, or nothing when the
    // filter is no longer stored (the list is then refilled).
    const std::vector<TFilterEntry>& Filters() const { return filters_; }
    void SetFilterChecked(size_t index, bool checked);
    void AddFilter(const TFilterData& filter);
    std::optional<TFilterData> FindFilter(size_t index);
    void ChangeFilter(size_t index, const TFilterData& filter);
    void RemoveFilter(size_t index);

    // Log-ins: FTPSite, FTPUserName, FTPPassword, WEBUsername and WEBPassword of Logins() preset
    // the FTP Options dialog and the "WEB Options" box, whose OK calls SetFtpLogin or SetWebLogin.
    // The texts are taken unchanged, cut to their field sizes.
    const TReportRecord& Logins() const { return held_; }
    void SetFtpLogin(const std::string& site, const std::string& user, const std::string& password);
    void SetWebLogin(const std::string& user, const std::string& password);
    std::string FtpLoginLine() const { return vestrel::FtpLoginLine(held_); }
    std::string WebLoginLine() const { return vestrel::WebLoginLine(held_); }

    // "Download files to": the text shown (the data folder for a blank stored folder). A folder
    // chosen with the browse button is stored as the log-ins are; a typed text that differs from
    // what was shown is stored on OK.
    const std::string& FolderText(TDownloadKind kind) const;
    void TypeFolderText(TDownloadKind kind, std::string text);
    void SetChosenFolder(TDownloadKind kind, const std::string& folder);

    // OK: checks the fields and stores the report. Answers the first problem found (nothing is
    // stored then), or nothing when the report was stored; it is then the store's current report
    // and the model edits it from then on. A store error (a name another report has) is raised as
    // EVestrelError with nothing changed, and a later OK may try again.
    std::optional<TSettingsProblem> StoreToReport();

  private:
    void LoadFromReport(const TReportRecord& report);
    void LoadFolders();
    std::string ShownFolder(const std::string& stored) const;
    std::optional<TSettingsProblem> CheckFields() const;
    void WriteFields(TReportRecord& report) const;
    void StoreNewReport(const TReportRecord& report);
    void StoreFilterTicks();
    void FillFilterList();
    bool PositionOnFilter(size_t index);
    // The store's current report, which must still be the one edited.
    TReportRecord OwnReport() const;
    // Stores a change of log-ins or folders at once for an existing report; holds it otherwise.
    template <typename Change>
    void ChangeHeldFields(Change change);

    TDM1& dm_;
    bool isNew_;
    int32_t reportId_ = 0;
    TReportRecord held_;  // log-ins and download folders as stored, or as held for a new report
    std::vector<TFilterEntry> filters_;
    std::string folderTexts_[2];  // by TDownloadKind
};

}  // namespace vestrel
