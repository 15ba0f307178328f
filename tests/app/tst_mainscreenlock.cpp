// The window goes into the tray when the desktop locks the screen: the screen savers' ActiveChanged on
// the session bus and logind's Lock of this session on the system bus, sent by dbus-send on private
// buses the test starts; the way back asks the file password when that preference is on.
#include "KyvnTest.h"
#include "QsAnswers.h"
#include "QsApp.h"
#include "QsExceptions.h"
#include "clsFile.h"
#include "clsList.h"
#include "frmMain.h"
#include "uOptions.h"
#include "uScreenLock.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QProcess>
#include <memory>

#include <csignal>
#include <cstdio>
#include <sys/types.h>

namespace {
const QString kPassword = QStringLiteral("pw1234");
bool fakeTray() {
    return true;
}

// A private bus: its address and the daemon's process id.
struct TBus {
    QByteArray address;
    pid_t pid = 0;
};
std::vector<pid_t> daemons;

// Started before the application, so that Qt's own bus connections are made to these buses.
TBus startBus() {
    TBus bus;
    FILE* out = ::popen("dbus-daemon --session --fork --print-address=1 --print-pid=1", "r");
    if (!out)
        return bus;
    char line[1024];
    if (std::fgets(line, sizeof line, out))
        bus.address = QByteArray(line).trimmed();
    if (std::fgets(line, sizeof line, out))
        bus.pid = pid_t(QByteArray(line).trimmed().toLong());
    ::pclose(out);
    if (bus.pid > 0)
        daemons.push_back(bus.pid);
    return bus;
}
} // namespace

class TestMainScreenLock : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QString path;
    std::unique_ptr<TKYVNMain> w;
    QStringList errors;
    int signalsSeen = 0;

    void start() {
        w = std::make_unique<TKYVNMain>();
        QsSetExceptionHandler([this](const std::exception* e) { errors << (e ? QsExceptionMessage(*e) : "?"); });
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        QsAnswers::Push(QStringLiteral("OpenFile"), path);
        QsAnswers::Push(QStringLiteral("TPassEdit"), kPassword);
        QVERIFY(w->RunCommand(w->actFileOpen));
        QVERIFY(w->FileOpen);
    }
    // Sends the signal and returns once the window has had it delivered: the test listens to the same
    // signal on the same connection, and the window's delivery was queued with its own.
    void send(const QString& bus, const QString& objectPath, const QString& member, const QStringList& args) {
        QDBusConnection connection = bus == "system" ? QDBusConnection::systemBus() : QDBusConnection::sessionBus();
        QVERIFY(connection.isConnected());
        const QString interface = member.section('.', 0, -2);
        const QString name = member.section('.', -1);
        QVERIFY(connection.connect(QString(), objectPath, interface, name, this, SLOT(seen(QDBusMessage))));
        const int before = signalsSeen;
        const QByteArray address = qgetenv(bus == "system" ? "DBUS_SYSTEM_BUS_ADDRESS" : "DBUS_SESSION_BUS_ADDRESS");
        QProcess send;
        send.start("dbus-send",
                   QStringList{"--bus=" + QString::fromLatin1(address), "--type=signal", objectPath, member} + args);
        QVERIFY(send.waitForFinished(20000));
        QCOMPARE(send.exitCode(), 0);
        QTRY_VERIFY(signalsSeen > before);
        QCoreApplication::sendPostedEvents();
        connection.disconnect(QString(), objectPath, interface, name, this, SLOT(seen(QDBusMessage)));
    }

