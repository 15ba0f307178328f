// Replacing a file only when its new content is complete.
//
// The new content goes to a new owner-only (mode 0600, whatever the umask) file made exclusively beside
// the target under a hidden name ".keyvane-<tag>-XXXXXX". Only when it is written and flushed to the
// disk is it renamed over the target, in one step. Until then the earlier file stays as it was, and a
// new file that is not renamed into place (a failed write, a full disk, a cancel) is removed again.
//
// Failures are raised through a raiser, so that each layer reports them in its own exception type:
// the raiser receives the system's error code and must not return. The default raises std::system_error.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <functional>

struct stat;

using TQsRaiseSystemError = void (*)(int code);

// Throws std::system_error with the code in the generic category.
[[noreturn]] void QsRaiseSystemError(int code);

// The file a replacement writes: a link to an existing file is followed, so that the file it names is
// replaced and the link stays a link. Anything else (a dangling link too) is the absolute path itself.
QString QsReplaceTarget(const QString& path);

// The files that a writer of a file the user named never replaces: the open passwords file and its
// backup. The program names them through a provider; they are compared by device and inode at the
// moment of each replacement, so a link planted later cannot lead a write onto them.
using TQsGuardedFiles = std::function<QStringList()>;
void QsSetGuardedFiles(TQsGuardedFiles provider);

// Called by CommitChosen just before it decides where the new content goes; for tests that change the
// destination at the last moment, as a race would.
std::function<void(const QString& chosen)>& QsBeforeReplaceHook();

// Flushes a folder's entries (a rename, a new name) to the disk. Best effort: some file systems cannot.
void QsSyncFolder(const QString& folder);

// Writes all n bytes to fd, going on after interrupted and partial writes.
void QsWriteAll(int fd, const char* data, size_t n, TQsRaiseSystemError raise = QsRaiseSystemError);

// Writes a copy of source (owner-only) under the name the user chose, decided as CommitChosen does.
void QsCopyToChosen(const QString& source, const QString& chosen, TQsRaiseSystemError raise = QsRaiseSystemError);

class TQsReplaceFile {
public:
    // Locked holds an exclusive flock on the new file for as long as it is open: a clean-up can tell a
    // replacement still being written (locked) from one left behind by a killed program (lockable).
    enum TLock { Unlocked, Locked };

    TQsReplaceFile(const QString& folder, const char* tag, TLock lock = Unlocked,
                   TQsRaiseSystemError raise = QsRaiseSystemError);
    ~TQsReplaceFile(); // removes the new file unless it was renamed into place
    TQsReplaceFile(const TQsReplaceFile&) = delete;
    TQsReplaceFile& operator=(const TQsReplaceFile&) = delete;

    int Fd() const { return fd_; }
    const QByteArray& Path() const { return path_; } // the new file's name, in the file system's encoding
    QString FileName() const;
    const QString& Folder() const { return folder_; }

    void Write(QByteArrayView bytes);
    // Starts writing the data to the disk without waiting, so that work done before SyncAndClose
    // overlaps with the disk. A hint: failures show in SyncAndClose.
    void StartWriteBack();
    // Flushes the new file to the disk and closes it; status receives its state when flushed. Data
    // another writer put into the file by its name is flushed as well.
    void SyncAndClose(struct stat* status = nullptr);
    // Renames the new file over target; from then on it belongs to that name. Closes it first if open.
    void RenameTo(const QByteArray& target);
    void RenameTo(const QString& target);
    // The whole completion: flush, rename over target, flush the folder.
    void Commit(const QString& target);
    // As Commit, for a name the user chose (an export, a PDF, a copy), decided now: its links are
    // followed one by one, none that someone else owns in a sticky folder everyone may write to (EACCES),
    // and the file it ends at must not be a guarded one (EBUSY).
    void CommitChosen(const QString& chosen);

private:
    [[noreturn]] void fail(int code) const;

    QString folder_;
    QByteArray path_;
    TQsRaiseSystemError raise_;
    int fd_ = -1;
    bool kept_ = false;
};
