// Reading the open file again when it changes on disk (a sync from another machine, keyvane-cli), so the
// window shows what the file holds. Every change made here is written at once, so the window has nothing
// of its own to lose by a reload; a change still waiting (an open dialog, a write that failed) goes
// through the write-back, which keeps the version written elsewhere beside the file.
#include "frmMain.h"

#include "QsExceptions.h"
#include "QsFileWatch.h"
#include "clsAccount.h"
#include "clsFile.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <QScrollBar>
#include <QTimer>
#include <QTreeView>

namespace {
// A command or dialog in progress works on the accounts in memory: they stay until it is done, and
// what it changes reaches the file through the write-back.
bool reloadFree(const TKYVNMain& w) {
    return w.CommandsRunning == 0 && !QApplication::activeModalWidget() && w.TrayState != 2;
}
} // namespace

void TKYVNMain::WatchOpenFile() {
    if (!FileWatch) {
        FileWatch = new TQsFileWatch(this);
        connect(FileWatch, &TQsFileWatch::Changed, this, &TKYVNMain::FileChangedOnDisk);
        // a reload held back looks again now and then until the dialog has gone
        tReloadRetry = new QTimer(this);
        tReloadRetry->setInterval(250);
        connect(tReloadRetry, &QTimer::timeout, this, &TKYVNMain::ReloadWhenFree);
    }
    FileWatch->SetPath(OpenFilePath);
}

void TKYVNMain::FileChangedOnDisk() {
    if (!FileOpen || OpenFilePath.isEmpty())
        return;
    ReloadPending = true;
    ReloadWhenFree();
}

void TKYVNMain::ReloadWhenFree() {
    if (ReloadPending && !reloadFree(*this)) {
        tReloadRetry->start();
        return;
    }
    tReloadRetry->stop();
    if (!ReloadPending)
        return;
    ReloadPending = false;
    QsGuard([this] { ReloadOpenFile(); });
}

bool TKYVNMain::ReloadOpenFile() {
    if (!FileOpen || !CurrentFile || OpenFilePath.isEmpty())
        return false;
    // A file gone for a moment (a sync replacing it) is looked at again when it is back; the next
    // write-back would put it back in any case.
    if (!QFileInfo::exists(OpenFilePath) || !CurrentFile->ChangedElsewhere())
        return false; // the program's own save, or the same bytes written again
    if (!ReadOnly && CurrentFile->Changed()) {
        // A change of this window not yet on disk: the write-back keeps the other version beside the
        // file and says so; both are there to merge.
        WriteBack();
        return false;
    }

    // The selected account stays selected and where it stood on screen; when it went, the scroll
    // position stays and its neighbour is selected.
    const TKYVNAccount* selected = SelectedAccount();
    const QString selectedName = selected ? selected->AccountName : QString();
    const int selectedRow = SelectedRow();
    const int selectedTop = selected ? lvAccounts->visualRect(lvAccounts->currentIndex()).top() : 0;
    QScrollBar* scroll = lvAccounts->verticalScrollBar();
    const int scrolled = scroll->value();
    const QString password = CurrentFile->Password;

    if (!OpenSequence(OpenFilePath, &password)) {
        // The file password was changed elsewhere and not given here: the window no longer shows
        // the file (nothing of this window was unwritten).
        SetFileOpen(false);
        return false;
    }
    int row = -1;
    for (int i = 0; i < RowCount() && !selectedName.isEmpty(); ++i)
        if (AccountAt(i)->AccountName == selectedName) {
            row = i;
            break;
        }
    const bool found = row >= 0;
    if (!found && selectedRow >= 0)
        row = std::min(selectedRow, RowCount() - 1);
    if (row >= 0)
        SelectRow(row);
    else
        lvAccounts->clearSelection();
    scroll->setValue(scrolled);
    if (found) {
        const QRect now = lvAccounts->visualRect(lvAccounts->currentIndex());
        const int moved = now.top() - selectedTop;
        const int unit = lvAccounts->verticalScrollMode() == QAbstractItemView::ScrollPerItem ? now.height() : 1;
        if (moved != 0 && unit > 0)
            scroll->setValue(scrolled + moved / unit);
    }
    if (sbPanel1)
        sbPanel1->setText(QStringLiteral("'%1' was changed elsewhere and has been read again.")
                              .arg(QFileInfo(OpenFilePath).fileName()));
    return true;
}
