// The export dialog driven through its widgets, and exports from the main window into real
// HTML, RTF and workbook files.
#include "gui/export_dialog.h"

#include <QAction>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "gui/gui_test_util.h"
#include "gui/main_window.h"
#include "gui/progress_window.h"

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
    QTest::mouseClick(Find<QAbstractButton>(dialog, button), Qt::LeftButton);
}

std::string Read(const std::string& name) {
    std::ifstream file(name, std::ios::binary);
    std::stringstream content;
    content << file.rdbuf();
    return content.str();
}

// Each worksheet as "name: A1" the way xlrd reads the workbook, or "" without xlrd.
std::string SheetTitles(const std::string& file) {
    const std::string command =
        "/usr/bin/python3 -c 'import sys, xlrd\n"
        "for s in xlrd.open_workbook(sys.argv[1]).sheets(): print(s.name + \": \" + "
        "s.cell_value(0, 0))' '" +
        file + "' 2>/dev/null";
    std::string output;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
        pclose(pipe);
    }
    return output;
}

std::vector<bool> Checks(const QListWidget* list) {
    std::vector<bool> checks;
    for (int i = 0; i < list->count(); ++i) checks.push_back(list->item(i)->checkState());
    return checks;
}

class ExportDialogTest : public ::testing::Test {
  protected:
    void SetUp() override { folder_ = MakeDataFolder(); }
    void TearDown() override { fs::remove_all(folder_); }

    // Answers the next file dialog with that file and type.
    void ChooseInFileDialog(const std::string& file, int type) {
        WhenModal<QFileDialog>([file, type](QFileDialog& dialog) {
            dialog.selectNameFilter(ExportNameFilters()[type - 1]);
            // The name as typed into the dialog's name field.
            auto* name = dialog.findChild<QLineEdit*>("fileNameEdit");
            ASSERT_NE(name, nullptr);
            name->setText(QString::fromStdString(file));
            static_cast<QDialog&>(dialog).accept();  // as its Save button does
        });
    }

    TRecordingPresenter messages_;
    std::string folder_;
};

TEST_F(ExportDialogTest, CheckListShowsGroupsAndTheirTicksSpreadToTheMembers) {
    TfrmExport dialog;
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    QListWidget* list = dialog.List();
    const int entries = list->count();
    ASSERT_EQ(entries, 38);
    EXPECT_EQ(list->item(0)->text(), "General");
    EXPECT_EQ(list->item(1)->text(), "Visitors");
    EXPECT_TRUE(list->item(1)->font().bold());
    EXPECT_FALSE(list->item(2)->font().bold());
    EXPECT_EQ(list->item(1)->background().color(), QColor(255, 169, 128));
    EXPECT_EQ(list->item(2)->background().color(), QColor(Qt::white));
    EXPECT_EQ(list->item(3)->background().color(), QColor(223, 255, 255));
    EXPECT_EQ(list->palette().color(QPalette::Highlight), QColor(0, 0, 128));
    EXPECT_EQ(Checks(list), std::vector<bool>(entries, true));

    // Space on the "Visitors" heading clears it and its members, up to "Time period".
    list->setFocus();
    list->setCurrentRow(1);
    QTest::keyClick(list, Qt::Key_Space);
    std::vector<bool> expected(entries, true);
    for (int i = 1; i < 11; ++i) expected[i] = false;
    EXPECT_EQ(Checks(list), expected);
    EXPECT_EQ(dialog.CheckList().Entries()[3].Checked, false);

    // "x" inverts all but the headings; "-" and "+" set every entry.
    Click(dialog, "btnInvert");
    for (int i = 0; i < entries; ++i)
        expected[i] = dialog.CheckList().Entries()[i].IsGroupHeading() ? i != 1 : i > 1 && i < 11;
    EXPECT_EQ(Checks(list), expected);
    Click(dialog, "btnClearAll");
    EXPECT_EQ(Checks(list), std::vector<bool>(entries, false));
    Click(dialog, "btnCheckAll");
    EXPECT_EQ(Checks(list), std::vector<bool>(entries, true));
}

