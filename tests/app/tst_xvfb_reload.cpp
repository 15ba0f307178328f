// The window on a real X server with a file open while keyvane-cli, a second program, adds an account to
// that file: the window lists it by itself, keeps the selected account, and the file holds exactly what
// keyvane-cli wrote.
#include "KyvnTest.h"
#include "QsAnswers.h"
#include "QsApp.h"
#include "QsExceptions.h"
#include "clsFile.h"
#include "clsList.h"
#include "frmMain.h"
#include "uOptions.h"

#include <QLabel>
#include <QProcess>
#include <memory>

using KyvnTest::readAll;

namespace {
const QString kCli = QStringLiteral(KEYVANE_BINARY_DIR "/src/cli/keyvane-cli");
const QString kPassword = QStringLiteral("pw1234");
} // namespace

class TestXvfbReload : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QStringList errors;

    QString makeFile(int accounts) {
        const QString path = dir.filePath("Synced.kvf");
        TKYVNFile f;
        f.FileName = path;
        f.Password = kPassword;
        for (int i = 0; i < accounts; ++i) {
            auto* a = new TKYVNAccount;
            a->AccountName = QString("Account %1").arg(i, 2, 10, QChar('0'));
            a->Created = a->Modified = QDate(2024, 2, 3);
            f.AddAccount(a);
        }
        f.Save(false);
        return path;
    }
    void cli(const QStringList& args) {
        QProcess p;
        p.start(kCli, args);
        p.write((kPassword + "\n").toUtf8());
        p.closeWriteChannel();
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 0);
    }

private slots:
    void initTestCase() {
        QCOMPARE(QGuiApplication::platformName(), QString("xcb"));
        AppInfo = new TQsApplication;
        AppInfo->Title = "Tessivo Keyvane";
        AppInfo->ProductKey = "Software\\Tessivo\\Tessivo Nimbrel\\Keyvane";
        Options = new TKYVNOptions;
        Options->SaveWindow = false;
        Options->AutoOpenLastFile = false;
        Options->AutoStart = false;
        ListLayout = new TKYVNList;
        ListLayout->SetDefaults();
    }

    void anAccountAddedByKeyvaneCliAppears() {
        const QString path = makeFile(30);
        auto w = std::make_unique<TKYVNMain>();
        QsSetExceptionHandler([this](const std::exception* e) { errors << (e ? QsExceptionMessage(*e) : "?"); });
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        QsAnswers::Push("OpenFile", path);
        QsAnswers::Push("TPassEdit", kPassword);
        QVERIFY(w->RunCommand(w->actFileOpen));
        w->SelectRow(20);
        QCOMPARE(w->SelectedAccount()->AccountName, QString("Account 20"));

        // two changes one after the other, each seen on its own
        cli({"add", path, "Account 00 from the terminal", "--login", "term"});
        QTRY_COMPARE_WITH_TIMEOUT(w->RowCount(), 31, 20000);
        QCOMPARE(w->CellText(1, 0), QString("Account 00 from the terminal"));
        QCOMPARE(w->SelectedAccount()->AccountName, QString("Account 20"));
        QCOMPARE(w->sbPanel1->text(), QString("'Synced.kvf' was changed elsewhere and has been read again."));
        cli({"add", path, "Zebra"});
        QTRY_COMPARE_WITH_TIMEOUT(w->RowCount(), 32, 20000);
        QCOMPARE(w->SelectedAccount()->AccountName, QString("Account 20"));
        KyvnTest::shoot(w.get(), "reload-after-keyvane-cli");

        // the window only read: the file is what keyvane-cli wrote, nothing was kept beside it
        const QByteArray written = readAll(path);
        w->ExitRequested = true;
        w.reset();
        QCOMPARE(readAll(path), written);
        QCOMPARE(QDir(dir.path()).entryList({"*changed elsewhere*"}, QDir::Files), QStringList());
        QCOMPARE(errors, QStringList());
    }
};

KYVN_TEST_MAIN(TestXvfbReload)
#include "tst_xvfb_reload.moc"
