// Helpers for statistic tests: an analyser loaded from log text written to a temporary folder
// that also holds the reference lists a test gives.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "engine/log_analyzer.h"
#include "engine/log_files.h"
#include "reports/report_context.h"
#include "reports/var_grid.h"

namespace vestrel::testing_util {

class TReportFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        setenv("TZ", "UTC", 1);
        tzset();
        std::string pattern = ::testing::TempDir() + "vestrel-report-XXXXXX";
        folder_ = std::string(mkdtemp(pattern.data())) + "/";
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    // Writes a file into the data folder (a reference list, or a log).
    std::string WriteFile(const std::string& name, const std::string& content) {
        std::ofstream(folder_ + name, std::ios::binary) << content;
        return folder_ + name;
    }

    // A fresh analyser over `logText` (common/combined lines), loaded the way a report opening
    // loads, with its own domain and targets.
    TLogAnalyzer& Load(const std::string& logText, const std::string& ownDomain = "www.example.com",
                       const std::string& targets = "") {
        analyzer_ = std::make_unique<TLogAnalyzer>(folder_, targets);
        analyzer_->OwnDomain = ownDomain;
        analyzer_->TimeZone = 0;
        const std::string log = WriteFile("test.log", logText);
        TLogFileDataParam files;
        FillLogFileData({"1" + log}, files);
        TLoadObserver quiet;
        LoadLogFiles(*analyzer_, files, quiet);
        return *analyzer_;
    }

    TReportContext Context() { return TReportContext{*analyzer_, grid_, {}, {}}; }

    // The generator's table as Rows() gives it.
    std::vector<std::string> Run(TReportGenerator generator, bool excludeSearch = true) {
        TReportContext context = Context();
        context.Settings.ExcludeSearshFromRef = excludeSearch;
        generator(context);
        return Rows();
    }

    // Every display text of the grid, row by row, cells joined by "|".
    std::vector<std::string> Rows() const {
        std::vector<std::string> rows;
        for (int r = 0; r < grid_.RowCount(); ++r) {
            std::string row;
            for (int c = 0; c < grid_.ColCount(); ++c) row += (c ? "|" : "") + grid_.GetText(c, r);
            rows.push_back(row);
        }
        return rows;
    }

    std::string folder_;
    std::unique_ptr<TLogAnalyzer> analyzer_;
    TVarGrid grid_;
};

// One combined log line; `time` as "dd/Mon/yyyy:HH:MM:SS".
inline std::string Line(const std::string& host, const std::string& time, const std::string& path,
                        int status = 200, int bytes = 100, const std::string& referrer = "-",
                        const std::string& agent = "-", const std::string& user = "-") {
    return host + " - " + user + " [" + time + " +0000] \"GET " + path + " HTTP/1.1\" " +
           std::to_string(status) + " " + std::to_string(bytes) + " \"" + referrer + "\" \"" +
           agent + "\"\n";
}

// One hit of `host` on 2024-03-01 at 10:`minute`, so that a host's hits stay one visit.
inline std::string MinuteHit(const std::string& host, int minute, const std::string& path,
                             const std::string& referrer = "-", int status = 200) {
    char time[32];
    std::snprintf(time, sizeof time, "01/Mar/2024:10:%02d:00", minute);
    return Line(host, time, path, status, 100, referrer);
}

}  // namespace vestrel::testing_util
