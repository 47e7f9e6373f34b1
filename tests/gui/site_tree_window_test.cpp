// The site tree below the domain item of the report tree: built from the demo log on request,
// edited through its context menu, stored when the window closes and loaded at the next opening;
// a page item shows the day span of its path.
#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <QTreeWidget>
#include <sstream>

#include "gui/gui_test_util.h"
#include "gui/main_window.h"
#include "gui/site_tree_view.h"
#include "reports/catalogue.h"

namespace {

using namespace vestrel;
using namespace vestrel::gui;
using namespace vestrel::gui::testing;

// The items below `item`, one line each, indented two blanks a level: caption, tab, hits.
void Render(const QTreeWidgetItem* item, int depth, std::string& text) {
    for (int i = 0; i < item->childCount(); ++i) {
        const QTreeWidgetItem* child = item->child(i);
        text += std::string(2 * depth, ' ') + child->text(0).toStdString() + "\t" +
                child->text(1).trimmed().toStdString() + "\n";
        Render(child, depth + 1, text);
    }
}

QTreeWidgetItem* Child(QTreeWidgetItem* parent, const char* caption) {
    for (int i = 0; i < parent->childCount(); ++i)
        if (parent->child(i)->text(0) == caption) return parent->child(i);
    return nullptr;
}

class SiteTreeWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_ = MakeDataFolder();
        store_ = std::make_unique<TDM1>(folder_);
        store_->Open();
        AddReport(*store_, "Demo", "1" + kDemoLog);
        Open();
    }
    void TearDown() override {
        window_.reset();
        store_.reset();
        std::filesystem::remove_all(folder_);
    }

    void Open() {
        window_ = std::make_unique<TfrmMain>(*store_, folder_);
        window_->show();
        ASSERT_TRUE(window_->OpenReport("Demo"));
    }
    // Closing stores the site tree; the next window opens the report again.
    void CloseAndReopen() {
        window_->close();
        window_.reset();
        Open();
    }
    TSiteTreeView& View() { return *window_->SiteTreeView(); }
    QTreeWidgetItem* Root() { return View().RootItem(); }
    std::string Shown() {
        std::string text;
        if (Root() != nullptr) Render(Root(), 0, text);
        return text;
    }
    // The model's tree in the form of Shown().
    std::string ModelShown() {
        std::istringstream lines(RenderSiteTree(*window_->Model().SiteTree));
        std::string line, text;
        std::getline(lines, line);  // the root
        while (std::getline(lines, line)) text += line.substr(2) + "\n";
        return text;
    }
    void Select(QTreeWidgetItem* item) { window_->Tree()->setCurrentItem(item); }
    void Run(const char* command) {
        QAction* action = View().Command(command);
        ASSERT_TRUE(action->isEnabled()) << command;
        action->trigger();
    }

    TRecordingPresenter messages_;
    std::string folder_;
    std::unique_ptr<TDM1> store_;
    std::unique_ptr<TfrmMain> window_;
};

TEST_F(SiteTreeWindowTest, SelectingTheEmptyRootOffersToBuildTheTree) {
    EXPECT_EQ(window_->Tree()->headerItem()->text(0), "Report");
    EXPECT_EQ(window_->Tree()->headerItem()->text(1), "Hits");
    ASSERT_NE(Root(), nullptr);
    EXPECT_EQ(Root()->text(0), "www.example.com");
    EXPECT_EQ(Root()->childCount(), 0);

    messages_.Answer = false;
    Select(Root());
    ASSERT_EQ(messages_.Shown.size(), 1u);
    EXPECT_EQ(messages_.Shown[0].Kind, TMessageKind::Question);
    EXPECT_EQ(messages_.Shown[0].Text, "Build site Tree?");
    EXPECT_EQ(Root()->childCount(), 0);

    messages_.Answer = true;
    Select(window_->Tree()->topLevelItem(0));
    Select(Root());
    ASSERT_EQ(messages_.Shown.size(), 2u);
    ASSERT_GT(Root()->childCount(), 3);
    EXPECT_TRUE(Root()->isExpanded());
    EXPECT_EQ(Shown(), ModelShown());
    // Folders first, each file with its served count and the picture of its kind.
    QTreeWidgetItem* products = Child(Root(), "products");
    ASSERT_NE(products, nullptr);
    EXPECT_TRUE(products->text(1).isEmpty());
    QTreeWidgetItem* favicon = Child(Root(), "favicon.ico");
    ASSERT_NE(favicon, nullptr);
    EXPECT_EQ(favicon->text(1), "165 ");
    EXPECT_LT(Root()->indexOfChild(products), Root()->indexOfChild(favicon));
    EXPECT_EQ(favicon->textAlignment(1) & Qt::AlignRight, Qt::AlignRight);

    // A built tree is not offered again; the Edit menu's command rebuilds without asking.
    Select(window_->Tree()->topLevelItem(0));
    Select(Root());
    EXPECT_EQ(messages_.Shown.size(), 2u);
    const std::string built = Shown();
    window_->Command("actBuildSiteTreeMenu")->trigger();
    EXPECT_EQ(messages_.Shown.size(), 2u);
    EXPECT_EQ(Shown(), built);
}

