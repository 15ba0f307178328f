#include "frmMerge.h"

#include "QsAnswers.h"
#include "QsExceptions.h"

#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

namespace {
constexpr int HelpMerge = 520;

EQsException analysisFailure(const std::exception& e) {
    return EQsException(QStringLiteral("Error analysing files."), QsExceptionMessage(e), 1);
}
} // namespace

// ---- the list of repeated names --------------------------------------------------------------------

void TNameCheckModel::SetNames(QStringList names) {
    beginResetModel();
    names_ = std::move(names);
    checked_.assign(size_t(names_.size()), false);
    endResetModel();
}

void TNameCheckModel::CheckAll() {
    std::fill(checked_.begin(), checked_.end(), true);
    if (!names_.isEmpty())
        emit dataChanged(index(0, 0), index(int(names_.size()) - 1, 0), {Qt::CheckStateRole});
}

QStringList TNameCheckModel::CheckedNames() const {
    QStringList names;
    for (qsizetype i = 0; i < names_.size(); ++i)
        if (checked_[size_t(i)])
            names.append(names_[i]);
    return names;
}

int TNameCheckModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(names_.size());
}

int TNameCheckModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 1;
}

QVariant TNameCheckModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= names_.size())
        return {};
    if (role == Qt::DisplayRole)
        return names_[index.row()];
    if (role == Qt::CheckStateRole)
        return checked_[size_t(index.row())] ? Qt::Checked : Qt::Unchecked;
    return {};
}

bool TNameCheckModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || role != Qt::CheckStateRole || index.row() >= names_.size())
        return false;
    checked_[size_t(index.row())] = value.toInt() == Qt::Checked;
    emit dataChanged(index, index, {Qt::CheckStateRole});
    return true;
}

Qt::ItemFlags TNameCheckModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable | Qt::ItemNeverHasChildren;
}

QVariant TNameCheckModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && section == 0 && role == Qt::DisplayRole)
        return QStringLiteral("Account Name");
    return {};
}

// ---- the wizard --------------------------------------------------------------------------------------

TMergeWzd::TMergeWzd(QWidget* parent)
    : TWizardFrame(parent, QStringLiteral("Tessivo Keyvane Merge Wizard..."), HelpMerge, TWizardPicture::Merge) {
    setObjectName(QStringLiteral("TMergeWzd"));

    pStepWelcome = AddWhitePage("pStepWelcome", "imgLeft", lblTitle,
                                QStringLiteral("Welcome to the Tessivo Keyvane Merge Wizard"), lblWelcomeDescription,
                                QStringLiteral("This wizard will help you merge all the account information available "
                                               "in the current passwords file and in the passwords file that you have "
                                               "selected previously."),
                                lblWelcomeNext, QStringLiteral("Click Next to continue."));

    pStep01 = AddPage("pStep01");
    lblStep01Description =
        AddDescription(pStep01, "lblStep01Description",
                       QStringLiteral("The Merge Wizard will now analyse both passwords files to detect possible "
                                      "inconsistencies.\n\nClick Next to continue."));
    gbAnalysis = AddProgressBox(pStep01, "gbAnalysis", QStringLiteral(" Merge progress "), "lblAnOperation",
                                lblAnOperation, "pbAnProgress", pbAnProgress);
    {
        QVBoxLayout* l = PageLayout(pStep01);
        l->addWidget(lblStep01Description);
        l->addWidget(gbAnalysis);
        l->addStretch(1);
    }

    pStep02 = AddPage("pStep02");
    lblStep02Description =
        AddDescription(pStep02, "lblStep02Description",
                       QStringLiteral("The following accounts are repeated in both passwords files.\n\nPlease select "
                                      "the accounts that you want to import into the current passwords file, "
                                      "replacing the existing accounts with the same name, and click Next to "
                                      "continue."));
    lvModel = new TNameCheckModel(this);
    lvAccounts = new QTreeView(pStep02);
    lvAccounts->setObjectName(QStringLiteral("lvAccounts"));
    lvAccounts->setAccessibleName(QStringLiteral("Accounts to import"));
    lvAccounts->setModel(lvModel);
    lvAccounts->setRootIsDecorated(false);
    lvAccounts->setUniformRowHeights(true);
    lvAccounts->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvAccounts->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvAccounts->header()->setStretchLastSection(true);
    lvAccounts->header()->setSectionsClickable(false);
    popItems = new QMenu(this);
    popItems->setObjectName(QStringLiteral("popItems"));
    popItemsSelectAll = popItems->addAction(QStringLiteral("Select All"));
    popItemsSelectAll->setObjectName(QStringLiteral("popItemsSelectAll"));
    lvAccounts->setContextMenuPolicy(Qt::CustomContextMenu);
    {
        QVBoxLayout* l = PageLayout(pStep02);
        l->setSpacing(6);
        l->addWidget(lblStep02Description);
        l->addWidget(lvAccounts, 1);
    }

    pStep03 = AddPage("pStep03");
    lblStep05Description =
        AddDescription(pStep03, "lblStep05Description",
                       QStringLiteral("The Merge Wizard has now enough information to start importing accounts from "
                                      "the passwords file.\n\nClick Next to start importing."));
    gbProgress = AddProgressBox(pStep03, "gbProgress", QStringLiteral(" Merge progress "), "lblOperation", lblOperation,
                                "pbOperation", pbOperation);
    {
        QVBoxLayout* l = PageLayout(pStep03);
        l->addWidget(lblStep05Description);
        l->addWidget(gbProgress);
        l->addStretch(1);
    }

    AddFinishedPage(QStringLiteral("Merge"));

    using R = TButtonRule;
    SetSteps({
        {pStepWelcome, {}, {}, R::Disabled, R::Unchanged, R::Unchanged, {}},
        {pStep01,
         QStringLiteral("File Analysis"),
         QStringLiteral("Start analysing both passwords files for inconsistencies."),
         R::NotBusy,
         R::NotBusy,
         R::NotBusy,
         {}},
        {pStep02,
         QStringLiteral("Inconsistencies"),
         QStringLiteral("Correct the following inconsistencies."),
         R::Enabled,
         R::Enabled,
         R::Enabled,
         {}},
        {pStep03,
         QStringLiteral("Merge"),
         QStringLiteral("Start importing accounts."),
         R::NotBusy,
         R::NotBusy,
         R::NotBusy,
         {}},
        {pStepFinished, {}, {}, R::Hidden, R::Hidden, R::Unchanged, {}},
    });

    connect(lvAccounts, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QsGuard([this, at] { popItems->popup(lvAccounts->viewport()->mapToGlobal(at)); });
    });
    connect(popItemsSelectAll, &QAction::triggered, this, [this] { QsGuard([this] { popItemsSelectAllClick(); }); });
}

