#include "shell/options.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <utility>

#include "engine/errors.h"
#include "engine/reference_lists.h"
#include "engine/text_file.h"
#include "engine/text_util.h"

namespace vestrel {

namespace {

constexpr char kGlobalExcludeFile[] = "GlobalExclude.txt";
constexpr char kWebPageExtsFile[] = "WebPageExts.txt";
constexpr char kSearchEnginesFile[] = "SearchEngines.txt";
constexpr char kUserAgentsFile[] = "UserAgents.txt";
constexpr char kOperatingSystemsFile[] = "OperatingSystems.txt";
constexpr char kLineBreak[] = "\r\n";

TOptions ReadOptionValues(const TSettingsFile& file, int32_t lastDaysDefault) {
    TOptions options;
    options.StopBuildTree = file.ReadInteger(kLogSection, kStopBuildTreeKey, kDefaultStopBuildTree);
    options.LastDaysToShow = file.ReadInteger(kReportsSection, kLastDaysToShowKey, lastDaysDefault);
    options.ExcludeSearshFromRef = file.ReadBool(kReportsSection, kExcludeSearshFromRefKey, true);
    options.TimeZone = file.ReadInteger(kReportsSection, kTimeZoneKey, kTimeZoneFromFiles);
    options.ExcludeRobots = file.ReadBool(kReportsSection, kExcludeRobotsKey, false);
    return options;
}

bool HasLineBreak(std::string_view text) {
    return text.find_first_of("\r\n") != std::string_view::npos;
}

bool CollatesBefore(const std::string& a, const std::string& b) {
    return std::strcoll(a.c_str(), b.c_str()) < 0;
}

void CheckIndex(size_t index, size_t size) {
    if (index >= size) throw std::out_of_range("list index " + std::to_string(index));
}

// A text that would split differently when its line is read back.
void RequireOneField(std::string_view text, std::string_view label, bool tabAllowed) {
    if (HasLineBreak(text) || (!tabAllowed && text.find('\t') != std::string_view::npos))
        throw EVestrelError("\"" + std::string(label) + "\" must not hold " +
                            (tabAllowed ? "a line break." : "a tab or a line break."));
}

// The URL lies between the first and the last TAB and the ID after the first, so they may hold
// TABs themselves.
void CheckStorable(const TSearchEngineRow& row) {
    RequireOneField(row.Name, kSearchEngineLabels[0], false);
    RequireOneField(row.URL, kSearchEngineLabels[1], true);
    RequireOneField(row.PhraseStart, kSearchEngineLabels[2], false);
}

void CheckStorable(const TAgentRow& row) {
    RequireOneField(row.Name, "Name", false);
    RequireOneField(row.ID, "ID", true);
}

std::string FileLine(const TSearchEngineRow& row) {
    return row.Name + '\t' + row.URL + '\t' + row.PhraseStart;
}

std::string FileLine(const TAgentRow& row) {
    return row.Name + '\t' + row.ID;
}

bool IsMissing(const std::string& path) {
    return ::access(path.c_str(), F_OK) != 0 && (errno == ENOENT || errno == ENOTDIR);
}

// Runs `read` unless the file is missing; the error of a failed read stays with the list.
template <class Read>
TListSource ReadListFile(const std::string& path, Read read) {
    if (IsMissing(path)) return {TListState::Missing, ""};
    try {
        read();
    } catch (const EVestrelError& error) {
        return {TListState::Failed, error.what()};
    }
    return {TListState::Loaded, ""};
}

std::vector<TSearchEngineRow> SearchEngineRows(const std::vector<TSearchEngine>& engines) {
    std::vector<TSearchEngineRow> rows;
    for (const TSearchEngine& engine : engines)
        rows.push_back({engine.Name, engine.URL, engine.PhraseStart});
    return rows;
}

// The rows the file added after the analyser's fixed ones.
std::vector<TAgentRow> AgentRows(const std::vector<TOperatingSystem>& loaded, size_t fixedRows) {
    std::vector<TAgentRow> rows;
    for (size_t i = fixedRows; i < loaded.size(); ++i)
        rows.push_back({loaded[i].Name, loaded[i].Match});
    return rows;
}

// Every entry ends with a line break, so an empty text is an empty list.
void WriteList(const std::string& path, const TListSource& source, const std::string& text) {
    if (source.State == TListState::Failed) return;
    if (source.State == TListState::Missing && text.empty()) return;
    ReplaceFileContent(path, text);
}

}  // namespace

std::string LogDataWidthKey(size_t column) {
    return "LogData" + std::to_string(column);
}

TOptions LoadOptions(const TSettingsFile& settings) {
    return ReadOptionValues(settings, kOptionsDefaultLastDays);
}

void SaveOptions(TSettingsFile& settings, const TOptions& options) {
    settings.WriteInteger(kLogSection, kStopBuildTreeKey, options.StopBuildTree);
    settings.WriteInteger(kReportsSection, kLastDaysToShowKey, options.LastDaysToShow);
    settings.WriteBool(kReportsSection, kExcludeSearshFromRefKey, options.ExcludeSearshFromRef);
    settings.WriteInteger(kReportsSection, kTimeZoneKey, options.TimeZone);
    settings.WriteBool(kReportsSection, kExcludeRobotsKey, options.ExcludeRobots);
}

TTimeZoneChoice TimeZoneChoiceOf(int32_t timeZone) {
    if (timeZone == 0) return {TTimeZoneMode::TimeFromFiles, 0};
    if (timeZone == kTimeZoneFromFiles) return {TTimeZoneMode::ZoneOffsetFromFiles, 0};
    return {TTimeZoneMode::SpecifiedOffset, std::clamp(timeZone, kMinOffsetHours, kMaxOffsetHours)};
}

int32_t TimeZoneOf(const TTimeZoneChoice& choice) {
    switch (choice.Mode) {
        case TTimeZoneMode::TimeFromFiles:
            return 0;
        case TTimeZoneMode::ZoneOffsetFromFiles:
            return kTimeZoneFromFiles;
        case TTimeZoneMode::SpecifiedOffset:
            break;
    }
    return std::clamp(choice.OffsetHours, kMinOffsetHours, kMaxOffsetHours);
}

int32_t NumberFieldValue(std::string_view text, char decimalSeparator) {
    std::string kept;
    for (char c : text)
        if ((c >= '0' && c <= '9') || c == '+' || c == '-' || c == 'E' || c == 'e' ||
            c == decimalSeparator)
            kept += c;
    if (kept.empty()) kept = "0";
    std::string number = kept;
    std::replace(number.begin(), number.end(), decimalSeparator, '.');
    // from_chars takes no "+", so one is dropped unless another sign follows it.
    if (number.size() > 1 && number[0] == '+' && number[1] != '-' && number[1] != '+')
        number.erase(0, 1);
    double value = 0;
    const char* end = number.data() + number.size();
    const auto [stop, error] = std::from_chars(number.data(), end, value);
    const double rounded = std::round(value);
    if (error != std::errc() || stop != end || !(rounded >= std::numeric_limits<int32_t>::min()) ||
        !(rounded <= std::numeric_limits<int32_t>::max()))
        throw EVestrelError("'" + kept + "' is no valid numeric input.");
    return static_cast<int32_t>(rounded);
}

int OffsetFieldValue(std::string_view text) {
    text = Trim(text);
    if (text.size() > 1 && text[0] == '+' && text[1] >= '0' && text[1] <= '9')
        text.remove_prefix(1);
    long long value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || stop != end) return kMinOffsetHours;  // also no digits at all
    if (error == std::errc::result_out_of_range)
        return text.front() == '-' ? kMinOffsetHours : kMaxOffsetHours;
    return static_cast<int>(std::clamp<long long>(value, kMinOffsetHours, kMaxOffsetHours));
}

