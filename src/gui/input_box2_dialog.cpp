#include "gui/input_box2_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/help_window.h"
#include "gui/qt_text.h"

namespace vestrel::gui {

namespace {

QLineEdit* NewEdit(QWidget* parent, const char* name, const std::string& text) {
    auto* edit = new QLineEdit(ToQString(text), parent);
    edit->setObjectName(name);
    edit->setMinimumWidth(320);
    return edit;
}

}  // namespace

TfrmInputBox2::TfrmInputBox2(const std::string& caption, const std::string& label1,
                             const std::string& label2, const std::string& text1,
                             const std::string& text2, std::string_view helpTopic, QWidget* parent)
    : QDialog(parent),
      edit1_(NewEdit(this, "edtText1", text1)),
      edit2_(NewEdit(this, "edtText2", text2)) {
    setObjectName("frmInputBox2");
    setWindowTitle(ToQString(caption));
    auto* fields = new QFormLayout;
    fields->setRowWrapPolicy(QFormLayout::WrapAllRows);
    fields->addRow(ToQString(label1), edit1_);
    fields->addRow(ToQString(label2), edit2_);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton("&OK", QDialogButtonBox::AcceptRole);
    ok->setObjectName("btnOK");
    ok->setDefault(true);
    buttons->addButton("&Cancel", QDialogButtonBox::RejectRole)->setObjectName("btnCancel");
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    if (!helpTopic.empty()) {
        buttons->addButton("&Help", QDialogButtonBox::HelpRole)->setObjectName("btnHelp");
        const std::string topic(helpTopic);
        connect(buttons, &QDialogButtonBox::helpRequested, this,
                [this, topic] { ShowHelpTopic(this, topic); });
    }

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addStretch();
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetMinimumSize);
    edit1_->setFocus();
}

bool AskTwoTexts(QWidget* parent, const std::string& caption, const std::string& label1,
                 const std::string& label2, std::string& text1, std::string& text2,
                 std::string_view helpTopic) {
    TfrmInputBox2 dialog(caption, label1, label2, text1, text2, helpTopic, parent);
    if (dialog.exec() != QDialog::Accepted) return false;
    text1 = FromQString(dialog.Edit1()->text());
    text2 = FromQString(dialog.Edit2()->text());
    return true;
}

}  // namespace vestrel::gui
