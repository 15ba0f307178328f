#include "frmOptions.h"

#include "QsAnswers.h"
#include "QsApp.h"
#include "QsAutoStart.h"
#include "QsExceptions.h"
#include "QsHelpUtils.h"
#include "uColors.h"
#include "uOptions.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace {
constexpr int HelpPreferences = 500;

QCheckBox* makeCheck(QWidget* parent, const char* name, const char* caption) {
    auto* box = new QCheckBox(QString::fromUtf8(caption), parent);
    box->setObjectName(QLatin1String(name));
    return box;
}
QRadioButton* makeRadio(QWidget* parent, const char* name, const char* caption) {
    auto* radio = new QRadioButton(QString::fromUtf8(caption), parent);
    radio->setObjectName(QLatin1String(name));
    return radio;
}
QGroupBox* makeGroup(QWidget* parent, const char* name, const char* caption) {
    auto* group = new QGroupBox(QString::fromUtf8(caption), parent);
    group->setObjectName(QLatin1String(name));
    return group;
}
QLabel* makeLabel(QWidget* parent, const char* name, const char* caption, QWidget* buddy = nullptr) {
    return MakeLabel(parent, name, QString::fromUtf8(caption), buddy);
}

QIcon swatch(const QColor& color) {
    QPixmap pm(24, 14);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setPen(QColor(80, 80, 80));
    p.setBrush(color);
    p.drawRect(0, 0, 23, 13);
    return QIcon(pm);
}

QComboBox* makeColorList(QWidget* parent, const char* name) {
    auto* box = new QComboBox(parent);
    box->setObjectName(QLatin1String(name));
    box->setMinimumWidth(180);
    const QPalette palette = QApplication::palette();
    for (const TKYVNNamedColor& c : NamedColors())
        box->addItem(swatch(ColorFromValue(c.Value, palette)), c.Name, c.Value);
    return box;
}

// The preferences that are plain switches, one row each: control, preference.
struct TSwitch {
    QCheckBox* TOptionsDlg::*Box;
    bool TKYVNOptions::*Option;
};
const TSwitch kSwitches[] = {
    {&TOptionsDlg::chkCloseMinimizes, &TKYVNOptions::CloseMinimizes},
    {&TOptionsDlg::chkSaveWindow, &TKYVNOptions::SaveWindow},
    {&TOptionsDlg::chkSaveList, &TKYVNOptions::SaveList},
    {&TOptionsDlg::chkAutoStartup, &TKYVNOptions::AutoStart},
    {&TOptionsDlg::chkTrayIcon, &TKYVNOptions::TrayIcon},
    {&TOptionsDlg::chkMinimizeAtStartup, &TKYVNOptions::MinimizeAtStartup},
    {&TOptionsDlg::chkAutoOpen, &TKYVNOptions::AutoOpenLastFile},
    {&TOptionsDlg::chkMinimizeAfter, &TKYVNOptions::AutoMinimizeAfter},
    {&TOptionsDlg::chkClearClipboard, &TKYVNOptions::ClearClipboard},
    {&TOptionsDlg::chkTrayPassword, &TKYVNOptions::TrayPassword},
    {&TOptionsDlg::chkMinimizeOnLock, &TKYVNOptions::MinimizeOnLock},
    {&TOptionsDlg::chkPrintPassword, &TKYVNOptions::PrintPassword},
    {&TOptionsDlg::chkExportPassword, &TKYVNOptions::ExportPassword},
    {&TOptionsDlg::chkDisplayPassword, &TKYVNOptions::DisplayPassword},
    {&TOptionsDlg::chkBackupFiles, &TKYVNOptions::BackupFiles},
};

// The number fields with their checks, in the order the checks run. Guard null: always checked.
struct TNumber {
    TSpinField* TOptionsDlg::*Field;
    QCheckBox* TOptionsDlg::*Guard;
    qint32 TKYVNOptions::*Option;
    const char* Message;
    const char* Details;
};
const TNumber kNumbers[] = {
    {&TOptionsDlg::txtMinimizeAfter, &TOptionsDlg::chkMinimizeAfter, &TKYVNOptions::AutoMinimizeAfterNSecs,
     "Invalid time interval before minimizing application.", "Value must be between 1 and 180."},
    {&TOptionsDlg::txtClearClipboard, &TOptionsDlg::chkClearClipboard, &TKYVNOptions::ClearClipboardAfterNSecs,
     "Invalid time interval before clearing the clipboard.", "Value must be between 1 and 180."},
    {&TOptionsDlg::txtPasswordLength, nullptr, &TKYVNOptions::PasswordLength, "Invalid password length.",
     "Value must be between 1 and 64."},
    {&TOptionsDlg::txtOldPasswordDays, nullptr, &TKYVNOptions::OldPasswordDays, "Invalid password age.",
     "Value must be between 1 and 3650."},
};

