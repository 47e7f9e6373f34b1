#include "engine/text_util.h"

namespace vestrel {

int SubStrPos(std::string_view pattern, std::string_view text) {
    if (text.size() > pattern.size() && !pattern.empty()) {
        const size_t pos = text.find(pattern);
        return pos == std::string_view::npos ? -1 : static_cast<int>(pos) + 1;
    }
    return text == pattern ? 1 : -1;
}

std::string LowerAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    return out;
}

std::string UpperAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return out;
}

std::string_view Trim(std::string_view text) {
    size_t begin = 0, end = text.size();
    while (begin < end && static_cast<unsigned char>(text[begin]) <= ' ') ++begin;
    while (end > begin && static_cast<unsigned char>(text[end - 1]) <= ' ') --end;
    return text.substr(begin, end - begin);
}

void AppendHexEscape(std::string& out, char c) {
    static constexpr char kHex[] = "0123456789abcdef";
    const auto byte = static_cast<unsigned char>(c);
    out += "\\x";
    out += kHex[byte >> 4];
    out += kHex[byte & 15];
}

std::string VisibleControls(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        if (IsHiddenControl(c))
            AppendHexEscape(out, c);
        else
            out += c;
    }
    return out;
}

}  // namespace vestrel
