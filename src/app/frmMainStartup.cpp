#include "frmMainStartup.h"

#include "frmMain.h"

int MainStartMode() {
    return 0;
}
QString MainStartFile() {
    return {};
}
bool MainAutoOpenLastFile() {
    return false;
}
bool MainMinimizeAtStartup() {
    return false;
}
bool MainCloseMinimizes() {
    return false;
}
void MainApplyListPreferences(TKYVNMain& window) {
    Q_UNUSED(window);
}
void MainShowHelp(TKYVNMain& window) {
    Q_UNUSED(window);
}
