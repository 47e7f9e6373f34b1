#include "engine/reference_lists.h"

#include <cerrno>
#include <utility>

#include "engine/errors.h"
#include "engine/text_file.h"
#include "engine/text_util.h"

namespace vestrel {

namespace {

// Longest Match, PhraseStart or country code kept from a reference line.
constexpr size_t kMaxMatchLength = 1024;
constexpr size_t kFixedBrowserRows = 8;
constexpr std::string_view kMozilla = "Mozilla";
constexpr std::string_view kNoSearchPhrase = "<?\?\?>";  // escaped so it is no trigraph

TOperatingSystem NamedRow(std::string name, std::string match) {
    TOperatingSystem row;
    row.Name = std::move(name);
    row.Match = std::move(match);
    return row;
}

std::string CutToMaxMatch(std::string_view text) {
    return std::string(text.substr(0, kMaxMatchLength));
}

std::vector<THashedLine> HashedLines(const std::vector<std::string>& lines) {
    std::vector<THashedLine> hashed;
    hashed.reserve(lines.size());
    for (const std::string& line : lines) hashed.push_back({line, StrHash(line)});
    return hashed;
}

// An empty text never matches, whatever its hash.
bool ContainsHashedLine(const std::vector<THashedLine>& lines, std::string_view text) {
    if (text.empty()) return false;
    const uint16_t hash = StrHash(text);
    for (const THashedLine& line : lines)
        if (line.Hash == hash && line.Text == text) return true;
    return false;
}

// Replaces the rows after the fixed ones with "Name TAB Match" lines; lines without a TAB are
// skipped.
void LoadNameMatchRows(const std::string& path, size_t fixedRows,
                       std::vector<TOperatingSystem>& rows) {
    const std::vector<std::string> lines = ReadTextFileLines(path);
    rows.resize(fixedRows);
    for (std::string_view line : lines) {
        const size_t tab = line.find('\t');
        if (tab == std::string_view::npos) continue;
        rows.push_back(
            NamedRow(std::string(line.substr(0, tab)), CutToMaxMatch(line.substr(tab + 1))));
    }
}

// The hash of the URL's host: the text before its first "/" unless the URL begins with one.
uint16_t UrlHostHash(std::string_view url) {
    const size_t slash = url.find('/');
    return StrHash(slash != std::string_view::npos && slash >= 1 ? url.substr(0, slash) : url);
}

TSearchEngine ParseSearchEngine(std::string_view line, size_t firstTab) {
    const size_t lastTab = line.rfind('\t');
    TSearchEngine engine;
    engine.Name = line.substr(0, firstTab);
    if (lastTab > firstTab) engine.URL = line.substr(firstTab + 1, lastTab - firstTab - 1);
    engine.PhraseStart = CutToMaxMatch(line.substr(lastTab + 1));
    engine.HostHash = UrlHostHash(engine.URL);
    return engine;
}

// The line is a quote, the name, its last quote, one separator character and the code.
TOperatingSystem ParseTopDomain(std::string_view line, size_t lastQuote) {
    const std::string_view name =
        lastQuote > 1 ? line.substr(1, lastQuote - 1) : std::string_view();
    const std::string_view code =
        lastQuote + 2 < line.size() ? line.substr(lastQuote + 2) : std::string_view();
    TOperatingSystem row = NamedRow(std::string(name), LowerAscii(code.substr(0, kMaxMatchLength)));
    row.Hash = StrHash(row.Match);
    return row;
}

// The text after the "." at `dot` up to the path's last "?"; empty when that "?" comes first.
std::string_view ExtensionAt(std::string_view path, size_t dot) {
    if (dot == std::string_view::npos) return {};
    const size_t query = path.rfind('?');
    if (query == std::string_view::npos) return path.substr(dot + 1);
    return query > dot ? path.substr(dot + 1, query - dot - 1) : std::string_view();
}

// The first row whose non-empty Match occurs in the agent, or -1.
int FirstContainedMatch(const std::vector<TOperatingSystem>& rows, std::string_view agent) {
    for (size_t i = 0; i < rows.size(); ++i) {
        const std::string& match = rows[i].Match;
        if (!match.empty() && Contains(agent, match)) return static_cast<int>(i);
    }
    return -1;
}

bool HasUpperAscii(std::string_view text) {
    for (char c : text)
        if (c >= 'A' && c <= 'Z') return true;
    return false;
}

// Cuts the path of a hit before its last "&", else its last "?", else its last ":", when that
// character is not the first one.
std::string_view CutTargetQuery(std::string_view path) {
    size_t cut = path.rfind('&');
    if (cut == std::string_view::npos) cut = path.rfind('?');
    if (cut == std::string_view::npos) cut = path.rfind(':');
    return cut != std::string_view::npos && cut >= 1 ? path.substr(0, cut) : path;
}

// A character that is not a hexadecimal digit counts as 0.
int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return 0;
}

// "+" becomes a space and "%" with the next two characters the byte they give in hexadecimal;
// a missing character counts as 0.
void DecodeSearchPhrase(std::string_view phrase, std::string& decoded) {
    decoded.clear();
    for (size_t i = 0; i < phrase.size(); ++i) {
        if (phrase[i] == '+') {
            decoded += ' ';
        } else if (phrase[i] == '%') {
            const int high = i + 1 < phrase.size() ? HexDigitValue(phrase[i + 1]) : 0;
            const int low = i + 2 < phrase.size() ? HexDigitValue(phrase[i + 2]) : 0;
            decoded += static_cast<char>(high * 16 + low);
            i += 2;
        } else {
            decoded += phrase[i];
        }
    }
}

// The keyword separator in order of preference: a double quote, "+", "-", a space.
size_t FindKeywordSeparator(std::string_view text) {
    for (char separator : {'"', '+', '-', ' '}) {
        const size_t pos = text.find(separator);
        if (pos != std::string_view::npos) return pos;
    }
    return std::string_view::npos;
}

int MozillaRow(std::string_view agent) {
    if (agent.size() < 9) return 1;
    const char version = agent[8];
    return version >= '2' && version <= '7' ? version - '0' : 1;
}

}  // namespace

