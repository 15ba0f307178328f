// The frame of the main window: the command table, menus, toolbar, pop-up menus and status bar.
#include "frmMain.h"

#include "QsExceptions.h"
#include "QsFileUtils.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPainterPath>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

namespace {

// The pictures of the menus and the list (imlMenus): the desktop's theme first, a drawn glyph otherwise,
// so the window looks whole with or without an icon theme.
struct TPicture {
    const char* Theme;
    char16_t Glyph;
    QRgb Color;
};
const TPicture kPictures[] = {
    {"window-pin", u'\u25B3', 0x607080},             // 0 always on top, off
    {"window-pin", u'\u25B2', 0x3a6ea5},             // 1 always on top, on
    {"help-contents", u'?', 0x3a6ea5},               // 2 help
    {"document-new", u'+', 0x2e7d32},                // 3 new
    {"document-open", u'\u25A4', 0xc08a00},          // 4 open
    {"document-properties", u'i', 0x3a6ea5},         // 5 file properties
    {"edit-find", 0, 0x505050},                      // 6 find
    {"document-print-preview", u'\u25A1', 0x505050}, // 7 preview
    {"document-print", 0, 0x505050},                 // 8 print
    {"list-add", u'+', 0x3a6ea5},                    // 9 add
    {"document-edit", u'\u270E', 0x3a6ea5},          // 10 edit
    {"edit-delete", u'\u2715', 0xb03030},            // 11 delete
    {"dialog-password", 0, 0xc08a00},                // 12 account row
    {"edit-copy", 0, 0x505050},                      // 13 copy
};

// Pictures that no common font carries are drawn as shapes; the others are a letter or sign.
void drawShape(QPainter& p, int index, const QColor& ink) {
    p.setPen(QPen(ink, 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    switch (index) {
    case 6: // find: a magnifying glass
        p.drawEllipse(QPointF(14, 14), 6.5, 6.5);
        p.drawLine(QPointF(19, 19), QPointF(25, 25));
        break;
    case 8: // print: a printer with its sheet
        p.drawRect(QRectF(10, 7, 12, 7));
        p.drawRoundedRect(QRectF(7, 14, 18, 8), 2, 2);
        p.drawLine(QPointF(11, 22), QPointF(21, 22));
        break;
    case 12: // account: a key
        p.drawEllipse(QPointF(11, 16), 4.5, 4.5);
        p.drawLine(QPointF(15.5, 16), QPointF(26, 16));
        p.drawLine(QPointF(22, 16), QPointF(22, 20));
        p.drawLine(QPointF(25, 16), QPointF(25, 19));
        break;
    case 13: // copy: two sheets
        p.drawRect(QRectF(8, 7, 11, 13));
        p.setBrush(QColor(255, 255, 255));
        p.drawRect(QRectF(13, 12, 11, 13));
        break;
    }
}

QIcon pictureIcon(int index, char16_t glyph, QRgb color) {
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(color), 2));
    p.setBrush(QColor(color).lighter(185));
    p.drawRoundedRect(QRectF(2, 2, 28, 28), 6, 6);
    const QColor ink = QColor(color).darker(130);
    if (glyph == 0) {
        drawShape(p, index, ink);
    } else {
        QFont f = p.font();
        f.setPixelSize(20);
        f.setBold(true);
        p.setFont(f);
        p.setPen(ink);
        p.drawText(QRect(0, 0, 32, 32), Qt::AlignCenter, QString(QChar(glyph)));
    }
    return QIcon(pm);
}

} // namespace

QIcon MenuPicture(int index) {
    static QIcon cache[std::size(kPictures)];
    if (index < 0 || index >= int(std::size(kPictures)))
        return {};
    if (cache[index].isNull()) {
        const TPicture& pic = kPictures[index];
        cache[index] = QIcon::fromTheme(QLatin1String(pic.Theme), pictureIcon(index, pic.Glyph, pic.Color));
    }
    return cache[index];
}

