// The real program, started as a user would: one instance at a time, a lock left by a killed instance
// taken over, and an orderly end on the termination signals (the preferences reach the settings store).
#include "KyvnSettingsLock.h"
#include "KyvnTest.h"
#include "QsRegUtils.h"

#include <QLockFile>
#include <QProcess>

#include <csignal>
#include <sys/stat.h>

using KyvnTest::TSettingsLockHolder;

namespace {
const TQsRegRoot LM = TQsRegRoot::LocalMachine;
const QString kProductKey = QStringLiteral("Software\\Tessivo\\Tessivo Nimbrel\\Keyvane");
const QString kBinary = QStringLiteral(KEYVANE_BINARY_DIR "/src/app/keyvane");

// Config and runtime folders of their own, shared by the program runs of one test and by this process.
class TSandbox {
public:
    TSandbox() {
        QDir(dir.path()).mkpath("config");
        QDir(dir.path()).mkpath("runtime");
        ::chmod(QFile::encodeName(runtime()).constData(), 0700);
        saved_ = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.filePath("config")));
        QsRegClose();
    }
    ~TSandbox() {
        QsRegClose();
        qputenv("XDG_CONFIG_HOME", saved_);
    }
    QString runtime() const { return dir.filePath("runtime"); }
    QString lockFile() const { return runtime() + "/ZKYVN"; }

    // Starts the program; the caller owns the process.
    QProcess* start(QObject* parent) const {
        auto* p = new QProcess(parent);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", dir.filePath("config"));
        env.insert("XDG_RUNTIME_DIR", runtime());
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("KEYVANE_SPLASH_MS", "0");
        env.insert("KEYVANE_TEST_AUTOANSWER", "1");
        p->setProcessEnvironment(env);
        p->start(kBinary, {});
        return p;
    }

    // The program writes "Location" once it holds the lock and its signal handlers are in place.
    static bool waitUntilRunning(QProcess* p) {
        // The child may have written "Location" before this process saw it start: its state
        // changes only when the started notification is handled, so wait for that first.
        if (!p->waitForStarted(30000))
            return false;
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < 30000) {
            QsRegClose();
            if (RegValueExists(LM, kProductKey, "Location"))
                return p->state() == QProcess::Running;
            if (p->state() == QProcess::NotRunning)
                return false;
            QTest::qWait(50);
        }
        return false;
    }

private:
    QTemporaryDir dir;
    QByteArray saved_;
};

int optionsStored() {
    QsRegClose();
    return int(ReadRegValueNames(LM, kProductKey + "\\Options", "", {}).size());
}
} // namespace

class TestStartupProcess : public QObject {
    Q_OBJECT
private slots:
    void init() {
        if (!QFile::exists(kBinary))
            QSKIP("the program is not built");
    }

    void secondInstanceRefusesAndDeadLockIsTakenOver() {
        TSandbox box;
        QProcess* first = box.start(this);
        QVERIFY(TSandbox::waitUntilRunning(first));
        QVERIFY(QFile::exists(box.lockFile()));

        // The second start says why it ends, and writes nothing.
        DeleteRegValue(LM, kProductKey, "Location");
        QProcess* second = box.start(this);
        QVERIFY(second->waitForFinished(30000));
        QCOMPARE(second->exitStatus(), QProcess::NormalExit);
        QCOMPARE(second->exitCode(), 2);
        QVERIFY(QString::fromLocal8Bit(second->readAllStandardError())
                    .contains("You cannot create multiple instances of Tessivo Keyvane."));
        QsRegClose();
        QVERIFY(!RegValueExists(LM, kProductKey, "Location"));
        QCOMPARE(optionsStored(), 0);
        QCOMPARE(first->state(), QProcess::Running); // the first is not affected

        // A killed instance leaves its lock behind; the next start takes it over.
        first->kill();
        QVERIFY(first->waitForFinished(10000));
        QVERIFY(QFile::exists(box.lockFile()));
        QCOMPARE(optionsStored(), 0); // a killed program saved nothing
        QProcess* third = box.start(this);
        QVERIFY(TSandbox::waitUntilRunning(third));
        QTest::qWait(300);
        QCOMPARE(third->state(), QProcess::Running);

        ::kill(pid_t(third->processId()), SIGTERM);
        QVERIFY(third->waitForFinished(30000));
        QCOMPARE(third->exitStatus(), QProcess::NormalExit);
        QCOMPARE(third->exitCode(), 0);
        QCOMPARE(optionsStored(), 23);
        QVERIFY(!QFile::exists(box.lockFile()));
    }

