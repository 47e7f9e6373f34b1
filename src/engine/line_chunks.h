// A log file cut into blocks of whole lines, so that several threads can parse it at once and
// still see exactly the lines TLineSource gives: CR, LF and CR LF end a line, and a line longer
// than kMaxLineLength keeps its first kMaxLineLength bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/line_reader.h"

namespace vestrel {

class TChunkReader {
  public:
    // Reads `source` from its first byte; a block holds about `chunkBytes` bytes.
    TChunkReader(TLineSource& source, size_t chunkBytes);

    // The next block: lines that end with their break, the file's last line, or the kept part of
    // an overlong line. A CR LF break may be split between two blocks, which then starts the next
    // block with an empty line. `endOffset` is the file offset just past the block. False at the
    // end of the file.
    bool Next(std::string& block, uint64_t& endOffset);

  private:
    void ReadUpTo(std::string& block, size_t size);
    bool DropRestOfCutLine(std::string& block);

    TLineSource& source_;
    size_t chunkBytes_;
    std::string carry_;  // bytes read past the block handed out last
    uint64_t readOffset_ = 0;
    bool skipping_ = false;  // the last block ended inside an overlong line
    bool eof_ = false;
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
