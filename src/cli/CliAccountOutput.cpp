#include "CliAccountOutput.h"

#include "CliCommand.h"
#include "CliTerminal.h"

#include <QJsonArray>
#include <QJsonDocument>

QString CliFieldText(const TKYVNAccount& a, int field) {
    switch (field) {
    case kfCreated:
        return a.Created.toString(Qt::ISODate);
    case kfModified:
        return a.Modified.toString(Qt::ISODate);
    case kfNotes:
        return QString(a.Notes).replace(QLatin1String("\r\n"), QLatin1String("\n"));
    default:
        return GetAccountField(a, KyvnFieldCaption(field));
    }
}

QString CliJsonKey(int field) {
    static const char* const keys[KyvnFieldCount] = {"name",  "login",     "password", "email",   "web",
                                                     "notes", "protected", "created",  "modified"};
    return QLatin1String(keys[field]);
}

QJsonObject CliAccountJson(const TKYVNAccount& account, const QList<int>& fields) {
    QJsonObject object;
    for (int f : fields) {
        if (f == kfProtected)
            object.insert(CliJsonKey(f), account.Protected);
        else
            object.insert(CliJsonKey(f), CliFieldText(account, f));
    }
    return object;
}

int CliFieldOf(const QString& name) {
    int field = KyvnFieldOfCaption(name);
    for (int f = 0; f < KyvnFieldCount && field < 0; ++f)
        if (KyvnSameText(name, CliJsonKey(f)))
            field = f;
    if (field < 0)
        throw CliUsageError(QStringLiteral("Unknown field '%1'.").arg(name));
    return field;
}

void CliOutJson(const QJsonValue& value) {
    const QJsonDocument document = value.isArray() ? QJsonDocument(value.toArray()) : QJsonDocument(value.toObject());
    CliOutBytes(document.toJson(QJsonDocument::Indented));
}
