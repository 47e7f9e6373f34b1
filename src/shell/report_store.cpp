#include "shell/report_store.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <limits>
#include <memory>
#include <type_traits>
#include <utility>

#include "engine/date_time.h"
#include "engine/errors.h"

namespace vestrel {

// ---- Field tables ----

namespace {

template <typename T>
TFieldValue ToValue(const T& member) {
    if constexpr (std::is_same_v<T, std::string>)
        return member;
    else if constexpr (std::is_floating_point_v<T>)
        return member;
    else
        return static_cast<int64_t>(member);
}

// Integers are taken as the member's type takes them: a column value too large for an 8-bit
// member keeps its low bits, as such records always have.
template <typename T>
void FromValue(T& member, const TFieldValue& value) {
    if constexpr (std::is_same_v<T, std::string>)
        member = std::get<std::string>(value);
    else if constexpr (std::is_floating_point_v<T>)
        member = std::get<double>(value);
    else if constexpr (std::is_same_v<T, bool>)
        member = std::get<int64_t>(value) != 0;
    else
        member = static_cast<T>(std::get<int64_t>(value));
}

template <typename Record, auto Member>
TFieldDef<Record> Field(const char* name, TFieldType type, int size = 0) {
    using T = std::remove_cvref_t<decltype(std::declval<Record&>().*Member)>;
    int64_t min = 0, max = 0;
    if constexpr (std::is_integral_v<T>) {
        min = std::numeric_limits<T>::min();
        max = std::numeric_limits<T>::max();
    }
    return {name,
            type,
            size,
            min,
            max,
            [](const Record& record) { return ToValue(record.*Member); },
            [](Record& record, const TFieldValue& value) { FromValue(record.*Member, value); }};
}

// A column without a member in the record.
template <typename Record>
TFieldDef<Record> Unmapped(const char* name, TFieldType type) {
    return {name,
            type,
            0,
            std::numeric_limits<int32_t>::min(),
            std::numeric_limits<int32_t>::max(),
            nullptr,
            nullptr};
}

constexpr TFieldType kText = TFieldType::Text, kMemo = TFieldType::Memo, kDate = TFieldType::Date,
                     kTime = TFieldType::Time, kInteger = TFieldType::Integer,
                     kBoolean = TFieldType::Boolean, kAutoIncrement = TFieldType::AutoIncrement;

using R = TReportRecord;
const TFieldDef<R> kReportFields[] = {
    Field<R, &R::Name>("Name", kText, kReportNameSize),
    Field<R, &R::Domain>("Domain", kText, 64),
    Field<R, &R::SiteTree>("SiteTree", kMemo),
    Field<R, &R::LogFiles>("LogFiles", kMemo),
    Field<R, &R::Targets>("Targets", kMemo),
    Field<R, &R::FromDate>("FromDate", kDate),
    Field<R, &R::ToDate>("ToDate", kDate),
    Field<R, &R::DateSelection>("DateSelection", kInteger),
    Field<R, &R::LastHoures>("LastHoures", kInteger),
    Field<R, &R::FTPSite>("FTPSite", kText, 250),
    Field<R, &R::FTPUserName>("FTPUserName", kText, 32),
    Field<R, &R::FTPPassword>("FTPPassword", kText, 32),
    Field<R, &R::FTPFiles>("FTPFiles", kMemo),
    Field<R, &R::TelnetCommands>("TelnetCommands", kMemo),
    Field<R, &R::FTPDownload>("FTPDownload", kText, 250),
    Field<R, &R::WEBFiles>("WEBFiles", kMemo),
    Field<R, &R::WEBUsername>("WEBUsername", kText, 32),
    Field<R, &R::WEBPassword>("WEBPassword", kText, 32),
    Field<R, &R::TelnetOptions>("TelnetOptions", kText, 10),
    Field<R, &R::WEBDownload>("WEBDownload", kText, 250),
    Field<R, &R::LastDays>("LastDays", kInteger),
    Field<R, &R::ID>("ID", kAutoIncrement),
    Field<R, &R::DefaultPage>("DefaultPage", kText, 64),
};

using F = TFilterRow;
const TFieldDef<F> kFilterFields[] = {
    Unmapped<F>("ID", kInteger),  // the report's ID: the link, not part of the record
    {"IncludeFilter", kBoolean, 0, 0, 1,
     [](const F& row) { return TFieldValue(int64_t{!row.Exclude}); },
     [](F& row, const TFieldValue& value) { row.Exclude = std::get<int64_t>(value) == 0; }},
    Field<F, &F::TrackUser>("TrackUser", kBoolean),
    Field<F, &F::Filters>("Filters", kInteger),
    Field<F, &F::Domain>("Domain", kText, 32),
    Field<F, &F::UserName>("UserName", kText, 32),
    Field<F, &F::DateFrom>("DateFrom", kDate),
    Field<F, &F::DateTo>("DateTo", kDate),
    Field<F, &F::DayOfWeek>("DayOfWeek", kInteger),
    Field<F, &F::HourOfDay>("HourOfDay", kInteger),
    Field<F, &F::Request>("Request", kText, 64),
    Field<F, &F::StatusFrom>("StatusFrom", kInteger),
    Field<F, &F::StatusTo>("StatusTo", kInteger),
    Field<F, &F::OpSystem>("OpSystem", kText, 32),
    Field<F, &F::Browser>("Browser", kText, 32),
    Field<F, &F::RequestType>("RequestType", kInteger),
    Unmapped<F>("TimeFrom", kTime),
    Unmapped<F>("TimeTo", kTime),
    Field<F, &F::FilterID>("FilterID", kAutoIncrement),
    Field<F, &F::Enabled>("Enabled", kBoolean),
    Field<F, &F::Referrer>("Referrer", kText, 64),
    Field<F, &F::TrackBackwards>("TrackBackwards", kBoolean),
};

}  // namespace

std::span<const TFieldDef<TReportRecord>> ReportFieldDefs() {
    return kReportFields;
}

std::span<const TFieldDef<TFilterRow>> FilterFieldDefs() {
    return kFilterFields;
}

std::string CutText(std::string_view text, size_t size) {
    size_t characters = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const bool continuation = (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80;
        if (!continuation && characters++ == size) return std::string(text.substr(0, i));
    }
    return std::string(text);
}

size_t CharacterCount(std::string_view text) {
    size_t characters = 0;
    for (const char c : text)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++characters;
    return characters;
}

// ---- SQLite access ----

namespace {

class ESqliteError : public EVestrelError {
  public:
    explicit ESqliteError(sqlite3* db)
        : EVestrelError(std::string("Database error: ") + sqlite3_errmsg(db)),
          Code(sqlite3_extended_errcode(db)),
          Message(sqlite3_errmsg(db)) {}
    int Code;
    std::string Message;  // SQLite's own text
};

void Execute(sqlite3* db, const char* sql) {
    if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK) throw ESqliteError(db);
}

class TStatement {
  public:
    TStatement(sqlite3* db, const std::string& sql) : db_(db) {
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement_, nullptr) != SQLITE_OK)
            throw ESqliteError(db);
    }
    ~TStatement() { sqlite3_finalize(statement_); }
    TStatement(const TStatement&) = delete;
    TStatement& operator=(const TStatement&) = delete;

    void Bind(int index, int64_t value) { Check(sqlite3_bind_int64(statement_, index, value)); }
    void Bind(int index, double value) { Check(sqlite3_bind_double(statement_, index, value)); }
    void Bind(int index, std::string_view value) {
        Check(sqlite3_bind_text64(statement_, index, value.data(), value.size(), SQLITE_TRANSIENT,
                                  SQLITE_UTF8));
    }
    // True while it yields a row.
    bool Step() {
        const int result = sqlite3_step(statement_);
        if (result == SQLITE_ROW) return true;
        if (result == SQLITE_DONE) return false;
        throw ESqliteError(db_);
    }
    int64_t Integer(int column) { return sqlite3_column_int64(statement_, column); }
    double Real(int column) { return sqlite3_column_double(statement_, column); }
    std::string Text(int column) {
        const auto* text = sqlite3_column_text(statement_, column);
        return text == nullptr ? std::string()
                               : std::string(reinterpret_cast<const char*>(text),
                                             sqlite3_column_bytes(statement_, column));
    }

  private:
    void Check(int result) {
        if (result != SQLITE_OK) throw ESqliteError(db_);
    }

    sqlite3* db_;
    sqlite3_stmt* statement_ = nullptr;
};

