#include "engine/text_file.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "engine/errors.h"

namespace vestrel {

namespace {

// Reading a folder's descriptor fails with EISDIR, so folders need no test of their own.
bool ReadDescriptor(int fd, std::string& content) {
    char buffer[65536];
    for (;;) {
        const ssize_t count = ::read(fd, buffer, sizeof buffer);
        if (count == 0) return true;
        if (count > 0) {
            content.append(buffer, static_cast<size_t>(count));
        } else if (errno != EINTR) {
            return false;
        }
    }
}

// EINVAL for a FIFO or a device, EFBIG for a file too large to be read whole; 0 when fine.
int RefusalOf(int fd) {
    struct stat info {};
    if (::fstat(fd, &info) != 0) return errno;
    if (!S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode)) return EINVAL;
    return info.st_size > kMaxTextFileSize ? EFBIG : 0;
}

// False with errno set when the file cannot be opened or read. Opening does not wait for the
// writer of a FIFO, which is refused.
bool ReadWholeFile(const std::string& path, std::string& content) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    if (const int refusal = RefusalOf(fd)) {
        ::close(fd);
        errno = refusal;
        return false;
    }
    const bool done = ReadDescriptor(fd, content);
    const int readError = errno;
    ::close(fd);
    errno = readError;
    return done;
}

}  // namespace

std::vector<std::string> SplitTextLines(std::string_view text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines.emplace_back(text.substr(start));
            break;
        }
        lines.emplace_back(text.substr(start, end - start));
        const bool crLf = text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n';
        start = end + (crLf ? 2 : 1);
    }
    return lines;
}

bool TryReadTextFileLines(const std::string& path, std::vector<std::string>& lines) {
    std::string content;
    if (!ReadWholeFile(path, content)) return false;
    lines = SplitTextLines(content);
    return true;
}

std::vector<std::string> ReadTextFileLines(const std::string& path) {
    std::vector<std::string> lines;
    if (!TryReadTextFileLines(path, lines)) throw EVestrelError(TextFileErrorText(path, errno));
    return lines;
}

std::string TextFileErrorText(const std::string& path, int errorNumber) {
    if (errorNumber == EINVAL) return "Cannot open file \"" + path + "\". It is no regular file.";
    if (errorNumber == EFBIG)
        return "Cannot open file \"" + path + "\". It is larger than the " +
               std::to_string(kMaxTextFileSize >> 20) + " MB a text file may hold.";
    return FileOpenErrorText(path, errorNumber);
}

}  // namespace vestrel
