#include "reports/summary_reports.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <ctime>
#include <string>
#include <vector>

#include "engine/date_time.h"
#include "engine/text_util.h"
#include "reports/report_format.h"

namespace vestrel {

namespace {

constexpr double kNothingLoaded = 100000.0;  // FirstHit before any hit is stored
constexpr int kMaxDaySpanDays = 365;

double fixedClock = 0;  // 0: the real clock

std::string DateTimeText(double t, const TLocaleInfo& locale) {
    return locale.FormatDateTimeCell(t);
}

// "count (share%)" of all hits.
std::string CountAndShare(int32_t count, int32_t hitCount, const TLocaleInfo& locale) {
    return std::to_string(count) + " (" + FormatFixed(SafeDiv(hitCount, count) * 100, 2, locale) +
           "%)";
}

constexpr int kRobotRow = 13;  // shown only when robot hits are left out

struct TSummaryRow {
    const char* Item;
    std::string Value;  // headings have none
    bool Heading = false;
};

std::vector<TSummaryRow> SummaryRows(const TLogAnalyzer& a) {
    const TLocaleInfo& locale = *a.Locale;
    const double span = a.LastHit - a.FirstHit;
    const int days = a.LastHit > 0 && a.FirstHit > 0 ? static_cast<int>(std::trunc(span)) + 1 : 0;
    const auto bytes = [&](double x) { return FormatBytes(x, locale); };
    const auto rate = [&](double x) { return FormatNumber(x, 2, locale); };
    std::vector<TSummaryRow> rows = {
        {"Time", "", true},
        {"   Report generated on", DateTimeText(ReportClockNow(), locale)},
        {"   Log spans a period of", std::to_string(days) + (days < 2 ? " day" : " days")},
        {"   First Hit", a.FirstHit >= kNothingLoaded ? "---" : DateTimeText(a.FirstHit, locale)},
        {"   Last Hit", a.LastHit > 0 ? DateTimeText(a.LastHit, locale) : "---"},
        {"Access", "", true},
        {"   Hits", std::to_string(a.HitCount)},
        {"   Total Visiting Users", std::to_string(a.UserCount)},
        {"   Total Data Transferred", bytes(a.TotalBytes)},
        {"   Hits Cached by Client", CountAndShare(a.CachedHits, a.HitCount, locale)},
        {"   Incomplete Downloads", CountAndShare(a.IncompleteHits, a.HitCount, locale)},
        {"   Failed Requests", CountAndShare(a.FailedHits, a.HitCount, locale)},
        {"   Skipped Lines", std::to_string(a.SkippedLines)},
        {"   Robot Hits Left Out", std::to_string(a.ExcludedRobotHits)},
        {"Average", "", true},
        {"   Data Transfer per Month", bytes(SafeDiv(span, a.TotalBytes) * 30)},
        {"   Data Transfer per Day", bytes(SafeDiv(span, a.TotalBytes))},
        {"   Data Transfer per Hit", bytes(SafeDiv(a.HitCount, a.TotalBytes))},
        {"   Data Transfer per User", bytes(SafeDiv(a.UserCount, a.TotalBytes))},
        {"   Hits per Day", rate(SafeDiv(span, a.HitCount))},
        {"   Hits per User", rate(SafeDiv(a.UserCount, a.HitCount))},
        {"   Visitors per Day", rate(SafeDiv(span, a.UserCount))},
    };
    if (!a.ExcludeRobots) rows.erase(rows.begin() + kRobotRow);
    return rows;
}

// Day span columns.
enum : int {
    kDate,
    kHits,
    kUsers,
    kFailed,
    kBandwidth,
    kTotalTime,
    kTimePerUser,
    kEntry,
    kExit,
    kOnly,
    kDaySpanColumns
};

// One day's counts by column (the date column unused); bandwidth in bytes.
using TDayValues = std::array<double, kDaySpanColumns>;

void DefineDaySpanColumns(TVarGrid& grid) {
    DefineColumn(grid, kDate, "Date", ctDate, 70);
    DefineColumn(grid, kHits, "Hits", ctInteger, 50);
    DefineColumn(grid, kUsers, "Users", ctInteger, 50);
    DefineColumn(grid, kFailed, "Failed", ctInteger, 50);
    DefineColumn(grid, kBandwidth, "Bandwidth", ctFloat, 80);
    DefineColumn(grid, kTotalTime, "Total time", ctTime, 60);
    DefineColumn(grid, kTimePerUser, "Time/User", ctTime, 60);
    DefineColumn(grid, kEntry, "Entry page", ctInteger, 60);
    DefineColumn(grid, kExit, "Exit page", ctInteger, 60);
    DefineColumn(grid, kOnly, "Only page", ctInteger, 60);
}

// Counts the hits below 400 on `path` from day `start` to the end of day `end`. Entry [d] is day
// end - d; the last entry collects the day `start`, which only settles who was seen before.
std::vector<TDayValues> CountDays(const TLogAnalyzer& a, std::string_view path, double start,
                                  double end) {
    std::vector<TDayValues> days(static_cast<size_t>(end - start) + 1, TDayValues{});
    const TLogHit* hits = a.Hits.Data();
    const int32_t n = a.HitCount;
    bool counted = false;
    int32_t lastUid = 0;
    for (int32_t i = 0; i < n; ++i) {
        const TLogHit& hit = hits[i];
        if (hit.Status >= 400 || hit.Time < start || hit.Time >= end + 1) continue;
        if (!Contains(a.UrlText(hit), path)) continue;
        // The calendar day (the same as trunc for every time after 1899).
        TDayValues& day = days[static_cast<size_t>(end - std::floor(hit.Time))];
        day[hit.Bytes > 0 || hit.Status == 304 ? kHits : kFailed] += 1;
        day[kBandwidth] += hit.Bytes;
        if (!counted || hit.Uid != lastUid) day[kUsers] += 1;
        counted = true;
        lastUid = hit.Uid;
        const bool hasNext = i + 1 < n;
        const bool sameNext = hasNext && hits[i + 1].Uid == hit.Uid;
        // The gap to the visitor's next hit, wherever that hit lies.
        if (sameNext) day[kTotalTime] += hits[i + 1].Time - hit.Time;
        const bool entry = i > 0 && hits[i - 1].Uid != hit.Uid;
        const bool exit = hasNext && !sameNext;
        day[kEntry] += entry;
        day[kExit] += exit;
        day[kOnly] += entry && exit;
    }
    return days;
}

// Writes columns 1 to 9 of a row; the bandwidth becomes its "bytes" text.
void WriteDayValues(TVarGrid& grid, int row, const TDayValues& values, const TLocaleInfo& locale) {
    for (int col = kHits; col < kDaySpanColumns; ++col) grid.SetFloat(col, row, values[col]);
    grid.SetCellType(kBandwidth, row, ctText);
    grid.SetText(kBandwidth, row, FormatBytes(values[kBandwidth], locale));
}

void WriteTotalRow(TVarGrid& grid, int row, const TDayValues& totals, const TLocaleInfo& locale) {
    grid.SetCellType(kDate, row, ctText);
    grid.SetText(kDate, row, "Total");
    WriteDayValues(grid, row, totals, locale);
}

void WriteAverageRow(TVarGrid& grid, int row, const TDayValues& totals, int dayRows,
                     const TLocaleInfo& locale) {
    for (int col = kHits; col < kDaySpanColumns; ++col) grid.SetCellType(col, row, ctFloat);
    grid.SetCellType(kDate, row, ctText);
    grid.SetText(kDate, row, "Average");
    grid.SetCellType(kTotalTime, row, ctTime);
    grid.SetCellType(kTimePerUser, row, ctTime);
    TDayValues averages{};
    for (int col = kHits; col < kDaySpanColumns; ++col)
        averages[col] = SafeDiv(dayRows, totals[col]);
    WriteDayValues(grid, row, averages, locale);
}

}  // namespace

double ReportClockNow() {
    return fixedClock != 0 ? fixedClock : Now();
}

void SetReportClockForTests(double now) {
    fixedClock = now;
}

void ReportGeneral(TReportContext& context) {
    TVarGrid& grid = context.Grid;
    grid.Clear();
    const std::vector<TSummaryRow> rows = SummaryRows(context.Analyzer);
    grid.SetColCount(2);
    grid.SetRowCount(static_cast<int>(rows.size()) + 1);
    DefineColumn(grid, 0, "Item", ctText, 200);
    DefineColumn(grid, 1, "Value", ctText, 250);
    const int headings = grid.AddSubGroupLevel();
    for (int row = 1; row < grid.RowCount(); ++row) {
        const TSummaryRow& line = rows[row - 1];
        grid.SetText(0, row, line.Item);
        grid.SetRowTag(row, line.Heading ? 1 : 0);
        if (line.Heading)
            grid.AddSubGroupRow(row, headings);
        else
            grid.SetText(1, row, line.Value);
    }
    grid.ShowSubGroupLevel(0);
}

void ReportDaySpan(TReportContext& context) {
    TVarGrid& grid = context.Grid;
    const TLogAnalyzer& a = context.Analyzer;
    grid.Clear();
    grid.SetColCount(kDaySpanColumns);
    grid.SetRowCount(1);  // the data rows are made afresh, without an earlier table's tags
    grid.SetRowCount(2);
    DefineDaySpanColumns(grid);
    const double end = std::trunc(a.LastHit);
    // A negative setting shows no day rows rather than a table of negative size.
    const int lastDays = std::max(context.Settings.LastDaysToShow, 0);
    const double start = std::max(std::trunc(a.LastHit - lastDays), end - kMaxDaySpanDays);
    const int dayRows = static_cast<int>(end - start);
    if (context.DaySpanPath.empty()) return;

    const std::vector<TDayValues> days = CountDays(a, context.DaySpanPath, start, end);
    grid.SetRowCount(dayRows + 2);
    TDayValues totals{};
    double mostUsers = 0;
    for (int row = 1; row <= dayRows; ++row) {
        TDayValues values = days[row - 1];
        values[kTimePerUser] = SafeDiv(values[kUsers] - values[kExit], values[kTotalTime]);
        for (int col = kHits; col < kDaySpanColumns; ++col) totals[col] += values[col];
        mostUsers = std::max(mostUsers, values[kUsers]);
        grid.SetDateTime(kDate, row, end - (row - 1));
        WriteDayValues(grid, row, values, *a.Locale);
    }
    for (int row = 1; row <= dayRows; ++row)
        grid.SetRowTag(row, mostUsers > 0 && days[row - 1][kUsers] == mostUsers ? 1 : 0);

    const int spacer = dayRows + 1;
    grid.SetRowCount(dayRows + 4);
    for (int col = 0; col < kDaySpanColumns; ++col) grid.SetCellType(col, spacer, ctBlank);
    WriteTotalRow(grid, spacer + 1, totals, *a.Locale);
    WriteAverageRow(grid, spacer + 2, totals, dayRows, *a.Locale);
}

void NarrowDaySpanSort(TVarGrid& grid, int& /*firstRow*/, int& lastRow) {
    lastRow = grid.RowCount() - 4;
}

}  // namespace vestrel
