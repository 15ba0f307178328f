#include "QsReplaceFile.h"

#include <QFile>
#include <QFileInfo>

#include <QMutex>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace {

[[noreturn]] void raiseWith(TQsRaiseSystemError raise, int code) {
    if (raise)
        raise(code);
    QsRaiseSystemError(code); // a raiser that returned must not let the failure pass as success
}

bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

struct TGuard {
    QMutex lock;
    TQsGuardedFiles provider;
};

TGuard& guard() {
    static TGuard g;
    return g;
}

bool isGuarded(const struct stat& target) {
    TQsGuardedFiles provider;
    {
        QMutexLocker locked(&guard().lock);
        provider = guard().provider;
    }
    if (!provider)
        return false;
    for (const QString& path : provider()) {
        struct stat st;
        if (!path.isEmpty() && ::stat(QFile::encodeName(path).constData(), &st) == 0 && sameFile(st, target))
            return true;
    }
    return false;
}

QByteArray folderOf(const QByteArray& path) {
    const qsizetype slash = path.lastIndexOf('/');
    return slash <= 0 ? QByteArray("/") : path.left(slash);
}

QByteArray nameOf(const QByteArray& path) {
    return path.mid(path.lastIndexOf('/') + 1);
}

// Where a replacement of path lands now: its folder without links, and its name there. The links of
// the name are followed one at a time; in a sticky folder that everyone may write to, only a link of
// the writer or of the folder's owner is (as the kernel's protected links do). A dangling link is
// itself replaced. Returns 0 or the reason.
int resolveChosen(const QByteArray& chosen, QByteArray& folder, QByteArray& name) {
    QByteArray path = chosen;
    for (int hop = 0; hop < 40; ++hop) {
        char real[PATH_MAX];
        if (!::realpath(folderOf(path).constData(), real))
            return errno;
        const QByteArray here(real);
        const QByteArray leaf = nameOf(path);
        if (leaf.isEmpty() || leaf == "." || leaf == "..")
            return EISDIR;
        const QByteArray full = (here == "/" ? QByteArray() : here) + '/' + leaf;
        if (hop == 0) {
            folder = here;
            name = leaf;
        }
        struct stat link, in;
        if (::lstat(full.constData(), &link) != 0) {
            if (errno != ENOENT)
                return errno;
            if (hop == 0) // a new name
                return 0;
            return 0; // a dangling link: the link itself is replaced (folder and name of the first hop)
        }
        if (!S_ISLNK(link.st_mode)) {
            folder = here;
            name = leaf;
            return 0;
        }
        if (::stat(here.constData(), &in) != 0)
            return errno;
        if ((in.st_mode & S_ISVTX) && (in.st_mode & S_IWOTH) && link.st_uid != ::geteuid() && link.st_uid != in.st_uid)
            return EACCES;
        char to[PATH_MAX];
        const ssize_t n = ::readlink(full.constData(), to, sizeof to - 1);
        if (n < 0)
            return errno;
        const QByteArray target(to, n);
        path = target.startsWith('/') ? target : (here == "/" ? QByteArray() : here) + '/' + target;
    }
    return ELOOP;
}

} // namespace

void QsSetGuardedFiles(TQsGuardedFiles provider) {
    QMutexLocker locked(&guard().lock);
    guard().provider = std::move(provider);
}

std::function<void(const QString& chosen)>& QsBeforeReplaceHook() {
    static std::function<void(const QString&)> hook;
    return hook;
}

void QsRaiseSystemError(int code) {
    throw std::system_error(code, std::generic_category());
}

QString QsReplaceTarget(const QString& path) {
    const QFileInfo info(path);
    return info.isSymLink() && info.exists() ? info.canonicalFilePath() : info.absoluteFilePath();
}

