// The copy commands and the clearing of the clipboard after the delay the user chose.
#include "frmMain.h"

#include "QsAnswers.h"
#include "QsApp.h"
#include "QsTimer.h"
#include "clsAccount.h"
#include "frmMainStartup.h"
#include "uOptions.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QMimeData>
#include <QProcess>
#include <QStandardPaths>
#include <QSystemTrayIcon>
#include <algorithm>
#include <limits>

namespace {
// Clipboard managers (Klipper and those that follow its convention) keep a copy carrying this format out
// of their history.
const QString kSecretHintFormat = QStringLiteral("x-kde-passwordManagerHint");

int periodMs(qint32 seconds) {
    // a stored value is taken as it is: a negative one never ticks, a huge one does not wrap round
    const qint64 ms = qint64(seconds) * 1000;
    return int(std::clamp<qint64>(ms, 0, std::numeric_limits<int>::max()));
}
} // namespace

int MainPeriodMs(qint32 seconds) {
    return periodMs(seconds);
}

void TKYVNMain::actEditCopyLoginExecute() {
    if (TKYVNAccount* a = SelectedAccount())
        CopyToClipboard(a->Login);
}

void TKYVNMain::actEditCopyPasswordExecute() {
    if (TKYVNAccount* a = SelectedAccount())
        CopyToClipboard(a->Password);
}

void TKYVNMain::actEditCopyEmailExecute() {
    if (TKYVNAccount* a = SelectedAccount())
        CopyToClipboard(a->Email);
}

void TKYVNMain::actEditCopyWebExecute() {
    if (TKYVNAccount* a = SelectedAccount())
        CopyToClipboard(a->Web);
}

void TKYVNMain::CopyToClipboard(const QString& value) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    auto* data = new QMimeData;
    data->setText(value);
    data->setData(kSecretHintFormat, QByteArrayLiteral("secret"));
    clipboard->setMimeData(data, QClipboard::Clipboard);
    WatchClipboard(clipboard->text(QClipboard::Clipboard));
}

void TKYVNMain::WatchClipboard(const QString& text) {
    const TKYVNOptions& options = MainOptions();
    if (!options.ClearClipboard)
        return;
    ClipboardText = text;
    // an earlier copy's count goes on when the period is the same
    tClipboard->SetInterval(periodMs(options.ClearClipboardAfterNSecs));
    tClipboard->SetEnabled(true);
}

void TKYVNMain::tClipboardTimer() {
    if (!MainOptions().ClearClipboard)
        return;
    QClipboard* clipboard = QGuiApplication::clipboard();
    // a clipboard without text (empty, or a picture only) reads as an empty text
    const bool clipboardHolds = clipboard->text(QClipboard::Clipboard) == ClipboardText;
    const bool selectionHolds = clipboard->supportsSelection() && !ClipboardText.isEmpty() &&
                                clipboard->text(QClipboard::Selection) == ClipboardText;
    if (selectionHolds)
        clipboard->setText(QString(), QClipboard::Selection);
    if (!clipboardHolds)
        return; // another program's text: left alone and looked at again at the next tick
    clipboard->setText(QString(), QClipboard::Clipboard);
    tClipboard->SetEnabled(false);
    MakeSureClipboardCleared();
}

QString TKYVNMain::ClipboardClearTool = QStringLiteral("wl-copy");

void TKYVNMain::MakeSureClipboardCleared() {
    // A Wayland compositor may refuse a clipboard change from a window without keyboard focus, and
    // nothing tells the program so. wl-clipboard's tool puts the empty text there from outside where it
    // is installed; where it is not, or it fails, the user is told instead of left believing the password
    // is gone. An empty text, not "wl-copy --clear": compositors that keep the clipboard when its owner
    // goes (Weston does) put the last text back when the clipboard is merely emptied.
    if (!QGuiApplication::platformName().startsWith(QLatin1String("wayland")) || QGuiApplication::focusWindow())
        return;
    const QString tool = QStandardPaths::findExecutable(ClipboardClearTool);
    if (tool.isEmpty()) {
        ClipboardNotCleared();
        return;
    }
    auto* process = new QProcess(this);
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    connect(process, &QProcess::finished, this, [this, process](int code, QProcess::ExitStatus status) {
        if (status != QProcess::NormalExit || code != 0)
            ClipboardNotCleared();
        process->deleteLater();
    });
    connect(process, &QProcess::errorOccurred, this, [this, process](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return;
        ClipboardNotCleared();
        process->deleteLater();
    });
    process->start(tool, {QStringLiteral("--"), QString()});
}

void TKYVNMain::ClipboardNotCleared() {
    const QString text = QStringLiteral("The copied text may still be on the clipboard: the desktop did not let "
                                        "Keyvane clear it while its window was not active. Copy something else "
                                        "over it, or install wl-clipboard so that Keyvane can clear it.");
    QsAnswers::Record(QStringLiteral("TrayMessage"), text);
    if (sbPanel1)
        sbPanel1->setText(text);
    if (TrayIconShown())
        TrayIcon->showMessage(AppInfo ? AppInfo->Title : QStringLiteral("Tessivo Keyvane"), text,
                              QSystemTrayIcon::Warning);
}

void TKYVNMain::ClearClipboardAtExit() {
    // Qt hands the clipboard to the desktop's clipboard manager when the program ends; a copy that is
    // still waiting for its clearing would outlive the program and the delay.
    if (tClipboard && tClipboard->Enabled())
        tClipboardTimer();
}
