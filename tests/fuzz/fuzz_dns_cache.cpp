// The DNS cache file reader, the lookup of cached names and the rewrite: whatever a damaged
// file holds, what is kept is written back and reads back the same.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/dns_cache.h"
#include "fuzz_support.h"

using namespace vestrel;

namespace {

constexpr double kToday = 46000;

bool SameEntries(const std::vector<TDNSData>& a, const std::vector<TDNSData>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](const TDNSData& x, const TDNSData& y) {
                          return x.Address == y.Address && x.Name == y.Name &&
                                 (x.Resolved == y.Resolved ||
                                  (x.Resolved != x.Resolved && y.Resolved != y.Resolved));
                      });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string file = fuzz::WriteScratchFile(
        "DNSData.vtd", std::string_view(reinterpret_cast<const char*>(data), size));
    TDNSCache cache;
    cache.Load(file, kToday);
    for (const TDNSData& entry : cache.Entries)
        fuzz::Check(!entry.Name.empty() && entry.Name.size() <= size, "kept names are read");

    cache.Sort();
    fuzz::Check(
        std::is_sorted(cache.Entries.begin(), cache.Entries.end(),
                       [](const TDNSData& a, const TDNSData& b) { return a.Address < b.Address; }),
        "sorted by address");
    for (const TDNSData& entry : cache.Entries) {
        const std::string host = std::to_string(entry.Address & 0xFF) + "." +
                                 std::to_string(entry.Address >> 8 & 0xFF) + "." +
                                 std::to_string(entry.Address >> 16 & 0xFF) + "." +
                                 std::to_string(entry.Address >> 24);
        uint32_t address = 0;
        // 0.x.x.x is no address a log names.
        if (!HostAddress(host, address)) continue;
        fuzz::Check(address == entry.Address, "written address converts back");
        const std::string_view name = cache.CachedHostName(host);
        fuzz::Check(!name.empty(), "a cached address has a name");
    }

    const std::string copy = fuzz::Scratch().Path() + "DNSCopy.vtd";
    cache.Write(copy);
    TDNSCache reread;
    reread.Load(copy, kToday);
    fuzz::Check(SameEntries(cache.Entries, reread.Entries), "the rewrite reads back the same");
    return 0;
}
