#include "engine/log_filter.h"

#include <gtest/gtest.h>

#include "engine/date_time.h"

namespace vestrel {
namespace {

// Day numbers written out, so that the tests do not lean on the date encoding.
constexpr double kFriday = 37316;  // 2002-03-01

double Clock(int hour, int minute, int second) {
    double time = 0;
    EXPECT_TRUE(TryEncodeTime(hour, minute, second, time));
    return time;
}

TLogHit Hit(double time = 0, uint16_t status = 200, uint8_t method = 1) {
    TLogHit hit{};
    hit.Time = time;
    hit.Status = status;
    hit.Method = method;
    return hit;
}

// A prepared filter with the given criteria and the fields that `setup` fills in.
template <class TSetup>
TFilterData Prepared(int32_t bits, TSetup setup) {
    TFilterData filter;
    filter.Filters = bits;
    setup(filter);
    PrepareFilter(filter);
    return filter;
}

THitTexts With(std::string_view THitTexts::*field, std::string_view text) {
    THitTexts texts;
    texts.*field = text;
    return texts;
}

bool Passes(const TFilterData& filter, double time) {
    return MatchFilter(filter, Hit(time), {});
}

TEST(PrepareFilterTest, EachBitSetsOnlyItsOwnCriterion) {
    const std::pair<int32_t, bool TFilterData::*> flags[] = {
        {fbDomain, &TFilterData::UseDomain},       {fbUserName, &TFilterData::UseUserName},
        {fbDate, &TFilterData::UseDate},           {fbDayOfWeek, &TFilterData::UseDayOfWeek},
        {fbHourOfDay, &TFilterData::UseHourOfDay}, {fbRequest, &TFilterData::UseRequest},
        {fbStatus, &TFilterData::UseStatus},       {fbOpSystem, &TFilterData::UseOpSystem},
        {fbBrowser, &TFilterData::UseBrowser},     {fbRequestType, &TFilterData::UseRequestType},
        {fbReferrer, &TFilterData::UseReferrer},
    };
    for (const auto& [bit, flag] : flags) {
        const TFilterData filter = Prepared(bit, [](TFilterData&) {});
        for (const auto& [otherBit, otherFlag] : flags)
            EXPECT_EQ(filter.*otherFlag, otherBit == bit) << bit << " " << otherBit;
    }
}

TEST(PrepareFilterTest, TimeOnlyAndSingleStatusNeedTheirCriterion) {
    // A new filter has both dates on day 0 and StatusTo 0.
    const TFilterData unused = Prepared(0, [](TFilterData&) {});
    EXPECT_FALSE(unused.TimeOnly);
    EXPECT_FALSE(unused.SingleStatus);
    const TFilterData used = Prepared(fbDate | fbStatus, [](TFilterData& f) { f.StatusTo = 99; });
    EXPECT_TRUE(used.TimeOnly);
    EXPECT_TRUE(used.SingleStatus);
    const TFilterData ranges = Prepared(fbDate | fbStatus, [](TFilterData& f) {
        f.DateTo = kFriday;
        f.StatusTo = 100;
    });
    EXPECT_FALSE(ranges.TimeOnly);
    EXPECT_FALSE(ranges.SingleStatus);
}

TEST(MatchFilterTest, NoCriterionIncludesEveryHitAndExcludesEveryHit) {
    const TFilterData include = Prepared(0, [](TFilterData&) {});
    const TFilterData exclude = Prepared(0, [](TFilterData& f) { f.Exclude = true; });
    const THitTexts texts{"host", "user", "/index.htm", "http://x/", "Mozilla"};
    for (const TLogHit& hit : {Hit(), Hit(kFriday + 0.5, 404, 4)}) {
        EXPECT_TRUE(MatchFilter(include, hit, texts));
        EXPECT_FALSE(MatchFilter(exclude, hit, texts));
    }
}

TEST(MatchFilterTest, DomainIsCaseSensitiveForIncludeAndExclude) {
    const TFilterData include = Prepared(fbDomain, [](TFilterData& f) { f.Domain = "example"; });
    TFilterData exclude = include;
    exclude.Exclude = true;
    for (std::string_view host : {"www.example.com", "example", "www.EXAMPLE.com", "exampl", ""}) {
        const bool holdsWord = host.find("example") != std::string_view::npos;
        EXPECT_EQ(MatchFilter(include, Hit(), With(&THitTexts::Host, host)), holdsWord) << host;
        EXPECT_EQ(MatchFilter(exclude, Hit(), With(&THitTexts::Host, host)), !holdsWord) << host;
    }
}

TEST(MatchFilterTest, EachTextCriterionSearchesItsOwnField) {
    struct TCase {
        int32_t Bit;
        std::string TFilterData::*Pattern;
        std::string_view THitTexts::*Field;
    };
    const TCase cases[] = {
        {fbDomain, &TFilterData::Domain, &THitTexts::Host},
        {fbUserName, &TFilterData::UserName, &THitTexts::User},
        {fbReferrer, &TFilterData::Referrer, &THitTexts::Referrer},
        {fbRequest, &TFilterData::Request, &THitTexts::Url},
        {fbBrowser, &TFilterData::Browser, &THitTexts::Agent},
        {fbOpSystem, &TFilterData::OpSystem, &THitTexts::Agent},
    };
    for (const TCase& tested : cases) {
        const TFilterData filter =
            Prepared(tested.Bit, [&](TFilterData& f) { f.*tested.Pattern = "needle"; });
        THitTexts texts{"host", "user", "/path", "http://ref/", "Agent"};
        EXPECT_FALSE(MatchFilter(filter, Hit(), texts)) << tested.Bit;
        texts.*tested.Field = "hay needle stack";
        EXPECT_TRUE(MatchFilter(filter, Hit(), texts)) << tested.Bit;
    }
}

TEST(MatchFilterTest, ShortAndEmptyPatterns) {
    const TFilterData letter = Prepared(fbRequest, [](TFilterData& f) { f.Request = "a"; });
    for (std::string_view url : {"a", "/a", "/data.htm", "/images/logo.gif"})
        EXPECT_TRUE(MatchFilter(letter, Hit(), With(&THitTexts::Url, url))) << url;
    for (std::string_view url : {"", "/", "/A", "/index.htm"})
        EXPECT_FALSE(MatchFilter(letter, Hit(), With(&THitTexts::Url, url))) << url;

    // An empty text with its criterion ticked matches only an empty field.
    const TFilterData empty = Prepared(fbUserName, [](TFilterData&) {});
    EXPECT_TRUE(MatchFilter(empty, Hit(), With(&THitTexts::User, "")));
    EXPECT_FALSE(MatchFilter(empty, Hit(), With(&THitTexts::User, "alice")));
}

TEST(MatchFilterTest, DateRangeOfOneDayWithAndWithoutItsTimes) {
    const TFilterData withTimes = Prepared(fbDate, [](TFilterData& f) {
        f.DateFrom = kFriday;
        f.DateTo = kFriday + kEndOfDayZero;
    });
    EXPECT_TRUE(Passes(withTimes, kFriday));
    EXPECT_TRUE(Passes(withTimes, kFriday + Clock(23, 59, 59)));
    EXPECT_FALSE(Passes(withTimes, kFriday - Clock(0, 0, 1)));
    EXPECT_FALSE(Passes(withTimes, kFriday + 1));

    // Stored with a report, both ends come back at 00:00.
    const TFilterData readBack = Prepared(fbDate, [](TFilterData& f) {
        f.DateFrom = kFriday;
        f.DateTo = kFriday;
    });
    EXPECT_TRUE(Passes(readBack, kFriday));
    EXPECT_FALSE(Passes(readBack, kFriday + Clock(0, 0, 1)));
}

TEST(MatchFilterTest, DatesOnDayZeroSelectATimeOfDayOnAnyDay) {
    const TFilterData filter = Prepared(fbDate, [](TFilterData& f) {
        f.DateFrom = Clock(9, 0, 0);
        f.DateTo = Clock(17, 0, 0);
    });
    for (double day : {36525.0, kFriday, 47678.0}) {
        EXPECT_TRUE(Passes(filter, day + Clock(9, 0, 0)));
        EXPECT_TRUE(Passes(filter, day + Clock(17, 0, 0)));
        EXPECT_FALSE(Passes(filter, day + Clock(8, 59, 59)));
        EXPECT_FALSE(Passes(filter, day + Clock(17, 0, 1)));
    }
}

TEST(MatchFilterTest, SingleStatusAndInclusiveStatusRange) {
    const TFilterData single = Prepared(fbStatus, [](TFilterData& f) { f.StatusFrom = 404; });
    const TFilterData range = Prepared(fbStatus, [](TFilterData& f) {
        f.StatusFrom = 400;
        f.StatusTo = 499;
    });
    for (uint16_t status : {0, 399, 400, 403, 404, 405, 499, 500}) {
        EXPECT_EQ(MatchFilter(single, Hit(0, status), {}), status == 404) << status;
        EXPECT_EQ(MatchFilter(range, Hit(0, status), {}), status >= 400 && status <= 499) << status;
    }
}

TEST(MatchFilterTest, RequestTypeAndDayOfWeek) {
    const TFilterData post = Prepared(fbRequestType, [](TFilterData& f) { f.RequestType = 4; });
    EXPECT_TRUE(MatchFilter(post, Hit(0, 200, 4), {}));
    EXPECT_FALSE(MatchFilter(post, Hit(0, 200, 1), {}));

    const TFilterData friday = Prepared(fbDayOfWeek, [](TFilterData& f) { f.DayOfWeek = 6; });
    EXPECT_TRUE(Passes(friday, kFriday - 7));
    EXPECT_TRUE(Passes(friday, kFriday + Clock(23, 59, 59)));
    EXPECT_FALSE(Passes(friday, kFriday + 1));
    EXPECT_FALSE(Passes(friday, kFriday - 1));
}

TEST(MatchFilterTest, HourOfDayAgreesWithHourOfAndTwentyFourMatchesNothing) {
    // HourOf rounds to the nearest second first: 01:59:59.9999 is hour 2.
    const double almostTwo = kFriday + Clock(1, 59, 59) + 0.9999 / kSecondsPerDay;
    const double almostMidnight = kFriday + Clock(23, 59, 59) + 0.9999 / kSecondsPerDay;
    std::vector<double> times = {almostTwo, almostMidnight, -1.25, -0.9999999};
    for (double time = kFriday; time < kFriday + 1; time += 0.0001234567) times.push_back(time);
    for (int hour = 0; hour <= 24; ++hour) {
        const TFilterData filter =
            Prepared(fbHourOfDay, [hour](TFilterData& f) { f.HourOfDay = uint8_t(hour); });
        for (double time : times)
            ASSERT_EQ(Passes(filter, time), HourOf(time) == hour) << time << " hour " << hour;
    }
}

TEST(MatchFilterTest, ExcludeDropsOnlyHitsMeetingEveryCriterion) {
    const TFilterData filter = Prepared(fbDomain | fbStatus, [](TFilterData& f) {
        f.Exclude = true;
        f.Domain = "bot";
        f.StatusFrom = 404;
    });
    EXPECT_FALSE(MatchFilter(filter, Hit(0, 404), With(&THitTexts::Host, "bot.example")));
    EXPECT_TRUE(MatchFilter(filter, Hit(0, 200), With(&THitTexts::Host, "bot.example")));
    EXPECT_TRUE(MatchFilter(filter, Hit(0, 404), With(&THitTexts::Host, "www.example")));
}

}  // namespace
}  // namespace vestrel
