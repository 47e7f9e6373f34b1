#include "acquisition/ftp_download.h"

#include <fcntl.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "engine/errors.h"
#include "engine/text_file.h"
#include "engine/text_util.h"

namespace vestrel {

namespace {

constexpr size_t kMaxRemoteNameLength = 1024;

bool IsSeparator(char c) {
    return c == '/' || c == '\\';
}

// Percent-encodes a remote path for an ftp:// address; a leading "/" becomes "%2F" so that the
// directory is changed to as an absolute path rather than one below the log-in directory.
std::string EncodeRemotePath(const std::string& path) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    for (unsigned char c : path) {
        if (std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~' || c == '/') {
            encoded += static_cast<char>(c);
        } else {
            encoded += '%';
            encoded += kHex[c >> 4];
            encoded += kHex[c & 15];
        }
    }
    if (!encoded.empty() && encoded[0] == '/') encoded.replace(0, 1, "%2F");
    return encoded;
}

// A host name that cannot be put into an address as it is: it would move the path or the log-in.
bool IsBadSite(const std::string& site) {
    for (unsigned char c : site) {
        if (c <= ' ' || c == '/' || c == '\\' || c == '@' || c == '?' || c == '#') return true;
    }
    return false;
}

// The reply code of a final reply line ("250 OK"), or 0 for a continuation line ("230-Hello").
int FinalReplyCode(const std::string& line) {
    if (line.size() < 3 || !std::isdigit(static_cast<unsigned char>(line[0])) ||
        !std::isdigit(static_cast<unsigned char>(line[1])) ||
        !std::isdigit(static_cast<unsigned char>(line[2])))
        return 0;
    if (line.size() > 3 && line[3] != ' ') return 0;
    return std::stoi(line.substr(0, 3));
}

std::string WithoutLineEnd(const char* data, size_t size) {
    std::string line(data, size);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    return line;
}

}  // namespace

std::optional<TFtpRemoteFile> ParseFtpFileLine(const std::string& line) {
    if (line.empty() || line[0] != '1') return std::nullopt;
    const size_t lastSlash = line.rfind('/');
    if (lastSlash == std::string::npos) return std::nullopt;
    TFtpRemoteFile file;
    file.Directory = line.substr(1, lastSlash);
    file.FileName = line.substr(lastSlash + 1, kMaxRemoteNameLength);
    return file;
}

bool HasEnabledFtpFile(const std::string& ftpFiles) {
    for (const std::string& line : SplitTextLines(ftpFiles)) {
        if (!line.empty() && line[0] == '1') return true;
    }
    return false;
}

std::string FtpLocalFileName(const std::string& folder, const std::string& remoteName) {
    const bool endsInSeparator = !folder.empty() && IsSeparator(folder.back());
    const std::string localName = endsInSeparator ? folder + remoteName : folder + "/" + remoteName;
    const bool badName = remoteName.empty() || remoteName == "." || remoteName == ".." ||
                         remoteName.find_first_of("/\\") != std::string::npos;
    if (badName || folder.empty()) throw EVestrelError("Cannot create file " + localName);
    return localName;
}

TFtpDownload::TFtpDownload(TFtpSettings settings, TFtpObserver& observer)
    : settings_(std::move(settings)), observer_(observer) {
    curl_global_init(CURL_GLOBAL_DEFAULT);
    multi_ = curl_multi_init();
}

TFtpDownload::~TFtpDownload() {
    ReleaseTransfer();
    curl_multi_cleanup(multi_);
    curl_global_cleanup();
}

TFtpOutcome TFtpDownload::Run() {
    if (Trim(settings_.Site).empty()) {
        observer_.ShowError("FTP Host Name is missing");
        return TFtpOutcome::MissingHost;
    }
    lines_ = SplitTextLines(settings_.Files);
    nextLine_ = 0;
    StartNextFile();
    while (!outcome_) {
        if (cancelled_) {
            Abort();
            break;
        }
        int running = 0;
        curl_multi_perform(multi_, &running);
        int queued = 0;
        if (CURLMsg* message = curl_multi_info_read(multi_, &queued)) {
            if (message->msg == CURLMSG_DONE) RequestFinished(message->data.result);
            continue;
        }
        curl_multi_poll(multi_, nullptr, 0, 1000, nullptr);
    }
    return *outcome_;
}

void TFtpDownload::Cancel() {
    cancelled_ = true;
    curl_multi_wakeup(multi_);
}

void TFtpDownload::StartNextFile() {
    while (nextLine_ < lines_.size()) {
        const std::optional<TFtpRemoteFile> file = ParseFtpFileLine(lines_[nextLine_++]);
        if (!file) continue;
        file_ = *file;
        display_.ByteCount.clear();
        display_.Position = 0;
        SetStatus("Connecting to: " + settings_.Site);
        try {
            localName_ = FtpLocalFileName(settings_.DownloadFolder, file_.FileName);
        } catch (const EVestrelError& error) {
            Fail(ftpReceiveRequest, EINVAL, error.what());
            return;
        }
        StartRequest(ftpSizeRequest);
        return;
    }
    outcome_ = TFtpOutcome::Finished;
}

