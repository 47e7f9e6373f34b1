// Report selection: the list of every report definition with its domain, the size and date range
// of its local log files, and the commands on it (delete, copy, confirm), as a model without
// widgets.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/locale_info.h"
#include "engine/log_files.h"
#include "shell/report_store.h"
#include "shell/settings_file.h"

namespace vestrel {

// Pictures of the shared picture list marking a report's local files.
inline constexpr int kPlainFilesPicture = 8;
inline constexpr int kCompressedFilesPicture = 7;
inline constexpr int kUnknownSizePicture = 9;
inline constexpr int kNoFilesPicture = 11;

struct TReportFilesSummary {
    int64_t Amount = 0;        // bytes of the local files found, negated when some are compressed
    std::string Text;          // their date range, or why there is none
    bool HasFileLists = true;  // false when LogFiles, FTPFiles and WEBFiles are all empty
};

// Expands the report's local file lines and examines every plain file for its time range.
// Raises EVestrelError when a file cannot be examined.
TReportFilesSummary DescribeReportFiles(const TReportRecord& report, const TLocaleInfo& locale);

struct TReportListEntry {
    std::string Name;
    std::string Domain;
    std::string FileSize;   // "File size" column
    std::string DateRange;  // "From - To Date" column
    int Picture = kUnknownSizePicture;
    std::string Problem;  // why the files could not be described; empty when they could
};

// As the desktop's string comparison orders: alphabetically whatever the case, and of two names
// that differ only in case, the one with a lower-case letter at the first difference first.
int CompareReportNames(std::string_view a, std::string_view b);

// One entry per report, sorted by CompareReportNames. A report whose files cannot be examined is
// listed with the error as its date range and Problem.
std::vector<TReportListEntry> FillReportList(const TDM1& dm, const TLocaleInfo& locale);

// Stores a copy of the report under the first free name of "Copy of <name>", "Copy (2) of
// <name>", ... (cut to the Name size), without its filters, and makes it the current report.
// Answers the copy's name, or "" when there is no report of that name.
std::string CopyReport(TDM1& dm, std::string_view name);

// The selection dialog's state. The entry last confirmed is remembered by its list position as
// `Last` in section Reports of the settings file.
class TReportSelection {
  public:
    TReportSelection(TDM1& dm, TSettingsFile& settings, const TLocaleInfo& locale);

    // Fills the list and selects the entry at `Last` when there is one there.
    void Open();
    // Refills the list from the store; nothing is selected then.
    void FillReportList();
    const std::vector<TReportListEntry>& Entries() const { return entries_; }
    int Selected() const { return selected_; }
    // An index outside the list selects nothing.
    void Select(int index);
    // OK, "&Edit...", "&Delete" and "Copy" are enabled while an entry is selected.
    bool CommandsEnabled() const { return selected_ >= 0; }

    // Positions the store on the selected report, for editing it; false when there is none.
    bool FindSelected();
    // The question "&Delete" asks before DeleteSelected.
    std::string DeleteQuestion() const;
    // Deletes the selected report at once (its filters stay) and removes its entry.
    void DeleteSelected();
    // CopyReport of the selected entry; then the list is refilled with the copy selected.
    void CopySelected();
    // OK: positions the store on the selected report, answers its local files and stores the
    // entry's position as `Last`. Raises EVestrelError "Can not find report" when the report has
    // gone from the store meanwhile.
    TLogFileDataParam Confirm();

  private:
    TDM1& dm_;
    TSettingsFile& settings_;
    const TLocaleInfo& locale_;
    std::vector<TReportListEntry> entries_;
    int selected_ = -1;
};

}  // namespace vestrel
