#include "engine/text_encoding.h"

namespace vestrel {

size_t DecodeUtf8(std::string_view text, size_t pos, char32_t& ch) {
    const auto lead = static_cast<unsigned char>(text[pos]);
    size_t length;
    char32_t smallest;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, smallest = 0x80, ch = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, smallest = 0x800, ch = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, smallest = 0x10000, ch = lead & 0x07;
    } else {
        return 0;
    }
    if (pos + length > text.size()) return 0;
    for (size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[pos + i]);
        if ((next & 0xC0) != 0x80) return 0;
        ch = (ch << 6) | (next & 0x3F);
    }
    const bool surrogate = ch >= 0xD800 && ch <= 0xDFFF;
    return ch < smallest || ch > 0x10FFFF || surrogate ? 0 : length;
}

bool IsValidUtf8(std::string_view text) {
    char32_t ch;
    for (size_t pos = 0; pos < text.size();) {
        if (static_cast<unsigned char>(text[pos]) < 0x80) {
            ++pos;
            continue;
        }
        const size_t length = DecodeUtf8(text, pos, ch);
        if (length == 0) return false;
        pos += length;
    }
    return true;
}

char32_t Cp1252Character(unsigned char byte) {
    if (byte < 0x80 || byte >= 0xA0) return byte;
    const char32_t ch = kCp1252High[byte - 0x80];
    return ch != 0 ? ch : 0xFFFD;
}

void AppendUtf8(std::string& out, char32_t ch) {
    if (ch < 0x80) {
        out += static_cast<char>(ch);
    } else if (ch < 0x800) {
        out += static_cast<char>(0xC0 | (ch >> 6));
        out += static_cast<char>(0x80 | (ch & 0x3F));
    } else if (ch < 0x10000) {
        out += static_cast<char>(0xE0 | (ch >> 12));
        out += static_cast<char>(0x80 | ((ch >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (ch & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (ch >> 18));
        out += static_cast<char>(0x80 | ((ch >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((ch >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (ch & 0x3F));
    }
}

std::string DisplayUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 4);
    char32_t ch;
    for (size_t pos = 0; pos < text.size();) {
        const auto byte = static_cast<unsigned char>(text[pos]);
        const size_t length = byte < 0x80 ? 0 : DecodeUtf8(text, pos, ch);
        if (length > 0) {
            out.append(text.substr(pos, length));
            pos += length;
        } else {
            AppendUtf8(out, Cp1252Character(byte));
            ++pos;
        }
    }
    return out;
}

std::string PrintableUtf8(std::string_view text) {
    const std::string utf8 = DisplayUtf8(text);
    std::string out;
    out.reserve(utf8.size());
    for (char ch : utf8) {
        const auto byte = static_cast<unsigned char>(ch);
        if ((byte < 0x20 && byte != '\t') || byte == 0x7F)
            AppendUtf8(out, 0xFFFD);
        else
            out += ch;
    }
    return out;
}

}  // namespace vestrel
