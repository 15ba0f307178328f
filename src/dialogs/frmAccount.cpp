#include "frmAccount.h"

#include "AccountRules.h"
#include "QsAnswers.h"
#include "QsApp.h"
#include "QsExceptions.h"
#include "QsHelpUtils.h"
#include "QsMsgFrm.h"
#include "QsShellUtils.h"
#include "StrengthGauge.h"
#include "clsAccount.h"
#include "clsFile.h"
#include "uGenerator.h"
#include "uOptions.h"

#include <QApplication>
#include <QCheckBox>
#include <QDate>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QTextBlock>
#include <QVBoxLayout>

// ---------------------------------------------------------------------------------------------------
// Shared pieces

QValidator::State TLineFieldValidator::validate(QString& input, int& pos) const {
    // Every single-line field holds the same characters.
    const auto refused = [](QChar c) { return !FieldAccepts(kfLogin, c); };
    int removedBeforeCursor = 0;
    for (int i = 0; i < input.size() && i < pos; ++i)
        if (refused(input.at(i)))
            ++removedBeforeCursor;
    QString clean = input;
    clean.removeIf(refused);
    if (clean.size() != input.size()) {
        input = clean;
        pos -= removedBeforeCursor;
    }
    return Acceptable;
}

TNotesEdit::TNotesEdit(QWidget* parent) : QPlainTextEdit(parent) {
    setTabChangesFocus(true);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
}

QString TNotesEdit::Text() const {
    return toPlainText().replace(QLatin1Char('\n'), QLatin1String("\r\n"));
}

void TNotesEdit::SetText(const QString& text) {
    QString plain = text;
    plain.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    setPlainText(plain);
}

void TNotesEdit::keyPressEvent(QKeyEvent* event) {
    const QString typed = event->text();
    if (!typed.isEmpty() && std::any_of(typed.begin(), typed.end(), IsNotesReservedChar)) {
        event->accept();
        return;
    }
    // A printable key or a line break that would pass the limit is refused like a full line edit does.
    const bool inserts =
        (!typed.isEmpty() && typed.at(0).isPrint()) || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (inserts && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        const int selected = int(textCursor().selectedText().size());
        if (toPlainText().size() - selected + 1 > MaxLength) {
            event->accept();
            return;
        }
    }
    QPlainTextEdit::keyPressEvent(event);
}

void TNotesEdit::inputMethodEvent(QInputMethodEvent* event) {
    // Composed text obeys the same filter and limit as typed text.
    QString commit = WithoutRefused(kfNotes, event->commitString());
    const int room = MaxLength - int(toPlainText().size() - textCursor().selectedText().size());
    commit.truncate(std::max(0, room));
    if (commit == event->commitString()) {
        QPlainTextEdit::inputMethodEvent(event);
        return;
    }
    QInputMethodEvent filtered(event->preeditString(), event->attributes());
    filtered.setCommitString(commit, event->replacementStart(), event->replacementLength());
    QPlainTextEdit::inputMethodEvent(&filtered);
}

bool TNotesEdit::canInsertFromMimeData(const QMimeData* source) const {
    return source->hasText();
}

void TNotesEdit::insertFromMimeData(const QMimeData* source) {
    if (source->hasText())
        insertLimited(source->text());
}

void TNotesEdit::insertLimited(const QString& text) {
    QString clean = WithoutRefused(kfNotes, text);
    clean.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QTextCursor cursor = textCursor();
    const int room = MaxLength - int(toPlainText().size() - cursor.selectedText().size());
    cursor.insertText(clean.left(std::max(0, room)));
    setTextCursor(cursor);
}

void SetWholeText(QLineEdit* edit, const QString& text) {
    if (edit->maxLength() < text.size())
        edit->setMaxLength(int(text.size()));
    edit->setText(text);
}

// ---------------------------------------------------------------------------------------------------
// The account editor

namespace {

constexpr int HelpAccounts = 530;

QLineEdit* makeEdit(QWidget* parent, const char* name, int field) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    if (const int maxLength = FieldTypingLimit(field); maxLength > 0)
        edit->setMaxLength(maxLength);
    edit->setValidator(new TLineFieldValidator(edit));
    return edit;
}

QPushButton* makeSmallButton(QWidget* parent, const char* name) {
    auto* button = new QPushButton(QStringLiteral("..."), parent);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    button->setFixedWidth(28);
    return button;
}

// A click handler that keeps exceptions inside the guard.
template <typename Fn> auto guarded(Fn fn) {
    return [fn] { QsGuard(fn); };
}

} // namespace

