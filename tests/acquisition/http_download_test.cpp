#include "acquisition/http_download.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

namespace vestrel {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// A small web server on 127.0.0.1: every request path is appended to requests.txt.
const char* const kServerScript = R"PY(
import base64, os, sys, time
from http.server import ThreadingHTTPServer, BaseHTTPRequestHandler

folder = sys.argv[1]
LOG = b"".join(b'127.0.0.1 - - [10/Oct/2023:13:55:36 +0000] "GET /%d HTTP/1.0" 200 100\n' % i
               for i in range(200))

class Handler(BaseHTTPRequestHandler):
    def log_message(self, *args):
        pass

    def answer(self, body, status=200):
        self.send_response(status)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def do_GET(self):
        with open(os.path.join(folder, "requests.txt"), "a") as f:
            f.write(self.path + "\n")
        p = self.path
        if p.startswith("/auth/"):
            if self.headers.get("Authorization") != "Basic " + base64.b64encode(b"webuser:secret").decode():
                return self.answer(b"denied", 401)
            return self.answer(str(self.headers).encode())
        if p.startswith("/logs/"):
            return self.answer(LOG)
        if p.startswith("/redirect/"):
            self.send_response(302)
            self.send_header("Location", "/logs/access.log")
            self.send_header("Content-Length", "0")
            return self.end_headers()
        if p.startswith("/nolength/"):
            self.send_response(200)
            self.end_headers()
            return self.wfile.write(b"x" * 12345)
        if p.startswith("/slow/"):
            self.send_response(200)
            self.end_headers()
            for i in range(6):
                self.wfile.write(b"line %d\n" % i)
                self.wfile.flush()
                time.sleep(0.2)
            return
        if p.startswith("/stall/"):
            self.send_response(200)
            self.end_headers()
            self.wfile.write(b"first\n")
            self.wfile.flush()
            return time.sleep(5)
        if p.startswith("/hugeheader/"):
            self.send_response(401)
            self.send_header("X-Filler", "f" * 300000)
            self.end_headers()
            return
        if p.startswith("/drip/"):
            self.send_response(200)
            self.end_headers()
            for i in range(8):
                self.wfile.write(b"d")
                self.wfile.flush()
                time.sleep(0.3)
            return
        self.answer(b"<html>no such page</html>", 404)

server = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
server.daemon_threads = True
with open(os.path.join(folder, "port.tmp"), "w") as f:
    f.write(str(server.server_port))
os.rename(os.path.join(folder, "port.tmp"), os.path.join(folder, "port"))
server.serve_forever()
)PY";

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

struct TRecorder : THttpDownloadEvents {
    std::vector<std::string> Statuses, Errors, ByteLines;
    std::vector<TFetchResult> Results;
    std::vector<std::int64_t> Lengths;
    std::function<void()> OnData;

    void OnStatus(const std::string& line) override { Statuses.push_back(line); }
    void OnDocumentData(std::int64_t, std::int64_t length, const std::string& line) override {
        Lengths.push_back(length);
        ByteLines.push_back(line);
        if (OnData) OnData();
    }
    void OnRequestDone(const TFetchResult& result) override { Results.push_back(result); }
    void OnError(const std::string& message) override { Errors.push_back(message); }
};

TEST(WebFilesLinesTest, OnlyEnabledLinesWithASlashAreFetched) {
    const auto lines = ParseWebFiles(
        "1http://h/logs/access.log\r\n0http://h/off.log\r\n1nolocalname\n\n1http://h/a?f=x/b.log");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].Address, "http://h/logs/access.log");
    EXPECT_EQ(lines[0].LocalName, "access.log");
    EXPECT_EQ(lines[1].LocalName, "b.log");

    EXPECT_FALSE(HasEnabledWebFiles(""));
    EXPECT_FALSE(HasEnabledWebFiles("0http://h/a.log\n\n0http://h/b.log"));
    EXPECT_TRUE(HasEnabledWebFiles("0http://h/a.log\n1x"));

    EXPECT_EQ(ByteCountLine(12345, 0), "Received 12345 bytes");
    EXPECT_EQ(ByteCountLine(12345, -1), "Received 12345 bytes");
    EXPECT_EQ(ByteCountLine(10, 200), "Received 10 of 200 bytes");
}