void TFtpDownload::StartRequest(int request) {
    request_ = request;
    refusal_ = {};
    sizeReply_.reset();
    awaitingSizeReply_ = false;
    greeted_ = false;
    curlError_[0] = '\0';
    curlErrorStale_ = false;
    writeError_ = 0;
    idle_ = false;
    lastActivity_ = std::chrono::steady_clock::now();
    const std::string site(Trim(settings_.Site));
    if (IsBadSite(site)) {
        Fail(request, CURLE_URL_MALFORMAT, "Bad FTP host name: " + site);
        return;
    }
    if (request == ftpReceiveRequest && !OpenLocalFile()) return;

    easy_ = curl_easy_init();
    const std::string url =
        "ftp://" + site + "/" + EncodeRemotePath(file_.Directory + file_.FileName);
    curl_easy_setopt(easy_, CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy_, CURLOPT_PROTOCOLS_STR, "ftp");
    if (!settings_.UserName.empty()) {
        curl_easy_setopt(easy_, CURLOPT_USERNAME, settings_.UserName.c_str());
        curl_easy_setopt(easy_, CURLOPT_PASSWORD, settings_.Password.c_str());
    }
    curl_easy_setopt(easy_, CURLOPT_FTPPORT, settings_.DataAddress.c_str());
    curl_easy_setopt(easy_, CURLOPT_FTP_USE_EPRT, 0L);
    curl_easy_setopt(easy_, CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_SINGLECWD));
    curl_easy_setopt(easy_, CURLOPT_FRESH_CONNECT, 1L);
    curl_easy_setopt(easy_, CURLOPT_FORBID_REUSE, 1L);
    curl_easy_setopt(easy_, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy_, CURLOPT_ERRORBUFFER, curlError_);
    SetTimeouts();
    curl_easy_setopt(easy_, CURLOPT_VERBOSE, 1L);
    curl_easy_setopt(easy_, CURLOPT_DEBUGFUNCTION, &TFtpDownload::Trace);
    curl_easy_setopt(easy_, CURLOPT_DEBUGDATA, this);
    curl_easy_setopt(easy_, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(easy_, CURLOPT_XFERINFOFUNCTION, &TFtpDownload::TransferInfo);
    curl_easy_setopt(easy_, CURLOPT_XFERINFODATA, this);
    if (request == ftpSizeRequest) {
        curl_easy_setopt(easy_, CURLOPT_NOBODY, 1L);
        curl_easy_setopt(easy_, CURLOPT_WRITEFUNCTION, &TFtpDownload::IgnoreData);
    } else {
        curl_easy_setopt(easy_, CURLOPT_WRITEFUNCTION, &TFtpDownload::WriteData);
        curl_easy_setopt(easy_, CURLOPT_WRITEDATA, this);
    }
    curl_multi_add_handle(multi_, easy_);
}

// Every wait is bounded; a transfer that keeps delivering data may take as long as it needs.
void TFtpDownload::SetTimeouts() {
    const long seconds = settings_.TimeoutSeconds;
    curl_easy_setopt(easy_, CURLOPT_CONNECTTIMEOUT, seconds);
    curl_easy_setopt(easy_, CURLOPT_SERVER_RESPONSE_TIMEOUT, seconds);
    curl_easy_setopt(easy_, CURLOPT_ACCEPTTIMEOUT_MS, seconds * 1000);
    // A slow transfer is never cut: only TimeoutSeconds without any byte (see TransferInfo).
}

// The local file is created only in the download folder and never through a symbolic link.
bool TFtpDownload::OpenLocalFile() {
    std::error_code ignored;
    std::filesystem::create_directories(settings_.DownloadFolder, ignored);
    const int fd =
        open(localName_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd >= 0) localFile_ = fdopen(fd, "wb");
    if (!localFile_) {
        const int error = errno;
        if (fd >= 0) close(fd);
        Fail(ftpReceiveRequest, error, "Cannot create file " + localName_);
        return false;
    }
    return true;
}

void TFtpDownload::CloseLocalFile() {
    if (localFile_) std::fclose(localFile_);
    localFile_ = nullptr;
}

void TFtpDownload::ReleaseTransfer() {
    if (easy_) {
        curl_multi_remove_handle(multi_, easy_);
        curl_easy_cleanup(easy_);
        easy_ = nullptr;
    }
    CloseLocalFile();
}

void TFtpDownload::RequestFinished(CURLcode result) {
    if (idle_) {
        ReleaseTransfer();
        Fail(request_, static_cast<int>(CURLE_OPERATION_TIMEDOUT),
             "no data received for " + std::to_string(settings_.TimeoutSeconds) + " seconds");
        return;
    }
    if (cancelled_ || result == CURLE_ABORTED_BY_CALLBACK) {
        Abort();
        return;
    }
    if (result != CURLE_OK) {
        const int error = ErrorCode(result);
        const std::string message = ErrorMessage(result);
        ReleaseTransfer();
        Fail(request_, error, message);
        return;
    }
    if (request_ == ftpSizeRequest) {
        SizeKnown();
    } else {
        ReleaseTransfer();
        results_.push_back("1" + localName_);
        observer_.RequestDone(ftpReceiveRequest, 0, "");
        StartNextFile();
    }
}

