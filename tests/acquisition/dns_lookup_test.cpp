// Reverse lookups against a dnsmasq on a loopback port answering PTR queries for 10.0.1.1 ..
// 10.0.1.100 ("host-N.test") and nothing else.
#include "acquisition/dns_lookup.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <thread>

#include "engine/date_time.h"
#include "engine/errors.h"
#include "engine/log_analyzer.h"
#include "engine/log_files.h"
#include "servers/dnsmasq_server.h"

namespace vestrel {
namespace {

constexpr int kServedHosts = 100;

std::string ServedAddress(int n) {
    return "10.0.1." + std::to_string(n);
}
std::string ServedName(int n) {
    return "host-" + std::to_string(n) + ".test";
}

// Records what a run reports, and the most lookups it ever had outstanding.
class TRecorder : public TDNSLookupObserver {
  public:
    void SetProgressMax(int max) override { ProgressMax = max; }
    void SetProgress(int position) override { Progress = position; }
    void SetStatusText(const std::string& text) override { Statuses.push_back(text); }
    void LookupStarted(int, int entry) override {
        Started.push_back(entry);
        MostOutstanding = std::max(MostOutstanding, ++Outstanding);
    }
    void LookupDone(int, int entry, int errorCode, const std::vector<std::string>&) override {
        --Outstanding;
        Codes[entry] = errorCode;
        ++Done;
    }
    int ProgressMax = -1, Progress = 0, Outstanding = 0, MostOutstanding = 0, Done = 0;
    std::vector<int> Started;
    std::map<int, int> Codes;
    std::vector<std::string> Statuses;
};

class DnsLookupTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        std::string pattern = ::testing::TempDir() + "vestrel-dns-XXXXXX";
        serverFolder_ = std::string(mkdtemp(pattern.data())) + "/";
        std::ofstream hosts(serverFolder_ + "hosts");
        for (int n = 1; n <= kServedHosts; ++n)
            hosts << ServedAddress(n) << ' ' << ServedName(n) << '\n';
        hosts.close();
        server_ = std::make_unique<testing_util::TDnsmasqServer>(serverFolder_ + "hosts");
    }
    static void TearDownTestSuite() {
        server_.reset();
        std::filesystem::remove_all(serverFolder_);
    }

