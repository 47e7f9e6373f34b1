// The buttons of the dialogs. The row every dialog ends with: "&OK" (the default, so Enter
// confirms), "&Cancel" (also Escape) and "&Help", which opens the topic the dialog names at that
// moment.
#pragma once

#include <functional>
#include <string>

class QDialog;
class QDialogButtonBox;
class QPushButton;
class QWidget;

namespace vestrel::gui {

QDialogButtonBox* NewDialogButtons(QDialog& dialog, std::function<std::string()> helpTopic);
QDialogButtonBox* NewDialogButtons(QDialog& dialog, const char* helpTopic);

// A command button beside a list; Enter still confirms the dialog while it has the focus.
QPushButton* NewCommandButton(QWidget* parent, const char* caption, const char* name);

}  // namespace vestrel::gui
