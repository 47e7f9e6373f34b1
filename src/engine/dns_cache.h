// The cache of earlier reverse lookups: numeric hosts are replaced by the names it holds while
// lines are parsed, and the lookup command extends it and rewrites its file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vestrel {

struct TDNSData {
    uint32_t Address = 0;  // the four octets in written order, first octet least significant
    std::string Name;
    double Resolved = 0;  // the day the name was found, at 0:00
};

// True when the host counts as an address: not empty, first character '1'..'9', converts to IPv4;
// `address` holds the four octets in written order (a.b.c.d is a | b<<8 | c<<16 | d<<24).
bool HostAddress(std::string_view host, uint32_t& address);

class TDNSCache {
  public:
    std::vector<TDNSData> Entries;  // ascending by Address as an unsigned number

    // Reads the cache file; when it cannot be opened the entries stay unchanged. Skips records
    // with NameLength 0 or Resolved 30 days or more before `today`.
    void Load(const std::string& fileName, double today);
    bool Empty() const { return Entries.empty(); }
    // The cached name of an address, else the host itself.
    std::string_view CachedHostName(std::string_view host) const;
    void Append(uint32_t address, std::string name, double resolved);
    // Quicksort with middle pivot, in unsigned order of Address.
    void Sort();
    // Creates the file anew with every entry; raises EVestrelError naming the file when it cannot
    // be written.
    void Write(const std::string& fileName) const;
};

}  // namespace vestrel
