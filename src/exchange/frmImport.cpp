#include "frmImport.h"

#include "QsAnswers.h"
#include "QsExceptions.h"
#include "QsStrUtils.h"
#include "clsFile.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>

Q_DECLARE_METATYPE(TColumnTarget)

namespace {
constexpr int HelpImport = 550;
const QColor kChangedBackground(255, 230, 140);

EQsException importFailure(const std::exception& e) {
    return EQsException(QStringLiteral("Error importing accounts."), QsExceptionMessage(e), 1);
}

QString targetCaption(int target) {
    if (target == TColumnTarget::ToNotes)
        return QStringLiteral("A line of the notes");
    if (target == TColumnTarget::LeaveOut)
        return QStringLiteral("Leave out");
    return KyvnFieldCaption(target);
}

QString masked(const QString& secret) {
    return secret.isEmpty() ? QString() : QString(std::min<qsizetype>(secret.size(), 8), QChar(0x2022));
}

const char* choiceText(TRepeatChoice c) {
    switch (c) {
    case TRepeatChoice::KeepBoth:
        return "Keep both";
    case TRepeatChoice::Replace:
        return "Replace";
    case TRepeatChoice::Skip:
        return "Skip";
    }
    return "";
}

// The choice of a repeated name: a list of the three, opened by F2, a double click or a click on the
// chosen row, so that thousands of rows cost no widget each.
// Return confirms the choice and stays on the page, rather than travelling on to the wizard's Next.
class TChoiceBox : public QComboBox {
public:
    using QComboBox::QComboBox;

protected:
    void keyPressEvent(QKeyEvent* event) override {
        QComboBox::keyPressEvent(event);
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
            event->accept();
    }
};

class TChoiceDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex&) const override {
        auto* combo = new TChoiceBox(parent);
        for (TRepeatChoice c : {TRepeatChoice::KeepBoth, TRepeatChoice::Replace, TRepeatChoice::Skip})
            combo->addItem(QLatin1String(choiceText(c)));
        // Every change is kept at once: the page may be left with the list still open.
        auto* self = const_cast<TChoiceDelegate*>(this);
        connect(combo, &QComboBox::currentIndexChanged, self, [self, combo] { emit self->commitData(combo); });
        return combo;
    }
    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        static_cast<QComboBox*>(editor)->setCurrentIndex(index.data(Qt::UserRole).toInt());
    }
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override {
        const int choice = static_cast<QComboBox*>(editor)->currentIndex();
        model->setData(index, choice, Qt::UserRole);
        model->setData(index, QLatin1String(choiceText(TRepeatChoice(choice))), Qt::DisplayRole);
    }
};
} // namespace

// ---- the preview -----------------------------------------------------------------------------------------

void TImportPreviewModel::SetRows(const std::vector<TImportRow>* rows) {
    beginResetModel();
    rows_ = rows;
    endResetModel();
}

int TImportPreviewModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() || !rows_ ? 0 : int(rows_->size());
}

int TImportPreviewModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : KyvnFieldCount;
}

QVariant TImportPreviewModel::data(const QModelIndex& index, int role) const {
    if (!rows_ || !index.isValid() || size_t(index.row()) >= rows_->size())
        return {};
    const TImportRow& row = (*rows_)[size_t(index.row())];
    const int field = index.column();
    const bool changed = row.FieldChanged(field) || (field == kfAccountName && (row.Changed & TImportRow::NameMadeUp));
    switch (role) {
    case Qt::DisplayRole: {
        const TKYVNAccount& a = row.Account;
        if (field == kfPassword)
            return masked(a.Password);
        if (field == kfNotes) {
            const QString first = a.Notes.section(QLatin1String("\r\n"), 0, 0);
            return a.Notes.contains(QLatin1String("\r\n")) ? first + QStringLiteral(" \u2026") : first;
        }
        if (field == kfProtected)
            return a.Protected ? QStringLiteral("Yes") : QString();
        return GetAccountField(a, KyvnFieldCaption(field));
    }
    case Qt::BackgroundRole:
        return changed ? QVariant(kChangedBackground) : QVariant();
    case Qt::ForegroundRole:
        return changed ? QVariant(QColor(Qt::black)) : QVariant();
    case Qt::ToolTipRole:
        return changed ? QVariant(ImportChangeReason(row, field)) : QVariant();
    default:
        return {};
    }
}