// Rolls back unless committed, so an error leaves both files as they were. A writing transaction
// takes the write lock at once; a reading one sees both files as one moment left them.
class TTransaction {
  public:
    explicit TTransaction(sqlite3* db, const char* begin = "BEGIN IMMEDIATE") : db_(db) {
        Execute(db_, begin);
    }
    ~TTransaction() {
        if (!committed_) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    TTransaction(const TTransaction&) = delete;
    TTransaction& operator=(const TTransaction&) = delete;
    void Commit() {
        Execute(db_, "COMMIT");
        committed_ = true;
    }

  private:
    sqlite3* db_;
    bool committed_ = false;
};

// One statement with integer parameters, as a transaction of its own.
void Post(sqlite3* db, const std::string& sql, std::initializer_list<int64_t> parameters) {
    TTransaction transaction(db);
    TStatement statement(db, sql);
    int index = 1;
    for (const int64_t parameter : parameters) statement.Bind(index++, parameter);
    statement.Step();
    transaction.Commit();
}

// ---- Tables ----

template <typename Record>
struct TTableDef {
    const char* Schema;  // main, or the schema Filters.DAT is attached as
    const char* Table;
    std::span<const TFieldDef<Record>> Fields;
    const char* IndexName;
    const char* IndexColumns;
};

const TTableDef<TReportRecord> kReportsTable{"main", "Reports", kReportFields, "ReportsByName",
                                             "Name"};
const TTableDef<TFilterRow> kFiltersTable{"filterdb", "Filters", kFilterFields, "FiltersByReport",
                                          "ID, FilterID"};

template <typename Record>
std::string QualifiedName(const TTableDef<Record>& table) {
    return std::string(table.Schema) + "." + table.Table;
}

std::string ColumnType(TFieldType type, int size) {
    switch (type) {
        case TFieldType::Text:
            return "VARCHAR(" + std::to_string(size) + ")";
        case TFieldType::Memo:
            return "TEXT";
        case TFieldType::Date:
            return "DATE";  // day count since 1899-12-30
        case TFieldType::Time:
            return "TIME";  // fraction of a day
        case TFieldType::Integer:
            return "INTEGER";
        case TFieldType::Boolean:
            return "BOOLEAN";
        case TFieldType::AutoIncrement:
            return "INTEGER PRIMARY KEY AUTOINCREMENT";
    }
    return "";
}

// The first field of each table is its required one.
template <typename Record>
void CreateTable(sqlite3* db, const TTableDef<Record>& table) {
    std::string sql = "CREATE TABLE " + QualifiedName(table) + " (";
    for (const TFieldDef<Record>& field : table.Fields) {
        if (&field != table.Fields.data()) sql += ", ";
        sql += std::string(field.Name) + " " + ColumnType(field.Type, field.Size);
        if (&field == table.Fields.data()) sql += " NOT NULL";
    }
    sql += "); CREATE UNIQUE INDEX " + std::string(table.Schema) + "." + table.IndexName + " ON " +
           table.Table + " (" + table.IndexColumns + ");";
    Execute(db, sql.c_str());
}

template <typename Record>
std::vector<const TFieldDef<Record>*> Columns(const TTableDef<Record>& table, auto keep) {
    std::vector<const TFieldDef<Record>*> columns;
    for (const TFieldDef<Record>& field : table.Fields)
        if (keep(field)) columns.push_back(&field);
    return columns;
}

template <typename Record>
std::vector<const TFieldDef<Record>*> AllColumns(const TTableDef<Record>& table) {
    return Columns(table, [](const TFieldDef<Record>&) { return true; });
}

// The columns a record writes: its members but the counter.
template <typename Record>
std::vector<const TFieldDef<Record>*> WrittenColumns(const TTableDef<Record>& table) {
    return Columns(table, [](const TFieldDef<Record>& field) {
        return field.Get != nullptr && field.Type != TFieldType::AutoIncrement;
    });
}

// "a, b, c" with `suffix` after every name.
template <typename Record>
std::string NameList(const std::vector<const TFieldDef<Record>*>& columns, const char* suffix) {
    std::string list;
    for (const TFieldDef<Record>* field : columns)
        list += (list.empty() ? "" : ", ") + std::string(field->Name) + suffix;
    return list;
}

std::string Placeholders(size_t count) {
    std::string list;
    for (size_t i = 0; i < count; ++i) list += i == 0 ? "?" : ", ?";
    return list;
}

template <typename Record>
std::string SelectSql(const TTableDef<Record>& table, const std::string& tail) {
    return "SELECT " + NameList(AllColumns(table), "") + " FROM " + QualifiedName(table) + " " +
           tail;
}

template <typename Record>
void BindField(TStatement& statement, int index, const TFieldDef<Record>& field,
               const Record& record) {
    const TFieldValue value = field.Get(record);
    switch (field.Type) {
        case TFieldType::Text:
            statement.Bind(index, CutText(std::get<std::string>(value), field.Size));
            break;
        case TFieldType::Memo:
            statement.Bind(index, std::get<std::string>(value));
            break;
        case TFieldType::Date:
            statement.Bind(index, WholeDays(std::get<double>(value)));
            break;
        case TFieldType::Time:
            statement.Bind(index, std::get<double>(value));
            break;
        default:
            statement.Bind(index, std::get<int64_t>(value));
    }
}

// Binds the record's values of `columns` from parameter `first` on; answers the next parameter.
template <typename Record>
int BindColumns(TStatement& statement, int first,
                const std::vector<const TFieldDef<Record>*>& columns, const Record& record) {
    for (const TFieldDef<Record>* field : columns) BindField(statement, first++, *field, record);
    return first;
}

// The current row of a statement made by SelectSql.
template <typename Record>
Record ReadRow(TStatement& statement, const TTableDef<Record>& table) {
    Record record;
    int column = 0;
    for (const TFieldDef<Record>& field : table.Fields) {
        const int at = column++;
        if (field.Set == nullptr) continue;
        switch (field.Type) {
            case TFieldType::Text:
            case TFieldType::Memo:
                field.Set(record, statement.Text(at));
                break;
            case TFieldType::Date:
            case TFieldType::Time:
                field.Set(record, statement.Real(at));
                break;
            default:
                field.Set(record, statement.Integer(at));
        }
    }
    return record;
}

template <typename Record>
std::vector<Record> ReadRows(TStatement& statement, const TTableDef<Record>& table) {
    std::vector<Record> rows;
    while (statement.Step()) rows.push_back(ReadRow(statement, table));
    return rows;
}

// ---- Opening ----

[[noreturn]] void FailOpening(const std::string& path, const std::string& message) {
    throw EVestrelError("Error opening database \"" + path + "\": " + message);
}

// Creates an empty file readable by its owner only, whatever the umask; SQLite gives its journals
// the same mode. An existing file, whatever it is, is left to SQLite to judge.
void CreateMissingFile(const std::string& path) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        if (errno == EEXIST) return;
        FailOpening(path, std::strerror(errno));
    }
    const bool restricted = fchmod(fd, 0600) == 0;
    const int error = errno;
    close(fd);
    if (!restricted) FailOpening(path, std::strerror(error));
}

