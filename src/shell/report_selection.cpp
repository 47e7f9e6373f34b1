#include "shell/report_selection.h"

#include <algorithm>
#include <cctype>

#include "engine/errors.h"
#include "engine/text_file.h"
#include "engine/text_util.h"
#include "reports/report_format.h"
#include "shell/options.h"

namespace vestrel {

namespace {

// An enabled line naming a ".gz" or ".zip" file: its text from the last dot, in lower case.
bool IsCompressedLine(std::string_view line) {
    if (line.empty() || line[0] != '1') return false;
    const size_t dot = line.rfind('.');
    if (dot == std::string_view::npos) return false;
    const std::string extension = LowerAscii(line.substr(dot));
    return extension == ".gz" || extension == ".zip";
}

std::string DateRangeText(const TLogFileDataParam& files, const TLocaleInfo& locale) {
    // A file without a readable time (0) says nothing about the range.
    double first = 0, last = 0;
    for (const TLogFileData& file : files) {
        if (file.FirstDate != 0 && (first == 0 || file.FirstDate < first)) first = file.FirstDate;
        if (file.LastDate > last) last = file.LastDate;
    }
    if (first == 0 || last == 0) return "(No dates found)";
    return locale.FormatShortDate(first) + " - " + locale.FormatShortDate(last);
}

void SetFilesColumns(TReportListEntry& entry, const TReportFilesSummary& summary,
                     const TLocaleInfo& locale) {
    entry.DateRange = summary.Text;
    if (!summary.HasFileLists) {
        entry.Picture = kNoFilesPicture;
        entry.FileSize = "0 bytes";
    } else if (summary.Amount > 0) {
        entry.Picture = kPlainFilesPicture;
        entry.FileSize = FormatBytes(static_cast<double>(summary.Amount), locale);
    } else if (summary.Amount < 0) {
        entry.Picture = kCompressedFilesPicture;
        entry.FileSize = FormatBytes(-static_cast<double>(summary.Amount), locale);
    } else {
        entry.Picture = kUnknownSizePicture;
        entry.FileSize = "??? bytes";
    }
}

TReportListEntry ListEntryOf(const TReportRecord& report, const TLocaleInfo& locale) {
    TReportListEntry entry;
    entry.Name = report.Name;
    entry.Domain = report.Domain;
    try {
        SetFilesColumns(entry, DescribeReportFiles(report, locale), locale);
    } catch (const EVestrelError& error) {
        entry.FileSize = "??? bytes";
        entry.DateRange = entry.Problem = error.what();
    }
    return entry;
}

}  // namespace

TReportFilesSummary DescribeReportFiles(const TReportRecord& report, const TLocaleInfo& locale) {
    TReportFilesSummary summary;
    TLogFileDataParam files;
    bool compressed = false;
    if (!report.LogFiles.empty()) {
        const std::vector<std::string> lines = SplitTextLines(report.LogFiles);
        std::vector<std::string> skipped;
        FillLogFileData(lines, files, &skipped);
        if (!skipped.empty()) throw EVestrelError(skipped.front());
        compressed = std::any_of(lines.begin(), lines.end(),
                                 [](const std::string& line) { return IsCompressedLine(line); });
    }
    int64_t total = 0;
    for (const TLogFileData& file : files) total += file.Size;
    summary.Amount = compressed ? -total : total;
    if (compressed)
        summary.Text = "(Compressed files)";
    else if (total < 1)
        summary.Text = "(No local files)";
    else
        summary.Text = DateRangeText(files, locale);
    if (report.LogFiles.empty() && report.FTPFiles.empty() && report.WEBFiles.empty()) {
        summary.HasFileLists = false;
        summary.Text = "(No files selected)";
    }
    return summary;
}

int CompareReportNames(std::string_view a, std::string_view b) {
    if (const int folded = LowerAscii(a).compare(LowerAscii(b)); folded != 0) return folded;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i]) return std::islower(static_cast<unsigned char>(a[i])) ? -1 : 1;
    return 0;
}

std::vector<TReportListEntry> FillReportList(const TDM1& dm, const TLocaleInfo& locale) {
    std::vector<TReportListEntry> entries;
    for (const TReportRecord& report : dm.ReadReports())
        entries.push_back(ListEntryOf(report, locale));
    std::stable_sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
        return CompareReportNames(a.Name, b.Name) < 0;
    });
    return entries;
}

std::string CopyReport(TDM1& dm, std::string_view name) {
    if (!dm.FindReport(name)) return {};
    const TReportRecord source = dm.CurrentReport();
    return dm.InsertReportUnderFreeName(source, [&](int attempt) {
        return attempt == 1 ? "Copy of " + source.Name
                            : "Copy (" + std::to_string(attempt) + ") of " + source.Name;
    });
}

TReportSelection::TReportSelection(TDM1& dm, TSettingsFile& settings, const TLocaleInfo& locale)
    : dm_(dm), settings_(settings), locale_(locale) {}

void TReportSelection::Open() {
    FillReportList();
    Select(settings_.ReadInteger(kReportsSection, kLastKey, -1));
}

void TReportSelection::FillReportList() {
    entries_ = vestrel::FillReportList(dm_, locale_);
    selected_ = -1;
}

void TReportSelection::Select(int index) {
    selected_ = index >= 0 && static_cast<size_t>(index) < entries_.size() ? index : -1;
}

bool TReportSelection::FindSelected() {
    return selected_ >= 0 && dm_.FindReport(entries_[selected_].Name);
}

std::string TReportSelection::DeleteQuestion() const {
    if (selected_ < 0) return {};
    return "Delete report \"" + entries_[selected_].Name + "\"?";
}

void TReportSelection::DeleteSelected() {
    if (selected_ < 0) return;
    if (dm_.FindReport(entries_[selected_].Name)) {
        dm_.DeleteReport();
        entries_.erase(entries_.begin() + selected_);
    }
    selected_ = -1;
}

// The copy is looked for from the first entry on, so that it is selected wherever it sorts.
void TReportSelection::CopySelected() {
    if (selected_ < 0) return;
    const std::string copy = CopyReport(dm_, entries_[selected_].Name);
    if (copy.empty()) return;
    FillReportList();
    const auto found = std::find_if(entries_.begin(), entries_.end(),
                                    [&](const TReportListEntry& e) { return e.Name == copy; });
    if (found != entries_.end()) selected_ = static_cast<int>(found - entries_.begin());
}

TLogFileDataParam TReportSelection::Confirm() {
    if (selected_ < 0) throw EVestrelError("No report is selected");
    if (!dm_.FindReport(entries_[selected_].Name)) throw EVestrelError("Can not find report");
    TLogFileDataParam files;
    std::vector<std::string> skipped;
    FillLogFileData(SplitTextLines(dm_.CurrentReport().LogFiles), files, &skipped);
    if (!skipped.empty()) throw EVestrelError(skipped.front());
    settings_.WriteInteger(kReportsSection, kLastKey, selected_);
    return files;
}

}  // namespace vestrel
