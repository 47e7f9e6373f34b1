// Inputs with which the fuzz targets of tests/fuzz found faults, kept so that they stay fixed.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

#include "engine/date_time.h"
#include "engine/engine_test_util.h"

namespace vestrel {
namespace {

using testing_util::Stamp;

// A workbook export of a text cell set to the date -1.7e308 overflowed the seconds count.
TEST(FuzzRegression, TimesOutsideTheCalendarDecodeAtItsEnds) {
    constexpr double kInfinity = std::numeric_limits<double>::infinity();
    for (double time : {-1.7e308, -kInfinity, std::nan(""), -693593.5}) {
        EXPECT_EQ(Stamp(time), "0001-01-01 00:00:00") << time;
        EXPECT_EQ(DayOfWeek(time), 2) << time;  // a Monday
    }
    for (double time : {1.7e308, kInfinity, 2958466.0}) {
        EXPECT_EQ(Stamp(time), "9999-12-31 23:59:59") << time;
        EXPECT_EQ(DayOfWeek(time), 6) << time;  // a Friday
    }
    EXPECT_EQ(Stamp(2958465.999994), "9999-12-31 23:59:59");
}

}  // namespace
}  // namespace vestrel