TAccountEdit::TAccountEdit(QWidget* parent) : TKeyPreviewDialog(parent) {
    setObjectName(QStringLiteral("TAccountEdit"));
    HelpContext = HelpAccounts;

    txtAccountName = makeEdit(this, "txtAccountName", kfAccountName);
    txtLogin = makeEdit(this, "txtLogin", kfLogin);
    txtPassword = makeEdit(this, "txtPassword", kfPassword);
    cmdPassword = makeSmallButton(this, "cmdPassword");
    cmdPassword->setToolTip(QStringLiteral("Generate a password"));
    cmdShowPassword = new QPushButton(this);
    cmdShowPassword->setObjectName(QStringLiteral("cmdShowPassword"));
    cmdShowPassword->setAutoDefault(false);
    cmdShowPassword->setCheckable(true);
    cmdShowPassword->setToolTip(QStringLiteral("Show or hide the password (Ctrl+Enter)"));
    cmdShowPassword->setFixedWidth(
        std::max(cmdShowPassword->fontMetrics().horizontalAdvance(QStringLiteral("Hide")) + 20, 48));
    gaugePassword = new TStrengthGauge(this);
    txtEmail = makeEdit(this, "txtEmail", kfEmail);
    cmdEmail = makeSmallButton(this, "cmdEmail");
    cmdEmail->setToolTip(QStringLiteral("Write a mail to this address"));
    txtWeb = makeEdit(this, "txtWeb", kfWeb);
    cmdWeb = makeSmallButton(this, "cmdWeb");
    cmdWeb->setToolTip(QStringLiteral("Open this web address"));
    txtNotes = new TNotesEdit(this);
    txtNotes->setObjectName(QStringLiteral("txtNotes"));
    chkProtect = new QCheckBox(QStringLiteral("Protected"), this);
    chkProtect->setObjectName(QStringLiteral("chkProtect"));
    cmdOK = MakeDialogButton(this, "cmdOK", QStringLiteral("&OK"));
    cmdCancel = MakeDialogButton(this, "cmdCancel", QStringLiteral("&Cancel"));
    cmdHelp = MakeDialogButton(this, "cmdHelp", QStringLiteral("&Help"));
    cmdOK->setDefault(true);

    lblAccountName = MakeLabel(this, "lblAccountName", QStringLiteral("&Account name:"), txtAccountName);
    lblLogin = MakeLabel(this, "lblLogin", QStringLiteral("&Login name:"), txtLogin);
    lblPassword = MakeLabel(this, "lblPassword", QStringLiteral("&Password:"), txtPassword);
    lblEmail = MakeLabel(this, "lblEmail", QStringLiteral("&Email address associated with this account:"), txtEmail);
    lblWeb = MakeLabel(this, "lblWeb", QStringLiteral("&Web address associated with this account:"), txtWeb);
    lblNotes = MakeLabel(this, "lblNotes", QStringLiteral("&Notes:"), txtNotes);

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(4);
    int row = 0;
    auto addRow = [&](QLabel* label, QWidget* edit, QWidget* button) {
        grid->addWidget(label, row, 0);
        grid->addWidget(edit, row, 1, 1, button ? 1 : 2);
        if (button)
            grid->addWidget(button, row, 2);
        ++row;
    };
    auto addWide = [&](QWidget* w) { grid->addWidget(w, row++, 0, 1, 3); };
    auto addEditRow = [&](QWidget* edit, QWidget* button) {
        grid->addWidget(edit, row, 0, 1, 2);
        grid->addWidget(button, row, 2);
        ++row;
    };
    addRow(lblAccountName, txtAccountName, nullptr);
    addWide(MakeSeparator(this));
    addRow(lblLogin, txtLogin, nullptr);
    auto* passwordRow = new QHBoxLayout;
    passwordRow->setSpacing(4);
    passwordRow->addWidget(txtPassword, 1);
    passwordRow->addWidget(cmdShowPassword);
    grid->addWidget(lblPassword, row, 0);
    grid->addLayout(passwordRow, row, 1);
    grid->addWidget(cmdPassword, row, 2);
    ++row;
    grid->addWidget(gaugePassword, row++, 1);
    addWide(MakeSeparator(this));
    addWide(lblEmail);
    addEditRow(txtEmail, cmdEmail);
    addWide(lblWeb);
    addEditRow(txtWeb, cmdWeb);
    addWide(MakeSeparator(this));
    addWide(lblNotes);
    addWide(txtNotes);
    addWide(chkProtect);
    grid->setColumnMinimumWidth(1, 240);
    txtNotes->setFixedHeight(90);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    for (QPushButton* b : {cmdOK, cmdCancel, cmdHelp}) {
        b->setMinimumWidth(80);
        buttons->addWidget(b);
    }

    auto* main = new QVBoxLayout(this);
    main->setContentsMargins(10, 10, 10, 10);
    main->setSpacing(10);
    main->addLayout(grid);
    main->addWidget(MakeSeparator(this));
    main->addLayout(buttons);
    main->setSizeConstraint(QLayout::SetFixedSize);

    setTabOrder(txtAccountName, txtLogin);
    setTabOrder(txtLogin, txtPassword);
    setTabOrder(txtPassword, cmdShowPassword);
    setTabOrder(cmdShowPassword, cmdPassword);
    setTabOrder(cmdPassword, txtEmail);
    setTabOrder(txtEmail, cmdEmail);
    setTabOrder(cmdEmail, txtWeb);
    setTabOrder(txtWeb, cmdWeb);
    setTabOrder(cmdWeb, txtNotes);
    setTabOrder(txtNotes, chkProtect);
    setTabOrder(chkProtect, cmdOK);
    setTabOrder(cmdOK, cmdCancel);
    setTabOrder(cmdCancel, cmdHelp);

    connect(txtAccountName, &QLineEdit::textChanged, this, guarded([this] { OKEnable(); }));
    connect(txtEmail, &QLineEdit::textChanged, this, guarded([this] { txtEmailChange(); }));
    connect(txtWeb, &QLineEdit::textChanged, this, guarded([this] { txtWebChange(); }));
    connect(cmdOK, &QPushButton::clicked, this, guarded([this] { cmdOKClick(); }));
    connect(cmdCancel, &QPushButton::clicked, this, guarded([this] { cmdCancelClick(); }));
    connect(cmdPassword, &QPushButton::clicked, this, guarded([this] { cmdPasswordClick(); }));
    connect(cmdEmail, &QPushButton::clicked, this, guarded([this] { cmdEmailClick(); }));
    connect(cmdWeb, &QPushButton::clicked, this, guarded([this] { cmdWebClick(); }));
    connect(cmdHelp, &QPushButton::clicked, this, guarded([this] { ShowHelp(HelpContext); }));
    connect(cmdShowPassword, &QPushButton::clicked, this, guarded([this] { SetPasswordMasked(!PasswordMasked()); }));
    // The gauge follows the password and the words that count against it.
    for (QLineEdit* edit : {txtPassword, txtAccountName, txtLogin, txtEmail, txtWeb})
        connect(edit, &QLineEdit::textChanged, this, guarded([this] { UpdateStrength(); }));

    // FormCreate: the mask follows the preference; the buttons start as their fields are.
    SetPasswordMasked(!(Options && Options->DisplayPassword));
    OKEnable();
    txtEmailChange();
    txtWebChange();
    UpdateStrength();
    PreviewKeys();
}

