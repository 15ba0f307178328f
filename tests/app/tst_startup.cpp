// Start-up inside the test process: the command line rules, the application record, the stored values
// written at start and at the end.
#include "KyvnTest.h"
#include "QsApp.h"
#include "QsAutoStart.h"
#include "QsRegUtils.h"
#include "clsList.h"
#include "uMain.h"
#include "uOptions.h"

#include <QDialog>

namespace {
const QString kProductKey = QStringLiteral("Software\\Tessivo\\Tessivo Nimbrel\\Keyvane");
}

class TestStartup : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

private slots:
    void parseCommandLine_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("file"); // relative to the test folder
        const QString existing = dir_.filePath("Home.kvf");
        QFile f(existing);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        QVERIFY(QDir(dir_.path()).mkpath("folder.kvf"));

        QTest::newRow("none") << QStringList() << 0 << "";
        QTest::newRow("/N") << QStringList{"/N"} << 1 << "";
        QTest::newRow("/n") << QStringList{"/n"} << 1 << "";
        QTest::newRow("/NEW") << QStringList{"/NEW"} << 1 << "";
        QTest::newRow("/N and a second parameter") << QStringList{"/N", "x"} << 0 << "";
        QTest::newRow("/F: alone") << QStringList{"/F:"} << 0 << "";
        QTest::newRow("/F: missing file") << QStringList{"/F:" + dir_.filePath("missing.kvf")} << 0 << "";
        QTest::newRow("/F: existing") << QStringList{"/F:" + existing} << 2 << "Home.kvf";
        QTest::newRow("/f: existing") << QStringList{"/f:" + existing} << 2 << "Home.kvf";
        QTest::newRow("/F: relative") << QStringList{"/F:Home.kvf"} << 2 << "Home.kvf";
        QTest::newRow("/F: a folder") << QStringList{"/F:" + dir_.filePath("folder.kvf")} << 0 << "";
        QTest::newRow("/F: two parameters") << QStringList{"/F:" + existing, "/N"} << 0 << "";
        QTest::newRow("/F without colon") << QStringList{"/F" + existing} << 0 << "";
        QTest::newRow("a bare path") << QStringList{existing} << 0 << "";
        QTest::newRow("/X") << QStringList{"/X"} << 0 << "";
        QTest::newRow("empty") << QStringList{""} << 0 << "";
    }
    void parseCommandLine() {
        QFETCH(QStringList, args);
        QFETCH(int, mode);
        QFETCH(QString, file);
        const QString cwd = QDir::currentPath();
        QDir::setCurrent(dir_.path()); // relative paths resolve against the folder the program starts in
        const TStartCommand command = ParseCommandLine(args);
        QDir::setCurrent(cwd);
        QCOMPARE(command.Mode, mode);
        QCOMPARE(command.File, file.isEmpty() ? QString() : dir_.filePath(file));
    }

    void splashTime_data() {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<int>("ms");
        QTest::newRow("zero") << QByteArray("0") << 0;
        QTest::newRow("set") << QByteArray("150") << 150;
        QTest::newRow("unset") << QByteArray() << 2000;
        QTest::newRow("not a number") << QByteArray("soon") << 2000;
        QTest::newRow("negative") << QByteArray("-5") << 2000;
    }
    void splashTime() {
        QFETCH(QByteArray, value);
        QFETCH(int, ms);
        const QByteArray saved = qgetenv("KEYVANE_SPLASH_MS");
        if (value.isNull())
            qunsetenv("KEYVANE_SPLASH_MS");
        else
            qputenv("KEYVANE_SPLASH_MS", value);
        QCOMPARE(SplashMilliseconds(), ms);
        qputenv("KEYVANE_SPLASH_MS", saved);
    }

    void initializeAndFinalize() {
        QVERIFY(!RegValueExists(TQsRegRoot::LocalMachine, kProductKey, "Location"));
        WriteRegInteger(TQsRegRoot::LocalMachine, kProductKey + "\\Options", "PasswordLength", 17);
        WriteAutoStartEntry("/usr/bin/keyvane");

        QVERIFY(InitializeApplication());
        QVERIFY(AppInfo);
        const QString exe = QCoreApplication::applicationFilePath();
        QCOMPARE(AppInfo->ExeName, exe);
        QCOMPARE(AppInfo->ExePath, QFileInfo(exe).absolutePath() + "/");
        QCOMPARE(AppInfo->RegistryRoot, TQsRegRoot::LocalMachine);
        QCOMPARE(AppInfo->CompanyKey, QString("Software\\Tessivo\\Tessivo Nimbrel"));
        QCOMPARE(AppInfo->ProductKey, kProductKey);
        QCOMPARE(AppInfo->ProductName, QString("Keyvane"));
        QCOMPARE(AppInfo->FamilyName, QString("Tessivo Nimbrel"));
        QCOMPARE(AppInfo->ShortName, QString());
        QCOMPARE(AppInfo->Title, QString("Tessivo Keyvane"));
        QCOMPARE(AppInfo->Version, QString("2.0.0 Build 40")); // the test program carries the version block
        QCOMPARE(AppInfo->SpecialVersion, QString());
        QVERIFY(AppInfo->English);
        QVERIFY(AppInfo->LegalNotice.contains("Tessivo"));
        QVERIFY(!AppInfo->OtherNotices.isEmpty());
        QCOMPARE(AppInfo->DialogFont, QString("Tahoma"));
        QVERIFY(AppInfo->HelpFile.endsWith("/index.html"));
        QVERIFY(QFile::exists(AppInfo->HelpFile));
        QVERIFY(AppInfo->WebAddresses.HomePage.startsWith("https://"));
        QVERIFY(AppInfo->WebAddresses.SupportEmail.contains('@'));
        QCOMPARE(AppInfo->ThemeColor, quint32(58 | (110 << 8) | (165 << 16)));

        QCOMPARE(ReadRegString(TQsRegRoot::LocalMachine, kProductKey, "Location", ""), AppInfo->ExePath);
        QVERIFY(Options);
        QCOMPARE(Options->PasswordLength, 17);
        QCOMPARE(Options->AutoStart, true);
        QVERIFY(ListLayout);
        QVERIFY(ListLayout->ColumnCount() > 0);

        Options->ClearClipboardAfterNSecs = 99;
        FinalizeApplication();
        QVERIFY(!AppInfo);
        QVERIFY(!Options);
        QVERIFY(!ListLayout);
        const QString options = kProductKey + "\\Options";
        QCOMPARE(ReadRegInteger(TQsRegRoot::LocalMachine, options, "ClearClipboardAfterNSecs", 0), 99);
        QCOMPARE(ReadRegValueNames(TQsRegRoot::LocalMachine, options, "", {}).size(), 23);
        FinalizeApplication(); // a second run does nothing
        DeleteAutoStartEntry();
    }

    void exitRequestRunsTheHandler() {
        int calls = 0;
        SetExitRequestHandler([&] { ++calls; });
        RequestExit();
        RequestExit();
        QCOMPARE(calls, 2);
        SetExitRequestHandler({});
    }

    // A request while a modal dialog runs cancels the dialog and reaches the handler after its exec returns.
    void exitRequestWaitsForTheModalDialog() {
        QStringList events;
        SetExitRequestHandler([&] { events << "exit"; });
        QTimer::singleShot(50, [] { RequestExit(); });
        QDialog dialog;
        const int result = dialog.exec();
        events << QString("dialog %1").arg(result);
        QTRY_COMPARE(events, QStringList({"dialog 0", "exit"}));
        SetExitRequestHandler({});
    }
};

KYVN_TEST_MAIN(TestStartup)
#include "tst_startup.moc"
