// Reads a log file line by line through one buffer. CR, LF and CR LF end a line (LF CR gives an
// empty line). A line longer than kMaxLineLength keeps its first kMaxLineLength bytes; the rest up
// to the line break is dropped, so one physical line is never more than one hit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "engine/large_buffer.h"

namespace vestrel {

constexpr size_t kMaxLineLength = 65536;

class TLineSource {
  public:
    // Raises EVestrelError with the system's text when the file cannot be opened.
    explicit TLineSource(const std::string& fileName);
    ~TLineSource();
    TLineSource(const TLineSource&) = delete;
    TLineSource& operator=(const TLineSource&) = delete;

    // The next line without its break; false at the end of the file.
    bool Next(std::string_view& line);
    void Rewind();
    // Bytes of the file consumed so far.
    uint64_t Position() const { return fileOffset_ - (end_ - pos_); }
    uint64_t Size() const { return size_; }
    // The first or last `count` bytes of the file (fewer when the file is shorter); both leave
    // the reading position alone.
    std::string ReadHead(size_t count) const;
    std::string ReadTail(size_t count) const;
    // Up to `count` bytes from `offset` straight into `out`, past the line buffer and the reading
    // position, for readers that cut the lines themselves (several threads may call it at once).
    // Fewer at the end of the file; `failed` tells a read error, which ends the file as for Next.
    size_t ReadAt(uint64_t offset, char* out, size_t count, bool& failed) const;

  private:
    bool Fill();
    std::string ReadString(uint64_t offset, size_t count) const;
    bool SkipRestOfLine();
    void ConsumeBreak(const char* brk);

    int fd_ = -1;
    uint64_t size_ = 0;
    uint64_t fileOffset_ = 0;  // file offset just past the buffer's filled end
    char* Buffer() const { return static_cast<char*>(buffer_.Data()); }

    TLargeBuffer buffer_;
    size_t pos_ = 0, end_ = 0;
    bool pendingCR_ = false;  // the last line ended in CR at the buffer's end: an LF may follow
    bool skipping_ = false;   // the line returned last was cut: drop the rest up to its break
    bool eof_ = false;
};

// Finds the first CR or LF in [begin, end), or end.
const char* FindLineBreak(const char* begin, const char* end);

}  // namespace vestrel
