// Icons of the desktop's theme, by freedesktop icon names.
#pragma once

#include <QIcon>
#include <initializer_list>

namespace vestrel::gui {

// The first of the names the theme has, each in its monochrome "-symbolic" form first, so the
// tool bars look alike in every theme that has them. Null or no name gives no icon.
QIcon ThemeIcon(const char* name);
QIcon ThemeIcon(std::initializer_list<const char*> names);

}  // namespace vestrel::gui
