// The password health window: what it lists and in what order, its counts, the editor opened from it,
// the breach list searched from it, and its printout (read back with pdftotext).
#include "KyvnPdf.h"
#include "KyvnTest.h"

#include "QrPrinter.h"
#include "QsAnswers.h"
#include "QsExceptions.h"
#include "clsAccount.h"
#include "frmHealth.h"

#include <QCryptographicHash>
#include <QHeaderView>
#include <QLabel>
#include <QPrinter>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <memory>

namespace {

const QString kStrong = QStringLiteral("(B]x^7Kq:Lz<p2Vd@Mw?");

struct TAccounts {
    std::vector<std::unique_ptr<TKYVNAccount>> owned;
    QList<TKYVNAccount*> list;
    TKYVNAccount* add(const QString& name, const QString& password, int daysOld = 10) {
        auto a = std::make_unique<TKYVNAccount>();
        a->AccountName = name;
        a->Password = password;
        a->Created = a->Modified = QDate::currentDate().addDays(-daysOld);
        list << a.get();
        owned.push_back(std::move(a));
        return list.back();
    }
    TKYVNAccount* find(const QString& name) const {
        for (TKYVNAccount* a : list)
            if (a->AccountName == name)
                return a;
        return nullptr;
    }
};

// The fixture: each kind of problem, a group of three and a pair, and a sound account.
void fill(TAccounts& a) {
    a.add("Sound", kStrong);
    a.add("Forum", "shared-Secret-phrase-2024!x", 900);
    a.add("Bank", "Tr0ub4dor&3");
    a.add("Empty", "");
    a.add("Mail", "shared-Secret-phrase-2024!x");
    a.add("Shop", "letmein");
    a.add("Chat", "shared-Secret-phrase-2024!x");
    a.add("Old", "tiger-lamp-ocean-violet-87-Zq", 400);
    a.add("Pair A", "qwertyuiop");
    a.add("Pair B", "qwertyuiop");
}

QStringList column(const QTreeWidget* list, int c) {
    QStringList out;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        out << list->topLevelItem(i)->text(c);
    return out;
}

} // namespace

class TestHealthWindow : public QObject {
    Q_OBJECT
    QStringList errors;
    QTemporaryDir dir;

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void init() {
        errors.clear();
        QsAnswers::Clear();
        QsSetExceptionHandler([this](const std::exception* e) {
            const auto* q = dynamic_cast<const EQsException*>(e);
            errors << (q ? q->Message : QString("?"));
        });
    }
    void cleanup() {
        QsSetExceptionHandler({});
        QCOMPARE(QsAnswers::Pending(), 0);
        QsAnswers::Clear();
    }

    void listsWorstFirstWithCountsAndNoPasswords() {
        TAccounts a;
        fill(a);
        THealthDlg dlg;
        dlg.Accounts = [&a] { return a.list; };
        QVERIFY(dlg.Analyze());
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QCOMPARE(dlg.lblCounts->text(), QString("10 accounts: 1 empty, 4 weak, 5 reused (2 groups), 2 old"));
        QCOMPARE(column(dlg.lvHealth, 0),
                 (QStringList{"Empty", "Shop", "Pair A", "Pair B", "Forum", "Chat", "Mail", "Bank", "Old"}));
        const QStringList problems = column(dlg.lvHealth, 1);
        QCOMPARE(problems[0], QString("Empty"));
        QCOMPARE(problems[1], StrengthText(PasswordStrength("letmein")));
        QVERIFY2(problems[2].endsWith("; Same password in 2 accounts (with Pair B)"), qPrintable(problems[2]));
        QCOMPARE(problems[4], QString("Same password in 3 accounts (with Chat, Mail); Not changed for 900 days"));
        QCOMPARE(problems[5], QString("Same password in 3 accounts (with Forum, Mail)"));
        QCOMPARE(problems[7], StrengthText(PasswordStrength("Tr0ub4dor&3")));
        QCOMPARE(problems[8], QString("Not changed for 400 days"));
        // The passwords themselves appear nowhere in the window.
        for (const TKYVNAccount* account : a.list)
            for (int c = 0; c < 3 && !account->Password.isEmpty(); ++c)
                for (const QString& cell : column(dlg.lvHealth, c))
                    QVERIFY(!cell.contains(account->Password));
        QCOMPARE(dlg.SelectedAccount(), a.find("Empty"));
        QVERIFY(dlg.cmdOpen->isDefault());
        KyvnTest::shoot(&dlg, "health");
    }

