#include "gui/main_window.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QSplitter>
#include <QStatusBar>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

#include "gui/about_dialog.h"
#include "gui/clipboard_data.h"
#include "gui/dns_lookup_dialog.h"
#include "gui/export_dialog.h"
#include "gui/ftp_download_window.h"
#include "gui/help_window.h"
#include "gui/log_filter_dialog.h"
#include "gui/message_boxes.h"
#include "gui/options_dialog.h"
#include "gui/print_commands.h"
#include "gui/progress_window.h"
#include "gui/qt_text.h"
#include "gui/report_pages.h"
#include "gui/report_settings_dialog.h"
#include "gui/select_report_dialog.h"
#include "gui/site_tree_view.h"
#include "gui/targets_dialog.h"
#include "gui/telnet_commands_window.h"
#include "gui/theme_icons.h"
#include "gui/web_download_window.h"
#include "gui/worker_run.h"
#include "output/clipboard_render.h"
#include "shell/host_lookup.h"

namespace vestrel::gui {

namespace {

constexpr int kActionRole = Qt::UserRole + 1;

const TReportAction* ActionOf(const QTreeWidgetItem* item) {
    if (item == nullptr) return nullptr;
    return reinterpret_cast<const TReportAction*>(item->data(0, kActionRole).value<quintptr>());
}

}  // namespace

void ChooseIconTheme() {
    if (!QIcon::hasThemeIcon("document-open")) QIcon::setThemeName("Adwaita");
}

TfrmMain::TfrmMain(TDM1& store, std::string dataFolder, QWidget* parent)
    : QMainWindow(parent),
      store_(store),
      dataFolder_(std::move(dataFolder)),
      model_(store_, dataFolder_, *this) {
    setObjectName("frmMain");
    setWindowTitle(QString::fromStdString(model_.Caption));
    setWindowIcon(QIcon::fromTheme("vestrel", ThemeIcon("utilities-system-monitor")));
    CreateCommands();
    CreateMenus();
    CreateToolBar();
    CreateLayout();
    model_.ReadSettings();
    ApplyWindowState();
    resize(1100, 720);
}

// The views read the model's grid and analyser, so they go before the model does.
TfrmMain::~TfrmMain() {
    StopCursorLookup();
    delete takeCentralWidget();
}

// ---- Commands, menus and tool bar ----

QAction* TfrmMain::AddCommand(const char* name, const QString& caption, const QString& hint,
                              const char* icon) {
    auto* action = new QAction(ThemeIcon(icon), caption, this);
    action->setObjectName(name);
    action->setToolTip(hint.isEmpty() ? QString(caption).remove('&').remove("...") : hint);
    action->setStatusTip(action->toolTip());
    commands_[name] = action;
    return action;
}

QAction* TfrmMain::Command(const char* name) const {
    const auto found = commands_.find(name);
    return found != commands_.end() ? found->second : nullptr;
}

void TfrmMain::CreateCommands() {
    AddCommand("actSelectReport", "Select Report...", "Select report", "document-open");
    AddCommand("actReportSettings", "&Report Settings...", "Report settings",
               "document-properties");
    AddCommand("actExport", "Export...", "", "document-save-as");
    AddCommand("actDNSLookup", "DNS Lookup...", "", "network-server");
    AddCommand("actPrint", "Print", "", "document-print");
    AddCommand("actPrintPreview", "Print preview...", "", "document-print-preview");
    AddCommand("actPrinterSetup", "Printer setup...", "", "document-page-setup");
    AddCommand("actExportPdf", "Export to PDF...", "Export the report on show as a PDF file",
               "x-office-document");
    AddCommand("actOptions", "&Options...", "Options", "preferences-system");
    AddCommand("actExit", "E&xit", "Exit Vestrel", "application-exit");
    AddCommand("actCopy", "Copy", "", "edit-copy");
    AddCommand("actBuildSiteTreeMenu", "Build Site Tree", "", nullptr);
    AddCommand("actFilterLogDataMenu", "Filter Log Data...", "Filter log data", "edit-find");
    AddCommand("actFilterLogData", "Filter Log Data", "Filter log data", "edit-find");
    AddCommand("actViewList", "List", "View list", "view-list");
    AddCommand("actViewHtml", "HTML", "View HTML", "x-office-document");
    AddCommand("actViewGraph", "Graph", "View Graph", "x-office-presentation");
    AddCommand("actHelp", "&Help", "", "help-browser");
    AddCommand("actAbout", "&About Vestrel...", "", "help-about");
    AddCommand("actShowTargets", "Show targets", "", "starred");
    AddCommand("actOpenLink", "Open browser at link", "", "web-browser");
    AddCommand("act3DGraph", "3D Graph", "", "view-grid");
    AddCommand("actDNSLookupAtCursor", "DNS lookup IP at cursor", "", "network-workgroup");

    Command("actExit")->setShortcut(QKeySequence::Quit);
    Command("actCopy")->setShortcut(QKeySequence::Copy);
    Command("actHelp")->setShortcut(QKeySequence::HelpContents);
    Command("actSelectReport")->setShortcut(QKeySequence::Open);
    Command("act3DGraph")->setCheckable(true);
    views_ = new QActionGroup(this);
    for (const char* name : {"actViewList", "actViewHtml", "actViewGraph"}) {
        Command(name)->setCheckable(true);
        views_->addAction(Command(name));
    }
    Command("actViewList")->setChecked(true);

    connect(Command("actSelectReport"), &QAction::triggered, this, [this] { OpenReport(""); });
    connect(Command("actExit"), &QAction::triggered, this, &QWidget::close);
    connect(Command("actReportSettings"), &QAction::triggered, this, &TfrmMain::EditOpenReport);
    connect(Command("actCopy"), &QAction::triggered, this, &TfrmMain::CopyGrid);
    connect(Command("actFilterLogDataMenu"), &QAction::triggered, this,
            [this] { RunFilteredLogData(false); });
    connect(Command("actFilterLogData"), &QAction::triggered, this,
            [this] { RunFilteredLogData(true); });
    connect(Command("actViewList"), &QAction::triggered, this,
            [this] { ShowView(TReportView::List); });
    connect(Command("actViewHtml"), &QAction::triggered, this,
            [this] { ShowView(TReportView::Html); });
    connect(Command("actViewGraph"), &QAction::triggered, this,
            [this] { ShowView(TReportView::Graph); });
    connect(Command("act3DGraph"), &QAction::triggered, this, &TfrmMain::SwitchChart3D);
    connect(Command("actHelp"), &QAction::triggered, this,
            [this] { ShowHelpTopic(this, "GettingStarted"); });
    connect(Command("actAbout"), &QAction::triggered, this, [this] { ShowAboutBox(this); });
    connect(Command("actShowTargets"), &QAction::triggered, this, &TfrmMain::ShowTargetsAtRow);
    connect(Command("actOpenLink"), &QAction::triggered, this, &TfrmMain::OpenLinkAtRow);
    printing_ = new TPrintCommands(this);
    connect(Command("actPrint"), &QAction::triggered, this,
            [this] { Guarded([&] { printing_->Print(model_.Grid, model_.Window.Title); }); });
    connect(Command("actPrintPreview"), &QAction::triggered, this,
            [this] { Guarded([&] { printing_->Preview(model_.Grid, model_.Window.Title); }); });
    connect(Command("actPrinterSetup"), &QAction::triggered, printing_, &TPrintCommands::SetUp);
    connect(Command("actExportPdf"), &QAction::triggered, this,
            [this] { Guarded([&] { printing_->ExportPdf(model_.Grid, model_.Window.Title); }); });
    connect(Command("actDNSLookup"), &QAction::triggered, this, &TfrmMain::ResolveHostNames);
    connect(Command("actDNSLookupAtCursor"), &QAction::triggered, this,
            &TfrmMain::LookupAddressAtCursor);
    connect(Command("actOptions"), &QAction::triggered, this, &TfrmMain::RunOptions);
    connect(Command("actExport"), &QAction::triggered, this, &TfrmMain::RunExport);
}

void TfrmMain::CreateMenus() {
    QMenu* file = menuBar()->addMenu("&File");
    file->addActions({Command("actSelectReport"), Command("actReportSettings")});
    file->addSeparator();
    file->addActions({Command("actExport"), Command("actDNSLookup")});
    file->addSeparator();
    file->addActions({Command("actPrint"), Command("actPrintPreview"), Command("actPrinterSetup")});
    file->addAction(Command("actExportPdf"));
    file->addSeparator();
    file->addAction(Command("actOptions"));
    file->addSeparator();
    file->addAction(Command("actExit"));
    QMenu* edit = menuBar()->addMenu("&Edit");
    edit->addActions(
        {Command("actCopy"), Command("actBuildSiteTreeMenu"), Command("actFilterLogDataMenu")});
    QMenu* view = menuBar()->addMenu("&View");
    view->addActions({Command("actViewList"), Command("actViewHtml"), Command("actViewGraph")});
    QMenu* help = menuBar()->addMenu("&Help");
    help->addActions({Command("actHelp"), Command("actAbout")});
}

void TfrmMain::CreateToolBar() {
    QToolBar* bar = addToolBar("Tool bar");
    bar->setObjectName("tbMain");
    bar->setMovable(false);
    bar->addActions({Command("actSelectReport"), Command("actReportSettings")});
    bar->addSeparator();
    bar->addActions({Command("actPrint"), Command("actCopy"), Command("actFilterLogData")});
    bar->addSeparator();
    bar->addActions({Command("actViewList"), Command("actViewHtml"), Command("actViewGraph")});
    bar->addSeparator();
    bar->addActions({Command("actOptions"), Command("actHelp"), Command("actExit")});
}

QWidget* TfrmMain::CreateTitleBand() {
    auto* band = new QWidget(this);
    band->setObjectName("pnlCaption");
    band->setAutoFillBackground(true);
    QPalette palette = band->palette();
    palette.setColor(QPalette::Window, Qt::black);
    palette.setColor(QPalette::WindowText, QColor(248, 214, 20));
    band->setPalette(palette);
    lblCaption_ = new QLabel(band);
    lblCaption_->setObjectName("lblCaption");
    QFont font = lblCaption_->font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.35);
    lblCaption_->setFont(font);
    lblCaption_->setTextFormat(Qt::PlainText);
    auto* layout = new QHBoxLayout(band);
    layout->setContentsMargins(6, 3, 6, 3);
    layout->addWidget(lblCaption_, 1);
    for (const char* name :
         {"actShowTargets", "actOpenLink", "act3DGraph", "actDNSLookupAtCursor"}) {
        auto* button = new QToolButton(band);
        button->setDefaultAction(Command(name));
        button->setAutoRaise(true);
        button->setObjectName(QString(name).replace("act", "btn"));
        layout->addWidget(button);
    }
    return band;
}

