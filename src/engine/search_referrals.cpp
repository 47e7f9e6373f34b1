#include "engine/search_referrals.h"

#include <string>

namespace vestrel {

namespace {

bool SameEngines(const std::vector<TSearchEngine>& a, const std::vector<TSearchEngine>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i].Name != b[i].Name || a[i].URL != b[i].URL || a[i].PhraseStart != b[i].PhraseStart)
            return false;
    }
    return true;
}

// For each engine, the first engine of the list with the same name: the engine statistic counts
// by name.
std::vector<int32_t> EngineNames(const std::vector<TSearchEngine>& engines) {
    std::vector<int32_t> names(engines.size());
    for (size_t i = 0; i < engines.size(); ++i) {
        size_t first = 0;
        while (engines[first].Name != engines[i].Name) ++first;
        names[i] = static_cast<int32_t>(first);
    }
    return names;
}

}  // namespace

bool TSearchReferrals::UpToDate(const THashStringList& referrers,
                                const TReferenceLists& lists) const {
    return data_ && data_->ReferrerList == &referrers &&
           data_->ReferrerCount == referrers.Count() &&
           SameEngines(data_->Engines, lists.SearchEngines);
}

void TSearchReferrals::RefreshEngines(const THashStringList& referrers,
                                      const TReferenceLists& lists) {
    if (UpToDate(referrers, lists)) return;
    data_ = std::make_unique<TData>(referrers);
    data_->Engines = lists.SearchEngines;
    const std::vector<int32_t> engineNames = EngineNames(data_->Engines);
    ForEveryKey(referrers, [&](int32_t key, std::string_view referrer) {
        TSearchReferral& referral = data_->Referrals[key];
        referral.Engine = lists.FindSearchEngine(referrer);
        if (referral.Engine < 0) return;
        referral.EngineName = engineNames[referral.Engine];
        ++data_->SearchReferrers;
    });
}

// The engines are known first, so the indexes of the texts can be sized for the search referrers
// before the phrases are worked out.
void TSearchReferrals::Refresh(const THashStringList& referrers, const TReferenceLists& lists) {
    RefreshEngines(referrers, lists);
    if (data_->PhrasesKnown) return;
    data_->PhrasesKnown = true;
    data_->Phrases.Reserve(data_->SearchReferrers);
    data_->Keywords.Reserve(data_->SearchReferrers);
    data_->FirstPairs.reserve(data_->SearchReferrers);
    data_->EmptyPhrasePairs.assign(data_->Engines.size(), -1);
    AddPhrases(referrers);
    data_->KeywordStart.push_back(static_cast<int32_t>(data_->KeywordList.size()));
    NumberTexts(referrers);
}

void TSearchReferrals::NumberTexts(const THashStringList& referrers) {
    ForEveryKey(referrers, [&](int32_t key, std::string_view) {
        const TSearchReferral& referral = data_->Referrals[key];
        if (referral.Engine < 0) return;
        std::array<TKeyMemo<int32_t>, 3>& numbers = data_->TextNumbers;
        numbers[static_cast<size_t>(TSearchText::EngineName)][key] = referral.EngineName;
        numbers[static_cast<size_t>(TSearchText::Phrase)][key] = referral.Phrase;
        numbers[static_cast<size_t>(TSearchText::EnginePhrase)][key] = referral.EnginePhrase;
    });
}

// The phrases go in by batches: the index cells of a whole batch's phrases and keywords are
// fetched into the cache first, so their cache misses overlap instead of following each other.
void TSearchReferrals::AddPhrases(const THashStringList& referrers) {
    constexpr size_t kBatch = 16;
    std::vector<TPendingPhrase> batch(kBatch);
    size_t pending = 0;
    const auto addBatch = [&] {
        for (size_t i = 0; i < pending; ++i) {
            data_->Phrases.Prefetch(batch[i].Phrase);
            for (std::string_view keyword : batch[i].Keywords) data_->Keywords.Prefetch(keyword);
        }
        for (size_t i = 0; i < pending; ++i) AddPhrase(batch[i]);
        pending = 0;
    };
    ForEveryKey(referrers, [&](int32_t key, std::string_view referrer) {
        const TSearchReferral& referral = data_->Referrals[key];
        if (referral.Engine < 0) return;
        TPendingPhrase& next = batch[pending];
        next.Key = key;
        TReferenceLists::ExtractSearchPhrase(referrer, data_->Engines[referral.Engine].PhraseStart,
                                             next.Phrase);
        TReferenceLists::SplitKeywords(next.Phrase, next.Keywords);
        if (++pending == kBatch) addBatch();
    });
    addBatch();
}

void TSearchReferrals::AddPhrase(const TPendingPhrase& pending) {
    TSearchReferral& referral = data_->Referrals[pending.Key];
    if (!pending.Phrase.empty()) {
        const size_t known = data_->Phrases.Count();
        referral.Phrase = data_->Phrases.Add(pending.Phrase);
        if (data_->Phrases.Count() > known) AddKeywords(pending.Keywords);
    }
    referral.EnginePhrase = PairOf(referral);
}

// Nearly every phrase comes from one engine only: its first pair is kept beside the phrase, and
// only the pairs of a phrase with further engines are looked up by hash.
int32_t TSearchReferrals::PairOf(const TSearchReferral& referral) {
    const auto newPair = [&] {
        data_->PairReferrals.push_back(referral);
        return static_cast<int32_t>(data_->PairReferrals.size() - 1);
    };
    if (referral.Phrase < 0) {
        int32_t& pair = data_->EmptyPhrasePairs[referral.EngineName];
        if (pair < 0) pair = newPair();
        return pair;
    }
    if (static_cast<size_t>(referral.Phrase) == data_->FirstPairs.size()) {
        data_->FirstPairs.push_back({referral.EngineName, newPair()});
        return data_->FirstPairs.back().Pair;
    }
    const TFirstPair& first = data_->FirstPairs[referral.Phrase];
    if (first.EngineName == referral.EngineName) return first.Pair;
    const uint64_t key =
        static_cast<uint64_t>(referral.EngineName) << 32 | static_cast<uint32_t>(referral.Phrase);
    const auto [found, added] = data_->FurtherPairs.try_emplace(key, 0);
    if (added) found->second = newPair();
    return found->second;
}

void TSearchReferrals::AddKeywords(const std::vector<std::string_view>& keywords) {
    data_->KeywordStart.push_back(static_cast<int32_t>(data_->KeywordList.size()));
    for (std::string_view keyword : keywords)
        data_->KeywordList.push_back(data_->Keywords.Add(keyword));
}

std::span<const int32_t> TSearchReferrals::KeywordsOf(int32_t phrase) const {
    if (phrase < 0) return {};
    const int32_t first = data_->KeywordStart[phrase], end = data_->KeywordStart[phrase + 1];
    return {data_->KeywordList.data() + first, static_cast<size_t>(end - first)};
}

}  // namespace vestrel
