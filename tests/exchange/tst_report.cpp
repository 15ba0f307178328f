// The accounts report: ReportData and the four layouts, printed to PDF and read back with poppler-utils.
#include "KyvnPdf.h"
#include "KyvnTest.h"
#include "QrPrinter.h"
#include "QsApp.h"
#include "clsAccount.h"
#include "frmReport.h"

#include <QPrinter>
#include <memory>

namespace {

struct TAcc {
    QString Name, Login, Password, Email, Web, Notes;
    bool Protected = false;
    QDate Created = QDate(2024, 1, 31), Modified = QDate(2025, 6, 2);
};

// Owns the records a test reports on, in the order given.
struct TAccounts {
    std::vector<std::unique_ptr<TKYVNAccount>> Records;
    QList<const TKYVNAccount*> List;
    void add(const TAcc& a) {
        auto r = std::make_unique<TKYVNAccount>();
        r->AccountName = a.Name;
        r->Login = a.Login;
        r->Password = a.Password;
        r->Email = a.Email;
        r->Web = a.Web;
        r->Notes = a.Notes;
        r->Protected = a.Protected;
        r->Created = a.Created;
        r->Modified = a.Modified;
        List.append(r.get());
        Records.push_back(std::move(r));
    }
};

QString shortDate(const QDate& d) {
    return QLocale::system().toString(d, QLocale::ShortFormat);
}

// Text without any white space, so values wrapped over lines read as one.
QString squeezed(QString text) {
    text.remove(QRegularExpression(QStringLiteral("\\s")));
    return text;
}

} // namespace

class TestReport : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    std::unique_ptr<TReportForm> form;
    const QString kvf = QStringLiteral("/home/user/safe/My Accounts.kvf");

    // Prints the layout to a new PDF in the test folder; returns its path.
    QString printLayout(TQRReport& layout, const QString& name) {
        const QString pdf = dir.filePath(name);
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        const int pages = QrPrintToFile(layout, form->ReportData, printer, pdf);
        [&] { QVERIFY(pages > 0); }();
        return pdf;
    }
    TAccounts three() {
        TAccounts a;
        a.add({"Zeta Bank", "zed", "z-pass-1", "zed@bank.example", "https://bank.example", "first note", true});
        a.add({"alpha mail", "al", "a-pass-2", "al@mail.example", "https://mail.example", "", false});
        a.add({"Mid Shop", "mo", "m-pass-3", "mo@shop.example", "https://shop.example", "line one\r\nline two"});
        return a;
    }

