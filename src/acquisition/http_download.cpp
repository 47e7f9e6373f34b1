#include "acquisition/http_download.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <utility>

#include "engine/temp_files.h"
#include "engine/text_file.h"

namespace vestrel {

namespace {

using TClock = std::chrono::steady_clock;

const char* const kUserAgent = "Mozilla/3.0 (compatible)";
const char* const kAcceptHeader =
    "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*";
// How long one wait for network activity may last, so Cancel and the deadline are seen promptly.
const std::chrono::milliseconds kPollSlice{100};

bool IsSuccessStatus(long status) {
    return status >= 200 && status <= 299;
}

// The local name comes from the address; these would not name a file inside the folder.
bool IsSafeLocalName(const std::string& name) {
    return name != "" && name != "." && name != "..";
}

std::string DurationText(std::chrono::milliseconds span) {
    if (span.count() % 1000 != 0) return std::to_string(span.count()) + " ms";
    const auto seconds = span.count() / 1000;
    return std::to_string(seconds) + (seconds == 1 ? " second" : " seconds");
}

void InitialiseCurlOnce() {
    static const bool initialised = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    (void)initialised;
}

std::string FailureStatusLine(const TFetchResult& result) {
    switch (result.Outcome) {
        case TFetchOutcome::Failed:
            return "Failed: " + result.Address + " (" + result.Message + ")";
        case TFetchOutcome::TimedOut:
            return "Timed out: " + result.Address + " (" + result.Message + ")";
        default:
            return "";
    }
}

}  // namespace

std::vector<TWebFileLine> ParseWebFiles(const std::string& webFiles) {
    std::vector<TWebFileLine> lines;
    for (const std::string& line : SplitTextLines(webFiles)) {
        const std::size_t lastSlash = line.rfind('/');
        if (line.empty() || line[0] != '1' || lastSlash == std::string::npos) continue;
        lines.push_back({line.substr(1), line.substr(lastSlash + 1)});
    }
    return lines;
}

bool HasEnabledWebFiles(const std::string& webFiles) {
    const std::vector<std::string> lines = SplitTextLines(webFiles);
    return std::any_of(lines.begin(), lines.end(),
                       [](const std::string& line) { return !line.empty() && line[0] == '1'; });
}

std::string ByteCountLine(std::int64_t received, std::int64_t length) {
    if (length <= 0) return "Received " + std::to_string(received) + " bytes";
    return "Received " + std::to_string(received) + " of " + std::to_string(length) + " bytes";
}

// The state of the one request in progress, shared with curl's body callback.
struct THttpDownload::TTransfer {
    THttpDownload& Owner;
    std::FILE* Target;
    CURL* Easy = nullptr;
    curl_slist* Headers = nullptr;
    TClock::time_point Deadline;
    std::int64_t Received = 0;
    CURLcode Code = CURLE_OK;
    char ErrorText[CURL_ERROR_SIZE] = "";

