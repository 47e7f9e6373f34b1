#include "shell/settings_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <optional>
#include <utility>
#include <vector>

#include "engine/errors.h"
#include "engine/text_util.h"

namespace vestrel {

namespace {

constexpr size_t npos = std::string_view::npos;

std::string WriteErrorText(const std::string& fileName, int errorNumber) {
    return "Cannot write file \"" + fileName + "\". " + std::strerror(errorNumber);
}

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

class TFileDescriptor {
  public:
    explicit TFileDescriptor(int fd) : fd_(fd) {}
    ~TFileDescriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    TFileDescriptor(const TFileDescriptor&) = delete;
    TFileDescriptor& operator=(const TFileDescriptor&) = delete;
    int Get() const { return fd_; }

  private:
    int fd_;
};

// The file's bytes, read only when `known` does not already describe the file's present state;
// an absent file reads as empty. A FIFO, a device or a file over kMaxSettingsFileSize is refused.
std::optional<std::string> ReadSettingsText(const std::string& fileName, TFileIdentity& known) {
    const TFileDescriptor fd(::open(fileName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.Get() < 0) {
        if (errno != ENOENT && errno != ENOTDIR)
            throw EVestrelError(FileOpenErrorText(fileName, errno));
        const bool changed = known.Exists;
        known = {};
        return changed ? std::optional<std::string>(std::string()) : std::nullopt;
    }
    struct stat info {};
    if (::fstat(fd.Get(), &info) != 0) throw EVestrelError(FileOpenErrorText(fileName, errno));
    if (!S_ISREG(info.st_mode))
        throw EVestrelError("Cannot read the settings file \"" + fileName +
                            "\": it is no regular file.");
    if (info.st_size > kMaxSettingsFileSize)
        throw EVestrelError("Cannot read the settings file \"" + fileName + "\": it holds " +
                            std::to_string(info.st_size) + " bytes, more than the " +
                            std::to_string(kMaxSettingsFileSize) + " a settings file may hold.");
    const TFileIdentity now{true,         info.st_dev,         info.st_ino,
                            info.st_size, info.st_mtim.tv_sec, info.st_mtim.tv_nsec};
    if (now == known) return std::nullopt;
    std::string text;
    char buffer[16384];
    ssize_t count;
    while ((count = ::read(fd.Get(), buffer, sizeof buffer)) != 0) {
        if (count > 0) {
            text.append(buffer, static_cast<size_t>(count));
            if (text.size() > static_cast<size_t>(kMaxSettingsFileSize))
                throw EVestrelError("Cannot read the settings file \"" + fileName +
                                    "\": it grew while it was read.");
        } else if (errno != EINTR) {
            throw EVestrelError(FileOpenErrorText(fileName, errno));
        }
    }
    known = now;
    return text;
}

// Holds the lock of the folder a settings file lies in, so that one writer's reading, changing and
// replacing of the file is never mixed with another's. The folder is locked rather than the file,
// whose replacement would leave the lock behind on the old one.
class TFolderLock {
  public:
    explicit TFolderLock(const std::string& fileName) {
        const std::string folder = std::filesystem::path(fileName).parent_path().string();
        fd_ = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd_ < 0) return;  // the write itself reports the missing folder
        while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
        }
    }
    ~TFolderLock() {
        if (fd_ >= 0) ::close(fd_);
    }
    TFolderLock(const TFolderLock&) = delete;
    TFolderLock& operator=(const TFolderLock&) = delete;

