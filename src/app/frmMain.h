// The main window: one open passwords file, its accounts list and every command of the program.
//
// The implementation is split by concern:
//   frmMain.cpp          the frame: command table, menus, toolbar, pop-up menus, status bar
//   frmMainWindow.cpp    window behaviours: command states, close request, dropped files, start-up
//   frmMainFile.cpp      the file commands and the recent-files list
//   frmMainList.cpp      the accounts list (model, sort proxy, columns, rows)
//   frmMainAccounts.cpp  the account commands and their states
//   frmMainClipboard.cpp the copy commands and the clearing of the clipboard
//   frmMainTray.cpp      minimising, the notification-area icon, the way back and the preferences
//   frmMainPlacement.cpp the stored window placement
//   frmMainExchange.cpp  the export, merge and import commands
//   frmMainSearch.cpp    find, find next and the file properties
//   frmMainHelp.cpp      mail to support and the about box
//   frmMainReport.cpp    page setup, preview and print of the accounts report
//   frmMainProtect.cpp   the open file's protection: its mark, Protect File... and the question
//   frmMainHealth.cpp    the password health window
//   frmMainReload.cpp    reading the open file again when it changes on disk
#pragma once

#include <QIcon>
#include <QMainWindow>
#include <QString>
#include <QStringList>
#include <vector>

class QAction;
class QHeaderView;
class QLabel;
class QMenu;
class QMenuBar;
class QPushButton;
class QModelIndex;
class QSystemTrayIcon;
class QTimer;
class TQsTimer;
class TQsFileWatch;
class TKYVNScreenLock;
class QToolBar;
class QToolButton;
class QTreeView;
class TKYVNAccount;
class TKYVNAccountsModel;
class TKYVNFile;
class TKYVNStartPage;
class TFindDlg;

// The open passwords file; null until the first file was opened or created. Owned by the main window,
// the only place that creates, replaces or writes it.
extern TKYVNFile* CurrentFile;

// The pictures of menus, toolbar and list by number (0 always on top off, 1 on, 2 help, 3 new, 4 open,
// 5 properties, 6 find, 7 preview, 8 print, 9 add, 10 edit, 11 delete, 12 account row, 13 copy).
QIcon MenuPicture(int index);

class TKYVNMain : public QMainWindow {
    Q_OBJECT
public:
    explicit TKYVNMain(QWidget* parent = nullptr);
    ~TKYVNMain() override;

    // --- document state ---
    bool FileOpen = false;
    QString OpenFilePath;
    bool ReadOnly = false;
    bool ExitRequested = false;
    bool EndingSession = false; // the session or a signal ends the program: no box may wait
    bool FirstShowPending = true;
    QStringList RecentFiles; // most recent first, at most 10

    // --- frame ---
    QToolBar* tbMenu = nullptr;
    QMenuBar* mbMain = nullptr; // the menus, carried by tbMenu so the bar can be moved like a toolbar
    QToolBar* tbMain = nullptr;
    QToolButton* tbCopy = nullptr; // split button: Copy Login Name, with the four copy commands below
    QMenu* mnuFile = nullptr;
    QMenu* mnuEdit = nullptr;
    QMenu* mnuView = nullptr;
    QMenu* mnuAccount = nullptr;
    QMenu* mnuHelp = nullptr;
    QMenu* mnuSort = nullptr;
    QMenu* mnuRecent = nullptr;
    QMenu* mnuCopy = nullptr;
    QMenu* popAccounts = nullptr;
    QMenu* popTray = nullptr;
    QLabel* sbPanel1 = nullptr;     // hint line
    QLabel* sbPanel2 = nullptr;     // account count
    QLabel* sbProtection = nullptr; // "Not protected" while a file of the older form is open
    QToolBar* tbProtect = nullptr;  // the question whether to protect such a file
    QLabel* lblProtectQuestion = nullptr;
    QPushButton* cmdProtectNow = nullptr;
    QPushButton* cmdProtectNo = nullptr;
    QTreeView* lvAccounts = nullptr;
    TKYVNStartPage* StartPage = nullptr; // shown in the list while no file is open
    TKYVNAccountsModel* lvModel = nullptr;
    QTimer* tSetFormStyle = nullptr;