// A server that does not answer SIZE with 213 fails the file, though the request itself ran.
void TFtpDownload::SizeKnown() {
    curl_off_t size = -1;
    curl_easy_getinfo(easy_, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &size);
    ReleaseTransfer();
    if (!sizeReply_ || sizeReply_->Code != 213 || size < 0) {
        const TReply reply = sizeReply_.value_or(TReply{0, "No size reply"});
        Fail(ftpSizeRequest, reply.Code, reply.Text);
        return;
    }
    observer_.RequestDone(ftpSizeRequest, 0, "");
    display_.Maximum = size;
    SetStatus("Receiving: " + file_.Directory + file_.FileName);
    StartRequest(ftpReceiveRequest);
}

void TFtpDownload::Abort() {
    ReleaseTransfer();
    observer_.RequestDone(ftpAbortRequest, 0, "");
    outcome_ = TFtpOutcome::Cancelled;
}

// A refusing server reply is reported by its code; otherwise the socket error or curl's code.
int TFtpDownload::ErrorCode(CURLcode result) const {
    if (refusal_.Code != 0) return refusal_.Code;
    long socketError = 0;
    curl_easy_getinfo(easy_, CURLINFO_OS_ERRNO, &socketError);
    return static_cast<int>((socketError != 0 ? socketError : static_cast<long>(result)) & 0xFFFF);
}

std::string TFtpDownload::ErrorMessage(CURLcode result) const {
    if (refusal_.Code != 0) return refusal_.Text;
    if (writeError_ != 0) return "cannot write " + localName_ + ": " + std::strerror(writeError_);
    if (curlError_[0] != '\0' && !curlErrorStale_) return curlError_;
    return curl_easy_strerror(result);
}

void TFtpDownload::Fail(int request, int error, const std::string& message) {
    observer_.RequestDone(request, error, message);
    SetStatus("Error = " + std::to_string(error) + " (" + message + ")");
    outcome_ = TFtpOutcome::Failed;
}

void TFtpDownload::SetStatus(const std::string& status) {
    display_.Status = status;
    observer_.DisplayChanged(display_);
}

size_t TFtpDownload::WriteData(char* data, size_t size, size_t count, void* self) {
    auto* download = static_cast<TFtpDownload*>(self);
    const size_t written = std::fwrite(data, size, count, download->localFile_) * size;
    if (written != size * count) download->writeError_ = errno != 0 ? errno : EIO;
    download->lastActivity_ = std::chrono::steady_clock::now();
    return written;
}

size_t TFtpDownload::IgnoreData(char*, size_t size, size_t count, void*) {
    return size * count;
}

int TFtpDownload::TransferInfo(void* self, curl_off_t, curl_off_t now, curl_off_t, curl_off_t) {
    auto* download = static_cast<TFtpDownload*>(self);
    if (download->request_ == ftpReceiveRequest && now != download->display_.Position)
        download->ShowProgress(now);
    const auto idleFor = std::chrono::steady_clock::now() - download->lastActivity_;
    if (idleFor >= std::chrono::seconds(download->settings_.TimeoutSeconds)) download->idle_ = true;
    return download->cancelled_ || download->idle_ ? 1 : 0;
}

void TFtpDownload::ShowProgress(int64_t received) {
    display_.Position = received;
    display_.ByteCount = "Received " + std::to_string(received) + " of " +
                         std::to_string(display_.Maximum) + " bytes";
    observer_.Progress(received, display_.Maximum);
    observer_.DisplayChanged(display_);
}

int TFtpDownload::Trace(CURL*, curl_infotype type, char* data, size_t size, void* self) {
    auto* download = static_cast<TFtpDownload*>(self);
    if (type == CURLINFO_HEADER_OUT) download->NoteCommand(WithoutLineEnd(data, size));
    if (type == CURLINFO_HEADER_IN) download->NoteReply(WithoutLineEnd(data, size));
    return 0;
}

void TFtpDownload::NoteCommand(const std::string& command) {
    awaitingSizeReply_ = command.rfind("SIZE ", 0) == 0;
}

void TFtpDownload::NoteReply(const std::string& line) {
    lastActivity_ = std::chrono::steady_clock::now();
    const int code = FinalReplyCode(line);
    if (code == 0) return;
    if (code < 400 && curlError_[0] != '\0') curlErrorStale_ = true;
    const TReply reply{code, line.size() > 4 ? line.substr(4) : ""};
    if (code >= 400) refusal_ = reply;
    if (awaitingSizeReply_) sizeReply_ = reply;
    awaitingSizeReply_ = false;
    if (code == 220 && !greeted_) {
        greeted_ = true;
        if (!display_.Status.empty() && display_.Status[0] == 'C')
            SetStatus("Connected to: " + settings_.Site);
        observer_.Connected(0);
    }
}

}  // namespace vestrel
