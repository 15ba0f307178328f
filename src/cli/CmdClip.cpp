// clip: copies a secret to the clipboard, marked as one, and clears it again after a while.
#include "CliAccountOutput.h"
#include "CliArguments.h"
#include "CliSession.h"
#include "CliTerminal.h"
#include "QsSecrets.h"
#include "uOptions.h"

#include <QClipboard>
#include <QEventLoop>
#include <QGuiApplication>
#include <QMimeData>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {
// Clipboard managers that follow this convention keep the copy out of their history.
const QString kSecretHintFormat = QStringLiteral("x-kde-passwordManagerHint");
constexpr int kLongestWait = 24 * 60 * 60;

int stopPipe[2] = {-1, -1};

void onStop(int) {
    const char c = 1;
    [[maybe_unused]] const ssize_t n = ::write(stopPipe[1], &c, 1);
}

int run(const TCliArguments& args) {
    const int field = args.Has("field") ? CliFieldOf(args.Value("field")) : int(kfPassword);
    int seconds = std::clamp(Options ? int(Options->ClearClipboardAfterNSecs) : 30, 1, kLongestWait);
    if (args.Positional.size() > 2) {
        bool ok = false;
        seconds = args.Positional[2].toInt(&ok);
        if (!ok || seconds < 1 || seconds > kLongestWait)
            throw CliUsageError(QStringLiteral("SECONDS is a number from 1 to %1.").arg(kLongestWait));
    }
    TCliSession session(args.Positional[0]);
    const TKYVNAccount* account = session.Account(args.Positional[1]);
    QString value = CliFieldText(*account, field);

    QClipboard* clipboard = QGuiApplication::clipboard();
    auto* data = new QMimeData;
    data->setText(value);
    data->setData(kSecretHintFormat, QByteArrayLiteral("secret"));
    clipboard->setMimeData(data, QClipboard::Clipboard);
    if (clipboard->text(QClipboard::Clipboard) != value) {
        QsWipe(value);
        throw EQsException(QStringLiteral("The clipboard did not take the text."));
    }

    // Ctrl+C and the like still clear the clipboard: the signal ends the wait through a pipe.
    if (::pipe2(stopPipe, O_CLOEXEC) != 0)
        throw EQsException(QStringLiteral("Cannot wait for the clipboard."));
    QEventLoop loop;
    QSocketNotifier stop(stopPipe[0], QSocketNotifier::Read);
    bool stopped = false, replaced = false;
    QObject::connect(&stop, &QSocketNotifier::activated, &loop, [&] {
        stopped = true;
        loop.quit();
    });
    for (int sig : {SIGINT, SIGTERM, SIGHUP})
        std::signal(sig, onStop);
    // something else copied meanwhile is left alone
    QObject::connect(clipboard, &QClipboard::dataChanged, &loop, [&] {
        if (clipboard->text(QClipboard::Clipboard) != value) {
            replaced = true;
            loop.quit();
        }
    });
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
    CliErr(QStringLiteral("Copied %1 of '%2' to the clipboard; it is cleared in %3 seconds.\n")
               .arg(KyvnFieldCaption(field), account->AccountName)
               .arg(seconds));
    loop.exec();
    if (!replaced && clipboard->text(QClipboard::Clipboard) == value)
        clipboard->clear(QClipboard::Clipboard);
    QsWipe(value);
    if (stopped)
        throw ECliFailure(kExitError, QStringLiteral("Stopped early; the clipboard was cleared."));
    return kExitSuccess;
}
} // namespace

const TCliCommand CliClip{
    "clip",
    "copy the password (or the field) to the clipboard, marked as a secret so that clipboard managers keep "
    "it out of their history; wait SECONDS (default: the preference, 30) and clear it unless something "
    "else was copied meanwhile. Needs a display (X11, or Wayland through XWayland)",
    "clip FILE NAME [--field F] [SECONDS]",
    {{"field", "F", "copy that field instead of the password"}},
    2,
    3,
    run,
    true,
};
