#include "engine/dns_cache.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "engine/errors.h"

namespace vestrel {
namespace {

constexpr double kToday = 37316;  // 2002-03-01

uint32_t Address(std::string_view text) {
    uint32_t address = 0;
    EXPECT_TRUE(HostAddress(text, address)) << text;
    return address;
}

// One cache record as the file holds it.
std::string Record(uint32_t address, int32_t nameLength, std::string_view name, double resolved) {
    std::string bytes;
    auto append = [&bytes](uint64_t value, int size) {
        for (int i = 0; i < size; ++i) bytes.push_back(static_cast<char>(value >> (8 * i)));
    };
    append(address, 4);
    append(static_cast<uint32_t>(nameLength), 4);
    bytes += name;
    append(std::bit_cast<uint64_t>(resolved), 8);
    return bytes;
}

std::string Record(std::string_view address, std::string_view name, double resolved) {
    return Record(Address(address), static_cast<int32_t>(name.size()), name, resolved);
}

// Cache files in a fresh folder, removed afterwards.
class DNSCacheFileTest : public testing::Test {
  protected:
    void SetUp() override {
        std::string folderTemplate = testing::TempDir() + "vestrel_dns_XXXXXX";
        ASSERT_NE(mkdtemp(folderTemplate.data()), nullptr);
        folder_ = folderTemplate;
        fileName_ = (folder_ / "DNSData.vtd").string();
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    void WriteFile(const std::string& bytes) const {
        std::ofstream(fileName_, std::ios::binary) << bytes;
    }
    std::string ReadFile() const {
        std::ostringstream bytes;
        bytes << std::ifstream(fileName_, std::ios::binary).rdbuf();
        return bytes.str();
    }
    TDNSCache Loaded(const std::string& bytes) const {
        WriteFile(bytes);
        TDNSCache cache;
        cache.Load(fileName_, kToday);
        return cache;
    }

    std::filesystem::path folder_;
    std::string fileName_;
};

TEST(HostAddressTest, AcceptsOnlyDottedQuadsNotStartingWithZero) {
    EXPECT_EQ(Address("10.0.0.1"), 10u | 1u << 24);
    EXPECT_EQ(Address("192.168.1.254"), 192u | 168u << 8 | 1u << 16 | 254u << 24);
    EXPECT_EQ(Address("255.255.255.255"), 0xFFFFFFFFu);
    using namespace std::string_view_literals;
    for (std::string_view host :
         {""sv, "0.1.2.3"sv, "host-a"sv, "10.0.0"sv, "10.0.0.256"sv, "10.0.0.1 "sv,
          "1.2.3.4.example.com"sv, "9999999999999999999999999"sv, "1.2.3.4\0x"sv}) {
        uint32_t address = 12345;
        EXPECT_FALSE(HostAddress(host, address)) << host;
        EXPECT_EQ(address, 12345u) << host;
    }
}

TEST(DNSCacheTest, SortsInUnsignedOrderComparingTheLastOctetFirst) {
    TDNSCache example;
    example.Append(Address("1.0.0.10"), "b", kToday);
    example.Append(Address("10.0.0.1"), "a", kToday);
    example.Sort();
    EXPECT_EQ(example.Entries[0].Name, "a");

    std::mt19937 random(7);
    for (size_t count : {0, 1, 2, 3, 17, 1000}) {
        TDNSCache cache;
        for (size_t i = 0; i < count; ++i) {
            // Few distinct values give many duplicates; the top bit tests the unsigned order.
            const uint32_t address = random() % 8 == 0 ? 0x80000000u + random() % 4 : random() % 50;
            cache.Append(address, std::to_string(address), kToday);
        }
        cache.Sort();
        ASSERT_EQ(cache.Entries.size(), count);
        EXPECT_TRUE(std::is_sorted(
            cache.Entries.begin(), cache.Entries.end(),
            [](const TDNSData& a, const TDNSData& b) { return a.Address < b.Address; }));
        for (const TDNSData& entry : cache.Entries)
            EXPECT_EQ(entry.Name, std::to_string(entry.Address));
    }
}

TEST(DNSCacheTest, CachedHostNameGivesTheNameOfACachedAddressElseTheHost) {
    TDNSCache cache;
    for (std::string_view host : {"10.0.0.1", "1.0.0.10", "192.168.0.7", "255.255.255.255"})
        cache.Append(Address(host), "name of " + std::string(host), kToday);
    cache.Append(0 | 1u << 8 | 2u << 16 | 3u << 24, "zero-host", kToday);  // 0.1.2.3
    cache.Sort();
    for (std::string_view host : {"10.0.0.1", "1.0.0.10", "192.168.0.7", "255.255.255.255"})
        EXPECT_EQ(cache.CachedHostName(host), "name of " + std::string(host));
    for (std::string_view host : {"10.0.0.2", "0.1.2.3", "www.example.com", ""})
        EXPECT_EQ(cache.CachedHostName(host), host);
}

TEST_F(DNSCacheFileTest, KeepsRecentRecordsAndSkipsOldOrNameless) {
    const TDNSCache cache =
        Loaded(Record("10.0.0.1", "host-a", kToday) + Record("10.0.0.2", "old", kToday - 30) +
               Record("10.0.0.3", "", kToday) + Record("10.0.0.4", "recent", kToday - 29.5));
    ASSERT_EQ(cache.Entries.size(), 2u);
    EXPECT_EQ(cache.CachedHostName("10.0.0.1"), "host-a");
    EXPECT_EQ(cache.Entries[1].Name, "recent");
    EXPECT_EQ(cache.Entries[1].Resolved, kToday - 29.5);
}

TEST_F(DNSCacheFileTest, WrittenEntriesReadBackAndReplaceTheOldFile) {
    const std::string_view nameWithNul("with\0nul", 8);
    TDNSCache cache;
    cache.Append(Address("1.0.0.10"), std::string(nameWithNul), kToday);
    cache.Append(Address("10.0.0.1"), "host-a", kToday - 1);
    cache.Sort();
    WriteFile("old contents that are not a cache");
    cache.Write(fileName_);
    EXPECT_EQ(ReadFile(),
              Record("10.0.0.1", "host-a", kToday - 1) + Record("1.0.0.10", nameWithNul, kToday));

    TDNSCache readBack;
    readBack.Load(fileName_, kToday);
    ASSERT_EQ(readBack.Entries.size(), 2u);
    EXPECT_EQ(readBack.Entries[0].Address, Address("10.0.0.1"));
    EXPECT_EQ(readBack.Entries[0].Resolved, kToday - 1);
    EXPECT_EQ(readBack.Entries[1].Name, nameWithNul);
    // Nothing of the temporary file is left beside the cache.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder_), {}), 1);
}

TEST_F(DNSCacheFileTest, WriteIntoAMissingFolderNamesTheFile) {
    const std::string missing = (folder_ / "no such folder" / "DNSData.vtd").string();
    try {
        TDNSCache{}.Write(missing);
        FAIL() << "no error raised";
    } catch (const EVestrelError& error) {
        EXPECT_NE(std::string(error.what()).find(missing), std::string::npos) << error.what();
    }
}

TEST_F(DNSCacheFileTest, MissingFileLeavesEntriesUnchangedEmptyFileClearsThem) {
    TDNSCache cache;
    cache.Append(Address("10.0.0.1"), "host-a", kToday);
    cache.Load((folder_ / "absent.vtd").string(), kToday);
    EXPECT_EQ(cache.Entries.size(), 1u);
    WriteFile("");
    cache.Load(fileName_, kToday);
    EXPECT_TRUE(cache.Empty());
}

TEST_F(DNSCacheFileTest, TruncatedFinalRecordIsDropped) {
    const std::string first = Record("10.0.0.1", "host-a", kToday);
    const std::string second = Record("10.0.0.2", "host-b", kToday);
    for (size_t cut = 0; cut < second.size(); ++cut) {
        const TDNSCache cache = Loaded(first + second.substr(0, cut));
        ASSERT_EQ(cache.Entries.size(), 1u) << cut;
        EXPECT_EQ(cache.Entries[0].Name, "host-a");
    }
}

TEST_F(DNSCacheFileTest, AbsurdNameLengthEndsTheReading) {
    const std::string first = Record("10.0.0.1", "host-a", kToday);
    const std::string after = Record("10.0.0.3", "host-c", kToday);
    const int32_t beyondTheEnd = static_cast<int32_t>(after.size() + 9);
    for (int32_t nameLength : {-1, INT_MIN, INT_MAX, beyondTheEnd}) {
        const TDNSCache cache =
            Loaded(first + Record(Address("10.0.0.2"), nameLength, "", kToday) + after);
        ASSERT_EQ(cache.Entries.size(), 1u) << nameLength;
        EXPECT_EQ(cache.Entries[0].Name, "host-a");
    }
}

}  // namespace
}  // namespace vestrel