void ReadSettings(const TSettingsFile& file, TMainSettings& settings) {
    const TOptions options = ReadOptionValues(file, kMainDefaultLastDays);
    settings.StopBuildTree = options.StopBuildTree;
    settings.LastDaysToShow = options.LastDaysToShow;
    settings.ExcludeSearshFromRef = options.ExcludeSearshFromRef;
    settings.TimeZone = options.TimeZone;
    settings.ExcludeRobots = options.ExcludeRobots;
    for (size_t column = 0; column < kLogDataColumns; ++column)
        settings.LogDataWidths[column] = file.ReadInteger(
            kColWidthsSection, LogDataWidthKey(column), settings.LogDataWidths[column]);
}

void WriteLogDataColumnWidths(TSettingsFile& file, const TLogDataWidths& widths) {
    for (size_t column = 0; column < kLogDataColumns; ++column)
        file.WriteInteger(kColWidthsSection, LogDataWidthKey(column), widths[column]);
}

bool TTextList::Add(std::string_view text) {
    const std::string entry(Trim(text));
    if (entry.empty()) return false;
    if (HasLineBreak(entry)) throw EVestrelError("An entry must not hold a line break.");
    const std::string lower = LowerAscii(entry);
    for (const std::string& item : items_)
        if (LowerAscii(item) == lower) return false;
    items_.insert(std::upper_bound(items_.begin(), items_.end(), entry, CollatesBefore), entry);
    return true;
}

