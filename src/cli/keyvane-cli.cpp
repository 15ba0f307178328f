// keyvane-cli: a command-line front end on the password store, for scripts and for people at a terminal.
#include "CliArguments.h"
#include "CliSession.h"
#include "CliTerminal.h"
#include "QsSecrets.h"
#include "QsVerInf.h"
#include "uOptions.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <unistd.h>

namespace {

// The arguments as QCoreApplication would decode them, read before it exists: the command decides
// which application object is made.
QStringList decodedArguments(int argc, char** argv) {
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    return args;
}

// An account password given on the command line stays readable in /proc/PID/cmdline for as long as the
// command runs; it is blanked there once it has been read (--ask avoids it altogether).
void hideSecretArguments(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--") == 0)
            return;
        if (std::strcmp(argv[i], "--password") == 0 && i + 1 < argc)
            std::memset(argv[i + 1], 'x', std::strlen(argv[i + 1]));
        else if (std::strncmp(argv[i], "--password=", 11) == 0)
            std::memset(argv[i] + 11, 'x', std::strlen(argv[i] + 11));
    }
}

// Qt ends the run itself when no display can be reached: a clear message and status 1 instead. Until
// the application object exists, Qt's warnings are the reason given.
bool guiReady = false;
QString guiWarning;

void onQtMessage(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtFatalMsg) {
        CliErr(QStringLiteral("Cannot reach the clipboard: %1.\n")
                   .arg(guiWarning.isEmpty() ? QStringLiteral("no display could be opened") : guiWarning));
        std::_Exit(kExitError);
    }
    if (!guiReady && guiWarning.isEmpty())
        guiWarning = message;
    else if (guiReady && type != QtDebugMsg && type != QtInfoMsg)
        CliErr(message + QLatin1Char('\n'));
}

bool isHelp(const QString& a) {
    return a == QLatin1String("--help") || a == QLatin1String("-h");
}

} // namespace

int main(int argc, char** argv) {
    // Before any file is opened: a closed standard stream would be taken by it.
    if (!CliCheckStandardStreams())
        return kExitError;
    // Before any password is read: no core file, no gcore, no other process of the user reading memory.
    QsProtectProcessMemory();
    CliInstallSignalHandlers();
    const QStringList args = decodedArguments(argc, argv);
    hideSecretArguments(argc, argv);

    int status = kExitSuccess;
    std::unique_ptr<QCoreApplication> app;
    TKYVNOptions options;
    try {
        if (args.isEmpty())
            throw CliUsageError(QStringLiteral("No command given. Try 'keyvane-cli --help'."));
        if (args == QStringList{QStringLiteral("--version")}) {
            CliOut(QStringLiteral("keyvane-cli (Tessivo Keyvane) %1\n").arg(QsOwnVersionText()));
        } else if (isHelp(args[0]) || args[0] == QLatin1String("help")) {
            const TCliCommand* c = args.size() > 1 ? CliFindCommand(args[1]) : nullptr;
            CliOut(c ? CliCommandHelp(*c) : CliHelp());
        } else {
            const TCliCommand* command = CliFindCommand(args[0]);
            if (!command)
                throw CliUsageError(QStringLiteral("Unknown command '%1'. Try 'keyvane-cli --help'.").arg(args[0]));
            const QStringList rest = args.mid(1);
            if (std::any_of(rest.begin(), rest.end(), isHelp) && !rest.contains(QStringLiteral("--"))) {
                CliOut(CliCommandHelp(*command));
            } else {
                const TCliArguments parsed(*command, rest);
                if (command->needsDisplay) {
                    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
                        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
                        throw EQsException(QStringLiteral("Cannot reach the clipboard: there is no display "
                                                          "(neither DISPLAY nor WAYLAND_DISPLAY is set)."));
                    // Through X11 (XWayland on a Wayland desktop) a program without a window may own the
                    // clipboard; Wayland gives it only to the focused window.
                    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !qEnvironmentVariableIsEmpty("DISPLAY"))
                        qputenv("QT_QPA_PLATFORM", "xcb");
                    qInstallMessageHandler(onQtMessage);
                    app = std::make_unique<QGuiApplication>(argc, argv);
                    guiReady = true;
                } else {
                    app = std::make_unique<QCoreApplication>(argc, argv);
                }
                // The preferences say whether a save keeps a backup, and the defaults of generate and clip.
                options.Load();
                Options = &options;
                status = command->run(parsed);
            }
        }
        CliFlushOut();
    } catch (const ECliFailure& e) {
        CliErr(e.Message + QLatin1Char('\n'));
        if (!e.Details.isEmpty())
            CliErr(e.Details + QLatin1Char('\n'));
        status = e.Status;
    } catch (const EQsException& e) {
        CliErr(e.Message + QLatin1Char('\n'));
        if (!e.Details.isEmpty())
            CliErr(e.Details + QLatin1Char('\n'));
        status = kExitError;
    } catch (const std::exception& e) {
        CliErr(QString::fromUtf8(e.what()) + QLatin1Char('\n'));
        status = kExitError;
    }
    Options = nullptr;
    // Output that never arrived (a full disk, a closed pipe) is a failure, not a success.
    if (status == kExitSuccess) {
        try {
            CliFlushOut();
        } catch (const ECliFailure& e) {
            CliErr(e.Message + QLatin1Char('\n'));
            status = e.Status;
        }
    }
    return CliFinalStatus(status);
}
