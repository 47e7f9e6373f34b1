// The telnet script against a real telnet server on 127.0.0.1: a small python server that runs a
// login-like shell script on a pseudo terminal, as telnetd does.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "acquisition/telnet_script.h"
#include "engine/errors.h"

namespace vestrel {
namespace {

// Answers one connection: option offers first, then the script's output; the client's CR LF
// and CR NUL become CR for the terminal, telnet commands are dropped.
constexpr char kServer[] = R"PY(
import os, pty, select, socket, sys
listener = socket.socket()
listener.bind(("127.0.0.1", 0))
listener.listen(1)
print(listener.getsockname()[1], flush=True)
connection, _ = listener.accept()
pid, terminal = pty.fork()
if pid == 0:
    os.execv("/bin/sh", ["sh", sys.argv[1]])
connection.sendall(bytes([255, 251, 1, 255, 251, 3, 255, 253, 31]))
pending = b""
while True:
    ready, _, _ = select.select([connection, terminal], [], [])
    if terminal in ready:
        try:
            output = os.read(terminal, 4096)
        except OSError:
            break
        if not output:
            break
        connection.sendall(output.replace(b"\xff", b"\xff\xff"))
    if connection in ready:
        data = pending + connection.recv(4096)
        if len(data) == len(pending):
            break
        text, i = b"", 0
        while i < len(data):
            if data[i] == 255 and i + 1 < len(data) and data[i + 1] == 250:
                end = data.find(bytes([255, 240]), i)
                i = end + 2 if end >= 0 else len(data)
            elif data[i] == 255 and i + 1 < len(data) and data[i + 1] == 255:
                text, i = text + b"\xff", i + 2
            elif data[i] == 255:
                i += 3
            else:
                text, i = text + data[i:i + 1], i + 1
        pending = b""
        os.write(terminal, text.replace(b"\r\n", b"\r").replace(b"\r\0", b"\r"))
connection.close()
)PY";

// Asks for a user and a password, then runs commands until "exit"; writes what it read to
// answers.txt beside itself.
constexpr char kLoginScript[] = R"SH(
dir=$(dirname "$0")
printf 'Debian GNU/Linux\nLOGIN: '
read user
stty -echo
printf 'Password: '
read password
stty echo
echo "user=$user password=$password" > "$dir/answers.txt"
while printf '$ ' && read command; do
    echo "command=$command" >> "$dir/answers.txt"
    [ "$command" = exit ] && exit 0
    echo "ran $command"
done
)SH";

class TRecordingTerminal : public TTerminalSink {
  public:
    void Clear() override { text.clear(); }
    void Write(std::string_view written) override { text += written; }
    void ScrollToEnd() override { ++scrolls; }
    std::string text;
    int scrolls = 0;
};

class TRecordingWindowObserver : public TTelnetWindowObserver {
  public:
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    void CancelEnabled(bool enabled) override { cancelEnabled = enabled; }
    void WindowClosed() override { ++closings; }
    std::vector<std::string> messages;
    bool cancelEnabled = false;
    int closings = 0;
};

class TelnetSessionTest : public testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = testing::TempDir() + "telnet_XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder_ = pattern;
        std::ofstream(folder_ / "server.py") << kServer;
        std::ofstream(folder_ / "login.sh") << kLoginScript;
        StartServer();
    }
    void TearDown() override {
        if (server_ > 0) {
            kill(server_, SIGKILL);
            waitpid(server_, nullptr, 0);
        }
        std::filesystem::remove_all(folder_);
    }

    void StartServer() {
        int output[2];
        ASSERT_EQ(pipe(output), 0);
        server_ = fork();
        ASSERT_GE(server_, 0);
        if (server_ == 0) {
            dup2(output[1], STDOUT_FILENO);
            const std::string server = folder_ / "server.py", script = folder_ / "login.sh";
            execl("/usr/bin/python3", "python3", server.c_str(), script.c_str(), nullptr);
            _exit(127);
        }
        close(output[1]);
        pollfd waiting{output[0], POLLIN, 0};
        char portText[16] = {};
        if (poll(&waiting, 1, 5000) == 1 && read(output[0], portText, sizeof portText - 1) < 0)
            portText[0] = 0;
        close(output[0]);
        port_ = static_cast<uint16_t>(std::atoi(portText));
        ASSERT_GT(port_, 0) << "the telnet server did not start";
    }

    TTelnetScriptSettings Settings(std::string commands, int options) const {
        return {"127.0.0.1", std::move(commands), options, port_};
    }
    std::string Answers() const {
        std::ifstream file(folder_ / "answers.txt");
        std::stringstream text;
        text << file.rdbuf();
        return text.str();
    }
    // Runs the window until it closes or the server's script has ended.
    void RunUntilScriptEnds(TTelnetScriptWindow& window) {
        for (int i = 0; i < 50 && window.Poll(100) && window.Session().Connected(); ++i) {
        }
    }

    std::filesystem::path folder_;
    pid_t server_ = -1;
    uint16_t port_ = 0;
    TRecordingTerminal terminal_;
    TRecordingWindowObserver observer_;
};

