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

#include <cstddef>

struct stat;

using TQsRaiseSystemError = void (*)(int code);

// Throws std::system_error with the code in the generic category.
[[noreturn]] void QsRaiseSystemError(int code);

// The file a replacement writes: a link to an existing file is followed, so that the file it names is
// replaced and the link stays a link. Anything else (a dangling link too) is the absolute path itself.
QString QsReplaceTarget(const QString& path);

// Flushes a folder's entries (a rename, a new name) to the disk. Best effort: some file systems cannot.
void QsSyncFolder(const QString& folder);

// Writes all n bytes to fd, going on after interrupted and partial writes.
void QsWriteAll(int fd, const char* data, size_t n, TQsRaiseSystemError raise = QsRaiseSystemError);

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

private:
    [[noreturn]] void fail(int code) const;

    QString folder_;
    QByteArray path_;
    TQsRaiseSystemError raise_;
    int fd_ = -1;
    bool kept_ = false;
};
