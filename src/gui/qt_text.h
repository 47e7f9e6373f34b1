// Texts and dates between the program's values and Qt's. Log texts are bytes: valid UTF-8 is shown
// as it is, any other byte is read as Windows-1252. Dates are day counts since 1899-12-30.
#pragma once

#include <QDate>
#include <QString>
#include <string>
#include <string_view>

namespace vestrel::gui {

QString ToQString(std::string_view text);
std::string FromQString(const QString& text);

// Day 0 of the program's day counts.
inline const QDate kDayZero(1899, 12, 30);
QDate DateOfDay(double day);
double DayOfDate(const QDate& date);
// A date layout of the locale ("yyyy-mm-dd") in Qt's letters, where M is the month.
QString QtDateFormat(std::string layout);

}  // namespace vestrel::gui
