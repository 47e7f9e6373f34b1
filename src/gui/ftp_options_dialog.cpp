#include "gui/ftp_options_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QVBoxLayout>

#include "engine/errors.h"
#include "gui/dialog_buttons.h"
#include "gui/message_boxes.h"
#include "gui/qt_text.h"

namespace vestrel::gui {

namespace {

QLineEdit* NewField(QWidget* parent, const char* name, const std::string& text, int size) {
    auto* field = new QLineEdit(ToQString(text), parent);
    field->setObjectName(name);
    field->setMaxLength(size);
    return field;
}

}  // namespace

TfrmFTPOptions::TfrmFTPOptions(TReportSettingsModel& settings, QWidget* parent)
    : QDialog(parent), settings_(settings) {
    setObjectName("frmFTPOptions");
    setWindowTitle("FTP Options");
    const TReportRecord& logins = settings_.Logins();
    site_ = NewField(this, "edtFTPSite", logins.FTPSite, ReportFieldSize("FTPSite"));
    user_ = NewField(this, "edtUserName", logins.FTPUserName, ReportFieldSize("FTPUserName"));
    password_ = NewField(this, "edtPassword", logins.FTPPassword, ReportFieldSize("FTPPassword"));
    site_->setMinimumWidth(fontMetrics().averageCharWidth() * 40);
    auto* fields = new QFormLayout;
    fields->addRow("FTP &Site Name", site_);
    fields->addRow("&Username", user_);
    fields->addRow("&Password", password_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addSpacing(layout->spacing() * 2);
    layout->addStretch();
    layout->addWidget(NewDialogButtons(*this, "FTPOptions"));
    layout->setSizeConstraint(QLayout::SetMinimumSize);
}

void TfrmFTPOptions::accept() {
    try {
        settings_.SetFtpLogin(FromQString(site_->text()), FromQString(user_->text()),
                              FromQString(password_->text()));
    } catch (const EVestrelError& error) {
        ShowError(this, error.what());
        return;
    }
    QDialog::accept();
}

}  // namespace vestrel::gui
