#include "shell/site_tree.h"

#include <algorithm>
#include <array>
#include <functional>

#include "engine/text_file.h"
#include "engine/text_util.h"

namespace vestrel {

namespace {

// Only this much of a requested path, after its leading "/", is split into components.
constexpr size_t kMaxPathLooked = 1024;

constexpr int kFolderPicture = 8;
constexpr int kOtherFilePicture = 6;

struct TExtensionPicture {
    std::string_view Extension;  // upper case, without the dot
    int Picture;
};
constexpr std::array<TExtensionPicture, 18> kExtensionPictures{{
    {"CGI", 1},
    {"PL", 1},
    {"EXE", 2},
    {"HTM", 3},
    {"HTML", 3},
    {"ASP", 3},
    {"BMP", 4},
    {"GIF", 4},
    {"TIF", 4},
    {"TIFF", 4},
    {"JPG", 4},
    {"JPEG", 4},
    {"PNG", 4},
    {"TXT", 5},
    {"ZIP", 7},
    {"GZ", 7},
    {"WAV", 10},
    {"PDF", 12},
}};

int SiteTreePicture(std::string_view caption) {
    const std::string_view extension = SiteCaptionExtension(caption);
    if (extension.empty()) return kFolderPicture;
    const std::string upper = UpperAscii(extension.substr(1));
    for (const TExtensionPicture& entry : kExtensionPictures)
        if (entry.Extension == upper) return entry.Picture;
    return kOtherFilePicture;
}

unsigned char FoldCase(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return (byte >= 'A' && byte <= 'Z') ? static_cast<unsigned char>(byte + ('a' - 'A')) : byte;
}

int CompareIgnoringCase(std::string_view a, std::string_view b) {
    const size_t common = std::min(a.size(), b.size());
    for (size_t i = 0; i < common; ++i) {
        const int difference = FoldCase(a[i]) - FoldCase(b[i]);
        if (difference != 0) return difference < 0 ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

// Visits `top` and its descendants depth-first, each item before its children, without recursion.
// `enter` may reorder the item's children before they are visited; `leave` runs after them.
template <class Item, class Enter, class Leave>
void WalkSiteTree(Item& top, Enter&& enter, Leave&& leave) {
    struct TFrame {
        Item* Parent;
        size_t Next;
    };
    enter(top);
    std::vector<TFrame> stack{{&top, 0}};
    while (!stack.empty()) {
        TFrame& frame = stack.back();
        if (frame.Next == frame.Parent->Children.size()) {
            leave(*frame.Parent);
            stack.pop_back();
            continue;
        }
        Item& child = *frame.Parent->Children[frame.Next++];
        enter(child);
        stack.push_back({&child, 0});
    }
}

template <class Item, class Enter>
void WalkSiteTree(Item& top, Enter&& enter) {
    WalkSiteTree(top, enter, [](Item&) {});
}

// A damaged memo may hold binary bytes; a caption never holds a control character but a tab.
bool HoldsControlCharacters(std::string_view line) {
    return std::any_of(line.begin(), line.end(),
                       [](char c) { return static_cast<unsigned char>(c) < ' ' && c != '\t'; });
}

void SortSiteTree(TSiteItem& root) {
    WalkSiteTree(root, [](TSiteItem& item) {
        std::sort(item.Children.begin(), item.Children.end(),
                  [](const auto& a, const auto& b) { return CompareSiteItems(*a, *b) < 0; });
    });
}

}  // namespace

TSiteItem::TSiteItem(std::string caption, TSiteItemKind kind, int picture, TSiteItem* parent)
    : Caption(std::move(caption)),
      Kind(kind),
      Picture(picture),
      Parent(parent),
      Depth(parent ? parent->Depth + 1 : 0) {}

TSiteItem::~TSiteItem() {
    std::vector<std::unique_ptr<TSiteItem>> pending = std::move(Children);
    while (!pending.empty()) {
        std::unique_ptr<TSiteItem> item = std::move(pending.back());
        pending.pop_back();
        for (std::unique_ptr<TSiteItem>& child : item->Children)
            pending.push_back(std::move(child));
        item->Children.clear();
    }
}

TSiteItem& TSiteItem::AddChild(std::string caption, int picture) {
    Children.push_back(
        std::make_unique<TSiteItem>(std::move(caption), TSiteItemKind::Page, picture, this));
    return *Children.back();
}

TSiteTree::TSiteTree(std::string domain)
    : root_(std::make_unique<TSiteItem>(std::move(domain), TSiteItemKind::Root, kSiteRootPicture,
                                        nullptr)) {}

void TSiteTree::Delete(TSiteItem& item) {
    if (&item == root_.get()) {
        root_.reset();
        return;
    }
    std::vector<std::unique_ptr<TSiteItem>>& siblings = item.Parent->Children;
    std::erase_if(siblings, [&](const auto& sibling) { return sibling.get() == &item; });
}

void LoadSiteTree(TSiteTree& tree, std::string_view memo) {
    TSiteItem* root = tree.SiteTreeRoot();
    if (!root) return;
    root->Picture = kSiteRootPicture;
    root->Children.clear();
    TSiteItem* previous = nullptr;
    for (const std::string& line : SplitTextLines(memo)) {
        if (HoldsControlCharacters(line)) continue;
        const size_t levels = std::min(line.find_first_not_of("/ "), line.size());
        TSiteItem* parent = previous ? previous : root;
        // A line at most one level below the line before it.
        const int parentDepth = static_cast<int>(std::min<size_t>(levels, parent->Depth));
        while (parent->Depth > parentDepth) parent = parent->Parent;
        TSiteItem& item = parent->AddChild(line.substr(levels), kOtherFilePicture);
        SetSiteTreeIcon(item);
        previous = &item;
    }
    root->Expanded = true;
}

std::string SaveSiteTree(const TSiteTree& tree) {
    std::string memo;
    const TSiteItem* root = tree.SiteTreeRoot();
    if (!root) return memo;
    WalkSiteTree(*root, [&](const TSiteItem& item) {
        if (&item == root) return;
        memo.append(item.Depth - 1, '/');
        memo += item.Caption;
        memo += "\r\n";
    });
    return memo;
}

void BuildSiteTree(TSiteTree& tree, const TLogAnalyzer& analyzer, int32_t stopBuildTree) {
    TSiteItem* root = tree.SiteTreeRoot();
    if (!root) return;
    AddRequestPaths(analyzer, *root, stopBuildTree);
    SortSiteTree(*root);
    FillSiteTreeCounts(tree, analyzer);
}

void AddRequestPaths(const TLogAnalyzer& analyzer, TSiteItem& root, int32_t limit) {
    root.Children.clear();
    TPathInserter inserter;
    // Requests whose whole path is in the tree already; most hits are repeats of them.
    std::unordered_set<int32_t> completeUrls;
    // The newest hits first; a qualifying hit counts against the limit even without components.
    int64_t remaining = limit;
    for (int i = analyzer.HitCount - 1; i >= 0 && remaining >= 0; --i) {
        const TLogHit& hit = analyzer.Hits[i];
        if (hit.Status != 200 && hit.Status != 302) continue;
        --remaining;
        if (completeUrls.contains(hit.UrlKey)) continue;
        if (inserter.InsertPath(root, SplitRequestPath(analyzer.UrlText(hit))))
            completeUrls.insert(hit.UrlKey);
    }
}

std::vector<std::string_view> SplitRequestPath(std::string_view path) {
    std::vector<std::string_view> components;
    if (path.empty()) return components;
    std::string_view rest = path.substr(1, kMaxPathLooked);
    while (!rest.empty()) {
        const size_t slash = rest.find('/');
        const std::string_view component = rest.substr(0, slash);
        if (component == "..") return {};
        components.push_back(component);
        rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
    }
    return components;
}

size_t TPathInserter::TChildKeyHash::operator()(const TChildKey& key) const {
    const size_t parent = std::hash<const void*>()(key.Parent);
    return std::hash<std::string_view>()(key.Caption) ^ (parent * 0x9E3779B97F4A7C15ull);
}

bool TPathInserter::InsertPath(TSiteItem& item, const std::vector<std::string_view>& components) {
    TSiteItem* at = &item;
    while (static_cast<size_t>(at->Depth) < components.size()) {
        const std::string_view caption = components[at->Depth];
        TSiteItem* child = FindChild(*at, caption);
        if (!child) {
            TSiteItem& added = at->AddChild(std::string(caption), SiteTreePicture(caption));
            Index(added);
            return static_cast<size_t>(added.Depth) == components.size();
        }
        at = child;
    }
    return true;
}

TSiteItem* TPathInserter::FindChild(TSiteItem& parent, std::string_view caption) {
    if (indexed_.insert(&parent).second)
        for (const std::unique_ptr<TSiteItem>& child : parent.Children) Index(*child);
    const auto found = children_.find({&parent, caption});
    return found == children_.end() ? nullptr : found->second;
}

void TPathInserter::Index(TSiteItem& child) {
    // Of siblings sharing a caption, the first in tree order is the one a path follows.
    children_.try_emplace({child.Parent, child.Caption}, &child);
}

std::string_view SiteCaptionExtension(std::string_view caption) {
    const size_t mark = caption.find_last_of(".\\:");
    if (mark == std::string_view::npos || caption[mark] != '.') return {};
    return caption.substr(mark);
}

void SetSiteTreeIcon(TSiteItem& item) {
    item.Picture = SiteTreePicture(item.Caption);
}

// Extensions differing only in letter case tie; the captions then decide, which keeps the order
// strict for sorting.
int CompareSiteItems(const TSiteItem& a, const TSiteItem& b) {
    const int byExtension =
        CompareIgnoringCase(SiteCaptionExtension(a.Caption), SiteCaptionExtension(b.Caption));
    return byExtension != 0 ? byExtension : CompareIgnoringCase(a.Caption, b.Caption);
}

void FillSiteTreeCounts(TSiteTree& tree, const TLogAnalyzer& analyzer) {
    TSiteItem* root = tree.SiteTreeRoot();
    if (!root) return;
    const TRequestDataArray requests = analyzer.BuildRequestData();
    std::unordered_map<std::string_view, int32_t> counts;
    for (const TRequestData& request : requests) counts[request.Path] += request.Count;
    std::string path;
    std::vector<size_t> parentLengths;
    WalkSiteTree(
        *root,
        [&](TSiteItem& item) {
            parentLengths.push_back(path.size());
            if (&item == root) return;
            path += '/';
            path += item.Caption;
            const auto found = counts.find(path);
            item.Hits = found == counts.end() ? std::nullopt : std::optional(found->second);
        },
        [&](TSiteItem&) {
            path.resize(parentLengths.back());
            parentLengths.pop_back();
        });
}

std::string HitsColumnText(const TSiteItem& item) {
    return item.Hits ? std::to_string(*item.Hits) + " " : std::string();
}

std::string SiteItemPath(const TSiteItem& item) {
    std::vector<const TSiteItem*> chain;
    for (const TSiteItem* at = &item; at->Parent; at = at->Parent) chain.push_back(at);
    std::string path;
    for (auto at = chain.rbegin(); at != chain.rend(); ++at) path += "/" + (*at)->Caption;
    return path;
}

std::string DaySpanPath(const TSiteItem& item) {
    const std::string path = SiteItemPath(item);
    return path.empty() ? path : path.substr(1);
}

std::string RenderSiteTree(const TSiteTree& tree) {
    std::string text;
    const TSiteItem* root = tree.SiteTreeRoot();
    if (!root) return text;
    WalkSiteTree(*root, [&](const TSiteItem& item) {
        text.append(2 * item.Depth, ' ');
        text += item.Caption;
        text += '\t';
        if (item.Hits) text += std::to_string(*item.Hits);
        text += '\n';
    });
    return text;
}

bool AsksToBuildSiteTree(const TSiteTree& tree) {
    const TSiteItem* root = tree.SiteTreeRoot();
    return root && root->Children.empty();
}

TSiteItem* AddSiteItemAfter(TSiteItem& item) {
    if (!item.Parent) return nullptr;
    return &item.Parent->AddChild(std::string(kNewItemCaption), kHandAddedPicture);
}

TSiteItem& AddSiteItemChild(TSiteItem& item) {
    item.Expanded = true;
    return item.AddChild(std::string(kNewItemCaption), kHandAddedPicture);
}

void RenameSiteItem(TSiteItem& item, std::string_view caption) {
    std::string text(caption);
    std::erase_if(text, [](char c) { return c == '\r' || c == '\n'; });
    text.erase(0, std::min(text.find_first_not_of("/ "), text.size()));
    item.Caption = std::move(text);
}

}  // namespace vestrel