TEST(TelnetScriptTest, LinesWithoutSeparatorAreSkippedButNumbered) {
    const std::vector<TTelnetScriptPair> pairs =
        TelnetScriptOf("\"login:\",\"admin\"\r\nno separator\r\n\"\",\"\"\n\"a\",\"b,\"c\"");
    ASSERT_EQ(pairs.size(), 3u);
    EXPECT_EQ(pairs[0].Id, 1);
    EXPECT_EQ(pairs[0].Line, (TTelnetLine{"login:", "admin"}));
    EXPECT_EQ(pairs[1].Id, 3);
    EXPECT_EQ(pairs[1].Line, (TTelnetLine{"", ""}));
    // Only the first separator splits; the command keeps the rest but the last character.
    EXPECT_EQ(pairs[2].Line, (TTelnetLine{"a", "b,\"c"}));
    EXPECT_FALSE(IsStorablePrompt("a\",\"b"));
}

TEST(TelnetScriptTest, MissingHostAndEmptyPromptLeaveTheWindowIdle) {
    TRecordingTerminal terminal;
    TRecordingWindowObserver observer;
    TTelnetScriptWindow blankHost(terminal, observer);
    blankHost.Open({"   ", "\"login:\",\"x\"", kTelnetActiveBit, kTelnetPort});
    TTelnetScriptWindow emptyPrompt(terminal, observer);
    emptyPrompt.Open({"127.0.0.1", "\"login:\",\"x\"\n\"\",\"y\"", 3, kTelnetPort});
    EXPECT_EQ(observer.messages, (std::vector<std::string>{"Telnet: Host Name is missing",
                                                           "AddEvent: String to search empty"}));
    EXPECT_FALSE(emptyPrompt.Session().Connected());
    EXPECT_TRUE(terminal.text.empty()) << "no connection may be tried";
    emptyPrompt.PressOk();
    EXPECT_FALSE(emptyPrompt.Poll(0));
}

TEST_F(TelnetSessionTest, LoginInAnotherCaseThenAutoCloseOnLogout) {
    TTelnetScriptWindow window(terminal_, observer_);
    // The prompts are typed in lower case; the server writes LOGIN:. Every prompt is armed at
    // once, so the order of the lines does not matter.
    window.Open(Settings("\"password:\",\"secret\"\n\"login:\",\"admin\"\n\"$ \",\"exit\"",
                         kTelnetActiveBit | kTelnetAutoCloseBit));
    EXPECT_TRUE(observer_.cancelEnabled);
    window.RunModal(std::chrono::seconds(5));
    EXPECT_EQ(observer_.closings, 1);
    EXPECT_FALSE(observer_.cancelEnabled);
    EXPECT_EQ(Answers(), "user=admin password=secret\ncommand=exit\n");
    EXPECT_TRUE(terminal_.text.starts_with("Connecting to '127.0.0.1'\r\nDebian GNU/Linux\r\n"))
        << terminal_.text;
    EXPECT_EQ(terminal_.scrolls, 3);
}

TEST_F(TelnetSessionTest, SamePromptTwiceFiresOncePerOccurrence) {
    TTelnetScriptWindow window(terminal_, observer_);
    window.Open(
        Settings("\"LOGIN:\",\"admin\"\n\"Password:\",\"\"\n\"$ \",\"uptime\"\n"
                 "\"$ \",\"exit\"\n\"never shown\",\"reboot\"",
                 kTelnetActiveBit));
    RunUntilScriptEnds(window);
    // An empty command sends only the line end.
    EXPECT_EQ(Answers(), "user=admin password=\ncommand=uptime\ncommand=exit\n");
    // Without auto close the window stays open after the server has ended the session.
    EXPECT_FALSE(window.Closed());
    EXPECT_FALSE(observer_.cancelEnabled);
    window.PressOk();
    EXPECT_FALSE(window.Poll(0));
}

TEST_F(TelnetSessionTest, KeptCaseSensitiveEventFiresAfterLongOutput) {
    TTelnetEvents events;
    TTelnetSession session(terminal_, events);
    session.SetHost("127.0.0.1");
    session.SetPort(port_);
    session.AddEvent(1, "login:", "wrong\r\n", 0);  // the server writes LOGIN:
    session.AddEvent(2, "LOGIN: ", "admin\r\n", 0);
    session.AddEvent(3, "Password: ", "pw\r\n", 0);
    // Each command's output followed by the next prompt: fires for every one of them.
    session.AddEvent(4, "$ ", "echo " + std::string(150, 'x') + "\r\n", kTelnetKeepEvent);
    ASSERT_TRUE(session.Connect(std::chrono::seconds(5)));
    for (int i = 0; i < 30 && session.Poll(100); ++i) {
    }
    session.Cancel();
    EXPECT_FALSE(session.Poll(0));
    const std::string answers = Answers();
    EXPECT_TRUE(answers.starts_with("user=admin password=pw\n")) << answers;
    EXPECT_GE(std::count(answers.begin(), answers.end(), '\n'), 3) << answers;
}

TEST(TelnetSessionFailureTest, RefusedConnectionShowsOnTheTerminal) {
    TRecordingTerminal terminal;
    TTelnetEvents events;
    TTelnetSession session(terminal, events);
    EXPECT_THROW(session.AddEvent(1, "", "x", 1), EVestrelError);
    session.SetHost("127.0.0.1");
    session.SetPort(1);
    EXPECT_FALSE(session.Connect(std::chrono::seconds(2)));
    EXPECT_EQ(terminal.text,
              "Connecting to '127.0.0.1'\r\nConnection failed: Connection refused\r\n");
}

}  // namespace
}  // namespace vestrel
