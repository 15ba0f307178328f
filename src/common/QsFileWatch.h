// Tells when a file may have changed on disk. The folder is watched as well as the file: a save that
// renames a new file over the old one (as every careful writer does) leaves a watch on the file alone
// following the old, removed file.
#pragma once

#include <QObject>
#include <QString>

class QFileSystemWatcher;
class QTimer;

class TQsFileWatch : public QObject {
    Q_OBJECT
public:
    explicit TQsFileWatch(QObject* parent = nullptr);

    // Watches path from now on; an empty path watches nothing.
    void SetPath(const QString& path);
    QString Path() const { return path_; }

signals:
    // Once after a burst of changes to the file or its folder has settled; the receiver compares the
    // file with what it knows (the folder also changes for other files).
    void Changed();

private:
    void noticed();
    void rewatch();

    QFileSystemWatcher* watcher_;
    QTimer* settle_;
    QString path_;
};
