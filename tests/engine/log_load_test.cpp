#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "engine/date_time.h"
#include "engine/engine_test_util.h"
#include "engine/errors.h"
#include "engine/log_analyzer.h"
#include "engine/log_files.h"
#include "engine/log_filter.h"
#include "engine/text_util.h"

namespace vestrel {
namespace {

using testing_util::Stamp;

constexpr int kHour = 3600, kDay = 86400;

// "dd/Oct/2000:hh:mm:ss" for a number of seconds after 2000-10-10 00:00:00.
std::string When(int seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%02d/Oct/2000:%02d:%02d:%02d", 10 + seconds / kDay,
                  seconds % kDay / 3600, seconds / 60 % 60, seconds % 60);
    return text;
}

std::string Clf(const std::string& host, int seconds, const std::string& path = "/a.htm",
                int status = 200, int bytes = 100) {
    return host + " - - [" + When(seconds) + " +0000] \"GET " + path + " HTTP/1.0\" " +
           std::to_string(status) + " " + std::to_string(bytes) + "\n";
}

std::string ManyLines(int count, const std::string& stem) {
    std::string log;
    for (int i = 0; i < count; ++i)
        log += Clf("h" + std::to_string(i % 50), i, stem + std::to_string(i) + ".htm");
    return log;
}

// The progress window and status bar, recorded; presses Cancel when the bar reaches CancelAt.
class TRecorder : public TLoadObserver, public TProgressIndicator {
  public:
    void ShowProgressWindow(const std::string&) override { ++Windows; }
    void SetStatusText(const std::string& text) override { Status.push_back(text); }
    void SetProgressText(const std::string& text) override {
        if (CancelWhileExpanding && text.starts_with("Decompressing") && CancelTarget)
            CancelTarget->Cancel();
    }
    TProgressIndicator* ProgressBar() override { return this; }
    void CloseProgressWindow() override { ++Closes; }
    void SetMax(int max) override { Max = max; }
    void SetPosition(int position) override {
        Positions.push_back(position);
        if (position == CancelAt && CancelTarget) CancelTarget->Cancel();
    }

    int Windows = 0, Closes = 0, Max = 0, CancelAt = -1;
    bool CancelWhileExpanding = false;
    TLogAnalyzer* CancelTarget = nullptr;
    std::vector<int> Positions;
    std::vector<std::string> Status;
};

class LogLoadTest : public testing_util::TAnalyzerFixture {
  protected:
    void SetUp() override {
        TAnalyzerFixture::SetUp();
        Make(0);
    }

    std::string Write(const std::string& name, const std::string& content) {
        std::ofstream(folder_ + name, std::ios::binary) << content;
        return folder_ + name;
    }
    std::string WriteGz(const std::string& name, const std::string& content) {
        gzFile out = gzopen((folder_ + name).c_str(), "wb");
        EXPECT_EQ(gzwrite(out, content.data(), static_cast<unsigned>(content.size())),
                  static_cast<int>(content.size()));
        gzclose(out);
        return folder_ + name;
    }

    void Load(const std::vector<std::string>& paths, int format = 2) {
        TLogFileDataParam files;
        for (const std::string& path : paths) files.push_back({path, static_cast<uint8_t>(format)});
        LoadLogFiles(*analyzer_, files, recorder_);
    }
    void LoadText(const std::string& log) { Load({Write("text.log", log)}); }

    TLogAnalyzer& a() { return *analyzer_; }
    std::string Path(int i) { return std::string(a().UrlText(a().Hits[i])); }
    std::string Host(int i) { return std::string(a().HostText(a().Hits[i])); }
    std::string Paths() {
        std::string all;
        for (int i = 0; i < a().HitCount; ++i) all += Path(i);
        return all;
    }
    // The Uids each host got.
    std::map<std::string, std::set<int32_t>> UidsByHost() {
        std::map<std::string, std::set<int32_t>> uids;
        for (int i = 0; i < a().HitCount; ++i) uids[Host(i)].insert(a().Hits[i].Uid);
        return uids;
    }

