#include "QsStrUtils.h"

#include <QLocale>

QString LeftText(const QString& text, int count) {
    return count <= 0 ? QString() : text.left(count);
}

QString GroupDigits(const QString& digits, QChar separator) {
    QString result;
    const qsizetype n = digits.size();
    result.reserve(n + n / 3);
    for (qsizetype i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0)
            result += separator;
        result += digits.at(i);
    }
    return result;
}

QString ShortDateText(const QDate& date) {
    if (!date.isValid())
        return {};
    return QLocale::system().toString(date, QLocale::ShortFormat);
}

QString ShortDateText(const QDateTime& dateTime) {
    return ShortDateText(dateTime.date());
}

namespace {
// The locale's long time format without the time zone, which a clock time shown to the user does not carry.
QString longTimeFormat() {
    QString format = QLocale::system().timeFormat(QLocale::LongFormat);
    QString result;
    bool quoted = false;
    for (QChar c : format) {
        if (c == u'\'')
            quoted = !quoted;
        if (!quoted && c == u't')
            continue;
        result += c;
    }
    return result.trimmed();
}
} // namespace

QString DateTimeText(const QDateTime& dateTime) {
    if (!dateTime.isValid())
        return {};
    return ShortDateText(dateTime.date()) + u' ' + QLocale::system().toString(dateTime.time(), longTimeFormat());
}