class HttpDownloadTest : public testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = testing::TempDir() + "http_download_XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        Root = pattern;
        Downloads = Root / "downloads";
        std::ofstream(Root / "server.py") << kServerScript;
        ServerPid = fork();
        if (ServerPid == 0) {
            execl("/usr/bin/python3", "python3", (Root / "server.py").c_str(), Root.c_str(),
                  nullptr);
            _exit(127);
        }
        for (int tries = 0; tries < 100 && !fs::exists(Root / "port"); ++tries)
            std::this_thread::sleep_for(50ms);
        ASSERT_TRUE(fs::exists(Root / "port")) << "the test web server did not start";
        Base = "http://127.0.0.1:" + ReadFile(Root / "port");
    }
    void TearDown() override {
        if (ServerPid > 0) {
            kill(ServerPid, SIGKILL);
            waitpid(ServerPid, nullptr, 0);
        }
        fs::remove_all(Root);
    }

    std::vector<std::string> Run(const std::string& webFiles, THttpDownloadSettings settings = {}) {
        if (settings.DownloadFolder.empty()) settings.DownloadFolder = Downloads.string();
        THttpDownload download(settings, Events);
        return download.Run(webFiles);
    }
    std::string Requests() { return ReadFile(Root / "requests.txt"); }
    std::string Line(const std::string& path) { return "1" + Base + path + "\n"; }
    std::string Fetched(const std::string& name) { return "1" + (Downloads / name).string(); }

    fs::path Root, Downloads;
    std::string Base;
    pid_t ServerPid = -1;
    TRecorder Events;
};

TEST_F(HttpDownloadTest, SendsBasicAuthenticationAndTheFixedHeaders) {
    THttpDownloadSettings settings;
    settings.UserName = "webuser";
    settings.Password = "secret";
    const auto result = Run(Line("/auth/headers.log"), settings);

    ASSERT_EQ(result, std::vector<std::string>{Fetched("headers.log")});
    const std::string headers = ReadFile(Downloads / "headers.log");
    EXPECT_NE(headers.find("User-Agent: Mozilla/3.0 (compatible)"), std::string::npos);
    EXPECT_NE(headers.find("Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*"),
              std::string::npos);
    EXPECT_EQ(Events.Statuses.front(), "Receiving: " + Base + "/auth/headers.log");
}

TEST_F(HttpDownloadTest, AnErrorStatusIsAFailureThatEndsTheDownload) {
    THttpDownloadSettings settings;
    settings.UserName = "webuser";
    settings.Password = "wrong";
    EXPECT_TRUE(Run(Line("/auth/a.log") + Line("/logs/b.log"), settings).empty());
    EXPECT_EQ(Events.Statuses.back(), "Failed: " + Base + "/auth/a.log (HTTP status 401)");

    Events = {};
    EXPECT_TRUE(Run(Line("/missing.log") + Line("/logs/c.log")).empty());
    ASSERT_EQ(Events.Results.size(), 1u);
    EXPECT_EQ(Events.Results[0].HttpStatus, 404);
    EXPECT_EQ(Events.Statuses.back(), "Failed: " + Base + "/missing.log (HTTP status 404)");
    // The error page is not taken for log data, and later lines are never requested.
    EXPECT_EQ(ReadFile(Downloads / "missing.log"), "");
    EXPECT_EQ(Requests(), "/auth/a.log\n/missing.log\n");
}

TEST_F(HttpDownloadTest, FollowsRedirectsAndStoresUnderTheLastPathPart) {
    THttpDownloadSettings settings;
    settings.DownloadFolder = Downloads.string() + "/";
    const auto result = Run(Line("/redirect/moved.log") + Line("/logs/access.log"), settings);

    EXPECT_EQ(result, (std::vector<std::string>{Fetched("moved.log"), Fetched("access.log")}));
    EXPECT_EQ(ReadFile(Downloads / "moved.log"), ReadFile(Downloads / "access.log"));
    EXPECT_EQ(ReadFile(Downloads / "access.log").size(), 14090u);
    EXPECT_EQ(Events.ByteLines.back(), "Received 14090 of 14090 bytes");
}

TEST_F(HttpDownloadTest, WithoutContentLengthOnlyTheByteCountIsShown) {
    EXPECT_EQ(Run(Line("/nolength/stream.log")), std::vector<std::string>{Fetched("stream.log")});
    EXPECT_EQ(Events.ByteLines.back(), "Received 12345 bytes");
    for (std::int64_t length : Events.Lengths) EXPECT_LE(length, 0);
}

TEST_F(HttpDownloadTest, OnlyASpellWithoutDataTimesOutAndTheNextLineIsTried) {
    THttpDownloadSettings settings;
    settings.InactivityLimit = 700ms;  // the slow answer takes over 1 s, 200 ms between blocks
    const auto result = Run(
        Line("/stall/stalled.log") + Line("/slow/trickle.log") + Line("/logs/after.log"), settings);

    EXPECT_EQ(result, (std::vector<std::string>{Fetched("trickle.log"), Fetched("after.log")}));
    EXPECT_EQ(Events.Results[0].Outcome, TFetchOutcome::TimedOut);
    EXPECT_EQ(Events.Statuses[1].rfind("Timed out: " + Base + "/stall/stalled.log", 0), 0u);
    EXPECT_FALSE(fs::exists(Downloads / "stalled.log")) << "no partial file is left";
    EXPECT_EQ(ReadFile(Downloads / "trickle.log").size(), 42u);
}

