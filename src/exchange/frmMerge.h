// The merge wizard: brings the accounts of a second passwords file into the open one. It lists the
// names both files hold, for the user to pick the ones whose account the second file's replaces, and
// imports: picked names take every field of the second file's account, names only in the second file
// are appended in its order, everything else stays. A failed import is undone whole.
#pragma once

#include "MergeAccounts.h"
#include "WizardFrame.h"

#include <QAbstractTableModel>

#include <memory>
#include <vector>

class QAction;
class QGroupBox;
class QLabel;
class QMenu;
class QProgressBar;
class QTreeView;

// The rows of the repeated names, each with its check box.
class TNameCheckModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    void SetNames(QStringList names); // all unchecked
    void CheckAll();
    QStringList CheckedNames() const;
    const QStringList& Names() const { return names_; }
    bool IsChecked(int row) const { return checked_.at(size_t(row)); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QStringList names_;
    std::vector<bool> checked_;
};

class TMergeWzd : public TWizardFrame {
    Q_OBJECT
public:
    enum { StepWelcome, StepAnalysis, StepInconsistencies, StepMerge, StepFinished };

    explicit TMergeWzd(QWidget* parent = nullptr);
    ~TMergeWzd() override;

    TKYVNFile* OpenFile = nullptr;  // the file the accounts go into
    TKYVNFile* MergeFile = nullptr; // the second file; read, and its moved records taken out at the end
    bool Imported = false;

    QWidget* pStepWelcome;
    QLabel* lblTitle;
    QLabel* lblWelcomeDescription;
    QLabel* lblWelcomeNext;
    QWidget* pStep01;
    QLabel* lblStep01Description;
    QGroupBox* gbAnalysis;
    QLabel* lblAnOperation;
    QProgressBar* pbAnProgress;
    QWidget* pStep02;
    QLabel* lblStep02Description;
    QTreeView* lvAccounts;
    TNameCheckModel* lvModel;
    QMenu* popItems;
    QAction* popItemsSelectAll;
    QWidget* pStep03;
    QLabel* lblStep05Description;
    QGroupBox* gbProgress;
    QLabel* lblOperation;
    QProgressBar* pbOperation;

    // Both raise "Error analysing files." (kind 1) with the reason as details; a failed import leaves
    // the open file as it was before it.
    void AnalyseFiles();
    void ImportAccounts();
    void popItemsSelectAllClick();
    // What the finished import did, for the caller to keep or undo; null before it finished.
    std::unique_ptr<TMergeImport> TakeImport();

protected:
    void StepAction(int step) override;
    void EnterStep(int step) override;
    int NextOf(int step) const override;
    int PreviousOf(int step) const override;

private:
    std::unique_ptr<TMergeImport> import_;
};

// Shows the wizard for merging second into open (through QsAnswers "TMergeWzd": a handler gets the
// wizard before it is shown and drives it; an invalid answer lets it run). Returns the finished import,
// already handed over to the open file (second may be discarded), or null when nothing was imported.
// The caller keeps it to undo the import should the write-back fail.
std::unique_ptr<TMergeImport> ShowMergeWizard(TKYVNFile& open, TKYVNFile& second);
