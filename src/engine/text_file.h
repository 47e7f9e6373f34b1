// Whole-file reading of the program's plain-text files (reference lists, memo fields) as lines.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vestrel {

// CR, LF or CR LF ends a line; a last line without a break counts; an empty text has no lines.
std::vector<std::string> SplitTextLines(std::string_view text);

// The largest text file read whole; a reference list or a target list is far smaller.
inline constexpr long long kMaxTextFileSize = 16LL << 20;

// Raises EVestrelError naming the file when it cannot be opened or read (a folder cannot), when
// it is no regular file (a FIFO or a device would block or never end) or is over kMaxTextFileSize.
std::vector<std::string> ReadTextFileLines(const std::string& path);

// As ReadTextFileLines, but false, with errno telling why, when the file cannot be read: EINVAL
// for a file that is no regular one, EFBIG for one over kMaxTextFileSize.
bool TryReadTextFileLines(const std::string& path, std::vector<std::string>& lines);

// The message for a TryReadTextFileLines failure of `path` with `errorNumber`.
std::string TextFileErrorText(const std::string& path, int errorNumber);

}  // namespace vestrel
