// Opening a report with remote logs in the window, against real servers on 127.0.0.1: the telnet
// terminal, the FTP and WEB download windows, Cancel in each, dead and silent servers, and the DNS
// lookups over the loaded hosts and at the cursor.
#include <arpa/inet.h>
#include <sys/socket.h>

#include <QAction>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTreeWidget>
#include <fstream>
#include <memory>

#include "gui/dns_lookup_dialog.h"
#include "gui/download_display.h"
#include "gui/ftp_download_window.h"
#include "gui/gui_test_util.h"
#include "gui/log_data_model.h"
#include "gui/log_filter_dialog.h"
#include "gui/main_window.h"
#include "gui/report_pages.h"
#include "gui/telnet_commands_window.h"
#include "gui/terminal_view.h"
#include "gui/web_download_window.h"
#include "servers/dnsmasq_server.h"
#include "servers/log_servers.h"

namespace {

using namespace vestrel;
using namespace vestrel::gui;
using namespace vestrel::gui::testing;
using vestrel::testing_util::BindLoopback;
using vestrel::testing_util::TDnsmasqServer;
using vestrel::testing_util::TLogServers;

// Processes events until `done` holds or the (generous) limit has passed; tells which.
bool WaitUntil(const std::function<bool()>& done, int limitMs = 20000) {
    for (int waited = 0; !done() && waited < limitMs; waited += 10) QTest::qWait(10);
    return done();
}

std::string ScreenText(TfrmTelnetCmd& window) {
    TTerminalScreen& screen = window.Terminal()->Screen();
    std::string text;
    for (int line = 0; line < screen.LineCount(); ++line) text += screen.LineText(line) + "\n";
    return text;
}

std::string LogLines(const std::string& host, int count) {
    std::string lines;
    for (int i = 0; i < count; ++i)
        lines += host + " - - [01/Mar/2002:10:0" + std::to_string(i) +
                 ":00 +0000] \"GET /a.html HTTP/1.0\" 200 100 \"-\" \"-\"\n";
    return lines;
}

// What each network window showed last, read as it closes.
class TWindowRecorder : public QObject {
  public:
    TWindowRecorder() { qApp->installEventFilter(this); }
    ~TWindowRecorder() override { qApp->removeEventFilter(this); }

    bool eventFilter(QObject* object, QEvent* event) override {
        if (event->type() == QEvent::Show && qobject_cast<QDialog*>(object) != nullptr)
            Shown.push_back(object->objectName().toStdString());
        if (event->type() != QEvent::Hide) return false;
        if (auto* telnet = qobject_cast<TfrmTelnetCmd*>(object)) Terminal = ScreenText(*telnet);
        if (auto* ftp = qobject_cast<TfrmFTP*>(object)) FtpStatus = Lines(*ftp->Display());
        if (auto* web = qobject_cast<TfrmDownloadWEB*>(object)) WebStatus = Lines(*web->Display());
        return false;
    }
    static std::string Lines(const TDownloadDisplay& display) {
        return display.StatusLine()->text().toStdString() + " | " +
               display.ByteCountLine()->text().toStdString();
    }

