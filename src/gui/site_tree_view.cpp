#include "gui/site_tree_view.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QSignalBlocker>
#include <QTreeWidget>
#include <vector>

#include "gui/message_boxes.h"
#include "gui/qt_text.h"
#include "gui/theme_icons.h"

namespace vestrel::gui {

namespace {

constexpr int kSiteItemRole = Qt::UserRole + 2;
constexpr int kHitsColumn = 1;

}  // namespace

QIcon SitePictureIcon(int picture) {
    switch (picture) {
        case 1:
            return ThemeIcon({"text-x-script", "utilities-terminal"});
        case 2:
            return ThemeIcon("application-x-executable");
        case 3:
            return ThemeIcon({"text-html", "web-browser"});
        case 4:
            return ThemeIcon("image-x-generic");
        case 5:
            return ThemeIcon("text-x-generic");
        case 7:
            return ThemeIcon("package-x-generic");
        case 8:
            return ThemeIcon("folder");
        case kSiteRootPicture:
            return ThemeIcon("network-server");
        case 10:
            return ThemeIcon("audio-x-generic");
        case 12:
            return ThemeIcon({"application-pdf", "x-office-document"});
        default:
            return ThemeIcon({"text-x-generic-template", "text-x-generic"});
    }
}

TSiteTreeView::TSiteTreeView(QTreeWidget& tree, TMainModel& model, TRunAction runAction)
    : QObject(&tree), tree_(tree), model_(model), runAction_(std::move(runAction)) {
    AddCommand("actAddSiteItemAfter", "Add after");
    AddCommand("actAddSiteItemChild", "Add child");
    AddCommand("actRenameSiteItem", "Rename");
    AddCommand("actDeleteSiteItem", "Delete");
    AddCommand("actBuildSiteTree", "Build site tree");
    connect(Command("actAddSiteItemAfter"), &QAction::triggered, this, &TSiteTreeView::AddAfter);
    connect(Command("actAddSiteItemChild"), &QAction::triggered, this, &TSiteTreeView::AddChild);
    connect(Command("actRenameSiteItem"), &QAction::triggered, this, &TSiteTreeView::Rename);
    connect(Command("actDeleteSiteItem"), &QAction::triggered, this, &TSiteTreeView::Delete);
    connect(Command("actBuildSiteTree"), &QAction::triggered, this, &TSiteTreeView::Build);

    menu_ = new QMenu(&tree_);
    menu_->setObjectName("pmSiteTree");
    menu_->addActions({Command("actAddSiteItemAfter"), Command("actAddSiteItemChild"),
                       Command("actRenameSiteItem"), Command("actDeleteSiteItem")});
    menu_->addSeparator();
    menu_->addAction(Command("actBuildSiteTree"));
    tree_.setContextMenuPolicy(Qt::CustomContextMenu);
    connect(&tree_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        UpdateCommands();
        menu_->popup(tree_.viewport()->mapToGlobal(at));
    });
    connect(&tree_, &QTreeWidget::itemChanged, this, &TSiteTreeView::Renamed);
    UpdateCommands();
}

QAction* TSiteTreeView::AddCommand(const char* name, const QString& caption) {
    auto* action = new QAction(caption, this);
    action->setObjectName(name);
    commands_[name] = action;
    return action;
}

QAction* TSiteTreeView::Command(const char* name) const {
    const auto found = commands_.find(name);
    return found != commands_.end() ? found->second : nullptr;
}

void TSiteTreeView::Attach(QTreeWidgetItem* rootItem) {
    rootItem_ = rootItem;
    TSiteItem* root = model_.SiteTree ? model_.SiteTree->SiteTreeRoot() : nullptr;
    if (rootItem_ == nullptr) return;
    if (root == nullptr) {
        delete rootItem_;
        rootItem_ = nullptr;
        return;
    }
    rootItem_->setData(0, kSiteItemRole, QVariant::fromValue(reinterpret_cast<quintptr>(root)));
    rootItem_->setIcon(0, SitePictureIcon(root->Picture));
    Fill();
}

TSiteItem* TSiteTreeView::SiteItem(const QTreeWidgetItem* item) const {
    if (item == nullptr) return nullptr;
    return reinterpret_cast<TSiteItem*>(item->data(0, kSiteItemRole).value<quintptr>());
}

