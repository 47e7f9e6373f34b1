#include "cli/load_commands.h"
#include "cli/standard_output.h"

#include <cstdio>

#include "engine/locale_info.h"
#include "engine/text_util.h"

namespace vestrel::cli {

namespace {

std::string TimeText(double time) {
    return TLocaleInfo::Iso().FormatDateTime(time);
}

// Prints the error that ended the run, after what was loaded before it.
int Finish(const TLoadResult& result) {
    if (result.Error.empty()) return 0;
    std::fprintf(stderr, "vestrel-cli: %s\n", vestrel::VisibleControls(result.Error).c_str());
    return 1;
}

void AppendNumber(std::string& out, long long value) {
    char text[24];
    const int length = std::snprintf(text, sizeof text, "%lld", value);
    out.append(text, static_cast<size_t>(length));
}

}  // namespace

void AppendEscaped(std::string& out, std::string_view text) {
    for (char c : text) {
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\n':
                out += "\\n";
                break;
            default:
                if (IsHiddenControl(c))
                    AppendHexEscape(out, c);
                else
                    out += c;
        }
    }
}

int RunLoadCommand(const TLoadOptions& options) {
    const TLoadResult result = RunLoad(options);
    const TLogAnalyzer& a = result.Loaded();
    const bool any = a.HitCount > 0;
    std::printf("Hits=%d\nUsers=%d\n", a.HitCount, a.UserCount);
    std::printf("FirstHit=%s\n", any ? TimeText(a.FirstHit).c_str() : "---");
    std::printf("LastHit=%s\n", any ? TimeText(a.LastHit).c_str() : "---");
    std::printf("TotalBytes=%.0f\nCachedHits=%d\nIncompleteHits=%d\nFailedHits=%d\n", a.TotalBytes,
                a.CachedHits, a.IncompleteHits, a.FailedHits);
    std::printf("SkippedLines=%d\n", a.SkippedLines);
    std::printf("LoadTimeMs=%lld\n", static_cast<long long>(result.LoadTimeMs));
    FlushOutput();
    return Finish(result);
}

int RunDumpCommand(const TLoadOptions& options, long limit) {
    const TLoadResult result = RunLoad(options);
    const TLogAnalyzer& a = result.Loaded();
    std::string out;
    const long count = limit >= 0 && limit < a.HitCount ? limit : a.HitCount;
    for (long i = 0; i < count; ++i) {
        const TLogHit& hit = a.Hits[i];
        AppendEscaped(out, a.HostText(hit));
        out += '\t';
        AppendEscaped(out, a.UserText(hit));
        out += '\t';
        out += TimeText(hit.Time);
        out += '\t';
        AppendNumber(out, hit.Method);
        out += '\t';
        AppendNumber(out, hit.Version);
        out += '\t';
        AppendEscaped(out, a.UrlText(hit));
        out += '\t';
        AppendNumber(out, hit.Status);
        out += '\t';
        AppendNumber(out, hit.Bytes);
        out += '\t';
        AppendEscaped(out, a.ReferrerText(hit));
        out += '\t';
        AppendEscaped(out, a.AgentText(hit));
        out += '\t';
        AppendNumber(out, hit.Uid);
        out += '\n';
        if (out.size() > (1 << 16)) {
            std::fwrite(out.data(), 1, out.size(), stdout);
            out.clear();
        }
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    FlushOutput();
    return Finish(result);
}

}  // namespace vestrel::cli
