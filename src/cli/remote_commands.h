// The "fetch" and "resolve" commands of vestrel-cli: a stored report's telnet script and
// downloads on their own, and the reverse DNS lookup of a loaded log's numeric hosts.
#pragma once

#include <string>

#include <CLI/CLI.hpp>

#include "cli/load_options.h"

namespace vestrel::cli {

struct TFetchCommandOptions {
    std::string DataDir;
    std::string Report;
    TFetchOptions Fetch;
};
void AddFetchCommandOptions(CLI::App& command, TFetchCommandOptions& options);
int RunFetchCommand(const TFetchCommandOptions& options);

struct TResolveOptions {
    TLoadOptions Load;
    std::string DnsServer;  // "host:port"; empty asks the system's name servers
};
void AddResolveOptions(CLI::App& command, TResolveOptions& options);
int RunResolveCommand(const TResolveOptions& options);

}  // namespace vestrel::cli