// One row of the command table. Enabled null: always enabled. Checked null: no check mark.
struct TKYVNMain::TCommandDef {
    QAction* TKYVNMain::*Field;
    const char* Name;
    const char* Caption;
    const char* Hint;
    const char* Shortcut;
    int Picture; // index into the menu pictures, -1 none
    void (TKYVNMain::*Execute)();
    bool (*Enabled)(const TKYVNMain& w, QAction* self);
    bool (*Checked)(const TKYVNMain& w, QAction* self);
};

// Predicates of the command states; the account commands ask frmMainAccounts.cpp.
bool MainWhenFileOpen(const TKYVNMain& w, QAction*);
bool MainWhenWritable(const TKYVNMain& w, QAction*);
bool MainWhenRecentFiles(const TKYVNMain& w, QAction*);
bool MainWhenUnprotected(const TKYVNMain& w, QAction*);
bool MainWhenRowSelected(const TKYVNMain& w, QAction*);
bool MainWhenPasswordSelected(const TKYVNMain& w, QAction*);
bool MainWhenEmailSelected(const TKYVNMain& w, QAction*);
bool MainWhenWebSelected(const TKYVNMain& w, QAction*);
bool MainWhenRowsListed(const TKYVNMain& w, QAction*);
bool MainAccountEnabled(const TKYVNMain& w, QAction* self) {
    return w.AccountCommandEnabled(self);
}
bool MainAccountChecked(const TKYVNMain& w, QAction* self) {
    return w.AccountCommandChecked(self);
}
bool MainReadOnlyChecked(const TKYVNMain& w, QAction*);
bool MainToolbarChecked(const TKYVNMain& w, QAction*);
bool MainStatusBarChecked(const TKYVNMain& w, QAction*);
bool MainOnTopChecked(const TKYVNMain& w, QAction*);

