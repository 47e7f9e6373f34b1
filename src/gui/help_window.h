// The help: short HTML pages shipped in the program's "help" folder, one per topic, shown in a
// help window that stays open beside the program.
#pragma once

#include <string>
#include <string_view>

class QWidget;

namespace vestrel::gui {

// The folder holding the help pages, with a trailing "/".
std::string HelpFolder();
// Shows the page of the topic ("GettingStarted", "FilterLogFiles", ...), or the contents page
// when there is none for it.
void ShowHelpTopic(QWidget* parent, std::string_view keyword);

}  // namespace vestrel::gui
