#include "shell/remote_logs.h"

#include "shell/main_model.h"

namespace vestrel {

bool TelnetScriptActive(const TReportRecord& report) {
    return (TelnetOptionsValue(report.TelnetOptions) & kTelnetActiveBit) != 0;
}

TTelnetScriptSettings TelnetSettingsOf(const TReportRecord& report) {
    TTelnetScriptSettings settings;
    settings.Domain = report.Domain;
    settings.Commands = report.TelnetCommands;
    settings.Options = TelnetOptionsValue(report.TelnetOptions);
    return settings;
}

TFtpSettings FtpSettingsOf(const TReportRecord& report) {
    TFtpSettings settings;
    settings.Site = report.FTPSite;
    settings.UserName = report.FTPUserName;
    settings.Password = report.FTPPassword;
    settings.Files = report.FTPFiles;
    settings.DownloadFolder = report.FTPDownload;
    return settings;
}

THttpDownloadSettings WebSettingsOf(const TReportRecord& report) {
    THttpDownloadSettings settings;
    settings.UserName = report.WEBUsername;
    settings.Password = report.WEBPassword;
    settings.DownloadFolder = report.WEBDownload;
    return settings;
}

}  // namespace vestrel
