// The report-definition store: "Reports.DAT" with one row per report and "Filters.DAT" with the
// log filters of every report, linked to their report by its ID. Both are SQLite database files in
// the data folder, opened on one connection; every change is one transaction over both files.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "engine/log_filter.h"

struct sqlite3;

namespace vestrel {

inline constexpr const char* kReportsFileName = "Reports.DAT";
inline constexpr const char* kFiltersFileName = "Filters.DAT";
inline constexpr size_t kReportNameSize = 30;

// One row of Reports.DAT. Dates are day counts; memos are CR LF separated lines.
struct TReportRecord {
    std::string Name;
    std::string Domain;
    std::string SiteTree;
    std::string LogFiles;
    std::string Targets;
    double FromDate = 0;
    double ToDate = 0;
    int32_t DateSelection = 0;  // 0 all, 1 FromDate..ToDate, 2 LastHoures, 3 LastDays
    int32_t LastHoures = 0;
    std::string FTPSite;
    std::string FTPUserName;
    std::string FTPPassword;
    std::string FTPFiles;
    std::string TelnetCommands;
    std::string FTPDownload;
    std::string WEBFiles;
    std::string WEBUsername;
    std::string WEBPassword;
    std::string TelnetOptions;
    std::string WEBDownload;
    int32_t LastDays = 0;
    int32_t ID = 0;  // given by the store's counter when the row is inserted
    std::string DefaultPage;
};

// One row of Filters.DAT: the criteria and the row's own fields. The report link (ID) is the
// report the row is read for; TimeFrom and TimeTo are columns nothing reads or writes.
struct TFilterRow : TFilterData {
    int32_t FilterID = 0;  // given by the store's counter when the row is inserted
    bool Enabled = true;
};

// A report with its filters in FilterID order.
struct TReportDefinition {
    TReportRecord Report;
    std::vector<TFilterRow> Filters;
};

// How a field is stored. Text is cut to its size when stored; Date keeps whole days only.
enum class TFieldType { Text, Memo, Date, Time, Integer, Boolean, AutoIncrement };

// A field's value on its way between a record and a table row or a JSON document.
using TFieldValue = std::variant<int64_t, double, std::string>;

// One column of a table, in table order, with the record member it travels to.
template <typename Record>
struct TFieldDef {
    const char* Name;
    TFieldType Type;
    int Size;                           // longest text of a Text field, in characters
    int64_t Min, Max;                   // what the record member of an Integer field can hold
    TFieldValue (*Get)(const Record&);  // null when the column has no member in the record
    void (*Set)(Record&, const TFieldValue&);
};

std::span<const TFieldDef<TReportRecord>> ReportFieldDefs();
std::span<const TFieldDef<TFilterRow>> FilterFieldDefs();

// The first `size` characters of UTF-8 text; a character is never split.
std::string CutText(std::string_view text, size_t size);
// The characters of UTF-8 text, as CutText counts them.
size_t CharacterCount(std::string_view text);

// The store of the report definitions (the data module of the desktop program): the report an
// operation works on is the current report, positioned by FindReport; the filter operations work
// on the current report's rows. Operations raise EVestrelError with the database's message.
class TDM1 {
  public:
    explicit TDM1(std::string dataFolder);
    ~TDM1();
    TDM1(const TDM1&) = delete;
    TDM1& operator=(const TDM1&) = delete;

    // Opens both files on one connection, first creating a missing file (mode 0600) with its
    // table. A file that cannot be read, is no database or holds other tables is left as it is
    // and raises "Error opening database" with the file's name and SQLite's message.
    void Open();
    void Close();
    bool IsOpen() const { return db_ != nullptr; }
    const std::string& DataFolder() const { return folder_; }
    // Deletes both files and opens anew: every report and filter is lost.
    void RecreateTables();

    // Every report in Name order.
    std::vector<TReportRecord> ReadReports() const;
    // Positions on the report of that name (cut to the Name size); false leaves the position.
    bool FindReport(std::string_view name);
    bool HasCurrentReport() const { return current_.has_value(); }
    TReportRecord CurrentReport() const;
    // Stores a new report (its ID is ignored) and makes it the current one.
    void InsertReport(const TReportRecord& report);
    // Stores a new report under the first name nameOf(1), nameOf(2)... (each cut to the Name
    // size) that no report has, chosen and taken in one transaction; makes it the current one.
    // Answers the name.
    std::string InsertReportUnderFreeName(TReportRecord report,
                                          const std::function<std::string(int)>& nameOf);
    // Stores every field of the current report but its ID.
    void PostReport(const TReportRecord& report);
    // Deletes the current report; its filter rows stay in Filters.DAT. No report is current then.
    void DeleteReport();

    // The current report's filter rows in FilterID order.
    std::vector<TFilterRow> ReportFilters() const;
    // Positions on the current report's filter row with that FilterID; false leaves the position.
    bool FindFilter(int32_t filterId);
    void ReadFilter(TFilterData& filter) const;
    // insert: a new, enabled row of the current report, which becomes the current filter row;
    // otherwise the current filter row's criteria (its Enabled stays). Answers the FilterID.
    int32_t WriteFilter(bool insert, const TFilterData& filter);
    void SetFilterEnabled(bool enabled);
    void DeleteFilter();

    TReportDefinition ReadDefinition() const;
    // Creates each definition, or replaces the report of its Name with all its filters, in one
    // transaction: on an error none of them is stored.
    void StoreDefinitions(const std::vector<TReportDefinition>& definitions);

  private:
    sqlite3* Connection() const;
    void OpenFiles();
    int32_t RequireReport() const;
    int32_t RequireFilter() const;

    std::string folder_;
    sqlite3* db_ = nullptr;
    std::optional<int32_t> current_;        // ID of the current report
    std::optional<int32_t> currentFilter_;  // FilterID of the current filter row
};

}  // namespace vestrel
