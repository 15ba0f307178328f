// What the main window needs from start-up, the preferences and the password dialog, in one place.
#pragma once

#include <QString>

class QWidget;
class TKYVNMain;

int MainStartMode(); // 0 none, 1 new file (/N), 2 open StartFile (/F:)
QString MainStartFile();
// The preferences, with their defaults while none are loaded.
bool MainAutoOpenLastFile();
bool MainMinimizeAtStartup();
bool MainCloseMinimizes();
// Font face and colours of the accounts list from the preferences.
void MainApplyListPreferences(TKYVNMain& window);
void MainShowHelp(TKYVNMain& window);

class TKYVNFile;
// The password question of an open file, checked by the store.
bool MainAskFilePassword(QWidget* owner, const TKYVNFile& file);
bool MainAskUnprotectPassword(QWidget* owner, const TKYVNFile& file);
// Reads file (its FileName set) with the password the user gives: a protected file is opened by each
// try, an older one read first and then checked. False when the user gives up or the tries run out; a
// refused header raises before anything is asked.
bool MainUnlockFile(QWidget* owner, TKYVNFile& file);
// A new file's password: a protected file's rules.
bool MainNewFilePassword(QWidget* owner, const QString& fileName, QString& password);
bool MainChangeFilePassword(QWidget* owner, const TKYVNFile& file, QString& password);

// Scripted runs of the real program: KEYVANE_TEST_ANSWERS holds "question=answer" lines queued as answers,
// and KEYVANE_TEST_STATE names a file that receives the caption, the headings and the rows once the
// first show is done. Neither is read unless set.
void MainLoadTestAnswers();
void MainWriteTestState(const TKYVNMain& window);

// The preferences object, or one with the defaults while none is loaded.
class TKYVNOptions;
const TKYVNOptions& MainOptions();
// A stored number of seconds as a timer period: negative gives 0 (never ticks), too large the largest.
int MainPeriodMs(qint32 seconds);