    // Hits of one Uid are consecutive and ascending in time; every Uid is below UserCount.
    void ExpectGrouped() {
        std::set<int32_t> seen;
        for (int i = 0; i < a().HitCount; ++i) {
            const TLogHit& hit = a().Hits[i];
            ASSERT_LT(hit.Uid, a().UserCount);
            if (i > 0 && a().Hits[i - 1].Uid == hit.Uid) {
                ASSERT_LE(a().Hits[i - 1].Time, hit.Time) << i;
            } else {
                ASSERT_TRUE(seen.insert(hit.Uid).second) << "Uid " << hit.Uid << " split";
            }
        }
    }

    // Hosts with two hits `gap` seconds apart, from several times of day: Uids per host.
    std::vector<size_t> UidsPerPair(int gap) {
        const int starts[] = {0, 36000, 47825, 85500, 17, 115199};  // 115199: 11/Oct 07:59:59
        std::string log;
        for (int i = 0; i < 6; ++i) {
            const std::string host = "p" + std::to_string(i);
            log += Clf(host, starts[i]) + Clf(host, starts[i] + gap);
        }
        LoadText(log);
        std::vector<size_t> counts;
        for (const auto& [host, uids] : UidsByHost()) counts.push_back(uids.size());
        return counts;
    }

    TRecorder recorder_;
};

TEST_F(LogLoadTest, TotalsStatusCountsAndEmptyLoads) {
    LoadText(Clf("h", 13 * kHour, "/a.htm", 304, 0));
    EXPECT_EQ(a().HitCount, 1);
    EXPECT_EQ(a().CachedHits, 1);
    EXPECT_EQ(a().UserCount, 1);
    EXPECT_EQ(a().FirstHit, a().LastHit);
    EXPECT_EQ(Stamp(a().FirstHit), "2000-10-10 13:00:00");

    std::string log;
    const int statuses[] = {200, 206, 304, 400, 404, 499, 500, 301};
    for (int i = 0; i < 8; ++i) log += Clf("h", 60 * i, "/s.htm", statuses[i], 10 * (i + 1));
    LoadText(log);
    EXPECT_EQ(a().HitCount, 8);
    EXPECT_EQ(a().CachedHits, 1);
    EXPECT_EQ(a().IncompleteHits, 1);
    EXPECT_EQ(a().FailedHits, 3);  // 400, 404, 499; not 500
    EXPECT_EQ(a().TotalBytes, 360);
    EXPECT_EQ(Stamp(a().LastHit), "2000-10-10 00:07:00");

    // No accepted line: empty files, blank lines, or every line outside the selected days.
    Load({Write("empty.log", ""), Write("blank.log", "\n\r\n\n")});
    EXPECT_EQ(a().HitCount + a().UserCount, 0);
    a().ReportDateSelection = {1, 1000, 1000};
    LoadText(Clf("h", 0) + Clf("h", 60));
    EXPECT_EQ(a().HitCount, 0);
    EXPECT_EQ(a().FirstHit, 100000.0);
    EXPECT_EQ(a().LastHit, 0);
}

// Comment lines, fragments and garbage are counted once each, wherever they stand in the files
// (the last line is also read ahead for the date selection), and never move the first hit.
TEST_F(LogLoadTest, UnreadableLinesAreSkippedNotStored) {
    const std::string first =
        Write("one.log", "# a comment line\n" + Clf("h", 60) + "xxxxxxxxxxxx\n" + Clf("h", 120) +
                             "h - - [10/Oct/2000:1\n");
    const std::string second = Write("two.log", Clf("g", 180) + "#Fields: none\n");
    Load({first, second});
    EXPECT_EQ(a().HitCount, 3);
    EXPECT_EQ(a().SkippedLines, 4);
    EXPECT_EQ(Stamp(a().FirstHit), "2000-10-10 00:01:00");
    EXPECT_EQ(a().UserCount, 2);
    Load({second});
    EXPECT_EQ(a().SkippedLines, 1);  // each loading counts afresh
}

TEST_F(LogLoadTest, VisitEndsAfterThirtyMinutesOfIdleTime) {
    EXPECT_EQ(UidsPerPair(1801), std::vector<size_t>(6, 2));
    EXPECT_EQ(UidsPerPair(1799), std::vector<size_t>(6, 1));
    // Two hosts alternating every minute stay two visitors.
    std::string log;
    for (int minute = 0; minute < 300; ++minute)
        log += Clf(minute % 2 ? "odd" : "even", 8 * kHour + 60 * minute);
    LoadText(log);
    EXPECT_EQ(a().UserCount, 2);
}

TEST_F(LogLoadTest, VisitGapOfExactlyThirtyMinutesIsInclusive) {
    EXPECT_EQ(UidsPerPair(1800), std::vector<size_t>(6, 1));
}

TEST_F(LogLoadTest, EachFileStartsNewVisits) {
    const std::string first = Write("1.log", Clf("A", 600) + Clf("B", 630));
    Load({first, Write("2.log", Clf("A", 660) + Clf("B", 690))});
    EXPECT_EQ(a().UserCount, 4);
    // A one-line file has no line break before its last line, so its visits run on.
    Load({first, Write("3.log", Clf("A", 720))});
    EXPECT_EQ(a().UserCount, 2);
}

TEST_F(LogLoadTest, IdleVisitsCloseWhenTheVisitorCountReachesAHundred) {
    // H at 12:00, new hosts at 12:40 until the count is 100 (which closes H's visit), then H at
    // 12:05 (out of time order): a new visitor only when the closing happened.
    for (int others : {98, 99}) {
        std::string log = Clf("H", 12 * kHour);
        for (int i = 0; i < others; ++i) log += Clf("o" + std::to_string(i), 12 * kHour + 2400);
        LoadText(log + Clf("H", 12 * kHour + 300));
        EXPECT_EQ(UidsByHost()["H"].size(), others == 99 ? 2u : 1u) << others;
    }
}

TEST_F(LogLoadTest, GroupingOrdersByVisitorThenTimeThenReadingOrder) {
    LoadText(Clf("A", 36300, "/1") + Clf("B", 36000, "/2") + Clf("A", 36060, "/3"));
    EXPECT_EQ(Paths(), "/3/1/2");
    LoadText(Clf("A", 36300, "/late") + Clf("A", 36060, "/early"));
    EXPECT_EQ(Paths(), "/early/late");
    a().SortHits(0, 1, skPath);  // the report sorts by any field
    EXPECT_EQ(Paths(), "/early/late");
    a().SortHits(0, 1, skTime);
    EXPECT_EQ(Paths(), "/early/late");
    // Shuffled runs with many equal times, short and long.
    for (int count : {10, 150}) {
        std::string log;
        for (int i = 0; i < count; ++i) {
            log += Clf("A", 36000 + 60 * ((i * 37) % 7), "/a" + std::to_string(i));
            if (i % 3 == 0) log += Clf("B", 36000 + 30 * (count - i), "/b" + std::to_string(i));
        }
        LoadText(log);
        EXPECT_EQ(a().UserCount, 2);
        ExpectGrouped();
        for (int i = 1; i < a().HitCount; ++i)
            if (Host(i) == "A" && Host(i - 1) == "A" && a().Hits[i].Time == a().Hits[i - 1].Time) {
                EXPECT_LT(std::stoi(Path(i - 1).substr(2)), std::stoi(Path(i).substr(2)));
            }
    }
}

TEST_F(LogLoadTest, DateSelectionFromToKeepsWholeDays) {
    double day = 0;
    ASSERT_TRUE(TryEncodeDate(2000, 10, 11, day));
    a().ReportDateSelection = {1, day + 0.75, day + 0.25};  // the time of day plays no part
    LoadText(Clf("h", kDay - 1, "/before") + Clf("h", kDay, "/start") +
             Clf("h", kDay + 13 * kHour, "/noon") + Clf("h", 2 * kDay - 1, "/end") +
             Clf("h", 2 * kDay, "/after"));
    EXPECT_EQ(Paths(), "/start/noon/end");
}

TEST_F(LogLoadTest, LastHoursAndDaysAreMeasuredFromTheLatestTime) {
    const std::string first =
        Write("first.log", Clf("h", 0) + Clf("h", kDay) + Clf("h", kDay + 12 * kHour) +
                               Clf("h", 2 * kDay) + Clf("h", 2 * kDay + 12 * kHour));
    a().ReportDateSelection = {2, 0, 0, 12, 0};
    Load({first});
    EXPECT_EQ(a().HitCount, 2);
    EXPECT_EQ(Stamp(a().FirstHit), "2000-10-12 00:00:00");
    a().ReportDateSelection = {3, 0, 0, 0, 1};
    Load({first});
    EXPECT_EQ(a().HitCount, 3);
    EXPECT_EQ(Stamp(a().FirstHit), "2000-10-11 12:00:00");
    // A later file older than what was loaded is limited by the hits before it.
    Load({first, Write("older.log", Clf("g", kDay + 6 * kHour) + Clf("g", 2 * kDay + 6 * kHour))});
    EXPECT_EQ(a().HitCount, 4);
}

TEST_F(LogLoadTest, LineExactlyTheSelectedHoursBeforeTheLastIsKept) {
    a().ReportDateSelection = {2, 0, 0, 1, 0};
    for (int start = 17; start < 80000; start += 4001) {
        LoadText(Clf("h", start) + Clf("h", start + kHour));
        EXPECT_EQ(a().HitCount, 2) << When(start);
    }
}

TEST_F(LogLoadTest, GlobalExcludeAndReportFiltersDropHitsWhileLoading) {
    Write("GlobalExclude.txt", "gif\njpg\n");
    LoadText(Clf("h", 0, "/img/a.gif") + Clf("h", 1, "/img.old/a.gif") + Clf("h", 2, "/b.gif?x=1") +
             Clf("h", 3, "/c.jpg") + Clf("h", 4, "/a.GIF") + Clf("h", 5, "/c.htm"));
    EXPECT_EQ(Paths(), "/img.old/a.gif/a.GIF/c.htm");
    std::filesystem::remove(folder_ + "GlobalExclude.txt");

    TFilterData no404, goodHosts;
    no404.Exclude = true;
    no404.Filters = fbStatus;
    no404.StatusFrom = 404;
    goodHosts.Filters = fbDomain;
    goodHosts.Domain = "good";
    a().ReportFilters = {no404, goodHosts};
    LoadText(Clf("good.one", 0, "/a") + Clf("good.one", 1, "/b", 404) + Clf("bad.one", 2, "/c") +
             Clf("good.two", 3, "/d", 301) + Clf("bad.two", 4, "/e", 404));
    EXPECT_EQ(Paths(), "/a/d");
    EXPECT_EQ(a().FailedHits, 0);
    EXPECT_EQ(a().UserCount, 2);
    EXPECT_EQ(a().TotalBytes, 200);
}

TEST_F(LogLoadTest, RequestDataCountsServedFiles) {
    LoadText(
        Clf("h", 0, "/a.htm?x=1") + Clf("h", 1, "/a.htm?x=2") + Clf("h", 2, "/a.htm?x=1", 200, 50) +
        Clf("h", 3, "/noext") + Clf("h", 4, "/b.htm", 404) + Clf("h", 5, "/c.gif", 304, 0) +
        Clf("h", 6, "/d.htm", 200, 0) + Clf("h", 7, "/e.htm", 302, 10) + Clf("h", 8, "/f.htm?a?b"));
    std::vector<std::pair<std::string, int>> got;
    for (const TRequestData& request : a().BuildRequestData()) {
        got.emplace_back(request.Path, request.Count);
        EXPECT_EQ(request.Hash, StrHash(request.Path)) << request.Path;
    }
    EXPECT_EQ(got,
              (std::vector<std::pair<std::string, int>>{
                  {"/a.htm", 2}, {"/a.htm", 1}, {"/c.gif", 1}, {"/e.htm", 1}, {"/f.htm?a", 1}}));
}

TEST_F(LogLoadTest, CancelFromTheProgressBarKeepsTheHitsSoFar) {
    recorder_.CancelTarget = &a();
    recorder_.CancelAt = 5;
    Load({Write("big.log", ManyLines(3000, "/big")), Write("next.log", ManyLines(10, "/next"))});
    EXPECT_TRUE(a().Cancelled);
    EXPECT_GT(a().HitCount, 300);
    EXPECT_LT(a().HitCount, 1000);
    for (int i = 0; i < a().HitCount; ++i) ASSERT_EQ(Path(i).substr(0, 4), "/big");
    EXPECT_EQ(recorder_.Positions.back(), 5);  // the bar was detached
    EXPECT_EQ(recorder_.Closes, 1);
    ExpectGrouped();
    EXPECT_EQ(recorder_.Status.back().rfind("Load time: ", 0), 0u);
}

// A Cancel before a file's lines are read (here while it is expanded) still ends the loading.
TEST_F(LogLoadTest, CancelBeforeAFileIsReadIsNotLost) {
    recorder_.CancelTarget = &a();
    recorder_.CancelWhileExpanding = true;
    Load({Write("first.log", ManyLines(10, "/first")),
          WriteGz("second.log.gz", ManyLines(10, "/gz")),
          Write("third.log", ManyLines(10, "/third"))});
    EXPECT_TRUE(a().Cancelled);
    EXPECT_EQ(a().HitCount, 10);
    EXPECT_EQ(Path(0).substr(0, 6), "/first");

    // The next loading starts afresh.
    recorder_.CancelTarget = nullptr;
    Load({Write("third.log", ManyLines(10, "/third"))});
    EXPECT_FALSE(a().Cancelled);
    EXPECT_EQ(a().HitCount, 10);
}

TEST_F(LogLoadTest, ProgressRunsToTwentyFive) {
    LoadText(ManyLines(3000, "/p"));
    EXPECT_EQ(recorder_.Max, 25);
    const std::vector<int>& steps = recorder_.Positions;
    ASSERT_GE(steps.size(), 25u);
    ASSERT_LE(steps.size(), 26u);
    for (size_t i = 0; i + 1 < steps.size(); ++i) EXPECT_EQ(steps[i], static_cast<int>(i) + 1);
    EXPECT_EQ(steps.back(), 25);
    EXPECT_EQ(recorder_.Status[0], "Loading \"" + folder_ + "text.log\"");
    recorder_.Positions.clear();
    LoadText("x");  // too small for a step
    EXPECT_EQ(recorder_.Positions, std::vector<int>{25});
}

TEST_F(LogLoadTest, FileListFromFlaggedLines) {
    for (const char* name : {"a.log", "b.log", "c.txt", ".hidden.log", "x[1].log"})
        Write(name, Clf("h", 0));
    Write("z.gz", "not examined");
    std::filesystem::create_directory(folder_ + "sub.log");
    TLogFileDataParam files;
    FillLogFileData({"0" + folder_ + "*.log", "", "x" + folder_ + "c.txt"}, files);
    EXPECT_TRUE(files.empty());
    FillLogFileData({"1" + folder_ + "*.log", "1" + folder_ + "none*", "1" + folder_ + "?.gz",
                     "1" + folder_ + "x[1].log"},
                    files);
    std::vector<std::string> names;
    for (const TLogFileData& file : files) names.push_back(file.FileName.substr(folder_.size()));
    EXPECT_EQ(names, (std::vector<std::string>{"a.log", "b.log", "x[1].log", "z.gz", "x[1].log"}));
    ASSERT_EQ(files.size(), 5u);
    EXPECT_EQ(files[0].Size, static_cast<int64_t>(Clf("h", 0).size()));
    EXPECT_EQ(files[0].Format, 2);
    EXPECT_EQ(files[3].Size, 12);
    EXPECT_EQ(files[3].Format, 0);
}

TEST_F(LogLoadTest, W3CFilesAreExaminedAndLoaded) {
    Make(kTimeZoneFromFiles, "CET-1");  // the examination reads W3C dates unshifted
    const std::string body =
        "2002-03-04 10:11:12 1.1.1.1 /a 200\r\n"
        "#Fields: date time sc-status c-ip cs-uri-stem\r\n"
        "2002-03-05 23:00:01 1.1.1.2 /b 404\r\n";
    TLogFileDataParam files;
    FillLogFileData({"1" + Write("dt.log",
                                 "#Software: IIS\r\n#Fields: date time c-ip cs-uri-stem "
                                 "sc-status\r\n" +
                                     body),
                     "1" + Write("other.log", "#Fields: c-ip date time\n" + body)},
                    files);
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[0].Format, 3);
    EXPECT_EQ(Stamp(files[0].FirstDate), "2002-03-04 10:11:12");
    EXPECT_EQ(Stamp(files[0].LastDate), "2002-03-05 23:00:01");
    EXPECT_EQ(files[1].Format, 3);
    EXPECT_EQ(files[1].FirstDate, 0);
    EXPECT_EQ(files[1].LastDate, 0);
    // A directive after the first data line does not change the columns.
    files.pop_back();
    LoadLogFiles(a(), files, recorder_);
    ASSERT_EQ(a().HitCount, 2);
    EXPECT_EQ(Paths(), "/a/b");
    EXPECT_EQ(a().FailedHits, 1);
    EXPECT_EQ(Stamp(a().FirstHit), "2002-03-04 11:11:12");
}

