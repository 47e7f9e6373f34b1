// A telnet client session over TCP that answers the server's prompts: watch events send their
// text when the server's output shows their search text. Everything happens on the caller's
// thread inside Poll/Run; only Cancel may be called from another thread.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct telnet_t;
union telnet_event_t;

namespace vestrel {

inline constexpr uint16_t kTelnetPort = 23;
// Watch event flags.
inline constexpr int kTelnetCaseless = 1;   // compare without regard to letter case
inline constexpr int kTelnetKeepEvent = 2;  // keep the event after it has fired
// The matching always considers at least this many of the last characters received.
inline constexpr size_t kTelnetMatchWindow = 112;

// The terminal view: shows everything received (and the session's own notes).
class TTerminalSink {
  public:
    virtual ~TTerminalSink() = default;
    virtual void Clear() {}
    virtual void Write(std::string_view /*text*/) {}
    virtual void ScrollToEnd() {}
};

class TTelnetEvents {
  public:
    virtual ~TTelnetEvents() = default;
    virtual void SessionConnected() {}
    virtual void StringMatched(int /*id*/) {}
    virtual void SessionClosed() {}
};

class TTelnetSession {
  public:
    TTelnetSession(TTerminalSink& terminal, TTelnetEvents& events);
    ~TTelnetSession();
    TTelnetSession(const TTelnetSession&) = delete;
    TTelnetSession& operator=(const TTelnetSession&) = delete;

    void SetHost(std::string host) { host_ = std::move(host); }
    const std::string& Host() const { return host_; }
    void SetPort(uint16_t port) { port_ = port; }

    // Raises EVestrelError "AddEvent: String to search empty" for an empty search text.
    void AddEvent(int id, std::string searchText, std::string sendText, int flags);
    // Clears the terminal and connects; a failure is written on the terminal and answers false.
    bool Connect(std::chrono::seconds timeout = std::chrono::seconds(300));
    // Closes the connection; SessionClosed follows when it was open. Inside a callback the
    // connection closes once the received data has been handled.
    void Disconnect();
    // Safe from any thread: the next Poll disconnects.
    void Cancel() { cancelled_ = true; }
    // What the user types; sent as it is.
    void SendText(std::string_view text);

    // Handles what the server sent within waitMs; false when not connected (any more).
    bool Poll(int waitMs);
    // Polls until the session closes, or disconnects after idleTimeout without traffic.
    void Run(std::chrono::seconds idleTimeout = std::chrono::seconds(300));

    bool Connected() const { return telnet_ != nullptr; }
    std::chrono::steady_clock::time_point LastTraffic() const { return lastTraffic_; }

  private:
    struct TWatchEvent {
        int Id;
        std::string SearchText, SendText;
        int Flags;
    };
    static void OnTelnetEvent(telnet_t* telnet, telnet_event_t* event, void* session);
    void HandleEvent(const telnet_event_t& event);
    void Received(std::string_view text);
    bool FireFirstMatch();
    void TrimMatchBuffer();
    void WriteSocket(const char* data, size_t size);
    bool ReadSocket();
    void Close();

    TTerminalSink& terminal_;
    TTelnetEvents& events_;
    std::string host_;
    uint16_t port_ = kTelnetPort;
    std::vector<TWatchEvent> watches_;
    std::string matchBuffer_;
    int socket_ = -1;
    telnet_t* telnet_ = nullptr;
    bool dispatching_ = false, closeRequested_ = false;
    std::atomic<bool> cancelled_ = false;
    std::chrono::steady_clock::time_point lastTraffic_;
};

}  // namespace vestrel
