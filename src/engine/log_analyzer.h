// The analysis engine of one opened report: reads log files line by line into the hit store,
// keeps the totals, forms visitors with the 30-minute idle rule and orders the hits by visitor.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/dns_cache.h"
#include "engine/gzip_expansion.h"
#include "engine/hash_string_list.h"
#include "engine/hit_store.h"
#include "engine/key_memo.h"
#include "engine/line_reader.h"
#include "engine/locale_info.h"
#include "engine/log_filter.h"
#include "engine/log_hit.h"
#include "engine/log_time.h"
#include "engine/reference_lists.h"
#include "engine/search_referrals.h"
#include "engine/visitor_rule.h"
#include "engine/w3c_log.h"

namespace vestrel {

// Receives the loading progress of one file: position 0..25 of 25 steps.
class TProgressIndicator {
  public:
    virtual ~TProgressIndicator() = default;
    virtual void SetMax(int max) = 0;
    virtual void SetPosition(int position) = 0;
};

constexpr int kLoadProgressSteps = 25;

// Counts a file's progress in 25 steps as the reading passes each 25th of its size.
class TProgressSteps {
  public:
    explicit TProgressSteps(uint64_t size) : step_(size / kLoadProgressSteps), threshold_(step_) {}
    // True when `offset` has passed one more step or several since the last call.
    bool Passed(uint64_t offset) {
        if (step_ == 0 || offset <= threshold_) return false;
        for (; offset > threshold_; threshold_ += step_)
            if (position_ < kLoadProgressSteps) ++position_;
        return true;
    }
    int Position() const { return position_; }

  private:
    uint64_t step_, threshold_;
    int position_ = 0;
};

// The report's date selection: 0 all, 1 from/to dates, 2 last N hours, 3 last N days.
struct TDateSelectionSettings {
    uint8_t DateSelection = 0;
    double FromDate = 0;
    double ToDate = 0;
    int32_t LastHoures = 0;
    int32_t LastDays = 0;
};

struct TRequestData {
    std::string Path;
    int32_t Hash;
    int32_t Count;
};
using TRequestDataArray = std::vector<TRequestData>;

// "GET " and the like followed by the path, as the log-data view shows a request.
std::string MethodAndPath(uint8_t method, std::string_view path);

constexpr size_t kDefaultLoadChunkBytes = 1024 << 10;

struct TChunkKeys;

class TLogAnalyzer : public TReferenceLists {
  public:
    // `dataFolder` ends with "/"; `targetsText` is the report's Targets field.
    explicit TLogAnalyzer(std::string dataFolder, std::string_view targetsText = {});
    TLogAnalyzer(const TLogAnalyzer&) = delete;
    TLogAnalyzer& operator=(const TLogAnalyzer&) = delete;

    void Reset();
    // Loads one file in format 0, 2 or 3; raises EVestrelError when it cannot be opened.
    bool LoadLogFile(const std::string& fileName, int format);
    void GroupByUser();
    void Cancel();
    void SetProgressIndicator(TProgressIndicator* indicator) { progress_.store(indicator); }
    TProgressIndicator* ProgressIndicator() const { return progress_.load(); }

    // Fills the free slot at HitCount from a common-log line; false = rejected, or skipped (and
    // counted in SkippedLines) when its time cannot be read.
    bool ParseLine(const char* line, size_t length);
    double ParseLogTime(std::string_view text);

    void SortHits(int first, int last, THitSortKey key);
    std::string HitFieldText(int column, int hitIndex) const;
    TRequestDataArray BuildRequestData() const;
    void SetHostName(int hitIndex, std::string_view name);
    int FindTarget(int hitIndex) const;
    bool IsOwnSite(std::string_view referrer) const;

    // Texts of a hit's keyed fields.
    std::string_view HostText(const TLogHit& hit) const { return Hosts.Get(hit.HostKey); }
    std::string_view UserText(const TLogHit& hit) const { return Users.Get(hit.UserKey); }
    std::string_view UrlText(const TLogHit& hit) const { return Urls.Get(hit.UrlKey); }
    std::string_view ReferrerText(const TLogHit& hit) const {
        return Referrers.Get(hit.ReferrerKey);
    }
    std::string_view AgentText(const TLogHit& hit) const { return Agents.Get(hit.AgentKey); }

    THitStore Hits;
    int32_t HitCount = 0;
    int32_t UserCount = 0;
    THashStringList Hosts{8000}, Urls{500}, Referrers{2000}, Users{25}, Agents{1000};
    // The search statistics' reading of the referrers, kept between them (Refresh before use).
    TSearchReferrals SearchReferrals;
    double FirstHit = 100000.0;
    double LastHit = 0;
    double TotalBytes = 0;
    int32_t CachedHits = 0;
    int32_t IncompleteHits = 0;
    int32_t FailedHits = 0;
    int32_t SkippedLines = 0;       // lines whose time could not be read; they are no hits
    int32_t ExcludedRobotHits = 0;  // robot hits left out under ExcludeRobots
    TVisitorRule ActiveUsers;
    TDNSCache DNSCache;

