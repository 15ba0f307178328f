// The file commands of the main window: new, open, close, save as, save a copy, file password, read-only
// mode, exit, dropped files and the recent-files list.
#include "frmMain.h"

#include "QsAnswers.h"
#include "QsApp.h"
#include "QsDialogFolder.h"
#include "QsExceptions.h"
#include "QsFileUtils.h"
#include "QsRegUtils.h"
#include "QsReplaceFile.h"
#include "clsFile.h"
#include "frmMainStartup.h"
#include "frmStartPage.h"

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <cstdio>
#include <memory>

TKYVNFile* CurrentFile = nullptr;

namespace {
constexpr int kMaxRecentFiles = 10;

// The busy cursor while a file is read or written; the window does not answer meanwhile.
struct TBusyCursor {
    TBusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TBusyCursor() { QApplication::restoreOverrideCursor(); }
    TBusyCursor(const TBusyCursor&) = delete;
    TBusyCursor& operator=(const TBusyCursor&) = delete;
};

QString appTitle() {
    return AppInfo ? AppInfo->Title : QStringLiteral("Tessivo Keyvane");
}

EQsException notFound(const QString& path) {
    return EQsException(QStringLiteral("File '%1' not found.").arg(path), QString(), 1);
}

// The older form's file password: what the older program can type.
void checkOlderPassword(const QString& password) {
    try {
        TKYVNFile::CheckNewPassword(password, TKYVNFileForm::Designed);
    } catch (const EQsException& e) {
        throw EQsException(QStringLiteral("This file's password cannot be kept in a Keyvane 1.3 file: %1 Change it "
                                          "with File Password... first.")
                               .arg(e.Message),
                           QString(), 2);
    }
}

EQsException keptElsewhere(const QString& path, const QString& kept) {
    return EQsException(QStringLiteral("'%1' was changed elsewhere (on another computer, or by keyvane-cli) since it "
                                       "was last read or written here. That version was kept as '%2'; File > "
                                       "Merge... brings its accounts into this file.")
                            .arg(QFileInfo(path).fileName(), QFileInfo(kept).fileName()),
                        kept, 2);
}

const QString kProtectedType = QStringLiteral("Keyvane Files (*.kvf)");
const QString kOlderType = QStringLiteral("Keyvane 1.3 Files, not protected (*.kvf)");

// Reads file with a password already proven: false when the file no longer opens with it.
bool reopenWith(TKYVNFile& file, const QString& password) {
    TBusyCursor busy;
    if (file.Examine() == TKYVNFileForm::Protected)
        return file.LoadWithPassword(password);
    file.Load();
    return file.Password == password;
}

// The open and save dialogs, through the answer seam: a queued answer is the chosen path, "" cancels;
// for a save, a list of the path and the chosen type; a handler sees the dialog as it would be shown. A
// save offers both forms, the protected one first and chosen; form receives the type's form.
QString askFileName(QWidget* owner, bool save, const QString& title, TKYVNFileForm* form = nullptr) {
    const QString question = save ? QStringLiteral("SaveFile") : QStringLiteral("OpenFile");
    if (form)
        *form = TKYVNFileForm::Protected;
    QFileDialog dlg(owner, title);
    dlg.setDirectory(QsDialogStartFolder());
    if (form)
        dlg.setNameFilters({kProtectedType, kOlderType});
    else
        dlg.setNameFilters({kProtectedType, QStringLiteral("All Files (*)")});
    dlg.setDefaultSuffix(QStringLiteral("kvf"));
    if (save) {
        dlg.setAcceptMode(QFileDialog::AcceptSave);
        dlg.setFileMode(QFileDialog::AnyFile);
    } else {
        dlg.setAcceptMode(QFileDialog::AcceptOpen);
        dlg.setFileMode(QFileDialog::ExistingFile);
    }
    QsAnswers::Record(question, title);
    QString path;
    if (auto answer = QsAnswers::Take(question, &dlg)) {
        const QStringList parts = answer->toStringList();
        if (form && parts.size() > 1 && parts[1] == kOlderType)
            *form = TKYVNFileForm::Designed;
        path = parts.value(0);
    } else if (dlg.exec() == QDialog::Accepted && !dlg.selectedFiles().isEmpty()) {
        if (form && dlg.selectedNameFilter() == kOlderType)
            *form = TKYVNFileForm::Designed;
        path = dlg.selectedFiles().first();
    }
    QsNoteDialogChoice(path);
    return path;
}
} // namespace

