// vestrel-cli fetch and resolve, and a stored report opened with its downloads, against real
// FTP, HTTP, telnet and DNS servers on 127.0.0.1.
#include <filesystem>
#include <memory>

#include "cli/cli_runner.h"
#include "servers/dnsmasq_server.h"
#include "servers/log_servers.h"

namespace fs = std::filesystem;
using vestrel::testing_util::TCliRun;

namespace {

const char kLogLine[] =
    "10.0.9.1 - - [01/Mar/2002:10:00:00 +0000] \"GET /a.html HTTP/1.0\" 200 100 \"-\" \"-\"\n";

class RemoteCliTest : public vestrel::testing_util::TCliFixture {
  protected:
    void SetUp() override {
        TCliFixture::SetUp();
        data_ = " --data-dir " + dir_ + "data ";
        fs::create_directories(dir_ + "served");
        Write("served/ftp.log", std::string(kLogLine) + kLogLine);
        Write("served/web.log", std::string(kLogLine) + kLogLine + kLogLine);
        StartServers();
    }
    void TearDown() override {
        servers_.reset();
        TCliFixture::TearDown();
    }

    void StartServers() {
        servers_ = std::make_unique<vestrel::testing_util::TLogServers>(dir_, dir_ + "served");
        ASSERT_TRUE(servers_->Ready());
        ftpPort_ = servers_->FtpPort();
        httpPort_ = servers_->HttpPort();
        telnetPort_ = servers_->TelnetPort();
    }

    // A report fetching ftp.log by FTP and `webPath` by HTTP after its telnet script.
    void ImportReport(const std::string& ftpPassword, const std::string& webPath) {
        const std::string definition = R"({"Name": "Remote", "Domain": "127.0.0.1",
            "TelnetOptions": "3",
            "TelnetCommands": "\"login:\",\"loguser\"\n\"Password:\",\"secret\"\n\"$ \",\"exit\"",
            "FTPSite": "127.0.0.1:)" + std::to_string(ftpPort_) +
                                       R"(",
            "FTPUserName": "loguser", "FTPPassword": ")" +
                                       ftpPassword + R"(",
            "FTPFiles": "1/ftp.log", "FTPDownload": ")" +
                                       dir_ + R"(down-ftp",
            "WEBFiles": "1http://127.0.0.1:)" +
                                       std::to_string(httpPort_) + webPath + R"(",
            "WEBUsername": "webuser", "WEBPassword": "webpw",
            "WEBDownload": ")" + dir_ + R"(down-web/", "Filters": []})";
        ASSERT_EQ(Run("report import" + data_ + Write("remote.json", definition)).Status, 0);
    }

    std::string Remote() const {
        return " --report Remote --timeout 20 --telnet-port " + std::to_string(telnetPort_) + data_;
    }

    std::unique_ptr<vestrel::testing_util::TLogServers> servers_;
    int ftpPort_ = 0, httpPort_ = 0, telnetPort_ = 0;
    std::string data_;
};

TEST_F(RemoteCliTest, FetchRunsTheScriptThenBothDownloads) {
    ImportReport("secret", "/web.log");
    const TCliRun run = Run("fetch" + Remote());
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Out.find("Connecting to '127.0.0.1'"), 0u) << run.Out;
    EXPECT_NE(run.Out.find("ran exit\r\nlogged out"), std::string::npos) << run.Out;
    const std::vector<std::string> lines = run.Lines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], dir_ + "down-ftp/ftp.log");
    EXPECT_EQ(lines.back(), dir_ + "down-web/web.log");
    EXPECT_NE(run.Err.find("Receiving: /ftp.log"), std::string::npos) << run.Err;
    EXPECT_NE(run.Err.find("Received 243 of 243 bytes"), std::string::npos) << run.Err;
}