const std::vector<TKYVNMain::TCommandDef>& TKYVNMain::CommandTable() {
    using W = TKYVNMain;
    static const std::vector<TCommandDef> table = {
        // menu headers
        {&W::actFile, "actFile", "&File", "File commands", "", -1, &W::NullHandler, nullptr, nullptr},
        {&W::actEdit, "actEdit", "&Edit", "Edit commands", "", -1, &W::NullHandler, nullptr, nullptr},
        {&W::actView, "actView", "&View", "View commands", "", -1, &W::NullHandler, nullptr, nullptr},
        {&W::actAccount, "actAccount", "&Account", "Account commands", "", -1, &W::NullHandler, nullptr, nullptr},
        {&W::actHelp, "actHelp", "&Help", "Help commands", "", -1, &W::NullHandler, nullptr, nullptr},
        {&W::actSort, "actSort", "&Sort", "Sort accounts", "", -1, &W::NullHandler, &MainAccountEnabled, nullptr},
        {&W::actRecentFiles, "actRecentFiles", "&Recent Files", "Recently used passwords files", "", -1,
         &W::NullHandler, &MainWhenRecentFiles, nullptr},
        // File
        {&W::actFileNew, "actFileNew", "&New...", "Create new passwords file", "Ctrl+N", 3, &W::actFileNewExecute,
         nullptr, nullptr},
        {&W::actFileOpen, "actFileOpen", "&Open...", "Open an existing passwords file", "Ctrl+O", 4,
         &W::actFileOpenExecute, nullptr, nullptr},
        {&W::actFileClose, "actFileClose", "&Close", "Close current passwords file", "", -1, &W::actFileCloseExecute,
         &MainWhenFileOpen, nullptr},
        {&W::actFileSaveAs, "actFileSaveAs", "Save &As...", "Save current passwords file with a different name", "", -1,
         &W::actFileSaveAsExecute, &MainWhenFileOpen, nullptr},
        {&W::actFileSaveCopy, "actFileSaveCopy", "Sa&ve Copy As...", "Save a copy of the current passwords file", "",
         -1, &W::actFileSaveCopyExecute, &MainWhenFileOpen, nullptr},
        {&W::actFileProperties, "actFileProperties", "File &Properties", "Current passwords file properties", "F4", 5,
         &W::actFilePropertiesExecute, &MainWhenFileOpen, nullptr},
        {&W::actFilePassword, "actFilePassword", "File Pa&ssword...", "Change current passwords file password", "", -1,
         &W::actFilePasswordExecute, &MainWhenWritable, nullptr},
        {&W::actFileProtect, "actFileProtect", "Pro&tect File...", "Protect current passwords file by its password", "",
         -1, &W::actFileProtectExecute, &MainWhenUnprotected, nullptr},
        {&W::actFilePasswordHealth, "actFilePasswordHealth", "Password &Health...",
         "Find weak, reused, old and breached passwords", "F8", -1, &W::actFilePasswordHealthExecute, &MainWhenFileOpen,
         nullptr},
        {&W::actFileExport, "actFileExport", "&Export...", "Export current passwords file", "F6", -1,
         &W::actFileExportExecute, &MainWhenFileOpen, nullptr},
        {&W::actFileMerge, "actFileMerge", "&Merge...", "Merge current passwords file with another file", "F7", -1,
         &W::actFileMergeExecute, &MainWhenWritable, nullptr},
        {&W::actFileImport, "actFileImport", "Import Acco&unts...",
         "Import the accounts exported by a browser or another password manager", "", -1, &W::actFileImportExecute,
         &MainWhenWritable, nullptr},
        {&W::actFilePageSetup, "actFilePageSetup", "Pa&ge Setup...", "Page setup", "", -1, &W::actFilePageSetupExecute,
         nullptr, nullptr},
        {&W::actFilePreview, "actFilePreview", "Previe&w", "Preview", "", 7, &W::actFilePreviewExecute,
         &MainWhenFileOpen, nullptr},
        {&W::actFilePrint, "actFilePrint", "Pr&int", "Print", "Ctrl+P", 8, &W::actFilePrintExecute, &MainWhenFileOpen,
         nullptr},
        {&W::actFilePreferences, "actFilePreferences", "Pre&ferences...", "Application references", "", -1,
         &W::actFilePreferencesExecute, nullptr, nullptr},
        {&W::actFileExit, "actFileExit", "E&xit", "Exit this application", "", -1, &W::actFileExitExecute, nullptr,
         nullptr},
        // Edit
        {&W::actEditCopyLogin, "actEditCopyLogin", "&Copy Login Name", "Copy login name to Clipboard", "Ctrl+C", 13,
         &W::actEditCopyLoginExecute, &MainWhenRowSelected, nullptr},
        {&W::actEditCopyPassword, "actEditCopyPassword", "Copy Login &Password", "Copy login password to Clipboard",
         "Ctrl+Shift+C", -1, &W::actEditCopyPasswordExecute, &MainWhenPasswordSelected, nullptr},
        {&W::actEditCopyEmail, "actEditCopyEmail", "Copy Emai&l", "Copy email to Clipboard", "", -1,
         &W::actEditCopyEmailExecute, &MainWhenEmailSelected, nullptr},
        {&W::actEditCopyWeb, "actEditCopyWeb", "Copy &Web Address", "Copy Web address to Clipboard", "", -1,
         &W::actEditCopyWebExecute, &MainWhenWebSelected, nullptr},
        {&W::actEditFind, "actEditFind", "&Find...", "Find", "Ctrl+F", 6, &W::actEditFindExecute, &MainWhenRowsListed,
         nullptr},
        {&W::actEditFindNext, "actEditFindNext", "Find &Next", "Find next", "F3", -1, &W::actEditFindNextExecute,
         &MainWhenRowsListed, nullptr},
        // View
        {&W::actSortAccountName, "actSortAccountName", "By &Account Name", "Sort accounts by their name", "", -1,
         &W::actSortAccountNameExecute, &MainAccountEnabled, &MainAccountChecked},
        {&W::actSortLogin, "actSortLogin", "By &Login", "Sort accounts by login", "", -1, &W::actSortLoginExecute,
         &MainAccountEnabled, &MainAccountChecked},
        {&W::actSortPassword, "actSortPassword", "By &Password", "Sort accounts by password", "", -1,
         &W::actSortPasswordExecute, &MainAccountEnabled, &MainAccountChecked},
        {&W::actSortEmail, "actSortEmail", "By &Email", "Sort accounts by email", "", -1, &W::actSortEmailExecute,
         &MainAccountEnabled, &MainAccountChecked},
        {&W::actSortWeb, "actSortWeb", "By &Web", "Sort accounts by Web address", "", -1, &W::actSortWebExecute,
         &MainAccountEnabled, &MainAccountChecked},
        {&W::actSortCreated, "actSortCreated", "By &Created", "Sort accounts by date created", "", -1,
         &W::actSortCreatedExecute, &MainAccountEnabled, &MainAccountChecked},
        {&W::actSortModified, "actSortModified", "By &Modified", "Sort accounts by date modified", "", -1,
         &W::actSortModifiedExecute, &MainAccountEnabled, &MainAccountChecked},
        {&W::actViewManageList, "actViewManageList", "&Manage Accounts List...", "Manage accounts list", "", -1,
         &W::actViewManageListExecute, &MainAccountEnabled, nullptr},
        {&W::actViewToolbar, "actViewToolbar", "&Toolbar", "Show/hide toolbar", "", -1, &W::actViewToolbarExecute,
         nullptr, &MainToolbarChecked},
        {&W::actViewStatusBar, "actViewStatusBar", "Status &Bar", "Show/hide status bar", "", -1,
         &W::actViewStatusBarExecute, nullptr, &MainStatusBarChecked},
        {&W::actViewAlwaysOnTop, "actViewAlwaysOnTop", "&Always On Top", "Keep window always on top", "", 0,
         &W::actViewAlwaysOnTopExecute, nullptr, &MainOnTopChecked},
        // Account
        {&W::actAccountAdd, "actAccountAdd", "&Add...", "Add new account", "F10", 9, &W::actAccountAddExecute,
         &MainAccountEnabled, nullptr},
        {&W::actAccountEdit, "actAccountEdit", "&Edit...", "Edit selected account", "F11", 10,
         &W::actAccountEditExecute, &MainAccountEnabled, nullptr},
        {&W::actAccountDelete, "actAccountDelete", "&Delete", "Delete selected account", "F12", 11,
         &W::actAccountDeleteExecute, &MainAccountEnabled, nullptr},
        {&W::actAccountRename, "actAccountRename", "Re&name...", "Rename current account", "", -1,
         &W::actAccountRenameExecute, &MainAccountEnabled, nullptr},
        {&W::actAccountDuplicate, "actAccountDuplicate", "D&uplicate...", "Duplicate selected account", "", -1,
         &W::actAccountDuplicateExecute, &MainAccountEnabled, nullptr},
        {&W::actAccountReadOnly, "actAccountReadOnly", "&Read Only", "Make the current passwords file read-only", "",
         -1, &W::actAccountReadOnlyExecute, &MainWhenFileOpen, &MainReadOnlyChecked},
        // Help
        {&W::actHelpContents, "actHelpContents", "Tessivo Keyvane &Help", "Help contents", "F1", 2,
         &W::actHelpContentsExecute, nullptr, nullptr},
        {&W::actHelpOnTheWeb, "actHelpOnTheWeb", "Tessivo On The &Web", "Tessivo on the Web", "", -1,
         &W::actHelpOnTheWebExecute, nullptr, nullptr},
        {&W::actHelpSendEmail, "actHelpSendEmail", "&Send Email", "Send email to Tessivo", "", -1,
         &W::actHelpSendEmailExecute, nullptr, nullptr},
        {&W::actHelpAbout, "actHelpAbout", "&About...", "About Tessivo Keyvane", "", -1, &W::actHelpAboutExecute,
         nullptr, nullptr},
        // notification area
        {&W::actTrayOpen, "actTrayOpen", "Open Keyvane", "", "", -1, &W::actTrayOpenExecute, nullptr, nullptr},
        {&W::actTrayPreferences, "actTrayPreferences", "Preferences...", "", "", -1, &W::actTrayPreferencesExecute,
         nullptr, nullptr},
        {&W::actTrayHelp, "actTrayHelp", "Help", "", "", -1, &W::actHelpContentsExecute, nullptr, nullptr},
        {&W::actTrayExit, "actTrayExit", "Exit", "", "", -1, &W::actFileExitExecute, nullptr, nullptr},
    };
    return table;
}