  private:
    int fd_ = -1;
};

// 0, or the errno of the write that failed.
int WriteAll(int fd, std::string_view content) {
    while (!content.empty()) {
        const ssize_t count = ::write(fd, content.data(), content.size());
        if (count < 0 && errno != EINTR) return errno;
        if (count > 0) content.remove_prefix(static_cast<size_t>(count));
    }
    return 0;
}

// Writes a new file, with the permissions of `mode` when given, through to the disk; 0, or the
// errno of the step that failed.
int WriteNewFile(const std::string& fileName, std::string_view content, const struct stat* mode) {
    const int fd =
        ::open(fileName.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) return errno;
    int error = mode != nullptr && ::fchmod(fd, mode->st_mode & 07777) != 0 ? errno : 0;
    if (error == 0) error = WriteAll(fd, content);
    if (error == 0 && ::fsync(fd) != 0) error = errno;
    if (::close(fd) != 0 && error == 0) error = errno;
    return error;
}

// The file a name stands for: the end of its chain of symbolic links.
std::string LinkTarget(const std::string& fileName) {
    std::error_code error;
    if (!std::filesystem::is_symlink(fileName, error)) return fileName;
    const std::filesystem::path target = std::filesystem::weakly_canonical(fileName, error);
    return error ? fileName : target.string();
}

void SyncFolderOf(const std::string& fileName) {
    const std::string folder = std::filesystem::path(fileName).parent_path().string();
    const int fd =
        ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;  // the rename has happened; only its durability is at stake
    ::fsync(fd);
    ::close(fd);
}

// One line of the file: its content [Start, End) and its line break [End, Next).
struct TLine {
    size_t Start = 0, End = 0, Next = 0;
};

// LF or CR LF ends a line.
std::vector<TLine> SplitLines(std::string_view text, size_t from) {
    std::vector<TLine> lines;
    for (size_t start = from; start < text.size();) {
        const size_t lf = text.find('\n', start);
        TLine line{start, lf == npos ? text.size() : lf, lf == npos ? text.size() : lf + 1};
        if (lf != npos && lf > start && text[lf - 1] == '\r') --line.End;
        lines.push_back(line);
        start = line.Next;
    }
    return lines;
}

// The line break new lines get: the file's first one, LF in a file without any.
std::string LineBreakOf(std::string_view text) {
    const size_t lf = text.find('\n');
    return lf != npos && lf > 0 && text[lf - 1] == '\r' ? "\r\n" : "\n";
}

bool SameName(std::string_view a, std::string_view b) {
    return LowerAscii(Trim(a)) == LowerAscii(Trim(b));
}

bool IsComment(std::string_view line) {
    line = Trim(line);
    return !line.empty() && (line.front() == ';' || line.front() == '#');
}

// The name of a "[name]" heading, or nothing for any other line.
std::optional<std::string_view> HeadingName(std::string_view line) {
    line = Trim(line);
    const size_t close = line.find(']');
    if (line.empty() || line.front() != '[' || close == npos) return std::nullopt;
    return Trim(line.substr(1, close - 1));
}

// The position of the "=" of a line that holds the key, or npos.
size_t KeyEquals(std::string_view line, std::string_view key) {
    if (IsComment(line)) return npos;
    const size_t equals = line.find('=');
    return equals != npos && SameName(line.substr(0, equals), key) ? equals : npos;
}

// Where a key lives in the file, or where it would go.
struct TKeyPlace {
    std::optional<size_t> Heading;  // line of the section's heading
    std::optional<size_t> Key;      // line holding the key
    size_t LastEntry = 0;           // last line of the section that is neither blank nor a comment
};

// A leading byte-order mark is no part of the first line and stays in front of it.
class TSettingsText {
  public:
    explicit TSettingsText(std::string text)
        : text_(std::move(text)),
          body_(text_.starts_with(kByteOrderMark) ? kByteOrderMark.size() : 0),
          lines_(SplitLines(text_, body_)) {}

    const std::string& Text() const { return text_; }

    std::optional<std::string> Value(std::string_view section, std::string_view key) const {
        const TKeyPlace place = Locate(section, key);
        if (!place.Key) return std::nullopt;
        const std::string_view line = Line(*place.Key);
        return std::string(Trim(line.substr(line.find('=') + 1)));
    }

    // Lines are located once, so one text takes one change.
    void SetValue(std::string_view section, std::string_view key, std::string_view value) {
        const TKeyPlace place = Locate(section, key);
        const std::string entry = std::string(Trim(key)) + "=" + std::string(value);
        if (place.Key) {
            ReplaceValue(lines_[*place.Key], value);
        } else if (place.Heading) {
            InsertAfter(lines_[place.LastEntry], entry);
        } else {
            Append("[" + std::string(Trim(section)) + "]" + LineBreakOf(text_) + entry);
        }
    }

  private:
    std::string_view Line(size_t index) const {
        const TLine& line = lines_[index];
        return std::string_view(text_).substr(line.Start, line.End - line.Start);
    }

    TKeyPlace Locate(std::string_view section, std::string_view key) const {
        TKeyPlace place;
        for (size_t i = 0; i < lines_.size(); ++i) {
            const std::string_view line = Line(i);
            if (const auto heading = HeadingName(line)) {
                if (place.Heading) break;
                if (SameName(*heading, section)) place.Heading = place.LastEntry = i;
            } else if (place.Heading) {
                if (!place.Key && KeyEquals(line, key) != npos) place.Key = i;
                if (!Trim(line).empty() && !IsComment(line)) place.LastEntry = i;
            }
        }
        return place;
    }

    // Keeps the key and the blanks after its "=" as they were.
    void ReplaceValue(const TLine& line, std::string_view value) {
        size_t from = text_.find('=', line.Start) + 1;
        while (from < line.End && (text_[from] == ' ' || text_[from] == '\t')) ++from;
        text_.replace(from, line.End - from, value);
    }

    // A file that ended without a line break still does.
    void InsertAfter(const TLine& line, const std::string& newLine) {
        if (line.End == line.Next)
            text_.insert(line.End, LineBreakOf(text_) + newLine);
        else
            text_.insert(line.Next, newLine + LineBreakOf(text_));
    }

    void Append(const std::string& block) {
        const std::string lineBreak = LineBreakOf(text_);
        if (text_.size() == body_ || text_.back() == '\n')
            text_ += block + lineBreak;
        else
            text_ += lineBreak + block;
    }

