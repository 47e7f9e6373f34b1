// Fetching a report's log files over HTTP(S): the WEBFiles lines, one GET after another, each
// cut off after a spell without data, driven on the caller's thread.
#pragma once

#include <curl/curl.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace vestrel {

// One enabled WEBFiles line that names a file: the address as sent and the text after its last "/".
struct TWebFileLine {
    std::string Address;
    std::string LocalName;
};

// The enabled lines ("1" first) that contain a "/", in memo order.
std::vector<TWebFileLine> ParseWebFiles(const std::string& webFiles);
// Whether any line is enabled: without one the download does not run at all.
bool HasEnabledWebFiles(const std::string& webFiles);
// "Received N bytes" when the length is unknown (0 or less), else "Received N of L bytes".
std::string ByteCountLine(std::int64_t received, std::int64_t length);

enum class TFetchOutcome { Fetched, Failed, TimedOut, Cancelled };

// How one request ended. HttpStatus is the final answer's status, 0 when none arrived.
struct TFetchResult {
    std::string Address;
    TFetchOutcome Outcome = TFetchOutcome::Failed;
    long HttpStatus = 0;
    std::string Message;
};

// What the download window shows. Every call arrives on the thread that runs Run().
class THttpDownloadEvents {
  public:
    virtual ~THttpDownloadEvents() = default;
    // The status line: "Receiving: " + address, then how a failed request ended.
    virtual void OnStatus(const std::string& /*statusLine*/) {}
    // After each received block has been written; length is 0 or less when not announced.
    virtual void OnDocumentData(std::int64_t /*received*/, std::int64_t /*length*/,
                                const std::string& /*byteCountLine*/) {}
    virtual void OnRequestDone(const TFetchResult& /*result*/) {}
    // A failure that ends the download, such as "Cannot create file %s".
    virtual void OnError(const std::string& /*message*/) {}
};

struct THttpDownloadSettings {
    std::string UserName;  // basic authentication is sent only when this is not empty
    std::string Password;
    std::string DownloadFolder;
    // A request that receives no data for this long is aborted and the next line is tried; a
    // transfer that keeps delivering data, however slowly, may take as long as it needs.
    std::chrono::milliseconds InactivityLimit{30000};
};

class THttpDownload {
  public:
    THttpDownload(THttpDownloadSettings settings, THttpDownloadEvents& events);
    ~THttpDownload();
    THttpDownload(const THttpDownload&) = delete;
    THttpDownload& operator=(const THttpDownload&) = delete;

    // Fetches the WEBFiles lines one after another and returns the result list: "1" + local path
    // for every file fetched. Each file is received into a hidden file of its own beside it and
    // only a complete transfer replaces the old file; a symbolic link there is refused. A failed
    // request, a file that cannot be created or Cancel ends it; a request that timed out only skips
    // its line.
    std::vector<std::string> Run(const std::string& webFiles);
    // Safe at any moment, from an event or from another thread: aborts the running request and
    // fetches no later line.
    void Cancel();

  private:
    struct TTransfer;
    static std::size_t ReceiveHeader(char* data, std::size_t size, std::size_t count,
                                     void* transfer);
    static std::size_t WriteBody(char* data, std::size_t size, std::size_t count, void* transfer);

    bool FetchLine(const TWebFileLine& line, std::vector<std::string>& resultLines);
    TFetchResult FetchUrl(const std::string& address, std::FILE* target);
    std::string FetchInto(const TWebFileLine& line, const std::string& path, TFetchResult& result);
    void SetRequestOptions(TTransfer& transfer, const std::string& address) const;
    TFetchOutcome WaitForRequest(TTransfer& transfer);

    THttpDownloadSettings Settings;
    THttpDownloadEvents& Events;
    CURLM* Multi;
    std::atomic<bool> Cancelled{false};
};

}  // namespace vestrel
