// The band engine on its own: pagination, page numbers, wrapping and alignment, and PDF files that are
// their owner's alone and never left half-written. Read back with poppler-utils.
#include "KyvnPdf.h"
#include "KyvnTest.h"
#include "QrPrinter.h"
#include "QrReport.h"
#include "QsExceptions.h"

#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class TRows : public TQRDataSource {
public:
    QList<QStringList> Rows;
    int RowCount() const override { return int(Rows.size()); }
    QString Text(int row, int field) const override { return Rows.value(row).value(field); }
};

TQRCell cell(const QString& text, double leftFrac, double widthFrac, TQRSource source = TQRSource::None,
             int field = -1) {
    TQRCell c;
    c.Text = text;
    c.LeftFrac = leftFrac;
    c.WidthFrac = widthFrac;
    c.Source = source;
    c.Field = field;
    return c;
}

// Header, footer with the page number, and a detail of `lines` lines per row (field 0 on the first).
TQRReport makeReport(int lines) {
    TQRReport r;
    r.JobTitle = "Engine Test";
    r.Date = QDate(2026, 3, 4);
    TQRBand& header = r.AddBand(TQRBandKind::PageHeader);
    TQRCell date = cell("Printed", 0.5, 0.5, TQRSource::Date);
    date.Align = Qt::AlignRight;
    header.Lines = {{{cell("HEADER", 0, 0.5), date}}};
    TQRBand& detail = r.AddBand(TQRBandKind::Detail);
    for (int i = 0; i < lines; ++i)
        detail.Lines.push_back({{cell(i == 0 ? QString() : QString("line%1").arg(i), 0, 1,
                                      i == 0 ? TQRSource::Field : TQRSource::None, 0)}});
    detail.SpaceAfterMm = 2;
    TQRBand& footer = r.AddBand(TQRBandKind::PageFooter);
    TQRCell page = cell("Page:", 0, 1, TQRSource::PageNumber);
    page.Align = Qt::AlignRight;
    footer.Lines = {{{page}}};
    return r;
}

QPrinter* pdfPrinter() {
    static QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    return &printer;
}

QStringList filesIn(const QString& dir) {
    return QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::System);
}

} // namespace

class TestEngine : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

    TRows rows(int count) {
        TRows r;
        for (int i = 0; i < count; ++i)
            r.Rows.append({QString("Row%1").arg(i, 4, 10, QChar('0'))});
        return r;
    }

