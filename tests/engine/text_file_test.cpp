#include "engine/text_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "engine/errors.h"

namespace vestrel {
namespace {

using Lines = std::vector<std::string>;

TEST(SplitTextLines, LineBreaksBlankAndFinalLines) {
    EXPECT_EQ(SplitTextLines("a\nb\rc\r\nd"), (Lines{"a", "b", "c", "d"}));
    EXPECT_EQ(SplitTextLines("a\n\rb"), (Lines{"a", "", "b"}));  // LF CR is two breaks
    EXPECT_EQ(SplitTextLines("a\n\n"), (Lines{"a", ""}));
    EXPECT_EQ(SplitTextLines("\r\n\r\nz\r\n"), (Lines{"", "", "z"}));
    EXPECT_TRUE(SplitTextLines("").empty());
}

class TextFileTest : public testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = testing::TempDir() + "vestrel_text_XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder_ = pattern + "/";
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    std::string Write(const std::string& name, const std::string& content) {
        std::ofstream(folder_ + name, std::ios::binary) << content;
        return folder_ + name;
    }

    std::string folder_;
};

TEST_F(TextFileTest, ReadsTheWholeFile) {
    EXPECT_EQ(ReadTextFileLines(Write("mixed.txt", "one\r\ntwo\rthree\nfour")),
              (Lines{"one", "two", "three", "four"}));
    EXPECT_TRUE(ReadTextFileLines(Write("empty.txt", "")).empty());

    // Larger than one read buffer.
    std::string content;
    for (int i = 0; i < 20000; ++i) content += "line\r\n";
    EXPECT_EQ(ReadTextFileLines(Write("long.txt", content)).size(), 20000u);
}

TEST_F(TextFileTest, UnopenableFileRaisesNamingIt) {
    for (const std::string& path : {folder_ + "missing.txt", folder_}) {
        try {
            ReadTextFileLines(path);
            ADD_FAILURE() << "no error for " << path;
        } catch (const EVestrelError& error) {
            EXPECT_NE(std::string(error.what()).find(path), std::string::npos) << error.what();
        }
    }
}

TEST_F(TextFileTest, TryTellsWhetherTheFileOpened) {
    Lines lines;
    EXPECT_FALSE(TryReadTextFileLines(folder_ + "missing.txt", lines));
    EXPECT_EQ(errno, ENOENT);
    EXPECT_FALSE(TryReadTextFileLines(folder_, lines));
    EXPECT_TRUE(TryReadTextFileLines(Write("a.txt", "x\ny\n"), lines));
    EXPECT_EQ(lines, (Lines{"x", "y"}));
}

// A FIFO would block the read, a device never end it, a huge file exhaust memory: each is refused
// at once with the reason.
TEST_F(TextFileTest, SpecialAndOversizedFilesAreRefused) {
    const std::string fifo = folder_ + "targets.fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string zero = folder_ + "zero.txt";
    ASSERT_EQ(symlink("/dev/zero", zero.c_str()), 0);
    const std::string huge = Write("huge.txt", "");
    ASSERT_EQ(truncate(huge.c_str(), kMaxTextFileSize + 1), 0);
    const std::pair<std::string, const char*> cases[] = {
        {fifo, "no regular file"}, {zero, "no regular file"}, {huge, "larger than the 16 MB"}};
    for (const auto& [path, reason] : cases) {
        try {
            ReadTextFileLines(path);
            ADD_FAILURE() << "no error for " << path;
        } catch (const EVestrelError& error) {
            const std::string text = error.what();
            EXPECT_NE(text.find(path), std::string::npos) << text;
            EXPECT_NE(text.find(reason), std::string::npos) << text;
        }
    }
    Lines lines;
    EXPECT_FALSE(TryReadTextFileLines(fifo, lines));
    EXPECT_EQ(errno, EINVAL);
}

}  // namespace
}  // namespace vestrel
