// The reference lists that name what a log only implies (search engines, operating systems,
// browsers, countries, page and excluded extensions, the report's targets) and the
// classification operations the statistics call once per hit.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vestrel {

struct TSearchEngine {
    std::string Name, URL, PhraseStart;  // URL: host and optional path, without the scheme
    uint16_t HostHash = 0;               // StrHash of the URL's host part
};

// One row of the operating-system, browser or top-domain list. In TopDomains, Match holds the
// lower-cased country code and Hash its StrHash.
struct TOperatingSystem {
    std::string Name, Match;
    int32_t HitTotal = 0, UserTotal = 0;
    uint16_t Hash = 0;
};

struct TTargetData {
    std::string Target;
    uint16_t Hash = 0;
    bool HasPath = false;  // the target contains "/" and is compared with the whole path
};

struct THashedLine {
    std::string Text;
    uint16_t Hash = 0;
};

class TReferenceLists {
  public:
    TReferenceLists();

    std::vector<TSearchEngine> SearchEngines;
    std::vector<TOperatingSystem> OperatingSystems;  // row 0 fixed "Unknown"
    std::vector<TOperatingSystem> Browsers;          // rows 0..7 fixed
    std::vector<TOperatingSystem> TopDomains;        // row 0 fixed "[Unknown]" / "XXXXX"
    std::vector<TOperatingSystem> Robots;            // Match lower-cased
    std::vector<THashedLine> WebPageExts;
    std::vector<THashedLine> GlobalExclude;
    std::vector<TTargetData> Targets;

    // Each loader replaces its list from the named file in dataFolder (which ends with "/");
    // a missing file raises EVestrelError naming the file and leaves the list as it was.
    void LoadSearchEngines(const std::string& dataFolder);
    void LoadOperatingSystems(const std::string& dataFolder);
    void LoadUserAgents(const std::string& dataFolder);
    void LoadTopDomains(const std::string& dataFolder);
    void LoadWebPageExts(const std::string& dataFolder);
    void LoadRobots(const std::string& dataFolder);  // "Robots.txt": Name TAB text to look for
    // "GlobalExclude.txt" is optional: false (and an empty list) when it does not exist.
    bool LoadGlobalExclude(const std::string& dataFolder);
    void LoadTargets(std::string_view targetsText);  // the report's Targets lines

    bool IsPage(std::string_view path) const;
    bool IsExcluded(std::string_view path) const;
    int FindTargetOfPath(std::string_view path) const;      // target index or -1
    int FindSearchEngine(std::string_view referrer) const;  // engine index or -1
    static std::string ExtractSearchPhrase(std::string_view referrer, std::string_view phraseStart);
    static std::vector<std::string> SplitKeywords(std::string_view phrase);
    // The same into buffers of the caller's, kept from call to call; the keywords are views of
    // the phrase.
    static void ExtractSearchPhrase(std::string_view referrer, std::string_view phraseStart,
                                    std::string& phrase);
    static void SplitKeywords(std::string_view phrase, std::vector<std::string_view>& keywords);
    int ClassifyOS(std::string_view agent) const;
    int ClassifyBrowser(std::string_view agent) const;
    int FindBrowser(std::string_view agent) const;  // -1 when no row's Match occurs
    // The first robot whose text occurs in the agent in any letter case, or -1.
    int FindRobot(std::string_view agent) const;
    // -1 = no row (reports leave the host out), 0 = "[Unknown]".
    int FindTopDomain(std::string_view host) const;
    static std::string_view SiteDomain(std::string_view host);
    // The reports' label of a top-domain row: Name, " (", the code upper-cased, ")".
    std::string TopDomainCaption(int row) const;
};

}  // namespace vestrel
