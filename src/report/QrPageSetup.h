// Page Setup for the current printer: the system's set-up dialog for a real printer, and a dialog of the
// engine's own for the PDF output, which the system dialog refuses to set up.
#pragma once

#include "QsDialogBase.h"

class QLabel;
class QPrinter;
class QPushButton;
class QRadioButton;

// The page of a printer that writes PDF files: its orientation (the report's paper is always A4).
class TQRPageSetupDlg : public TKeyPreviewDialog {
    Q_OBJECT
public:
    explicit TQRPageSetupDlg(QPrinter& printer, QWidget* parent = nullptr);

    QLabel* lblPrinter = nullptr;
    QLabel* lblPaper = nullptr;
    QRadioButton* radPortrait = nullptr;
    QRadioButton* radLandscape = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;

    void cmdOKClick();

private:
    QPrinter& printer_;
};

// Shows the set-up dialog of the printer, through the answer seam as "PageSetup" (a handler gets the real
// dialog, QPageSetupDialog or TQRPageSetupDlg; both name their orientation buttons "portrait" and
// "landscape"). True when the user confirmed.
bool QrPageSetup(QPrinter& printer, QWidget* owner);
