// The find dialog: a modeless window, made once at start-up and only hidden and shown afterwards, so
// its history and its text last the whole run. The search itself walks the main window's list; the
// dialog hands its text to OnSearch.
#pragma once

#include "QsDialogBase.h"

#include <QString>
#include <QStringList>
#include <functional>

class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

// The search state of the whole run: the text of the last search (empty at start) and the scope
// (false: the list's fields only, the start value; true: every field of the account).
extern QString LastFindText;
extern bool FindAllFields;
// Back to the start values.
void ResetFindState();

class TFindDlg : public TKeyPreviewDialog {
    Q_OBJECT
public:
    explicit TFindDlg(QWidget* parent = nullptr);
    ~TFindDlg() override;

    QLabel* lblText;
    QComboBox* cbText;
    QGroupBox* gbOptions;
    QRadioButton* radList;
    QRadioButton* radAll;
    QPushButton* cmdFind;
    QPushButton* cmdCancel;

    // Runs the search for a text; true when a row was found and selected.
    std::function<bool(const QString& text)> OnSearch;

    // The texts searched before, in the list's (sorted) order.
    QStringList History() const;
    // Adds text unless an entry differs from it at most in letter case; the list stays sorted.
    void AddToHistory(const QString& text);
    // True while the form storage ("Storage\Find") is in use: the preference SaveWindow was on when
    // the dialog was made.
    bool StorageActive() const { return storageActive_; }

    void cbTextChange();
    void cmdFindClick();
    void cmdCancelClick();
    void radListClick();
    void radAllClick();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void FormShow();
    void ReadStorage();
    void WriteStorage();
    bool storageActive_ = false;
};

// The one find dialog of the run; null before start-up made it and after it was destroyed.
extern TFindDlg* FindDlg;
