#include "QrPageSetup.h"

#include "QrPrinter.h"
#include "QsAnswers.h"
#include "QsExceptions.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPageSetupDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

TQRPageSetupDlg::TQRPageSetupDlg(QPrinter& printer, QWidget* parent) : TKeyPreviewDialog(parent), printer_(printer) {
    setObjectName(QStringLiteral("TQRPageSetupDlg"));
    setWindowTitle(QStringLiteral("Page Setup"));

    lblPrinter = new QLabel(printer.printerName().isEmpty() ? QStringLiteral("Printer: PDF file")
                                                            : QStringLiteral("Printer: ") + printer.printerName(),
                            this);
    lblPaper = new QLabel(QStringLiteral("Paper: A4, margins of 10 mm"), this);

    auto* gbOrientation = new QGroupBox(QStringLiteral("Orientation"), this);
    radPortrait = new QRadioButton(QStringLiteral("&Portrait"), gbOrientation);
    radPortrait->setObjectName(QStringLiteral("portrait"));
    radLandscape = new QRadioButton(QStringLiteral("&Landscape"), gbOrientation);
    radLandscape->setObjectName(QStringLiteral("landscape"));
    (printer.pageLayout().orientation() == QPageLayout::Landscape ? radLandscape : radPortrait)->setChecked(true);
    auto* orientation = new QVBoxLayout(gbOrientation);
    orientation->addWidget(radPortrait);
    orientation->addWidget(radLandscape);

    cmdOK = MakeDialogButton(this, "cmdOK", QStringLiteral("OK"));
    cmdOK->setDefault(true);
    cmdCancel = MakeDialogButton(this, "cmdCancel", QStringLiteral("Cancel"));
    connect(cmdOK, &QPushButton::clicked, this, [this] { QsGuard([this] { cmdOKClick(); }); });
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblPrinter);
    layout->addWidget(lblPaper);
    layout->addWidget(gbOrientation);
    layout->addWidget(MakeSeparator(this));
    layout->addLayout(buttons);
    PreviewKeys();
}

void TQRPageSetupDlg::cmdOKClick() {
    printer_.setPageOrientation(radLandscape->isChecked() ? QPageLayout::Landscape : QPageLayout::Portrait);
    accept();
}

namespace {
bool runDialog(QDialog& dlg) {
    QsAnswers::Record(QStringLiteral("PageSetup"), dlg.windowTitle());
    if (auto answer = QsAnswers::Take(QStringLiteral("PageSetup"), &dlg))
        return answer->toBool();
    return dlg.exec() == QDialog::Accepted;
}
} // namespace

bool QrPageSetup(QPrinter& printer, QWidget* owner) {
    if (QrPrintsToFile(printer)) {
        TQRPageSetupDlg dlg(printer, owner);
        return runDialog(dlg);
    }
    QPageSetupDialog dlg(&printer, owner);
    return runDialog(dlg);
}
