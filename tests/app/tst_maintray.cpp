// Minimising, the notification area and the way back, the auto-minimise timer on a clock the test moves,
// the preferences holding both still, and the window style.
#include "KyvnTest.h"

#include "QsAnswers.h"
#include "QsApp.h"
#include "QsExceptions.h"
#include "QsHelpUtils.h"
#include "QsShellUtils.h"
#include "QsTimer.h"
#include "clsFile.h"
#include "clsList.h"
#include "frmMain.h"
#include "frmOptions.h"
#include "uOptions.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QMenu>
#include <QRadioButton>
#include <QSystemTrayIcon>
#include <QTextBrowser>
#include <QTreeView>
#include <QUrl>
#include <memory>

namespace {
const QString kProductKey = QStringLiteral("Software\\Tessivo\\Tessivo Nimbrel\\Keyvane");
const QString kPassword = QStringLiteral("pw1234");
bool trayPresent = true;
bool fakeTray() {
    return trayPresent;
}
} // namespace

class TestMainTray : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QString path;
    std::unique_ptr<TKYVNMain> w;
    QStringList errors;

    void start(bool withFile) {
        w = std::make_unique<TKYVNMain>();
        QsSetExceptionHandler([this](const std::exception* e) { errors << (e ? QsExceptionMessage(*e) : "?"); });
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        if (withFile) {
            QsAnswers::Push(QStringLiteral("OpenFile"), path);
            QsAnswers::Push(QStringLiteral("TPassEdit"), kPassword);
            QVERIFY(w->RunCommand(w->actFileOpen));
            QVERIFY(w->FileOpen);
        }
    }
    void minimise() {
        w->showMinimized();
        QTRY_VERIFY(w->isMinimized());
    }
    void toTray() {
        minimise();
        QCOMPARE(w->TrayState, 1);
        QTRY_VERIFY(!w->isVisible());
    }