private slots:
    void blocksAreNeverSplitAndPagesAreNumbered() {
        const TQRReport report = makeReport(5);
        const TRows data = rows(60);
        const QString pdf = dir.filePath("paged.pdf");
        QList<int> progressPages;
        int lastDone = -1;
        const int pages = QrPrintToFile(report, data, *pdfPrinter(), pdf, [&](int page, int done, int count) {
            progressPages << page;
            lastDone = done;
            return count == 60;
        });
        QVERIFY(pages >= 2);
        QCOMPARE(KyvnPdf::pageCount(pdf), pages);
        QCOMPARE(KyvnPdf::info(pdf, "Title"), QString("Engine Test"));
        QCOMPARE(lastDone, 60);
        QCOMPARE(progressPages.size(), pages);
        for (int i = 0; i < pages; ++i)
            QCOMPARE(progressPages[i], i + 1);
        const QStringList texts = KyvnPdf::pages(pdf);
        QCOMPARE(texts.size(), pages);
        int seen = 0;
        for (int p = 0; p < pages; ++p) {
            QVERIFY(texts[p].contains("HEADER"));
            QVERIFY(
                texts[p].contains("Printed " + QLocale::system().toString(QDate(2026, 3, 4), QLocale::ShortFormat)));
            QVERIFY2(texts[p].contains(QString("Page: %1").arg(p + 1)), qPrintable(texts[p]));
            // each block has its first and its last line on the same page
            QCOMPARE(texts[p].count("Row"), texts[p].count("line4"));
            seen += int(texts[p].count("Row"));
        }
        QCOMPARE(seen, 60);

        // the footer sits at the foot of the page, the header at its head, right-aligned texts at the margin
        for (const KyvnPdf::TWord& w : KyvnPdf::words(pdf)) {
            if (w.Text == "HEADER")
                QVERIFY(qAbs(w.YMin - KyvnPdf::pt(10)) < 3);
            if (w.Text == "Page:") {
                QVERIFY(w.YMax > KyvnPdf::pt(297 - 10) - 8 && w.YMax <= KyvnPdf::pt(297 - 10) + 0.5);
            }
            if (w.Text.startsWith("Page") || w.Text == QString::number(w.Page))
                QVERIFY(w.XMax <= KyvnPdf::pt(200) + 0.5);
        }
    }

    void orientationAndPaper_data() {
        QTest::addColumn<bool>("landscape");
        QTest::newRow("portrait") << false;
        QTest::newRow("landscape") << true;
    }
    void orientationAndPaper() {
        QFETCH(bool, landscape);
        TQRReport report = makeReport(1);
        report.Orientation = landscape ? QPageLayout::Landscape : QPageLayout::Portrait;
        // a printer left in the other orientation and on other paper prints the report's own page
        pdfPrinter()->setPageOrientation(landscape ? QPageLayout::Portrait : QPageLayout::Landscape);
        pdfPrinter()->setPageSize(QPageSize(QPageSize::Letter));
        const QString pdf = dir.filePath("o.pdf");
        QCOMPARE(QrPrintToFile(report, rows(3), *pdfPrinter(), pdf), 1);
        const QSizeF size = KyvnPdf::pageSize(pdf);
        const QSizeF a4 = landscape ? QSizeF(841.89, 595.28) : QSizeF(595.28, 841.89);
        QVERIFY2(qAbs(size.width() - a4.width()) < 1 && qAbs(size.height() - a4.height()) < 1,
                 qPrintable(KyvnPdf::info(pdf, "Page size")));
        QCOMPARE(pdfPrinter()->outputFileName(), pdf);
    }

    void aPageFixedBandThatWouldFillThePageIsClipped() {
        // a header of hundreds of wrapped words leaves room for the rows all the same
        TQRReport report = makeReport(1);
        report.Bands[0].Lines[0].Cells[0].Text = QString("word ").repeated(3000);
        const QString pdf = dir.filePath("clipped.pdf");
        const int pages = QrPrintToFile(report, rows(10), *pdfPrinter(), pdf);
        QVERIFY(pages >= 1 && pages <= 3);
        const QString text = KyvnPdf::text(pdf);
        QCOMPARE(text.count("Row"), 10);
    }

    void replacingAFileMakesItTheOwnersAlone() {
        const QString pdf = dir.filePath("old.pdf");
        KyvnTest::writeAll(pdf, "an older file that anyone could read");
        QVERIFY(::chmod(QFile::encodeName(pdf).constData(), 0644) == 0);
        const mode_t saved = ::umask(0);
        const int pages = QrPrintToFile(makeReport(2), rows(4), *pdfPrinter(), pdf);
        ::umask(saved);
        QCOMPARE(pages, 1);
        QCOMPARE(KyvnPdf::mode(pdf), mode_t(0600));
        QVERIFY(KyvnTest::readAll(pdf).startsWith("%PDF"));
        QCOMPARE(KyvnPdf::text(pdf).count("Row"), 4);
    }

    void aLinkStaysALink() {
        QTemporaryDir here;
        QVERIFY(QDir(here.path()).mkdir("real"));
        const QString file = here.filePath("real/report.pdf");
        KyvnTest::writeAll(file, "older");
        const QString link = here.filePath("link.pdf");
        QVERIFY(QFile::link(file, link));
        QCOMPARE(QrPrintToFile(makeReport(1), rows(2), *pdfPrinter(), link), 1);
        QVERIFY(QFileInfo(link).isSymLink());
        QVERIFY(KyvnTest::readAll(file).startsWith("%PDF"));
        QCOMPARE(KyvnPdf::mode(file), mode_t(0600));
        QCOMPARE(filesIn(here.filePath("real")), QStringList({"report.pdf"}));
    }

    void theCurrentPrinterOfAMachineWithoutPrinters() {
        QPrinter* printer = QrCurrentPrinter();
        QVERIFY(printer);
        QVERIFY(printer->isValid());
        // with printers installed the first choice is the system's; without, Qt's PDF output
        QCOMPARE(QrPrintsToFile(*printer), QPrinterInfo::availablePrinterNames().isEmpty());
        QCOMPARE(QrCurrentPrinter(), printer);
    }

    void aCancelledJobLeavesTheEarlierFileAsItWas() {
        QTemporaryDir here;
        const QString pdf = here.filePath("kept.pdf");
        KyvnTest::writeAll(pdf, "the earlier report");
        const int pages =
            QrPrintToFile(makeReport(5), rows(200), *pdfPrinter(), pdf, [](int page, int, int) { return page < 2; });
        QCOMPARE(pages, -1);
        QCOMPARE(KyvnTest::readAll(pdf), QByteArray("the earlier report"));
        QCOMPARE(filesIn(here.path()), QStringList({"kept.pdf"}));
        // the printer is left ready for the next job
        QCOMPARE(QrPrintToFile(makeReport(1), rows(1), *pdfPrinter(), pdf), 1);
    }

    void targetsThatCannotBeWritten_data() {
        QTest::addColumn<QString>("target");
        QTest::newRow("missing folder") << "missing/out.pdf";
        QTest::newRow("a folder") << "folder";
        QTest::newRow("below a file") << "file/out.pdf";
        QTest::newRow("no name") << "";
    }
    void targetsThatCannotBeWritten() {
        QFETCH(QString, target);
        QTemporaryDir here;
        QVERIFY(QDir(here.path()).mkdir("folder"));
        KyvnTest::writeAll(here.filePath("file"), "x");
        const QStringList before = filesIn(here.path());
        const QString path = target.isEmpty() ? QString() : here.filePath(target);
        try {
            QrPrintToFile(makeReport(1), rows(2), *pdfPrinter(), path);
            QFAIL("no error");
        } catch (const EQsException& e) {
            QCOMPARE(e.Message, QString("Error printing to file '%1'.").arg(path));
            QVERIFY(!e.Details.isEmpty());
        }
        QCOMPARE(filesIn(here.path()), before);
        QVERIFY(QFileInfo(here.filePath("folder")).isDir());
    }

    void aFullDiskIsAnErrorAndLeavesNothing() {
        if (::geteuid() != 0)
            QSKIP("mounting a small file system needs root");
        QTemporaryDir mnt;
        if (::mount("tmpfs", QFile::encodeName(mnt.path()).constData(), "tmpfs", 0, "size=64k") != 0)
            QSKIP("no tmpfs mount here");
        struct Unmount {
            QString Path;
            ~Unmount() { ::umount(QFile::encodeName(Path).constData()); }
        } unmount{mnt.path()};
        const QString pdf = mnt.filePath("full.pdf");
        KyvnTest::writeAll(pdf, "the earlier report");
        try {
            QrPrintToFile(makeReport(5), rows(3000), *pdfPrinter(), pdf);
            QFAIL("no error");
        } catch (const EQsException& e) {
            QCOMPARE(e.Message, QString("Error printing to file '%1'.").arg(pdf));
        }
        QCOMPARE(KyvnTest::readAll(pdf), QByteArray("the earlier report"));
        QCOMPARE(filesIn(mnt.path()), QStringList({"full.pdf"}));
    }

    void labelsAreFoundByName() {
        TQRReport report = makeReport(1);
        report.Bands[0].Lines[0].Cells[0].Name = "QRLHead";
        QVERIFY(report.Label("QRLHead"));
        report.Label("QRLHead")->Text = "Changed";
        QCOMPARE(report.Bands[0].Lines[0].Cells[0].Text, QString("Changed"));
        QVERIFY(!report.Label("QRLNone"));
        QCOMPARE(report.Band(TQRBandKind::PageFooter), &report.Bands[2]);
        QVERIFY(!report.Band(TQRBandKind::Title));
        const QPageLayout page = report.PageLayout();
        QCOMPARE(page.pageSize().id(), QPageSize::A4);
        QCOMPARE(page.margins(QPageLayout::Millimeter), QMarginsF(10, 10, 10, 10));
    }
};

KYVN_TEST_MAIN(TestEngine)
#include "tst_engine.moc"
