#include "frmExport.h"

#include "CsvWriter.h"
#include "DocxWriter.h"
#include "ExportFile.h"
#include "QsAnswers.h"
#include "QsDialogFolder.h"
#include "QsExceptions.h"
#include "clsFile.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
constexpr int HelpExport = 510;

QRadioButton* makeRadio(QWidget* parent, const char* name, const QString& caption) {
    auto* radio = new QRadioButton(caption, parent);
    radio->setObjectName(QLatin1String(name));
    return radio;
}
} // namespace

TExportWzd::TExportWzd(QWidget* parent)
    : TWizardFrame(parent, QStringLiteral("Tessivo Keyvane Export Wizard..."), HelpExport, TWizardPicture::Export) {
    setObjectName(QStringLiteral("TExportWzd"));

    pStepWelcome = AddWhitePage("pStepWelcome", "imgLeft", lblTitle,
                                QStringLiteral("Welcome to the Tessivo Keyvane Export Wizard"), lblWelcomeDescription,
                                QStringLiteral("This wizard will help you export all the account information "
                                               "available in the current passwords file."),
                                lblWelcomeNext, QStringLiteral("Click Next to continue."));

    pStep01 = AddPage("pStep01");
    lblStep01Description =
        AddDescription(pStep01, "lblStep01Description",
                       QStringLiteral("This Wizard can export your passwords file to a text file or to a Microsoft "
                                      "Word document.\n\nPlease select the type of file you want to export and "
                                      "click Next."));
    radTextFile = makeRadio(pStep01, "radTextFile", QStringLiteral("&Text file (CSV)"));
    radMSWord = makeRadio(pStep01, "radMSWord", QStringLiteral("&Microsoft Word Document"));
    radMSWord->setEnabled(WordAvailable());
    {
        QVBoxLayout* l = PageLayout(pStep01);
        l->addWidget(lblStep01Description);
        l->addSpacing(6);
        l->addWidget(radTextFile);
        l->addWidget(radMSWord);
        l->addStretch(1);
    }

    pStep02 = AddPage("pStep02");
    lblStep02Description =
        AddDescription(pStep02, "lblStep02Description",
                       QStringLiteral("Please provide the export file location and click Next to continue."));
    txtDestination = new QLineEdit(pStep02);
    txtDestination->setObjectName(QStringLiteral("txtDestination"));
    txtDestination->setAccessibleName(QStringLiteral("Export file location"));
    cmdBrowse = new QToolButton(pStep02);
    cmdBrowse->setObjectName(QStringLiteral("cmdBrowse"));
    cmdBrowse->setText(QStringLiteral("..."));
    cmdBrowse->setToolTip(QStringLiteral("Select Destination File..."));
    {
        QVBoxLayout* l = PageLayout(pStep02);
        l->addWidget(lblStep02Description);
        auto* row = new QHBoxLayout;
        row->setSpacing(4);
        row->addWidget(txtDestination, 1);
        row->addWidget(cmdBrowse);
        l->addLayout(row);
        l->addStretch(1);
    }

    pStep03 = AddPage("pStep03");
    lblStep03Description =
        AddDescription(pStep03, "lblStep03Description",
                       QStringLiteral("You can export all the account information or select to export only some of "
                                      "the account fields.\n\nPlease select the fields to export for each account "
                                      "and click Next to continue."));
    clbFields = new QListWidget(pStep03);
    clbFields->setObjectName(QStringLiteral("clbFields"));
    clbFields->setAccessibleName(QStringLiteral("Fields to export"));
    for (int f = 0; f < KyvnFieldCount; ++f) {
        auto* item = new QListWidgetItem(KyvnFieldCaption(f), clbFields);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Checked);
    }
    {
        QVBoxLayout* l = PageLayout(pStep03);
        l->addWidget(lblStep03Description);
        l->addWidget(clbFields, 1);
    }

    pStep04 = AddPage("pStep04");
    lblStep04Description =
        AddDescription(pStep04, "lblStep04Description",
                       QStringLiteral("You are about to create a file containing all your accounts information.\n\n"
                                      "Your account passwords will be readable by any other person with permissions "
                                      "to access this file."));
    imgQuestion = new QLabel(pStep04);
    imgQuestion->setObjectName(QStringLiteral("imgQuestion"));
    imgQuestion->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxQuestion).pixmap(32, 32));
    imgQuestion->setAccessibleName(QStringLiteral("Question"));
    lblQuestion = new QLabel(QStringLiteral("Are you sure you want to continue?"), pStep04);
    lblQuestion->setObjectName(QStringLiteral("lblQuestion"));
    radYes = makeRadio(pStep04, "radYes", QStringLiteral("&Yes"));
    radNo = makeRadio(pStep04, "radNo", QStringLiteral("N&o"));
    {
        QVBoxLayout* l = PageLayout(pStep04);
        l->addWidget(lblStep04Description);
        auto* row = new QHBoxLayout;
        row->addWidget(imgQuestion, 0, Qt::AlignTop);
        auto* answers = new QVBoxLayout;
        answers->addWidget(lblQuestion);
        answers->addWidget(radYes);
        answers->addWidget(radNo);
        answers->addStretch(1);
        row->addLayout(answers, 1);
        l->addLayout(row);
        l->addStretch(1);
    }

    pStep05 = AddPage("pStep05");
    lblStep05Description =
        AddDescription(pStep05, "lblStep05Description",
                       QStringLiteral("The Export Wizard has now enough information to start exporting your "
                                      "passwords file.\n\nClick Next to start exporting."));
    gbProgress = AddProgressBox(pStep05, "gbProgress", QStringLiteral(" Export progress "), "lblOperation",
                                lblOperation, "pbOperation", pbOperation);
    {
        QVBoxLayout* l = PageLayout(pStep05);
        l->addWidget(lblStep05Description);
        l->addWidget(gbProgress);
        l->addStretch(1);
    }

    AddFinishedPage(QStringLiteral("Export"));

    using R = TButtonRule;
    SetSteps({
        {pStepWelcome, {}, {}, R::Disabled, R::Unchanged, R::Unchanged, {}},
        {pStep01,
         QStringLiteral("Destination Type"),
         QStringLiteral("Select the file type you want to export your accounts to."),
         R::Enabled,
         R::Enabled,
         R::Unchanged,
         {}},
        {pStep02, QStringLiteral("Destination File"), QStringLiteral("Select the destination file."), R::Enabled,
         R::When, R::Unchanged, [this] { return !txtDestination->text().isEmpty(); }},
        {pStep03, QStringLiteral("Export Fields"), QStringLiteral("Select the fields you want to export."), R::Enabled,
         R::When, R::Unchanged, [this] { return !CheckedFields().isEmpty(); }},
        {pStep04, QStringLiteral("Confirmation"),
         QStringLiteral("Please verify that you want to export your passwords."), R::Enabled, R::When, R::Unchanged,
         [this] { return radYes->isChecked(); }},
        {pStep05,
         QStringLiteral("Export"),
         QStringLiteral("Start exporting accounts."),
         R::NotBusy,
         R::NotBusy,
         R::NotBusy,
         {}},
        {pStepFinished, {}, {}, R::Hidden, R::Hidden, R::Unchanged, {}},
    });

    connect(txtDestination, &QLineEdit::textChanged, this, [this] { QsGuard([this] { ControlButtons(); }); });
    connect(clbFields, &QListWidget::itemChanged, this, [this] { QsGuard([this] { ControlButtons(); }); });
    connect(radYes, &QRadioButton::toggled, this, [this] { QsGuard([this] { ControlButtons(); }); });
    connect(cmdBrowse, &QToolButton::clicked, this, [this] { QsGuard([this] { cmdBrowseClick(); }); });
}