private slots:
    void initTestCase() {
        AppInfo = new TQsApplication;
        AppInfo->Title = "Tessivo Keyvane";
        AppInfo->ProductKey = kProductKey;
        Options = new TKYVNOptions;
        ListLayout = new TKYVNList;
        ListLayout->SetDefaults();
        TKYVNMain::TrayAvailable = &fakeTray;
        path = dir.filePath("tray.kvf");
        TKYVNFile f;
        f.FileName = path;
        f.Password = kPassword;
        auto* a = new TKYVNAccount;
        a->AccountName = "Bank";
        f.AddAccount(a);
        f.Save(false);
    }
    void init() {
        TQsTestClock::Install();
        QsAnswers::Clear();
        errors.clear();
        trayPresent = true;
        TKYVNMain::TrayOneClick = [] { return false; };
        *Options = TKYVNOptions();
        Options->SaveWindow = false;
        Options->AutoOpenLastFile = false;
        Options->CloseMinimizes = false;
        Options->AutoStart = false;
    }
    void cleanup() {
        if (w)
            w->ExitRequested = true;
        w.reset();
        TQsTestClock::Uninstall();
        QCOMPARE(QsAnswers::Pending(), 0);
        QCOMPARE(errors, QStringList());
    }

    void theIcon() {
        start(false);
        QVERIFY(w->TrayIcon);
        QVERIFY(w->TrayIcon->isVisible()); // for the whole run, not only while minimised
        QCOMPARE(w->TrayIcon->toolTip(), QString("Tessivo Keyvane"));
        QVERIFY(!w->TrayIcon->icon().isNull());
        QCOMPARE(w->TrayIcon->contextMenu(), w->popTray);
        QCOMPARE(w->popTray->defaultAction(), w->actTrayOpen);
        QVERIFY(w->actTrayOpen->font().bold());
        QStringList items;
        for (QAction* a : w->popTray->actions())
            items << (a->isSeparator() ? QString("-") : a->text());
        QCOMPARE(items, QStringList({"Open Keyvane", "-", "Preferences...", "-", "Help", "-", "Exit"}));
    }

    void theIconFollowsThePreference() {
        start(false);
        for (bool on : {false, true, false}) {
            QsAnswers::PushHandler("TOptionsDlg", [on](QObject* dialog) {
                static_cast<TOptionsDlg*>(dialog)->chkTrayIcon->setChecked(on);
                return QVariant(true);
            });
            QVERIFY(w->RunCommand(w->actFilePreferences));
            QCOMPARE(w->TrayIcon->isVisible(), on);
        }
    }

    // Where the window goes when it is minimised: the icon shown and a notification area present hide
    // it; either one missing leaves it minimised on the taskbar, where it can always be reached.
    void minimisingGoesToTheTrayOnlyWhenOneIsThere_data() {
        QTest::addColumn<bool>("icon");
        QTest::addColumn<bool>("tray");
        QTest::addColumn<int>("state");
        QTest::addColumn<bool>("visible");
        QTest::newRow("icon and tray") << true << true << 1 << false;
        QTest::newRow("no notification area") << true << false << 0 << true;
        QTest::newRow("icon switched off") << false << true << 0 << true;
    }
    void minimisingGoesToTheTrayOnlyWhenOneIsThere() {
        QFETCH(bool, icon);
        QFETCH(bool, tray);
        QFETCH(int, state);
        QFETCH(bool, visible);
        Options->TrayIcon = icon;
        trayPresent = tray;
        start(false);
        minimise();
        QCOMPARE(w->TrayState, state);
        QTRY_COMPARE(w->isVisible(), visible);
        if (visible) {
            QTest::qWait(20);
            QVERIFY(w->isVisible()); // not hidden a moment later either
        }
    }

    void theCloseButtonMinimisesIntoTheTray() {
        Options->CloseMinimizes = true;
        start(true);
        QVERIFY(!w->close());
        QTRY_COMPARE(w->TrayState, 1);
        QTRY_VERIFY(!w->isVisible());
        QVERIFY(!w->ExitRequested);
    }
    void theWayBackWithoutAPassword() {
        start(true);
        toTray();
        emit w->TrayIcon->activated(QSystemTrayIcon::DoubleClick);
        QTRY_VERIFY(w->isVisible());
        QVERIFY(!w->isMinimized());
        QCOMPARE(w->TrayState, 0);
    }
    // Which clicks on the icon bring the window back: a double click always; one click where the panel
    // shows StatusNotifierItems, which have no double click.
    void theClicksThatBringTheWindowBack_data() {
        QTest::addColumn<int>("reason");
        QTest::addColumn<bool>("oneClickPanel");
        QTest::addColumn<bool>("back");
        QTest::newRow("double click") << int(QSystemTrayIcon::DoubleClick) << false << true;
        QTest::newRow("one click, notification area") << int(QSystemTrayIcon::Trigger) << false << false;
        QTest::newRow("one click, StatusNotifierItem panel") << int(QSystemTrayIcon::Trigger) << true << true;
        QTest::newRow("middle click") << int(QSystemTrayIcon::MiddleClick) << true << false;
    }
    void theClicksThatBringTheWindowBack() {
        QFETCH(int, reason);
        QFETCH(bool, oneClickPanel);
        QFETCH(bool, back);
        static bool oneClick;
        oneClick = oneClickPanel;
        TKYVNMain::TrayOneClick = [] { return oneClick; };
        start(true);
        toTray();
        emit w->TrayIcon->activated(QSystemTrayIcon::ActivationReason(reason));
        if (back) {
            QTRY_VERIFY(w->isVisible());
            QCOMPARE(w->TrayState, 0);
        } else {
            QCoreApplication::processEvents();
            QVERIFY(!w->isVisible());
            QCOMPARE(w->TrayState, 1);
        }
    }
    void theWayBackAsksThePassword_data() {
        QTest::addColumn<QVariant>("answer");
        QTest::addColumn<bool>("back");
        QTest::newRow("right password") << QVariant(kPassword) << true;
        QTest::newRow("cancelled") << QVariant(false) << false;
    }
    void theWayBackAsksThePassword() {
        QFETCH(QVariant, answer);
        QFETCH(bool, back);
        Options->TrayPassword = true;
        start(true);
        toTray();
        int stateWhileAsked = -1;
        QsAnswers::PushHandler("TPassEdit", [this, answer, &stateWhileAsked](QObject*) {
            stateWhileAsked = w->TrayState;
            return answer; // the password typed, or the dialog cancelled
        });
        QVERIFY(w->RunCommand(w->actTrayOpen));
        QCOMPARE(stateWhileAsked, 2);
        QCOMPARE(w->TrayState, back ? 0 : 1);
        QTest::qWait(20);
        QCOMPARE(w->isVisible(), back);
    }
    void noFileOpenAsksNothing() {
        Options->TrayPassword = true;
        start(false);
        toTray();
        QVERIFY(w->RunCommand(w->actTrayOpen));
        QTRY_VERIFY(w->isVisible());
        QCOMPARE(w->TrayState, 0);
    }
    void openKeyvaneDoesNothingWhileAGuardedDialogIsOpen() {
        start(true);
        toTray();
        w->TrayState = 2;
        QVERIFY(w->RunCommand(w->actTrayOpen));
        QTest::qWait(20);
        QVERIFY(!w->isVisible());
        w->TrayState = 1;
    }

    void preferencesFromTheTrayHoldTheStateAndGiveItBack() {
        Options->TrayPassword = true;
        start(true);
        toTray();
        int stateWhileOpen = -1;
        QsAnswers::PushHandler("TOptionsDlg", [this, &stateWhileOpen](QObject*) {
            stateWhileOpen = w->TrayState;
            return QVariant(false);
        });
        QVERIFY(w->RunCommand(w->actTrayPreferences));
        QCOMPARE(stateWhileOpen, 2);
        QCOMPARE(w->TrayState, 1);
        QVERIFY(!w->isVisible());
        // the next way back still asks
        QsAnswers::Push("TPassEdit", false);
        QVERIFY(w->RunCommand(w->actTrayOpen));
        QCOMPARE(w->TrayState, 1);
        QVERIFY(QsAnswers::Log().contains("TPassEdit: Tessivo Keyvane: 'tray.kvf' Password..."));
    }
    void switchingTheIconOffWhileInTheTrayLeavesTheWindowReachable() {
        start(true);
        toTray();
        QsAnswers::PushHandler("TOptionsDlg", [](QObject* dialog) {
            static_cast<TOptionsDlg*>(dialog)->chkTrayIcon->setChecked(false);
            return QVariant(true);
        });
        QVERIFY(w->RunCommand(w->actTrayPreferences));
        QVERIFY(!w->TrayIcon->isVisible());
        QTRY_VERIFY(w->isVisible());
        QVERIFY(w->isMinimized());
        QCOMPARE(w->TrayState, 0);
    }

    void autoMinimiseEveryPeriodWhateverTheUserDoes() {
        Options->AutoMinimizeAfter = true;
        Options->AutoMinimizeAfterNSecs = 60;
        Options->TrayIcon = false;
        start(false);
        TQsTestClock::Advance(59000);
        QVERIFY(!w->isMinimized());
        TQsTestClock::Advance(1000);
        QTRY_VERIFY(w->isMinimized());
        w->RestoreApplication();
        QTRY_VERIFY(!w->isMinimized());
        TQsTestClock::Advance(30000);
        QTest::qWait(10);
        QVERIFY(!w->isMinimized());
        TQsTestClock::Advance(30000); // 120 s: the restore did not restart the count
        QTRY_VERIFY(w->isMinimized());
    }
    void autoMinimiseHeldWhileThePreferencesAreOpen() {
        Options->AutoMinimizeAfter = true;
        Options->AutoMinimizeAfterNSecs = 10;
        start(false);
        QsAnswers::PushHandler("TOptionsDlg", [](QObject*) {
            TQsTestClock::Advance(25000);
            return QVariant(false);
        });
        QVERIFY(w->RunCommand(w->actFilePreferences));
        QVERIFY(!w->isMinimized());
        QCOMPARE(w->TrayState, 0);
    }
    void preferencesTakeEffectAtOnce() {
        start(false);
        static QString chosenFont;
        QsAnswers::PushHandler("TOptionsDlg", [](QObject* object) {
            auto* dialog = static_cast<TOptionsDlg*>(object);
            dialog->chkMinimizeAfter->setChecked(true);
            dialog->txtMinimizeAfter->SetValue(5);
            dialog->rdColorUseColors->setChecked(true);
            dialog->cbTextColor->setCurrentText("Red");
            dialog->cbBackColor->setCurrentText("Navy");
            dialog->cbFontName->setCurrentIndex(dialog->cbFontName->count() - 1);
            chosenFont = dialog->cbFontName->currentText();
            return QVariant(true);
        });
        QVERIFY(w->RunCommand(w->actFilePreferences));
        QCOMPARE(w->lvAccounts->font().family(), chosenFont);
        const QPalette pal = w->lvAccounts->palette();
        QCOMPARE(pal.color(QPalette::Text), QColor(255, 0, 0));
        QCOMPARE(pal.color(QPalette::Base), QColor(0, 0, 128));
        QVERIFY(w->tMinimize->Enabled());
        QCOMPARE(w->tMinimize->Interval(), 5000);
        TQsTestClock::Advance(5000);
        QTRY_COMPARE(w->TrayState, 1);
    }

    void alwaysOnTop() {
        start(false);
        QCOMPARE(w->actViewAlwaysOnTop->icon().cacheKey(), MenuPicture(0).cacheKey());
        QVERIFY(w->RunCommand(w->actViewAlwaysOnTop));
        QVERIFY(w->windowFlags() & Qt::WindowStaysOnTopHint);
        QVERIFY(w->actViewAlwaysOnTop->isChecked());
        QCOMPARE(w->actViewAlwaysOnTop->icon().cacheKey(), MenuPicture(1).cacheKey());
        QVERIFY(w->isVisible());
        QVERIFY(w->RunCommand(w->actViewAlwaysOnTop));
        QVERIFY(!(w->windowFlags() & Qt::WindowStaysOnTopHint));
        QVERIFY(!w->actViewAlwaysOnTop->isChecked());
        QCOMPARE(w->actViewAlwaysOnTop->icon().cacheKey(), MenuPicture(0).cacheKey());
    }
    void helpFromTheTrayAndOnTheWeb() {
        AppInfo->WebAddresses.HomePage = "www.tessivo.example";
        QStringList opened;
        QsSetUrlOpener([&](const QUrl& url) {
            opened << url.toString();
            return true;
        });
        start(false);
        QVERIFY(w->RunCommand(w->actHelpOnTheWeb));
        QCOMPARE(opened, QStringList({"http://www.tessivo.example"}));
        QsSetUrlOpener({});
        AppInfo->HelpFile = QStringLiteral(KEYVANE_SOURCE_DIR "/share/help/index.html");
        QVERIFY(w->RunCommand(w->actTrayHelp));
        QTRY_VERIFY(QsHelpWindow() && QsHelpWindow()->isVisible());
        QVERIFY(QsHelpBrowser()->source().toString().endsWith("index.html"));
        QsHelpWindow()->close();
        AppInfo->HelpFile.clear();
    }
    void exitFromTheTray() {
        start(true);
        toTray();
        QVERIFY(w->RunCommand(w->actTrayExit));
        QVERIFY(!w->isVisible());
        QVERIFY(w->ExitRequested);
    }
};

KYVN_TEST_MAIN(TestMainTray)
#include "tst_maintray.moc"
