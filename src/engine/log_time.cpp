#include "engine/log_time.h"

#include <cstring>
#include <utility>

#include "engine/date_time.h"

namespace vestrel {

namespace {

// Two characters read as digits without checks, as the fixed layout is trusted.
inline int RawPair(std::string_view text, size_t at) {
    const int hi = at < text.size() ? text[at] - '0' : 0;
    const int lo = at + 1 < text.size() ? text[at + 1] - '0' : 0;
    return hi * 10 + lo;
}

inline int MonthFromLetters(std::string_view text) {
    int sum = 0;
    for (size_t i = 3; i < 6; ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c > 'Z') c = static_cast<unsigned char>(c - 32);
        sum += c;
    }
    switch (sum) {
        case 217:
            return 1;
        case 205:
            return 2;
        case 224:
            return 3;
        case 227:
            return 4;
        case 231:
            return 5;
        case 237:
            return 6;
        case 235:
            return 7;
        case 221:
            return 8;
        case 232:
            return 9;
        case 230:
            return 10;
        case 243:
            return 11;
        case 204:
            return 12;
        default:
            return 0;
    }
}

// The zone written after the time, at `signAt`: a sign followed by hhmm, or hhmm alone. The
// answer is the shift that turns the line's time into UTC; false when it is no valid time.
bool ZoneShift(std::string_view text, size_t signAt, double& shift) {
    const char sign = signAt < text.size() ? text[signAt] : ' ';
    const size_t digits = (sign == '+' || sign == '-') ? signAt + 1 : signAt;
    // A zone that was begun but cut short (a damaged line) leaves the time unknown.
    if (text.size() > signAt && digits + 4 > text.size()) return false;
    const int hours = RawPair(text, digits), minutes = RawPair(text, digits + 2);
    if (hours < 0 || hours > 23 || minutes < 0 || minutes > 59) return false;
    const double zone = hours / 24.0 + minutes / 1440.0;
    shift = sign == '+' ? -zone : zone;
    return true;
}

// A number made of exactly the digits of text[from, from + count).
bool ReadDigits(std::string_view text, size_t from, size_t count, int& value) {
    if (from + count > text.size()) return false;
    value = 0;
    for (size_t i = from; i < from + count; ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        value = value * 10 + (text[i] - '0');
    }
    return true;
}

// A zone shift or added hours can move a time at either end of the calendar out of it.
bool InCalendar(double time) {
    static const auto [first, end] = [] {
        double firstDay = 0, lastDay = 0;
        TryEncodeDate(1, 1, 1, firstDay);
        TryEncodeDate(9999, 12, 31, lastDay);
        return std::pair{firstDay, lastDay + 1};
    }();
    return time >= first && time < end;
}

int MonthFromName(std::string_view text) {
    static constexpr std::string_view kNames[12] = {"jan", "feb", "mar", "apr", "may", "jun",
                                                    "jul", "aug", "sep", "oct", "nov", "dec"};
    if (text.size() < 6) return 1;
    char lower[3];
    for (int i = 0; i < 3; ++i) {
        const char c = text[3 + i];
        lower[i] = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
    }
    for (int m = 0; m < 12; ++m)
        if (kNames[m] == std::string_view(lower, 3)) return m + 1;
    return 1;
}

// The part of a line's time its date and zone decide, or false when either cannot be read.
bool ReadDateAndShift(std::string_view text, int timeZone, double biasDays, double& date,
                      double& shift) {
    shift = 0;
    if (timeZone == kTimeZoneFromFiles) {
        if (!ZoneShift(text, 21, shift)) return false;
        shift -= biasDays;
    } else if (timeZone != 0) {
        shift = timeZone / 24.0;
    }
    const int month = MonthFromLetters(text);
    const int day = RawPair(text, 0);
    const int year = RawPair(text, 7) * 100 + RawPair(text, 9);
    return TryEncodeDate(year, month, day, date);
}

double TimeOnDate(std::string_view text, double date, double shift) {
    double timeOfDay = 0;
    if (!TryEncodeTime(RawPair(text, 12), RawPair(text, 15), RawPair(text, 18), timeOfDay))
        return 0;
    const double time = date + timeOfDay + shift;
    return InCalendar(time) ? time : 0;
}

}  // namespace

double ParseLogTime(std::string_view text, int timeZone, double biasDays) {
    double date = 0, shift = 0;
    if (text.size() < 20 || !ReadDateAndShift(text, timeZone, biasDays, date, shift)) return 0;
    return TimeOnDate(text, date, shift);
}

// The key is the text without its time of day (bytes 11 to 20): the date before, the zone after.
double TLogTimeParser::Parse(std::string_view text, int timeZone, double biasDays) {
    if (text.size() < kZoneAt || text.size() - kZoneAt + kDateBytes > sizeof key_)
        return ParseLogTime(text, timeZone, biasDays);
    const size_t zoneBytes = text.size() - kZoneAt;
    const bool known = keyLength_ == kDateBytes + zoneBytes && timeZone == timeZone_ &&
                       biasDays == biasDays_ && std::memcmp(key_, text.data(), kDateBytes) == 0 &&
                       std::memcmp(key_ + kDateBytes, text.data() + kZoneAt, zoneBytes) == 0;
    if (!known) {
        std::memcpy(key_, text.data(), kDateBytes);
        std::memcpy(key_ + kDateBytes, text.data() + kZoneAt, zoneBytes);
        keyLength_ = kDateBytes + zoneBytes;
        timeZone_ = timeZone;
        biasDays_ = biasDays;
        readable_ = ReadDateAndShift(text, timeZone, biasDays, date_, shift_);
    }
    return readable_ ? TimeOnDate(text, date_, shift_) : 0;
}

double ParseBracketTime(std::string_view line, int biasMinutes) {
    const size_t open = line.find('['), close = line.find(']');
    if (open == std::string_view::npos || close == std::string_view::npos || close < open) return 0;
    const std::string_view text = line.substr(open + 1, close - open - 1);
    int day = 0, year = 0, hour = 0, minute = 0, second = 0;
    double date = 0;
    if (!ReadDigits(text, 0, 2, day) || !ReadDigits(text, 7, 4, year) ||
        !TryEncodeDate(year, MonthFromName(text), day, date))
        return 0;
    double timeOfDay = 0, shift = 0;
    if (!ReadDigits(text, 12, 2, hour) || !ReadDigits(text, 15, 2, minute) ||
        !ReadDigits(text, 18, 2, second) || !TryEncodeTime(hour, minute, second, timeOfDay))
        return date;
    int zoneHours = 0, zoneMinutes = 0;
    const size_t digits = (text.size() > 21 && (text[21] == '+' || text[21] == '-')) ? 22 : 21;
    if (!ReadDigits(text, digits, 2, zoneHours) || !ReadDigits(text, digits + 2, 2, zoneMinutes) ||
        !ZoneShift(text, 21, shift))
        return date;
    return date + timeOfDay + shift - biasMinutes / 1440.0;
}

}  // namespace vestrel
