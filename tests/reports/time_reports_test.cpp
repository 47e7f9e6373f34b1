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

// The first and last hits fall in week 51 and in December; a log over a year lays out the whole
// cycle from there, so that the June hit has its row.
TEST_F(TimeReportTest, LogOverAYearGetsEveryWeekAndMonth) {
    Load(Line("a", "26/Dec/2021:12:00:00", "/") + Line("b", "15/Jun/2022:12:00:00", "/") +
         Line("c", "25/Dec/2022:12:00:00", "/"));
    const std::string two = "|2|66.67%|2|66.67%|1.00|||200 bytes|100 bytes";
    const std::string one = "|1|33.33%|1|33.33%|1.00|||100 bytes|100 bytes";
    std::vector<std::string> weeks = {std::string("Week") + kTitles};
    for (int offset = 0; offset < 53; ++offset)
        weeks.push_back("w" + std::to_string((50 + offset) % 53 + 1) + kEmpty);
    weeks[1] = "w51" + two;
    weeks[27] = "w24" + one;
    EXPECT_EQ(Run(ReportWeeklyAccess), weeks);

    std::vector<std::string> months = {std::string("Month") + kTitles};
    for (int offset = 0; offset < 12; ++offset)
        months.push_back(TLocaleInfo::Iso().LongMonthNames[(11 + offset) % 12] + kEmpty);
    months[1] = "December" + two;
    months[7] = "June" + one;
    EXPECT_EQ(Run(ReportMonthlyAccess), months);
}

}  // namespace
}  // namespace vestrel
