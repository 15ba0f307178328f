// The exchange commands of the main window: export the open file's accounts, merge a second file in,
// import the CSV export of another program.
#include "frmMain.h"

#include "QsAnswers.h"
#include "QsDialogFolder.h"
#include "QsExceptions.h"
#include "QsMsgFrm.h"
#include "clsFile.h"
#include "frmExport.h"
#include "frmImport.h"
#include "frmMainStartup.h"
#include "frmMerge.h"
#include "uOptions.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <functional>
#include <memory>

namespace {
// The open dialog of the file to merge, through the answer seam ("OpenFile"): "" cancels.
QString askMergeFile(QWidget* owner) {
    const QString title = QStringLiteral("Select File to Merge...");
    QFileDialog dlg(owner, title);
    dlg.setNameFilters({QStringLiteral("Keyvane Files (*.kvf)"), QStringLiteral("All Files (*)")});
    dlg.setAcceptMode(QFileDialog::AcceptOpen);
    dlg.setFileMode(QFileDialog::ExistingFile);
    dlg.setDirectory(QsDialogStartFolder());
    QsAnswers::Record(QStringLiteral("OpenFile"), title);
    QString path;
    if (auto answer = QsAnswers::Take(QStringLiteral("OpenFile"), &dlg))
        path = answer->toString();
    else if (dlg.exec() == QDialog::Accepted && !dlg.selectedFiles().isEmpty())
        path = dlg.selectedFiles().first();
    QsNoteDialogChoice(path);
    return path;
}

// The same file under another spelling of its path (a link, "..") is the open file all the same.
bool sameFile(const QString& a, const QString& b) {
    if (a == b)
        return true;
    const QString ca = QFileInfo(a).canonicalFilePath();
    return !ca.isEmpty() && ca == QFileInfo(b).canonicalFilePath();
}

struct TBusyCursor {
    TBusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TBusyCursor() { QApplication::restoreOverrideCursor(); }
    TBusyCursor(const TBusyCursor&) = delete;
    TBusyCursor& operator=(const TBusyCursor&) = delete;
};

// Accounts brought in from elsewhere reach the disk now or not at all: a write-back that fails takes them
// back whole, so that the list, the file in memory and the file on disk show the same accounts.
void writeBackOrUndo(TKYVNMain& main, const std::function<void()>& undo) {
    try {
        main.WriteBack();
    } catch (...) {
        main.SaveColumnWidths();
        main.ClearAccountsList();
        undo();
        main.FillAccountsList();
        throw;
    }
    main.FillAccountsList();
}
} // namespace

void TKYVNMain::actFileExportExecute() {
    if (!CurrentFile)
        return;
    if (Options && Options->ExportPassword && !MainAskFilePassword(this, *CurrentFile))
        return;
    ShowExportWizard(*CurrentFile);
}

void TKYVNMain::actFileMergeExecute() {
    if (!CurrentFile)
        return;
    const QString path = askMergeFile(this);
    if (path.isEmpty())
        return;
    if (!FileExistsOnReadyDrive(path))
        throw EQsException(QStringLiteral("File '%1' not found.").arg(path), QString(), 1);
    if (sameFile(path, CurrentFile->FileName))
        throw EQsException(QStringLiteral("The current passwords file cannot be merget with itself."), QString(), 2);
    auto second = std::make_unique<TKYVNFile>();
    second->FileName = path;
    if (!MainUnlockFile(this, *second))
        return;
    // A damaged second file is merged only as far as it could be read, and only when the user says so.
    if (second->Damaged() &&
        QsAppMessage(QStringLiteral("'%1' is damaged: only the first %2 of its accounts could be read, and what "
                                    "follows them was left out.\n\nMerge the %2 accounts that were read?")
                         .arg(QFileInfo(path).fileName())
                         .arg(second->AccountCount()),
                     1, 1, 2) != QsAnswerYes)
        return;
    std::unique_ptr<TMergeImport> import = ShowMergeWizard(*CurrentFile, *second);
    second.reset();
    if (!import)
        return;
    writeBackOrUndo(*this, [&] { import->Undo(); });
}

void TKYVNMain::actFileImportExecute() {
    if (!CurrentFile)
        return;
    QString csvPath;
    std::unique_ptr<TCsvImport> import = ShowImportWizard(*CurrentFile, &csvPath);
    if (!import)
        return;
    writeBackOrUndo(*this, [&] { import->Undo(); });
    // The export holds every password in plain text; now that the accounts are safe, offer to remove it.
    if (QsAppMessage(QStringLiteral("'%1' holds every imported password in plain text, readable by anyone who can "
                                    "read the file.\n\nDelete it now? Keyvane overwrites it before removing it.")
                         .arg(QFileInfo(csvPath).fileName()),
                     3, 1, 1) == QsAnswerYes)
        OverwriteAndRemove(csvPath);
}
