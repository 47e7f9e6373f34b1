#include "engine/gzip_expansion.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

#include "engine/errors.h"
#include "engine/gzip_reader.h"

namespace vestrel {

namespace {

constexpr unsigned kBlock = 65536;
constexpr const char* kExpansionSuffix = ".~xx";

// How far the expanded file may grow, and what to tell the user when it would grow further.
struct TExpansionRoom {
    int64_t Bytes;
    std::string Reason;
};

TExpansionRoom RoomFor(int64_t limit, int64_t freeSpace, const std::string& dataFolder) {
    const TExpansionRoom byLimit{
        limit, "the expanded log would exceed the limit of " + ByteSizeText(limit)};
    if (freeSpace < 0 || freeSpace - kFreeSpaceMargin >= limit) return byLimit;
    return {std::max<int64_t>(freeSpace - kFreeSpaceMargin, 0),
            "the expanded log would exceed the free space of the disk holding \"" + dataFolder +
                "\" (" + ByteSizeText(freeSpace) + ")"};
}

// The index just past the last CR or LF of the block, or 0 when it holds none.
size_t EndOfLastLine(const char* block, size_t size) {
    for (size_t i = size; i > 0; --i)
        if (block[i - 1] == '\n' || block[i - 1] == '\r') return i;
    return 0;
}

// The expanded file being written: its size and the end of its last complete line.
class TExpandedFile {
  public:
    // Creates the file under `pattern`, whose "XXXXXX" before the ".~xx" become its own.
    explicit TExpandedFile(std::string& pattern) : file_(nullptr, &std::fclose) {
        const int fd = ::mkostemps(pattern.data(), 4, O_CLOEXEC | O_NOFOLLOW);
        if (fd < 0)
            throw EVestrelError("Cannot create file \"" + pattern + "\". " + std::strerror(errno));
        name_ = pattern;
        owner_ = TTempFile(pattern);
        file_.reset(::fdopen(fd, "wb"));
        if (!file_) {
            ::close(fd);
            throw EVestrelError("Cannot create file \"" + name_ + "\". " + std::strerror(errno));
        }
    }

    // The file's owner, which removes it when it is no longer needed.
    TTempFile TakeOwner() { return std::move(owner_); }

    int64_t Size() const { return size_; }

    // Empty when all was written, else the reason of the failure.
    std::string Append(const char* bytes, size_t count) {
        if (std::fwrite(bytes, 1, count, file_.get()) != count) return WriteError();
        if (const size_t end = EndOfLastLine(bytes, count); end > 0) lineEnd_ = size_ + end;
        size_ += static_cast<int64_t>(count);
        return {};
    }
    std::string Flush() { return std::fflush(file_.get()) == 0 ? std::string() : WriteError(); }
    // Drops a cut last line, so that no part of a line is read as a hit; false when it stays.
    bool CutAfterLastLine() {
        std::fflush(file_.get());
        return ::ftruncate(fileno(file_.get()), static_cast<off_t>(lineEnd_)) == 0;
    }

  private:
    std::string WriteError() const {
        return "cannot write file \"" + name_ + "\". " + std::strerror(errno);
    }

    std::string name_;
    TTempFile owner_;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file_;
    int64_t size_ = 0;
    int64_t lineEnd_ = 0;
};

// Copies the expanded bytes until the end, an error or the room's end; answers why it stopped
// early, or nothing.
std::string CopyExpanded(TGzipReader& packed, TExpandedFile& out, const TExpansionRoom& room) {
    std::unique_ptr<char[]> block(new char[kBlock]);
    for (;;) {
        const size_t got = packed.Read(block.get(), kBlock);
        if (got == 0) break;
        const int64_t left = room.Bytes - out.Size();
        const size_t count =
            static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(got), left));
        if (std::string failed = out.Append(block.get(), count); !failed.empty()) return failed;
        if (count < got) return room.Reason;
    }
    if (!packed.Error().empty()) return "the file is damaged or truncated (" + packed.Error() + ")";
    return out.Flush();
}

// Opens a regular file for reading: a FIFO or a device would never end.
int OpenGzipFile(const std::string& fileName) {
    const int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) throw EVestrelError(FileOpenErrorText(fileName, errno));
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        throw EVestrelError("Cannot open file \"" + fileName + "\". It is no regular file.");
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

}  // namespace

int64_t FreeDiskSpace(const std::string& folder) {
    struct statvfs disk {};
    if (::statvfs(folder.c_str(), &disk) != 0) return -1;
    return static_cast<int64_t>(disk.f_bavail) * static_cast<int64_t>(disk.f_frsize);
}

TGzipExpansion ExpandGzipFile(const std::string& fileName, const std::string& dataFolder,
                              int64_t limit, TFreeSpaceProbe freeSpace) {
    const std::string base = std::filesystem::path(fileName).filename().string();
    RemoveLeftoverTempFiles(dataFolder, "", kExpansionSuffix);
    std::string pattern =
        TempFileTemplate(dataFolder + base.substr(0, base.find('.')), kExpansionSuffix);
    TGzipReader packed(OpenGzipFile(fileName));
    TExpandedFile out(pattern);
    TGzipExpansion result{pattern, {}, out.TakeOwner()};
    result.Stop = CopyExpanded(packed, out, RoomFor(limit, freeSpace(dataFolder), dataFolder));
    if (!result.Stop.empty()) out.CutAfterLastLine();
    return result;
}

std::string ByteSizeText(int64_t bytes) {
    static constexpr const char* kUnits[] = {"KB", "MB", "GB", "TB"};
    int unit = -1;
    int64_t scale = 1;
    while (unit < 3 && bytes >= scale * 1024) {
        scale *= 1024;
        ++unit;
    }
    if (unit < 0) return std::to_string(bytes) + " bytes";
    char text[32];
    if (bytes % scale == 0)
        std::snprintf(text, sizeof text, "%lld %s", static_cast<long long>(bytes / scale),
                      kUnits[unit]);
    else
        std::snprintf(text, sizeof text, "%.1f %s", static_cast<double>(bytes) / scale,
                      kUnits[unit]);
    return text;
}

}  // namespace vestrel