TKYVNOptions& options() {
    static TKYVNOptions fallback; // only when the program has no preferences object (never in a real run)
    return Options ? *Options : fallback;
}
} // namespace

// --- TSpinField ---

TSpinField::TSpinField(QWidget* parent, const char* name, int minimum, int maximum, int digits)
    : QAbstractSpinBox(parent), min_(minimum), max_(maximum), digits_(digits) {
    setObjectName(QLatin1String(name));
    lineEdit()->setMaxLength(digits);
    setButtonSymbols(QAbstractSpinBox::UpDownArrows);
    setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
    setKeyboardTracking(true);
    setAccelerated(false);
    setFixedWidth(fontMetrics().horizontalAdvance(QStringLiteral("0000")) + 34);
}

QValidator::State TSpinField::validate(QString& input, int&) const {
    // digits only; an empty field is allowed and stays empty
    if (input.size() > digits_)
        return QValidator::Invalid;
    for (const QChar c : input)
        if (c < u'0' || c > u'9')
            return QValidator::Invalid;
    return QValidator::Acceptable;
}

void TSpinField::fixup(QString&) const {}

void TSpinField::SetValue(int value) {
    lineEdit()->setText(QString::number(std::clamp(value, min_, max_)));
}

bool TSpinField::IsEmpty() const {
    return lineEdit()->text().isEmpty();
}

int TSpinField::Value() const {
    return lineEdit()->text().toInt();
}

void TSpinField::Clamp() {
    if (!IsEmpty())
        SetValue(Value());
}

void TSpinField::stepBy(int steps) {
    const int from = IsEmpty() ? (steps > 0 ? min_ - 1 : max_ + 1) : Value();
    SetValue(from + steps);
    selectAll();
}

QAbstractSpinBox::StepEnabled TSpinField::stepEnabled() const {
    if (!isEnabled() || isReadOnly())
        return StepNone;
    if (IsEmpty())
        return StepUpEnabled | StepDownEnabled;
    StepEnabled steps = StepNone;
    if (Value() < max_)
        steps |= StepUpEnabled;
    if (Value() > min_)
        steps |= StepDownEnabled;
    return steps;
}

void TSpinField::focusOutEvent(QFocusEvent* event) {
    Clamp();
    QAbstractSpinBox::focusOutEvent(event);
}

// --- TOptionsDlg ---

