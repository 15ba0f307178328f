#include "QrPrinter.h"

#include "QrPageSetup.h"
#include "QsAnswers.h"
#include "QsExceptions.h"
#include "QsReplaceFile.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QGraphicsView>
#include <QLineEdit>
#include <QPaintEngine>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProgressDialog>
#include <QScreen>

#include <system_error>

namespace {

struct TPrinterState {
    std::unique_ptr<QPrinter> Printer;
    bool Made = false;
};

TPrinterState& printerState() {
    static TPrinterState state;
    return state;
}

std::unique_ptr<QPrinter> makeCurrentPrinter() {
    QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull()) {
        const QList<QPrinterInfo> all = QPrinterInfo::availablePrinters();
        if (!all.isEmpty())
            info = all.first();
    }
    std::unique_ptr<QPrinter> printer = info.isNull() ? std::make_unique<QPrinter>(QPrinter::HighResolution)
                                                      : std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    if (info.isNull())
        printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setCreator(QStringLiteral("Tessivo Keyvane"));
    if (!printer->isValid())
        return nullptr;
    return printer;
}

EQsException fileError(const QString& path, const QString& reason) {
    return EQsException(QStringLiteral("Error printing to file '%1'.").arg(path), reason, 1);
}

// A complete PDF ends with its end-of-file marker; a full disk or a failed write leaves it out.
bool endsLikePdf(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() < 16)
        return false;
    file.seek(file.size() - 16);
    return file.read(16).contains("%%EOF");
}

// The progress window "Printing progress", fed after each page; its Cancel stops the job.
class TProgressWindow {
public:
    TProgressWindow(QWidget* owner, int rows) : dialog_(owner) {
        dialog_.setWindowTitle(QStringLiteral("Printing progress"));
        dialog_.setLabelText(QStringLiteral("Printing page 1"));
        dialog_.setCancelButtonText(QStringLiteral("Cancel"));
        dialog_.setRange(0, std::max(rows, 1));
        dialog_.setMinimumDuration(0);
        dialog_.setWindowModality(Qt::ApplicationModal);
        dialog_.setAutoClose(false);
        dialog_.setAutoReset(false);
        dialog_.setMinimumWidth(320);
        QsAnswers::Record(QStringLiteral("PrintProgress"), dialog_.windowTitle());
        dialog_.show();
        QCoreApplication::processEvents();
    }

    TQRProgress Callback() {
        return [this](int page, int done, int count) {
            dialog_.setValue(done);
            dialog_.setLabelText(done < count ? QStringLiteral("Printing page %1").arg(page + 1)
                                              : QStringLiteral("Page %1 printed").arg(page));
            QsAnswers::Take(QStringLiteral("PrintProgress"), &dialog_);
            QCoreApplication::processEvents();
            return !dialog_.wasCanceled();
        };
    }

private:
    QProgressDialog dialog_;
};

} // namespace

QPrinter* QrCurrentPrinter() {
    TPrinterState& state = printerState();
    if (!state.Made) {
        state.Made = true;
        state.Printer = makeCurrentPrinter();
    }
    return state.Printer.get();
}

void QrSetCurrentPrinter(std::unique_ptr<QPrinter> printer) {
    printerState().Made = true;
    printerState().Printer = std::move(printer);
}

bool QrPrintsToFile(const QPrinter& printer) {
    return printer.outputFormat() == QPrinter::PdfFormat;
}

int QrPrintToFile(const TQRReport& report, const TQRDataSource& data, QPrinter& printer, const QString& path,
                  const TQRProgress& progress) {
    if (path.isEmpty())
        throw fileError(path, QStringLiteral("No file name was given."));
    // A link stays a link: the file it points to is the one replaced.
    const QFileInfo target(QsReplaceTarget(path));
    if (target.isDir())
        throw fileError(path, QStringLiteral("Is a directory"));
    try {
        // The printer writes the new file by its name; it is flushed and renamed only when complete.
        TQsReplaceFile part(target.absolutePath(), "print");
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(part.FileName());
        int pages = -1;
        try {
            pages = QrRender(report, data, printer, progress);
        } catch (...) {
            printer.setOutputFileName(path);
            throw;
        }
        printer.setOutputFileName(path);
        if (pages < 0)
            return -1;
        if (!endsLikePdf(part.FileName()))
            throw fileError(path, QStringLiteral("The file could not be written completely."));
        part.CommitChosen(path); // where the name leads is decided now, not when it was chosen
        return pages;
    } catch (const std::system_error& e) {
        throw fileError(path, qt_error_string(e.code().value()));
    }
}

int QrPrint(const TQRReport& report, const TQRDataSource& data, QPrinter& printer, QWidget* owner) {
    TProgressWindow progress(owner, data.RowCount());
    if (QrPrintsToFile(printer))
        return QrPrintToFile(report, data, printer, printer.outputFileName(), progress.Callback());
    return QrRender(report, data, printer, progress.Callback());
}

void QrPreview(const TQRLayoutChooser& layout, const TQRDataSource& data, QPrinter& printer, QWidget* owner) {
    printer.setPageLayout(layout(printer.pageLayout().orientation()).PageLayout());
    QPrintPreviewDialog dialog(&printer, owner);
    if (const QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen()) {
        const QSize room = screen->availableGeometry().size();
        dialog.resize(std::min(room.width() * 4 / 5, 1000), room.height() * 9 / 10);
    }
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog, [&](QPrinter* target) {
        QsGuard([&] {
            const TQRReport& report = layout(target->pageLayout().orientation());
            // The preview paints into pictures; a print started from the window goes to the printer.
            if (target->paintEngine() && target->paintEngine()->type() == QPaintEngine::Picture) {
                QApplication::setOverrideCursor(Qt::WaitCursor);
                struct TRestore {
                    ~TRestore() { QApplication::restoreOverrideCursor(); }
                } restore;
                QrRender(report, data, *target);
            } else {
                QrPrint(report, data, *target, &dialog);
            }
        });
    });
    // The system's page set-up refuses the PDF output; the window's Page Setup button then opens the
    // engine's own instead of doing nothing.
    auto* preview = dialog.findChild<QPrintPreviewWidget*>();
    const QString pageSetup = QCoreApplication::translate("QPrintPreviewDialog", "Page setup");
    for (QAction* action : dialog.findChildren<QAction*>()) {
        if (!preview || !QrPrintsToFile(printer) || action->text() != pageSetup)
            continue;
        QObject::disconnect(action, &QAction::triggered, &dialog, nullptr);
        QObject::connect(action, &QAction::triggered, &dialog, [&printer, &dialog, preview] {
            QsGuard([&] {
                if (QrPageSetup(printer, &dialog))
                    preview->setOrientation(printer.pageLayout().orientation());
            });
        });
    }
    // The window's own controls are Qt's; they get names a screen reader can say.
    for (QLineEdit* edit : dialog.findChildren<QLineEdit*>())
        if (!qobject_cast<QComboBox*>(edit->parentWidget()))
            edit->setAccessibleName(QStringLiteral("Page number"));
    for (QGraphicsView* view : dialog.findChildren<QGraphicsView*>())
        view->setAccessibleName(QStringLiteral("Pages"));
    QsAnswers::Record(QStringLiteral("PrintPreview"), dialog.windowTitle());
    if (QsAnswers::Take(QStringLiteral("PrintPreview"), &dialog))
        return;
    dialog.exec();
}
