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

// Two rounds: the engines first, so the indexes of the texts can be sized for the search
// referrers before the phrases are worked out.
void TSearchReferrals::Refresh(const THashStringList& referrers, const TReferenceLists& lists) {
    if (UpToDate(referrers, lists)) return;
    data_ = std::make_unique<TData>(referrers);
    data_->Engines = lists.SearchEngines;
    const std::vector<int32_t> engineNames = EngineNames(data_->Engines);
    size_t searchReferrers = 0;
    ForEveryKey(referrers, [&](int32_t key, std::string_view referrer) {
        TSearchReferral& referral = data_->Referrals[key];
        referral.Engine = lists.FindSearchEngine(referrer);
        if (referral.Engine < 0) return;
        referral.EngineName = engineNames[referral.Engine];
        ++searchReferrers;
    });
    data_->Phrases.Reserve(searchReferrers);
    data_->Keywords.Reserve(searchReferrers);
    data_->EnginePhrases.Reserve(searchReferrers);
    ForEveryKey(referrers, [&](int32_t key, std::string_view referrer) {
        TSearchReferral& referral = data_->Referrals[key];
        if (referral.Engine >= 0) AddPhrase(referral, referrer);
    });
    data_->KeywordStart.push_back(static_cast<int32_t>(data_->KeywordList.size()));
}

void TSearchReferrals::AddPhrase(TSearchReferral& referral, std::string_view referrer) {
    const TSearchEngine& engine = data_->Engines[referral.Engine];
    const std::string phrase = TReferenceLists::ExtractSearchPhrase(referrer, engine.PhraseStart);
    if (!phrase.empty()) {
        const size_t known = data_->Phrases.Count();
        referral.Phrase = data_->Phrases.Add(phrase);
        if (data_->Phrases.Count() > known) AddKeywords(phrase);
    }
    const uint64_t pair = static_cast<uint64_t>(referral.EngineName) << 32 |
                          static_cast<uint32_t>(referral.Phrase + 1);
    referral.EnginePhrase = data_->EnginePhrases.Find(pair);
    if (referral.EnginePhrase < 0) {
        referral.EnginePhrase = data_->EnginePhrases.Add(pair);
        data_->PairReferrals.push_back(referral);
    }
}

void TSearchReferrals::AddKeywords(std::string_view phrase) {
    data_->KeywordStart.push_back(static_cast<int32_t>(data_->KeywordList.size()));
    for (const std::string& keyword : TReferenceLists::SplitKeywords(phrase))
        data_->KeywordList.push_back(data_->Keywords.Add(keyword));
}

std::span<const int32_t> TSearchReferrals::KeywordsOf(int32_t phrase) const {
    if (phrase < 0) return {};
    const int32_t first = data_->KeywordStart[phrase], end = data_->KeywordStart[phrase + 1];
    return {data_->KeywordList.data() + first, static_cast<size_t>(end - first)};
}

}  // namespace vestrel