// ---------------------------------------------------------------------------------------------------
// document state

void TKYVNMain::SetFileOpen(bool open) {
    FileOpen = open;
    ShowStartPage(!open);
    if (!open) {
        SetFileName(QString());
        ClearAccountsList();
    }
}

void TKYVNMain::UpdateCaption() {
    QString caption = appTitle();
    if (!OpenFilePath.isEmpty()) {
        caption += QStringLiteral(": ") + QFileInfo(OpenFilePath).fileName();
        if (ReadOnly)
            caption += QStringLiteral(" [Read-only]");
    }
    setWindowTitle(caption);
}

void TKYVNMain::SetFileName(const QString& path) {
    OpenFilePath = path;
    QsSetOpenFileForDialogs(path);
    WatchOpenFile();
    setWindowTitle(appTitle());
    if (path.isEmpty())
        return;
    setWindowTitle(appTitle() + QStringLiteral(": ") + QFileInfo(path).fileName());
    SetFileOpen(true);
    AddRecentFile(path);
}

void TKYVNMain::SetReadOnly(bool value) {
    ReadOnly = value;
    if (OpenFilePath.isEmpty())
        return;
    UpdateCaption();
    // A refusal of the file system is not reported: the check mark follows the file on disk.
    SetAttributes(OpenFilePath, value ? faReadOnly | faArchive : faArchive, true);
}

void TKYVNMain::WriteBack() {
    if (OpenFilePath.isEmpty() || !CurrentFile || ReadOnly)
        return;
    QString kept;
    {
        TBusyCursor busy;
        // Writes only a change, and keeps a version written elsewhere meanwhile beside the file.
        kept = CurrentFile->WriteBack();
    }
    if (kept.isEmpty())
        return;
    // The user hears of the kept version once; the command that wrote goes on.
    const EQsException notice = keptElsewhere(OpenFilePath, kept);
    if (EndingSession)
        std::fprintf(stderr, "keyvane: %s\n", qPrintable(notice.Message));
    else
        QsHandleException(&notice);
}

void TKYVNMain::ReplaceCurrentFile(TKYVNFile* file) {
    // The rows point into the old file's accounts: they go before the accounts do.
    SaveColumnWidths();
    ClearAccountsList();
    delete CurrentFile;
    CurrentFile = file;
}

bool TKYVNMain::OpenPasswordsFile(const QString& path, const QString* knownPassword) {
    auto file = std::make_unique<TKYVNFile>();
    file->FileName = path;
    // A reload opens the file with the password proven in this run, without a question; a file whose
    // password was changed elsewhere asks for it as an open does.
    if (knownPassword && reopenWith(*file, *knownPassword)) {
        ReplaceCurrentFile(file.release());
        return true;
    }
    file = std::make_unique<TKYVNFile>();
    file->FileName = path;
    // A protected file is opened by each try of its password; an older one is read, then checked.
    if (!MainUnlockFile(this, *file))
        return false;
    ReplaceCurrentFile(file.release());
    return true;
}

bool TKYVNMain::OpenSequence(const QString& path, const QString* knownPassword) {
    if (!OpenPasswordsFile(path, knownPassword))
        return false;
    SetFileName(path);
    if (CurrentFile->Damaged()) {
        // Read-only in the window alone: the file on disk is not touched, not even its mode.
        ReadOnly = true;
        UpdateCaption();
        FillAccountsList();
        // Told through the usual handler without failing the open: the file stays listed and recent.
        const EQsException warning(CurrentFile->DamageWarning(), QString(), 1);
        QsHandleException(&warning);
        return true;
    }
    SetReadOnly(HasAttributes(path, faReadOnly));
    FillAccountsList();
    OfferProtection();
    return true;
}

