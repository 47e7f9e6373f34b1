#include "engine/gzip_reader.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace vestrel {

namespace {

constexpr unsigned kInputSize = 65536;
constexpr unsigned char kMagic0 = 0x1f, kMagic1 = 0x8b;

}  // namespace

TGzipReader::TGzipReader(int fd) : fd_(fd), input_(new unsigned char[kInputSize]) {}

TGzipReader::~TGzipReader() {
    if (inflating_) inflateEnd(&stream_);
    ::close(fd_);
}

// Adds input after what is left; false when no more came.
bool TGzipReader::Fill() {
    if (endOfFile_) return false;
    if (stream_.avail_in > 0 && stream_.next_in != input_.get())
        std::memmove(input_.get(), stream_.next_in, stream_.avail_in);
    stream_.next_in = input_.get();
    for (;;) {
        const ssize_t got =
            ::read(fd_, input_.get() + stream_.avail_in, kInputSize - stream_.avail_in);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            Fail(std::strerror(errno));
            return false;
        }
        if (got == 0) endOfFile_ = true;
        stream_.avail_in += static_cast<unsigned>(got);
        return got > 0;
    }
}

void TGzipReader::Fail(const std::string& reason) {
    if (error_.empty()) error_ = reason;
    state_ = TState::Done;
}

void TGzipReader::BeginMember() {
    const int status = inflating_ ? inflateReset(&stream_) : inflateInit2(&stream_, 15 + 16);
    if (status != Z_OK) return Fail("cannot start the decompression");
    inflating_ = true;
    state_ = TState::Member;
}

// After a member: another member, the end, or bytes that belong to none.
void TGzipReader::AfterMember() {
    while (stream_.avail_in < 2 && Fill()) {
    }
    if (stream_.avail_in == 0) {
        state_ = TState::Done;
    } else if (stream_.avail_in >= 2 && stream_.next_in[0] == kMagic0 &&
               stream_.next_in[1] == kMagic1) {
        BeginMember();
    } else {
        Fail("trailing garbage after the compressed data");
    }
}

size_t TGzipReader::Read(char* out, size_t size) {
    if (state_ == TState::Start) {
        while (stream_.avail_in < 2 && Fill()) {
        }
        const bool gzip =
            stream_.avail_in >= 2 && stream_.next_in[0] == kMagic0 && stream_.next_in[1] == kMagic1;
        if (gzip)
            BeginMember();
        else
            state_ = stream_.avail_in == 0 ? TState::Done : TState::Plain;
    }
    if (state_ == TState::Plain) {
        if (stream_.avail_in == 0 && !Fill()) state_ = TState::Done;
        const size_t count = std::min<size_t>(size, stream_.avail_in);
        std::memcpy(out, stream_.next_in, count);
        stream_.next_in += count;
        stream_.avail_in -= static_cast<unsigned>(count);
        return count;
    }
    stream_.next_out = reinterpret_cast<Bytef*>(out);
    stream_.avail_out = static_cast<uInt>(size);
    while (state_ == TState::Member && stream_.avail_out == size) {
        if (stream_.avail_in == 0 && !Fill()) {
            Fail(error_.empty() ? "unexpected end of file" : error_);
            break;
        }
        const int status = inflate(&stream_, Z_NO_FLUSH);
        if (status == Z_STREAM_END)
            AfterMember();
        else if (status != Z_OK && status != Z_BUF_ERROR)
            Fail(stream_.msg != nullptr ? stream_.msg : "invalid compressed data");
    }
    return size - stream_.avail_out;
}

}  // namespace vestrel
