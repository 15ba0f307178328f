// keyvane-cli clip on a real X server: what another program pastes, the secret mark, the clearing, and
// the refusal without a display. The clipboard is read by xclip, as any other program reads it.
#include "KyvnTest.h"

#include <QProcess>
#include <QTemporaryDir>

namespace {

const QByteArray kPw = "Open Sesame\n";

QByteArray xclip(const QStringList& args, const QByteArray& input = QByteArray()) {
    QProcess p;
    p.start(QStringLiteral("xclip"), args);
    p.write(input);
    p.closeWriteChannel();
    if (!p.waitForFinished(30000)) {
        qWarning() << "xclip did not answer" << args;
        p.kill();
        p.waitForFinished(-1);
    }
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0 ? p.readAllStandardOutput() : QByteArray();
}

QByteArray pasted(const QString& target = QStringLiteral("UTF8_STRING")) {
    return xclip({"-o", "-selection", "clipboard", "-t", target});
}

int runCli(const QStringList& args, const QProcessEnvironment& env, QString* err) {
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(KEYVANE_CLI), args);
    p.write(kPw);
    p.closeWriteChannel();
    p.waitForFinished(-1);
    *err = QString::fromUtf8(p.readAllStandardError()).trimmed();
    return p.exitCode();
}

} // namespace

class TestXvfbClip : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QString file;

    void startClip(QProcess& p, const QStringList& extra) {
        p.start(QStringLiteral(KEYVANE_CLI), QStringList{"clip", file, "Bank"} + extra);
        p.write(kPw);
        p.closeWriteChannel();
    }
    // The command says so once the copy is made and it waits.
    static bool copied(QProcess& p, QByteArray& err) {
        err += p.readAllStandardError();
        return err.contains("to the clipboard;");
    }

private slots:
    void initTestCase() {
        QVERIFY(!qEnvironmentVariableIsEmpty("DISPLAY"));
        file = dir.filePath("safe.kvf");
        QString err;
        const QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        QProcess p;
        p.start(QStringLiteral(KEYVANE_CLI), {"new", file});
        p.write("Open Sesame\nOpen Sesame\n");
        p.closeWriteChannel();
        QVERIFY(p.waitForFinished(-1));
        QCOMPARE(runCli({"add", file, "Bank", "--login", "me", "--password", "s3cret wörd"}, env, &err), 0);
    }

    // The secret is pasted by others while the command waits, marked for clipboard managers; stopping
    // the command clears it.
    void copiesMarked_data() {
        QTest::addColumn<QStringList>("extra");
        QTest::addColumn<QByteArray>("value");
        QTest::newRow("password") << QStringList{"600"} << QByteArray("s3cret wörd");
        QTest::newRow("login") << QStringList{"--field", "login", "600"} << QByteArray("me");
    }
    void copiesMarked() {
        QFETCH(QStringList, extra);
        QFETCH(QByteArray, value);
        QProcess clip;
        startClip(clip, extra);
        QByteArray err;
        QTRY_VERIFY_WITH_TIMEOUT(copied(clip, err), 120000);
        QCOMPARE(pasted(), value);
        QCOMPARE(pasted(QStringLiteral("x-kde-passwordManagerHint")), QByteArray("secret"));
        clip.terminate();
        QVERIFY(clip.waitForFinished(-1));
        QCOMPARE(clip.exitStatus(), QProcess::NormalExit);
        QCOMPARE(clip.exitCode(), 1);
        QVERIFY(
            QString::fromUtf8(err + clip.readAllStandardError()).contains("Stopped early; the clipboard was cleared."));
        QCOMPARE(pasted(), QByteArray());
    }

    // After the delay the command clears the clipboard and ends.
    void clearsAfterTheDelay() {
        QProcess clip;
        startClip(clip, {"2"});
        QVERIFY(clip.waitForFinished(-1));
        QCOMPARE(clip.exitCode(), 0);
        QVERIFY(QString::fromUtf8(clip.readAllStandardError()).contains("it is cleared in 2 seconds"));
        QCOMPARE(pasted(), QByteArray());
    }

    // Something copied meanwhile is another program's: the command ends and leaves it alone.
    void leavesALaterCopyAlone() {
        QProcess clip;
        startClip(clip, {"600"});
        QByteArray err;
        QTRY_VERIFY_WITH_TIMEOUT(copied(clip, err), 120000);
        QCOMPARE(pasted(), QByteArray("s3cret wörd"));
        xclip({"-selection", "clipboard", "-i"}, "copied later");
        QVERIFY(clip.waitForFinished(-1));
        QCOMPARE(clip.exitCode(), 0);
        QCOMPARE(pasted(), QByteArray("copied later"));
        xclip({"-selection", "clipboard", "-i", "/dev/null"});
    }

    void noDisplay_data() {
        QTest::addColumn<QString>("display");
        QTest::addColumn<QString>("message");
        QTest::newRow("none set") << QString()
                                  << "Cannot reach the clipboard: there is no display (neither DISPLAY nor "
                                     "WAYLAND_DISPLAY is set).";
        QTest::newRow("unreachable") << ":987"
                                     << "Cannot reach the clipboard: could not connect to display :987.";
    }
    void noDisplay() {
        QFETCH(QString, display);
        QFETCH(QString, message);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XAUTHORITY"})
            env.remove(name);
        if (!display.isEmpty())
            env.insert("DISPLAY", display);
        QString err;
        QCOMPARE(runCli({"clip", file, "Bank"}, env, &err), 1);
        QCOMPARE(err, message);
    }
};

KYVN_TEST_CORE_MAIN(TestXvfbClip)
#include "tst_xvfb_clip.moc"