void TKYVNMain::CreateCommands() {
    const auto& table = CommandTable();
    commands_.reserve(table.size());
    for (const TCommandDef& def : table) {
        auto* action = new QAction(QString::fromUtf8(def.Caption), this);
        action->setObjectName(QLatin1String(def.Name));
        const QString hint = QString::fromUtf8(def.Hint);
        action->setStatusTip(hint);
        action->setToolTip(hint.isEmpty() ? action->text().remove(u'&') : hint);
        if (*def.Shortcut) {
            action->setShortcut(QKeySequence(QLatin1String(def.Shortcut)));
            action->setShortcutContext(Qt::WindowShortcut);
        }
        if (def.Picture >= 0)
            action->setIcon(MenuPicture(def.Picture));
        action->setCheckable(def.Checked != nullptr);
        this->*def.Field = action;
        commands_.push_back(action);
        // triggered() also comes from a shortcut; RunCommand recomputes the state before it runs.
        connect(action, &QAction::triggered, this, [this, action] { RunCommand(action); });
    }
}

QAction* TKYVNMain::Command(const QString& name) const {
    for (QAction* a : commands_)
        if (a->objectName() == name)
            return a;
    return nullptr;
}

bool TKYVNMain::CommandEnabled(QAction* command) const {
    const auto& table = CommandTable();
    for (size_t i = 0; i < commands_.size(); ++i)
        if (commands_[i] == command)
            return !table[i].Enabled || table[i].Enabled(*this, command);
    return false;
}

