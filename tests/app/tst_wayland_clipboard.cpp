// The window on Qt's Wayland platform under a real compositor (Weston's X11 back end inside Xvfb, which
// has a seat and so a clipboard): another program (wl-paste) reads a copied password with its secret
// hint, and finds the clipboard empty after the delay, also when the window has lost the focus to another
// program; where the clearing cannot be made sure of, the user is told.
#include "KyvnTest.h"
#include "QsAnswers.h"
#include "QsApp.h"
#include "QsExceptions.h"
#include "QsTimer.h"
#include "clsFile.h"
#include "clsList.h"
#include "frmMain.h"
#include "uOptions.h"

#include <QLabel>
#include <QProcess>
#include <memory>

#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {
const QString kPassword = QStringLiteral("pw1234");
const QString kSecret = QStringLiteral("Sx9#tq'Lm2");
std::vector<pid_t> servers;
QString skipReason;

pid_t spawn(const std::vector<std::string>& argv, int stdoutFd = -1) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (stdoutFd >= 0)
            ::dup2(stdoutFd, 1);
        const int null = ::open("/dev/null", O_RDWR);
        ::dup2(null, 0);
        ::dup2(null, 2);
        std::vector<char*> args;
        for (const std::string& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        ::execvp(args[0], args.data());
        ::_exit(127);
    }
    if (pid > 0)
        servers.push_back(pid);
    return pid;
}

// Xvfb on a free display, and Weston's X11 back end on it with a socket of its own. Started before the
// application, which connects to the compositor as it starts.
bool startCompositor() {
    for (const char* tool : {"Xvfb", "weston", "wl-paste", "wl-copy", "weston-flower", "xdotool"})
        if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty()) {
            skipReason = QStringLiteral("%1 is not installed").arg(QLatin1String(tool));
            return false;
        }
    int fds[2];
    if (::pipe(fds) != 0)
        return false;
    spawn({"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", "1280x1024x24", "-nolisten", "tcp"});
    ::close(fds[1]);
    char number[32] = {};
    const ssize_t n = ::read(fds[0], number, sizeof number - 1); // written once the server accepts clients
    ::close(fds[0]);
    if (n <= 0)
        return false;
    const QByteArray display = ":" + QByteArray(number, int(n)).trimmed();
    qputenv("DISPLAY", display);
    const QString runtime = KyvnTest::isolatedHome().path() + "/runtime";
    ::chmod(QFile::encodeName(runtime).constData(), 0700);
    const QByteArray socket = "wayland-keyvane-" + QByteArray::number(::getpid());
    spawn({"weston", "--backend=x11-backend.so", "--socket=" + socket.toStdString(), "--idle-time=0", "--width=1024",
           "--height=768"});
    // the socket's lock file is made once Weston listens; it gives up within the bound
    const QString lock = runtime + "/" + QString::fromLatin1(socket) + ".lock";
    for (int i = 0; i < 600 && !QFileInfo::exists(lock); ++i)
        ::usleep(50000);
    qputenv("WAYLAND_DISPLAY", socket);
    qputenv("QT_QPA_PLATFORM", "wayland");
    return QFileInfo::exists(lock);
}

// What another program reads from the clipboard ("" when nothing is offered). The program offering it
// writes the text from its event loop, so that loop runs meanwhile.
QString paste(const QStringList& args = {}) {
    QProcess p;
    p.start("wl-paste", args);
    QDeadlineTimer deadline(20000);
    while (p.state() != QProcess::NotRunning && !deadline.hasExpired())
        QTest::qWait(10);
    if (p.state() != QProcess::NotRunning) {
        p.kill();
        p.waitForFinished();
        return QStringLiteral("(wl-paste did not finish)");
    }
    return p.exitCode() == 0 ? QString::fromUtf8(p.readAllStandardOutput()) : QString();
}
} // namespace

