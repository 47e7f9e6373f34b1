#include "shell/remote_logs.h"

#include <algorithm>
#include <chrono>

#include "shell/main_model.h"

namespace vestrel {

bool TelnetScriptActive(const TReportRecord& report) {
    return (TelnetOptionsValue(report.TelnetOptions) & kTelnetActiveBit) != 0;
}

TTelnetScriptSettings TelnetSettingsOf(const TReportRecord& report, const TFetchLimits& limits) {
    TTelnetScriptSettings settings;
    settings.Domain = report.Domain;
    settings.Commands = report.TelnetCommands;
    settings.Options = TelnetOptionsValue(report.TelnetOptions);
    settings.Port = limits.TelnetPort;
    settings.ConnectTimeout = std::chrono::seconds(limits.TimeoutSeconds);
    return settings;
}

TFtpSettings FtpSettingsOf(const TReportRecord& report, const TFetchLimits& limits) {
    TFtpSettings settings;
    settings.Site = report.FTPSite;
    settings.UserName = report.FTPUserName;
    settings.Password = report.FTPPassword;
    settings.Files = report.FTPFiles;
    settings.DownloadFolder = report.FTPDownload;
    settings.TimeoutSeconds = limits.TimeoutSeconds;
    return settings;
}

THttpDownloadSettings WebSettingsOf(const TReportRecord& report, const TFetchLimits& limits) {
    THttpDownloadSettings settings;
    settings.UserName = report.WEBUsername;
    settings.Password = report.WEBPassword;
    settings.DownloadFolder = report.WEBDownload;
    // The time-out bounds the silence of a transfer, never its length.
    settings.InactivityLimit = std::min<std::chrono::milliseconds>(
        settings.InactivityLimit, std::chrono::seconds(limits.TimeoutSeconds));
    return settings;
}

TDNSLookupOptions LookupOptionsOf(const TFetchLimits& limits) {
    TDNSLookupOptions options;
    options.Server = limits.DnsServer;
    options.TimeoutSeconds = limits.TimeoutSeconds;
    return options;
}

void AddFetchedFiles(const std::vector<std::string>& lines, TLogFileDataParam& files) {
    if (!lines.empty()) FillLogFileData(lines, files);
}

}  // namespace vestrel