bool TKYVNMain::CommandChecked(QAction* command) const {
    const auto& table = CommandTable();
    for (size_t i = 0; i < commands_.size(); ++i)
        if (commands_[i] == command)
            return table[i].Checked && table[i].Checked(*this, command);
    return false;
}

void TKYVNMain::alMainUpdate() {
    if (updating_)
        return;
    updating_ = true;
    QsGuard([this] {
        const auto& table = CommandTable();
        for (size_t i = 0; i < commands_.size(); ++i) {
            QAction* a = commands_[i];
            const bool enabled = !table[i].Enabled || table[i].Enabled(*this, a);
            if (a->isEnabled() != enabled)
                a->setEnabled(enabled);
            if (table[i].Checked) {
                const bool checked = table[i].Checked(*this, a);
                if (a->isChecked() != checked)
                    a->setChecked(checked);
            }
        }
        const QIcon onTop = MenuPicture(PendingFormStyle == 3 || (windowFlags() & Qt::WindowStaysOnTopHint) ? 1 : 0);
        if (actViewAlwaysOnTop->icon().cacheKey() != onTop.cacheKey())
            actViewAlwaysOnTop->setIcon(onTop);
        if (mnuRecent)
            mnuRecent->setEnabled(actRecentFiles->isEnabled());
        if (mnuSort)
            mnuSort->setEnabled(actSort->isEnabled());
        const QString count = FileOpen ? QStringLiteral("Accounts: %1").arg(RowCount()) : QString();
        if (sbPanel2 && sbPanel2->text() != count)
            sbPanel2->setText(count);
        UpdateProtectionMark();
    });
    updating_ = false;
}