TEST_F(ExportDialogTest, ExportNeedsAFileNameAndCloseExportsNothing) {
    TfrmExport dialog;
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    QTest::keyClicks(dialog.FileField(), "   ");
    QTest::keyClick(dialog.FileField(), Qt::Key_Return);
    ASSERT_EQ(messages_.Shown.size(), 1u);
    EXPECT_EQ(messages_.Shown[0].Text, "Filename is missing");
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.focusWidget(), dialog.FileField());

    // A name typed without the file dialog is written as HTML, unchanged.
    dialog.FileField()->setText(" report");
    Click(dialog, "btnExport");
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.Choice().Target, otHtmlFile);
    EXPECT_EQ(dialog.Choice().FileName, " report");
    EXPECT_EQ(dialog.Choice().Actions.size(), 32u);

    WhenModal<TfrmExport>([](TfrmExport& shown) {
        shown.FileField()->setText("out.htm");
        Click(shown, "btnClose");
    });
    EXPECT_EQ(AskExport(nullptr).Target, otScreen);
    WhenModal<TfrmExport>([](TfrmExport& shown) {
        shown.FileField()->setText("out.htm");
        Click(shown, "btnClearAll");
        Click(shown, "btnExport");
    });
    EXPECT_EQ(AskExport(nullptr).Target, otScreen);
}

TEST_F(ExportDialogTest, FileDialogSetsTheTypeAndAsksBeforeReplacingAFile) {
    const std::string existing = folder_ + "old.htm";
    std::ofstream(existing) << "old";
    TfrmExport dialog;
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    EXPECT_EQ(ExportNameFilters(),
              QStringList({"HTML files (*.htm)", "Microsoft Word files (*.doc)",
                           "Microdoft Excel files (*.xls)"}));

    // "No" returns to the file dialog, where another name is chosen.
    messages_.Answer = false;
    WhenModal<QFileDialog>([&](QFileDialog& files) {
        EXPECT_EQ(files.acceptMode(), QFileDialog::AcceptSave);
        files.selectNameFilter(ExportNameFilters()[2]);
        files.findChild<QLineEdit*>("fileNameEdit")->setText(QString::fromStdString(existing));
        ChooseInFileDialog(folder_ + "new.htm", 3);
        static_cast<QDialog&>(files).accept();
    });
    Click(dialog, "btnBrowse");
    ASSERT_EQ(messages_.Shown.size(), 1u);
    EXPECT_EQ(messages_.Shown[0].Kind, TMessageKind::Question);
    EXPECT_EQ(messages_.Shown[0].Text, "\"" + existing + "\" already exists. Replace it?");
    EXPECT_EQ(dialog.FileField()->text().toStdString(), folder_ + "new.htm");
    EXPECT_EQ(dialog.FileTypeIndex(), otExcelFile);

    // "Yes" takes the existing file; Cancel in the file dialog changes nothing.
    messages_.Answer = true;
    ChooseInFileDialog(existing, 2);
    Click(dialog, "btnBrowse");
    EXPECT_EQ(dialog.FileField()->text().toStdString(), existing);
    EXPECT_EQ(dialog.FileTypeIndex(), otRtfFile);
    WhenModal<QFileDialog>([](QFileDialog& files) { files.reject(); });
    Click(dialog, "btnBrowse");
    EXPECT_EQ(dialog.FileTypeIndex(), otRtfFile);
    EXPECT_EQ(Read(existing), "old");
}

TEST_F(ExportDialogTest, CancelInTheProgressWindowStopsTheExport) {
    TDM1 store(folder_);
    store.Open();
    AddReport(store, "Demo", "1" + kDemoLog);
    TfrmMain window(store, folder_);
    window.show();
    ASSERT_TRUE(window.OpenReport("Demo"));
    int generalShown = 0;
    TExportProgress progress(&window, 2, [&] { ++generalShown; });
    EXPECT_EQ(progress.Window()->windowTitle(), "Export");
    EXPECT_TRUE(progress.Window()->isVisible());
    QTest::mouseClick(progress.Window()->CancelButton(), Qt::LeftButton);
    const std::string file = folder_ + "cancelled.htm";
    TExportSession session(&progress);
    EXPECT_THROW(session.RunExport({FindReportAction("actGeneral")}, otHtmlFile, file,
                                   *window.Model().Analyzer, {}),
                 EExportCancelled);
    EXPECT_FALSE(fs::exists(file));
    EXPECT_EQ(generalShown, 1);
    EXPECT_FALSE(progress.Window()->isVisible());
}

