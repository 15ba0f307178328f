// The Help menu's mail to support and about box.
#include "frmMain.h"

#include "QsAboutFrm2.h"
#include "QsApp.h"
#include "QsExceptions.h"
#include "QsMapi.h"

#include <memory>

void TKYVNMain::actHelpSendEmailExecute() {
    // The outcome of the hand-over is not looked at: a refused or failed send passes silently.
    try {
        auto mail = std::make_unique<TQsMapi>(this);
        mail->ShowDialog = true;
        if (AppInfo) {
            mail->Recipients << AppInfo->WebAddresses.SupportEmail;
            mail->Subject = AppInfo->Title + u' ' + AppInfo->Version;
        }
        mail->Body = QStringLiteral(" ");
        mail->Send();
    } catch (const std::exception& e) {
        throw EQsException(QStringLiteral("MAPI returned an unexpected error."), QsExceptionMessage(e), 1);
    }
}

void TKYVNMain::actHelpAboutExecute() {
    if (AppInfo)
        ShowAbout(*AppInfo, AppInfo->DialogFont);
}