QVariant TImportPreviewModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return KyvnFieldCaption(section);
    if (rows_ && size_t(section) < rows_->size())
        return QStringLiteral("Line %1").arg((*rows_)[size_t(section)].Line);
    return {};
}

// ---- the wizard --------------------------------------------------------------------------------------------

TImportWzd::TImportWzd(QWidget* parent)
    : TWizardFrame(parent, QStringLiteral("Tessivo Keyvane Import Wizard..."), HelpImport, TWizardPicture::Merge) {
    setObjectName(QStringLiteral("TImportWzd"));

    pStepWelcome = AddWhitePage(
        "pStepWelcome", "imgLeft", lblTitle, QStringLiteral("Welcome to the Tessivo Keyvane Import Wizard"),
        lblWelcomeDescription,
        QStringLiteral("This wizard will help you bring into the current passwords file the accounts that a web "
                       "browser or another password manager exported to a CSV file (Chrome, Edge, Brave, Firefox, "
                       "Safari, Bitwarden, KeePassXC, 1Password, LastPass, or any other)."),
        lblWelcomeNext, QStringLiteral("Click Next to continue."));

    pStepSource = AddPage("pStepSource");
    QLabel* sourceText = AddDescription(
        pStepSource, "lblSourceDescription",
        QStringLiteral("Please provide the CSV file that holds your exported accounts and click Next to continue."));
    txtSource = new QLineEdit(pStepSource);
    txtSource->setObjectName(QStringLiteral("txtSource"));
    cmdBrowse = new QToolButton(pStepSource);
    cmdBrowse->setObjectName(QStringLiteral("cmdBrowse"));
    cmdBrowse->setText(QStringLiteral("..."));
    cmdBrowse->setToolTip(QStringLiteral("Select File to Import..."));
    auto* fileLabel = new QLabel(QStringLiteral("&File:"), pStepSource);
    fileLabel->setBuddy(txtSource);
    {
        QVBoxLayout* l = PageLayout(pStepSource);
        l->addWidget(sourceText);
        auto* row = new QHBoxLayout;
        row->setSpacing(4);
        row->addWidget(fileLabel);
        row->addWidget(txtSource, 1);
        row->addWidget(cmdBrowse);
        l->addLayout(row);
        l->addStretch(1);
    }

    pStepColumns = AddPage("pStepColumns");
    lblDetected = AddDescription(pStepColumns, "lblDetected", QString());
    cboSource = new QComboBox(pStepColumns);
    cboSource->setObjectName(QStringLiteral("cboSource"));
    for (const TImportSource& s : ImportSources())
        cboSource->addItem(QLatin1String(s.Title));
    cboSource->addItem(QStringLiteral("Another program: map the columns by hand"));
    auto* sourceLabel = new QLabel(QStringLiteral("&Exported by:"), pStepColumns);
    sourceLabel->setBuddy(cboSource);
    tblColumns = new QTableWidget(pStepColumns);
    tblColumns->setObjectName(QStringLiteral("tblColumns"));
    tblColumns->setColumnCount(3);
    tblColumns->setHorizontalHeaderLabels(
        {QStringLiteral("Column"), QStringLiteral("First value"), QStringLiteral("Goes to")});
    tblColumns->verticalHeader()->hide();
    tblColumns->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    tblColumns->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    tblColumns->horizontalHeader()->setSectionResizeMode(2, QHeaderView::ResizeToContents);
    tblColumns->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tblColumns->setTabKeyNavigation(false);
    {
        QVBoxLayout* l = PageLayout(pStepColumns);
        l->setSpacing(6);
        l->addWidget(lblDetected);
        auto* row = new QHBoxLayout;
        row->addWidget(sourceLabel);
        row->addWidget(cboSource, 1);
        l->addLayout(row);
        l->addWidget(tblColumns, 1);
    }

    pStepPreview = AddPage("pStepPreview");
    lblPreview = AddDescription(pStepPreview, "lblPreview", QString());
    previewModel = new TImportPreviewModel(this);
    tvPreview = new QTableView(pStepPreview);
    tvPreview->setObjectName(QStringLiteral("tvPreview"));
    tvPreview->setModel(previewModel);
    tvPreview->setSelectionBehavior(QAbstractItemView::SelectRows);
    tvPreview->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tvPreview->setTabKeyNavigation(false);
    tvPreview->verticalHeader()->setDefaultSectionSize(tvPreview->fontMetrics().height() + 6);
    tvPreview->horizontalHeader()->setDefaultSectionSize(110);
    {
        QVBoxLayout* l = PageLayout(pStepPreview);
        l->setSpacing(6);
        l->addWidget(lblPreview);
        l->addWidget(tvPreview, 1);
    }

    pStepRepeated = AddPage("pStepRepeated");
    QLabel* repeatedText = AddDescription(
        pStepRepeated, "lblRepeatedDescription",
        QStringLiteral("These names come more than once, in the file or in the file and the current passwords "
                       "file. For each, keep both (the later one gets a number, as \"Name (2)\"), replace the "
                       "earlier account with the later one, or skip the later one."));
    tblRepeated = new QTableWidget(pStepRepeated);
    tblRepeated->setObjectName(QStringLiteral("tblRepeated"));
    tblRepeated->setColumnCount(3);
    tblRepeated->setHorizontalHeaderLabels(
        {QStringLiteral("Account Name"), QStringLiteral("Where"), QStringLiteral("What to do")});
    tblRepeated->verticalHeader()->hide();
    tblRepeated->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    // Fixed widths: measuring thousands of rows would cost more than the import.
    tblRepeated->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Fixed);
    tblRepeated->horizontalHeader()->setSectionResizeMode(2, QHeaderView::Fixed);
    tblRepeated->setColumnWidth(1, 170);
    tblRepeated->setColumnWidth(2, 90);
    tblRepeated->verticalHeader()->setDefaultSectionSize(tblRepeated->fontMetrics().height() + 8);
    tblRepeated->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                                 QAbstractItemView::SelectedClicked);
    tblRepeated->setItemDelegateForColumn(2, new TChoiceDelegate(tblRepeated));
    tblRepeated->setSelectionBehavior(QAbstractItemView::SelectRows);
    tblRepeated->setTabKeyNavigation(false);
    {
        QVBoxLayout* l = PageLayout(pStepRepeated);
        l->setSpacing(6);
        l->addWidget(repeatedText);
        l->addWidget(tblRepeated, 1);
    }

    pStepImport = AddPage("pStepImport");
    QLabel* importText = AddDescription(pStepImport, "lblImportDescription",
                                        QStringLiteral("The Import Wizard has now enough information to start "
                                                       "importing accounts.\n\nClick Next to start importing."));
    gbProgress = AddProgressBox(pStepImport, "gbProgress", QStringLiteral(" Import progress "), "lblOperation",
                                lblOperation, "pbOperation", pbOperation);
    {
        QVBoxLayout* l = PageLayout(pStepImport);
        l->addWidget(importText);
        l->addWidget(gbProgress);
        l->addStretch(1);
    }

    AddFinishedPage(QStringLiteral("Import"));

    using R = TButtonRule;
    SetSteps({
        {pStepWelcome, {}, {}, R::Disabled, R::Enabled, R::Enabled, {}},
        {pStepSource, QStringLiteral("Source File"),
         QStringLiteral("Select the file your browser or password manager exported."), R::Enabled, R::When, R::Enabled,
         [this] { return !txtSource->text().trimmed().isEmpty(); }},
        {pStepColumns, QStringLiteral("Columns"), QStringLiteral("Check what each column of the file holds."),
         R::NotBusy, R::When, R::NotBusy,
         [this] {
             const TImportMapping m = Mapping();
             return !Busy && std::any_of(m.begin(), m.end(), [](const TColumnTarget& t) { return t.Target >= 0; });
         }},
        {pStepPreview,
         QStringLiteral("Preview"),
         QStringLiteral("The accounts as they will be stored."),
         R::Enabled,
         R::Enabled,
         R::Enabled,
         {}},
        {pStepRepeated,
         QStringLiteral("Repeated Names"),
         QStringLiteral("Choose what happens to each name that comes more than once."),
         R::Enabled,
         R::Enabled,
         R::Enabled,
         {}},
        {pStepImport,
         QStringLiteral("Import"),
         QStringLiteral("Start importing accounts."),
         R::NotBusy,
         R::NotBusy,
         R::NotBusy,
         {}},
        {pStepFinished, {}, {}, R::Hidden, R::Hidden, R::Unchanged, {}},
    });

    connect(txtSource, &QLineEdit::textChanged, this, [this] { QsGuard([this] { ControlButtons(); }); });
    connect(cmdBrowse, &QToolButton::clicked, this, [this] { QsGuard([this] { cmdBrowseClick(); }); });
    connect(cboSource, &QComboBox::activated, this, [this] { QsGuard([this] { sourceChosen(); }); });
}