    std::string text_;
    size_t body_;  // where the text after a byte-order mark starts
    std::vector<TLine> lines_;
};

bool HasLineBreak(std::string_view text) {
    return text.find_first_of("\r\n") != npos;
}

// Why a name or value would not read back as written, or nothing.
const char* WriteFault(std::string_view section, std::string_view key, std::string_view value) {
    const std::string_view name = Trim(key);
    if (Trim(section).empty() || section.find(']') != npos || HasLineBreak(section))
        return "the section name is empty or holds \"]\" or a line break";
    if (name.empty() || name.find('=') != npos || HasLineBreak(key) ||
        std::string_view(";#[").find(name.front()) != npos)
        return "the key is empty, holds \"=\" or a line break, or begins with \";\", \"#\" or "
               "\"[\"";
    if (HasLineBreak(value)) return "the value holds a line break";
    return nullptr;
}

std::optional<uint64_t> ParseDigits(std::string_view digits, int base) {
    uint64_t value = 0;
    const char* end = digits.data() + digits.size();
    const auto [stop, error] = std::from_chars(digits.data(), end, value, base);
    if (digits.empty() || error != std::errc() || stop != end) return std::nullopt;
    return value;
}

// Decimal, or hexadecimal after "0x" or "$", with an optional sign.
std::optional<int> ParseSettingsInteger(std::string_view text) {
    const bool negative = !text.empty() && text.front() == '-';
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) text.remove_prefix(1);
    const bool dollar = text.starts_with('$');
    const bool hex = dollar || text.starts_with("0x") || text.starts_with("0X");
    if (hex) text.remove_prefix(dollar ? 1 : 2);
    const std::optional<uint64_t> magnitude = ParseDigits(text, hex ? 16 : 10);
    const uint64_t limit = hex ? UINT32_MAX : negative ? uint64_t{INT32_MAX} + 1 : INT32_MAX;
    if (!magnitude || *magnitude > limit) return std::nullopt;
    const uint32_t bits = static_cast<uint32_t>(*magnitude);
    return static_cast<int32_t>(negative ? 0u - bits : bits);
}

}  // namespace

std::string SettingsFileName(const std::string& dataFolder) {
    return dataFolder + "Vestrel.ini";
}

void ReplaceFileContent(const std::string& fileName, std::string_view content) {
    const std::string target = LinkTarget(fileName);
    const std::string temporary = target + "." + std::to_string(::getpid()) + ".tmp";
    struct stat existing;
    const bool exists = ::stat(target.c_str(), &existing) == 0;
    int error = WriteNewFile(temporary, content, exists ? &existing : nullptr);
    if (error == 0 && ::rename(temporary.c_str(), target.c_str()) != 0) error = errno;
    if (error != 0) {
        ::unlink(temporary.c_str());
        throw EVestrelError(WriteErrorText(fileName, error));
    }
    SyncFolderOf(target);
}

bool TFileIdentity::operator==(const TFileIdentity& other) const {
    return Exists == other.Exists && Device == other.Device && Inode == other.Inode &&
           Size == other.Size && Seconds == other.Seconds && Nanoseconds == other.Nanoseconds;
}

TSettingsFile::TSettingsFile(std::string fileName) : fileName_(std::move(fileName)) {}

const std::string& TSettingsFile::CurrentText() const {
    if (std::optional<std::string> text = ReadSettingsText(fileName_, known_)) text_ = *text;
    return text_;
}

std::string TSettingsFile::ReadString(std::string_view section, std::string_view key,
                                      std::string_view defaultValue) const {
    const std::optional<std::string> value = TSettingsText(CurrentText()).Value(section, key);
    return value ? *value : std::string(defaultValue);
}

int TSettingsFile::ReadInteger(std::string_view section, std::string_view key,
                               int defaultValue) const {
    const std::optional<std::string> value = TSettingsText(CurrentText()).Value(section, key);
    const std::optional<int> number = value ? ParseSettingsInteger(*value) : std::nullopt;
    return number.value_or(defaultValue);
}

bool TSettingsFile::ReadBool(std::string_view section, std::string_view key,
                             bool defaultValue) const {
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

void TSettingsFile::WriteString(std::string_view section, std::string_view key,
                                std::string_view value) {
    if (const char* fault = WriteFault(section, key, value))
        throw EVestrelError("Cannot write the setting \"" + std::string(key) + "\" of section \"" +
                            std::string(section) + "\" to \"" + fileName_ + "\": " + fault + ".");
    const TFolderLock lock(LinkTarget(fileName_));
    const std::string old = CurrentText();
    TSettingsText text(old);
    text.SetValue(section, key, value);
    if (text.Text() != old) ReplaceFileContent(fileName_, text.Text());
}

void TSettingsFile::WriteInteger(std::string_view section, std::string_view key, int value) {
    WriteString(section, key, std::to_string(value));
}

void TSettingsFile::WriteBool(std::string_view section, std::string_view key, bool value) {
    WriteString(section, key, value ? "1" : "0");
}

}  // namespace vestrel
