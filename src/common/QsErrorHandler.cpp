#include "QsErrorHandler.h"

#include "QsApp.h"
#include "QsExceptions.h"
#include "QsMsgDetailsFrm.h"

#include <QApplication>
#include <QMainWindow>
#include <QWidget>
#include <cstdio>
#include <cstdlib>

namespace {

void bringToFront() {
    QWidget* front = QApplication::activeWindow();
    if (!front) {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w->isVisible() && qobject_cast<QMainWindow*>(w)) {
                front = w;
                break;
            }
        }
    }
    if (front) {
        front->raise();
        front->activateWindow();
    }
}

void showBox(const QString& text, const QString& details, quint8 type) {
    QsMessageDetails(text, details, QsApplicationTitle(), type, AppInfo && !AppInfo->English ? 0 : 1,
                     AppInfo ? AppInfo->DialogFont : QString());
}

// A fatal error: nothing of the program's state can be trusted, so none of the closing steps run.
[[noreturn]] void endProcess() {
    QCoreApplication::quit();
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(QsFatalErrorExit);
}

} // namespace

void QsShowException(const std::exception* e) {
    try {
        bringToFront();
        const auto* qs = dynamic_cast<const EQsException*>(e);
        if (qs) {
            if (qs->Kind > 2)
                return;
            showBox(qs->Message, qs->Details, qs->Kind);
            if (qs->Kind != 0)
                return;
        } else {
            showBox(QStringLiteral("Unexpected error."), e ? QString::fromUtf8(e->what()) : QString(), 0);
        }
    } catch (...) {
        // The box itself failed; the fault is still fatal when it was meant to be.
        if (const auto* qs = dynamic_cast<const EQsException*>(e); qs && qs->Kind != 0)
            return;
    }
    endProcess();
}

void QsInstallErrorHandler() {
    QsSetExceptionHandler(&QsShowException);
}
