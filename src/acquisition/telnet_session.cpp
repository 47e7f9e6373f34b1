#include "acquisition/telnet_session.h"

#include <fcntl.h>
#include <libtelnet.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>

#include "engine/errors.h"

namespace vestrel {

namespace {

constexpr char kLineEnd[] = "\r\n";
constexpr int kCancelCheckMs = 100;  // how long a wait may go without looking at Cancel
constexpr unsigned char kTerminalColumns = 80, kTerminalRows = 25;

// The server echoes and may suppress go-ahead; the window size is told on request.
const telnet_telopt_t kTelnetOptions[] = {
    {TELNET_TELOPT_ECHO, TELNET_WONT, TELNET_DO},
    {TELNET_TELOPT_SGA, TELNET_WONT, TELNET_DO},
    {TELNET_TELOPT_NAWS, TELNET_WILL, TELNET_DONT},
    {-1, 0, 0},
};

bool SameLetter(char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) ==
           std::tolower(static_cast<unsigned char>(b));
}

// The position just after the first occurrence of what in text, or npos.
size_t MatchEnd(std::string_view text, std::string_view what, bool caseless) {
    const auto found =
        caseless ? std::search(text.begin(), text.end(), what.begin(), what.end(), SameLetter)
                 : std::search(text.begin(), text.end(), what.begin(), what.end());
    if (found == text.end()) return std::string_view::npos;
    return static_cast<size_t>(found - text.begin()) + what.size();
}

std::string ErrorText(int error) {
    return std::strerror(error);
}

// Waits for a non-blocking connect; an errno value, 0 on success.
int AwaitConnect(int socket, std::chrono::seconds timeout, const std::atomic<bool>& cancelled) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    pollfd waiting{socket, POLLOUT, 0};
    while (!cancelled) {
        if (std::chrono::steady_clock::now() >= deadline) return ETIMEDOUT;
        const int ready = poll(&waiting, 1, kCancelCheckMs);
        if (ready < 0 && errno != EINTR) return errno;
        if (ready <= 0) continue;
        int error = 0;
        socklen_t size = sizeof error;
        getsockopt(socket, SOL_SOCKET, SO_ERROR, &error, &size);
        return error;
    }
    return ECANCELED;
}

// A connected socket, or -1 with the reason in error.
int ConnectTo(const addrinfo& address, std::chrono::seconds timeout,
              const std::atomic<bool>& cancelled, std::string& error) {
    const int socket = ::socket(
        address.ai_family, address.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, address.ai_protocol);
    if (socket < 0) {
        error = ErrorText(errno);
        return -1;
    }
    int result = ::connect(socket, address.ai_addr, address.ai_addrlen) == 0 ? 0 : errno;
    if (result == EINPROGRESS) result = AwaitConnect(socket, timeout, cancelled);
    if (result == 0) return socket;
    error = ErrorText(result);
    ::close(socket);
    return -1;
}

}  // namespace

TTelnetSession::TTelnetSession(TTerminalSink& terminal, TTelnetEvents& events)
    : terminal_(terminal), events_(events) {}

// Closing drops the connection without events: whoever listens may be gone already.
TTelnetSession::~TTelnetSession() {
    if (telnet_) telnet_free(telnet_);
    if (socket_ >= 0) ::close(socket_);
}

void TTelnetSession::AddEvent(int id, std::string searchText, std::string sendText, int flags) {
    if (searchText.empty()) throw EVestrelError("AddEvent: String to search empty");
    watches_.push_back({id, std::move(searchText), std::move(sendText), flags});
}

bool TTelnetSession::Connect(std::chrono::seconds timeout) {
    if (Connected()) return true;
    cancelled_ = false;
    terminal_.Clear();
    terminal_.Write("Connecting to '" + host_ + "'" + kLineEnd);
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* addresses = nullptr;
    const int lookup =
        getaddrinfo(host_.c_str(), std::to_string(port_).c_str(), &hints, &addresses);
    if (lookup != 0) {
        terminal_.Write(std::string(gai_strerror(lookup)) + kLineEnd);
        return false;
    }
    std::string error;
    for (const addrinfo* address = addresses; address && socket_ < 0; address = address->ai_next)
        socket_ = ConnectTo(*address, timeout, cancelled_, error);
    freeaddrinfo(addresses);
    if (socket_ < 0) {
        terminal_.Write("Connection failed: " + error + kLineEnd);
        return false;
    }
    matchBuffer_.clear();
    telnet_ = telnet_init(kTelnetOptions, &TTelnetSession::OnTelnetEvent, 0, this);
    lastTraffic_ = std::chrono::steady_clock::now();
    events_.SessionConnected();
    return true;
}

