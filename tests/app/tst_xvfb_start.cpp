// The real program under an X server: started with /F: on a passwords file, it asks the password, shows
// the file's name in its caption and lists the accounts; SIGTERM ends it in order.
#include "KyvnTest.h"
#include "clsFile.h"

#include <QProcess>
#include <QRegularExpression>

class TestXvfbStart : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

    QString makeFixture(int count) {
        const QString path = dir.filePath("Start Home.kvf");
        TKYVNFile f;
        f.FileName = path;
        f.Password = "pw12";
        const char* sites[] = {"Bank",   "mail",  "Shop",    "forum", "Cloud", "news",  "Game",
                               "work",   "Ärzte", "library", "Phone", "tax",   "Train", "video",
                               "Health", "music", "Travel",  "wiki",  "Power", "school"};
        for (int i = 0; i < count; ++i) {
            auto* a = new TKYVNAccount;
            a->AccountName = QString::fromUtf8(sites[i % 20]);
            a->Login = QString("user%1").arg(i);
            a->Password = QString("secret%1").arg(i);
            a->Email = QString("user%1@example.org").arg(i);
            a->Web = QString("www.%1.example.com").arg(QString::fromUtf8(sites[i % 20]).toLower());
            a->Created = QDate(2020, 1, 1).addDays(i * 37);
            a->Modified = a->Created.addDays(5);
            f.AddAccount(a);
        }
        f.Save(false);
        return path;
    }
    static QString run(const QString& program, const QStringList& args) {
        QProcess p;
        p.start(program, args);
        p.waitForFinished(20000);
        return QString::fromLocal8Bit(p.readAllStandardOutput());
    }

private slots:
    void opensTheFileNamedOnTheCommandLine() {
        const QString binary = QStringLiteral(KEYVANE_BINARY_DIR "/src/app/keyvane");
        if (!QFile::exists(binary))
            QSKIP("the program is not built");
        const QString fixture = makeFixture(20);
        const QString state = dir.filePath("state.txt");

        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("KEYVANE_SPLASH_MS", "0");
        env.insert("KEYVANE_TEST_AUTOANSWER", "1");
        env.insert("KEYVANE_TEST_ANSWERS", "TPassEdit=pw12");
        env.insert("KEYVANE_TEST_STATE", state);
        // In a sanitizer build the system's D-Bus library leaks a buffer at exit: not ours to mend.
        QFile supp(dir.filePath("lsan.supp"));
        QVERIFY(supp.open(QIODevice::WriteOnly));
        supp.write("leak:libdbus-1.so\n");
        supp.close();
        env.insert("LSAN_OPTIONS", "suppressions=" + supp.fileName());
        program.setProcessEnvironment(env);
        program.setProcessChannelMode(QProcess::ForwardedChannels);
        program.start(binary, {"/F:" + fixture});
        QVERIFY(program.waitForStarted(10000));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(state), 30000);

        QFile f(state);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.value(0), QString("Tessivo Keyvane: Start Home.kvf"));
        QCOMPARE(lines.value(1), QString("Account Name\tLogin\tEmail\tWeb\tCreated\tModified"));
        QCOMPARE(lines.size(), 2 + 20);
        QVERIFY2(lines.value(2).startsWith("Ärzte\t") || lines.value(2).startsWith("Bank\t"), qPrintable(lines[2]));

        // the window system sees the same caption
        QTRY_VERIFY_WITH_TIMEOUT(run("xwininfo", {"-root", "-tree"}).contains("\"Tessivo Keyvane: Start Home.kvf\""),
                                 10000);

        // KEYVANE_SHOTS=<folder> keeps a picture of the screen for a person to look at
        if (const QString shots = qEnvironmentVariable("KEYVANE_SHOTS"); !shots.isEmpty()) {
            QDir().mkpath(shots);
            QTest::qWait(500); // let the window paint before the picture is taken
            run("import", {"-window", "root", shots + "/xvfb-start.png"});
        }

        program.terminate(); // SIGTERM: the orderly shutdown
        QVERIFY(program.waitForFinished(20000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        // the file is now the most recent one
        TKYVNFile back;
        back.FileName = fixture;
        back.Load();
        QCOMPARE(back.AccountCount(), 20);
    }
};

KYVN_TEST_MAIN(TestXvfbStart)
#include "tst_xvfb_start.moc"
