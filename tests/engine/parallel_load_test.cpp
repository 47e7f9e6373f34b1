// Loading with several threads gives exactly what one thread gives: every hit with its keys and
// visitor number in the same order, the same string lists and the same totals, however the files
// are cut into blocks.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "engine/dns_cache.h"
#include "engine/engine_test_util.h"
#include "engine/log_analyzer.h"
#include "engine/log_files.h"
#include "engine/log_filter.h"

namespace vestrel {
namespace {

const std::string kSamples = VESTREL_SAMPLES_DIR "/";

// A day count as a common-log date text.
std::string ClfTime(int seconds) {
    static const char* const kMonths[] = {"Jan", "Feb", "Mar"};
    const int day = seconds / 86400;
    char text[40];
    std::snprintf(text, sizeof text, "%02d/%s/2024:%02d:%02d:%02d +0100", day % 28 + 1,
                  kMonths[day / 28 % 3], seconds % 86400 / 3600, seconds / 60 % 60, seconds % 60);
    return text;
}

// Many hosts, paths, referrers, users and agents; visits whose gaps fall on both sides of 30
// minutes; every kind of line break, blank and overlong lines, and lines that are no log lines.
std::string MixedLog(int lines, unsigned seed) {
    std::mt19937 random(seed);
    const auto pick = [&random](int n) { return static_cast<int>(random() % n); };
    const char* const breaks[] = {"\n", "\r\n", "\r", "\n\r", "\n\n"};
    std::vector<int> lastSeen(300, 0);
    std::string log;
    int now = 0;
    for (int i = 0; i < lines; ++i) {
        const int host = pick(300);
        const int gaps[] = {1800, 1801, 1799, 5, 60};
        now = std::max(now + pick(3), lastSeen[host] + gaps[pick(5)] * (pick(4) == 0));
        lastSeen[host] = now;
        if (pick(200) == 0) {
            log += std::string(70000 + pick(3000), 'x') + breaks[pick(5)];
            continue;
        }
        if (pick(150) == 0) log += "not a log line at all";
        log += "h" + std::to_string(host) + ".example.net - " +
               (pick(10) == 0 ? "user" + std::to_string(pick(5)) : "-") + " [" + ClfTime(now) +
               "] \"" + (pick(7) ? "GET" : "POST") + " /p" + std::to_string(pick(2000)) +
               (pick(5) ? ".htm" : ".gif") + (pick(9) ? "" : "?q=" + std::to_string(i)) +
               " HTTP/1.1\" " + std::to_string(pick(4) ? 200 : 404) + " " +
               std::to_string(pick(90000)) + " \"" +
               (pick(3) ? "-" : "http://r" + std::to_string(pick(500)) + ".org/") + "\" \"Agent/" +
               std::to_string(pick(40)) + "\"" + breaks[pick(5)];
    }
    return log;
}

// Everything a load leaves in the analyser, keys included.
std::string Snapshot(const TLogAnalyzer& a) {
    std::ostringstream out;
    out.precision(17);
    out << a.HitCount << ' ' << a.UserCount << ' ' << a.FirstHit << ' ' << a.LastHit << ' '
        << a.TotalBytes << ' ' << a.CachedHits << ' ' << a.IncompleteHits << ' ' << a.FailedHits
        << ' ' << a.Hosts.Count() << ' ' << a.Urls.Count() << ' ' << a.Referrers.Count() << ' '
        << a.Users.Count() << ' ' << a.Agents.Count() << ' ' << a.SkippedLines << ' '
        << a.ExcludedRobotHits << '\n';
    for (int i = 0; i < a.HitCount; ++i) {
        const TLogHit& h = a.Hits[i];
        out << h.HostKey << ' ' << h.UserKey << ' ' << h.Time << ' ' << h.UrlKey << ' '
            << int(h.Method) << ' ' << int(h.Version) << ' ' << h.Status << ' ' << h.Bytes << ' '
            << h.ReferrerKey << ' ' << h.AgentKey << ' ' << h.Uid << ' ' << a.HostText(h) << ' '
            << a.UserText(h) << ' ' << a.UrlText(h) << ' ' << a.ReferrerText(h) << ' '
            << a.AgentText(h) << '\n';
    }
    return out.str();
}

class ParallelLoadTest : public testing_util::TAnalyzerFixture {
  protected:
    std::string Write(const std::string& name, const std::string& content) {
        std::ofstream(folder_ + name, std::ios::binary) << content;
        return folder_ + name;
    }