bool TKYVNMain::RunCommand(QAction* command) {
    if (!command)
        return false;
    alMainUpdate();
    if (!CommandEnabled(command)) {
        // a checkable command toggled by Qt itself must show its true state again
        if (command->isCheckable())
            command->setChecked(CommandChecked(command));
        return false;
    }
    const auto& table = CommandTable();
    for (size_t i = 0; i < commands_.size(); ++i) {
        if (commands_[i] != command)
            continue;
        const auto execute = table[i].Execute;
        ++CommandsRunning;
        QsGuard([this, execute] { (this->*execute)(); });
        --CommandsRunning;
        alMainUpdate();
        return true;
    }
    return false;
}

namespace {
// A menu as data: its command (the header), then its items; nullptr is a separator.
struct TMenuDef {
    QMenu* TKYVNMain::*Menu;
    QAction* TKYVNMain::*Header;
    std::vector<QAction * TKYVNMain::*> Items;
};
} // namespace

void TKYVNMain::CreateMenus() {
    using W = TKYVNMain;
    const std::vector<TMenuDef> menus = {
        {&W::mnuSort,
         &W::actSort,
         {&W::actSortAccountName, &W::actSortLogin, &W::actSortPassword, &W::actSortEmail, &W::actSortWeb,
          &W::actSortCreated, &W::actSortModified}},
        {&W::mnuRecent, &W::actRecentFiles, {}},
        {&W::mnuFile,
         &W::actFile,
         {&W::actFileNew,
          &W::actFileOpen,
          &W::actFileClose,
          nullptr,
          &W::actFileSaveAs,
          &W::actFileSaveCopy,
          nullptr,
          &W::actRecentFiles,
          nullptr,
          &W::actFileProperties,
          &W::actFilePassword,
          &W::actFileProtect,
          &W::actFilePasswordHealth,
          nullptr,
          &W::actFileExport,
          &W::actFileMerge,
          &W::actFileImport,
          nullptr,
          &W::actFilePageSetup,
          &W::actFilePreview,
          &W::actFilePrint,
          nullptr,
          &W::actFilePreferences,
          nullptr,
          &W::actFileExit}},
        {&W::mnuEdit,
         &W::actEdit,
         {&W::actEditCopyLogin, &W::actEditCopyPassword, &W::actEditCopyEmail, &W::actEditCopyWeb, nullptr,
          &W::actEditFind, &W::actEditFindNext}},
        {&W::mnuView,
         &W::actView,
         {&W::actSort, nullptr, &W::actViewManageList, nullptr, &W::actViewToolbar, &W::actViewStatusBar, nullptr,
          &W::actViewAlwaysOnTop}},
        {&W::mnuAccount,
         &W::actAccount,
         {&W::actAccountAdd, &W::actAccountEdit, &W::actAccountDelete, nullptr, &W::actAccountRename,
          &W::actAccountDuplicate, nullptr, &W::actAccountReadOnly}},
        {&W::mnuHelp,
         &W::actHelp,
         {&W::actHelpContents, nullptr, &W::actHelpOnTheWeb, &W::actHelpSendEmail, nullptr, &W::actHelpAbout}},
        {&W::popAccounts,
         nullptr,
         {&W::actAccountAdd, &W::actAccountEdit, &W::actAccountDelete, nullptr, &W::actEditCopyLogin,
          &W::actEditCopyPassword, &W::actEditCopyEmail, &W::actEditCopyWeb, nullptr, &W::actEditFind,
          &W::actEditFindNext, nullptr, &W::actSort, nullptr, &W::actViewManageList}},
        {&W::mnuCopy,
         nullptr,
         {&W::actEditCopyLogin, &W::actEditCopyPassword, &W::actEditCopyEmail, &W::actEditCopyWeb}},
        {&W::popTray,
         nullptr,
         {&W::actTrayOpen, nullptr, &W::actTrayPreferences, nullptr, &W::actTrayHelp, nullptr, &W::actTrayExit}},
    };
    for (const TMenuDef& def : menus) {
        auto* menu = new QMenu(this);
        this->*def.Menu = menu;
        for (auto item : def.Items) {
            if (item)
                menu->addAction(this->*item);
            else
                menu->addSeparator();
        }
        if (def.Header) {
            QAction* header = this->*def.Header;
            menu->setTitle(header->text());
            header->setMenu(menu);
        }
    }
    popTray->setDefaultAction(actTrayOpen);
    QFont bold = actTrayOpen->font();
    bold.setBold(true);
    actTrayOpen->setFont(bold);

    // The menu bar rides in a toolbar, so it can be dragged to another dock or floated like the toolbar.
    mbMain = new QMenuBar;
    mbMain->setNativeMenuBar(false);
    for (QAction* header : {actFile, actEdit, actView, actAccount, actHelp})
        mbMain->addAction(header);
    tbMenu = new QToolBar(QStringLiteral("Standard Menu"), this);
    tbMenu->setObjectName(QStringLiteral("tbMenu"));
    tbMenu->addWidget(mbMain);
    tbMenu->setMovable(true);
    addToolBar(Qt::TopToolBarArea, tbMenu);
    addToolBarBreak(Qt::TopToolBarArea);
}

