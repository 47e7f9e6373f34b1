// How a report definition drives the clients that run before its logs are loaded: the telnet
// script, the FTP download and the HTTP download, each set up from the report's own fields and
// the bounds every host (the windows and vestrel-cli) puts on them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "acquisition/dns_lookup.h"
#include "acquisition/ftp_download.h"
#include "acquisition/http_download.h"
#include "acquisition/telnet_script.h"
#include "engine/log_files.h"
#include "shell/report_store.h"

namespace vestrel {

// The bounds of the network steps: the telnet port, the name server for lookups (empty: the
// system's) and the longest wait for a connection, a reply or more data.
struct TFetchLimits {
    int TimeoutSeconds = 300;
    uint16_t TelnetPort = kTelnetPort;
    std::string DnsServer;
};

// Raises EVestrelError for a TelnetOptions text that is not a decimal integer.
bool TelnetScriptActive(const TReportRecord& report);
TTelnetScriptSettings TelnetSettingsOf(const TReportRecord& report,
                                       const TFetchLimits& limits = {});
TFtpSettings FtpSettingsOf(const TReportRecord& report, const TFetchLimits& limits = {});
THttpDownloadSettings WebSettingsOf(const TReportRecord& report, const TFetchLimits& limits = {});
TDNSLookupOptions LookupOptionsOf(const TFetchLimits& limits);
// Appends the log files of a download's "1" + local file name lines to the report's file list.
void AddFetchedFiles(const std::vector<std::string>& lines, TLogFileDataParam& files);

}  // namespace vestrel
