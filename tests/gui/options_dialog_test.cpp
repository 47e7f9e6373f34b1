// The options dialog and its two small editors driven through their widgets, checking what lands
// in the settings file and the reference lists of the data folder.
#include "gui/options_dialog.h"

#include <QAction>
#include <QCheckBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QTextBrowser>
#include <QTreeWidget>
#include <cstring>
#include <fstream>
#include <sstream>

#include "gui/edit_search_engine_dialog.h"
#include "gui/gui_test_util.h"
#include "gui/help_window.h"
#include "gui/input_box2_dialog.h"
#include "gui/main_window.h"
#include "shell/settings_file.h"

namespace {

using namespace vestrel;
using namespace vestrel::gui;
using namespace vestrel::gui::testing;
namespace fs = std::filesystem;

template <typename Widget>
Widget* Find(QWidget& dialog, const char* name) {
    auto* widget = dialog.findChild<Widget*>(name);
    EXPECT_NE(widget, nullptr) << name;
    return widget;
}

void Click(QWidget& dialog, const char* button) {
    QTest::mouseClick(Find<QPushButton>(dialog, button), Qt::LeftButton);
}

void Type(QWidget& dialog, const char* field, const QString& text) {
    QLineEdit* edit = Find<QLineEdit>(dialog, field);
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
}

class OptionsDialogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_ = MakeDataFolder();
        store_ = std::make_unique<TDM1>(folder_);
        store_->Open();
    }
    void TearDown() override {
        store_.reset();
        fs::remove_all(folder_);
    }

    std::unique_ptr<TfrmOptions> Open() {
        auto dialog = std::make_unique<TfrmOptions>(*store_, folder_);
        dialog->show();
        QApplication::setActiveWindow(dialog.get());
        return dialog;
    }
    std::string Read(const std::string& name) const {
        std::ifstream file(folder_ + name, std::ios::binary);
        std::stringstream content;
        content << file.rdbuf();
        return content.str();
    }
    std::string Setting(const char* section, const char* key) const {
        return TSettingsFile(SettingsFileName(folder_)).ReadString(section, key, "missing");
    }
    void ChoosePage(TfrmOptions& dialog, const char* title) {
        QTabWidget* pages = dialog.Pages();
        for (int i = 0; i < pages->count(); ++i)
            if (pages->tabText(i) == title) pages->setCurrentIndex(i);
    }
    // Selects the row whose first column reads `name`.
    QTreeWidgetItem* SelectRow(TfrmOptions& dialog, const char* table, const QString& name) {
        QTreeWidget* tree = Find<QTreeWidget>(dialog, table);
        const QList<QTreeWidgetItem*> found = tree->findItems(name, Qt::MatchExactly, 0);
        EXPECT_EQ(found.size(), 1) << name.toStdString();
        if (found.isEmpty()) return nullptr;
        tree->setCurrentItem(found.first());
        return found.first();
    }

    TRecordingPresenter messages_;
    std::string folder_;
    std::unique_ptr<TDM1> store_;
};

TEST_F(OptionsDialogTest, WithoutSettingsShowsTheDefaultsAndOkStoresThem) {
    auto dialog = Open();
    EXPECT_EQ(dialog->windowTitle(), "Options");
    const QStringList pages = {"General",        "Time",        "Files",
                               "Search Engines", "User Agents", "Op. Systems"};
    ASSERT_EQ(dialog->Pages()->count(), pages.size());
    for (int i = 0; i < pages.size(); ++i) EXPECT_EQ(dialog->Pages()->tabText(i), pages[i]);
    EXPECT_EQ(Find<QLineEdit>(*dialog, "edtStopBuildTree")->text(), "5000");
    EXPECT_EQ(Find<QLineEdit>(*dialog, "edtLastDaysToShow")->text(), "30");
    EXPECT_TRUE(Find<QCheckBox>(*dialog, "chkExcludeSearshFromRef")->isChecked());
    EXPECT_FALSE(Find<QCheckBox>(*dialog, "chkExcludeRobots")->isChecked());
    EXPECT_TRUE(Find<QRadioButton>(*dialog, "rbZoneOffsetFromFiles")->isChecked());
    EXPECT_FALSE(Find<QLineEdit>(*dialog, "edtOffset")->isEnabled());
    EXPECT_GT(Find<QTreeWidget>(*dialog, "lvSearchEngines")->topLevelItemCount(), 10);

    QTest::keyClick(Find<QLineEdit>(*dialog, "edtLastDaysToShow"), Qt::Key_Return);
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(Setting("Reports", "LastDaysToShow"), "30");
    EXPECT_EQ(Setting("Reports", "TimeZone"), "-100");
    EXPECT_EQ(Setting("Reports", "ExcludeSearshFromRef"), "1");
    EXPECT_EQ(Setting("Log", "StopBuildTree"), "5000");
    EXPECT_TRUE(messages_.Shown.empty());
}

