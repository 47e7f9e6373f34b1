// The "export" command of vestrel-cli: several statistics into one HTML, RTF or Excel file.
#pragma once

#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "cli/load_options.h"

namespace vestrel::cli {

struct TExportOptions {
    TLoadOptions Load;
    std::string Type;
    std::string Out;
    std::vector<std::string> Stats;
    TReportSettingOptions Settings;
};

void AddExportOptions(CLI::App& command, TExportOptions& options);
int RunExportCommand(const TExportOptions& options);

}  // namespace vestrel::cli