TImportWzd::~TImportWzd() = default;

const TImportSource* TImportWzd::Source() const {
    const int i = cboSource->currentIndex();
    return (i >= 0 && size_t(i) < ImportSources().size()) ? &ImportSources()[size_t(i)] : nullptr;
}

TImportMapping TImportWzd::Mapping() const {
    TImportMapping mapping;
    for (int r = 0; r < tblColumns->rowCount(); ++r) {
        auto* combo = qobject_cast<QComboBox*>(tblColumns->cellWidget(r, 2));
        TColumnTarget t = combo ? combo->currentData(Qt::UserRole + 1).value<TColumnTarget>() : TColumnTarget{};
        if (combo)
            t.Target = combo->currentData().toInt();
        mapping.append(t);
    }
    return mapping;
}

void TImportWzd::fillColumns(const TImportMapping& mapping) {
    tblColumns->setRowCount(int(table_.Header.size()));
    for (int c = 0; c < table_.Header.size(); ++c) {
        tblColumns->setItem(c, 0, new QTableWidgetItem(table_.Header[c]));
        QString example;
        for (const QStringList& row : table_.Rows)
            if (!row.value(c).isEmpty()) {
                example = row.value(c).section(u'\n', 0, 0);
                break;
            }
        const TColumnTarget target = mapping.value(c);
        // A password is not shown, whichever column holds it.
        auto* exampleItem = new QTableWidgetItem(target.Target == kfPassword ? masked(example) : example);
        tblColumns->setItem(c, 1, exampleItem);
        auto* combo = new QComboBox(tblColumns);
        combo->setObjectName(QStringLiteral("cboColumn%1").arg(c));
        combo->setAccessibleName(table_.Header[c]);
        QList<int> targets;
        for (int f = 0; f < KyvnFieldCount; ++f)
            targets.append(f);
        targets << TColumnTarget::ToNotes << TColumnTarget::LeaveOut;
        for (int t : targets) {
            combo->addItem(targetCaption(t), t);
            TColumnTarget kept = target;
            kept.Target = t;
            if (kept.Caption.isEmpty())
                kept.Caption = table_.Header[c].trimmed();
            combo->setItemData(combo->count() - 1, QVariant::fromValue(kept), Qt::UserRole + 1);
        }
        combo->setCurrentIndex(int(targets.indexOf(target.Target)));
        connect(combo, &QComboBox::currentIndexChanged, this, [this, combo, exampleItem, example] {
            QsGuard([&] {
                exampleItem->setText(combo->currentData().toInt() == kfPassword ? masked(example) : example);
                ControlButtons();
            });
        });
        tblColumns->setCellWidget(c, 2, combo);
    }
    ControlButtons();
}

