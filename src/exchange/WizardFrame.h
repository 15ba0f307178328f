// The frame both wizards share: the white header band (step name, description, picture) above a
// separator, the page panels in one place with one shown at a time, and the bottom band with
// "< &Back", "&Next >" and "&Cancel" ("&Finish" on the last page). Esc closes and F1 opens the help,
// as in every dialog. A wizard supplies its pages and their step table, the actions of its steps and
// the way between them; the frame runs the steps and keeps the buttons in the states of the table,
// recomputed on every change that affects them.
#pragma once

#include "QsDialogBase.h"

#include <QPixmap>
#include <QString>

#include <functional>
#include <vector>

class QFrame;
class QGroupBox;
class QLabel;
class QVBoxLayout;
class QProgressBar;
class QPushButton;

// The wizards' pictures, drawn by the program so they look the same on every desktop.
enum class TWizardPicture { Export, Merge };
QPixmap WizardSidePicture(TWizardPicture kind, QSize size);
QPixmap WizardTopPicture(TWizardPicture kind, int size);

class TWizardFrame : public TKeyPreviewDialog {
    Q_OBJECT
public:
    // What a button does on a step. Unchanged leaves it as the last step left it; NotBusy is enabled
    // while no action runs; When asks the step's predicate (for Next only).
    enum class TButtonRule { Unchanged, Enabled, Disabled, NotBusy, Hidden, When };
    struct TStepDef {
        QWidget* Page;
        QString Name; // empty: the header band is hidden on this step
        QString Description;
        TButtonRule Back;
        TButtonRule Next;
        TButtonRule Cancel;
        std::function<bool()> NextWhen;
    };

    QWidget* pTop;
    QLabel* lblStepName;
    QLabel* lblStepDescription;
    QLabel* imgTop;
    QFrame* bTop;
    QWidget* pPages;
    QFrame* bBottom;
    QWidget* pBottom;
    QPushButton* cmdBack;
    QPushButton* cmdNext;
    QPushButton* cmdCancel;

    int Step = 0;
    bool Busy = false;

    // Long work lets the window paint at most once per interval (milliseconds, by Clock), so that
    // labels and the progress bar move without a trip through the event loop for every account.
    int PaintInterval = 40;
    std::function<qint64()> Clock;
    // Called whenever the progress is painted, with the label and the bar's value (tests watch the
    // progress here, and may raise to make the running action fail).
    std::function<void(const QString& text, int value)> OnProgressPainted;

    int StepCount() const { return int(steps_.size()); }
    const TStepDef& StepDef(int step) const { return steps_.at(size_t(step)); }

    void ShowStep();
    void NextStep();
    void PreviousStep();
    // Sets the three buttons from the step table.
    void ControlButtons();

    void cmdNextClick();
    void cmdBackClick();
    void cmdCancelClick();
    void FormActivate();

    void done(int result) override;

    // The last page (made by AddFinishedPage).
    QWidget* pStepFinished = nullptr;
    QLabel* lblFinish = nullptr;
    QLabel* lblFinishDescription = nullptr;
    QLabel* lblFinishClose = nullptr;

protected:
    TWizardFrame(QWidget* parent, const QString& caption, int helpContext, TWizardPicture picture);

    void SetSteps(std::vector<TStepDef> steps);
    // A page of the step table: the frame's pages sit in one place.
    QWidget* AddPage(const char* name);
    // The white first and last pages: the picture down the left side, a large title and the texts.
    QWidget* AddWhitePage(const char* name, const char* pictureName, QLabel*& title, const QString& titleText,
                          QLabel*& description, const QString& descriptionText, QLabel*& closing,
                          const QString& closingText);
    // The last page, alike in every wizard but for the wizard's name ("Export", "Merge").
    void AddFinishedPage(const QString& wizardName);
    // The vertical layout of an inner page, with the margins every wizard page uses.
    static QVBoxLayout* PageLayout(QWidget* page);
    // A page's word-wrapped description label.
    QLabel* AddDescription(QWidget* page, const char* name, const QString& text);
    // The group " ... progress " with its label and bar, hidden until the work starts.
    QGroupBox* AddProgressBox(QWidget* page, const char* name, const QString& title, const char* labelName,
                              QLabel*& label, const char* barName, QProgressBar*& bar);

    // What the step does when Next leaves it; may raise, and the wizard then stays on the step.
    virtual void StepAction(int step) { Q_UNUSED(step); }
    // The resets and the focus of a page being entered (after it is shown).
    virtual void EnterStep(int step) { Q_UNUSED(step); }
    virtual int NextOf(int step) const { return step + 1; }
    virtual int PreviousOf(int step) const { return step - 1; }

    void SetBusy(bool busy);
    // The progress of a running action: the box shown with "Preparing...", the bar counting to maximum.
    void BeginProgress(QGroupBox* box, QLabel* label, QProgressBar* bar, int maximum);
    // The position reached and the text of the item under way, painted when the interval has passed
    // (the text is only made then).
    void ProgressAt(int value, const std::function<QString()>& text);
    // A text painted at once ("Saving...").
    void ProgressText(const QString& text);

    void showEvent(QShowEvent* event) override;

private:
    void applyRule(QPushButton* button, TButtonRule rule, const TStepDef& def);
    void paintProgress();
    qint64 now() const;

    std::vector<TStepDef> steps_;
    TWizardPicture picture_;
    QLabel* progressLabel_ = nullptr;
    QProgressBar* progressBar_ = nullptr;
    qint64 lastPaint_ = 0;
};
