// Whole-file reading of the program's plain-text files (reference lists, memo fields) as lines.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vestrel {

// CR, LF or CR LF ends a line; a last line without a break counts; an empty text has no lines.
std::vector<std::string> SplitTextLines(std::string_view text);

// Raises EVestrelError naming the file when it cannot be opened or read (a folder cannot).
std::vector<std::string> ReadTextFileLines(const std::string& path);

// As ReadTextFileLines, but false, with errno telling why, when the file cannot be opened or read.
bool TryReadTextFileLines(const std::string& path, std::vector<std::string>& lines);

}  // namespace vestrel
