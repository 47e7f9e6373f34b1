// The report settings dialog and its small editors driven through their widgets, checked by what
// lands in the real Reports.DAT and Filters.DAT.
#include "gui/report_settings_dialog.h"

#include <sqlite3.h>

#include <QCheckBox>
#include <QDateEdit>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QTextBrowser>
#include <QToolButton>
#include <QTreeWidget>
#include <QUrl>
#include <memory>

#include "gui/ftp_options_dialog.h"
#include "gui/gui_test_util.h"
#include "gui/help_window.h"
#include "gui/log_filter_dialog.h"
#include "gui/telnet_command_dialog.h"
#include "gui/web_options_dialog.h"

namespace {

using namespace vestrel;
using namespace vestrel::gui;
using namespace vestrel::gui::testing;

template <typename Widget>
Widget* Find(QWidget& dialog, const char* name) {
    auto* widget = dialog.findChild<Widget*>(name);
    EXPECT_NE(widget, nullptr) << name;
    return widget;
}

void Click(QWidget& dialog, const char* name) {
    auto* button = Find<QAbstractButton>(dialog, name);
    ASSERT_TRUE(button->isEnabled()) << name;
    QTest::mouseClick(button, Qt::LeftButton);
}

void Type(QWidget& dialog, const char* name, const QString& text) {
    auto* edit = Find<QLineEdit>(dialog, name);
    edit->clear();
    QTest::keyClicks(edit, text);
}

// Presses a key on the list with its row selected (-1: none).
void KeyOnRow(QWidget& dialog, const char* list, int row, Qt::Key key) {
    auto* view = Find<QTreeWidget>(dialog, list);
    if (row >= 0) view->setCurrentItem(view->topLevelItem(row));
    QTest::keyClick(view, key);
}

QStringList Texts(QWidget& dialog, const char* list, int column = 0) {
    QStringList texts;
    auto* view = Find<QTreeWidget>(dialog, list);
    for (int row = 0; row < view->topLevelItemCount(); ++row)
        texts << view->topLevelItem(row)->text(column);
    return texts;
}

// Answers the input box with `text`.
void AnswerTextBox(const QString& text) {
    WhenModal<QInputDialog>([text](QInputDialog& box) {
        EXPECT_EQ(box.windowTitle(), "Target file");
        EXPECT_EQ(box.labelText(), "Name");
        box.setTextValue(text);
        box.accept();
    });
}

void AnswerFileDialog(const QString& path) {
    WhenModal<QFileDialog>([path](QFileDialog& dialog) {
        dialog.selectFile(path);
        static_cast<QDialog&>(dialog).accept();
    });
}

class ReportSettingsDialogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_ = MakeDataFolder();
        store_ = std::make_unique<TDM1>(folder_);
        store_->Open();
    }
    void TearDown() override {
        dialog_.reset();
        settings_.reset();
        store_.reset();
        std::filesystem::remove_all(folder_);
    }

    // The dialog on a new report, or on the report of that name.
    TfrmRepSettings& Open(const std::string& name = {}) {
        if (!name.empty()) {
            EXPECT_TRUE(store_->FindReport(name));
        }
        settings_ = std::make_unique<TReportSettingsModel>(*store_, name.empty(), 40000);
        dialog_ = std::make_unique<TfrmRepSettings>(*settings_);
        dialog_->show();
        return *dialog_;
    }
    void ShowPage(TSettingsPage page) { dialog_->Pages()->setCurrentIndex(page); }
    // Clicks OK: true when the dialog closed.
    bool ClickOk() {
        Click(*dialog_, "btnOK");
        return !dialog_->isVisible();
    }
    void FillGeneral(const QString& domain, const QString& name) {
        Type(*dialog_, "edtDomain", domain);
        Type(*dialog_, "edtReportName", name);
    }
    // The stored definition of that report, read on a connection of its own.
    TReportDefinition Stored(const std::string& name) const {
        TDM1 reader(folder_);
        reader.Open();
        EXPECT_TRUE(reader.FindReport(name)) << name;
        return reader.ReadDefinition();
    }
    size_t StoredReportCount() const {
        TDM1 reader(folder_);
        reader.Open();
        return reader.ReadReports().size();
    }
    // Makes every later change of the report rows fail as a full or read-only disk would.
    void RefuseWrites() const {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open((folder_ + kReportsFileName).c_str(), &db), SQLITE_OK);
        const char* sql =
            "CREATE TRIGGER refuse_update BEFORE UPDATE ON Reports BEGIN "
            "SELECT RAISE(ABORT, 'attempt to write a readonly database'); END;"
            "CREATE TRIGGER refuse_insert BEFORE INSERT ON Reports BEGIN "
            "SELECT RAISE(ABORT, 'attempt to write a readonly database'); END;";
        EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(db);
    }

    TRecordingPresenter messages_;
    std::string folder_;
    std::unique_ptr<TDM1> store_;
    std::unique_ptr<TReportSettingsModel> settings_;
    std::unique_ptr<TfrmRepSettings> dialog_;
};