    TTransfer(THttpDownload& owner, std::FILE* target) : Owner(owner), Target(target) {
        Easy = curl_easy_init();
    }
    ~TTransfer() {
        curl_easy_cleanup(Easy);
        curl_slist_free_all(Headers);
    }
    void ExtendDeadline() { Deadline = TClock::now() + Owner.Settings.InactivityLimit; }
};

THttpDownload::THttpDownload(THttpDownloadSettings settings, THttpDownloadEvents& events)
    : Settings(std::move(settings)), Events(events) {
    InitialiseCurlOnce();
    Multi = curl_multi_init();
}

THttpDownload::~THttpDownload() {
    curl_multi_cleanup(Multi);
}

void THttpDownload::Cancel() {
    Cancelled = true;
    curl_multi_wakeup(Multi);
}

std::vector<std::string> THttpDownload::Run(const std::string& webFiles) {
    std::vector<std::string> resultLines;
    for (const TWebFileLine& line : ParseWebFiles(webFiles)) {
        if (Cancelled || !FetchLine(line, resultLines)) break;
    }
    return resultLines;
}

// False when no later line may be fetched.
bool THttpDownload::FetchLine(const TWebFileLine& line, std::vector<std::string>& resultLines) {
    const std::string& folder = Settings.DownloadFolder;
    const std::string path = folder.empty() || folder.back() == '/' ? folder + line.LocalName
                                                                    : folder + "/" + line.LocalName;
    TFetchResult result;
    if (const std::string error = FetchInto(line, path, result); !error.empty()) {
        Events.OnError(error);
        return false;
    }
    if (result.Outcome != TFetchOutcome::Fetched && result.Outcome != TFetchOutcome::Cancelled)
        Events.OnStatus(FailureStatusLine(result));
    Events.OnRequestDone(result);
    if (result.Outcome == TFetchOutcome::Fetched) resultLines.push_back("1" + path);
    return result.Outcome == TFetchOutcome::Fetched || result.Outcome == TFetchOutcome::TimedOut;
}

// Receives the file into a new hidden file beside `path`, renamed to it only when the transfer
// succeeded. Answers the error that ends the download, or nothing.
std::string THttpDownload::FetchInto(const TWebFileLine& line, const std::string& path,
                                     TFetchResult& result) {
    const std::string cannotCreate = "Cannot create file " + path;
    const std::string& folder = Settings.DownloadFolder;
    if (folder.empty() || !IsSafeLocalName(line.LocalName)) return cannotCreate;
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    struct stat existing {};
    if (::lstat(path.c_str(), &existing) == 0 && !S_ISREG(existing.st_mode))
        return cannotCreate + " (" +
               (S_ISLNK(existing.st_mode) ? "it is a symbolic link" : "it is no regular file") +
               ")";
    const std::size_t slash = path.rfind('/');
    std::string temporary = path.substr(0, slash + 1) + "." + path.substr(slash + 1) + ".XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) return cannotCreate + " (" + std::strerror(errno) + ")";
    TTempFile owner(temporary);
    std::FILE* target = ::fdopen(fd, "wb");
    if (target == nullptr) {
        ::close(fd);
        return cannotCreate;
    }
    Events.OnStatus("Receiving: " + line.Address);
    result = FetchUrl(line.Address, target);
    const bool written = std::fflush(target) == 0 && ::fsync(fd) == 0;
    const int writeError = errno;
    if (std::fclose(target) != 0 || !written) {
        if (result.Outcome == TFetchOutcome::Fetched) {
            result.Outcome = TFetchOutcome::Failed;
            result.Message = "cannot write " + path + ": " + std::strerror(writeError);
        }
    }
    if (result.Outcome != TFetchOutcome::Fetched) return {};
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        result.Outcome = TFetchOutcome::Failed;
        result.Message = "cannot rename the download to " + path + ": " + std::strerror(errno);
        return {};
    }
    owner.Keep();
    return {};
}

TFetchResult THttpDownload::FetchUrl(const std::string& address, std::FILE* target) {
    TTransfer transfer(*this, target);
    TFetchResult result;
    result.Address = address;
    if (transfer.Easy == nullptr) {
        result.Message = "cannot start the request";
        return result;
    }
    SetRequestOptions(transfer, address);
    result.Outcome = WaitForRequest(transfer);
    curl_easy_getinfo(transfer.Easy, CURLINFO_RESPONSE_CODE, &result.HttpStatus);
    if (result.Outcome == TFetchOutcome::TimedOut) {
        result.Message = "no data received for " + DurationText(Settings.InactivityLimit);
    } else if (result.Outcome == TFetchOutcome::Failed) {
        result.Message =
            transfer.ErrorText[0] != '\0' ? transfer.ErrorText : curl_easy_strerror(transfer.Code);
    } else if (result.Outcome == TFetchOutcome::Fetched && !IsSuccessStatus(result.HttpStatus)) {
        // Error pages and unfollowed answers are not log files.
        result.Outcome = TFetchOutcome::Failed;
        result.Message = "HTTP status " + std::to_string(result.HttpStatus);
    }
    return result;
}

