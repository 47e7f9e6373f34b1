#include "cli/load_options.h"

#include <sys/stat.h>

#include <cerrno>

#include "cli/report_session.h"
#include "engine/date_time.h"
#include "engine/errors.h"
#include "engine/log_files.h"
#include "engine/text_file.h"
#include "shell/data_folder.h"

namespace vestrel::cli {

namespace {

bool HasWildcards(const std::string& path) {
    return path.find_first_of("*?") != std::string::npos;
}

double ParseDayOption(const std::string& text, const char* option) {
    int year = 0, month = 0, day = 0;
    char extra = 0;
    double date = 0;
    if (text.empty()) return 0;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2d%c", &year, &month, &day, &extra) != 3 ||
        !TryEncodeDate(year, month, day, date))
        throw EVestrelError(std::string("Invalid date for ") + option + ": \"" + text +
                            "\" (expected YYYY-MM-DD)");
    return date;
}

std::string ReadTargets(const std::string& fileName) {
    if (fileName.empty()) return {};
    std::string text;
    for (const std::string& line : ReadTextFileLines(fileName)) text += line + "\n";
    return text;
}

// A named file that does not exist is an error; a wildcard that matches nothing adds nothing,
// as in a report's file list.
std::string MissingFileError(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) return FileOpenErrorText(path, errno);
    if (S_ISDIR(info.st_mode)) return FileOpenErrorText(path, EISDIR);
    return {};
}

}  // namespace

void AddLoadOptions(CLI::App& command, TLoadOptions& options) {
    command.add_option("--data-dir", options.DataDir,
                       "Data folder (reference lists, DNS cache, expanded logs)");
    command.add_option("--domain", options.Domain, "The site's own domain");
    command
        .add_option("--default-page", options.DefaultPage, "Page that a request for / stands for")
        ->capture_default_str();
    command
        .add_option("--timezone", options.TimeZone,
                    "0 time from files, -100 zone offset from files, -12..12 hours to add")
        ->capture_default_str()
        ->check([](const std::string& text) -> std::string {
            const int value = std::atoi(text.c_str());
            return value == -100 || (value >= -12 && value <= 12)
                       ? std::string()
                       : "--timezone must be 0, -100 or -12..12, not " + text;
        });
    command.add_option("--targets", options.TargetsFile, "File with one target page per line");
    command
        .add_option("--date-selection", options.DateSelection,
                    "0 all, 1 --from/--to, 2 --last-hours, 3 --last-days")
        ->check(CLI::Range(0, 3))
        ->capture_default_str();
    command.add_option("--from", options.From, "First day to keep (YYYY-MM-DD)");
    command.add_option("--to", options.To, "Last day to keep (YYYY-MM-DD)");
    command.add_option("--last-hours", options.LastHours, "Hours before the latest hit to keep");
    command.add_option("--last-days", options.LastDays, "Days before the latest hit to keep");
    command.add_option("FILE", options.Files, "Log files; each may hold the wildcards * and ?");
    command.add_option("--report", options.Report,
                       "Open this stored report (its files, downloads and settings) instead");
    command
        .add_option("--gzip-limit", options.GzipLimit,
                    "Bytes a .gz file may expand to (suffixes K, M, G); default 20G")
        ->transform(CLI::AsSizeValue(false))
        ->check([](const std::string& bytes) -> std::string {
            return std::atoll(bytes.c_str()) > 0 ? std::string()
                                                 : "--gzip-limit must be at least 1 byte";
        });
    command.add_flag("--exclude-robots", options.ExcludeRobots,
                     "Leave the hits of robots (Robots.txt) out while loading");
    command
        .add_option("--threads", options.Threads,
                    "Threads that parse each log file: 0 one per core, 1 one thread")
        ->check(CLI::Range(0, 256))
        ->capture_default_str();
    command.add_flag("--no-fetch", options.Fetch.NoFetch,
                     "With --report: skip the telnet script and the downloads");
    AddFetchOptions(command, options.Fetch);
    command.callback([&command, &options] {
        options.TimeZoneGiven = command.count("--timezone") > 0;
        if (options.Files.empty() && options.Report.empty())
            throw CLI::ValidationError("FILE", "give log files or --report NAME");
    });
}

void AddFetchOptions(CLI::App& command, TFetchOptions& options) {
    command
        .add_option("--timeout", options.TimeoutSeconds,
                    "Seconds any single transfer, connection or silent spell may take")
        ->check(CLI::Range(1, 86400))
        ->capture_default_str();
    command.add_option("--telnet-port", options.TelnetPort, "Port of the telnet script's server")
        ->check(CLI::Range(1, 65535))
        ->capture_default_str();
}