TEST_F(OptionsDialogTest, NumberFieldsAndTheTimeZoneAreReadAsTheUserTyped) {
    auto dialog = Open();
    Type(*dialog, "edtStopBuildTree", "2.6e3 #");
    Type(*dialog, "edtLastDaysToShow", "");
    QTest::mouseClick(Find<QCheckBox>(*dialog, "chkExcludeSearshFromRef"), Qt::LeftButton, {},
                      QPoint(8, 8));
    QTest::mouseClick(Find<QCheckBox>(*dialog, "chkExcludeRobots"), Qt::LeftButton, {},
                      QPoint(8, 8));
    ChoosePage(*dialog, "Time");
    QTest::mouseClick(Find<QRadioButton>(*dialog, "rbSpecifyOffset"), Qt::LeftButton);
    EXPECT_TRUE(Find<QLineEdit>(*dialog, "edtOffset")->isEnabled());
    Type(*dialog, "edtOffset", "15");
    Click(*dialog, "btnOK");
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(Setting("Log", "StopBuildTree"), "2600");
    EXPECT_EQ(Setting("Reports", "LastDaysToShow"), "0");
    EXPECT_EQ(Setting("Reports", "ExcludeSearshFromRef"), "0");
    EXPECT_EQ(Setting("Reports", "ExcludeRobots"), "1");
    EXPECT_EQ(Setting("Reports", "TimeZone"), "12");

    // An offset of 0 hours stores 0, which reads back as the logged times.
    dialog = Open();
    EXPECT_TRUE(Find<QRadioButton>(*dialog, "rbSpecifyOffset")->isChecked());
    EXPECT_EQ(Find<QLineEdit>(*dialog, "edtOffset")->text(), "12");
    Type(*dialog, "edtOffset", "0");
    Click(*dialog, "btnOK");
    dialog = Open();
    EXPECT_TRUE(Find<QRadioButton>(*dialog, "rbTimeFromFiles")->isChecked());
    EXPECT_FALSE(Find<QLineEdit>(*dialog, "edtOffset")->isEnabled());
}

TEST_F(OptionsDialogTest, ANumberThatIsNoNumberKeepsTheDialogOpenOnTheField) {
    auto dialog = Open();
    Type(*dialog, "edtLastDaysToShow", "1-2");
    ChoosePage(*dialog, "Files");
    Click(*dialog, "btnOK");
    ASSERT_EQ(messages_.Shown.size(), 1u);
    EXPECT_EQ(messages_.Shown[0].Text, "'1-2' is no valid numeric input.");
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->Pages()->currentIndex(), 0);
    EXPECT_EQ(dialog->focusWidget(), Find<QLineEdit>(*dialog, "edtLastDaysToShow"));
    EXPECT_FALSE(fs::exists(SettingsFileName(folder_)));

    // Leaving the field with Tab checks it too, and a good value is shown as a whole number.
    Type(*dialog, "edtLastDaysToShow", "7.6");
    QTest::keyClick(Find<QLineEdit>(*dialog, "edtLastDaysToShow"), Qt::Key_Tab);
    QApplication::processEvents();
    EXPECT_EQ(Find<QLineEdit>(*dialog, "edtLastDaysToShow")->text(), "8");
    EXPECT_EQ(messages_.Shown.size(), 1u);
}

