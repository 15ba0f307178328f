// A passwords file opened by one command: read, its password asked and checked; and the one way a
// command changes it, under the folder lock.
#pragma once

#include "clsFile.h"

#include <QString>

#include <functional>

class TCliSession {
public:
    // Reads the file and asks its password. A file that cannot be read raises exit status 1 (missing,
    // unreadable) or 5 (not a passwords file); a wrong password, 3. A damaged file is kept as far as it
    // could be read: a command that only reads shows that part, the warning goes to standard error and
    // the run ends with status 5 (CliFinalStatus).
    explicit TCliSession(const QString& path);
    ~TCliSession();
    TCliSession(const TCliSession&) = delete;
    TCliSession& operator=(const TCliSession&) = delete;

    TKYVNFile& File() { return file_; }
    // The account of that name (letters a to z folded), or "There is no account named '%s'." (exit 4).
    TKYVNAccount* Account(const QString& name) const;
    static TKYVNAccount* AccountIn(const TKYVNFile& file, const QString& name);

    // The change of a file: under the folder lock, the file is read again and the password checked
    // again (the lock is not held while questions are answered), then change edits it and the file is
    // written, the backup preference applying. What change raises leaves the file as it was. A damaged
    // file is refused (5): what could not be read would be lost.
    void Change(const std::function<void(TKYVNFile& file)>& change);

    // The password typed for the file.
    const QString& Password() const { return typed_; }

private:
    TKYVNFile file_;
    QString typed_;
};

// Reads a file and asks its password as a session does, for a second file (merge).
void CliOpenFile(TKYVNFile& file, const QString& path, const QString& prompt);

// Asks a new file password twice ("New password: ", "Verify: ") and checks it with the rules of the
// password dialog for the form, so that every file made here opens in the program; raises (exit 1).
QString CliAskNewPassword(TKYVNFileForm form);

// The exit status of a run that otherwise succeeded: 5 once a damaged file was read.
int CliFinalStatus(int status);
