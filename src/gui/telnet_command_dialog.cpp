#include "gui/telnet_command_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QVBoxLayout>

#include "gui/dialog_buttons.h"
#include "gui/qt_text.h"

namespace vestrel::gui {

TfrmTelnetCommand::TfrmTelnetCommand(const TTelnetLine& line, QWidget* parent) : QDialog(parent) {
    setObjectName("frmTelnetCommand");
    setWindowTitle("Telnet Command");
    prompt_ = new QLineEdit(ToQString(line.Prompt), this);
    prompt_->setObjectName("edtPrompt");
    command_ = new QLineEdit(ToQString(line.Command), this);
    command_->setObjectName("edtCommand");
    prompt_->setMinimumWidth(fontMetrics().averageCharWidth() * 40);
    auto* fields = new QFormLayout;
    fields->addRow("&Prompt", prompt_);
    fields->addRow("C&ommand", command_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addSpacing(layout->spacing() * 2);
    layout->addStretch();
    layout->addWidget(NewDialogButtons(*this, "TelnetCommands"));
    layout->setSizeConstraint(QLayout::SetMinimumSize);
}

TTelnetLine TfrmTelnetCommand::Line() const {
    return {FromQString(prompt_->text()), FromQString(command_->text())};
}

bool EditTelnetCommand(QWidget* parent, TTelnetLine& line) {
    TfrmTelnetCommand dialog(line, parent);
    if (dialog.exec() != QDialog::Accepted) return false;
    line = dialog.Line();
    return true;
}

}  // namespace vestrel::gui
