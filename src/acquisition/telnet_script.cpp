#include "acquisition/telnet_script.h"

#include <algorithm>

#include "engine/errors.h"
#include "engine/text_file.h"

namespace vestrel {

namespace {

constexpr std::string_view kTelnetSeparator = "\",\"";
constexpr int kScriptEventFlags = kTelnetCaseless;  // one-shot
// How long one wait for the server may last, so what the user types goes out promptly.
constexpr int kPollSliceMs = 20;

bool IsBlankText(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c == ' '; });
}

}  // namespace

// ---- Script lines ----

std::optional<TTelnetLine> ParseTelnetLine(std::string_view line) {
    const size_t separator = line.find(kTelnetSeparator);
    if (separator == std::string_view::npos) return std::nullopt;
    TTelnetLine parsed;
    if (separator > 1) parsed.Prompt = line.substr(1, separator - 1);
    // The last character is the closing quote, whatever it is.
    const size_t start = separator + kTelnetSeparator.size(), end = line.size() - 1;
    if (end > start) parsed.Command = line.substr(start, end - start);
    return parsed;
}

std::string TelnetLineText(const TTelnetLine& line) {
    return "\"" + line.Prompt + std::string(kTelnetSeparator) + line.Command + "\"";
}

// Where the separator is first found depends only on the prompt, never on the command.
bool IsStorablePrompt(std::string_view prompt) {
    const std::optional<TTelnetLine> read =
        ParseTelnetLine(TelnetLineText({std::string(prompt), ""}));
    return read && read->Prompt == prompt;
}

std::vector<TTelnetScriptPair> TelnetScriptOf(std::string_view commandsMemo) {
    std::vector<TTelnetScriptPair> pairs;
    int lineNumber = 0;
    for (const std::string& line : SplitTextLines(commandsMemo)) {
        ++lineNumber;
        if (std::optional<TTelnetLine> parsed = ParseTelnetLine(line))
            pairs.push_back({lineNumber, std::move(*parsed)});
    }
    return pairs;
}

// ---- The window ----

TTelnetScriptWindow::TTelnetScriptWindow(TTerminalSink& terminal, TTelnetWindowObserver& observer)
    : terminal_(terminal), observer_(observer), session_(terminal, *this) {}

void TTelnetScriptWindow::Open(const TTelnetScriptSettings& settings) {
    options_ = settings.Options;
    session_.SetHost(settings.Domain);
    session_.SetPort(settings.Port);
    if (IsBlankText(settings.Domain)) {
        observer_.ShowMessage("Telnet: Host Name is missing");
        return;
    }
    try {
        for (const TTelnetScriptPair& pair : TelnetScriptOf(settings.Commands)) {
            promptsToMeet_.insert(pair.Id);
            session_.AddEvent(pair.Id, pair.Line.Prompt, pair.Line.Command + "\r\n",
                              kScriptEventFlags);
        }
    } catch (const EVestrelError& error) {
        observer_.ShowMessage(error.what());
        return;
    }
    session_.Connect(settings.ConnectTimeout);
}

void TTelnetScriptWindow::PressOk() {
    okPressed_ = true;
    session_.Cancel();
}

void TTelnetScriptWindow::PressCancel() {
    cancelPressed_ = true;
    session_.Cancel();
}

void TTelnetScriptWindow::Type(std::string_view text) {
    const std::lock_guard<std::mutex> lock(typedLock_);
    typed_ += text;
}

bool TTelnetScriptWindow::Poll(int waitMs) {
    if (closed_) return false;
    if (okPressed_ || cancelPressed_) {
        Close();
        return false;
    }
    std::string typed;
    {
        const std::lock_guard<std::mutex> lock(typedLock_);
        typed.swap(typed_);
    }
    if (!typed.empty()) session_.SendText(typed);
    session_.Poll(waitMs);
    return !closed_;
}

void TTelnetScriptWindow::RunModal(std::chrono::seconds idleTimeout) {
    PollUntilClosed(idleTimeout, false);
}

bool TTelnetScriptWindow::RunUnattended(std::chrono::seconds idleTimeout) {
    return PollUntilClosed(idleTimeout, true);
}

// Attended, any traffic keeps the window open, as its user watches; unattended, only progress.
bool TTelnetScriptWindow::PollUntilClosed(std::chrono::seconds idleTimeout, bool withSession) {
    const auto opened = std::chrono::steady_clock::now();
    lastProgress_ = opened;
    bool idle = false;
    while (Poll(kPollSliceMs)) {
        const auto lastActivity =
            withSession ? lastProgress_ : std::max(opened, session_.LastTraffic());
        idle = std::chrono::steady_clock::now() - lastActivity > idleTimeout;
        if (idle || (withSession && !session_.Connected())) Close();
    }
    return idle && !promptsToMeet_.empty();
}

// Closing drops a connection that is still open.
void TTelnetScriptWindow::Close() {
    closed_ = true;
    session_.Disconnect();
    observer_.WindowClosed();
}

void TTelnetScriptWindow::SessionConnected() {
    lastProgress_ = std::chrono::steady_clock::now();
    observer_.CancelEnabled(true);
}

void TTelnetScriptWindow::StringMatched(int id) {
    lastProgress_ = std::chrono::steady_clock::now();
    promptsToMeet_.erase(id);
    terminal_.ScrollToEnd();
}

void TTelnetScriptWindow::SessionClosed() {
    observer_.CancelEnabled(false);
    if ((options_ & kTelnetAutoCloseBit) && !closed_) Close();
}

}  // namespace vestrel