QTreeWidgetItem* TSiteTreeView::AddItem(QTreeWidgetItem* parent, TSiteItem& site) {
    auto* item =
        new QTreeWidgetItem(parent, {ToQString(site.Caption), ToQString(HitsColumnText(site))});
    item->setData(0, kSiteItemRole, QVariant::fromValue(reinterpret_cast<quintptr>(&site)));
    item->setIcon(0, SitePictureIcon(site.Picture));
    item->setTextAlignment(kHitsColumn, Qt::AlignRight | Qt::AlignVCenter);
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    // The tree is narrow and paths are deep: the whole path shows on hovering.
    item->setToolTip(0, ToQString(SiteItemPath(site)));
    return item;
}

// The items below the root again, from the model, without running anything on the way.
void TSiteTreeView::Fill() {
    const QSignalBlocker quiet(&tree_);
    qDeleteAll(rootItem_->takeChildren());
    TSiteItem& root = *SiteItem(rootItem_);
    rootItem_->setText(kHitsColumn, ToQString(HitsColumnText(root)));
    std::vector<std::pair<TSiteItem*, QTreeWidgetItem*>> pending{{&root, rootItem_}};
    while (!pending.empty()) {
        const auto [site, item] = pending.back();
        pending.pop_back();
        for (const std::unique_ptr<TSiteItem>& child : site->Children)
            pending.emplace_back(child.get(), AddItem(item, *child));
        item->setExpanded(site->Expanded);
    }
}

bool TSiteTreeView::Select(QTreeWidgetItem* item) {
    TSiteItem* site = SiteItem(item);
    if (site == nullptr) return false;
    if (site->Kind == TSiteItemKind::Root) {
        runAction_(*FindReportAction("actBuildSiteTree"), {});
        if (AsksToBuildSiteTree(*model_.SiteTree) &&
            AskQuestion(tree_.window(), std::string(kBuildSiteTreeQuestion)))
            Build();
    } else {
        runAction_(*FindReportAction("actDaySpan"), DaySpanPath(*site));
    }
    return true;
}

void TSiteTreeView::Build() {
    if (rootItem_ == nullptr || !model_.SiteTree || !model_.SiteTree->SiteTreeRoot()) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    model_.RebuildSiteTree();
    Fill();
    QApplication::restoreOverrideCursor();
}

// Without a current item the commands keep their state. The root can be deleted but has no
// place for an item after it, and its caption is the report's domain.
void TSiteTreeView::UpdateCommands() {
    const QTreeWidgetItem* current = tree_.currentItem();
    if (current == nullptr) return;
    const TSiteItem* site = SiteItem(current);
    const bool page = site != nullptr && site->Kind == TSiteItemKind::Page;
    Command("actAddSiteItemAfter")->setEnabled(page);
    Command("actAddSiteItemChild")->setEnabled(site != nullptr);
    Command("actRenameSiteItem")->setEnabled(page);
    Command("actDeleteSiteItem")->setEnabled(site != nullptr);
}

void TSiteTreeView::AddAfter() {
    QTreeWidgetItem* current = tree_.currentItem();
    TSiteItem* site = SiteItem(current);
    if (site == nullptr) return;
    if (TSiteItem* added = AddSiteItemAfter(*site)) AddItem(current->parent(), *added);
}

void TSiteTreeView::AddChild() {
    QTreeWidgetItem* current = tree_.currentItem();
    TSiteItem* site = SiteItem(current);
    if (site == nullptr) return;
    AddItem(current, AddSiteItemChild(*site));
    current->setExpanded(true);
}

void TSiteTreeView::Rename() {
    QTreeWidgetItem* current = tree_.currentItem();
    const TSiteItem* site = SiteItem(current);
    if (site != nullptr && site->Kind == TSiteItemKind::Page) tree_.editItem(current, 0);
}

void TSiteTreeView::Renamed(QTreeWidgetItem* item, int column) {
    TSiteItem* site = SiteItem(item);
    if (column != 0 || site == nullptr || site->Kind != TSiteItemKind::Page) return;
    RenameSiteItem(*site, FromQString(item->text(0)));
    const QSignalBlocker quiet(&tree_);
    item->setText(0, ToQString(site->Caption));
    // The item's path and the paths below it have changed.
    std::vector<QTreeWidgetItem*> pending{item};
    while (!pending.empty()) {
        QTreeWidgetItem* at = pending.back();
        pending.pop_back();
        at->setToolTip(0, ToQString(SiteItemPath(*SiteItem(at))));
        for (int i = 0; i < at->childCount(); ++i) pending.push_back(at->child(i));
    }
}

void TSiteTreeView::Delete() {
    QTreeWidgetItem* current = tree_.currentItem();
    TSiteItem* site = SiteItem(current);
    if (site == nullptr) return;
    const QSignalBlocker quiet(&tree_);
    model_.SiteTree->Delete(*site);
    if (current == rootItem_) rootItem_ = nullptr;
    delete current;
}

}  // namespace vestrel::gui