TOptionsDlg::TOptionsDlg(QWidget* parent) : TKeyPreviewDialog(parent) {
    setObjectName(QStringLiteral("TOptionsDlg"));
    setWindowTitle(QStringLiteral("Preferences..."));
    HelpContext = HelpPreferences;

    pcOptions = new QTabWidget(this);
    pcOptions->setObjectName(QStringLiteral("pcOptions"));

    // General
    auto* general = new QWidget;
    general->setObjectName(QStringLiteral("tsGeneral"));
    gbGeneral = makeGroup(general, "gbGeneral", " Application ");
    chkCloseMinimizes = makeCheck(gbGeneral, "chkCloseMinimizes", "Close &button minimizes application");
    chkSaveWindow = makeCheck(gbGeneral, "chkSaveWindow", "Sa&ve window properties");
    chkSaveList = makeCheck(gbGeneral, "chkSaveList", "Sav&e accounts list properties");
    auto* gl = new QVBoxLayout(gbGeneral);
    for (QWidget* w : {chkCloseMinimizes, chkSaveWindow, chkSaveList})
        gl->addWidget(w);
    gbStartup = makeGroup(general, "gbStartup", " Startup ");
    chkAutoStartup = makeCheck(gbStartup, "chkAutoStartup", "Auto start at s&ystem startup");
    chkTrayIcon = makeCheck(gbStartup, "chkTrayIcon", "&Place icon in taskbar tray");
    chkMinimizeAtStartup = makeCheck(gbStartup, "chkMinimizeAtStartup", "&Minimize application at startup");
    chkAutoOpen = makeCheck(gbStartup, "chkAutoOpen", "Au&to open last used file");
    auto* sl = new QVBoxLayout(gbStartup);
    for (QWidget* w : {chkAutoStartup, chkTrayIcon, chkMinimizeAtStartup, chkAutoOpen})
        sl->addWidget(w);
    gbPrint = makeGroup(general, "gbPrint", " Print ");
    auto* lblReport = makeLabel(gbPrint, "lblReport", "Default report:");
    radSimple = makeRadio(gbPrint, "radSimple", "Simp&le (account name, login and password)");
    radComplete = makeRadio(gbPrint, "radComplete", "Compl&ete");
    auto* pl = new QVBoxLayout(gbPrint);
    for (QWidget* w : std::initializer_list<QWidget*>{lblReport, radSimple, radComplete})
        pl->addWidget(w);
    auto* generalLayout = new QVBoxLayout(general);
    generalLayout->addWidget(gbGeneral);
    generalLayout->addWidget(gbStartup);
    generalLayout->addWidget(gbPrint);
    generalLayout->addStretch(1);
    pcOptions->addTab(general, QStringLiteral("  &General  "));

    // Security
    auto* security = new QWidget;
    security->setObjectName(QStringLiteral("tsSecurity"));
    gbSecurity = makeGroup(security, "gbSecurity", " Security ");
    chkMinimizeAfter = makeCheck(gbSecurity, "chkMinimizeAfter", "&Minimize application after:");
    txtMinimizeAfter = new TSpinField(gbSecurity, "txtMinimizeAfter", 1, 180, 3);
    chkClearClipboard = makeCheck(gbSecurity, "chkClearClipboard", "&Wait for:");
    txtClearClipboard = new TSpinField(gbSecurity, "txtClearClipboard", 1, 180, 3);
    chkTrayPassword = makeCheck(gbSecurity, "chkTrayPassword", "&Require password to open from tray");
    chkMinimizeOnLock = makeCheck(gbSecurity, "chkMinimizeOnLock", "Minimize when the screen loc&ks");
    chkPrintPassword = makeCheck(gbSecurity, "chkPrintPassword", "R&equire password to print passwords file");
    chkExportPassword = makeCheck(gbSecurity, "chkExportPassword", "Re&quire password to export passwords file");
    chkDisplayPassword = makeCheck(gbSecurity, "chkDisplayPassword", "&Display password with account details");
    auto* sec = new QGridLayout(gbSecurity);
    sec->addWidget(chkMinimizeAfter, 0, 0);
    sec->addWidget(txtMinimizeAfter, 0, 1);
    sec->addWidget(makeLabel(gbSecurity, "lblMinimizeAfter", "seconds"), 0, 2);
    sec->addWidget(chkClearClipboard, 1, 0);
    sec->addWidget(txtClearClipboard, 1, 1);
    sec->addWidget(makeLabel(gbSecurity, "lblClearClipboard", "seconds before clearing Clipboard"), 1, 2);
    int row = 2;
    for (QWidget* w : {chkMinimizeOnLock, chkTrayPassword, chkPrintPassword, chkExportPassword, chkDisplayPassword})
        sec->addWidget(w, row++, 0, 1, 3);
    sec->setColumnStretch(2, 1);
    gbPasswords = makeGroup(security, "gbPasswords", " Password generation ");
    txtPasswordLength = new TSpinField(gbPasswords, "txtPasswordLength", 1, 64, 2);
    txtOldPasswordDays = new TSpinField(gbPasswords, "txtOldPasswordDays", 1, 3650, 4);
    auto* pwl = new QHBoxLayout(gbPasswords);
    pwl->addWidget(makeLabel(gbPasswords, "lblPasswordLength", "&Length:", txtPasswordLength));
    pwl->addWidget(txtPasswordLength);
    pwl->addWidget(makeLabel(gbPasswords, "lblCharacters", "characters"));
    pwl->addSpacing(16);
    pwl->addWidget(makeLabel(gbPasswords, "lblOldPasswordDays", "&Old after:", txtOldPasswordDays));
    pwl->addWidget(txtOldPasswordDays);
    pwl->addWidget(makeLabel(gbPasswords, "lblOldPasswordDaysUnit", "days"));
    pwl->addStretch(1);
    gbFiles = makeGroup(security, "gbFiles", " Files ");
    chkBackupFiles = makeCheck(gbFiles, "chkBackupFiles", "Al&ways backup files");
    auto* fl = new QVBoxLayout(gbFiles);
    fl->addWidget(chkBackupFiles);
    auto* securityLayout = new QVBoxLayout(security);
    securityLayout->addWidget(gbSecurity);
    securityLayout->addWidget(gbPasswords);
    securityLayout->addWidget(gbFiles);
    securityLayout->addStretch(1);
    pcOptions->addTab(security, QStringLiteral("  &Security  "));

    // Accounts List
    auto* list = new QWidget;
    list->setObjectName(QStringLiteral("tsAccountsList"));
    gbListFont = makeGroup(list, "gbListFont", " Accounts List font ");
    cbFontName = new QComboBox(gbListFont);
    cbFontName->setObjectName(QStringLiteral("cbFontName"));
    cbFontName->addItems(ListFontFamilies());
    cbFontName->setMinimumWidth(220);
    cbFontName->setMaxVisibleItems(16);
    auto* fontLayout = new QHBoxLayout(gbListFont);
    fontLayout->addWidget(makeLabel(gbListFont, "lblFontName", "Fo&nt name:", cbFontName));
    fontLayout->addWidget(cbFontName, 1);
    gbListColors = makeGroup(list, "gbListColors", " Accounts List colors ");
    rdColorDefaultWindows = makeRadio(gbListColors, "rdColorDefaultWindows", "Use &Windows defaults");
    rdColorUseColors = makeRadio(gbListColors, "rdColorUseColors", "Cus&tomize colors:");
    cbTextColor = makeColorList(gbListColors, "cbTextColor");
    cbBackColor = makeColorList(gbListColors, "cbBackColor");
    lblTextColor = makeLabel(gbListColors, "lblTextColor", "T&ext color:", cbTextColor);
    lblBackColor = makeLabel(gbListColors, "lblBackColor", "&Background color:", cbBackColor);
    auto* cl = new QGridLayout(gbListColors);
    cl->addWidget(rdColorDefaultWindows, 0, 0, 1, 3);
    cl->addWidget(rdColorUseColors, 1, 0, 1, 3);
    cl->setColumnMinimumWidth(0, 16);
    cl->addWidget(lblTextColor, 2, 1);
    cl->addWidget(cbTextColor, 2, 2);
    cl->addWidget(lblBackColor, 3, 1);
    cl->addWidget(cbBackColor, 3, 2);
    cl->setColumnStretch(2, 1);
    auto* listLayout = new QVBoxLayout(list);
    listLayout->addWidget(gbListFont);
    listLayout->addWidget(gbListColors);
    listLayout->addStretch(1);
    pcOptions->addTab(list, QStringLiteral("  Acco&unts List  "));

    cmdOK = MakeDialogButton(this, "cmdOK", QStringLiteral("&OK"));
    cmdCancel = MakeDialogButton(this, "cmdCancel", QStringLiteral("&Cancel"));
    cmdApply = MakeDialogButton(this, "cmdApply", QStringLiteral("&Apply"));
    cmdOK->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    buttons->addWidget(cmdApply);

    auto* main = new QVBoxLayout(this);
    main->setContentsMargins(10, 10, 10, 10);
    main->setSpacing(10);
    main->addWidget(pcOptions);
    main->addLayout(buttons);
    main->setSizeConstraint(QLayout::SetFixedSize);

    connect(cmdOK, &QPushButton::clicked, this, [this] { QsGuard([this] { cmdOKClick(); }); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { QsGuard([this] { cmdCancelClick(); }); });
    connect(cmdApply, &QPushButton::clicked, this, [this] { QsGuard([this] { cmdApplyClick(); }); });
    for (QAbstractButton* b : std::initializer_list<QAbstractButton*>{chkMinimizeAfter, chkClearClipboard,
                                                                      rdColorDefaultWindows, rdColorUseColors})
        connect(b, &QAbstractButton::toggled, this, [this] { QsGuard([this] { EnableControls(); }); });
    PreviewKeys();
}

QStringList TOptionsDlg::ListFontFamilies() {
    QStringList families;
    for (const QString& family : QFontDatabase::families(QFontDatabase::Latin)) {
        if (QFontDatabase::isPrivateFamily(family) || !QFontDatabase::isScalable(family))
            continue;
        if (QFontDatabase::writingSystems(family).contains(QFontDatabase::Symbol))
            continue;
        families << family;
    }
    families.removeDuplicates();
    families.sort(Qt::CaseInsensitive);
    return families;
}

void TOptionsDlg::selectFont(const QString& family) {
    int index = cbFontName->findText(family, Qt::MatchFixedString | Qt::MatchCaseSensitive);
    if (index < 0) {
        // a face that is not installed is shown, and kept unless the user picks another
        cbFontName->insertItem(0, family);
        index = 0;
    }
    cbFontName->setCurrentIndex(index);
}

void TOptionsDlg::selectColor(QComboBox* box, qint32 value) {
    int index = box->findData(value);
    if (index < 0) {
        // a plain colour of the store that the list does not name
        box->addItem(swatch(ColorFromValue(value, QApplication::palette())), QStringLiteral("Custom"), value);
        index = box->count() - 1;
    }
    box->setCurrentIndex(index);
}

qint32 TOptionsDlg::chosenColor(const QComboBox* box, qint32 fallback) {
    const QVariant data = box->currentData();
    return data.isValid() ? qint32(data.toInt()) : fallback;
}

void TOptionsDlg::LoadOptions() {
    const TKYVNOptions& o = options();
    for (const TSwitch& s : kSwitches)
        (this->*s.Box)->setChecked(o.*s.Option);
    radSimple->setChecked(o.SimpleReport);
    radComplete->setChecked(!o.SimpleReport);
    for (const TNumber& n : kNumbers)
        (this->*n.Field)->SetValue(o.*n.Option);
    selectFont(o.FontName);
    selectColor(cbTextColor, o.TextColor);
    selectColor(cbBackColor, o.BackColor);
    rdColorDefaultWindows->setChecked(o.DefaultColors);
    rdColorUseColors->setChecked(!o.DefaultColors);
    pcOptions->setCurrentIndex(0);
    EnableControls();
}

void TOptionsDlg::EnableControls() {
    txtMinimizeAfter->setEnabled(chkMinimizeAfter->isChecked());
    txtClearClipboard->setEnabled(chkClearClipboard->isChecked());
    const bool custom = rdColorUseColors->isChecked();
    for (QWidget* w : std::initializer_list<QWidget*>{cbTextColor, cbBackColor, lblTextColor, lblBackColor})
        w->setEnabled(custom);
}

void TOptionsDlg::Validate() const {
    for (const TNumber& n : kNumbers) {
        if (n.Guard && !(this->*n.Guard)->isChecked())
            continue;
        const TSpinField* field = this->*n.Field;
        if (field->IsEmpty() || field->Value() < field->Minimum() || field->Value() > field->Maximum())
            throw EQsException(QString::fromUtf8(n.Message), QString::fromUtf8(n.Details), 1);
    }
}

void TOptionsDlg::cmdApplyClick() {
    Validate();
    TKYVNOptions& o = options();
    for (const TSwitch& s : kSwitches)
        o.*s.Option = (this->*s.Box)->isChecked();
    o.SimpleReport = radSimple->isChecked();
    for (const TNumber& n : kNumbers) {
        // an unticked interval left empty keeps the value it had; one outside the range takes the bound
        const TSpinField* field = this->*n.Field;
        if (!field->IsEmpty())
            o.*n.Option = std::clamp(field->Value(), field->Minimum(), field->Maximum());
    }
    if (!cbFontName->currentText().isEmpty())
        o.FontName = cbFontName->currentText();
    o.DefaultColors = rdColorDefaultWindows->isChecked();
    o.TextColor = chosenColor(cbTextColor, o.TextColor);
    o.BackColor = chosenColor(cbBackColor, o.BackColor);

    // the autostart entry is written or removed on every Apply, changed or not
    if (o.AutoStart)
        WriteAutoStartEntry(AppInfo && !AppInfo->ExeName.isEmpty() ? AppInfo->ExeName
                                                                   : QCoreApplication::applicationFilePath());
    else
        DeleteAutoStartEntry();
    if (OnApply)
        OnApply();
}

void TOptionsDlg::cmdOKClick() {
    cmdApplyClick();
    accept();
}

void TOptionsDlg::cmdCancelClick() {
    reject();
}

void EditPreferences(const std::function<void()>& applyPreferences) {
    TOptionsDlg dialog(QApplication::activeWindow());
    dialog.OnApply = applyPreferences;
    dialog.LoadOptions();
    QsAnswers::Record(QStringLiteral("TOptionsDlg"), dialog.windowTitle());
    if (auto answer = QsAnswers::Take(QStringLiteral("TOptionsDlg"), &dialog); answer && answer->isValid()) {
        if (answer->toBool() && dialog.result() != QDialog::Accepted)
            dialog.cmdOKClick();
    } else {
        dialog.exec();
    }
}
