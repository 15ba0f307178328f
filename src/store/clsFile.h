// A passwords file in memory: its path, its password, its accounts and its form, read and written whole.
//
// A file has one of two forms on disk, told apart by its first bytes: the protected form, which the file
// password encrypts (FormProtected.h), and the designed form, enciphered under a fixed key
// (FormDesigned.h). Both carry the same plain text (FileText.h). The object writes back in the form it
// read, until it is told otherwise.
#pragma once

#include "FileDisk.h"
#include "FileLock.h"
#include "FormProtected.h"
#include "clsAccount.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <memory>

enum class TKYVNFileForm { Designed, Protected };

class TKYVNFile {
public:
    TKYVNFile() = default;
    ~TKYVNFile();
    TKYVNFile(const TKYVNFile&) = delete;
    TKYVNFile& operator=(const TKYVNFile&) = delete;

    QString FileName;
    QString Password;
    // Off for an object that is never written back (keyvane-cli saves with Save): a load then skips
    // recording what it read (two SHA-256 passes over the file), which WriteBack and Changed compare.
    bool ForWriteBack = true;
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

    // The form of the file under FileName, from its first bytes, without deriving any key. Raises
    // EKYVNRefusedHeader for a protected header that this version refuses, EQsException for a file
    // that cannot be read.
    TKYVNFileForm Examine() const;

    // Reads FileName: sets Password and appends the accounts. A protected file is opened with Password
    // (set it first): EKYVNWrongPassword when it does not open, EKYVNRefusedHeader for a refused header
    // (before any key is derived). Anything else raises EQsException "Error loading file '%s'." (name
    // without folder) with the reason as details, kind 1.
    void Load();
    // Loads a protected file with typed as its password: false when it does not open with it (the
    // accounts stay empty). Other failures raise as Load does.
    bool LoadWithPassword(const QString& typed);

    // Whether typed is the file password of the file in memory: the later checks of a session
    // (protected accounts, export, print, the tray). A protected file's password is matched exactly,
    // as its key is; the designed form folds the letters a to z, as the older program did.
    bool CheckPassword(const QString& typed) const;

    TKYVNFileForm Form() const { return form_; }
    bool IsProtected() const { return form_ == TKYVNFileForm::Protected; }
    // The form the next save writes. A file made protected gets a new salt and key at that save.
    void SetForm(TKYVNFileForm form);
    // "Argon2id, 256 MiB, 3 passes; XChaCha20-Poly1305" or "None: fixed key".
    QString Protection() const;
    // "protected (Argon2id, 256 MiB, 3 passes; XChaCha20-Poly1305)" or "not protected (fixed key)".
    QString FormDescription() const;
    // The file password's length limits of a form: 4 to 128 characters when protected, 4 to 25 for the
    // designed form (what the older program can type).
    static int MaxPasswordLength(TKYVNFileForm form) { return form == TKYVNFileForm::Protected ? 128 : 25; }
    static constexpr int MinPasswordLength = 4;
    // Whether a file of that form can keep password as its file password: raises EQsException saying
    // why not. The apostrophe and the number sign are refused only for the designed form, which the
    // older program reads.
    static void CheckNewPassword(const QString& password, TKYVNFileForm form);
    // Writes FileName, keeping the previous file as "Backup of <name>" when backupFiles is on. The new
    // file is written beside the old one, flushed, read back and checked, then renamed over it, so the
    // name always holds a complete file. Raises "Error saving file '%s'." (full path) with the reason.
    void Save(bool backupFiles);
    // As above, with BackupFiles of the preferences (on when no preferences are loaded).
    void Save();
    // Writes what is in memory to path in the given form, as a copy: the object stays the file it was.
    // A protected copy of a protected file keeps its key. Raises "Error saving file '%s'.".
    void SaveCopyAs(const QString& path, TKYVNFileForm form);

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

    // Reads the bytes of a passwords file of either form as Load does, without touching the disk.
    void LoadBytes(QByteArray bytes);
    // The bytes Save would write now, in the object's form (a protected form draws a new nonce).
    QByteArray FileBytes();

    // The plain text of the file as saved, and its reading (for the file format's own tests and tools).
    QByteArray PlainText() const;
    void ReadPlainText(const QByteArray& plain);
    // The designed form's cipher.
    static QByteArray Encipher(QByteArray plain);
    static QByteArray Decipher(QByteArray cipher);

    const TKYVNDiskState& DiskState() const { return disk_; }

private:
    void loadFile();
    void saveFile(bool backupFiles);
    void readPlain(const QByteArray& plain, bool lengthDamaged);
    QByteArray seal(const QByteArray& plain, TKYVNFileForm form);
    bool sealedAsMeant(const QByteArray& file, const QByteArray& plain, TKYVNFileForm form) const;
    struct TWritten {
        struct stat Status;
        QByteArray PlainHash; // of the plain text
        QByteArray BytesHash; // of the file's bytes
    };
    // copy: a copy under a name the user chose, decided when it is written (TQsReplaceFile::CommitChosen).
    TWritten writeFile(const QString& path, TKYVNFileForm form, bool backupFiles, bool backupInForm, bool copy = false);

    TKYVNFileForm form_ = TKYVNFileForm::Designed;
    TKYVNFileForm writtenForm_ = TKYVNFileForm::Designed;
    TKYVNProtectedForm protected_;
    bool damaged_ = false;
    qint64 bytesLeftOut_ = 0;
    QByteArray readAlikeHash_; // the last text read when it is what a write would write, else empty
    QByteArray writtenHash_;   // contentHash of the plain text last read (as it would be written) or written
    TKYVNDiskState disk_;
};
