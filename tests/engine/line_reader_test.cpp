#include "engine/line_reader.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/errors.h"
#include "engine/line_chunks.h"

namespace vestrel {
namespace {

using Lines = std::vector<std::string>;

constexpr size_t kBufferBytes = 1 << 20;  // the reader's internal buffer

// Bytes that differ from position to position, so that a wrong cut shows.
std::string Pattern(size_t length, size_t seed = 0) {
    std::string text(length, '\0');
    for (size_t i = 0; i < length; ++i) text[i] = static_cast<char>('a' + (i + seed) % 26);
    return text;
}

class LineReaderTest : public testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = testing::TempDir() + "vestrel_lines_XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder_ = pattern + "/";
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    std::string Write(const std::string& content) {
        std::ofstream(folder_ + "log.txt", std::ios::binary) << content;
        return folder_ + "log.txt";
    }

    Lines ReadAll(const std::string& content) {
        TLineSource source(Write(content));
        Lines lines;
        std::string_view line;
        while (source.Next(line)) lines.emplace_back(line);
        EXPECT_EQ(source.Position(), content.size());
        EXPECT_FALSE(source.Next(line));
        return lines;
    }

    // The lines of every block in turn, up to the block that reaches the file's end.
    Lines ReadBlocks(const std::string& content, size_t blockBytes) {
        TLineSource source(Write(content));
        const TFileBlocks blocks(source, blockBytes);
        Lines lines;
        TFileBlock block;
        for (uint64_t number = 0; !block.AtEnd; ++number) {
            blocks.Read(number, block);
            ForEachLine(block.Lines, [&](std::string_view line) {
                lines.emplace_back(line);
                return true;
            });
            EXPECT_LE(number, content.size() / 64 + 1) << "no block reached the end";
            if (number > content.size() / 64 + 1) break;
        }
        return lines;
    }

