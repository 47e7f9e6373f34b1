#include "reports/summary_reports.h"

#include <gtest/gtest.h>

#include <cmath>

#include "engine/date_time.h"
#include "reports/report_test_util.h"

namespace vestrel {
namespace {

using testing_util::Line;

class SummaryReportTest : public testing_util::TReportFixture {
  protected:
    void TearDown() override {
        SetReportClockForTests(0);
        TReportFixture::TearDown();
    }
    std::vector<std::string> Summary(const std::string& log) {
        Load(log);
        TReportContext context = Context();
        ReportGeneral(context);
        return Rows();
    }
};

TEST_F(SummaryReportTest, EmptyStoreShowsZerosAndDashes) {
    double day = 0, time = 0;
    TryEncodeDate(2024, 5, 1, day);
    TryEncodeTime(9, 30, 0, time);
    SetReportClockForTests(day + time);
    const std::vector<std::string> expected = {"Item|Value",
                                               "Time|",
                                               "   Report generated on|2024-05-01 09:30:00",
                                               "   Log spans a period of|0 day",
                                               "   First Hit|---",
                                               "   Last Hit|---",
                                               "Access|",
                                               "   Hits|0",
                                               "   Total Visiting Users|0",
                                               "   Total Data Transferred|0 bytes",
                                               "   Hits Cached by Client|0 (0.00%)",
                                               "   Incomplete Downloads|0 (0.00%)",
                                               "   Failed Requests|0 (0.00%)",
                                               "   Skipped Lines|0",
                                               "Average|",
                                               "   Data Transfer per Month|0 bytes",
                                               "   Data Transfer per Day|0 bytes",
                                               "   Data Transfer per Hit|0 bytes",
                                               "   Data Transfer per User|0 bytes",
                                               "   Hits per Day|0.00",
                                               "   Hits per User|0.00",
                                               "   Visitors per Day|0.00"};
    EXPECT_EQ(Summary(""), expected);
    for (int row = 1; row < grid_.RowCount(); ++row) {
        const bool heading = row == 1 || row == 6 || row == 14;
        EXPECT_EQ(grid_.IsGroupRow(row), heading) << row;
        EXPECT_EQ(grid_.GetRowTag(row), heading ? 1 : 0) << row;
    }
}

// Within one day the per-day rates divide by the fraction of a day the log spans (8 hours here).
TEST_F(SummaryReportTest, OneDayLogRatesUseTheFractionOfADay) {
    Summary(Line("a", "01/Mar/2024:10:00:00", "/", 200, 1000) +
            Line("a", "01/Mar/2024:10:10:00", "/logo.gif", 304, 0) +
            Line("b", "01/Mar/2024:12:00:00", "/gone.html", 404, 0) +
            Line("c", "01/Mar/2024:18:00:00", "/big.zip", 206, 2048));
    std::vector<std::string> values;
    for (int row = 3; row < grid_.RowCount(); ++row) values.push_back(grid_.GetText(1, row));
    const std::vector<std::string> expected = {"1 day",
                                               "2024-03-01 10:00:00",
                                               "2024-03-01 18:00:00",
                                               "",
                                               "4",
                                               "3",
                                               "2.98 kb",
                                               "1 (25.00%)",
                                               "1 (25.00%)",
                                               "1 (25.00%)",
                                               "0",
                                               "",
                                               "267.89 kb",
                                               "8.93 kb",
                                               "762 bytes",
                                               "1016 bytes",
                                               "12.00",
                                               "1.33",
                                               "9.00"};
    EXPECT_EQ(values, expected);
}

// Skipped lines are no hits and leave the period alone; left-out robots are told only when the
// setting is on.
TEST_F(SummaryReportTest, SkippedLinesAndLeftOutRobots) {
    std::vector<std::string> rows =
        Summary("# comment\n" + Line("a", "01/Mar/2024:10:00:00", "/") + "xxxxxxxxxxxx\n");
    EXPECT_EQ(rows[3], "   Log spans a period of|1 day");
    EXPECT_EQ(rows[7], "   Hits|1");
    EXPECT_EQ(rows[13], "   Skipped Lines|2");
    EXPECT_EQ(rows[14], "Average|");

    WriteFile("Robots.txt", "Crawler\tcrawl\n");
    const std::string log = WriteFile(
        "robots.log", Line("a", "01/Mar/2024:10:00:00", "/") +
                          Line("b", "01/Mar/2024:10:01:00", "/", 200, 100, "-", "WebCrawler/1.0"));
    Load("");
    analyzer_->ExcludeRobots = true;
    TLogFileDataParam files;
    FillLogFileData({"1" + log}, files);
    TLoadObserver quiet;
    LoadLogFiles(*analyzer_, files, quiet);
    rows = Run(ReportGeneral);
    EXPECT_EQ(rows[7], "   Hits|1");
    EXPECT_EQ(rows[14], "   Robot Hits Left Out|1");
}

TEST_F(SummaryReportTest, PeriodCountsWholeDaysOfTheSpanPlusOne) {
    // One day apart, both at midnight, which the date-time texts leave out.
    std::vector<std::string> rows =
        Summary(Line("a", "01/Mar/2024:00:00:00", "/") + Line("b", "02/Mar/2024:00:00:00", "/"));
    EXPECT_EQ(std::vector<std::string>(rows.begin() + 3, rows.begin() + 6),
              (std::vector<std::string>{"   Log spans a period of|2 days",
                                        "   First Hit|2024-03-01", "   Last Hit|2024-03-02"}));
    // Two calendar days, but less than 24 hours apart.
    rows = Summary(Line("a", "01/Mar/2024:12:00:00", "/") + Line("b", "02/Mar/2024:11:00:00", "/"));
    EXPECT_EQ(rows[3], "   Log spans a period of|1 day");
}

class DaySpanReportTest : public testing_util::TReportFixture {
  protected:
    std::vector<std::string> DaySpan(const std::string& log, int lastDays = 31) {
        Load(log);
        TReportContext context = Context();
        context.DaySpanPath = "index";
        context.Settings.LastDaysToShow = lastDays;
        ReportDaySpan(context);
        return Rows();
    }
};

// One visitor at 23:50 and 00:10, between other visitors' hits on other pages.
// A visitor of the day before who leaves on this day makes the day's time per user negative.
TEST_F(DaySpanReportTest, NegativeTimePerUserKeepsItsSign) {
    const std::vector<std::string> rows = DaySpan(Line("b", "10/Mar/2024:23:50:00", "/index.html") +
                                                  Line("b", "11/Mar/2024:00:10:00", "/index.html") +
                                                  Line("b", "11/Mar/2024:00:15:00", "/index.html") +
                                                  Line("c", "11/Mar/2024:09:00:00", "/other.html"));
    EXPECT_EQ(rows[1], "2024-03-11|2|||200 bytes|00:05:00|-00:05:00||1|");
}

TEST_F(DaySpanReportTest, VisitorAcrossMidnightCountsOnItsFirstDay) {
    const std::vector<std::string> rows = DaySpan(Line("a", "10/Mar/2024:08:00:00", "/other.html") +
                                                  Line("b", "10/Mar/2024:23:50:00", "/index.html") +
                                                  Line("b", "11/Mar/2024:00:10:00", "/index.html") +
                                                  Line("c", "11/Mar/2024:09:00:00", "/other.html"));
    std::vector<std::string> expected = {
        "Date|Hits|Users|Failed|Bandwidth|Total time|Time/User|Entry page|Exit page|Only page",
        "2024-03-11|1|||100 bytes||||1|", "2024-03-10|1|1||100 bytes|00:20:00|00:20:00|1||"};
    for (int row = 3; row <= 31; ++row)
        expected.push_back(
            TLocaleInfo::Iso().FormatShortDate(std::trunc(analyzer_->LastHit) - (row - 1)) +
            "||||0 bytes|||||");
    expected.push_back("|||||||||");
    expected.push_back("Total|2|1||200 bytes|00:20:00|00:20:00|1|1|");
    // Divided by the 31 day rows: 20 minutes / 31 is 39 seconds.
    expected.push_back("Average|0.06|0.03||6 bytes|00:00:39|00:00:39|0.03|0.03|");
    EXPECT_EQ(rows, expected);
    for (int row = 1; row < grid_.RowCount(); ++row)
        EXPECT_EQ(grid_.GetRowTag(row), row == 2 ? 1 : 0) << "only the day with most users";

    // Alone in the store, the visitor has no entry and no exit.
    EXPECT_EQ(DaySpan(Line("b", "10/Mar/2024:23:50:00", "/index.html") +
                      Line("b", "11/Mar/2024:00:10:00", "/index.html"))[33],
              "Total|2|1||200 bytes|00:20:00|00:20:00|||");
}

TEST_F(DaySpanReportTest, CountsDependOnStatusAndVisitEnd) {
    // 404 counts nowhere, not even its time; 200 without bytes is "Failed"; 304 is a hit.
    EXPECT_EQ(DaySpan(Line("a", "10/Mar/2024:10:00:00", "/index.html", 404, 500) +
                      Line("a", "10/Mar/2024:10:01:00", "/index.html", 200, 0) +
                      Line("a", "10/Mar/2024:10:03:00", "/index.html", 304, 0))[1],
              "2024-03-10|1|1|1|0 bytes|00:02:00|00:02:00|||");
    // Every visitor of the day exits that day: no time per user.
    EXPECT_EQ(DaySpan(Line("a", "10/Mar/2024:10:00:00", "/index.html") +
                      Line("a", "10/Mar/2024:10:05:00", "/index.html") +
                      Line("b", "10/Mar/2024:12:00:00", "/other.html"))[1],
              "2024-03-10|2|1||200 bytes|00:05:00|||1|");
}

// 500 days ask for more than a year: 365 day rows. The day before them (11 March 2023) is counted
// out of sight, and earlier days not at all.
TEST_F(DaySpanReportTest, AtMost365DayRows) {
    const std::vector<std::string> rows =
        DaySpan(Line("a", "10/Mar/2023:10:00:00", "/index.html") +
                    Line("b", "11/Mar/2023:10:00:00", "/index.html") +
                    Line("c", "12/Mar/2023:10:00:00", "/index.html") +
                    Line("d", "10/Mar/2024:10:00:00", "/index.html"),
                500);
    ASSERT_EQ(rows.size(), 369u);
    EXPECT_EQ(rows[1], "2024-03-10|1|1||100 bytes|||1||");
    EXPECT_EQ(rows[365], "2023-03-12|1|1||100 bytes|||1|1|1");
    EXPECT_EQ(rows[367], "Total|2|2||200 bytes|||2|1|1");
}

TEST_F(DaySpanReportTest, SortingLeavesTheSummaryRowsLast) {
    const std::vector<std::string> rows =
        DaySpan(Line("a", "09/Mar/2024:10:00:00", "/index.html") +
                    Line("a", "09/Mar/2024:10:01:00", "/index.html") +
                    Line("b", "10/Mar/2024:10:00:00", "/index.html"),
                3);
    grid_.OnSort = NarrowDaySpanSort;
    grid_.SortBy(1, true);
    EXPECT_EQ(Rows(), (std::vector<std::string>{rows[0], rows[2], rows[1], rows[3], rows[4],
                                                rows[5], rows[6]}));
}

}  // namespace
}  // namespace vestrel