// True when the file holds no table yet. Reading the schema is also what makes SQLite look at
// the file: a file that is no database fails here, before anything is written to it.
template <typename Record>
bool IsEmptyDatabase(sqlite3* db, const TTableDef<Record>& table) {
    TStatement count(db, std::string("SELECT count(*) FROM ") + table.Schema + ".sqlite_master");
    count.Step();
    return count.Integer(0) == 0;
}

template <typename Record>
bool HasTableLayout(sqlite3* db, const TTableDef<Record>& table) {
    TStatement info(db, std::string("PRAGMA ") + table.Schema + ".table_info(" + table.Table + ")");
    size_t column = 0;
    while (info.Step()) {
        if (column >= table.Fields.size() || info.Text(1) != table.Fields[column].Name)
            return false;
        ++column;
    }
    return column == table.Fields.size();
}

// Answers whether the table has to be created.
template <typename Record>
bool CheckFile(sqlite3* db, const TTableDef<Record>& table, const std::string& path) {
    try {
        if (IsEmptyDatabase(db, table)) return true;
        if (!HasTableLayout(db, table))
            FailOpening(path, std::string("the file holds no table \"") + table.Table +
                                  "\" with the fields of the report store");
        return false;
    } catch (const ESqliteError& error) {
        FailOpening(path, error.Message);
    }
}