TEST_F(RemoteCliTest, OpeningAReportLoadsWhatItFetchedUnlessTold) {
    ImportReport("secret", "/web.log");
    TCliRun run = Run("load" + Remote());
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Lines().front(), "Hits=5");
    fs::remove_all(dir_ + "down-ftp");
    run = Run("load --no-fetch" + Remote());
    EXPECT_EQ(run.Lines().front(), "Hits=0") << run.Out;
    EXPECT_FALSE(fs::exists(dir_ + "down-ftp"));
}

// A server that keeps sending without ever prompting cannot hold the script beyond the timeout;
// what it sent is shown with its control characters escaped.
TEST_F(RemoteCliTest, TelnetScriptWithoutProgressEndsAndFailsTheFetch) {
    const std::string definition = R"({"Name": "Drip", "Domain": "127.0.0.1",
        "TelnetOptions": "3", "TelnetCommands": "\"login:\",\"drip\"\n\"Password:\",\"x\"",
        "Filters": []})";
    ASSERT_EQ(Run("report import" + data_ + Write("drip.json", definition)).Status, 0);
    const TCliRun run =
        Run("fetch --report Drip --timeout 2 --telnet-port " + std::to_string(telnetPort_) + data_);
    EXPECT_EQ(run.Status, 1);
    EXPECT_EQ(run.Out.find("drip done"), std::string::npos) << "the drip outlasted the timeout";
    EXPECT_NE(run.Err.find("no progress for 2 seconds"), std::string::npos) << run.Err;
    EXPECT_EQ(run.Out.find('\x1b'), std::string::npos);
    EXPECT_NE(run.Out.find("\\x1b."), std::string::npos) << run.Out;
}

TEST_F(RemoteCliTest, FailedDownloadsAreNamedAndFailTheFetch) {
    ImportReport("wrong", "/missing.log");
    const TCliRun run = Run("fetch" + Remote());
    EXPECT_EQ(run.Status, 1);
    for (const std::string& line : run.Lines()) EXPECT_NE(line.find(dir_), 0u) << line;
    EXPECT_NE(run.Err.find("Error = 530"), std::string::npos) << run.Err;
    EXPECT_NE(run.Err.find("404"), std::string::npos) << run.Err;
}

TEST_F(RemoteCliTest, ResolveLooksUpNumericHostsAndRewritesTheCache) {
    const std::string hosts = Write("hosts", "10.0.9.1 one.test\n10.0.9.2 two.test\n");
    vestrel::testing_util::TDnsmasqServer dns(hosts);
    ASSERT_TRUE(dns.Ready()) << "dnsmasq did not start";
    std::string log = kLogLine;
    for (const char* host : {"10.0.9.2 ", "10.0.9.3 ", "www.example.org "})
        log += host + std::string(kLogLine).substr(9);
    const std::string logFile = Write("access.log", log);

    TCliRun run = Run("resolve --timezone 0 --dns-server 127.0.0.1:" + std::to_string(dns.Port()) +
                      data_ + logFile);
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Out, "HostsLookedUp=3\nNamesFound=2\nLookupsFailed=0\n");
    run = Run("dump --timezone 0" + data_ + logFile);
    std::vector<std::string> hostsSeen;
    for (const std::string& line : run.Lines())
        hostsSeen.push_back(line.substr(0, line.find('\t')));
    EXPECT_EQ(hostsSeen,
              (std::vector<std::string>{"one.test", "two.test", "10.0.9.3", "www.example.org"}));

    // A name server that cannot be used at all fails the command, naming why.
    run = Run("resolve --timezone 0 --timeout 20 --dns-server 127.0.0.1:1 --data-dir " + dir_ +
              "fresh " + logFile);
    EXPECT_EQ(run.Status, 1);
    EXPECT_NE(run.Out.find("LookupsFailed=3"), std::string::npos) << run.Out;
    EXPECT_NE(run.Err.find("3 of 3 DNS lookups got no answer"), std::string::npos) << run.Err;
}

}  // namespace
