#include "shell/report_store.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "engine/errors.h"

namespace fs = std::filesystem;
using namespace vestrel;

namespace {

class ReportStoreTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = testing::TempDir() + "vestrel-store-XXXXXX";
        folder_ = std::string(mkdtemp(pattern.data())) + "/";
    }
    void TearDown() override { fs::remove_all(folder_); }

    std::string Path(const char* name) const { return folder_ + name; }
    // The message Open raises, or "" when it opens.
    std::string OpenError() {
        TDM1 dm(folder_);
        try {
            dm.Open();
        } catch (const EVestrelError& error) {
            return error.what();
        }
        return "";
    }
    std::string OpenErrorText(const char* file, const std::string& sqliteText) const {
        return "Error opening database \"" + Path(file) + "\": " + sqliteText;
    }

    std::string folder_;
};

TReportRecord Report(const std::string& name) {
    TReportRecord report;
    report.Name = name;
    report.Domain = name + ".example";
    return report;
}

// The first column of every row of a query on one database file, one line each.
std::string Query(const std::string& file, const std::string& sql) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    std::string out;
    sqlite3_exec(
        db, sql.c_str(),
        [](void* text, int, char** values, char**) {
            *static_cast<std::string*>(text) += std::string(values[0] ? values[0] : "NULL") + "\n";
            return 0;
        },
        &out, nullptr);
    sqlite3_close(db);
    return out;
}