void TfrmMain::CreateLayout() {
    tree_ = new QTreeWidget(this);
    tree_->setObjectName("Tree");
    tree_->setHeaderHidden(true);
    tree_->setUniformRowHeights(true);
    connect(tree_, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current) { RunTreeItem(current); });
    tree_->setColumnCount(2);
    tree_->setHeaderLabels({"Report", "Hits"});
    tree_->setHeaderHidden(false);
    tree_->header()->setStretchLastSection(false);
    tree_->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    tree_->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    tree_->setEditTriggers(QAbstractItemView::EditKeyPressed);
    siteTree_ = new TSiteTreeView(
        *tree_, model_,
        [this](const TReportAction& action, const std::string& path) { RunAction(action, path); });
    connect(Command("actBuildSiteTreeMenu"), &QAction::triggered, siteTree_, &TSiteTreeView::Build);

    pages_ = new TReportPages(model_.Grid, model_.Chart, this);
    connect(pages_, &TReportPages::RowSelected, this, &TfrmMain::UpdateRowCommands);
    connect(pages_, &TReportPages::RowActivated, this, [this](int row) {
        UpdateRowCommands(row);
        if (model_.RowCommands(row).OpenLink) OpenLinkAtRow();
    });
    connect(pages_, &TReportPages::SortFailed, this,
            [this](const QString& message) { ShowError(this, FromQString(message)); });

    auto* right = new QWidget(this);
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    rightLayout->setSpacing(0);
    rightLayout->addWidget(CreateTitleBand());
    rightLayout->addWidget(pages_, 1);

    splitter_ = new QSplitter(Qt::Horizontal, this);
    splitter_->setObjectName("splitter");
    splitter_->addWidget(tree_);
    splitter_->addWidget(right);
    splitter_->setStretchFactor(1, 1);
    splitter_->setSizes({290, 810});
    splitter_->setChildrenCollapsible(false);
    setCentralWidget(splitter_);

    status_ = new QLabel(this);
    status_->setObjectName("lblStatus");
    statusBar()->addWidget(status_, 1);
}

