// A gzip log is expanded into the data folder before it is read. The expansion is bounded by a
// limit of its own and by the free space of the data folder's disk, so that a small archive that
// expands to gigabytes of nothing cannot fill the disk.
#pragma once

#include <cstdint>
#include <string>

#include "engine/temp_files.h"

namespace vestrel {

// What an expanded log may grow to unless the analyser is given another limit: 20 GB.
constexpr int64_t kDefaultGzipExpansionLimit = int64_t{20} << 30;
// Left free on the data folder's disk for the settings, the report store and the DNS cache.
constexpr int64_t kFreeSpaceMargin = int64_t{64} << 20;

// The bytes an unprivileged user may still write on the disk holding `folder`; -1 when unknown.
int64_t FreeDiskSpace(const std::string& folder);
using TFreeSpaceProbe = int64_t (*)(const std::string& folder);

struct TGzipExpansion {
    std::string FileName;  // the expanded file, to be loaded
    std::string Stop;      // why the expansion ended early; empty when the whole file was expanded
    TTempFile Owner;       // removes the expanded file when the expansion is destroyed
};

// Expands a gzip file to a file of its own in `dataFolder`: the name cut before the first ".",
// "-", the process id, "-", six random characters, ".~xx" (access.log.gz becomes
// access-4711-Xa3k9Q.~xx), created new, never through a symbolic link, so that runs expanding
// logs of one name at once never share one. Expansions left behind by runs that were killed are
// removed first. The expansion ends early at damaged or truncated data, at a write error,
// or before the expanded file would grow past `limit` bytes or past the free space of the data
// folder's disk less kFreeSpaceMargin (probed once the old file is emptied). An early end keeps
// what was expanded up to its last complete line, so that no cut line is read as a hit. Raises
// EVestrelError when the gzip file cannot be opened, is no regular file, or the expanded file
// cannot be created.
TGzipExpansion ExpandGzipFile(const std::string& fileName, const std::string& dataFolder,
                              int64_t limit = kDefaultGzipExpansionLimit,
                              TFreeSpaceProbe freeSpace = FreeDiskSpace);

// A byte count for messages: "20 GB", "1.5 MB", "300 bytes".
std::string ByteSizeText(int64_t bytes);

}  // namespace vestrel
