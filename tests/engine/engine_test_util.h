// Helpers of the engine tests: times as text, and a test with an analyser of its own.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "engine/date_time.h"
#include "engine/log_analyzer.h"

namespace vestrel::testing_util {

// "YYYY-MM-DD HH:MM:SS" of a day count.
inline std::string Stamp(double time) {
    const TDateParts p = DecodeDateTime(time);
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", p.Year, p.Month, p.Day,
                  p.Hour, p.Minute, p.Second);
    return text;
}

// An analyser over a temporary data folder of its own, made under a chosen TZ; the caller's TZ
// comes back afterwards.
class TAnalyzerFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        if (const char* zone = std::getenv("TZ")) savedZone_ = zone;
        std::string pattern = ::testing::TempDir() + "vestrel_analyzer_XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder_ = pattern + "/";
    }
    void TearDown() override {
        analyzer_.reset();
        if (savedZone_)
            setenv("TZ", savedZone_->c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
        std::filesystem::remove_all(folder_);
    }

    // A new analyser made while TZ is `zone` (it reads the bias when it is made).
    TLogAnalyzer& Make(int timeZone, const char* zone = "UTC") {
        setenv("TZ", zone, 1);
        tzset();
        analyzer_ = std::make_unique<TLogAnalyzer>(folder_);
        analyzer_->TimeZone = timeZone;
        return *analyzer_;
    }

    std::string folder_;
    std::optional<std::string> savedZone_;
    std::unique_ptr<TLogAnalyzer> analyzer_;
};

}  // namespace vestrel::testing_util
