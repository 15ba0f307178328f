// The disk steps of a passwords file: reading it whole, writing a new file beside it and renaming it
// over the old one, keeping the backup, and the state a file had when it was last read or written.
#pragma once

#include "Cryptcon.h"
#include "QsReplaceFile.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cerrno>
#include <sys/stat.h>
#include <sys/types.h>

// Where a file stood on disk when it was last read or written: enough to tell whether someone else
// has replaced or changed it since.
struct TKYVNDiskState {
    bool Known = false;
    dev_t Device = 0;
    ino_t Inode = 0;
    qint64 Size = 0;
    qint64 ModifiedNs = 0;
    QByteArray Hash; // contentHash of the bytes
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
// Removes the ".keyvane-save-*" and ".keyvane-backup-*" files of saves that were cut short (a kill, a
// power cut) from folder; those of a save still running are locked by it and stay.
void RemoveStaleSaveFiles(const QString& folder);

// The steps the file object builds its reading and writing from. Failures raise EInOutError.
namespace KyvnDisk {

QByteArray nativePath(const QString& path);
[[noreturn]] void ioError(int code = errno);
// Reads the whole of a regular file; reuse lends the memory of a buffer that is no longer needed.
QByteArray readWholeFile(const QString& path, QByteArray reuse = QByteArray(), struct stat* status = nullptr);
void writeAllTo(int fd, const char* p, size_t n);
bool sameFile(const struct stat& a, const struct stat& b);
// Keeps the file current under the name backup, in one rename.
void keepBackup(const QString& folder, const QByteArray& current, const QByteArray& backup);
// A strong hash of content, to tell whether two contents are the same.
QByteArray contentHash(QByteArrayView bytes);
TKYVNDiskState diskState(const struct stat& st, QByteArrayView bytes);

class TFd {
public:
    explicit TFd(int fd = -1) : fd(fd) {}
    ~TFd() {
        if (fd >= 0)
            ::close(fd);
    }
    TFd(const TFd&) = delete;
    TFd& operator=(const TFd&) = delete;
    void close() {
        const int f = fd;
        fd = -1;
        if (::close(f) != 0)
            ioError();
    }
    int fd;
};

// A save's new file beside the target (mode 0600), removed again unless it is kept. It is locked for as
// long as it is open, which tells the clean-up of a later save that its save is still running.
class TSiblingFile : public TQsReplaceFile {
public:
    TSiblingFile(const QString& folder, const char* tag) : TQsReplaceFile(folder, tag, Locked, &RaiseInOutError) {}
};

} // namespace KyvnDisk