void TAccountEdit::SetupCreate(const TKYVNFile* file, const TKYVNAccount* source) {
    IsNew = true;
    File = file;
    setWindowTitle(QStringLiteral("Create New Account..."));
    txtAccountName->setEnabled(true);
    txtAccountName->clear();
    if (source) {
        SetWholeText(txtLogin, source->Login);
        SetWholeText(txtPassword, source->Password);
        SetWholeText(txtEmail, source->Email);
        SetWholeText(txtWeb, source->Web);
        txtNotes->SetText(source->Notes);
        chkProtect->setChecked(source->Protected);
    }
    OKEnable();
    txtAccountName->setFocus();
}

void TAccountEdit::SetupEdit(const TKYVNAccount& account) {
    IsNew = false;
    setWindowTitle(QStringLiteral("Edit Account '%1'...").arg(account.AccountName));
    // The name cannot change here: it is shown exactly as stored, unfiltered.
    txtAccountName->setValidator(nullptr);
    SetWholeText(txtAccountName, account.AccountName);
    txtAccountName->setEnabled(false);
    SetWholeText(txtLogin, account.Login);
    SetWholeText(txtPassword, account.Password);
    SetWholeText(txtEmail, account.Email);
    SetWholeText(txtWeb, account.Web);
    txtNotes->SetText(account.Notes);
    chkProtect->setChecked(account.Protected);
    OKEnable();
    txtLogin->setFocus();
}

void TAccountEdit::WriteTo(TKYVNAccount& account) const {
    // The name is the account's key in the file; when editing it stays exactly as it was.
    if (IsNew)
        account.AccountName = TrimField(txtAccountName->text());
    account.Login = TrimField(txtLogin->text());
    account.Password = TrimField(txtPassword->text());
    account.Email = TrimField(txtEmail->text());
    account.Web = TrimField(txtWeb->text());
    // Notes set from elsewhere may hold what the notes cannot keep; it never reaches the account.
    account.Notes = TrimField(WithoutRefused(kfNotes, txtNotes->Text()));
    account.Protected = chkProtect->isChecked();
    const QDate today = QDate::currentDate();
    if (IsNew)
        account.Created = today;
    account.Modified = today;
}

