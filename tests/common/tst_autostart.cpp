#include "KyvnTest.h"
#include "QsAutoStart.h"

class TestAutoStart : public QObject {
    Q_OBJECT
private slots:
    void execValue_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("exec");
        // Raw strings would confuse moc, so the escapes are spelled out.
        QTest::newRow("plain") << "/usr/bin/keyvane"
                               << "\"/usr/bin/keyvane\"";
        QTest::newRow("space") << "/opt/my apps/keyvane"
                               << "\"/opt/my apps/keyvane\"";
        QTest::newRow("quote dollar backquote") << "/opt/a\"b$c`d"
                                                << "\"/opt/a\\\\\"b\\\\$c\\\\`d\"";
        QTest::newRow("backslash") << "/opt/a\\b"
                                   << "\"/opt/a\\\\\\\\b\"";
        QTest::newRow("percent") << "/opt/100%/keyvane"
                                 << "\"/opt/100%%/keyvane\"";
    }
    void execValue() {
        QFETCH(QString, path);
        QFETCH(QString, exec);
        QCOMPARE(AutoStartExecValue(path), exec);
    }

    void writeAndDelete() {
        const QString path = AutoStartEntryPath();
        QCOMPARE(path, qEnvironmentVariable("XDG_CONFIG_HOME") + "/autostart/KYVN.desktop");
        QVERIFY(!AutoStartEntryExists());
        WriteAutoStartEntry("/opt/my apps/keyvane");
        QVERIFY(AutoStartEntryExists());
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(f.readAll());
        QVERIFY(text.startsWith("[Desktop Entry]\n"));
        QVERIFY(text.contains("\nType=Application\n"));
        QVERIFY(text.contains("\nExec=\"/opt/my apps/keyvane\"\n"));
        f.close();
        WriteAutoStartEntry("/usr/bin/keyvane"); // rewriting replaces the entry
        QVERIFY(f.open(QIODevice::ReadOnly));
        QVERIFY(QString::fromUtf8(f.readAll()).contains("\nExec=\"/usr/bin/keyvane\"\n"));
        f.close();
        DeleteAutoStartEntry();
        QVERIFY(!AutoStartEntryExists());
        DeleteAutoStartEntry(); // deleting a missing entry is no failure
    }

    void unwritableFolderIsSwallowed() {
        const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
        QTemporaryDir dir;
        QFile blocker(dir.path() + "/autostart"); // a file where the folder should be
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.path()));
        WriteAutoStartEntry("/usr/bin/keyvane");
        QVERIFY(!AutoStartEntryExists());
        qputenv("XDG_CONFIG_HOME", saved);
    }
};

KYVN_TEST_CORE_MAIN(TestAutoStart)
#include "tst_autostart.moc"
