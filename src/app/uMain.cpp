#include "uMain.h"

#include "QsAnswers.h"
#include "QsApp.h"
#include "QsExceptions.h"
#include "QsHelpUtils.h"
#include "QsRegUtils.h"
#include "QsSecrets.h"
#include "QsSplashFrm2.h"
#include "QsVerInf.h"
#include "clsList.h"
#include "frmFind.h"
#include "frmMain.h"
#include "frmReport.h"
#include "uOptions.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QIcon>
#include <QLockFile>
#include <QMainWindow>
#include <QMessageBox>
#include <QPointer>
#include <QSessionManager>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QTimer>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <unistd.h>
#include <utility>

int StartMode = 0;
QString StartFile;

namespace {

const QString kTitle = QStringLiteral("Tessivo Keyvane");
const QString kSecondInstance = QStringLiteral("You cannot create multiple instances of Tessivo Keyvane.");

// The single-instance lock; held for the life of the process, and taken over when its owner died.
std::unique_ptr<QLockFile>& instanceLock() {
    static std::unique_ptr<QLockFile> lock;
    return lock;
}

TExitRequestHandler& exitHandler() {
    static TExitRequestHandler handler;
    return handler;
}

QPointer<QMainWindow>& mainWindow() {
    static QPointer<QMainWindow> window;
    return window;
}

// A termination request that came before the main window existed (during the splash): carried out as
// soon as the window is there, so it is neither lost nor run against a half-made program.
bool& exitPending() {
    static bool pending = false;
    return pending;
}

QPointer<QEventLoop>& splashWait() {
    static QPointer<QEventLoop> loop;
    return loop;
}

bool& finalized() {
    static bool done = false;
    return done;
}

QString lockPath() {
    QString dir = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (dir.isEmpty() || !QFileInfo(dir).isDir())
        dir = QDir::tempPath();
    return dir + QStringLiteral("/ZKYVN");
}

bool takeInstanceLock() {
    if (instanceLock())
        return true; // this process holds it already
    auto lock = std::make_unique<QLockFile>(lockPath());
    // Never stale by age: a running instance may hold it for days. A dead owner's lock is taken over.
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0)) {
        // Only a live owner keeps us out; a lock that cannot be made at all (no writable folder) must not
        // stop the program.
        if (lock->error() == QLockFile::LockFailedError)
            return false;
        return true;
    }
    instanceLock() = std::move(lock);
    return true;
}

void showSecondInstanceNotice() {
    QsAnswers::Record(QStringLiteral("SingleInstance"), kSecondInstance);
    if (QsAnswers::Take(QStringLiteral("SingleInstance")) || qEnvironmentVariableIntValue("KEYVANE_TEST_AUTOANSWER")) {
        std::fprintf(stderr, "keyvane: %s\n", qPrintable(kSecondInstance));
        return;
    }
    QMessageBox::information(nullptr, kTitle, kSecondInstance, QMessageBox::Ok);
}

// The application record, field by field in the order of its type.
void fillApplicationRecord(TQsApplication& a) {
    a.ExeName = QCoreApplication::applicationFilePath();
    a.ExePath = QCoreApplication::applicationDirPath() + u'/';
    a.RegistryRoot = TQsRegRoot::LocalMachine;
    a.CompanyKey = QStringLiteral("Software\\Tessivo\\Tessivo Nimbrel");
    a.ProductKey = a.CompanyKey + QStringLiteral("\\Keyvane");
    a.ProductName = QStringLiteral("Keyvane");
    a.FamilyName = QStringLiteral("Tessivo Nimbrel");
    a.ShortName.clear();
    a.Title = kTitle;
    a.Version = FileVersionText(a.ExeName);
    a.SpecialVersion.clear();
    a.English = FileIsEnglish(a.ExeName);
    a.IconName = QStringLiteral("keyvane");
    a.LegalNotice = FileLegalNotice(a.ExeName);
    a.OtherNotices = QStringLiteral("Keyvane uses Qt (The Qt Company, GNU LGPL 3), SQLite (public domain) and libzip "
                                    "(BSD licence), each under its own licence.");
    a.DialogFont = QStringLiteral("Tahoma");
    a.HelpFile = QsLocateHelpFile(a.ExeName);
    a.WebAddresses.HomePage = QStringLiteral("https://www.tessivo.com/keyvane");
    a.WebAddresses.SupportEmail = QStringLiteral("support@tessivo.com");
    a.ThemeColor = 58u | (110u << 8) | (165u << 16);
}

