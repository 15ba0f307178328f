// A passwords file in memory: its path, its password and its accounts, read and written whole.
//
// On disk the file is its plain text (below) enciphered with IDEA in ECB mode under all-zero sub-keys.
// The plain text is lines ending in CR LF: "ZKYVN", "#" + password, then nine lines per account,
// each "#" + a field, the notes with CR written as ' and LF as #. It is written as UTF-8 and read as
// UTF-8 when valid, as Windows-1252 otherwise.
#pragma once

#include "clsAccount.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <memory>

class TKYVNFile {
public:
    TKYVNFile() = default;
    ~TKYVNFile();
    TKYVNFile(const TKYVNFile&) = delete;
    TKYVNFile& operator=(const TKYVNFile&) = delete;

    QString FileName;
    QString Password;
    // In file order. The file object owns the records (it deletes them when it goes).
    QList<TKYVNAccount*> Accounts;

    // Appends the record, taking ownership; returns its position.
    int AddAccount(TKYVNAccount* account);
    int AccountCount() const { return int(Accounts.size()); }
    // Raises EQsException "List index out of bounds (%d)" for a position outside the list.
    TKYVNAccount* GetAccount(int index) const;
    // The first record whose name matches with the letters a to z folded (KyvnSameText), or nullptr.
    TKYVNAccount* FindAccount(const QString& name) const;
    // Removes the first matching record from the list without destroying it: the caller, who found it
    // with FindAccount, now owns it and deletes it or adds it again. False when there is none.
    bool DeleteAccount(const QString& name);
    // The same, handing the removed record over; empty when there is none.
    std::unique_ptr<TKYVNAccount> TakeAccount(const QString& name);
    void ClearAccounts();

    // Reads FileName: sets Password and appends the accounts. Raises EQsException "Error loading file
    // '%s'." (name without folder) with the reason as details, kind 1.
    void Load();
    // Writes FileName, keeping the previous file as "Backup of <name>" when backupFiles is on. The new
    // file is written beside the old one, flushed, read back and checked, then renamed over it, so the
    // name always holds a complete file. Raises "Error saving file '%s'." (full path) with the reason.
    void Save(bool backupFiles);
    // As above, with BackupFiles of the preferences (on when no preferences are loaded).
    void Save();

    // The plain text of the file as saved, and its reading (for the file format's own tests and tools).
    QByteArray PlainText() const;
    void ReadPlainText(const QByteArray& plain);
    static QByteArray Encipher(QByteArray plain);
    static QByteArray Decipher(QByteArray cipher);

private:
    void loadFile();
    void saveFile(bool backupFiles);
};

// The folder of path (with its separator), "Backup of ", and the name part of path.
QString BackupFileName(const QString& path);
// Copies source to target, replacing it; true on success.
bool CopyFileTo(const QString& source, const QString& target);
// Removes a read-only mark, then deletes; a missing file is no error.
void DeleteFileForced(const QString& path);
// The file exists and its file system answers.
bool FileExistsOnReadyDrive(const QString& path);
// The system's folder for temporary files, ending with "/".
QString TempFolder();
