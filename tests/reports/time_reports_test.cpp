#include "reports/time_reports.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "engine/date_time.h"
#include "reports/report_test_util.h"

namespace vestrel {
namespace {

using testing_util::Line;

constexpr const char* kTitles =
    "|Hits|Hits %|Users|Users %|Hits per User|Total time|Time per User|Bandwidth|BW per User";
constexpr const char* kEmpty = "||||||||0 bytes|0 bytes";  // a row no hit fell in
constexpr const char* kHalf = "|1|50.00%|1|50.00%|1.00|||100 bytes|100 bytes";

TEST(TimeWeekNumberTest, WeeksRunMondayToSundayFromTheFirstThursday) {
    // Thursday 1 Jan 2015 opens week 1; Friday 1 Jan 2021 to Sunday 3 Jan are week 53 and Monday
    // starts week 1; late December goes on counting where another calendar has week 1.
    const int cases[][4] = {{2015, 1, 1, 1}, {2021, 1, 1, 53},   {2021, 1, 3, 53},
                            {2021, 1, 4, 1}, {2017, 12, 31, 52}, {2024, 12, 30, 53}};
    for (const auto& [year, month, day, week] : cases) {
        double date = 0;
        ASSERT_TRUE(TryEncodeDate(year, month, day, date));
        EXPECT_EQ(WeekNumber(date + 0.75), week) << year << "-" << month << "-" << day;
    }
}

class TimeReportTest : public testing_util::TReportFixture {
  protected:
    double ColumnSum(int col) const {
        double sum = 0;
        for (int row = 1; row < grid_.RowCount(); ++row) sum += grid_.GetFloat(col, row);
        return sum;
    }
};

// A visitor at 10:50 and 11:10 and another at 23:59:59.
TEST_F(TimeReportTest, HourOfDayCreditsTimeAndVisitorToTheEarlierHit) {
    Load(Line("a", "04/Mar/2024:10:50:00", "/") + Line("a", "04/Mar/2024:11:10:00", "/") +
         Line("b", "04/Mar/2024:23:59:59", "/"));
    std::vector<std::string> expected = {std::string("Hour") + kTitles};
    for (int hour = 0; hour < 24; ++hour) {
        char label[16];
        std::snprintf(label, sizeof label, "%.2d:00-%.2d:00", hour, hour + 1);
        expected.push_back(label + std::string(kEmpty));
    }
    expected[11] = "10:00-11:00|1|33.33%|1|50.00%|1.00|00:20:00|00:20:00|100 bytes|100 bytes";
    expected[12] = "11:00-12:00|1|33.33%||||||100 bytes|0 bytes";
    expected[24] = "23:00-24:00|1|33.33%|1|50.00%|1.00|||100 bytes|100 bytes";
    EXPECT_EQ(Run(ReportHourOfDay), expected);

    Load(Line("a", "04/Mar/2024:10:50:00", "/") + Line("a", "04/Mar/2024:11:10:00", "/"));
    EXPECT_EQ(Run(ReportHourOfDay)[11],
              "10:00-11:00|1|50.00%|1|100.00%|1.00|00:20:00|00:20:00|100 bytes|100 bytes");
}

TEST_F(TimeReportTest, SharesOfEveryTableSumToTheWhole) {
    Load(Line("a", "27/Feb/2024:10:00:00", "/") + Line("a", "27/Feb/2024:10:20:00", "/") +
         Line("b", "29/Feb/2024:23:59:00", "/") + Line("b", "01/Mar/2024:00:05:00", "/") +
         Line("c", "03/Mar/2024:08:00:00", "/") + Line("a", "05/Mar/2024:18:00:00", "/"));
    for (TReportGenerator generator : {ReportWeekday, ReportHourOfDay, ReportDailyAccess,
                                       ReportWeeklyAccess, ReportMonthlyAccess}) {
        Run(generator);
        SCOPED_TRACE(grid_.GetText(0, 0));
        EXPECT_EQ(ColumnSum(1), analyzer_->HitCount);
        EXPECT_NEAR(ColumnSum(2), 1.0, 1e-9);
        EXPECT_EQ(ColumnSum(3), analyzer_->UserCount);
        EXPECT_NEAR(ColumnSum(4), 1.0, 1e-9);
    }
    EXPECT_EQ(Run(ReportWeekday)[1].substr(0, 7), "Sunday|");
}

TEST_F(TimeReportTest, TimeAboveOneDayShowsTheDays) {
    // One visitor with a hit every 20 minutes from 1 March 00:00 for `hours` hours.
    const auto steadyVisitor = [](int hours) {
        std::string log;
        for (int step = 0; step <= hours * 3; ++step) {
            char time[32];
            std::snprintf(time, sizeof time, "%.2d/Mar/2024:%.2d:%.2d:00", 1 + step / 72,
                          step / 3 % 24, step % 3 * 20);
            log += Line("a", time, "/");
        }
        return log;
    };
    Load(steadyVisitor(36));
    Run(ReportMonthlyAccess);
    EXPECT_EQ(grid_.GetText(6, 1), "1d 12:00:00");
    EXPECT_EQ(grid_.GetText(7, 1), "12:00:00") << "the time per user wraps";
    Load(steadyVisitor(24));
    Run(ReportMonthlyAccess);
    EXPECT_EQ(grid_.GetCellType(6, 1), ctTime);
    EXPECT_EQ(grid_.GetText(6, 1), "00:00:00");
}

// 30 December 2019 is in week 53 and 2 January 2020 in week 1.
TEST_F(TimeReportTest, TurnOfTheYearFollowsOnInWeeksAndMonths) {
    Load(Line("a", "30/Dec/2019:12:00:00", "/") + Line("b", "02/Jan/2020:12:00:00", "/"));
    const auto table = [](const char* title, std::vector<std::string> rows) {
        rows.insert(rows.begin(), title + std::string(kTitles));
        return rows;
    };
    EXPECT_EQ(Run(ReportWeeklyAccess),
              table("Week", {"w53" + std::string(kHalf), "w1" + std::string(kHalf)}));
    EXPECT_EQ(Run(ReportMonthlyAccess),
              table("Month", {"December" + std::string(kHalf), "January" + std::string(kHalf)}));
    EXPECT_EQ(
        Run(ReportDailyAccess),
        table("Date", {"2019-12-30" + std::string(kHalf), "2019-12-31" + std::string(kEmpty),
                       "2020-01-01" + std::string(kEmpty), "2020-01-02" + std::string(kHalf)}));
}

// The first and last hits fall in week 51 and in December of two years: every week and month
// from the first hit's to the last hit's gets a row titled with its year, so that no two hits of
// different years share one. January 1 and 2 of 2022 close week 53 of 2021.
TEST_F(TimeReportTest, LogOverAYearGetsARowPerYearAndPeriod) {
    Load(Line("a", "26/Dec/2021:12:00:00", "/") + Line("b", "15/Jun/2022:12:00:00", "/") +
         Line("c", "25/Dec/2022:12:00:00", "/"));
    const std::string one = "|1|33.33%|1|33.33%|1.00|||100 bytes|100 bytes";
    std::vector<std::string> weeks = {std::string("Week") + kTitles, "2021 week 51" + one,
                                      std::string("2021 week 52") + kEmpty,
                                      std::string("2021 week 53") + kEmpty};
    for (int week = 1; week <= 51; ++week)
        weeks.push_back("2022 week " + std::to_string(week) + kEmpty);
    weeks[3 + 24] = "2022 week 24" + one;
    weeks.back() = "2022 week 51" + one;
    EXPECT_EQ(Run(ReportWeeklyAccess), weeks);

    std::vector<std::string> months = {std::string("Month") + kTitles, "2021 December" + one};
    for (int month = 0; month < 12; ++month)
        months.push_back("2022 " + TLocaleInfo::Iso().LongMonthNames[month] + kEmpty);
    months[1 + 6] = "2022 June" + one;
    months.back() = "2022 December" + one;
    EXPECT_EQ(Run(ReportMonthlyAccess), months);

    // Eleven months apart, each month number once: the rows of one cycle, without years.
    Load(Line("a", "15/Feb/2021:12:00:00", "/") + Line("b", "15/Jan/2022:12:00:00", "/"));
    const std::vector<std::string> cycle = Run(ReportMonthlyAccess);
    ASSERT_EQ(cycle.size(), 13u);
    EXPECT_EQ(cycle[1].substr(0, 9), "February|");
    EXPECT_EQ(cycle[12].substr(0, 8), "January|");
}

// Before 1899-12-30 times are negative day counts: the clock time and the calendar day decide.
TEST_F(TimeReportTest, TimesBeforeEighteenNinetyNineUseTheClockAndCalendar) {
    Load(Line("a", "29/Dec/1899:12:10:00", "/") + Line("b", "01/Jan/1900:08:00:00", "/"));
    EXPECT_EQ(Run(ReportHourOfDay)[13].substr(0, 13), "12:00-13:00|1");
    const std::vector<std::string> weeks = Run(ReportWeeklyAccess);
    ASSERT_EQ(weeks.size(), 4u);
    EXPECT_EQ(weeks[1].substr(0, 6), "w52|1|");
    EXPECT_EQ(weeks[2], std::string("w53") + kEmpty);
    EXPECT_EQ(weeks[3].substr(0, 5), "w1|1|");
}

}  // namespace
}  // namespace vestrel
