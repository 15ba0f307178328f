// The password health command of the main window: the health window over the open file, whose accounts
// are fixed through the main window's own edit command.
#include "frmMain.h"

#include "clsFile.h"
#include "frmHealth.h"
#include "uOptions.h"

void TKYVNMain::actFilePasswordHealthExecute() {
    if (!CurrentFile)
        return;
    auto accounts = [] { return CurrentFile ? CurrentFile->Accounts : QList<TKYVNAccount*>(); };
    // The account is selected in the list, then edited as Account > Edit does it (a protected account
    // asks for the file password, the file is written back, a read-only file cannot be edited).
    auto edit = [this](TKYVNAccount* account) {
        for (int row = 0; row < RowCount(); ++row) {
            if (AccountAt(row) == account) {
                SelectRow(row);
                return RunCommand(actAccountEdit);
            }
        }
        return false;
    };
    ShowPasswordHealth(accounts, CurrentFile->FileName,
                       Options ? Options->OldPasswordDays : TKYVNOptions().OldPasswordDays, edit);
}
