// What the main window needs from start-up and the preferences, in one place.
#pragma once

#include <QString>

class TKYVNMain;

int MainStartMode(); // 0 none, 1 new file (/N), 2 open StartFile (/F:)
QString MainStartFile();
bool MainAutoOpenLastFile();
bool MainMinimizeAtStartup();
bool MainCloseMinimizes();
// Font face and colours of the accounts list from the preferences.
void MainApplyListPreferences(TKYVNMain& window);
void MainShowHelp(TKYVNMain& window);
