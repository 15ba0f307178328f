// The main window's first show and activation: the start modes, the automatic opening of the last file,
// minimising at start-up; and the frame's command table.
#include "KyvnTest.h"
#include "QsAnswers.h"
#include "QsApp.h"
#include "QsExceptions.h"
#include "QsRegUtils.h"
#include "clsFile.h"
#include "clsList.h"
#include "frmMain.h"
#include "uMain.h"
#include "uOptions.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QToolBar>
#include <memory>

namespace {
const QString kProductKey = QStringLiteral("Software\\Tessivo\\Tessivo Nimbrel\\Keyvane");
}

class TestMainWindow : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    std::unique_ptr<TKYVNMain> w;
    QStringList errors;

    QString makeFile(const QString& name) {
        const QString path = dir.filePath(name);
        TKYVNFile f;
        f.FileName = path;
        f.Password = "pw12";
        auto* a = new TKYVNAccount;
        a->AccountName = "Bank";
        f.AddAccount(a);
        f.Save(false);
        return path;
    }
    void start(const QStringList& recent = {}) {
        WriteRegValueNames(TQsRegRoot::LocalMachine, kProductKey + "\\Storage", "MRU", recent);
        w = std::make_unique<TKYVNMain>();
        QsSetExceptionHandler([this](const std::exception* e) { errors << (e ? QsExceptionMessage(*e) : "?"); });
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        QTest::qWait(20); // the first show's work runs from the event loop
    }

private slots:
    void initTestCase() {
        // New files are protected: the cheapest key the format allows keeps the runs short.
        TKYVNProtectedForm::SetCostOfNewKeys({1, 8192});
        AppInfo = new TQsApplication;
        AppInfo->Title = "Tessivo Keyvane";
        AppInfo->ProductKey = kProductKey;
        Options = new TKYVNOptions;
        ListLayout = new TKYVNList;
        ListLayout->SetDefaults();
    }
    void init() {
        QsAnswers::Clear();
        errors.clear();
        StartMode = 0;
        StartFile.clear();
        Options->CloseMinimizes = false;
        Options->AutoOpenLastFile = false;
        Options->MinimizeAtStartup = false;
    }
    void cleanup() {
        if (w)
            w->ExitRequested = true;
        w.reset();
        QCOMPARE(QsAnswers::Pending(), 0);
    }

    void commandTableIsWhole() {
        start();
        QCOMPARE(int(w->Commands().size()), 55);
        QCOMPARE(w->actFileNew->text(), QString("&New..."));
        QCOMPARE(w->actFileNew->shortcut(), QKeySequence("Ctrl+N"));
        QCOMPARE(w->actFileNew->statusTip(), QString("Create new passwords file"));
        QCOMPARE(w->actEditCopyPassword->shortcut(), QKeySequence("Ctrl+Shift+C"));
        QCOMPARE(w->actAccountDelete->shortcut(), QKeySequence("F12"));
        QVERIFY(!w->actFileNew->icon().isNull());
        QVERIFY(w->actAccountReadOnly->isCheckable());
        QCOMPARE(w->mnuFile->actions().size(), 25);
        QCOMPARE(w->mnuSort->actions().size(), 7);
        QCOMPARE(w->popAccounts->actions().size(), 15);
        QCOMPARE(w->popTray->defaultAction(), w->actTrayOpen);
        QVERIFY(w->tbMenu->isMovable());
        QVERIFY(w->tbMain->isMovable());
        QCOMPARE(w->minimumSize(), QSize(440, 200));
        QCOMPARE(w->windowTitle(), QString("Tessivo Keyvane"));
    }
    void hintsGoToTheFirstPanel() {
        start();
        QStatusTipEvent tip("Open an existing passwords file");
        QApplication::sendEvent(w.get(), &tip);
        QCOMPARE(w->findChild<QLabel*>("sbPanel1")->text(), QString("Open an existing passwords file"));
        QCOMPARE(w->findChild<QLabel*>("sbPanel2")->width(), 100);
    }
    void viewSwitches() {
        start();
        QVERIFY(w->actViewToolbar->isChecked());
        QVERIFY(w->RunCommand(w->actViewToolbar));
        QVERIFY(w->tbMain->isHidden());
        QVERIFY(!w->actViewToolbar->isChecked());
        QVERIFY(w->RunCommand(w->actViewStatusBar));
        QVERIFY(w->statusBar()->isHidden());
        QVERIFY(!w->actViewStatusBar->isChecked());
    }

    void startWithNewFile() {
        StartMode = 1;
        const QString path = dir.filePath("started-new.kvf");
        QsAnswers::Push("SaveFile", path);
        QsAnswers::Push("TPassEdit", "secret1");
        start({makeFile("last.kvf")});
        QTRY_COMPARE(w->OpenFilePath, path);
        QVERIFY(QFile::exists(path));
    }
    void startWithFileOpensIt() {
        StartMode = 2;
        StartFile = makeFile("started.kvf");
        QsAnswers::Push("TPassEdit", "pw12");
        start();
        QTRY_COMPARE(w->OpenFilePath, StartFile);
        QCOMPARE(w->RowCount(), 1);
    }
    void startWithFileThatFailsToLoad() {
        StartMode = 2;
        StartFile = dir.filePath("damaged.kvf");
        QFile f(StartFile);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("damaged");
        f.close();
        start({StartFile, makeFile("other.kvf")});
        QTRY_COMPARE(errors, QStringList({"Error loading file 'damaged.kvf'."}));
        QVERIFY(!w->RecentFiles.contains(StartFile));
        QVERIFY(!w->FileOpen);
    }
    void startWithCancelledPasswordStaysEmpty() {
        Options->AutoOpenLastFile = true;
        StartMode = 2;
        StartFile = makeFile("cancel.kvf");
        QsAnswers::PushHandler("TPassEdit", [](QObject*) { return QVariant(false); });
        start({makeFile("last.kvf")});
        QTRY_COMPARE(QsAnswers::Pending(), 0);
        QTest::qWait(20);
        QVERIFY(!w->FileOpen); // and the last file was not opened instead
    }
    void autoOpenLastFile() {
        Options->AutoOpenLastFile = true;
        const QString last = makeFile("auto.kvf");
        QsAnswers::Push("TPassEdit", "pw12");
        start({last});
        QTRY_COMPARE(w->OpenFilePath, last);
    }
    void autoOpenOfAMissingLastFileWarns() {
        Options->AutoOpenLastFile = true;
        const QString gone = dir.filePath("gone.kvf");
        start({gone});
        QTRY_COMPARE(errors, QStringList({"File '" + gone + "' not found."}));
        QVERIFY(w->RecentFiles.isEmpty());
    }
    void autoOpenWithoutRecentFilesSaysNothing() {
        Options->AutoOpenLastFile = true;
        start();
        QTest::qWait(50);
        QCOMPARE(errors, QStringList());
        QVERIFY(!w->FileOpen);
    }
    void minimiseAtStartup() {
        Options->MinimizeAtStartup = true;
        start();
        w->activateWindow();
        QTRY_VERIFY(!w->FirstShowPending);
        QTRY_VERIFY(w->isMinimized());
    }
    void systemEndClosesDespiteCloseMinimizes() {
        Options->CloseMinimizes = true;
        start();
        RequestExit();
        QTRY_VERIFY(!w->isVisible());
        QVERIFY(w->ExitRequested);
    }
};

KYVN_TEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
