// Small text helpers for display: cutting, digit grouping and the user's date and time formats.
#pragma once

#include <QChar>
#include <QDate>
#include <QDateTime>
#include <QString>

// The first count characters, or the whole text when it is shorter (a negative count gives "").
QString LeftText(const QString& text, int count);

// Puts separator between every group of three characters counted from the right: "1234567" -> "1,234,567".
QString GroupDigits(const QString& digits, QChar separator);

// The date in the user's short date format; an invalid date gives "".
QString ShortDateText(const QDate& date);
QString ShortDateText(const QDateTime& dateTime);

// The short date, a blank and the time in the user's long time format; "" when the value is invalid.
QString DateTimeText(const QDateTime& dateTime);
