// A passwords file in memory: its path, its password and its accounts, read and written whole.
//
// On disk the file is its plain text (below) enciphered with IDEA in ECB mode under all-zero sub-keys.
// The plain text is lines ending in CR LF: "ZKYVN", "#" + password, then nine lines per account,
// each "#" + a field, the notes with CR written as ' and LF as #. It is written as UTF-8 and read as
// UTF-8 when valid, as Windows-1252 otherwise, each line on its own.
#pragma once

#include "clsAccount.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <memory>
#include <sys/types.h>

// Where a file stood on disk when it was last read or written: enough to tell whether someone else
// has replaced or changed it since.
struct TKYVNDiskState {
    bool Known = false;
    dev_t Device = 0;
    ino_t Inode = 0;
    qint64 Size = 0;
    qint64 ModifiedNs = 0;
    QByteArray Hash; // SHA-256 of the bytes
};

// An exclusive lock on the folder of a passwords file, held for a read-modify-write. keyvane-cli takes
// it around its whole change and the program around its write-back, so the two never interleave. It is
// flock(2) on the folder itself: nothing is left behind, and the lock goes with the process. Where the
// file system has no such locks, or the folder cannot be read, it holds nothing.
class TKYVNFileLock {
public:
    // Waits up to timeoutMs for the lock; raises EQsException when another holder keeps it.
    explicit TKYVNFileLock(const QString& fileName, int timeoutMs = 30000);
    ~TKYVNFileLock();
    TKYVNFileLock(const TKYVNFileLock&) = delete;
    TKYVNFileLock& operator=(const TKYVNFileLock&) = delete;

private:
    int fd_ = -1;
};

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

    // The main window's write-back: under the folder lock, writes only when what would be written
    // differs from what was last read or written. When the file under the name is no longer what was
    // last read or written, that version is first kept beside it (see KeepChangedElsewhere). Returns the
    // path of the kept version, or an empty text. Raises as Save does.
    QString WriteBack(bool backupFiles);
    QString WriteBack();
    // True when what Save would write now differs from what was last read or written.
    bool Changed() const;
    // True when the file under FileName is no longer the one last read or written (a missing file is
    // not: there is nothing to keep).
    bool ChangedElsewhere();
    // Keeps the file now under FileName as "<name without .kvf> (changed elsewhere YYYY-MM-DD
    // HHMMSS).kvf" beside it, mode 0600; returns its path.
    QString KeepChangedElsewhere();

    // A load that met the signs of damage (a NUL before the last block, bytes after the last complete
    // account, a length that is not a multiple of 8) keeps what it could read and says so here.
    bool Damaged() const { return damaged_; }
    // "Only 2 accounts could be read; 1,024 bytes after them were left out. ..." ("" when sound).
    QString DamageWarning() const;
    // Save As to a new name: the object is then the whole of that file.
    void ClearDamage() { damaged_ = false; }

    // Deciphers and reads the bytes of a passwords file as Load does, without touching the disk.
    void LoadBytes(QByteArray bytes);

    // The plain text of the file as saved, and its reading (for the file format's own tests and tools).
    QByteArray PlainText() const;
    void ReadPlainText(const QByteArray& plain);
    static QByteArray Encipher(QByteArray plain);
    static QByteArray Decipher(QByteArray cipher);

    const TKYVNDiskState& DiskState() const { return disk_; }

private:
    void loadFile();
    void saveFile(bool backupFiles);
    void readPlain(const QByteArray& plain, bool lengthDamaged);
    void rememberWritten();

    bool damaged_ = false;
    qint64 bytesLeftOut_ = 0;
    QByteArray writtenHash_; // SHA-256 of the plain text last read (as it would be written) or written
    TKYVNDiskState disk_;
};

// The folder of path (with its separator), "Backup of ", and the name part of path.
QString BackupFileName(const QString& path);
// Copies source to target, replacing it; a failure raises "Error saving file" with the reason and leaves
// a file already named target as it was.
void SaveFileCopy(const QString& source, const QString& target);
// The same, true on success.
bool CopyFileTo(const QString& source, const QString& target);
// Removes a read-only mark, then deletes; a missing file is no error.
void DeleteFileForced(const QString& path);
// The file exists and its file system answers.
bool FileExistsOnReadyDrive(const QString& path);
// The system's folder for temporary files, ending with "/".
QString TempFolder();
// Removes the ".keyvane-save-*" and ".keyvane-backup-*" files of saves that were cut short (a kill, a
// power cut) from folder; those of a save still running are locked by it and stay.
void RemoveStaleSaveFiles(const QString& folder);
