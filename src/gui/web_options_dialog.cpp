#include "gui/web_options_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QVBoxLayout>

#include "engine/errors.h"
#include "gui/dialog_buttons.h"
#include "gui/message_boxes.h"
#include "gui/qt_text.h"

namespace vestrel::gui {

TfrmWebOptions::TfrmWebOptions(TReportSettingsModel& settings, QWidget* parent)
    : QDialog(parent), settings_(settings) {
    setObjectName("frmWebOptions");
    setWindowTitle("WEB Options");
    user_ = new QLineEdit(ToQString(settings_.Logins().WEBUsername), this);
    user_->setObjectName("edtUserName");
    user_->setMaxLength(ReportFieldSize("WEBUsername"));
    user_->setMinimumWidth(fontMetrics().averageCharWidth() * 32);
    password_ = new QLineEdit(ToQString(settings_.Logins().WEBPassword), this);
    password_->setObjectName("edtPassword");
    password_->setMaxLength(ReportFieldSize("WEBPassword"));
    auto* fields = new QFormLayout;
    fields->addRow("&Username", user_);
    fields->addRow("&Password", password_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addSpacing(layout->spacing() * 2);
    layout->addStretch();
    layout->addWidget(NewDialogButtons(*this, "ReportSettingsWEBFiles"));
    layout->setSizeConstraint(QLayout::SetMinimumSize);
}

void TfrmWebOptions::accept() {
    try {
        settings_.SetWebLogin(FromQString(user_->text()), FromQString(password_->text()));
    } catch (const EVestrelError& error) {
        ShowError(this, error.what());
        return;
    }
    QDialog::accept();
}

}  // namespace vestrel::gui