    std::vector<std::string> Shown;
    std::string Terminal, FtpStatus, WebStatus;
};

class RemoteLogsWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        setenv("TZ", "UTC", 1);
        tzset();
        folder_ = MakeDataFolder();
        served_ = folder_ + "served/";
        std::filesystem::create_directories(served_ + "sub");
        Write(served_ + "ftp.log", LogLines("10.0.1.1", 2));
        Write(served_ + "sub/ftp2.log", LogLines("10.0.1.2", 3));
        Write(served_ + "web.log", LogLines("10.0.2.1", 4));
        Write(served_ + "sub/web2.log", LogLines("10.0.2.2", 5));
        servers_ = std::make_unique<TLogServers>(folder_, served_);
        ASSERT_TRUE(servers_->Ready()) << "the servers did not start";
        store_ = std::make_unique<TDM1>(folder_);
        store_->Open();
        window_ = std::make_unique<TfrmMain>(*store_, folder_);
        window_->FetchLimits().TelnetPort = static_cast<uint16_t>(servers_->TelnetPort());
        window_->FetchLimits().TimeoutSeconds = 20;
        window_->show();
    }
    void TearDown() override {
        window_.reset();
        store_.reset();
        servers_.reset();
        std::filesystem::remove_all(folder_);
    }

    static void Write(const std::string& path, const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
    }
    std::string Web(const std::string& path) const {
        return "1http://127.0.0.1:" + std::to_string(servers_->HttpPort()) + path;
    }
    // The script logs in and runs exit; two FTP files, then two WEB files.
    TReportRecord RemoteReport() const {
        TReportRecord report;
        report.Name = "Remote";
        report.Domain = "127.0.0.1";
        report.DefaultPage = "index.html";
        report.TelnetOptions = "3";
        report.TelnetCommands = "\"login:\",\"loguser\"\n\"Password:\",\"secret\"\n\"$ \",\"exit\"";
        report.FTPSite = "127.0.0.1:" + std::to_string(servers_->FtpPort());
        report.FTPUserName = "loguser";
        report.FTPPassword = "secret";
        report.FTPFiles = "1/ftp.log\n1/sub/ftp2.log";
        report.FTPDownload = folder_ + "down-ftp";
        report.WEBFiles = Web("/web.log") + "\n" + Web("/sub/web2.log");
        report.WEBUsername = "webuser";
        report.WEBPassword = "webpw";
        report.WEBDownload = folder_ + "down-web/";
        return report;
    }
    void Open(const TReportRecord& report) {
        store_->InsertReport(report);
        ASSERT_TRUE(window_->OpenReport(report.Name));
        ASSERT_NE(window_->Model().Analyzer, nullptr);
    }
    int HitCount() const { return window_->Model().Analyzer->HitCount; }

    TRecordingPresenter messages_;
    TWindowRecorder windows_;
    std::string folder_, served_;
    std::unique_ptr<TLogServers> servers_;
    std::unique_ptr<TDM1> store_;
    std::unique_ptr<TfrmMain> window_;
};

TEST_F(RemoteLogsWindowTest, OpeningRunsTheScriptThenBothDownloadsAndAnalysesWhatTheyFetched) {
    Open(RemoteReport());
    EXPECT_EQ(windows_.Shown, (std::vector<std::string>{"frmTelnetCmd", "frmFTP", "frmDownloadWEB",
                                                        "frmProgress"}));
    EXPECT_NE(windows_.Terminal.find("Connecting to '127.0.0.1'"), std::string::npos);
    EXPECT_NE(windows_.Terminal.find("ran exit\nlogged out"), std::string::npos)
        << windows_.Terminal;
    const std::string ftp2 = std::to_string(LogLines("10.0.1.2", 3).size());
    const std::string web2 = std::to_string(LogLines("10.0.2.2", 5).size());
    EXPECT_EQ(windows_.FtpStatus,
              "Receiving: /sub/ftp2.log | Received " + ftp2 + " of " + ftp2 + " bytes");
    EXPECT_EQ(windows_.WebStatus, "Receiving: " + Web("/sub/web2.log").substr(1) + " | Received " +
                                      web2 + " of " + web2 + " bytes");
    EXPECT_TRUE(messages_.Shown.empty());
    EXPECT_EQ(HitCount(), 2 + 3 + 4 + 5);
    EXPECT_TRUE(std::filesystem::exists(folder_ + "down-ftp/ftp2.log"));
    EXPECT_TRUE(std::filesystem::exists(folder_ + "down-web/web2.log"));
    EXPECT_EQ(window_->TitleLabel()->text(), "  General");
}

