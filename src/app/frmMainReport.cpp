// The report commands of the main window: page setup, preview and print of the accounts report.
#include "frmMain.h"

#include "QrPageSetup.h"
#include "QrPrinter.h"
#include "QsAnswers.h"
#include "QsDialogFolder.h"
#include "QsExceptions.h"
#include "clsFile.h"
#include "frmMainStartup.h"
#include "frmReport.h"
#include "uOptions.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QPrinter>

namespace {

QPrinter& currentPrinter() {
    QPrinter* printer = QrCurrentPrinter();
    if (!printer)
        throw EQsException(QStringLiteral("There is no default printer selected."), QString(), 2);
    return *printer;
}

// Where a printer that writes PDF files puts this report: asked each time, through the answer seam
// ("SaveFile"; "" cancels).
QString askPdfFileName(QWidget* owner, const QString& suggested) {
    const QString title = QStringLiteral("Print to File");
    QsAnswers::Record(QStringLiteral("SaveFile"), title);
    if (auto answer = QsAnswers::Take(QStringLiteral("SaveFile")))
        return answer->toString();
    QFileDialog dlg(owner, title);
    dlg.setNameFilters({QStringLiteral("PDF Files (*.pdf)"), QStringLiteral("All Files (*)")});
    dlg.setDefaultSuffix(QStringLiteral("pdf"));
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    dlg.setFileMode(QFileDialog::AnyFile);
    dlg.selectFile(suggested);
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return {};
    QsNoteDialogChoice(dlg.selectedFiles().first());
    return dlg.selectedFiles().first();
}

QString suggestedPdfName(const QPrinter& printer, const QString& passwordsFile) {
    if (!printer.outputFileName().isEmpty())
        return printer.outputFileName();
    const QString base = passwordsFile.isEmpty() ? QStringLiteral("Accounts") : QFileInfo(passwordsFile).baseName();
    return QDir(QsDialogStartFolder()).filePath(base + QStringLiteral(".pdf"));
}

void runReport(TKYVNMain& w, bool preview) {
    QPrinter& printer = currentPrinter();
    const QString fileName = CurrentFile ? CurrentFile->FileName : w.OpenFilePath;
    if (Options && Options->PrintPassword && CurrentFile && !MainAskFilePassword(&w, *CurrentFile))
        return;
    if (!preview && QrPrintsToFile(printer)) {
        const QString path = askPdfFileName(&w, suggestedPdfName(printer, fileName));
        if (path.isEmpty())
            return;
        printer.setOutputFileName(path);
    }
    QList<const TKYVNAccount*> accounts;
    accounts.reserve(w.RowCount());
    for (int i = 0; i < w.RowCount(); ++i)
        accounts.append(w.AccountAt(i));
    const bool simple = Options ? Options->SimpleReport : true;
    TReportForm& form = ReportFormInstance();
    if (printer.pageLayout().orientation() == QPageLayout::Landscape)
        form.PrintLandscape(preview, simple, fileName, accounts, printer);
    else
        form.PrintPortrait(preview, simple, fileName, accounts, printer);
}

} // namespace

void TKYVNMain::actFilePageSetupExecute() {
    QrPageSetup(currentPrinter(), this);
}

void TKYVNMain::actFilePreviewExecute() {
    runReport(*this, true);
}

void TKYVNMain::actFilePrintExecute() {
    runReport(*this, false);
}
