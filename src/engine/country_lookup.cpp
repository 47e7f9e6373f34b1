#include "engine/country_lookup.h"

#include <GeoIP.h>
#include <arpa/inet.h>

#include <cstdlib>
#include <cstring>

namespace vestrel {

namespace {

constexpr size_t kMaxAddressText = 64;

// The host as a C string in `buffer`; false when it cannot be an address.
bool CopyHost(std::string_view host, char (&buffer)[kMaxAddressText]) {
    if (host.empty() || host.size() >= kMaxAddressText) return false;
    std::memcpy(buffer, host.data(), host.size());
    buffer[host.size()] = '\0';
    return true;
}

// GeoIP's codes of no country: "--" unknown, "A1" anonymous proxy, "A2" satellite, "AP" and "EU"
// for addresses only known to lie in Asia or Europe, "O1" other.
bool IsCountryCode(const char* code) {
    if (code == nullptr || std::strlen(code) != 2) return false;
    for (const char* none : {"--", "A1", "A2", "AP", "EU", "O1"})
        if (std::strcmp(code, none) == 0) return false;
    return true;
}

std::string_view CodeOfId(int id) {
    const char* code = id > 0 ? GeoIP_code_by_id(id) : nullptr;
    return IsCountryCode(code) ? std::string_view(code) : std::string_view();
}

}  // namespace

struct TCountryLookup::TDatabases {
    GeoIP* V4 = nullptr;
    GeoIP* V6 = nullptr;
};

TCountryLookup::TCountryLookup() : databases_(new TDatabases) {
    const int flags = GEOIP_MEMORY_CACHE | GEOIP_SILENCE;
    databases_->V4 = GeoIP_open_type(GEOIP_COUNTRY_EDITION, flags);
    databases_->V6 = GeoIP_open_type(GEOIP_COUNTRY_EDITION_V6, flags);
}

TCountryLookup::~TCountryLookup() {
    if (databases_->V4 != nullptr) GeoIP_delete(databases_->V4);
    if (databases_->V6 != nullptr) GeoIP_delete(databases_->V6);
    delete databases_;
}

bool TCountryLookup::IsAddress(std::string_view host) {
    char text[kMaxAddressText];
    in6_addr address{};
    return CopyHost(host, text) &&
           (inet_pton(AF_INET, text, &address) == 1 || inet_pton(AF_INET6, text, &address) == 1);
}

std::string_view TCountryLookup::CountryOfAddress(std::string_view host) const {
    char text[kMaxAddressText];
    if (!CopyHost(host, text)) return {};
    in_addr v4{};
    if (inet_pton(AF_INET, text, &v4) == 1)
        return databases_->V4 ? CodeOfId(GeoIP_id_by_ipnum(databases_->V4, ntohl(v4.s_addr)))
                              : std::string_view();
    in6_addr v6{};
    if (inet_pton(AF_INET6, text, &v6) == 1)
        return databases_->V6 ? CodeOfId(GeoIP_id_by_ipnum_v6(databases_->V6, v6))
                              : std::string_view();
    return {};
}

std::string_view TCountryLookup::CountryName(std::string_view code) {
    char text[kMaxAddressText];
    if (code.size() != 2 || !CopyHost(code, text)) return {};
    const int id = GeoIP_id_by_code(text);
    if (CodeOfId(id).empty()) return {};
    const char* name = GeoIP_name_by_id(id);
    return name != nullptr ? std::string_view(name) : std::string_view();
}

std::string TCountryLookup::DatabaseInfo() const {
    if (databases_->V4 == nullptr) return {};
    char* info = GeoIP_database_info(databases_->V4);
    if (info == nullptr) return {};
    std::string text(info);
    std::free(info);
    return text;
}

const TCountryLookup& PackagedCountries() {
    static const TCountryLookup lookup;
    return lookup;
}

}  // namespace vestrel
