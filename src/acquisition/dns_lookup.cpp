// The lookups run on one c-ares resolver driven from the caller's thread. Each of the 64 logical
// channels carries the index of its entry; answers are queued by the resolver's callback and
// handled between resolver calls, so the observer never runs inside c-ares.
#include "acquisition/dns_lookup.h"

#include <ares.h>
#include <arpa/inet.h>
#include <netdb.h>
#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <map>

#include "engine/date_time.h"
#include "engine/errors.h"
#include "engine/log_analyzer.h"

namespace vestrel {

namespace {

constexpr int kLongestWaitMs = 50;  // how soon a Cancel() from another thread is noticed
constexpr int kClassInternet = 1, kTypePtr = 12;

ares_channel Resolver(void* resolver) {
    return static_cast<ares_channel>(resolver);
}

std::vector<std::string> AnswerNames(const hostent* host) {
    std::vector<std::string> names;
    if (host == nullptr || host->h_name == nullptr) return names;
    names.emplace_back(host->h_name);
    // c-ares lists every PTR name among the aliases, the first one included.
    for (char** alias = host->h_aliases; alias != nullptr && *alias != nullptr; ++alias)
        if (std::find(names.begin(), names.end(), *alias) == names.end())
            names.emplace_back(*alias);
    return names;
}

void InitAresLibrary() {
    static const int status = ares_library_init(ARES_LIB_INIT_ALL);
    if (status != ARES_SUCCESS)
        throw EVestrelError(std::string("Cannot start the resolver: ") + ares_strerror(status));
}

}  // namespace

TDNSLookup::TDNSLookup(TDNSLookupOptions options) : options_(std::move(options)) {
    for (int i = 0; i < kLookupChannelCount; ++i) channels_[i] = {this, i, -1};
}

TDNSLookup::~TDNSLookup() {
    CloseResolver();
}

TDNSLookup::TOutcome TDNSLookup::Run(std::vector<std::string>& entries,
                                     TDNSLookupObserver& observer) {
    entries_ = &entries;
    observer_ = &observer;
    nextEntry_ = answered_ = 0;
    observer.SetProgressMax(static_cast<int>(entries.size()));
    if (entries.empty()) return TOutcome::Completed;
    OpenResolver();
    const size_t opened = std::min(entries.size(), static_cast<size_t>(kLookupChannelCount));
    for (nextEntry_ = 0; nextEntry_ < opened; ++nextEntry_)
        StartLookup(channels_[nextEntry_], static_cast<int>(nextEntry_));
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::seconds(options_.TimeoutSeconds);
    for (;;) {
        HandleCompletions();
        if (cancelled_.load()) {
            observer.SetStatusText("Terminating...");
            return Stop(TOutcome::Cancelled);
        }
        if (answered_ == entries.size()) return Stop(TOutcome::Completed);
        if (std::chrono::steady_clock::now() >= deadline) return Stop(TOutcome::TimedOut);
        if (!WaitForSockets(kLongestWaitMs)) FailOutstanding();
    }
}

// Entries never started lose their address text too, so every entry holds a name or nothing.
TDNSLookup::TOutcome TDNSLookup::Stop(TOutcome outcome) {
    CloseResolver();
    for (size_t i = nextEntry_; i < entries_->size(); ++i) (*entries_)[i].clear();
    return outcome;
}

void TDNSLookup::OpenResolver() {
    InitAresLibrary();
    ares_options settings{};
    settings.timeout = options_.AttemptTimeoutMs;
    settings.tries = options_.Tries;
    char dnsOnly[] = "b";  // never the hosts file
    settings.lookups = dnsOnly;
    // A truncated reply is taken as it is: retrying it over TCP, which a server need not offer,
    // would fail the other lookups queued on that connection too.
    settings.flags = ARES_FLAG_IGNTC;
    ares_channel resolver = nullptr;
    int status =
        ares_init_options(&resolver, &settings,
                          ARES_OPT_TIMEOUTMS | ARES_OPT_TRIES | ARES_OPT_LOOKUPS | ARES_OPT_FLAGS);
    if (status != ARES_SUCCESS)
        throw EVestrelError(std::string("Cannot start the resolver: ") + ares_strerror(status));
    resolver_ = resolver;
    if (options_.Server.empty()) return;
    status = ares_set_servers_ports_csv(resolver, options_.Server.c_str());
    if (status == ARES_SUCCESS) return;
    CloseResolver();
    throw EVestrelError("Cannot use the name server \"" + options_.Server +
                        "\": " + ares_strerror(status));
}

void TDNSLookup::CloseResolver() {
    // Destroying the resolver answers its outstanding lookups with ARES_EDESTRUCTION, which the
    // callback ignores.
    if (resolver_ != nullptr) ares_destroy(Resolver(resolver_));
    resolver_ = nullptr;
    completions_.clear();
    for (TChannel& channel : channels_) channel.Entry = -1;
}

void TDNSLookup::StartLookup(TChannel& channel, int entry) {
    std::string& text = (*entries_)[static_cast<size_t>(entry)];
    in_addr address{};
    const bool numeric = inet_pton(AF_INET, text.c_str(), &address) == 1;
    text.clear();
    channel.Entry = entry;
    observer_->LookupStarted(channel.Index, entry);
    if (!numeric) {
        completions_.push_back({channel.Index, kLookupBackgroundFailure, {}});
        return;
    }
    // A PTR query of its own rather than ares_gethostbyaddr, which reports every failure (a
    // refusing server, a broken reply) as "not found".
    const auto* octets = reinterpret_cast<const unsigned char*>(&address);
    const std::string reverse = std::to_string(octets[3]) + "." + std::to_string(octets[2]) + "." +
                                std::to_string(octets[1]) + "." + std::to_string(octets[0]) +
                                ".in-addr.arpa";
    channel.Address = address.s_addr;
    ares_query(Resolver(resolver_), reverse.c_str(), kClassInternet, kTypePtr, OnPtrAnswer,
               &channel);
}

void TDNSLookup::OnPtrAnswer(void* arg, int status, int, unsigned char* reply, int length) {
    if (status == ARES_ECANCELLED || status == ARES_EDESTRUCTION) return;
    auto* channel = static_cast<TChannel*>(arg);
    hostent* host = nullptr;
    if (status == ARES_SUCCESS)
        status = ares_parse_ptr_reply(reply, length, &channel->Address, sizeof channel->Address,
                                      AF_INET, &host);
    channel->Owner->completions_.push_back({channel->Index, status, AnswerNames(host)});
    if (host != nullptr) ares_free_hostent(host);
}

void TDNSLookup::HandleCompletions() {
    while (!completions_.empty() && !cancelled_.load()) {
        const TCompletion completion = std::move(completions_.front());
        completions_.pop_front();
        Complete(completion);
    }
}

void TDNSLookup::Complete(const TCompletion& completion) {
    TChannel& channel = channels_[static_cast<size_t>(completion.Channel)];
    const int entry = channel.Entry;
    channel.Entry = -1;
    if (completion.ErrorCode == 0 && !completion.Names.empty()) {
        (*entries_)[static_cast<size_t>(entry)] = completion.Names.front();
        observer_->SetStatusText(completion.Names.front());
    }
    observer_->LookupDone(channel.Index, entry, completion.ErrorCode, completion.Names);
    if (nextEntry_ < entries_->size()) StartLookup(channel, static_cast<int>(nextEntry_++));
    observer_->SetProgress(static_cast<int>(++answered_));
}

// Waits up to `maxWaitMs` for the resolver's sockets and lets it handle them and its timeouts;
// false when the sockets cannot be watched.
bool TDNSLookup::WaitForSockets(int maxWaitMs) {
    ares_socket_t sockets[ARES_GETSOCK_MAXNUM];
    const int mask = ares_getsock(Resolver(resolver_), sockets, ARES_GETSOCK_MAXNUM);
    std::vector<pollfd> watched;
    for (int i = 0; i < ARES_GETSOCK_MAXNUM; ++i) {
        short events = 0;
        if (ARES_GETSOCK_READABLE(mask, i)) events |= POLLIN;
        if (ARES_GETSOCK_WRITABLE(mask, i)) events |= POLLOUT;
        if (events != 0) watched.push_back({sockets[i], events, 0});
    }
    timeval longest{0, maxWaitMs * 1000};
    timeval wait{};
    ares_timeout(Resolver(resolver_), &longest, &wait);
    const int waitMs = static_cast<int>(wait.tv_sec * 1000 + (wait.tv_usec + 999) / 1000);
    if (::poll(watched.data(), watched.size(), waitMs) < 0 && errno != EINTR) return false;
    for (const pollfd& socket : watched) {
        const bool readable = socket.revents & (POLLIN | POLLERR | POLLHUP);
        const bool writable = socket.revents & POLLOUT;
        if (readable || writable)
            ares_process_fd(Resolver(resolver_), readable ? socket.fd : ARES_SOCKET_BAD,
                            writable ? socket.fd : ARES_SOCKET_BAD);
    }
    ares_process_fd(Resolver(resolver_), ARES_SOCKET_BAD, ARES_SOCKET_BAD);  // timeouts
    return true;
}

// A failure of the machinery counts as the completion of every outstanding lookup.
void TDNSLookup::FailOutstanding() {
    ares_cancel(Resolver(resolver_));
    for (const TChannel& channel : channels_)
        if (channel.Entry >= 0)
            completions_.push_back({channel.Index, kLookupBackgroundFailure, {}});
}

TSingleLookupResult LookupAddress(const std::string& address, const TDNSLookupOptions& options) {
    TDNSLookup lookup(options);
    return LookupAddress(lookup, address);
}

TSingleLookupResult LookupAddress(TDNSLookup& lookup, const std::string& address) {
    class TCapture : public TDNSLookupObserver {
      public:
        void LookupDone(int, int, int errorCode, const std::vector<std::string>& names) override {
            Result = {errorCode, names};
        }
        TSingleLookupResult Result{ARES_ETIMEOUT, {}};
    } capture;
    std::vector<std::string> entries{address};
    lookup.Run(entries, capture);
    return capture.Result;
}

bool IsLookupFailure(int errorCode) {
    return errorCode != ARES_SUCCESS && errorCode != ARES_ENOTFOUND && errorCode != ARES_ENODATA;
}

std::string LookupFailureText(int errorCode) {
    return "IP Address not found, Error #" + std::to_string(static_cast<unsigned>(errorCode));
}

TNumericHosts NumericHosts(const TLogAnalyzer& analyzer) {
    std::map<std::string, int32_t, std::less<>> firstKeys;
    for (int32_t i = 0; i < analyzer.HitCount; ++i) {
        const std::string_view host = analyzer.HostText(analyzer.Hits[i]);
        if (!host.empty() && host[0] >= '1' && host[0] <= '9' && !firstKeys.contains(host))
            firstKeys.emplace(host, analyzer.Hits[i].HostKey);
    }
    TNumericHosts hosts;
    for (const auto& [text, key] : firstKeys) {
        hosts.Texts.push_back(text);
        hosts.Keys.push_back(key);
    }
    return hosts;
}

size_t ApplyHostNames(TLogAnalyzer& analyzer, const TNumericHosts& hosts,
                      const std::vector<std::string>& names) {
    const double today = Today();
    size_t given = 0;
    for (size_t i = 0; i < names.size() && i < hosts.Keys.size(); ++i) {
        uint32_t address = 0;
        if (names[i].empty() || !HostAddress(analyzer.Hosts.Get(hosts.Keys[i]), address)) continue;
        analyzer.DNSCache.Append(address, names[i], today);
        analyzer.Hosts.Put(hosts.Keys[i], names[i]);
        ++given;
    }
    analyzer.DNSCache.Sort();
    analyzer.DNSCache.Write(analyzer.DataFolder + "DNSData.vtd");
    return given;
}

namespace {

// Passes every event on and counts the lookups that failed.
class TFailureCount : public TDNSLookupObserver {
  public:
    TFailureCount(TDNSLookupObserver& observer, TResolveSummary& summary)
        : observer_(observer), summary_(summary) {}
    void SetProgressMax(int max) override { observer_.SetProgressMax(max); }
    void SetProgress(int position) override { observer_.SetProgress(position); }
    void SetStatusText(const std::string& text) override { observer_.SetStatusText(text); }
    void LookupStarted(int channel, int entry) override { observer_.LookupStarted(channel, entry); }
    void LookupDone(int channel, int entry, int errorCode,
                    const std::vector<std::string>& names) override {
        if (IsLookupFailure(errorCode) && summary_.LookupsFailed++ == 0)
            summary_.FirstFailure = errorCode == kLookupBackgroundFailure
                                        ? std::string("the lookups' sockets failed")
                                        : ares_strerror(errorCode);
        observer_.LookupDone(channel, entry, errorCode, names);
    }

  private:
    TDNSLookupObserver& observer_;
    TResolveSummary& summary_;
};

}  // namespace

TResolveSummary ResolveHosts(TLogAnalyzer& analyzer, const TDNSLookupOptions& options,
                             TDNSLookupObserver& observer) {
    const TNumericHosts hosts = NumericHosts(analyzer);
    std::vector<std::string> names = hosts.Texts;
    TResolveSummary summary;
    summary.HostsLookedUp = names.size();
    TDNSLookup lookup(options);
    TFailureCount counting(observer, summary);
    summary.Outcome = lookup.Run(names, counting);
    summary.NamesFound = ApplyHostNames(analyzer, hosts, names);
    return summary;
}

}  // namespace vestrel