TEST_F(SiteTreeWindowTest, APageItemShowsTheDaySpanOfItsPath) {
    window_->Command("actBuildSiteTreeMenu")->trigger();
    QTreeWidgetItem* products = Child(Root(), "products");
    ASSERT_NE(products, nullptr);
    products->setExpanded(true);
    QTreeWidgetItem* backpacks = Child(products, "backpacks");
    ASSERT_NE(backpacks, nullptr);
    QTreeWidgetItem* page = Child(backpacks, "alpine-duo.html");
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->text(1).toStdString(),
              HitsColumnText(*View().SiteItem(page)));  // the served count and a blank
    EXPECT_FALSE(page->text(1).trimmed().isEmpty());
    Select(page);
    EXPECT_EQ(window_->TitleLabel()->text(), "  /products/backpacks/alpine-duo.html");
    const TVarGrid& grid = window_->Model().Grid;
    EXPECT_EQ(window_->Model().ReportKind, FindReportAction("actDaySpan")->ReportKind);
    EXPECT_EQ(grid.GetText(0, 0), "Date");
    // The page was requested on some of the days.
    int hits = 0;
    for (int row = 1; row < grid.RowCount(); ++row) hits += grid.GetInt(1, row);
    EXPECT_GT(hits, 0);
    EXPECT_TRUE(messages_.Shown.empty());
}

TEST_F(SiteTreeWindowTest, EditsAreStoredOnClosingAndLoadedAtTheNextOpening) {
    window_->Command("actBuildSiteTreeMenu")->trigger();
    QTreeWidgetItem* products = Child(Root(), "products");
    ASSERT_NE(products, nullptr);

    // The editing commands follow the selected item: none for a statistic.
    Select(window_->Tree()->topLevelItem(0));
    emit window_->Tree()->customContextMenuRequested(QPoint(5, 5));
    View().ContextMenu()->close();
    EXPECT_FALSE(View().Command("actAddSiteItemChild")->isEnabled());
    EXPECT_FALSE(View().Command("actDeleteSiteItem")->isEnabled());
    EXPECT_TRUE(View().Command("actBuildSiteTree")->isEnabled());

    Select(products);
    emit window_->Tree()->customContextMenuRequested(QPoint(5, 5));
    View().ContextMenu()->close();
    Run("actAddSiteItemChild");  // products/New item
    EXPECT_TRUE(products->isExpanded());
    QTreeWidgetItem* added = products->child(products->childCount() - 1);
    EXPECT_EQ(added->text(0), "New item");
    Select(added);
    Run("actRenameSiteItem");
    auto* editor = window_->Tree()->viewport()->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    editor->setText("/ tents");
    QTest::keyClick(editor, Qt::Key_Return);
    QApplication::processEvents();       // the editor commits on the next turn of the event loop
    EXPECT_EQ(added->text(0), "tents");  // a leading "/" or blank would be a level in the memo
    EXPECT_EQ(added->toolTip(0), "/products/tents");
    Run("actAddSiteItemAfter");          // a second child of products
    EXPECT_EQ(products->child(products->childCount() - 1)->text(0), "New item");

    QTreeWidgetItem* favicon = Child(Root(), "favicon.ico");
    ASSERT_NE(favicon, nullptr);
    Select(favicon);
    Run("actDeleteSiteItem");
    EXPECT_EQ(Child(Root(), "favicon.ico"), nullptr);
    EXPECT_TRUE(messages_.Shown.empty());

    const std::string edited = Shown();
    CloseAndReopen();
    EXPECT_NE(Child(Root(), "products"), nullptr);
    EXPECT_EQ(Child(Root(), "favicon.ico"), nullptr);
    // The same items in the same order; the counts are filled again from the hits.
    EXPECT_EQ(Shown(), edited);
    EXPECT_TRUE(Root()->isExpanded());
    EXPECT_FALSE(Child(Root(), "products")->isExpanded());
}

TEST_F(SiteTreeWindowTest, DeletingTheRootLeavesTheStoredTreeAlone) {
    window_->Command("actBuildSiteTreeMenu")->trigger();
    const std::string built = Shown();
    CloseAndReopen();
    ASSERT_EQ(Shown(), built);

    Select(Root());
    Run("actDeleteSiteItem");
    EXPECT_EQ(Root(), nullptr);
    EXPECT_EQ(window_->Model().SiteTree->SiteTreeRoot(), nullptr);
    window_->Command("actBuildSiteTreeMenu")->trigger();  // nothing to build into
    CloseAndReopen();
    EXPECT_EQ(Shown(), built);
    EXPECT_TRUE(messages_.Shown.empty());
}

}  // namespace
