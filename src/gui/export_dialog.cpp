#include "gui/export_dialog.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStyledItemDelegate>
#include <QToolButton>
#include <QVBoxLayout>

#include "engine/errors.h"
#include "gui/help_window.h"
#include "gui/message_boxes.h"
#include "gui/progress_window.h"
#include "gui/qt_text.h"

namespace vestrel::gui {

namespace {

constexpr int kHeadingRole = Qt::UserRole + 1;
const QColor kHeadingBackground(255, 169, 128);
const QColor kOddBackground(223, 255, 255);
const QColor kSelectedBackground(0, 0, 128);  // navy

// Group headings start at the left edge, their members are indented.
class TExportEntryDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const bool selected = option.state.testFlag(QStyle::State_Selected);
        painter->fillRect(option.rect, selected ? QBrush(kSelectedBackground)
                                                : index.data(Qt::BackgroundRole).value<QBrush>());
        QStyleOptionViewItem shifted = option;
        shifted.rect.adjust(index.data(kHeadingRole).toBool() ? 1 : 10, 0, 0, 0);
        QStyledItemDelegate::paint(painter, shifted, index);
    }
};

QToolButton* NewSmallButton(QWidget* parent, const char* text, const char* name, const char* hint) {
    auto* button = new QToolButton(parent);
    button->setText(text);
    button->setObjectName(name);
    button->setToolTip(hint);
    return button;
}

}  // namespace

QStringList ExportNameFilters() {
    const QStringList parts = ToQString(kExportFileTypes).split('|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString text = parts[i];
        const qsizetype open = text.lastIndexOf(" (");
        filters << (open < 0 ? text : text.left(open)) + " (" + parts[i + 1] + ")";
    }
    return filters;
}

TfrmExport::TfrmExport(QWidget* parent) : QDialog(parent) {
    setObjectName("frmExport");
    setWindowTitle("Export");
    list_ = new QListWidget(this);
    list_->setObjectName("clbReports");
    list_->setItemDelegate(new TExportEntryDelegate(list_));
    list_->setUniformItemSizes(true);
    QPalette palette = list_->palette();
    palette.setColor(QPalette::Highlight, kSelectedBackground);
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::Base, Qt::white);
    palette.setColor(QPalette::Text, Qt::black);
    list_->setPalette(palette);
    auto* caption = new QLabel("Select reports to export", this);
    caption->setBuddy(list_);

    QToolButton* checkAll = NewSmallButton(this, "+", "btnCheckAll", "Check every entry");
    QToolButton* clearAll = NewSmallButton(this, "-", "btnClearAll", "Clear every entry");
    QToolButton* invert = NewSmallButton(this, "x", "btnInvert", "Invert the checks");
    connect(checkAll, &QToolButton::clicked, this, [this] {
        checks_.SetAllChecked(true);
        ShowChecks();
    });
    connect(clearAll, &QToolButton::clicked, this, [this] {
        checks_.SetAllChecked(false);
        ShowChecks();
    });
    connect(invert, &QToolButton::clicked, this, [this] {
        checks_.InvertChecks();
        ShowChecks();
    });
    connect(list_, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
        if (showingChecks_) return;
        checks_.SetChecked(static_cast<size_t>(list_->row(item)),
                           item->checkState() == Qt::Checked);
        ShowChecks();
    });

    file_ = new QLineEdit(this);
    file_->setObjectName("edtFile");
    file_->setMinimumWidth(300);
    auto* fileLabel = new QLabel("File:", this);
    fileLabel->setBuddy(file_);
    QToolButton* browse = NewSmallButton(this, "...", "btnBrowse", "Choose the file and its type");
    connect(browse, &QToolButton::clicked, this, &TfrmExport::ChooseFile);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* exportButton = buttons->addButton("&Export", QDialogButtonBox::AcceptRole);
    exportButton->setObjectName("btnExport");
    exportButton->setDefault(true);
    buttons->addButton("&Close", QDialogButtonBox::RejectRole)->setObjectName("btnClose");
    buttons->addButton("&Help", QDialogButtonBox::HelpRole)->setObjectName("btnHelp");
    connect(buttons, &QDialogButtonBox::accepted, this, &TfrmExport::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttons, &QDialogButtonBox::helpRequested, this,
            [this] { ShowHelpTopic(this, "ExportReports"); });

    auto* heading = new QHBoxLayout;
    heading->addWidget(caption, 1);
    heading->addWidget(checkAll);
    heading->addWidget(clearAll);
    heading->addWidget(invert);
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(fileLabel);
    fileRow->addWidget(file_, 1);
    fileRow->addWidget(browse);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(heading);
    layout->addWidget(list_, 1);
    layout->addLayout(fileRow);
    layout->addWidget(buttons);
    setTabOrder(list_, file_);
    setTabOrder(file_, browse);
    resize(420, 640);
    FillList();
}