class MainWindowExportTest : public ExportDialogTest {
  protected:
    void SetUp() override {
        setenv("TZ", "UTC", 1);
        tzset();
        ExportDialogTest::SetUp();
        store_ = std::make_unique<TDM1>(folder_);
        store_->Open();
        AddReport(*store_, "Demo", "1" + kDemoLog);
        window_ = std::make_unique<TfrmMain>(*store_, folder_);
        window_->show();
    }
    void TearDown() override {
        window_.reset();
        store_.reset();
        ExportDialogTest::TearDown();
    }

    // Exports General, Browser and Weekday; a type of 0 types the name without the file dialog.
    void Export(const std::string& file, int type) {
        WhenModal<TfrmExport>([this, file, type](TfrmExport& dialog) {
            Click(dialog, "btnClearAll");
            for (const char* statistic : {"General", "Browser", "Weekday"}) {
                const auto found = dialog.List()->findItems(statistic, Qt::MatchExactly);
                ASSERT_EQ(found.size(), 1) << statistic;
                found.first()->setCheckState(Qt::Checked);
            }
            if (type == 0) {
                dialog.FileField()->setText(QString::fromStdString(file));
            } else {
                ChooseInFileDialog(file, type);
                Click(dialog, "btnBrowse");
            }
            Click(dialog, "btnExport");
        });
        window_->Command("actExport")->trigger();
    }
    std::string Title() const { return window_->TitleLabel()->text().toStdString(); }

    std::unique_ptr<TDM1> store_;
    std::unique_ptr<TfrmMain> window_;
};

TEST_F(MainWindowExportTest, ThreeStatisticsGoToHtmlRtfAndAWorkbook) {
    EXPECT_FALSE(window_->Command("actExport")->isEnabled());
    ASSERT_TRUE(window_->OpenReport("Demo"));
    ASSERT_TRUE(window_->Command("actExport")->isEnabled());
    window_->Tree()->setCurrentItem(window_->TreeItem("actVisitBrowser"));

    Export(folder_ + "three.htm", 0);
    EXPECT_TRUE(messages_.Shown.empty());
    const std::string html = Read(folder_ + "three.htm");
    EXPECT_TRUE(html.starts_with("<!DOCTYPE html>"));
    for (const char* title : {"General", "Browser", "Weekday"})
        EXPECT_NE(html.find(title), std::string::npos) << title;
    EXPECT_NE(html.find("Demo"), std::string::npos);
    EXPECT_EQ(html.find("Operating System"), std::string::npos);
    EXPECT_EQ(Title(), "  General");
    EXPECT_EQ(window_->Tree()->currentItem(), window_->TreeItem("actGeneral"));

    Export(folder_ + "three.rtf", otRtfFile);
    const std::string rtf = Read(folder_ + "three.rtf");
    EXPECT_TRUE(rtf.starts_with("{\\rtf1"));
    for (const char* title : {"General", "Browser", "Weekday"})
        EXPECT_NE(rtf.find(title), std::string::npos) << title;

    // The type chosen in the file dialog counts, not the name's extension.
    const std::string book = folder_ + "book.htm";
    Export(book, otExcelFile);
    EXPECT_TRUE(Read(book).starts_with("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"));
    const std::string sheets = SheetTitles(book);
    if (!sheets.empty()) {
        EXPECT_EQ(sheets, "Sheet1:   General\nSheet2:   Browser\nSheet3:   Weekday\n");
    }
    EXPECT_TRUE(messages_.Shown.empty());
    EXPECT_EQ(Title(), "  General");
}

TEST_F(MainWindowExportTest, AFileThatCannotBeCreatedIsNamedAndGeneralShownAgain) {
    ASSERT_TRUE(window_->OpenReport("Demo"));
    window_->Tree()->setCurrentItem(window_->TreeItem("actPopularDay"));
    // Below a plain file no file can be created, not even by root.
    std::ofstream(folder_ + "plain") << "x";
    const std::string file = folder_ + "plain/out.htm";
    Export(file, 0);
    ASSERT_EQ(messages_.Shown.size(), 1u);
    EXPECT_EQ(messages_.Shown[0].Kind, TMessageKind::Error);
    EXPECT_EQ(messages_.Shown[0].Text.rfind("Cannot create file \"" + file + "\"", 0), 0u)
        << messages_.Shown[0].Text;
    EXPECT_EQ(Title(), "  General");
}

}  // namespace
