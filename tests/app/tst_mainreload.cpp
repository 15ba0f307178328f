// The open file changed on disk by another writer is read again by itself, keeping the selection and
// the scroll position; the program's own saves are not taken for such a change; a command with its dialog
// open holds the reload back, and what it changes meanwhile reaches the file beside the other version;
// a file password changed elsewhere is asked for.
#include "KyvnTest.h"
#include "QsAnswers.h"
#include "QsApp.h"
#include "QsExceptions.h"
#include "QsFileWatch.h"
#include "clsFile.h"
#include "clsList.h"
#include "frmAccount.h"
#include "frmMain.h"
#include "uOptions.h"

#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTreeView>
#include <memory>

using KyvnTest::readAll;

namespace {
const QString kProductKey = QStringLiteral("Software\\Tessivo\\Tessivo Nimbrel\\Keyvane");
const QString kPassword = QStringLiteral("pw1234");
constexpr int kReloadWaitMs = 10000; // a bound for a loaded machine; the test goes on as soon as it is done

QStringList accountNames(const QString& path) {
    TKYVNFile f;
    f.FileName = path;
    f.Load();
    QStringList names;
    for (const TKYVNAccount* a : f.Accounts)
        names << a->AccountName;
    return names;
}

// Another writer of the file (a sync, another machine): reads it, changes it, saves it by renaming a new
// file over it, as the program and keyvane-cli do.
void changeElsewhere(const QString& path, const std::function<void(TKYVNFile&)>& change) {
    TKYVNFile f;
    f.FileName = path;
    f.Password = kPassword; // what opens a protected file; the designed form reads its own
    f.Load();
    change(f);
    f.Save(false);
}

void addAccount(TKYVNFile& f, const QString& name) {
    auto* a = new TKYVNAccount;
    a->AccountName = name;
    a->Created = a->Modified = QDate(2024, 2, 3);
    f.AddAccount(a);
}
} // namespace

class TestMainReload : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QString path;
    std::unique_ptr<TKYVNMain> w;
    QStringList errors;

    void makeFile(int accounts, TKYVNFileForm form = TKYVNFileForm::Designed) {
        path = dir.filePath("Shared.kvf");
        for (const QString& name : QDir(dir.path()).entryList(QDir::Files))
            QFile::remove(dir.filePath(name));
        TKYVNFile f;
        f.FileName = path;
        f.Password = kPassword;
        f.SetForm(form);
        for (int i = 0; i < accounts; ++i)
            addAccount(f, QString("Account %1").arg(i, 2, 10, QChar('0')));
        f.Save(false);
    }
    void open() {
        QsAnswers::Push("OpenFile", path);
        QsAnswers::Push("TPassEdit", kPassword);
        QVERIFY(w->RunCommand(w->actFileOpen));
        QVERIFY(w->FileOpen);
    }
    QString selectedName() const {
        const TKYVNAccount* a = w->SelectedAccount();
        return a ? a->AccountName : QString();
    }
    QStringList keptVersions() const {
        return QDir(dir.path()).entryList({"Shared (changed elsewhere *).kvf"}, QDir::Files);
    }

