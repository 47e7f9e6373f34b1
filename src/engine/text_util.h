// The byte-text helpers shared by every hashed lookup and containment test.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vestrel {

// 16-bit rotate-left-5 and exclusive-or hash of a text: each byte in turn is xored into the low
// byte of the hash rotated left by five.
uint16_t StrHash(std::string_view text);

// 1-based position of pattern in text when text is longer than pattern and pattern is not empty;
// otherwise 1 when the two are equal and -1 when not.
int SubStrPos(std::string_view pattern, std::string_view text);

inline bool Contains(std::string_view text, std::string_view pattern) {
    return SubStrPos(pattern, text) > 0;
}

std::string LowerAscii(std::string_view text);
std::string UpperAscii(std::string_view text);
// Removes blanks and control characters (bytes up to space) at both ends.
std::string_view Trim(std::string_view text);

// The text with every control byte but tab, CR and LF (and DEL) written as \xHH, so that bytes
// from a server or a log cannot drive the terminal they are shown on.
std::string VisibleControls(std::string_view text);
// Whether the byte is one VisibleControls escapes.
inline bool IsHiddenControl(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return (byte < 0x20 && c != '\t' && c != '\r' && c != '\n') || byte == 0x7f;
}
// Appends "\x" and the byte as two lower-case hex digits.
void AppendHexEscape(std::string& out, char c);

}  // namespace vestrel