// A download replaces the old file only when it succeeded, never writes through a link and
// leaves no file of its own behind.
TEST_F(HttpDownloadTest, OnlyACompleteTransferReplacesTheOldFile) {
    fs::create_directories(Downloads);
    std::ofstream(Downloads / "missing.log") << "old log\n";
    std::ofstream(Root / "victim.txt") << "precious\n";
    fs::create_symlink(Root / "victim.txt", Downloads / "x.log");
    EXPECT_TRUE(Run(Line("/missing.log")).empty());
    EXPECT_EQ(ReadFile(Downloads / "missing.log"), "old log\n");

    Events = {};
    EXPECT_TRUE(Run(Line("/logs/x.log")).empty());
    EXPECT_EQ(Events.Errors,
              std::vector<std::string>{"Cannot create file " + (Downloads / "x.log").string() +
                                       " (it is a symbolic link)"});
    EXPECT_EQ(ReadFile(Root / "victim.txt"), "precious\n");

    EXPECT_EQ(Run(Line("/logs/missing.log")), std::vector<std::string>{Fetched("missing.log")});
    EXPECT_EQ(ReadFile(Downloads / "missing.log").size(), 14090u);
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(Downloads))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"missing.log", "x.log"}));
}

// A slow transfer runs as long as data keeps coming; a failure without curl's own text is named.
TEST_F(HttpDownloadTest, SlowTransfersFinishAndEveryFailureHasAReason) {
    THttpDownloadSettings settings;
    settings.InactivityLimit = 1000ms;  // the drip takes 2.4 s, a byte every 0.3 s
    EXPECT_EQ(Run(Line("/drip/drip.log"), settings), std::vector<std::string>{Fetched("drip.log")});
    EXPECT_EQ(ReadFile(Downloads / "drip.log"), "dddddddd");

    Events = {};
    EXPECT_TRUE(Run(Line("/hugeheader/h.log")).empty());
    ASSERT_EQ(Events.Results.size(), 1u);
    EXPECT_NE(Events.Results[0].Message, "");
    EXPECT_EQ(Events.Statuses.back().find("()"), std::string::npos) << Events.Statuses.back();
}

TEST_F(HttpDownloadTest, CancelKeepsEarlierFilesAndFetchesNoLaterLine) {
    THttpDownloadSettings settings;
    settings.DownloadFolder = Downloads.string();
    THttpDownload download(settings, Events);
    Events.OnData = [&] {
        if (Events.Results.size() == 1) download.Cancel();
    };
    const auto result =
        download.Run(Line("/logs/one.log") + Line("/slow/two.log") + Line("/logs/three.log"));

    EXPECT_EQ(result, std::vector<std::string>{Fetched("one.log")});
    EXPECT_EQ(Events.Results.back().Outcome, TFetchOutcome::Cancelled);
    EXPECT_EQ(Requests(), "/logs/one.log\n/slow/two.log\n");
}

TEST_F(HttpDownloadTest, CancelFromAnotherThreadEndsAWaitAtOnce) {
    THttpDownloadSettings settings;
    settings.DownloadFolder = Downloads.string();
    THttpDownload download(settings, Events);
    std::thread canceller([&] {
        std::this_thread::sleep_for(300ms);
        download.Cancel();
    });
    const auto started = std::chrono::steady_clock::now();
    EXPECT_TRUE(download.Run(Line("/stall/stalled.log")).empty());
    canceller.join();
    EXPECT_LT(std::chrono::steady_clock::now() - started, 2s);
    EXPECT_EQ(Events.Results.back().Outcome, TFetchOutcome::Cancelled);
}

TEST_F(HttpDownloadTest, NamesOutsideTheFolderAreRefusedBeforeAnyRequest) {
    fs::create_directories(Downloads);
    for (const std::string name : {"", ".", ".."}) {
        Events = {};
        EXPECT_TRUE(Run(Line("/logs/" + name) + Line("/logs/later.log")).empty());
        EXPECT_EQ(Events.Errors, std::vector<std::string>{"Cannot create file " +
                                                          Downloads.string() + "/" + name});
    }
    THttpDownloadSettings noFolder;
    noFolder.DownloadFolder = "";
    THttpDownload download(noFolder, Events);
    EXPECT_TRUE(download.Run(Line("/logs/access.log")).empty());
    EXPECT_EQ(Events.Errors.back(), "Cannot create file access.log");

    EXPECT_FALSE(fs::exists(Root / "requests.txt"));
    EXPECT_TRUE(fs::is_empty(Downloads));
}

TEST_F(HttpDownloadTest, AnUnreachableServerIsAFailure) {
    const std::string closedPort = "1http://127.0.0.1:1/logs/a.log\n";
    EXPECT_TRUE(Run(closedPort + Line("/logs/b.log")).empty());
    ASSERT_EQ(Events.Results.size(), 1u);
    EXPECT_EQ(Events.Results[0].Outcome, TFetchOutcome::Failed);
    EXPECT_EQ(Events.Statuses.back().rfind("Failed: http://127.0.0.1:1/logs/a.log (", 0), 0u);
}

}  // namespace
}  // namespace vestrel
