#include "reports/time_reports.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/date_time.h"
#include "reports/report_format.h"

namespace vestrel {

namespace {

constexpr int kWeeksInCycle = 53;
constexpr int kMonthsInCycle = 12;
constexpr double kHourLength = 0.041666666;  // not the exact 1/24: the last hour ends a little late

struct TBucket {
    int32_t Hits = 0;
    int32_t Users = 0;
    double Time = 0;       // days
    double Bandwidth = 0;  // bytes
};

// The calendar day of a time (the same as trunc for every time after 1899).
double DayOf(double t) {
    return std::floor(t);
}

// Spreads every hit over `slotCount` buckets; slotOf(time) gives a bucket in 0..slotCount-1. A
// visitor counts once, in the bucket of its first hit, and the gap to the visitor's next hit is
// credited to the bucket of the earlier hit.
template <typename SlotOf>
std::vector<TBucket> Accumulate(const TLogAnalyzer& a, int slotCount, SlotOf slotOf) {
    std::vector<TBucket> buckets(static_cast<size_t>(slotCount));
    const TLogHit* hits = a.Hits.Data();
    const int32_t n = a.HitCount;
    for (int32_t i = 0; i < n; ++i) {
        const TLogHit& hit = hits[i];
        TBucket& bucket = buckets[static_cast<size_t>(slotOf(hit.Time))];
        ++bucket.Hits;
        bucket.Bandwidth += hit.Bytes;
        if (i + 1 < n && hits[i + 1].Uid == hit.Uid) bucket.Time += hits[i + 1].Time - hit.Time;
        if (i == 0 || hits[i - 1].Uid != hit.Uid) ++bucket.Users;
    }
    return buckets;
}

// Week and month rules depend on the day only, and a visitor's hits mostly share one day.
template <typename DayRule>
auto PerDay(DayRule rule) {
    return [rule, day = std::nan(""), slot = 0](double t) mutable {
        if (DayOf(t) != day) {
            day = DayOf(t);
            slot = rule(day);
        }
        return slot;
    };
}

// A cycle of weeks or months laid out from the first hit's: the `laidOut` rows from the first to
// the last hit's, or the whole cycle when a log reaching over a year has hits beyond them.
void FitCycle(std::vector<TBucket>& cycle, int laidOut) {
    for (size_t slot = static_cast<size_t>(laidOut); slot < cycle.size(); ++slot)
        if (cycle[slot].Hits > 0) return;
    cycle.resize(static_cast<size_t>(laidOut));
}

// The distance from `first` to `value` on a cycle numbered 1..length.
int CycleOffset(int value, int first, int length) {
    const int offset = value - first;
    return offset < 0 ? offset + length : offset;
}

void DefineTimeColumns(TVarGrid& grid, std::string_view firstTitle, int dataRows) {
    grid.SetColCount(10);
    grid.SetRowCount(1);  // the data rows are made afresh, without an earlier table's tags
    grid.SetRowCount(dataRows + 1);
    DefineColumn(grid, 0, firstTitle, ctText, 70);
    DefineColumn(grid, 1, "Hits", ctInteger, 50);
    DefineColumn(grid, 2, "Hits %", ctPercent, 70);
    DefineColumn(grid, 3, "Users", ctInteger, 50);
    DefineColumn(grid, 4, "Users %", ctPercent, 70);
    DefineColumn(grid, 5, "Hits per User", ctFloat, 70);
    DefineColumn(grid, 6, "Total time", ctTime, 70);
    DefineColumn(grid, 7, "Time per User", ctTime, 70);
    DefineColumn(grid, 8, "Bandwidth", ctFloat, 70);
    DefineColumn(grid, 9, "BW per User", ctFloat, 70);
}

// Above one day a time cell would wrap, so it shows the whole days before the time of day. The
// time is rounded to the second first, as the time of day would be, so that it never shows 24:00.
std::string DurationText(double days, const TLocaleInfo& locale) {
    const int64_t seconds = std::llround(days * kSecondsPerDay);
    const int64_t perDay = static_cast<int64_t>(kSecondsPerDay);
    return std::to_string(seconds / perDay) + "d " +
           locale.FormatLongTime(static_cast<double>(seconds % perDay) / kSecondsPerDay);
}

void SetTextCell(TVarGrid& grid, int col, int row, const std::string& text) {
    grid.SetCellType(col, row, ctText);
    grid.SetText(col, row, text);
}

void FillRow(TVarGrid& grid, int row, const TBucket& b, const TLogAnalyzer& a) {
    const TLocaleInfo& locale = *a.Locale;
    grid.SetInt(1, row, b.Hits);
    grid.SetFloat(2, row, SafeDiv(a.HitCount, b.Hits));
    grid.SetInt(3, row, b.Users);
    grid.SetFloat(4, row, SafeDiv(a.UserCount, b.Users));
    grid.SetFloat(5, row, SafeDiv(b.Users, b.Hits));
    if (b.Time > 1)
        SetTextCell(grid, 6, row, DurationText(b.Time, locale));
    else
        grid.SetFloat(6, row, b.Time);
    grid.SetFloat(7, row, SafeDiv(b.Users, b.Time));
    SetTextCell(grid, 8, row, FormatBytes(b.Bandwidth, locale));
    SetTextCell(grid, 9, row, FormatBytes(SafeDiv(b.Users, b.Bandwidth), locale));
}

// One row per bucket, labelled by labelOf(bucket index).
template <typename LabelOf>
void WriteTimeTable(TReportContext& context, std::string_view firstTitle,
                    const std::vector<TBucket>& buckets, LabelOf labelOf) {
    TVarGrid& grid = context.Grid;
    DefineTimeColumns(grid, firstTitle, static_cast<int>(buckets.size()));
    for (size_t slot = 0; slot < buckets.size(); ++slot) {
        const int row = static_cast<int>(slot) + 1;
        grid.SetText(0, row, labelOf(static_cast<int>(slot)));
        FillRow(grid, row, buckets[slot], context.Analyzer);
    }
}

// The locale's time separator: the first character of the long time layout that is no letter.
char TimeSeparator(const TLocaleInfo& locale) {
    for (char c : locale.LongTimeFormat)
        if (!std::isalpha(static_cast<unsigned char>(c))) return c;
    return ':';
}

std::string HourLabel(int hour, char separator) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2d%c00-%.2d%c00", hour, separator, hour + 1, separator);
    return text;
}

// A period of a cycle of weeks or months numbered 1..length, counted on from year 0: the same
// number in the next year is `length` further on.
template <typename PeriodOf>
int64_t LinearPeriod(double t, int length, PeriodOf periodOf) {
    const auto [year, number] = periodOf(t);
    return static_cast<int64_t>(year) * length + number - 1;
}

// One row per period that a day from the first hit's to the last hit's falls in, titled with its
// year, so that hits of the same week or month in different years keep apart.
template <typename PeriodOf, typename LabelOf>
void ReportYearPeriods(TReportContext& context, std::string_view title, int length,
                       PeriodOf periodOf, LabelOf labelOf) {
    const TLogAnalyzer& a = context.Analyzer;
    const double lastDay = DayOf(a.LastHit);
    const int64_t first = LinearPeriod(a.FirstHit, length, periodOf);
    std::vector<int> rowOfPeriod(
        static_cast<size_t>(LinearPeriod(a.LastHit, length, periodOf) - first + 1), -1);
    std::vector<std::string> labels;
    for (double day = DayOf(a.FirstHit); day <= lastDay; ++day) {
        int& row = rowOfPeriod[static_cast<size_t>(LinearPeriod(day, length, periodOf) - first)];
        if (row >= 0) continue;
        row = static_cast<int>(labels.size());
        const auto [year, number] = periodOf(day);
        labels.push_back(labelOf(year, number));
    }
    const auto buckets = Accumulate(
        a, static_cast<int>(labels.size()), PerDay([&](double day) {
            return rowOfPeriod[static_cast<size_t>(LinearPeriod(day, length, periodOf) - first)];
        }));
    WriteTimeTable(context, title, buckets, [&](int row) { return labels[row]; });
}

// A table over a cycle of `length` weeks or months; periodOf(time) gives the year and the
// number 1..length of the period, labelOf(year, number) titles a row (year 0 within a cycle).
// Within one cycle the rows are laid out from the first hit's number; hits that reach further than
// a cycle get a row per year and period instead.
template <typename PeriodOf, typename LabelOf>
void ReportCycle(TReportContext& context, std::string_view title, int length, PeriodOf periodOf,
                 LabelOf labelOf) {
    const TLogAnalyzer& a = context.Analyzer;
    context.Grid.Clear();
    if (a.HitCount > 0 &&
        LinearPeriod(a.LastHit, length, periodOf) - LinearPeriod(a.FirstHit, length, periodOf) >=
            length) {
        ReportYearPeriods(context, title, length, periodOf, labelOf);
        return;
    }
    const auto numberOf = [periodOf](double t) { return periodOf(t).second; };
    const int first = numberOf(a.FirstHit);
    auto buckets = Accumulate(a, length, PerDay([first, length, numberOf](double day) {
                                  return CycleOffset(numberOf(day), first, length);
                              }));
    FitCycle(buckets, CycleOffset(numberOf(a.LastHit), first, length) + 1);
    WriteTimeTable(context, title, buckets,
                   [&](int offset) { return labelOf(0, (first - 1 + offset) % length + 1); });
}

// The year a week belongs to: the days of January before its first week close the last week of
// the year before.
std::pair<int, int> YearAndWeek(double t) {
    const int week = WeekNumber(t);
    const TDateParts date = DecodeDateTime(t);
    return {week == kWeeksInCycle && date.Month == 1 ? date.Year - 1 : date.Year, week};
}

std::pair<int, int> YearAndMonth(double t) {
    const TDateParts date = DecodeDateTime(t);
    return {date.Year, date.Month};
}

}  // namespace

