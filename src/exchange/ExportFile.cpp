#include "ExportFile.h"

#include "Cryptcon.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

[[noreturn]] void ioError(int code = errno) {
    throw EInOutError(code);
}

// A link is followed, so that the file it names is the one replaced and the link stays.
QString resolvedTarget(const QString& path) {
    const QFileInfo info(path);
    return info.isSymLink() && info.exists() ? info.canonicalFilePath() : info.absoluteFilePath();
}

// A new owner-only file beside the target, removed again unless it was renamed into place.
class TSiblingFile {
public:
    explicit TSiblingFile(const QString& folder) {
        path_ = QFile::encodeName(folder) + "/.keyvane-export-XXXXXX";
        fd_ = ::mkostemp(path_.data(), O_CLOEXEC);
        if (fd_ < 0)
            ioError();
        ::fchmod(fd_, S_IRUSR | S_IWUSR); // mkostemp makes 0600 already; the umask cannot widen it
    }
    ~TSiblingFile() {
        if (fd_ >= 0)
            ::close(fd_);
        if (!kept_)
            ::unlink(path_.constData());
    }
    TSiblingFile(const TSiblingFile&) = delete;
    TSiblingFile& operator=(const TSiblingFile&) = delete;

    void write(const char* p, size_t n) {
        while (n > 0) {
            const ssize_t w = ::write(fd_, p, n);
            if (w < 0 && errno == EINTR)
                continue;
            if (w < 0)
                ioError();
            if (w == 0)
                ioError(EIO);
            p += w;
            n -= size_t(w);
        }
    }
    void syncAndClose() {
        if (::fsync(fd_) != 0)
            ioError();
        const int f = fd_;
        fd_ = -1;
        if (::close(f) != 0)
            ioError();
    }
    void renameTo(const QByteArray& target) {
        if (::rename(path_.constData(), target.constData()) != 0)
            ioError();
        kept_ = true;
    }

private:
    QByteArray path_;
    int fd_ = -1;
    bool kept_ = false;
};

} // namespace

QString ExportTargetPath(const QString& typed) {
    if (typed.isEmpty())
        return {};
    QString path = typed;
    if (path == QStringLiteral("~"))
        path = QDir::homePath();
    else if (path.startsWith(QStringLiteral("~/")))
        path = QDir::homePath() + path.mid(1);
    return QFileInfo(path).absoluteFilePath();
}

bool ExportTargetUsable(const QString& path) {
    if (path.isEmpty() || path.endsWith(u'/'))
        return false;
    const QString target = resolvedTarget(path);
    const QByteArray native = QFile::encodeName(target);
    const QFileInfo folder(QFileInfo(target).absolutePath());
    if (!folder.isDir())
        return false;
    struct stat st;
    if (::stat(native.constData(), &st) == 0) {
        // An existing file is replaced only by the export itself; here it is only looked at. One
        // without any write bit is read-only and is not replaced behind the user's back.
        if (!S_ISREG(st.st_mode) || (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
            return false;
        try {
            TSiblingFile probe(folder.absoluteFilePath()); // the folder takes the new file
        } catch (const EInOutError&) {
            return false;
        }
        return true;
    }
    if (errno != ENOENT)
        return false;
    // The name itself is tried: created exclusively, so that only the probe's own file is removed.
    const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    ::close(fd);
    ::unlink(native.constData());
    return true;
}

void WriteExportFile(const QString& path, const QByteArray& data) {
    if (path.isEmpty())
        ioError(ENOENT);
    const QString target = resolvedTarget(path);
    const QByteArray native = QFile::encodeName(target);
    struct stat st;
    if (::stat(native.constData(), &st) == 0 && !S_ISREG(st.st_mode))
        ioError(S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
    const QString folder = QFileInfo(target).absolutePath();
    TSiblingFile fresh(folder);
    fresh.write(data.constData(), size_t(data.size()));
    fresh.syncAndClose();
    fresh.renameTo(native);
    const int dir = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir); // best effort: some file systems cannot sync a folder
        ::close(dir);
    }
}
