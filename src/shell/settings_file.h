// The settings file: a sectioned text file ("[Section]" headings, "Key=Value" lines) read and
// written one key at a time, at the moment a value is needed.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vestrel {

// The most a settings file may hold: 4 MB.
inline constexpr int64_t kMaxSettingsFileSize = int64_t{4} << 20;

// What a file looked like when it was last read: a file that still looks so is not read again.
struct TFileIdentity {
    bool Exists = false;
    uint64_t Device = 0, Inode = 0;
    int64_t Size = 0, Seconds = 0, Nanoseconds = 0;
    bool operator==(const TFileIdentity& other) const;
};

// The settings file of a data folder (which ends with "/").
std::string SettingsFileName(const std::string& dataFolder);

// Replaces the file's whole content in one step: the text goes into a temporary file in the same
// folder, which then takes the file's place, so a crash leaves either the old or the new content.
// An existing file keeps its permissions; a symbolic link keeps pointing at the file it names.
// Raises EVestrelError naming the file when it cannot be written.
void ReplaceFileContent(const std::string& fileName, std::string_view content);

// Section and key names compare without regard to letter case; blanks around names and values
// do not count. Lines beginning with ";" or "#" are comments. When a section or a key occurs
// twice, the first one counts. A leading UTF-8 byte-order mark is skipped and kept. Reading a
// missing file or key gives the default; a file that exists but cannot be read, is no regular
// file or is larger than kMaxSettingsFileSize raises EVestrelError. The file is read again only
// when it changed since this object last read it.
class TSettingsFile {
  public:
    explicit TSettingsFile(std::string fileName);

    const std::string& FileName() const { return fileName_; }

    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view defaultValue) const;
    // Decimal, or hexadecimal after "0x" or "$" (up to 8 digits, read as a 32-bit pattern), each
    // with an optional sign; anything else, or a decimal outside 32 bits, gives the default.
    int ReadInteger(std::string_view section, std::string_view key, int defaultValue) const;
    // An integer that is true when it is not 0.
    bool ReadBool(std::string_view section, std::string_view key, bool defaultValue) const;

    // Changes only the value of the key's line; every other byte of the file stays as it was. A
    // new key goes after the last entry of its section, a new section at the end of the file,
    // with the file's own line breaks. Names and values that would not read back as written (a
    // line break anywhere, "]" in a section, "=" in a key) raise EVestrelError. Writers in other
    // processes wait for each other, so none loses another's change.
    void WriteString(std::string_view section, std::string_view key, std::string_view value);
    void WriteInteger(std::string_view section, std::string_view key, int value);
    void WriteBool(std::string_view section, std::string_view key, bool value);  // "1" or "0"

  private:
    const std::string& CurrentText() const;

    std::string fileName_;
    mutable TFileIdentity known_;  // the file as text_ holds it
    mutable std::string text_;
};

}  // namespace vestrel