QStringList TExportWzd::CheckedFields() const {
    QStringList captions;
    for (int i = 0; i < clbFields->count(); ++i)
        if (clbFields->item(i)->checkState() == Qt::Checked)
            captions.append(clbFields->item(i)->text());
    return captions;
}

bool TExportWzd::PasswordChecked() const {
    return clbFields->item(kfPassword)->checkState() == Qt::Checked;
}

void TExportWzd::EnterStep(int step) {
    switch (step) {
    case StepType:
        radTextFile->setChecked(true);
        radTextFile->setFocus();
        break;
    case StepFile:
        txtDestination->clear();
        txtDestination->setFocus();
        break;
    case StepFields:
        for (int i = 0; i < clbFields->count(); ++i)
            clbFields->item(i)->setCheckState(Qt::Checked);
        clbFields->setCurrentRow(0);
        clbFields->setFocus();
        break;
    case StepConfirm:
        radNo->setChecked(true);
        radNo->setFocus();
        break;
    case StepExport:
        gbProgress->hide();
        cmdNext->setFocus();
        break;
    default:
        break;
    }
}

int TExportWzd::NextOf(int step) const {
    if (step == StepFields)
        return PasswordChecked() ? StepConfirm : StepExport;
    return step + 1;
}

int TExportWzd::PreviousOf(int step) const {
    if (step == StepExport)
        return PasswordChecked() ? StepConfirm : StepFields;
    return step - 1;
}