void THttpDownload::SetRequestOptions(TTransfer& transfer, const std::string& address) const {
    CURL* easy = transfer.Easy;
    transfer.Headers = curl_slist_append(nullptr, kAcceptHeader);
    curl_easy_setopt(easy, CURLOPT_URL, address.c_str());
    curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(easy, CURLOPT_USERAGENT, kUserAgent);
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, transfer.Headers);
    curl_easy_setopt(easy, CURLOPT_PROXY, "");
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, transfer.ErrorText);
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS,
                     static_cast<long>(Settings.InactivityLimit.count()));
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &THttpDownload::ReceiveHeader);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, &transfer);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &THttpDownload::WriteBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &transfer);
    if (!Settings.UserName.empty()) {
        curl_easy_setopt(easy, CURLOPT_HTTPAUTH, CURLAUTH_BASIC);
        curl_easy_setopt(easy, CURLOPT_USERNAME, Settings.UserName.c_str());
        curl_easy_setopt(easy, CURLOPT_PASSWORD, Settings.Password.c_str());
    }
}

TFetchOutcome THttpDownload::WaitForRequest(TTransfer& transfer) {
    transfer.ExtendDeadline();
    curl_multi_add_handle(Multi, transfer.Easy);
    TFetchOutcome outcome = TFetchOutcome::Failed;
    for (;;) {
        int running = 0;
        curl_multi_perform(Multi, &running);
        if (Cancelled) {
            outcome = TFetchOutcome::Cancelled;
            break;
        }
        int queued = 0;
        if (CURLMsg* message = curl_multi_info_read(Multi, &queued);
            message != nullptr && message->msg == CURLMSG_DONE) {
            const CURLcode code = transfer.Code = message->data.result;
            outcome = code == CURLE_OK                   ? TFetchOutcome::Fetched
                      : code == CURLE_OPERATION_TIMEDOUT ? TFetchOutcome::TimedOut
                                                         : TFetchOutcome::Failed;
            break;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(transfer.Deadline -
                                                                                TClock::now());
        if (left.count() <= 0) {
            outcome = TFetchOutcome::TimedOut;
            break;
        }
        curl_multi_poll(Multi, nullptr, 0, static_cast<int>(std::min(left, kPollSlice).count()),
                        nullptr);
    }
    curl_multi_remove_handle(Multi, transfer.Easy);
    return outcome;
}

// Header lines are data, too: a server that is still answering is not idle.
std::size_t THttpDownload::ReceiveHeader(char*, std::size_t size, std::size_t count,
                                         void* transferPointer) {
    TTransfer& transfer = *static_cast<TTransfer*>(transferPointer);
    if (transfer.Owner.Cancelled) return 0;
    transfer.ExtendDeadline();
    return size * count;
}

std::size_t THttpDownload::WriteBody(char* data, std::size_t size, std::size_t count,
                                     void* transferPointer) {
    TTransfer& transfer = *static_cast<TTransfer*>(transferPointer);
    const std::size_t bytes = size * count;
    if (transfer.Owner.Cancelled) return CURL_WRITEFUNC_ERROR;
    transfer.ExtendDeadline();
    long status = 0;
    curl_easy_getinfo(transfer.Easy, CURLINFO_RESPONSE_CODE, &status);
    if (!IsSuccessStatus(status)) return bytes;
    if (std::fwrite(data, 1, bytes, transfer.Target) != bytes) return CURL_WRITEFUNC_ERROR;
    transfer.Received += static_cast<std::int64_t>(bytes);
    curl_off_t length = -1;
    curl_easy_getinfo(transfer.Easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
    transfer.Owner.Events.OnDocumentData(transfer.Received, length,
                                         ByteCountLine(transfer.Received, length));
    return bytes;
}

}  // namespace vestrel
