#include "reports/host_reports.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "reports/report_test_util.h"

namespace vestrel {
namespace {

using testing_util::Line;
using TTable = std::vector<std::string>;

class HostReportTest : public testing_util::TReportFixture {};

// Two visits of a (the second after an hour's pause), one of b.
TEST_F(HostReportTest, HostsCountHitsBytesVisitsAndTheirFirstAndLastHit) {
    Load(Line("a", "01/Mar/2024:10:00:00", "/", 200, 1000) +
         Line("b", "01/Mar/2024:10:05:00", "/", 200, 50) +
         Line("a", "01/Mar/2024:10:10:00", "/x.gif", 304, 0) +
         Line("a", "01/Mar/2024:12:00:00", "/y.htm", 200, 2500));
    EXPECT_EQ(Run(ReportHosts), (TTable{"Host|Hits|Bytes|Visits|First Hit|Last Hit",
                                        "a|3|3,500|2|2024-03-01 10:00:00|2024-03-01 12:00:00",
                                        "b|1|50|1|2024-03-01 10:05:00|2024-03-01 10:05:00"}));
    Load("");
    EXPECT_EQ(Run(ReportHosts).size(), 2u);  // the titles and one empty row
}

// The first listed text that occurs in any letter case names the robot; the generic entry comes
// last, so a known crawler is named rather than counted as a generic bot.
TEST_F(HostReportTest, RobotsAreNamedByTheFirstMatchingEntry) {
    WriteFile("Robots.txt", "Googlebot\tgooglebot\nUptime\tUptimeRobot\nGeneric bot\tbot\n");
    const std::string google = "Mozilla/5.0 (compatible; Googlebot/2.1)";
    Load(Line("g1", "01/Mar/2024:10:00:00", "/", 200, 100, "-", google) +
         Line("g1", "01/Mar/2024:10:01:00", "/a", 200, 100, "-", google) +
         Line("g2", "01/Mar/2024:11:00:00", "/", 200, 100, "-", "GoogleBot-Image/1.0") +
         Line("u", "01/Mar/2024:11:30:00", "/", 200, 10, "-", "Mozilla/5.0 (UptimeRobot/2.0)") +
         Line("x", "01/Mar/2024:12:00:00", "/", 200, 5, "-", "SomeBot 1.0") +
         Line("x", "01/Mar/2024:12:10:00", "/", 200, 5, "-", "SomeBot 1.0") +
         Line("h", "01/Mar/2024:12:30:00", "/", 200, 5, "-", "Mozilla/5.0 (X11; Linux)"));
    EXPECT_EQ(
        Run(ReportRobots),
        (TTable{"Robot|Hits|Visits|Bytes|Last Hit", "Googlebot|3|2|300|2024-03-01 11:00:00",
                "Generic bot|2|1|10|2024-03-01 12:10:00", "Uptime|1|1|10|2024-03-01 11:30:00"}));
    std::filesystem::remove(folder_ + "Robots.txt");
    EXPECT_THROW(Run(ReportRobots), EVestrelError);
}

// Addresses are placed by the packaged GeoIP data, names by their last label; the rest is unknown.
TEST_F(HostReportTest, CountriesOfAddressesAndHostNames) {
    WriteFile("TopDomain.txt", "\"Sweden\" se\n\"United Kingdom\" uk\n\"Commercial\" com\n");
    EXPECT_EQ(CountryCaption(Load(""), "8.8.8.8"), "United States (US)");
    Load(Line("8.8.8.8", "01/Mar/2024:10:00:00", "/") +
         Line("2001:4860:4860::8888", "01/Mar/2024:10:01:00", "/") +
         Line("8.8.8.8", "01/Mar/2024:12:00:00", "/") +
         Line("193.0.6.139", "01/Mar/2024:10:02:00", "/") +
         Line("www.example.se", "01/Mar/2024:10:03:00", "/") +
         Line("host.ac.uk", "01/Mar/2024:10:04:00", "/") +
         Line("shop.example.com", "01/Mar/2024:10:05:00", "/") +
         Line("10.0.0.1", "01/Mar/2024:10:06:00", "/") +
         Line("box.example.zz", "01/Mar/2024:10:07:00", "/"));
    const TTable rows = Run(ReportCountries);
    EXPECT_EQ(rows[0], "Country|Hits|Hits %|Visits");
    EXPECT_EQ(rows[1], "United States (US)|3|33.33%|3");
    EXPECT_EQ(rows[2], "[Unknown]|2|22.22%|2");  // a private address, an unknown label
    TTable rest(rows.begin() + 3, rows.end());
    std::sort(rest.begin(), rest.end());  // tied rows come in no particular order
    EXPECT_EQ(rest, (TTable{"Commercial (COM)|1|11.11%|1", "Netherlands (NL)|1|11.11%|1",
                            "Sweden (SE)|1|11.11%|1", "United Kingdom (GB)|1|11.11%|1"}));
}

}  // namespace
}  // namespace vestrel