void TTelnetSession::Disconnect() {
    if (dispatching_)
        closeRequested_ = true;
    else if (Connected())
        Close();
}

void TTelnetSession::Close() {
    telnet_free(telnet_);
    telnet_ = nullptr;
    ::close(socket_);
    socket_ = -1;
    closeRequested_ = false;
    events_.SessionClosed();
}

void TTelnetSession::SendText(std::string_view text) {
    if (Connected()) telnet_send(telnet_, text.data(), text.size());
}

bool TTelnetSession::Poll(int waitMs) {
    if (!Connected()) return false;
    if (cancelled_) closeRequested_ = true;
    if (!closeRequested_) {
        pollfd waiting{socket_, POLLIN, 0};
        const int ready = poll(&waiting, 1, std::min(waitMs, kCancelCheckMs));
        if (ready > 0 && !ReadSocket()) closeRequested_ = true;
        if (ready < 0 && errno != EINTR) closeRequested_ = true;
    }
    if (closeRequested_) Close();
    return Connected();
}

void TTelnetSession::Run(std::chrono::seconds idleTimeout) {
    while (Poll(kCancelCheckMs))
        if (std::chrono::steady_clock::now() - lastTraffic_ > idleTimeout) Disconnect();
}

// False when the server has closed the connection or it broke.
bool TTelnetSession::ReadSocket() {
    char buffer[4096];
    const ssize_t size = ::recv(socket_, buffer, sizeof buffer, 0);
    if (size < 0) return errno == EAGAIN || errno == EINTR;
    if (size == 0) return false;
    lastTraffic_ = std::chrono::steady_clock::now();
    dispatching_ = true;
    telnet_recv(telnet_, buffer, static_cast<size_t>(size));
    dispatching_ = false;
    return true;
}

void TTelnetSession::WriteSocket(const char* data, size_t size) {
    while (size > 0 && !closeRequested_) {
        const ssize_t written = ::send(socket_, data, size, MSG_NOSIGNAL);
        if (written >= 0) {
            data += written;
            size -= static_cast<size_t>(written);
        } else if (errno == EAGAIN) {
            pollfd waiting{socket_, POLLOUT, 0};
            poll(&waiting, 1, kCancelCheckMs);
        } else if (errno != EINTR) {
            closeRequested_ = true;
        }
    }
    lastTraffic_ = std::chrono::steady_clock::now();
}

void TTelnetSession::OnTelnetEvent(telnet_t*, telnet_event_t* event, void* session) {
    static_cast<TTelnetSession*>(session)->HandleEvent(*event);
}

void TTelnetSession::HandleEvent(const telnet_event_t& event) {
    switch (event.type) {
        case TELNET_EV_DATA:
            Received({event.data.buffer, event.data.size});
            break;
        case TELNET_EV_SEND:
            WriteSocket(event.data.buffer, event.data.size);
            break;
        case TELNET_EV_DO:
            if (event.neg.telopt == TELNET_TELOPT_NAWS) {
                const char size[] = {0, static_cast<char>(kTerminalColumns), 0,
                                     static_cast<char>(kTerminalRows)};
                telnet_subnegotiation(telnet_, TELNET_TELOPT_NAWS, size, sizeof size);
            }
            break;
        case TELNET_EV_ERROR:
            terminal_.Write(std::string(event.error.msg) + kLineEnd);
            closeRequested_ = true;
            break;
        default:
            break;
    }
}

void TTelnetSession::Received(std::string_view text) {
    terminal_.Write(text);
    matchBuffer_ += text;
    while (!closeRequested_ && FireFirstMatch()) {
    }
    TrimMatchBuffer();
}

// Tries the events in registration order; the first one found fires.
bool TTelnetSession::FireFirstMatch() {
    for (auto watch = watches_.begin(); watch != watches_.end(); ++watch) {
        const size_t end =
            MatchEnd(matchBuffer_, watch->SearchText, watch->Flags & kTelnetCaseless);
        if (end == std::string::npos) continue;
        matchBuffer_.erase(0, end);
        const int id = watch->Id;
        telnet_send(telnet_, watch->SendText.data(), watch->SendText.size());
        if (!(watch->Flags & kTelnetKeepEvent)) watches_.erase(watch);
        events_.StringMatched(id);
        return true;
    }
    return false;
}

// Keeps enough of the tail for the longest search text, and never less than the window.
void TTelnetSession::TrimMatchBuffer() {
    size_t keep = kTelnetMatchWindow;
    for (const TWatchEvent& watch : watches_) keep = std::max(keep, watch.SearchText.size());
    if (matchBuffer_.size() > keep) matchBuffer_.erase(0, matchBuffer_.size() - keep);
}

}  // namespace vestrel
