// The help: short HTML pages shipped in the program's "help" folder, one per topic, shown in a
// help window that stays open beside the program.
#pragma once

#include <string>
#include <string_view>

class QWidget;

namespace vestrel::gui {

// The folder holding the help pages, with a trailing "/": the "help" folder beside the
// executable when it holds "index.html", else the installed "../share/vestrel/help/" next to it.
std::string HelpFolder();
// Same, for an executable in `executableFolder` (with a trailing "/").
std::string HelpFolder(const std::string& executableFolder);
// Shows the page of the topic ("GettingStarted", "FilterLogFiles", ...), or the contents page
// when there is none for it. The one help window is not modal: it stays open beside `parent`'s
// window (so a modal dialog does not block it) and moves on to the next window that asks for
// help; when that window is a dialog that closes, the help stays with the dialog's owner.
void ShowHelpTopic(QWidget* parent, std::string_view keyword);
// The shared help window; null before the first topic is shown and after the window it belonged
// to has gone.
QWidget* HelpWindow();

}  // namespace vestrel::gui
