#include "engine/line_chunks.h"

#include <string.h>

namespace vestrel {

namespace {

// One past the last CR or LF of the text, or 0 when it holds none.
size_t EndOfLastBreak(const std::string& text) {
    const void* lf = ::memrchr(text.data(), '\n', text.size());
    const void* cr = ::memrchr(text.data(), '\r', text.size());
    const char* last = static_cast<const char*>(lf > cr ? lf : cr);
    return last == nullptr ? 0 : static_cast<size_t>(last - text.data()) + 1;
}

}  // namespace

TChunkReader::TChunkReader(TLineSource& source, size_t chunkBytes)
    : source_(source), chunkBytes_(chunkBytes > 0 ? chunkBytes : 1) {
    source_.Rewind();
}

void TChunkReader::ReadUpTo(std::string& block, size_t size) {
    while (!eof_ && block.size() < size) {
        const size_t have = block.size();
        block.resize(size);
        const size_t got = source_.ReadRaw(block.data() + have, size - have);
        block.resize(have + got);
        readOffset_ += got;
        if (got == 0) eof_ = true;
    }
}

// Drops what is left of a cut line, up to and with its break; false while no break was read.
bool TChunkReader::DropRestOfCutLine(std::string& block) {
    for (;;) {
        const char* brk = FindLineBreak(block.data(), block.data() + block.size());
        if (brk != block.data() + block.size()) {
            block.erase(0, static_cast<size_t>(brk - block.data()) + 1);
            skipping_ = false;
            return true;
        }
        block.clear();
        if (eof_) return false;
        ReadUpTo(block, chunkBytes_);
    }
}

bool TChunkReader::Next(std::string& block, uint64_t& endOffset) {
    block.swap(carry_);
    carry_.clear();
    if (skipping_ && !DropRestOfCutLine(block)) return false;
    size_t wanted = chunkBytes_;
    for (;;) {
        ReadUpTo(block, wanted);
        const size_t cut = EndOfLastBreak(block);
        if (cut == 0 && !eof_ && block.size() < kMaxLineLength) {
            wanted = kMaxLineLength;  // one line so far: read on until it ends or is cut
            continue;
        }
        size_t keep = block.size();
        if (cut > 0) {
            keep = cut;
        } else if (!eof_) {
            keep = kMaxLineLength;
            skipping_ = true;
        }
        carry_.assign(block, keep, std::string::npos);
        block.resize(keep);
        endOffset = readOffset_ - carry_.size();
        return !block.empty();
    }
}

}  // namespace vestrel
