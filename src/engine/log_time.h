// Times of common-log lines: "dd/Mon/yyyy:HH:MM:SS +hhmm".
#pragma once

#include <cstddef>
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

// ParseLogTime for the lines of a file in turn. The lines of one day and zone come in long runs,
// so their date and zone are read once a run; the answers are exactly ParseLogTime's.
class TLogTimeParser {
  public:
    double Parse(std::string_view text, int timeZone, double biasDays);

  private:
    static constexpr size_t kDateBytes = 11, kZoneAt = 21;

    char key_[32] = {};
    size_t keyLength_ = 0;  // 0: nothing read yet
    int timeZone_ = 0;
    double biasDays_ = 0;
    bool readable_ = false;
    double date_ = 0, shift_ = 0;
};

// The time of the first bracketed date of a line, always converted to local standard time, as the
// file examination reads it: 0 when the date cannot be read, the date alone when only the time of
// day or the zone cannot be read.
double ParseBracketTime(std::string_view line, int biasMinutes);

}  // namespace vestrel