// ---- Opening reports ----

void TfrmMain::StartUp(const std::vector<std::string>& arguments) {
    Guarded([&] { model_.StartUp(arguments); });
    RebuildTree();
    ApplyWindowState();
}

bool TfrmMain::OpenReport(const std::string& name) {
    bool opened = false;
    pages_->DetachLogGrid();
    Guarded([&] { opened = model_.OpenReport(name); });
    RebuildTree();
    ApplyWindowState();
    return opened;
}

// After OK the report is opened again under the name it is stored with now.
void TfrmMain::EditOpenReport() {
    if (model_.OpenReportName.empty() || !store_.FindReport(model_.OpenReportName)) return;
    if (!EditReport(this, store_, false)) return;
    pages_->DetachLogGrid();
    Guarded([&] { model_.ReopenEditedReport(); });
    RebuildTree();
    ApplyWindowState();
}

bool TfrmMain::SelectReport(TDM1& store, TLogFileDataParam& files) {
    return gui::SelectReport(this, store, dataFolder_, files);
}

// Every opening sets the caption before it replaces the analyser, whose hits the cursor lookup
// would name.
void TfrmMain::SetCaption(const std::string& caption) {
    StopCursorLookup();
    setWindowTitle(ToQString(caption));
}

int64_t TfrmMain::RunLoading(TLogAnalyzer& analyzer, const TLogFileDataParam& files) {
    return LoadWithProgress(this, analyzer, files,
                            [this](const std::string& text) { SetStatus(text); });
}

