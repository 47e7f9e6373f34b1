#include "engine/line_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "engine/errors.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vestrel {

namespace {

constexpr size_t kBufferSize = 1 << 20;
static_assert(kBufferSize > kMaxLineLength);

}  // namespace

const char* FindLineBreak(const char* begin, const char* end) {
    const char* p = begin;
#if defined(__SSE2__)
    const __m128i lf = _mm_set1_epi8('\n'), cr = _mm_set1_epi8('\r');
    const auto breaks = [&](const char* at) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
        return static_cast<unsigned>(
            _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(chunk, lf), _mm_cmpeq_epi8(chunk, cr))));
    };
    // Two words a step: lines are a few hundred bytes long.
    for (; end - p >= 32; p += 32) {
        const unsigned mask = breaks(p) | breaks(p + 16) << 16;
        if (mask != 0) return p + __builtin_ctz(mask);
    }
    for (; end - p >= 16; p += 16) {
        const unsigned mask = breaks(p);
        if (mask != 0) return p + __builtin_ctz(mask);
    }
#endif
    for (; p < end; ++p)
        if (*p == '\n' || *p == '\r') return p;
    return end;
}

TLineSource::TLineSource(const std::string& fileName) {
    fd_ = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) throw EVestrelError(FileOpenErrorText(fileName, errno));
    struct stat info {};
    if (::fstat(fd_, &info) != 0 || S_ISDIR(info.st_mode)) {
        const int error = S_ISDIR(info.st_mode) ? EISDIR : errno;
        ::close(fd_);
        throw EVestrelError(FileOpenErrorText(fileName, error));
    }
    size_ = static_cast<uint64_t>(info.st_size);
    // Mapped apart from the heap: handing a block this large to malloc and back would raise its
    // threshold for mapping blocks, leaving every smaller freed block in the process for good.
    buffer_ = TLargeBuffer(kBufferSize);
#ifdef POSIX_FADV_SEQUENTIAL
    ::posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
#endif
}

TLineSource::~TLineSource() {
    if (fd_ >= 0) ::close(fd_);
}

void TLineSource::Rewind() {
    ::lseek(fd_, 0, SEEK_SET);
    fileOffset_ = 0;
    pos_ = end_ = 0;
    pendingCR_ = skipping_ = eof_ = false;
}

bool TLineSource::Fill() {
    if (pos_ > 0) {
        std::memmove(Buffer(), Buffer() + pos_, end_ - pos_);
        end_ -= pos_;
        pos_ = 0;
    }
    while (end_ < kBufferSize) {
        const ssize_t got = ::read(fd_, Buffer() + end_, kBufferSize - end_);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) {
            eof_ = true;  // a read error ends the file like its end does
            return false;
        }
        end_ += static_cast<size_t>(got);
        fileOffset_ += static_cast<uint64_t>(got);
        return true;
    }
    return true;
}

// After a CR, one directly following LF belongs to the same break.
void TLineSource::ConsumeBreak(const char* brk) {
    pos_ = static_cast<size_t>(brk - Buffer()) + 1;
    if (*brk != '\r') return;
    if (pos_ < end_) {
        if (Buffer()[pos_] == '\n') ++pos_;
    } else {
        pendingCR_ = true;
    }
}

bool TLineSource::SkipRestOfLine() {
    for (;;) {
        const char* begin = Buffer() + pos_;
        const char* end = Buffer() + end_;
        const char* brk = FindLineBreak(begin, end);
        if (brk != end) {
            ConsumeBreak(brk);
            skipping_ = false;
            return true;
        }
        pos_ = end_;
        if (eof_ || !Fill()) {
            skipping_ = false;
            return false;
        }
    }
}

bool TLineSource::Next(std::string_view& line) {
    if (skipping_ && !SkipRestOfLine()) return false;
    for (;;) {
        if (pendingCR_ && (pos_ < end_ || (!eof_ && Fill()))) {
            if (Buffer()[pos_] == '\n') ++pos_;
            pendingCR_ = false;
        }
        const char* begin = Buffer() + pos_;
        const char* end = Buffer() + end_;
        const char* brk = FindLineBreak(begin, end);
        if (brk != end) {
            const size_t length = static_cast<size_t>(brk - begin);
            line = {begin, length < kMaxLineLength ? length : kMaxLineLength};
            ConsumeBreak(brk);
            return true;
        }
        const size_t rest = static_cast<size_t>(end - begin);
        if (rest >= kMaxLineLength) {
            line = {begin, kMaxLineLength};
            pos_ = end_;
            skipping_ = true;
            return true;
        }
        if (eof_ || !Fill()) {
            if (end_ == pos_) return false;
            line = {Buffer() + pos_, end_ - pos_};
            pos_ = end_;
            return true;
        }
    }
}

size_t TLineSource::ReadAt(uint64_t offset, char* out, size_t count, bool& failed) const {
    size_t done = 0;
    failed = false;
    while (done < count) {
        const ssize_t got =
            ::pread(fd_, out + done, count - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR) continue;
        failed = got < 0;
        if (got <= 0) break;
        done += static_cast<size_t>(got);
    }
    return done;
}

std::string TLineSource::ReadString(uint64_t offset, size_t count) const {
    std::string bytes(count, '\0');
    bool failed;
    bytes.resize(ReadAt(offset, bytes.data(), count, failed));
    return bytes;
}

std::string TLineSource::ReadHead(size_t count) const {
    return ReadString(0, static_cast<size_t>(size_ < count ? size_ : count));
}

std::string TLineSource::ReadTail(size_t count) const {
    const uint64_t start = size_ > count ? size_ - count : 0;
    return ReadString(start, static_cast<size_t>(size_ - start));
}

}  // namespace vestrel