    void SetUp() override {
        ASSERT_TRUE(server_->Ready()) << "dnsmasq did not start";
        std::string pattern = ::testing::TempDir() + "vestrel-dnsdata-XXXXXX";
        folder_ = std::string(mkdtemp(pattern.data())) + "/";
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    static TDNSLookupOptions ServerOptions() {
        TDNSLookupOptions options;
        options.Server = "127.0.0.1:" + std::to_string(server_->Port());
        options.AttemptTimeoutMs = 1000;
        options.Tries = 1;
        return options;
    }

    TLogAnalyzer& LoadLog(const std::vector<std::string>& hosts) {
        std::ofstream log(folder_ + "access.log");
        for (const std::string& host : hosts)
            log << host << " - - [10/Mar/2024:10:00:00 +0000] \"GET / HTTP/1.1\" 200 100\n";
        log.close();
        analyzer_ = std::make_unique<TLogAnalyzer>(folder_);
        analyzer_->TimeZone = 0;
        TLogFileDataParam files;
        FillLogFileData({"1" + folder_ + "access.log"}, files);
        TLoadObserver quiet;
        LoadLogFiles(*analyzer_, files, quiet);
        return *analyzer_;
    }

    static inline std::string serverFolder_;
    static inline std::unique_ptr<testing_util::TDnsmasqServer> server_;
    std::string folder_;
    std::unique_ptr<TLogAnalyzer> analyzer_;
};

TEST_F(DnsLookupTest, HundredAddressesRunOnAtMost64ChannelsAndAllGetTheirNames) {
    std::vector<std::string> entries;
    for (int n = 1; n <= kServedHosts; ++n) entries.push_back(ServedAddress(n));
    TRecorder recorder;
    TDNSLookup lookup(ServerOptions());
    EXPECT_EQ(lookup.Run(entries, recorder), TDNSLookup::TOutcome::Completed);
    EXPECT_EQ(recorder.MostOutstanding, kLookupChannelCount);
    EXPECT_EQ(recorder.ProgressMax, kServedHosts);
    EXPECT_EQ(recorder.Progress, kServedHosts);
    EXPECT_EQ(recorder.Done, kServedHosts);
    for (int n = 1; n <= kServedHosts; ++n) EXPECT_EQ(entries[n - 1], ServedName(n));
}

TEST_F(DnsLookupTest, FailedLookupsLeaveTheEntryEmpty) {
    std::vector<std::string> entries{"10.0.9.9", ServedAddress(5), "1.2.x.4"};
    TRecorder recorder;
    TDNSLookup lookup(ServerOptions());
    EXPECT_EQ(lookup.Run(entries, recorder), TDNSLookup::TOutcome::Completed);
    EXPECT_EQ(entries, (std::vector<std::string>{"", ServedName(5), ""}));
    EXPECT_NE(recorder.Codes[0], 0);
    EXPECT_NE(recorder.Codes[0], kLookupBackgroundFailure);
    EXPECT_EQ(recorder.Codes[2], kLookupBackgroundFailure);
    EXPECT_EQ(recorder.Statuses, std::vector<std::string>{ServedName(5)});

    const TSingleLookupResult found = LookupAddress(ServedAddress(7), ServerOptions());
    EXPECT_EQ(found.ErrorCode, 0);
    EXPECT_EQ(found.Names, std::vector<std::string>{ServedName(7)});
    const TSingleLookupResult unknown = LookupAddress("10.0.9.9", ServerOptions());
    EXPECT_NE(unknown.ErrorCode, 0);
    EXPECT_EQ(LookupFailureText(-1), "IP Address not found, Error #4294967295");
}

TEST_F(DnsLookupTest, EmptyListFinishesAtOnce) {
    std::vector<std::string> entries;
    TRecorder recorder;
    TDNSLookupOptions unusable;
    unusable.Server = "not a server";  // never needed: nothing is looked up
    TDNSLookup lookup(unusable);
    EXPECT_EQ(lookup.Run(entries, recorder), TDNSLookup::TOutcome::Completed);
    EXPECT_EQ(recorder.ProgressMax, 0);
    EXPECT_TRUE(recorder.Started.empty());

    std::vector<std::string> one{ServedAddress(1)};
    EXPECT_THROW(TDNSLookup(unusable).Run(one, recorder), EVestrelError);
}

TEST_F(DnsLookupTest, ResolveHostsKeepsOldRecordsAndAddsTheNewOnesSortedAndDated) {
    const double today = Today();
    TDNSCache old;
    old.Append(0xC800000A, "old-kept", today - 5);      // 10.0.0.200
    old.Append(0x0300000A, "old-expired", today - 40);  // 10.0.0.3, dropped when read
    old.Write(folder_ + "DNSData.vtd");
    TLogAnalyzer& analyzer = LoadLog({ServedAddress(2), "10.0.9.9", ServedAddress(1),
                                      ServedAddress(2), "0.1.2.3", "www.example.com"});

    TRecorder recorder;
    const TResolveSummary summary = ResolveHosts(analyzer, ServerOptions(), recorder);
    EXPECT_EQ(summary.HostsLookedUp, 3u);  // 10.0.1.1, 10.0.1.2, 10.0.9.9; not 0.1.2.3
    EXPECT_EQ(summary.NamesFound, 2u);
    std::vector<std::string> hitHosts;
    for (int i = 0; i < analyzer.HitCount; ++i)
        hitHosts.emplace_back(analyzer.HostText(analyzer.Hits[i]));
    std::sort(hitHosts.begin(), hitHosts.end());
    EXPECT_EQ(hitHosts,
              (std::vector<std::string>{"0.1.2.3", "10.0.9.9", ServedName(1), ServedName(2),
                                        ServedName(2), "www.example.com"}));

    TDNSCache written;
    written.Load(folder_ + "DNSData.vtd", today);
    ASSERT_EQ(written.Entries.size(), 3u);
    // Ordered from the last octet: 10.0.1.1, 10.0.1.2, 10.0.0.200.
    EXPECT_EQ(written.Entries[0].Address, 0x0101000Au);
    EXPECT_EQ(written.Entries[0].Name, ServedName(1));
    EXPECT_EQ(written.Entries[0].Resolved, today);
    EXPECT_EQ(written.Entries[1].Name, ServedName(2));
    EXPECT_EQ(written.Entries[1].Resolved, today);
    EXPECT_EQ(written.Entries[2].Name, "old-kept");
    EXPECT_EQ(written.Entries[2].Resolved, today - 5);
}

TEST_F(DnsLookupTest, CancelStopsEveryChannelAndLeavesUnansweredEntriesEmpty) {
    std::vector<std::string> entries;
    for (int n = 1; n <= kServedHosts; ++n) entries.push_back(ServedAddress(n));
    TDNSLookup lookup(ServerOptions());
    class TCancelAfterTen : public TRecorder {
      public:
        void LookupDone(int channel, int entry, int code,
                        const std::vector<std::string>& names) override {
            TRecorder::LookupDone(channel, entry, code, names);
            if (Done == 10) Lookup->Cancel();
        }
        TDNSLookup* Lookup = nullptr;
    } recorder;
    recorder.Lookup = &lookup;
    EXPECT_EQ(lookup.Run(entries, recorder), TDNSLookup::TOutcome::Cancelled);
    EXPECT_EQ(recorder.Done, 10);
    EXPECT_EQ(recorder.Statuses.back(), "Terminating...");
    EXPECT_EQ(std::count(entries.begin(), entries.end(), ""), kServedHosts - 10);

    // A server that never answers: a Cancel() from another thread ends the run promptly, and
    // the run's timeout ends it without one.
    int silentPort = 0;
    const int silent = testing_util::BindLoopback(SOCK_DGRAM, silentPort);
    TDNSLookupOptions options;
    options.Server = "127.0.0.1:" + std::to_string(silentPort);
    std::vector<std::string> waiting{ServedAddress(1), ServedAddress(2)};
    TDNSLookup stalled(options);
    std::thread canceller([&stalled] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        stalled.Cancel();
    });
    TRecorder quiet;
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(stalled.Run(waiting, quiet), TDNSLookup::TOutcome::Cancelled);
    canceller.join();
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2));
    EXPECT_EQ(waiting, (std::vector<std::string>{"", ""}));

    options.TimeoutSeconds = 1;
    std::vector<std::string> timed{ServedAddress(3)};
    EXPECT_EQ(TDNSLookup(options).Run(timed, quiet), TDNSLookup::TOutcome::TimedOut);
    ::close(silent);
}

}  // namespace
}  // namespace vestrel