void TTextList::Remove(size_t index) {
    CheckIndex(index, items_.size());
    items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(index));
}

void TTextList::Load(const std::vector<std::string>& lines) {
    items_.clear();
    for (const std::string& line : lines)
        if (!line.empty()) items_.push_back(line);
    std::stable_sort(items_.begin(), items_.end(), CollatesBefore);
}

std::string TTextList::FileText() const {
    std::string text;
    for (const std::string& item : items_) text += item + kLineBreak;
    return text;
}

template <class Row>
size_t TSortedTable<Row>::Add(Row row) {
    CheckStorable(row);
    const auto at =
        std::upper_bound(rows_.begin(), rows_.end(), row,
                         [](const Row& a, const Row& b) { return CollatesBefore(a.Name, b.Name); });
    const auto inserted = rows_.insert(at, std::move(row));
    return static_cast<size_t>(inserted - rows_.begin());
}

template <class Row>
size_t TSortedTable<Row>::Replace(size_t index, Row row) {
    CheckIndex(index, rows_.size());
    CheckStorable(row);
    rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(index));
    return Add(std::move(row));
}

template <class Row>
void TSortedTable<Row>::Remove(size_t index) {
    CheckIndex(index, rows_.size());
    rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(index));
}

template <class Row>
void TSortedTable<Row>::Load(std::vector<Row> rows) {
    rows_ = std::move(rows);
    std::stable_sort(rows_.begin(), rows_.end(),
                     [](const Row& a, const Row& b) { return CollatesBefore(a.Name, b.Name); });
}

template <class Row>
std::string TSortedTable<Row>::FileText() const {
    std::string text;
    for (const Row& row : rows_) text += FileLine(row) + kLineBreak;
    return text;
}

template class TSortedTable<TSearchEngineRow>;
template class TSortedTable<TAgentRow>;

int TrimSearchEngine(TSearchEngineRow& row) {
    std::string* const fields[] = {&row.Name, &row.URL, &row.PhraseStart};
    int missing = -1;
    for (int i = 0; i < 3; ++i) {
        *fields[i] = std::string(Trim(*fields[i]));
        if (missing < 0 && fields[i]->empty()) missing = i;
    }
    return missing;
}

std::string MissingFieldText(std::string_view label) {
    return "\"" + std::string(label) + "\" is missing";
}

TOptionLists LoadOptionLists(const std::string& dataFolder) {
    TOptionLists lists;
    const auto loadTextList = [&](const char* name, TTextList& list) {
        const std::string path = dataFolder + name;
        list.Source = ReadListFile(path, [&] { list.Load(ReadTextFileLines(path)); });
    };
    loadTextList(kGlobalExcludeFile, lists.GlobalExclude);
    loadTextList(kWebPageExtsFile, lists.WebPageExts);

    TReferenceLists loaded;
    const size_t fixedBrowsers = loaded.Browsers.size();
    const size_t fixedSystems = loaded.OperatingSystems.size();
    lists.SearchEngines.Source = ReadListFile(dataFolder + kSearchEnginesFile, [&] {
        loaded.LoadSearchEngines(dataFolder);
        lists.SearchEngines.Load(SearchEngineRows(loaded.SearchEngines));
    });
    lists.UserAgents.Source = ReadListFile(dataFolder + kUserAgentsFile, [&] {
        loaded.LoadUserAgents(dataFolder);
        lists.UserAgents.Load(AgentRows(loaded.Browsers, fixedBrowsers));
    });
    lists.OperatingSystems.Source = ReadListFile(dataFolder + kOperatingSystemsFile, [&] {
        loaded.LoadOperatingSystems(dataFolder);
        lists.OperatingSystems.Load(AgentRows(loaded.OperatingSystems, fixedSystems));
    });
    return lists;
}

void SaveOptionLists(const std::string& dataFolder, const TOptionLists& lists) {
    const auto save = [&](const char* name, const auto& list) {
        WriteList(dataFolder + name, list.Source, list.FileText());
    };
    save(kGlobalExcludeFile, lists.GlobalExclude);
    save(kWebPageExtsFile, lists.WebPageExts);
    save(kSearchEnginesFile, lists.SearchEngines);
    save(kUserAgentsFile, lists.UserAgents);
    save(kOperatingSystemsFile, lists.OperatingSystems);
}

}  // namespace vestrel