TEST_F(LogLoadTest, ExaminingCommonLogFiles) {
    const std::string first =
        "1.2.3.4 - - [10/Oct/2000:13:55:36 -0700] \"GET /apache_pb.gif HTTP/1.0\" 200 2326\n";
    std::string big = first;
    while (big.size() < 20000) big += Clf("h", 3600);
    TLogFileDataParam files;
    FillLogFileData({"1" + Write("short.log", first + Clf("h", 7200)),
                     "1" + Write("big.log", big + Clf("h", kDay + 3600)),
                     "1" + Write("nobreak.log", first + "h - - [11/Oct/2000:05:00:00 +0000] x")},
                    files);
    ASSERT_EQ(files.size(), 3u);
    EXPECT_EQ(Stamp(files[0].FirstDate), "2000-10-10 20:55:36");
    EXPECT_EQ(Stamp(files[0].LastDate), "2000-10-10 02:00:00");
    EXPECT_EQ(Stamp(files[1].FirstDate), "2000-10-10 20:55:36");
    EXPECT_EQ(Stamp(files[1].LastDate), "2000-10-11 01:00:00");  // from the file's tail
    EXPECT_EQ(Stamp(files[2].LastDate), "2000-10-11 05:00:00");  // no final line break
    Make(kTimeZoneFromFiles, "CET-1");
    files.clear();
    FillLogFileData({"1" + folder_ + "short.log"}, files);
    EXPECT_EQ(Stamp(files.at(0).FirstDate), "2000-10-10 21:55:36");
}

