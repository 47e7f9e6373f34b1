// A log filter: criteria on a hit's texts, time, status and method, tested while logs are read
// and by the "Filter Log Data" view.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/log_hit.h"

namespace vestrel {

// The criteria a filter applies, as bits of TFilterData::Filters.
enum TFilterBit : int32_t {
    fbDomain = 1,
    fbUserName = 2,
    fbDate = 4,
    fbDayOfWeek = 8,
    fbHourOfDay = 16,
    fbRequest = 32,
    fbStatus = 64,
    fbOpSystem = 128,
    fbBrowser = 256,
    fbRequestType = 512,
    fbReferrer = 1024
};

constexpr double kEndOfDayZero = (86400.0 - 1.0) / 86400.0;  // 23:59:59 of day 0

// A default-constructed record is a new filter.
struct TFilterData {
    bool Exclude = false;  // true: the hits that match are dropped
    int32_t Filters = 0;   // TFilterBit mask of the active criteria
    std::string Domain, Referrer, UserName;
    double DateFrom = 0, DateTo = kEndOfDayZero;
    uint8_t DayOfWeek = 0;  // 1 Sunday .. 7 Saturday
    uint8_t HourOfDay = 12;
    std::string Request;
    uint16_t StatusFrom = 0, StatusTo = 0;  // StatusTo below 100: StatusFrom alone
    std::string OpSystem, Browser;
    uint8_t RequestType = 0;  // Method code: 1 GET, 2 PUT, 3 HEAD, 4 POST
    bool TrackUser = false, TrackBackwards = false;
    // derived by PrepareFilter, in this order
    bool UseDomain = false, UseReferrer = false, UseUserName = false, UseDate = false,
         TimeOnly = false, UseDayOfWeek = false, UseHourOfDay = false, UseRequest = false,
         UseStatus = false, SingleStatus = false, UseOpSystem = false, UseBrowser = false,
         UseRequestType = false;
};

// The texts behind a hit's keys, as the analyser reads them back.
struct THitTexts {
    std::string_view Host, User, Url, Referrer, Agent;
};

// Sets the derived flags from Filters, DateFrom/DateTo and StatusTo.
void PrepareFilter(TFilterData& filter);
// True when the hit passes the prepared filter: an include filter passes the hits meeting every
// active criterion, an exclude filter all others.
bool MatchFilter(const TFilterData& filter, const TLogHit& hit, const THitTexts& texts);

}  // namespace vestrel
