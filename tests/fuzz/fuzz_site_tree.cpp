// The site tree memo loader: any text loads, and the memo saved from what it loaded loads into
// the same tree again.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "shell/site_tree.h"

using namespace vestrel;

namespace {

// The depths of the tree a memo gives, walked from every item to the root.
void CheckDepths(const TSiteItem& item) {
    for (const auto& child : item.Children) {
        fuzz::Check(child->Parent == &item, "parent link");
        fuzz::Check(child->Depth == item.Depth + 1, "depth one below the parent");
    }
}

void CheckTree(const TSiteItem& root) {
    std::vector<const TSiteItem*> pending = {&root};
    while (!pending.empty()) {
        const TSiteItem* item = pending.back();
        pending.pop_back();
        CheckDepths(*item);
        for (const auto& child : item->Children) pending.push_back(child.get());
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view memo(reinterpret_cast<const char*>(data), size);
    TSiteTree tree("example.com");
    LoadSiteTree(tree, memo);
    CheckTree(*tree.SiteTreeRoot());
    const std::string saved = SaveSiteTree(tree);
    const std::string rendered = RenderSiteTree(tree);

    TSiteTree again("example.com");
    LoadSiteTree(again, saved);
    fuzz::Check(SaveSiteTree(again) == saved, "a saved memo loads into the same tree");
    fuzz::Check(RenderSiteTree(again) == rendered, "the reloaded tree shows the same");
    return 0;
}
