#include "frmMainStartup.h"

#include "QsAnswers.h"
#include "QsHelpUtils.h"
#include "clsFile.h"
#include "frmMain.h"
#include "frmPassword.h"
#include "uColors.h"
#include "uMain.h"
#include "uOptions.h"

#include <QApplication>
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

namespace {
TPasswordCheck storeCheck(const TKYVNFile& file) {
    return [&file](const QString& typed) { return file.CheckPassword(typed); };
}
} // namespace

bool MainAskFilePassword(QWidget*, const TKYVNFile& file) {
    return AskFilePassword(storeCheck(file), file.FileName, file.IsProtected());
}
bool MainAskUnprotectPassword(QWidget*, const TKYVNFile& file) {
    return AskUnprotectPassword(storeCheck(file), file.IsProtected());
}
bool MainUnlockFile(QWidget*, TKYVNFile& file) {
    if (file.Examine() == TKYVNFileForm::Protected)
        return OpenFilePassword([&file](const QString& typed) { return file.LoadWithPassword(typed); }, file.FileName);
    {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        struct TRestore {
            ~TRestore() { QApplication::restoreOverrideCursor(); }
        } restore;
        file.Load();
    }
    return AskFilePassword(storeCheck(file), file.FileName, false);
}
bool MainNewFilePassword(QWidget*, const QString& fileName, QString& password) {
    return NewFilePassword(fileName, password, true);
}
bool MainChangeFilePassword(QWidget*, const TKYVNFile& file, QString& password) {
    return ChangeFilePassword(storeCheck(file), file.FileName, password, file.IsProtected());
}

const TKYVNOptions& MainOptions() {
    static const TKYVNOptions defaults;
    return Options ? *Options : defaults;
}
