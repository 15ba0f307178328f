#include "CliSession.h"

#include "CliCommand.h"
#include "CliTerminal.h"
#include "QsSecrets.h"

#include <QFile>
#include <QFileInfo>

#include <optional>

namespace {

bool damagedFileRead = false;

// A file that could not be read at all (1), or whose content this program refuses (5): not a passwords
// file, a header of a newer version.
[[noreturn]] void loadFailed(const TKYVNFile& file, const EQsException& e) {
    QFile probe(file.FileName);
    const bool readable = QFileInfo(file.FileName).isFile() && probe.open(QIODevice::ReadOnly);
    throw ECliFailure(readable ? kExitRefused : kExitError, e.Message, e.Details);
}

// Reads the file with the password typed: a protected file opens only with it, the designed form is
// read first and its password compared. A password that does not open the file: 3.
void openWith(TKYVNFile& file, const std::function<QString()>& ask, QString& typed, const QString& wrong) {
    bool isProtected = false;
    try {
        isProtected = file.Examine() == TKYVNFileForm::Protected;
        if (!isProtected)
            file.Load();
    } catch (const EKYVNRefusedHeader& e) {
        throw ECliFailure(kExitRefused, e.Message, e.Details);
    } catch (const EQsException& e) {
        loadFailed(file, e);
    }
    if (typed.isNull())
        typed = ask();
    bool opened = false;
    try {
        opened = isProtected ? file.LoadWithPassword(typed) : file.CheckPassword(typed);
    } catch (const EKYVNRefusedHeader& e) {
        throw ECliFailure(kExitRefused, e.Message, e.Details);
    } catch (const EQsException& e) {
        loadFailed(file, e);
    }
    if (!opened)
        throw ECliFailure(kExitWrongPassword, wrong);
}

QString promptFor(const QString& path) {
    return QStringLiteral("Password for '%1': ").arg(QFileInfo(path).fileName());
}

// The damage warning without its advice to the window's user.
QString damageText(const TKYVNFile& file) {
    return file.DamageWarning().section(QStringLiteral(" The file is opened"), 0, 0);
}

} // namespace

TCliSession::TCliSession(const QString& path) {
    file_.ForWriteBack = false; // a change is written with Save, under the lock
    file_.FileName = QFileInfo(path).absoluteFilePath();
    openWith(
        file_, [&] { return CliAskPassword(promptFor(path)); }, typed_, QStringLiteral("Wrong password."));
    if (file_.Damaged()) {
        CliErr(QStringLiteral("Warning: the file is damaged. %1\n").arg(damageText(file_)));
        damagedFileRead = true;
    }
}

TCliSession::~TCliSession() {
    QsWipe(typed_);
}

TKYVNAccount* TCliSession::AccountIn(const TKYVNFile& file, const QString& name) {
    TKYVNAccount* account = file.FindAccount(name);
    if (!account)
        throw ECliFailure(kExitNoAccount, QStringLiteral("There is no account named '%1'.").arg(name));
    return account;
}

TKYVNAccount* TCliSession::Account(const QString& name) const {
    return AccountIn(file_, name);
}

void TCliSession::Change(const std::function<void(TKYVNFile&)>& change) {
    if (file_.Damaged()) // the warning was given when the file was read
        throw ECliFailure(kExitRefused, QStringLiteral("The file is damaged and is not changed."));
    TKYVNFileLock lock(file_.FileName);
    file_.ClearAccounts();
    // the password typed before the lock opens the file as it is now
    openWith(file_, {}, typed_, QStringLiteral("Wrong password."));
    if (file_.Damaged())
        throw ECliFailure(kExitRefused, QStringLiteral("The file is damaged and is not changed."), damageText(file_));
    change(file_);
    file_.Save();
}

void CliOpenFile(TKYVNFile& file, const QString& path, const QString& prompt) {
    file.ForWriteBack = false;
    file.FileName = QFileInfo(path).absoluteFilePath();
    QString typed;
    try {
        openWith(
            file, [&] { return CliAskPassword(prompt.isEmpty() ? promptFor(path) : prompt); }, typed,
            QStringLiteral("Wrong password for '%1'.").arg(QFileInfo(path).fileName()));
    } catch (...) {
        QsWipe(typed);
        throw;
    }
    QsWipe(typed);
}

int CliFinalStatus(int status) {
    return status == kExitSuccess && damagedFileRead ? kExitRefused : status;
}

QString CliAskNewPassword(TKYVNFileForm form) {
    QString password = CliAskPassword(QStringLiteral("New password: "));
    QString verify;
    try {
        verify = CliAskPassword(QStringLiteral("Verify: "));
        TKYVNFile::CheckNewPassword(password, form);
        // a protected file's key takes the password exactly as typed
        if (form == TKYVNFileForm::Protected ? password != verify : !KyvnSameText(password, verify))
            throw EQsException(QStringLiteral("The passwords you entered do not match."));
    } catch (...) {
        QsWipe(password);
        QsWipe(verify);
        throw;
    }
    QsWipe(verify);
    return password;
}
