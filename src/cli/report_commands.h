// The "report" commands of vestrel-cli (the stored report definitions) and "site-tree".
#pragma once

#include <string>

#include <CLI/CLI.hpp>

#include "cli/load_options.h"

namespace vestrel::cli {

struct TReportCommandOptions {
    std::string DataDir;
    std::string Name;  // the report, or for import the JSON file
    std::string Out;
};

// Adds "report" with its subcommands list, show, import, export, copy and delete; answers the
// command whose subcommand ran.
CLI::App* AddReportCommands(CLI::App& app, TReportCommandOptions& options);
int RunReportCommand(const CLI::App& report, const TReportCommandOptions& options);

struct TSiteTreeOptions {
    TLoadOptions Load;
    bool Build = false;
    bool Save = false;
};
void AddSiteTreeOptions(CLI::App& command, TSiteTreeOptions& options);
int RunSiteTreeCommand(const TSiteTreeOptions& options);

}  // namespace vestrel::cli