    // --- commands (alMain) ---
    QAction* actFile = nullptr;
    QAction* actEdit = nullptr;
    QAction* actView = nullptr;
    QAction* actAccount = nullptr;
    QAction* actHelp = nullptr;
    QAction* actSort = nullptr;
    QAction* actRecentFiles = nullptr;
    QAction* actFileNew = nullptr;
    QAction* actFileOpen = nullptr;
    QAction* actFileClose = nullptr;
    QAction* actFileSaveAs = nullptr;
    QAction* actFileSaveCopy = nullptr;
    QAction* actFileProperties = nullptr;
    QAction* actFilePassword = nullptr;
    QAction* actFileProtect = nullptr;
    QAction* actFilePasswordHealth = nullptr;
    QAction* actFileExport = nullptr;
    QAction* actFileMerge = nullptr;
    QAction* actFileImport = nullptr;
    QAction* actFilePageSetup = nullptr;
    QAction* actFilePreview = nullptr;
    QAction* actFilePrint = nullptr;
    QAction* actFilePreferences = nullptr;
    QAction* actFileExit = nullptr;
    QAction* actEditCopyLogin = nullptr;
    QAction* actEditCopyPassword = nullptr;
    QAction* actEditCopyEmail = nullptr;
    QAction* actEditCopyWeb = nullptr;
    QAction* actEditFind = nullptr;
    QAction* actEditFindNext = nullptr;
    QAction* actSortAccountName = nullptr;
    QAction* actSortLogin = nullptr;
    QAction* actSortPassword = nullptr;
    QAction* actSortEmail = nullptr;
    QAction* actSortWeb = nullptr;
    QAction* actSortCreated = nullptr;
    QAction* actSortModified = nullptr;
    QAction* actViewManageList = nullptr;
    QAction* actViewToolbar = nullptr;
    QAction* actViewStatusBar = nullptr;
    QAction* actViewAlwaysOnTop = nullptr;
    QAction* actAccountAdd = nullptr;
    QAction* actAccountEdit = nullptr;
    QAction* actAccountDelete = nullptr;
    QAction* actAccountRename = nullptr;
    QAction* actAccountDuplicate = nullptr;
    QAction* actAccountReadOnly = nullptr;
    QAction* actHelpContents = nullptr;
    QAction* actHelpOnTheWeb = nullptr;
    QAction* actHelpSendEmail = nullptr;
    QAction* actHelpAbout = nullptr;
    QAction* actTrayOpen = nullptr;
    QAction* actTrayPreferences = nullptr;
    QAction* actTrayHelp = nullptr;
    QAction* actTrayExit = nullptr;

    // Every command in table order.
    const std::vector<QAction*>& Commands() const { return commands_; }
    QAction* Command(const QString& name) const;

    // Recomputes the enabled state and check mark of every command (runs when the event loop goes idle
    // and before any command runs).
    void alMainUpdate();
    // Runs a command as a menu item, button or shortcut would: its state is recomputed first and it runs
    // only while enabled, inside the exception guard. Returns whether it ran.
    bool RunCommand(QAction* command);
    int CommandsRunning = 0; // commands under way (one may wait for its dialog)

    // --- document (frmMainFile.cpp) ---
    void SetFileOpen(bool open);
    void SetFileName(const QString& path);
    void SetReadOnly(bool value);
    void WriteBack();
    // knownPassword: the file password already proven in this run (a reload); asked only when the file
    // now holds another.
    bool OpenPasswordsFile(const QString& path, const QString* knownPassword = nullptr);
    void CreatePasswordsFile(const QString& path, const QString& password);
    bool OpenSequence(const QString& path, const QString* knownPassword = nullptr);
    void AddRecentFile(const QString& path);
    void RemoveRecentFile(const QString& path);
    void LoadRecentFiles();
    void SaveRecentFiles();
    void UpdateCaption();
    // Makes file the open file; the rows of the previous one go first.
    void ReplaceCurrentFile(TKYVNFile* file);
    void RecentFileChosen(const QString& path);

