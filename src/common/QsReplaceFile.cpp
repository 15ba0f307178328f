#include "QsReplaceFile.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
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

} // namespace

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