    void enterAndDoubleClickOpenTheEditorThenTheListIsWorkedOutAgain() {
        TAccounts a;
        fill(a);
        QList<TKYVNAccount*> edited;
        THealthDlg dlg;
        dlg.Accounts = [&a] { return a.list; };
        dlg.EditAccount = [&edited](TKYVNAccount* account) {
            edited << account;
            account->Password = kStrong + account->AccountName; // fixed, and unique
            account->Modified = QDate::currentDate();
            return true;
        };
        QVERIFY(dlg.Analyze());
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        dlg.lvHealth->setFocus();
        dlg.SelectAccount(a.find("Shop"));
        QTest::keyClick(dlg.lvHealth, Qt::Key_Return);
        QCOMPARE(edited, QList<TKYVNAccount*>{a.find("Shop")});
        QVERIFY(!column(dlg.lvHealth, 0).contains("Shop"));
        // The row that took its place is selected, ready for the next one.
        QCOMPARE(dlg.SelectedAccount(), a.find("Pair A"));
        QCOMPARE(dlg.lblCounts->text(), QString("10 accounts: 1 empty, 3 weak, 5 reused (2 groups), 2 old"));

        QTreeWidgetItem* forum = dlg.lvHealth->topLevelItem(int(column(dlg.lvHealth, 0).indexOf("Forum")));
        const QRect rect = dlg.lvHealth->visualItemRect(forum);
        QTest::mouseClick(dlg.lvHealth->viewport(), Qt::LeftButton, {}, rect.center());
        QTest::mouseDClick(dlg.lvHealth->viewport(), Qt::LeftButton, {}, rect.center());
        QCOMPARE(edited.size(), 2);
        QCOMPARE(edited.last(), a.find("Forum"));
        // Forum no longer shares its password: Mail and Chat remain a pair.
        QCOMPARE(dlg.lblCounts->text(), QString("10 accounts: 1 empty, 3 weak, 4 reused (2 groups), 1 old"));
        QVERIFY(dlg.isVisible());
        QVERIFY(errors.isEmpty());
    }

    void editorCancelledLeavesTheListAsItWas() {
        TAccounts a;
        fill(a);
        THealthDlg dlg;
        dlg.Accounts = [&a] { return a.list; };
        int asked = 0;
        dlg.EditAccount = [&asked](TKYVNAccount*) {
            ++asked;
            return false;
        };
        QVERIFY(dlg.Analyze());
        dlg.SelectAccount(a.find("Bank"));
        const QStringList before = column(dlg.lvHealth, 0);
        dlg.cmdOpen->click();
        QCOMPARE(asked, 1);
        QCOMPARE(column(dlg.lvHealth, 0), before);
        QCOMPARE(dlg.SelectedAccount(), a.find("Bank"));
    }

    void nothingToFix() {
        TAccounts a;
        a.add("Sound", kStrong);
        THealthDlg dlg;
        dlg.Accounts = [&a] { return a.list; };
        QVERIFY(dlg.Analyze());
        QCOMPARE(dlg.lblCounts->text(), QString("1 account: 0 empty, 0 weak, 0 reused (0 groups), 0 old"));
        QCOMPARE(column(dlg.lvHealth, 0), QStringList{"No account needs attention."});
        QVERIFY(!dlg.cmdOpen->isEnabled());
        QCOMPARE(dlg.SelectedAccount(), nullptr);
    }

    void breachListIsSearchedFromTheWindow() {
        TAccounts a;
        fill(a);
        QList<QByteArray> lines;
        for (const char* leaked : {"Tr0ub4dor&3", "letmein", "unrelated"})
            lines << QCryptographicHash::hash(leaked, QCryptographicHash::Sha1).toHex() + ":" +
                         QByteArray::number(int(strlen(leaked)) * 1000);
        std::sort(lines.begin(), lines.end());
        const QString list = dir.filePath("breaches.txt");
        KyvnTest::writeAll(list, lines.join("\r\n") + "\r\n");
        THealthDlg dlg;
        dlg.Accounts = [&a] { return a.list; };
        QVERIFY(dlg.Analyze());
        QVERIFY(dlg.lblBreaches->text().startsWith("Not checked against a breach list"));

        QsAnswers::SetRecording(true);
        QsAnswers::Push("OpenFile", list);
        dlg.cmdBreaches->click();
        QVERIFY(QsAnswers::Log().contains("OpenFile: Select Breach List..."));
        QCOMPARE(dlg.lblCounts->text(),
                 QString("10 accounts: 2 breached, 1 empty, 4 weak, 5 reused (2 groups), 2 old"));
        QCOMPARE(dlg.lblBreaches->text(), "Breach list: " + list);
        QCOMPARE(column(dlg.lvHealth, 0).mid(0, 2), (QStringList{"Bank", "Shop"}));
        QCOMPARE(column(dlg.lvHealth, 1)[0],
                 "Breached (seen 11,000 times); " + StrengthText(PasswordStrength("Tr0ub4dor&3")));

        // A list that cannot be searched is reported and no longer used.
        const QString unsorted = dir.filePath("by-count.txt");
        std::reverse(lines.begin(), lines.end());
        KyvnTest::writeAll(unsorted, lines.join("\n") + "\n");
        QsAnswers::Push("OpenFile", unsorted);
        dlg.cmdBreaches->click();
        QCOMPARE(errors, QStringList{QString("The breach list '%1' is not sorted by hash.").arg(unsorted)});
        QVERIFY(!dlg.Breaches.IsOpen());
        QVERIFY(dlg.lblBreaches->text().startsWith("Not checked against a breach list"));
        QCOMPARE(dlg.lblCounts->text(), QString("10 accounts: 1 empty, 4 weak, 5 reused (2 groups), 2 old"));
        // Cancelling the file dialog changes nothing.
        QsAnswers::Push("OpenFile", QString());
        dlg.cmdBreaches->click();
        QCOMPARE(errors.size(), 1);
    }

