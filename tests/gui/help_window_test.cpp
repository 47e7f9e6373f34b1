#include "gui/help_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QTextBrowser>
#include <QTimer>
#include <QUrl>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>

#include "gui/about_dialog.h"

namespace fs = std::filesystem;
using namespace vestrel::gui;

namespace {

const std::string kSourceHelp = std::string(VESTREL_SOURCE_DIR) + "/data/help/";

// Every topic a window of the program opens with its Help button.
const char* const kTopics[] = {"GettingStarted",
                               "SelectReport",
                               "ReportSettingsGeneral",
                               "ReportSettingsTimePeriod",
                               "ReportSettingsTarget",
                               "ReportSettingsFilter",
                               "ReportSettingsLocalFiles",
                               "ReportSettingsTelnet",
                               "ReportSettingsFTPFiles",
                               "ReportSettingsWEBFiles",
                               "FilterLogFiles",
                               "FTPOptions",
                               "TelnetCommands",
                               "ExportReports",
                               "OptionsGeneral",
                               "OptionsTime",
                               "OptionsFiles",
                               "OptionsSearchEngines",
                               "OptionsBrowsers",
                               "OptionsOpSystems"};

std::string ReadAll(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> Links(const std::string& html) {
    static const std::regex href("href=\"([^\"]*)\"");
    std::vector<std::string> links;
    for (auto it = std::sregex_iterator(html.begin(), html.end(), href);
         it != std::sregex_iterator(); ++it)
        links.push_back((*it)[1]);
    return links;
}

// Receives the addresses handed to the desktop.
class TUrlCatcher : public QObject {
    Q_OBJECT

  public:
    QList<QUrl> opened;

  public slots:
    void Open(const QUrl& url) { opened.append(url); }
};

class TCatchUrls {
  public:
    TCatchUrls() {
        QDesktopServices::setUrlHandler("https", &catcher, "Open");
        QDesktopServices::setUrlHandler("http", &catcher, "Open");
    }
    ~TCatchUrls() {
        QDesktopServices::unsetUrlHandler("https");
        QDesktopServices::unsetUrlHandler("http");
    }
    TUrlCatcher catcher;
};

class HelpWindowTest : public ::testing::Test {
  protected:
    void TearDown() override { delete HelpWindow(); }

    static QTextBrowser* Browser() {
        return HelpWindow() ? HelpWindow()->findChild<QTextBrowser*>("helpBrowser") : nullptr;
    }
    static std::string ShownPage() {
        return Browser() ? QFileInfo(Browser()->source().toLocalFile()).fileName().toStdString()
                         : std::string();
    }
    static QPushButton* Button(const char* name) {
        return HelpWindow()->findChild<QPushButton*>(name);
    }
};

TEST(HelpFolderTest, BuildFolderFirstThenTheInstalledShareFolder) {
    std::string pattern = testing::TempDir() + "vestrel-help-XXXXXX";
    const std::string root = mkdtemp(pattern.data());
    const std::string bin = root + "/prefix/bin/";
    fs::create_directories(bin + "help");
    // A help folder without its contents page is not the help.
    EXPECT_EQ(HelpFolder(bin), root + "/prefix/share/vestrel/help/");
    std::ofstream(bin + "help/index.html") << "<html></html>";
    EXPECT_EQ(HelpFolder(bin), bin + "help/");
    fs::remove_all(root);

    // The build puts the pages beside the test program.
    EXPECT_TRUE(fs::exists(HelpFolder() + "index.html")) << HelpFolder();
}

TEST_F(HelpWindowTest, OpensOneSharedNonModalWindowAtTheTopic) {
    ShowHelpTopic(nullptr, "FilterLogFiles");
    QWidget* window = HelpWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->objectName(), "frmHelp");
    EXPECT_EQ(window->windowTitle(), "Vestrel Help");
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->isWindow());
    EXPECT_EQ(window->windowModality(), Qt::NonModal);
    EXPECT_EQ(ShownPage(), "FilterLogFiles.html");
    EXPECT_FALSE(Browser()->toPlainText().isEmpty());

