// Calendar arithmetic on the program's time values: day counts since 1899-12-30 held in doubles,
// the time of day being the fraction.
#pragma once

#include <cstdint>

namespace vestrel {

using TDateTime = double;

constexpr double kSecondsPerDay = 86400.0;
// Times are whole seconds stored as fractions of a day, so sums and differences of them carry
// rounding errors far below this; comparisons of such results allow for it.
constexpr double kTimeTolerance = 1e-9;

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);

// False (and `out` untouched) for a date outside 1..9999 or a day the month lacks.
bool TryEncodeDate(int year, int month, int day, TDateTime& out);
// False for hours above 23, minutes or seconds above 59.
bool TryEncodeTime(int hour, int minute, int second, TDateTime& out);

struct TDateParts {
    int Year = 0, Month = 0, Day = 0;
    int Hour = 0, Minute = 0, Second = 0;
};
TDateParts DecodeDateTime(TDateTime t);

// Weekday of a time: 1 Sunday .. 7 Saturday.
int DayOfWeek(TDateTime t);
int HourOf(TDateTime t);
double WholeDays(TDateTime t);
double TimeFraction(TDateTime t);

// The local date and time now, to the second; Today() is its date at 0:00.
TDateTime Now();
TDateTime Today();
// This computer's standard-time offset from UTC in minutes, as UTC = local + bias (TZ=UTC gives 0).
int StandardBiasMinutes();

}  // namespace vestrel
