// Number formats shared by the grid and the statistics.
#pragma once

#include <string>

#include "engine/locale_info.h"

namespace vestrel {

// n / d, or 0 when the division fails (d = 0, 0/0, overflow).
double SafeDiv(double d, double n);
// A number with thousands separators and `decimals` decimals (the "%.*n" format).
std::string FormatNumber(double value, int decimals, const TLocaleInfo& locale);
// "%.*f" with the locale's decimal separator, no thousands separators.
std::string FormatFixed(double value, int decimals, const TLocaleInfo& locale);
// "N bytes", "x.xx kb", "x.xx Mb" or "x.xx Gb".
std::string FormatBytes(double bytes, const TLocaleInfo& locale);

}  // namespace vestrel
