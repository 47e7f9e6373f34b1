// The "stats" and "stat" commands of vestrel-cli.
#pragma once

#include <string>

#include <CLI/CLI.hpp>

#include "cli/load_options.h"

namespace vestrel::cli {

struct TStatOptions {
    TLoadOptions Load;
    std::string Name;
    std::string Format = "tsv";
    bool Values = false;
    TReportSettingOptions Settings;
    std::string Path;
    std::string FilterFile;
};

void AddStatOptions(CLI::App& command, TStatOptions& options);
int RunStatsCommand();
int RunStatCommand(const TStatOptions& options);

}  // namespace vestrel::cli
