#include "CliSession.h"

#include "CliCommand.h"
#include "CliTerminal.h"
#include "QsSecrets.h"

#include <QFile>
#include <QFileInfo>

#include <optional>

namespace {

bool damagedFileRead = false;

// A load that failed: the file could not be read at all (1), or what it holds is not a passwords file
// this program reads (5).
void loadOrFail(TKYVNFile& file) {
    try {
        file.Load();
    } catch (const EQsException& e) {
        QFile probe(file.FileName);
        const bool readable = QFileInfo(file.FileName).isFile() && probe.open(QIODevice::ReadOnly);
        throw ECliFailure(readable ? kExitRefused : kExitError, e.Message, e.Details);
    }
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
    file_.FileName = QFileInfo(path).absoluteFilePath();
    loadOrFail(file_);
    typed_ = CliAskPassword(promptFor(path));
    checkPassword();
    if (file_.Damaged()) {
        CliErr(QStringLiteral("Warning: the file is damaged. %1\n").arg(damageText(file_)));
        damagedFileRead = true;
    }
}

TCliSession::~TCliSession() {
    QsWipe(typed_);
}

void TCliSession::checkPassword() const {
    if (!KyvnSameText(typed_, file_.Password))
        throw ECliFailure(kExitWrongPassword, QStringLiteral("Wrong password."));
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
    loadOrFail(file_);
    checkPassword();
    if (file_.Damaged())
        throw ECliFailure(kExitRefused, QStringLiteral("The file is damaged and is not changed."), damageText(file_));
    change(file_);
    file_.Save();
}

void CliOpenFile(TKYVNFile& file, const QString& path, const QString& prompt) {
    file.FileName = QFileInfo(path).absoluteFilePath();
    loadOrFail(file);
    QString typed = CliAskPassword(prompt.isEmpty() ? promptFor(path) : prompt);
    const bool same = KyvnSameText(typed, file.Password);
    QsWipe(typed);
    if (!same)
        throw ECliFailure(kExitWrongPassword,
                          QStringLiteral("Wrong password for '%1'.").arg(QFileInfo(path).fileName()));
}

int CliFinalStatus(int status) {
    return status == kExitSuccess && damagedFileRead ? kExitRefused : status;
}

// The rules of the password dialog.
static void checkNewPassword(const QString& password, const QString& verify) {
    if (password.size() < 4)
        throw EQsException(QStringLiteral("Password must be at least 4 characters long."));
    if (password.size() > 25)
        throw EQsException(QStringLiteral("Password must be at most 25 characters long."));
    if (HasReservedChars(password))
        throw EQsException(QStringLiteral("A password cannot hold ' or #."));
    if (password.contains(QLatin1Char('\0')) || password.contains(QLatin1Char('\r')))
        throw EQsException(QStringLiteral("A password cannot hold a line break."));
    if (!KyvnSameText(password, verify))
        throw EQsException(QStringLiteral("The passwords you entered do not match."));
}

QString CliAskNewPassword() {
    QString password = CliAskPassword(QStringLiteral("New password: "));
    QString verify;
    try {
        verify = CliAskPassword(QStringLiteral("Verify: "));
        checkNewPassword(password, verify);
    } catch (...) {
        QsWipe(password);
        QsWipe(verify);
        throw;
    }
    QsWipe(verify);
    return password;
}
