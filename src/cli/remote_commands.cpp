#include "cli/remote_commands.h"

#include <cstdio>

#include "acquisition/dns_lookup.h"
#include "cli/report_session.h"
#include "cli/standard_output.h"
#include "engine/errors.h"

namespace vestrel::cli {

void AddFetchCommandOptions(CLI::App& command, TFetchCommandOptions& options) {
    command.add_option("--data-dir", options.DataDir, "Data folder holding the reports");
    command.add_option("--report", options.Report, "The stored report whose logs to fetch")
        ->required();
    AddFetchOptions(command, options.Fetch);
}

// The telnet session goes to standard output, then one line per file fetched.
int RunFetchCommand(const TFetchCommandOptions& options) {
    TLoadOptions load;
    load.DataDir = options.DataDir;
    load.Fetch = options.Fetch;
    const std::unique_ptr<TReportSession> session = CreateReportSession(load);
    if (!session->Store->FindReport(options.Report))
        throw EVestrelError("There is no report named \"" + options.Report + "\"");
    session->Host.Terminal = stdout;
    TLogFileDataParam files;
    session->Model->FetchRemoteLogs(session->Store->CurrentReport(), files);
    for (const std::string& line : session->Host.Fetched())
        std::printf("%s\n", line.substr(1).c_str());
    FlushOutput();
    return session->Host.DownloadFailed() ? 1 : 0;
}

void AddResolveOptions(CLI::App& command, TResolveOptions& options) {
    AddLoadOptions(command, options.Load);
    command.add_option("--dns-server", options.DnsServer,
                       "Name server to ask, as HOST:PORT (default: the system's)");
}

int RunResolveCommand(const TResolveOptions& options) {
    const TLoadResult loaded = RunLoad(options.Load);
    if (!loaded.Error.empty()) throw EVestrelError(loaded.Error);
    TDNSLookupOptions lookup;
    lookup.Server = options.DnsServer;
    lookup.TimeoutSeconds = options.Load.Fetch.TimeoutSeconds;
    TDNSLookupObserver quiet;
    const TResolveSummary summary = ResolveHosts(loaded.Loaded(), lookup, quiet);
    std::printf("HostsLookedUp=%zu\nNamesFound=%zu\nLookupsFailed=%zu\n", summary.HostsLookedUp,
                summary.NamesFound, summary.LookupsFailed);
    FlushOutput();
    if (summary.Outcome == TDNSLookup::TOutcome::TimedOut) {
        std::fprintf(stderr, "vestrel-cli: DNS lookups stopped after %d seconds\n",
                     lookup.TimeoutSeconds);
        return 1;
    }
    if (summary.LookupsFailed == 0) return 0;
    std::fprintf(stderr, "vestrel-cli: %zu of %zu DNS lookups got no answer (%s)\n",
                 summary.LookupsFailed, summary.HostsLookedUp, summary.FirstFailure.c_str());
    // Some answers are worth keeping; none at all means the name server could not be used.
    return summary.LookupsFailed == summary.HostsLookedUp ? 1 : 0;
}

}  // namespace vestrel::cli
