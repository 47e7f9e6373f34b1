// The site tree: the web site's folders and files as the hits show them, below a root item
// captioned with the report's domain. It is built from the analysed hits, edited by hand, saved
// as the report's SiteTree memo and loaded from it at every report opening.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "engine/log_analyzer.h"

namespace vestrel {

// Pictures of the shared picture list used by the site tree.
constexpr int kSiteRootPicture = 9;
constexpr int kHandAddedPicture = 6;

inline constexpr std::string_view kNewItemCaption = "New item";
inline constexpr std::string_view kBuildSiteTreeQuestion = "Build site Tree?";

// The root carries actBuildSiteTree; every item below it carries actDaySpan.
enum class TSiteItemKind : uint8_t { Root, Page };

struct TSiteItem {
    TSiteItem(std::string caption, TSiteItemKind kind, int picture, TSiteItem* parent);
    // Frees the descendants without recursion, so no depth of tree can exhaust the stack.
    ~TSiteItem();
    TSiteItem(const TSiteItem&) = delete;
    TSiteItem& operator=(const TSiteItem&) = delete;

    TSiteItem& AddChild(std::string caption, int picture);

    std::string Caption;
    TSiteItemKind Kind;
    int Picture;
    std::optional<int32_t> Hits;  // empty when no served file has the item's path
    bool Expanded = false;
    TSiteItem* Parent;
    int Depth;  // 0 for the root, 1 for its children
    std::vector<std::unique_ptr<TSiteItem>> Children;
};

class TSiteTree {
  public:
    // The empty tree of a report opening: just the root, captioned with the domain.
    explicit TSiteTree(std::string domain);

    // Null once the root has been deleted.
    TSiteItem* SiteTreeRoot() { return root_.get(); }
    const TSiteItem* SiteTreeRoot() const { return root_.get(); }

    // Removes the item with all its descendants; the root too.
    void Delete(TSiteItem& item);

  private:
    std::unique_ptr<TSiteItem> root_;
};

// Rebuilds the root's children from a SiteTree memo. Every leading "/" or blank of a line is one
// level below the root's children. Damaged text still loads: a line more than one level deeper
// than the line before is taken one level deeper, and a line holding control characters (other
// than a tab) is skipped.
void LoadSiteTree(TSiteTree& tree, std::string_view memo);
// The memo text: one line per item below the root, in depth-first order, (depth - 1) slashes
// before the caption, each line ending in CR LF.
std::string SaveSiteTree(const TSiteTree& tree);

// Replaces the root's children by the paths of the newest hits (at most stopBuildTree + 1 of
// them with status 200 or 302), then sets pictures, sorts every level and fills the counts.
void BuildSiteTree(TSiteTree& tree, const TLogAnalyzer& analyzer, int32_t stopBuildTree);
void AddRequestPaths(const TLogAnalyzer& analyzer, TSiteItem& root, int32_t limit);

// The path components of a requested path: /a//b.htm gives a, "", b.htm; a ".." anywhere gives
// none. Only the 1024 characters after the leading "/" are looked at.
std::vector<std::string_view> SplitRequestPath(std::string_view path);

// Grows a tree by request paths, finding each item's children by caption in a hash index built
// on first use of that item. The indexed items must not be renamed or removed meanwhile.
class TPathInserter {
  public:
    // Follows the components below `item` (components[d] names the child at depth d + 1) and
    // adds one item below the deepest one found, when components remain. True when the tree then
    // holds the whole path, so that the same path would add nothing more.
    bool InsertPath(TSiteItem& item, const std::vector<std::string_view>& components);

  private:
    struct TChildKey {
        const TSiteItem* Parent;
        std::string_view Caption;
        bool operator==(const TChildKey&) const = default;
    };
    struct TChildKeyHash {
        size_t operator()(const TChildKey& key) const;
    };

    TSiteItem* FindChild(TSiteItem& parent, std::string_view caption);
    void Index(TSiteItem& child);

    std::unordered_map<TChildKey, TSiteItem*, TChildKeyHash> children_;
    std::unordered_set<const TSiteItem*> indexed_;
};

// The extension of a caption with its dot, or "" when it has none.
std::string_view SiteCaptionExtension(std::string_view caption);
void SetSiteTreeIcon(TSiteItem& item);
// Folders first, then files grouped by extension, then by name, all ignoring letter case.
int CompareSiteItems(const TSiteItem& a, const TSiteItem& b);

// Sets every item's count from the analyser's request counts: the requests of all query
// variants of the item's path.
void FillSiteTreeCounts(TSiteTree& tree, const TLogAnalyzer& analyzer);
// The "Hits" column: the count and one blank, or empty.
std::string HitsColumnText(const TSiteItem& item);

// "/images/logo.gif" for logo.gif under images; "" for the root.
std::string SiteItemPath(const TSiteItem& item);
// The day span's path: the same without the leading "/".
std::string DaySpanPath(const TSiteItem& item);

// One line per item, the root first, indented two blanks per level: caption, tab, count.
std::string RenderSiteTree(const TSiteTree& tree);

// Selecting the root asks whether to build only while it has no children.
bool AsksToBuildSiteTree(const TSiteTree& tree);
// The edit commands. "Add after" on the root adds nothing (it has no parent in the site tree)
// and gives null.
TSiteItem* AddSiteItemAfter(TSiteItem& item);
TSiteItem& AddSiteItemChild(TSiteItem& item);
// Line breaks and leading "/" or blanks are dropped: the memo could not hold them.
void RenameSiteItem(TSiteItem& item, std::string_view caption);

}  // namespace vestrel
