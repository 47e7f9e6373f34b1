#include "gui/dialog_buttons.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>

#include "gui/help_window.h"

namespace vestrel::gui {

QDialogButtonBox* NewDialogButtons(QDialog& dialog, std::function<std::string()> helpTopic) {
    auto* buttons = new QDialogButtonBox(&dialog);
    QPushButton* ok = buttons->addButton("&OK", QDialogButtonBox::AcceptRole);
    ok->setObjectName("btnOK");
    ok->setDefault(true);
    buttons->addButton("&Cancel", QDialogButtonBox::RejectRole)->setObjectName("btnCancel");
    buttons->addButton("&Help", QDialogButtonBox::HelpRole)->setObjectName("btnHelp");
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    QObject::connect(buttons, &QDialogButtonBox::helpRequested, &dialog,
                     [&dialog, helpTopic] { ShowHelpTopic(&dialog, helpTopic()); });
    return buttons;
}

QDialogButtonBox* NewDialogButtons(QDialog& dialog, const char* helpTopic) {
    return NewDialogButtons(dialog, [helpTopic] { return std::string(helpTopic); });
}

QPushButton* NewCommandButton(QWidget* parent, const char* caption, const char* name) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

}  // namespace vestrel::gui
