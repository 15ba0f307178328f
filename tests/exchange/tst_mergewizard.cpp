// The merge wizard and the import beneath it: the repeated names, the choice, the import in the second
// file's order, the ownership of moved records, and the undo of a failed import.
#include "KyvnTest.h"
#include "MergeAccounts.h"
#include "QsAnswers.h"
#include "QsExceptions.h"
#include "clsFile.h"
#include "frmMerge.h"

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeView>

#include <memory>

namespace {
using KyvnTest::shoot;

QString buttons(const TMergeWzd& w) {
    QString s;
    for (const QPushButton* b : {w.cmdBack, w.cmdNext, w.cmdCancel})
        s += !b->isVisible() ? u'h' : b->isEnabled() ? u'+' : u'-';
    return s;
}

// An account whose every field says where it came from.
TKYVNAccount* account(const QString& name, const QString& tag, bool prot = false, QDate day = QDate(2001, 2, 3)) {
    auto* a = new TKYVNAccount;
    a->AccountName = name;
    a->Login = tag + "-login";
    a->Password = tag + "-pw";
    a->Email = tag + "@x.org";
    a->Web = "https://" + tag;
    a->Notes = tag + "\r\nnotes";
    a->Protected = prot;
    a->Created = day;
    a->Modified = day.addDays(1);
    return a;
}

void fill(TKYVNFile& f, const QList<std::pair<QString, QString>>& accounts) {
    for (const auto& [name, tag] : accounts)
        f.AddAccount(account(name, tag));
}

// name:login of every account in file order.
QStringList summary(const TKYVNFile& f) {
    QStringList out;
    for (const TKYVNAccount* a : f.Accounts)
        out << a->AccountName + ":" + a->Login;
    return out;
}
} // namespace

class TestMergeWizard : public QObject {
    Q_OBJECT
    std::unique_ptr<TKYVNFile> open;
    std::unique_ptr<TKYVNFile> second;
    std::unique_ptr<TMergeWzd> w;
    QStringList errors;
    QStringList details;

    void start() {
        w = std::make_unique<TMergeWzd>();
        w->OpenFile = open.get();
        w->MergeFile = second.get();
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    }
    void next() { w->cmdNext->click(); }
    void back() { w->cmdBack->click(); }
    void checkRow(int row) { w->lvModel->setData(w->lvModel->index(row, 0), Qt::Checked, Qt::CheckStateRole); }

private slots:
    void init() {
        QsAnswers::Clear();
        errors.clear();
        details.clear();
        QsSetExceptionHandler([this](const std::exception* e) {
            const auto* q = dynamic_cast<const EQsException*>(e);
            errors << (q ? QString::number(q->Kind) + ": " + q->Message : QString("?: ") + (e ? e->what() : ""));
            details << (q ? q->Details : QString());
        });
        open = std::make_unique<TKYVNFile>();
        second = std::make_unique<TKYVNFile>();
    }
    void cleanup() {
        w.reset();
        second.reset();
        open.reset();
        QCOMPARE(QsAnswers::Pending(), 0);
    }

    void indexAnswersAsFindAccountDoes_data() {
        QTest::addColumn<QString>("name");
        for (const char* n : {"bank", "BANK", "Bank", "mail", "MAIL", "Çafé", "çafé", "ÇAFÉ", "shop ", "", "zzz"})
            QTest::newRow(n) << QString::fromUtf8(n);
    }
    void indexAnswersAsFindAccountDoes() {
        QFETCH(QString, name);
        // Bank and BANK both present (a file made elsewhere): the first one is the answer
        fill(*open, {{"Bank", "o1"}, {"BANK", "o2"}, {"Mail", "o3"}, {"Çafé", "o4"}, {"shop ", "o5"}, {"", "o6"}});
        const TFoldedNameIndex index(*open);
        QCOMPARE(index.Find(name), open->FindAccount(name));
    }

    void opensOnTheWelcomePage() {
        start();
        QCOMPARE(w->windowTitle(), QStringLiteral("Tessivo Keyvane Merge Wizard..."));
        QCOMPARE(w->HelpContext, 520);
        QVERIFY(w->pStepWelcome->isVisible());
        QVERIFY(!w->pTop->isVisible());
        QCOMPARE(buttons(*w), QStringLiteral("-++"));
        QVERIFY(!w->Imported);
        shoot(w.get(), "merge-0-welcome");
    }