// Rollback journals with a full sync: unlike WAL, they make a transaction over both files
// atomic (SQLite ties them by a super-journal).
void SetDurability(sqlite3* db) {
    Execute(db,
            "PRAGMA main.journal_mode = DELETE; PRAGMA main.synchronous = FULL;"
            "PRAGMA filterdb.journal_mode = DELETE; PRAGMA filterdb.synchronous = FULL;");
}

// Creates the missing tables under the write lock, looking again once it is held: a run that
// opened the fresh files at the same time may have created them meanwhile. A Reports table made
// anew beside old filter rows counts on from their highest ID, so that a new report never takes
// over the filters of a lost one. Errors name the file they concern.
void CreateMissingTables(sqlite3* db, const std::string& reports, const std::string& filters) {
    const char* failing = reports.c_str();
    try {
        TTransaction transaction(db);
        failing = filters.c_str();
        if (IsEmptyDatabase(db, kFiltersTable)) CreateTable(db, kFiltersTable);
        failing = reports.c_str();
        if (IsEmptyDatabase(db, kReportsTable)) {
            CreateTable(db, kReportsTable);
            Execute(db,
                    "INSERT INTO main.sqlite_sequence (name, seq) SELECT 'Reports', max(ID) "
                    "FROM filterdb.Filters HAVING max(ID) IS NOT NULL");
        }
        transaction.Commit();
    } catch (const ESqliteError& error) {
        FailOpening(failing, error.Message);
    }
}