private slots:
    void initTestCase() {
        AppInfo = new TQsApplication;
        AppInfo->Title = "Tessivo Keyvane";
        AppInfo->ProductKey = kProductKey;
        Options = new TKYVNOptions;
        ListLayout = new TKYVNList;
    }
    void init() {
        QsAnswers::Clear();
        *Options = TKYVNOptions();
        Options->SaveWindow = false;
        Options->AutoOpenLastFile = false;
        Options->CloseMinimizes = false;
        Options->AutoStart = false;
        Options->BackupFiles = false;
        ListLayout->Clear();
        ListLayout->SetDefaults();
        errors.clear();
        w = std::make_unique<TKYVNMain>();
        QsSetExceptionHandler([this](const std::exception* e) {
            const auto* q = dynamic_cast<const EQsException*>(e);
            errors << (q ? QString::number(q->Kind) + ": " + q->Message : QString("?"));
        });
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    }
    void cleanup() {
        w->ExitRequested = true;
        w.reset();
        QVERIFY2(QsAnswers::Pending() == 0, qPrintable(QsAnswers::Log().join(" / ")));
    }

    // What the other writer did, and which account is selected afterwards: the same account where it
    // is still there, at the same place on screen; its neighbour where it went, the list not scrolled.
    void aChangeElsewhereIsReadAgainKeepingTheView_data() {
        QTest::addColumn<QString>("change");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("selected");
        QTest::addColumn<bool>("samePlace");
        QTest::newRow("account added before the selected one") << "add" << 61 << "Account 40" << true;
        QTest::newRow("account added after the selected one") << "add after" << 61 << "Account 40" << true;
        QTest::newRow("selected account deleted") << "delete" << 59 << "Account 41" << false;
        QTest::newRow("selected account renamed") << "rename" << 60 << "Account 40 (new)" << false;
    }
    void aChangeElsewhereIsReadAgainKeepingTheView() {
        QFETCH(QString, change);
        QFETCH(int, rows);
        QFETCH(QString, selected);
        QFETCH(bool, samePlace);
        makeFile(60);
        open();
        w->SelectRow(40);
        QScrollBar* scroll = w->lvAccounts->verticalScrollBar();
        QVERIFY(scroll->maximum() > 20);
        scroll->setValue(scroll->value() + 3); // the selected row in the middle of the view
        const int scrolled = scroll->value();
        const int top = w->lvAccounts->visualRect(w->lvAccounts->currentIndex()).top();
        QVERIFY(top > 0 && top < w->lvAccounts->viewport()->height());
        TKYVNFile* before = CurrentFile;

        changeElsewhere(path, [&](TKYVNFile& f) {
            if (change == "add")
                addAccount(f, "Account 00 and a half");
            else if (change == "add after")
                addAccount(f, "Account 50 and a half");
            else if (change == "delete")
                f.TakeAccount("Account 40");
            else
                f.FindAccount("Account 40")->AccountName = "Account 40 (new)";
        });
        const QByteArray written = readAll(path);
        QTRY_VERIFY_WITH_TIMEOUT(CurrentFile != before, kReloadWaitMs);
        QCOMPARE(w->RowCount(), rows);
        QCOMPARE(selectedName(), selected);
        if (samePlace)
            QCOMPARE(w->lvAccounts->visualRect(w->lvAccounts->currentIndex()).top(), top);
        else
            QCOMPARE(scroll->value(), scrolled);
        QCOMPARE(w->sbPanel1->text(), QString("'Shared.kvf' was changed elsewhere and has been read again."));
        QCOMPARE(w->windowTitle(), QString("Tessivo Keyvane: Shared.kvf"));
        // a reload only reads
        QCOMPARE(readAll(path), written);
        QCOMPARE(keptVersions(), QStringList());
        QCOMPARE(errors, QStringList());
    }

    // The program's own write-back renames a new file over the old one as any writer does; it must not
    // come back as a change from elsewhere.
    void ownSavesAreNotReadAgain() {
        makeFile(3);
        open();
        QSignalSpy looked(w->FileWatch, &TQsFileWatch::Changed);
        TKYVNFile* before = CurrentFile;
        QsAnswers::PushHandler("TAccountEdit", [](QObject* dlg) {
            qobject_cast<TAccountEdit*>(dlg)->txtAccountName->setText("Added here");
            return QVariant(true);
        });
        QVERIFY(w->RunCommand(w->actAccountAdd));
        QCOMPARE(accountNames(path).size(), 4);
        // the watch saw the save; the window compared and kept what it has
        QTRY_VERIFY_WITH_TIMEOUT(looked.count() > 0, kReloadWaitMs);
        QCoreApplication::processEvents();
        QCOMPARE(CurrentFile, before);
        QVERIFY(!w->ReloadPending);
        QCOMPARE(w->sbPanel1->text(), QString());
        QCOMPARE(w->RowCount(), 4);
        QCOMPARE(errors, QStringList());
    }

    // A change arrives while the account editor is open. Accepted, the edit goes to the file and the
    // version written elsewhere is kept beside it (the user is told); cancelled, the change is read
    // as soon as the dialog is gone. Either way nothing is lost.
    void aDialogHoldsTheReloadBack_data() {
        QTest::addColumn<bool>("accepted");
        QTest::newRow("dialog accepted") << true;
        QTest::newRow("dialog cancelled") << false;
    }
    void aDialogHoldsTheReloadBack() {
        QFETCH(bool, accepted);
        makeFile(3);
        open();
        bool heldBack = false;
        QsAnswers::PushHandler("TAccountEdit", [&](QObject* object) {
            auto* dlg = qobject_cast<TAccountEdit*>(object);
            dlg->setModal(true);
            dlg->show(); // as exec() shows it
            changeElsewhere(path, [](TKYVNFile& f) { addAccount(f, "From elsewhere"); });
            // the change is seen, and waits: the rows the dialog works with stay
            [&] { QTRY_VERIFY_WITH_TIMEOUT(w->ReloadPending, kReloadWaitMs); }();
            heldBack = w->RowCount() == 3;
            dlg->txtAccountName->setText("Added here");
            dlg->hide();
            return QVariant(accepted);
        });
        QVERIFY(w->RunCommand(w->actAccountAdd));
        QVERIFY(heldBack);
        const QStringList elsewhere{"Account 00", "Account 01", "Account 02", "From elsewhere"};
        if (accepted) {
            QCOMPARE(errors.size(), 1);
            QVERIFY2(errors[0].startsWith("2: 'Shared.kvf' was changed elsewhere"), qPrintable(errors[0]));
            const QStringList kept = keptVersions();
            QCOMPARE(kept.size(), 1);
            QCOMPARE(accountNames(dir.filePath(kept[0])), elsewhere);
            QCOMPARE(accountNames(path), (QStringList{"Account 00", "Account 01", "Account 02", "Added here"}));
            // the pending look finds the program's own version: nothing to read again
            QTRY_VERIFY(!w->ReloadPending);
            QCOMPARE(w->RowCount(), 4);
        } else {
            QTRY_COMPARE_WITH_TIMEOUT(w->RowCount(), 4, kReloadWaitMs);
            QCOMPARE(accountNames(path), elsewhere);
            QCOMPARE(keptVersions(), QStringList());
            QCOMPARE(errors, QStringList());
        }
    }

    // The file password proven in this run opens the new version without a question, in either form;
    // changed elsewhere, it is asked before the new content shows, and refused, the file is closed
    // (nothing of this window was left unwritten).
    void aPasswordChangedElsewhereIsAsked_data() {
        QTest::addColumn<bool>("protectedForm");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QVariant>("answer");
        QTest::addColumn<bool>("open");
        for (const bool protectedForm : {false, true}) {
            const char* form = protectedForm ? "protected, " : "designed form, ";
            QTest::newRow(QByteArray(form).append("password unchanged").constData())
                << protectedForm << kPassword << QVariant() << true;
            QTest::newRow(QByteArray(form).append("new password given").constData())
                << protectedForm << "newpw99" << QVariant("newpw99") << true;
            QTest::newRow(QByteArray(form).append("question cancelled").constData())
                << protectedForm << "newpw99" << QVariant(false) << false;
        }
    }
    void aPasswordChangedElsewhereIsAsked() {
        QFETCH(bool, protectedForm);
        QFETCH(QString, password);
        QFETCH(QVariant, answer);
        QFETCH(bool, open);
        makeFile(3, protectedForm ? TKYVNFileForm::Protected : TKYVNFileForm::Designed);
        this->open();
        TKYVNFile* before = CurrentFile;
        int asked = 0;
        if (answer.isValid())
            QsAnswers::PushHandler("TPassEdit", [&](QObject*) {
                ++asked;
                return answer;
            });
        changeElsewhere(path, [&](TKYVNFile& f) {
            f.Password = password;
            addAccount(f, "From elsewhere");
        });
        if (answer.isValid())
            QTRY_VERIFY_WITH_TIMEOUT(asked > 0, kReloadWaitMs);
        else
            QTRY_VERIFY_WITH_TIMEOUT(CurrentFile != before, kReloadWaitMs);
        QCOMPARE(asked, answer.isValid() ? 1 : 0);
        QCOMPARE(w->FileOpen, open);
        QCOMPARE(w->RowCount(), open ? 4 : 0);
        if (open) {
            QCOMPARE(CurrentFile->Password, password);
            QCOMPARE(CurrentFile->IsProtected(), protectedForm);
        }
        QCOMPARE(keptVersions(), QStringList());
    }
};

KYVN_TEST_MAIN(TestMainReload)
#include "tst_mainreload.moc"