TEST_F(ReportSettingsDialogTest, NewReportFromEveryPageLandsInReportsDat) {
    TfrmRepSettings& dialog = Open();
    EXPECT_EQ(dialog.windowTitle(), "Report Settings");
    EXPECT_EQ(Texts(dialog, "lvTelnet"), QStringList({"login:", "Password:"}));
    FillGeneral("WWW.Example.com", "Site");  // capitals pass the www. check

    ShowPage(spTimePeriod);
    Click(dialog, "rbLastDays");
    Find<QSpinBox>(dialog, "spnLastDays")->setValue(14);

    ShowPage(spTargets);
    EXPECT_FALSE(Find<QPushButton>(dialog, "btnEditTarget")->isEnabled());
    EXPECT_FALSE(Find<QPushButton>(dialog, "btnRemoveTarget")->isEnabled());
    AnswerTextBox("/thanks.html");
    Click(dialog, "btnAddTarget");
    AnswerTextBox("");  // an empty answer adds nothing
    KeyOnRow(dialog, "lvTargets", -1, Qt::Key_Insert);
    EXPECT_EQ(Texts(dialog, "lvTargets"), QStringList({"/thanks.html"}));
    KeyOnRow(dialog, "lvTargets", 0, Qt::Key_End);
    AnswerTextBox("/shop/thanks.html");
    Click(dialog, "btnEditTarget");

    ShowPage(spLocalFiles);
    WhenModal<QFileDialog>([](QFileDialog& open) {
        EXPECT_EQ(open.nameFilters(), QStringList({"Log files (*.log)", "GZip files (*.gz)",
                                                   "ZIP files (*.zip)", "All files (*)"}));
        EXPECT_EQ(open.fileMode(), QFileDialog::ExistingFile);
        open.selectFile(QString::fromStdString(kDemoLog));
        static_cast<QDialog&>(open).accept();
    });
    Click(dialog, "btnAddFile");
    const QString folder = QString::fromStdString(folder_).chopped(1);
    AnswerFileDialog(folder);
    Click(dialog, "btnAddDirectory");
    auto* local = Find<QTreeWidget>(dialog, "lvLocalFiles");
    auto* urls = new QMimeData;
    urls->setUrls({QUrl::fromLocalFile("/srv/logs/a.log"), QUrl("https://example.com/b.log"),
                   QUrl::fromLocalFile("/srv/logs/c.log.gz"), QUrl::fromLocalFile("/tmp/x.log")});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, urls, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(local->viewport(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, urls, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(local->viewport(), &drop);
    EXPECT_TRUE(drop.isAccepted());
    delete urls;
    EXPECT_TRUE(Find<QPushButton>(dialog, "btnRemoveFile")->isEnabled())
        << "the last one is selected";
    QTest::keyClick(local, Qt::Key_Delete);
    EXPECT_FALSE(Texts(dialog, "lvLocalFiles").contains("/tmp/x.log"));
    KeyOnRow(dialog, "lvLocalFiles", 2, Qt::Key_F2);
    auto* inPlace = local->findChild<QLineEdit*>();
    ASSERT_NE(inPlace, nullptr);
    QTest::keyClick(inPlace, Qt::Key_End);
    QTest::keyClicks(inPlace, ".1");
    QTest::keyClick(inPlace, Qt::Key_Return);
    QCoreApplication::processEvents();  // the editor hands its text over queued
    local->topLevelItem(2)->setCheckState(0, Qt::Unchecked);  // stored with "0"

    ShowPage(spFtpFiles);
    KeyOnRow(dialog, "lvFtpFiles", -1, Qt::Key_Insert);  // starts the in-place editor
    auto* editor = Find<QTreeWidget>(dialog, "lvFtpFiles")->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(editor, "/logs/access.log");
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents();  // the editor hands its text over queued
    Click(dialog, "btnAddFtpFile");     // left as "FTP File"

    ShowPage(spTelnet);
    Click(dialog, "chkTelnetActive");
    ASSERT_TRUE(ClickOk());

    const TReportRecord report = Stored("Site").Report;
    EXPECT_EQ(report.Domain, "WWW.Example.com");
    EXPECT_EQ(report.DefaultPage, "index.htm");
    EXPECT_EQ(report.DateSelection, 3);
    EXPECT_EQ(report.LastDays, 14);
    EXPECT_EQ(report.LastHoures, 24);
    EXPECT_EQ(report.Targets, "/shop/thanks.html\r\n");
    EXPECT_EQ(report.LogFiles, "1" + kDemoLog + "\r\n1" + folder_ +
                                   "*\r\n0/srv/logs/a.log.1\r\n1/srv/logs/c.log.gz\r\n");
    EXPECT_EQ(report.FTPFiles, "1/logs/access.log\r\n1FTP File\r\n");
    EXPECT_EQ(report.TelnetCommands, "\"login:\",\"\"\r\n\"Password:\",\"\"\r\n");
    EXPECT_EQ(report.TelnetOptions, "3");
    EXPECT_EQ(report.FTPDownload, "") << "a blank folder stays blank";
    EXPECT_TRUE(messages_.Shown.empty());
}

TEST_F(ReportSettingsDialogTest, RefusedFieldsKeepTheDialogOpenOnTheirField) {
    AddReport(*store_, "Taken", "");
    TfrmRepSettings& dialog = Open();
    auto* domain = Find<QLineEdit>(dialog, "edtDomain");
    auto* name = Find<QLineEdit>(dialog, "edtReportName");
    struct TCase {
        QString Domain, Name;
        std::string Message;
        QWidget* Field;
    };
    const TCase cases[] = {{"", "Site", "Domain Name is missing", domain},
                           {"example.com", "", "Report Name is missing", name},
                           {"www.example.com", "Site", "Invalid Domain Name", domain},
                           {"ww.example.com", "Site", "Invalid Domain Name", domain}};
    for (const TCase& c : cases) {
        FillGeneral(c.Domain, c.Name);
        ShowPage(spWebFiles);
        messages_.Shown.clear();
        EXPECT_FALSE(ClickOk()) << c.Message;
        ASSERT_EQ(messages_.Shown.size(), 1u);
        EXPECT_EQ(messages_.Shown[0].Kind, TMessageKind::Error);
        EXPECT_EQ(messages_.Shown[0].Text, c.Message);
        EXPECT_EQ(dialog.Pages()->currentIndex(), spGeneral) << c.Message;
        EXPECT_EQ(dialog.focusWidget(), c.Field) << c.Message;
    }

    // A name another report has: the store's refusal is shown, and a corrected name stores.
    FillGeneral("example.com", "Taken");
    messages_.Shown.clear();
    EXPECT_FALSE(ClickOk());
    ASSERT_EQ(messages_.Shown.size(), 1u);
    EXPECT_EQ(messages_.Shown[0].Text, "A report named \"Taken\" already exists");
    EXPECT_EQ(StoredReportCount(), 1u);
    Type(dialog, "edtReportName", "Site");
    EXPECT_TRUE(ClickOk());
    EXPECT_EQ(Stored("Site").Report.Domain, "example.com");
    EXPECT_EQ(Stored("Taken").Report.Domain, "www.example.com");
}

TEST_F(ReportSettingsDialogTest, UnknownDateSelectionShowsAllLogDataAndStoresZero) {
    AddReport(*store_, "Site", "");
    TReportRecord report = Stored("Site").Report;
    report.DateSelection = 5;
    report.FromDate = 37316;  // 2002-03-01
    report.ToDate = 1;        // not later than 1899-12-31: today stays
    report.LastHoures = 0;
    report.Domain = "example.com";
    ASSERT_TRUE(store_->FindReport("Site"));
    store_->PostReport(report);

    TfrmRepSettings& dialog = Open("Site");
    EXPECT_TRUE(Find<QRadioButton>(dialog, "rbAll")->isChecked());
    EXPECT_EQ(Find<QDateEdit>(dialog, "dtpFromDate")->date(), QDate(2002, 3, 1));
    EXPECT_EQ(Find<QDateEdit>(dialog, "dtpToDate")->date(), QDate(2009, 7, 6));
    EXPECT_EQ(Find<QSpinBox>(dialog, "spnLastHours")->value(), 24);
    ASSERT_TRUE(ClickOk());
    const TReportRecord stored = Stored("Site").Report;
    EXPECT_EQ(stored.DateSelection, 0);
    EXPECT_EQ(stored.ToDate, 40000);
    EXPECT_EQ(stored.LastHoures, 24);
}

TEST_F(ReportSettingsDialogTest, TelnetLineCommandsWorkOnTheSelectedLineUpToTheEnds) {
    TfrmRepSettings& dialog = Open();
    FillGeneral("example.com", "Site");
    ShowPage(spTelnet);
    for (const char* button :
         {"btnEditLine", "btnRemoveLine", "btnMoveUp", "btnInsertLine", "btnMoveDown"})
        EXPECT_FALSE(Find<QAbstractButton>(dialog, button)->isEnabled()) << button;
    EXPECT_TRUE(Find<QAbstractButton>(dialog, "btnAddLine")->isEnabled());

    KeyOnRow(dialog, "lvTelnet", 0, Qt::Key_Up);
    Click(dialog, "btnMoveUp");  // the first line stays first
    Click(dialog, "btnInsertLine");
    EXPECT_EQ(Texts(dialog, "lvTelnet"), QStringList({"login:", "login:", "Password:"}));
    KeyOnRow(dialog, "lvTelnet", 2, Qt::Key_Down);
    Click(dialog, "btnMoveDown");  // the last line stays last
    Click(dialog, "btnMoveUp");
    EXPECT_EQ(Texts(dialog, "lvTelnet"), QStringList({"login:", "Password:", "login:"}));
    EXPECT_EQ(Find<QTreeWidget>(dialog, "lvTelnet")->currentIndex().row(), 1)
        << "the selection moves with the line";

    WhenModal<TfrmTelnetCommand>([](TfrmTelnetCommand& editor) {
        EXPECT_EQ(editor.windowTitle(), "Telnet Command");
        EXPECT_EQ(Find<QLineEdit>(editor, "edtPrompt")->text(), "");
        Type(editor, "edtPrompt", "$");
        Type(editor, "edtCommand", "gzip -c access.log > pub/access.gz");
        QTest::keyClick(Find<QLineEdit>(editor, "edtCommand"), Qt::Key_Return);  // Enter is OK
    });
    KeyOnRow(dialog, "lvTelnet", 0, Qt::Key_Insert);
    WhenModal<TfrmTelnetCommand>([](TfrmTelnetCommand& editor) {
        EXPECT_EQ(Find<QLineEdit>(editor, "edtPrompt")->text(), "Password:");
        Type(editor, "edtCommand", "secret");
        Click(editor, "btnOK");
    });
    auto* telnet = Find<QTreeWidget>(dialog, "lvTelnet");
    const QRect second = telnet->visualItemRect(telnet->topLevelItem(1));
    QTest::mouseDClick(telnet->viewport(), Qt::LeftButton, {}, second.center());
    WhenModal<TfrmTelnetCommand>([](TfrmTelnetCommand& editor) {
        Type(editor, "edtCommand", "ignored");
        QTest::keyClick(Find<QLineEdit>(editor, "edtCommand"), Qt::Key_Escape);
    });
    Click(dialog, "btnEditLine");
    KeyOnRow(dialog, "lvTelnet", 0, Qt::Key_Delete);
    Click(dialog, "chkAutoClose");
    ASSERT_TRUE(ClickOk());

    const TReportRecord report = Stored("Site").Report;
    EXPECT_EQ(report.TelnetCommands,
              "\"Password:\",\"secret\"\r\n\"login:\",\"\"\r\n"
              "\"$\",\"gzip -c access.log > pub/access.gz\"\r\n");
    EXPECT_EQ(report.TelnetOptions, "0");
}

TEST_F(ReportSettingsDialogTest, FilterEditsAreStoredAtOnceAndTicksOnlyOnOk) {
    AddReport(*store_, "Site", "", "example.com");
    ASSERT_TRUE(store_->FindReport("Site"));
    TFilterData status;
    status.Filters = fbStatus;
    store_->WriteFilter(true, status);
    TfrmRepSettings& dialog = Open("Site");
    ShowPage(spFilters);
    EXPECT_EQ(Texts(dialog, "lvFilters"), QStringList({"Status"}));
    EXPECT_FALSE(Find<QPushButton>(dialog, "btnEditFilter")->isEnabled());

    WhenModal<TfrmLogFilter>([](TfrmLogFilter& filter) {
        EXPECT_FALSE(Find<QCheckBox>(filter, "chkTrackUser")->isVisible());
        Type(filter, "edtDomain", "bot");
        Click(filter, "btnOK");
    });
    Click(dialog, "btnAddFilter");
    EXPECT_EQ(Texts(dialog, "lvFilters"), QStringList({"Status", "Domain"}));

    auto* list = Find<QTreeWidget>(dialog, "lvFilters");
    WhenModal<TfrmLogFilter>([](TfrmLogFilter& filter) {
        EXPECT_EQ(Find<QLineEdit>(filter, "edtDomain")->text(), "bot");
        Type(filter, "edtReferrer", "search");
        Click(filter, "btnOK");
    });
    const QPoint second = list->visualItemRect(list->topLevelItem(1)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, second);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, second);
    messages_.Answer = false;
    KeyOnRow(dialog, "lvFilters", 0, Qt::Key_Delete);  // "No" keeps it
    messages_.Answer = true;
    list->topLevelItem(0)->setCheckState(0, Qt::Unchecked);
    Click(dialog, "btnRemoveFilter");
    ASSERT_EQ(messages_.Shown.size(), 2u);
    EXPECT_EQ(messages_.Shown[1].Kind, TMessageKind::Question);
    EXPECT_EQ(messages_.Shown[1].Text, "Delete filter?");
    list->topLevelItem(0)->setCheckState(0, Qt::Unchecked);
    dialog.reject();

    // Cancel keeps what was added, edited and removed, but not the tick.
    const std::vector<TFilterRow> filters = Stored("Site").Filters;
    ASSERT_EQ(filters.size(), 1u);
    EXPECT_EQ(filters[0].Filters, fbDomain | fbReferrer);
    EXPECT_EQ(filters[0].Referrer, "search");
    EXPECT_TRUE(filters[0].Enabled);
}

TEST_F(ReportSettingsDialogTest, NewReportHoldsFiltersLoginsAndFoldersUntilOk) {
    AddReport(*store_, "Other", "");
    auto fill = [&] {
        TfrmRepSettings& dialog = Open();
        FillGeneral("example.com", "Site");
        ShowPage(spFilters);
        WhenModal<TfrmLogFilter>([](TfrmLogFilter& filter) {
            Type(filter, "edtRequest", "/shop/");
            Click(filter, "btnOK");
        });
        Click(dialog, "btnAddFilter");
        ShowPage(spFtpFiles);
        WhenModal<TfrmFTPOptions>([](TfrmFTPOptions& options) {
            EXPECT_EQ(options.windowTitle(), "FTP Options");
            Type(options, "edtFTPSite", "ftp.example.com");
            Type(options, "edtUserName", "web");
            Type(options, "edtPassword", " pw ");
            Click(options, "btnOK");
        });
        Click(dialog, "btnFtpOptions");
        EXPECT_EQ(Find<QLineEdit>(dialog, "edtFtpLogin")->text(), "ftp.example.com ; web ;  pw ");
        ShowPage(spWebFiles);
        WhenModal<TfrmWebOptions>([](TfrmWebOptions& options) {
            EXPECT_EQ(options.windowTitle(), "WEB Options");
            Type(options, "edtUserName", "reader");
            Type(options, "edtPassword", "x");
            Click(options, "btnOK");
        });
        Click(dialog, "btnWebOptions");
        EXPECT_EQ(Find<QLineEdit>(dialog, "edtWebLogin")->text(), "\"reader\",\"x\"");
        AnswerFileDialog("/tmp");
        Click(dialog, "btnWebBrowse");
        EXPECT_EQ(Find<QLineEdit>(dialog, "edtWebDownload")->text(), "/tmp");
    };
    fill();
    dialog_->reject();
    EXPECT_EQ(StoredReportCount(), 1u);
    EXPECT_TRUE(Stored("Other").Filters.empty()) << "another report's rows are left alone";
    EXPECT_EQ(Stored("Other").Report.FTPSite, "");

    fill();
    ASSERT_TRUE(ClickOk());
    const TReportDefinition site = Stored("Site");
    EXPECT_EQ(site.Report.FTPSite, "ftp.example.com");
    EXPECT_EQ(site.Report.FTPPassword, " pw ");
    EXPECT_EQ(site.Report.WEBUsername, "reader");
    EXPECT_EQ(site.Report.WEBDownload, "/tmp");
    ASSERT_EQ(site.Filters.size(), 1u);
    EXPECT_EQ(site.Filters[0].Request, "/shop/");
    EXPECT_TRUE(Stored("Other").Filters.empty());
}

TEST_F(ReportSettingsDialogTest, ExistingReportStoresLoginsAndChosenFoldersAtOnce) {
    AddReport(*store_, "Site", "", "example.com");
    TfrmRepSettings& dialog = Open("Site");
    ShowPage(spFtpFiles);
    EXPECT_EQ(Find<QLineEdit>(dialog, "edtFtpDownload")->text().toStdString(), folder_)
        << "a blank folder shows the data folder";
    WhenModal<TfrmFTPOptions>([](TfrmFTPOptions& options) {
        Type(options, "edtFTPSite", "ftp.example.com");
        Click(options, "btnOK");
    });
    Click(dialog, "btnFtpOptions");
    AnswerFileDialog("/tmp");
    Click(dialog, "btnFtpBrowse");
    dialog.reject();
    const TReportRecord report = Stored("Site").Report;
    EXPECT_EQ(report.FTPSite, "ftp.example.com");
    EXPECT_EQ(report.FTPDownload, "/tmp");
    EXPECT_EQ(report.WEBDownload, "") << "the WEB folder was only shown";
}

TEST_F(ReportSettingsDialogTest, StoreThatCannotWriteLeavesEveryDialogOpenWithItsMessage) {
    AddReport(*store_, "Site", "", "example.com");
    TfrmRepSettings& dialog = Open("Site");
    RefuseWrites();
    bool optionsStayedOpen = false;
    WhenModal<TfrmFTPOptions>([&](TfrmFTPOptions& options) {
        Type(options, "edtFTPSite", "ftp.example.com");
        Click(options, "btnOK");
        optionsStayedOpen = options.isVisible();
    });
    ShowPage(spFtpFiles);
    Click(dialog, "btnFtpOptions");
    EXPECT_TRUE(optionsStayedOpen);
    EXPECT_EQ(Find<QLineEdit>(dialog, "edtFtpLogin")->text(), " ;  ; ");

    Type(dialog, "edtReportName", "Renamed");
    EXPECT_FALSE(ClickOk());
    ASSERT_EQ(messages_.Shown.size(), 2u);
    for (const TShownMessage& message : messages_.Shown) {
        EXPECT_EQ(message.Kind, TMessageKind::Error);
        EXPECT_NE(message.Text.find("readonly database"), std::string::npos) << message.Text;
    }
    EXPECT_EQ(Stored("Site").Report.FTPSite, "");
}

TEST_F(ReportSettingsDialogTest, UnreadableReportDoesNotOpenAndHelpFollowsThePage) {
    AddReport(*store_, "Site", "", "example.com");
    ASSERT_TRUE(store_->FindReport("Site"));
    TReportRecord report = store_->CurrentReport();
    report.TelnetOptions = "x";
    store_->PostReport(report);
    EXPECT_FALSE(EditReport(nullptr, *store_, false));
    ASSERT_EQ(messages_.Shown.size(), 1u);
    EXPECT_EQ(messages_.Shown[0].Kind, TMessageKind::Error);

    report.TelnetOptions = "1";
    store_->PostReport(report);
    TfrmRepSettings& dialog = Open("Site");
    QStringList tabbed;
    for (int i = 0; i < 3; ++i) {
        tabbed << dialog.focusWidget()->objectName();
        QTest::keyClick(dialog.focusWidget(), Qt::Key_Tab);
    }
    EXPECT_EQ(tabbed, QStringList({"edtDomain", "edtReportName", "edtDefaultPage"}));
    EXPECT_TRUE(Find<QCheckBox>(dialog, "chkTelnetActive")->isChecked());
    EXPECT_FALSE(Find<QCheckBox>(dialog, "chkAutoClose")->isChecked());
    for (int page = 0; page < kSettingsPageCount; ++page) {
        ShowPage(static_cast<TSettingsPage>(page));
        EXPECT_EQ(dialog.Pages()->tabText(page), kSettingsPages[page].Caption);
        Click(dialog, "btnHelp");
        auto* help = HelpWindow()->findChild<QTextBrowser*>();
        EXPECT_EQ(QFileInfo(help->source().toLocalFile()).baseName().toStdString(),
                  kSettingsPages[page].HelpTopic);
    }
    HelpWindow()->close();
}

}  // namespace
