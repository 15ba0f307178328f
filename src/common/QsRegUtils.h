// A registry-like settings store: roots, "\"-separated key paths, string and 32-bit integer values.
// Every operation swallows every failure; reads then give the default.
#pragma once

#include <QString>
#include <QStringList>

enum class TQsRegRoot { ClassesRoot, CurrentUser, LocalMachine };

QString ReadRegString(TQsRegRoot root, const QString& key, const QString& name, const QString& def);
bool ReadRegBool(TQsRegRoot root, const QString& key, const QString& name, bool def);
qint32 ReadRegInteger(TQsRegRoot root, const QString& key, const QString& name, qint32 def);
QStringList ReadRegValueNames(TQsRegRoot root, const QString& key, const QString& subkey, const QStringList& def);

void WriteRegString(TQsRegRoot root, const QString& key, const QString& name, const QString& value);
void WriteRegBool(TQsRegRoot root, const QString& key, const QString& name, bool value);
void WriteRegInteger(TQsRegRoot root, const QString& key, const QString& name, qint32 value);
void WriteRegValueNames(TQsRegRoot root, const QString& key, const QString& subkey, const QStringList& names);

bool RegValueExists(TQsRegRoot root, const QString& key, const QString& name);
void DeleteRegValue(TQsRegRoot root, const QString& key, const QString& name);
void DeleteRegValues(TQsRegRoot root, const QString& key);

// The database file that holds the store ($XDG_CONFIG_HOME/Tessivo/settings.db).
QString QsRegDatabasePath();
// Ends every wait for a database locked by another process, now and from now on: the operation gives
// up as if the wait had run out. Safe in a signal handler, so that a termination request is not held up.
void QsRegAbandonWaits();
// Closes the store's connection; the next operation opens it again (also after the path changed).
void QsRegClose();
