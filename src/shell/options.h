// The program's options: the values of the settings file and the five reference lists the options
// dialog edits ("TopDomain.txt" is not edited), as plain models the dialog shows and changes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/log_time.h"
#include "reports/log_data_reports.h"
#include "shell/settings_file.h"

namespace vestrel {

// Sections and keys of the settings file.
inline constexpr std::string_view kLogSection = "Log";
inline constexpr std::string_view kReportsSection = "Reports";
inline constexpr std::string_view kColWidthsSection = "ColWidths";
inline constexpr std::string_view kStopBuildTreeKey = "StopBuildTree";                // Log
inline constexpr std::string_view kLastDaysToShowKey = "LastDaysToShow";              // Reports
inline constexpr std::string_view kExcludeSearshFromRefKey = "ExcludeSearshFromRef";  // Reports
inline constexpr std::string_view kTimeZoneKey = "TimeZone";                          // Reports
inline constexpr std::string_view kLastKey = "Last";                                  // Reports
inline constexpr std::string_view kExcludeRobotsKey = "ExcludeRobots";                // Reports
// ColWidths holds "LogData0" to "LogData9".
std::string LogDataWidthKey(size_t column);

inline constexpr int32_t kDefaultStopBuildTree = 5000;
// The options dialog shows 30 days when the key is missing; the main window uses 31.
inline constexpr int32_t kOptionsDefaultLastDays = 30;
inline constexpr int32_t kMainDefaultLastDays = 31;

// The values of the "General" and "Time" pages.
struct TOptions {
    int32_t StopBuildTree = kDefaultStopBuildTree;
    int32_t LastDaysToShow = kOptionsDefaultLastDays;
    bool ExcludeSearshFromRef = true;
    int32_t TimeZone = kTimeZoneFromFiles;  // 0 logged times, -100 each line's zone, else hours
    bool ExcludeRobots = false;             // robot hits are left out while loading
};

TOptions LoadOptions(const TSettingsFile& settings);
void SaveOptions(TSettingsFile& settings, const TOptions& options);

// The "Time zone" group: which of its three choices is selected, and the offset field.
enum class TTimeZoneMode { TimeFromFiles, ZoneOffsetFromFiles, SpecifiedOffset };
inline constexpr int kMinOffsetHours = -12;
inline constexpr int kMaxOffsetHours = 12;
struct TTimeZoneChoice {
    TTimeZoneMode Mode = TTimeZoneMode::ZoneOffsetFromFiles;
    int OffsetHours = 0;  // shown in the offset field, -12 to 12
};
// A stored offset outside -12 to 12 is shown at the nearer limit.
TTimeZoneChoice TimeZoneChoiceOf(int32_t timeZone);
// The offset 0 stores 0, which reads back as "Use time from files".
int32_t TimeZoneOf(const TTimeZoneChoice& choice);

// A number field's value on leaving it: every character but the digits, "+", "-", "E", "e" and
// the decimal separator is dropped, an empty text counts as "0", and the number is rounded to a
// whole one. Raises EVestrelError "'text' is no valid numeric input." (the text as kept) when it
// is no number or lies outside 32 bits.
int32_t NumberFieldValue(std::string_view text, char decimalSeparator);
// The offset field's value on leaving it: a whole number taken to -12 to 12; any other text -12.
int OffsetFieldValue(std::string_view text);

// The settings the main window keeps copies of.
struct TMainSettings {
    int32_t StopBuildTree = kDefaultStopBuildTree;
    int32_t LastDaysToShow = kMainDefaultLastDays;
    bool ExcludeSearshFromRef = true;
    int32_t TimeZone = kTimeZoneFromFiles;
    TLogDataWidths LogDataWidths = kDefaultLogDataWidths;
    bool ExcludeRobots = false;
};
// A missing width keeps the one `settings` holds; the other values fall back to the defaults.
void ReadSettings(const TSettingsFile& file, TMainSettings& settings);
void WriteLogDataColumnWidths(TSettingsFile& file, const TLogDataWidths& widths);

// Where an edited list came from. A list whose file could not be read is never written back; one
// whose file was missing is written only once it holds entries.
enum class TListState { Loaded, Missing, Failed };
struct TListSource {
    TListState State = TListState::Missing;
    std::string LoadError;  // the file error when Failed
};

// "GlobalExclude.txt" or "WebPageExts.txt": extensions sorted with the user locale's collation.
class TTextList {
  public:
    TListSource Source;

    const std::vector<std::string>& Items() const { return items_; }
    // Adds the trimmed text in its sorted place; false, and nothing changes, when it is empty or
    // the list holds it already in any letter case. A line break inside raises EVestrelError.
    bool Add(std::string_view text);
    void Remove(size_t index);  // std::out_of_range for an index past the end
    // The file's lines, sorted; empty lines never match and are left out.
    void Load(const std::vector<std::string>& lines);
    std::string FileText() const;  // one line each, CR LF after every line

  private:
    std::vector<std::string> items_;
};

struct TSearchEngineRow {
    std::string Name, URL, PhraseStart;
};
// A row of "UserAgents.txt" or "OperatingSystems.txt": the ID is the text looked for.
struct TAgentRow {
    std::string Name, ID;
};

// A table list whose rows stay sorted by Name with the user locale's collation (strcoll, case-
// sensitive); rows with the same Name keep their order. Add and Replace raise EVestrelError for
// a row that would not read back from its file line (a line break anywhere, a TAB in a Name or a
// phrase start); both return the row's new index.
template <class Row>
class TSortedTable {
  public:
    TListSource Source;

    const std::vector<Row>& Rows() const { return rows_; }
    size_t Add(Row row);
    size_t Replace(size_t index, Row row);  // std::out_of_range for an index past the end
    void Remove(size_t index);              // std::out_of_range for an index past the end
    void Load(std::vector<Row> rows);
    std::string FileText() const;  // one line each, fields TAB-separated, CR LF after every line

  private:
    std::vector<Row> rows_;
};

// The search-engine editor's check on closing: trims the three texts and gives the index of the
// first empty one (0 Name, 1 URL, 2 phrase start), or -1 when all are present.
inline constexpr std::array<std::string_view, 3> kSearchEngineLabels = {"Name", "URL",
                                                                        "Phrase start with"};
int TrimSearchEngine(TSearchEngineRow& row);
std::string MissingFieldText(std::string_view label);  // "\"Name\" is missing"

struct TOptionLists {
    TTextList GlobalExclude, WebPageExts;
    TSortedTable<TSearchEngineRow> SearchEngines;
    TSortedTable<TAgentRow> UserAgents, OperatingSystems;
};

// Reads the five lists of the data folder (which ends with "/"). Never raises: each list tells in
// its Source whether it was read, missing or unreadable.
TOptionLists LoadOptionLists(const std::string& dataFolder);
// Writes the lists back, each replacing its file's content, in the order GlobalExclude,
// WebPageExts, SearchEngines, UserAgents, OperatingSystems. Raises EVestrelError at the first file
// that cannot be written; the lists after it are not written.
void SaveOptionLists(const std::string& dataFolder, const TOptionLists& lists);

}  // namespace vestrel
