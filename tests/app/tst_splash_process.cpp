// The real program asked to end while its splash shows: it stops waiting and ends in order at once,
// instead of losing the request and running on.
#include "KyvnTest.h"
#include "QsRegUtils.h"

#include <QElapsedTimer>
#include <QProcess>

#include <csignal>
#include <sys/stat.h>

namespace {
const QString kProductKey = QStringLiteral("Software\\Tessivo\\Tessivo Nimbrel\\Keyvane");
const QString kBinary = QStringLiteral(KEYVANE_BINARY_DIR "/src/app/keyvane");
} // namespace

class TestSplashProcess : public QObject {
    Q_OBJECT

private slots:
    void aTerminationSignalDuringTheSplashEndsTheProgram() {
        if (!QFile::exists(kBinary))
            QSKIP("the program is not built");
        QTemporaryDir dir;
        QDir(dir.path()).mkpath("config");
        QDir(dir.path()).mkpath("runtime");
        ::chmod(QFile::encodeName(dir.filePath("runtime")).constData(), 0700);
        const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.filePath("config")));
        QsRegClose();

        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", dir.filePath("config"));
        env.insert("XDG_RUNTIME_DIR", dir.filePath("runtime"));
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("KEYVANE_SPLASH_MS", "600000"); // far longer than the test may take
        env.insert("KEYVANE_TEST_AUTOANSWER", "1");
        p.setProcessEnvironment(env);
        p.start(kBinary, {});
        QVERIFY(p.waitForStarted(30000));
        // "Location" is written just before the splash shows.
        QTRY_VERIFY_WITH_TIMEOUT((QsRegClose(), RegValueExists(TQsRegRoot::LocalMachine, kProductKey, "Location")),
                                 30000);
        ::kill(pid_t(p.processId()), SIGTERM);
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 0);
        // The orderly end: the preferences reached the store.
        QsRegClose();
        QVERIFY(!ReadRegValueNames(TQsRegRoot::LocalMachine, kProductKey + "\\Options", "", {}).isEmpty());
        QsRegClose();
        qputenv("XDG_CONFIG_HOME", saved);
    }
};

KYVN_TEST_MAIN(TestSplashProcess)
#include "tst_splash_process.moc"
