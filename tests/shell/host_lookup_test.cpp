// "DNS lookup IP at cursor" in a report table: which rows hold an address to look up, and that the
// name found replaces every cell of that address.
#include "shell/host_lookup.h"

#include <gtest/gtest.h>

namespace vestrel {
namespace {

TEST(HostLookupTest, ReportRowsOfAnAddressAllTakeTheNameFound) {
    TVarGrid grid;
    SetUpTable(grid, {{"Host", ctText, 100}, {"Hits", ctInteger, 50}}, 4);
    const char* hosts[] = {"10.0.9.1", "0.1.2.3", "www.example.org", "10.0.9.1"};
    for (int row = 1; row <= 4; ++row) grid.SetText(0, row, hosts[row - 1]);

    EXPECT_EQ(AddressAtRow(nullptr, grid, 1, false), "10.0.9.1");
    // Only texts beginning with 1..9 are looked up; the title row and rows past the end are none.
    EXPECT_EQ(AddressAtRow(nullptr, grid, 2, false), "");
    EXPECT_EQ(AddressAtRow(nullptr, grid, 3, false), "");
    EXPECT_EQ(AddressAtRow(nullptr, grid, 0, false), "");
    EXPECT_EQ(AddressAtRow(nullptr, grid, 5, false), "");
    EXPECT_EQ(AddressAtRow(nullptr, grid, -1, false), "");
    EXPECT_EQ(AddressAtRow(nullptr, grid, 1, true), "");

    NameAddressAtRow(nullptr, grid, 1, false, "10.0.9.1", "one.test");
    EXPECT_EQ(grid.GetText(0, 1), "one.test");
    EXPECT_EQ(grid.GetText(0, 4), "one.test");
    EXPECT_EQ(grid.GetText(0, 2), "0.1.2.3");
    EXPECT_EQ(grid.GetText(0, 0), "Host");
}

}  // namespace
}  // namespace vestrel
