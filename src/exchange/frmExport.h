// The export wizard: writes every account of a passwords file, in file order, to a comma-separated text
// file or to a word-processor document (.docx), with the fields the user picks. Exporting the passwords
// asks for an explicit confirmation. The passwords file itself is only read.
#pragma once

#include "WizardFrame.h"

#include <QStringList>

class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QToolButton;
class TKYVNFile;

class TExportWzd : public TWizardFrame {
    Q_OBJECT
public:
    enum { StepWelcome, StepType, StepFile, StepFields, StepConfirm, StepExport, StepFinished };

    explicit TExportWzd(QWidget* parent = nullptr);

    const TKYVNFile* File = nullptr; // the file whose accounts go out

    QWidget* pStepWelcome;
    QLabel* lblTitle;
    QLabel* lblWelcomeDescription;
    QLabel* lblWelcomeNext;
    QWidget* pStep01;
    QLabel* lblStep01Description;
    QRadioButton* radTextFile;
    QRadioButton* radMSWord;
    QWidget* pStep02;
    QLabel* lblStep02Description;
    QLineEdit* txtDestination;
    QToolButton* cmdBrowse;
    QWidget* pStep03;
    QLabel* lblStep03Description;
    QListWidget* clbFields;
    QWidget* pStep04;
    QLabel* lblStep04Description;
    QLabel* imgQuestion;
    QLabel* lblQuestion;
    QRadioButton* radYes;
    QRadioButton* radNo;
    QWidget* pStep05;
    QLabel* lblStep05Description;
    QGroupBox* gbProgress;
    QLabel* lblOperation;
    QProgressBar* pbOperation;

    // The captions of the checked fields, in the list's order.
    QStringList CheckedFields() const;
    bool PasswordChecked() const;
    // The DOCX writer is part of the program, so the document is always possible.
    bool WordAvailable() const { return true; }

    // Raises "Invalid file name." (kind 2) when no export could be written under the destination.
    void CheckDestination();
    // Raise "Error exporting to text file." / "Error exporting to document file." (kind 1) with the
    // reason as details.
    void ExportToText();
    void ExportToDocument();
    // The save dialog of the destination (through QsAnswers "SaveFile").
    void cmdBrowseClick();

protected:
    void StepAction(int step) override;
    void EnterStep(int step) override;
    int NextOf(int step) const override;
    int PreviousOf(int step) const override;

private:
    void exportWith(const QString& failure,
                    QByteArray (*writer)(const TKYVNFile&, const QStringList&, const std::function<void(int)>&));
};

// Shows the wizard for the accounts of file (through QsAnswers "TExportWzd": a handler gets the wizard
// before it is shown and drives it; an invalid answer lets it run).
void ShowExportWizard(const TKYVNFile& file);
