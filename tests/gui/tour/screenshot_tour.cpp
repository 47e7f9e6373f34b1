// Draws the main window in its views and every dialog into PNG files, as a user sees them:
//   screenshot_tour DATA-FOLDER OUT-FOLDER
// The data folder holds a report named "Demo". scripts/screenshots runs this on a virtual X
// server.
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <cstdio>
#include <functional>
#include <string>

#include "gui/about_dialog.h"
#include "gui/edit_search_engine_dialog.h"
#include "gui/export_dialog.h"
#include "gui/help_window.h"
#include "gui/input_box2_dialog.h"
#include "gui/log_filter_dialog.h"
#include "gui/main_window.h"
#include "gui/options_dialog.h"
#include "gui/progress_window.h"
#include "gui/report_pages.h"
#include "gui/select_report_dialog.h"
#include "gui/targets_dialog.h"
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

    ShowHelpTopic(&window, "GettingStarted");
    if (QWidget* help = HelpWindow()) Save(*help, "window-help");
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
    Dialogs(window, store, dataFolder);
    OptionsAndExport(window, store, dataFolder);
    return 0;
}
