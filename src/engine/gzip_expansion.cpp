#include "engine/gzip_expansion.h"

#include <sys/statvfs.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string_view>

#include "engine/errors.h"

namespace vestrel {

namespace {

constexpr unsigned kBlock = 65536;

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
    explicit TExpandedFile(const std::string& fileName)
        : name_(fileName), file_(std::fopen(fileName.c_str(), "wb"), &std::fclose) {
        if (!file_)
            throw EVestrelError("Cannot create file \"" + name_ + "\". " + std::strerror(errno));
    }

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
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file_;
    int64_t size_ = 0;
    int64_t lineEnd_ = 0;
};

// zlib's text of a read error, without the file name it starts with.
std::string GzipErrorText(gzFile packed, const std::string& fileName) {
    int error = Z_OK;
    std::string_view text = gzerror(packed, &error);
    if (error == Z_OK) return {};
    if (text.starts_with(fileName + ": ")) text.remove_prefix(fileName.size() + 2);
    return std::string(text);
}

// Copies the expanded bytes until the end, an error or the room's end; answers why it stopped
// early, or nothing.
std::string CopyExpanded(gzFile packed, const std::string& fileName, TExpandedFile& out,
                         const TExpansionRoom& room) {
    std::unique_ptr<char[]> block(new char[kBlock]);
    for (;;) {
        const int got = gzread(packed, block.get(), kBlock);
        if (got <= 0) break;
        const int64_t left = room.Bytes - out.Size();
        const size_t count = static_cast<size_t>(std::min<int64_t>(got, left));
        if (std::string failed = out.Append(block.get(), count); !failed.empty()) return failed;
        if (count < static_cast<size_t>(got)) return room.Reason;
    }
    if (const std::string error = GzipErrorText(packed, fileName); !error.empty())
        return "the file is damaged or truncated (" + error + ")";
    return out.Flush();
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
    TGzipExpansion result{dataFolder + base.substr(0, base.find('.')) + ".~xx", {}};
    errno = 0;
    const std::unique_ptr<gzFile_s, int (*)(gzFile)> packed(gzopen(fileName.c_str(), "r"),
                                                            &gzclose);
    if (!packed) throw EVestrelError(FileOpenErrorText(fileName, errno ? errno : EIO));
    TExpandedFile out(result.FileName);
    result.Stop = CopyExpanded(packed.get(), fileName, out,
                               RoomFor(limit, freeSpace(dataFolder), dataFolder));
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
