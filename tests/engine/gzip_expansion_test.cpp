#include "engine/gzip_expansion.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "engine/errors.h"
#include "engine/log_analyzer.h"
#include "engine/log_files.h"
#include "engine/temp_files.h"

namespace vestrel {
namespace {

std::string Line(int i) {
    return "h" + std::to_string(i) + " - - [10/Oct/2000:13:55:36 +0000] \"GET /p" +
           std::to_string(i) + ".htm HTTP/1.0\" 200 " + std::to_string(1000 + i) + "\n";
}

std::string Lines(int count) {
    std::string text;
    for (int i = 0; i < count; ++i) text += Line(i);
    return text;
}

class GzipExpansionTest : public testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = testing::TempDir() + "vestrel_gzip_XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder_ = pattern + "/";
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    std::string WriteGz(const std::string& name, const std::string& content) {
        gzFile out = gzopen((folder_ + name).c_str(), "wb");
        gzwrite(out, content.data(), static_cast<unsigned>(content.size()));
        gzclose(out);
        return folder_ + name;
    }
    static std::string Read(const std::string& fileName) {
        std::stringstream text;
        text << std::ifstream(fileName, std::ios::binary).rdbuf();
        return text.str();
    }

    std::string folder_;
};

// Free space probes: plenty, unknown, and a disk with 2500 bytes beyond the margin.
int64_t Plenty(const std::string&) {
    return int64_t{1} << 50;
}
int64_t Unknown(const std::string&) {
    return -1;
}
int64_t Tight(const std::string&) {
    return kFreeSpaceMargin + 2500;
}
int64_t BelowMargin(const std::string&) {
    return kFreeSpaceMargin / 2;
}

TEST_F(GzipExpansionTest, LimitsKeepTheCompleteLinesBeforeThem) {
    const std::string log = Lines(200);
    const std::string packed = WriteGz("big.log.gz", log);
    for (TFreeSpaceProbe probe : {Plenty, Unknown}) {
        const TGzipExpansion whole = ExpandGzipFile(packed, folder_, log.size(), probe);
        EXPECT_EQ(whole.Stop, "");
        EXPECT_EQ(Read(whole.FileName), log);
    }

    TGzipExpansion cut = ExpandGzipFile(packed, folder_, 4096, Plenty);
    EXPECT_EQ(cut.Stop, "the expanded log would exceed the limit of 4 KB");
    std::string kept = Read(cut.FileName);
    EXPECT_LE(kept.size(), 4096u);
    EXPECT_GT(kept.size(), 4096u - Line(199).size());
    EXPECT_TRUE(kept == log.substr(0, kept.size()));
    EXPECT_EQ(kept.back(), '\n');

    // The disk's free space less the margin bounds a larger limit.
    cut = ExpandGzipFile(packed, folder_, kDefaultGzipExpansionLimit, Tight);
    EXPECT_EQ(cut.Stop, "the expanded log would exceed the free space of the disk holding \"" +
                            folder_ + "\" (64.0 MB)");
    kept = Read(cut.FileName);
    EXPECT_LE(kept.size(), 2500u);
    EXPECT_TRUE(kept == log.substr(0, kept.size()));
    EXPECT_EQ(kept.back(), '\n');

    const TGzipExpansion none = ExpandGzipFile(packed, folder_, 4096, BelowMargin);
    EXPECT_NE(none.Stop, "");
    EXPECT_EQ(Read(none.FileName), "");
}

TEST_F(GzipExpansionTest, ExpansionWithoutLineBreaksKeepsNothingAtTheLimit) {
    const std::string packed = WriteGz("zeros.gz", std::string(1 << 20, '\0'));
    const TGzipExpansion cut = ExpandGzipFile(packed, folder_, 100000, Plenty);
    EXPECT_NE(cut.Stop, "");
    EXPECT_EQ(std::filesystem::file_size(cut.FileName), 0u);
}

TEST_F(GzipExpansionTest, DamagedArchiveStopsWithTheReason) {
    const std::string log = Lines(3000);
    const std::string packed = WriteGz("bad.log.gz", log);
    std::string bytes = Read(packed);
    std::ofstream(folder_ + "cut.log.gz", std::ios::binary) << bytes.substr(0, bytes.size() / 2);
    for (size_t i = bytes.size() / 2; i < bytes.size() / 2 + 64; ++i) bytes[i] ^= 0x5a;
    std::ofstream(packed, std::ios::binary) << bytes;

    // Damaged data may expand to garbage before the damage shows; a truncated archive keeps the
    // lines it holds.
    for (const std::string& name : {packed, folder_ + "cut.log.gz"}) {
        const TGzipExpansion result = ExpandGzipFile(name, folder_, kDefaultGzipExpansionLimit);
        EXPECT_EQ(result.Stop.rfind("the file is damaged or truncated (", 0), 0u) << result.Stop;
        const std::string kept = Read(result.FileName);
        EXPECT_TRUE(kept.empty() || kept.back() == '\n' || kept.back() == '\r');
        if (name != packed) {
            EXPECT_GT(kept.size(), 1000u);
            EXPECT_TRUE(kept == log.substr(0, kept.size()));
        }
    }
    EXPECT_THROW(ExpandGzipFile(folder_ + "missing.gz", folder_), EVestrelError);
    EXPECT_THROW(ExpandGzipFile(packed, folder_ + "no-such-folder/"), EVestrelError);
}

TEST_F(GzipExpansionTest, LoadingKeepsEarlierFilesAndTheLinesBeforeTheLimit) {
    std::ofstream(folder_ + "first.log", std::ios::binary) << Line(7);
    const std::string log = Lines(500);
    const std::string packed = WriteGz("big.log.gz", log);
    TLogAnalyzer analyzer(folder_);
    analyzer.MaxGzipExpansion = 8192;
    TLoadObserver quiet;
    try {
        LoadLogFiles(analyzer,
                     {{folder_ + "first.log", 2}, {packed, 0}, {folder_ + "first.log", 2}}, quiet);
        ADD_FAILURE() << "the limit was not reported";
    } catch (const EVestrelError& error) {
        EXPECT_EQ(std::string(error.what()),
                  "Cannot expand \"" + packed +
                      "\" completely: the expanded log would exceed the limit of 8 KB. Its "
                      "complete lines before that point were loaded.");
    }
    // The first file, then every whole line of the archive's first 8 KB (the last one with its
    // full byte count); the file after the archive is not read.
    const auto whole = std::count(log.begin(), log.begin() + 8192, '\n');
    ASSERT_EQ(analyzer.HitCount, 1 + whole);
    EXPECT_EQ(analyzer.Hits[analyzer.HitCount - 1].Bytes, 1000 + whole - 1);
}

// What gzip -t flags is reported: bytes after the last member. Concatenated members and a plain
// file named .gz read whole.
TEST_F(GzipExpansionTest, TrailingGarbageIsReportedAfterTheWholeLog) {
    const std::string log = Lines(2000);
    const std::string packed = WriteGz("tail.log.gz", log);
    std::ofstream(packed, std::ios::binary | std::ios::app) << "garbage here";
    TGzipExpansion result = ExpandGzipFile(packed, folder_);
    EXPECT_EQ(result.Stop,
              "the file is damaged or truncated (trailing garbage after the compressed data)");
    EXPECT_EQ(Read(result.FileName), log);

    const std::string twice = WriteGz("two.log.gz", Lines(3));
    std::ofstream(twice, std::ios::binary | std::ios::app) << Read(WriteGz("one.gz", Line(9)));
    result = ExpandGzipFile(twice, folder_);
    EXPECT_EQ(result.Stop, "");
    EXPECT_EQ(Read(result.FileName), Lines(3) + Line(9));

    std::ofstream(folder_ + "plain.log.gz", std::ios::binary) << Lines(4);
    result = ExpandGzipFile(folder_ + "plain.log.gz", folder_);
    EXPECT_EQ(result.Stop, "");
    EXPECT_EQ(Read(result.FileName), Lines(4));
}

// A process id that no process holds any more.
pid_t EndedProcess() {
    const pid_t child = fork();
    if (child == 0) _exit(0);
    waitpid(child, nullptr, 0);
    return child;
}

TEST_F(GzipExpansionTest, LeftoversOfEndedRunsAreRemovedAndOddSourcesRefused) {
    const std::string dead = folder_ + "old-" + std::to_string(EndedProcess()) + "-abcdef.~xx";
    const std::string alive = folder_ + "old-" + std::to_string(getppid()) + "-abcdef.~xx";
    const std::string other = folder_ + "notes-1-x.~xx";
    for (const std::string& name : {dead, alive, other}) std::ofstream(name) << "x";
    const TGzipExpansion result = ExpandGzipFile(WriteGz("new.log.gz", Lines(3)), folder_);
    EXPECT_FALSE(std::filesystem::exists(dead));
    EXPECT_TRUE(std::filesystem::exists(alive));
    EXPECT_TRUE(std::filesystem::exists(other));
    EXPECT_EQ(Read(result.FileName), Lines(3));
    EXPECT_EQ(std::filesystem::status(result.FileName).permissions(),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);

    ASSERT_EQ(mkfifo((folder_ + "pipe.gz").c_str(), 0600), 0);
    try {
        ExpandGzipFile(folder_ + "pipe.gz", folder_);
        ADD_FAILURE() << "a FIFO was read";
    } catch (const EVestrelError& error) {
        EXPECT_NE(std::string(error.what()).find("no regular file"), std::string::npos);
    }
}

// A stopping signal removes the living temporary files before the program ends.
TEST_F(GzipExpansionTest, TemporaryFilesGoWithAStoppingSignal) {
    const std::string kept = folder_ + "kept", dropped = folder_ + "dropped";
    const pid_t child = fork();
    if (child == 0) {
        RemoveTempFilesOnSignals();
        std::ofstream(kept) << "k";
        std::ofstream(dropped) << "d";
        TTempFile keep(kept);
        keep.Keep();
        TTempFile drop(dropped);
        raise(SIGTERM);
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM);
    EXPECT_TRUE(std::filesystem::exists(kept));
    EXPECT_FALSE(std::filesystem::exists(dropped));
}

TEST(ByteSizeText, WholeAndFractionalUnits) {
    EXPECT_EQ(ByteSizeText(kDefaultGzipExpansionLimit), "20 GB");
    EXPECT_EQ(ByteSizeText(300), "300 bytes");
    EXPECT_EQ(ByteSizeText(3 << 19), "1.5 MB");
    EXPECT_EQ(ByteSizeText(int64_t{64} << 20), "64 MB");
}

}  // namespace
}  // namespace vestrel
