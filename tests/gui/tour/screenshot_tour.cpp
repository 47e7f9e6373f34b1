// Draws the main window in its views and every dialog into PNG files, as a user sees them:
//   screenshot_tour DATA-FOLDER OUT-FOLDER
// The data folder holds a report named "Demo". scripts/screenshots runs this on a virtual X
// server.
#include <QApplication>
#include <QDir>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <cstdio>
#include <functional>
#include <string>

#include "gui/about_dialog.h"
#include "gui/ftp_options_dialog.h"
#include "gui/help_window.h"
#include "gui/log_filter_dialog.h"
#include "gui/main_window.h"
#include "gui/progress_window.h"
#include "gui/report_pages.h"
#include "gui/report_settings_dialog.h"
#include "gui/select_report_dialog.h"
#include "gui/targets_dialog.h"
#include "gui/telnet_command_dialog.h"
#include "gui/web_options_dialog.h"
#include "shell/report_store.h"

namespace {

using namespace vestrel;
using namespace vestrel::gui;

QString outFolder;

void Save(QWidget& widget, const char* name) {
    widget.show();
    widget.raise();
    QTest::qWait(150);
    const QString file = outFolder + "/" + name + ".png";
    if (!widget.grab().save(file)) std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
    std::printf("%s\n", qPrintable(file));
}

void Choose(TfrmMain& window, const char* action) {
    window.Tree()->setCurrentItem(window.TreeItem(action));
    QTest::qWait(50);
}

void SelectFirstRow(TfrmMain& window) {
    QTableView* table = window.Pages()->ReportTable();
    table->setCurrentIndex(table->model()->index(0, 0));
}

void MainWindowViews(TfrmMain& window) {
    Save(window, "main-general");
    Choose(window, "actVisitBrowser");
    Save(window, "main-browser-list");
    window.Command("actViewHtml")->trigger();
    Save(window, "main-browser-html");
    window.Command("actViewList")->trigger();
    Choose(window, "actVisitPaths");
    Save(window, "main-paths");
    Choose(window, "actRefPageReferring");
    Save(window, "main-page-refereeing");
    Choose(window, "actRefDomains");
    SelectFirstRow(window);
    Save(window, "main-referring-domains");
    Choose(window, "actLogData");
    Save(window, "main-log-data");
    window.Model().LogDataFilter.Filters = fbStatus;
    window.Model().LogDataFilter.StatusFrom = 404;
    QTimer::singleShot(300, [] {
        if (QWidget* dialog = QApplication::activeModalWidget()) {
            Save(*dialog, "dialog-log-filter");
            static_cast<QDialog*>(dialog)->accept();
        }
    });
    window.Command("actFilterLogData")->trigger();
    Save(window, "main-filtered-log-data");
}

// Every page of the settings of "Demo", with a filter and a telnet script to show.
void ReportSettings(TfrmMain& window, TDM1& store) {
    store.FindReport("Demo");
    TReportSettingsModel settings(store, false);
    TFilterData filter;
    filter.Filters = fbStatus | fbRequest;
    settings.AddFilter(filter);
    settings.TelnetLines = {
        {"login:", "webmaster"}, {"Password:", "secret"}, {"$", "./rotate-logs"}};
    settings.FtpFiles = {{"/logs/access.log", true}, {"/logs/access.log.1", false}};
    settings.WebFiles = {{"http://www.example.com/stats/access.log.gz", true}};
    TfrmRepSettings dialog(settings, &window);
    static const char* const kPageFiles[kSettingsPageCount] = {
        "dialog-settings-general",   "dialog-settings-time-period", "dialog-settings-targets",
        "dialog-settings-filters",   "dialog-settings-local-files", "dialog-settings-telnet",
        "dialog-settings-ftp-files", "dialog-settings-web-files"};
    for (int page = 0; page < kSettingsPageCount; ++page) {
        dialog.Pages()->setCurrentIndex(page);
        Save(dialog, kPageFiles[page]);
    }
    dialog.hide();

    TfrmFTPOptions ftp(settings, &window);
    Save(ftp, "dialog-ftp-options");
    ftp.hide();

    TfrmWebOptions web(settings, &window);
    Save(web, "dialog-web-options");
    web.hide();

    TfrmTelnetCommand telnet({"Password:", "secret"}, &window);
    Save(telnet, "dialog-telnet-command");
    telnet.hide();
}

void Dialogs(TfrmMain& window, TDM1& store, const std::string& dataFolder) {
    TfrmSelectReport selection(store, dataFolder, &window);
    Save(selection, "dialog-select-report");
    selection.hide();

    TFilterData filter;
    TfrmLogFilter reportFilter(&window, filter, false);
    Save(reportFilter, "dialog-log-filter-report");
    reportFilter.hide();

    TfrmTargets targets({{"/checkout/thanks.html", 12}, {"/contact.html", 3}}, &window);
    Save(targets, "dialog-targets");
    targets.hide();

    TfrmProgress progress(&window);
    progress.SetText("access.log");
    progress.SetPosition(11);
    Save(progress, "dialog-progress");
    progress.hide();

    TfrmAbout about(&window);
    Save(about, "dialog-about");
    about.hide();

    ReportSettings(window, store);

    ShowHelpTopic(&window, "GettingStarted");
    if (QWidget* help = HelpWindow()) Save(*help, "window-help");
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: screenshot_tour DATA-FOLDER OUT-FOLDER\n");
        return 2;
    }
    std::string dataFolder = argv[1];
    if (!dataFolder.ends_with('/')) dataFolder += '/';
    outFolder = QString::fromLocal8Bit(argv[2]);
    QDir().mkpath(outFolder);
    ChooseIconTheme();
    TDM1 store(dataFolder);
    store.Open();
    TfrmMain window(store, dataFolder);
    window.show();
    if (!window.OpenReport("Demo")) {
        std::fprintf(stderr, "screenshot_tour: the data folder has no report \"Demo\"\n");
        return 1;
    }
    MainWindowViews(window);
    Dialogs(window, store, dataFolder);
    return 0;
}
