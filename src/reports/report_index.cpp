#include "reports/report_index.h"

namespace vestrel {

// Every path is tested up front in the order the texts were stored: reading them in the hits'
// order instead jumps through memory and costs several times as much on large stores.
TPageKeys::TPageKeys(const TLogAnalyzer& analyzer) : isPage_(analyzer.Urls, 0) {
    const THashStringList& urls = analyzer.Urls;
    const auto test = [&](int32_t key) { isPage_[key] = analyzer.IsPage(urls.Get(key)) ? 1 : 0; };
    for (int32_t slot = 1; slot < urls.BucketCount(); ++slot) test(slot);
    // Overflow keys are ~0, ~1, ...; there are fewer of them than texts.
    for (int32_t entry = 0; entry < static_cast<int32_t>(urls.Count()); ++entry) test(~entry);
}

}  // namespace vestrel
