#include "acquisition/ftp_download.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "engine/errors.h"

namespace vestrel {
namespace {

namespace fs = std::filesystem;

// A pyftpdlib server on 127.0.0.1 with the user loguser/secret; it prints its port when ready.
// Mode "nosize" drops the SIZE command, mode "slow" sends file data at 64 kB per second, mode
// "drip" one byte about every two seconds.
const char kServerScript[] = R"(
import logging, sys
from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler, ThrottledDTPHandler
from pyftpdlib.servers import FTPServer
logging.basicConfig(level=logging.ERROR)
root, mode = sys.argv[1], sys.argv[2]
authorizer = DummyAuthorizer()
authorizer.add_user("loguser", "secret", root, perm="elr")
class Handler(FTPHandler):
    pass
Handler.authorizer = authorizer
Handler.auth_failed_timeout = 0
if mode == "nosize":
    Handler.proto_cmds = {k: v for k, v in FTPHandler.proto_cmds.items() if k != "SIZE"}
if mode == "drip":
    class Drip(ThrottledDTPHandler):
        write_limit = 1
    Handler.dtp_handler = Drip
if mode == "slow":
    class Slow(ThrottledDTPHandler):
        write_limit = 64 * 1024
    Handler.dtp_handler = Slow
server = FTPServer(("127.0.0.1", 0), Handler)
print(server.address[1], flush=True)
server.serve_forever()
)";

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteFile(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

struct TRecorder : TFtpObserver {
    std::vector<std::pair<int, int>> requests;  // request code, error
    std::string lastMessage, shownError;
    int connections = 0;
    TFtpDownload* cancelInSecondReceive = nullptr;
    void Connected(int) override { ++connections; }
    void RequestDone(int request, int error, const std::string& message) override {
        requests.emplace_back(request, error);
        lastMessage = message;
    }
    void Progress(int64_t, int64_t) override {
        if (cancelInSecondReceive && requests.size() == 3) cancelInSecondReceive->Cancel();
    }
    void ShowError(const std::string& text) override { shownError = text; }
};

class FtpDownloadTest : public testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = testing::TempDir() + "ftp_download_XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        root_ = dir_ / "served";
        downloads_ = dir_ / "local" / "logs";
        WriteFile(root_ / "a.log", "first line\r\nsecond\n");
        WriteFile(root_ / "logs" / "b.log", std::string("bin\0ary\r\n\x1a\xff", 12));
    }
    void TearDown() override {
        if (server_ > 0) {
            kill(server_, SIGKILL);
            waitpid(server_, nullptr, 0);
        }
        fs::remove_all(dir_);
    }

    void StartServer(const char* mode = "plain") {
        int out[2];
        ASSERT_EQ(pipe(out), 0);
        server_ = fork();
        if (server_ == 0) {
            dup2(out[1], STDOUT_FILENO);
            execl("/usr/bin/python3", "python3", "-c", kServerScript, root_.c_str(), mode, nullptr);
            _exit(127);
        }
        close(out[1]);
        pollfd ready{out[0], POLLIN, 0};
        char port[16] = {};
        ASSERT_EQ(poll(&ready, 1, 5000), 1) << "FTP server did not start";
        ASSERT_GT(read(out[0], port, sizeof port - 1), 0);
        close(out[0]);
        site_ = "127.0.0.1:" + std::to_string(std::atoi(port));
    }

    TFtpSettings Settings(const std::string& files, const std::string& password = "secret") {
        return {site_, "loguser", password, files, downloads_.string(), "-", 5};
    }
    std::string Line(const std::string& name) { return "1" + (downloads_ / name).string(); }

    fs::path dir_, root_, downloads_;
    pid_t server_ = 0;
    std::string site_ = "127.0.0.1:1";
    TRecorder recorder_;
};

TEST(FtpFileLines, EnabledLinesWithASlashNameAFile) {
    const auto file = ParseFtpFileLine("1/logs/access.log");
    ASSERT_TRUE(file);
    EXPECT_EQ(file->Directory, "/logs/");
    EXPECT_EQ(file->FileName, "access.log");
    EXPECT_EQ(ParseFtpFileLine("1/access.log")->Directory, "/");
    EXPECT_FALSE(ParseFtpFileLine("1access.log"));
    EXPECT_FALSE(ParseFtpFileLine("0/logs/access.log"));
    EXPECT_FALSE(ParseFtpFileLine(""));
    EXPECT_FALSE(HasEnabledFtpFile("0/a.log\n0/b.log\n"));
    EXPECT_TRUE(HasEnabledFtpFile("\n1a.log"));
}

TEST(FtpFileLines, LocalNameStaysInsideTheFolder) {
    EXPECT_EQ(FtpLocalFileName("/dl", "access.log"), "/dl/access.log");
    EXPECT_EQ(FtpLocalFileName("/dl/", "access.log"), "/dl/access.log");
    EXPECT_EQ(FtpLocalFileName("C:\\logs\\", "access.log"), "C:\\logs\\access.log");
    for (const char* name : {"", ".", "..", "..\\up.log"})
        EXPECT_THROW(FtpLocalFileName("/dl", name), EVestrelError) << name;
    EXPECT_THROW(FtpLocalFileName("", "access.log"), EVestrelError);
}

