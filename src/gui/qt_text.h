// Texts between the program's bytes and Qt's strings. Log texts are bytes: valid UTF-8 is shown as
// it is, any other byte is read as Windows-1252.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace vestrel::gui {

QString ToQString(std::string_view text);
std::string FromQString(const QString& text);

}  // namespace vestrel::gui
