#include "shell/report_settings.h"

#include <algorithm>
#include <charconv>
#include <utility>

#include "engine/errors.h"
#include "engine/text_file.h"
#include "engine/text_util.h"
#include "shell/main_model.h"

namespace vestrel {

const TSettingsPageInfo kSettingsPages[kSettingsPageCount] = {
    {"General", "ReportSettingsGeneral"},        {"Time period", "ReportSettingsTimePeriod"},
    {"Targets", "ReportSettingsTarget"},         {"Filters", "ReportSettingsFilter"},
    {"Local Files", "ReportSettingsLocalFiles"}, {"Telnet", "ReportSettingsTelnet"},
    {"FTP Files", "ReportSettingsFTPFiles"},     {"WEB Files", "ReportSettingsWEBFiles"}};

namespace {

constexpr char kLineBreak[] = "\r\n";
constexpr TDateTime kLastDayOf1899 = 1;  // 1899-12-31; stored dates up to it count as unset

struct TFilterLabel {
    int32_t Bit;
    const char* Label;
};
constexpr TFilterLabel kFilterLabels[] = {
    {fbDomain, "Domain, "},   {fbReferrer, "Referrer, "},       {fbUserName, "Username, "},
    {fbDate, "Date range, "}, {fbDayOfWeek, "Day of week, "},   {fbHourOfDay, "Hour of day, "},
    {fbRequest, "Request, "}, {fbStatus, "Status, "},           {fbOpSystem, "Op system, "},
    {fbBrowser, "Browser, "}, {fbRequestType, "Request type, "}};

bool HasLineBreak(std::string_view text) {
    return text.find_first_of(kLineBreak) != std::string_view::npos;
}

// The text fields cut to their sizes, as the store keeps them.
void CutTextFields(TReportRecord& report) {
    for (const TFieldDef<TReportRecord>& field : ReportFieldDefs())
        if (field.Type == TFieldType::Text)
            field.Set(report, CutText(std::get<std::string>(field.Get(report)), field.Size));
}

std::string& FolderField(TReportRecord& report, TDownloadKind kind) {
    return kind == TDownloadKind::Ftp ? report.FTPDownload : report.WEBDownload;
}

constexpr TDownloadKind kDownloadKinds[] = {TDownloadKind::Ftp, TDownloadKind::Web};

std::string TelnetOptionsText(bool active, bool autoClose) {
    return std::to_string((active ? kTelnetActiveBit : 0) + (autoClose ? kTelnetAutoCloseBit : 0));
}

// The first entry of a list whose fault() is not empty, as the problem of that entry.
template <typename Entry, typename Fault>
std::optional<TSettingsProblem> FirstFaultyEntry(const std::vector<Entry>& entries,
                                                 TSettingsPage page, TSettingsField field,
                                                 Fault fault) {
    for (size_t i = 0; i < entries.size(); ++i) {
        const std::string what = fault(entries[i]);
        if (what.empty()) continue;
        return TSettingsProblem{"\"" + std::string(kSettingsPages[page].Caption) + "\": entry " +
                                    std::to_string(i + 1) + " " + what,
                                page, field, static_cast<int>(i)};
    }
    return std::nullopt;
}

constexpr char kLineBreakFault[] = "must not hold a line break.";

// A line break would split the entry's memo line in two.
std::string LineBreakFault(std::string_view text) {
    return HasLineBreak(text) ? kLineBreakFault : "";
}

std::string TelnetFault(const TTelnetLine& line) {
    if (HasLineBreak(line.Prompt) || HasLineBreak(line.Command)) return kLineBreakFault;
    if (!IsStorablePrompt(line.Prompt))
        return "must not hold a comma between double quotes in its prompt.";
    return "";
}

}  // namespace

// ---- Line formats ----

std::vector<TCheckedLine> CheckedLinesOf(std::string_view memo) {
    std::vector<TCheckedLine> entries;
    for (const std::string& line : SplitTextLines(memo)) {
        TCheckedLine& entry = entries.emplace_back();
        entry.Checked = line.starts_with('1');
        if (!line.empty())
            entry.Caption = CutText(std::string_view(line).substr(1), kEntryCaptionSize);
    }
    return entries;
}

std::string CheckedLinesMemo(const std::vector<TCheckedLine>& lines) {
    std::string memo;
    for (const TCheckedLine& line : lines)
        memo += (line.Checked ? "1" : "0") + line.Caption + kLineBreak;
    return memo;
}

std::string MemoOf(const std::vector<std::string>& lines) {
    std::string memo;
    for (const std::string& line : lines) memo += line + kLineBreak;
    return memo;
}

std::string FilterCaption(int32_t filters) {
    std::string caption;
    for (const TFilterLabel& label : kFilterLabels)
        if (filters & label.Bit) caption += label.Label;
    if (caption.empty()) return "NOT ENABLED";
    caption.resize(caption.size() - 2);
    return caption;
}

int32_t PeriodFieldValue(std::string_view text) {
    std::string_view number = Trim(text);
    if (number.starts_with('+')) number.remove_prefix(1);
    int64_t value = 0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (end != number.data() + number.size() || error == std::errc::invalid_argument)
        return kPeriodMin;
    if (error == std::errc::result_out_of_range)
        return number.starts_with('-') ? kPeriodMin : kPeriodMax;
    return static_cast<int32_t>(std::clamp<int64_t>(value, kPeriodMin, kPeriodMax));
}

int ReportFieldSize(std::string_view field) {
    for (const TFieldDef<TReportRecord>& def : ReportFieldDefs())
        if (field == def.Name) return def.Size;
    throw EVestrelError("Reports.DAT has no field " + std::string(field));
}

std::string FtpLoginLine(const TReportRecord& report) {
    return report.FTPSite + " ; " + report.FTPUserName + " ; " + report.FTPPassword;
}

std::string WebLoginLine(const TReportRecord& report) {
    return "\"" + report.WEBUsername + "\",\"" + report.WEBPassword + "\"";
}

// ---- Opening ----

TReportSettingsModel::TReportSettingsModel(TDM1& dm, bool isNew, TDateTime today)
    : dm_(dm), isNew_(isNew) {
    ToDate = WholeDays(today);
    FromDate = ToDate - kInitialDaysBack;
    if (isNew_) {
        TelnetLines = {{"login:", ""}, {"Password:", ""}};
        return;
    }
    const TReportRecord report = dm_.CurrentReport();
    reportId_ = report.ID;
    LoadFromReport(report);
}

void TReportSettingsModel::LoadFromReport(const TReportRecord& report) {
    DomainName = report.Domain;
    DefaultPage = report.DefaultPage;
    ReportName = report.Name;
    held_ = report;
    LoadFolders();
    LocalFiles = CheckedLinesOf(report.LogFiles);
    FtpFiles = CheckedLinesOf(report.FTPFiles);
    WebFiles = CheckedLinesOf(report.WEBFiles);
    Targets = SplitTextLines(report.Targets);
    if (report.DateSelection >= 0 && report.DateSelection <= 3)
        DateChoice = static_cast<TDateChoice>(report.DateSelection);
    if (report.FromDate > kLastDayOf1899) FromDate = report.FromDate;
    if (report.ToDate > kLastDayOf1899) ToDate = report.ToDate;
    if (report.LastHoures > 0) LastHours = report.LastHoures;
    if (report.LastDays > 0) LastDays = report.LastDays;
    for (const std::string& line : SplitTextLines(report.TelnetCommands))
        if (std::optional<TTelnetLine> parsed = ParseTelnetLine(line))
            TelnetLines.push_back(*parsed);
    const int options = TelnetOptionsValue(report.TelnetOptions);
    TelnetActive = (options & kTelnetActiveBit) != 0;
    AutoClose = (options & kTelnetAutoCloseBit) != 0;
    FillFilterList();
}

// A blank stored folder shows the data folder, which is where the files would go.
void TReportSettingsModel::LoadFolders() {
    for (TDownloadKind kind : kDownloadKinds)
        folderTexts_[static_cast<int>(kind)] = ShownFolder(FolderField(held_, kind));
}

std::string TReportSettingsModel::ShownFolder(const std::string& stored) const {
    return Trim(stored).empty() ? dm_.DataFolder() : stored;
}

TReportRecord TReportSettingsModel::OwnReport() const {
    TReportRecord report = dm_.CurrentReport();
    if (report.ID != reportId_)
        throw EVestrelError("The report \"" + held_.Name + "\" is no longer the current report");
    return report;
}

// ---- Lists ----

void TReportSettingsModel::AddTarget(const std::string& answer) {
    if (!answer.empty()) Targets.push_back(answer);
}

void TReportSettingsModel::AddLocalFile(const std::string& path) {
    LocalFiles.push_back({path, true});
}

void TReportSettingsModel::AddLocalFolder(const std::string& folder) {
    AddLocalFile(folder + (folder.ends_with('/') ? "" : "/") + "*");
}

std::vector<TCheckedLine>& TReportSettingsModel::RemoteFiles(TDownloadKind kind) {
    return kind == TDownloadKind::Ftp ? FtpFiles : WebFiles;
}

size_t TReportSettingsModel::AddRemoteFile(TDownloadKind kind) {
    std::vector<TCheckedLine>& files = RemoteFiles(kind);
    files.push_back({kind == TDownloadKind::Ftp ? kNewFtpFileCaption : kNewWebFileCaption, true});
    return files.size() - 1;
}

size_t TReportSettingsModel::InsertTelnetLine(size_t index) {
    if (index >= TelnetLines.size()) return index;
    const TTelnetLine copy = TelnetLines[index];
    TelnetLines.insert(TelnetLines.begin() + static_cast<ptrdiff_t>(index), copy);
    return index + 1;
}

size_t TReportSettingsModel::MoveTelnetLineUp(size_t index) {
    if (index == 0 || index >= TelnetLines.size()) return index;
    std::swap(TelnetLines[index], TelnetLines[index - 1]);
    return index - 1;
}

size_t TReportSettingsModel::MoveTelnetLineDown(size_t index) {
    if (index + 1 >= TelnetLines.size()) return index;
    std::swap(TelnetLines[index], TelnetLines[index + 1]);
    return index + 1;
}

// ---- Filters ----

// The entries of the report's filter rows; a tick not yet stored stays as it was set.
void TReportSettingsModel::FillFilterList() {
    std::vector<TFilterEntry> entries;
    for (const TFilterRow& row : dm_.ReportFilters()) {
        TFilterEntry entry{FilterCaption(row.Filters), row.Enabled, row.FilterID, row};
        for (const TFilterEntry& listed : filters_)
            if (listed.FilterID == row.FilterID) entry.Checked = listed.Checked;
        entries.push_back(std::move(entry));
    }
    filters_ = std::move(entries);
}

bool TReportSettingsModel::PositionOnFilter(size_t index) {
    OwnReport();
    return dm_.FindFilter(filters_[index].FilterID);
}

void TReportSettingsModel::SetFilterChecked(size_t index, bool checked) {
    if (index < filters_.size()) filters_[index].Checked = checked;
}

void TReportSettingsModel::AddFilter(const TFilterData& filter) {
    if (isNew_) {
        filters_.push_back({FilterCaption(filter.Filters), true, 0, filter});
        return;
    }
    OwnReport();
    dm_.WriteFilter(true, filter);
    FillFilterList();
}

std::optional<TFilterData> TReportSettingsModel::FindFilter(size_t index) {
    if (index >= filters_.size()) return std::nullopt;
    if (isNew_) return filters_[index].Filter;
    if (!PositionOnFilter(index)) {
        FillFilterList();
        return std::nullopt;
    }
    TFilterData filter;
    dm_.ReadFilter(filter);
    return filter;
}

void TReportSettingsModel::ChangeFilter(size_t index, const TFilterData& filter) {
    if (index >= filters_.size()) return;
    if (isNew_) {
        filters_[index].Caption = FilterCaption(filter.Filters);
        filters_[index].Filter = filter;
        return;
    }
    if (PositionOnFilter(index)) dm_.WriteFilter(false, filter);
    FillFilterList();
}

void TReportSettingsModel::RemoveFilter(size_t index) {
    if (index >= filters_.size()) return;
    if (isNew_) {
        filters_.erase(filters_.begin() + static_cast<ptrdiff_t>(index));
        return;
    }
    if (PositionOnFilter(index)) dm_.DeleteFilter();
    FillFilterList();
}

// ---- Log-ins and folders ----

template <typename Change>
void TReportSettingsModel::ChangeHeldFields(Change change) {
    if (isNew_) {
        change(held_);
        CutTextFields(held_);
        return;
    }
    TReportRecord report = OwnReport();
    change(report);
    dm_.PostReport(report);
    held_ = OwnReport();
}

void TReportSettingsModel::SetFtpLogin(const std::string& site, const std::string& user,
                                       const std::string& password) {
    ChangeHeldFields([&](TReportRecord& report) {
        report.FTPSite = site;
        report.FTPUserName = user;
        report.FTPPassword = password;
    });
}

void TReportSettingsModel::SetWebLogin(const std::string& user, const std::string& password) {
    ChangeHeldFields([&](TReportRecord& report) {
        report.WEBUsername = user;
        report.WEBPassword = password;
    });
}

const std::string& TReportSettingsModel::FolderText(TDownloadKind kind) const {
    return folderTexts_[static_cast<int>(kind)];
}

void TReportSettingsModel::TypeFolderText(TDownloadKind kind, std::string text) {
    folderTexts_[static_cast<int>(kind)] = std::move(text);
}

void TReportSettingsModel::SetChosenFolder(TDownloadKind kind, const std::string& folder) {
    ChangeHeldFields([&](TReportRecord& report) { FolderField(report, kind) = folder; });
    folderTexts_[static_cast<int>(kind)] = FolderField(held_, kind);
}

// ---- OK ----

std::optional<TSettingsProblem> TReportSettingsModel::CheckFields() const {
    using F = TSettingsField;
    // Compared letter for letter: "WWW." passes.
    if (DomainName.empty())
        return TSettingsProblem{"Domain Name is missing", spGeneral, F::DomainName};
    if (ReportName.empty())
        return TSettingsProblem{"Report Name is missing", spGeneral, F::ReportName};
    if (DomainName.starts_with("www.") || DomainName.starts_with("ww."))
        return TSettingsProblem{"Invalid Domain Name", spGeneral, F::DomainName};
    const auto captionFault = [](const TCheckedLine& line) { return LineBreakFault(line.Caption); };
    if (auto problem = FirstFaultyEntry(Targets, spTargets, F::TargetList, LineBreakFault))
        return problem;
    if (auto problem = FirstFaultyEntry(LocalFiles, spLocalFiles, F::LocalFileList, captionFault))
        return problem;
    if (auto problem = FirstFaultyEntry(TelnetLines, spTelnet, F::TelnetList, TelnetFault))
        return problem;
    if (auto problem = FirstFaultyEntry(FtpFiles, spFtpFiles, F::FtpFileList, captionFault))
        return problem;
    return FirstFaultyEntry(WebFiles, spWebFiles, F::WebFileList, captionFault);
}

void TReportSettingsModel::WriteFields(TReportRecord& report) const {
    report.LogFiles = CheckedLinesMemo(LocalFiles);
    report.FTPFiles = CheckedLinesMemo(FtpFiles);
    report.WEBFiles = CheckedLinesMemo(WebFiles);
    report.Domain = DomainName;
    report.DefaultPage = DefaultPage;
    report.Name = ReportName;
    report.Targets = MemoOf(Targets);
    report.DateSelection = static_cast<int32_t>(DateChoice);
    report.FromDate = FromDate;
    report.ToDate = ToDate;
    report.LastHoures = std::clamp(LastHours, kPeriodMin, kPeriodMax);
    report.LastDays = std::clamp(LastDays, kPeriodMin, kPeriodMax);
    report.TelnetOptions = TelnetOptionsText(TelnetActive, AutoClose);
    std::vector<std::string> telnet;
    for (const TTelnetLine& line : TelnetLines) telnet.push_back(TelnetLineText(line));
    report.TelnetCommands = MemoOf(telnet);
    // A folder text is stored when it was typed over; as shown it stands for the stored folder.
    for (TDownloadKind kind : kDownloadKinds) {
        std::string& stored = FolderField(report, kind);
        if (FolderText(kind) != ShownFolder(stored)) stored = FolderText(kind);
    }
}

// The row goes first, so that a name another report has is refused before anything is stored;
// the held filters follow in one transaction, and the row is taken away again when they fail.
void TReportSettingsModel::StoreNewReport(const TReportRecord& report) {
    dm_.InsertReport(report);
    TReportDefinition definition{dm_.CurrentReport(), {}};
    for (const TFilterEntry& entry : filters_) {
        TFilterRow& row = definition.Filters.emplace_back();
        static_cast<TFilterData&>(row) = entry.Filter;
        row.Enabled = entry.Checked;
    }
    if (!definition.Filters.empty()) {
        try {
            dm_.StoreDefinitions({definition});
        } catch (const EVestrelError&) {
            dm_.DeleteReport();
            throw;
        }
    }
    isNew_ = false;
    reportId_ = definition.Report.ID;
}

// Ticks go to the rows by FilterID, so a row added or removed meanwhile takes no other's tick.
void TReportSettingsModel::StoreFilterTicks() {
    for (const TFilterRow& row : dm_.ReportFilters())
        for (const TFilterEntry& entry : filters_)
            if (entry.FilterID == row.FilterID && entry.Checked != row.Enabled &&
                dm_.FindFilter(row.FilterID))
                dm_.SetFilterEnabled(entry.Checked);
}

std::optional<TSettingsProblem> TReportSettingsModel::StoreToReport() {
    if (std::optional<TSettingsProblem> problem = CheckFields()) return problem;
    TReportRecord report = isNew_ ? held_ : OwnReport();
    WriteFields(report);
    if (isNew_) {
        StoreNewReport(report);
    } else {
        dm_.PostReport(report);
        StoreFilterTicks();
    }
    held_ = OwnReport();
    LoadFolders();
    FillFilterList();
    return std::nullopt;
}

}  // namespace vestrel