// Signals are turned into a byte on a pipe; the event loop reads it and ends the program in order.
int signalPipe[2] = {-1, -1};

extern "C" void onTerminationSignal(int) {
    const int saved = errno;
    // A settings store locked by another process must not keep the request waiting.
    QsRegAbandonWaits();
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &byte, 1);
    errno = saved;
}

void installSignalHandlers(QObject* owner) {
    if (signalPipe[0] >= 0 || ::pipe(signalPipe) != 0)
        return;
    for (const int fd : signalPipe) {
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    }
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, owner);
    QObject::connect(notifier, &QSocketNotifier::activated, owner, [] {
        char buffer[64];
        while (::read(signalPipe[0], buffer, sizeof buffer) > 0) {
        }
        QsGuard([] { RequestExit(); });
    });
    struct sigaction action = {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int sig : {SIGTERM, SIGHUP, SIGINT})
        ::sigaction(sig, &action, nullptr);
}

} // namespace

TStartCommand ParseCommandLine(const QStringList& args) {
    TStartCommand command;
    if (args.size() != 1)
        return command;
    const QString& p = args.first();
    if (p.left(2).toUpper() == QStringLiteral("/N")) {
        command.Mode = 1;
    } else if (p.left(3).toUpper() == QStringLiteral("/F:")) {
        const QFileInfo file(p.mid(3));
        // Relative paths are resolved now, against the folder the program was started in, so the recent
        // files list never holds a path that means something else later.
        if (!p.mid(3).isEmpty() && file.exists() && !file.isDir()) {
            command.Mode = 2;
            command.File = file.absoluteFilePath();
        }
    }
    return command;
}

std::optional<QString> InfoOptionText(const QStringList& args) {
    if (args.size() != 1)
        return std::nullopt;
    if (args.first() == QLatin1String("--version"))
        return QStringLiteral("Tessivo Keyvane %1\n").arg(QsOwnVersionText());
    if (args.first() != QLatin1String("--help") && args.first() != QLatin1String("-h"))
        return std::nullopt;
    return QStringLiteral("Usage: keyvane [/N | /F:FILE | --help | --version]\n"
                          "\n"
                          "Keeps the logins of your accounts in one password-protected passwords file (.kvf).\n"
                          "\n"
                          "  /N          start with a new passwords file\n"
                          "  /F:FILE     start by opening FILE\n"
                          "  --help      show this text\n"
                          "  --version   show the version\n"
                          "\n"
                          "Without a parameter Keyvane opens the last used file when that preference is on.\n"
                          "Exactly one parameter is read; with two or more, Keyvane starts as if it had none.\n"
                          "Only one Keyvane runs at a time. keyvane-cli works on passwords files from a terminal.\n");
}

QImage& SplashPicture() {
    static QImage picture;
    return picture;
}

QIcon KeyvaneIcon() {
    return QIcon::fromTheme(QStringLiteral("keyvane"), QIcon(QStringLiteral(":/keyvane/keyvane.svg")));
}

void ShowStartupSplash() {
    SplashPicture() = LoadSplashPicture();
    if (!AppInfo)
        return;
    ShowSplash(*AppInfo, SplashPicture(), Qt::white);
    // The wait lets the window system map and paint the splash but hands the program no user input;
    // the main window does not exist yet.
    const int ms = SplashMilliseconds();
    if (ms > 0) {
        QEventLoop wait;
        splashWait() = &wait;
        QTimer::singleShot(ms, &wait, &QEventLoop::quit);
        if (!exitPending())
            wait.exec(QEventLoop::ExcludeUserInputEvents);
    }
    CloseSplash();
}

int SplashMilliseconds() {
    bool ok = false;
    const int ms = qEnvironmentVariable("KEYVANE_SPLASH_MS").toInt(&ok);
    return ok && ms >= 0 ? ms : 2000;
}

