// The rename dialog: the account name is the key by which the file finds an account, so it changes
// only here, and never to a name that any account (this one included) already has.
#pragma once

#include "frmAccount.h"

#include <QString>

class QLabel;
class QLineEdit;
class QPushButton;

class TAccountRename : public TKeyPreviewDialog {
    Q_OBJECT
public:
    explicit TAccountRename(QWidget* parent = nullptr);

    QLabel* lblAccountName;
    QLineEdit* txtOldName;
    QLabel* lblLogin;
    QLineEdit* txtNewName;
    QPushButton* cmdOK;
    QPushButton* cmdCancel;
    QPushButton* cmdHelp;

    bool Accepted = false;
    const TKYVNFile* File = nullptr; // the file whose names the new one must not repeat

    // Fills the dialog for the account of file named oldName.
    void Setup(const TKYVNFile* file, const QString& oldName);
    // The name the dialog gives back: the new name as typed (its input holds no line break), not trimmed.
    QString NewName() const;

    void OKEnable();
    // Raises EQsException (kind 2) when the new name is in use; otherwise accepts and closes.
    void cmdOKClick();
    void cmdCancelClick();

protected:
    void showEvent(QShowEvent* event) override;
};

// Asks for a new name for the account of file named oldName. True and newName set when the user accepted.
// Goes through QsAnswers ("TAccountRename"): a handler gets the set-up dialog; a true answer presses OK
// (whose refusal is raised to the caller), a false one cancels, an invalid one shows the dialog.
bool RenameAccount(const TKYVNFile& file, const QString& oldName, QString& newName);
