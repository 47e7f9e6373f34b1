#include "engine/line_chunks.h"

#include <algorithm>
#include <cstring>

namespace vestrel {

namespace {

// Bytes read past a block's range at first: enough for the end of its last line, as a rule.
// A window that must grow further doubles, so tiny blocks and long lines cost few reads.
constexpr size_t kOverlap = 2048;

// Blocks far smaller than a line would be mostly empty, each costing a hand-over all the same.
constexpr size_t kSmallestBlock = 64;
constexpr uint64_t kNone = UINT64_MAX;

// The bytes of a file from offset `base` on, read as far as they are needed.
class TFileWindow {
  public:
    TFileWindow(const TLineSource& source, uint64_t base, size_t step, TReadBuffer& bytes)
        : source_(source), base_(base), step_(step), bytes_(bytes) {
        bytes_.Clear();
    }

    uint64_t End() const { return base_ + bytes_.Size(); }
    bool Ended() const { return ended_; }
    bool Failed() const { return failed_; }

    // Reads on until the window holds the file up to `offset`, or the file ends.
    void Reach(uint64_t offset) {
        while (!ended_ && End() < offset) {
            const uint64_t from = End();
            const size_t want = static_cast<size_t>(offset - from);
            const size_t got = source_.ReadAt(from, bytes_.Extend(want), want, failed_);
            bytes_.Keep(got);
            ended_ = got < want;
        }
    }

    // The first offset from `offset` (> 0) on where a line begins: the file's end when no line
    // does, kNone when none begins before `limit`.
    uint64_t LineStartFrom(uint64_t offset, uint64_t limit) {
        for (uint64_t at = offset - 1;;) {  // a break here ends the line before `offset`
            if (at < End()) {
                const char* brk = FindLineBreak(Byte(at), Byte(End()));
                if (brk != Byte(End()))
                    return PastBreak(at + static_cast<uint64_t>(brk - Byte(at)));
                at = End();
            }
            if (ended_) return End();
            if (at >= limit) return kNone;
            Reach(std::min(at + std::max<uint64_t>(step_, at - base_), limit));
        }
    }

    std::string_view View(uint64_t from, uint64_t to) const {
        return {Byte(from), static_cast<size_t>(to - from)};
    }

  private:
    const char* Byte(uint64_t offset) const { return bytes_.Data() + (offset - base_); }

    // The offset after the break at `brk`: CR LF is one break.
    uint64_t PastBreak(uint64_t brk) {
        const bool cr = *Byte(brk) == '\r';
        Reach(brk + 2);
        return cr && brk + 1 < End() && *Byte(brk + 1) == '\n' ? brk + 2 : brk + 1;
    }

    const TLineSource& source_;
    uint64_t base_;
    size_t step_;
    TReadBuffer& bytes_;
    bool ended_ = false, failed_ = false;
};

}  // namespace

char* TReadBuffer::Extend(size_t more) {
    if (size_ + more > capacity_) {
        const size_t capacity = std::max(size_ + more, capacity_ * 2);
        auto data = std::make_unique_for_overwrite<char[]>(capacity);
        if (size_ > 0) std::memcpy(data.get(), data_.get(), size_);
        data_ = std::move(data);
        capacity_ = capacity;
    }
    return data_.get() + size_;
}

TFileBlocks::TFileBlocks(const TLineSource& source, size_t blockBytes)
    : source_(source), blockBytes_(std::max(blockBytes, kSmallestBlock)) {}

void TFileBlocks::Read(uint64_t number, TFileBlock& block) const {
    const uint64_t begin = number * blockBytes_, end = begin + blockBytes_;
    const size_t overlap = std::min(kOverlap, blockBytes_);
    TFileWindow window(source_, begin == 0 ? 0 : begin - 1, overlap, block.Bytes);
    window.Reach(end + overlap);
    block.EndOffset = std::min(end, std::max(window.End(), begin));
    const uint64_t first = begin == 0 ? 0 : window.LineStartFrom(begin, end);
    if (first >= end || first >= window.End()) {  // no line begins in the range
        block.Lines = {};
        block.AtEnd = window.Failed() || (window.Ended() && window.End() <= end);
        return;
    }
    // A last line still unbroken this far past the range is longer than kMaxLineLength: the
    // bytes read of it are enough for ForEachLine to cut it.
    const uint64_t cutLimit = end + kMaxLineLength + 1;
    uint64_t stop = window.LineStartFrom(end, cutLimit);
    if (stop == kNone) stop = window.End();
    block.Lines = window.View(first, stop);
    block.AtEnd = window.Failed() || (window.Ended() && stop >= window.End());
}

}  // namespace vestrel
