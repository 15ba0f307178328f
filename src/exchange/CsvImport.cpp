#include "CsvImport.h"

#include "AccountRules.h"
#include "QsExceptions.h"
#include "clsFile.h"

#include <QDateTime>
#include <QFile>
#include <QLocale>
#include <QSet>
#include <QUrl>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

QString* textField(TKYVNAccount& a, int field) {
    switch (field) {
    case kfAccountName:
        return &a.AccountName;
    case kfLogin:
        return &a.Login;
    case kfPassword:
        return &a.Password;
    case kfEmail:
        return &a.Email;
    case kfWeb:
        return &a.Web;
    case kfNotes:
        return &a.Notes;
    default:
        return nullptr;
    }
}

bool isTrue(const QString& value) {
    const QString v = value.trimmed();
    return v == QLatin1String("1") || v.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0 ||
           v.compare(QLatin1String("yes"), Qt::CaseInsensitive) == 0;
}

QString hostOf(const QString& web) {
    const QString w = web.trimmed();
    if (w.isEmpty())
        return {};
    QUrl url(w, QUrl::TolerantMode);
    if (url.host().isEmpty())
        url = QUrl(QStringLiteral("https://") + w, QUrl::TolerantMode);
    return url.host();
}

QString timeText(const QString& value) {
    const QDate date = ImportDate(value);
    if (!date.isValid())
        return value;
    bool digits = false;
    const qint64 n = value.trimmed().toLongLong(&digits);
    if (digits && value.trimmed().size() >= 12)
        return QDateTime::fromMSecsSinceEpoch(n).toString(QStringLiteral("yyyy-MM-dd HH:mm"));
    return date.toString(Qt::ISODate);
}

// Two-digit years: the century that puts the date nearest to today.
QDate nearestCentury(QDate date) {
    if (!date.isValid())
        return date;
    const int today = QDate::currentDate().year();
    while (date.year() < today - 50)
        date = date.addYears(100);
    while (date.year() > today + 50)
        date = date.addYears(-100);
    return date;
}

QString noteLine(const QString& caption, const QString& value) {
    return caption + QStringLiteral(": ") + value;
}

} // namespace

int TImportRow::ChangedCount() const {
    int n = (Changed & NameMadeUp) ? 1 : 0;
    for (int f = kfAccountName; f <= kfNotes; ++f)
        if (FieldChanged(f) && !(f == kfAccountName && (Changed & NameMadeUp)))
            ++n;
    return n;
}

QString ImportChangeReason(const TImportRow& row, int field) {
    if (field == kfAccountName && (row.Changed & TImportRow::NameMadeUp))
        return QStringLiteral("The file gives no name: it is made from the web address, login or e-mail address.");
    if (!row.FieldChanged(field))
        return {};
    if (field == kfNotes)
        return QStringLiteral("The notes cannot hold ' and #: they became \u2019 and \uFF03 (a NUL was removed).");
    return QStringLiteral("This field holds one line: each line break became a space (a NUL was removed).");
}

QDate ImportDate(const QString& text) {
    const QString t = text.trimmed();
    if (t.isEmpty())
        return {};
    bool digits = false;
    const qint64 n = t.toLongLong(&digits);
    if (digits && t.size() == 8) {
        const QDate d(t.mid(4, 4).toInt(), t.mid(2, 2).toInt(), t.left(2).toInt());
        if (d.isValid())
            return d;
    }
    if (digits && t.size() >= 12)
        return QDateTime::fromMSecsSinceEpoch(n).date();
    if (digits && t.size() >= 9)
        return QDateTime::fromSecsSinceEpoch(n).date();
    if (QDateTime dt = QDateTime::fromString(t, Qt::ISODate); dt.isValid())
        return dt.toLocalTime().date();
    if (QDate d = QDate::fromString(t, Qt::ISODate); d.isValid())
        return d;
    const QLocale locale = QLocale::system();
    for (QLocale::FormatType type : {QLocale::ShortFormat, QLocale::LongFormat}) {
        const QString format = locale.dateFormat(type);
        // A four-digit year where the format has two (an export written under another setting).
        if (format.contains(QLatin1String("yy")) && !format.contains(QLatin1String("yyyy"))) {
            QString wide = format;
            wide.replace(QLatin1String("yy"), QLatin1String("yyyy"));
            if (QDate d = locale.toDate(t, wide); d.isValid())
                return d;
            if (QDate d = locale.toDate(t, format); d.isValid())
                return nearestCentury(d);
        } else if (QDate d = locale.toDate(t, format); d.isValid()) {
            return d;
        }
    }
    return {};
}

