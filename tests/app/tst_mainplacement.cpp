// The window placement kept under Storage from run to run while SaveWindow is on: a "run" here is one main
// window made, shown, changed and closed, and the next one made over the same settings store.
#include "KyvnTest.h"

#include "QsAnswers.h"
#include "QsApp.h"
#include "QsExceptions.h"
#include "QsRegUtils.h"
#include "QsTimer.h"
#include "clsList.h"
#include "frmMain.h"
#include "uOptions.h"

#include <QAction>
#include <QStatusBar>
#include <QToolBar>
#include <memory>

namespace {
const QString kProductKey = QStringLiteral("Software\\Tessivo\\Tessivo Nimbrel\\Keyvane");
const QString kStorage = kProductKey + QStringLiteral("\\Storage");
bool trayPresent() {
    return true;
}
} // namespace

class TestMainPlacement : public QObject {
    Q_OBJECT
    std::unique_ptr<TKYVNMain> w;

    void start() {
        w = std::make_unique<TKYVNMain>();
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        w->activateWindow();
        QTRY_VERIFY(!w->FirstShowPending);
    }
    void end() {
        w->ExitRequested = true;
        QVERIFY(w->close());
        w.reset();
    }
    QString stored(const char* name) const {
        return ReadRegString(TQsRegRoot::LocalMachine, kStorage, QLatin1String(name), "<none>");
    }

private slots:
    void initTestCase() {
        AppInfo = new TQsApplication;
        AppInfo->Title = "Tessivo Keyvane";
        AppInfo->ProductKey = kProductKey;
        AppInfo->RegistryRoot = TQsRegRoot::LocalMachine;
        Options = new TKYVNOptions;
        ListLayout = new TKYVNList;
        ListLayout->SetDefaults();
        TKYVNMain::TrayAvailable = &trayPresent;
    }
    void init() {
        *Options = TKYVNOptions();
        Options->AutoOpenLastFile = false;
        Options->CloseMinimizes = false;
        QsAnswers::Clear();
    }
    void cleanup() {
        if (w)
            w->ExitRequested = true;
        w.reset();
    }

    void barsAndStyleComeBack() {
        KyvnTest::TFreshStore store;
        start();
        QVERIFY(w->RunCommand(w->actViewToolbar));
        QVERIFY(w->RunCommand(w->actViewStatusBar));
        QVERIFY(w->RunCommand(w->actViewAlwaysOnTop));
        end();
        QCOMPARE(stored("FormStyle"), QString("3"));
        QCOMPARE(stored("ShowCmd"), QString("1"));

        start();
        QVERIFY(w->tbMain->isHidden());
        QVERIFY(w->statusBar()->isHidden());
        QVERIFY(!w->actViewToolbar->isChecked());
        QCOMPARE(w->PendingFormStyle, 3);
        QTRY_VERIFY(w->windowFlags() & Qt::WindowStaysOnTopHint); // applied after the first activation
        QVERIFY(w->tbMenu->isVisible());
        // KEYVANE_SHOTS=<folder>: the window with both bars hidden, for a person to look at
        if (const QString shots = qEnvironmentVariable("KEYVANE_SHOTS"); !shots.isEmpty()) {
            QDir().mkpath(shots);
            QVERIFY(w->grab().save(shots + "/main-bars-hidden.png"));
        }
    }
    void theBarsComeBackInTheirDocks() {
        KyvnTest::TFreshStore store;
        start();
        w->addToolBar(Qt::LeftToolBarArea, w->tbMain);
        w->addToolBar(Qt::BottomToolBarArea, w->tbMenu);
        end();
        start();
        QCOMPARE(w->toolBarArea(w->tbMain), Qt::LeftToolBarArea);
        QCOMPARE(w->toolBarArea(w->tbMenu), Qt::BottomToolBarArea);
        QVERIFY(w->tbMain->isVisible());
    }
    void theRectangleComesBackAtTheSamePixelsPerInch() {
        KyvnTest::TFreshStore store;
        start();
        w->setGeometry(QRect(50, 60, 700, 420));
        QTRY_COMPARE(w->size(), QSize(700, 420));
        end();
        start();
        QCOMPARE(w->size(), QSize(700, 420));
        end();
        // another pixels per inch: the window keeps its design size
        WriteRegString(TQsRegRoot::LocalMachine, kStorage, "PixelsPerInch", "144");
        start();
        QCOMPARE(w->size(), QSize(720, 480));
    }
    void endingInTheTrayStartsInTheTray() {
        KyvnTest::TFreshStore store;
        TQsTestClock::Install();
        start();
        w->showMinimized();
        QTRY_COMPARE(w->TrayState, 1);
        QVERIFY(w->RunCommand(w->actTrayExit));
        w.reset();
        QCOMPARE(stored("ShowCmd"), QString("2"));
        start();
        QTRY_COMPARE(w->TrayState, 1);
        QTRY_VERIFY(!w->isVisible());
        TQsTestClock::Uninstall();
    }
    void maximisedComesBackMaximised() {
        KyvnTest::TFreshStore store;
        start();
        w->showMaximized();
        QTRY_VERIFY(w->isMaximized());
        end();
        QCOMPARE(stored("ShowCmd"), QString("3"));
        start();
        QVERIFY(w->isMaximized());
    }
    void nothingIsKeptWithSaveWindowOff() {
        KyvnTest::TFreshStore store;
        Options->SaveWindow = false;
        start();
        QVERIFY(w->RunCommand(w->actViewStatusBar));
        end();
        QCOMPARE(stored("ShowCmd"), QString("<none>"));
        QCOMPARE(stored("FormStyle"), QString("<none>"));
        start();
        QVERIFY(!w->statusBar()->isHidden());
    }
    void aStoreThatRefusesWritesDoesNotStopTheClose() {
        KyvnTest::TFreshStore store;
        // a file where the store's folder should be: every write fails
        KyvnTest::writeAll(store.path() + "/Tessivo", "not a folder");
        QsRegClose();
        start();
        w->ExitRequested = true;
        QVERIFY(w->close());
        QVERIFY(!w->isVisible());
        w.reset();
        QCOMPARE(stored("ShowCmd"), QString("<none>"));
    }
};

KYVN_TEST_MAIN(TestMainPlacement)
#include "tst_mainplacement.moc"