TEST_F(RemoteLogsWindowTest, KeysTypedIntoTheTerminalGoToTheServer) {
    TReportRecord report = RemoteReport();
    report.TelnetCommands = "\"login:\",\"loguser\"";
    report.FTPFiles = report.WEBFiles = "";
    bool answered = false;
    WhenModal<TfrmTelnetCmd>([&](TfrmTelnetCmd& telnet) {
        ASSERT_TRUE(
            WaitUntil([&] { return ScreenText(telnet).find("Password:") != std::string::npos; }));
        EXPECT_TRUE(telnet.CancelButton()->isEnabled());
        QTest::keyClicks(telnet.Terminal(), "secret");
        QTest::keyClick(telnet.Terminal(), Qt::Key_Return);
        ASSERT_TRUE(WaitUntil([&] { return ScreenText(telnet).find("$") != std::string::npos; }));
        QTest::keyClicks(telnet.Terminal(), "exit");
        QTest::keyClick(telnet.Terminal(), Qt::Key_Return);
        // "Auto close": the server ends the session after the command.
        answered = WaitUntil([&] { return !telnet.isVisible(); });
    });
    Open(report);
    EXPECT_TRUE(answered);
    EXPECT_NE(windows_.Terminal.find("ran exit"), std::string::npos) << windows_.Terminal;
    EXPECT_EQ(windows_.Terminal.find("secret"), std::string::npos) << "typed text is not echoed";
}

TEST_F(RemoteLogsWindowTest, CancelInEachWindowStopsThatStepAndKeepsWhatWasFetchedBefore) {
    std::string big;
    while (big.size() < 400000) big += LogLines("10.0.3.1", 9);
    Write(served_ + "big.log", big);
    TReportRecord report = RemoteReport();
    report.TelnetOptions = "1";
    report.TelnetCommands = "\"login:\",\"loguser\"";
    report.FTPSite = "127.0.0.1:" + std::to_string(servers_->SlowFtpPort());
    report.FTPFiles = "1/ftp.log\n1/big.log\n1/sub/ftp2.log";
    report.WEBFiles = Web("/web.log") + "\n" + Web("/stall/web.log") + "\n" + Web("/sub/web2.log");

    bool telnetCancelled = false, ftpCancelled = false, webCancelled = false;
    WhenModal<TfrmTelnetCmd>([&](TfrmTelnetCmd& telnet) {
        ASSERT_TRUE(
            WaitUntil([&] { return ScreenText(telnet).find("Password:") != std::string::npos; }));
        QTest::mouseClick(telnet.CancelButton(), Qt::LeftButton);
        telnetCancelled = !telnet.isVisible();
    });
    WhenModal<TfrmFTP>([&](TfrmFTP& ftp) {
        const QLabel* status = ftp.Display()->StatusLine();
        const QLabel* bytes = ftp.Display()->ByteCountLine();
        ASSERT_TRUE(WaitUntil([&] {
            return status->text() == "Receiving: /big.log" && bytes->text().startsWith("Received");
        }));
        EXPECT_GT(ftp.Display()->ProgressBar()->value(), 0);
        QTest::mouseClick(ftp.CancelButton(), Qt::LeftButton);
        ftpCancelled = !ftp.isVisible();
    });
    // The stalling server announces 1000 bytes more than it sends.
    const size_t webSize = LogLines("10.0.2.1", 4).size();
    const QString stalled = QString("Received %1 of %2 bytes").arg(webSize).arg(webSize + 1000);
    WhenModal<TfrmDownloadWEB>([&](TfrmDownloadWEB& web) {
        const QLabel* status = web.Display()->StatusLine();
        ASSERT_TRUE(WaitUntil([&] {
            return status->text().contains("/stall/") &&
                   web.Display()->ByteCountLine()->text() == stalled;
        })) << status->text().toStdString()
            << " | " << web.Display()->ByteCountLine()->text().toStdString();
        QTest::mouseClick(web.CancelButton(), Qt::LeftButton);
        webCancelled = !web.isVisible();
    });
    Open(report);
    EXPECT_TRUE(telnetCancelled);
    EXPECT_TRUE(ftpCancelled);
    EXPECT_TRUE(webCancelled);
    EXPECT_TRUE(messages_.Shown.empty());
    // ftp.log and web.log, fetched before the cancelled files; nothing after them.
    EXPECT_EQ(HitCount(), 2 + 4);
    EXPECT_FALSE(std::filesystem::exists(folder_ + "down-ftp/ftp2.log"));
    EXPECT_FALSE(std::filesystem::exists(folder_ + "down-web/web2.log"));
}

