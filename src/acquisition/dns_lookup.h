// Reverse DNS lookups: the "DNS Lookup" dialog's work as a component (up to 64 lookups outstanding,
// progress, cancel), the single lookup of one address, and the resolving of every numeric host of
// a loaded log into the hit store and the cache file "DNSData.vtd".
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

struct hostent;

namespace vestrel {

class TLogAnalyzer;

// Error code of a lookup that failed in the machinery rather than in DNS: an address text that
// is not IPv4, or a failure of the sockets the lookups run on. Other non-zero codes are the
// resolver's status codes (c-ares ARES_E*).
constexpr int kLookupBackgroundFailure = 999;
constexpr int kLookupChannelCount = 64;

struct TDNSLookupOptions {
    // "host:port" (or a comma-separated list of them) of the name server to ask; empty uses the
    // system's configuration.
    std::string Server;
    int TimeoutSeconds = 300;  // the whole run; outstanding lookups are stopped when it passes
    int AttemptTimeoutMs = 3000;
    int Tries = 2;
};

// Events of a lookup run, delivered on the thread that calls Run().
class TDNSLookupObserver {
  public:
    virtual ~TDNSLookupObserver() = default;
    virtual void SetProgressMax(int max) { (void)max; }
    virtual void SetProgress(int position) { (void)position; }
    virtual void SetStatusText(const std::string& text) { (void)text; }
    virtual void LookupStarted(int channel, int entry) {
        (void)channel;
        (void)entry;
    }
    // `errorCode` 0 is success; `names` may still be empty then.
    virtual void LookupDone(int channel, int entry, int errorCode,
                            const std::vector<std::string>& names) {
        (void)channel;
        (void)entry;
        (void)errorCode;
        (void)names;
    }
};

// One run of the lookup dialog over a list of address texts: each text is replaced by the first
// name found or by the empty text.
class TDNSLookup {
  public:
    enum class TOutcome { Completed, Cancelled, TimedOut };

    explicit TDNSLookup(TDNSLookupOptions options = {});
    TDNSLookup(const TDNSLookup&) = delete;
    TDNSLookup& operator=(const TDNSLookup&) = delete;
    ~TDNSLookup();

    // Runs until every entry is answered, Cancel() or the timeout. Raises EVestrelError when the
    // resolver cannot be set up (for instance a malformed server option).
    TOutcome Run(std::vector<std::string>& entries, TDNSLookupObserver& observer);
    // Safe from any thread and from the observer's callbacks.
    void Cancel() { cancelled_.store(true); }

  private:
    struct TChannel {
        TDNSLookup* Owner = nullptr;
        int Index = 0;
        int Entry = -1;        // -1 while idle
        uint32_t Address = 0;  // the address looked up, in network order
    };
    struct TCompletion {
        int Channel;
        int ErrorCode;
        std::vector<std::string> Names;
    };

    static void OnPtrAnswer(void* arg, int status, int timeouts, unsigned char* reply, int length);
    TOutcome Stop(TOutcome outcome);
    void OpenResolver();
    void CloseResolver();
    void StartLookup(TChannel& channel, int entry);
    void HandleCompletions();
    void Complete(const TCompletion& completion);
    bool WaitForSockets(int maxWaitMs);
    void FailOutstanding();

    TDNSLookupOptions options_;
    std::atomic<bool> cancelled_{false};
    void* resolver_ = nullptr;  // ares_channel
    std::array<TChannel, kLookupChannelCount> channels_;
    std::deque<TCompletion> completions_;
    std::vector<std::string>* entries_ = nullptr;
    TDNSLookupObserver* observer_ = nullptr;
    size_t nextEntry_ = 0;
    size_t answered_ = 0;
};

struct TSingleLookupResult {
    int ErrorCode = 0;
    std::vector<std::string> Names;
};

// Looks up one address text (the "D" tool button), waiting for the answer.
TSingleLookupResult LookupAddress(const std::string& address, const TDNSLookupOptions& options);
// The same on a lookup of the caller's, which another thread may Cancel().
TSingleLookupResult LookupAddress(TDNSLookup& lookup, const std::string& address);
// "IP Address not found, Error #" and the code, unsigned.
std::string LookupFailureText(int errorCode);

struct TResolveSummary {
    size_t HostsLookedUp = 0;
    size_t NamesFound = 0;
    // Lookups that got no answer at all (refused, timed out, a broken reply), as opposed to the
    // answer that the address has no name; the first such failure's text.
    size_t LookupsFailed = 0;
    std::string FirstFailure;
    TDNSLookup::TOutcome Outcome = TDNSLookup::TOutcome::Completed;
};

// Whether a lookup's error code means the server could not answer, rather than that the address
// has no name.
bool IsLookupFailure(int errorCode);

// The hosts of the hits that begin with a digit 1..9: distinct, sorted, each with the HostKey of
// its first hit. They are what the "DNS Lookup..." command looks up.
struct TNumericHosts {
    std::vector<std::string> Texts;
    std::vector<int32_t> Keys;
};
TNumericHosts NumericHosts(const TLogAnalyzer& analyzer);
// Gives the hits of Texts[i] the name names[i] (none when it is empty), adds each name to the
// analyser's cache dated today and rewrites the cache file; answers how many names were given.
// Raises EVestrelError when the cache file cannot be written.
size_t ApplyHostNames(TLogAnalyzer& analyzer, const TNumericHosts& hosts,
                      const std::vector<std::string>& names);

// The "DNS Lookup..." command: looks up every distinct host of the hits that begins with a digit
// 1..9, gives the hits the names found, adds them to the analyser's cache dated today and rewrites
// the cache file. Names found before a cancel are kept. Raises EVestrelError when the cache file
// cannot be written.
TResolveSummary ResolveHosts(TLogAnalyzer& analyzer, const TDNSLookupOptions& options,
                             TDNSLookupObserver& observer);

}  // namespace vestrel