    void repeatedNamesInEitherCaseAreListedUncheckedAndSorted() {
        fill(*open, {{"Zoo", "o1"}, {"Bank", "o2"}, {"mail", "o3"}, {"Only here", "o4"}, {"ação", "o5"}});
        fill(*second, {{"MAIL", "s1"}, {"BANK", "s2"}, {"zoo", "s3"}, {"New", "s4"}, {"AÇÃO", "s5"}});
        start();
        next();
        QCOMPARE(w->lblStepName->text(), QStringLiteral("File Analysis"));
        QCOMPARE(buttons(*w), QStringLiteral("+++"));
        shoot(w.get(), "merge-1-analysis");
        next();
        QCOMPARE(errors, QStringList());
        QCOMPARE(w->Step, int(TMergeWzd::StepInconsistencies));
        QCOMPARE(w->lblStepName->text(), QStringLiteral("Inconsistencies"));
        QCOMPARE(buttons(*w), QStringLiteral("+++"));
        // as the open file spells them; accented capitals are other letters (ação is not repeated)
        QCOMPARE(w->lvModel->Names(), QStringList({"Bank", "mail", "Zoo"}));
        for (int r = 0; r < 3; ++r)
            QVERIFY(!w->lvModel->IsChecked(r));
        QCOMPARE(w->lvModel->headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("Account Name"));
        shoot(w.get(), "merge-2-inconsistencies");
        // the pop-up menu's one item checks every row
        QCOMPARE(w->lvAccounts->contextMenuPolicy(), Qt::CustomContextMenu);
        QCOMPARE(w->popItems->actions(), QList<QAction*>({w->popItemsSelectAll}));
        QCOMPARE(w->popItemsSelectAll->text(), QStringLiteral("Select All"));
        w->popItemsSelectAll->trigger();
        QCOMPARE(w->lvModel->CheckedNames(), QStringList({"Bank", "mail", "Zoo"}));
        // nothing has changed yet
        QCOMPARE(summary(*open), QStringList({"Zoo:o1-login", "Bank:o2-login", "mail:o3-login", "Only here:o4-login",
                                              "ação:o5-login"}));
    }

    void checkedNamesTakeEveryFieldUncheckedOnesStay() {
        fill(*open, {{"Bank", "o1"}, {"Mail", "o2"}, {"Keep", "o3"}});
        second->AddAccount(account("BANK", "s1", true, QDate(1999, 5, 6)));
        second->AddAccount(account("mail", "s2"));
        second->AddAccount(account("Fresh", "s3"));
        second->AddAccount(account("Later", "s4"));
        TKYVNAccount* keepBefore = open->GetAccount(2);
        const TKYVNAccount mailBefore = *open->GetAccount(1);
        start();
        next();
        next();
        QCOMPARE(w->lvModel->Names(), QStringList({"Bank", "Mail"}));
        checkRow(0); // Bank
        next();
        QCOMPARE(w->Step, int(TMergeWzd::StepMerge));
        QCOMPARE(w->lblStepName->text(), QStringLiteral("Merge"));
        shoot(w.get(), "merge-3-merge");
        w->PaintInterval = 0;
        w->OnProgressPainted = [&](const QString&, int) {
            if (w->lblOperation->text().startsWith("Importing 'Fresh'"))
                shoot(w.get(), "merge-3-progress");
        };
        next();
        QCOMPARE(errors, QStringList());
        QCOMPARE(w->Step, int(TMergeWzd::StepFinished));
        QVERIFY(w->Imported);
        QCOMPARE(buttons(*w), QStringLiteral("hh+"));
        QCOMPARE(w->cmdCancel->text(), QStringLiteral("&Finish"));
        shoot(w.get(), "merge-4-finished");

        // Bank took every field of BANK, its name's case, dates and protection included
        const TKYVNAccount* bank = open->GetAccount(0);
        QCOMPARE(bank->AccountName, QStringLiteral("BANK"));
        QCOMPARE(bank->Login, QStringLiteral("s1-login"));
        QCOMPARE(bank->Password, QStringLiteral("s1-pw"));
        QCOMPARE(bank->Email, QStringLiteral("s1@x.org"));
        QCOMPARE(bank->Web, QStringLiteral("https://s1"));
        QCOMPARE(bank->Notes, QStringLiteral("s1\r\nnotes"));
        QVERIFY(bank->Protected);
        QCOMPARE(bank->Created, QDate(1999, 5, 6));
        QCOMPARE(bank->Modified, QDate(1999, 5, 7));
        // Mail unchecked: unchanged; Keep untouched; the new ones appended in the second file's order
        const TKYVNAccount* mail = open->GetAccount(1);
        QCOMPARE(mail->AccountName, mailBefore.AccountName);
        QCOMPARE(mail->Login, mailBefore.Login);
        QCOMPARE(mail->Notes, mailBefore.Notes);
        QCOMPARE(open->GetAccount(2), keepBefore);
        QCOMPARE(summary(*open),
                 QStringList({"BANK:s1-login", "Mail:o2-login", "Keep:o3-login", "Fresh:s3-login", "Later:s4-login"}));

        // the moved records belong to the open file alone: discarding the second file leaves them whole
        std::unique_ptr<TMergeImport> import = w->TakeImport();
        QVERIFY(import);
        QCOMPARE(import->Added(), 2);
        QCOMPARE(import->Replaced(), 1);
        import->HandOver();
        QCOMPARE(summary(*second), QStringList({"BANK:s1-login", "mail:s2-login"}));
        second.reset();
        QCOMPARE(open->GetAccount(3)->Password, QStringLiteral("s3-pw"));
        QCOMPARE(open->GetAccount(4)->Notes, QStringLiteral("s4\r\nnotes"));
    }

