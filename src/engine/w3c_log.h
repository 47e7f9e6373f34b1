// W3C extended logs: the "#Fields:" directive becomes a column list, and every data line is
// rebuilt into the combined layout so that one parser serves both formats.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vestrel {

class TLineSource;

constexpr int kMaxW3CColumns = 64;

enum TW3CColumn : uint8_t {
    wcIgnored = 0,
    wcHost = 1,
    wcUser = 2,
    wcDate = 3,
    wcTime = 4,
    wcDateTime = 5,
    wcPath = 6,
    wcMethod = 7,
    wcProtocol = 8,
    wcStatus = 9,
    wcBytes = 10,
    wcReferrer = 11,
    wcAgent = 12,
};

struct TW3CColumns {
    uint8_t Codes[kMaxW3CColumns] = {};
    int Count = 0;
};

// Rebuilds the column list from one "#Fields:" line; columns beyond the 64th are ignored.
void ParseW3CFieldsDirective(std::string_view line, TW3CColumns& columns);
// Reads the directive lines at the start of the file, then rewinds it.
void ReadW3CHeader(TLineSource& source, TW3CColumns& columns);
// The combined-layout form of one data line, written into `out` (reused between lines).
void RebuildW3CLine(std::string_view line, const TW3CColumns& columns, std::string& out);

}  // namespace vestrel
