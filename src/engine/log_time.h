// Times of common-log lines: "dd/Mon/yyyy:HH:MM:SS +hhmm".
#pragma once

#include <string_view>

namespace vestrel {

// The time-zone mode that converts each line's own zone to local standard time.
constexpr int kTimeZoneFromFiles = -100;

// The time of a bracketed date text (without the brackets) under a time-zone mode: 0 the file's
// time unchanged, -100 the line's own zone converted to this computer's local standard time
// (`biasDays` = its standard bias in days, UTC = local + bias), N hours added otherwise.
// An unreadable date or time of day gives 0, and so does a time the shift moves out of the years
// 1 to 9999.
double ParseLogTime(std::string_view text, int timeZone, double biasDays);

// The time of the first bracketed date of a line, always converted to local standard time, as the
// file examination reads it: 0 when the date cannot be read, the date alone when only the time of
// day or the zone cannot be read.
double ParseBracketTime(std::string_view line, int biasMinutes);

}  // namespace vestrel
