// The site tree in the main window's report tree: the items below the domain item, with their
// "Hits" column and pictures, the context menu that edits them and the building from the hits.
// The items are a view of the model's TSiteTree; every edit goes to the model first.
#pragma once

#include <QObject>
#include <functional>
#include <map>
#include <string>

#include "shell/main_model.h"

class QAction;
class QMenu;
class QTreeWidget;
class QTreeWidgetItem;

namespace vestrel::gui {

// The picture of the shared picture list as an icon of the desktop's theme.
QIcon SitePictureIcon(int picture);

class TSiteTreeView : public QObject {
    Q_OBJECT

  public:
    // Runs a report action for a tree item, as the rest of the report tree does (the day span
    // of a page item with its path).
    using TRunAction = std::function<void(const TReportAction& action, const std::string& path)>;

    TSiteTreeView(QTreeWidget& tree, TMainModel& model, TRunAction runAction);

    // The context menu's commands: "actAddSiteItemAfter", "actAddSiteItemChild",
    // "actRenameSiteItem", "actDeleteSiteItem", "actBuildSiteTree".
    QAction* Command(const char* name) const;
    QMenu* ContextMenu() const { return menu_; }

    // Fills the domain item (or removes it when the model's root is gone) after the report tree
    // was rebuilt.
    void Attach(QTreeWidgetItem* rootItem);
    QTreeWidgetItem* RootItem() const { return rootItem_; }
    // The site item an item of the report tree shows, or null.
    TSiteItem* SiteItem(const QTreeWidgetItem* item) const;
    // Handles the selection of a site-tree item: the root offers to build a tree that has no
    // items, a page item runs its day span. False for the other items of the report tree.
    bool Select(QTreeWidgetItem* item);
    // Replaces the tree by the one built from the hits.
    void Build();

  private:
    QAction* AddCommand(const char* name, const QString& caption);
    QTreeWidgetItem* AddItem(QTreeWidgetItem* parent, TSiteItem& site);
    void Fill();
    void UpdateCommands();
    void AddAfter();
    void AddChild();
    void Rename();
    void Delete();
    void Renamed(QTreeWidgetItem* item, int column);

    QTreeWidget& tree_;
    TMainModel& model_;
    TRunAction runAction_;
    std::map<std::string, QAction*> commands_;
    QMenu* menu_;
    QTreeWidgetItem* rootItem_ = nullptr;
};

}  // namespace vestrel::gui
