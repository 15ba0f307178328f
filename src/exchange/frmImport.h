// The import wizard: brings the accounts of a CSV export of a browser or another password manager into
// the open file. It reads the file, recognises its source by the header (or lets the user map the
// columns), previews the accounts as they will be stored with every changed value marked, asks what to
// do with each repeated name, and imports in one step that the caller can undo.
#pragma once

#include "CsvImport.h"
#include "WizardFrame.h"

#include <QAbstractTableModel>

#include <memory>
#include <vector>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QTableWidget;
class QTableView;
class QToolButton;

// The accounts as they will be stored; changed values marked (background, tooltip with the reason).
class TImportPreviewModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;
    void SetRows(const std::vector<TImportRow>* rows);
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    const std::vector<TImportRow>* rows_ = nullptr;
};

class TImportWzd : public TWizardFrame {
    Q_OBJECT
public:
    enum { StepWelcome, StepSource, StepColumns, StepPreview, StepRepeated, StepImport, StepFinished };

    explicit TImportWzd(QWidget* parent = nullptr);
    ~TImportWzd() override;

    TKYVNFile* OpenFile = nullptr;
    bool Imported = false;

    QWidget* pStepWelcome;
    QLabel* lblTitle;
    QLabel* lblWelcomeDescription;
    QLabel* lblWelcomeNext;
    QWidget* pStepSource;
    QLineEdit* txtSource;
    QToolButton* cmdBrowse;
    QWidget* pStepColumns;
    QLabel* lblDetected;
    QComboBox* cboSource;
    QTableWidget* tblColumns;
    QWidget* pStepPreview;
    QLabel* lblPreview;
    QTableView* tvPreview;
    TImportPreviewModel* previewModel;
    QWidget* pStepRepeated;
    QTableWidget* tblRepeated;
    QWidget* pStepImport;
    QGroupBox* gbProgress;
    QLabel* lblOperation;
    QProgressBar* pbOperation;

    // The steps' actions; each raises EQsException and leaves the wizard on its step.
    void ReadSource();
    void MapRows();
    void ImportAccounts();
    void cmdBrowseClick();

    // The mapping the column page shows.
    TImportMapping Mapping() const;
    const TCsvTable& Table() const { return table_; }
    const QList<TRepeatedName>& Repeated() const { return repeated_; }
    // The source chosen on the column page, or null for a mapping by hand.
    const TImportSource* Source() const;
    QString SourcePath() const { return sourcePath_; }
    QString Summary() const { return summary_; }
    // What the finished import did, for the caller to keep or undo; null before it finished.
    std::unique_ptr<TCsvImport> TakeImport();

protected:
    void StepAction(int step) override;
    void EnterStep(int step) override;
    int NextOf(int step) const override;
    int PreviousOf(int step) const override;

private:
    void fillColumns(const TImportMapping& mapping);
    void sourceChosen();

    TCsvTable table_;
    QString sourcePath_;
    std::vector<TImportRow> rows_;
    QList<TRepeatedName> repeated_;
    std::unique_ptr<TCsvImport> import_;
    QString summary_;
};

// Shows the wizard for importing into open (through QsAnswers "TImportWzd": a handler gets the wizard
// before it is shown and drives it; an invalid answer lets it run). Returns the finished import, handed
// over to the open file, or null when nothing was imported; csvPath and summary tell what was read and
// done. The caller keeps it to undo the import should the write-back fail.
std::unique_ptr<TCsvImport> ShowImportWizard(TKYVNFile& open, QString* csvPath = nullptr, QString* summary = nullptr);