TEST_F(RemoteLogsWindowTest, DeadServersAndAMissingFileAreShownAndTheWindowStaysUsable) {
    int deadPort = 0;
    ::close(BindLoopback(SOCK_STREAM, deadPort));
    window_->FetchLimits().TelnetPort = static_cast<uint16_t>(deadPort);
    TReportRecord report = RemoteReport();
    report.FTPSite = "127.0.0.1:" + std::to_string(deadPort);
    report.WEBFiles = Web("/missing.log") + "\n" + Web("/web.log");

    std::string telnetScreen, ftpStatus, webStatus;
    WhenModal<TfrmTelnetCmd>([&](TfrmTelnetCmd& telnet) {
        ASSERT_TRUE(WaitUntil(
            [&] { return ScreenText(telnet).find("Connection failed") != std::string::npos; }));
        telnetScreen = ScreenText(telnet);
        EXPECT_FALSE(telnet.CancelButton()->isEnabled());
        QTest::mouseClick(telnet.OkButton(), Qt::LeftButton);
    });
    WhenModal<TfrmFTP>([&](TfrmFTP& ftp) {
        ASSERT_TRUE(
            WaitUntil([&] { return ftp.Display()->StatusLine()->text().startsWith("Error = "); }));
        ftpStatus = ftp.Display()->StatusLine()->text().toStdString();
        QTest::mouseClick(ftp.CancelButton(), Qt::LeftButton);
    });
    WhenModal<TfrmDownloadWEB>([&](TfrmDownloadWEB& web) {
        ASSERT_TRUE(
            WaitUntil([&] { return web.Display()->StatusLine()->text().startsWith("Failed: "); }));
        webStatus = web.Display()->StatusLine()->text().toStdString();
        // The failure stays on show until Cancel; later lines are not fetched.
        QTest::qWait(50);
        EXPECT_TRUE(web.isVisible());
        QTest::mouseClick(web.CancelButton(), Qt::LeftButton);
    });
    Open(report);
    EXPECT_NE(telnetScreen.find("Connection failed: Connection refused"), std::string::npos)
        << telnetScreen;
    EXPECT_EQ(ftpStatus.rfind("Error = 111 (", 0), 0u) << ftpStatus;
    EXPECT_EQ(webStatus, "Failed: " + Web("/missing.log").substr(1) + " (HTTP status 404)");
    EXPECT_EQ(HitCount(), 0);
    EXPECT_FALSE(std::filesystem::exists(folder_ + "down-web/web.log"));
    EXPECT_EQ(window_->windowTitle(), "Vestrel [Remote]");
    EXPECT_EQ(window_->TitleLabel()->text(), "  General");
    window_->Tree()->setCurrentItem(window_->TreeItem("actVisitBrowser"));
    EXPECT_EQ(window_->TitleLabel()->text(), "  Browser");
}

TEST_F(RemoteLogsWindowTest, MistakesInTheScriptAndTheSiteAreShownAndTheOpeningGoesOn) {
    TReportRecord report = RemoteReport();
    report.TelnetCommands = "\"login:\",\"loguser\"\n\"\",\"secret\"";
    report.FTPSite = " ";
    bool idle = false;
    WhenModal<TfrmTelnetCmd>([&](TfrmTelnetCmd& telnet) {
        ASSERT_TRUE(WaitUntil([&] { return !messages_.Shown.empty(); }));
        QTest::qWait(50);
        idle = !telnet.CancelButton()->isEnabled() &&
               ScreenText(telnet).find("Connecting") == std::string::npos;
        QTest::mouseClick(telnet.OkButton(), Qt::LeftButton);
    });
    Open(report);
    EXPECT_TRUE(idle) << "no connection after a refused prompt";
    ASSERT_EQ(messages_.Shown.size(), 2u);
    EXPECT_EQ(messages_.Shown[0].Text, "AddEvent: String to search empty");
    EXPECT_EQ(messages_.Shown[1].Text, "FTP Host Name is missing");
    EXPECT_EQ(messages_.Shown[1].Kind, TMessageKind::Error);
    EXPECT_EQ(HitCount(), 4 + 5);
}