    void withoutCommonNamesTheChoiceIsSkipped() {
        fill(*open, {{"A", "o1"}, {"B", "o2"}});
        fill(*second, {{"C", "s1"}, {"D", "s2"}, {"E", "s3"}});
        start();
        next();
        next();
        QCOMPARE(w->Step, int(TMergeWzd::StepMerge));
        back();
        QCOMPARE(w->Step, int(TMergeWzd::StepAnalysis));
        QVERIFY(!w->gbAnalysis->isVisible());
        next();
        next();
        QCOMPARE(w->Step, int(TMergeWzd::StepFinished));
        QCOMPARE(summary(*open), QStringList({"A:o1-login", "B:o2-login", "C:s1-login", "D:s2-login", "E:s3-login"}));
    }

    void backFromTheMergeKeepsTheChoice() {
        fill(*open, {{"A", "o1"}, {"B", "o2"}});
        fill(*second, {{"a", "s1"}, {"b", "s2"}});
        start();
        next();
        next();
        checkRow(1);
        next();
        back();
        QCOMPARE(w->Step, int(TMergeWzd::StepInconsistencies));
        QCOMPARE(w->lvModel->CheckedNames(), QStringList({"B"}));
        back();
        QCOMPARE(w->Step, int(TMergeWzd::StepAnalysis));
    }

    void emptySecondFileStillFinishes() {
        fill(*open, {{"A", "o1"}});
        start();
        next();
        next();
        QCOMPARE(w->Step, int(TMergeWzd::StepMerge));
        QCOMPARE(w->lvModel->rowCount(), 0);
        next();
        QCOMPARE(w->Step, int(TMergeWzd::StepFinished));
        QVERIFY(w->Imported);
        QCOMPARE(summary(*open), QStringList({"A:o1-login"}));
    }

    void aNameTwiceInTheSecondFileComesOnce() {
        // The second occurrence finds the account the first one added, as FindAccount would.
        fill(*open, {{"A", "o1"}});
        fill(*second, {{"Twin", "s1"}, {"TWIN", "s2"}});
        start();
        next();
        next();
        next();
        QCOMPARE(summary(*open), QStringList({"A:o1-login", "Twin:s1-login"}));
        w->TakeImport()->HandOver();
        QCOMPARE(summary(*second), QStringList({"TWIN:s2-login"}));
    }

    void cancelOnTheChoiceChangesNothing() {
        fill(*open, {{"Bank", "o1"}});
        fill(*second, {{"bank", "s1"}, {"New", "s2"}});
        start();
        next();
        next();
        checkRow(0);
        w->cmdCancel->click();
        QVERIFY(!w->isVisible());
        QVERIFY(!w->Imported);
        QVERIFY(!w->TakeImport());
        QCOMPARE(summary(*open), QStringList({"Bank:o1-login"}));
    }