void TKYVNMain::CreatePasswordsFile(const QString& path, const QString& password) {
    // The new file is written before it replaces the open one, so a file that cannot be written
    // leaves the previous file open and listed.
    auto file = std::make_unique<TKYVNFile>();
    file->FileName = path;
    file->Password = password;
    file->SetForm(TKYVNFileForm::Protected);
    {
        TBusyCursor busy;
        file->Save();
    }
    ReplaceCurrentFile(file.release());
}

// ---------------------------------------------------------------------------------------------------
// commands

void TKYVNMain::actFileNewExecute() {
    WriteBack();
    const QString path = askFileName(this, true, QStringLiteral("Create New File..."));
    if (path.isEmpty())
        return;
    QString password;
    if (!MainNewFilePassword(this, path, password))
        return;
    CreatePasswordsFile(path, password);
    SetFileName(path);
    SetReadOnly(false);
    FillAccountsList();
}

void TKYVNMain::actFileOpenExecute() {
    WriteBack();
    const QString path = askFileName(this, false, QStringLiteral("Open Passwords File..."));
    if (path.isEmpty())
        return;
    if (!FileExistsOnReadyDrive(path))
        throw notFound(path);
    OpenSequence(path);
}

void TKYVNMain::actFileCloseExecute() {
    WriteBack();
    SetFileOpen(false);
}

void TKYVNMain::actFileSaveAsExecute() {
    // Save As writes the whole file anew, so it is also the way out when the open file can no longer be
    // written (a removed drive, a vanished folder): that failure is reported and the command goes on.
    try {
        WriteBack();
    } catch (const std::exception& e) {
        QsHandleException(&e);
    }
    TKYVNFileForm form;
    const QString path = askFileName(this, true, QStringLiteral("Save File As..."), &form);
    if (path.isEmpty())
        return;
    const QString previous = CurrentFile->FileName;
    const TKYVNFileForm previousForm = CurrentFile->Form();
    if (form == TKYVNFileForm::Designed)
        checkOlderPassword(CurrentFile->Password);
    CurrentFile->FileName = path;
    CurrentFile->SetForm(form);
    try {
        TBusyCursor busy;
        CurrentFile->Save();
    } catch (...) {
        // the window still shows the previous file: its write-backs must keep going there, in its form
        CurrentFile->FileName = previous;
        CurrentFile->SetForm(previousForm);
        throw;
    }
    // the new file holds all that was read: it is sound and can be written
    CurrentFile->ClearDamage();
    SetFileName(path);
    SetReadOnly(false);
    FillAccountsList();
}

void TKYVNMain::actFileSaveCopyExecute() {
    WriteBack();
    TKYVNFileForm form;
    const QString path = askFileName(this, true, QStringLiteral("Save File Copy As..."), &form);
    if (path.isEmpty())
        return;
    // A copy onto the open file itself would replace it with nothing.
    if (QFileInfo(path).absoluteFilePath() == QFileInfo(OpenFilePath).absoluteFilePath())
        return;
    // A copy of the older form can be read by anyone, so it takes that choice; the protected type
    // writes a protected copy (of an older file too, under a key of its own).
    if (form == TKYVNFileForm::Designed)
        checkOlderPassword(CurrentFile->Password);
    TBusyCursor busy;
    CurrentFile->SaveCopyAs(path, form);
}

void TKYVNMain::actFilePasswordExecute() {
    QString password;
    if (!MainChangeFilePassword(this, *CurrentFile, password))
        return;
    // A protected file draws a new salt and key for the new password when it is written back.
    CurrentFile->Password = password;
    WriteBack();
}

void TKYVNMain::actFileExitExecute() {
    ExitRequested = true;
    close();
}