    std::string DataFolder;
    // Bytes a gzip log may expand to; the free space of the data folder's disk bounds it, too.
    int64_t MaxGzipExpansion = kDefaultGzipExpansionLimit;
    std::string OwnDomain;
    std::string DefaultPage = "index.htm";
    int32_t TimeZone = kTimeZoneFromFiles;
    bool ExcludeRobots = false;  // leaves out the hits whose agent "Robots.txt" names
    std::atomic<bool> Cancelled{false};
    const TLocaleInfo* Locale = &TLocaleInfo::Iso();
    // Threads that parse a file at once: 0 one per core, 1 the sequential path. Every count gives
    // the same hits, keys, visitors and totals.
    int LoadThreads = 0;
    // Bytes of a file one thread parses at a time, at most; a small file is cut finer, so that
    // its progress still moves in steps.
    size_t LoadChunkBytes = kDefaultLoadChunkBytes;

    // Set by the report opening before the files are read.
    TDateSelectionSettings ReportDateSelection;
    std::vector<TFilterData> ReportFilters;  // the report's enabled filters, in table order

    // The active date selection of the file being read.
    uint8_t DateSelection = 0;
    double FromDay = 0, ToDay = 0, Since = 0;

  private:
    friend class TChunkParsers;
    struct TChunkParserTag {};
    // A parser of one block of lines for `owner`'s file: the same settings, and string lists of
    // one bucket, so that their keys count the texts in the order they came.
    TLogAnalyzer(const TLogAnalyzer& owner, TChunkParserTag);

    int ThreadCount() const;
    // Tells the store how many hits the file being read is likely to leave, from what its first
    // `offset` of `size` bytes gave.
    void ForetellHits(uint64_t offset, uint64_t size);
    void StoreHit();
    // The totals and the visitor number of a hit about to be stored; `hostKey` is its host's key
    // in this analyzer's host list.
    void CountHit(TLogHit& hit, int32_t hostKey);
    void ShowProgress(int position) const;
    // The loading loop's step for one line: true when the line is to be stored.
    bool AcceptLine(std::string_view line, int format, const TW3CColumns& columns,
                    const std::vector<TFilterData>& filters);
    void LoadLinesInParallel(const TLineSource& source, int format, const TW3CColumns& columns,
                             const std::vector<TFilterData>& filters, int threads);
    // Parses a block into this chunk parser's own hits and lists; stops early when `cancelled`.
    void ParseChunk(std::string_view block, int format, const TW3CColumns& columns,
                    const std::vector<TFilterData>& filters, const std::atomic<bool>& cancelled);
    // The string lists whose keys a hit holds, in the order of TChunkKeys.
    std::array<THashStringList*, 5> KeyedLists() {
        return {&Hosts, &Users, &Urls, &Referrers, &Agents};
    }
    // A chunk parser's part of the merging, on its worker: the index hashes of its texts.
    void HashChunkTexts(TChunkKeys& keys);
    // Adds a chunk parser's texts, as if its lines were read here, and counts its hits, giving
    // them their visitor numbers.
    void MergeChunk(TLogAnalyzer& chunk, TChunkKeys& keys);
    // Copies a merged chunk parser's hits under their final keys to `to`.
    void CopyChunkHits(const TChunkKeys& keys, TLogHit* to) const;
    bool ParseRequest(std::string_view request, TLogHit& hit);
    bool PassesDateSelection(double time) const;
    bool IsRobotAgent(int32_t agentKey);
    bool PassesFilters(const std::vector<TFilterData>& filters) const;
    void ArmDateSelection(TLineSource& source, int format, const TW3CColumns& columns);
    void LoadLines(TLineSource& source, int format, const TW3CColumns& columns,
                   const std::vector<TFilterData>& filters);
    bool ParseRebuiltOrPlain(std::string_view line, int format, const TW3CColumns& columns);

    std::atomic<TProgressIndicator*> progress_{nullptr};
    double biasDays_ = 0;       // this computer's standard bias, in days
    TLogTimeParser logTimes_;
    int32_t fileFirstHit_ = 0;  // HitCount when the file being read began
    bool excludeActive_ = false;
    TGrowingKeyMemo<int8_t> robotAgents_{-1};  // 1 robot, 0 not, -1 not looked at yet
    std::string rebuilt_;                      // reused buffer for rebuilt W3C lines
    std::string rootPath_;                     // reused buffer for "/" + DefaultPage
};

}  // namespace vestrel
