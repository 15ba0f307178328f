// The real program under an X server with a window manager (openbox) and, where the test starts one, a
// standalone notification area (trayer): a copied password is read by another process (xclip, as a
// clipboard manager would) and is gone after the delay; minimising hides the window in the tray, and the
// way back asks the file password; without a notification area the window stays on the taskbar.
#include "KyvnTest.h"
#include "QsRegUtils.h"
#include "clsFile.h"

#include <QProcess>
#include <QRegularExpression>
#include <memory>

namespace {
const QString kOptions = QStringLiteral("Software\\Tessivo\\Tessivo Nimbrel\\Keyvane\\Options");

QString run(const QString& program, const QStringList& args, int* exitCode = nullptr) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(20000))
        p.kill();
    if (exitCode)
        *exitCode = p.exitCode();
    return QString::fromLocal8Bit(p.readAllStandardOutput());
}
bool haveTool(const char* name) {
    return !QStandardPaths::findExecutable(QLatin1String(name)).isEmpty();
}
QString clipboard() {
    return run("xclip", {"-o", "-selection", "clipboard"});
}
QStringList clientList() {
    const QString out = run("xprop", {"-root", "_NET_CLIENT_LIST"});
    QStringList ids;
    for (const auto& m : QRegularExpression("0x[0-9a-f]+").globalMatch(out))
        ids << QString::number(m.captured(0).toULong(nullptr, 16));
    return ids;
}
QString wmState(const QString& id) {
    return run("xprop", {"-id", id, "WM_STATE"});
}
bool mapped(const QString& id) {
    return run("xwininfo", {"-id", id}).contains("IsViewable");
}
// The windows whose name matches exactly, as decimal ids.
QStringList windowsNamed(const QString& name) {
    // xdotool takes a POSIX extended expression, where a backslash before a quote means something else
    QString pattern;
    for (const QChar c : name) {
        if (QStringLiteral(".[]()*+?{}|^$\\").contains(c))
            pattern += u'\\';
        pattern += c;
    }
    return run("xdotool", {"search", "--name", "^" + pattern + "$"}).split('\n', Qt::SkipEmptyParts);
}
} // namespace