TReferenceLists::TReferenceLists()
    : OperatingSystems{NamedRow("Unknown", "Unknown")},
      Browsers{NamedRow("Unknown", "Unknown"), NamedRow("Netscape", ""),
               NamedRow("Netscape 2.x", ""),   NamedRow("Netscape 3.x", ""),
               NamedRow("Netscape 4.x", ""),   NamedRow("Netscape 5.x", ""),
               NamedRow("Netscape 6.x", ""),   NamedRow("Netscape 7.x", "")},
      TopDomains{NamedRow("[Unknown]", "XXXXX")} {
    TopDomains[0].Hash = StrHash(TopDomains[0].Match);
}

void TReferenceLists::LoadSearchEngines(const std::string& dataFolder) {
    const std::vector<std::string> lines = ReadTextFileLines(dataFolder + "SearchEngines.txt");
    SearchEngines.clear();
    for (std::string_view line : lines) {
        const size_t firstTab = line.find('\t');
        if (firstTab != std::string_view::npos)
            SearchEngines.push_back(ParseSearchEngine(line, firstTab));
    }
}

void TReferenceLists::LoadOperatingSystems(const std::string& dataFolder) {
    LoadNameMatchRows(dataFolder + "OperatingSystems.txt", 1, OperatingSystems);
}

void TReferenceLists::LoadUserAgents(const std::string& dataFolder) {
    LoadNameMatchRows(dataFolder + "UserAgents.txt", kFixedBrowserRows, Browsers);
}

void TReferenceLists::LoadRobots(const std::string& dataFolder) {
    LoadNameMatchRows(dataFolder + "Robots.txt", 0, Robots);
    for (TOperatingSystem& robot : Robots) robot.Match = LowerAscii(robot.Match);
}

void TReferenceLists::LoadTopDomains(const std::string& dataFolder) {
    const std::vector<std::string> lines = ReadTextFileLines(dataFolder + "TopDomain.txt");
    TopDomains.resize(1);
    for (std::string_view line : lines) {
        const size_t lastQuote = line.rfind('"');
        if (lastQuote != std::string_view::npos)
            TopDomains.push_back(ParseTopDomain(line, lastQuote));
    }
}

void TReferenceLists::LoadWebPageExts(const std::string& dataFolder) {
    WebPageExts = HashedLines(ReadTextFileLines(dataFolder + "WebPageExts.txt"));
}

bool TReferenceLists::LoadGlobalExclude(const std::string& dataFolder) {
    const std::string path = dataFolder + "GlobalExclude.txt";
    std::vector<std::string> lines;
    if (!TryReadTextFileLines(path, lines)) {
        // Only a file that is not there is optional; one that is there must be readable.
        if (errno != ENOENT) throw EVestrelError(TextFileErrorText(path, errno));
        GlobalExclude.clear();
        return false;
    }
    GlobalExclude = HashedLines(lines);
    return true;
}

void TReferenceLists::LoadTargets(std::string_view targetsText) {
    Targets.clear();
    for (std::string& line : SplitTextLines(targetsText)) {
        if (line.empty()) continue;
        const uint16_t hash = StrHash(line);
        const bool hasPath = line.find('/') != std::string::npos;
        Targets.push_back({std::move(line), hash, hasPath});
    }
}

bool TReferenceLists::IsPage(std::string_view path) const {
    if (path.ends_with('/')) return true;
    return ContainsHashedLine(WebPageExts, ExtensionAt(path, path.rfind('.')));
}

// The first "." counts, so a dot in a folder name gives a long extension that matches nothing.
bool TReferenceLists::IsExcluded(std::string_view path) const {
    return ContainsHashedLine(GlobalExclude, ExtensionAt(path, path.find('.')));
}

