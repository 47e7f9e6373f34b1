#include "engine/text_file.h"

#include <cerrno>

#include <fcntl.h>
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

// False with errno set when the file cannot be opened or read.
bool ReadWholeFile(const std::string& path, std::string& content) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
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
    if (!TryReadTextFileLines(path, lines)) throw EVestrelError(FileOpenErrorText(path, errno));
    return lines;
}

}  // namespace vestrel
