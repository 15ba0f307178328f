// The report's real modal windows on a real X server: the preview window and the page set-up dialog run
// their own event loops and are worked with keys and clicks, as a person would.
#include "KyvnPdf.h"
#include "KyvnTest.h"
#include "QrPageSetup.h"
#include "QrPrinter.h"
#include "QsAnswers.h"
#include "QsApp.h"
#include "QsExceptions.h"
#include "clsFile.h"
#include "clsList.h"
#include "frmMain.h"
#include "frmReport.h"
#include "uOptions.h"

#include <QAction>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <functional>
#include <memory>

namespace {

// Runs step on the modal window of type T as soon as it is on screen, from the event loop it runs.
template <class T> void whenShown(std::function<void(T*)> step) {
    auto* timer = new QTimer;
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, step] {
        auto* modal = qobject_cast<T*>(QApplication::activeModalWidget());
        if (!modal || !modal->isVisible() || !modal->windowHandle() || !modal->windowHandle()->isExposed())
            return;
        timer->stop();
        timer->deleteLater();
        // keys go to the active window, as they do for a person at the desk
        modal->activateWindow();
        if (!QTest::qWaitForWindowActive(modal))
            qWarning() << "the window did not become active";
        step(modal);
    });
    timer->start();
}

void screenshot(const QString& name) {
    const QString shots = qEnvironmentVariable("KEYVANE_SHOTS");
    if (!shots.isEmpty())
        QProcess::execute("import", {"-window", "root", shots + "/" + name + ".png"});
}

} // namespace

class TestXvfbReport : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    std::unique_ptr<TKYVNMain> w;
    QStringList errors;

private slots:
    void initTestCase() {
        AppInfo = new TQsApplication;
        AppInfo->Title = "Tessivo Keyvane";
        AppInfo->ProductKey = "Software\\Tessivo\\Tessivo Nimbrel\\Keyvane";
        AppInfo->LegalNotice = "Copyright \u00A9 2026 Tessivo. All rights reserved.";
        Options = new TKYVNOptions;
        Options->CloseMinimizes = false;
        Options->AutoOpenLastFile = false;
        Options->SimpleReport = false;
        ListLayout = new TKYVNList;
        ListLayout->SetDefaults();
        auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer->setOutputFormat(QPrinter::PdfFormat);
        QrSetCurrentPrinter(std::move(printer));

        const QString kvf = dir.filePath("desk.kvf");
        TKYVNFile f;
        f.FileName = kvf;
        f.Password = "pw";
        for (int i = 0; i < 30; ++i) {
            auto* a = new TKYVNAccount;
            a->AccountName = QString("Account %1").arg(i, 2, 10, QChar('0'));
            a->Login = "user";
            a->Password = QString("secret-%1").arg(i);
            a->Email = "me@example.org";
            a->Web = "https://example.org";
            f.AddAccount(a);
        }
        f.Save(false);
        w = std::make_unique<TKYVNMain>();
        QsSetExceptionHandler([this](const std::exception* e) {
            const auto* q = dynamic_cast<const EQsException*>(e);
            errors << (q ? q->Message : QString(e ? e->what() : "?"));
        });
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        QsAnswers::Push("OpenFile", kvf);
        QsAnswers::Push("TPassEdit", "pw");
        QVERIFY(w->RunCommand(w->actFileOpen));
        QCOMPARE(w->RowCount(), 30);
    }
    void cleanupTestCase() {
        w->ExitRequested = true;
        w.reset();
        ReleaseReportForm();
    }

    void pageSetupWithTheKeyboard() {
        bool seen = false;
        whenShown<TQRPageSetupDlg>([&](TQRPageSetupDlg* dlg) {
            seen = true;
            screenshot("pagesetup");
            QTest::keyClick(dlg->windowHandle(), Qt::Key_L, Qt::AltModifier); // &Landscape
            // a mnemonic clicks its button with a short animation
            QVERIFY(QTest::qWaitFor([dlg] { return dlg->radLandscape->isChecked(); }, 5000));
            QTest::keyClick(dlg->cmdOK, Qt::Key_Space);
        });
        QVERIFY(w->RunCommand(w->actFilePageSetup));
        QVERIFY(seen);
        QCOMPARE(errors, QStringList());
        QCOMPARE(QrCurrentPrinter()->pageLayout().orientation(), QPageLayout::Landscape);

        // Esc leaves the printer as it was
        whenShown<TQRPageSetupDlg>([](TQRPageSetupDlg* dlg) {
            QTest::keyClick(dlg->windowHandle(), Qt::Key_P, Qt::AltModifier);
            QVERIFY(QTest::qWaitFor([dlg] { return dlg->radPortrait->isChecked(); }, 5000));
            QTest::keyClick(dlg, Qt::Key_Escape);
        });
        QVERIFY(w->RunCommand(w->actFilePageSetup));
        QCOMPARE(QrCurrentPrinter()->pageLayout().orientation(), QPageLayout::Landscape);
    }

    void previewWindowShowsEveryPage() {
        int pages = 0;
        QPageLayout::Orientation orientation = QPageLayout::Portrait;
        whenShown<QPrintPreviewDialog>([&](QPrintPreviewDialog* dlg) {
            auto* preview = dlg->findChild<QPrintPreviewWidget*>();
            if (QTest::qWaitFor([preview] { return preview->pageCount() > 0; }, 60000)) {
                pages = preview->pageCount();
                orientation = preview->orientation();
                // a person reads the pages at a size the window can hold
                QVERIFY(dlg->width() >= 640 && dlg->height() >= 480);
                screenshot("preview");
            }
            QTest::keyClick(dlg, Qt::Key_Escape);
        });
        QVERIFY(w->RunCommand(w->actFilePreview));
        QCOMPARE(errors, QStringList());
        QVERIFY(pages >= 2); // thirty full blocks in landscape
        QCOMPARE(orientation, QPageLayout::Landscape);
        QVERIFY(!QApplication::activeModalWidget());
    }

    void printShowsItsProgressAndWritesThePdf() {
        const QString pdf = dir.filePath("desk.pdf");
        QsAnswers::Push("SaveFile", pdf);
        QString shown;
        QsAnswers::PushHandler("PrintProgress", [&shown](QObject* d) {
            auto* progress = qobject_cast<QWidget*>(d);
            shown = progress && progress->isVisible() ? progress->windowTitle() : QString();
            screenshot("progress");
            return QVariant();
        });
        QVERIFY(w->RunCommand(w->actFilePrint));
        QCOMPARE(shown, QString("Printing progress"));
        QCOMPARE(errors, QStringList());
        QCOMPARE(KyvnPdf::mode(pdf), mode_t(0600));
        QVERIFY(KyvnPdf::pageCount(pdf) >= 2);
        QVERIFY(KyvnPdf::text(pdf).contains("secret-29"));
        QVERIFY(!QApplication::activeModalWidget());
    }
};

KYVN_TEST_MAIN(TestXvfbReport)
#include "tst_xvfb_report.moc"
