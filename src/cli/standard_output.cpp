#include "cli/standard_output.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace vestrel::cli {

namespace {

int firstError = 0;

ssize_t WriteOut(void*, const char* bytes, size_t size) {
    size_t written = 0;
    while (written < size) {
        const ssize_t count = ::write(STDOUT_FILENO, bytes + written, size - written);
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) {
            if (firstError == 0) firstError = count < 0 ? errno : EIO;
            return -1;
        }
        written += static_cast<size_t>(count);
    }
    return static_cast<ssize_t>(size);
}

}  // namespace

void WatchOutput() {
    std::fflush(stdout);
    cookie_io_functions_t functions{nullptr, WriteOut, nullptr, nullptr};
    std::FILE* watched = fopencookie(nullptr, "w", functions);
    if (watched == nullptr) return;
    std::setvbuf(watched, nullptr, _IOFBF, 1 << 16);
    stdout = watched;
}

void FlushOutput() {
    if (std::fflush(stdout) != 0 && firstError == 0) firstError = errno != 0 ? errno : EIO;
}

int FinishOutput(int status) {
    FlushOutput();
    if (firstError == 0 && !std::ferror(stdout)) return status;
    std::fprintf(stderr, "vestrel-cli: cannot write the standard output: %s\n",
                 firstError != 0 ? std::strerror(firstError) : "write error");
    return 1;
}

}  // namespace vestrel::cli
