// The search phrase of a referrer and its keywords: once with a phrase start taken from the
// input, once with the phrase start of the listed search engine the referrer names.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/reference_lists.h"
#include "fuzz_support.h"

using namespace vestrel;

namespace {

const TReferenceLists& ShippedLists() {
    static const TReferenceLists lists = [] {
        TReferenceLists loaded;
        loaded.LoadSearchEngines(VESTREL_SOURCE_DIR "/data/");
        return loaded;
    }();
    return lists;
}

void CheckKeywords(const std::string& phrase) {
    size_t total = 0;
    for (const std::string& keyword : TReferenceLists::SplitKeywords(phrase)) {
        fuzz::Check(!keyword.empty(), "no empty keyword");
        total += keyword.size();
    }
    fuzz::Check(total <= phrase.size(), "keywords are parts of the phrase");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const std::string phraseStart = input.ConsumeRandomLengthString(16);
    const std::string referrer = input.ConsumeRemainingBytesAsString();

    CheckKeywords(TReferenceLists::ExtractSearchPhrase(referrer, phraseStart));
    CheckKeywords(referrer);
    const TReferenceLists& lists = ShippedLists();
    const int engine = lists.FindSearchEngine(referrer);
    if (engine >= 0)
        CheckKeywords(TReferenceLists::ExtractSearchPhrase(
            referrer, lists.SearchEngines[static_cast<size_t>(engine)].PhraseStart));
    return 0;
}