    // The snapshot of loading `files` with `threads` threads and blocks of about `blockBytes`.
    std::string Load(const TLogFileDataParam& files, int threads, size_t blockBytes,
                     const TDateSelectionSettings& selection = {},
                     const std::vector<TFilterData>& filters = {}) {
        TLogAnalyzer& a = Make(-100, "Europe/Berlin");
        a.LoadThreads = threads;
        a.LoadChunkBytes = blockBytes;
        a.ReportDateSelection = selection;
        a.ReportFilters = filters;
        a.ExcludeRobots = excludeRobots_;
        TLoadObserver quiet;
        LoadLogFiles(a, files, quiet);
        return Snapshot(a);
    }

    // One thread against several, with blocks of several sizes.
    void ExpectSameAsSequential(const TLogFileDataParam& files,
                                const TDateSelectionSettings& selection = {},
                                const std::vector<TFilterData>& filters = {}) {
        const std::string sequential = Load(files, 1, kDefaultLoadChunkBytes, selection, filters);
        for (const size_t blockBytes : {size_t{64}, size_t{700}, size_t{64} << 10})
            for (const int threads : {2, 5})
                ASSERT_EQ(Load(files, threads, blockBytes, selection, filters), sequential)
                    << threads << " threads, blocks of " << blockBytes;
    }

    static TLogFileDataParam Plain(std::initializer_list<std::string> names, uint8_t format = 2) {
        TLogFileDataParam files;
        for (const std::string& name : names) files.push_back({name, format});
        return files;
    }

