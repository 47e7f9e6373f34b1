#include "engine/log_analyzer.h"

#include <cstring>
#include <string>
#include <thread>
#include <unordered_map>

#include "engine/date_time.h"
#include "engine/hit_order.h"
#include "engine/text_util.h"

namespace vestrel {

namespace {

constexpr size_t kStoreStep = 20000;
constexpr size_t kTailBytes = 8000;

// Walks a common-log line token by token.
class TTokenCursor {
  public:
    TTokenCursor(const char* line, size_t length) : p_(line), end_(line + length) {}
    bool AtEnd() const { return p_ >= end_; }
    bool AtQuote() const { return p_ < end_ && *p_ == '"'; }

    // Up to the next space (or the end). Words are short (a host, a status, a size): a plain
    // scan is quicker than a call to memchr.
    std::string_view Word() {
        const char* space = p_;
        while (space < end_ && *space != ' ') ++space;
        return TakeTo(p_, space);
    }

    // Everything up to the character before the next "[", which is dropped with it.
    std::string_view UpToBracket() {
        const char* bracket = Find(p_, '[');
        if (bracket == end_) return TakeUpTo(p_, '\0');
        const char* textEnd = bracket - 1 > p_ ? bracket - 1 : p_;
        const std::string_view text(p_, static_cast<size_t>(textEnd - p_));
        p_ = bracket;
        return text;
    }

    // From the character after the cursor (an opening bracket or quote) to `close`.
    std::string_view Enclosed(char close) {
        return TakeUpTo(p_ + 1 <= end_ ? p_ + 1 : end_, close);
    }

    // From the character after the opening quote to the closing one. Apache writes a quote inside
    // the field as \" and a backslash as \\, so a quote after an odd run of backslashes is text.
    std::string_view Quoted() {
        const char* from = p_ + 1 <= end_ ? p_ + 1 : end_;
        const char* quote = Find(from, '"');
        while (quote < end_ && EscapedAt(from, quote)) quote = Find(quote + 1, '"');
        return TakeTo(from, quote);
    }

  private:
    const char* Find(const char* from, char c) const {
        const void* hit =
            from < end_ ? std::memchr(from, c, static_cast<size_t>(end_ - from)) : nullptr;
        return hit ? static_cast<const char*>(hit) : end_;
    }
    static bool EscapedAt(const char* from, const char* quote) {
        const char* p = quote;
        while (p > from && p[-1] == '\\') --p;
        return (quote - p) % 2 == 1;
    }
    // The token from `from` to `stop`; the cursor moves one past it and over spaces.
    std::string_view TakeUpTo(const char* from, char stop) {
        return TakeTo(from, stop == '\0' ? end_ : Find(from, stop));
    }
    std::string_view TakeTo(const char* from, const char* tokenEnd) {
        const std::string_view text(from, static_cast<size_t>(tokenEnd - from));
        p_ = tokenEnd < end_ ? tokenEnd + 1 : end_;
        while (p_ < end_ && *p_ == ' ') ++p_;
        return text;
    }

