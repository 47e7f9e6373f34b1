// What the search statistics read of each referrer: the listed engine that sent it, its search
// phrase, the "engine:phrase" text and the phrase's keywords, each text numbered once. Worked out
// once for the loaded referrers and the engine list, and shared by every search statistic.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "engine/hash_string_list.h"
#include "engine/key_memo.h"
#include "engine/reference_lists.h"

namespace vestrel {

// Distinct texts numbered 0, 1, 2... in the order first added (the empty text is never added).
class TTextNumbers {
  public:
    int32_t Add(std::string_view text) { return ~texts_.Add(text); }
    std::string_view Text(int32_t number) const { return texts_.Get(~number); }
    void Reserve(size_t texts) { texts_.Reserve(texts); }
    void Prefetch(std::string_view text) const { texts_.Prefetch(text); }
    size_t Count() const { return texts_.Count(); }

  private:
    // One bucket, so every text goes to the overflow list and its key is ~number.
    THashStringList texts_{1};
};

struct TSearchReferral {
    int32_t Engine = -1;        // the first listed engine that matches, -1 for none
    int32_t EngineName = -1;    // the first listed engine of the same name
    int32_t Phrase = -1;        // number of the search phrase, -1 for the empty phrase
    int32_t EnginePhrase = -1;  // number of the pair of engine name and phrase
};

// The kinds of text a search statistic counts, each numbered per referrer.
enum class TSearchText { EngineName, Phrase, EnginePhrase };

class TSearchReferrals {
  public:
    // The number of a referrer that no listed engine sent, in TextNumbers.
    static constexpr int32_t kNotSearch = -2;

    // Works the referrers out again unless they and the engine list are those of the last time.
    // RefreshEngines finds only their engines (Engine and EngineName).
    void Refresh(const THashStringList& referrers, const TReferenceLists& lists);
    void RefreshEngines(const THashStringList& referrers, const TReferenceLists& lists);
    // Drops the answers, so the next Refresh works everything out afresh.
    void Forget() { data_.reset(); }

    const TSearchReferral& Of(int32_t referrerKey) const { return data_->Referrals[referrerKey]; }
    // One number per referrer key, the texts of one kind in a compact array for the walks over
    // every hit: the engine name, the phrase (-1 for the empty phrase) or the pair, or kNotSearch.
    // Known after Refresh.
    const TKeyMemo<int32_t>& TextNumbers(TSearchText kind) const {
        return data_->TextNumbers[static_cast<size_t>(kind)];
    }
    std::string_view PhraseText(int32_t phrase) const { return data_->Phrases.Text(phrase); }
    // The engine (the first of its name) and phrase of a pair number.
    const TSearchReferral& EnginePhrasePair(int32_t number) const {
        return data_->PairReferrals[number];
    }
    std::string_view KeywordText(int32_t keyword) const { return data_->Keywords.Text(keyword); }
    // The keyword numbers of a phrase, in the phrase's order.
    std::span<const int32_t> KeywordsOf(int32_t phrase) const;

    size_t PhraseCount() const { return data_->Phrases.Count(); }
    size_t EnginePhraseCount() const { return data_->PairReferrals.size(); }
    size_t KeywordCount() const { return data_->Keywords.Count(); }

  private:
    struct TFirstPair {
        int32_t EngineName;
        int32_t Pair;
    };
    struct TData {
        explicit TData(const THashStringList& referrers)
            : Referrals(referrers, TSearchReferral{}),
              TextNumbers{TKeyMemo<int32_t>(referrers, kNotSearch),
                          TKeyMemo<int32_t>(referrers, kNotSearch),
                          TKeyMemo<int32_t>(referrers, kNotSearch)},
              ReferrerList(&referrers),
              ReferrerCount(referrers.Count()) {}
        TKeyMemo<TSearchReferral> Referrals;
        std::array<TKeyMemo<int32_t>, 3> TextNumbers;  // by TSearchText
        const THashStringList* ReferrerList;
        size_t ReferrerCount;
        std::vector<TSearchEngine> Engines;  // the list the answers were worked out with
        size_t SearchReferrers = 0;          // referrers from a listed engine
        bool PhrasesKnown = false;
        TTextNumbers Phrases, Keywords;
        std::vector<TSearchReferral> PairReferrals;          // the first referral of each pair
        std::vector<TFirstPair> FirstPairs;                  // by phrase number
        std::vector<int32_t> EmptyPhrasePairs;               // by engine, -1 before it is met
        std::unordered_map<uint64_t, int32_t> FurtherPairs;  // engine name << 32 | phrase
        std::vector<int32_t> KeywordStart;  // a phrase's first keyword in KeywordList
        std::vector<int32_t> KeywordList;
    };

    struct TPendingPhrase {
        int32_t Key = 0;
        std::string Phrase;
        std::vector<std::string_view> Keywords;  // views of Phrase
    };
    bool UpToDate(const THashStringList& referrers, const TReferenceLists& lists) const;
    void AddPhrases(const THashStringList& referrers);
    void NumberTexts(const THashStringList& referrers);
    void AddPhrase(const TPendingPhrase& pending);
    int32_t PairOf(const TSearchReferral& referral);
    void AddKeywords(const std::vector<std::string_view>& keywords);

    std::unique_ptr<TData> data_;
};

}  // namespace vestrel
