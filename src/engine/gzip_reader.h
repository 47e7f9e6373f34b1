// Reads the expanded bytes of a gzip file, member after member, like zlib's gzread, but reports
// what gzread lets pass: bytes after the last member that are no member of their own.
#pragma once

#include <zlib.h>

#include <memory>
#include <string>

namespace vestrel {

class TGzipReader {
  public:
    // Reads from the open file descriptor, which it closes. A file that does not begin like gzip
    // data is read as it is.
    explicit TGzipReader(int fd);
    ~TGzipReader();
    TGzipReader(const TGzipReader&) = delete;
    TGzipReader& operator=(const TGzipReader&) = delete;

    // Up to `size` expanded bytes; 0 at the end and after an error.
    size_t Read(char* out, size_t size);
    // Why the reading stopped early (damaged data, a truncated file, trailing bytes, a read
    // error); empty when the file was read to its proper end.
    const std::string& Error() const { return error_; }

  private:
    enum class TState { Start, Member, BetweenMembers, Plain, Done };

    bool Fill();
    void Fail(const std::string& reason);
    void BeginMember();
    void AfterMember();

    int fd_;
    std::unique_ptr<unsigned char[]> input_;
    z_stream stream_{};
    bool inflating_ = false;
    bool endOfFile_ = false;
    TState state_ = TState::Start;
    std::string error_;
};

}  // namespace vestrel
