// The window's response times over a generated set (the folder given as the first argument,
// standard.log by default or the file named second): opening the report (the time after the
// loading until the general summary is shown), every statistic from its click in the tree until
// its list is painted, scrolling the log grid over every hit, and the HTML page of a 20,000-row
// table. Runs on the offscreen platform
// unless another one is asked for.
#include <QApplication>
#include <QScrollBar>
#include <QTableView>
#include <QTextBrowser>
#include <QTreeWidget>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "gui/main_window.h"
#include "gui/report_pages.h"
#include "shell/report_store.h"

namespace {

using namespace vestrel;
using Clock = std::chrono::steady_clock;

double MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

std::string MakeDataFolder(const std::string& listFolder) {
    std::string pattern = (std::filesystem::temp_directory_path() / "vestrel-bench-XXXXXX");
    const std::string folder = std::string(mkdtemp(pattern.data())) + "/";
    for (const auto& list : std::filesystem::directory_iterator(listFolder))
        if (list.path().extension() == ".txt")
            std::filesystem::copy_file(list.path(), folder + list.path().filename().string());
    return folder;
}

// Clicks the tree item and paints the view that shows the result, three times; the slowest.
double TimeStatistic(gui::TfrmMain& window, QTreeWidgetItem* item) {
    double slowest = 0;
    for (int round = 0; round < 3; ++round) {
        window.Tree()->setCurrentItem(nullptr);
        const Clock::time_point start = Clock::now();
        window.Tree()->setCurrentItem(item);
        gui::TReportPages* pages = window.Pages();
        (pages->LogGridShown() ? pages->LogGrid() : pages->ReportTable())->viewport()->repaint();
        slowest = std::max(slowest, MillisecondsSince(start));
    }
    return slowest;
}

double ResidentMegabytes() {
    long pages = 0, resident = 0;
    if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(statm);
    }
    return static_cast<double>(resident) * 4096 / (1024 * 1024);
}

// Scrolls the log grid from the top to the last hit in 400 jumps, painting each position.
void TimeLogGridScroll(gui::TfrmMain& window) {
    window.Tree()->setCurrentItem(window.TreeItem("actLogData"));
    QTableView* grid = window.Pages()->LogGrid();
    QScrollBar* bar = grid->verticalScrollBar();
    const double before = ResidentMegabytes();
    double slowest = 0;
    for (int step = 0; step <= 400; ++step) {
        const Clock::time_point start = Clock::now();
        bar->setValue(static_cast<int>(static_cast<int64_t>(bar->maximum()) * step / 400));
        grid->viewport()->repaint();
        slowest = std::max(slowest, MillisecondsSince(start));
    }
    std::printf("log grid of %d hits: slowest scroll step %.1f ms, memory %+.1f MB\n",
                window.Model().Analyzer->HitCount, slowest, ResidentMegabytes() - before);
}

void TimeHtmlPage(gui::TfrmMain& window, int rows) {
    TVarGrid& grid = window.Model().Grid;
    SetUpTable(grid, {{"Page", ctText, 400}, {"Hits", ctInteger, 50}, {"Share", ctPercent, 50}},
               rows);
    for (int row = 1; row <= rows; ++row) {
        grid.SetText(0, row, "/section/page-" + std::to_string(row) + ".html");
        grid.SetInt(1, row, rows - row);
        grid.SetFloat(2, row, 1.0 / row);
    }
    gui::TReportPages* pages = window.Pages();
    pages->ShowView(TReportView::List);
    pages->ShowReport(21, "  Most Visited");
    const Clock::time_point start = Clock::now();
    pages->ShowView(TReportView::Html);
    pages->HtmlView()->viewport()->repaint();
    std::printf("HTML page of %d rows: %.0f ms\n", rows, MillisecondsSince(start));
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_gui DATA-FOLDER [LOG]\n");
        return 2;
    }
    const std::string sets = argv[1];
    const std::string log = argc > 2 ? argv[2] : sets + "/standard.log";
    const std::string folder = MakeDataFolder(VESTREL_LIST_DIR);
    {
        TDM1 store(folder);
        store.Open();
        TReportRecord report;
        report.Name = "Bench";
        report.Domain = "www.example.com";
        report.LogFiles = "1" + std::filesystem::absolute(log).string();
        report.Targets = "/cart.php\r\n/contact.php";
        store.InsertReport(report);
        gui::TfrmMain window(store, folder);
        window.show();
        const Clock::time_point start = Clock::now();
        window.OpenReport("Bench");
        window.Pages()->ReportTable()->viewport()->repaint();
        const double total = MillisecondsSince(start);
        const double loading = static_cast<double>(window.Model().LoadTimeMs);
        std::printf("open: %.0f ms in all, loading %.0f ms, summary shown %.0f ms after it\n",
                    total, loading, total - loading);

        double slowest = 0;
        for (QTreeWidgetItemIterator it(window.Tree()); *it != nullptr; ++it) {
            if ((*it)->childCount() > 0 ||
                *it == window.Tree()->topLevelItem(window.Tree()->topLevelItemCount() - 1))
                continue;
            const double ms = TimeStatistic(window, *it);
            slowest = std::max(slowest, ms);
            std::printf("%-28s %6.0f ms\n", (*it)->text(0).toUtf8().constData(), ms);
        }
        std::printf("slowest statistic: %.0f ms\n", slowest);
        TimeLogGridScroll(window);
        TimeHtmlPage(window, 20000);
    }
    std::filesystem::remove_all(folder);
    return 0;
}