void TfrmMain::ShowReport(const TVarGrid&, const std::string& title) {
    model_.Window.Title = title;
    pages_->ShowReport(model_.ReportKind, title);
}

void TfrmMain::Notice(const std::string& text) {
    SetStatus(text);
}

void TfrmMain::ShowInformation(const std::string& text) {
    gui::ShowInformation(this, text);
}

void TfrmMain::RunTelnetScript(const TReportRecord& report) {
    TfrmTelnetCmd window(this);
    window.Run(TelnetSettingsOf(report, fetchLimits_),
               std::chrono::seconds(fetchLimits_.TimeoutSeconds));
}

void TfrmMain::DownloadFtpFiles(const TReportRecord& report, TLogFileDataParam& files) {
    if (!HasEnabledFtpFile(report.FTPFiles)) return;
    TfrmFTP window(this);
    AddFetchedFiles(window.Run(FtpSettingsOf(report, fetchLimits_)), files);
}

void TfrmMain::DownloadWebFiles(const TReportRecord& report, TLogFileDataParam& files) {
    if (!HasEnabledWebFiles(report.WEBFiles)) return;
    TfrmDownloadWEB window(this);
    AddFetchedFiles(window.Run(WebSettingsOf(report, fetchLimits_), report.WEBFiles), files);
}

// ---- The report tree ----

void TfrmMain::RebuildTree() {
    buildingTree_ = true;
    tree_->clear();
    for (const TReportTreeItem& top : model_.ReportTree) {
        auto* item = new QTreeWidgetItem(tree_, {ToQString(top.Caption)});
        item->setData(0, kActionRole, QVariant::fromValue(reinterpret_cast<quintptr>(top.Action)));
        for (const TReportTreeItem& child : top.Children) {
            auto* leaf = new QTreeWidgetItem(item, {ToQString(child.Caption)});
            leaf->setData(0, kActionRole,
                          QVariant::fromValue(reinterpret_cast<quintptr>(child.Action)));
        }
    }
    tree_->expandAll();
    siteTree_->Attach(TreeItem("actBuildSiteTree"));
    if (tree_->topLevelItemCount() > 0) tree_->setCurrentItem(tree_->topLevelItem(0));
    buildingTree_ = false;
}

QTreeWidgetItem* TfrmMain::TreeItem(const char* action) const {
    for (QTreeWidgetItemIterator it(tree_); *it != nullptr; ++it) {
        const TReportAction* itemAction = ActionOf(*it);
        if (itemAction != nullptr && itemAction->Action == action) return *it;
    }
    return nullptr;
}

void TfrmMain::RunTreeItem(QTreeWidgetItem* item) {
    if (buildingTree_ || siteTree_->Select(item)) return;
    const TReportAction* action = ActionOf(item);
    if (action != nullptr) RunAction(*action, {});
}

