// A report's telnet script: prompt and command pairs, and the window that runs them against the
// report's host (without widgets: its buttons are methods, its messages go to an observer).
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "acquisition/telnet_session.h"

namespace vestrel {

// TelnetOptions bits.
inline constexpr int kTelnetActiveBit = 1;     // run the script before the downloads
inline constexpr int kTelnetAutoCloseBit = 2;  // close the window when the server ends the session

// A telnet script line: "prompt","command" with the quotes.
struct TTelnetLine {
    std::string Prompt;
    std::string Command;
    bool operator==(const TTelnetLine&) const = default;
};
// Nothing for a line without the "," separator.
std::optional<TTelnetLine> ParseTelnetLine(std::string_view line);
std::string TelnetLineText(const TTelnetLine& line);
// False for a prompt that would not read back from its line: one holding "," or beginning or
// ending with a comma.
bool IsStorablePrompt(std::string_view prompt);

// A pair of the script with its line number (from 1, skipped lines counted) as identifier.
struct TTelnetScriptPair {
    int Id = 0;
    TTelnetLine Line;
};
std::vector<TTelnetScriptPair> TelnetScriptOf(std::string_view commandsMemo);

class TTelnetWindowObserver {
  public:
    virtual ~TTelnetWindowObserver() = default;
    virtual void ShowMessage(const std::string& /*text*/) {}
    virtual void CancelEnabled(bool /*enabled*/) {}
    virtual void WindowClosed() {}
};

struct TTelnetScriptSettings {
    std::string Domain;
    std::string Commands;  // the TelnetCommands memo
    int Options = 0;       // the TelnetOptions value
    uint16_t Port = kTelnetPort;
    std::chrono::seconds ConnectTimeout{300};
};

// The "Telnet Commands" window of one report opening.
class TTelnetScriptWindow : private TTelnetEvents {
  public:
    TTelnetScriptWindow(TTerminalSink& terminal, TTelnetWindowObserver& observer);

    // Registers the script's prompts and connects; a missing host or an empty prompt is shown
    // and leaves the window idle.
    void Open(const TTelnetScriptSettings& settings);
    // The buttons; safe from any thread and from the callbacks, acted on by the next Poll. They
    // also end a connection attempt that is still waiting.
    void PressOk();
    void PressCancel();
    // What the user types into the terminal view; safe from any thread, sent by the next Poll.
    void Type(std::string_view text);
    // Drives the session for up to waitMs; false once the window is closed.
    bool Poll(int waitMs);
    // Polls until the window closes; after idleTimeout without traffic it closes by itself.
    void RunModal(std::chrono::seconds idleTimeout = std::chrono::seconds(300));
    // The window with nobody at it: closes as soon as no session is open (never connected, or
    // ended by the server), or after idleTimeout without progress of the script (the connection
    // made, a prompt met): a server that keeps sending without ever prompting cannot hold it.
    // Answers whether it closed for want of progress before every prompt was met.
    bool RunUnattended(std::chrono::seconds idleTimeout);

    bool Closed() const { return closed_; }
    TTelnetSession& Session() { return session_; }

  private:
    void SessionConnected() override;
    void StringMatched(int id) override;
    void SessionClosed() override;
    bool PollUntilClosed(std::chrono::seconds idleTimeout, bool withSession);
    void Close();

    TTerminalSink& terminal_;
    TTelnetWindowObserver& observer_;
    TTelnetSession session_;
    int options_ = 0;
    bool closed_ = false;
    std::chrono::steady_clock::time_point lastProgress_;
    std::set<int> promptsToMeet_;  // the ids of the script's prompts not met yet
    std::atomic<bool> okPressed_ = false, cancelPressed_ = false;
    std::mutex typedLock_;
    std::string typed_;
};

}  // namespace vestrel
