// The options every loading command of vestrel-cli shares, and the loading run they describe.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "cli/cli_host.h"
#include "engine/log_analyzer.h"
#include "reports/report_context.h"

namespace vestrel::cli {

struct TLoadOptions {
    std::string DataDir;
    std::string Domain;
    std::string DefaultPage = "index.htm";
    int TimeZone = -100;
    std::string TargetsFile;
    int DateSelection = 0;
    std::string From, To;
    int LastHours = 0;
    int LastDays = 0;
    std::vector<std::string> Files;
    std::string Report;  // a stored report to open instead of the files and options
    bool TimeZoneGiven = false;
    bool ExcludeRobots = false;  // or the stored setting of a report's data folder
    int64_t GzipLimit = kDefaultGzipExpansionLimit;  // bytes a gzip log may expand to
    int Threads = 0;                                 // threads that parse each file: 0 one per core
    TFetchOptions Fetch;  // for a stored report's telnet script and downloads
};

void AddLoadOptions(CLI::App& command, TLoadOptions& options);
// --timeout and --telnet-port.
void AddFetchOptions(CLI::App& command, TFetchOptions& options);

// The result of a loading run: the analyser with whatever was loaded, and the error that ended
// the run early (empty when every file was read).
struct TReportSession;

struct TLoadResult {
    TLoadResult();
    ~TLoadResult();
    TLoadResult(TLoadResult&&) noexcept;
    std::unique_ptr<TReportSession> Session;  // set when a stored report was opened
    std::unique_ptr<TLogAnalyzer> Analyzer;   // set when files were loaded
    TLogAnalyzer& Loaded() const;
    std::string Error;
    int64_t LoadTimeMs = 0;
};

// The settings the statistics take: from the settings file for a stored report, unless the
// command line gives them.
struct TReportSettingOptions {
    int ExcludeSearch = 1;
    int LastDaysToShow = 31;
    bool ExcludeSearchGiven = false;
    bool LastDaysGiven = false;
};
void AddReportSettingOptions(CLI::App& command, TReportSettingOptions& options);
TReportSettings ReportSettingsOf(const TReportSettingOptions& options, const TLoadResult& loaded);

// Raises EVestrelError for an option that cannot be used (a bad date, an unreadable targets file,
// a report that does not exist).
TLoadResult RunLoad(const TLoadOptions& options);

}  // namespace vestrel::cli
