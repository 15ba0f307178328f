#include "FileDisk.h"

#include "QsExceptions.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <sodium.h>
#include <sys/file.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace {
const char kSavePrefix[] = ".keyvane-save-";
const char kBackupPrefix[] = ".keyvane-backup-";
} // namespace

namespace KyvnDisk {

QByteArray nativePath(const QString& path) {
    return QFile::encodeName(path);
}

[[noreturn]] void ioError(int code) {
    throw EInOutError(code);
}

// Reads the whole file; reuse lends the memory of a buffer that is no longer needed.
QByteArray readWholeFile(const QString& path, QByteArray reuse, struct stat* status) {
    // Opened without waiting, so that a named pipe cannot block; only regular files are read, as a
    // device could feed data without end.
    TFd file(::open(nativePath(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (file.fd < 0)
        ioError();
    struct stat st;
    if (::fstat(file.fd, &st) != 0)
        ioError();
    if (S_ISDIR(st.st_mode))
        ioError(EISDIR);
    if (!S_ISREG(st.st_mode))
        ioError(EINVAL);
    QByteArray data = std::move(reuse);
    data.resize(qsizetype(st.st_size > 0 ? st.st_size : 0));
    qsizetype got = 0;
    for (;;) {
        if (got == data.size())
            data.resize(got + 65536); // the file grew, or its size is not known in advance
        const ssize_t n = ::read(file.fd, data.data() + got, size_t(data.size() - got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            ioError();
        if (n == 0)
            break;
        got += n;
    }
    data.resize(got);
    if (status) {
        *status = st;
        status->st_size = got;
    }
    file.close();
    return data;
}

void writeAllTo(int fd, const char* p, size_t n) {
    QsWriteAll(fd, p, n, &RaiseInOutError);
}

bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Keeps the current file under the backup name. A hard link keeps the very bytes without copying;
// where the file system has no links, a flushed copy does. Either way the old backup is replaced in
// one rename, so a failure here leaves both files as they were.
void keepBackup(const QString& folder, const QByteArray& current, const QByteArray& backup) {
    TSiblingFile copy(folder, "backup");
    const QByteArray linkPath = copy.Path() + ".lnk";
    if (::link(current.constData(), linkPath.constData()) == 0) {
        const bool renamed = ::rename(linkPath.constData(), backup.constData()) == 0;
        const int err = errno;
        // When the backup already is another name of the same file, rename succeeds without doing
        // anything and the link would stay behind.
        ::unlink(linkPath.constData());
        if (!renamed)
            ioError(err);
        return;
    }
    const QByteArray bytes = readWholeFile(QFile::decodeName(current));
    writeAllTo(copy.Fd(), bytes.constData(), size_t(bytes.size()));
    struct stat st;
    if (::stat(current.constData(), &st) == 0) {
        if (::fchown(copy.Fd(), st.st_uid, st.st_gid) != 0) {
            // the saver stays the owner; the mode below still keeps others out
        }
        ::fchmod(copy.Fd(), st.st_mode & 07777);
    }
    copy.SyncAndClose();
    copy.RenameTo(backup);
}

QByteArray contentHash(QByteArrayView bytes) {
    // A keyed universal hash (Poly1305) at several GB/s: its key is random for each run of the program and
    // never leaves its memory, and the hashes are only compared within the run, never stored or shown, so
    // no one can make two contents that hash alike. The few hundred megabytes a large file is hashed per
    // load and save cost milliseconds instead of the bookkeeping outweighing the cipher.
    static const struct TKey {
        unsigned char Bytes[crypto_onetimeauth_KEYBYTES];
        TKey() {
            if (sodium_init() < 0)
                std::abort(); // no random numbers: nothing of the file's safety can be kept
            randombytes_buf(Bytes, sizeof Bytes);
        }
    } key;
    QByteArray hash(crypto_onetimeauth_BYTES, Qt::Uninitialized);
    crypto_onetimeauth(reinterpret_cast<unsigned char*>(hash.data()),
                       reinterpret_cast<const unsigned char*>(bytes.data()), quint64(bytes.size()), key.Bytes);
    return hash;
}

TKYVNDiskState diskState(const struct stat& st, QByteArrayView bytes) {
    TKYVNDiskState d;
    d.Known = true;
    d.Device = st.st_dev;
    d.Inode = st.st_ino;
    d.Size = qint64(st.st_size);
    d.ModifiedNs = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    d.Hash = contentHash(bytes);
    return d;
}

} // namespace KyvnDisk

using namespace KyvnDisk;

// ---- File helpers -------------------------------------------------------------------------------

QString BackupFileName(const QString& path) {
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return path.left(slash + 1) + QStringLiteral("Backup of ") + path.mid(slash + 1);
}

bool CopyFileTo(const QString& source, const QString& target) {
    try {
        const QByteArray bytes = readWholeFile(source);
        TFd out(::open(nativePath(target).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
        if (out.fd < 0)
            return false;
        writeAllTo(out.fd, bytes.constData(), size_t(bytes.size()));
        out.close();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

void DeleteFileForced(const QString& path) {
    // Deleting needs no write permission on the file itself; the read-only mark is no obstacle.
    ::unlink(nativePath(path).constData());
}

bool FileExistsOnReadyDrive(const QString& path) {
    const QByteArray native = nativePath(path);
    struct stat st;
    if (::stat(native.constData(), &st) != 0 || S_ISDIR(st.st_mode))
        return false;
    struct statvfs vfs;
    return ::statvfs(native.constData(), &vfs) == 0;
}

QString TempFolder() {
    QString folder = QDir::tempPath();
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
}

void RemoveStaleSaveFiles(const QString& folder) {
    DIR* dir = ::opendir(nativePath(folder).constData());
    if (!dir)
        return;
    const int dfd = ::dirfd(dir);
    // A save holds a lock on its file from its making to its rename; a file that can be locked is stale.
    auto busy = [dfd](const char* name) {
        const int fd = ::openat(dfd, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            return errno != ENOENT;
        const bool locked = ::flock(fd, LOCK_EX | LOCK_NB) != 0;
        ::close(fd);
        return locked;
    };
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (!name.startsWith(kSavePrefix) && !name.startsWith(kBackupPrefix))
            continue;
        if (name.endsWith(".lnk")) {
            // the backup's second name of the passwords file, made under the lock of its backup file
            if (!busy(name.chopped(4).constData()))
                ::unlinkat(dfd, name.constData(), 0);
            continue;
        }
        const int fd = ::openat(dfd, name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat mine, named;
        if (::fstat(fd, &mine) == 0 && S_ISREG(mine.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
            ::fstatat(dfd, name.constData(), &named, AT_SYMLINK_NOFOLLOW) == 0 && sameFile(mine, named))
            ::unlinkat(dfd, name.constData(), 0);
        ::close(fd);
    }
    ::closedir(dir);
}