TEST_F(LogLoadTest, GzipFilesLoadLikePlainOnes) {
    const std::string log = ManyLines(500, "/z");
    LoadText(log);
    const int32_t hits = a().HitCount;
    const double first = a().FirstHit, last = a().LastHit, bytes = a().TotalBytes;
    Load({WriteGz("packed.log.gz", log)}, 0);
    EXPECT_EQ(a().HitCount, hits);
    EXPECT_EQ(a().FirstHit, first);
    EXPECT_EQ(a().LastHit, last);
    EXPECT_EQ(a().TotalBytes, bytes);
    for (const auto& entry : std::filesystem::directory_iterator(folder_))
        EXPECT_NE(entry.path().extension(), ".~xx") << "the expansion outlived its load";

    // Two archives with one base name get expansions of their own, each removed with its owner.
    const std::string firstGz = WriteGz("a.log.gz", Clf("x", 0) + Clf("x", 1));
    const std::string secondGz = WriteGz("a.old.gz", Clf("y", 2));
    TGzipExpansion older = ExpandGzipFile(firstGz, folder_);
    const TGzipExpansion second = ExpandGzipFile(secondGz, folder_);
    EXPECT_NE(older.FileName, second.FileName);
    EXPECT_EQ(older.FileName.rfind(folder_ + "a-", 0), 0u);
    EXPECT_TRUE(older.FileName.ends_with(".~xx"));
    std::stringstream expanded;
    expanded << std::ifstream(second.FileName, std::ios::binary).rdbuf();
    EXPECT_EQ(expanded.str(), Clf("y", 2));
    const std::string firstName = older.FileName;
    older = {};
    EXPECT_FALSE(std::filesystem::exists(firstName));
    EXPECT_TRUE(std::filesystem::exists(second.FileName));
    Load({firstGz, secondGz}, 0);
    EXPECT_EQ(a().HitCount, 3);

    // A truncated archive loads what it can, then ends the sequence naming the file.
    const std::string cut = WriteGz("cut.log.gz", ManyLines(3000, "/cut"));
    std::filesystem::resize_file(cut, std::filesystem::file_size(cut) / 2);
    try {
        Load({cut}, 0);
        ADD_FAILURE() << "the truncated archive loaded without a message";
    } catch (const EVestrelError& error) {
        EXPECT_NE(std::string(error.what()).find("\"" + cut + "\" completely"), std::string::npos)
            << error.what();
    }
    EXPECT_GT(a().HitCount, 100);
    EXPECT_LT(a().HitCount, 3000);
}

