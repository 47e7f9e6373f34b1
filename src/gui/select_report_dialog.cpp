#include "gui/select_report_dialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "engine/errors.h"
#include "engine/locale_info.h"
#include "gui/dialog_buttons.h"
#include "gui/message_boxes.h"
#include "gui/qt_text.h"
#include "gui/report_settings_dialog.h"
#include "shell/settings_file.h"

namespace vestrel::gui {

namespace {

// The picture of an entry's local files as a theme icon.
QIcon PictureIcon(const TReportListEntry& entry) {
    if (!entry.Problem.empty()) return QIcon::fromTheme("dialog-error");
    switch (entry.Picture) {
        case kPlainFilesPicture:
            return QIcon::fromTheme("text-x-generic");
        case kCompressedFilesPicture:
            return QIcon::fromTheme("package-x-generic");
        case kNoFilesPicture:
            return QIcon::fromTheme("dialog-warning");
        default:
            return QIcon::fromTheme("dialog-question");
    }
}

}  // namespace

TfrmSelectReport::TfrmSelectReport(TDM1& store, const std::string& dataFolder, QWidget* parent)
    : QDialog(parent),
      store_(store),
      settings_(SettingsFileName(dataFolder)),
      selection_(store, settings_, TLocaleInfo::Iso()) {
    setObjectName("frmSelectReport");
    setWindowTitle("Select Report");
    list_ = new QTreeWidget(this);
    list_->setObjectName("lvReports");
    list_->setRootIsDecorated(false);
    list_->setAlternatingRowColors(true);
    list_->setHeaderLabels({"Report Name", "Domain", "File size", "From - To Date"});
    list_->headerItem()->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
    list_->header()->setStretchLastSection(true);
    list_->setMinimumSize(fontMetrics().averageCharWidth() * 90, fontMetrics().height() * 14);
    auto* create = NewCommandButton(this, "&New...", "btnNew");
    edit_ = NewCommandButton(this, "&Edit...", "btnEdit");
    copy_ = NewCommandButton(this, "&Copy", "btnCopy");
    delete_ = NewCommandButton(this, "&Delete", "btnDelete");
    auto* commands = new QVBoxLayout;
    for (QPushButton* button : {create, edit_, copy_, delete_}) commands->addWidget(button);
    commands->addStretch();
    auto* row = new QHBoxLayout;
    row->addWidget(list_, 1);
    row->addLayout(commands);
    QDialogButtonBox* buttons = NewDialogButtons(*this, "SelectReport");
    ok_ = buttons->findChild<QPushButton*>("btnOK");
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row, 1);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetMinimumSize);

    connect(create, &QPushButton::clicked, this, &TfrmSelectReport::NewReport);
    connect(edit_, &QPushButton::clicked, this, &TfrmSelectReport::EditReport);
    connect(copy_, &QPushButton::clicked, this, &TfrmSelectReport::CopyReport);
    connect(delete_, &QPushButton::clicked, this, &TfrmSelectReport::DeleteReport);
    connect(list_, &QTreeWidget::itemSelectionChanged, this, [this] {
        const QList<QTreeWidgetItem*> selected = list_->selectedItems();
        selection_.Select(selected.isEmpty() ? -1 : list_->indexOfTopLevelItem(selected[0]));
        EnableCommands();
    });
    connect(list_, &QTreeWidget::itemDoubleClicked, this, &TfrmSelectReport::accept);
    Guarded([&] { selection_.Open(); });
    ShowEntries();
    list_->setFocus();
}

void TfrmSelectReport::ShowEntries() {
    const int selected = selection_.Selected();
    {
        const QSignalBlocker blocker(list_);
        list_->clear();
        for (const TReportListEntry& entry : selection_.Entries()) {
            auto* item = new QTreeWidgetItem(list_);
            item->setIcon(0, PictureIcon(entry));
            item->setText(0, ToQString(entry.Name));
            item->setText(1, ToQString(entry.Domain));
            item->setText(2, ToQString(entry.FileSize));
            item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
            item->setText(3, ToQString(entry.DateRange));
            if (!entry.Problem.empty()) item->setToolTip(3, ToQString(entry.Problem));
        }
        for (int col = 0; col < 3; ++col) list_->resizeColumnToContents(col);
        if (QTreeWidgetItem* item = list_->topLevelItem(selected)) {
            list_->setCurrentItem(item);
            list_->scrollToItem(item);
        }
    }
    EnableCommands();
}

void TfrmSelectReport::EnableCommands() {
    const bool enabled = selection_.CommandsEnabled();
    for (QPushButton* button : {ok_, edit_, copy_, delete_}) button->setEnabled(enabled);
}

void TfrmSelectReport::NewReport() {
    if (gui::EditReport(this, store_, true)) {
        Guarded([&] { selection_.FillReportList(); });
        ShowEntries();
    }
    list_->setFocus();
}

// After a rename the entry at the noted position may be another report.
void TfrmSelectReport::EditReport() {
    const int position = selection_.Selected();
    bool found = false;
    Guarded([&] { found = selection_.FindSelected(); });
    if (!found || !gui::EditReport(this, store_, false)) return;
    Guarded([&] { selection_.FillReportList(); });
    selection_.Select(position);
    ShowEntries();
}

void TfrmSelectReport::CopyReport() {
    Guarded([&] { selection_.CopySelected(); });
    ShowEntries();
}

void TfrmSelectReport::DeleteReport() {
    if (!selection_.CommandsEnabled() || !AskQuestion(this, selection_.DeleteQuestion())) return;
    Guarded([&] { selection_.DeleteSelected(); });
    ShowEntries();
}

void TfrmSelectReport::accept() {
    if (!selection_.CommandsEnabled()) return;
    try {
        files_ = selection_.Confirm();
    } catch (const EVestrelError& error) {
        ShowError(this, error.what());
        return;
    }
    QDialog::accept();
}

template <typename Work>
void TfrmSelectReport::Guarded(Work work) {
    try {
        work();
    } catch (const EVestrelError& error) {
        ShowError(this, error.what());
    }
}

bool SelectReport(QWidget* parent, TDM1& store, const std::string& dataFolder,
                  TLogFileDataParam& files) {
    TfrmSelectReport dialog(store, dataFolder, parent);
    if (dialog.exec() != QDialog::Accepted) return false;
    files = dialog.Files();
    return true;
}

}  // namespace vestrel::gui