TMergeWzd::~TMergeWzd() = default;

void TMergeWzd::EnterStep(int step) {
    switch (step) {
    case StepAnalysis:
        gbAnalysis->hide();
        cmdNext->setFocus();
        break;
    case StepInconsistencies:
        lvAccounts->setFocus();
        if (!lvAccounts->currentIndex().isValid() && lvModel->rowCount() > 0)
            lvAccounts->setCurrentIndex(lvModel->index(0, 0));
        break;
    case StepMerge:
        gbProgress->hide();
        cmdNext->setFocus();
        break;
    case StepFinished:
        Imported = true;
        break;
    default:
        break;
    }
}

int TMergeWzd::NextOf(int step) const {
    if (step == StepAnalysis)
        return lvModel->rowCount() > 0 ? StepInconsistencies : StepMerge;
    return step + 1;
}

int TMergeWzd::PreviousOf(int step) const {
    if (step == StepMerge)
        return lvModel->rowCount() > 0 ? StepInconsistencies : StepAnalysis;
    return step - 1;
}

void TMergeWzd::StepAction(int step) {
    if (step == StepAnalysis)
        AnalyseFiles();
    else if (step == StepMerge)
        ImportAccounts();
}

void TMergeWzd::AnalyseFiles() {
    try {
        if (!OpenFile || !MergeFile)
            throw EQsException(QStringLiteral("There are no passwords files to merge."));
        SetBusy(true);
        BeginProgress(gbAnalysis, lblAnOperation, pbAnProgress, OpenFile->AccountCount());
        lvModel->SetNames({});
        QStringList names = RepeatedNames(*OpenFile, *MergeFile, [this](int i) {
            ProgressAt(
                i, [this, i] { return QStringLiteral("Analysing '%1'...").arg(OpenFile->GetAccount(i)->AccountName); });
        });
        SortNamesForDisplay(names);
        lvModel->SetNames(std::move(names));
        SetBusy(false);
    } catch (const std::exception& e) {
        SetBusy(false);
        throw analysisFailure(e);
    }
}

void TMergeWzd::ImportAccounts() {
    if (!OpenFile || !MergeFile)
        throw analysisFailure(EQsException(QStringLiteral("There are no passwords files to merge.")));
    auto import = std::make_unique<TMergeImport>(*OpenFile, *MergeFile);
    try {
        SetBusy(true);
        BeginProgress(gbProgress, lblOperation, pbOperation, MergeFile->AccountCount());
        import->Run(lvModel->CheckedNames(), [this](int i) {
            ProgressAt(i, [this, i] {
                return QStringLiteral("Importing '%1'...").arg(MergeFile->GetAccount(i)->AccountName);
    });
});
ProgressText(lblOperation->text());
import_ = std::move(import);
SetBusy(false);
}
catch (const std::exception& e) {
    // Nothing of a failed import stays behind: the open file is as it was before.
    import->Undo();
    SetBusy(false);
    throw analysisFailure(e);
}
}

void TMergeWzd::popItemsSelectAllClick() {
    lvModel->CheckAll();
}

std::unique_ptr<TMergeImport> TMergeWzd::TakeImport() {
    return std::move(import_);
}

std::unique_ptr<TMergeImport> ShowMergeWizard(TKYVNFile& open, TKYVNFile& second) {
    std::unique_ptr<TMergeImport> import;
    {
        TMergeWzd wizard(QApplication::activeWindow());
        wizard.OpenFile = &open;
        wizard.MergeFile = &second;
        wizard.Imported = false;
        QsAnswers::Record(QStringLiteral("TMergeWzd"), wizard.windowTitle());
        if (auto answer = QsAnswers::Take(QStringLiteral("TMergeWzd"), &wizard); !answer || !answer->isValid())
            wizard.exec();
        if (wizard.Imported)
            import = wizard.TakeImport();
    }
    if (import)
        import->HandOver();
    return import;
}
