#include "reports/search_reports.h"

#include <algorithm>
#include <deque>
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
struct TCountEntry {
    std::string_view Text;
    int32_t Count = 0;
    int32_t Targets = 0;
};

// The entries one referrer adds, as a run of the counter's entry-index list; First is
// kUnseen until the referrer is met and kNotSearch when no listed engine sent it.
struct TAddedTexts {
    static constexpr int32_t kUnseen = -2, kNotSearch = -1;
    int32_t First = kUnseen;
    int32_t Count = 0;
};

// Counts the texts of search referrals in the order first added. The texts of a referrer
// depend only on its text, so they are worked out once per referrer key.
class TSearchCounter {
  public:
    TSearchCounter(const TLogAnalyzer& analyzer, TSearchMode mode)
        : analyzer_(analyzer),
          mode_(mode),
          engineOf_(AnswerEveryKey<int32_t>(
              analyzer.Referrers,
              [&](std::string_view referrer) { return analyzer.FindSearchEngine(referrer); })),
          added_(analyzer.Referrers, TAddedTexts{}) {
        // About one new text a search referrer.
        entries_.reserve(analyzer.Referrers.Count());
        index_.Reserve(analyzer.Referrers.Count());
    }

    // Adds the texts of the hit's referrer; false when no listed engine sent the hit.
    bool CountReferral(const TLogHit& hit) {
        const TAddedTexts texts = TextsOf(hit);
        if (texts.First == TAddedTexts::kNotSearch) return false;
        for (int32_t i = texts.First; i < texts.First + texts.Count; ++i) {
            current_ = addedEntries_[i];
            ++entries_[current_].Count;
            ++total_;
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
    TAddedTexts TextsOf(const TLogHit& hit) {
        const int32_t engine = engineOf_[hit.ReferrerKey];
        if (engine < 0) return {TAddedTexts::kNotSearch};
        TAddedTexts& texts = added_[hit.ReferrerKey];
        if (texts.First != TAddedTexts::kUnseen) return texts;
        texts.First = static_cast<int32_t>(addedEntries_.size());
        for (const std::string& text :
             ReferralTexts(analyzer_.ReferrerText(hit), analyzer_.SearchEngines[engine])) {
            if (text.empty()) continue;
            addedEntries_.push_back(EntryOf(text));
            ++texts.Count;
        }
        return texts;
    }

    std::vector<std::string> ReferralTexts(std::string_view referrer,
                                           const TSearchEngine& engine) const {
        if (mode_ == TSearchMode::Engine) return {engine.Name};
        std::string phrase = TLogAnalyzer::ExtractSearchPhrase(referrer, engine.PhraseStart);
        switch (mode_) {
            case TSearchMode::EnginePhrase:
                return {engine.Name + ":" + phrase};
            case TSearchMode::Keyword:
                return TLogAnalyzer::SplitKeywords(phrase);
            default:
                return {std::move(phrase)};
        }
    }

    int32_t EntryOf(std::string_view text) {
        const int32_t found = index_.Find(text);
        if (found >= 0) return found;
        const std::string_view kept = texts_.emplace_back(text);  // a deque never moves its texts
        entries_.push_back({kept});
        return index_.Add(kept);
    }

    const TLogAnalyzer& analyzer_;
    TSearchMode mode_;
    std::vector<TCountEntry> entries_;
    std::deque<std::string> texts_;
    TFirstMetIndex<std::string_view> index_;
    std::vector<int32_t> addedEntries_;
    TKeyMemo<int32_t> engineOf_;  // -1 for no listed engine
    TKeyMemo<TAddedTexts> added_;
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

void WriteEntryText(TVarGrid& grid, TSearchMode mode, int row, std::string_view text) {
    if (mode != TSearchMode::EnginePhrase) {
        grid.SetText(0, row, text);
        return;
    }
    const size_t colon = text.find(':');
    grid.SetText(0, row, text.substr(0, colon));
    grid.SetText(1, row, text.substr(colon + 1));
}

void ReportSearch(TReportContext& context, TSearchMode mode) {
    TVarGrid& grid = context.Grid;
    grid.Clear();
    TLogAnalyzer& analyzer = context.Analyzer;
    analyzer.LoadSearchEngines(analyzer.DataFolder);
    const TSearchCounter counter = CountSearches(analyzer, mode);
    const std::vector<TCountEntry>& entries = counter.Entries();
    const int countColumn = DefineSearchColumns(grid, mode, entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        const int row = static_cast<int>(i) + 1;
        WriteEntryText(grid, mode, row, entries[i].Text);
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
