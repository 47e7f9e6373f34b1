// Fetching a report's remote log files by FTP into its local download folder.
//
// Every enabled line of the report's FTPFiles list is fetched in turn over two fresh
// connections: a size request, then the receive request (binary, active data connection).
// The first failure stops the downloading; the files completed before stay in the result list.
#pragma once

#include <curl/curl.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace vestrel {

// The request codes that request-done events carry.
enum TFtpRequest : int { ftpSizeRequest = 16, ftpReceiveRequest = 6, ftpAbortRequest = 20 };

// One FTPFiles line that names a file to download.
struct TFtpRemoteFile {
    std::string Directory;  // from the second character up to and including the last "/"
    std::string FileName;   // everything after the last "/"
};

// The file an FTPFiles line asks for, or nothing when the line is disabled or has no "/".
std::optional<TFtpRemoteFile> ParseFtpFileLine(const std::string& line);

// Whether any line of the FTPFiles memo is enabled, i.e. whether a download window is needed.
bool HasEnabledFtpFile(const std::string& ftpFiles);

// The local file that receives remoteName: the folder, a separator unless it ends in one, and
// the name. Raises EVestrelError "Cannot create file %s" for a name that would land outside the
// folder (empty, ".", "..", or holding a separator) or for an empty folder.
std::string FtpLocalFileName(const std::string& folder, const std::string& remoteName);

struct TFtpSettings {
    std::string Site;  // FTPSite: host, or host:port
    std::string UserName;
    std::string Password;
    std::string Files;              // the FTPFiles memo text
    std::string DownloadFolder;     // FTPDownload; created when missing
    std::string DataAddress = "-";  // address offered in PORT; "-" is the control connection's
    long TimeoutSeconds = 300;      // longest wait for a connection, a reply or more data
};

// The three items the download window shows.
struct TFtpDisplay {
    int64_t Position = 0;
    int64_t Maximum = 100;
    std::string ByteCount;
    std::string Status;
};

// Events of a download, delivered on the thread that calls TFtpDownload::Run.
class TFtpObserver {
  public:
    virtual ~TFtpObserver() = default;
    virtual void Connected(int /*error*/) {}
    virtual void Progress(int64_t /*received*/, int64_t /*total*/) {}
    virtual void RequestDone(int /*request*/, int /*error*/, const std::string& /*message*/) {}
    virtual void DisplayChanged(const TFtpDisplay& /*display*/) {}
    virtual void ShowError(const std::string& /*text*/) {}
};

enum class TFtpOutcome { Finished, Failed, Cancelled, MissingHost };

class TFtpDownload {
  public:
    TFtpDownload(TFtpSettings settings, TFtpObserver& observer);
    ~TFtpDownload();
    TFtpDownload(const TFtpDownload&) = delete;
    TFtpDownload& operator=(const TFtpDownload&) = delete;

    // Downloads the files one after another and returns when all are done, one failed or
    // Cancel was called.
    TFtpOutcome Run();
    // Safe from any thread and from the observer's events; a running transfer is abandoned.
    void Cancel();

    // One "1" + local file name line per completed download, in the form FillLogFileData reads.
    const std::vector<std::string>& Results() const { return results_; }
    const TFtpDisplay& Display() const { return display_; }

  private:
    struct TReply {
        int Code = 0;
        std::string Text;
    };

    void StartNextFile();
    void StartRequest(int request);
    void SetTimeouts();
    bool OpenLocalFile();
    void CloseLocalFile();
    void ReleaseTransfer();
    void RequestFinished(CURLcode result);
    void SizeKnown();
    void Abort();
    int ErrorCode(CURLcode result) const;
    std::string ErrorMessage(CURLcode result) const;
    void Fail(int request, int error, const std::string& message);
    void SetStatus(const std::string& status);
    void ShowProgress(int64_t received);

    static size_t WriteData(char* data, size_t size, size_t count, void* self);
    static size_t IgnoreData(char*, size_t size, size_t count, void*);
    static int TransferInfo(void* self, curl_off_t, curl_off_t now, curl_off_t, curl_off_t);
    static int Trace(CURL*, curl_infotype type, char* data, size_t size, void* self);
    void NoteCommand(const std::string& command);
    void NoteReply(const std::string& line);

    TFtpSettings settings_;
    TFtpObserver& observer_;
    CURLM* multi_ = nullptr;
    CURL* easy_ = nullptr;
    std::atomic<bool> cancelled_{false};
    std::vector<std::string> lines_;
    size_t nextLine_ = 0;
    TFtpRemoteFile file_;
    std::string localName_;
    std::FILE* localFile_ = nullptr;
    int request_ = 0;
    TReply refusal_;  // the last reply of the request that refused a command
    std::optional<TReply> sizeReply_;
    bool awaitingSizeReply_ = false;
    bool greeted_ = false;
    std::optional<TFtpOutcome> outcome_;
    char curlError_[CURL_ERROR_SIZE] = {};
    bool curlErrorStale_ = false;  // curl's text came before a later good reply: not the cause
    int writeError_ = 0;           // errno of a failed write to the local file
    bool idle_ = false;            // the transfer was abandoned after TimeoutSeconds without data
    std::chrono::steady_clock::time_point lastActivity_;
    TFtpDisplay display_;
    std::vector<std::string> results_;
};

}  // namespace vestrel