void TfrmMain::RunAction(const TReportAction& action, const std::string& daySpanPath) {
    const TLogDataWidths widths = pages_->LogGridWidths();
    Guarded([&] { model_.RunTreeAction(action, daySpanPath, widths); });
    ApplyWindowState();
}

void TfrmMain::RunFilteredLogData(bool commonStep) {
    Guarded([&] {
        if (commonStep)
            model_.CommonStep(*FindReportAction("actFilterLogData"), {}, pages_->LogGridWidths());
        model_.BeginFilteredLogData();
        pages_->ShowReport(model_.ReportKind, model_.Window.Title);
        ApplyWindowState();
        if (!ShowLogFilter(this, model_.LogDataFilter, true)) return;
        model_.ListFilteredLogData();
        pages_->ShowReport(model_.ReportKind, model_.Window.Title);
    });
    ApplyWindowState();
}

// ---- Window state ----

void TfrmMain::ApplyWindowState() {
    const TWindowState& window = model_.Window;
    lblCaption_->setText(ToQString(window.Title));
    Command("actFilterLogDataMenu")->setEnabled(window.FilterMenuEnabled);
    Command("actFilterLogData")->setEnabled(window.FilterButtonEnabled);
    Command("actViewHtml")->setEnabled(window.Views.HtmlEnabled);
    Command("actViewGraph")->setEnabled(window.Views.GraphEnabled);
    Command("actExport")->setEnabled(model_.Analyzer != nullptr);
    if (window.LogGridShown && model_.Analyzer != nullptr) {
        pages_->ShowLogGrid(model_.Analyzer.get(), model_.Settings.LogDataWidths);
    } else {
        pages_->ShowReportTable();
    }
    ShowView(window.Views.Shown);
    if (!window.StatusText.empty()) SetStatus(window.StatusText);
    model_.Window.StatusText.clear();
    UpdateRowCommands(-1);
}

void TfrmMain::ShowView(TReportView view) {
    model_.ShowView(view);
    Command(view == TReportView::Html    ? "actViewHtml"
            : view == TReportView::Graph ? "actViewGraph"
                                         : "actViewList")
        ->setChecked(true);
    pages_->ShowView(view);
    ApplyChart3DCommand();
}

void TfrmMain::SwitchChart3D(bool on) {
    model_.SetChart3D(on);
    pages_->RedrawChart();
    ApplyChart3DCommand();
}

void TfrmMain::ApplyChart3DCommand() {
    Command("act3DGraph")->setEnabled(model_.Window.Views.ThreeDEnabled);
    Command("act3DGraph")->setChecked(model_.Window.Views.ThreeDPressed);
}

void TfrmMain::UpdateRowCommands(int gridRow) {
    selectedRow_ = gridRow;
    const TRowCommands commands = model_.RowCommands(pages_->LogGridShown() ? -1 : gridRow);
    Command("actShowTargets")->setEnabled(commands.ShowTargets);
    Command("actOpenLink")->setEnabled(commands.OpenLink && gridRow > 0);
    Command("actDNSLookupAtCursor")->setEnabled(commands.DnsLookup);
}

void TfrmMain::OpenLinkAtRow() {
    const TVarGrid& grid = model_.Grid;
    if (selectedRow_ < 1 || selectedRow_ >= grid.RowCount() || grid.ColCount() == 0) return;
    if (grid.GetCellType(0, selectedRow_) != ctText) return;
    QDesktopServices::openUrl(QUrl(ToQString(grid.GetText(0, selectedRow_))));
}

void TfrmMain::ShowTargetsAtRow() {
    const TVarGrid& grid = model_.Grid;
    if (selectedRow_ < 1 || selectedRow_ >= grid.RowCount()) return;
    Guarded([&] { ShowTargets(this, model_.ReachedTargets(grid.GetText(0, selectedRow_))); });
}

// The names found are written into the hit store and the cache file; the report on show is only
// repainted, the reports run afterwards show the names.
void TfrmMain::ResolveHostNames() {
    if (model_.Analyzer == nullptr) return;
    Guarded([&] {
        const TNumericHosts hosts = NumericHosts(*model_.Analyzer);
        std::vector<std::string> names = hosts.Texts;
        TfrmDNSLookup dialog(this);
        dialog.Run(names, LookupOptionsOf(fetchLimits_));
        ApplyHostNames(*model_.Analyzer, hosts, names);
        pages_->LogGrid()->viewport()->update();
    });
}