TEST_F(OptionsDialogTest, CancelKeepsTheSettingsButWritesEveryListEdit) {
    TSettingsFile(SettingsFileName(folder_)).WriteInteger("Reports", "LastDaysToShow", 10);
    auto dialog = Open();
    Type(*dialog, "edtLastDaysToShow", "99");
    ChoosePage(*dialog, "Files");
    // Enter in an entry field adds its text: "Htm" is there as "htm", "VTL" is new.
    QListWidget* pageExts = Find<QListWidget>(*dialog, "lbWebPageExts");
    const int extensions = pageExts->count();
    for (const char* text : {"Htm", " VTL "}) {
        Type(*dialog, "edtWebPageExts", text);
        QTest::keyClick(Find<QLineEdit>(*dialog, "edtWebPageExts"), Qt::Key_Return);
    }
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(pageExts->count(), extensions + 1);
    EXPECT_TRUE(Find<QLineEdit>(*dialog, "edtWebPageExts")->text().isEmpty());
    EXPECT_EQ(dialog->focusWidget(), Find<QLineEdit>(*dialog, "edtWebPageExts"));
    for (const char* text : {"gif", "css", "jpg"}) {
        Type(*dialog, "edtGlobalExclude", text);
        Click(*dialog, "btnAddGlobalExclude");
    }
    QListWidget* excluded = Find<QListWidget>(*dialog, "lbGlobalExclude");
    EXPECT_FALSE(Find<QPushButton>(*dialog, "btnRemoveGlobalExclude")->isEnabled());
    excluded->setCurrentRow(1);  // "gif", in its sorted place
    EXPECT_EQ(excluded->currentItem()->text(), "gif");
    Click(*dialog, "btnRemoveGlobalExclude");
    EXPECT_FALSE(Find<QPushButton>(*dialog, "btnRemoveGlobalExclude")->isEnabled());

    ChoosePage(*dialog, "Op. Systems");
    SelectRow(*dialog, "lvOpSystems", "Xbox");
    Click(*dialog, "btnRemoveOpSystem");
    QTest::keyClick(dialog.get(), Qt::Key_Escape);

    EXPECT_EQ(dialog->result(), QDialog::Rejected);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(Setting("Reports", "LastDaysToShow"), "10");
    EXPECT_EQ(Read("GlobalExclude.txt"), "css\r\njpg\r\n");
    EXPECT_NE(Read("WebPageExts.txt").find("\r\nVTL\r\n"), std::string::npos);
    EXPECT_EQ(Read("WebPageExts.txt").find("Htm"), std::string::npos);
    EXPECT_EQ(Read("OperatingSystems.txt").find("Xbox"), std::string::npos);
    EXPECT_NE(Read("OperatingSystems.txt").find("Windows Phone\tWindows Phone\r\n"),
              std::string::npos);
}

TEST_F(OptionsDialogTest, SearchEngineEditorNamesTheMissingFieldAndKeepsTheListSorted) {
    auto dialog = Open();
    ChoosePage(*dialog, "Search Engines");
    EXPECT_FALSE(Find<QPushButton>(*dialog, "btnEditSearchEngine")->isEnabled());
    EXPECT_FALSE(Find<QPushButton>(*dialog, "btnRemoveSearchEngine")->isEnabled());

    bool answered = false;
    WhenModal<TfrmEditSearchEngine>([&](TfrmEditSearchEngine& editor) {
        answered = true;
        EXPECT_EQ(editor.windowTitle(), "Search Engine");
        EXPECT_TRUE(editor.Field(0)->text().isEmpty());
        QTest::keyClicks(editor.Field(0), "  0Aardvark Search ");
        QTest::keyClicks(editor.Field(2), "query=");
        Click(editor, "btnOK");
        ASSERT_EQ(messages_.Shown.size(), 1u);
        EXPECT_EQ(messages_.Shown[0].Text, "\"URL\" is missing");
        EXPECT_TRUE(editor.isVisible());
        EXPECT_EQ(editor.focusWidget(), editor.Field(1));
        QTest::keyClicks(editor.Field(1), "aardvark.example/");
        QTest::keyClick(editor.Field(1), Qt::Key_Return);
        EXPECT_FALSE(editor.isVisible());
    });
    Click(*dialog, "btnAddSearchEngine");
    EXPECT_TRUE(answered);
    QTreeWidget* table = Find<QTreeWidget>(*dialog, "lvSearchEngines");
    ASSERT_NE(table->currentItem(), nullptr);
    EXPECT_EQ(table->indexOfTopLevelItem(table->currentItem()), 0);
    EXPECT_EQ(table->currentItem()->text(1), "aardvark.example/");

    // A double-click edits the row, which moves to its new sorted place.
    QTreeWidgetItem* mojeek = SelectRow(*dialog, "lvSearchEngines", "Mojeek");
    ASSERT_NE(mojeek, nullptr);
    WhenModal<TfrmEditSearchEngine>([&](TfrmEditSearchEngine& editor) {
        EXPECT_EQ(editor.Field(0)->text(), "Mojeek");
        editor.Field(0)->setText("Zzz\tVista");
        Click(editor, "btnOK");
        EXPECT_TRUE(editor.isVisible());  // a TAB in the name would not read back from the file
        editor.Field(0)->setText("Zzz Vista");
        Click(editor, "btnOK");
    });
    table->scrollToItem(mojeek, QAbstractItemView::PositionAtTop);
    const QRect cell = table->visualItemRect(mojeek);
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, cell.center());

    const int rows = table->topLevelItemCount();
    EXPECT_EQ(table->currentItem()->text(0), "Zzz Vista");
    EXPECT_EQ(table->indexOfTopLevelItem(table->currentItem()), rows - 1);

    SelectRow(*dialog, "lvSearchEngines", "0Aardvark Search");
    Click(*dialog, "btnRemoveSearchEngine");
    EXPECT_EQ(table->topLevelItemCount(), rows - 1);
    EXPECT_FALSE(Find<QPushButton>(*dialog, "btnRemoveSearchEngine")->isEnabled());
    Click(*dialog, "btnOK");

    const std::string engines = Read("SearchEngines.txt");
    EXPECT_EQ(engines.find("0Aardvark"), std::string::npos);
    EXPECT_EQ(engines.find("Mojeek\t"), std::string::npos);
    EXPECT_TRUE(engines.ends_with("Zzz Vista\twww.mojeek.com/\tq=\r\n")) << engines;
}