bool TAccountEdit::PasswordMasked() const {
    return txtPassword->echoMode() == QLineEdit::Password;
}

void TAccountEdit::SetPasswordMasked(bool masked) {
    txtPassword->setEchoMode(masked ? QLineEdit::Password : QLineEdit::Normal);
    // The mask is an asterisk on every style.
    txtPassword->setStyleSheet(masked ? QStringLiteral("QLineEdit { lineedit-password-character: 42; }") : QString());
    cmdShowPassword->setChecked(!masked);
    cmdShowPassword->setText(masked ? QStringLiteral("&Show") : QStringLiteral("H&ide"));
    cmdShowPassword->setAccessibleName(masked ? QStringLiteral("Show password") : QStringLiteral("Hide password"));
}

void TAccountEdit::UpdateStrength() {
    gaugePassword->Measure(txtPassword->text(), StrengthUserWords(txtAccountName->text(), txtLogin->text(),
                                                                  txtEmail->text(), txtWeb->text()));
}

void TAccountEdit::OKEnable() {
    // An edit keeps the name it has, even an empty one, so it can always be accepted.
    cmdOK->setEnabled(!IsNew || !txtAccountName->text().isEmpty());
}

void TAccountEdit::cmdOKClick() {
    if (IsNew) {
        const QString name = txtAccountName->text();
        if (AccountNameInUse(File, TrimField(name)))
            throw NameInUseError(name);
    }
    Accepted = true;
    accept();
}

void TAccountEdit::cmdCancelClick() {
    reject();
}

void TAccountEdit::cmdPasswordClick() {
    if (!txtPassword->text().isEmpty() &&
        QsAppMessage(QStringLiteral("There is already a password assigned to this account. Do you want to generate "
                                    "a new one?"),
                     3, 1, 2) != QsAnswerYes)
        return;
    const QString generated = GeneratePassword(Options ? Options->PasswordLength : TKYVNOptions().PasswordLength);
    // Whatever the typing limit, the generated text replaces the whole field.
    SetWholeText(txtPassword, generated);
}

void TAccountEdit::cmdEmailClick() {
    if (!txtEmail->text().isEmpty())
        OpenMailAddress(txtEmail->text());
}

void TAccountEdit::cmdWebClick() {
    if (!txtWeb->text().isEmpty())
        OpenWebAddress(txtWeb->text());
}

void TAccountEdit::txtEmailChange() {
    cmdEmail->setEnabled(!txtEmail->text().isEmpty());
}

void TAccountEdit::txtWebChange() {
    cmdWeb->setEnabled(!txtWeb->text().isEmpty());
}

bool TAccountEdit::FormKeyDown(QKeyEvent* event) {
    // Ctrl+Enter belongs to the mask toggle: it neither presses OK nor breaks a line in the notes.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && (event->modifiers() & Qt::ControlModifier))
        return true;
    return TKeyPreviewDialog::FormKeyDown(event);
}

bool TAccountEdit::FormKeyUp(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        (event->modifiers() & Qt::ControlModifier)) {
        if (!event->isAutoRepeat())
            SetPasswordMasked(!PasswordMasked());
        return true;
    }
    return TKeyPreviewDialog::FormKeyUp(event);
}

namespace {

// Runs the dialog through the answer seam; true when OK was accepted.
bool runAccountDialog(TAccountEdit& dialog) {
    QsAnswers::Record(QStringLiteral("TAccountEdit"), dialog.windowTitle());
    if (auto answer = QsAnswers::Take(QStringLiteral("TAccountEdit"), &dialog); answer && answer->isValid()) {
        if (answer->toBool() && !dialog.Accepted)
            dialog.cmdOKClick();
        return dialog.Accepted;
    }
    dialog.exec();
    return dialog.Accepted;
}

} // namespace

bool CreateAccount(const TKYVNFile& file, TKYVNAccount& account, const TKYVNAccount* source) {
    TAccountEdit dialog(QApplication::activeWindow());
    dialog.SetupCreate(&file, source);
    if (!runAccountDialog(dialog))
        return false;
    dialog.WriteTo(account);
    return true;
}

bool EditAccount(TKYVNAccount& account) {
    TAccountEdit dialog(QApplication::activeWindow());
    dialog.SetupEdit(account);
    if (!runAccountDialog(dialog))
        return false;
    dialog.WriteTo(account);
    return true;
}
