#include "clsAccount.h"

#include "QsExceptions.h"
#include "QsStrUtils.h"

#include <array>

namespace {
const std::array<QString, KyvnFieldCount>& captions() {
    static const std::array<QString, KyvnFieldCount> table = {
        QStringLiteral("Account Name"), QStringLiteral("Login"),   QStringLiteral("Password"),
        QStringLiteral("Email"),        QStringLiteral("Web"),     QStringLiteral("Notes"),
        QStringLiteral("Protected"),    QStringLiteral("Created"), QStringLiteral("Modified")};
    return table;
}

inline char16_t foldAscii(char16_t c) {
    return (c >= u'a' && c <= u'z') ? char16_t(c - 32) : c;
}

// A decimal integer as the date reader takes it: an optional sign and digits, nothing else.
int dateInteger(const QString& part) {
    bool ok = false;
    const int value = part.toInt(&ok, 10);
    if (!ok || part.trimmed() != part)
        throw EQsException(QStringLiteral("'%1' is not a valid integer value").arg(part));
    return value;
}
} // namespace

QDate KyvnDayZero() {
    return QDate(1899, 12, 30);
}

QString KyvnFieldCaption(int field) {
    return (field >= 0 && field < KyvnFieldCount) ? captions()[size_t(field)] : QString();
}

int KyvnFieldOfCaption(QStringView caption) {
    for (int i = 0; i < KyvnFieldCount; ++i)
        if (KyvnSameText(caption, captions()[size_t(i)]))
            return i;
    return -1;
}

bool KyvnSameText(QStringView a, QStringView b) {
    if (a.size() != b.size())
        return false;
    const char16_t* pa = a.utf16();
    const char16_t* pb = b.utf16();
    for (qsizetype i = 0; i < a.size(); ++i)
        if (pa[i] != pb[i] && foldAscii(pa[i]) != foldAscii(pb[i]))
            return false;
    return true;
}

QString BoolToText(bool value) {
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

bool TextToBool(const QString& text) {
    return text == QLatin1String("True");
}

QString DateToText(const QDate& date) {
    const QDate d = date.isValid() ? date : KyvnDayZero();
    return QStringLiteral("%1%2%3")
        .arg(d.day(), 2, 10, QLatin1Char('0'))
        .arg(d.month(), 2, 10, QLatin1Char('0'))
        .arg(d.year(), 4, 10, QLatin1Char('0'));
}

QDate TextToDate(const QString& text) {
    const int day = dateInteger(text.mid(0, 2));
    const int month = dateInteger(text.mid(2, 2));
    const int year = dateInteger(text.mid(4, 4));
    const QDate date(year, month, day);
    if (year < 1 || year > 9999 || !date.isValid())
        throw EQsException(QStringLiteral("Invalid argument to date encode"));
    return date;
}

QString ReplaceChar(QString text, QChar from, QChar to) {
    return text.replace(from, to);
}

QString StripReserved(QString text) {
    text.remove(QLatin1Char('\''));
    text.remove(QLatin1Char('#'));
    return text;
}

bool HasReservedChars(QStringView text) {
    return text.contains(QLatin1Char('\'')) || text.contains(QLatin1Char('#'));
}

QString GetAccountField(const TKYVNAccount& account, const QString& caption) {
    switch (KyvnFieldOfCaption(caption)) {
    case kfAccountName:
        return account.AccountName;
    case kfLogin:
        return account.Login;
    case kfPassword:
        return account.Password;
    case kfEmail:
        return account.Email;
    case kfWeb:
        return account.Web;
    case kfNotes:
        return account.Notes;
    case kfProtected:
        return BoolToText(account.Protected);
    case kfCreated:
        return ShortDateText(account.Created);
    case kfModified:
        return ShortDateText(account.Modified);
    default:
        return QString();
    }
}