class TestWaylandClipboard : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    std::unique_ptr<TKYVNMain> w;
    QStringList errors;
    int keysReleased = 0;

    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::KeyRelease)
            ++keysReleased;
        return false;
    }
    // A key pressed on the X server that Weston draws into reaches the window as a person's key would;
    // the compositor accepts a clipboard change only with the stamp of such recent input.
    void pressAKey() {
        const int before = keysReleased;
        QProcess xdotool;
        xdotool.start("xdotool", {"mousemove", "512", "384", "key", "shift"});
        QVERIFY(xdotool.waitForFinished(20000));
        QTRY_VERIFY_WITH_TIMEOUT(keysReleased > before, 20000);
    }

    void start() {
        w = std::make_unique<TKYVNMain>();
        QsSetExceptionHandler([this](const std::exception* e) { errors << (e ? QsExceptionMessage(*e) : "?"); });
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        QTRY_VERIFY_WITH_TIMEOUT(QGuiApplication::focusWindow() == w->windowHandle(), 20000);
        QsAnswers::Push("OpenFile", dir.filePath("wayland.kvf"));
        QsAnswers::Push("TPassEdit", kPassword);
        QVERIFY(w->RunCommand(w->actFileOpen));
        QCOMPARE(w->RowCount(), 1);
        w->SelectRow(0);
    }
    void copyAndRead() {
        pressAKey();
        QVERIFY(w->RunCommand(w->actEditCopyPassword));
        QTRY_COMPARE_WITH_TIMEOUT(paste({"--no-newline"}), kSecret, 20000);
        // clipboard managers are told to keep it out of their history
        QVERIFY(paste({"--list-types"}).split('\n').contains("x-kde-passwordManagerHint"));
    }
    // Another program's window takes the keyboard focus from the window.
    void loseFocus(QProcess& other) {
        other.start("weston-flower", QStringList());
        QVERIFY(other.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(QGuiApplication::focusWindow() == nullptr, 20000);
    }

private slots:
    void initTestCase() {
        if (!skipReason.isEmpty())
            QSKIP(qPrintable(skipReason));
        QCOMPARE(QGuiApplication::platformName(), QString("wayland"));
        qApp->installEventFilter(this);
        AppInfo = new TQsApplication;
        AppInfo->Title = "Tessivo Keyvane";
        AppInfo->ProductKey = "Software\\Tessivo\\Tessivo Nimbrel\\Keyvane";
        Options = new TKYVNOptions;
        ListLayout = new TKYVNList;
        ListLayout->SetDefaults();
        TKYVNFile f;
        f.FileName = dir.filePath("wayland.kvf");
        f.Password = kPassword;
        auto* a = new TKYVNAccount;
        a->AccountName = "Bank";
        a->Password = kSecret;
        f.AddAccount(a);
        f.Save(false);
    }
    void init() {
        TQsTestClock::Install();
        QsAnswers::Clear();
        QsAnswers::SetRecording(true);
        errors.clear();
        *Options = TKYVNOptions();
        Options->SaveWindow = false;
        Options->AutoOpenLastFile = false;
        Options->CloseMinimizes = false;
        Options->AutoStart = false;
        Options->ClearClipboard = true;
        Options->ClearClipboardAfterNSecs = 30;
        TKYVNMain::ClipboardClearTool = "wl-copy";
    }
    void cleanup() {
        if (w)
            w->ExitRequested = true;
        w.reset();
        TQsTestClock::Uninstall();
        QsAnswers::SetRecording(false);
        QCOMPARE(errors, QStringList());
    }

    // Minimising on Wayland, where the compositor never tells a window that it was minimised: the window
    // still goes into the notification area.
    void minimisingGoesIntoTheTray() {
        TKYVNMain::TrayAvailable = [] { return true; };
        start();
        w->MinimizeApplication();
        QTRY_COMPARE(w->TrayState, 1);
        QTRY_VERIFY(!w->isVisible());
        w->RestoreApplication();
        QTRY_VERIFY(w->isVisible());
        QCOMPARE(w->TrayState, 0);
    }

    void aCopiedPasswordIsGoneAfterTheDelay() {
        start();
        copyAndRead();
        TQsTestClock::Advance(29000);
        QCOMPARE(paste({"--no-newline"}), kSecret);
        TQsTestClock::Advance(1000);
        QTRY_COMPARE_WITH_TIMEOUT(paste({"--no-newline"}), QString(), 20000);
        QVERIFY(!w->tClipboard->Enabled());
        QCOMPARE(QsAnswers::Log().filter("TrayMessage"), QStringList());
    }

    // The window has lost the focus when the delay runs out. wl-copy clears the clipboard from outside;
    // a tool that is missing or fails leaves the user told, never a silent success.
    void clearingWithoutFocus_data() {
        QTest::addColumn<QString>("tool");
        QTest::addColumn<bool>("told");
        QTest::newRow("wl-copy") << "wl-copy" << false;
        QTest::newRow("tool missing") << "keyvane-no-such-clipboard-tool" << true;
        QTest::newRow("tool fails") << "false" << true;
    }
    void clearingWithoutFocus() {
        QFETCH(QString, tool);
        QFETCH(bool, told);
        TKYVNMain::ClipboardClearTool = tool;
        start();
        copyAndRead();
        QProcess other;
        loseFocus(other);
        TQsTestClock::Advance(30000);

        if (told) {
            QTRY_COMPARE_WITH_TIMEOUT(QsAnswers::Log().filter("TrayMessage").size(), 1, 20000);
            QVERIFY(w->sbPanel1->text().startsWith("The copied text may still be on the clipboard"));
        } else {
            QTRY_COMPARE_WITH_TIMEOUT(paste({"--no-newline"}), QString(), 20000);
            // the tool has finished (and reported nothing) before the test looks at what was said
            QTRY_VERIFY_WITH_TIMEOUT(w->findChildren<QProcess*>().isEmpty(), 20000);
            QCOMPARE(QsAnswers::Log().filter("TrayMessage"), QStringList());
        }
        other.kill();
        other.waitForFinished();
    }
};

int main(int argc, char** argv) {
    KyvnTest::isolatedHome();
    if (!startCompositor()) {
        if (skipReason.isEmpty())
            skipReason = QStringLiteral("the compositor did not start");
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    int result = 1;
    {
        QApplication app(argc, argv);
        TestWaylandClipboard tc;
        QTEST_SET_MAIN_SOURCE_PATH
        result = QTest::qExec(&tc, argc, argv);
    }
    for (auto it = servers.rbegin(); it != servers.rend(); ++it) {
        ::kill(*it, SIGTERM);
        ::waitpid(*it, nullptr, 0);
    }
    return result;
}

#include "tst_wayland_clipboard.moc"