TEST_F(LogLoadTest, ZipOrMissingFileEndsTheSequence) {
    const std::string before = Write("before.log", Clf("b", 0, "/x") + Clf("b", 1, "/y"));
    const std::string after = Write("after.log", Clf("c", 2, "/after"));
    const std::string missing = folder_ + "missing.log";
    for (const std::string& middle : {Write("mid.zip", "PK"), missing}) {
        try {
            Load({before, middle, after});
            ADD_FAILURE() << middle << " loaded";
        } catch (const EVestrelError& error) {
            EXPECT_EQ(std::string(error.what()),
                      middle == missing
                          ? "Cannot open file \"" + missing + "\". No such file or directory"
                          : "ZIP not implementet yet");
        }
        EXPECT_EQ(a().HitCount, 2);  // the hits before stay, the file after is not read
        EXPECT_EQ(Paths(), "/x/y");
        EXPECT_EQ(recorder_.Windows, recorder_.Closes);
    }
}

// The public sample logs, read where they lie.
std::string Sample(const std::string& name) {
    return std::string(VESTREL_SAMPLES_DIR) + "/" + name;
}

#define REQUIRE_SAMPLE(path) \
    if (!std::filesystem::exists(path)) GTEST_SKIP() << "sample absent: " << path

TEST_F(LogLoadTest, SampleApacheCombinedLog) {
    const std::string path = Sample("elastic-apache/apache_logs");
    REQUIRE_SAMPLE(path);
    Make(kTimeZoneFromFiles);
    TLogFileDataParam files;
    FillLogFileData({"1" + path}, files);
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].Format, 2);
    EXPECT_EQ(Stamp(files[0].FirstDate), "2015-05-17 10:05:03");
    LoadLogFiles(a(), files, recorder_);
    EXPECT_EQ(a().HitCount, 10000);
    EXPECT_EQ(Stamp(a().FirstHit).substr(0, 13), "2015-05-17 10");
    EXPECT_EQ(Stamp(a().LastHit).substr(0, 13), "2015-05-20 21");
    EXPECT_EQ(a().CachedHits, 445);
    EXPECT_EQ(a().IncompleteHits, 45);
    EXPECT_EQ(a().FailedHits, 217);  // 213 times 404, twice 403 and twice 416
    EXPECT_EQ(a().Hosts.Count(), 1753u);
    ExpectGrouped();
}