std::string ReadBytes(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

mode_t ModeOf(const std::string& file) {
    struct stat info {};
    stat(file.c_str(), &info);
    return info.st_mode & 0777;
}

// ---- Files ----

TEST_F(ReportStoreTest, FirstStartCreatesBothTablesInTheirFieldOrder) {
    TDM1 dm(folder_);
    dm.Open();
    EXPECT_EQ(Query(Path("Reports.DAT"), "SELECT name FROM pragma_table_info('Reports')"),
              "Name\nDomain\nSiteTree\nLogFiles\nTargets\nFromDate\nToDate\nDateSelection\n"
              "LastHoures\nFTPSite\nFTPUserName\nFTPPassword\nFTPFiles\nTelnetCommands\n"
              "FTPDownload\nWEBFiles\nWEBUsername\nWEBPassword\nTelnetOptions\nWEBDownload\n"
              "LastDays\nID\nDefaultPage\n");
    EXPECT_EQ(Query(Path("Filters.DAT"), "SELECT name FROM pragma_table_info('Filters')"),
              "ID\nIncludeFilter\nTrackUser\nFilters\nDomain\nUserName\nDateFrom\nDateTo\n"
              "DayOfWeek\nHourOfDay\nRequest\nStatusFrom\nStatusTo\nOpSystem\nBrowser\n"
              "RequestType\nTimeFrom\nTimeTo\nFilterID\nEnabled\nReferrer\nTrackBackwards\n");
    EXPECT_TRUE(dm.ReadReports().empty());
}

TEST_F(ReportStoreTest, FilesAndJournalsAreOwnerOnlyWhateverTheUmask) {
    const mode_t saved = umask(0);
    {
        TDM1 dm(folder_);
        dm.Open();
        dm.InsertReport(Report("Site"));
    }
    // A journal exists only inside a transaction: hold one open on a second connection.
    sqlite3* db = nullptr;
    sqlite3_open_v2(Path("Reports.DAT").c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_exec(db, "BEGIN; UPDATE Reports SET Domain = 'x'", nullptr, nullptr, nullptr);
    EXPECT_EQ(ModeOf(Path("Reports.DAT-journal")), 0600u);
    sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    umask(saved);
    EXPECT_EQ(ModeOf(Path("Reports.DAT")), 0600u);
    EXPECT_EQ(ModeOf(Path("Filters.DAT")), 0600u);
}

// A super-journal left behind by a killed run is removed when the store is next opened, once no
// journal can need it; the reports stay as they were.
TEST_F(ReportStoreTest, LeftoverSuperJournalsAreRemovedAtTheNextOpening) {
    {
        TDM1 dm(folder_);
        dm.Open();
        TReportRecord report;
        report.Name = "Kept";
        dm.InsertReport(report);
    }
    for (const char* name : {"Reports.DAT-mj1A2B3C4D5", "Reports.DAT-mj0F0F0F0F0"})
        std::ofstream(Path(name)) << "Reports.DAT-journal";
    TDM1 dm(folder_);
    dm.Open();
    EXPECT_FALSE(fs::exists(Path("Reports.DAT-mj1A2B3C4D5")));
    EXPECT_FALSE(fs::exists(Path("Reports.DAT-mj0F0F0F0F0")));
    EXPECT_TRUE(dm.FindReport("Kept"));
}

TEST_F(ReportStoreTest, MissingFileIsCreatedBesideTheOther) {
    {
        TDM1 dm(folder_);
        dm.Open();
        dm.InsertReport(Report("Old"));
        dm.WriteFilter(true, TFilterData{});
    }
    fs::remove(Path("Filters.DAT"));
    {
        TDM1 dm(folder_);
        dm.Open();
        ASSERT_TRUE(dm.FindReport("Old"));
        EXPECT_TRUE(dm.ReportFilters().empty());
        dm.WriteFilter(true, TFilterData{});
    }
    // Lost reports must not hand their filters to new reports that get the same ID.
    fs::remove(Path("Reports.DAT"));
    TDM1 dm(folder_);
    dm.Open();
    dm.InsertReport(Report("New"));
    EXPECT_GT(dm.CurrentReport().ID, 1);
    EXPECT_TRUE(dm.ReportFilters().empty());
}

TEST_F(ReportStoreTest, UnreadableFilesAreReportedAndNeverReplaced) {
    std::string garbage(3000, '\0');
    for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<char>(i * 7 + 3);
    std::ofstream(Path("Reports.DAT"), std::ios::binary) << garbage;
    EXPECT_EQ(OpenError(), OpenErrorText("Reports.DAT", "file is not a database"));
    EXPECT_EQ(ReadBytes(Path("Reports.DAT")), garbage);

    fs::remove(Path("Reports.DAT"));
    std::ofstream(Path("Filters.DAT"), std::ios::binary) << garbage.substr(0, 10);
    EXPECT_EQ(OpenError(), OpenErrorText("Filters.DAT", "file is not a database"));
    EXPECT_EQ(ReadBytes(Path("Filters.DAT")), garbage.substr(0, 10));

    fs::remove(Path("Filters.DAT"));
    fs::remove(Path("Reports.DAT"));
    fs::create_directory(Path("Reports.DAT"));
    EXPECT_EQ(OpenError(), OpenErrorText("Reports.DAT", "unable to open database file"));
    fs::remove(Path("Reports.DAT"));

    // A database of something else is not taken over either.
    Query(Path("Reports.DAT"), "CREATE TABLE Notes (Text TEXT)");
    EXPECT_NE(OpenError().find("no table \"Reports\""), std::string::npos);
    EXPECT_EQ(Query(Path("Reports.DAT"), "SELECT name FROM sqlite_master"), "Notes\n");
}

TEST_F(ReportStoreTest, FileWithoutReadPermissionIsReported) {
    if (geteuid() == 0) GTEST_SKIP() << "root can read any file";
    { TDM1(folder_).Open(); }
    chmod(Path("Reports.DAT").c_str(), 0);
    EXPECT_EQ(OpenError(), OpenErrorText("Reports.DAT", "unable to open database file"));
    chmod(Path("Reports.DAT").c_str(), 0600);
}

TEST_F(ReportStoreTest, RecreateTablesEmptiesTheStoreAndRecoversABrokenOne) {
    {
        TDM1 dm(folder_);
        dm.Open();
        dm.InsertReport(Report("A"));
        dm.WriteFilter(true, TFilterData{});
    }
    std::ofstream(Path("Filters.DAT"), std::ios::binary) << "not a database at all";
    TDM1 dm(folder_);
    EXPECT_THROW(dm.Open(), EVestrelError);
    EXPECT_THROW(dm.ReadReports(), EVestrelError);
    dm.RecreateTables();
    EXPECT_TRUE(dm.ReadReports().empty());
    dm.InsertReport(Report("B"));
    EXPECT_EQ(dm.CurrentReport().ID, 1);
    EXPECT_TRUE(dm.ReportFilters().empty());
}

// ---- Reports ----

TEST_F(ReportStoreTest, NamesAreUniqueCaseSensitiveAndCutToThirtyCharacters) {
    TDM1 dm(folder_);
    dm.Open();
    dm.InsertReport(Report("Site"));
    dm.InsertReport(Report("site"));
    try {
        dm.InsertReport(Report("Site"));
        FAIL() << "duplicate stored";
    } catch (const EVestrelError& error) {
        EXPECT_STREQ(error.what(), "A report named \"Site\" already exists");
    }
    // Renaming onto a taken name is refused the same way and changes nothing.
    ASSERT_TRUE(dm.FindReport("site"));
    TReportRecord renamed = dm.CurrentReport();
    renamed.Name = "Site";
    renamed.Domain = "changed";
    EXPECT_THROW(dm.PostReport(renamed), EVestrelError);
    EXPECT_EQ(dm.CurrentReport().Domain, "site.example");
    renamed.Name = "Site 2";
    dm.PostReport(renamed);

    const std::string longName = "A name of forty characters, all of them";
    dm.InsertReport(Report(longName));
    EXPECT_EQ(dm.CurrentReport().Name, longName.substr(0, 30));
    EXPECT_TRUE(dm.FindReport(longName));
    // A character of several bytes is kept whole or dropped whole.
    dm.InsertReport(Report(std::string(29, 'x') + "\xC3\xA9\xC3\xA9"));
    EXPECT_EQ(dm.CurrentReport().Name, std::string(29, 'x') + "\xC3\xA9");

    std::vector<std::string> names;
    for (const TReportRecord& report : dm.ReadReports()) names.push_back(report.Name);
    EXPECT_EQ(names, (std::vector<std::string>{longName.substr(0, 30), "Site", "Site 2",
                                               std::string(29, 'x') + "\xC3\xA9"}));
    EXPECT_THROW(dm.InsertReport(Report("")), EVestrelError);
}

TEST_F(ReportStoreTest, TextsAreCutDatesLoseTheirTimeAndTheCounterGivesIds) {
    TDM1 dm(folder_);
    dm.Open();
    TReportRecord report = Report("Full");
    report.Domain = std::string(70, 'd');
    report.LogFiles = "1/var/log/a.log\r\n" + std::string(5000, 'm');
    report.FromDate = 37316.75;
    report.TelnetOptions = "12345678901";
    report.ID = 99;
    dm.InsertReport(report);
    TReportRecord stored = dm.CurrentReport();
    EXPECT_EQ(stored.Domain, std::string(64, 'd'));
    EXPECT_EQ(stored.LogFiles, report.LogFiles);
    EXPECT_EQ(stored.FromDate, 37316);
    EXPECT_EQ(stored.TelnetOptions, "1234567890");
    EXPECT_EQ(stored.ID, 1);

    // A deleted report's ID is not given again, so its filter rows stay unreachable.
    dm.WriteFilter(true, TFilterData{});
    dm.DeleteReport();
    EXPECT_FALSE(dm.HasCurrentReport());
    dm.InsertReport(Report("Full"));
    EXPECT_EQ(dm.CurrentReport().ID, 2);
    EXPECT_TRUE(dm.ReportFilters().empty());
    EXPECT_EQ(Query(Path("Filters.DAT"), "SELECT count(*) FROM Filters"), "1\n");
    EXPECT_FALSE(dm.FindReport("Gone"));
    EXPECT_EQ(dm.CurrentReport().ID, 2) << "a failed lookup keeps the position";
}

// ---- Filters ----

TEST_F(ReportStoreTest, FiltersBelongToTheCurrentReportAndFollowItsMoves) {
    TDM1 dm(folder_);
    dm.Open();
    dm.InsertReport(Report("A"));
    TFilterData filter;
    filter.Domain = "first";
    const int32_t first = dm.WriteFilter(true, filter);
    dm.InsertReport(Report("B"));
    EXPECT_TRUE(dm.ReportFilters().empty());
    filter.Domain = "second";
    dm.WriteFilter(true, filter);
    EXPECT_FALSE(dm.FindFilter(first)) << "a filter of A is not found while B is current";

    ASSERT_TRUE(dm.FindReport("A"));
    const std::vector<TFilterRow> rows = dm.ReportFilters();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].Domain, "first");
    EXPECT_EQ(rows[0].FilterID, first);
}

