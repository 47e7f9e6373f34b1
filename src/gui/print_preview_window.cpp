#include "gui/print_preview_window.h"

#include <QAction>
#include <QComboBox>
#include <QEvent>
#include <QGraphicsView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPrintPreviewWidget>
#include <QScrollBar>
#include <QToolBar>

#include "gui/grid_printer.h"
#include "gui/print_commands.h"
#include "gui/theme_icons.h"

namespace vestrel::gui {

namespace {

const char* const kWholePage = "Hela sidan";
const char* const kPageWidth = "Bredd";
const char* const kZoomSteps[] = {"25 %", "50 %", "100 %", "150 %", "200 %", "300 %"};

}  // namespace

TfrmPrintPreview::TfrmPrintPreview(QPrinter& printer, std::unique_ptr<TGridPrinter> report,
                                   QWidget* parent)
    : QMainWindow(parent, Qt::Window),
      printer_(printer),
      report_(std::move(report)),
      preview_(new QPrintPreviewWidget(&printer_, this)) {
    setObjectName("frmPrintPreview");
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle("Granska utskrift");
    preview_->setObjectName("Preview");
    setCentralWidget(preview_);
    connect(preview_, &QPrintPreviewWidget::paintRequested, this,
            [this](QPrinter* target) { report_->Print(*target); });
    connect(preview_, &QPrintPreviewWidget::previewChanged, this,
            &TfrmPrintPreview::UpdatePageLabel);
    CreateCommands();
    CreateToolBar();
    CreateMenu();
    preview_->setZoomFactor(1);
    preview_->updatePreview();
    GoToPage(1);
    ShowZoom();
}

TfrmPrintPreview::~TfrmPrintPreview() = default;

QAction* TfrmPrintPreview::AddCommand(const char* name, const QString& caption, const char* icon) {
    auto* action = new QAction(ThemeIcon(icon), caption, this);
    action->setObjectName(name);
    action->setToolTip(QString(caption).remove('&').remove("..."));
    addAction(action);
    return action;
}

void TfrmPrintPreview::CreateCommands() {
    connect(AddCommand("actClose", "St&äng", "window-close"), &QAction::triggered, this,
            &QWidget::close);
    connect(AddCommand("actWholePage", kWholePage, "zoom-fit-best"), &QAction::triggered, this,
            [this] { ApplyZoomText(kWholePage); });
    connect(AddCommand("actPageWidth", kPageWidth, "view-fullscreen"), &QAction::triggered, this,
            [this] { ApplyZoomText(kPageWidth); });
    connect(AddCommand("actPrint", "&Skriv ut", "document-print"), &QAction::triggered, this,
            &TfrmPrintPreview::Print);
    connect(AddCommand("actPrinterSetup", "S&krivarinställning...", "document-page-setup"),
            &QAction::triggered, this, &TfrmPrintPreview::SetUp);
    QAction* first = AddCommand("actFirstPage", "Första sidan", "go-first");
    first->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_PageUp), QKeySequence(Qt::Key_Home)});
    connect(first, &QAction::triggered, this, [this] { GoToPage(1); });
    QAction* previous = AddCommand("actPreviousPage", "Föregående sida", "go-previous");
    previous->setShortcut(Qt::Key_PageUp);
    connect(previous, &QAction::triggered, this, [this] { GoToPage(CurrentPage() - 1); });
    QAction* next = AddCommand("actNextPage", "Nästa sida", "go-next");
    next->setShortcut(Qt::Key_PageDown);
    connect(next, &QAction::triggered, this, [this] { GoToPage(CurrentPage() + 1); });
    QAction* last = AddCommand("actLastPage", "Sista sidan", "go-last");
    last->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_PageDown), QKeySequence(Qt::Key_End)});
    connect(last, &QAction::triggered, this, [this] { GoToPage(PageCount()); });
    // The page keys move between pages wherever the focus is in the window.
    for (QAction* action : actions()) action->setShortcutContext(Qt::WindowShortcut);
}

void TfrmPrintPreview::CreateToolBar() {
    QToolBar* bar = addToolBar("Verktyg");
    bar->setObjectName("tbPreview");
    bar->setMovable(false);
    auto command = [this](const char* name) { return findChild<QAction*>(name); };
    bar->addActions({command("actClose"), command("actWholePage"), command("actPageWidth")});
    zoomList_ = new QComboBox(bar);
    zoomList_->setObjectName("cbZoom");
    zoomList_->setEditable(true);
    zoomList_->setInsertPolicy(QComboBox::NoInsert);
    for (const char* step : kZoomSteps) zoomList_->addItem(step);
    zoomList_->addItems({kWholePage, kPageWidth});
    zoomList_->setMinimumContentsLength(10);
    connect(zoomList_, &QComboBox::textActivated, this, &TfrmPrintPreview::ApplyZoomText);
    bar->addWidget(zoomList_);
    bar->addSeparator();
    bar->addActions({command("actPrint"), command("actPrinterSetup")});
    bar->addSeparator();
    bar->addActions({command("actFirstPage"), command("actPreviousPage"), command("actNextPage"),
                     command("actLastPage")});
    pageLabel_ = new QLabel(bar);
    pageLabel_->setObjectName("lblPage");
    pageLabel_->setContentsMargins(8, 0, 8, 0);
    bar->addWidget(pageLabel_);
}

void TfrmPrintPreview::CreateMenu() {
    QMenu* file = menuBar()->addMenu("&Arkiv");
    file->addActions({findChild<QAction*>("actPrint"), findChild<QAction*>("actPrinterSetup")});
    file->addSeparator();
    file->addAction(findChild<QAction*>("actClose"));
}

int TfrmPrintPreview::CurrentPage() const {
    return preview_->currentPage();
}

int TfrmPrintPreview::PageCount() const {
    return preview_->pageCount();
}

void TfrmPrintPreview::GoToPage(int page) {
    preview_->setCurrentPage(std::clamp(page, 1, std::max(PageCount(), 1)));
    UpdatePageLabel();
}

void TfrmPrintPreview::ApplyZoomText(const QString& text) {
    if (text == kWholePage) {
        preview_->fitInView();
    } else if (text == kPageWidth) {
        preview_->fitToWidth();
    } else {
        bool number = false;
        const double percent = QString(text).remove('%').trimmed().toDouble(&number);
        if (number && percent > 0) preview_->setZoomFactor(std::clamp(percent, 5.0, 1000.0) / 100);
    }
    ShowPageTop();
    ShowZoom();
}

// A new zoom shows the current page from its top, as moving to a page does.
void TfrmPrintPreview::ShowPageTop() {
    auto* view = preview_->findChild<QGraphicsView*>();
    if (view == nullptr || PageCount() == 0) return;
    QScrollBar* bar = view->verticalScrollBar();
    const double perPage = static_cast<double>(bar->maximum() + bar->pageStep()) / PageCount();
    bar->setValue(qRound((CurrentPage() - 1) * perPage));
}

void TfrmPrintPreview::ShowZoom() {
    zoomList_->setEditText(QString("%1 %").arg(qRound(preview_->zoomFactor() * 100)));
}

void TfrmPrintPreview::UpdatePageLabel() {
    pageLabel_->setText(QString("Sida %1 av %2").arg(CurrentPage()).arg(PageCount()));
}

void TfrmPrintPreview::Print() {
    PrintNow(this, printer_, *report_);
}

void TfrmPrintPreview::SetUp() {
    if (SetUpPrinter(this, printer_)) preview_->updatePreview();
}

void TfrmPrintPreview::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) ShowZoom();
}

}  // namespace vestrel::gui
