#include "reports/search_reports.h"

#include <algorithm>
#include <string>
#include <vector>

#include "reports/report_format.h"
#include "reports/report_index.h"

namespace vestrel {

namespace {

enum class TSearchMode { Engine, EnginePhrase, Phrase, Keyword };

constexpr uint16_t kPartialContent = 206;
constexpr uint16_t kFirstErrorStatus = 400;

// One distinct text with the number of times it was added and the target hits credited to it.
// An engine and phrase pair has no text of its own: its number gives the engine and the phrase.
struct TCountEntry {
    std::string_view Text;
    int32_t Number = 0;
    int32_t Count = 0;
    int32_t Targets = 0;
};

// Counts the texts of search referrals in the order first added. Every text a referral can add
// has a number in the analyser's search referrals, so finding its entry is one array read.
class TSearchCounter {
  public:
    TSearchCounter(const TLogAnalyzer& analyzer, TSearchMode mode)
        : analyzer_(analyzer),
          referrals_(analyzer.SearchReferrals),
          mode_(mode),
          numbers_(referrals_.TextNumbers(TextKind(mode))),
          entryOf_(TextCount(), -1) {}

    // Adds the texts of the hit's referrer; false when no listed engine sent the hit.
    bool CountReferral(const TLogHit& hit) {
        const int32_t number = numbers_[hit.ReferrerKey];
        if (number == TSearchReferrals::kNotSearch) return false;
        switch (mode_) {
            case TSearchMode::Engine: {
                const std::string& name = analyzer_.SearchEngines[number].Name;
                if (!name.empty()) Add(number, name);
                break;
            }
            case TSearchMode::EnginePhrase:
                Add(number, {});
                break;
            case TSearchMode::Phrase:
                if (number >= 0) Add(number, referrals_.PhraseText(number));
                break;
            case TSearchMode::Keyword:
                for (int32_t keyword : referrals_.KeywordsOf(number))
                    Add(keyword, referrals_.KeywordText(keyword));
                break;
        }
        return true;
    }

    // A target hit goes to the text added last.
    void CreditTarget() {
        if (current_ >= 0) ++entries_[current_].Targets;
    }

    const std::vector<TCountEntry>& Entries() const { return entries_; }
    int32_t Total() const { return total_; }

  private:
    static TSearchText TextKind(TSearchMode mode) {
        switch (mode) {
            case TSearchMode::Engine:
                return TSearchText::EngineName;
            case TSearchMode::EnginePhrase:
                return TSearchText::EnginePhrase;
            default:
                return TSearchText::Phrase;
        }
    }

    size_t TextCount() const {
        switch (mode_) {
            case TSearchMode::Engine:
                return analyzer_.SearchEngines.size();
            case TSearchMode::EnginePhrase:
                return referrals_.EnginePhraseCount();
            case TSearchMode::Phrase:
                return referrals_.PhraseCount();
            default:
                return referrals_.KeywordCount();
        }
    }

    void Add(int32_t number, std::string_view text) {
        int32_t& entry = entryOf_[number];
        if (entry < 0) {
            entry = static_cast<int32_t>(entries_.size());
            entries_.push_back({text, number});
        }
        current_ = entry;
        ++entries_[entry].Count;
        ++total_;
    }

