#include "QsDialogFolder.h"

#include "QsApp.h"
#include "QsRegUtils.h"

#include <QDir>
#include <QFileInfo>

namespace {

QString& openFile() {
    static QString path;
    return path;
}

const QString kValue = QStringLiteral("LastFolder");

QString storageKey() {
    return AppInfo->ProductKey + QStringLiteral("\\Storage");
}

// A folder that is gone (a removed drive, a renamed folder) is no place to start.
bool usable(const QString& folder) {
    return !folder.isEmpty() && QFileInfo(folder).isDir();
}

} // namespace

QString QsDialogStartFolder() {
    if (!openFile().isEmpty()) {
        const QString folder = QFileInfo(openFile()).absolutePath();
        if (usable(folder))
            return folder;
    }
    if (AppInfo) {
        const QString last = ReadRegString(AppInfo->RegistryRoot, storageKey(), kValue, QString());
        if (usable(last))
            return last;
    }
    return QDir::homePath();
}

void QsSetOpenFileForDialogs(const QString& filePath) {
    openFile() = filePath;
}

void QsNoteDialogChoice(const QString& filePath) {
    if (filePath.isEmpty() || !AppInfo)
        return;
    WriteRegString(AppInfo->RegistryRoot, storageKey(), kValue, QFileInfo(filePath).absolutePath());
}