std::vector<TImportRow> MapCsvRows(const TCsvTable& table, const TImportMapping& mapping, bool nameFromWeb,
                                   const QDate& today, const std::function<void(int)>& beforeRow) {
    std::vector<TImportRow> rows;
    rows.reserve(size_t(table.Rows.size()));
    QStringList notes;
    for (qsizetype r = 0; r < table.Rows.size(); ++r) {
        if (beforeRow)
            beforeRow(int(r));
        const QStringList& values = table.Rows[r];
        TImportRow row;
        row.Line = table.RowLines.value(r);
        TKYVNAccount& a = row.Account;
        a.Created = a.Modified = QDate();
        notes.clear();
        for (qsizetype c = 0; c < values.size() && c < mapping.size(); ++c) {
            const TColumnTarget& target = mapping[c];
            const QString& value = values[c];
            if (target.Target == TColumnTarget::LeaveOut || value.isEmpty())
                continue;
            if (QString* field = textField(a, target.Target)) {
                if (field->isEmpty())
                    *field = value;
                else if (target.Target == kfNotes)
                    *field += QStringLiteral("\r\n") + value;
                else // a second column for the same one-line field
                    notes.append(noteLine(target.Caption, value));
            } else if (target.Target == kfProtected) {
                a.Protected = a.Protected || isTrue(value);
            } else if (target.Target == kfCreated || target.Target == kfModified) {
                QDate& date = target.Target == kfCreated ? a.Created : a.Modified;
                const QDate read = ImportDate(value);
                if (read.isValid())
                    date = read;
                else
                    notes.append(noteLine(target.Caption, value));
            } else if (target.Quiet.isEmpty() || value.trimmed().compare(target.Quiet, Qt::CaseInsensitive) != 0) {
                notes.append(noteLine(target.Caption, target.Time ? timeText(value) : value));
            }
        }
        if (!notes.isEmpty())
            a.Notes += (a.Notes.isEmpty() ? QString() : QStringLiteral("\r\n")) + notes.join(QStringLiteral("\r\n"));
        if (!a.Created.isValid())
            a.Created = a.Modified.isValid() ? a.Modified : today;
        if (!a.Modified.isValid())
            a.Modified = a.Created.isValid() ? a.Created : today;
        QString* fields[] = {&a.AccountName, &a.Login, &a.Password, &a.Email, &a.Web, &a.Notes};
        for (int f = kfAccountName; f <= kfNotes; ++f) {
            bool changed = false;
            QString storable = MakeStorable(f, *fields[f], &changed);
            if (changed) {
                *fields[f] = std::move(storable);
                row.Changed |= 1u << f;
            }
        }
        // After the values are storable: a name of NUL characters alone is no name either.
        if (a.AccountName.trimmed().isEmpty()) {
            QString made = hostOf(a.Web);
            if (made.isEmpty())
                made = a.Login.trimmed();
            if (made.isEmpty())
                made = a.Email.trimmed();
            if (made.isEmpty())
                made = QStringLiteral("Unnamed");
            a.AccountName = made;
            // A source without names says so of every row: no change to show there.
            if (!nameFromWeb)
                row.Changed |= TImportRow::NameMadeUp;
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

QList<TRepeatedName> FindRepeatedNames(const std::vector<TImportRow>& rows, const TKYVNFile& open) {
    const TFoldedNameIndex index(open);
    QHash<QString, qsizetype> at;
    QList<TRepeatedName> all;
    for (const TImportRow& row : rows) {
        const QString key = FoldedName(row.Account.AccountName);
        const auto it = at.constFind(key);
        if (it != at.constEnd()) {
            ++all[*it].InFile;
            continue;
        }
        at.insert(key, all.size());
        all.append({row.Account.AccountName, 1, index.Contains(row.Account.AccountName), TRepeatChoice::KeepBoth});
    }
    QList<TRepeatedName> repeated;
    QStringList names;
    for (const TRepeatedName& r : all)
        if (r.InFile > 1 || r.InOpenFile) {
            repeated.append(r);
            names.append(r.Name);
        }
    // In the order a person looks for them.
    QStringList sorted = names;
    SortNamesForDisplay(sorted);
    QList<TRepeatedName> ordered;
    QHash<QString, qsizetype> byName;
    for (qsizetype i = 0; i < repeated.size(); ++i)
        byName.insert(repeated[i].Name, i);
    for (const QString& n : sorted)
        ordered.append(repeated[byName.value(n)]);
    return ordered;
}

bool RepeatChoiceFromText(const QString& text, TRepeatChoice& choice) {
    if (text == QLatin1String("keep-both"))
        choice = TRepeatChoice::KeepBoth;
    else if (text == QLatin1String("replace"))
        choice = TRepeatChoice::Replace;
    else if (text == QLatin1String("skip"))
        choice = TRepeatChoice::Skip;
    else
        return false;
    return true;
}

TCsvImport::TCsvImport(TKYVNFile& open) : open_(open) {}

TCsvImport::~TCsvImport() {
    HandOver();
}

void TCsvImport::Run(std::vector<TImportRow>& rows, const QList<TRepeatedName>& choices,
                     const std::function<void(int)>& beforeRow) {
    QHash<QString, TRepeatChoice> choiceOf;
    for (const TRepeatedName& r : choices)
        choiceOf.insert(FoldedName(r.Name), r.Choice);
    const TFoldedNameIndex openIndex(open_);
    QSet<QString> used; // every folded name the open file will hold, as far as known
    used.reserve(open_.AccountCount() + qsizetype(rows.size()));
    for (const TKYVNAccount* a : open_.Accounts)
        used.insert(FoldedName(a->AccountName));
    incoming_ = std::make_unique<TKYVNFile>();
    QHash<QString, TKYVNAccount*> taken; // the incoming account of each folded name
    QStringList replaceNames;
    added_ = renamed_ = replaced_ = skipped_ = changed_ = 0;
    for (size_t i = 0; i < rows.size(); ++i) {
        if (beforeRow)
            beforeRow(int(i));
        TImportRow& row = rows[i];
        const QString key = FoldedName(row.Account.AccountName);
        const bool inOpen = openIndex.Contains(row.Account.AccountName);
        TKYVNAccount* earlier = taken.value(key);
        if (!inOpen && !earlier) {
            auto* account = new TKYVNAccount(std::move(row.Account));
            incoming_->AddAccount(account);
            taken.insert(key, account);
            used.insert(key);
            changed_ += row.ChangedCount();
            continue;
        }
        switch (choiceOf.value(key, TRepeatChoice::KeepBoth)) {
        case TRepeatChoice::KeepBoth: {
            auto* account = new TKYVNAccount(std::move(row.Account));
            account->AccountName =
                FreeAccountName(account->AccountName, [&](const QString& n) { return used.contains(FoldedName(n)); });
            used.insert(FoldedName(account->AccountName));
            incoming_->AddAccount(account);
            ++renamed_;
            changed_ += row.ChangedCount();
            break;
        }
        case TRepeatChoice::Replace:
            if (earlier) {
                *earlier = std::move(row.Account);
            } else {
                auto* account = new TKYVNAccount(std::move(row.Account));
                incoming_->AddAccount(account);
                taken.insert(key, account);
                replaceNames.append(account->AccountName);
            }
            ++replaced_;
            changed_ += row.ChangedCount();
            break;
        case TRepeatChoice::Skip:
            ++skipped_;
            break;
        }
    }
    // Rows that replace an account of the open file are counted there, not as added.
    merge_ = std::make_unique<TMergeImport>(open_, *incoming_);
    merge_->Run(replaceNames);
    added_ = merge_->Added();
}

void TCsvImport::Undo() {
    if (merge_)
        merge_->Undo();
    merge_.reset();
    added_ = renamed_ = replaced_ = skipped_ = changed_ = 0;
}

void TCsvImport::HandOver() {
    if (merge_)
        merge_->HandOver();
}

QString ImportSummary(const TCsvImport& import, const QString& sourceArticle, const QList<TRepeatedName>& repeated) {
    const int n = import.Imported();
    QString text = QStringLiteral("Imported %1 %2 from %3")
                       .arg(n)
                       .arg(n == 1 ? QStringLiteral("account") : QStringLiteral("accounts"), sourceArticle);
    if (!repeated.isEmpty()) {
        int counts[3] = {0, 0, 0};
        for (const TRepeatedName& r : repeated)
            ++counts[int(r.Choice)];
        const char* words[3] = {"kept both", "replaced", "skipped"};
        QStringList parts;
        for (int c = 0; c < 3; ++c)
            if (counts[c] == repeated.size())
                parts.append(QLatin1String(words[c]));
            else if (counts[c] > 0)
                parts.append(QStringLiteral("%1 %2").arg(counts[c]).arg(QLatin1String(words[c])));
        text += QStringLiteral("; %1 %2 repeated, %3")
                    .arg(repeated.size())
                    .arg(repeated.size() == 1 ? QStringLiteral("name") : QStringLiteral("names"))
                    .arg(parts.join(QStringLiteral(", ")));
    }
    const int changed = import.ChangedValues();
    text += QStringLiteral("; %1 %2 changed")
                .arg(changed)
                .arg(changed == 1 ? QStringLiteral("value") : QStringLiteral("values"));
    return text;
}

void OverwriteAndRemove(const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    // O_NOFOLLOW: a link put in place of the file is removed, never what it points to.
    const int fd = ::open(name.constData(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd >= 0) {
        const off_t size = ::lseek(fd, 0, SEEK_END);
        ::lseek(fd, 0, SEEK_SET);
        const QByteArray zeros(64 * 1024, '\0');
        for (off_t left = size; left > 0;) {
            const ssize_t n = ::write(fd, zeros.constData(), size_t(std::min<off_t>(left, zeros.size())));
            if (n <= 0)
                break;
            left -= n;
        }
        ::fsync(fd);
        ::close(fd);
    }
    if (::unlink(name.constData()) != 0 && QFile::exists(path))
        throw EQsException(QStringLiteral("'%1' could not be deleted.").arg(path),
                           QString::fromLocal8Bit(strerror(errno)), 1);
}

const TImportSource& PickImportSource(const TCsvTable& table, const QString& fromId) {
    if (!fromId.isEmpty()) {
        const TImportSource* source = FindImportSource(fromId);
        if (!source)
            throw EQsException(
                QStringLiteral("Unknown source '%1'. Known sources: %2.").arg(fromId, ImportSourceIds()));
        QStringList missing;
        for (const TSourceColumn& c : source->Columns)
            if (c.Required && !std::any_of(table.Header.begin(), table.Header.end(), [&](const QString& h) {
                    return h.trimmed().compare(QLatin1String(c.Header), Qt::CaseInsensitive) == 0;
                }))
                missing.append(QLatin1String(c.Header));
        if (!missing.isEmpty())
            throw EQsException(QStringLiteral("The file lacks the columns of %1: %2.")
                                   .arg(QLatin1String(source->Article), missing.join(QStringLiteral(", "))));
        return *source;
    }
    if (const TImportSource* source = RecognizeImportSource(table.Header))
        return *source;
    throw EQsException(
        QStringLiteral("The columns of this file (%1) are not those of a known export.")
            .arg(table.Header.join(QStringLiteral(", "))),
        QStringLiteral("Name its source with --from (%1), or map its columns in File > Import Accounts... of "
                       "Keyvane.")
            .arg(ImportSourceIds()));
}

QString ImportCsvRows(TKYVNFile& file, const TCsvTable& table, const TImportSource& source, TRepeatChoice choice) {
    std::vector<TImportRow> rows =
        MapCsvRows(table, SourceMapping(source, table.Header), source.NameFromWeb, QDate::currentDate());
    QList<TRepeatedName> repeated = FindRepeatedNames(rows, file);
    for (TRepeatedName& r : repeated)
        r.Choice = choice;
    TCsvImport import(file);
    try {
        import.Run(rows, repeated);
    } catch (...) {
        import.Undo();
        throw;
    }
    import.HandOver();
    return ImportSummary(import, QLatin1String(source.Article), repeated);
}