void TImportWzd::sourceChosen() {
    const TImportSource* source = Source();
    fillColumns(source ? SourceMapping(*source, table_.Header) : GuessMapping(table_.Header));
}

void TImportWzd::EnterStep(int step) {
    switch (step) {
    case StepSource:
        txtSource->setFocus();
        break;
    case StepColumns:
        cboSource->setFocus();
        break;
    case StepPreview:
        tvPreview->setFocus();
        break;
    case StepRepeated:
        tblRepeated->setFocus();
        break;
    case StepImport:
        gbProgress->hide();
        cmdNext->setFocus();
        break;
    case StepFinished:
        Imported = true;
        lblFinishDescription->setText(summary_ + QStringLiteral("."));
        break;
    default:
        break;
    }
}

int TImportWzd::NextOf(int step) const {
    if (step == StepPreview && repeated_.isEmpty())
        return StepImport;
    return step + 1;
}

int TImportWzd::PreviousOf(int step) const {
    if (step == StepImport && repeated_.isEmpty())
        return StepPreview;
    return step - 1;
}

void TImportWzd::StepAction(int step) {
    if (step == StepSource)
        ReadSource();
    else if (step == StepColumns)
        MapRows();
    else if (step == StepRepeated) {
        for (int r = 0; r < tblRepeated->rowCount() && r < repeated_.size(); ++r)
            repeated_[r].Choice = TRepeatChoice(tblRepeated->item(r, 2)->data(Qt::UserRole).toInt());
    } else if (step == StepImport)
        ImportAccounts();
}

