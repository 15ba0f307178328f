// The report commands of the main window, end to end: Page Setup, Preview and Print on the current
// printer (Qt's PDF output on a machine without printers), the PDFs read back with poppler-utils.
#include "KyvnPdf.h"
#include "KyvnTest.h"
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
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <memory>
#include <sys/stat.h>

namespace {
const QString kProductKey = QStringLiteral("Software\\Tessivo\\Tessivo Nimbrel\\Keyvane");
}

class TestMainReport : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    std::unique_ptr<TKYVNMain> w;
    QStringList errors;
    QString kvf;

    void makeFile() {
        kvf = dir.filePath("report.kvf");
        TKYVNFile f;
        f.FileName = kvf;
        f.Password = "right";
        const struct {
            const char *Name, *Login, *Password;
            bool Protected;
        } rows[] = {{"Bank", "zoe", "bank-secret", true},
                    {"mail", "adam", "mail-secret", false},
                    {"Shop", "mia", "shop-secret", false}};
        for (const auto& r : rows) {
            auto* a = new TKYVNAccount;
            a->AccountName = r.Name;
            a->Login = r.Login;
            a->Password = r.Password;
            a->Protected = r.Protected;
            a->Notes = QString("note of %1").arg(r.Name);
            f.AddAccount(a);
        }
        f.Save(false);
    }
    void open() {
        QsAnswers::Push("OpenFile", kvf);
        QsAnswers::Push("TPassEdit", "right");
        QVERIFY(w->RunCommand(w->actFileOpen));
        QVERIFY(w->FileOpen);
        QCOMPARE(w->RowCount(), 3);
    }
    // Runs Print, answering the PDF question with a new file; returns its path.
    QString print(const QString& name) {
        const QString pdf = dir.filePath(name);
        QsAnswers::Push("SaveFile", pdf);
        [&] { QVERIFY(w->RunCommand(w->actFilePrint)); }();
        return pdf;
    }
    QStringList accountOrder(const QString& text) const {
        QStringList order = {"Bank", "mail", "Shop"};
        std::sort(order.begin(), order.end(),
                  [&](const QString& a, const QString& b) { return text.indexOf(a) < text.indexOf(b); });
        return order;
    }

