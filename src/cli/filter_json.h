// A log filter written as a JSON object whose keys are the filter's field names; missing keys
// keep the values of a new filter.
#pragma once

#include <string>

#include "engine/log_filter.h"

namespace vestrel::cli {

// Raises EVestrelError naming the field for a wrong type, a value out of range or an unknown key.
TFilterData ParseFilterJson(const std::string& text);
TFilterData ReadFilterFile(const std::string& fileName);

}  // namespace vestrel::cli