// Writers queue for the write lock: rather than failing after a fixed time, a waiting run tries
// again every few milliseconds (with a random part, so that no waiter is always the late one)
// for as long as a long queue of ordinary writers can take.
constexpr int kBusyWaitLimitMs = 180000;

int WaitWhileBusy(void*, int attempt) {
    const int64_t waited = int64_t{attempt} * 6;  // the mean of the pauses below
    if (waited >= kBusyWaitLimitMs) return 0;
    unsigned char jitter = 0;
    sqlite3_randomness(1, &jitter);
    sqlite3_sleep(2 + jitter % 9);
    return 1;
}

// A super-journal ties one transaction's journals of both files together. One left behind by a
// run that was killed is stale once the write lock of both files is held, as taking it rolls back
// every journal that could still name it; a store that cannot be written keeps them.
void RemoveStaleSuperJournals(sqlite3* db, const std::string& folder) {
    const std::string prefix = std::string(kReportsFileName) + "-mj";
    auto superJournals = [&] {
        std::vector<std::string> names;
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(folder, error))
            if (entry.path().filename().string().starts_with(prefix))
                names.push_back(entry.path().string());
        return names;
    };
    if (superJournals().empty()) return;
    try {
        TTransaction transaction(db);
        for (const std::string& name : superJournals()) ::unlink(name.c_str());
        transaction.Commit();
    } catch (const ESqliteError&) {
    }
}

