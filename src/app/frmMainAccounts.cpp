// The account commands of the main window and their states.
#include "frmMain.h"

void TKYVNMain::actAccountAddExecute() {}
void TKYVNMain::actAccountEditExecute() {}
void TKYVNMain::actAccountDeleteExecute() {}
void TKYVNMain::actAccountRenameExecute() {}
void TKYVNMain::actAccountDuplicateExecute() {}
void TKYVNMain::actSortAccountNameExecute() {}
void TKYVNMain::actSortLoginExecute() {}
void TKYVNMain::actSortPasswordExecute() {}
void TKYVNMain::actSortEmailExecute() {}
void TKYVNMain::actSortWebExecute() {}
void TKYVNMain::actSortCreatedExecute() {}
void TKYVNMain::actSortModifiedExecute() {}
void TKYVNMain::actViewManageListExecute() {}
void TKYVNMain::lvAccountsKeyUp(int key) {
    Q_UNUSED(key);
}
void TKYVNMain::lvAccountsDblClick() {}

bool TKYVNMain::AccountCommandEnabled(QAction* command) const {
    Q_UNUSED(command);
    return false;
}

bool TKYVNMain::AccountCommandChecked(QAction* command) const {
    Q_UNUSED(command);
    return false;
}
