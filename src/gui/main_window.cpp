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
#include <QMimeData>
#include <QSplitter>
#include <QStatusBar>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

#include "gui/about_dialog.h"
#include "gui/export_dialog.h"
#include "gui/help_window.h"
#include "gui/log_filter_dialog.h"
#include "gui/message_boxes.h"
#include "gui/options_dialog.h"
#include "gui/progress_window.h"
#include "gui/qt_text.h"
#include "gui/report_pages.h"
#include "gui/select_report_dialog.h"
#include "gui/targets_dialog.h"
#include "output/clipboard_render.h"

namespace vestrel::gui {

namespace {

constexpr int kActionRole = Qt::UserRole + 1;

const TReportAction* ActionOf(const QTreeWidgetItem* item) {
    if (item == nullptr) return nullptr;
    return reinterpret_cast<const TReportAction*>(item->data(0, kActionRole).value<quintptr>());
}

// The desktop theme's icon, its monochrome "-symbolic" form first, so the tool bar looks alike
// in every theme that has them.
QIcon ThemeIcon(const char* name) {
    if (name == nullptr) return {};
    const QString plain = QString::fromLatin1(name);
    const QString symbolic = plain + "-symbolic";
    return QIcon::hasThemeIcon(symbolic) ? QIcon::fromTheme(symbolic) : QIcon::fromTheme(plain);
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
    // The dialogs and windows of these commands are not part of this window yet.
    for (const char* name :
         {"actReportSettings", "actDNSLookup", "actPrint", "actPrintPreview", "actPrinterSetup",
          "actBuildSiteTreeMenu", "actDNSLookupAtCursor", "act3DGraph"})
        Command(name)->setEnabled(false);

    connect(Command("actSelectReport"), &QAction::triggered, this, [this] { OpenReport(""); });
    connect(Command("actExit"), &QAction::triggered, this, &QWidget::close);
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
    connect(Command("actHelp"), &QAction::triggered, this,
            [this] { ShowHelpTopic(this, "GettingStarted"); });
    connect(Command("actAbout"), &QAction::triggered, this, [this] { ShowAboutBox(this); });
    connect(Command("actShowTargets"), &QAction::triggered, this, &TfrmMain::ShowTargetsAtRow);
    connect(Command("actOpenLink"), &QAction::triggered, this, &TfrmMain::OpenLinkAtRow);
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

    pages_ = new TReportPages(model_.Grid, this);
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
    splitter_->setSizes({250, 850});
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
    Guarded([&] { opened = model_.OpenReport(name); });
    RebuildTree();
    ApplyWindowState();
    return opened;
}

bool TfrmMain::SelectReport(TDM1& store, TLogFileDataParam& files) {
    return gui::SelectReport(this, store, dataFolder_, files);
}

void TfrmMain::SetCaption(const std::string& caption) {
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
    const TReportAction* action = ActionOf(item);
    if (buildingTree_ || action == nullptr) return;
    const TLogDataWidths widths = pages_->LogGridWidths();
    Guarded([&] { model_.RunTreeAction(*action, {}, widths); });
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
    Command("actExport")->setEnabled(model_.Analyzer != nullptr);
    // The graph page is not part of this window yet.
    Command("actViewGraph")->setEnabled(false);
    TReportView shown = window.Views.Shown;
    if (shown == TReportView::Graph) shown = TReportView::List;
    if (window.LogGridShown && model_.Analyzer != nullptr) {
        pages_->ShowLogGrid(model_.Analyzer.get(), model_.Settings.LogDataWidths);
    } else {
        pages_->ShowReportTable();
    }
    ShowView(shown);
    if (!window.StatusText.empty()) SetStatus(window.StatusText);
    model_.Window.StatusText.clear();
    UpdateRowCommands(-1);
}

void TfrmMain::ShowView(TReportView view) {
    model_.Window.Views.Shown = view;
    Command(view == TReportView::Html    ? "actViewHtml"
            : view == TReportView::Graph ? "actViewGraph"
                                         : "actViewList")
        ->setChecked(true);
    pages_->ShowView(view);
}

void TfrmMain::UpdateRowCommands(int gridRow) {
    selectedRow_ = gridRow;
    const TRowCommands commands = model_.RowCommands(pages_->LogGridShown() ? -1 : gridRow);
    Command("actShowTargets")->setEnabled(commands.ShowTargets);
    Command("actOpenLink")->setEnabled(commands.OpenLink && gridRow > 0);
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

void TfrmMain::CopyGrid() {
    Guarded([&] {
        const TClipboardCopy copy = CopyToClipboard(model_.Grid);
        auto* data = new QMimeData;
        data->setData("text/rtf", QByteArray::fromStdString(copy.Rtf));
        data->setData("application/x-sylk", QByteArray::fromStdString(copy.Sylk));
        data->setText(ToQString(copy.Text));
        QApplication::clipboard()->setMimeData(data);
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
