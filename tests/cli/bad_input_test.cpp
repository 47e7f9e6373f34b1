// Bad input end to end: the files of tests/data/bad and the large inputs made here go through
// vestrel-cli. Every run ends with a result or a one-line message naming what was wrong, without
// a crash, within a time limit and a memory bound.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "cli/cli_runner.h"
#include "engine/text_encoding.h"

namespace fs = std::filesystem;

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
constexpr bool kSanitized = __has_feature(address_sanitizer);
#else
constexpr bool kSanitized = false;
#endif

// Generous bounds that only a hang or a runaway allocation breaks. A sanitized build runs the
// weekly statistic of a 10,000-year span for over a minute on a busy machine.
constexpr auto kTimeLimit = std::chrono::seconds(kSanitized ? 240 : 60);
constexpr long kMemoryLimitKb = kSanitized ? 3L << 20 : 1L << 20;

const std::string kCorpus = std::string(VESTREL_SOURCE_DIR) + "/tests/data/bad/";

struct TBoundedRun {
    int Status = -1;  // the exit status; -1 when a signal ended the run
    int Signal = 0;
    bool TimedOut = false;
    long MaxRssKb = 0;
    std::string Out, Err;
};

std::string ReadFile(const std::string& name) {
    std::ifstream file(name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

std::map<std::string, std::string> Totals(const std::string& out) {
    std::map<std::string, std::string> totals;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);)
        if (const size_t eq = line.find('='); eq != std::string::npos)
            totals[line.substr(0, eq)] = line.substr(eq + 1);
    return totals;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) lines.push_back(line);
    return lines;
}

std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> fields;
    size_t from = 0;
    for (size_t tab; (tab = line.find('\t', from)) != std::string::npos; from = tab + 1)
        fields.push_back(line.substr(from, tab - from));
    fields.push_back(line.substr(from));
    return fields;
}

// The nesting depth of RTF groups before the document's closing tail, never below 1 inside it.
int RtfDepthBeforeTail(const std::string& rtf) {
    const std::string body = rtf.substr(0, rtf.rfind("\\par}}"));
    int depth = 0, lowest = 1;
    for (size_t i = 0; i < body.size(); ++i) {
        if (body[i] == '\\') {
            ++i;  // an escaped character or the first of a control word
            continue;
        }
        depth += body[i] == '{' ? 1 : body[i] == '}' ? -1 : 0;
        if (depth < lowest) lowest = depth;
    }
    return lowest < 1 ? -1 : depth;
}

class BadInputTest : public vestrel::testing_util::TCliFixture {
  protected:
    // The runs read times in UTC; the zone of the tests after them stays as it was.
    static void SetUpTestSuite() {
        if (const char* zone = std::getenv("TZ")) savedZone_ = zone;
        setenv("TZ", "UTC", 1);
    }
    static void TearDownTestSuite() {
        if (savedZone_)
            setenv("TZ", savedZone_->c_str(), 1);
        else
            unsetenv("TZ");
    }
    void SetUp() override {
        TCliFixture::SetUp();
        data_ = dir_ + "data";
    }

