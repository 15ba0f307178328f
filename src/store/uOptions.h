// The user's preferences, one instance for the whole run (`Options`), kept under ProductKey\Options.
#pragma once

#include "QsRegUtils.h"

#include <QString>
#include <QtGlobal>

class TKYVNOptions {
public:
    bool CloseMinimizes = true;
    bool SaveWindow = true;
    bool SaveList = true;
    bool AutoStart = true; // the XDG autostart entry exists; never stored under "Options"
    bool TrayIcon = true;
    bool MinimizeAtStartup = false;
    bool AutoOpenLastFile = true;
    bool SimpleReport = true;
    bool AutoMinimizeAfter = false;
    qint32 AutoMinimizeAfterNSecs = 60;
    bool ClearClipboard = true;
    qint32 ClearClipboardAfterNSecs = 30;
    bool TrayPassword = false;
    bool MinimizeOnLock = true; // minimise into the tray when the desktop locks the screen
    bool PrintPassword = false;
    bool ExportPassword = false;
    bool DisplayPassword = true;
    qint32 PasswordLength = 20;
    bool BackupFiles = true;
    QString FontName = QStringLiteral("Tahoma");
    bool DefaultColors = true;
    qint32 TextColor = 0;        // red in the lowest byte, then green, then blue
    qint32 BackColor = 16777215; // white
    // The password health lists the accounts left unchanged for longer than this.
    qint32 OldPasswordDays = 365;

    // Reads every stored field, each keeping its current value when the store has none of its type;
    // AutoStart follows the autostart entry.
    void Load();
    // Writes every field but AutoStart (23 values).
    void Save() const;

    // Where the preferences live: AppInfo's root and ProductKey + "\Options" (the standard place when
    // there is no application record, as in the command-line tool and tests).
    static TQsRegRoot Root();
    static QString Key();
};

// Made and loaded by start-up, saved and released by shutdown; null outside that span.
extern TKYVNOptions* Options;
