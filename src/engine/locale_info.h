// The display conventions the engine and the reports format with: day and month names, the short
// date and long time layouts and the number separators. A fixed ISO description is the default.
#pragma once

#include <array>
#include <string>

#include "engine/date_time.h"

namespace vestrel {

struct TLocaleInfo {
    std::array<std::string, 7> ShortDayNames;  // Sunday first
    std::array<std::string, 7> LongDayNames;
    std::array<std::string, 12> ShortMonthNames;
    std::array<std::string, 12> LongMonthNames;
    // Layout letters: yyyy, yy, mm, m, dd, d for the date; hh, h, nn, ss for the time.
    std::string ShortDateFormat;
    std::string LongTimeFormat;
    char DecimalSeparator;
    char ThousandSeparator;

    static const TLocaleInfo& Iso();

    std::string FormatShortDate(TDateTime t) const;
    std::string FormatLongTime(TDateTime t) const;
    // Short date, a blank and long time, as every date-and-time cell shows it.
    std::string FormatDateTime(TDateTime t) const;
    // As a date-and-time cell shows it: the time is left out at exactly midnight.
    std::string FormatDateTimeCell(TDateTime t) const;
};

}  // namespace vestrel