    bool excludeRobots_ = false;
};

TEST_F(ParallelLoadTest, GeneratedLogsWithManyHostsPathsAndVisitors) {
    const std::string one = Write("one.log", MixedLog(2000, 1));
    const std::string two = Write("two.log", MixedLog(800, 2));
    ExpectSameAsSequential(Plain({one, two}));
    // The same log again: every text is known before its first block.
    ExpectSameAsSequential(Plain({one, one}));
}

TEST_F(ParallelLoadTest, DateSelectionsFiltersExclusionsAndDnsNames) {
    const std::string log = Write("mixed.log", MixedLog(1500, 3));
    Write("GlobalExclude.txt", "gif\n");
    TDNSCache cache;
    for (int host = 0; host < 300; host += 3) {
        uint32_t address = 0;
        ASSERT_TRUE(HostAddress("10.0.1." + std::to_string(host % 250 + 1), address));
        cache.Append(address, "named" + std::to_string(host), Today());
    }
    cache.Sort();
    cache.Write(folder_ + "DNSData.vtd");
    const std::string numeric = Write("numeric.log", [] {
        std::string text;
        for (int i = 0; i < 600; ++i)
            text += "10.0.1." + std::to_string(i % 250 + 1) + " - - [" + ClfTime(i * 7) +
                    "] \"GET /n" + std::to_string(i % 37) + ".htm HTTP/1.0\" 200 5\n";
        return text;
    }());

    ExpectSameAsSequential(Plain({log, numeric}));
    ExpectSameAsSequential(Plain({log}), {1, 45320, 45321});         // from/to days
    ExpectSameAsSequential(Plain({log, numeric}), {2, 0, 0, 20});    // last hours
    ExpectSameAsSequential(Plain({numeric, log}), {3, 0, 0, 0, 1});  // last days

    TFilterData no404, someHosts;
    no404.Exclude = true;
    no404.Filters = fbStatus;
    no404.StatusFrom = 404;
    someHosts.Filters = fbDomain;
    someHosts.Domain = "1";
    ExpectSameAsSequential(Plain({log, numeric}), {}, {no404, someHosts});
}

TEST_F(ParallelLoadTest, SkippedLinesAndLeftOutRobotsAreCountedInEveryBlock) {
    Write("Robots.txt", "Crawler\tcrawl\n");
    std::string text;
    for (int i = 0; i < 900; ++i) {
        if (i % 17 == 0) text += "# a comment line\n";
        text += "10.0.2." + std::to_string(i % 90 + 1) + " - - [" + ClfTime(i * 11) +
                "] \"GET /r.htm HTTP/1.0\" 200 5 \"-\" \"" +
                (i % 5 == 0 ? "SomeCrawler/2.0" : "Browser/1.0") + "\"\n";
    }
    const std::string log = Write("robots.log", text);
    ExpectSameAsSequential(Plain({log}));
    excludeRobots_ = true;
    ExpectSameAsSequential(Plain({log}));
    EXPECT_NE(Load(Plain({log}), 1, kDefaultLoadChunkBytes).find(" 53 180\n"), std::string::npos);
}

TEST_F(ParallelLoadTest, W3CAndGzipFiles) {
    std::string w3c =
        "#Software: test\r\n#Fields: date time c-ip cs-method cs-uri-stem sc-status "
        "cs(User-Agent)\r\n";
    for (int i = 0; i < 2000; ++i) {
        char line[160];
        std::snprintf(line, sizeof line,
                      "2024-02-%02d %02d:%02d:%02d 10.0.%d.%d GET /w%d.htm %d "
                      "Agent+%d\r\n%s",
                      i / 500 + 1, i / 60 % 24, i % 60, i * 7 % 60, i % 7, i % 251, i % 97,
                      i % 9 ? 200 : 304, i % 13, i % 400 == 0 ? "#Remark: rotated\r\n" : "");
        w3c += line;
    }
    ExpectSameAsSequential(Plain({Write("w3c.log", w3c)}, 3));

    const std::string gz = folder_ + "packed.log.gz";
    const std::string text = MixedLog(2000, 4);
    gzFile out = gzopen(gz.c_str(), "wb");
    ASSERT_EQ(gzwrite(out, text.data(), static_cast<unsigned>(text.size())),
              static_cast<int>(text.size()));
    gzclose(out);
    ExpectSameAsSequential(Plain({gz}, 0));
}

TEST_F(ParallelLoadTest, SampleLogs) {
    ExpectSameAsSequential(Plain(
        {kSamples + "elastic-apache/apache_logs", kSamples + "nasa-http/nasa_aug95_slice.log"}));
}

// Cancel keeps the lines of whole blocks from the start of the file, grouped by visitor.
TEST_F(ParallelLoadTest, CancelKeepsTheFirstLinesOfTheFile) {
    std::string log;
    for (int i = 0; i < 6000; ++i)
        log += "h" + std::to_string(i % 70) + " - - [" + ClfTime(i) + "] \"GET /" +
               std::to_string(i) + " HTTP/1.0\" 200 1\n";
    class TCancelAt : public TLoadObserver, public TProgressIndicator {
      public:
        explicit TCancelAt(TLogAnalyzer& a) : a_(a) {}
        TProgressIndicator* ProgressBar() override { return this; }
        void SetMax(int) override {}
        void SetPosition(int position) override {
            if (position == 10) a_.Cancel();
        }

      private:
        TLogAnalyzer& a_;
    };
    TLogAnalyzer& a = Make(0);
    a.LoadThreads = 3;
    TCancelAt observer(a);
    LoadLogFiles(a, Plain({Write("big.log", log)}), observer);
    EXPECT_TRUE(a.Cancelled);
    EXPECT_GE(a.HitCount, 6000 * 9 / 25);
    EXPECT_LT(a.HitCount, 6000 * 3 / 4);
    std::vector<bool> seen(static_cast<size_t>(a.HitCount));
    for (int i = 0; i < a.HitCount; ++i) {
        const int line = std::stoi(std::string(a.UrlText(a.Hits[i]).substr(1)));
        ASSERT_LT(line, a.HitCount);
        seen[static_cast<size_t>(line)] = true;
        if (i > 0) {
            ASSERT_LE(a.Hits[i - 1].Uid, a.Hits[i].Uid);
        }
    }
    EXPECT_EQ(std::count(seen.begin(), seen.end(), true), a.HitCount);
}

}  // namespace
}  // namespace vestrel
