// The real program under an X server: File > New makes a file protected by its password, which an
// independent reader opens; a file of the older form is protected through the window's question and
// reopens with its password.
#include "KyvnTest.h"
#include "clsFile.h"

#include <QProcess>

namespace {

const QString kPython = QStringLiteral("/usr/bin/python3");
const QString kReader = QStringLiteral(KEYVANE_SOURCE_DIR "/tests/cli/protected_file.py");

QString run(const QString& program, const QStringList& args, QByteArray* out = nullptr, int* status = nullptr) {
    QProcess p;
    p.start(program, args);
    p.waitForFinished(60000);
    const QByteArray bytes = p.readAllStandardOutput();
    if (out)
        *out = bytes;
    if (status)
        *status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return QString::fromLocal8Bit(bytes);
}

bool isProtected(const QString& path) {
    return KyvnTest::readAll(path).startsWith("\x89KVF");
}

} // namespace

class TestXvfbProtect : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    const QString binary = QStringLiteral(KEYVANE_BINARY_DIR "/src/app/keyvane");

    // Starts the program with these arguments and queued answers; the state file tells when it is up.
    void start(QProcess& program, const QStringList& args, const QString& answers, const QString& state) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("KEYVANE_SPLASH_MS", "0");
        env.insert("KEYVANE_TEST_AUTOANSWER", "1");
        env.insert("KEYVANE_TEST_ANSWERS", answers);
        env.insert("KEYVANE_TEST_STATE", state);
        QFile supp(dir.filePath("lsan.supp"));
        if (supp.open(QIODevice::WriteOnly)) {
            supp.write("leak:libdbus-1.so\n");
            supp.close();
        }
        env.insert("LSAN_OPTIONS", "suppressions=" + supp.fileName());
        program.setProcessEnvironment(env);
        program.setProcessChannelMode(QProcess::ForwardedChannels);
        program.start(binary, args);
    }

    void stop(QProcess& program) {
        program.terminate();
        QVERIFY(program.waitForFinished(30000));
        QCOMPARE(program.exitCode(), 0);
    }

    static void shot(const QString& name) {
        if (const QString shots = qEnvironmentVariable("KEYVANE_SHOTS"); !shots.isEmpty()) {
            QDir().mkpath(shots);
            QTest::qWait(500); // let the window paint before the picture is taken
            run("import", {"-window", "root", shots + "/" + name + ".png"});
        }
    }

private slots:
    void initTestCase() {
        if (!QFile::exists(binary))
            QSKIP("the program is not built");
    }

    void newMakesAProtectedFile() {
        const QString path = dir.filePath("Made New.kvf");
        const QString state = dir.filePath("new-state.txt");
        QProcess program;
        start(program, {"/N"}, "SaveFile=" + path + "\nTPassEdit=it's #1 passphrase", state);
        QVERIFY(program.waitForStarted(10000));
        QTRY_VERIFY_WITH_TIMEOUT(isProtected(path), 60000);
        stop(program);
        int status = -1;
        run(kPython, {"-c", "import nacl.bindings"}, nullptr, &status);
        if (status != 0)
            QSKIP("python3-nacl is not installed for /usr/bin/python3");
        QByteArray plain;
        run(kPython, {kReader, "read", path, "it's #1 passphrase"}, &plain, &status);
        QCOMPARE(status, 0);
        QCOMPARE(plain, QByteArray("ZKYVN\r\n#it's #1 passphrase\r\n"));
    }

    void anOlderFileIsProtectedAndReopens() {
        const QString path = dir.filePath("Older.kvf");
        {
            TKYVNFile f;
            f.FileName = path;
            f.Password = "pw12";
            auto* a = new TKYVNAccount;
            a->AccountName = "Bank";
            a->Login = "me";
            f.AddAccount(a);
            f.Save(false);
        }
        QVERIFY(!isProtected(path));
        const QString state = dir.filePath("older-state.txt");
        QProcess program;
        start(program, {"/F:" + path}, "TPassEdit=pw12", state);
        QVERIFY(program.waitForStarted(10000));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(state), 60000);
        const QString id =
            run("xdotool", {"search", "--onlyvisible", "--name", "^Tessivo Keyvane: Older.kvf$"}).split('\n').value(0);
        QVERIFY(!id.isEmpty());
        shot("xvfb-protect-question");
        // the question's Protect Now (Alt+P); there is no window manager to activate the window, so the
        // keyboard focus is set directly
        run("xdotool", {"windowfocus", "--sync", id});
        run("xdotool", {"key", "--window", id, "--clearmodifiers", "alt+p"});
        QTRY_VERIFY_WITH_TIMEOUT(isProtected(path), 60000);
        shot("xvfb-protect-done");
        stop(program);

        const QString again = dir.filePath("again-state.txt");
        QProcess reopened;
        start(reopened, {"/F:" + path}, "TPassEdit=pw12", again);
        QVERIFY(reopened.waitForStarted(10000));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(again), 60000);
        QFile f(again);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.value(0), QString("Tessivo Keyvane: Older.kvf"));
        QCOMPARE(lines.size(), 3);
        QVERIFY(lines.value(2).startsWith("Bank\tme"));
        stop(reopened);
        QVERIFY(isProtected(path));
    }
};

KYVN_TEST_MAIN(TestXvfbProtect)
#include "tst_xvfb_protect.moc"