private slots:
    void initTestCase() {
        AppInfo = new TQsApplication;
        AppInfo->LegalNotice = QStringLiteral("Copyright \u00A9 2026 Tessivo. All rights reserved.");
    }
    void init() { form = std::make_unique<TReportForm>(); }
    void cleanup() { form.reset(); }

    void reportDataHoldsTheListsOrderAndCutTexts() {
        TAccounts a = three();
        TAcc longOne;
        longOne.Name = QString(300, u'n');
        longOne.Notes = QString(254, u'x') + QString::fromUtf8("\xF0\x9F\x94\x91") + QStringLiteral("tail");
        longOne.Protected = true;
        a.add(longOne);
        form->PrepareReport(a.List, kvf);
        const TReportData& d = form->ReportData;
        QVERIFY(d.Active);
        QCOMPARE(d.RowCount(), 4);
        QCOMPARE(d.Text(0, TReportData::fName), QString("Zeta Bank"));
        QCOMPARE(d.Text(1, TReportData::fName), QString("alpha mail"));
        QCOMPARE(d.Text(2, TReportData::fName), QString("Mid Shop"));
        QCOMPARE(d.Text(0, TReportData::fPassword), QString("z-pass-1"));
        QCOMPARE(d.Text(0, TReportData::fProtect), QString("True"));
        QCOMPARE(d.Text(1, TReportData::fProtect), QString("False"));
        QCOMPARE(d.Text(0, TReportData::fCreated), shortDate(QDate(2024, 1, 31)));
        QCOMPARE(d.Text(0, TReportData::fModified), shortDate(QDate(2025, 6, 2)));
        QCOMPARE(d.Text(3, TReportData::fName), QString(255, u'n'));
        // a character outside the basic plane is not cut in half: it goes whole
        QCOMPARE(d.Text(3, TReportData::fNotes), QString(254, u'x'));
        QCOMPARE(d.Text(9, TReportData::fName), QString());

        // refilled on every report: nothing of the previous one survives
        TAccounts one;
        one.add({"Only", "o", "p", "", "", ""});
        form->PrepareReport(one.List, kvf);
        QCOMPARE(form->ReportData.RowCount(), 1);
        QCOMPARE(form->ReportData.Text(0, TReportData::fName), QString("Only"));
    }

    void labelsOfEveryLayout() {
        TAccounts a = three();
        form->PrepareReport(a.List, kvf);
        const QStringList suffixes = {"", "2", "3", "4"};
        const auto layouts = form->Layouts();
        for (int i = 0; i < 4; ++i) {
            TQRReport* r = layouts[size_t(i)];
            QCOMPARE(r->JobTitle, QString("Tessivo Keyvane - Accounts List"));
            QVERIFY(r->Label("QRLTitle" + suffixes[i]));
            QCOMPARE(r->Label("QRLTitle" + suffixes[i])->Text, QString("Accounts in 'My Accounts.kvf'"));
            QCOMPARE(r->Label("QRLFileName" + suffixes[i])->Text, kvf + " -");
            QCOMPARE(r->Label("QRLTitle" + suffixes[i])->PointSize, 14.0);
            QVERIFY(r->Label("QRLTitle" + suffixes[i])->Bold);
        }
        QCOMPARE(&form->Layout(QPageLayout::Portrait, false), &form->QRPortraitComplete);
        QCOMPARE(&form->Layout(QPageLayout::Landscape, false), &form->QRLandscapeComplete);
        QCOMPARE(&form->Layout(QPageLayout::Portrait, true), &form->QRPortraitSimple);
        QCOMPARE(&form->Layout(QPageLayout::Landscape, true), &form->QRLandscapeSimple);
        QCOMPARE(form->QRLandscapeSimple.Orientation, QPageLayout::Landscape);
        QCOMPARE(form->QRPortraitComplete.Orientation, QPageLayout::Portrait);
    }

    void everyLayoutPrintsItsTextsInOrder_data() {
        QTest::addColumn<bool>("landscape");
        QTest::addColumn<bool>("simple");
        QTest::addColumn<QString>("emailLabel");
        QTest::newRow("QRPortraitComplete") << false << false << "Email:";
        QTest::newRow("QRLandscapeComplete") << true << false << "E-mail:";
        QTest::newRow("QRPortraitSimple") << false << true << "";
        QTest::newRow("QRLandscapeSimple") << true << true << "";
    }
    void everyLayoutPrintsItsTextsInOrder() {
        QFETCH(bool, landscape);
        QFETCH(bool, simple);
        QFETCH(QString, emailLabel);
        TAccounts a = three();
        form->PrepareReport(a.List, kvf);
        TQRReport& layout = form->Layout(landscape ? QPageLayout::Landscape : QPageLayout::Portrait, simple);
        layout.Date = QDate(2026, 12, 10);
        const QString pdf = printLayout(layout, QString(QTest::currentDataTag()) + ".pdf");

        QCOMPARE(KyvnPdf::pageCount(pdf), 1);
        QCOMPARE(KyvnPdf::info(pdf, "Title"), QString("Tessivo Keyvane - Accounts List"));
        const QSizeF size = KyvnPdf::pageSize(pdf);
        const QSizeF a4 = landscape ? QSizeF(841.89, 595.28) : QSizeF(595.28, 841.89);
        QVERIFY2(qAbs(size.width() - a4.width()) < 1 && qAbs(size.height() - a4.height()) < 1,
                 qPrintable(KyvnPdf::info(pdf, "Page size")));
        // passwords in clear: the file is its owner's alone
        QCOMPARE(KyvnPdf::mode(pdf), mode_t(0600));

        const QString text = KyvnPdf::text(pdf);
        QStringList expected = {"Tessivo Keyvane", kvf + " - " + shortDate(QDate(2026, 12, 10)),
                                "Accounts in 'My Accounts.kvf'"};
        if (simple) {
            expected << "Account Name"
                     << "Login"
                     << "Password";
            for (const TKYVNAccount* r : a.List)
                expected << r->AccountName << r->Login << r->Password;
        } else {
            for (const TKYVNAccount* r : a.List) {
                expected << "Account Name:" << r->AccountName << "Login:" << r->Login << "Password:" << r->Password
                         << emailLabel << r->Email << "Web:" << r->Web << "Notes:";
                if (!r->Notes.isEmpty())
                    expected << r->Notes.section("\r\n", 0, 0);
                expected << "Created" << shortDate(r->Created) << "Modified:" << shortDate(r->Modified)
                         << "Protected:" << (r->Protected ? "True" : "False");
            }
        }
        expected << "Copyright \u00A9 2026 Tessivo. All rights reserved."
                 << "Page: 1";
        qsizetype at = 0;
        for (const QString& e : expected) {
            const qsizetype found = text.indexOf(e, at);
            QVERIFY2(found >= 0, qPrintable("'" + e + "' missing or out of order in:\n" + text));
            at = found + e.size();
        }
        QCOMPARE(text.contains("E-mail:"), landscape && !simple);
        QCOMPARE(text.contains("Email:"), !landscape && !simple);
        // the simple layouts print one line per account, with the three values side by side
        if (simple) {
            const QRegularExpression line("Zeta Bank\\s+zed\\s+z-pass-1");
            QVERIFY2(text.contains(line), qPrintable(text));
        }
        // a note's own line break stays a line break
        if (!simple) {
            const QStringList lines = text.split('\n');
            const int one =
                int(std::find_if(lines.begin(), lines.end(), [](const QString& l) { return l.contains("line one"); }) -
                    lines.begin());
            QVERIFY(one < lines.size() - 1);
            QVERIFY2(lines[one + 1].contains("line two"), qPrintable(text));
        }
    }

    void emptyListPrintsHeaderTitleAndFooter_data() {
        QTest::addColumn<bool>("landscape");
        QTest::addColumn<bool>("simple");
        QTest::newRow("portrait full") << false << false;
        QTest::newRow("landscape full") << true << false;
        QTest::newRow("portrait simple") << false << true;
        QTest::newRow("landscape simple") << true << true;
    }
    void emptyListPrintsHeaderTitleAndFooter() {
        QFETCH(bool, landscape);
        QFETCH(bool, simple);
        form->PrepareReport({}, kvf);
        QCOMPARE(form->ReportData.RowCount(), 0);
        TQRReport& layout = form->Layout(landscape ? QPageLayout::Landscape : QPageLayout::Portrait, simple);
        const QString pdf = printLayout(layout, "empty.pdf");
        QCOMPARE(KyvnPdf::pageCount(pdf), 1);
        const QString text = KyvnPdf::text(pdf);
        for (const char* e : {"Tessivo Keyvane", "Accounts in 'My Accounts.kvf'", "All rights reserved.", "Page: 1"})
            QVERIFY2(text.contains(e), qPrintable(text));
        QVERIFY(!text.contains("Account Name:"));
        QVERIFY(!text.contains("Password:"));
        // the column header is part of the page, not of the rows
        QCOMPARE(text.contains("Account Name"), simple);
    }

    void longNoteIsCutAt255() {
        // 300 characters: the first 255 are "<", 253 letters and ">"
        const QString note = "<" + QString(253, u'n') + ">" + QString("TAIL").repeated(11) + "X";
        QCOMPARE(note.size(), 300);
        TAccounts a;
        a.add({"Noted", "n", "p", "", "", note});
        form->PrepareReport(a.List, kvf);
        const QString pdf = printLayout(form->QRPortraitComplete, "note.pdf");
        const QString text = squeezed(KyvnPdf::text(pdf, false));
        QVERIFY2(text.contains("<" + QString(253, u'n') + ">"), qPrintable(text));
        QVERIFY(!text.contains("TAIL"));
        // the note wraps within its width: no word of it runs past the right margin
        for (const KyvnPdf::TWord& w : KyvnPdf::words(pdf))
            QVERIFY2(w.XMax <= KyvnPdf::pt(200) + 0.5, qPrintable(w.Text));
    }

    void manyAccountsGoOnOverPagesWithoutSplittingABlock_data() {
        QTest::addColumn<bool>("landscape");
        QTest::addColumn<bool>("simple");
        QTest::addColumn<QString>("marker"); // printed once per account
        QTest::newRow("portrait full") << false << false << "Protected:";
        QTest::newRow("landscape full") << true << false << "Protected:";
        QTest::newRow("portrait simple") << false << true << "pw-";
        QTest::newRow("landscape simple") << true << true << "pw-";
    }
    void manyAccountsGoOnOverPagesWithoutSplittingABlock() {
        QFETCH(bool, landscape);
        QFETCH(bool, simple);
        QFETCH(QString, marker);
        TAccounts a;
        const int count = simple ? 150 : 40;
        for (int i = 0; i < count; ++i)
            a.add({QString("Account %1").arg(i, 3, 10, QChar('0')), "login", QString("pw-%1").arg(i), "e@x.example",
                   "https://x.example", i % 3 ? QString() : QString("a note that is a bit longer than the others")});
        form->PrepareReport(a.List, kvf);
        const QString pdf =
            printLayout(form->Layout(landscape ? QPageLayout::Landscape : QPageLayout::Portrait, simple), "many.pdf");
        const QStringList pages = KyvnPdf::pages(pdf);
        QVERIFY(pages.size() >= 2);
        QCOMPARE(KyvnPdf::pageCount(pdf), int(pages.size()));
        int seen = 0;
        int previous = -1;
        for (int p = 0; p < pages.size(); ++p) {
            const QString& page = pages[p];
            // the page header on every page, the title on the first only, the footer with its number
            QVERIFY(page.contains("Tessivo Keyvane"));
            QCOMPARE(page.contains("Accounts in 'My Accounts.kvf'"), p == 0);
            QVERIFY2(page.contains(QString("Page: %1").arg(p + 1)), qPrintable(page));
            QCOMPARE(page.contains("Account Name"), true); // column header, or the first label of a block
            if (!simple)                                   // every block whole on one page
                QCOMPARE(page.count("Account Name:"), page.count(marker));
            else
                QVERIFY(page.contains(QRegularExpression("Account Name\\s+Login\\s+Password")));
            const QRegularExpression number("Account (\\d{3})");
            for (auto it = number.globalMatch(page); it.hasNext();) {
                const int n = it.next().captured(1).toInt();
                QCOMPARE(n, previous + 1); // in order, none lost, none twice
                previous = n;
            }
            seen += int(page.count(marker));
        }
        QCOMPARE(seen, count);
        QCOMPARE(previous, count - 1);
    }

    void longValuesWrapInTheirColumns() {
        // a password without a space, wider than its third of the page, wraps inside its column
        TAccounts a;
        a.add({"Wide", QString("login-").repeated(12), QString("Pw").repeated(60), "", "", ""});
        a.add({"Next", "n", "p", "", "", ""});
        form->PrepareReport(a.List, kvf);
        const QString pdf = printLayout(form->QRPortraitSimple, "wide.pdf");
        const auto words = KyvnPdf::words(pdf);
        double passwordBottom = 0;
        double nextTop = 0;
        for (const KyvnPdf::TWord& w : words) {
            if (w.Text.startsWith("PwPw")) {
                QVERIFY2(w.XMin >= KyvnPdf::pt(10 + 190.0 * 2 / 3) - 1, qPrintable(w.Text));
                QVERIFY(w.XMax <= KyvnPdf::pt(200) + 0.5);
                passwordBottom = std::max(passwordBottom, w.YMax);
            }
            if (w.Text.startsWith("login-"))
                QVERIFY(w.XMax <= KyvnPdf::pt(10 + 190.0 * 2 / 3) + 0.5);
            if (w.Text == "Next")
                nextTop = w.YMin;
        }
        QVERIFY(passwordBottom > 0);
        // the line grew to hold the wrapped value: the next account comes below it
        QVERIFY(nextTop >= passwordBottom);
        QCOMPARE(squeezed(KyvnPdf::text(pdf, false)).count("Pw"), 60);
    }

    void aBlockTallerThanAPageIsSplitBetweenLines() {
        // 120 lines of notes do not fit on one page: the block goes on over the next page, every line kept
        QStringList lines;
        for (int i = 0; i < 120; ++i)
            lines << QString("L%1").arg(i, 3, 10, QChar('0'));
        TAccounts a;
        a.add({"Before", "b", "p", "", "", ""});
        a.add({"Tall", "t", "p", "", "", ReportCut(lines.join("\r\n"), 10000)});
        a.add({"After", "f", "p", "", "", ""});
        // the notes are cut to 255 characters like every text: 255 / 6 gives lines L000 to L042
        form->PrepareReport(a.List, kvf);
        form->ReportData.Rows[1].Notes = lines.join("\r\n"); // the engine itself has no such limit
        const QString pdf = printLayout(form->QRPortraitComplete, "tall.pdf");
        const QStringList pages = KyvnPdf::pages(pdf);
        QVERIFY(pages.size() >= 2);
        const QString all = KyvnPdf::text(pdf);
        qsizetype at = all.indexOf("Before");
        QVERIFY(at >= 0);
        for (const QString& l : lines) {
            const qsizetype found = all.indexOf(l, at);
            QVERIFY2(found > at, qPrintable(l));
            at = found;
        }
        QVERIFY(all.indexOf("After", at) > at);
        for (int p = 0; p < pages.size(); ++p)
            QVERIFY(pages[p].contains(QString("Page: %1").arg(p + 1)));
    }
};

KYVN_TEST_MAIN(TestReport)
#include "tst_report.moc"
