// "Start with the system": the XDG autostart entry $XDG_CONFIG_HOME/autostart/KYVN.desktop.
// Failures are swallowed like those of the settings store; AutoStartEntryExists then tells the truth.
#pragma once

#include <QString>

// The entry's file; its existence is the preference.
QString AutoStartEntryPath();
bool AutoStartEntryExists();
// Writes (or rewrites) the entry so that the desktop starts exePath at log-on.
void WriteAutoStartEntry(const QString& exePath);
void DeleteAutoStartEntry();

// exePath as one argument of a desktop entry's Exec key, quoted and escaped for the file.
QString AutoStartExecValue(const QString& exePath);
