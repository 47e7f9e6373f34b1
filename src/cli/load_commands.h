// The "load" and "dump" commands of vestrel-cli.
#pragma once

#include <string>

#include "cli/load_options.h"

namespace vestrel::cli {

int RunLoadCommand(const TLoadOptions& options);
int RunDumpCommand(const TLoadOptions& options, long limit);

// A dump field: backslash, tab, CR and LF written as \\, \t, \r and \n, every other byte as it is.
void AppendEscaped(std::string& out, std::string_view text);

}  // namespace vestrel::cli
