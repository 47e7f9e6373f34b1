// The country of a numeric host, located with the GeoIP country databases of Debian's
// geoip-database package (a snapshot taken when the package was built).
#pragma once

#include <string>
#include <string_view>

namespace vestrel {

class TCountryLookup {
  public:
    TCountryLookup();  // opens both databases; a missing one locates nothing
    ~TCountryLookup();
    TCountryLookup(const TCountryLookup&) = delete;
    TCountryLookup& operator=(const TCountryLookup&) = delete;

    // The two-letter code ("SE") of a numeric IPv4 or IPv6 host; empty when the host is no
    // address or the databases do not place it in a country.
    std::string_view CountryOfAddress(std::string_view host) const;
    // Whether the host is written as an IPv4 or IPv6 address.
    static bool IsAddress(std::string_view host);
    // The English name of an upper-case two-letter country code; empty for no known country.
    static std::string_view CountryName(std::string_view code);
    // The IPv4 database's own description (edition and date); empty when it is missing.
    std::string DatabaseInfo() const;

  private:
    struct TDatabases;
    TDatabases* databases_;
};

// The lookup over the packaged databases, opened on first use.
const TCountryLookup& PackagedCountries();

}  // namespace vestrel