TEST_F(ReportStoreTest, FilterRowsKeepCriteriaTheWayTheTableHoldsThem) {
    TDM1 dm(folder_);
    dm.Open();
    dm.InsertReport(Report("A"));
    TFilterData filter;
    filter.Exclude = true;
    filter.Domain = std::string(40, 'h');
    filter.DateFrom = 37316.5;
    filter.StatusFrom = 404;
    const int32_t id = dm.WriteFilter(true, filter);
    EXPECT_EQ(Query(Path("Filters.DAT"), "SELECT IncludeFilter || ',' || Enabled FROM Filters"),
              "0,1\n");

    TFilterData read;
    ASSERT_TRUE(dm.FindFilter(id));
    dm.ReadFilter(read);
    EXPECT_TRUE(read.Exclude);
    EXPECT_EQ(read.Domain, std::string(32, 'h'));
    EXPECT_EQ(read.DateFrom, 37316);
    EXPECT_EQ(read.DateTo, 0) << "23:59:59 of day 0 is stored as day 0";
    EXPECT_EQ(read.HourOfDay, 12);
    EXPECT_EQ(read.StatusFrom, 404);

    // Editing the criteria leaves the row's Enabled as it was.
    dm.SetFilterEnabled(false);
    read.Domain = "other";
    EXPECT_EQ(dm.WriteFilter(false, read), id);
    ASSERT_EQ(dm.ReportFilters().size(), 1u);
    EXPECT_FALSE(dm.ReportFilters()[0].Enabled);
    EXPECT_EQ(dm.ReportFilters()[0].Domain, "other");
    dm.DeleteFilter();
    EXPECT_TRUE(dm.ReportFilters().empty());
    EXPECT_THROW(dm.ReadFilter(read), EVestrelError);
}

