// The preferences dialog: three pages over the preferences; Apply and OK write them into Options, write or
// remove the autostart entry and let the main window take them up.
#pragma once

#include "QsDialogBase.h"

#include <QAbstractSpinBox>
#include <QLineEdit>
#include <functional>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QTabWidget;

// A number field that may be empty: digits only, the arrows and the up and down keys step within the
// range, leaving it sets a value outside the range to the nearest bound, and Enter goes to the dialog.
class TSpinField : public QAbstractSpinBox {
    Q_OBJECT
public:
    TSpinField(QWidget* parent, const char* name, int minimum, int maximum, int digits);
    int Minimum() const { return min_; }
    int Maximum() const { return max_; }
    // Shows value, as the nearest bound when it is outside the range.
    void SetValue(int value);
    bool IsEmpty() const;
    int Value() const; // the text as a number; 0 when empty
    void Clamp();
    QLineEdit* Edit() const { return lineEdit(); }

    QValidator::State validate(QString& input, int& pos) const override;
    void fixup(QString& input) const override;
    void stepBy(int steps) override;

protected:
    StepEnabled stepEnabled() const override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    int min_;
    int max_;
    int digits_;
};

class TOptionsDlg : public TKeyPreviewDialog {
    Q_OBJECT
public:
    explicit TOptionsDlg(QWidget* parent = nullptr);

    QTabWidget* pcOptions;
    // General
    QGroupBox* gbGeneral;
    QCheckBox* chkCloseMinimizes;
    QCheckBox* chkSaveWindow;
    QCheckBox* chkSaveList;
    QGroupBox* gbStartup;
    QCheckBox* chkAutoStartup;
    QCheckBox* chkTrayIcon;
    QCheckBox* chkMinimizeAtStartup;
    QCheckBox* chkAutoOpen;
    QGroupBox* gbPrint;
    QRadioButton* radSimple;
    QRadioButton* radComplete;
    // Security
    QGroupBox* gbSecurity;
    QCheckBox* chkMinimizeAfter;
    TSpinField* txtMinimizeAfter;
    QCheckBox* chkClearClipboard;
    TSpinField* txtClearClipboard;
    QCheckBox* chkTrayPassword;
    QCheckBox* chkMinimizeOnLock;
    QCheckBox* chkPrintPassword;
    QCheckBox* chkExportPassword;
    QCheckBox* chkDisplayPassword;
    QGroupBox* gbPasswords;
    TSpinField* txtPasswordLength;
    TSpinField* txtOldPasswordDays;
    QGroupBox* gbFiles;
    QCheckBox* chkBackupFiles;
    // Accounts List
    QGroupBox* gbListFont;
    QComboBox* cbFontName;
    QGroupBox* gbListColors;
    QRadioButton* rdColorDefaultWindows;
    QRadioButton* rdColorUseColors;
    QLabel* lblTextColor;
    QComboBox* cbTextColor;
    QLabel* lblBackColor;
    QComboBox* cbBackColor;

    QPushButton* cmdOK;
    QPushButton* cmdCancel;
    QPushButton* cmdApply;

    // Takes up the preferences applied (the main window's ApplyPreferences).
    std::function<void()> OnApply;

    // Sets every control from Options and starts on the first page.
    void LoadOptions();
    // The checks of Apply and OK; raises EQsException (kind 1) at the first failure.
    void Validate() const;
    void cmdApplyClick();
    void cmdOKClick();
    void cmdCancelClick();
    void EnableControls();

    // The installed scalable font families that cover Latin, symbol fonts left out.
    static QStringList ListFontFamilies();

private:
    void selectFont(const QString& family);
    static void selectColor(QComboBox* box, qint32 value);
    static qint32 chosenColor(const QComboBox* box, qint32 fallback);
};

// Opens the preferences dialog over the current preferences; applyPreferences runs after every Apply and OK.
// Goes through QsAnswers ("TOptionsDlg"): a handler gets the loaded dialog; a true answer presses OK (a
// refusal is raised to the caller), a false one cancels, an invalid one shows the dialog.
void EditPreferences(const std::function<void()>& applyPreferences);
