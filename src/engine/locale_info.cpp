#include "engine/locale_info.h"

#include <cstdio>

namespace vestrel {

namespace {

void AppendNumber(std::string& out, int value, int width) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*d", width, value);
    out += text;
}

// Expands a layout such as "yyyy-mm-dd" or "hh:nn:ss"; letters it does not know are copied.
std::string ExpandLayout(const std::string& layout, const TDateParts& p) {
    std::string out;
    size_t i = 0;
    auto run = [&](char c) {
        size_t n = 0;
        while (i + n < layout.size() && (layout[i + n] | 32) == c) ++n;
        return n;
    };
    while (i < layout.size()) {
        const char c = static_cast<char>(layout[i] | 32);
        size_t n =
            (c == 'y' || c == 'm' || c == 'd' || c == 'h' || c == 'n' || c == 's') ? run(c) : 0;
        if (n == 0) {
            out += layout[i++];
            continue;
        }
        const int width = n >= 2 ? 2 : 1;
        switch (c) {
            case 'y':
                AppendNumber(out, n >= 4 ? p.Year : p.Year % 100, n >= 4 ? 4 : 2);
                break;
            case 'm':
                AppendNumber(out, p.Month, width);
                break;
            case 'd':
                AppendNumber(out, p.Day, width);
                break;
            case 'h':
                AppendNumber(out, p.Hour, width);
                break;
            case 'n':
                AppendNumber(out, p.Minute, width);
                break;
            case 's':
                AppendNumber(out, p.Second, width);
                break;
        }
        i += n;
    }
    return out;
}

}  // namespace

const TLocaleInfo& TLocaleInfo::Iso() {
    static const TLocaleInfo iso{
        {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"},
        {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"},
        {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"},
        {"January", "February", "March", "April", "May", "June", "July", "August", "September",
         "October", "November", "December"},
        "yyyy-mm-dd",
        "hh:nn:ss",
        '.',
        ','};
    return iso;
}

std::string TLocaleInfo::FormatShortDate(TDateTime t) const {
    return ExpandLayout(ShortDateFormat, DecodeDateTime(t));
}

std::string TLocaleInfo::FormatLongTime(TDateTime t) const {
    return ExpandLayout(LongTimeFormat, DecodeDateTime(t));
}

std::string TLocaleInfo::FormatDateTime(TDateTime t) const {
    return FormatShortDate(t) + " " + FormatLongTime(t);
}

std::string TLocaleInfo::FormatDateTimeCell(TDateTime t) const {
    return TimeFraction(t) == 0 ? FormatShortDate(t) : FormatDateTime(t);
}

}  // namespace vestrel