// ---- Definitions ----

TEST_F(ReportStoreTest, StoringDefinitionsReplacesByNameOrStoresNothing) {
    TDM1 dm(folder_);
    dm.Open();
    TReportDefinition site{Report("Site"), {TFilterRow{}, TFilterRow{}}};
    dm.StoreDefinitions({site});
    ASSERT_TRUE(dm.FindReport("Site"));
    const int32_t id = dm.CurrentReport().ID;

    site.Report.Domain = "new.example";
    site.Filters.resize(1);
    site.Filters[0].Enabled = false;
    dm.StoreDefinitions({site, TReportDefinition{Report("Other"), {}}});
    const TReportDefinition stored = dm.ReadDefinition();
    EXPECT_EQ(stored.Report.ID, id);
    EXPECT_EQ(stored.Report.Domain, "new.example");
    ASSERT_EQ(stored.Filters.size(), 1u);
    EXPECT_FALSE(stored.Filters[0].Enabled);

    site.Report.Domain = "never.example";
    EXPECT_THROW(dm.StoreDefinitions({site, TReportDefinition{Report(""), {}}}), EVestrelError);
    EXPECT_EQ(dm.CurrentReport().Domain, "new.example");
    EXPECT_EQ(dm.ReadReports().size(), 2u);
}

// ---- Crashes ----

constexpr int32_t kFiltersPerGeneration = 4;

// Generation n: the report's LastDays and Domain tell n, and it has 1 + n % 4 filters, each
// with Filters = n, so a half-stored definition shows.
TReportDefinition Generation(int32_t n) {
    TReportDefinition definition{Report("Crash"), {}};
    definition.Report.LastDays = n;
    definition.Report.Domain = "gen-" + std::to_string(n);
    definition.Filters.resize(1 + n % kFiltersPerGeneration);
    for (TFilterRow& row : definition.Filters) row.Filters = n;
    return definition;
}

// Stores generation after generation until killed; writes a byte once the first one is stored.
[[noreturn]] void RunWriter(const std::string& folder, int readyPipe) {
    try {
        TDM1 dm(folder);
        dm.Open();
        dm.FindReport("Crash");
        for (int32_t n = dm.CurrentReport().LastDays + 1;; ++n) {
            dm.StoreDefinitions({Generation(n)});
            if (readyPipe >= 0 && write(readyPipe, "!", 1) == 1) {
                close(readyPipe);
                readyPipe = -1;
            }
        }
    } catch (...) {
        _exit(1);
    }
}

// Answers the stored generation after checking both files and the definition.
int32_t CheckStore(const std::string& folder) {
    int32_t n = -1;
    {
        TDM1 dm(folder);
        dm.Open();
        EXPECT_TRUE(dm.FindReport("Crash"));
        const TReportDefinition stored = dm.ReadDefinition();
        n = stored.Report.LastDays;
        EXPECT_EQ(stored.Report.Domain, "gen-" + std::to_string(n));
        EXPECT_EQ(stored.Filters.size(), static_cast<size_t>(1 + n % kFiltersPerGeneration));
        for (const TFilterRow& row : stored.Filters) EXPECT_EQ(row.Filters, n);
    }
    EXPECT_EQ(Query(folder + "Reports.DAT", "PRAGMA integrity_check"), "ok\n");
    EXPECT_EQ(Query(folder + "Filters.DAT", "PRAGMA integrity_check"), "ok\n");
    return n;
}

TEST_F(ReportStoreTest, KilledWriterLeavesEitherTheOldOrTheNewDefinition) {
    {
        TDM1 dm(folder_);
        dm.Open();
        dm.StoreDefinitions({Generation(0)});
    }
    std::mt19937 random(20020301);
    int32_t stored = 0;
    for (int round = 0; round < 20 && !HasFailure(); ++round) {
        int ready[2];
        ASSERT_EQ(pipe(ready), 0);
        const pid_t writer = fork();
        ASSERT_GE(writer, 0);
        if (writer == 0) {
            close(ready[0]);
            RunWriter(folder_, ready[1]);
        }
        close(ready[1]);
        char byte = 0;
        EXPECT_EQ(read(ready[0], &byte, 1), 1) << "the writer stored nothing";
        close(ready[0]);
        usleep(std::uniform_int_distribution<useconds_t>(0, 20000)(random));
        kill(writer, SIGKILL);
        int status = 0;
        waitpid(writer, &status, 0);
        EXPECT_TRUE(WIFSIGNALED(status)) << "the writer ended by itself in round " << round;
        const int32_t now = CheckStore(folder_);
        EXPECT_GT(now, stored) << "round " << round;
        stored = now;
    }
}

}  // namespace