    const TLogAnalyzer& analyzer_;
    const TSearchReferrals& referrals_;
    TSearchMode mode_;
    const TKeyMemo<int32_t>& numbers_;  // the text number of each referrer key
    std::vector<TCountEntry> entries_;
    std::vector<int32_t> entryOf_;  // the entry of each text number, -1 before it is met
    int32_t total_ = 0;
    int32_t current_ = -1;
};

// Walks the store once: search referrals add their texts, and target hits of the visitor a
// search engine sent last are credited to the text added last.
TSearchCounter CountSearches(const TLogAnalyzer& analyzer, TSearchMode mode) {
    TSearchCounter counter(analyzer, mode);
    TTargetFinder findTarget(analyzer);
    bool searched = false;
    int32_t visitor = 0;
    for (int i = 0; i < analyzer.HitCount; ++i) {
        const TLogHit& hit = analyzer.Hits[i];
        if (counter.CountReferral(hit)) {
            searched = true;
            visitor = hit.Uid;
        }
        if (searched && hit.Uid == visitor && hit.Status < kFirstErrorStatus &&
            hit.Status != kPartialContent && findTarget(hit) >= 0)
            counter.CreditTarget();
    }
    return counter;
}

// Defines the table's columns and answers the index of its "Count" column.
int DefineSearchColumns(TVarGrid& grid, TSearchMode mode, size_t dataRows) {
    const int textColumns = mode == TSearchMode::EnginePhrase ? 2 : 1;
    grid.SetColCount(textColumns + 3);
    grid.SetRowCount(static_cast<int>(std::max<size_t>(dataRows, 1) + 1));
    switch (mode) {
        case TSearchMode::Engine:
            DefineColumn(grid, 0, "Search Engine", ctText, 150);
            break;
        case TSearchMode::EnginePhrase:
            DefineColumn(grid, 0, "Search Engine", ctText, 120);
            DefineColumn(grid, 1, "Phrase", ctText, 200);
            break;
        case TSearchMode::Phrase:
            DefineColumn(grid, 0, "Phrase", ctText, 200);
            break;
        case TSearchMode::Keyword:
            DefineColumn(grid, 0, "Keyword", ctText, 200);
            break;
    }
    DefineColumn(grid, textColumns, "Count", ctInteger, 50);
    DefineColumn(grid, textColumns + 1, "Count %", ctPercent, 50);
    DefineColumn(grid, textColumns + 2, "Target", ctInteger, 50);
    return textColumns;
}

// The pair's text is engine name + ":" + phrase, shown split at its first colon.
void WritePairText(TVarGrid& grid, const TLogAnalyzer& analyzer, int row, int32_t pair,
                   std::string& text) {
    const TSearchReferrals& referrals = analyzer.SearchReferrals;
    const TSearchReferral& referral = referrals.EnginePhrasePair(pair);
    text = analyzer.SearchEngines[referral.EngineName].Name;
    text += ':';
    if (referral.Phrase >= 0) text += referrals.PhraseText(referral.Phrase);
    const size_t colon = text.find(':');
    grid.SetText(0, row, std::string_view(text).substr(0, colon));
    grid.SetText(1, row, std::string_view(text).substr(colon + 1));
}

void ReportSearch(TReportContext& context, TSearchMode mode) {
    TVarGrid& grid = context.Grid;
    grid.Clear();
    TLogAnalyzer& analyzer = context.Analyzer;
    analyzer.LoadSearchEngines(analyzer.DataFolder);
    analyzer.SearchReferrals.Refresh(analyzer.Referrers, analyzer);
    const TSearchCounter counter = CountSearches(analyzer, mode);
    const std::vector<TCountEntry>& entries = counter.Entries();
    const int countColumn = DefineSearchColumns(grid, mode, entries.size());
    std::string pairText;
    for (size_t i = 0; i < entries.size(); ++i) {
        const int row = static_cast<int>(i) + 1;
        if (mode == TSearchMode::EnginePhrase)
            WritePairText(grid, analyzer, row, entries[i].Number, pairText);
        else
            grid.SetText(0, row, entries[i].Text);
        grid.SetInt(countColumn, row, entries[i].Count);
        grid.SetFloat(countColumn + 1, row, SafeDiv(counter.Total(), entries[i].Count));
        grid.SetInt(countColumn + 2, row, entries[i].Targets);
    }
    grid.SortBy(countColumn, true);
}

}  // namespace

void ReportSearchEngines(TReportContext& context) {
    ReportSearch(context, TSearchMode::Engine);
}

void ReportPhrasesPerEngine(TReportContext& context) {
    ReportSearch(context, TSearchMode::EnginePhrase);
}

void ReportPhrases(TReportContext& context) {
    ReportSearch(context, TSearchMode::Phrase);
}

void ReportKeywords(TReportContext& context) {
    ReportSearch(context, TSearchMode::Keyword);
}

}  // namespace vestrel
