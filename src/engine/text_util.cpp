#include "engine/text_util.h"

#include <cstring>

namespace vestrel {

namespace {

inline uint64_t Load64(const unsigned char* p) {
    uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
}

}  // namespace

// The rotations and exclusive-ors are linear, so the hash is the xor of every byte rotated by five
// times its distance d from the end, and a rotation by 5d depends on d modulo 16 only. The bytes
// are therefore xored eight at a time into two words (the words at even and odd steps from the
// end, whose byte i stands at d = 7 - i, resp. 15 - i, modulo 16), and rotated once at the end,
// instead of waiting on one rotation after another.
uint16_t StrHash(std::string_view text) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const size_t size = text.size();
    uint64_t even = 0, odd = 0;
    size_t end = size;
    for (; end >= 16; end -= 16) {
        even ^= Load64(bytes + end - 8);
        odd ^= Load64(bytes + end - 16);
    }
    if (end >= 8) {
        even ^= Load64(bytes + end - 8);
        end -= 8;
    }
    uint8_t byDistance[16];
    for (int i = 0; i < 8; ++i) {
        byDistance[7 - i] = static_cast<uint8_t>(even >> (8 * i));
        byDistance[15 - i] = static_cast<uint8_t>(odd >> (8 * i));
    }
    for (size_t k = 0; k < end; ++k) byDistance[(size - 1 - k) & 15] ^= bytes[k];
    unsigned hash = 0;
    for (unsigned d = 0; d < 16; ++d) {
        const unsigned shift = (5 * d) & 15, byte = byDistance[d];
        hash ^= (byte << shift | byte >> (16 - shift)) & 0xFFFF;
    }
    return static_cast<uint16_t>(hash);
}

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
