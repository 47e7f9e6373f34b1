// The data folder: where the settings, the report definitions, the reference lists, the DNS cache
// and expanded logs live.
#pragma once

#include <string>

namespace vestrel {

// The names of the reference lists shipped beside the executable.
extern const char* const kDefaultListNames[6];
// The list that folders seeded before it existed lack; it is added to them when missing.
extern const char* const kRobotsListName;

// The folder of the running executable, with a trailing "/".
std::string ExecutableFolder();

// The data folder, with a trailing "/": `argument` when given, else $VESTREL_HOME, else the
// executable's folder when it is writable or already holds "Vestrel.ini", else
// $XDG_DATA_HOME/vestrel (~/.local/share/vestrel). A folder that does not exist yet is created and
// seeded with the default lists; an existing folder only gets the robot list when it has none.
// Raises EVestrelError when
// the folder cannot be created.
std::string ResolveDataFolder(const std::string& argument);

// Same, with the executable folder and environment given (for tests).
std::string ResolveDataFolder(const std::string& argument, const std::string& executableFolder,
                              const char* vestrelHome, const char* xdgDataHome, const char* home);

}  // namespace vestrel
