#include "shell/log_filter_form.h"

#include <gtest/gtest.h>

#include "engine/date_time.h"

namespace vestrel {
namespace {

constexpr double kFriday = 37316;  // 2002-03-01

double Clock(int hour, int minute, int second) {
    double time = 0;
    EXPECT_TRUE(TryEncodeTime(hour, minute, second, time));
    return time;
}

// Every field the dialog edits set away from its default.
TFilterData FullFilter() {
    TFilterData filter;
    filter.Exclude = true;
    filter.Filters = 2047;
    filter.Domain = "example";
    filter.Referrer = "google";
    filter.UserName = "joe";
    filter.Request = "/a";
    filter.OpSystem = "Linux";
    filter.Browser = "Opera";
    filter.DateFrom = kFriday + Clock(8, 30, 0);
    filter.DateTo = kFriday + 2 + Clock(17, 0, 15);
    filter.DayOfWeek = 6;
    filter.HourOfDay = 7;
    filter.StatusFrom = 400;
    filter.StatusTo = 415;
    filter.RequestType = 4;
    filter.TrackUser = true;
    filter.TrackBackwards = true;
    return filter;
}

void ExpectSameFields(const TFilterData& a, const TFilterData& b) {
    EXPECT_EQ(a.Exclude, b.Exclude);
    EXPECT_EQ(a.Filters, b.Filters);
    EXPECT_EQ(a.Domain + a.Referrer + a.UserName + a.Request,
              b.Domain + b.Referrer + b.UserName + b.Request);
    EXPECT_EQ(a.OpSystem + "|" + a.Browser, b.OpSystem + "|" + b.Browser);
    EXPECT_DOUBLE_EQ(a.DateFrom, b.DateFrom);
    EXPECT_DOUBLE_EQ(a.DateTo, b.DateTo);
    EXPECT_EQ(a.DayOfWeek, b.DayOfWeek);
    EXPECT_EQ(a.HourOfDay, b.HourOfDay);
    EXPECT_EQ(a.StatusFrom, b.StatusFrom);
    EXPECT_EQ(a.StatusTo, b.StatusTo);
    EXPECT_EQ(a.RequestType, b.RequestType);
    EXPECT_EQ(a.TrackUser, b.TrackUser);
    EXPECT_EQ(a.TrackBackwards, b.TrackBackwards);
}

TFilterData RoundTrip(const TFilterData& filter) {
    TFilterData result;
    ApplyLogFilterForm(LoadLogFilterForm(filter), result);
    return result;
}

TEST(LogFilterFormTest, FiltersSurviveLoadAndOk) {
    ExpectSameFields(RoundTrip(FullFilter()), FullFilter());
    ExpectSameFields(RoundTrip(TFilterData{}), TFilterData{});
}

TEST(LogFilterFormTest, LoadSplitsDatesAndFindsListPositions) {
    const TLogFilterForm form = LoadLogFilterForm(FullFilter());
    EXPECT_EQ(form.Checked, 2047);
    EXPECT_DOUBLE_EQ(form.DateFrom, kFriday);
    EXPECT_NEAR(form.TimeFrom, Clock(8, 30, 0), kTimeTolerance);
    EXPECT_DOUBLE_EQ(form.DateTo, kFriday + 2);
    EXPECT_STREQ(kStatusEntries[form.StatusFrom], "400 Bad Request");
    EXPECT_STREQ(kStatusEntries[form.StatusTo], "415 Unsupported Media Type");
    EXPECT_STREQ(kRequestTypeEntries[form.RequestType], "POST");
    EXPECT_EQ(DayOfWeekEntries()[form.DayOfWeek], "Friday");

    const TLogFilterForm fresh = LoadLogFilterForm(TFilterData{});
    EXPECT_EQ(fresh.HourOfDay, 12);
    EXPECT_DOUBLE_EQ(fresh.DateTo, 0);
    EXPECT_DOUBLE_EQ(fresh.TimeTo, kEndOfDayZero);
    EXPECT_EQ(fresh.StatusFrom, 0);
    EXPECT_FALSE(fresh.Exclude);
}

TEST(LogFilterFormTest, ValuesTheListsCannotShow) {
    TFilterData filter = FullFilter();
    filter.Filters = 4096 | fbDomain;  // a bit no box stands for
    filter.StatusFrom = 418;
    filter.DayOfWeek = 9;
    filter.RequestType = 7;
    filter.HourOfDay = 0;
    const TLogFilterForm form = LoadLogFilterForm(filter);
    EXPECT_EQ(form.Checked, fbDomain);
    EXPECT_EQ(form.StatusFrom, -1);
    EXPECT_EQ(form.HourOfDay, 1);
    // With no entry chosen, OK keeps what was stored.
    ApplyLogFilterForm(form, filter);
    EXPECT_EQ(filter.StatusFrom, 418);
    EXPECT_EQ(filter.DayOfWeek, 9);
    EXPECT_EQ(filter.RequestType, 7);
    EXPECT_EQ(filter.Filters, fbDomain);
}

TEST(LogFilterFormTest, StatusEntryValues) {
    EXPECT_EQ(StatusEntryValue(kAnyEntry), 0);
    EXPECT_EQ(StatusEntryValue("404 Not Found"), 404);
    EXPECT_EQ(StatusEntryValue("40"), 0);
    uint16_t previous = 0;
    for (size_t i = 1; i < kStatusEntries.size(); ++i) {
        EXPECT_GT(StatusEntryValue(kStatusEntries[i]), previous) << kStatusEntries[i];
        previous = StatusEntryValue(kStatusEntries[i]);
        EXPECT_EQ(StatusEntryIndex(previous), static_cast<int>(i));
    }
    EXPECT_EQ(previous, 505);
    EXPECT_EQ(StatusEntryIndex(0), 0);
    EXPECT_EQ(StatusEntryIndex(418), -1);
}

TEST(LogFilterFormTest, SingleStatusChosenWithAnyAsUpperEnd) {
    TLogFilterForm form;
    ChooseListEntry(form, TFilterList::StatusFrom, StatusEntryIndex(404));
    ChooseListEntry(form, TFilterList::StatusTo, 0);
    EXPECT_FALSE(form.IsChecked(fbStatus));  // the last choice was the first entry
    form.SetChecked(fbStatus, true);
    TFilterData filter;
    ApplyLogFilterForm(form, filter);
    EXPECT_EQ(filter.StatusFrom, 404);
    EXPECT_EQ(filter.StatusTo, 0);
    PrepareFilter(filter);
    EXPECT_TRUE(filter.SingleStatus);
}

TEST(LogFilterFormTest, EditingKeepsTheBoxesInStep) {
    TLogFilterForm form;
    form.Checked = fbHourOfDay;
    EditText(form, fbReferrer, "q=");
    EXPECT_EQ(form.Referrer, "q=");
    EXPECT_EQ(form.Checked, fbHourOfDay | fbReferrer);
    EditText(form, fbReferrer, "");
    EXPECT_EQ(form.Checked, fbHourOfDay);
    EXPECT_THROW(EditText(form, fbStatus, "x"), std::invalid_argument);

    ChooseListEntry(form, TFilterList::RequestType, 2);
    ChooseListEntry(form, TFilterList::DayOfWeek, 1);
    EXPECT_EQ(form.Checked, fbHourOfDay | fbRequestType | fbDayOfWeek);
    ChooseListEntry(form, TFilterList::DayOfWeek, 0);
    EXPECT_FALSE(form.IsChecked(fbDayOfWeek));
    EXPECT_EQ(form.DayOfWeek, 0);

    form.Checked = 0;
    EditHour(form, form.HourOfDay);  // any change, even back to the same hour
    EXPECT_EQ(form.Checked, fbHourOfDay);
}

TEST(LogFilterFormTest, DateAndTimeEditsFollowTheirOwnDate) {
    TLogFilterForm form;
    EditDate(form, TDateEnd::To, kFriday);
    EXPECT_TRUE(form.IsChecked(fbDate));
    // A time change judges the date of its own end: the from-date is still empty.
    EditTime(form, TDateEnd::From, Clock(9, 0, 0));
    EXPECT_FALSE(form.IsChecked(fbDate));
    EXPECT_DOUBLE_EQ(form.TimeFrom, Clock(9, 0, 0));
    EditTime(form, TDateEnd::To, Clock(10, 0, 0));
    EXPECT_TRUE(form.IsChecked(fbDate));
    EditDate(form, TDateEnd::To, 0);
    EXPECT_FALSE(form.IsChecked(fbDate));
}

TEST(LogFilterFormTest, TrackBackwardsOnlyWithTrackUsers) {
    TLogFilterForm form = LoadLogFilterForm(TFilterData{});
    EXPECT_FALSE(form.TrackBackwardsEnabled());
    form.TrackUser = true;
    EXPECT_TRUE(form.TrackBackwardsEnabled());
}

bool PassesAt(const TFilterData& filter, double time) {
    TLogHit hit{};
    hit.Time = time;
    return MatchFilter(filter, hit, {});
}

// The date range as OK composes it, then as a report's stored filter reads it back.
TEST(LogFilterFormTest, DateRangeOfTheLogDataViewKeepsItsTimes) {
    TLogFilterForm form;
    form.Checked = fbDate;
    EditDate(form, TDateEnd::From, kFriday);
    EditDate(form, TDateEnd::To, kFriday);
    EditTime(form, TDateEnd::To, Clock(23, 59, 59));
    TFilterData view;
    ApplyLogFilterForm(form, view);
    EXPECT_DOUBLE_EQ(view.DateTo, kFriday + Clock(23, 59, 59));
    PrepareFilter(view);
    EXPECT_TRUE(PassesAt(view, kFriday + Clock(12, 0, 0)));

    TFilterData stored = view;
    stored.DateFrom = WholeDays(stored.DateFrom);
    stored.DateTo = WholeDays(stored.DateTo);
    ApplyLogFilterForm(LoadLogFilterForm(stored), stored);
    PrepareFilter(stored);
    EXPECT_FALSE(PassesAt(stored, kFriday + Clock(12, 0, 0)));
    EXPECT_TRUE(PassesAt(stored, kFriday));
}

TEST(LogFilterFormTest, TimesAloneOnDayZeroMatchAnyDay) {
    TLogFilterForm form;
    form.Checked = fbDate;
    EditTime(form, TDateEnd::From, Clock(8, 0, 0));
    EditTime(form, TDateEnd::To, Clock(9, 0, 0));
    form.SetChecked(fbDate, true);  // the time edits cleared it: both dates are empty
    TFilterData filter;
    ApplyLogFilterForm(form, filter);
    PrepareFilter(filter);
    EXPECT_TRUE(filter.TimeOnly);
    EXPECT_TRUE(PassesAt(filter, kFriday + 40 + Clock(8, 30, 0)));
    EXPECT_FALSE(PassesAt(filter, kFriday + Clock(9, 0, 1)));
}

TEST(LogFilterFormTest, DayListTakesTheLocaleNames) {
    const std::vector<std::string> iso = DayOfWeekEntries();
    ASSERT_EQ(iso.size(), 8u);
    EXPECT_EQ(iso[0], "<ANY>");
    EXPECT_EQ(iso[1], "Sunday");
    EXPECT_EQ(iso[7], "Saturday");
    TLocaleInfo german = TLocaleInfo::Iso();
    german.LongDayNames[0] = "Sonntag";
    EXPECT_EQ(DayOfWeekEntries(german)[1], "Sonntag");
}

}  // namespace
}  // namespace vestrel