private slots:
    void initTestCase() {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        AppInfo = new TQsApplication;
        AppInfo->Title = "Tessivo Keyvane";
        AppInfo->ProductKey = kProductKey;
        AppInfo->RegistryRoot = TQsRegRoot::LocalMachine;
        AppInfo->LegalNotice = "Copyright \u00A9 2026 Tessivo. All rights reserved.";
        Options = new TKYVNOptions;
        Options->CloseMinimizes = false;
        Options->AutoOpenLastFile = false;
        ListLayout = new TKYVNList;
        makeFile();
        QsAnswers::SetRecording(true);
    }
    void init() {
        QsAnswers::Clear();
        ListLayout->Clear();
        ListLayout->SetDefaults();
        Options->SimpleReport = true;
        Options->PrintPassword = false;
        // a machine without printers: the PDF output is the current printer
        auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer->setOutputFormat(QPrinter::PdfFormat);
        QrSetCurrentPrinter(std::move(printer));
        w = std::make_unique<TKYVNMain>();
        errors.clear();
        QsSetExceptionHandler([this](const std::exception* e) {
            const auto* q = dynamic_cast<const EQsException*>(e);
            errors << (q ? QString::number(q->Kind) + ": " + q->Message +
                               (q->Details.isEmpty() ? "" : " / " + q->Details)
                         : QString("?: ") + (e ? e->what() : ""));
        });
    }
    void cleanup() {
        w->ExitRequested = true;
        w.reset();
        QCOMPARE(QsAnswers::Pending(), 0);
    }
    void cleanupTestCase() { ReleaseReportForm(); }

    void commandStates() {
        // without a file there is nothing to report; the printer can be set up at any time
        w->alMainUpdate();
        QVERIFY(w->actFilePageSetup->isEnabled());
        QVERIFY(!w->actFilePreview->isEnabled());
        QVERIFY(!w->actFilePrint->isEnabled());
        QVERIFY(!w->RunCommand(w->actFilePrint));
        open();
        w->alMainUpdate();
        QVERIFY(w->actFilePreview->isEnabled());
        QVERIFY(w->actFilePrint->isEnabled());
    }

    void printWritesTheListInItsOrderWithProtectedValuesInFull() {
        const QByteArray before = KyvnTest::readAll(kvf);
        open();
        const QString pdf = print("list.pdf");
        QCOMPARE(errors, QStringList());
        QCOMPARE(KyvnPdf::mode(pdf), mode_t(0600));
        QCOMPARE(KyvnPdf::info(pdf, "Title"), QString("Tessivo Keyvane - Accounts List"));
        QCOMPARE(KyvnPdf::pageCount(pdf), 1);
        const QString text = KyvnPdf::text(pdf);
        // the list shows "[Hidden]" for the protected account; the report prints its values in full
        QVERIFY2(text.contains("bank-secret"), qPrintable(text));
        QVERIFY(!text.contains("[Hidden]"));
        QVERIFY(text.contains("Accounts in 'report.kvf'"));
        QVERIFY(text.contains(kvf + " - "));
        QStringList shown;
        for (int i = 0; i < w->RowCount(); ++i)
            shown << w->AccountAt(i)->AccountName;
        QCOMPARE(accountOrder(text), shown);

        // sorted by login, the report follows the list
        QVERIFY(w->RunCommand(w->actSortLogin));
        QCOMPARE(w->AccountAt(0)->AccountName, QString("mail"));
        const QString sorted = KyvnPdf::text(print("sorted.pdf"));
        QCOMPARE(accountOrder(sorted), QStringList({"mail", "Shop", "Bank"}));
        QCOMPARE(errors, QStringList());
        // printing only reads: the passwords file is as it was
        QCOMPARE(KyvnTest::readAll(kvf), before);
        QVERIFY(!QFile::exists(BackupFileName(kvf)));
    }

    void simpleReportChoosesTheLayout_data() {
        QTest::addColumn<bool>("simple");
        QTest::newRow("simple") << true;
        QTest::newRow("full") << false;
    }
    void simpleReportChoosesTheLayout() {
        QFETCH(bool, simple);
        Options->SimpleReport = simple;
        open();
        const QString text = KyvnPdf::text(print("kind.pdf"));
        QCOMPARE(text.contains("Account Name:"), !simple);
        QCOMPARE(text.contains("note of Bank"), !simple);
        QCOMPARE(text.contains(QRegularExpression("Bank\\s+zoe\\s+bank-secret")), simple);
    }

    void pageSetupLandscapeGivesTheLandscapeLayout() {
        open();
        Options->SimpleReport = false;
        // the user turns the page in the real set-up dialog and confirms
        QsAnswers::PushHandler("PageSetup", [](QObject* d) {
            auto* dlg = qobject_cast<QDialog*>(d);
            auto* landscape = dlg ? dlg->findChild<QRadioButton*>("landscape") : nullptr;
            auto* ok = dlg ? dlg->findChild<QPushButton*>("cmdOK") : nullptr;
            if (!landscape || !ok)
                return QVariant(false);
            landscape->click();
            ok->click();
            const QString shots = qEnvironmentVariable("KEYVANE_SHOTS");
            if (!shots.isEmpty())
                dlg->grab().save(shots + "/pagesetup.png");
            return QVariant(dlg->result() == QDialog::Accepted);
        });
        QVERIFY(w->RunCommand(w->actFilePageSetup));
        QCOMPARE(errors, QStringList());
        QCOMPARE(QrCurrentPrinter()->pageLayout().orientation(), QPageLayout::Landscape);
        const QString pdf = print("landscape.pdf");
        const QSizeF size = KyvnPdf::pageSize(pdf);
        QVERIFY2(size.width() > size.height(), qPrintable(KyvnPdf::info(pdf, "Page size")));
        QVERIFY(KyvnPdf::text(pdf).contains("E-mail:"));

        // a cancelled set-up changes nothing
        QsAnswers::PushHandler("PageSetup", [](QObject* d) {
            auto* dlg = qobject_cast<QDialog*>(d);
            if (auto* portrait = dlg->findChild<QRadioButton*>("portrait"))
                portrait->click();
            dlg->reject();
            return QVariant(false);
        });
        QVERIFY(w->RunCommand(w->actFilePageSetup));
        QCOMPARE(QrCurrentPrinter()->pageLayout().orientation(), QPageLayout::Landscape);
        QVERIFY(KyvnPdf::text(print("still.pdf")).contains("E-mail:"));
    }

    void previewShowsTheReportInThePrintersOrientation_data() {
        QTest::addColumn<bool>("landscape");
        QTest::newRow("portrait") << false;
        QTest::newRow("landscape") << true;
    }
    void previewShowsTheReportInThePrintersOrientation() {
        QFETCH(bool, landscape);
        open();
        QrCurrentPrinter()->setPageOrientation(landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
        int pages = 0;
        QPageLayout::Orientation shown = QPageLayout::Portrait;
        QsAnswers::PushHandler("PrintPreview", [&](QObject* d) {
            auto* dlg = qobject_cast<QPrintPreviewDialog*>(d);
            dlg->show();
            auto* preview = dlg->findChild<QPrintPreviewWidget*>();
            if (!QTest::qWaitFor([preview] { return preview->pageCount() > 0; }, 30000))
                return QVariant(0);
            pages = preview->pageCount();
            shown = preview->orientation();
            const QString shots = qEnvironmentVariable("KEYVANE_SHOTS");
            if (!shots.isEmpty())
                dlg->grab().save(shots + "/preview-" + QTest::currentDataTag() + ".png");
            dlg->close();
            return QVariant(0);
        });
        QVERIFY(w->RunCommand(w->actFilePreview));
        QCOMPARE(errors, QStringList());
        QCOMPARE(pages, 1);
        QCOMPARE(shown, landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
        QCOMPARE(ReportFormInstance().ReportData.RowCount(), 3);
        // a preview writes no file and asks for none
        QVERIFY(!QsAnswers::Log().join('\n').contains("SaveFile"));
    }

    void printingFromThePreviewWindow() {
        // the user turns the page in the preview, then prints from it to a PDF file
        Options->SimpleReport = false;
        open();
        const QString pdf = dir.filePath("from-preview.pdf");
        KyvnTest::writeAll(pdf, "older");
        QVERIFY(::chmod(QFile::encodeName(pdf).constData(), 0644) == 0);
        QrCurrentPrinter()->setPageOrientation(QPageLayout::Portrait);
        QrCurrentPrinter()->setOutputFileName(pdf);
        QsAnswers::PushHandler("PrintPreview", [&](QObject* d) {
            auto* dlg = qobject_cast<QPrintPreviewDialog*>(d);
            dlg->show();
            auto* preview = dlg->findChild<QPrintPreviewWidget*>();
            if (!QTest::qWaitFor([preview] { return preview->pageCount() > 0; }, 30000))
                return QVariant(0);
            // the window's own Page Setup button turns the page
            QsAnswers::PushHandler("PageSetup", [](QObject* setup) {
                setup->findChild<QRadioButton*>("landscape")->click();
                setup->findChild<QPushButton*>("cmdOK")->click();
                return QVariant(true);
            });
            const QString caption = QCoreApplication::translate("QPrintPreviewDialog", "Page setup");
            for (QAction* a : dlg->findChildren<QAction*>())
                if (a->text() == caption)
                    a->trigger();
            if (!QTest::qWaitFor([preview] { return preview->orientation() == QPageLayout::Landscape; }, 30000))
                return QVariant(0);
            preview->print();
            dlg->close();
            return QVariant(0);
        });
        QVERIFY(w->RunCommand(w->actFilePreview));
        QCOMPARE(errors, QStringList());
        QCOMPARE(KyvnPdf::mode(pdf), mode_t(0600));
        const QSizeF size = KyvnPdf::pageSize(pdf);
        QVERIFY2(size.width() > size.height(), qPrintable(KyvnPdf::info(pdf, "Page size")));
        const QString text = KyvnPdf::text(pdf);
        QVERIFY2(text.contains("E-mail:") && text.contains("bank-secret"), qPrintable(text));
        QVERIFY(QsAnswers::Log().contains("PrintProgress: Printing progress"));
    }

    void cancellingTheProgressWindowStopsTheJob() {
        open();
        const QString pdf = dir.filePath("cancelled.pdf");
        KyvnTest::writeAll(pdf, "earlier report");
        QsAnswers::Push("SaveFile", pdf);
        QsAnswers::PushHandler("PrintProgress", [](QObject* d) {
            auto* progress = qobject_cast<QProgressDialog*>(d);
            if (progress && progress->windowTitle() == "Printing progress")
                progress->cancel();
            return QVariant();
        });
        QVERIFY(w->RunCommand(w->actFilePrint));
        QCOMPARE(errors, QStringList());
        QCOMPARE(KyvnTest::readAll(pdf), QByteArray("earlier report"));
        QCOMPARE(QDir(dir.path()).entryList({".keyvane-print-*"}, QDir::Files | QDir::Hidden), QStringList());
    }

    void printPasswordAsksFirst() {
        Options->PrintPassword = true;
        open();
        // cancelled: nothing is previewed or printed, nothing is asked after it
        QsAnswers::Push("TPassEdit", false);
        QVERIFY(w->RunCommand(w->actFilePrint));
        QsAnswers::Push("TPassEdit", false);
        QVERIFY(w->RunCommand(w->actFilePreview));
        QCOMPARE(errors, QStringList());
        const QString log = QsAnswers::Log().join('\n');
        QVERIFY(!log.contains("SaveFile"));
        QVERIFY(!log.contains("PrintPreview"));
        QCOMPARE(QDir(dir.path()).entryList({"*.pdf"}).filter("asked"), QStringList());

        QsAnswers::Push("TPassEdit", "right");
        const QString pdf = print("asked.pdf");
        QCOMPARE(errors, QStringList());
        QVERIFY(KyvnPdf::text(pdf).contains("bank-secret"));
    }

    void cancelledFileQuestionPrintsNothing() {
        open();
        const QStringList before = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
        QsAnswers::Push("SaveFile", QString());
        QVERIFY(w->RunCommand(w->actFilePrint));
        QCOMPARE(errors, QStringList());
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), before);
    }

    void aFileThatCannotBeWrittenIsReportedAndLeavesNothing() {
        open();
        const QString pdf = dir.filePath("missing-folder/out.pdf");
        QsAnswers::Push("SaveFile", pdf);
        QVERIFY(w->RunCommand(w->actFilePrint));
        QCOMPARE(errors.size(), 1);
        QVERIFY2(errors[0].startsWith("1: Error printing to file '" + pdf + "'."), qPrintable(errors[0]));
        QVERIFY(!QFile::exists(pdf));
    }

    void withoutAnyPrinterEveryCommandSaysSo() {
        open();
        QrSetCurrentPrinter(nullptr);
        for (QAction* a : {w->actFilePageSetup, w->actFilePreview, w->actFilePrint}) {
            errors.clear();
            QVERIFY(w->RunCommand(a));
            QCOMPARE(errors, QStringList({"2: There is no default printer selected."}));
        }
        QCOMPARE(QsAnswers::Log().filter(QRegularExpression("^(SaveFile|PrintPreview|PageSetup|TPassEdit):")).size(),
                 1); // only the open's password question
    }
};

KYVN_TEST_MAIN(TestMainReport)
#include "tst_mainreport.moc"
