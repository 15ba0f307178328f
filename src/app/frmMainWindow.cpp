// Window behaviours of the main window: creation, first show and activation, command states, closing,
// dropped files, the view switches, the Help commands and the error handler.
#include "frmMain.h"

#include "QsApp.h"
#include "QsErrorHandler.h"
#include "QsExceptions.h"
#include "QsFileUtils.h"
#include "QsReplaceFile.h"
#include "QsShellUtils.h"
#include "QsTimer.h"
#include "clsFile.h"
#include "frmMainStartup.h"
#include "uMain.h"
#include "uOptions.h"
#include "uScreenLock.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QMimeData>
#include <QScreen>
#include <QSessionManager>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QUrl>

#include <cstdio>

bool MainWhenFileOpen(const TKYVNMain& w, QAction*) {
    return w.FileOpen;
}
bool MainWhenWritable(const TKYVNMain& w, QAction*) {
    return w.FileOpen && !w.ReadOnly;
}
bool MainWhenRecentFiles(const TKYVNMain& w, QAction*) {
    return !w.RecentFiles.isEmpty();
}
bool MainReadOnlyChecked(const TKYVNMain& w, QAction*) {
    // the mark follows the file on disk, which may refuse a change of its attributes
    return w.FileOpen && HasAttributes(w.OpenFilePath, faReadOnly);
}
bool MainToolbarChecked(const TKYVNMain& w, QAction*) {
    return w.tbMain && !w.tbMain->isHidden();
}
bool MainStatusBarChecked(const TKYVNMain& w, QAction*) {
    return w.statusBar() && !w.statusBar()->isHidden();
}
bool MainOnTopChecked(const TKYVNMain& w, QAction*) {
    return w.windowFlags() & Qt::WindowStaysOnTopHint;
}

TKYVNMain::TKYVNMain(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("KYVNMain"));
    setFont(QFont(QStringLiteral("Tahoma"), 8));
    setMinimumSize(440, 200);
    resize(720, 480);
    // The installed theme's icon first, then the one the program carries (set on the application at
    // start-up), and the account picture only where neither exists.
    const QString iconName =
        AppInfo && !AppInfo->IconName.isEmpty() ? AppInfo->IconName : QStringLiteral("dialog-password");
    if (QIcon::hasThemeIcon(iconName))
        setWindowIcon(QIcon::fromTheme(iconName));
    else if (!QGuiApplication::windowIcon().isNull())
        setWindowIcon(QGuiApplication::windowIcon());
    else
        setWindowIcon(MenuPicture(12));
    CreateCommands();
    CreateMenus();
    CreateToolbar();
    CreateAccountsList();
    CreateStatusBar();

    tSetFormStyle = new QTimer(this);
    tSetFormStyle->setSingleShot(true);
    tSetFormStyle->setInterval(100);
    connect(tSetFormStyle, &QTimer::timeout, this, [this] { QsGuard([this] { tSetFormStyleTimer(); }); });
    tClipboard = new TQsTimer(this);
    connect(tClipboard, &TQsTimer::Tick, this, [this] { QsGuard([this] { tClipboardTimer(); }); });
    tMinimize = new TQsTimer(this);
    connect(tMinimize, &TQsTimer::Tick, this, [this] { QsGuard([this] { tMinimizeTimer(); }); });
    ScreenLock = new TKYVNScreenLock(this);
    connect(ScreenLock, &TKYVNScreenLock::Locked, this, [this] { QsGuard([this] { ScreenLocked(); }); });

    // Command states are recomputed whenever the event loop is about to wait for input.
    if (auto* dispatcher = QAbstractEventDispatcher::instance())
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, &TKYVNMain::alMainUpdate);
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager&) { QueryEndSession(); });

    QsSetExceptionHandler([this](const std::exception* e) { aeMainException(e); });
    SetExitRequestHandler([this] {
        QueryEndSession();
        close();
    });
    // No export, PDF or copy ever lands on the open file or its backup, whatever link leads there.
    QsSetGuardedFiles([this] {
        if (OpenFilePath.isEmpty())
            return QStringList();
        return QStringList{OpenFilePath, BackupFileName(OpenFilePath), BackupFileName(QsReplaceTarget(OpenFilePath))};
    });
    FormCreate();
    alMainUpdate();
}

void TKYVNMain::FormCreate() {
    setAcceptDrops(true);
    setWindowTitle(AppInfo ? AppInfo->Title : QStringLiteral("Tessivo Keyvane"));
    SetFileOpen(false);
    FirstShowPending = true;
    ExitRequested = false;
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect r = frameGeometry();
        r.moveCenter(screen->availableGeometry().center());
        move(r.topLeft());
    }
    StorageActive = MainOptions().SaveWindow;
    RestorePlacement();
    ApplyPreferences();
    LoadRecentFiles();
}

void TKYVNMain::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!FirstShowPending || firstShowDone_)
        return;
    firstShowDone_ = true;
    // after the window is on screen, so the password question has its owner in view
    QTimer::singleShot(0, this, [this] { QsGuard([this] { FormShow(); }); });
}

