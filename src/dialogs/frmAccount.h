// The account editor with its password generator, and the inputs the account dialogs share: the filter
// that keeps out what a field cannot hold (the rules themselves live in the store's AccountRules).
#pragma once

#include "AccountRules.h"
#include "QsDialogBase.h"

#include <QDialog>
#include <QPlainTextEdit>
#include <QString>
#include <QValidator>

class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class TKYVNAccount;
class TKYVNFile;
class TStrengthGauge;

// For the single-line fields: drops line breaks and NUL from any change (typed, pasted or dropped) and
// keeps the cursor where it was. The apostrophe and the number sign are ordinary characters here.
class TLineFieldValidator : public QValidator {
    Q_OBJECT
public:
    using QValidator::QValidator;
    State validate(QString& input, int& pos) const override;
};

// Puts text into a line edit whole: the length limit is for typing, and a longer stored value (an
// imported one, a generated password) must not be cut when the dialog is accepted.
void SetWholeText(QLineEdit* edit, const QString& text);

// A multi-line edit with a length limit that drops what the notes cannot hold (' # and NUL) from what
// is typed or pasted.
class TNotesEdit : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit TNotesEdit(QWidget* parent = nullptr);
    int MaxLength = FieldTypingLimit(kfNotes);
    // The text with CR LF line breaks, as accounts hold it; SetText takes any line breaks.
    QString Text() const;
    void SetText(const QString& text);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void insertFromMimeData(const QMimeData* source) override;

private:
    void insertLimited(const QString& text);
};

class TAccountEdit : public TKeyPreviewDialog {
    Q_OBJECT
public:
    explicit TAccountEdit(QWidget* parent = nullptr);

    QLabel* lblAccountName;
    QLineEdit* txtAccountName;
    QLabel* lblLogin;
    QLineEdit* txtLogin;
    QLabel* lblPassword;
    QLineEdit* txtPassword;
    QPushButton* cmdPassword;
    QPushButton* cmdShowPassword;  // shows or masks the password, as Ctrl+Enter does
    TStrengthGauge* gaugePassword; // the password's strength, the account's words counting against it
    QLabel* lblEmail;
    QLineEdit* txtEmail;
    QPushButton* cmdEmail;
    QLabel* lblWeb;
    QLineEdit* txtWeb;
    QPushButton* cmdWeb;
    QLabel* lblNotes;
    TNotesEdit* txtNotes;
    QCheckBox* chkProtect;
    QPushButton* cmdOK;
    QPushButton* cmdCancel;
    QPushButton* cmdHelp;

    bool IsNew = true;
    bool Accepted = false;
    const TKYVNFile* File = nullptr; // the file whose names a new account must not repeat

    // Fills the dialog: for a new account of file from source (may be null; its name is never taken),
    // for an edit from the account itself, whose name then cannot change here.
    void SetupCreate(const TKYVNFile* file, const TKYVNAccount* source);
    void SetupEdit(const TKYVNAccount& account);
    // Writes the dialog into the account: trimmed texts, the notes without what they cannot hold, the
    // flag and today's date. Nothing else is removed from the single-line fields.
    void WriteTo(TKYVNAccount& account) const;

    bool PasswordMasked() const;
    void SetPasswordMasked(bool masked);

    void OKEnable();
    // Raises EQsException (kind 2) for a new account whose name is in use; otherwise accepts and closes.
    void cmdOKClick();
    void cmdCancelClick();
    void cmdPasswordClick();
    void cmdEmailClick();
    void cmdWebClick();
    void txtEmailChange();
    void txtWebChange();
    void UpdateStrength();

protected:
    bool FormKeyDown(QKeyEvent* event) override;
    bool FormKeyUp(QKeyEvent* event) override;
};

// Through QsAnswers ("TAccountEdit"): a handler gets the set-up dialog and may fill it; a true answer
// presses OK (a refusal is raised to the caller), false cancels, an invalid answer shows the dialog.
// file: the open file, whose names the new one must not repeat; account: the new, empty record to
// fill; source: the account to duplicate, or null.
bool CreateAccount(const TKYVNFile& file, TKYVNAccount& account, const TKYVNAccount* source = nullptr);
bool EditAccount(TKYVNAccount& account);
