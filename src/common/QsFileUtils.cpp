#include "QsFileUtils.h"

#include <QFileInfo>
#include <QMimeDatabase>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

qint64 FileSize(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists() || info.isDir())
        return -1;
    return info.size();
}

QDateTime FatRoundedTime(const QDateTime& time) {
    if (!time.isValid())
        return {};
    const QDateTime local = time.toLocalTime();
    const QDate d = local.date();
    if (d.year() < 1980 || d.year() > 2107)
        return {};
    const QTime t = local.time();
    return QDateTime(d, QTime(t.hour(), t.minute(), t.second() - t.second() % 2));
}

namespace {
QDateTime fileTime(const QString& path, QFileDevice::FileTime which) {
    const QFileInfo info(path);
    if (!info.exists())
        return {};
    return FatRoundedTime(info.fileTime(which));
}
} // namespace

QDateTime FileCreatedTime(const QString& path) {
    return fileTime(path, QFileDevice::FileBirthTime);
}
QDateTime FileModifiedTime(const QString& path) {
    return fileTime(path, QFileDevice::FileModificationTime);
}
QDateTime FileAccessedTime(const QString& path) {
    return fileTime(path, QFileDevice::FileAccessTime);
}

namespace {
bool compressedFlag(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    int flags = 0;
    const bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    ::close(fd);
    return ok && (flags & FS_COMPR_FL);
}
} // namespace

qint64 FileAttributes(const QString& path) {
    struct stat st {};
    const QByteArray name = QFile::encodeName(path);
    if (path.isEmpty() || ::stat(name.constData(), &st) != 0)
        return -1;
    qint64 attrs = 0;
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        attrs |= faReadOnly;
    if (QFileInfo(path).fileName().startsWith(u'.'))
        attrs |= faHidden;
    if (!S_ISREG(st.st_mode))
        attrs |= faSysFile;
    else
        attrs |= faArchive;
    if (S_ISREG(st.st_mode) && compressedFlag(path))
        attrs |= faCompressed;
    return attrs;
}

bool HasAttributes(const QString& path, quint32 mask) {
    const qint64 attrs = FileAttributes(path);
    return attrs >= 0 && (quint32(attrs) & mask) == mask;
}

bool SetAttributes(const QString& path, quint32 attrs, bool replace) {
    const qint64 current = FileAttributes(path);
    if (current < 0)
        return false;
    const quint32 wanted = replace ? attrs : (attrs & quint32(current));
    struct stat st {};
    const QByteArray name = QFile::encodeName(path);
    if (::stat(name.constData(), &st) != 0)
        return false;
    mode_t mode = st.st_mode & 07777;
    if (wanted & faReadOnly)
        mode &= ~mode_t(S_IWUSR | S_IWGRP | S_IWOTH);
    else
        mode |= S_IWUSR;
    if (mode == (st.st_mode & 07777))
        return true;
    return ::chmod(name.constData(), mode) == 0;
}

QString FileTypeName(const QString& path) {
    const QString suffix = QFileInfo(path).suffix();
    QString text = QStringLiteral("%1 File").arg(suffix.toUpper());
    if (suffix.isEmpty())
        return text;
    // Only the extension decides, as for a file association: the contents are not looked at.
    static const QMimeDatabase db;
    const QMimeType type = db.mimeTypeForFile(QFileInfo(path).fileName(), QMimeDatabase::MatchExtension);
    if (type.isValid() && !type.isDefault() && !type.comment().isEmpty())
        text = type.comment();
    return text;
}
