#include "QsFileWatch.h"

#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QTimer>

namespace {
// A writer that makes its file in several steps (a sync client, a copy) is done within this time;
// one look after the burst instead of one per step.
constexpr int kSettleMs = 150;
} // namespace

TQsFileWatch::TQsFileWatch(QObject* parent)
    : QObject(parent), watcher_(new QFileSystemWatcher(this)), settle_(new QTimer(this)) {
    settle_->setSingleShot(true);
    settle_->setInterval(kSettleMs);
    connect(watcher_, &QFileSystemWatcher::fileChanged, this, &TQsFileWatch::noticed);
    connect(watcher_, &QFileSystemWatcher::directoryChanged, this, &TQsFileWatch::noticed);
    connect(settle_, &QTimer::timeout, this, [this] {
        rewatch();
        emit Changed();
    });
}

void TQsFileWatch::SetPath(const QString& path) {
    if (path == path_)
        return;
    if (!watcher_->files().isEmpty())
        watcher_->removePaths(watcher_->files());
    if (!watcher_->directories().isEmpty())
        watcher_->removePaths(watcher_->directories());
    settle_->stop();
    path_ = path;
    rewatch();
}

void TQsFileWatch::noticed() {
    // the first change of a burst starts the count; later ones fall inside it
    if (!settle_->isActive())
        settle_->start();
}

void TQsFileWatch::rewatch() {
    if (path_.isEmpty())
        return;
    const QFileInfo info(path_);
    const QString folder = info.absolutePath();
    if (!watcher_->directories().contains(folder) && QFileInfo(folder).isDir())
        watcher_->addPath(folder);
    // a file renamed over the old one is a new file: its watch is set again
    const QString file = info.absoluteFilePath();
    if (watcher_->files().contains(file))
        watcher_->removePath(file);
    if (info.exists())
        watcher_->addPath(file);
}