    void largeFileShowsProgressAndCanBeCancelled() {
        TAccounts a;
        for (int i = 0; i < 3000; ++i)
            a.add(QString("A%1").arg(i), QString("pw%1").arg(i % 100));
        THealthDlg dlg;
        dlg.Accounts = [&a] { return a.list; };
        QVERIFY(dlg.Analyze());
        QCOMPARE(dlg.Report.Accounts, 3000);
        QCOMPARE(dlg.Report.ReuseGroups, 100);
        // Cancel as soon as the progress window shows.
        dlg.ProgressDelayMs = 0;
        bool sawProgress = false;
        QTimer poll;
        connect(&poll, &QTimer::timeout, &dlg, [&] {
            if (auto* progress = QApplication::activeModalWidget();
                progress && progress->objectName() == "HealthProgress") {
                sawProgress = true;
                QMetaObject::invokeMethod(progress, "cancel");
            }
        });
        poll.start(0);
        a.add("Z", "z");
        const THealthReport before = dlg.Report;
        QVERIFY(!dlg.Analyze());
        QVERIFY(sawProgress);
        QCOMPARE(dlg.Report.Accounts, before.Accounts); // the list stays what it was
    }

    void printoutHasNamesAndProblemsButNoPasswords() {
        TAccounts a;
        fill(a);
        THealthDlg dlg;
        dlg.Accounts = [&a] { return a.list; };
        QVERIFY(dlg.Analyze());
        const TQRReport layout = HealthPrintLayout(dlg.Report, "/home/ann/Safe.kvf");
        THealthPrintData data(dlg.Report);
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setPageLayout(layout.PageLayout());
        const QString pdf = dir.filePath("health.pdf");
        QCOMPARE(QrPrintToFile(layout, data, printer, pdf), 1);
        QCOMPARE(KyvnPdf::info(pdf, "Title"), QString("Tessivo Keyvane - Password Health"));
        const QString text = KyvnPdf::text(pdf);
        QVERIFY2(text.contains("Password Health"), qPrintable(text));
        QVERIFY(text.contains("/home/ann/Safe.kvf"));
        QVERIFY(text.contains("10 accounts: 1 empty, 4 weak, 5 reused (2 groups), 2 old"));
        QVERIFY2(text.contains("Not changed for 400 days"), qPrintable(text));
        QStringList order;
        for (const QString& name : column(dlg.lvHealth, 0))
            order << QString::number(
                text.indexOf(QRegularExpression("\\n\\s*" + QRegularExpression::escape(name) + "\\s")));
        for (int i = 1; i < order.size(); ++i)
            QVERIFY2(order[i - 1].toInt() < order[i].toInt(), qPrintable(order.join(",")));
        for (const TKYVNAccount* account : a.list)
            if (!account->Password.isEmpty())
                QVERIFY2(!text.contains(account->Password), qPrintable(account->Password));

        // The window's Print... opens the preview of the same report.
        QsAnswers::SetRecording(true);
        QsAnswers::Push("PrintPreview", 0);
        auto pdfPrinter = std::make_unique<QPrinter>(QPrinter::HighResolution);
        pdfPrinter->setOutputFormat(QPrinter::PdfFormat);
        QrSetCurrentPrinter(std::move(pdfPrinter));
        dlg.cmdPrint->click();
        QVERIFY(errors.isEmpty());
        QVERIFY2(QsAnswers::Log().join("\n").contains("PrintPreview"), qPrintable(QsAnswers::Log().join("\n")));
    }
};

QTEST_MAIN(TestHealthWindow)
#include "tst_health.moc"