TEST_F(RemoteLogsWindowTest, AWebServerThatStopsAnsweringIsGivenUpForTheNextFile) {
    window_->FetchLimits().TimeoutSeconds = 1;
    TReportRecord report = RemoteReport();
    report.TelnetOptions = "0";
    report.FTPFiles = "";
    report.WEBFiles = Web("/stall/web.log") + "\n" + Web("/sub/web2.log");
    Open(report);
    EXPECT_EQ(windows_.Shown, (std::vector<std::string>{"frmDownloadWEB", "frmProgress"}));
    EXPECT_TRUE(messages_.Shown.empty());
    EXPECT_EQ(HitCount(), 5);
}

class DnsLookupWindowTest : public RemoteLogsWindowTest {
  protected:
    void OpenLog(const std::string& name, const std::string& log) {
        const std::string path = folder_ + name + ".log";
        Write(path, log);
        TReportRecord report;
        report.Name = name;
        report.Domain = "www.example.com";
        report.LogFiles = "1" + path;
        report.TelnetOptions = "0";
        Open(report);
    }
    std::string HostOfHit(int hit) const { return window_->Model().Analyzer->HitFieldText(0, hit); }
    const std::string kHosts = LogLines("10.0.9.1", 1) + LogLines("10.0.9.2", 1) +
                               LogLines("10.0.9.3", 1) + LogLines("www.example.org", 1);
};

TEST_F(DnsLookupWindowTest, LookupNamesTheLoadedHostsAndClosesAtOnceWithoutAny) {
    Write(folder_ + "hosts", "10.0.9.1 one.test\n10.0.9.2 two.test\n");
    TDnsmasqServer dns(folder_ + "hosts");
    ASSERT_TRUE(dns.Ready()) << "dnsmasq did not start";
    window_->FetchLimits().DnsServer = "127.0.0.1:" + std::to_string(dns.Port());

    OpenLog("Named", LogLines("www.example.org", 3));
    window_->Command("actDNSLookup")->trigger();
    EXPECT_EQ(windows_.Shown.back(), "frmDNSLookup");
    EXPECT_TRUE(messages_.Shown.empty());

    OpenLog("Numeric", kHosts);
    std::vector<std::string> hosts;
    window_->Command("actDNSLookup")->trigger();
    for (int hit = 0; hit < HitCount(); ++hit) hosts.push_back(HostOfHit(hit));
    EXPECT_EQ(hosts,
              (std::vector<std::string>{"one.test", "two.test", "10.0.9.3", "www.example.org"}));
    EXPECT_TRUE(std::filesystem::exists(folder_ + "DNSData.vtd"));
    EXPECT_TRUE(messages_.Shown.empty());
}

TEST_F(DnsLookupWindowTest, CancelShowsTerminatingAndGivesNoNames) {
    int silentPort = 0;
    const int silent = BindLoopback(SOCK_DGRAM, silentPort);
    window_->FetchLimits().DnsServer = "127.0.0.1:" + std::to_string(silentPort);
    OpenLog("Numeric", kHosts);
    std::string status;
    WhenModal<TfrmDNSLookup>([&](TfrmDNSLookup& dialog) {
        EXPECT_TRUE(WaitUntil([&] { return dialog.ProgressBar()->maximum() == 3; }));
        QTest::mouseClick(dialog.CancelButton(), Qt::LeftButton);
        status = dialog.StatusLine()->text().toStdString();
        EXPECT_FALSE(dialog.isVisible());
    });
    window_->Command("actDNSLookup")->trigger();
    ::close(silent);
    EXPECT_EQ(status, "Terminating...");
    EXPECT_EQ(HostOfHit(0), "10.0.9.1");
    EXPECT_TRUE(messages_.Shown.empty());
}