void TfrmMain::LookupAddressAtCursor() {
    const bool logGrid = pages_->LogGridShown();
    const std::string address =
        AddressAtRow(model_.Analyzer.get(), model_.Grid, selectedRow_, logGrid);
    if (address.empty() || cursorLookup_ != nullptr) return;
    const int number = ++cursorLookupNumber_;
    cursorLookupRow_ = selectedRow_;
    cursorLookupKind_ = model_.ReportKind;
    cursorLookup_ = std::make_unique<TDNSLookup>(LookupOptionsOf(fetchLimits_));
    cursorLookupThread_ = std::thread([this, address, number, lookup = cursorLookup_.get()] {
        TSingleLookupResult result;
        try {
            result = LookupAddress(*lookup, address);
        } catch (const std::exception&) {
            result.ErrorCode = kLookupBackgroundFailure;
        }
        PostToWindow(*this, [this, address, number, result] {
            if (number == cursorLookupNumber_) CursorLookupDone(address, result);
        });
    });
}

// The answer goes where the lookup started, unless another statistic is on show now.
void TfrmMain::CursorLookupDone(const std::string& address, const TSingleLookupResult& result) {
    StopCursorLookup();
    const bool logGrid = cursorLookupKind_ == kLogDataKind;
    if (model_.ReportKind != cursorLookupKind_) return;
    if (result.ErrorCode != 0 || result.Names.empty()) {
        ShowError(this, LookupFailureText(result.ErrorCode));
        return;
    }
    NameAddressAtRow(model_.Analyzer.get(), model_.Grid, cursorLookupRow_, logGrid, address,
                     result.Names.front());
    if (logGrid)
        pages_->LogGrid()->viewport()->update();
    else
        pages_->ShowReport(model_.ReportKind, model_.Window.Title);
}

void TfrmMain::StopCursorLookup() {
    ++cursorLookupNumber_;
    if (cursorLookup_ == nullptr) return;
    cursorLookup_->Cancel();
    cursorLookupThread_.join();
    cursorLookup_.reset();
}

void TfrmMain::CopyGrid() {
    Guarded([&] {
        QApplication::clipboard()->setMimeData(NewClipboardData(CopyToClipboard(model_.Grid)));
    });
}

void TfrmMain::SetStatus(const std::string& text) {
    status_->setText(ToQString(text));
}

QString TfrmMain::StatusText() const {
    return status_->text();
}

// ---- Options and export ----

void TfrmMain::RunOptions() {
    bool confirmed = false;
    Guarded([&] { confirmed = ShowOptions(this, store_, dataFolder_); });
    if (!confirmed) return;
    Guarded([&] { model_.ApplyOptions(); });
    ApplyWindowState();
}

void TfrmMain::RunExport() {
    if (model_.Analyzer == nullptr) return;
    const TExportChoice choice = AskExport(this);
    if (choice.Target == otScreen) return;
    TExportProgress progress(this, static_cast<int>(choice.Actions.size()),
                             [this] { ShowGeneralReport(); });
    TExportSession session(&progress);
    session.SetHeading(ExportHeadingOf(model_.OpenReportName, *model_.Analyzer));
    try {
        session.RunExport(choice.Actions, choice.Target, choice.FileName, *model_.Analyzer,
                          {model_.Settings.ExcludeSearshFromRef, model_.Settings.LastDaysToShow});
    } catch (const EExportCancelled&) {
        SetStatus("Export cancelled");
    } catch (const std::exception& error) {
        ShowError(this, error.what());
    }
}

void TfrmMain::ShowGeneralReport() {
    QTreeWidgetItem* general = TreeItem("actGeneral");
    if (general == nullptr) return;
    if (tree_->currentItem() != general) {
        tree_->setCurrentItem(general);
    } else {
        RunTreeItem(general);
    }
}

template <typename Work>
void TfrmMain::Guarded(Work work) {
    try {
        work();
    } catch (const std::exception& error) {
        ShowError(this, error.what());
    }
}

void TfrmMain::closeEvent(QCloseEvent* event) {
    Guarded([&] { model_.Close(); });
    event->accept();
}

}  // namespace vestrel::gui
