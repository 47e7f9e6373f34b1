// A log file cut into blocks of whole lines that several threads read and parse at once. Block k
// holds the lines that begin in the byte range [k * size, (k + 1) * size). A line begins at the
// file's first byte and after every line break (CR, LF or CR LF), so each block finds its own
// first and last line from the bytes around its edges, and the lines of all blocks in turn are
// exactly those TLineSource gives: a line longer than kMaxLineLength keeps its first
// kMaxLineLength bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "engine/line_reader.h"

namespace vestrel {

// Bytes read from a file. Unlike a string it does not zero the room it is about to read into.
class TReadBuffer {
  public:
    const char* Data() const { return data_.get(); }
    size_t Size() const { return size_; }
    void Clear() { size_ = 0; }
    // Room for `more` bytes after the present ones, which it keeps; they count once Keep says
    // how many were written.
    char* Extend(size_t more);
    void Keep(size_t more) { size_ += more; }

  private:
    std::unique_ptr<char[]> data_;
    size_t size_ = 0, capacity_ = 0;
};

struct TFileBlock {
    TReadBuffer Bytes;       // the bytes read, a little more than the lines
    std::string_view Lines;  // the block's lines, within Bytes
    uint64_t EndOffset = 0;  // the file offset where the block's range ends (for the progress)
    bool AtEnd = false;      // the file ends in this block, or could not be read on
};

class TFileBlocks {
  public:
    // Blocks of `blockBytes`, 64 at least.
    TFileBlocks(const TLineSource& source, size_t blockBytes);
    // Reads block `number` (safe from several threads at once, for different blocks).
    void Read(uint64_t number, TFileBlock& block) const;

  private:
    const TLineSource& source_;
    size_t blockBytes_;
};

// line(text) for every line of a block, in order, as TLineSource cuts them; stops early when
// line answers false.
template <typename Line>
void ForEachLine(std::string_view block, Line line) {
    const char* p = block.data();
    const char* end = p + block.size();
    while (p < end) {
        const char* brk = FindLineBreak(p, end);
        const size_t length = static_cast<size_t>(brk - p);
        if (!line(std::string_view(p, length < kMaxLineLength ? length : kMaxLineLength))) return;
        if (brk == end) return;
        p = brk + 1;
        if (*brk == '\r' && p < end && *p == '\n') ++p;
    }
}

}  // namespace vestrel