    void aFailedImportIsUndoneWhole() {
        fill(*open, {{"Bank", "o1"}, {"Mail", "o2"}});
        fill(*second, {{"BANK", "s1"}, {"New", "s2"}, {"mail", "s3"}, {"Other", "s4"}});
        const QList<TKYVNAccount*> before = open->Accounts;
        start();
        next();
        next();
        w->popItemsSelectAll->trigger();
        next();
        // the import fails after it replaced Bank and added New
        w->PaintInterval = 0;
        w->OnProgressPainted = [&](const QString& text, int) {
            if (text == QStringLiteral("Importing 'mail'..."))
                throw EQsException(QStringLiteral("out of memory"));
        };
        next();
        QCOMPARE(errors, QStringList({"1: Error analysing files."}));
        QCOMPARE(details, QStringList({"out of memory"}));
        QCOMPARE(w->Step, int(TMergeWzd::StepMerge));
        QVERIFY(!w->Busy);
        QVERIFY(!w->gbProgress->isVisible());
        QCOMPARE(buttons(*w), QStringLiteral("+++"));
        QCOMPARE(open->Accounts, before);
        QCOMPARE(summary(*open), QStringList({"Bank:o1-login", "Mail:o2-login"}));
        QCOMPARE(open->GetAccount(0)->Notes, QStringLiteral("o1\r\nnotes"));
        QCOMPARE(second->AccountCount(), 4);
        QVERIFY(!w->TakeImport());
        // a second try goes through
        w->OnProgressPainted = nullptr;
        next();
        QCOMPARE(w->Step, int(TMergeWzd::StepFinished));
        QCOMPARE(summary(*open), QStringList({"BANK:s1-login", "mail:s3-login", "New:s2-login", "Other:s4-login"}));
    }

    void undoAfterHandOverRemovesTheAddedRecords() {
        fill(*open, {{"Bank", "o1"}});
        fill(*second, {{"bank", "s1"}, {"New", "s2"}});
        const QList<TKYVNAccount*> before = open->Accounts;
        TMergeImport import(*open, *second);
        import.Run({"BANK"});
        import.HandOver();
        second.reset(); // the caller discards the second file
        QCOMPARE(summary(*open), QStringList({"bank:s1-login", "New:s2-login"}));
        import.Undo();
        QCOMPARE(open->Accounts, before);
        QCOMPARE(summary(*open), QStringList({"Bank:o1-login"}));
    }

    void analysisPaintsItsProgress() {
        fill(*open, {{"A", "o1"}, {"B", "o2"}});
        fill(*second, {{"b", "s1"}});
        start();
        next();
        w->PaintInterval = 0;
        QStringList texts;
        bool held = true;
        w->OnProgressPainted = [&](const QString& text, int) {
            texts << text;
            held = held && buttons(*w) == QStringLiteral("---");
            w->reject();
        };
        next();
        QCOMPARE(texts, QStringList({"Preparing...", "Analysing 'A'...", "Analysing 'B'..."}));
        QVERIFY(held);
        QVERIFY(w->isVisible());
        QCOMPARE(w->Step, int(TMergeWzd::StepInconsistencies));
    }

    void showMergeWizardHandsOverOnlyAFinishedImport() {
        fill(*open, {{"A", "o1"}});
        fill(*second, {{"B", "s1"}});
        QsAnswers::PushHandler("TMergeWzd", [](QObject* o) {
            auto* wizard = qobject_cast<TMergeWzd*>(o);
            wizard->cmdNext->click();
            wizard->cmdNext->click();
            wizard->cmdNext->click();
            return QVariant(0);
        });
        std::unique_ptr<TMergeImport> import = ShowMergeWizard(*open, *second);
        QVERIFY(import);
        QCOMPARE(second->AccountCount(), 0);
        second.reset();
        QCOMPARE(summary(*open), QStringList({"A:o1-login", "B:s1-login"}));

        second = std::make_unique<TKYVNFile>();
        fill(*second, {{"C", "s2"}});
        QsAnswers::PushHandler("TMergeWzd", [](QObject*) { return QVariant(0); }); // closed at once
        QVERIFY(!ShowMergeWizard(*open, *second));
        QCOMPARE(second->AccountCount(), 1);
        QCOMPARE(open->AccountCount(), 2);
    }
};

KYVN_TEST_MAIN(TestMergeWizard)
#include "tst_mergewizard.moc"