void RemoveFile(const std::string& path) {
    if (unlink(path.c_str()) != 0 && errno != ENOENT)
        throw EVestrelError("Cannot delete file \"" + path + "\". " + std::strerror(errno));
}

// ---- Rows ----

void RequireName(const TReportRecord& report) {
    if (report.Name.empty()) throw EVestrelError("Report Name is missing");
}

// Runs a statement that stores a report row, naming the report when its Name is taken.
void StoreReportRow(TStatement& statement, const TReportRecord& report) {
    try {
        statement.Step();
    } catch (const ESqliteError& error) {
        if (error.Code != SQLITE_CONSTRAINT_UNIQUE) throw;
        throw EVestrelError("A report named \"" + CutText(report.Name, kReportNameSize) +
                            "\" already exists");
    }
}

int32_t InsertReportRow(sqlite3* db, const TReportRecord& report) {
    RequireName(report);
    const auto columns = WrittenColumns(kReportsTable);
    TStatement insert(db, "INSERT INTO " + QualifiedName(kReportsTable) + " (" +
                              NameList(columns, "") + ") VALUES (" + Placeholders(columns.size()) +
                              ")");
    BindColumns(insert, 1, columns, report);
    StoreReportRow(insert, report);
    return static_cast<int32_t>(sqlite3_last_insert_rowid(db));
}

// False when there is no row with that ID.
bool UpdateReportRow(sqlite3* db, int32_t id, const TReportRecord& report) {
    RequireName(report);
    const auto columns = WrittenColumns(kReportsTable);
    TStatement update(db, "UPDATE " + QualifiedName(kReportsTable) + " SET " +
                              NameList(columns, " = ?") + " WHERE ID = ?");
    update.Bind(BindColumns(update, 1, columns, report), int64_t{id});
    StoreReportRow(update, report);
    return sqlite3_changes(db) > 0;
}

std::optional<int32_t> ReportIdOf(sqlite3* db, std::string_view name) {
    TStatement find(db, "SELECT ID FROM " + QualifiedName(kReportsTable) + " WHERE Name = ?");
    find.Bind(1, CutText(name, kReportNameSize));
    if (!find.Step()) return std::nullopt;
    return static_cast<int32_t>(find.Integer(0));
}

int32_t InsertFilterRow(sqlite3* db, int32_t reportId, const TFilterRow& row) {
    const auto columns = WrittenColumns(kFiltersTable);
    TStatement insert(db, "INSERT INTO " + QualifiedName(kFiltersTable) + " (ID, " +
                              NameList(columns, "") + ") VALUES (" +
                              Placeholders(columns.size() + 1) + ")");
    insert.Bind(1, int64_t{reportId});
    BindColumns(insert, 2, columns, row);
    insert.Step();
    return static_cast<int32_t>(sqlite3_last_insert_rowid(db));
}

TFilterRow RowOf(const TFilterData& filter) {
    TFilterRow row;
    static_cast<TFilterData&>(row) = filter;
    return row;
}

}  // namespace

// ---- TDM1 ----

TDM1::TDM1(std::string dataFolder) : folder_(std::move(dataFolder)) {}

TDM1::~TDM1() {
    Close();
}

