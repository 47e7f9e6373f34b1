// The opening sequence's host for vestrel-cli: nobody sits at its windows, so the telnet script
// runs until the server ends the session or the time-out, downloads report on standard error, and
// a failed step is reported and left behind, as the user's Cancel would.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "acquisition/telnet_session.h"
#include "shell/main_model.h"
#include "shell/remote_logs.h"

namespace vestrel::cli {

struct TFetchOptions {
    bool NoFetch = false;      // skip the telnet script and the downloads
    int TimeoutSeconds = 300;  // bound on any single transfer, connection or silent spell
    uint16_t TelnetPort = kTelnetPort;
};

class TCliHost : public TMainHost {
  public:
    TFetchOptions Fetch;
    // Where the telnet session is shown: standard error unless the session is the result.
    std::FILE* Terminal = stderr;

    void Notice(const std::string& text) override;
    void RunTelnetScript(const TReportRecord& report) override;
    void DownloadFtpFiles(const TReportRecord& report, TLogFileDataParam& files) override;
    void DownloadWebFiles(const TReportRecord& report, TLogFileDataParam& files) override;

    // The "1" + local file name lines of every file fetched, in the order fetched.
    const std::vector<std::string>& Fetched() const { return fetched_; }
    // Whether a download stopped at a failure, or the telnet script at a stall.
    bool DownloadFailed() const { return downloadFailed_; }

  private:
    void AddFetched(const std::vector<std::string>& lines, TLogFileDataParam& files);
    TFetchLimits Limits() const;

    std::vector<std::string> fetched_;
    bool downloadFailed_ = false;
};

}  // namespace vestrel::cli