TEST_F(LogLoadTest, SampleW3CLog) {
    const std::string path = Sample("iis-knowit/u_ex160106.log");
    REQUIRE_SAMPLE(path);
    Make(kTimeZoneFromFiles);
    TLogFileDataParam files;
    FillLogFileData({"1" + path}, files);
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].Format, 3);
    EXPECT_EQ(Stamp(files[0].FirstDate), "2016-01-06 03:19:53");
    LoadLogFiles(a(), files, recorder_);
    EXPECT_EQ(a().HitCount, 1257);  // the lines that are no directives
    EXPECT_EQ(a().CachedHits, 443);
    EXPECT_EQ(a().FailedHits, 6);
    EXPECT_EQ(Stamp(a().FirstHit), "2016-01-06 03:19:53");
    EXPECT_EQ(Stamp(a().LastHit), "2016-01-06 22:52:55");
    ExpectGrouped();
}

TEST_F(LogLoadTest, SampleNasaLogsPlainPackedAndDamaged) {
    const std::string plain = Sample("nasa-http/nasa_aug95_slice.log");
    const std::string damaged = Sample("nasa-http/nasa_aug95_damaged.log");
    REQUIRE_SAMPLE(plain);
    REQUIRE_SAMPLE(plain + ".gz");
    REQUIRE_SAMPLE(damaged);
    Make(kTimeZoneFromFiles);
    Load({plain});
    const int32_t users = a().UserCount;
    const double first = a().FirstHit;
    EXPECT_EQ(a().HitCount, 20000);
    EXPECT_EQ(a().TotalBytes, 321739411.0);
    Load({plain + ".gz"}, 0);
    EXPECT_EQ(a().HitCount, 20000);
    EXPECT_EQ(a().UserCount, users);
    EXPECT_EQ(a().FirstHit, first);
    EXPECT_EQ(a().TotalBytes, 321739411.0);
    EXPECT_EQ(a().SkippedLines, 0);
    // Fragments of broken records whose time is lost are skipped.
    Load({damaged});
    EXPECT_EQ(a().HitCount + a().SkippedLines, 1930);
    EXPECT_EQ(a().SkippedLines, 61);
    EXPECT_GE(a().FirstHit, first);
    EXPECT_EQ(Stamp(a().LastHit), "1995-08-01 05:12:24");
    ExpectGrouped();
}

}  // namespace
}  // namespace vestrel