    std::string folder_;
};

TEST_F(LineReaderTest, LineBreakKinds) {
    EXPECT_EQ(ReadAll("a\nbb\n"), (Lines{"a", "bb"}));
    EXPECT_EQ(ReadAll("a\r\nbb\r\n"), (Lines{"a", "bb"}));
    EXPECT_EQ(ReadAll("a\rbb\r"), (Lines{"a", "bb"}));
    EXPECT_EQ(ReadAll("a\n\rbb"), (Lines{"a", "", "bb"}));  // LF CR: an empty line between
    EXPECT_EQ(ReadAll("a\r\r\nb"), (Lines{"a", "", "b"}));
    EXPECT_EQ(ReadAll("a\nbb"), (Lines{"a", "bb"}));  // no final break
    EXPECT_EQ(ReadAll(""), Lines{});
    EXPECT_EQ(ReadAll("\n\n\r\n\r"), (Lines{"", "", "", ""}));
    EXPECT_EQ(ReadAll(std::string("a\0b\n\0\r\nc", 8)),
              (Lines{std::string("a\0b", 3), std::string(1, '\0'), "c"}));
}

TEST_F(LineReaderTest, LongLinesAreKeptWholeUpToTheLimit) {
    const std::string mid = Pattern(20000);  // far beyond the old 8000-byte pieces
    const std::string limit = Pattern(kMaxLineLength, 3);
    const std::string over = Pattern(kMaxLineLength + 1, 5);
    const std::string huge = Pattern(100000, 7);
    const Lines lines =
        ReadAll(mid + "\n" + limit + "\r\n" + over + "\r\n" + huge + "\r\nnext\nlast");
    EXPECT_EQ(lines, (Lines{mid, limit, over.substr(0, kMaxLineLength),
                            huge.substr(0, kMaxLineLength), "next", "last"}));
}

TEST_F(LineReaderTest, OverlongLinesBeyondTheBuffer) {
    const std::string a = Pattern(kBufferBytes + 12345, 1);
    const std::string b = Pattern(2 * kBufferBytes + 1, 2);
    const Lines lines = ReadAll(a + "\r\n" + b + "\n\r" + a + "\rz");
    EXPECT_EQ(lines, (Lines{a.substr(0, kMaxLineLength), b.substr(0, kMaxLineLength), "",
                            a.substr(0, kMaxLineLength), "z"}));
    // Without a break at the end of the file.
    const std::string tail = Pattern(3 * 1000 * 1000, 11);
    EXPECT_EQ(ReadAll("a\n" + tail), (Lines{"a", tail.substr(0, kMaxLineLength)}));
}

TEST_F(LineReaderTest, CrLfSplitByTheBufferEnd) {
    // 100-byte records, then a line whose CR is the buffer's last byte and whose LF is the
    // first byte of the next read.
    const std::string record = std::string(98, 'r') + "\r\n";
    std::string content;
    while (content.size() + record.size() < kBufferBytes - 200) content += record;
    const size_t records = content.size() / record.size();
    const std::string straddling = Pattern(kBufferBytes - 1 - content.size());
    content += straddling + "\r\nafter\r\nend";
    ASSERT_EQ(content.substr(kBufferBytes - 1, 2), "\r\n");
    const Lines lines = ReadAll(content);
    ASSERT_EQ(lines.size(), records + 3);
    EXPECT_EQ(lines[records], straddling);
    EXPECT_EQ(lines[records + 1], "after");  // no empty line from the split break
    EXPECT_EQ(lines[records + 2], "end");

    // A CR as the buffer's last byte followed by text.
    std::string cut(kBufferBytes - 1, 'q');
    EXPECT_EQ(ReadAll(cut + "\rnext\n"), (Lines{cut.substr(0, kMaxLineLength), "next"}));
}

TEST_F(LineReaderTest, PositionRewindHeadAndTail) {
    const std::string content = "abc\r\nde\nfgh";
    TLineSource source(Write(content));
    EXPECT_EQ(source.Size(), content.size());
    std::string_view line;
    ASSERT_TRUE(source.Next(line));
    EXPECT_EQ(source.Position(), 5u);
    ASSERT_TRUE(source.Next(line));
    EXPECT_EQ(line, "de");
    EXPECT_EQ(source.Position(), 8u);
    // Head and tail leave the reading position alone.
    EXPECT_EQ(source.ReadHead(4), "abc\r");
    EXPECT_EQ(source.ReadTail(3), "fgh");
    EXPECT_EQ(source.ReadTail(100), content);
    ASSERT_TRUE(source.Next(line));
    EXPECT_EQ(line, "fgh");
    source.Rewind();
    EXPECT_EQ(source.Position(), 0u);
    ASSERT_TRUE(source.Next(line));
    EXPECT_EQ(line, "abc");

    // Rewinding while the rest of a cut line is still to be skipped.
    TLineSource cut(Write(Pattern(kBufferBytes + 100) + "\r\nsecond"));
    ASSERT_TRUE(cut.Next(line));
    cut.Rewind();
    ASSERT_TRUE(cut.Next(line));
    EXPECT_EQ(line, Pattern(kMaxLineLength));
    ASSERT_TRUE(cut.Next(line));
    EXPECT_EQ(line, "second");
    EXPECT_FALSE(cut.Next(line));
}

TEST_F(LineReaderTest, DirectoryOrMissingFileRaisesNamingTheFile) {
    std::filesystem::create_directory(folder_ + "sub.log");
    for (const std::string& name : {folder_ + "no-such.log", folder_ + "sub.log"}) {
        try {
            TLineSource source(name);
            ADD_FAILURE() << name << " opened";
        } catch (const EVestrelError& error) {
            EXPECT_NE(std::string(error.what()).find("\"" + name + "\""), std::string::npos)
                << error.what();
        }
    }
    try {
        TLineSource source(folder_ + "no-such.log");
    } catch (const EVestrelError& error) {
        EXPECT_NE(std::string(error.what()).find("No such file"), std::string::npos);
    }
}

}  // namespace
}  // namespace vestrel

namespace vestrel {
namespace {

// Breaks of every kind around the block edges, empty lines, a last line without its break and
// lines longer than the limit, some of them over several blocks.
std::string AwkwardLog(unsigned seed) {
    std::string text;
    std::srand(seed);
    for (int line = 0; line < 400; ++line) {
        const int kind = std::rand() % 10;
        const size_t length = kind == 0   ? kMaxLineLength - 2 + std::rand() % 5
                              : kind == 1 ? kMaxLineLength * 2 + std::rand() % 100
                                          : static_cast<size_t>(std::rand() % 300);
        text += Pattern(length, static_cast<size_t>(line));
        static const char* const kBreaks[] = {"\n", "\r\n", "\r", "\n\r", "\r\r\n", "\n\n"};
        text += kBreaks[std::rand() % 6];
    }
    return text + Pattern(50);
}

TEST_F(LineReaderTest, BlocksGiveExactlyTheLinesOfTheReader) {
    for (unsigned seed : {1u, 2u, 3u}) {
        const std::string log = AwkwardLog(seed);
        const Lines expected = ReadAll(log);
        for (size_t blockBytes : {size_t{1}, size_t{97}, size_t{4096}, kMaxLineLength,
                                  kMaxLineLength + 1, size_t{1} << 20})
            ASSERT_EQ(ReadBlocks(log, blockBytes), expected)
                << "seed " << seed << ", blocks of " << blockBytes;
    }
}

TEST_F(LineReaderTest, BlocksOfShortAndEmptyFiles) {
    for (const std::string text : {"", "\n", "\r\n", "a", "a\r", "\r\n\r\nb\n"})
        EXPECT_EQ(ReadBlocks(text, 64), ReadAll(text)) << text.size() << " bytes";
}

}  // namespace
}  // namespace vestrel
