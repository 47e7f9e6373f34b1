#include "shell/log_filter_form.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "engine/date_time.h"

namespace vestrel {

const std::array<TCriterionBox, 11> kCriterionBoxes = {{
    {fbDomain, "Domain name"},
    {fbUserName, "User name"},
    {fbDate, "Date, from"},
    {fbDayOfWeek, "Day of week"},
    {fbHourOfDay, "Hour of day"},
    {fbRequest, "Requested file"},
    {fbStatus, "Status, from"},
    {fbOpSystem, "Op. system"},
    {fbBrowser, "Browser"},
    {fbRequestType, "Request type"},
    {fbReferrer, "Referrer"},
}};

const std::array<const char*, 38> kStatusEntries = {
    kAnyEntry,
    "100 Continue",
    "101 Switching Protocols",
    "200 OK",
    "201 Created",
    "202 Accepted",
    "203 Non-Authoritative Information",
    "204 No Content",
    "205 Reset Content",
    "206 Partial Content",
    "300 Multiple Choices",
    "301 Moved Permanently",
    "302 Moved Temporarily",
    "303 See Other",
    "304 Not Modified",
    "305 Use Proxy",
    "400 Bad Request",
    "401 Unauthorized",
    "402 Payment Required",
    "403 Forbidden",
    "404 Not Found",
    "405 Method Not Allowed",
    "406 Not Acceptable",
    "407 Proxy Authentication Required",
    "408 Request Time-Out",
    "409 Conflict",
    "410 Gone",
    "411 Length Required",
    "412 Precondition Failed",
    "413 Request Entity Too Large",
    "414 Request-URI Too Large",
    "415 Unsupported Media Type",
    "500 Server Error",
    "501 Not Implemented",
    "502 Bad Gateway",
    "503 Out of Resources",
    "504 Gateway Time-Out",
    "505 HTTP Version not supported",
};

const std::array<const char*, 9> kOpSystemSuggestions = {
    "Windows 3.x", "Windows 95", "Windows 97", "Windows NT 3.x", "Windows NT 4.0", "Windows 2000",
    "Linux",       "Solaris",    "Mac",
};

const std::array<const char*, 12> kBrowserSuggestions = {
    "Netscape 1.x",    "Netscape 2.x",    "Netscape 3.x",    "Netscape 4.x",
    "Netscape 5.x",    "IE Explorer 1.x", "IE Explorer 2.x", "IE Explorer 3.x",
    "IE Explorer 4.x", "IE Explorer 5.x", "Opera",           "Lynx",
};

const std::array<const char*, 5> kRequestTypeEntries = {kAnyEntry, "GET", "PUT", "HEAD", "POST"};

namespace {

constexpr int32_t kAllCriteria = 2047;

// A stored number as a list position, -1 beyond the list.
int PositionOf(int value, size_t entries) {
    return value < static_cast<int>(entries) ? value : -1;
}

// OK keeps the stored value when no entry is chosen.
template <typename Field>
void ApplyPosition(int position, Field& field) {
    if (position >= 0) field = static_cast<Field>(position);
}

void ApplyStatus(int position, uint16_t& field) {
    if (position >= 0 && position < static_cast<int>(kStatusEntries.size()))
        field = StatusEntryValue(kStatusEntries[position]);
}

}  // namespace

const char* CriterionCaption(TFilterBit bit) {
    for (const TCriterionBox& box : kCriterionBoxes)
        if (box.Bit == bit) return box.Caption;
    return "";
}

uint16_t StatusEntryValue(std::string_view entry) {
    if (entry.size() < 3) return 0;
    uint16_t value = 0;
    for (char c : entry.substr(0, 3)) {
        if (c < '0' || c > '9') return 0;
        value = static_cast<uint16_t>(value * 10 + (c - '0'));
    }
    return value;
}

int StatusEntryIndex(uint16_t value) {
    for (size_t i = 0; i < kStatusEntries.size(); ++i)
        if (StatusEntryValue(kStatusEntries[i]) == value) return static_cast<int>(i);
    return -1;
}

std::vector<std::string> DayOfWeekEntries(const TLocaleInfo& locale) {
    std::vector<std::string> entries{kAnyEntry};
    entries.insert(entries.end(), locale.LongDayNames.begin(), locale.LongDayNames.end());
    return entries;
}

void TLogFilterForm::SetChecked(TFilterBit bit, bool checked) {
    Checked = checked ? (Checked | bit) : (Checked & ~bit);
}

const std::string& TLogFilterForm::Text(TFilterBit bit) const {
    switch (bit) {
        case fbDomain:
            return Domain;
        case fbReferrer:
            return Referrer;
        case fbUserName:
            return UserName;
        case fbRequest:
            return Request;
        case fbOpSystem:
            return OpSystem;
        case fbBrowser:
            return Browser;
        default:
            throw std::invalid_argument("criterion without a text box");
    }
}

std::string& TLogFilterForm::Text(TFilterBit bit) {
    return const_cast<std::string&>(std::as_const(*this).Text(bit));
}

int& TLogFilterForm::Position(TFilterList list) {
    switch (list) {
        case TFilterList::DayOfWeek:
            return DayOfWeek;
        case TFilterList::StatusFrom:
            return StatusFrom;
        case TFilterList::StatusTo:
            return StatusTo;
        case TFilterList::RequestType:
            break;
    }
    return RequestType;
}

TLogFilterForm LoadLogFilterForm(const TFilterData& filter) {
    TLogFilterForm form;
    form.Checked = filter.Filters & kAllCriteria;
    form.Exclude = filter.Exclude;
    form.Domain = filter.Domain;
    form.Referrer = filter.Referrer;
    form.UserName = filter.UserName;
    form.Request = filter.Request;
    form.OpSystem = filter.OpSystem;
    form.Browser = filter.Browser;
    form.DateFrom = WholeDays(filter.DateFrom);
    form.TimeFrom = TimeFraction(filter.DateFrom);
    form.DateTo = WholeDays(filter.DateTo);
    form.TimeTo = TimeFraction(filter.DateTo);
    form.DayOfWeek = PositionOf(filter.DayOfWeek, 8);
    form.RequestType = PositionOf(filter.RequestType, kRequestTypeEntries.size());
    form.StatusFrom = StatusEntryIndex(filter.StatusFrom);
    form.StatusTo = StatusEntryIndex(filter.StatusTo);
    // The number box cannot show an hour outside its range.
    form.HourOfDay = std::clamp<int>(filter.HourOfDay, kFirstHour, kLastHour);
    form.TrackUser = filter.TrackUser;
    form.TrackBackwards = filter.TrackBackwards;
    return form;
}

void ApplyLogFilterForm(const TLogFilterForm& form, TFilterData& filter) {
    filter.Filters = form.Checked & kAllCriteria;
    filter.Exclude = form.Exclude;
    filter.Domain = form.Domain;
    filter.Referrer = form.Referrer;
    filter.UserName = form.UserName;
    filter.Request = form.Request;
    filter.OpSystem = form.OpSystem;
    filter.Browser = form.Browser;
    filter.DateFrom = form.DateFrom + form.TimeFrom;
    filter.DateTo = form.DateTo + form.TimeTo;
    ApplyPosition(form.DayOfWeek, filter.DayOfWeek);
    ApplyPosition(form.RequestType, filter.RequestType);
    ApplyStatus(form.StatusFrom, filter.StatusFrom);
    ApplyStatus(form.StatusTo, filter.StatusTo);
    filter.HourOfDay = static_cast<uint8_t>(form.HourOfDay);
    filter.TrackUser = form.TrackUser;
    filter.TrackBackwards = form.TrackBackwards;
}

void EditText(TLogFilterForm& form, TFilterBit bit, std::string text) {
    std::string& field = form.Text(bit);
    form.SetChecked(bit, !text.empty());
    field = std::move(text);
}

void EditDate(TLogFilterForm& form, TDateEnd end, double day) {
    (end == TDateEnd::From ? form.DateFrom : form.DateTo) = day;
    form.SetChecked(fbDate, day != 0);
}

void EditTime(TLogFilterForm& form, TDateEnd end, double fraction) {
    (end == TDateEnd::From ? form.TimeFrom : form.TimeTo) = fraction;
    form.SetChecked(fbDate, (end == TDateEnd::From ? form.DateFrom : form.DateTo) != 0);
}

void ChooseListEntry(TLogFilterForm& form, TFilterList list, int position) {
    form.Position(list) = position;
    const TFilterBit bit = list == TFilterList::DayOfWeek     ? fbDayOfWeek
                           : list == TFilterList::RequestType ? fbRequestType
                                                              : fbStatus;
    form.SetChecked(bit, position > 0);
}

void EditHour(TLogFilterForm& form, int hour) {
    form.HourOfDay = hour;
    form.SetChecked(fbHourOfDay, true);
}

}  // namespace vestrel
