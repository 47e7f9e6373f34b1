// The options every loading command of vestrel-cli shares, and the loading run they describe.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "engine/log_analyzer.h"

namespace vestrel::cli {

struct TLoadOptions {
    std::string DataDir;
    std::string Domain;
    std::string DefaultPage = "index.htm";
    int TimeZone = -100;
    std::string TargetsFile;
    int DateSelection = 0;
    std::string From, To;
    int LastHours = 0;
    int LastDays = 0;
    std::vector<std::string> Files;
};

void AddLoadOptions(CLI::App& command, TLoadOptions& options);

// The result of a loading run: the analyser with whatever was loaded, and the error that ended
// the run early (empty when every file was read).
struct TLoadResult {
    std::unique_ptr<TLogAnalyzer> Analyzer;
    std::string Error;
    int64_t LoadTimeMs = 0;
};

// Raises EVestrelError for an option that cannot be used (a bad date, an unreadable targets file).
TLoadResult RunLoad(const TLoadOptions& options);

}  // namespace vestrel::cli
