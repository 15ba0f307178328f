// How accounts are written out: as text lines and as JSON, the same field names and date form for every
// command.
#pragma once

#include "clsAccount.h"

#include <QJsonObject>
#include <QList>

// The value of a field as printed: dates as YYYY-MM-DD, line breaks of the notes as LF.
QString CliFieldText(const TKYVNAccount& account, int field);
// "name", "login", "password", "email", "web", "notes", "protected", "created", "modified".
QString CliJsonKey(int field);
// The fields as one object; the protected flag as a boolean.
QJsonObject CliAccountJson(const TKYVNAccount& account, const QList<int>& fields);
// A field named by its caption or by its JSON key (letters a to z folded), or a usage error.
int CliFieldOf(const QString& name);
// One JSON document on standard output, UTF-8.
void CliOutJson(const QJsonValue& value);