TEST_F(FtpDownloadTest, FetchesEnabledFilesInBinaryIntoANewFolder) {
    StartServer();
    TFtpDownload download(Settings("1/a.log\n0/skipped.log\n1nofolder.log\n1logs/b.log"),
                          recorder_);
    ASSERT_EQ(download.Run(), TFtpOutcome::Finished);
    EXPECT_EQ(download.Results(), (std::vector<std::string>{Line("a.log"), Line("b.log")}));
    EXPECT_EQ(ReadFile(downloads_ / "a.log"), ReadFile(root_ / "a.log"));
    EXPECT_EQ(ReadFile(downloads_ / "b.log"), ReadFile(root_ / "logs" / "b.log"));
    const std::vector<std::pair<int, int>> expected{{16, 0}, {6, 0}, {16, 0}, {6, 0}};
    EXPECT_EQ(recorder_.requests, expected);
    EXPECT_EQ(recorder_.connections, 4);
    EXPECT_EQ(download.Display().Status, "Receiving: logs/b.log");
    EXPECT_EQ(download.Display().ByteCount, "Received 12 of 12 bytes");
}

TEST_F(FtpDownloadTest, SameNameTwiceOverwritesAndIsListedTwice) {
    WriteFile(root_ / "logs" / "a.log", "newer");
    StartServer();
    TFtpDownload download(Settings("1/a.log\n1/logs/a.log"), recorder_);
    ASSERT_EQ(download.Run(), TFtpOutcome::Finished);
    EXPECT_EQ(download.Results(), (std::vector<std::string>{Line("a.log"), Line("a.log")}));
    EXPECT_EQ(ReadFile(downloads_ / "a.log"), "newer");
}

TEST_F(FtpDownloadTest, FailuresStopAtTheFailingFile) {
    StartServer();
    TFtpDownload refused(Settings("1/a.log", "wrong"), recorder_);
    EXPECT_EQ(refused.Run(), TFtpOutcome::Failed);
    EXPECT_EQ(recorder_.requests, (std::vector<std::pair<int, int>>{{16, 530}}));
    EXPECT_EQ(refused.Display().Status, "Error = 530 (" + recorder_.lastMessage + ")");
    EXPECT_TRUE(refused.Results().empty());

    TFtpDownload missing(Settings("1/a.log\n1/gone.log\n1/logs/b.log"), recorder_);
    EXPECT_EQ(missing.Run(), TFtpOutcome::Failed);
    EXPECT_EQ(recorder_.requests.back(), std::make_pair(16, 550));
    EXPECT_EQ(missing.Results(), std::vector<std::string>{Line("a.log")});
    EXPECT_FALSE(fs::exists(downloads_ / "b.log"));
}

TEST_F(FtpDownloadTest, ServerWithoutSizeFailsTheFile) {
    StartServer("nosize");
    TFtpDownload download(Settings("1/a.log"), recorder_);
    EXPECT_EQ(download.Run(), TFtpOutcome::Failed);
    EXPECT_EQ(recorder_.requests, (std::vector<std::pair<int, int>>{{16, 500}}));
    EXPECT_FALSE(fs::exists(downloads_ / "a.log"));
}

TEST_F(FtpDownloadTest, CancelDuringTheSecondOfThreeKeepsTheFirst) {
    WriteFile(root_ / "big.log", std::string(2 << 20, 'x'));
    StartServer("slow");
    TFtpDownload download(Settings("1/a.log\n1/big.log\n1/logs/b.log"), recorder_);
    recorder_.cancelInSecondReceive = &download;
    EXPECT_EQ(download.Run(), TFtpOutcome::Cancelled);
    EXPECT_EQ(recorder_.requests.back(), std::make_pair(20, 0));
    EXPECT_EQ(download.Results(), std::vector<std::string>{Line("a.log")});
    EXPECT_FALSE(fs::exists(downloads_ / "b.log"));
}

// A transfer slower than a byte a second finishes, as long as no spell without data lasts the
// timeout.
TEST_F(FtpDownloadTest, ASlowTransferIsNeverCutWhileDataKeepsComing) {
    WriteFile(root_ / "drip.log", "abc");
    StartServer("drip");
    TFtpSettings settings = Settings("1/drip.log");
    settings.TimeoutSeconds = 4;
    TFtpDownload download(settings, recorder_);
    EXPECT_EQ(download.Run(), TFtpOutcome::Finished) << recorder_.lastMessage;
    EXPECT_EQ(ReadFile(downloads_ / "drip.log"), "abc");
}

TEST_F(FtpDownloadTest, NeverWritesThroughALinkInTheFolder) {
    StartServer();
    WriteFile(dir_ / "outside.txt", "keep");
    fs::create_directories(downloads_);
    fs::create_symlink(dir_ / "outside.txt", downloads_ / "a.log");
    TFtpDownload download(Settings("1/a.log"), recorder_);
    EXPECT_EQ(download.Run(), TFtpOutcome::Failed);
    EXPECT_EQ(recorder_.requests.back(), std::make_pair(6, ELOOP));
    EXPECT_EQ(recorder_.lastMessage, "Cannot create file " + (downloads_ / "a.log").string());
    EXPECT_EQ(ReadFile(dir_ / "outside.txt"), "keep");
}

TEST_F(FtpDownloadTest, BadHostOrNameFailsBeforeConnecting) {
    TFtpDownload dotDot(Settings("1/logs/.."), recorder_);
    EXPECT_EQ(dotDot.Run(), TFtpOutcome::Failed);
    EXPECT_EQ(recorder_.lastMessage, "Cannot create file " + (downloads_ / "..").string());

    site_ = " ";
    TFtpDownload noHost(Settings("1/a.log"), recorder_);
    EXPECT_EQ(noHost.Run(), TFtpOutcome::MissingHost);
    EXPECT_EQ(recorder_.shownError, "FTP Host Name is missing");

    site_ = "127.0.0.1:1";
    TFtpDownload closedPort(Settings("1/a.log"), recorder_);
    EXPECT_EQ(closedPort.Run(), TFtpOutcome::Failed);
    EXPECT_EQ(recorder_.requests.back(), std::make_pair(16, ECONNREFUSED));
    EXPECT_EQ(recorder_.connections, 0);
}

}  // namespace
}  // namespace vestrel