int WeekNumber(double t) {
    static constexpr int kOffsets[7] = {6, 7, 8, 9, 10, 4, 5};  // by weekday of 1 January
    TDateTime january = 0;
    TryEncodeDate(DecodeDateTime(t).Year, 1, 1, january);
    const int offset = kOffsets[DayOfWeek(january) - 1];
    const int week = static_cast<int>(std::floor(t) - std::floor(january) + offset) / 7;
    return week == 0 ? kWeeksInCycle : week;
}

void ReportWeekday(TReportContext& context) {
    context.Grid.Clear();
    const auto buckets = Accumulate(context.Analyzer, 7, [](double t) { return DayOfWeek(t) - 1; });
    const TLocaleInfo& locale = *context.Analyzer.Locale;
    WriteTimeTable(context, "Weekday", buckets, [&](int day) { return locale.LongDayNames[day]; });
}

void ReportHourOfDay(TReportContext& context) {
    context.Grid.Clear();
    const auto buckets = Accumulate(context.Analyzer, 24, [](double t) {
        const int hour = static_cast<int>((t - DayOf(t)) / kHourLength);  // the clock time
        return hour < 23 ? hour : 23;  // a fraction of a second before midnight would give 24
    });
    const char separator = TimeSeparator(*context.Analyzer.Locale);
    WriteTimeTable(context, "Hour", buckets, [&](int hour) { return HourLabel(hour, separator); });
}

