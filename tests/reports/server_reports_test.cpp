#include "reports/server_reports.h"

#include <gtest/gtest.h>

#include "reports/report_test_util.h"

namespace vestrel {
namespace {

using testing_util::Line;
using TTable = std::vector<std::string>;

class ServerReportTest : public testing_util::TReportFixture {};

// Each class heads its statuses, which are sorted by hits under it; a "-" status is unclassed.
TEST_F(ServerReportTest, StatusCodesGroupedByClass) {
    std::string log;
    const int statuses[][2] = {{200, 100}, {200, 100}, {200, 100}, {206, 40}, {304, 0}, {404, 10},
                               {404, 10},  {403, 5},   {503, 0},   {301, 20}, {301, 20}};
    int minute = 0;
    for (const auto& [status, bytes] : statuses)
        log += Line("h", "01/Mar/2024:10:" + std::to_string(10 + minute++) + ":00", "/", status,
                    bytes);
    log += "h - - [01/Mar/2024:10:30:00 +0000] \"GET / HTTP/1.1\" - -\n";
    Load(log);
    const TTable rows = Run(ReportStatusCodes);
    EXPECT_EQ(rows, (TTable{"Code|Meaning|Hits|Hits %|Bytes", "2xx|Success|4|33.33%|340",
                            "200|OK|3|25.00%|300", "206|Partial Content|1|8.33%|40",
                            "3xx|Redirection|3|25.00%|40", "301|Moved Permanently|2|16.67%|40",
                            "304|Not Modified|1|8.33%|", "4xx|Client Error|3|25.00%|25",
                            "404|Not Found|2|16.67%|20", "403|Forbidden|1|8.33%|5",
                            "5xx|Server Error|1|8.33%|", "503|Out of Resources|1|8.33%|",
                            "other|Other|1|8.33%|", "0|(none)|1|8.33%|"}));
    for (int row : {1, 4, 7, 10, 12}) EXPECT_TRUE(grid_.IsGroupRow(row)) << row;
    EXPECT_FALSE(grid_.IsGroupRow(2));
}

TEST_F(ServerReportTest, FileTypesByLastExtensionOfTheLastSegment) {
    EXPECT_EQ(FileTypeOf("/img/Logo.PNG"), "png");
    EXPECT_EQ(FileTypeOf("/a.tar.gz?x=1.5"), "gz");
    EXPECT_EQ(FileTypeOf("/v1.2/readme"), "(none)");
    EXPECT_EQ(FileTypeOf("/dir/"), "(none)");
    EXPECT_EQ(FileTypeOf("/file."), "(none)");
    EXPECT_EQ(FileTypeOf(""), "(none)");
    Load(Line("h", "01/Mar/2024:10:00:00", "/a.html", 200, 1000) +
         Line("h", "01/Mar/2024:10:01:00", "/b.HTML", 200, 500) +
         Line("h", "01/Mar/2024:10:02:00", "/c.png", 200, 3000) +
         Line("h", "01/Mar/2024:10:03:00", "/a.html", 304, 0) +
         Line("h", "01/Mar/2024:10:04:00", "/api/items", 200, 20) +
         Line("h", "01/Mar/2024:10:05:00", "/api/other", 200, 20));
    EXPECT_EQ(Run(ReportFileTypes), (TTable{"Extension|Hits|Bytes|Hits %", "html|3|1,500|50.00%",
                                            "(none)|2|40|33.33%", "png|1|3,000|16.67%"}));
}

}  // namespace
}  // namespace vestrel