void TKYVNMain::CreateToolbar() {
    tbMain = new QToolBar(QStringLiteral("Standard Toolbar"), this);
    tbMain->setObjectName(QStringLiteral("tbMain"));
    tbMain->setMovable(true);
    tbMain->setIconSize(QSize(16, 16));
    tbMain->setToolButtonStyle(Qt::ToolButtonIconOnly);
    const std::vector<QAction*> items = {
        actFileNew,       actFileOpen,       nullptr,     actAccountAdd,  actAccountEdit,     actAccountDelete,
        nullptr,          actFileProperties, nullptr,     actFilePreview, actFilePrint,       nullptr,
        actEditCopyLogin, nullptr,           actEditFind, nullptr,        actViewAlwaysOnTop, nullptr,
        actHelpContents};
    for (QAction* a : items) {
        if (!a) {
            tbMain->addSeparator();
        } else if (a == actEditCopyLogin) {
            tbCopy = new QToolButton(tbMain);
            tbCopy->setDefaultAction(actEditCopyLogin);
            tbCopy->setMenu(mnuCopy);
            tbCopy->setPopupMode(QToolButton::MenuButtonPopup);
            tbMain->addWidget(tbCopy);
        } else {
            tbMain->addAction(a);
        }
    }
    addToolBar(Qt::TopToolBarArea, tbMain);
}

void TKYVNMain::CreateStatusBar() {
    sbPanel1 = new QLabel(this);
    sbPanel1->setObjectName(QStringLiteral("sbPanel1"));
    sbPanel2 = new QLabel(this);
    sbPanel2->setObjectName(QStringLiteral("sbPanel2"));
    sbPanel2->setFixedWidth(100);
    sbPanel2->setFrameShape(QFrame::StyledPanel);
    statusBar()->setObjectName(QStringLiteral("sbMain"));
    statusBar()->addWidget(sbPanel1, 1);
    statusBar()->addPermanentWidget(sbPanel2);
    CreateProtectionBar();
}

void TKYVNMain::ShowHint(const QString& hint) {
    if (sbPanel1)
        sbPanel1->setText(hint);
}

bool TKYVNMain::event(QEvent* event) {
    // The hint of the command under the mouse goes to the first panel, not over both panels.
    if (event->type() == QEvent::StatusTip) {
        ShowHint(static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    }
    return QMainWindow::event(event);
}