    void terminationSignalsEndInOrder_data() {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGHUP") << int(SIGHUP);
        QTest::newRow("SIGINT") << int(SIGINT);
    }
    void terminationSignalsEndInOrder() {
        QFETCH(int, signal);
        TSandbox box;
        QProcess* p = box.start(this);
        QVERIFY(TSandbox::waitUntilRunning(p));
        QCOMPARE(optionsStored(), 0);
        ::kill(pid_t(p->processId()), signal);
        QVERIFY(p->waitForFinished(30000));
        QCOMPARE(p->exitStatus(), QProcess::NormalExit);
        QCOMPARE(p->exitCode(), 0);
        QCOMPARE(optionsStored(), 23);
        QVERIFY(!QFile::exists(box.lockFile()));
    }

    // --help and --version answer on standard output and end before any window, setting or lock: they work
    // with no display at all and beside a running Keyvane.
    void infoOptionsPrintAndEnd_data() {
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("expected");
        QTest::newRow("--help") << "--help"
                                << "Usage: keyvane [/N | /F:FILE | --help | --version]\n";
        QTest::newRow("-h") << "-h"
                            << "  /F:FILE     start by opening FILE\n";
        QTest::newRow("--version") << "--version"
                                   << "Tessivo Keyvane 2.0.0 Build 40\n";
    }
    void infoOptionsPrintAndEnd() {
        QFETCH(QString, option);
        QFETCH(QString, expected);
        TSandbox box;
        QLockFile running(box.lockFile());
        QVERIFY(running.tryLock(0));
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", QFileInfo(box.runtime()).path() + "/config");
        env.insert("XDG_RUNTIME_DIR", box.runtime());
        // A window would need this display, which does not exist.
        env.insert("QT_QPA_PLATFORM", "xcb");
        env.insert("DISPLAY", ":97531");
        env.remove("WAYLAND_DISPLAY");
        p.setProcessEnvironment(env);
        p.start(kBinary, {option});
        QVERIFY(p.waitForFinished(30000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 0);
        QVERIFY2(QString::fromUtf8(p.readAllStandardOutput()).contains(expected), qPrintable(expected));
        QCOMPARE(QString::fromUtf8(p.readAllStandardError()), QString());
        QsRegClose();
        QVERIFY(!RegValueExists(LM, kProductKey, "Location"));
    }

    // Another process holds the settings database and keeps it: the program still comes up and ends on
    // the termination signal at once, long before the old ten-second waits, with the lock held all along.
    void lockedSettingsStoreHoldsNothingUp_data() {
        QTest::addColumn<int>("lock");
        QTest::newRow("writer inside its transaction") << int(TSettingsLockHolder::Immediate);
        QTest::newRow("exclusive locking mode") << int(TSettingsLockHolder::Exclusive);
    }
    void lockedSettingsStoreHoldsNothingUp() {
        QFETCH(int, lock);
        TSandbox box;
        WriteRegInteger(LM, kProductKey + "\\Options", "PasswordLength", 12);
        QsRegClose();
        TSettingsLockHolder holder(QsRegDatabasePath(), TSettingsLockHolder::TKind(lock));
        QVERIFY(holder.Locked());
        QElapsedTimer timer;
        timer.start();
        QProcess* p = box.start(this);
        QVERIFY(p->waitForStarted(30000));
        // The instance lock is taken after the signal handlers are in place and before the store is used.
        while (!QFile::exists(box.lockFile()) && p->state() == QProcess::Running)
            QTest::qWait(10);
        ::kill(pid_t(p->processId()), SIGTERM);
        QVERIFY(p->waitForFinished(30000));
        QCOMPARE(p->exitStatus(), QProcess::NormalExit);
        QCOMPARE(p->exitCode(), 0);
        QVERIFY2(timer.elapsed() < 5000, qPrintable(QString::number(timer.elapsed())));
        QVERIFY(holder.StillHolding());
        QVERIFY(!QFile::exists(box.lockFile()));
    }

    void cleanup() {
        for (QProcess* p : findChildren<QProcess*>()) {
            if (p->state() != QProcess::NotRunning) {
                p->kill();
                p->waitForFinished(5000);
            }
            delete p;
        }
    }
};

KYVN_TEST_MAIN(TestStartupProcess)
#include "tst_startup_process.moc"