void ReportDailyAccess(TReportContext& context) {
    const TLogAnalyzer& a = context.Analyzer;
    context.Grid.Clear();
    const double first = DayOf(a.FirstHit);
    const double days = DayOf(a.LastHit) - first + 1;
    if (days < 1) {  // nothing loaded
        DefineTimeColumns(context.Grid, "Date", 1);
        return;
    }
    const auto buckets = Accumulate(a, static_cast<int>(days), [first](double t) {
        return static_cast<int>(DayOf(t) - first);
    });
    WriteTimeTable(context, "Date", buckets,
                   [&](int day) { return a.Locale->FormatShortDate(first + day); });
}

void ReportWeeklyAccess(TReportContext& context) {
    ReportCycle(context, "Week", kWeeksInCycle, YearAndWeek, [](int year, int week) {
        return year == 0 ? "w" + std::to_string(week)
                         : std::to_string(year) + " week " + std::to_string(week);
    });
}

void ReportMonthlyAccess(TReportContext& context) {
    const TLocaleInfo& locale = *context.Analyzer.Locale;
    ReportCycle(context, "Month", kMonthsInCycle, YearAndMonth, [&](int year, int month) {
        const std::string& name = locale.LongMonthNames[month - 1];
        return year == 0 ? name : std::to_string(year) + " " + name;
    });
}

}  // namespace vestrel