private slots:
    void seen(const QDBusMessage&) { ++signalsSeen; }

    void initTestCase() {
        QVERIFY(QDBusConnection::sessionBus().isConnected());
        QVERIFY(QDBusConnection::systemBus().isConnected());
        AppInfo = new TQsApplication;
        AppInfo->Title = "Tessivo Keyvane";
        AppInfo->ProductKey = "Software\\Tessivo\\Tessivo Nimbrel\\Keyvane";
        Options = new TKYVNOptions;
        ListLayout = new TKYVNList;
        ListLayout->SetDefaults();
        TKYVNMain::TrayAvailable = &fakeTray;
        path = dir.filePath("locked.kvf");
        TKYVNFile f;
        f.FileName = path;
        f.Password = kPassword;
        f.Save(false);
    }
    void init() {
        QsAnswers::Clear();
        errors.clear();
        *Options = TKYVNOptions();
        Options->SaveWindow = false;
        Options->AutoOpenLastFile = false;
        Options->CloseMinimizes = false;
        Options->AutoStart = false;
    }
    void cleanup() {
        if (w)
            w->ExitRequested = true;
        w.reset();
        QCOMPARE(QsAnswers::Pending(), 0);
        QCOMPARE(errors, QStringList());
    }

    void theSessionPathOfAnId_data() {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("element");
        QTest::newRow("letters and digits") << "c2"
                                            << "c2";
        QTest::newRow("a leading digit") << "2"
                                         << "_32";
        QTest::newRow("other characters") << "a-b.c"
                                          << "a_2db_2ec";
        QTest::newRow("empty") << ""
                               << "_";
    }
    void theSessionPathOfAnId() {
        QFETCH(QString, id);
        QFETCH(QString, element);
        QCOMPARE(TKYVNScreenLock::SessionPathOf(id), "/org/freedesktop/login1/session/" + element);
    }

    // Which signals lock: the screen savers turning on, and logind locking this session (c2); not a
    // screen saver turning off, another session's lock, or any of them with the preference off.
    void theLockMinimisesIntoTheTray_data() {
        QTest::addColumn<QString>("bus");
        QTest::addColumn<QString>("objectPath");
        QTest::addColumn<QString>("member");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<bool>("preference");
        QTest::addColumn<bool>("minimised");
        const QString freedesktop = "org.freedesktop.ScreenSaver.ActiveChanged";
        const QString lock = "org.freedesktop.login1.Session.Lock";
        QTest::newRow("freedesktop screen saver")
            << "session"
            << "/org/freedesktop/ScreenSaver" << freedesktop << QStringList{"boolean:true"} << true << true;
        QTest::newRow("screen saver at /ScreenSaver")
            << "session"
            << "/ScreenSaver" << freedesktop << QStringList{"boolean:true"} << true << true;
        QTest::newRow("GNOME screen saver")
            << "session"
            << "/org/gnome/ScreenSaver"
            << "org.gnome.ScreenSaver.ActiveChanged" << QStringList{"boolean:true"} << true << true;
        QTest::newRow("logind locks this session")
            << "system"
            << "/org/freedesktop/login1/session/c2" << lock << QStringList() << true << true;
        QTest::newRow("screen saver turns off")
            << "session"
            << "/org/freedesktop/ScreenSaver" << freedesktop << QStringList{"boolean:false"} << true << false;
        QTest::newRow("logind locks another session")
            << "system"
            << "/org/freedesktop/login1/session/c3" << lock << QStringList() << true << false;
        QTest::newRow("preference off") << "session"
                                        << "/org/freedesktop/ScreenSaver" << freedesktop << QStringList{"boolean:true"}
                                        << false << false;
        QTest::newRow("preference off, logind")
            << "system"
            << "/org/freedesktop/login1/session/c2" << lock << QStringList() << false << false;
    }
    void theLockMinimisesIntoTheTray() {
        QFETCH(QString, bus);
        QFETCH(QString, objectPath);
        QFETCH(QString, member);
        QFETCH(QStringList, args);
        QFETCH(bool, preference);
        QFETCH(bool, minimised);
        Options->MinimizeOnLock = preference;
        start();
        QCOMPARE(w->ScreenLock->SessionPath(), QString("/org/freedesktop/login1/session/c2"));
        send(bus, objectPath, member, args);
        if (minimised) {
            QCOMPARE(w->TrayState, 1);
            QTRY_VERIFY(!w->isVisible());
        } else {
            QCOMPARE(w->TrayState, 0);
            QVERIFY(!w->isMinimized());
            QVERIFY(w->isVisible());
        }
    }

    // Back from the tray after a lock: the file password first, as after any minimise into the tray.
    void theWayBackAfterALockAsksThePassword() {
        Options->TrayPassword = true;
        start();
        send("session", "/org/gnome/ScreenSaver", "org.gnome.ScreenSaver.ActiveChanged", {"boolean:true"});
        QCOMPARE(w->TrayState, 1);
        QTRY_VERIFY(!w->isVisible());
        bool asked = false;
        QsAnswers::PushHandler("TPassEdit", [&asked](QObject*) {
            asked = true;
            return QVariant(kPassword);
        });
        QVERIFY(w->RunCommand(w->actTrayOpen));
        QVERIFY(asked);
        QTRY_VERIFY(w->isVisible());
        QCOMPARE(w->TrayState, 0);
    }
};

int main(int argc, char** argv) {
    KyvnTest::isolatedHome();
    // The buses are the test's own: nothing reaches the desktop's session, and the "system" bus is a
    // second private one standing in for it.
    const TBus session = startBus();
    const TBus system = startBus();
    qputenv("DBUS_SESSION_BUS_ADDRESS", session.address);
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", system.address);
    qputenv("XDG_SESSION_ID", "c2");
    int result = 1;
    {
        QApplication app(argc, argv);
        TestMainScreenLock tc;
        QTEST_SET_MAIN_SOURCE_PATH
        result = QTest::qExec(&tc, argc, argv);
    }
    for (const pid_t pid : daemons)
        ::kill(pid, SIGTERM);
    return result;
}

#include "tst_mainscreenlock.moc"
