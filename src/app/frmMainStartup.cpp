#include "frmMainStartup.h"

#include "QsAnswers.h"
#include "QsHelpUtils.h"
#include "frmMain.h"
#include "frmPassword.h"
#include "uColors.h"
#include "uMain.h"
#include "uOptions.h"

#include <QColor>
#include <QFile>
#include <QPalette>
#include <QTreeView>

int MainStartMode() {
    return StartMode;
}
QString MainStartFile() {
    return StartFile;
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
    pal.setColor(QPalette::Text,
                 Options->DefaultColors ? system.color(QPalette::Text) : ColorFromValue(Options->TextColor, system));
    pal.setColor(QPalette::Base,
                 Options->DefaultColors ? system.color(QPalette::Base) : ColorFromValue(Options->BackColor, system));
    window.lvAccounts->setPalette(pal);
}

void MainShowHelp(TKYVNMain& window) {
    Q_UNUSED(window);
    ShowHelp(0);
}

void MainLoadTestAnswers() {
    // "question=answer" lines; each answer is queued as a text
    const QString spec = qEnvironmentVariable("KEYVANE_TEST_ANSWERS");
    for (const QString& line : spec.split(u'\n', Qt::SkipEmptyParts)) {
        const qsizetype eq = line.indexOf(u'=');
        if (eq > 0)
            QsAnswers::Push(line.left(eq), line.mid(eq + 1));
    }
}

void MainWriteTestState(const TKYVNMain& window) {
    const QString path = qEnvironmentVariable("KEYVANE_TEST_STATE");
    if (path.isEmpty())
        return;
    QStringList lines{window.windowTitle(), window.ShownHeadings().join(u'\t')};
    for (int row = 0; row < window.RowCount(); ++row) {
        QStringList cells;
        for (int c = 0; c < window.ShownHeadings().size(); ++c)
            cells << window.CellText(row, c);
        lines << cells.join(u'\t');
    }
    QFile f(path + QStringLiteral(".part"));
    if (f.open(QIODevice::WriteOnly)) {
        f.write((lines.join(u'\n') + u'\n').toUtf8());
        f.close();
        QFile::remove(path);
        f.rename(path);
    }
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

const TKYVNOptions& MainOptions() {
    static const TKYVNOptions defaults;
    return Options ? *Options : defaults;
}
