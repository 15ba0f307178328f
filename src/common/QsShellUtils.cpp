#include "QsShellUtils.h"

#include "QsExceptions.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>

namespace {
TQsUrlOpener& openerSlot() {
    static TQsUrlOpener opener;
    return opener;
}

void openUrl(const QString& text) {
    const QUrl url(text, QUrl::TolerantMode);
    if (openerSlot())
        openerSlot()(url);
    else
        QDesktopServices::openUrl(url);
}
} // namespace

void QsSetUrlOpener(TQsUrlOpener opener) {
    openerSlot() = std::move(opener);
}

void OpenWebAddress(const QString& address) {
    if (address.isEmpty())
        return;
    // Schemes are case-insensitive, and a secure address must stay secure rather than become
    // "http://https://...".
    const bool hasScheme = address.startsWith(QLatin1String("http://"), Qt::CaseInsensitive) ||
                           address.startsWith(QLatin1String("https://"), Qt::CaseInsensitive);
    openUrl(hasScheme ? address : QStringLiteral("http://") + address);
}

void OpenMailAddress(const QString& address) {
    const bool hasScheme = address.startsWith(QLatin1String("mailto:"), Qt::CaseInsensitive);
    openUrl(hasScheme ? address : QStringLiteral("mailto:") + address);
}

QStringList QsSystemInfoTools() {
    return {QStringLiteral("kinfocenter"), QStringLiteral("hardinfo2"), QStringLiteral("hardinfo"),
            QStringLiteral("gnome-system-monitor")};
}

void RunSystemInfo() {
    try {
        QString path;
        for (const QString& tool : QsSystemInfoTools()) {
            path = QStandardPaths::findExecutable(tool);
            if (!path.isEmpty())
                break;
        }
        if (path.isEmpty())
            throw EQsException(
                QStringLiteral("The Operating System registry contains an empty path definition for System Info."));
        if (!QProcess::startDetached(path, {}))
            throw EQsException(
                QStringLiteral("An error was raised by the Operating System while running System Info."));
    } catch (const std::exception& e) {
        throw EQsException(QStringLiteral("Unable to run System Info at this time."), QsExceptionMessage(e), 1);
    }
}

QIcon FileIcon(const QString& path) {
    static const QMimeDatabase db;
    const QMimeType type = db.mimeTypeForFile(QFileInfo(path).fileName(), QMimeDatabase::MatchExtension);
    QIcon icon = QIcon::fromTheme(type.iconName());
    if (icon.isNull())
        icon = QIcon::fromTheme(type.genericIconName());
    return icon;
}
