#include "gui/select_report_dialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "engine/errors.h"
#include "engine/locale_info.h"
#include "gui/help_window.h"
#include "gui/message_boxes.h"
#include "gui/qt_text.h"
#include "shell/settings_file.h"

namespace vestrel::gui {

TfrmSelectReport::TfrmSelectReport(TDM1& store, const std::string& dataFolder, QWidget* parent)
    : QDialog(parent),
      settings_(SettingsFileName(dataFolder)),
      selection_(store, settings_, TLocaleInfo::Iso()) {
    setObjectName("frmSelectReport");
    setWindowTitle("Select Report");
    list_ = new QTreeWidget(this);
    list_->setObjectName("lvReports");
    list_->setRootIsDecorated(false);
    list_->setAlternatingRowColors(true);
    list_->setHeaderLabels({"Name", "Domain", "File size", "From - To Date"});
    list_->header()->setStretchLastSection(true);
    auto* buttons = new QDialogButtonBox(
        QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help, this);
    ok_ = buttons->button(QDialogButtonBox::Ok);
    ok_->setObjectName("btnOK");
    connect(buttons, &QDialogButtonBox::accepted, this, &TfrmSelectReport::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TfrmSelectReport::reject);
    connect(buttons, &QDialogButtonBox::helpRequested, this,
            [this] { ShowHelpTopic(this, "SelectReport"); });
    connect(list_, &QTreeWidget::currentItemChanged, this, [this] {
        selection_.Select(list_->currentIndex().row());
        ok_->setEnabled(selection_.CommandsEnabled());
    });
    connect(list_, &QTreeWidget::itemDoubleClicked, this, &TfrmSelectReport::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_);
    layout->addWidget(buttons);
    resize(720, 360);
    selection_.Open();
    FillList();
}

void TfrmSelectReport::FillList() {
    list_->clear();
    for (const TReportListEntry& entry : selection_.Entries()) {
        auto* item = new QTreeWidgetItem(list_);
        item->setText(0, ToQString(entry.Name));
        item->setText(1, ToQString(entry.Domain));
        item->setText(2, ToQString(entry.FileSize));
        item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
        item->setText(3, ToQString(entry.DateRange));
    }
    for (int col = 0; col < 3; ++col) list_->resizeColumnToContents(col);
    const int selected = selection_.Selected();
    if (selected >= 0) list_->setCurrentItem(list_->topLevelItem(selected));
    ok_->setEnabled(selection_.CommandsEnabled());
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

bool SelectReport(QWidget* parent, TDM1& store, const std::string& dataFolder,
                  TLogFileDataParam& files) {
    TfrmSelectReport dialog(store, dataFolder, parent);
    if (dialog.exec() != QDialog::Accepted) return false;
    files = dialog.Files();
    return true;
}

}  // namespace vestrel::gui