    ShowHelpTopic(nullptr, "ExportReports");
    EXPECT_EQ(HelpWindow(), window);
    EXPECT_EQ(ShownPage(), "ExportReports.html");
}

TEST_F(HelpWindowTest, UnknownOrOddKeywordsShowTheContents) {
    for (const char* keyword : {"NoSuchTopic", "", "../help/index", "help.css", "index.html"}) {
        ShowHelpTopic(nullptr, keyword);
        EXPECT_EQ(ShownPage(), "index.html") << '"' << keyword << '"';
    }
}

TEST_F(HelpWindowTest, EveryTopicHasAPageOfItsOwn) {
    for (const char* topic : kTopics) {
        ShowHelpTopic(nullptr, topic);
        EXPECT_EQ(ShownPage(), std::string(topic) + ".html");
        EXPECT_TRUE(fs::exists(kSourceHelp + topic + ".html")) << topic;
    }
}

TEST_F(HelpWindowTest, LinksBackForwardAndContents) {
    TCatchUrls urls;
    ShowHelpTopic(nullptr, "ReportSettingsFTPFiles");
    QTextBrowser* browser = Browser();
    EXPECT_FALSE(Button("btnBack")->isEnabled());

    emit browser->anchorClicked(QUrl("FTPOptions.html"));
    EXPECT_EQ(ShownPage(), "FTPOptions.html");
    EXPECT_TRUE(Button("btnBack")->isEnabled());
    // A link to a page that is not there goes nowhere.
    emit browser->anchorClicked(QUrl("Missing.html"));
    EXPECT_EQ(ShownPage(), "FTPOptions.html");

    Button("btnBack")->click();
    EXPECT_EQ(ShownPage(), "ReportSettingsFTPFiles.html");
    EXPECT_TRUE(Button("btnForward")->isEnabled());
    Button("btnForward")->click();
    EXPECT_EQ(ShownPage(), "FTPOptions.html");
    Button("btnContents")->click();
    EXPECT_EQ(ShownPage(), "index.html");

    // Web addresses go to the desktop's browser; the help stays where it is.
    emit browser->anchorClicked(QUrl("https://example.org/logs"));
    ASSERT_EQ(urls.catcher.opened.size(), 1);
    EXPECT_EQ(urls.catcher.opened[0], QUrl("https://example.org/logs"));
    EXPECT_EQ(ShownPage(), "index.html");
}

TEST_F(HelpWindowTest, StaysUsableBesideAModalDialogAndOutlivesIt) {
    QWidget main;
    main.show();
    auto* dialog = new QDialog(&main);
    dialog->setModal(true);
    dialog->show();
    ShowHelpTopic(dialog, "SelectReport");
    QWidget* window = HelpWindow();
    // Belonging to the dialog's window is what keeps the modal dialog from blocking it.
    EXPECT_EQ(window->parentWidget(), dialog);
    EXPECT_TRUE(window->isWindow());

    dialog->hide();
    delete dialog;
    ASSERT_EQ(HelpWindow(), window);
    EXPECT_EQ(window->parentWidget(), &main);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(ShownPage(), "SelectReport.html");

    // Asked again from another window, the same help moves there with its history.
    QWidget other;
    other.show();
    ShowHelpTopic(&other, "GettingStarted");
    EXPECT_EQ(HelpWindow(), window);
    EXPECT_EQ(window->parentWidget(), &other);
    EXPECT_TRUE(Button("btnBack")->isEnabled());
}

TEST_F(HelpWindowTest, ClosesWithTheTopLevelWindowItBelongsTo) {
    {
        QWidget main;
        main.show();
        ShowHelpTopic(&main, "GettingStarted");
        ASSERT_NE(HelpWindow(), nullptr);
        main.hide();
        EXPECT_FALSE(HelpWindow()->isVisible());
    }
    EXPECT_EQ(HelpWindow(), nullptr);
}

