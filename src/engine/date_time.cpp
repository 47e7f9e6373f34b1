#include "engine/date_time.h"

#include <cmath>
#include <ctime>

namespace vestrel {

namespace {

// Days from 0001-01-01 to 1899-12-30 in the proleptic Gregorian calendar.
constexpr int64_t kEpochOrdinal = 693593;

// The first and the last second of the calendar: 0001-01-01 0:00 and 9999-12-31 23:59:59.
constexpr double kFirstTime = -693593.0;
constexpr double kLastTime = 2958465.0 + 86399.0 / kSecondsPerDay;

int64_t DaysBeforeYear(int year) {
    const int64_t y = year - 1;
    return y * 365 + y / 4 - y / 100 + y / 400;
}

// A time outside the calendar, or no number at all, is taken at the calendar's nearer end.
TDateTime WithinCalendar(TDateTime t) {
    if (!(t >= kFirstTime)) return kFirstTime;
    return t > kLastTime ? kLastTime : t;
}

}  // namespace

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

bool TryEncodeDate(int year, int month, int day, TDateTime& out) {
    if (year < 1 || year > 9999 || month < 1 || month > 12) return false;
    if (day < 1 || day > DaysInMonth(year, month)) return false;
    int64_t days = DaysBeforeYear(year);
    for (int m = 1; m < month; ++m) days += DaysInMonth(year, m);
    days += day - 1;
    out = static_cast<double>(days - kEpochOrdinal);
    return true;
}

bool TryEncodeTime(int hour, int minute, int second, TDateTime& out) {
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59)
        return false;
    out = (hour * 3600 + minute * 60 + second) / kSecondsPerDay;
    return true;
}

TDateParts DecodeDateTime(TDateTime t) {
    TDateParts p;
    // Round to the nearest second first so that 23:59:59.9999 does not read as the next day's 0:00.
    const double totalSeconds = std::floor(WithinCalendar(t) * kSecondsPerDay + 0.5);
    int64_t days = static_cast<int64_t>(std::floor(totalSeconds / kSecondsPerDay));
    int64_t secs = static_cast<int64_t>(totalSeconds - static_cast<double>(days) * kSecondsPerDay);
    p.Hour = static_cast<int>(secs / 3600);
    p.Minute = static_cast<int>(secs / 60 % 60);
    p.Second = static_cast<int>(secs % 60);
    const int64_t ordinal = days + kEpochOrdinal;  // days since 0001-01-01
    int year = static_cast<int>(ordinal / 366) + 1;
    while (DaysBeforeYear(year + 1) <= ordinal) ++year;
    int64_t rest = ordinal - DaysBeforeYear(year);
    int month = 1;
    while (month < 12 && rest >= DaysInMonth(year, month)) rest -= DaysInMonth(year, month++);
    p.Year = year;
    p.Month = month;
    p.Day = static_cast<int>(rest) + 1;
    return p;
}

int DayOfWeek(TDateTime t) {
    // 1899-12-30 was a Saturday.
    const int64_t days = static_cast<int64_t>(std::floor(WithinCalendar(t)));
    return static_cast<int>(((days % 7) + 7 + 6) % 7) + 1;
}

int HourOf(TDateTime t) {
    return DecodeDateTime(t).Hour;
}

double WholeDays(TDateTime t) {
    return std::trunc(t);
}

double TimeFraction(TDateTime t) {
    return std::fabs(t - std::trunc(t));
}

TDateTime Now() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    TDateTime date = 0, time = 0;
    TryEncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, date);
    // A leap second reads as the last second of its minute.
    TryEncodeTime(local.tm_hour, local.tm_min, local.tm_sec < 59 ? local.tm_sec : 59, time);
    return date + time;
}

TDateTime Today() {
    return WholeDays(Now());
}

int StandardBiasMinutes() {
    tzset();
    return static_cast<int>(timezone / 60);
}

}  // namespace vestrel