    // vestrel-cli with `args` (no shell), its output in files, killed at the time limit.
    TBoundedRun RunCli(const std::vector<std::string>& args) {
        const std::string outName = dir_ + "out.txt", errName = dir_ + "err.txt";
        std::vector<std::string> words{VESTREL_CLI};
        words.insert(words.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& word : words) argv.push_back(word.data());
        argv.push_back(nullptr);
        const pid_t pid = fork();
        if (pid == 0) {
            dup2(open(outName.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 1);
            dup2(open(errName.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 2);
            execv(argv[0], argv.data());
            _exit(127);
        }
        TBoundedRun run;
        int status = 0;
        rusage usage{};
        const auto deadline = std::chrono::steady_clock::now() + kTimeLimit;
        while (wait4(pid, &status, WNOHANG, &usage) == 0) {
            if (std::chrono::steady_clock::now() > deadline) {
                run.TimedOut = true;
                kill(pid, SIGKILL);
                wait4(pid, &status, 0, &usage);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        if (WIFEXITED(status)) run.Status = WEXITSTATUS(status);
        if (WIFSIGNALED(status)) run.Signal = WTERMSIG(status);
        run.MaxRssKb = usage.ru_maxrss;
        run.Out = ReadFile(outName);
        run.Err = ReadFile(errName);
        return run;
    }

    // A loading command over files, with the data folder and times as written.
    TBoundedRun Loading(const std::string& command, const std::vector<std::string>& files,
                        std::vector<std::string> extra = {}) {
        std::vector<std::string> args{command, "--data-dir", data_, "--timezone", "0"};
        args.insert(args.end(), extra.begin(), extra.end());
        args.insert(args.end(), files.begin(), files.end());
        return RunCli(args);
    }

    // Ended on its own, in time, within the memory bound, without a sanitizer report; a failure
    // is told in the last line on stderr, which names `culprit`.
    static void ExpectOrderly(const TBoundedRun& run, const std::string& what,
                              const std::string& culprit) {
        SCOPED_TRACE(what);
        EXPECT_FALSE(run.TimedOut);
        EXPECT_EQ(run.Signal, 0);
        EXPECT_LT(run.MaxRssKb, kMemoryLimitKb);
        EXPECT_EQ(run.Err.find("Sanitizer"), std::string::npos) << run.Err;
        EXPECT_EQ(run.Err.find("runtime error"), std::string::npos) << run.Err;
        EXPECT_TRUE(run.Status == 0 || run.Status == 1) << run.Status;
        if (run.Status == 0) return;
        const std::vector<std::string> lines = Lines(run.Err);  // an export's progress comes first
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines.back().rfind("vestrel-cli: ", 0), 0u) << run.Err;
        EXPECT_NE(lines.back().find(culprit), std::string::npos) << run.Err;
    }

    struct TLoaded {
        std::vector<std::string> Hits;  // the dump's lines
        std::string Err;                // the load's
    };
    // load, then dump with one well-formed line of 11 fields per hit.
    TLoaded LoadAndDump(const std::string& file, int status = 0) {
        const TBoundedRun load = Loading("load", {file});
        ExpectOrderly(load, "load " + file, file);
        EXPECT_EQ(load.Status, status) << file << ": " << load.Err;
        const TBoundedRun dump = Loading("dump", {file});
        ExpectOrderly(dump, "dump " + file, file);
        const std::vector<std::string> lines = Lines(dump.Out);
        EXPECT_EQ(std::to_string(lines.size()), Totals(load.Out)["Hits"]) << file;
        for (const std::string& line : lines) EXPECT_EQ(Fields(line).size(), 11u) << file;
        return {lines, load.Err};
    }

    // An export of every statistic, checked for the shape of its type.
    void Export(const std::string& file, const std::string& type, int status = 0) {
        const std::string out = dir_ + "export." + type;
        const TBoundedRun run = Loading("export", {file}, {"--type", type, "--out", out});
        ExpectOrderly(run, "export " + type + " " + file, file);
        EXPECT_EQ(run.Status, status) << run.Err;
        const std::string written = ReadFile(out);
        if (type == "html") {
            EXPECT_EQ(written.rfind("<!DOCTYPE html>\r\n<html lang=\"en\">", 0), 0u) << file;
            EXPECT_TRUE(vestrel::IsValidUtf8(written)) << file;
            EXPECT_EQ(written.find("<script>"), std::string::npos) << file;
        } else if (type == "rtf") {
            EXPECT_EQ(RtfDepthBeforeTail(written), 1) << file;
        } else {
            EXPECT_EQ(written.rfind("\xD0\xCF\x11\xE0", 0), 0u) << file;
        }
        fs::remove(out);
    }

    std::string data_;
    static inline std::optional<std::string> savedZone_;
};

TEST_F(BadInputTest, DamagedLogsLoadDumpAndExport) {
    struct TCase {
        const char* Name;
        int Status;
        const char* Message;  // what the message says besides the file's name
    };
    const TCase cases[] = {
        {"binary-garbage.log", 0, ""},
        {"only-lf.log", 0, ""},
        {"only-cr.log", 0, ""},
        {"mixed-breaks.log", 0, ""},
        {"invalid-utf8.log", 0, ""},
        {"nul-bytes.log", 0, ""},
        {"markup-chars.log", 0, ""},
        {"extreme-values.log", 0, ""},
        {"w3c-garbage.log", 0, ""},
        {"truncated.log.gz", 1, "the file is damaged or truncated (unexpected end of file)"},
        {"not-gzip.log.gz", 1, "the file is damaged or truncated"},
    };
    const char* const types[] = {"html", "rtf", "xls"};
    int index = 0;
    for (const TCase& bad : cases) {
        const std::string file = kCorpus + bad.Name;
        const TLoaded loaded = LoadAndDump(file, bad.Status);
        const std::string name = bad.Name;
        if (name.starts_with("only-") || name == "mixed-breaks.log") {
            EXPECT_TRUE(loaded.Hits.empty()) << name;
        }
        EXPECT_NE(loaded.Err.find(bad.Message), std::string::npos) << name;
        Export(file, types[index++ % 3], bad.Status);
    }
}

TEST_F(BadInputTest, FieldBytesArePassedThroughUnchanged) {
    const std::vector<std::string> hits = LoadAndDump(kCorpus + "invalid-utf8.log").Hits;
    // The user "u\x1B[31m" holds a "[", which cuts the time short: that line is skipped.
    ASSERT_EQ(hits.size(), 12u);
    EXPECT_EQ(Fields(hits[0])[0], "h\xFF\xFE.example");
    EXPECT_EQ(Fields(hits[1])[5], "/p\xC0\xAF/x.htm?q=\xC0\xAF");
    // Control bytes are shown escaped, so that they cannot drive the terminal.
    EXPECT_EQ(Fields(hits[5])[0], "h\\x07\\x08\\x0b\\x0c.example");
    EXPECT_EQ(Fields(hits[9])[0], "tab\\thost");  // the dump's escape
}

// The truncated archive keeps its first lines, each complete: its bytes match its page number.
TEST_F(BadInputTest, TruncatedArchiveKeepsWholeLines) {
    const std::vector<std::string> hits = LoadAndDump(kCorpus + "truncated.log.gz", 1).Hits;
    EXPECT_GT(hits.size(), 50u);
    EXPECT_LT(hits.size(), 400u);
    std::set<int> pages;
    for (const std::string& hit : hits) {
        const std::vector<std::string> fields = Fields(hit);
        const int page = std::atoi(fields[5].c_str() + 5);
        EXPECT_EQ(fields[5], "/page" + std::to_string(page) + ".htm");
        EXPECT_EQ(fields[7], std::to_string(100 + page));
        pages.insert(page);
    }
    EXPECT_EQ(pages.size(), hits.size());
    EXPECT_EQ(*pages.rbegin(), static_cast<int>(hits.size()) - 1);
}

TEST_F(BadInputTest, EveryStatisticOnGarbage) {
    const std::string filter = Write("filter.json", R"({"Filters": 64, "StatusFrom": 404})");
    const TBoundedRun list = RunCli({"stats"});
    ASSERT_EQ(list.Status, 0);
    for (const std::string name : {"invalid-utf8.log", "w3c-garbage.log"}) {
        const std::string file = kCorpus + name;
        const bool json = name == "w3c-garbage.log";
        for (const std::string& line : Lines(list.Out)) {
            const std::string stat = Fields(line)[0];
            std::vector<std::string> extra{stat, "--format", json ? "json" : "tsv"};
            if (stat == "day-span") extra.insert(extra.end(), {"--path", "a.htm"});
            if (stat == "filtered-log-data") extra.insert(extra.end(), {"--filter", filter});
            const TBoundedRun run = Loading("stat", {file}, extra);
            ExpectOrderly(run, stat + " " + file, file);
            EXPECT_EQ(run.Status, 0) << stat << ": " << run.Err;
            if (json)
                EXPECT_TRUE(nlohmann::json::accept(run.Out)) << stat;
            else
                EXPECT_FALSE(run.Out.empty()) << stat;
        }
    }
}

// Numbers past int64 are held unsigned by the JSON reader: they are out of range, not wrapped.
TEST_F(BadInputTest, FilterNumbersThatDoNotFit) {
    const std::string log = kCorpus + "markup-chars.log";
    const std::map<std::string, std::string> faults = {
        {R"({"Filters": 18446744073709551615})",
         "\"Filters\" is out of range: 18446744073709551615"},
        {R"({"StatusFrom": -1})", "\"StatusFrom\" is out of range: -1"},
        {R"({"DateFrom": 1e400})", "not valid JSON"},
    };
    for (const auto& [text, fault] : faults) {
        const std::string filter = Write("filter.json", text);
        const TBoundedRun run = Loading("stat", {log}, {"filtered-log-data", "--filter", filter});
        ExpectOrderly(run, text, filter);
        EXPECT_EQ(run.Status, 1) << text;
        EXPECT_NE(run.Err.find(fault), std::string::npos) << run.Err;
    }
}

TEST_F(BadInputTest, EveryExportTypeOnGarbage) {
    for (const char* name : {"nul-bytes.log", "markup-chars.log"})
        for (const char* type : {"html", "rtf", "xls"}) Export(kCorpus + name, type);
}

// Times at the calendar's ends: a zone or hours that move one out of it leave it unreadable (0);
// the cycle statistics still place every hit.
TEST_F(BadInputTest, TimesAtTheCalendarsEnds) {
    const std::string file = kCorpus + "wide-date-span.log";
    TBoundedRun run = Loading("load", {file});
    ExpectOrderly(run, "load", file);
    EXPECT_EQ(Totals(run.Out)["FirstHit"], "0001-01-01 00:00:00");
    EXPECT_EQ(Totals(run.Out)["LastHit"], "9999-12-31 23:59:59");
    run = RunCli({"dump", "--data-dir", data_, file});  // each line's own zone
    ExpectOrderly(run, "dump", file);
    std::map<std::string, std::string> times;  // by path
    for (const std::string& hit : Lines(run.Out)) times[Fields(hit)[5]] = Fields(hit)[2];
    // The first and last lines are moved out of the calendar by their zones: they are skipped.
    EXPECT_EQ(times, (std::map<std::string, std::string>{{"/early", "0001-01-01 12:00:00"},
                                                         {"/middle", "2000-10-10 13:55:36"},
                                                         {"/late", "9999-12-31 23:00:00"}}));
    for (const char* zone : {"0", "12", "-12", "-100"})
        for (const char* name : {"weekly", "monthly", "weekday", "hour", "general"}) {
            run = RunCli(
                {"stat", name, "--format", "json", "--data-dir", data_, "--timezone", zone, file});
            ExpectOrderly(run, std::string(name) + " " + zone, file);
            EXPECT_EQ(run.Status, 0) << run.Err;
            EXPECT_TRUE(nlohmann::json::accept(run.Out)) << name;
        }
}

// Fields at their longest, and lines at, just over and far over the 65536-byte line cap.
TEST_F(BadInputTest, LongestFieldsAndCappedLines) {
    auto line = [](const std::string& host, const std::string& path, const std::string& referrer,
                   const std::string& agent) {
        return host + " - " + std::string(8000, 'u') + " [10/Oct/2000:13:55:36 +0000] \"GET /" +
               path + " HTTP/1.1\" 200 1000 \"" + referrer + "\" \"" + agent + "\"\n";
    };
    std::string log = line(std::string(16000, 'h'), std::string(16000, 'p'),
                           "http://r.example/" + std::string(12000, 'r'), std::string(12000, 'A'));
    std::string words;
    for (int i = 0; i < 3000; ++i) words += "w" + std::to_string(i) + "+";
    log += line("x", "d/d/d/" + std::string(20000, 'f') + ".htm",
                "http://www.google.com/search?q=" + words, "Mozilla/4.0 " + std::string(9000, 'z'));
    // Dated lines whose requested path fills them up to their length.
    const std::string start = "y - - [10/Oct/2000:13:55:36 +0000] \"GET ";
    for (size_t length : {65535, 65536, 65537, 200000})
        log += start + "/" + std::string(length - start.size() - 1, 'y') + "\n";
    log += line("last", "last.htm", "-", "a");
    const std::string file = Write("longest.log", log);

    std::multiset<size_t> hostLengths, cappedPaths;
    for (const std::string& hit : LoadAndDump(file).Hits) {
        const std::vector<std::string> fields = Fields(hit);
        hostLengths.insert(fields[0].size());
        if (fields[0] == "y") cappedPaths.insert(fields[5].size() + start.size());
        if (fields[0].size() == 16000) {
            EXPECT_EQ(fields[1].size(), 8000u);
            EXPECT_EQ(fields[5].size(), 16001u);
            EXPECT_EQ(fields[9].size(), 12000u);
        }
    }
    EXPECT_EQ(hostLengths, (std::multiset<size_t>{1, 1, 1, 1, 1, 4, 16000}));
    EXPECT_EQ(cappedPaths, (std::multiset<size_t>{65535, 65536, 65536, 65536}));
    for (const char* type : {"html", "rtf", "xls"}) Export(file, type);
}

// A line of 100 MB without a break is read through the line buffer: one hit, no copy of it all.
TEST_F(BadInputTest, HundredMegabyteLineWithoutABreak) {
    const std::string good = "h - - [10/Oct/2000:13:55:36 +0000] \"GET /a HTTP/1.0\" 200 5\n";
    const TBoundedRun small = Loading("load", {Write("small.log", good)});
    ASSERT_EQ(small.Status, 0);
    {
        std::ofstream big(dir_ + "big.log", std::ios::binary);
        big << good;
        const std::string chunk(1 << 20, 'x');
        for (int i = 0; i < 100; ++i) big << chunk;
    }
    const TBoundedRun run = Loading("load", {dir_ + "big.log"});
    ExpectOrderly(run, "load", "big.log");
    EXPECT_EQ(run.Status, 0) << run.Err;
    // The long line carries no time: it is skipped, not stored.
    EXPECT_EQ(Totals(run.Out)["Hits"], "1");
    EXPECT_EQ(Totals(run.Out)["SkippedLines"], "1");
    EXPECT_LT(run.MaxRssKb, small.MaxRssKb + (64 << 10));
}

// A 2 MB archive that expands past 2 GB (gzip members of 64 MB of zeros each, one after the
// other): the expansion stops at the limit, the file before stays loaded, the one after is not
// read, and neither the disk nor the memory takes the whole expansion.
TEST_F(BadInputTest, GzipBombStopsAtTheLimit) {
    std::string member;
    {
        const std::string packed = dir_ + "member.gz";
        gzFile out = gzopen(packed.c_str(), "wb9");
        const std::string zeros(1 << 20, '\0');
        for (int i = 0; i < 64; ++i)
            gzwrite(out, zeros.data(), static_cast<unsigned>(zeros.size()));
        gzclose(out);
        member = ReadFile(packed);
    }
    const std::string bomb = dir_ + "bomb.log.gz";
    {
        std::ofstream out(bomb, std::ios::binary);
        for (int i = 0; i < 34; ++i) out << member;
    }
    ASSERT_LT(fs::file_size(bomb), 4u << 20);
    const std::string before =
        Write("before.log", "h - - [10/Oct/2000:13:55:36 +0000] \"GET /before HTTP/1.0\" 200 5\n");
    const std::string after =
        Write("after.log", "h - - [10/Oct/2000:13:55:37 +0000] \"GET /after HTTP/1.0\" 200 5\n");
    const TBoundedRun small = Loading("load", {before});

    const TBoundedRun run = Loading("load", {before, bomb, after}, {"--gzip-limit", "64M"});
    ExpectOrderly(run, "load", bomb);
    EXPECT_EQ(run.Status, 1);
    EXPECT_EQ(run.Err, "vestrel-cli: Cannot expand \"" + bomb +
                           "\" completely: the expanded log would exceed the limit of 64 MB. Its "
                           "complete lines before that point were loaded.\n");
    EXPECT_EQ(Totals(run.Out)["Hits"], "1");
    for (const auto& entry : fs::directory_iterator(data_))
        EXPECT_NE(entry.path().extension(), ".~xx") << "the expansion was left on the disk";
    EXPECT_LT(run.MaxRssKb, small.MaxRssKb + (48 << 10));

    // A stored report's opening takes the limit, too.
    const std::string report = Write("bomb.json", R"({"Name": "Bomb", "Domain": "x.example",
        "LogFiles": "1)" + bomb + R"(\r\n"})");
    ASSERT_EQ(RunCli({"report", "import", "--data-dir", data_, report}).Status, 0);
    const TBoundedRun opened =
        RunCli({"load", "--data-dir", data_, "--report", "Bomb", "--gzip-limit", "1K"});
    ExpectOrderly(opened, "load --report", bomb);
    EXPECT_NE(opened.Err.find("the limit of 1 KB"), std::string::npos) << opened.Err;

    const TBoundedRun zero = Loading("load", {before}, {"--gzip-limit", "0"});
    EXPECT_NE(zero.Status, 0);
    EXPECT_NE(zero.Err.find("--gzip-limit"), std::string::npos) << zero.Err;
}

// A bad definition file changes no stored report, and its message names the file and the fault.
TEST_F(BadInputTest, BadReportDefinitionsChangeNothing) {
    const std::string good = Write("good.json", R"({"Name": "Intact", "Domain": "intact.example",
        "LogFiles": "1/var/log/a.log\r\n", "Filters": [{"Filters": 64, "StatusFrom": 404}]})");
    ASSERT_EQ(RunCli({"report", "import", "--data-dir", data_, good}).Status, 0);
    const std::string shown = RunCli({"report", "show", "--data-dir", data_, "Intact"}).Out;
    const std::string listed = RunCli({"report", "list", "--data-dir", data_}).Out;
    ASSERT_NE(shown.find("intact.example"), std::string::npos);

    const std::map<std::string, std::string> faults = {
        {"report-wrong-types.json", "field \"Domain\" must be a text"},
        {"report-missing-name.json", "field \"Name\" is missing"},
        {"report-unknown-field.json", "unknown field \"NoSuchField\""},
        {"report-huge-numbers.json", "number overflow parsing '1e400'"},
        {"report-out-of-range.json", "field \"LastDays\" must lie between"},
        {"report-bad-filters.json", "filter 1: field \"Filters\" must be a whole number"},
        {"report-filters-not-array.json", "field \"Filters\" must be an array"},
        {"report-second-bad.json", "Report \"Other\": field \"LogFiles\" must be a text"},
        {"report-deep-nesting.json", "field \"Domain\" must be a text"},
        {"report-truncated.json", "no valid JSON"},
        {"report-not-json.json", "no valid JSON"},
        {"report-invalid-utf8.json", "ill-formed UTF-8"},
        {"report-bad-date.json", "field \"FromDate\" is no valid date"},
        {"report-null.json", "must be a JSON object"},
        {"report-empty.json", "no valid JSON"},
        {"report-scalars.json", "Report definition 1 must be a JSON object"},
    };
    std::string deep = "[";
    for (int i = 0; i < 100000; ++i) deep += "{\"a\":[";
    deep += "1";
    for (int i = 0; i < 100000; ++i) deep += "]}";
    deep += "]";
    std::map<std::string, std::string> files;
    for (const auto& [name, fault] : faults) files[kCorpus + name] = fault;
    files[Write("deeper.json", deep)] = "Report definition 1: unknown field \"a\"";
    files[dir_ + "data"] = "Is a directory";
    for (const auto& [file, fault] : files) {
        const TBoundedRun run = RunCli({"report", "import", "--data-dir", data_, file});
        ExpectOrderly(run, file, file);
        EXPECT_EQ(run.Status, 1) << file;
        EXPECT_NE(run.Err.find(fault), std::string::npos) << run.Err;
    }
    EXPECT_EQ(RunCli({"report", "show", "--data-dir", data_, "Intact"}).Out, shown);
    EXPECT_EQ(RunCli({"report", "list", "--data-dir", data_}).Out, listed);

    // A damaged store is named and left as it is.
    const std::string store = data_ + "/Reports.DAT";
    std::ofstream(store, std::ios::binary | std::ios::trunc)
        << ReadFile(kCorpus + "binary-garbage.log");
    const TBoundedRun damaged = RunCli({"report", "list", "--data-dir", data_});
    ExpectOrderly(damaged, "damaged store", store);
    EXPECT_EQ(damaged.Status, 1);
    EXPECT_EQ(ReadFile(store), ReadFile(kCorpus + "binary-garbage.log"));
}

}  // namespace