void TImportWzd::ReadSource() {
    QString path = txtSource->text().trimmed();
    if (path.startsWith(QLatin1String("~/")))
        path = QDir::homePath() + path.mid(1);
    path = QFileInfo(path).absoluteFilePath();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        table_ = ReadCsvFile(path);
    } catch (...) {
        QApplication::restoreOverrideCursor();
        throw;
    }
    QApplication::restoreOverrideCursor();
    sourcePath_ = path;
    const TImportSource* source = RecognizeImportSource(table_.Header);
    QString text = source ? QStringLiteral("This is %1 (%2 accounts, %3).")
                                .arg(QLatin1String(source->Article))
                                .arg(table_.Rows.size())
                                .arg(table_.Encoding)
                          : QStringLiteral("Keyvane does not know the columns of this file (%1 accounts, %2): "
                                           "please say what each column holds.")
                                .arg(table_.Rows.size())
                                .arg(table_.Encoding);
    if (table_.Windows1252Lines > 0)
        text += QStringLiteral(" %1 lines were read as Windows-1252.").arg(table_.Windows1252Lines);
    text += QStringLiteral(" Columns that go to no field are kept as lines of the notes.");
    lblDetected->setText(text);
    cboSource->setCurrentIndex(source ? int(source - ImportSources().data()) : cboSource->count() - 1);
    sourceChosen();
}

void TImportWzd::MapRows() {
    if (!OpenFile)
        throw EQsException(QStringLiteral("There is no passwords file to import into."));
    SetBusy(true);
    try {
        const TImportSource* source = Source();
        rows_ = MapCsvRows(table_, Mapping(), source && source->NameFromWeb, QDate::currentDate());
        repeated_ = FindRepeatedNames(rows_, *OpenFile);
    } catch (const std::exception& e) {
        SetBusy(false);
        throw importFailure(e);
    }
    SetBusy(false);
    previewModel->SetRows(&rows_);
    int changed = 0, rowsChanged = 0;
    for (const TImportRow& r : rows_) {
        changed += r.ChangedCount();
        rowsChanged += r.ChangedCount() > 0 ? 1 : 0;
    }
    lblPreview->setText(
        changed == 0 ? QStringLiteral("%1 accounts, stored exactly as the file gives them.").arg(rows_.size())
                     : QStringLiteral("%1 accounts. %2 values in %3 accounts had to change to be stored (marked; "
                                      "point at one to see why).")
                           .arg(rows_.size())
                           .arg(changed)
                           .arg(rowsChanged));
    tblRepeated->setRowCount(int(repeated_.size()));
    for (int r = 0; r < repeated_.size(); ++r) {
        const TRepeatedName& name = repeated_[r];
        tblRepeated->setItem(r, 0, new QTableWidgetItem(name.Name));
        QString where = name.InOpenFile ? QStringLiteral("in the current file") : QString();
        if (name.InFile > 1)
            where = (where.isEmpty() ? QString() : where + QStringLiteral(", ")) +
                    QStringLiteral("%1 times in the file").arg(name.InFile);
        tblRepeated->setItem(r, 1, new QTableWidgetItem(where));
        auto* choice = new QTableWidgetItem(QLatin1String(choiceText(name.Choice)));
        choice->setData(Qt::UserRole, int(name.Choice));
        choice->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable);
        choice->setToolTip(QStringLiteral("F2 or a double click to choose"));
        tblRepeated->setItem(r, 2, choice);
    }
    for (int c : {0, 1})
        for (int r = 0; r < tblRepeated->rowCount(); ++r)
            tblRepeated->item(r, c)->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    if (tblRepeated->rowCount() > 0)
        tblRepeated->setCurrentCell(0, 2);
}