void TfrmExport::FillList() {
    showingChecks_ = true;
    for (size_t i = 0; i < checks_.Entries().size(); ++i) {
        const TExportEntry& entry = checks_.Entries()[i];
        auto* item = new QListWidgetItem(ToQString(entry.Text), list_);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setData(kHeadingRole, entry.IsGroupHeading());
        QFont font = item->font();
        font.setBold(entry.IsGroupHeading());
        item->setFont(font);
        item->setBackground(entry.IsGroupHeading() ? kHeadingBackground
                            : i % 2 == 1           ? kOddBackground
                                                   : QColor(Qt::white));
    }
    ShowChecks();
}

void TfrmExport::ShowChecks() {
    showingChecks_ = true;
    for (size_t i = 0; i < checks_.Entries().size(); ++i)
        list_->item(static_cast<int>(i))
            ->setCheckState(checks_.Entries()[i].Checked ? Qt::Checked : Qt::Unchecked);
    showingChecks_ = false;
}

void TfrmExport::ChooseFile() {
    const QStringList filters = ExportNameFilters();
    QFileDialog dialog(this, "Export");
    dialog.setObjectName("dlgExportFile");
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // The question goes through the program's own message boxes.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setNameFilters(filters);
    dialog.selectNameFilter(filters.value(fileType_ - 1));
    if (!file_->text().trimmed().isEmpty()) dialog.selectFile(file_->text());
    while (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
        const QString name = dialog.selectedFiles().first();
        if (QFileInfo::exists(name) &&
            !AskQuestion(this, FromQString("\"" + name + "\" already exists. Replace it?")))
            continue;
        file_->setText(name);
        fileType_ = static_cast<int>(filters.indexOf(dialog.selectedNameFilter())) + 1;
        if (fileType_ < otHtmlFile) fileType_ = otHtmlFile;
        return;
    }
}

void TfrmExport::accept() {
    try {
        choice_ = AcceptExportChoice(checks_, FromQString(file_->text()), fileType_);
    } catch (const EVestrelError& error) {
        ShowError(this, error.what());
        file_->setFocus();
        return;
    }
    QDialog::accept();
}

TExportChoice AskExport(QWidget* parent) {
    TfrmExport dialog(parent);
    if (dialog.exec() != QDialog::Accepted) return {};
    return dialog.Choice();
}

// ---- Progress ----

TExportProgress::TExportProgress(QWidget* parent, int statistics, std::function<void()> showGeneral)
    : window_(new TfrmProgress(parent)), showGeneral_(std::move(showGeneral)) {
    window_->setWindowTitle("Export");
    window_->SetMaximum(statistics);
    window_->SetText("Exporting...");
    window_->setWindowModality(Qt::ApplicationModal);
    QObject::connect(window_, &TfrmProgress::CancelRequested, [this] { cancelled_ = true; });
    window_->show();
    ProcessPendingEvents();
}

TExportProgress::~TExportProgress() {
    window_->Finish();
    delete window_;
}

void TExportProgress::SetStatusText(const std::string& text) {
    if (text.empty()) return;
    window_->SetText(ToQString(text).simplified());
    window_->SetPosition(++done_);
}

void TExportProgress::ProcessPendingEvents() {
    QApplication::processEvents();
}

void TExportProgress::ShowGeneralReport() {
    window_->Finish();
    if (showGeneral_) showGeneral_();
}

bool TExportProgress::CancelRequested() {
    ProcessPendingEvents();
    return cancelled_;
}

}  // namespace vestrel::gui
