// The report selection driven through its list and buttons, checked against the real
// Reports.DAT and Vestrel.ini.
#include "gui/select_report_dialog.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <memory>

#include "gui/gui_test_util.h"
#include "gui/report_settings_dialog.h"
#include "shell/settings_file.h"

namespace {

using namespace vestrel;
using namespace vestrel::gui;
using namespace vestrel::gui::testing;

class SelectReportDialogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_ = MakeDataFolder();
        store_ = std::make_unique<TDM1>(folder_);
        store_->Open();
        AddReport(*store_, "Demo", "1" + kDemoLog);
        AddReport(*store_, "Bare", "", "bare.example");
    }
    void TearDown() override {
        dialog_.reset();
        store_.reset();
        std::filesystem::remove_all(folder_);
    }

    TfrmSelectReport& Open() {
        dialog_ = std::make_unique<TfrmSelectReport>(*store_, folder_);
        dialog_->show();
        return *dialog_;
    }
    QPushButton* Button(const char* name) const {
        auto* button = dialog_->findChild<QPushButton*>(name);
        EXPECT_NE(button, nullptr) << name;
        return button;
    }
    void Click(const char* name) const { QTest::mouseClick(Button(name), Qt::LeftButton); }
    QStringList Column(int column) const {
        QStringList texts;
        for (int row = 0; row < dialog_->List()->topLevelItemCount(); ++row)
            texts << dialog_->List()->topLevelItem(row)->text(column);
        return texts;
    }
    bool CommandsEnabled() const {
        bool all = true, any = false;
        for (const char* name : {"btnOK", "btnEdit", "btnCopy", "btnDelete"}) {
            all = all && Button(name)->isEnabled();
            any = any || Button(name)->isEnabled();
        }
        EXPECT_EQ(all, any) << "OK, Edit, Copy and Delete go together";
        return all;
    }
    void SelectRow(int row) const {
        dialog_->List()->setCurrentItem(dialog_->List()->topLevelItem(row));
    }
    int LastConfirmed() const {
        return TSettingsFile(SettingsFileName(folder_)).ReadInteger("Reports", "Last", -1);
    }

    TRecordingPresenter messages_;
    std::string folder_;
    std::unique_ptr<TDM1> store_;
    std::unique_ptr<TfrmSelectReport> dialog_;
};

TEST_F(SelectReportDialogTest, ListsEveryReportAndEnablesTheCommandsWithASelection) {
    TSettingsFile(SettingsFileName(folder_)).WriteInteger("Reports", "Last", 3);
    Open();
    EXPECT_EQ(dialog_->windowTitle(), "Select Report");
    QTreeWidgetItem* header = dialog_->List()->headerItem();
    EXPECT_EQ(
        header->text(0) + "|" + header->text(1) + "|" + header->text(2) + "|" + header->text(3),
        "Report Name|Domain|File size|From - To Date");
    EXPECT_EQ(Column(0), QStringList({"Bare", "Demo"}));
    EXPECT_EQ(Column(1), QStringList({"bare.example", "www.example.com"}));
    EXPECT_EQ(Column(3)[0], "(No files selected)");
    EXPECT_EQ(Column(2)[0], "0 bytes");
    EXPECT_TRUE(Column(2)[1].endsWith(" Mb")) << Column(2)[1].toStdString();
    EXPECT_FALSE(CommandsEnabled()) << "Last beyond the list selects nothing";

    SelectRow(1);
    EXPECT_TRUE(CommandsEnabled());
    QTest::keyClick(dialog_->List(), Qt::Key_Return);  // Enter confirms
    EXPECT_EQ(dialog_->result(), QDialog::Accepted);
    EXPECT_EQ(store_->CurrentReport().Name, "Demo");
    ASSERT_EQ(dialog_->Files().size(), 1u);
    EXPECT_EQ(dialog_->Files()[0].FileName, kDemoLog);
    EXPECT_EQ(LastConfirmed(), 1);

    Open();
    EXPECT_EQ(dialog_->List()->currentItem()->text(0), "Demo") << "the last one is preselected";
    QTreeWidget* list = dialog_->List();
    const QPoint first = list->visualItemRect(list->topLevelItem(0)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, first);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, first);
    EXPECT_EQ(dialog_->result(), QDialog::Accepted);
    EXPECT_EQ(store_->CurrentReport().Name, "Bare");
}

TEST_F(SelectReportDialogTest, CopyAndDeleteChangeTheStoreAndTheList) {
    Open();
    SelectRow(1);
    Click("btnCopy");
    EXPECT_EQ(dialog_->List()->currentItem()->text(0), "Copy of Demo");
    SelectRow(2);
    Click("btnCopy");
    EXPECT_EQ(Column(0), QStringList({"Bare", "Copy (2) of Demo", "Copy of Demo", "Demo"}));
    EXPECT_EQ(dialog_->List()->currentItem()->text(0), "Copy (2) of Demo");

    messages_.Answer = false;
    Click("btnDelete");
    ASSERT_EQ(messages_.Shown.size(), 1u);
    EXPECT_EQ(messages_.Shown[0].Kind, TMessageKind::Question);
    EXPECT_EQ(messages_.Shown[0].Text, "Delete report \"Copy (2) of Demo\"?");
    EXPECT_EQ(store_->ReadReports().size(), 4u);
    messages_.Answer = true;
    Click("btnDelete");
    EXPECT_EQ(Column(0), QStringList({"Bare", "Copy of Demo", "Demo"}));
    EXPECT_FALSE(CommandsEnabled());
    EXPECT_FALSE(store_->FindReport("Copy (2) of Demo"));
    EXPECT_EQ(store_->ReadReports().size(), 3u);
}

TEST_F(SelectReportDialogTest, NewAndEditRunTheSettingsAndRefreshTheList) {
    Open();
    WhenModal<TfrmRepSettings>([](TfrmRepSettings& settings) {
        auto* domain = settings.findChild<QLineEdit*>("edtDomain");
        QTest::keyClicks(domain, "new.example");
        QTest::keyClicks(settings.findChild<QLineEdit*>("edtReportName"), "Another");
        QTest::keyClick(domain, Qt::Key_Return);
    });
    Click("btnNew");
    EXPECT_EQ(Column(0), QStringList({"Another", "Bare", "Demo"}));
    EXPECT_EQ(dialog_->focusWidget(), dialog_->List());

    // Renamed, the edited report sorts elsewhere; the noted position stays selected.
    SelectRow(0);
    WhenModal<TfrmRepSettings>([](TfrmRepSettings& settings) {
        auto* name = settings.findChild<QLineEdit*>("edtReportName");
        EXPECT_EQ(name->text(), "Another");
        name->setText("Zeta");
        QTest::mouseClick(settings.findChild<QPushButton*>("btnOK"), Qt::LeftButton);
    });
    Click("btnEdit");
    EXPECT_EQ(Column(0), QStringList({"Bare", "Demo", "Zeta"}));
    EXPECT_EQ(dialog_->List()->currentItem()->text(0), "Bare");
    ASSERT_TRUE(store_->FindReport("Zeta"));
    EXPECT_EQ(store_->CurrentReport().Domain, "new.example");

    // Cancel in the settings changes nothing.
    WhenModal<TfrmRepSettings>([](TfrmRepSettings& settings) {
        settings.findChild<QLineEdit*>("edtReportName")->setText("Gone");
        settings.reject();
    });
    Click("btnEdit");
    EXPECT_EQ(Column(0), QStringList({"Bare", "Demo", "Zeta"}));
}

}  // namespace
