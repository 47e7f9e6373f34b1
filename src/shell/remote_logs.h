// How a report definition drives the clients that run before its logs are loaded: the telnet
// script, the FTP download and the HTTP download, each set up from the report's own fields.
#pragma once

#include <string>

#include "acquisition/ftp_download.h"
#include "acquisition/http_download.h"
#include "acquisition/telnet_script.h"
#include "shell/report_store.h"

namespace vestrel {

// Raises EVestrelError for a TelnetOptions text that is not a decimal integer.
bool TelnetScriptActive(const TReportRecord& report);
TTelnetScriptSettings TelnetSettingsOf(const TReportRecord& report);
TFtpSettings FtpSettingsOf(const TReportRecord& report);
THttpDownloadSettings WebSettingsOf(const TReportRecord& report);

}  // namespace vestrel
