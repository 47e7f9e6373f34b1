// The button row every dialog ends with: "&OK" (the default, so Enter confirms), "&Cancel" (also
// Escape) and "&Help", which opens the topic the dialog names at that moment.
#pragma once

#include <functional>
#include <string>

class QDialog;
class QDialogButtonBox;

namespace vestrel::gui {

QDialogButtonBox* NewDialogButtons(QDialog& dialog, std::function<std::string()> helpTopic);
QDialogButtonBox* NewDialogButtons(QDialog& dialog, const char* helpTopic);

}  // namespace vestrel::gui
