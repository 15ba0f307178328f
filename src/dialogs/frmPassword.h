// The password dialog: sets a new file password, changes it, or asks for it.
//
// Every showing goes through QsAnswers ("TPassEdit"); the recorded text is the window title. The answer:
//   a QString: typed into every visible password edit, then OK pressed once (a scripted password is
//   taken as meant: the question about a weak new password is not asked);
//   a QStringList: typed into the visible edits in order (current, password, verify), then OK once;
//   a handler: receives the set-up TPassEdit and may drive its widgets; an invalid QVariant lets the
//   real dialog run (after queuing key presses, for instance); any other value is taken as is.
// The result is whether OK passed validation. A refused entry raises EQsException through QsGuard, so
// tests answering with a wrong password also answer the error box ("QsMessageDetails") when the
// program's handler is installed; the third wrong password asks "QsMessage".
#pragma once

#include "QsMsgFrm.h"

#include <functional>

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class TStrengthGauge;

class TPassEdit : public TQsKeyUpDialog {
    Q_OBJECT
public:
    enum { ModeNew = 0, ModeCheck = 1, ModeChange = 2 };
    static constexpr int MaxPasswordLength = 25;
    static constexpr int MinPasswordLength = 4;
    static constexpr int MaxAttempts = 3;

    explicit TPassEdit(QWidget* parent = nullptr);
    // Overwrites what was typed in the edits' own buffers.
    ~TPassEdit() override;
    // Shows the rows, labels and description of the mode; the caption is the caller's.
    void SetMode(int mode);

    QLabel* imgPassword;
    QLabel* lblOld;
    QLineEdit* txtOld;
    QLabel* lblPassword;
    QLineEdit* txtPassword;
    QLabel* lblVerify;
    QLineEdit* txtVerify;
    TStrengthGauge* gaugePassword; // the new password's strength (new and change modes)
    QPushButton* cmdOK;
    QPushButton* cmdCancel;
    QFrame* bLine01;
    QLabel* imgInfo;
    QLabel* lblDescription;

    int Attempts = 0;
    // Whether a typed password is the file's: the store's check, or for a protected file being opened
    // the opening itself (a key derivation; the dialog shows a busy cursor meanwhile).
    std::function<bool(const QString&)> Check;
    int Mode = ModeNew;
    bool Accepted = false;
    // A protected file's password: 4 to 128 characters, the apostrophe and the number sign allowed.
    // Otherwise the older form's 4 to 25, without them.
    bool ProtectedFile = false;
    // What a refused try says; the last try adds "File access denied.".
    QString WrongText = QStringLiteral("Wrong password.");

    // Sets the limits of the edits for a file of the protected form or of the older one.
    void SetProtectedFile(bool on);
    // OK on a Poor or Weak new password asks whether to use it anyway.
    bool ConfirmWeak = true;
    QStringList StrengthWords; // words that count against the new password (the file's name)

    void txtChange();
    void cmdOKClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Refuses a new password that is too short or not verified; false when the user, asked about a weak
    // one, chose not to use it.
    bool checkNewPassword() const;
};

// The dialog while one of the operations below shows it; null otherwise.
extern TPassEdit* PassEdit;

// Each returns true when the entry was accepted, false when cancelled, closed or refused. The check is
// the store's (TKYVNFile::CheckPassword); protectedFile sets the limits of the password typed.
using TPasswordCheck = std::function<bool(const QString&)>;
bool NewFilePassword(const QString& FileName, QString& NewPassword, bool protectedFile = true);
bool ChangeFilePassword(const TPasswordCheck& check, const QString& FileName, QString& NewPassword, bool protectedFile);
bool AskFilePassword(const TPasswordCheck& check, const QString& FileName, bool protectedFile);
bool AskUnprotectPassword(const TPasswordCheck& check, bool protectedFile);
// Opening a protected file: each try is the opening itself; a failed one says that the password is
// wrong or the file was changed or damaged, three as with any file.
bool OpenFilePassword(const TPasswordCheck& open, const QString& FileName);

// The same for a password held as text, matched as the older form's check matches (the letters a to z
// folded).
bool ChangeFilePassword(const QString& CurrentPassword, const QString& FileName, QString& NewPassword);
bool AskFilePassword(const QString& Password, const QString& FileName);
bool AskUnprotectPassword(const QString& Password);
