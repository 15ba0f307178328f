#include "ExportFile.h"

#include "Cryptcon.h"
#include "QsDialogFolder.h"
#include "QsReplaceFile.h"

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

// The export's new file beside the target, owner-only and removed again unless renamed into place.
class TExportFile : public TQsReplaceFile {
public:
    explicit TExportFile(const QString& folder) : TQsReplaceFile(folder, "export", Unlocked, &RaiseInOutError) {}
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
    // A bare name goes where a file dialog would start, not into the folder the program was started in.
    return QDir(QsDialogStartFolder()).absoluteFilePath(path);
}

bool ExportTargetUsable(const QString& path) {
    if (path.isEmpty() || path.endsWith(u'/'))
        return false;
    const QString target = QsReplaceTarget(path);
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
            TExportFile probe(folder.absoluteFilePath()); // the folder takes the new file
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
    const QString target = QsReplaceTarget(path);
    const QByteArray native = QFile::encodeName(target);
    struct stat st;
    if (::stat(native.constData(), &st) == 0 && !S_ISREG(st.st_mode))
        ioError(S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
    const QString folder = QFileInfo(target).absolutePath();
    TExportFile fresh(folder);
    fresh.Write(data);
    fresh.CommitChosen(path); // where the name leads is decided now, not when it was chosen
}
