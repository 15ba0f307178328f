// The real program, started as a user would: one instance at a time, a lock left by a killed instance
// taken over, and an orderly end on the termination signals (the preferences reach the settings store).
#include "KyvnTest.h"
#include "QsRegUtils.h"

#include <QProcess>

#include <csignal>
#include <sys/stat.h>

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
        QCOMPARE(optionsStored(), 22);
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
        QCOMPARE(optionsStored(), 22);
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
