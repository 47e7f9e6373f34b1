#include "engine/log_filter.h"

#include <cmath>

#include "engine/date_time.h"
#include "engine/text_util.h"

namespace vestrel {

namespace {

// The hour HourOf gives, without decoding the calendar date: the time is rounded to the nearest
// second first, so 13:59:59.9999 is hour 14. -1 for a time that is not a finite number.
int HourOfTime(double time) {
    const double totalSeconds = std::floor(time * kSecondsPerDay + 0.5);
    const double secondOfDay =
        totalSeconds - std::floor(totalSeconds / kSecondsPerDay) * kSecondsPerDay;
    if (!(secondOfDay >= 0 && secondOfDay < kSecondsPerDay)) return -1;
    return static_cast<int>(secondOfDay) / 3600;
}

// Times of day are compared in whole seconds: the fraction of a date plus a time can differ from
// the time alone in the last bits, which would drop a hit at the very second the range ends.
double SecondsOfDay(double time) {
    return std::floor(TimeFraction(time) * kSecondsPerDay + 0.5);
}

bool WithinDates(const TFilterData& filter, double time) {
    if (filter.TimeOnly) {
        const double timeOfDay = SecondsOfDay(time);
        return SecondsOfDay(filter.DateFrom) <= timeOfDay &&
               timeOfDay <= SecondsOfDay(filter.DateTo);
    }
    return filter.DateFrom <= time && time <= filter.DateTo;
}

bool WithinStatus(const TFilterData& filter, uint16_t status) {
    if (filter.SingleStatus) return status == filter.StatusFrom;
    return filter.StatusFrom <= status && status <= filter.StatusTo;
}

bool MeetsNumericCriteria(const TFilterData& filter, const TLogHit& hit) {
    if (filter.UseRequestType && hit.Method != filter.RequestType) return false;
    if (filter.UseStatus && !WithinStatus(filter, hit.Status)) return false;
    if (filter.UseDate && !WithinDates(filter, hit.Time)) return false;
    if (filter.UseDayOfWeek && DayOfWeek(hit.Time) != filter.DayOfWeek) return false;
    if (filter.UseHourOfDay && HourOfTime(hit.Time) != filter.HourOfDay) return false;
    return true;
}

bool MeetsTextCriteria(const TFilterData& filter, const THitTexts& texts) {
    if (filter.UseDomain && !Contains(texts.Host, filter.Domain)) return false;
    if (filter.UseUserName && !Contains(texts.User, filter.UserName)) return false;
    if (filter.UseReferrer && !Contains(texts.Referrer, filter.Referrer)) return false;
    if (filter.UseRequest && !Contains(texts.Url, filter.Request)) return false;
    if (filter.UseBrowser && !Contains(texts.Agent, filter.Browser)) return false;
    if (filter.UseOpSystem && !Contains(texts.Agent, filter.OpSystem)) return false;
    return true;
}

}  // namespace

void PrepareFilter(TFilterData& filter) {
    const int32_t bits = filter.Filters;
    filter.UseDomain = (bits & fbDomain) != 0;
    filter.UseReferrer = (bits & fbReferrer) != 0;
    filter.UseUserName = (bits & fbUserName) != 0;
    filter.UseDate = (bits & fbDate) != 0;
    // Dates on day 0 carry only a time of day: the range then applies to every day.
    filter.TimeOnly = filter.UseDate && WholeDays(filter.DateFrom) + WholeDays(filter.DateTo) == 0;
    filter.UseDayOfWeek = (bits & fbDayOfWeek) != 0;
    filter.UseHourOfDay = (bits & fbHourOfDay) != 0;
    filter.UseRequest = (bits & fbRequest) != 0;
    filter.UseStatus = (bits & fbStatus) != 0;
    filter.SingleStatus = filter.UseStatus && filter.StatusTo < 100;
    filter.UseOpSystem = (bits & fbOpSystem) != 0;
    filter.UseBrowser = (bits & fbBrowser) != 0;
    filter.UseRequestType = (bits & fbRequestType) != 0;
}

bool MatchFilter(const TFilterData& filter, const TLogHit& hit, const THitTexts& texts) {
    // The numeric criteria are cheaper than the text searches, so they go first.
    const bool matches = MeetsNumericCriteria(filter, hit) && MeetsTextCriteria(filter, texts);
    return matches != filter.Exclude;
}

}  // namespace vestrel