void TKYVNMain::actAccountReadOnlyExecute() {
    if (ReadOnly && CurrentFile && CurrentFile->Damaged())
        throw EQsException(QStringLiteral("This file could be read only in part, so it stays read-only: a change "
                                          "written to it would lose what could not be read. Use Save As to keep "
                                          "what was read in a new file."),
                           QString(), 2);
    SetReadOnly(!ReadOnly);
}

void TKYVNMain::MRUListClick(const QString& path) {
    WriteBack();
    if (!FileExistsOnReadyDrive(path)) {
        RemoveRecentFile(path);
        throw notFound(path);
    }
    try {
        OpenSequence(path);
    } catch (...) {
        RemoveRecentFile(path);
        throw;
    }
}

void TKYVNMain::FilesDropped(const QStringList& paths) {
    if (paths.size() != 1)
        throw EQsException(QStringLiteral("You cannot drag and drop multiple files."), QString(), 2);
    // The whole path is taken: a cut-off path would name another file or none.
    const QString path = paths.first();
    if (!path.isEmpty() && QFileInfo(path).isDir())
        throw EQsException(QStringLiteral("You cannot drag and drop folders."), QString(), 2);
    if (path.isEmpty() || !FileExistsOnReadyDrive(path))
        return;
    if (isMinimized())
        showNormal();
    raise();
    activateWindow();
    OpenSequence(path);
}

// ---------------------------------------------------------------------------------------------------
// recent files

void TKYVNMain::AddRecentFile(const QString& path) {
    RemoveRecentFile(path);
    RecentFiles.prepend(path);
    while (RecentFiles.size() > kMaxRecentFiles)
        RecentFiles.removeLast();
    RebuildRecentMenu();
}

void TKYVNMain::RemoveRecentFile(const QString& path) {
    // Linux file names are case-sensitive: only the same path is the same entry.
    if (RecentFiles.removeOne(path))
        RebuildRecentMenu();
}

void TKYVNMain::LoadRecentFiles() {
    RecentFiles.clear();
    if (AppInfo)
        RecentFiles = ReadRegValueNames(AppInfo->RegistryRoot, AppInfo->ProductKey + QStringLiteral("\\Storage"),
                                        QStringLiteral("MRU"), {})
                          .mid(0, kMaxRecentFiles);
    RebuildRecentMenu();
}

void TKYVNMain::SaveRecentFiles() {
    if (!AppInfo)
        return;
    const QString storage = AppInfo->ProductKey + QStringLiteral("\\Storage");
    DeleteRegValues(AppInfo->RegistryRoot, storage + QStringLiteral("\\MRU"));
    WriteRegValueNames(AppInfo->RegistryRoot, storage, QStringLiteral("MRU"), RecentFiles);
}

void TKYVNMain::RebuildRecentMenu() {
    if (StartPage)
        StartPage->SetRecentFiles(RecentFiles);
    if (!mnuRecent)
        return;
    mnuRecent->clear();
    for (int i = 0; i < RecentFiles.size(); ++i) {
        const QString path = RecentFiles.at(i);
        const QString accel = i < 9 ? QString::number(i + 1) : QStringLiteral("A");
        // an ampersand in a path is shown, not taken as an accelerator
        QString escaped = path;
        escaped.replace(u'&', QStringLiteral("&&"));
        QAction* item = mnuRecent->addAction(QStringLiteral("&") + accel + u' ' + escaped);
        item->setStatusTip(actRecentFiles->statusTip());
        connect(item, &QAction::triggered, this, [this, path] { RecentFileChosen(path); });
    }
}

void TKYVNMain::RecentFileChosen(const QString& path) {
    alMainUpdate();
    if (!actRecentFiles->isEnabled())
        return;
    QsGuard([this, path] {
        // the entry moves to the top before the file is opened
        RecentFiles.removeOne(path);
        RecentFiles.prepend(path);
        RebuildRecentMenu();
        MRUListClick(path);
    });
    alMainUpdate();
}