void QsSyncFolder(const QString& folder) {
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

void QsWriteAll(int fd, const char* data, size_t n, TQsRaiseSystemError raise) {
    while (n > 0) {
        const ssize_t w = ::write(fd, data, n);
        if (w < 0 && errno == EINTR)
            continue;
        if (w < 0)
            raiseWith(raise, errno);
        if (w == 0)
            raiseWith(raise, EIO);
        data += w;
        n -= size_t(w);
    }
}

TQsReplaceFile::TQsReplaceFile(const QString& folder, const char* tag, TLock lock, TQsRaiseSystemError raise)
    : folder_(folder), raise_(raise) {
    const QByteArray pattern = QFile::encodeName(folder) + "/.keyvane-" + tag + "-XXXXXX";
    // mkostemp makes the file with O_EXCL and mode 0600; the umask cannot widen it.
    for (int attempt = 0; attempt < 16; ++attempt) {
        path_ = pattern;
        fd_ = ::mkostemp(path_.data(), O_CLOEXEC);
        if (fd_ < 0)
            fail(errno);
        if (lock == Unlocked)
            return;
        // Between its making and its lock, a clean-up may have taken the file for a stale one.
        struct stat mine, named;
        if (::flock(fd_, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd_, &mine) == 0 &&
            ::lstat(path_.constData(), &named) == 0 && sameFile(mine, named))
            return;
        ::close(fd_);
        fd_ = -1;
    }
    path_.clear();
    fail(EEXIST);
}

TQsReplaceFile::~TQsReplaceFile() {
    if (fd_ >= 0)
        ::close(fd_);
    if (!kept_ && !path_.isEmpty())
        ::unlink(path_.constData());
}

QString TQsReplaceFile::FileName() const {
    return QFile::decodeName(path_);
}

void TQsReplaceFile::fail(int code) const {
    raiseWith(raise_, code);
}

void TQsReplaceFile::Write(QByteArrayView bytes) {
    QsWriteAll(fd_, bytes.constData(), size_t(bytes.size()), raise_);
}

void TQsReplaceFile::StartWriteBack() {
#ifdef SYNC_FILE_RANGE_WRITE
    ::sync_file_range(fd_, 0, 0, SYNC_FILE_RANGE_WRITE);
#endif
}

void TQsReplaceFile::SyncAndClose(struct stat* status) {
    if (::fsync(fd_) != 0)
        fail(errno);
    if (status && ::fstat(fd_, status) != 0)
        fail(errno);
    const int f = fd_;
    fd_ = -1;
    if (::close(f) != 0)
        fail(errno);
}

void TQsReplaceFile::RenameTo(const QByteArray& target) {
    if (fd_ >= 0)
        SyncAndClose();
    if (::rename(path_.constData(), target.constData()) != 0)
        fail(errno);
    kept_ = true;
}

void TQsReplaceFile::RenameTo(const QString& target) {
    RenameTo(QFile::encodeName(target));
}

void TQsReplaceFile::Commit(const QString& target) {
    RenameTo(target);
    QsSyncFolder(folder_);
}

void TQsReplaceFile::CommitChosen(const QString& chosen) {
    if (fd_ >= 0)
        SyncAndClose();
    if (const auto& hook = QsBeforeReplaceHook())
        hook(chosen);
    QByteArray folder, name;
    if (const int error = resolveChosen(QFile::encodeName(QFileInfo(chosen).absoluteFilePath()), folder, name))
        fail(error);
    // The folder is held open from here, so that the name checked is the name replaced.
    const int dir = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0)
        fail(errno);
    struct stat st;
    int error = 0;
    if (::fstatat(dir, name.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
        if (S_ISDIR(st.st_mode))
            error = EISDIR;
        else if (!S_ISLNK(st.st_mode) && isGuarded(st))
            error = EBUSY;
    } else if (errno != ENOENT) {
        error = errno;
    }
    if (!error && ::renameat(AT_FDCWD, path_.constData(), dir, name.constData()) != 0)
        error = errno;
    if (!error) {
        kept_ = true;
        ::fsync(dir);
    }
    ::close(dir);
    if (error)
        fail(error);
}

void QsCopyToChosen(const QString& source, const QString& chosen, TQsRaiseSystemError raise) {
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        raiseWith(raise, ENOENT);
    const QByteArray bytes = in.readAll();
    if (in.error() != QFile::NoError)
        raiseWith(raise, EIO);
    TQsReplaceFile copy(QFileInfo(QsReplaceTarget(chosen)).absolutePath(), "copy", TQsReplaceFile::Unlocked, raise);
    copy.Write(bytes);
    copy.CommitChosen(chosen);
}
