// The real program under an X server, driven by its keys: the splash while it starts, then the find
// dialog (Ctrl+F), the file properties (F4) and the about box (Help > About), each closed with Esc.
#include "KyvnTest.h"
#include "clsFile.h"

#include <QProcess>

class TestXvfbWindows : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

    static QString run(const QString& program, const QStringList& args) {
        QProcess p;
        p.start(program, args);
        p.waitForFinished(20000);
        return QString::fromLocal8Bit(p.readAllStandardOutput());
    }
    // The ids of the shown windows whose name matches the pattern.
    static QString visible(const QString& pattern) {
        return run(QStringLiteral("xdotool"), {"search", "--onlyvisible", "--name", pattern}).trimmed();
    }
    static void key(const QString& window, const QString& keys) {
        run(QStringLiteral("xdotool"), {"windowfocus", "--sync", window});
        run(QStringLiteral("xdotool"), {"key", "--clearmodifiers", keys});
    }
    static void shot(const QString& name) {
        // KEYVANE_SHOTS=<folder> keeps a picture of the screen for a person to look at
        if (const QString shots = qEnvironmentVariable("KEYVANE_SHOTS"); !shots.isEmpty()) {
            QDir().mkpath(shots);
            QTest::qWait(300); // let the window paint before the picture is taken
            run(QStringLiteral("import"), {"-window", "root", shots + u'/' + name + ".png"});
        }
    }

private slots:
    void showsItsWindows() {
        const QString binary = QStringLiteral(KEYVANE_BINARY_DIR "/src/app/keyvane");
        if (!QFile::exists(binary))
            QSKIP("the program is not built");
        if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
            QSKIP("xdotool is not installed");
        const QString fixture = dir.filePath("Find Home.kvf");
        {
            TKYVNFile f;
            f.FileName = fixture;
            f.Password = "pw12";
            for (const char* name : {"Bank", "Mail", "Shop"}) {
                auto* a = new TKYVNAccount;
                a->AccountName = QString::fromLatin1(name);
                a->Login = QStringLiteral("me");
                f.AddAccount(a);
            }
            f.Save(false);
        }
        const QByteArray before = KyvnTest::readAll(fixture);

        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("KEYVANE_SPLASH_MS", "1500");
        env.insert("KEYVANE_TEST_AUTOANSWER", "1");
        env.insert("KEYVANE_TEST_ANSWERS", "TPassEdit=pw12");
        QFile supp(dir.filePath("lsan.supp"));
        QVERIFY(supp.open(QIODevice::WriteOnly));
        supp.write("leak:libdbus-1.so\n");
        supp.close();
        env.insert("LSAN_OPTIONS", "suppressions=" + supp.fileName());
        program.setProcessEnvironment(env);
        program.setProcessChannelMode(QProcess::ForwardedChannels);
        program.start(binary, {"/F:" + fixture});
        QVERIFY(program.waitForStarted(10000));

        // The splash: a 500 x 400 window before the main window exists.
        QTRY_VERIFY_WITH_TIMEOUT(run("xwininfo", {"-root", "-tree"}).contains(QStringLiteral("500x400+")), 10000);
        QVERIFY(visible(QStringLiteral("^Tessivo Keyvane: ")).isEmpty());
        shot(QStringLiteral("xvfb-splash"));

        QString main;
        QTRY_VERIFY_WITH_TIMEOUT(!(main = visible(QStringLiteral("^Tessivo Keyvane: Find Home.kvf$"))).isEmpty(),
                                 30000);
        main = main.section(u'\n', 0, 0);

        const struct {
            const char* Keys;
            const char* Caption;
            const char* Shot;
        } windows[] = {
            {"ctrl+f", "^Find Text\\.\\.\\.$", "xvfb-find"},
            {"F4", "^File Properties\\.\\.\\.$", "xvfb-properties"},
            {"alt+h a", "^About Tessivo Keyvane\\.\\.\\.$", "xvfb-about"},
        };
        for (const auto& w : windows) {
            const QString caption = QLatin1String(w.Caption);
            for (const QString& k : QString::fromLatin1(w.Keys).split(u' '))
                key(main, k);
            QString id;
            QTRY_VERIFY2_WITH_TIMEOUT(!(id = visible(caption)).isEmpty(), qPrintable(caption), 10000);
            if (caption.startsWith(QStringLiteral("^Find")))
                run(QStringLiteral("xdotool"), {"type", "--delay", "20", "Ban"}); // the text goes into the field
            shot(QLatin1String(w.Shot));
            key(id.section(u'\n', 0, 0), QStringLiteral("Escape"));
            QTRY_VERIFY2_WITH_TIMEOUT(visible(caption).isEmpty(), qPrintable(caption), 10000);
        }

        program.terminate(); // SIGTERM: the orderly shutdown
        QVERIFY(program.waitForFinished(20000));
        QCOMPARE(program.exitCode(), 0);
        // Looking changes nothing.
        QCOMPARE(KyvnTest::readAll(fixture), before);
    }
};

KYVN_TEST_MAIN(TestXvfbWindows)
#include "tst_xvfb_windows.moc"
