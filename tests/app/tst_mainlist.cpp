// The accounts list of the main window: columns from the layout, hidden values, sorting, widths.
#include "KyvnTest.h"
#include "QsAnswers.h"
#include "QsApp.h"
#include "QsExceptions.h"
#include "QsStrUtils.h"
#include "clsFile.h"
#include "clsList.h"
#include "frmMain.h"
#include "uOptions.h"

#include <QAction>
#include <QHeaderView>
#include <QTreeView>
#include <memory>

class TestMainList : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    std::unique_ptr<TKYVNMain> w;
    QString path;
    QStringList errors;

    QStringList column(int c) const {
        QStringList texts;
        for (int i = 0; i < w->RowCount(); ++i)
            texts << w->CellText(i, c);
        return texts;
    }
    QStringList names() const {
        QStringList texts;
        for (int i = 0; i < w->RowCount(); ++i)
            texts << w->AccountAt(i)->AccountName;
        return texts;
    }
    void openFixture() {
        QsAnswers::Push("OpenFile", path);
        QsAnswers::Push("TPassEdit", "pw12");
        QVERIFY(w->RunCommand(w->actFileOpen));
        QVERIFY(w->FileOpen);
    }

private slots:
    void initTestCase() {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        AppInfo = new TQsApplication;
        AppInfo->Title = "Tessivo Keyvane";
        AppInfo->ProductKey = "Software\\Tessivo\\Tessivo Nimbrel\\Keyvane";
        Options = new TKYVNOptions;
        Options->CloseMinimizes = false;
        ListLayout = new TKYVNList;

        path = dir.filePath("list.kvf");
        TKYVNFile f;
        f.FileName = path;
        f.Password = "pw12";
        struct Row {
            const char *name, *login, *email;
            QDate created;
            bool prot;
        };
        const Row rows[] = {
            {"Bank", "bob", "c@x.org", QDate(2004, 3, 2), true},
            {"mail", "alice", "a@x.org", QDate(2003, 9, 1), false},
            {"Shop", "carol", "b@x.org", QDate(2003, 1, 15), false},
        };
        for (const Row& r : rows) {
            auto* a = new TKYVNAccount;
            a->AccountName = r.name;
            a->Login = r.login;
            a->Email = r.email;
            a->Password = QString("secret-") + r.name;
            a->Created = r.created;
            a->Modified = r.created;
            a->Protected = r.prot;
            f.AddAccount(a);
        }
        f.Save(false);
    }
    void init() {
        QsAnswers::Clear();
        ListLayout->Clear();
        ListLayout->SetDefaults();
        w = std::make_unique<TKYVNMain>();
        errors.clear();
        QsSetExceptionHandler([this](const std::exception* e) { errors << (e ? QsExceptionMessage(*e) : "?"); });
    }
    void cleanup() {
        w->ExitRequested = true;
        w.reset();
        QCOMPARE(errors, QStringList());
    }

    void headingClicksSortAndReverse() {
        openFixture();
        QCOMPARE(names(), QStringList({"Bank", "mail", "Shop"}));
        const int email = w->ShownColumnIndex("Email");
        QCOMPARE(email, 2);
        w->lvAccounts->header()->sectionClicked(email);
        QCOMPARE(ListLayout->SortIndex, email);
        QVERIFY(ListLayout->SortAscending);
        QCOMPARE(column(email), QStringList({"a@x.org", "b@x.org", "c@x.org"}));
        w->lvAccounts->header()->sectionClicked(email);
        QVERIFY(!ListLayout->SortAscending);
        QCOMPARE(column(email), QStringList({"c@x.org", "b@x.org", "a@x.org"}));
        QCOMPARE(w->lvAccounts->header()->sortIndicatorSection(), email);
        QCOMPARE(w->lvAccounts->header()->sortIndicatorOrder(), Qt::DescendingOrder);
        // another heading starts ascending again
        w->lvAccountsColumnClick(1);
        QCOMPARE(column(1), QStringList({"alice", "bob", "carol"}));
        QVERIFY(ListLayout->SortAscending);
    }
    void datesSortByDateNotByText() {
        openFixture();
        const int created = w->ShownColumnIndex("Created");
        w->lvAccountsColumnClick(created);
        QCOMPARE(names(), QStringList({"Shop", "mail", "Bank"}));
        QCOMPARE(w->CellText(0, created), ShortDateText(QDate(2003, 1, 15)));
        w->lvAccountsColumnClick(created);
        QCOMPARE(names(), QStringList({"Bank", "mail", "Shop"}));
    }
    void protectedColumnShowsHiddenValues() {
        ListLayout->FindColumn("Password")->Visible = true; // protected by default
        ListLayout->FindColumn("Protected")->Visible = true;
        openFixture();
        const int pw = w->ShownColumnIndex("Password");
        QVERIFY(pw >= 0);
        QCOMPARE(column(pw), QStringList({"[Hidden]", "[Hidden]", "[Hidden]"}));
        QCOMPARE(column(w->ShownColumnIndex("Protected")), QStringList({"True", "False", "False"}));
        QCOMPARE(w->AccountAt(0)->Password, QString("secret-Bank"));
        // sorting by the hidden column does not reveal the order of the values
        w->lvAccountsColumnClick(pw);
        QCOMPARE(w->RowCount(), 3);
    }
    void storedSortStateOutOfRange_data() {
        QTest::addColumn<int>("sortIndex");
        QTest::newRow("beyond") << 42;
        QTest::newRow("negative") << -3;
    }
    void storedSortStateOutOfRange() {
        QFETCH(int, sortIndex);
        ListLayout->SortIndex = sortIndex;
        openFixture();
        QCOMPARE(w->RowCount(), 3);
        QCOMPARE(w->SelectedRow(), 0);
        // a click sorts from there
        w->lvAccountsColumnClick(0);
        QCOMPARE(names(), QStringList({"Bank", "mail", "Shop"}));
    }
    void layoutWithoutShownColumns() {
        for (TKYVNColumn* c : ListLayout->Columns)
            c->Visible = false;
        openFixture();
        QCOMPARE(w->ShownHeadings(), QStringList());
        QCOMPARE(w->RowCount(), 3);
        w->alMainUpdate();
        w->SaveColumnWidths();
    }
    void widthsReachTheLayout() {
        openFixture();
        QCOMPARE(w->lvAccounts->header()->sectionSize(1), 150);
        w->lvAccounts->header()->resizeSection(1, 222);
        QVERIFY(w->RunCommand(w->actFileClose));
        QCOMPARE(ListLayout->FindColumn("Login")->Width, 222);
        openFixture();
        QCOMPARE(w->lvAccounts->header()->sectionSize(1), 222);
        w->lvAccounts->header()->resizeSection(0, 180);
        QVERIFY(w->close());
        QCOMPARE(ListLayout->FindColumn("Account Name")->Width, 180);
    }
    void addedRowsTakeTheirSortedPlace() {
        openFixture();
        auto* a = new TKYVNAccount;
        a->AccountName = "Library";
        CurrentFile->AddAccount(a);
        w->AddAccountItem(a, true);
        QCOMPARE(names(), QStringList({"Bank", "Library", "mail", "Shop"}));
        QCOMPARE(w->SelectedAccount(), a);
        w->RemoveAccountItem(a);
        QCOMPARE(names(), QStringList({"Bank", "mail", "Shop"}));
    }
    // Keys that agree far into the text still sort by the whole text, equal ones keep the file's order
    // both ways round, and the selected account stays selected through every re-sort.
    void longKeysTiesAndTheSelectionSurviveResorts() {
        const QString other = dir.filePath("ties.kvf");
        {
            TKYVNFile f;
            f.FileName = other;
            f.Password = "pw12";
            const QString shared = "Shared prefix for many accounts ";
            const QStringList rows = {shared + "B", shared + "a",  "Twin|first",
                                      shared + "A", "Twin|second", shared + "c"};
            for (const QString& r : rows) {
                auto* a = new TKYVNAccount;
                a->AccountName = r.section('|', 0, 0);
                a->Login = r.section('|', 1, 1);
                f.AddAccount(a);
            }
            f.Save(false);
        }
        QsAnswers::Push("OpenFile", other);
        QsAnswers::Push("TPassEdit", "pw12");
        QVERIFY(w->RunCommand(w->actFileOpen));
        auto order = [this] {
            QStringList texts;
            for (int i = 0; i < w->RowCount(); ++i)
                texts << w->AccountAt(i)->AccountName.right(1) + w->AccountAt(i)->Login;
            return texts;
        };
        QCOMPARE(order(), QStringList({"a", "A", "B", "c", "nfirst", "nsecond"}));
        w->SelectRow(5);
        TKYVNAccount* selected = w->SelectedAccount();
        QCOMPARE(selected->Login, QString("second"));
        w->lvAccountsColumnClick(0);
        QCOMPARE(order(), QStringList({"nfirst", "nsecond", "c", "B", "A", "a"}));
        QCOMPARE(w->SelectedAccount(), selected);
        QCOMPARE(w->SelectedRow(), 1);
        w->lvAccountsColumnClick(1); // by login: the empty ones first, in file order
        QCOMPARE(order(), QStringList({"B", "a", "A", "c", "nfirst", "nsecond"}));
        QCOMPARE(w->SelectedAccount(), selected);
        QCOMPARE(w->SelectedRow(), 5);
    }
    void copyStatesFollowTheSelection() {
        openFixture();
        w->SelectRow(1); // mail: login, password, email, no web
        w->alMainUpdate();
        QVERIFY(w->actEditCopyLogin->isEnabled());
        QVERIFY(w->actEditCopyPassword->isEnabled());
        QVERIFY(w->actEditCopyEmail->isEnabled());
        QVERIFY(!w->actEditCopyWeb->isEnabled());
        QVERIFY(w->actEditFind->isEnabled());
        w->lvAccounts->clearSelection();
        w->alMainUpdate();
        QVERIFY(!w->actEditCopyLogin->isEnabled());
    }
};

KYVN_TEST_MAIN(TestMainList)
#include "tst_mainlist.moc"
