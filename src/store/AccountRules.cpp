#include "AccountRules.h"

#include "QsExceptions.h"
#include "clsFile.h"

namespace {
constexpr char16_t kApostropheStandIn = u'\u2019'; // right single quotation mark
constexpr char16_t kNumberSignStandIn = u'\uFF03'; // fullwidth number sign

bool isLineBreakOrNul(QChar c) {
    return c == u'\r' || c == u'\n' || c.isNull();
}
} // namespace

bool IsNotesReservedChar(QChar c) {
    return c == u'\'' || c == u'#';
}

bool FieldAccepts(int field, QChar c) {
    if (c.isNull())
        return false;
    if (KyvnIsNotesField(field))
        return !IsNotesReservedChar(c);
    return !isLineBreakOrNul(c);
}

QString WithoutRefused(int field, const QString& text) {
    QString clean = text;
    clean.removeIf([field](QChar c) { return !FieldAccepts(field, c); });
    return clean;
}

QString TrimField(const QString& text) {
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text.at(first).unicode() <= 32)
        ++first;
    while (last > first && text.at(last - 1).unicode() <= 32)
        --last;
    return text.mid(first, last - first);
}

QString NotesLineBreaks(QString text) {
    if (!text.contains(u'\r') && !text.contains(u'\n'))
        return text;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(u'\r', u'\n');
    return text.replace(QLatin1String("\n"), QLatin1String("\r\n"));
}

int FieldTypingLimit(int field) {
    switch (field) {
    case kfAccountName:
        return 50;
    case kfLogin:
    case kfPassword:
        return 100;
    case kfNotes:
        return 255;
    default:
        return 0;
    }
}

QString FieldProblem(int field, const QString& value) {
    const QString caption = KyvnFieldCaption(field);
    for (QChar c : value) {
        if (FieldAccepts(field, c))
            continue;
        if (KyvnIsNotesField(field) && !c.isNull())
            return QStringLiteral("%1 cannot hold ' or #.").arg(caption);
        return KyvnIsNotesField(field) ? QStringLiteral("%1 cannot hold a NUL character.").arg(caption)
                                       : QStringLiteral("%1 cannot hold a line break or a NUL character.").arg(caption);
    }
    return QString();
}

QString MakeStorable(int field, const QString& value, bool* changed) {
    bool differs = false;
    QString out;
    if (KyvnIsNotesField(field)) {
        const QString broken = NotesLineBreaks(value);
        out.reserve(broken.size());
        for (QChar c : broken) {
            if (c == u'\'')
                out += QChar(kApostropheStandIn);
            else if (c == u'#')
                out += QChar(kNumberSignStandIn);
            else if (!c.isNull()) {
                out += c;
                continue;
            }
            differs = true;
        }
    } else {
        out.reserve(value.size());
        for (qsizetype i = 0; i < value.size(); ++i) {
            const QChar c = value.at(i);
            if (c.isNull()) {
                differs = true;
            } else if (c == u'\r' || c == u'\n') {
                // CR LF is one line break and one space.
                if (c == u'\r' && i + 1 < value.size() && value.at(i + 1) == u'\n')
                    ++i;
                out += u' ';
                differs = true;
            } else {
                out += c;
            }
        }
    }
    if (changed)
        *changed = differs;
    return out;
}

int MakeAccountStorable(TKYVNAccount& account) {
    QString* fields[] = {&account.AccountName, &account.Login, &account.Password,
                         &account.Email,       &account.Web,   &account.Notes};
    int count = 0;
    for (int f = kfAccountName; f <= kfNotes; ++f) {
        bool changed = false;
        QString storable = MakeStorable(f, *fields[f], &changed);
        if (changed) {
            *fields[f] = std::move(storable);
            ++count;
        }
    }
    return count;
}

void CheckAccountFields(const TKYVNAccount& account) {
    if (account.AccountName.isEmpty())
        throw EQsException(QStringLiteral("The account name is empty."), QString(), 2);
    const QString* fields[] = {&account.AccountName, &account.Login, &account.Password,
                               &account.Email,       &account.Web,   &account.Notes};
    for (int f = kfAccountName; f <= kfNotes; ++f)
        if (QString problem = FieldProblem(f, *fields[f]); !problem.isEmpty())
            throw EQsException(problem, QString(), 2);
}

bool AccountNameInUse(const TKYVNFile* file, const QString& name) {
    return file && file->FindAccount(name) != nullptr;
}

EQsException NameInUseError(const QString& name) {
    return EQsException(QStringLiteral("There is already an account named '%1'.").arg(name),
                        QStringLiteral("Please provide a different name for this account."), 2);
}

QString FreeAccountName(const QString& name, const std::function<bool(const QString&)>& inUse) {
    if (!inUse(name))
        return name;
    for (int n = 2;; ++n) {
        QString candidate = QStringLiteral("%1 (%2)").arg(name).arg(n);
        if (!inUse(candidate))
            return candidate;
    }
}
