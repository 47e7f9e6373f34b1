#include "cli/cli_host.h"

#include <chrono>

#include "acquisition/ftp_download.h"
#include "acquisition/http_download.h"
#include "acquisition/telnet_script.h"
#include "engine/text_util.h"
#include "shell/remote_logs.h"

namespace vestrel::cli {

namespace {

void PrintLine(const std::string& text) {
    std::fprintf(stderr, "%s\n", VisibleControls(text).c_str());
}

class TStreamTerminal : public TTerminalSink {
  public:
    explicit TStreamTerminal(std::FILE* stream) : stream_(stream) {}
    void Write(std::string_view text) override {
        const std::string visible = VisibleControls(text);
        std::fwrite(visible.data(), 1, visible.size(), stream_);
        std::fflush(stream_);
    }

  private:
    std::FILE* stream_;
};

class TTelnetMessages : public TTelnetWindowObserver {
  public:
    void ShowMessage(const std::string& text) override { PrintLine(text); }
};

// Shows each new status line, the last byte count with it, and the errors.
class TFtpProgress : public TFtpObserver {
  public:
    void DisplayChanged(const TFtpDisplay& display) override {
        if (display.Status == status_) return;
        status_ = display.Status;
        PrintLine(status_);
    }
    void ShowError(const std::string& text) override { PrintLine(text); }

  private:
    std::string status_;
};

class TWebProgress : public THttpDownloadEvents {
  public:
    void OnStatus(const std::string& statusLine) override { PrintLine(statusLine); }
    void OnRequestDone(const TFetchResult& result) override {
        if (result.Outcome == TFetchOutcome::Fetched)
            PrintLine(byteCount_);
        else
            Failed = true;
    }
    void OnDocumentData(std::int64_t, std::int64_t, const std::string& byteCountLine) override {
        byteCount_ = byteCountLine;
    }
    void OnError(const std::string& message) override {
        PrintLine(message);
        Failed = true;
    }
    bool Failed = false;

  private:
    std::string byteCount_ = "Received 0 bytes";
};

}  // namespace

void TCliHost::Notice(const std::string& text) {
    PrintLine(text);
}

void TCliHost::RunTelnetScript(const TReportRecord& report) {
    if (Fetch.NoFetch) return;
    const TTelnetScriptSettings settings = TelnetSettingsOf(report, Limits());
    TStreamTerminal terminal(Terminal);
    TTelnetMessages messages;
    TTelnetScriptWindow window(terminal, messages);
    window.Open(settings);
    const bool stalled = window.RunUnattended(std::chrono::seconds(Fetch.TimeoutSeconds));
    terminal.Write("\n");
    if (!stalled) return;
    downloadFailed_ = true;
    PrintLine("Telnet: the script made no progress for " + std::to_string(Fetch.TimeoutSeconds) +
              " seconds; the session was closed");
}

void TCliHost::DownloadFtpFiles(const TReportRecord& report, TLogFileDataParam& files) {
    if (Fetch.NoFetch || !HasEnabledFtpFile(report.FTPFiles)) return;
    TFtpProgress progress;
    TFtpDownload download(FtpSettingsOf(report, Limits()), progress);
    const TFtpOutcome outcome = download.Run();
    if (outcome == TFtpOutcome::Failed || outcome == TFtpOutcome::MissingHost)
        downloadFailed_ = true;
    AddFetched(download.Results(), files);
}

void TCliHost::DownloadWebFiles(const TReportRecord& report, TLogFileDataParam& files) {
    if (Fetch.NoFetch || !HasEnabledWebFiles(report.WEBFiles)) return;
    TWebProgress progress;
    THttpDownload download(WebSettingsOf(report, Limits()), progress);
    AddFetched(download.Run(report.WEBFiles), files);
    if (progress.Failed) downloadFailed_ = true;
}

void TCliHost::AddFetched(const std::vector<std::string>& lines, TLogFileDataParam& files) {
    fetched_.insert(fetched_.end(), lines.begin(), lines.end());
    AddFetchedFiles(lines, files);
}

TFetchLimits TCliHost::Limits() const {
    TFetchLimits limits;
    limits.TimeoutSeconds = Fetch.TimeoutSeconds;
    limits.TelnetPort = Fetch.TelnetPort;
    return limits;
}

}  // namespace vestrel::cli