void TDM1::Open() {
    if (db_ != nullptr) return;
    const std::string reports = folder_ + kReportsFileName, filters = folder_ + kFiltersFileName;
    CreateMissingFile(reports);
    CreateMissingFile(filters);
    sqlite3* db = nullptr;
    const int opened = sqlite3_open_v2(reports.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    std::unique_ptr<sqlite3, int (*)(sqlite3*)> guard(db, &sqlite3_close_v2);
    if (opened != SQLITE_OK) FailOpening(reports, sqlite3_errmsg(db));
    sqlite3_extended_result_codes(db, 1);
    sqlite3_busy_handler(db, WaitWhileBusy, nullptr);
    const bool createReports = CheckFile(db, kReportsTable, reports);
    try {
        TStatement attach(db, "ATTACH DATABASE ? AS filterdb");
        attach.Bind(1, std::string_view(filters));
        attach.Step();
    } catch (const ESqliteError& error) {
        FailOpening(filters, error.Message);
    }
    const bool createFilters = CheckFile(db, kFiltersTable, filters);
    try {
        SetDurability(db);
    } catch (const ESqliteError& error) {
        FailOpening(reports, error.Message);
    }
    if (createReports || createFilters) CreateMissingTables(db, reports, filters);
    RemoveStaleSuperJournals(db, folder_.empty() ? "." : folder_);
    db_ = guard.release();
}

void TDM1::Close() {
    if (db_ != nullptr) sqlite3_close_v2(db_);
    db_ = nullptr;
    current_.reset();
    currentFilter_.reset();
}

// Filters.DAT goes first: were the program stopped in between, the old reports would keep their
// filters rather than new reports taking them over.
void TDM1::RecreateTables() {
    Close();
    for (const char* name : {kFiltersFileName, kReportsFileName})
        for (const char* suffix : {"-journal", "-wal", "-shm", ""})
            RemoveFile(folder_ + name + suffix);
    Open();
}

sqlite3* TDM1::Connection() const {
    if (db_ == nullptr) throw EVestrelError("The report database is not open");
    return db_;
}

int32_t TDM1::RequireReport() const {
    if (!current_) throw EVestrelError("No report is selected");
    return *current_;
}

int32_t TDM1::RequireFilter() const {
    RequireReport();
    if (!currentFilter_) throw EVestrelError("No filter is selected");
    return *currentFilter_;
}

std::vector<TReportRecord> TDM1::ReadReports() const {
    TStatement select(Connection(), SelectSql(kReportsTable, "ORDER BY Name"));
    return ReadRows(select, kReportsTable);
}

bool TDM1::FindReport(std::string_view name) {
    const std::optional<int32_t> id = ReportIdOf(Connection(), name);
    if (!id) return false;
    current_ = id;
    currentFilter_.reset();
    return true;
}

TReportRecord TDM1::CurrentReport() const {
    TStatement select(Connection(), SelectSql(kReportsTable, "WHERE ID = ?"));
    select.Bind(1, int64_t{RequireReport()});
    if (!select.Step()) throw EVestrelError("The report is no longer in the database");
    return ReadRow(select, kReportsTable);
}

void TDM1::InsertReport(const TReportRecord& report) {
    TTransaction transaction(Connection());
    const int32_t id = InsertReportRow(db_, report);
    transaction.Commit();
    current_ = id;
    currentFilter_.reset();
}

std::string TDM1::InsertReportUnderFreeName(TReportRecord report,
                                            const std::function<std::string(int)>& nameOf) {
    TTransaction transaction(Connection());
    for (int attempt = 1;; ++attempt) {
        report.Name = CutText(nameOf(attempt), kReportNameSize);
        if (!ReportIdOf(db_, report.Name)) break;
    }
    const int32_t id = InsertReportRow(db_, report);
    transaction.Commit();
    current_ = id;
    currentFilter_.reset();
    return report.Name;
}

void TDM1::PostReport(const TReportRecord& report) {
    const int32_t id = RequireReport();
    TTransaction transaction(Connection());
    if (!UpdateReportRow(db_, id, report))
        throw EVestrelError("The report is no longer in the database");
    transaction.Commit();
}

void TDM1::DeleteReport() {
    Post(Connection(), "DELETE FROM " + QualifiedName(kReportsTable) + " WHERE ID = ?",
         {RequireReport()});
    current_.reset();
    currentFilter_.reset();
}

std::vector<TFilterRow> TDM1::ReportFilters() const {
    TStatement select(Connection(), SelectSql(kFiltersTable, "WHERE ID = ? ORDER BY FilterID"));
    select.Bind(1, int64_t{RequireReport()});
    return ReadRows(select, kFiltersTable);
}

bool TDM1::FindFilter(int32_t filterId) {
    TStatement find(Connection(), "SELECT FilterID FROM " + QualifiedName(kFiltersTable) +
                                      " WHERE ID = ? AND FilterID = ?");
    find.Bind(1, int64_t{RequireReport()});
    find.Bind(2, int64_t{filterId});
    if (!find.Step()) return false;
    currentFilter_ = filterId;
    return true;
}

void TDM1::ReadFilter(TFilterData& filter) const {
    TStatement select(Connection(), SelectSql(kFiltersTable, "WHERE ID = ? AND FilterID = ?"));
    const int32_t filterId = RequireFilter();
    select.Bind(1, int64_t{*current_});
    select.Bind(2, int64_t{filterId});
    if (!select.Step()) throw EVestrelError("The filter is no longer in the database");
    filter = ReadRow(select, kFiltersTable);
}

int32_t TDM1::WriteFilter(bool insert, const TFilterData& filter) {
    const int32_t reportId = RequireReport();
    TTransaction transaction(Connection());
    if (insert) {
        const int32_t filterId = InsertFilterRow(db_, reportId, RowOf(filter));
        transaction.Commit();
        currentFilter_ = filterId;
        return filterId;
    }
    const int32_t filterId = RequireFilter();
    const auto criteria = Columns(kFiltersTable, [](const TFieldDef<TFilterRow>& field) {
        return field.Get != nullptr && field.Type != TFieldType::AutoIncrement &&
               std::strcmp(field.Name, "Enabled") != 0;
    });
    TStatement update(db_, "UPDATE " + QualifiedName(kFiltersTable) + " SET " +
                               NameList(criteria, " = ?") + " WHERE ID = ? AND FilterID = ?");
    const int next = BindColumns(update, 1, criteria, RowOf(filter));
    update.Bind(next, int64_t{reportId});
    update.Bind(next + 1, int64_t{filterId});
    update.Step();
    transaction.Commit();
    return filterId;
}

void TDM1::SetFilterEnabled(bool enabled) {
    const int32_t filterId = RequireFilter();
    Post(
        Connection(),
        "UPDATE " + QualifiedName(kFiltersTable) + " SET Enabled = ? WHERE ID = ? AND FilterID = ?",
        {enabled, *current_, filterId});
}

void TDM1::DeleteFilter() {
    const int32_t filterId = RequireFilter();
    Post(Connection(),
         "DELETE FROM " + QualifiedName(kFiltersTable) + " WHERE ID = ? AND FilterID = ?",
         {*current_, filterId});
    currentFilter_.reset();
}

TReportDefinition TDM1::ReadDefinition() const {
    TTransaction reading(Connection(), "BEGIN");
    TReportDefinition definition{CurrentReport(), ReportFilters()};
    reading.Commit();
    return definition;
}

void TDM1::StoreDefinitions(const std::vector<TReportDefinition>& definitions) {
    TTransaction transaction(Connection());
    for (const TReportDefinition& definition : definitions) {
        std::optional<int32_t> id = ReportIdOf(db_, definition.Report.Name);
        if (id) {
            UpdateReportRow(db_, *id, definition.Report);
            TStatement clear(db_, "DELETE FROM " + QualifiedName(kFiltersTable) + " WHERE ID = ?");
            clear.Bind(1, int64_t{*id});
            clear.Step();
        } else {
            id = InsertReportRow(db_, definition.Report);
        }
        for (const TFilterRow& row : definition.Filters) InsertFilterRow(db_, *id, row);
    }
    transaction.Commit();
    currentFilter_.reset();
}

}  // namespace vestrel
