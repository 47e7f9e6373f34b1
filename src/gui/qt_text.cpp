#include "gui/qt_text.h"

#include <algorithm>

#include "engine/text_encoding.h"

namespace vestrel::gui {

QString ToQString(std::string_view text) {
    if (IsValidUtf8(text))
        return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    const std::string utf8 = DisplayUtf8(text);
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string FromQString(const QString& text) {
    return text.toStdString();
}

QDate DateOfDay(double day) {
    return kDayZero.addDays(static_cast<qint64>(day));
}

double DayOfDate(const QDate& date) {
    return static_cast<double>(kDayZero.daysTo(date));
}

QString QtDateFormat(std::string layout) {
    std::replace(layout.begin(), layout.end(), 'm', 'M');
    return ToQString(layout);
}

}  // namespace vestrel::gui
