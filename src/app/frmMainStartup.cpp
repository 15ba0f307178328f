#include "frmMainStartup.h"

#include "frmMain.h"
#include "frmPassword.h"
#include "uOptions.h"

#include <QColor>
#include <QPalette>
#include <QTreeView>

int MainStartMode() {
    return 0;
}
QString MainStartFile() {
    return {};
}

bool MainAutoOpenLastFile() {
    return Options ? Options->AutoOpenLastFile : TKYVNOptions().AutoOpenLastFile;
}
bool MainMinimizeAtStartup() {
    return Options ? Options->MinimizeAtStartup : TKYVNOptions().MinimizeAtStartup;
}
bool MainCloseMinimizes() {
    return Options ? Options->CloseMinimizes : TKYVNOptions().CloseMinimizes;
}

void MainApplyListPreferences(TKYVNMain& window) {
    if (!Options || !window.lvAccounts)
        return;
    QFont font = window.lvAccounts->font();
    font.setFamily(Options->FontName);
    window.lvAccounts->setFont(font);
    QPalette pal = window.lvAccounts->palette();
    const QPalette system = QPalette();
    auto rgb = [](qint32 c) { return QColor(c & 0xff, (c >> 8) & 0xff, (c >> 16) & 0xff); };
    pal.setColor(QPalette::Text, Options->DefaultColors ? system.color(QPalette::Text) : rgb(Options->TextColor));
    pal.setColor(QPalette::Base, Options->DefaultColors ? system.color(QPalette::Base) : rgb(Options->BackColor));
    window.lvAccounts->setPalette(pal);
}

void MainShowHelp(TKYVNMain& window) {
    Q_UNUSED(window);
}

bool MainAskFilePassword(QWidget*, const QString& password, const QString& fileName) {
    return AskFilePassword(password, fileName);
}
bool MainNewFilePassword(QWidget*, const QString& fileName, QString& password) {
    return NewFilePassword(fileName, password);
}
bool MainChangeFilePassword(QWidget*, const QString& current, const QString& fileName, QString& password) {
    return ChangeFilePassword(current, fileName, password);
}