TEST_F(OptionsDialogTest, AgentEditorsAskForTwoTextsAndTheFileComesOutSortedByName) {
    auto dialog = Open();
    ChoosePage(*dialog, "User Agents");
    WhenModal<TfrmInputBox2>([&](TfrmInputBox2& box) {
        EXPECT_EQ(box.windowTitle(), "Add User Agent");
        QTest::keyClicks(box.Edit1(), "0Aardvark");
        QTest::keyClicks(box.Edit2(), " aard/1");  // kept as typed
        Click(box, "btnOK");
    });
    Click(*dialog, "btnAddUserAgent");
    WhenModal<TfrmInputBox2>([&](TfrmInputBox2& box) {
        EXPECT_EQ(box.windowTitle(), "Edit User Agent");
        EXPECT_EQ(box.Edit1()->text(), "0Aardvark");
        EXPECT_EQ(box.Edit2()->text(), " aard/1");
        box.Edit1()->setText("0Aardwolf");
        Click(box, "btnOK");
    });
    Click(*dialog, "btnEditUserAgent");
    WhenModal<TfrmInputBox2>([&](TfrmInputBox2& box) {
        box.Edit1()->setText("Never stored");
        Click(box, "btnCancel");
    });
    Click(*dialog, "btnAddUserAgent");

    ChoosePage(*dialog, "Op. Systems");
    SelectRow(*dialog, "lvOpSystems", "Xbox");
    WhenModal<TfrmInputBox2>([&](TfrmInputBox2& box) {
        EXPECT_EQ(box.windowTitle(), "Edit Operating System");
        box.Edit2()->setText("Xbox One");
        Click(box, "btnOK");
    });
    Click(*dialog, "btnEditOpSystem");
    Click(*dialog, "btnOK");

    std::istringstream agents(Read("UserAgents.txt"));
    std::string line, previous;
    std::getline(agents, line);
    EXPECT_EQ(line, "0Aardwolf\t aard/1\r");
    for (previous = line; std::getline(agents, line); previous = line) {
        EXPECT_LE(std::strcoll(previous.substr(0, previous.find('\t')).c_str(),
                               line.substr(0, line.find('\t')).c_str()),
                  0)
            << previous << " before " << line;
        EXPECT_EQ(line.find("Never stored"), std::string::npos);
    }
    EXPECT_NE(Read("OperatingSystems.txt").find("Xbox\tXbox One\r\n"), std::string::npos);
}

// /proc takes no new files, not even from root, so a list or settings file linked there cannot
// be replaced.
TEST_F(OptionsDialogTest, AFailedWriteShowsTheStoresTextAndKeepsTheDialogOpen) {
    fs::remove(folder_ + "WebPageExts.txt");
    fs::create_symlink("/proc/version", folder_ + "WebPageExts.txt");
    auto dialog = Open();
    ChoosePage(*dialog, "Op. Systems");
    SelectRow(*dialog, "lvOpSystems", "Xbox");
    Click(*dialog, "btnRemoveOpSystem");
    Click(*dialog, "btnCancel");
    ASSERT_EQ(messages_.Shown.size(), 1u);
    EXPECT_NE(messages_.Shown[0].Text.find("WebPageExts.txt"), std::string::npos)
        << messages_.Shown[0].Text;
    EXPECT_TRUE(dialog->isVisible());
    // The lists after the failing one are not written yet.
    EXPECT_NE(Read("OperatingSystems.txt").find("Xbox"), std::string::npos);

    fs::remove(folder_ + "WebPageExts.txt");
    fs::create_symlink("/proc/version", SettingsFileName(folder_));
    Click(*dialog, "btnOK");
    ASSERT_EQ(messages_.Shown.size(), 2u);
    EXPECT_NE(messages_.Shown[1].Text.find("Vestrel.ini"), std::string::npos)
        << messages_.Shown[1].Text;
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(Read("OperatingSystems.txt").find("Xbox"), std::string::npos);

    fs::remove(SettingsFileName(folder_));
    Click(*dialog, "btnOK");
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(Setting("Reports", "LastDaysToShow"), "30");
}