TEST_F(DnsLookupWindowTest, LookupAtTheCursorNamesItsHostOrSaysWhyNot) {
    Write(folder_ + "hosts", "10.0.9.1 one.test\n10.0.9.2 two.test\n");
    TDnsmasqServer dns(folder_ + "hosts");
    ASSERT_TRUE(dns.Ready()) << "dnsmasq did not start";
    window_->FetchLimits().DnsServer = "127.0.0.1:" + std::to_string(dns.Port());
    OpenLog("Numeric", kHosts);
    QAction* lookup = window_->Command("actDNSLookupAtCursor");
    EXPECT_FALSE(lookup->isEnabled());
    window_->Tree()->setCurrentItem(window_->TreeItem("actLogData"));
    EXPECT_TRUE(lookup->isEnabled());

    QTableView* grid = window_->Pages()->LogGrid();
    grid->setCurrentIndex(grid->model()->index(0, 0));
    lookup->trigger();
    ASSERT_TRUE(WaitUntil([&] { return !window_->CursorLookupRunning(); }));
    EXPECT_EQ(grid->model()->index(0, 0).data().toString(), "one.test");
    EXPECT_TRUE(messages_.Shown.empty());

    grid->setCurrentIndex(grid->model()->index(2, 0));
    lookup->trigger();
    ASSERT_TRUE(WaitUntil([&] { return !window_->CursorLookupRunning(); }));
    ASSERT_EQ(messages_.Shown.size(), 1u);
    EXPECT_EQ(messages_.Shown[0].Kind, TMessageKind::Error);
    EXPECT_EQ(messages_.Shown[0].Text.rfind("IP Address not found, Error #", 0), 0u);
    EXPECT_EQ(HostOfHit(2), "10.0.9.3");

    // A host name is not looked up.
    grid->setCurrentIndex(grid->model()->index(3, 0));
    lookup->trigger();
    EXPECT_FALSE(window_->CursorLookupRunning());

    // In the filtered log data the name goes into the table's host cells.
    WhenModal<TfrmLogFilter>([](TfrmLogFilter& dialog) { dialog.accept(); });
    window_->Command("actFilterLogData")->trigger();
    EXPECT_TRUE(lookup->isEnabled());
    QTableView* table = window_->Pages()->ReportTable();
    ASSERT_EQ(table->model()->rowCount(), 4);
    EXPECT_EQ(table->model()->index(0, 0).data().toString(), "one.test");
    table->setCurrentIndex(table->model()->index(1, 0));
    lookup->trigger();
    ASSERT_TRUE(WaitUntil([&] { return !window_->CursorLookupRunning(); }));
    EXPECT_EQ(table->model()->index(1, 0).data().toString(), "two.test");
    EXPECT_EQ(messages_.Shown.size(), 1u);
}

TEST_F(DnsLookupWindowTest, OpeningAnotherReportStopsALookupAtTheCursor) {
    int silentPort = 0;
    const int silent = BindLoopback(SOCK_DGRAM, silentPort);
    window_->FetchLimits().DnsServer = "127.0.0.1:" + std::to_string(silentPort);
    OpenLog("Numeric", kHosts);
    window_->Tree()->setCurrentItem(window_->TreeItem("actLogData"));
    QTableView* grid = window_->Pages()->LogGrid();
    grid->setCurrentIndex(grid->model()->index(0, 0));
    window_->Command("actDNSLookupAtCursor")->trigger();
    EXPECT_TRUE(window_->CursorLookupRunning());
    OpenLog("Other", kHosts);
    EXPECT_FALSE(window_->CursorLookupRunning());
    QTest::qWait(50);
    ::close(silent);
    EXPECT_TRUE(messages_.Shown.empty());
    EXPECT_EQ(HostOfHit(0), "10.0.9.1");
}

}  // namespace