bool InitializeApplication() {
    finalized() = false;
    exitPending() = false;
    if (!takeInstanceLock()) {
        showSecondInstanceNotice();
        return false;
    }
    delete AppInfo;
    AppInfo = new TQsApplication;
    fillApplicationRecord(*AppInfo);
    QCoreApplication::setApplicationName(AppInfo->Title);
    WriteRegString(AppInfo->RegistryRoot, AppInfo->ProductKey, QStringLiteral("Location"), AppInfo->ExePath);

    ShowStartupSplash();

    delete Options;
    Options = new TKYVNOptions;
    Options->Load();
    CreateListLayout();

    ResetFindState();
    return true;
}

void FinalizeApplication() {
    if (finalized())
        return;
    finalized() = true;
    ReleaseListLayout();
    if (Options) {
        Options->Save();
        delete Options;
        Options = nullptr;
    }
    SplashPicture() = QImage();
    delete AppInfo;
    AppInfo = nullptr;
    QsRegClose();
}

void SetExitRequestHandler(TExitRequestHandler handler) {
    exitHandler() = std::move(handler);
}

void RequestExit() {
    // A modal dialog runs its own event loop inside a command of the main window; closing the window under
    // it would pull the window away from that command. The dialog is cancelled first, and the request
    // comes back once its command has returned.
    if (QWidget* modal = QApplication::activeModalWidget()) {
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->reject();
        else
            modal->close();
        QTimer::singleShot(0, qApp, [] { QsGuard([] { RequestExit(); }); });
        return;
    }
    if (exitHandler()) {
        exitHandler()();
        return;
    }
    if (QMainWindow* window = mainWindow()) {
        window->close();
    } else {
        // Start-up has not made the window yet: the splash stops waiting and the request is carried
        // out once the window exists (a quit before the event loop runs would be lost).
        exitPending() = true;
        if (QEventLoop* wait = splashWait())
            wait->quit();
        QCoreApplication::quit();
    }
}

int KeyvaneMain(int argc, char** argv) {
    {
        QStringList args;
        for (int i = 1; i < argc; ++i)
            args << QString::fromLocal8Bit(argv[i]);
        if (const auto text = InfoOptionText(args)) {
            std::fputs(text->toUtf8().constData(), stdout);
            return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
        }
    }
    // Before anything is read: a crash or gcore must not write the open file's passwords to a core file.
    QsProtectProcessMemory();
    QApplication app(argc, argv);
    QApplication::setApplicationName(kTitle);
    QGuiApplication::setDesktopFileName(QStringLiteral("keyvane"));
    // Every window, the tray icon included, shows the program's own icon.
    QApplication::setWindowIcon(KeyvaneIcon());
    // The program ends when the main window is gone, not when its last window closes: the main window
    // may hide in the notification area while the help window is closed.
    QApplication::setQuitOnLastWindowClosed(false);

    const TStartCommand command = ParseCommandLine(QCoreApplication::arguments().mid(1));
    StartMode = command.Mode;
    StartFile = command.File;

    // Before anything is written, so a termination request during start-up waits for the event loop.
    installSignalHandlers(&app);
    try {
        if (!InitializeApplication())
            return KeyvaneSecondInstanceExit;
    } catch (const std::exception& e) {
        QsHandleException(&e);
        return 1;
    }
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &app,
                     [](QSessionManager&) { QsGuard([] { RequestExit(); }); });

    QMainWindow* window = CreateMainWindow();
    mainWindow() = window;
    window->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(window, &QObject::destroyed, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    // The find dialog lives from here to the end, beside the main window.
    if (auto* main = qobject_cast<TKYVNMain*>(window))
        main->FindDialog();
    // The hidden report window is made here.
    ReportForm = new TReportForm;
    window->show();
    if (std::exchange(exitPending(), false))
        QTimer::singleShot(0, window, [] { QsGuard([] { RequestExit(); }); });

    const int code = QApplication::exec();
    delete mainWindow().data();
    ReleaseReportForm();
    FinalizeApplication();
    SetExitRequestHandler({});
    return code;
}