class TestXvfbTray : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QString fixture;
    std::unique_ptr<QProcess> wm, tray, program;

    void startProcess(std::unique_ptr<QProcess>& p, const QString& name, const QStringList& args) {
        p = std::make_unique<QProcess>();
        p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p->setStandardOutputFile(QProcess::nullDevice());
        p->start(name, args);
        QVERIFY2(p->waitForStarted(10000), qPrintable(name));
    }
    static void stopProcess(std::unique_ptr<QProcess>& p) {
        if (!p)
            return;
        if (p->state() != QProcess::NotRunning) {
            p->terminate();
            if (!p->waitForFinished(10000))
                p->kill();
            p->waitForFinished(5000);
        }
        p.reset();
    }
    void startDesktop(bool withTray) {
        // a window manager that ended leaves its marks on the root window: wipe them, so the wait below is
        // for this one
        for (const char* property : {"_NET_SUPPORTING_WM_CHECK", "_NET_CLIENT_LIST"})
            run("xprop", {"-root", "-remove", property});
        startProcess(wm, "openbox", {"--sm-disable"});
        QTRY_VERIFY_WITH_TIMEOUT(run("xprop", {"-root", "_NET_SUPPORTING_WM_CHECK"}).contains("window id"), 20000);
        QTRY_VERIFY_WITH_TIMEOUT(run("xprop", {"-root", "_NET_CLIENT_LIST"}).contains("WINDOW"), 20000);
        QCOMPARE(wm->state(), QProcess::Running);
        if (withTray) {
            startProcess(tray, "trayer",
                         {"--edge", "top", "--align", "right", "--widthtype", "request", "--height", "24"});
            QTRY_VERIFY_WITH_TIMEOUT(run("xwininfo", {"-root", "-tree"}).contains("\"panel\": (\"panel\" \"trayer\")"),
                                     20000);
        }
    }
    // Starts the program on the fixture; id receives the main window's id.
    void startProgram(QString& id) {
        const QString state = dir.filePath("state.txt");
        QFile::remove(state);
        program = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("KEYVANE_SPLASH_MS", "0");
        env.insert("KEYVANE_TEST_ANSWERS", "TPassEdit=pw12"); // the first password only
        env.insert("KEYVANE_TEST_STATE", state);
        program->setProcessEnvironment(env);
        program->setProcessChannelMode(QProcess::ForwardedChannels);
        program->start(QStringLiteral(KEYVANE_BINARY_DIR "/src/app/keyvane"), {"/F:" + fixture});
        QVERIFY(program->waitForStarted(10000));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(state), 30000);
        // the main window as the window manager manages it (a name alone may also match a window that is
        // not yet, or no longer, a client)
        auto managed = [] {
            const QStringList clients = clientList();
            for (const QString& candidate : windowsNamed("Tessivo Keyvane: tray.kvf"))
                if (clients.contains(candidate))
                    return candidate;
            return QString();
        };
        QTRY_VERIFY2_WITH_TIMEOUT(
            !(id = managed()).isEmpty(),
            qPrintable(windowsNamed("Tessivo Keyvane: tray.kvf").join(',') + " / " + clientList().join(',')), 20000);
    }
    void shot(const QString& name) {
        const QString shots = qEnvironmentVariable("KEYVANE_SHOTS");
        if (shots.isEmpty())
            return;
        QDir().mkpath(shots);
        QTest::qWait(500); // let the windows paint before the picture is taken
        run("import", {"-window", "root", shots + "/" + name});
    }
    // The tray icon's window inside the notification area, or empty.
    QString trayIconWindow() const {
        const QString tree = run("xwininfo", {"-root", "-tree"});
        const auto m = QRegularExpression("(0x[0-9a-f]+) \"Tessivo Keyvane\": \\(\"keyvane\"").match(tree);
        return m.hasMatch() ? m.captured(1) : QString();
    }
    void doubleClickTrayIcon() {
        const QString icon = trayIconWindow();
        QVERIFY(!icon.isEmpty());
        const QString info = run("xwininfo", {"-id", icon});
        const int x = QRegularExpression("Absolute upper-left X:\\s+(\\d+)").match(info).captured(1).toInt();
        const int y = QRegularExpression("Absolute upper-left Y:\\s+(\\d+)").match(info).captured(1).toInt();
        run("xdotool", {"mousemove", QString::number(x + 8), QString::number(y + 8), "click", "--repeat", "2",
                        "--delay", "80", "1"});
    }