    void actFileNewExecute();
    void actFileOpenExecute();
    void actFileCloseExecute();
    void actFileSaveAsExecute();
    void actFileSaveCopyExecute();
    void actFilePasswordExecute();
    // --- protection (frmMainProtect.cpp) ---
    void actFileProtectExecute();
    void CreateProtectionBar();
    void UpdateProtectionMark();
    // Asks, in the window, whether to protect the file just opened (once per path: a No is kept).
    void OfferProtection();
    void ProtectNowClick();
    void ProtectNoClick();
    void ProtectCurrentFile();
    void actFileExitExecute();
    void actAccountReadOnlyExecute();
    void MRUListClick(const QString& path);
    // The drop of these local paths (empty entries are non-local items).
    void FilesDropped(const QStringList& paths);

    // --- exchange commands (frmMainExchange.cpp) ---
    void actFileExportExecute();
    void actFileMergeExecute();
    void actFileImportExecute();

    // --- accounts list (frmMainList.cpp) ---
    void FillAccountsList();
    void AddAccountItem(TKYVNAccount* account, bool select);
    void RemoveAccountItem(TKYVNAccount* account);
    void SaveColumnWidths();
    void lvAccountsColumnClick(int position);
    void SortList();
    int SortColumnShown() const;
    void ClearAccountsList();
    TKYVNAccount* SelectedAccount() const;
    int SelectedRow() const;      // position in the shown order, -1 when none
    void SelectRow(int position); // selects, focuses and scrolls into view
    int RowCount() const;
    TKYVNAccount* AccountAt(int position) const;
    // Position of the first shown column whose heading equals caption exactly, or -1.
    int ShownColumnIndex(const QString& caption) const;
    QStringList ShownHeadings() const;
    QString CellText(int position, int column) const;

    // --- account commands (frmMainAccounts.cpp) ---
    void actAccountAddExecute();
    void actAccountEditExecute();
    void actAccountDeleteExecute();
    void actAccountRenameExecute();
    void actAccountDuplicateExecute();
    void actSortAccountNameExecute();
    void actSortLoginExecute();
    void actSortPasswordExecute();
    void actSortEmailExecute();
    void actSortWebExecute();
    void actSortCreatedExecute();
    void actSortModifiedExecute();
    void actViewManageListExecute();
    void lvAccountsKeyUp(int key);
    void lvAccountsDblClick();
    // States of the account commands (Add, Edit, Delete, Rename, Duplicate, Sort and the sort commands,
    // Manage Accounts List), asked by alMainUpdate for each of those commands.
    bool AccountCommandEnabled(QAction* command) const;
    bool AccountCommandChecked(QAction* command) const;

    // --- report commands (frmMainReport.cpp) ---
    void actFilePageSetupExecute();
    void actFilePreviewExecute();
    void actFilePrintExecute();

    // --- password health (frmMainHealth.cpp) ---
    void actFilePasswordHealthExecute();

    // --- window behaviours (frmMainWindow.cpp) ---
    void FormCreate();
    void FormShow();
    void FormActivate();
    void FormClose();
    void tSetFormStyleTimer();
    void ApplyPreferences();
    void ApplyFormStyle();
    void MinimizeApplication();
    // The session manager asks whether the program may end (log-off, shut-down, a termination signal).
    void QueryEndSession();
    void aeMainException(const std::exception* e);
    void NullHandler() {}
    void actViewToolbarExecute();
    void actViewStatusBarExecute();
    void actViewAlwaysOnTopExecute();
    void actHelpContentsExecute();
    void actHelpOnTheWebExecute();
    void actTrayOpenExecute();
    void actTrayPreferencesExecute();