int TReferenceLists::FindTargetOfPath(std::string_view path) const {
    const std::string_view cutPath = CutTargetQuery(path);
    const size_t slash = cutPath.rfind('/');
    const std::string_view name =
        slash != std::string_view::npos && slash >= 1 ? cutPath.substr(slash + 1) : cutPath;
    if (name.size() < 2 || cutPath.ends_with('/')) return -1;
    const uint16_t pathHash = StrHash(cutPath);
    const uint16_t nameHash = StrHash(name);
    for (size_t i = 0; i < Targets.size(); ++i) {
        const TTargetData& target = Targets[i];
        const std::string_view wanted = target.HasPath ? cutPath : name;
        if (target.Hash == (target.HasPath ? pathHash : nameHash) && target.Target == wanted)
            return static_cast<int>(i);
    }
    return -1;
}

int TReferenceLists::FindSearchEngine(std::string_view referrer) const {
    const size_t scheme = referrer.find("://");
    if (scheme == std::string_view::npos) return -1;
    const std::string_view fromHost = referrer.substr(scheme + 3);
    const size_t hostEnd = fromHost.find('/');
    if (hostEnd == std::string_view::npos || hostEnd == 0) return -1;
    const uint16_t hostHash = StrHash(fromHost.substr(0, hostEnd));
    for (size_t i = 0; i < SearchEngines.size(); ++i) {
        const TSearchEngine& engine = SearchEngines[i];
        if (engine.HostHash == hostHash && !engine.URL.empty() && fromHost.starts_with(engine.URL))
            return static_cast<int>(i);
    }
    return -1;
}

std::string TReferenceLists::ExtractSearchPhrase(std::string_view referrer,
                                                 std::string_view phraseStart) {
    std::string phrase;
    ExtractSearchPhrase(referrer, phraseStart, phrase);
    return phrase;
}

void TReferenceLists::ExtractSearchPhrase(std::string_view referrer, std::string_view phraseStart,
                                          std::string& phrase) {
    const int position = SubStrPos(phraseStart, referrer);
    if (position < 1) {
        phrase = kNoSearchPhrase;
        return;
    }
    const size_t start = static_cast<size_t>(position - 1) + phraseStart.size();
    std::string_view coded = referrer.substr(start, kMaxMatchLength);
    coded = coded.substr(0, coded.find('&'));
    DecodeSearchPhrase(coded, phrase);
}

std::vector<std::string> TReferenceLists::SplitKeywords(std::string_view phrase) {
    std::vector<std::string_view> views;
    SplitKeywords(phrase, views);
    return {views.begin(), views.end()};
}

void TReferenceLists::SplitKeywords(std::string_view phrase,
                                    std::vector<std::string_view>& keywords) {
    keywords.clear();
    std::string_view rest = phrase;
    for (;;) {
        const size_t separator = FindKeywordSeparator(rest);
        if (separator == std::string_view::npos) break;
        if (separator > 0) keywords.push_back(rest.substr(0, separator));
        rest = Trim(rest.substr(separator + 1));
    }
    rest = Trim(rest);
    if (!rest.empty()) keywords.push_back(rest);
}

int TReferenceLists::ClassifyOS(std::string_view agent) const {
    const int listed = FirstContainedMatch(OperatingSystems, agent);
    return listed >= 0 ? listed : 0;
}

int TReferenceLists::FindBrowser(std::string_view agent) const {
    return FirstContainedMatch(Browsers, agent);
}

int TReferenceLists::FindRobot(std::string_view agent) const {
    return FirstContainedMatch(Robots, LowerAscii(agent));
}

int TReferenceLists::ClassifyBrowser(std::string_view agent) const {
    const int listed = FindBrowser(agent);
    if (listed >= 0) return listed;
    return agent.starts_with(kMozilla) ? MozillaRow(agent) : 0;
}

int TReferenceLists::FindTopDomain(std::string_view host) const {
    const size_t dot = host.rfind('.');
    if (dot == std::string_view::npos || dot + 1 == host.size()) return -1;
    std::string_view code = host.substr(dot + 1);
    if (code[0] >= '0' && code[0] <= '9') return -1;
    std::string lowered;  // host names are mostly lower-case already, so this rarely allocates
    if (HasUpperAscii(code)) code = lowered = LowerAscii(code);
    const uint16_t hash = StrHash(code);
    for (size_t i = 0; i < TopDomains.size(); ++i)
        if (TopDomains[i].Hash == hash && TopDomains[i].Match == code) return static_cast<int>(i);
    return 0;
}

std::string_view TReferenceLists::SiteDomain(std::string_view host) {
    const size_t lastDot = host.rfind('.');
    if (lastDot == std::string_view::npos || lastDot == 0) return host;
    const size_t secondLastDot = host.rfind('.', lastDot - 1);
    return secondLastDot == std::string_view::npos ? host : host.substr(secondLastDot + 1);
}

std::string TReferenceLists::TopDomainCaption(int row) const {
    const TOperatingSystem& domain = TopDomains.at(static_cast<size_t>(row));
    return domain.Name + " (" + UpperAscii(domain.Match) + ")";
}

}  // namespace vestrel