    const char* p_;
    const char* end_;
};

// A whole-token decimal number; a token beginning with "-", or that is no number, gives 0.
int64_t TokenNumber(std::string_view token) {
    if (token.empty() || token[0] == '-') return 0;
    size_t i = token[0] == '+' ? 1 : 0;
    if (i == token.size()) return 0;
    int64_t value = 0;
    for (; i < token.size(); ++i) {
        const char c = token[i];
        if (c < '0' || c > '9') return 0;
        value = value * 10 + (c - '0');
        if (value > INT32_MAX) return 0;
    }
    return value;
}

uint8_t MethodCode(std::string_view method) {
    int sum = 0;
    for (unsigned char c : method) sum += c;
    switch (sum) {
        case 224:
            return 1;  // GET
        case 249:
            return 2;  // PUT
        case 274:
            return 3;  // HEAD
        case 326:
            return 4;  // POST
        default:
            return 0;
    }
}

uint8_t VersionCode(std::string_view protocol) {
    if (protocol == "HTTP/1.0") return 1;
    if (protocol == "HTTP/1.1") return 2;
    return 0;
}

int CompareText(std::string_view a, std::string_view b) {
    return a.compare(b);
}

template <typename T>
int CompareNumber(T a, T b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

}  // namespace

TLogAnalyzer::TLogAnalyzer(std::string dataFolder, std::string_view targetsText)
    : ActiveUsers(Hosts.BucketCount()),
      DataFolder(std::move(dataFolder)),
      biasDays_(StandardBiasMinutes() / 1440.0) {
    LoadTargets(targetsText);
}

void TLogAnalyzer::Reset() {
    HitCount = 0;
    Hits.Release();
    Urls.Clear();
    Referrers.Clear();
    Users.Clear();
    Agents.Clear();
    FirstHit = 100000.0;
    LastHit = 0;
    ActiveUsers.Clear();
    UserCount = 0;
    TotalBytes = 0;
    CachedHits = IncompleteHits = FailedHits = 0;
    SkippedLines = 0;
    ExcludedRobotHits = 0;
}

void TLogAnalyzer::Cancel() {
    Cancelled.store(true);
    progress_.store(nullptr);
}

double TLogAnalyzer::ParseLogTime(std::string_view text) {
    return logTimes_.Parse(text, TimeZone, biasDays_);
}

bool TLogAnalyzer::PassesDateSelection(double time) const {
    switch (DateSelection) {
        case 0:
            return true;
        case 1: {
            const double day = WholeDays(time);
            return FromDay <= day && day <= ToDay;
        }
        default:
            return time >= Since - kTimeTolerance;
    }
}

bool TLogAnalyzer::ParseLine(const char* line, size_t length) {
    if (static_cast<size_t>(HitCount) >= Hits.Capacity()) Hits.Reserve(HitCount + kStoreStep);
    TLogHit& hit = Hits[HitCount];
    std::memset(&hit, 0, sizeof hit);
    TTokenCursor cursor(line, length);

    std::string_view host = cursor.Word();
    if (!DNSCache.Empty()) host = DNSCache.CachedHostName(host);
    hit.HostKey = Hosts.Add(host);
    if (!cursor.AtEnd()) cursor.Word();  // ident
    hit.UserKey = Users.Add(cursor.UpToBracket());
    // A line whose time cannot be read (a comment, a fragment, garbage) is no hit.
    if (!cursor.AtEnd()) hit.Time = ParseLogTime(cursor.Enclosed(']'));
    if (hit.Time == 0) {
        ++SkippedLines;
        return false;
    }
    if (!PassesDateSelection(hit.Time)) return false;
    if (cursor.AtEnd()) return true;

    // A rebuilt W3C line without a path carries its request as a bare "-".
    if (!ParseRequest(cursor.AtQuote() ? cursor.Quoted() : cursor.Word(), hit)) return false;
    if (cursor.AtEnd()) return true;
    hit.Status = static_cast<uint16_t>(TokenNumber(cursor.Word()));
    if (cursor.AtEnd()) return true;
    hit.Bytes = static_cast<int32_t>(TokenNumber(cursor.Word()));
    if (cursor.AtEnd()) return true;
    const std::string_view referrer = cursor.Quoted();
    hit.ReferrerKey = (referrer.empty() || referrer[0] == '-') ? 0 : Referrers.Add(referrer);
    if (cursor.AtEnd()) return true;
    hit.AgentKey = Agents.Add(cursor.Quoted());
    if (ExcludeRobots && IsRobotAgent(hit.AgentKey)) {
        ++ExcludedRobotHits;
        return false;
    }
    return true;
}

bool TLogAnalyzer::IsRobotAgent(int32_t agentKey) {
    int8_t& robot = robotAgents_[agentKey];
    if (robot < 0) robot = FindRobot(Agents.Get(agentKey)) >= 0 ? 1 : 0;
    return robot == 1;
}

// Method, path and protocol of the request token; false when the path is globally excluded.
bool TLogAnalyzer::ParseRequest(std::string_view request, TLogHit& hit) {
    const size_t methodEnd = std::min(request.find(' '), request.size());
    const std::string_view method = request.substr(0, methodEnd);
    if (method == "-") return true;
    hit.Method = MethodCode(method);
    const std::string_view afterMethod =
        methodEnd < request.size() ? request.substr(methodEnd + 1) : std::string_view();
    const size_t pathEnd = std::min(afterMethod.find(' '), afterMethod.size());
    std::string_view path = afterMethod.substr(0, pathEnd);
    if (excludeActive_ && IsExcluded(path)) return false;
    if (path == "/") {
        rootPath_.clear();
        rootPath_ += '/';
        rootPath_ += DefaultPage;
        path = rootPath_;
    }
    hit.UrlKey = Urls.Add(path);
    if (pathEnd < afterMethod.size()) hit.Version = VersionCode(afterMethod.substr(pathEnd + 1));
    return true;
}

void TLogAnalyzer::StoreHit() {
    TLogHit& hit = Hits[HitCount];
    CountHit(hit, hit.HostKey);
    ++HitCount;
    if (static_cast<size_t>(HitCount) >= Hits.Capacity()) Hits.Reserve(HitCount + kStoreStep);
}

void TLogAnalyzer::CountHit(TLogHit& hit, int32_t hostKey) {
    if (hit.Time < FirstHit) FirstHit = hit.Time;
    if (hit.Time > LastHit) LastHit = hit.Time;
    TotalBytes += hit.Bytes;
    if (hit.Status == 304)
        ++CachedHits;
    else if (hit.Status == 206)
        ++IncompleteHits;
    else if (hit.Status / 100 == 4)
        ++FailedHits;
    hit.Uid = ActiveUsers.UidFor(hostKey, hit.Time, UserCount);
}

bool TLogAnalyzer::PassesFilters(const std::vector<TFilterData>& filters) const {
    if (filters.empty()) return true;
    const TLogHit& hit = Hits[HitCount];
    const THitTexts texts{HostText(hit), UserText(hit), UrlText(hit), ReferrerText(hit),
                          AgentText(hit)};
    for (const TFilterData& filter : filters)
        if (!MatchFilter(filter, hit, texts)) return false;
    return true;
}

bool TLogAnalyzer::ParseRebuiltOrPlain(std::string_view line, int format,
                                       const TW3CColumns& columns) {
    if (format != 3) return ParseLine(line.data(), line.size());
    RebuildW3CLine(line, columns, rebuilt_);
    return ParseLine(rebuilt_.data(), rebuilt_.size());
}

// The date selection is measured from the later of the hits loaded so far and the file's last
// line; it is armed only when the file's last line can be found.
void TLogAnalyzer::ArmDateSelection(TLineSource& source, int format, const TW3CColumns& columns) {
    const std::string tail = source.ReadTail(kTailBytes);
    if (tail.size() < 12) return;
    size_t brk = tail.size() - 10;
    while (brk > 0 && tail[brk] != '\r' && tail[brk] != '\n') --brk;
    if (brk < 1) return;
    std::string_view last(tail.data() + brk + 1, tail.size() - brk - 1);
    last = last.substr(0, static_cast<size_t>(
                              FindLineBreak(last.data(), last.data() + last.size()) - last.data()));
    double lastLineTime = 0;
    if (!(format == 3 && !last.empty() && last[0] == '#')) {
        // The loop reads this line again and counts it then.
        const int32_t skipped = SkippedLines, robots = ExcludedRobotHits;
        ParseRebuiltOrPlain(last, format, columns);
        lastLineTime = Hits[HitCount].Time;
        SkippedLines = skipped;
        ExcludedRobotHits = robots;
    }
    const TDateSelectionSettings& selection = ReportDateSelection;
    DateSelection = selection.DateSelection;
    FromDay = WholeDays(selection.FromDate);
    ToDay = WholeDays(selection.ToDate);
    const double reference = lastLineTime > LastHit ? lastLineTime : LastHit;
    Since = reference - selection.LastHoures / 24.0;
    if (DateSelection == 3) Since = reference - selection.LastDays;
    ActiveUsers.ExpireUsers(kCloseAllVisits);
}

void TLogAnalyzer::ShowProgress(int position) const {
    if (TProgressIndicator* bar = progress_.load(std::memory_order_relaxed))
        bar->SetPosition(position);
}

bool TLogAnalyzer::AcceptLine(std::string_view line, int format, const TW3CColumns& columns,
                              const std::vector<TFilterData>& filters) {
    if (line.empty() || (format == 3 && line[0] == '#')) return false;
    return ParseRebuiltOrPlain(line, format, columns) && PassesFilters(filters);
}

void TLogAnalyzer::LoadLines(TLineSource& source, int format, const TW3CColumns& columns,
                             const std::vector<TFilterData>& filters) {
    TProgressSteps progress(source.Size());
    std::string_view line;
    while (source.Next(line)) {
        if (progress.Passed(source.Position())) {
            ShowProgress(progress.Position());
            ForetellHits(source.Position(), source.Size());
        }
        if (Cancelled.load(std::memory_order_relaxed)) break;
        if (AcceptLine(line, format, columns, filters)) StoreHit();
    }
}

bool TLogAnalyzer::LoadLogFile(const std::string& fileName, int format) {
    TLineSource source(fileName);
    DNSCache.Load(DataFolder + "DNSData.vtd", Today());
    GlobalExclude.clear();
    excludeActive_ = false;
    FromDay = ToDay = 0;
    if (TProgressIndicator* bar = progress_.load()) bar->SetMax(kLoadProgressSteps);
    Hits.Reserve(HitCount + kStoreStep);
    fileFirstHit_ = HitCount;

    DateSelection = 0;
    TW3CColumns columns;
    if (format == 3) ReadW3CHeader(source, columns);
    ArmDateSelection(source, format, columns);
    LoadGlobalExclude(DataFolder);
    excludeActive_ = !GlobalExclude.empty();
    robotAgents_.Clear();
    if (ExcludeRobots) LoadRobots(DataFolder);
    std::vector<TFilterData> filters = ReportFilters;
    for (TFilterData& filter : filters) PrepareFilter(filter);

    const int threads = ThreadCount();
    if (threads > 1)
        LoadLinesInParallel(source, format, columns, filters, threads);
    else
        LoadLines(source, format, columns, filters);

    Hits.Trim(static_cast<size_t>(HitCount));
    GlobalExclude.clear();
    excludeActive_ = false;
    rebuilt_.clear();
    rebuilt_.shrink_to_fit();
    if (!Cancelled.load())
        if (TProgressIndicator* bar = progress_.load()) bar->SetPosition(kLoadProgressSteps);
    return true;
}

// A little short of the hits the file's density so far gives, so that the last huge page is
// one the store fills.
void TLogAnalyzer::ForetellHits(uint64_t offset, uint64_t size) {
    if (offset == 0) return;
    const double density =
        static_cast<double>(HitCount - fileFirstHit_) / static_cast<double>(offset);
    Hits.ExpectRecords(
        static_cast<size_t>(fileFirstHit_ + 0.97 * density * static_cast<double>(size)));
}

int TLogAnalyzer::ThreadCount() const {
    if (LoadThreads > 0) return LoadThreads;
    return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

void TLogAnalyzer::GroupByUser() {
    ActiveUsers.ExpireUsers(kCloseAllVisits);
    OrderByVisitorAndTime(Hits, static_cast<size_t>(HitCount), UserCount, ThreadCount());
}

void TLogAnalyzer::SortHits(int first, int last, THitSortKey key) {
    if (first < 0 || last >= HitCount || first >= last) return;
    THitCompare compare;
    switch (key) {
        case skHost:
            compare = [this](const TLogHit& a, const TLogHit& b) {
                return CompareText(HostText(a), HostText(b));
            };
            break;
        case skUser:
            compare = [this](const TLogHit& a, const TLogHit& b) {
                return CompareText(UserText(a), UserText(b));
            };
            break;
        case skTime:
            compare = [](const TLogHit& a, const TLogHit& b) {
                return CompareNumber(a.Time, b.Time);
            };
            break;
        case skPath:
            compare = [this](const TLogHit& a, const TLogHit& b) {
                return CompareText(UrlText(a), UrlText(b));
            };
            break;
        case skStatus:
            compare = [](const TLogHit& a, const TLogHit& b) {
                return CompareNumber(a.Status, b.Status);
            };
            break;
        case skBytes:
            compare = [](const TLogHit& a, const TLogHit& b) {
                return CompareNumber(a.Bytes, b.Bytes);
            };
            break;
        case skReferrer:
            compare = [this](const TLogHit& a, const TLogHit& b) {
                return CompareText(ReferrerText(a), ReferrerText(b));
            };
            break;
        case skAgent:
            compare = [this](const TLogHit& a, const TLogHit& b) {
                return CompareText(AgentText(a), AgentText(b));
            };
            break;
        case skUid:
            compare = [](const TLogHit& a, const TLogHit& b) {
                return CompareNumber(a.Uid, b.Uid);
            };
            break;
    }
    QuickSortHits(Hits.Data(), first, last, compare);
}

std::string MethodAndPath(uint8_t method, std::string_view path) {
    static constexpr std::string_view kWords[5] = {"??? ", "GET ", "PUT ", "HEAD ", "POST "};
    std::string text(kWords[method <= 4 ? method : 0]);
    text += path;
    return text;
}

std::string TLogAnalyzer::HitFieldText(int column, int hitIndex) const {
    const TLogHit& hit = Hits[hitIndex];
    switch (column) {
        case 0:
            return std::string(HostText(hit));
        case 1:
            return "-";
        case 2:
            return std::string(UserText(hit));
        case 3:
            return Locale->FormatDateTime(hit.Time);
        case 4:
            return MethodAndPath(hit.Method, UrlText(hit));
        case 5:
            return std::to_string(hit.Status);
        case 6:
            return std::to_string(hit.Bytes);
        case 7:
            return std::string(ReferrerText(hit));
        case 8:
            return std::string(AgentText(hit));
        case 9:
            return std::to_string(hit.Uid);
        default:
            return {};
    }
}

TRequestDataArray TLogAnalyzer::BuildRequestData() const {
    TRequestDataArray requests;
    std::unordered_map<int32_t, size_t> byUrl;
    for (int i = 0; i < HitCount; ++i) {
        const TLogHit& hit = Hits[i];
        if (!((hit.Status < 400 && hit.Bytes > 0) || hit.Status == 304)) continue;
        const std::string_view path = UrlText(hit);
        if (!Contains(path, ".")) continue;
        auto [entry, added] = byUrl.try_emplace(hit.UrlKey, requests.size());
        if (!added) {
            ++requests[entry->second].Count;
            continue;
        }
        const size_t query = path.rfind('?');
        requests.push_back({std::string(path.substr(0, query)), hit.UrlKey, 1});
    }
    for (TRequestData& request : requests) request.Hash = StrHash(request.Path);
    return requests;
}

void TLogAnalyzer::SetHostName(int hitIndex, std::string_view name) {
    if (hitIndex < 0 || hitIndex >= HitCount) return;
    Hosts.Put(Hits[hitIndex].HostKey, name);
}

int TLogAnalyzer::FindTarget(int hitIndex) const {
    return FindTargetOfPath(UrlText(Hits[hitIndex]));
}

bool TLogAnalyzer::IsOwnSite(std::string_view referrer) const {
    return Contains(referrer, OwnDomain);
}

}  // namespace vestrel
