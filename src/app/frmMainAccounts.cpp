// The account commands of the main window and their states: add, edit, delete, rename, duplicate,
// the sort commands and the customize dialog. Every change is written back at once.
#include "frmMain.h"

#include "QsApp.h"
#include "QsMsgFrm.h"
#include "clsAccount.h"
#include "clsColumn.h"
#include "clsFile.h"
#include "clsList.h"
#include "frmAccount.h"
#include "frmCustomize.h"
#include "frmMainStartup.h"
#include "frmPassword.h"
#include "frmRename.h"

#include <QAction>
#include <QTreeView>
#include <memory>

namespace {

// The sort commands and the field caption each one names.
struct TSortCommand {
    QAction* TKYVNMain::*Command;
    const char* Caption;
};
constexpr TSortCommand kSortCommands[] = {
    {&TKYVNMain::actSortAccountName, "Account Name"},
    {&TKYVNMain::actSortLogin, "Login"},
    {&TKYVNMain::actSortPassword, "Password"},
    {&TKYVNMain::actSortEmail, "Email"},
    {&TKYVNMain::actSortWeb, "Web"},
    {&TKYVNMain::actSortCreated, "Created"},
    {&TKYVNMain::actSortModified, "Modified"},
};

// The caption of a sort command, or "" for any other command.
QString sortCaption(const TKYVNMain& w, const QAction* command) {
    for (const TSortCommand& s : kSortCommands)
        if (w.*s.Command == command)
            return QString::fromLatin1(s.Caption);
    return {};
}

// Acts as a click on the first shown column headed by the caption; nothing when none is shown.
void sortBy(TKYVNMain& w, const char* caption) {
    const int position = w.ShownColumnIndex(QString::fromLatin1(caption));
    if (position >= 0)
        w.lvAccountsColumnClick(position);
}

// Takes exactly this record out of the file. Removing by name could take another account whose name
// differs only in letter case (files made elsewhere can hold both), losing one and listing one twice.
void takeOut(TKYVNAccount* account) {
    CurrentFile->Accounts.removeOne(account);
}

} // namespace

void TKYVNMain::actAccountAddExecute() {
    if (!CurrentFile)
        return;
    auto account = std::make_unique<TKYVNAccount>();
    if (!CreateAccount(*CurrentFile, *account))
        return;
    TKYVNAccount* added = account.get();
    CurrentFile->AddAccount(account.release());
    AddAccountItem(added, true);
    WriteBack();
}

void TKYVNMain::actAccountEditExecute() {
    TKYVNAccount* account = CurrentFile ? SelectedAccount() : nullptr;
    if (!account)
        return;
    if (account->Protected && !MainAskUnprotectPassword(this, *CurrentFile))
        return;
    if (!EditAccount(*account))
        return;
    // The row is made again rather than refreshed, and the account moves to the end of the file.
    RemoveAccountItem(account);
    takeOut(account);
    CurrentFile->AddAccount(account);
    AddAccountItem(account, true);
    WriteBack();
}

void TKYVNMain::actAccountDeleteExecute() {
    TKYVNAccount* account = CurrentFile ? SelectedAccount() : nullptr;
    if (!account)
        return;
    const int row = SelectedRow();
    const quint8 answer =
        QsMessage(QStringLiteral("Delete Account '%1'?").arg(account->AccountName), QsApplicationTitle(), 3, 1, 2,
                  AppInfo && !AppInfo->English ? 0 : 1, AppInfo ? AppInfo->DialogFont : QString());
    if (answer != QsAnswerYes)
        return;
    if (account->Protected && !MainAskFilePassword(this, *CurrentFile))
        return;
    takeOut(account);
    const std::unique_ptr<TKYVNAccount> discarded(account);
    // The row goes with its record even when the write fails: a row must not outlive what it shows.
    auto removeRow = [this, account, row] {
        RemoveAccountItem(account);
        if (RowCount() > 0) {
            SelectRow(row > 0 ? row - 1 : 0);
            lvAccounts->setFocus();
        }
    };
    try {
        WriteBack();
    } catch (...) {
        removeRow();
        throw;
    }
    removeRow();
}

void TKYVNMain::actAccountRenameExecute() {
    TKYVNAccount* account = CurrentFile ? SelectedAccount() : nullptr;
    if (!account)
        return;
    QString newName;
    if (!RenameAccount(*CurrentFile, account->AccountName, newName))
        return;
    account->AccountName = newName;
    // The list shows the new name even when the write fails (the change is written with the next one).
    try {
        WriteBack();
    } catch (...) {
        FillAccountsList();
        throw;
    }
    FillAccountsList();
}

void TKYVNMain::actAccountDuplicateExecute() {
    const TKYVNAccount* source = CurrentFile ? SelectedAccount() : nullptr;
    if (!source)
        return;
    auto account = std::make_unique<TKYVNAccount>();
    if (!CreateAccount(*CurrentFile, *account, source))
        return;
    TKYVNAccount* added = account.get();
    CurrentFile->AddAccount(account.release());
    AddAccountItem(added, true);
    WriteBack();
}

void TKYVNMain::actSortAccountNameExecute() {
    sortBy(*this, "Account Name");
}
void TKYVNMain::actSortLoginExecute() {
    sortBy(*this, "Login");
}
void TKYVNMain::actSortPasswordExecute() {
    sortBy(*this, "Password");
}
void TKYVNMain::actSortEmailExecute() {
    sortBy(*this, "Email");
}
void TKYVNMain::actSortWebExecute() {
    sortBy(*this, "Web");
}
void TKYVNMain::actSortCreatedExecute() {
    sortBy(*this, "Created");
}
void TKYVNMain::actSortModifiedExecute() {
    sortBy(*this, "Modified");
}

void TKYVNMain::actViewManageListExecute() {
    if (CustomizeList())
        FillAccountsList();
}

void TKYVNMain::lvAccountsKeyUp(int key) {
    if (key == Qt::Key_Space)
        RunCommand(actAccountEdit);
}

void TKYVNMain::lvAccountsDblClick() {
    RunCommand(actAccountEdit);
}

bool TKYVNMain::AccountCommandEnabled(QAction* command) const {
    if (command == actSort || command == actViewManageList)
        return FileOpen;
    if (command == actAccountAdd)
        return FileOpen && !ReadOnly;
    if (command == actAccountEdit || command == actAccountDelete || command == actAccountDuplicate ||
        command == actAccountRename)
        return FileOpen && !ReadOnly && SelectedAccount();
    const QString caption = sortCaption(*this, command);
    if (caption.isEmpty() || !FileOpen || !ListLayout)
        return false;
    const TKYVNColumn* column = ListLayout->FindColumn(caption);
    return column && column->Visible && !column->Protected;
}

bool TKYVNMain::AccountCommandChecked(QAction* command) const {
    const QString caption = sortCaption(*this, command);
    if (caption.isEmpty() || !AccountCommandEnabled(command))
        return false;
    const int position = ShownColumnIndex(caption);
    return position >= 0 && position == ListLayout->SortIndex;
}
