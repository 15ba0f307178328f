#include "QsMapi.h"

#include "QsExceptions.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QPointer>
#include <QProcess>
#include <QStandardPaths>

namespace {
// xdg-email's exit code when no method is available to open a mail message: no mail program.
constexpr int kNoMailProgram = 3;
// The code of a mail tool that ended abnormally, as xdg-email's own "the action failed".
constexpr int kToolFailed = 4;
} // namespace

TQsMapi::TQsMapi(QObject* owner) : QObject(owner) {}

TQsMapi::~TQsMapi() = default;

QString TQsMapi::MailTool() {
    return QStringLiteral("xdg-email");
}

int TQsMapi::ResultCode(bool started, int exitCode) {
    if (!started || exitCode == kNoMailProgram)
        return 1; // as a missing mail interface: nothing is reported
    return exitCode;
}

QStringList TQsMapi::Arguments() {
    QStringList args{QStringLiteral("--utf8")};
    const std::pair<const QStringList*, const char*> classes[] = {
        {&Recipients, "--to"}, {&CopyTo, "--cc"}, {&BlindCopyTo, "--bcc"}};
    for (const auto& [list, option] : classes)
        for (const QString& address : *list)
            args << QLatin1String(option) << address;
    args << QStringLiteral("--subject") << Subject << QStringLiteral("--body") << Body;
    DisplayFileName.clear();
    for (const QString& path : AttachedFiles) {
        DisplayFileName << QFileInfo(path).fileName();
        args << QStringLiteral("--attach") << path;
    }
    return args;
}

void TQsMapi::Send() {
    const QStringList args = Arguments();
    const QString tool = QStandardPaths::findExecutable(MailTool());
    if (tool.isEmpty()) {
        Finished(1);
        return;
    }
    // The process belongs to the application, not to the component: the component may be freed at once
    // (the mail command does), and freeing a running QProcess would stop the hand-over.
    auto* process = new QProcess(QCoreApplication::instance());
    process->setProgram(tool);
    process->setArguments(args);
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->setStandardInputFile(QProcess::nullDevice());
    QPointer<TQsMapi> self(this);
    QObject::connect(process, &QProcess::finished, process, [process, self](int exitCode, QProcess::ExitStatus status) {
        process->deleteLater();
        // The events run on the event loop: a handler's failure goes to the program's handler.
        if (self)
            QsGuard([&] { self->Finished(status == QProcess::NormalExit ? ResultCode(true, exitCode) : kToolFailed); });
    });
    QObject::connect(process, &QProcess::errorOccurred, process, [process, self](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return; // a crash is reported by finished
        process->deleteLater();
        if (self)
            QsGuard([&] { self->Finished(ResultCode(false, 0)); });
    });
    process->start();
}

void TQsMapi::Finished(int code) {
    if (code == 0) {
        if (OnSuccess)
            OnSuccess(this);
    } else if (code == 1) {
        if (OnUserAbort)
            OnUserAbort(this);
    } else if (OnMapiError) {
        OnMapiError(this, code);
    }
}