void TExportWzd::StepAction(int step) {
    if (step == StepFile)
        CheckDestination();
    else if (step == StepExport && radTextFile->isChecked())
        ExportToText();
    else if (step == StepExport)
        ExportToDocument();
}

void TExportWzd::CheckDestination() {
    const QString target = ExportTargetPath(txtDestination->text());
    // An export written over the passwords file or its backup would replace the accounts with their copy
    // in the clear.
    if (File && !File->FileName.isEmpty()) {
        const QString canonical = QFileInfo(target).canonicalFilePath();
        for (const QString& kept : {File->FileName, BackupFileName(File->FileName)}) {
            const QString keptCanonical = QFileInfo(kept).canonicalFilePath();
            if (QFileInfo(target).absoluteFilePath() == QFileInfo(kept).absoluteFilePath() ||
                (!canonical.isEmpty() && canonical == keptCanonical))
                throw EQsException(QStringLiteral("Invalid file name."),
                                   QStringLiteral("'%1' is the passwords file or its backup.").arg(target), 2);
        }
    }
    if (!ExportTargetUsable(target))
        throw EQsException(QStringLiteral("Invalid file name."), QString(), 2);
}

void TExportWzd::exportWith(const QString& failure, QByteArray (*writer)(const TKYVNFile&, const QStringList&,
                                                                         const std::function<void(int)>&)) {
    try {
        if (!File)
            throw EQsException(QStringLiteral("There is no passwords file to export."));
        SetBusy(true);
        BeginProgress(gbProgress, lblOperation, pbOperation, File->AccountCount());
        const QByteArray data = writer(*File, CheckedFields(), [this](int i) {
            ProgressAt(i,
                       [this, i] { return QStringLiteral("Exporting '%1'...").arg(File->GetAccount(i)->AccountName); });
        });
        ProgressText(QStringLiteral("Saving..."));
        WriteExportFile(ExportTargetPath(txtDestination->text()), data);
        SetBusy(false);
    } catch (const std::exception& e) {
        SetBusy(false);
        throw EQsException(failure, QsExceptionMessage(e), 1);
    }
}

void TExportWzd::ExportToText() {
    exportWith(QStringLiteral("Error exporting to text file."), &CsvExport);
}

void TExportWzd::ExportToDocument() {
    exportWith(QStringLiteral("Error exporting to document file."), &DocxExport);
}

void TExportWzd::cmdBrowseClick() {
    const QString title = QStringLiteral("Select Destination File...");
    QFileDialog dlg(this, title);
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    dlg.setFileMode(QFileDialog::AnyFile);
    if (radTextFile->isChecked()) {
        dlg.setNameFilters({QStringLiteral("Text Files (*.txt)"), QStringLiteral("CSV Files (*.csv)"),
                            QStringLiteral("All Files (*)")});
        dlg.setDefaultSuffix(QStringLiteral("txt"));
    } else {
        dlg.setNameFilters({QStringLiteral("Word Documents (*.docx)"), QStringLiteral("All Files (*)")});
        dlg.setDefaultSuffix(QStringLiteral("docx"));
    }
    const QString current = ExportTargetPath(txtDestination->text());
    dlg.setDirectory(current.isEmpty() ? QsDialogStartFolder() : QFileInfo(current).absolutePath());
    // A queued answer is the chosen path ("" cancels); a handler sees the dialog as it would be shown.
    QsAnswers::Record(QStringLiteral("SaveFile"), title);
    QString path;
    if (auto answer = QsAnswers::Take(QStringLiteral("SaveFile"), &dlg))
        path = answer->toString();
    else if (dlg.exec() == QDialog::Accepted && !dlg.selectedFiles().isEmpty())
        path = dlg.selectedFiles().first();
    QsNoteDialogChoice(path);
    if (!path.isEmpty())
        txtDestination->setText(path);
    txtDestination->setFocus();
}

void ShowExportWizard(const TKYVNFile& file) {
    TExportWzd wizard(QApplication::activeWindow());
    wizard.File = &file;
    QsAnswers::Record(QStringLiteral("TExportWzd"), wizard.windowTitle());
    if (auto answer = QsAnswers::Take(QStringLiteral("TExportWzd"), &wizard); answer && answer->isValid())
        return;
    wizard.exec();
}
