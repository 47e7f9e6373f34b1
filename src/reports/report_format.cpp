#include "reports/report_format.h"

#include <cfenv>
#include <cmath>
#include <cstdio>
#include <string_view>

namespace vestrel {

double SafeDiv(double d, double n) {
    if (d == 0 || std::isnan(d) || std::isnan(n)) return 0;
    const double q = n / d;
    return std::isfinite(q) ? q : 0;
}

namespace {

// "%.*f", without the minus sign of a value that rounds to zero.
std::string PrintFixed(double value, int decimals) {
    char text[400];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    if (text[0] == '-' &&
        std::string_view(text + 1).find_first_not_of("0.") == std::string_view::npos)
        return text + 1;
    return text;
}

}  // namespace

std::string FormatFixed(double value, int decimals, const TLocaleInfo& locale) {
    std::string out = PrintFixed(value, decimals);
    if (locale.DecimalSeparator != '.')
        for (char& c : out)
            if (c == '.') c = locale.DecimalSeparator;
    return out;
}

std::string FormatNumber(double value, int decimals, const TLocaleInfo& locale) {
    const std::string digits = PrintFixed(value, decimals);
    const size_t sign = digits[0] == '-' ? 1 : 0;
    const size_t point = digits.find('.');
    const size_t intEnd = point == std::string::npos ? digits.size() : point;
    std::string out = digits.substr(0, sign);
    for (size_t i = sign; i < intEnd; ++i) {
        out += digits[i];
        const size_t left = intEnd - i - 1;
        if (left > 0 && left % 3 == 0 && locale.ThousandSeparator != '\0')
            out += locale.ThousandSeparator;
    }
    if (point != std::string::npos) {
        out += locale.DecimalSeparator;
        out += digits.substr(point + 1);
    }
    return out;
}

std::string FormatBytes(double bytes, const TLocaleInfo& locale) {
    if (bytes < 1024) {
        std::fesetround(FE_TONEAREST);
        return FormatFixed(std::nearbyint(bytes), 0, locale) + " bytes";
    }
    if (bytes < 1048576) return FormatFixed(bytes / 1024, 2, locale) + " kb";
    if (bytes >= 1073741824) return FormatFixed(bytes / 1073741824, 2, locale) + " Gb";
    return FormatFixed(bytes / 1048576, 2, locale) + " Mb";
}

}  // namespace vestrel