void TImportWzd::ImportAccounts() {
    if (!OpenFile)
        throw importFailure(EQsException(QStringLiteral("There is no passwords file to import into.")));
    auto import = std::make_unique<TCsvImport>(*OpenFile);
    // The rows stay as the preview shows them, for a second try after a failure.
    std::vector<TImportRow> rows = rows_;
    try {
        SetBusy(true);
        BeginProgress(gbProgress, lblOperation, pbOperation, int(rows.size()));
        import->Run(rows, repeated_, [this, &rows](int i) {
            ProgressAt(i, [&rows, i] {
                return QStringLiteral("Importing '%1'...").arg(rows[size_t(i)].Account.AccountName);
    });
});
ProgressAt(int(rows.size()), [] { return QStringLiteral("Imported."); });
const TImportSource* source = Source();
summary_ = ImportSummary(*import, source ? QLatin1String(source->Article) : QStringLiteral("the file"), repeated_);
import_ = std::move(import);
SetBusy(false);
}
catch (const std::exception& e) {
    import->Undo();
    SetBusy(false);
    throw importFailure(e);
}
}

void TImportWzd::cmdBrowseClick() {
    const QString title = QStringLiteral("Select File to Import...");
    QFileDialog dlg(this, title);
    dlg.setAcceptMode(QFileDialog::AcceptOpen);
    dlg.setFileMode(QFileDialog::ExistingFile);
    dlg.setNameFilters(
        {QStringLiteral("CSV Files (*.csv)"), QStringLiteral("Text Files (*.txt)"), QStringLiteral("All Files (*)")});
    dlg.setDirectory(QDir::homePath());
    QsAnswers::Record(QStringLiteral("OpenFile"), title);
    QString path;
    if (auto answer = QsAnswers::Take(QStringLiteral("OpenFile"), &dlg))
        path = answer->toString();
    else if (dlg.exec() == QDialog::Accepted && !dlg.selectedFiles().isEmpty())
        path = dlg.selectedFiles().first();
    if (!path.isEmpty())
        txtSource->setText(path);
    txtSource->setFocus();
}

std::unique_ptr<TCsvImport> TImportWzd::TakeImport() {
    return std::move(import_);
}

std::unique_ptr<TCsvImport> ShowImportWizard(TKYVNFile& open, QString* csvPath, QString* summary) {
    std::unique_ptr<TCsvImport> import;
    TImportWzd wizard(QApplication::activeWindow());
    wizard.OpenFile = &open;
    QsAnswers::Record(QStringLiteral("TImportWzd"), wizard.windowTitle());
    if (auto answer = QsAnswers::Take(QStringLiteral("TImportWzd"), &wizard); !answer || !answer->isValid())
        wizard.exec();
    if (!wizard.Imported)
        return nullptr;
    import = wizard.TakeImport();
    if (!import)
        return nullptr;
    import->HandOver();
    if (csvPath)
        *csvPath = wizard.SourcePath();
    if (summary)
        *summary = wizard.Summary();
    return import;
}