TEST_F(OptionsDialogTest, AnUnreadableListIsShownDisabledAndLeftAsItWas) {
    fs::remove(folder_ + "UserAgents.txt");
    fs::create_directory(folder_ + "UserAgents.txt");
    auto dialog = Open();
    ASSERT_EQ(messages_.Shown.size(), 1u);
    EXPECT_NE(messages_.Shown[0].Text.find("UserAgents.txt"), std::string::npos);
    EXPECT_FALSE(Find<QTreeWidget>(*dialog, "lvUserAgents")->isEnabled());
    EXPECT_FALSE(Find<QPushButton>(*dialog, "btnAddUserAgent")->isEnabled());
    EXPECT_TRUE(Find<QTreeWidget>(*dialog, "lvOpSystems")->isEnabled());
    Click(*dialog, "btnOK");
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_TRUE(fs::is_directory(folder_ + "UserAgents.txt"));
}

TEST_F(OptionsDialogTest, HelpShowsTheTopicOfThePageOnShow) {
    auto dialog = Open();
    const auto shownTopic = [] {
        auto* browser =
            HelpWindow() ? HelpWindow()->findChild<QTextBrowser*>("helpBrowser") : nullptr;
        return browser ? QFileInfo(browser->source().toLocalFile()).baseName() : QString();
    };
    const std::pair<const char*, const char*> pages[] = {{"Time", "OptionsTime"},
                                                         {"User Agents", "OptionsBrowsers"}};
    for (const auto& [page, topic] : pages) {
        ChoosePage(*dialog, page);
        Click(*dialog, "btnHelp");
        EXPECT_EQ(shownTopic(), topic);
    }
    Click(*dialog, "btnCancel");
}

TEST_F(OptionsDialogTest, CreateDatabaseAsksAndEmptiesTheStoreAtOnce) {
    AddReport(*store_, "Demo", "1" + kDemoLog);
    auto dialog = Open();
    messages_.Answer = false;
    Click(*dialog, "btnCreateDatabase");
    ASSERT_EQ(messages_.Shown.size(), 1u);
    EXPECT_EQ(messages_.Shown[0].Kind, TMessageKind::Question);
    EXPECT_EQ(messages_.Shown[0].Text, "This will destroy all settings, continue?");
    EXPECT_EQ(store_->ReadReports().size(), 1u);
    messages_.Answer = true;
    Click(*dialog, "btnCreateDatabase");
    EXPECT_TRUE(store_->ReadReports().empty());
    Click(*dialog, "btnCancel");
    EXPECT_TRUE(store_->ReadReports().empty());
}

TEST_F(OptionsDialogTest, OkInTheMainWindowRecomputesTheBrowserStatistic) {
    setenv("TZ", "UTC", 1);
    tzset();
    AddReport(*store_, "Demo", "1" + kDemoLog);
    TfrmMain window(*store_, folder_);
    window.show();
    ASSERT_TRUE(window.OpenReport("Demo"));
    window.Tree()->setCurrentItem(window.TreeItem("actVisitBrowser"));
    const auto shows = [&](const std::string& text) {
        const TVarGrid& grid = window.Model().Grid;
        for (int row = 1; row < grid.RowCount(); ++row)
            if (grid.GetText(0, row) == text) return true;
        return false;
    };
    EXPECT_FALSE(shows("0Aardvark"));
    WhenModal<TfrmOptions>([&](TfrmOptions& dialog) {
        ChoosePage(dialog, "User Agents");
        WhenModal<TfrmInputBox2>([&](TfrmInputBox2& box) {
            box.Edit1()->setText("0Aardvark");
            box.Edit2()->setText("Mozilla");
            Click(box, "btnOK");
        });
        Click(dialog, "btnAddUserAgent");
        Click(dialog, "btnOK");
    });
    window.Command("actOptions")->trigger();
    EXPECT_TRUE(shows("0Aardvark"));
    EXPECT_EQ(window.Model().Settings.LastDaysToShow, 30);
    EXPECT_TRUE(messages_.Shown.empty());
}

}  // namespace
