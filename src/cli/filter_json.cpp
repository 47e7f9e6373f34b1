#include "cli/filter_json.h"

#include <cstdio>
#include <fstream>
#include <limits>
#include <nlohmann/json.hpp>
#include <sstream>

#include "engine/date_time.h"
#include "engine/errors.h"

namespace vestrel::cli {

namespace {

using nlohmann::json;

[[noreturn]] void Fail(const std::string& key, const std::string& problem) {
    throw EVestrelError("Filter field \"" + key + "\" " + problem);
}

bool ReadBool(const json& value, const std::string& key) {
    if (!value.is_boolean()) Fail(key, "must be true or false");
    return value.get<bool>();
}

std::string ReadText(const json& value, const std::string& key) {
    if (!value.is_string()) Fail(key, "must be a text");
    return value.get<std::string>();
}

template <typename T>
T ReadInteger(const json& value, const std::string& key) {
    if (!value.is_number_integer()) Fail(key, "must be a whole number");
    // A number above the int64 range is held unsigned and would wrap round as int64.
    const bool inRange =
        value.is_number_unsigned()
            ? value.get<uint64_t>() <= static_cast<uint64_t>(std::numeric_limits<T>::max())
            : value.get<int64_t>() >= std::numeric_limits<T>::min() &&
                  value.get<int64_t>() <= std::numeric_limits<T>::max();
    if (!inRange) Fail(key, "is out of range: " + value.dump());
    return static_cast<T>(value.get<int64_t>());
}

// A day count, or a text "YYYY-MM-DD", "YYYY-MM-DD HH:MM:SS" or "HH:MM:SS" (a time on day 0).
double ReadDateTime(const json& value, const std::string& key) {
    if (value.is_number()) return value.get<double>();
    if (!value.is_string()) Fail(key, "must be a day count or a date text");
    const std::string text = value.get<std::string>();
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    char extra = 0;
    double date = 0, time = 0;
    const bool timeOnly = std::sscanf(text.c_str(), "%2d:%2d:%2d%c", &h, &mi, &s, &extra) == 3;
    const int parts = timeOnly ? 0
                               : std::sscanf(text.c_str(), "%4d-%2d-%2d %2d:%2d:%2d%c", &y, &mo, &d,
                                             &h, &mi, &s, &extra);
    const bool valid = timeOnly ? TryEncodeTime(h, mi, s, time)
                                : (parts == 3 || parts == 6) && TryEncodeDate(y, mo, d, date) &&
                                      TryEncodeTime(h, mi, s, time);
    if (!valid) Fail(key, "is no valid date: \"" + text + "\"");
    return date + time;
}

void ReadField(TFilterData& filter, const std::string& key, const json& value) {
    if (key == "Exclude")
        filter.Exclude = ReadBool(value, key);
    else if (key == "Filters")
        filter.Filters = ReadInteger<int32_t>(value, key);
    else if (key == "Domain")
        filter.Domain = ReadText(value, key);
    else if (key == "Referrer")
        filter.Referrer = ReadText(value, key);
    else if (key == "UserName")
        filter.UserName = ReadText(value, key);
    else if (key == "DateFrom")
        filter.DateFrom = ReadDateTime(value, key);
    else if (key == "DateTo")
        filter.DateTo = ReadDateTime(value, key);
    else if (key == "DayOfWeek")
        filter.DayOfWeek = ReadInteger<uint8_t>(value, key);
    else if (key == "HourOfDay")
        filter.HourOfDay = ReadInteger<uint8_t>(value, key);
    else if (key == "Request")
        filter.Request = ReadText(value, key);
    else if (key == "StatusFrom")
        filter.StatusFrom = ReadInteger<uint16_t>(value, key);
    else if (key == "StatusTo")
        filter.StatusTo = ReadInteger<uint16_t>(value, key);
    else if (key == "OpSystem")
        filter.OpSystem = ReadText(value, key);
    else if (key == "Browser")
        filter.Browser = ReadText(value, key);
    else if (key == "RequestType")
        filter.RequestType = ReadInteger<uint8_t>(value, key);
    else if (key == "TrackUser")
        filter.TrackUser = ReadBool(value, key);
    else if (key == "TrackBackwards")
        filter.TrackBackwards = ReadBool(value, key);
    else
        throw EVestrelError("Unknown filter field \"" + key + "\"");
}

}  // namespace

TFilterData ParseFilterJson(const std::string& text) {
    const json document = json::parse(text, nullptr, false);
    if (document.is_discarded()) throw EVestrelError("The filter is not valid JSON");
    if (!document.is_object()) throw EVestrelError("The filter must be a JSON object");
    TFilterData filter;
    for (const auto& [key, value] : document.items()) ReadField(filter, key, value);
    return filter;
}

TFilterData ReadFilterFile(const std::string& fileName) {
    std::ifstream file(fileName, std::ios::binary);
    if (!file) throw EVestrelError(FileOpenErrorText(fileName, errno));
    std::stringstream content;
    content << file.rdbuf();
    try {
        return ParseFilterJson(content.str());
    } catch (const EVestrelError& error) {
        throw EVestrelError(fileName + ": " + error.what());
    }
}

}  // namespace vestrel::cli