private slots:
    void initTestCase() {
        for (const char* tool : {"openbox", "trayer", "xclip", "xdotool", "xprop", "xwininfo"})
            if (!haveTool(tool))
                QSKIP(qPrintable(QString("%1 is not installed (scripts/setup.sh installs it)").arg(tool)));
        if (!QFile::exists(QStringLiteral(KEYVANE_BINARY_DIR "/src/app/keyvane")))
            QSKIP("the program is not built");
        fixture = dir.filePath("tray.kvf");
        TKYVNFile f;
        f.FileName = fixture;
        f.Password = "pw12";
        auto* a = new TKYVNAccount;
        a->AccountName = "Bank";
        a->Login = "ann";
        a->Password = "Zq9-tray-s3cret";
        f.AddAccount(a);
        f.Save(false);
        // the program reads these from the same settings store (the test's own XDG folders)
        WriteRegInteger(TQsRegRoot::LocalMachine, kOptions, "ClearClipboardAfterNSecs", 2);
        WriteRegBool(TQsRegRoot::LocalMachine, kOptions, "TrayPassword", true);
        WriteRegBool(TQsRegRoot::LocalMachine, kOptions, "SaveWindow", false);
        WriteRegBool(TQsRegRoot::LocalMachine, kOptions, "AutoOpenLastFile", false);
        QsRegClose();
    }
    void cleanup() {
        stopProcess(program);
        stopProcess(tray);
        stopProcess(wm);
    }

    void copyClearTrayAndBack() {
        startDesktop(true);
        QString id;
        startProgram(id);
        if (QTest::currentTestFailed())
            return;

        // copy the password with the keyboard, as a user would
        run("xdotool", {"windowactivate", "--sync", id});
        run("xdotool", {"key", "--clearmodifiers", "ctrl+shift+c"});
        QTRY_COMPARE_WITH_TIMEOUT(clipboard(), QString("Zq9-tray-s3cret"), 10000);
        QVERIFY(run("xclip", {"-o", "-selection", "clipboard", "-t", "TARGETS"}).contains("x-kde-passwordManagerHint"));
        QCOMPARE(run("xclip", {"-o", "-selection", "clipboard", "-t", "x-kde-passwordManagerHint"}), QString("secret"));
        // gone after the delay (2 s), read by another process
        QTRY_COMPARE_WITH_TIMEOUT(clipboard(), QString(), 15000);

        // minimise: the window leaves the screen and the taskbar, the icon is in the notification area
        QVERIFY(!trayIconWindow().isEmpty());
        run("xdotool", {"windowminimize", id});
        QTRY_VERIFY_WITH_TIMEOUT(!clientList().contains(id), 10000);
        QVERIFY(!mapped(id));
        shot("xvfb-tray-hidden.png");

        // the way back asks the file password; cancelled, the window stays in the tray
        const QString question = "Tessivo Keyvane: 'tray.kvf' Password...";
        doubleClickTrayIcon();
        QString ask;
        QTRY_VERIFY_WITH_TIMEOUT(!(ask = windowsNamed(question).value(0)).isEmpty() && mapped(ask), 15000);
        shot("xvfb-tray-password.png");
        run("xdotool", {"windowactivate", "--sync", ask});
        run("xdotool", {"key", "Escape"});
        QTRY_VERIFY_WITH_TIMEOUT(!mapped(ask), 10000);
        QTest::qWait(300);
        QVERIFY(!mapped(id));
        QVERIFY(!clientList().contains(id));

        // with the password it comes back
        doubleClickTrayIcon();
        QTRY_VERIFY_WITH_TIMEOUT(!(ask = windowsNamed(question).value(0)).isEmpty() && mapped(ask), 15000);
        run("xdotool", {"windowactivate", "--sync", ask});
        run("xdotool", {"type", "--delay", "30", "pw12"});
        run("xdotool", {"key", "Return"});
        QTRY_VERIFY_WITH_TIMEOUT(mapped(id), 15000);
        QTRY_VERIFY_WITH_TIMEOUT(clientList().contains(id), 10000);
        shot("xvfb-tray-back.png");

        // the icon's menu, for a person to look at
        if (!qEnvironmentVariable("KEYVANE_SHOTS").isEmpty()) {
            const QString icon = trayIconWindow();
            const QString info = run("xwininfo", {"-id", icon});
            const int x = QRegularExpression("Absolute upper-left X:\\s+(\\d+)").match(info).captured(1).toInt();
            const int y = QRegularExpression("Absolute upper-left Y:\\s+(\\d+)").match(info).captured(1).toInt();
            run("xdotool", {"mousemove", QString::number(x + 8), QString::number(y + 8), "click", "3"});
            shot("xvfb-tray-menu.png");
            run("xdotool", {"key", "Escape"});
        }

        program->terminate();
        QVERIFY(program->waitForFinished(20000));
        QCOMPARE(program->exitCode(), 0);
    }

    void withoutANotificationAreaTheWindowStaysOnTheTaskbar() {
        startDesktop(false);
        QString id;
        startProgram(id);
        if (QTest::currentTestFailed())
            return;
        run("xdotool", {"windowminimize", id});
        QTRY_VERIFY_WITH_TIMEOUT(wmState(id).contains("Iconic"), 10000);
        QTest::qWait(500); // a hide would come right after the minimise
        QVERIFY(wmState(id).contains("Iconic"));
        QVERIFY(clientList().contains(id)); // still managed: on the taskbar, and can be brought back
        run("xdotool", {"windowactivate", "--sync", id});
        QTRY_VERIFY_WITH_TIMEOUT(mapped(id), 10000);
    }
};

KYVN_TEST_MAIN(TestXvfbTray)
#include "tst_xvfb_tray.moc"
