// Log texts are bytes. They are shown and written as UTF-8: a well-formed UTF-8 sequence is kept,
// any other byte is read as a Windows-1252 character.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace vestrel {

// Code page 1252's characters for the bytes 0x80 to 0x9F; 0 where the code page has none.
inline constexpr std::array<char32_t, 32> kCp1252High = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// The length of the well-formed UTF-8 sequence of 2 to 4 bytes at `pos`, with its character; 0
// when the bytes there are not one.
size_t DecodeUtf8(std::string_view text, size_t pos, char32_t& ch);

bool IsValidUtf8(std::string_view text);
// The character a byte outside UTF-8 stands for in code page 1252 (U+FFFD where it has none).
char32_t Cp1252Character(unsigned char byte);
void AppendUtf8(std::string& out, char32_t ch);
// The text as valid UTF-8 by the rule above.
std::string DisplayUtf8(std::string_view text);
// DisplayUtf8 with the control characters (below 0x20 but TAB, and DEL) as U+FFFD: log text as
// the exports, the clipboard and the command line write it.
std::string PrintableUtf8(std::string_view text);

}  // namespace vestrel
