// Draws the main window in its views and every dialog into PNG files, as a user sees them:
//   screenshot_tour DATA-FOLDER OUT-FOLDER
// The data folder holds a report named "Demo". scripts/screenshots runs this on a virtual X
// server.
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <cstdio>
#include <functional>
#include <string>

#include "gui/about_dialog.h"
#include "gui/dns_lookup_dialog.h"
#include "gui/edit_search_engine_dialog.h"
#include "gui/export_dialog.h"
#include "gui/ftp_download_window.h"
#include "gui/ftp_options_dialog.h"
#include "gui/help_window.h"
#include "gui/input_box2_dialog.h"
#include "gui/log_filter_dialog.h"
#include "gui/main_window.h"
#include "gui/options_dialog.h"
#include "gui/print_commands.h"
#include "gui/print_preview_window.h"
#include "gui/progress_window.h"
#include "gui/report_pages.h"
#include "gui/report_settings_dialog.h"
#include "gui/select_report_dialog.h"
#include "gui/site_tree_view.h"
#include "gui/targets_dialog.h"
#include "gui/telnet_command_dialog.h"
#include "gui/telnet_commands_window.h"
#include "gui/terminal_view.h"
#include "gui/web_download_window.h"
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

// Each chart flat, then with the "3D Graph" button pressed.
void SaveFlatAnd3D(TfrmMain& window, const char* name) {
    QAction* threeD = window.Command("act3DGraph");
    if (threeD->isChecked()) threeD->trigger();
    Save(window, name);
    threeD->trigger();
    Save(window, (std::string(name) + "-3d").c_str());
}

// On a wider window, as a user looking at a month of days has it.
void GraphViews(TfrmMain& window) {
    window.resize(1400, 900);
    Choose(window, "actVisitBrowser");
    window.Command("actViewGraph")->trigger();
    SaveFlatAnd3D(window, "graph-browser-pie");
    Choose(window, "actPopularHour");
    SaveFlatAnd3D(window, "graph-hour-bars");
    // The day span of a page, as the site tree's page items run it.
    const TReportAction& daySpan = *FindReportAction("actDaySpan");
    window.Model().CommonStep(daySpan, "/index.html", window.Pages()->LogGridWidths());
    window.Model().RunStatistic(daySpan, "/index.html");
    window.TitleLabel()->setText(QString::fromStdString(window.Model().Window.Title));
    window.Command("actViewGraph")->trigger();
    SaveFlatAnd3D(window, "graph-day-span-lines");
    window.Command("actViewList")->trigger();
    window.resize(1100, 720);
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

// The site tree built from the demo log, a folder opened and one of its pages' day span shown.
void SiteTree(TfrmMain& window) {
    window.Command("actBuildSiteTreeMenu")->trigger();
    QTreeWidgetItem* root = window.SiteTreeView()->RootItem();
    if (root == nullptr) return;
    for (int i = 0; i < root->childCount(); ++i) {
        QTreeWidgetItem* folder = root->child(i);
        if (folder->text(0) != "products") continue;
        folder->setExpanded(true);
        if (folder->childCount() > 0) {
            folder->child(0)->setExpanded(true);
            if (folder->child(0)->childCount() > 0)
                window.Tree()->setCurrentItem(folder->child(0)->child(0));
        }
        window.Tree()->scrollToItem(window.Tree()->currentItem(),
                                    QAbstractItemView::PositionAtCenter);
    }
    Save(window, "main-site-tree");
}

// The preview of the general summary (its group rows on silver) at whole page and page width,
// and the same printout written as a PDF file for scripts/screenshots to render.
void Printing(TfrmMain& window) {
    Choose(window, "actGeneral");
    window.Command("actPrintPreview")->trigger();
    auto* preview = window.findChild<TfrmPrintPreview*>();
    if (preview == nullptr) return;
    preview->showNormal();
    preview->resize(1100, 850);
    preview->ApplyZoomText("Hela sidan");
    Save(*preview, "preview-whole-page");
    preview->ApplyZoomText("Bredd");
    Save(*preview, "preview-width");
    preview->close();
    window.Printing()->ExportPdfTo(window.Model().Grid, window.Model().Window.Title,
                                   outFolder + "/general.pdf");
}

// The network windows mid-transfer, their displays set as the clients would set them.
void RemoteWindows(TfrmMain& window) {
    TfrmTelnetCmd telnet(&window);
    telnet.Terminal()->Write(
        "Connecting to 'www.example.com'\r\nDebian GNU/Linux 12\r\n\r\nLOGIN: loguser\r\n"
        "Password: \r\n\x1b[1mLast login:\x1b[0m Tue Dec  8 09:12:44 2026 from 192.0.2.7\r\n"
        "$ gzip -kf /var/log/apache2/access.log && ls -l /var/log/apache2\r\n"
        "total 7424\r\n"
        "-rw-r----- 1 root adm 6291456 Dec  9 23:10 access.log\r\n"
        "-rw-r----- 1 root adm  980114 Dec  9 23:10 access.log.gz\r\n$ ");
    telnet.CancelButton()->setEnabled(true);
    Save(telnet, "window-telnet-commands");
    telnet.hide();

    TfrmFTP ftp(&window);
    ftp.ShowDisplay(
        {1204224, 3145728, "Received 1204224 of 3145728 bytes", "Receiving: /logs/access.log"});
    Save(ftp, "window-ftp-download");
    ftp.hide();

    TfrmDownloadWEB web(&window);
    web.ShowTransfer("Receiving: http://www.example.com/stats/logs/access.log.gz", 655360, 980114);
    Save(web, "window-web-download");
    web.hide();

    TfrmDNSLookup lookup(&window);
    lookup.SetProgress(23, 64);
    lookup.SetStatus("crawl-66-249-66-1.googlebot.com");
    Save(lookup, "dialog-dns-lookup");
    lookup.hide();
}

void OptionsAndExport(TfrmMain& window, TDM1& store, const std::string& dataFolder) {
    TfrmOptions options(store, dataFolder, &window);
    const char* const pages[] = {"dialog-options-general",     "dialog-options-time",
                                 "dialog-options-files",       "dialog-options-search-engines",
                                 "dialog-options-user-agents", "dialog-options-op-systems"};
    for (int page = 0; page < options.Pages()->count(); ++page) {
        options.Pages()->setCurrentIndex(page);
        Save(options, pages[page]);
    }
    options.hide();

    TSortedTable<TSearchEngineRow> engines = options.Lists().SearchEngines;
    TfrmEditSearchEngine engine(engines, 0, &window);
    Save(engine, "dialog-search-engine");
    engine.hide();

    TfrmInputBox2 input("Edit User Agent", "Name", "ID", "Firefox", "Firefox/", "OptionsBrowsers",
                        &window);
    Save(input, "dialog-input-box2");
    input.hide();

    TfrmExport exportDialog(&window);
    exportDialog.List()->setCurrentRow(3);
    exportDialog.FileField()->setText(QDir::homePath() + "/demo-report.htm");
    Save(exportDialog, "dialog-export");
    exportDialog.hide();

    TExportProgress progress(&window, 3, {});
    progress.SetStatusText("Writing   Browser...");
    Save(*progress.Window(), "dialog-export-progress");
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
    SiteTree(window);
    Printing(window);
    GraphViews(window);
    Dialogs(window, store, dataFolder);
    RemoteWindows(window);
    OptionsAndExport(window, store, dataFolder);
    return 0;
}
