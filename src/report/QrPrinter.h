// The engine's printer side: the current printer, printing with the progress window, PDF files for the
// owner only, and the preview window.
#pragma once

#include "QrReport.h"

#include <QString>
#include <memory>

class QPrinter;
class QWidget;

// The current printer: the system's default printer, else the first one installed, else Qt's PDF output,
// so that a machine without printers still previews and prints (to a file). Made on first use; null when
// none of these can be had.
QPrinter* QrCurrentPrinter();
// Replaces the current printer; null stands for a machine on which not even the PDF output works.
void QrSetCurrentPrinter(std::unique_ptr<QPrinter> printer);
// The printer writes a PDF file rather than sending a job to a printer.
bool QrPrintsToFile(const QPrinter& printer);

// Prints the report on a printer that writes a PDF file, to path. The file holds every password in clear,
// so it is made for its owner only (mode 0600): it is written beside path under a temporary name and
// renamed over path when complete, so a cancelled or failed job leaves any earlier file as it was.
// The printer's output name is path afterwards. Returns the page count, -1 when cancelled.
int QrPrintToFile(const TQRReport& report, const TQRDataSource& data, QPrinter& printer, const QString& path,
                  const TQRProgress& progress = {});

// Prints at once to the printer (no print dialog), showing the progress window "Printing progress" with a
// Cancel button. A PDF printer writes to its output file name, as QrPrintToFile does. Returns the page
// count, -1 when the user cancelled.
int QrPrint(const TQRReport& report, const TQRDataSource& data, QPrinter& printer, QWidget* owner);

// The layout to print for the printer's orientation.
using TQRLayoutChooser = std::function<const TQRReport&(QPageLayout::Orientation orientation)>;

// The preview window of the report on the printer, from which the user may also print; turning the page
// in the window chooses the layout of the new orientation. Modal; runs through the answer seam as
// "PrintPreview" (a handler gets the real QPrintPreviewDialog, before it is shown).
void QrPreview(const TQRLayoutChooser& layout, const TQRDataSource& data, QPrinter& printer, QWidget* owner);