void TKYVNMain::FormShow() {
    struct Report {
        TKYVNMain* w;
        ~Report() { MainWriteTestState(*w); }
    } report{this};
    switch (MainStartMode()) {
    case 1:
        RunCommand(actFileNew);
        break;
    case 2: {
        const QString path = MainStartFile();
        try {
            OpenSequence(path);
        } catch (...) {
            RemoveRecentFile(path);
            throw;
        }
        break;
    }
    default:
        if (MainAutoOpenLastFile() && !RecentFiles.isEmpty()) {
            const QString path = RecentFiles.first();
            MRUListClick(path);
        }
        break;
    }
}

void TKYVNMain::FormActivate() {
    if (!FirstShowPending)
        return;
    FirstShowPending = false;
    tSetFormStyle->start();
}

void TKYVNMain::tSetFormStyleTimer() {
    tSetFormStyle->stop();
    ApplyFormStyle();
    if (MainMinimizeAtStartup() || startMinimized_)
        MinimizeApplication();
    startMinimized_ = false;
}

void TKYVNMain::ApplyPreferences() {
    const TKYVNOptions& options = MainOptions();
    ApplyTrayPreferences();
    MainApplyListPreferences(*this);
    tMinimize->SetInterval(MainPeriodMs(options.AutoMinimizeAfterNSecs));
    tMinimize->SetEnabled(options.AutoMinimizeAfter);
}

void TKYVNMain::ApplyFormStyle() {
    const bool onTop = PendingFormStyle == 3;
    if (bool(windowFlags() & Qt::WindowStaysOnTopHint) == onTop)
        return;
    const bool wasVisible = isVisible();
    // the placement storage is off while the native window is made again for the new style
    const bool storage = StorageActive;
    StorageActive = false;
    setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
    // changing the flags re-creates the native window, which hides it
    if (wasVisible)
        show();
    StorageActive = storage;
}

void TKYVNMain::QueryEndSession() {
    ExitRequested = true;
    EndingSession = true;
}

bool TKYVNMain::FormCloseQuery() {
    if (MainCloseMinimizes() && !ExitRequested) {
        MinimizeApplication();
        return false;
    }
    return true;
}

void TKYVNMain::FormClose() {
    WriteBack();
    SaveColumnWidths();
}

void TKYVNMain::closeEvent(QCloseEvent* event) {
    if (EndingSession) {
        // A termination request ends the program even when the last write-back fails (a full disk, a
        // read-only mount): the failure goes to standard error and the file on disk stays as it was.
        try {
            FormClose();
        } catch (const std::exception& e) {
            const QString details =
                dynamic_cast<const EQsException*>(&e) ? static_cast<const EQsException&>(e).Details : QString();
            std::fprintf(stderr, "keyvane: %s%s%s\n", qPrintable(QsExceptionMessage(e)), details.isEmpty() ? "" : " ",
                         qPrintable(details));
        }
        event->accept();
        return;
    }
    bool allowed = false;
    QsGuard([&] {
        allowed = FormCloseQuery();
        if (allowed) {
            allowed = false;
            FormClose(); // a failed write-back keeps the window open, with the change still in memory
            allowed = true;
            SavePlacement();
            ClearClipboardAtExit();
        }
    });
    if (allowed)
        event->accept();
    else
        event->ignore();
}

void TKYVNMain::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void TKYVNMain::dropEvent(QDropEvent* event) {
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls())
        paths << (url.isLocalFile() ? url.toLocalFile() : QString());
    event->acceptProposedAction();
    QsGuard([this, paths] { FilesDropped(paths); });
}

void TKYVNMain::actViewToolbarExecute() {
    tbMain->setVisible(tbMain->isHidden());
}

void TKYVNMain::actViewStatusBarExecute() {
    statusBar()->setVisible(statusBar()->isHidden());
}

void TKYVNMain::actViewAlwaysOnTopExecute() {
    PendingFormStyle = (windowFlags() & Qt::WindowStaysOnTopHint) ? 0 : 3;
    ApplyFormStyle();
}

void TKYVNMain::actHelpContentsExecute() {
    MainShowHelp(*this);
}

void TKYVNMain::actHelpOnTheWebExecute() {
    if (AppInfo)
        OpenWebAddress(AppInfo->WebAddresses.HomePage);
}

void TKYVNMain::actTrayPreferencesExecute() {
    RunCommand(actFilePreferences);
}

void TKYVNMain::aeMainException(const std::exception* e) {
    QsShowException(e);
}

QMainWindow* CreateMainWindow() {
    MainLoadTestAnswers();
    return new TKYVNMain;
}

TKYVNMain::~TKYVNMain() {
    // FormDestroy: the recent files go to the store; start-up's shutdown runs after the window is gone.
    SaveRecentFiles();
    if (!placementSaved_)
        QsGuard([this] { SavePlacement(); });
    QsGuard([this] { ClearClipboardAtExit(); });
    SetExitRequestHandler({});
    QsSetExceptionHandler({});
    QsSetGuardedFiles({});
    // the rows go with the window; the open file goes with them
    delete CurrentFile;
    CurrentFile = nullptr;
}