TEST(HelpPagesTest, ContentsLinkEveryPageAndEveryLinkLeadsToAPage) {
    std::set<std::string> pages;
    for (const auto& entry : fs::directory_iterator(kSourceHelp))
        if (entry.path().extension() == ".html") pages.insert(entry.path().filename().string());
    ASSERT_TRUE(pages.count("index.html"));
    ASSERT_TRUE(pages.count("GettingStarted.html"));

    std::set<std::string> fromIndex;
    for (const std::string& link : Links(ReadAll(kSourceHelp + "index.html")))
        fromIndex.insert(link.substr(0, link.find('#')));
    for (const std::string& page : pages) {
        if (page != "index.html") {
            EXPECT_TRUE(fromIndex.count(page)) << page << " not in contents";
        }
    }

    for (const std::string& page : pages) {
        const std::string html = ReadAll(kSourceHelp + page);
        EXPECT_NE(html.find("<meta charset=\"utf-8\">"), std::string::npos) << page;
        EXPECT_NE(html.find("<title>"), std::string::npos) << page;
        // The help window reads a linked style sheet only when its type is given.
        EXPECT_NE(html.find("type=\"text/css\" href=\"help.css\""), std::string::npos) << page;
        for (const std::string& link : Links(html)) {
            if (link.starts_with("http://") || link.starts_with("https://")) continue;
            const std::string file = link.substr(0, link.find('#'));
            if (file.empty()) continue;
            EXPECT_TRUE(fs::exists(kSourceHelp + file)) << page << " links to " << link;
        }
    }
}

TEST(DesktopEntryTest, NamesTheProgramAndAnIconThatIsShipped) {
    const std::string entry = ReadAll(std::string(VESTREL_SOURCE_DIR) + "/data/vestrel.desktop");
    EXPECT_NE(entry.find("\nExec=vestrel\n"), std::string::npos);
    EXPECT_NE(entry.find("\nGenericName=Log File Analyzer\n"), std::string::npos);
    ASSERT_NE(entry.find("\nIcon=vestrel\n"), std::string::npos);
    EXPECT_TRUE(fs::exists(std::string(VESTREL_SOURCE_DIR) + "/data/icons/vestrel.svg"));
}

TEST(AboutBoxTest, ShowsNameDescriptionVersionAndTheProjectLink) {
    TCatchUrls urls;
    TfrmAbout about;
    EXPECT_EQ(about.objectName(), "frmAbout");
    EXPECT_EQ(about.windowTitle(), "About Vestrel");
    EXPECT_TRUE(about.isModal());
    EXPECT_EQ(about.ProgramName()->text(), "Vestrel");
    EXPECT_GT(about.ProgramName()->font().pointSizeF(), about.Description()->font().pointSizeF());
    EXPECT_EQ(about.Description()->text(), "Log File Analyzer");
    EXPECT_EQ(about.Version()->text(), "Ver. 1.0");
    EXPECT_TRUE(about.Link()->text().contains(QString("href=\"") + kProjectPageUrl + "\""));
    EXPECT_FALSE(ProgramIcon().isNull());

    emit about.Link()->linkActivated(kProjectPageUrl);
    ASSERT_EQ(urls.catcher.opened.size(), 1);
    EXPECT_EQ(urls.catcher.opened[0], QUrl(kProjectPageUrl));
}

TEST(AboutBoxTest, RunsModallyUntilOk) {
    QWidget main;
    main.show();
    QString shown;
    QTimer::singleShot(0, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr) return;
        shown = modal->objectName();
        if (auto* ok = modal->findChild<QPushButton*>("btnOK")) ok->click();
    });
    ShowAboutBox(&main);
    EXPECT_EQ(shown, "frmAbout");
}

}  // namespace

#include "help_window_test.moc"
