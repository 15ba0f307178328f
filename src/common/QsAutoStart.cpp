#include "QsAutoStart.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

QString AutoStartEntryPath() {
    QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (config.isEmpty())
        config = QDir::homePath() + QStringLiteral("/.config");
    return config + QStringLiteral("/autostart/KYVN.desktop");
}

bool AutoStartEntryExists() {
    return QFile::exists(AutoStartEntryPath());
}

QString AutoStartExecValue(const QString& exePath) {
    // Two layers: inside the double quotes of one argument, " ` $ and \ take a backslash; "%" is a field
    // code and is doubled. Then the value as a whole is a desktop-entry string, where a backslash is
    // written twice and line breaks as \n. A path with spaces or quotes so reaches the launcher intact.
    QString arg;
    for (const QChar c : exePath) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
            arg += u'\\';
        if (c == u'%')
            arg += u'%';
        arg += c;
    }
    QString value;
    for (const QChar c : u'"' + arg + u'"') {
        if (c == u'\\')
            value += QStringLiteral("\\\\");
        else if (c == u'\n')
            value += QStringLiteral("\\n");
        else if (c == u'\r')
            value += QStringLiteral("\\r");
        else if (c == u'\t')
            value += QStringLiteral("\\t");
        else
            value += c;
    }
    return value;
}

void WriteAutoStartEntry(const QString& exePath) {
    const QString path = AutoStartEntryPath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return;
    const QString text = QStringLiteral("[Desktop Entry]\n"
                                        "Type=Application\n"
                                        "Name=Tessivo Keyvane\n"
                                        "Comment=Password manager\n"
                                        "Exec=%1\n"
                                        "Icon=keyvane\n"
                                        "Terminal=false\n"
                                        "X-GNOME-Autostart-enabled=true\n")
                             .arg(AutoStartExecValue(exePath));
    file.write(text.toUtf8());
    file.commit();
}

void DeleteAutoStartEntry() {
    QFile::remove(AutoStartEntryPath());
}