void AddReportSettingOptions(CLI::App& command, TReportSettingOptions& options) {
    CLI::Option* exclude =
        command
            .add_option("--exclude-search", options.ExcludeSearch,
                        "1: leave search-engine referrals out of the referrer statistics")
            ->check(CLI::Range(0, 1))
            ->capture_default_str();
    CLI::Option* lastDays =
        command.add_option("--last-days-to-show", options.LastDaysToShow, "Days of the day span")
            ->check(CLI::Range(0, 100000))
            ->capture_default_str();
    command.parse_complete_callback([exclude, lastDays, &options] {
        options.ExcludeSearchGiven = exclude->count() > 0;
        options.LastDaysGiven = lastDays->count() > 0;
    });
}

TReportSettings ReportSettingsOf(const TReportSettingOptions& options, const TLoadResult& loaded) {
    TReportSettings settings{options.ExcludeSearch != 0, options.LastDaysToShow};
    if (loaded.Session == nullptr) return settings;
    const TMainSettings& stored = loaded.Session->Model->Settings;
    if (!options.ExcludeSearchGiven) settings.ExcludeSearshFromRef = stored.ExcludeSearshFromRef;
    if (!options.LastDaysGiven) settings.LastDaysToShow = stored.LastDaysToShow;
    return settings;
}

TLoadResult::TLoadResult() = default;
TLoadResult::~TLoadResult() = default;
TLoadResult::TLoadResult(TLoadResult&&) noexcept = default;

TLogAnalyzer& TLoadResult::Loaded() const {
    return Session ? *Session->Model->Analyzer : *Analyzer;
}

namespace {

// A stored report: its opening sequence; an error in a later step keeps what was loaded before.
TLoadResult RunReportLoad(const TLoadOptions& options) {
    TLoadResult result;
    result.Session = CreateReportSession(options);
    TMainModel& model = *result.Session->Model;
    model.MaxGzipExpansion = options.GzipLimit;
    if (options.ExcludeRobots) model.Settings.ExcludeRobots = true;
    model.LoadThreads = options.Threads;
    try {
        if (!model.OpenReport(options.Report))
            throw EVestrelError("There is no report named \"" + options.Report + "\"");
    } catch (const EVestrelError& error) {
        if (model.Analyzer == nullptr) throw;
        result.Error = error.what();
    }
    result.LoadTimeMs = model.LoadTimeMs;
    return result;
}

}  // namespace

TLoadResult RunLoad(const TLoadOptions& options) {
    if (!options.Report.empty()) return RunReportLoad(options);
    TLoadResult result;
    const std::string dataFolder = ResolveDataFolder(options.DataDir);
    result.Analyzer = std::make_unique<TLogAnalyzer>(dataFolder, ReadTargets(options.TargetsFile));
    TLogAnalyzer& analyzer = *result.Analyzer;
    analyzer.OwnDomain = options.Domain;
    analyzer.DefaultPage = options.DefaultPage;
    analyzer.TimeZone = options.TimeZone;
    analyzer.MaxGzipExpansion = options.GzipLimit;
    analyzer.ExcludeRobots = options.ExcludeRobots;
    analyzer.LoadThreads = options.Threads;
    analyzer.ReportDateSelection = {
        static_cast<uint8_t>(options.DateSelection), ParseDayOption(options.From, "--from"),
        ParseDayOption(options.To, "--to"), options.LastHours, options.LastDays};

    TLogFileDataParam files;
    std::vector<std::string> skipped;
    for (const std::string& path : options.Files) {
        const size_t before = files.size();
        const size_t skippedBefore = skipped.size();
        FillLogFileData({"1" + path}, files, &skipped);
        if (files.size() == before && skipped.size() == skippedBefore && !HasWildcards(path))
            result.Error = MissingFileError(path);
        if (!result.Error.empty()) break;
    }
    TLoadObserver quiet;
    try {
        result.LoadTimeMs = LoadLogFiles(analyzer, files, quiet);
    } catch (const EVestrelError& error) {
        result.Error = error.what();
    }
    // The files that could be read are loaded; the others fail the command all the same.
    for (const std::string& message : skipped)
        result.Error += (result.Error.empty() ? "" : "\n") + message;
    return result;
}

}  // namespace vestrel::cli