    // --- search and file properties (frmMainSearch.cpp) ---
    // The one find dialog, made on the first call (start-up makes it right after the window).
    TFindDlg* FindDialog();
    // Walks the rows after the selected one (the first row when none is) in the shown order and selects
    // the first that holds text; "Cannot find '%s'." and false when none does.
    bool SearchAccounts(const QString& text);
    // Whether the row at position holds text, in the fields the scope FindAllFields names.
    bool RowHoldsText(int position, const QString& text) const;
    void actEditFindExecute();
    void actEditFindNextExecute();
    void actFilePropertiesExecute();

    // --- help menu (frmMainHelp.cpp) ---
    void actHelpSendEmailExecute();
    void actHelpAboutExecute();

    int PendingFormStyle = 0; // 0 normal, 3 always on top

    // --- clipboard (frmMainClipboard.cpp) ---
    QString ClipboardText; // what the last copy put on the clipboard
    TQsTimer* tClipboard = nullptr;
    void actEditCopyLoginExecute();
    void actEditCopyPasswordExecute();
    void actEditCopyEmailExecute();
    void actEditCopyWebExecute();
    void CopyToClipboard(const QString& value);
    void WatchClipboard(const QString& text);
    void tClipboardTimer();
    // Where the desktop may have refused the clearing (Wayland, no window active), clears through
    // ClipboardClearTool (wl-clipboard's wl-copy; tests name others) or says that it could not.
    void MakeSureClipboardCleared();
    void ClipboardNotCleared();
    static QString ClipboardClearTool;
    // At the end of the run: a copy not yet cleared goes before the clipboard outlives the program.
    void ClearClipboardAtExit();

    // --- minimising and the notification area (frmMainTray.cpp) ---
    int TrayState = 0; // 0 normal, 1 hidden in the notification area, 2 a guarded dialog is open
    TQsTimer* tMinimize = nullptr;
    QSystemTrayIcon* TrayIcon = nullptr;
    // Whether a notification area exists now; tests replace it.
    static bool (*TrayAvailable)();
    // Whether the notification area's one click (not only a double click) brings the window back.
    static bool (*TrayOneClick)();
    bool TrayIconShown() const;
    void ApplyTrayPreferences();
    void tMinimizeTimer();
    void aeMainMinimize();
    void aeMainRestore();
    void RestoreApplication();
    void actFilePreferencesExecute();

    // The desktop locked the screen.
    TKYVNScreenLock* ScreenLock = nullptr;
    void ScreenLocked();

    // --- reading the open file again (frmMainReload.cpp) ---
    TQsFileWatch* FileWatch = nullptr;
    bool ReloadPending = false; // a change on disk waits for the open dialog to close
    QTimer* tReloadRetry = nullptr;
    void WatchOpenFile();
    void FileChangedOnDisk();
    void ReloadWhenFree();
    // Reads the open file again when it is no longer what was last read or written here, keeping the
    // selection and the scroll position; returns whether it did.
    bool ReloadOpenFile();

    // --- window placement (frmMainPlacement.cpp) ---
    bool StorageActive = false; // SaveWindow was on at creation
    void RestorePlacement();
    void SavePlacement();
    void StorageSavePlacement();
    void StorageRestorePlacement();

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct TCommandDef;
    static const std::vector<TCommandDef>& CommandTable();
    void CreateCommands();
    void CreateMenus();
    void CreateToolbar();
    void CreateStatusBar();
    void CreateAccountsList();
    void RebuildRecentMenu();
    void ShowStartPage(bool show);
    void ShowHint(const QString& hint);
    bool CommandEnabled(QAction* command) const;
    bool CommandChecked(QAction* command) const;
    bool FormCloseQuery();

    std::vector<QAction*> commands_;
    bool updating_ = false;
    bool firstShowDone_ = false;
    bool minimizedSeen_ = false;  // the last window state seen was minimised
    bool startMinimized_ = false; // the stored show state asks for a minimised start
    bool placementSaved_ = false;
};
