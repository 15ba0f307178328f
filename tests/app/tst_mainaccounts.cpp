// The account commands of the main window, end to end through the answer seam, with the passwords file
// read back from disk after every command; and the table of command states.
#include "KyvnTest.h"

#include "QsAnswers.h"
#include "QsApp.h"
#include "QsExceptions.h"
#include "QsMsgFrm.h"
#include "QsRegUtils.h"
#include "clsColumn.h"
#include "clsFile.h"
#include "clsList.h"
#include "frmAccount.h"
#include "frmCustomize.h"
#include "frmMain.h"
#include "frmRename.h"
#include "uOptions.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QTreeView>
#include <memory>

namespace {
const QString kProductKey = QStringLiteral("Software\\Tessivo\\Tessivo Nimbrel\\Keyvane");
const QString kPassword = QStringLiteral("pw1234");

QByteArray bytesOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Fills the account editor as a user would and presses OK.
QsAnswers::Handler fillEditor(const QString& name, const QString& login = QString()) {
    return [name, login](QObject* object) {
        auto* dialog = qobject_cast<TAccountEdit*>(object);
        if (!name.isNull())
            dialog->txtAccountName->setText(name);
        if (!login.isNull())
            dialog->txtLogin->setText(login);
        return QVariant(true);
    };
}
} // namespace

class TestMainAccounts : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QString path;
    std::unique_ptr<TKYVNMain> w;
    QStringList errors;

    // Bank, mail and Shop in file order; Bank is listed first, then mail, then Shop.
    void makeFile(bool bankProtected = false, int count = 3) {
        path = dir.filePath(QStringLiteral("accounts.kvf"));
        QFile::remove(path);
        TKYVNFile f;
        f.FileName = path;
        f.Password = kPassword;
        const char* names[] = {"Bank", "mail", "Shop"};
        for (int i = 0; i < count; ++i) {
            auto* a = new TKYVNAccount;
            a->AccountName = QString::fromLatin1(names[i]);
            a->Login = QStringLiteral("login-") + a->AccountName;
            a->Password = QStringLiteral("pw-") + a->AccountName;
            a->Email = a->AccountName + QStringLiteral("@x.example");
            a->Created = QDate(2003, 1, 1 + i);
            a->Modified = QDate(2004, 1, 1 + i);
            a->Protected = bankProtected && i == 0;
            f.AddAccount(a);
        }
        f.Save(false);
    }
    void openFile() {
        QsAnswers::Push(QStringLiteral("OpenFile"), path);
        QsAnswers::Push(QStringLiteral("TPassEdit"), kPassword);
        QVERIFY(w->RunCommand(w->actFileOpen));
        QVERIFY(w->FileOpen);
    }
    // The accounts of the file on disk, in file order.
    std::unique_ptr<TKYVNFile> disk() const {
        auto f = std::make_unique<TKYVNFile>();
        f->FileName = path;
        f->Load();
        return f;
    }
    QStringList diskNames() const {
        QStringList names;
        const auto f = disk();
        for (const TKYVNAccount* a : f->Accounts)
            names << a->AccountName;
        return names;
    }
    QStringList listed() const {
        QStringList names;
        for (int i = 0; i < w->RowCount(); ++i)
            names << w->AccountAt(i)->AccountName;
        return names;
    }
    QString selected() const {
        const TKYVNAccount* a = w->SelectedAccount();
        return a ? a->AccountName : QStringLiteral("<none>");
    }
    void select(const QString& name) {
        const int row = int(listed().indexOf(name));
        QVERIFY2(row >= 0, qPrintable(name));
        w->SelectRow(row);
        QCOMPARE(selected(), name);
    }

private slots:
    void initTestCase() {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        AppInfo = new TQsApplication;
        AppInfo->Title = QStringLiteral("Tessivo Keyvane");
        AppInfo->ProductKey = kProductKey;
        Options = new TKYVNOptions;
        Options->CloseMinimizes = false;
        Options->AutoOpenLastFile = false;
        Options->BackupFiles = false;
        ListLayout = new TKYVNList;
    }
    void cleanupTestCase() {
        delete ListLayout;
        ListLayout = nullptr;
        delete Options;
        Options = nullptr;
        delete AppInfo;
        AppInfo = nullptr;
    }
    void init() {
        QsAnswers::Clear();
        ListLayout->Clear();
        ListLayout->SetDefaults();
        WriteRegValueNames(TQsRegRoot::LocalMachine, kProductKey + "\\Storage", "MRU", {});
        w = std::make_unique<TKYVNMain>();
        errors.clear();
        QsSetExceptionHandler([this](const std::exception* e) {
            const auto* q = dynamic_cast<const EQsException*>(e);
            errors << (q ? QString::number(q->Kind) + ": " + q->Message : QString("?: ") + (e ? e->what() : ""));
        });
        makeFile();
        openFile();
        QsAnswers::Clear();
    }
    void cleanup() {
        w->ExitRequested = true;
        w.reset();
        QCOMPARE(QsAnswers::Pending(), 0);
        QsSetExceptionHandler(nullptr);
    }

    void addWritesAtOnce() {
        QsAnswers::PushHandler(QStringLiteral("TAccountEdit"), fillEditor(QStringLiteral("Zoo"), QStringLiteral("z")));
        QVERIFY(w->RunCommand(w->actAccountAdd));
        QCOMPARE(diskNames(), (QStringList{"Bank", "mail", "Shop", "Zoo"}));
        const auto f = disk();
        QCOMPARE(f->Accounts.last()->Login, QStringLiteral("z"));
        QCOMPARE(f->Accounts.last()->Created, QDate::currentDate());
        QCOMPARE(f->Password, kPassword);
        QCOMPARE(selected(), QStringLiteral("Zoo"));
        w->alMainUpdate();
        QCOMPARE(w->sbPanel2->text(), QStringLiteral("Accounts: 4"));
        QVERIFY(errors.isEmpty());

        // Cancelled: nothing is written.
        const QByteArray before = bytesOf(path);
        QsAnswers::Push(QStringLiteral("TAccountEdit"), false);
        QVERIFY(w->RunCommand(w->actAccountAdd));
        QCOMPARE(bytesOf(path), before);
        QCOMPARE(w->RowCount(), 4);
    }

    void duplicateCopiesTheSelectedAccount() {
        select(QStringLiteral("mail"));
        QsAnswers::PushHandler(QStringLiteral("TAccountEdit"), [](QObject* object) {
            auto* dialog = qobject_cast<TAccountEdit*>(object);
            if (dialog->txtLogin->text() != QStringLiteral("login-mail") || !dialog->txtAccountName->text().isEmpty())
                return QVariant(false);
            dialog->txtAccountName->setText(QStringLiteral("mail 2"));
            return QVariant(true);
        });
        QVERIFY(w->RunCommand(w->actAccountDuplicate));
        const auto f = disk();
        QCOMPARE(f->AccountCount(), 4);
        const TKYVNAccount* copy = f->Accounts.last();
        QCOMPARE(copy->AccountName, QStringLiteral("mail 2"));
        QCOMPARE(copy->Login, QStringLiteral("login-mail"));
        QCOMPARE(copy->Password, QStringLiteral("pw-mail"));
        QCOMPARE(copy->Email, QStringLiteral("mail@x.example"));
        QCOMPARE(copy->Created, QDate::currentDate());
        QCOMPARE(selected(), QStringLiteral("mail 2"));
    }

    void aNameInUseChangesNothing() {
        const QByteArray before = bytesOf(path);
        QsAnswers::PushHandler(QStringLiteral("TAccountEdit"), fillEditor(QStringLiteral(" SHOP ")));
        QVERIFY(w->RunCommand(w->actAccountAdd));
        QCOMPARE(errors, QStringList{QStringLiteral("2: There is already an account named ' SHOP '.")});
        QCOMPARE(bytesOf(path), before);
        QCOMPARE(w->RowCount(), 3);

        select(QStringLiteral("Bank"));
        QsAnswers::PushHandler(QStringLiteral("TAccountRename"), [](QObject* object) {
            qobject_cast<TAccountRename*>(object)->txtNewName->setText(QStringLiteral("bank"));
            return QVariant(true);
        });
        QVERIFY(w->RunCommand(w->actAccountRename));
        QCOMPARE(errors.last(), QStringLiteral("2: There is already an account named 'bank'."));
        QCOMPARE(bytesOf(path), before);
    }

    void editMovesTheAccountToTheEnd() {
        select(QStringLiteral("Bank"));
        QsAnswers::PushHandler(QStringLiteral("TAccountEdit"), fillEditor(QString(), QStringLiteral("  new login ")));
        QVERIFY(w->RunCommand(w->actAccountEdit));
        QCOMPARE(diskNames(), (QStringList{"mail", "Shop", "Bank"}));
        const auto f = disk();
        QCOMPARE(f->Accounts.last()->Login, QStringLiteral("new login"));
        QCOMPARE(f->Accounts.last()->Created, QDate(2003, 1, 1));
        QCOMPARE(f->Accounts.last()->Modified, QDate::currentDate());
        // Listed where the sort puts it, and still selected.
        QCOMPARE(listed(), (QStringList{"Bank", "mail", "Shop"}));
        QCOMPARE(selected(), QStringLiteral("Bank"));
        QCOMPARE(w->CellText(0, 1), QStringLiteral("new login"));
    }

    // Two names that differ only in letter case (possible in a file made elsewhere): the command acts on
    // the account chosen, never on its namesake.
    void namesakesStayApart() {
        w->RunCommand(w->actFileClose);
        auto f = disk();
        auto* twin = new TKYVNAccount;
        twin->AccountName = QStringLiteral("BANK");
        twin->Login = QStringLiteral("twin");
        f->AddAccount(twin);
        f->Save(false);
        openFile();
        select(QStringLiteral("BANK"));
        QsAnswers::PushHandler(QStringLiteral("TAccountEdit"), fillEditor(QString(), QStringLiteral("twin 2")));
        QVERIFY(w->RunCommand(w->actAccountEdit));
        QCOMPARE(diskNames(), (QStringList{"Bank", "mail", "Shop", "BANK"}));
        QCOMPARE(disk()->Accounts.first()->Login, QStringLiteral("login-Bank"));

        select(QStringLiteral("BANK"));
        QsAnswers::Push(QStringLiteral("QsMessage"), int(QsAnswerYes));
        QVERIFY(w->RunCommand(w->actAccountDelete));
        QCOMPARE(diskNames(), (QStringList{"Bank", "mail", "Shop"}));
        QCOMPARE(listed(), (QStringList{"Bank", "mail", "Shop"}));
    }

    void deleteSelectsTheRowAbove_data() {
        QTest::addColumn<QString>("victim");
        QTest::addColumn<QString>("after");
        QTest::newRow("first") << "Bank"
                               << "mail";
        QTest::newRow("middle") << "mail"
                                << "Bank";
        QTest::newRow("last") << "Shop"
                              << "mail";
    }
    void deleteSelectsTheRowAbove() {
        QFETCH(QString, victim);
        QFETCH(QString, after);
        select(victim);
        QsAnswers::SetRecording(true);
        QsAnswers::Push(QStringLiteral("QsMessage"), int(QsAnswerYes));
        QVERIFY(w->RunCommand(w->actAccountDelete));
        QsAnswers::SetRecording(false);
        QCOMPARE(QsAnswers::Log(), QStringList{QStringLiteral("QsMessage: Delete Account '%1'?").arg(victim)});
        QVERIFY(!diskNames().contains(victim));
        QCOMPARE(diskNames().size(), 2);
        QCOMPARE(selected(), after);
        QCOMPARE(w->RowCount(), 2);
    }

    // A write that fails reports it; the deleted account's row goes with it and the rest stays usable.
    void deleteWhenTheWriteFails() {
        QVERIFY(QFile::remove(path));
        QVERIFY(QDir().mkdir(path)); // a folder where the file was: the save cannot replace it
        select(QStringLiteral("mail"));
        QsAnswers::Push(QStringLiteral("QsMessage"), int(QsAnswerYes));
        QVERIFY(w->RunCommand(w->actAccountDelete));
        QCOMPARE(errors.size(), 1);
        QVERIFY2(errors.first().startsWith(QStringLiteral("1: Error saving file")), qPrintable(errors.first()));
        QCOMPARE(listed(), (QStringList{"Bank", "Shop"}));
        QCOMPARE(selected(), QStringLiteral("Bank"));
        QCOMPARE(CurrentFile->AccountCount(), 2);
        w->alMainUpdate();
        QCOMPARE(w->CellText(1, 0), QStringLiteral("Shop"));

        // Rename lists the new name although the write failed.
        select(QStringLiteral("Shop"));
        QsAnswers::PushHandler(QStringLiteral("TAccountRename"), [](QObject* object) {
            qobject_cast<TAccountRename*>(object)->txtNewName->setText(QStringLiteral("Store"));
            return QVariant(true);
        });
        QVERIFY(w->RunCommand(w->actAccountRename));
        QCOMPARE(errors.size(), 2);
        QCOMPARE(listed(), (QStringList{"Bank", "Store"}));
        QVERIFY(QDir(path).removeRecursively());
        w->RunCommand(w->actFileClose); // writes the file again
        QCOMPARE(diskNames(), (QStringList{"Bank", "Store"}));
    }

    void deleteQuestionDefaultsToNo() {
        select(QStringLiteral("mail"));
        const QByteArray before = bytesOf(path);
        int defaultPosition = 0;
        // The real box runs; Enter is pressed as soon as it shows.
        QsAnswers::PushHandler(QStringLiteral("QsMessage"), [&defaultPosition](QObject* object) {
            auto* box = qobject_cast<TQsMessage*>(object);
            defaultPosition = box->DefaultPosition;
            QTimer::singleShot(0, box, [box] {
                QWidget* focus = QApplication::focusWidget() ? QApplication::focusWidget() : box;
                QTest::keyClick(focus, Qt::Key_Return);
            });
            return QVariant();
        });
        QVERIFY(w->RunCommand(w->actAccountDelete));
        QCOMPARE(defaultPosition, 2);
        QCOMPARE(bytesOf(path), before);
        QCOMPARE(listed(), (QStringList{"Bank", "mail", "Shop"}));
    }

    void deletingTheOnlyAccount() {
        w->RunCommand(w->actFileClose);
        makeFile(false, 1);
        openFile();
        QsAnswers::Push(QStringLiteral("QsMessage"), int(QsAnswerYes));
        QVERIFY(w->RunCommand(w->actAccountDelete));
        QCOMPARE(diskNames(), QStringList());
        QCOMPARE(w->RowCount(), 0);
        w->alMainUpdate();
        QVERIFY(!w->actAccountEdit->isEnabled());
        QVERIFY(!w->actAccountDelete->isEnabled());
        QVERIFY(!w->actEditFind->isEnabled());
        QVERIFY(w->actAccountAdd->isEnabled());
        QCOMPARE(w->sbPanel2->text(), QStringLiteral("Accounts: 0"));
    }

    void renameSelectsTheFirstRow() {
        select(QStringLiteral("mail"));
        QsAnswers::PushHandler(QStringLiteral("TAccountRename"), [](QObject* object) {
            auto* dialog = qobject_cast<TAccountRename*>(object);
            if (dialog->txtOldName->text() != QStringLiteral("mail"))
                return QVariant(false);
            dialog->txtNewName->setText(QStringLiteral("Zulu mail "));
            return QVariant(true);
        });
        QVERIFY(w->RunCommand(w->actAccountRename));
        QCOMPARE(diskNames(), (QStringList{"Bank", "Zulu mail ", "Shop"})); // same place, blanks kept
        QCOMPARE(disk()->Accounts.at(1)->Modified, QDate(2004, 1, 2));
        QCOMPARE(listed(), (QStringList{"Bank", "Shop", "Zulu mail "}));
        QCOMPARE(selected(), QStringLiteral("Bank"));
    }

    void protectedAccounts() {
        w->RunCommand(w->actFileClose);
        makeFile(true);
        openFile();
        QsAnswers::Clear();
        QsAnswers::SetRecording(true);

        // Edit asks for the file password first; a refusal stops there.
        select(QStringLiteral("Bank"));
        QsAnswers::Push(QStringLiteral("TPassEdit"), false);
        QVERIFY(w->RunCommand(w->actAccountEdit));
        QCOMPARE(QsAnswers::Log().size(), 1);
        QVERIFY(QsAnswers::Log().first().startsWith(QStringLiteral("TPassEdit: ")));
        QCOMPARE(diskNames(), (QStringList{"Bank", "mail", "Shop"}));

        QsAnswers::Clear();
        QsAnswers::Push(QStringLiteral("TPassEdit"), kPassword);
        QsAnswers::PushHandler(QStringLiteral("TAccountEdit"), fillEditor(QString(), QStringLiteral("edited")));
        QVERIFY(w->RunCommand(w->actAccountEdit));
        QCOMPARE(QsAnswers::Log().size(), 2);
        QVERIFY(QsAnswers::Log().at(0).startsWith(QStringLiteral("TPassEdit: ")));
        QVERIFY(QsAnswers::Log().at(1).startsWith(QStringLiteral("TAccountEdit: ")));
        QCOMPARE(diskNames(), (QStringList{"mail", "Shop", "Bank"}));

        // Rename and Duplicate ask no password.
        QsAnswers::Clear();
        select(QStringLiteral("Bank"));
        QsAnswers::PushHandler(QStringLiteral("TAccountEdit"), fillEditor(QStringLiteral("Bank copy")));
        QVERIFY(w->RunCommand(w->actAccountDuplicate));
        QCOMPARE(QsAnswers::Log().size(), 1);
        QVERIFY(disk()->FindAccount(QStringLiteral("Bank copy"))->Protected);

        // Delete asks the question first, then the password.
        QsAnswers::Clear();
        select(QStringLiteral("Bank"));
        QsAnswers::Push(QStringLiteral("QsMessage"), int(QsAnswerYes));
        QsAnswers::Push(QStringLiteral("TPassEdit"), false);
        QVERIFY(w->RunCommand(w->actAccountDelete));
        QCOMPARE(QsAnswers::Log().size(), 2);
        QCOMPARE(QsAnswers::Log().at(0), QStringLiteral("QsMessage: Delete Account 'Bank'?"));
        QVERIFY(QsAnswers::Log().at(1).startsWith(QStringLiteral("TPassEdit: ")));
        QVERIFY(diskNames().contains(QStringLiteral("Bank")));

        QsAnswers::Clear();
        QsAnswers::Push(QStringLiteral("QsMessage"), int(QsAnswerYes));
        QsAnswers::Push(QStringLiteral("TPassEdit"), kPassword);
        QVERIFY(w->RunCommand(w->actAccountDelete));
        QVERIFY(!diskNames().contains(QStringLiteral("Bank")));
        QsAnswers::SetRecording(false);
        QsAnswers::Clear();
    }

    void spaceBarAndDoubleClickEdit() {
        select(QStringLiteral("Shop"));
        QsAnswers::Push(QStringLiteral("TAccountEdit"), false);
        QTest::keyClick(w->lvAccounts, Qt::Key_Space);
        QCOMPARE(QsAnswers::Pending(), 0);
        QsAnswers::Push(QStringLiteral("TAccountEdit"), false);
        w->lvAccountsDblClick();
        QCOMPARE(QsAnswers::Pending(), 0);
    }

    void readOnlyModeRefusesChanges() {
        select(QStringLiteral("Shop"));
        QVERIFY(w->RunCommand(w->actAccountReadOnly));
        QVERIFY(w->ReadOnly);
        const QByteArray before = bytesOf(path);
        for (QAction* a :
             {w->actAccountAdd, w->actAccountEdit, w->actAccountDelete, w->actAccountRename, w->actAccountDuplicate}) {
            QVERIFY2(!w->RunCommand(a), qPrintable(a->objectName()));
            QVERIFY(!a->isEnabled());
        }
        // Neither the space bar nor a double click opens the editor.
        QsAnswers::Push(QStringLiteral("TAccountEdit"), false);
        QTest::keyClick(w->lvAccounts, Qt::Key_Space);
        w->lvAccountsDblClick();
        QCOMPARE(QsAnswers::Pending(), 1);
        QsAnswers::Clear();
        // Sorting and the list layout stay available.
        QVERIFY(w->actSortLogin->isEnabled());
        QVERIFY(w->actViewManageList->isEnabled());
        QCOMPARE(bytesOf(path), before);
        QVERIFY(w->RunCommand(w->actAccountReadOnly));
    }

    void sortCommands() {
        QVERIFY(!w->actSortPassword->isEnabled()); // hidden in the default layout
        QVERIFY(w->actSortAccountName->isChecked());
        QVERIFY(w->RunCommand(w->actSortEmail));
        QCOMPARE(listed(), (QStringList{"Bank", "mail", "Shop"}));
        QVERIFY(ListLayout->SortAscending);
        QVERIFY(w->actSortEmail->isChecked());
        QVERIFY(!w->actSortAccountName->isChecked());
        QVERIFY(w->RunCommand(w->actSortEmail));
        QVERIFY(!ListLayout->SortAscending);
        QCOMPARE(listed(), (QStringList{"Shop", "mail", "Bank"}));
        QVERIFY(w->actSortEmail->isChecked());
        QVERIFY(w->RunCommand(w->actSortCreated));
        QCOMPARE(ListLayout->SortIndex, 4);
        QVERIFY(ListLayout->SortAscending);
    }

    void manageListRebuildsTheList() {
        QsAnswers::PushHandler(QStringLiteral("TCustForm"), [](QObject* object) {
            auto* form = qobject_cast<TCustForm*>(object);
            form->lbAvailable->setCurrentItem(form->lbAvailable->findItems("Password", Qt::MatchExactly).first());
            form->actAdd->trigger();
            form->cbSortField->setCurrentText(QStringLiteral("Password"));
            form->cbSortType->setCurrentText(QStringLiteral("Descending"));
            return QVariant(true);
        });
        QVERIFY(w->RunCommand(w->actViewManageList));
        QCOMPARE(w->ShownHeadings(),
                 (QStringList{"Account Name", "Login", "Email", "Web", "Created", "Modified", "Password"}));
        QCOMPARE(w->CellText(0, 6), QStringLiteral("pw-Shop"));
        QVERIFY(w->actSortPassword->isEnabled());
        QVERIFY(w->actSortPassword->isChecked());

        // Closed without OK: the list stays as it is.
        QsAnswers::Push(QStringLiteral("TCustForm"), false);
        QVERIFY(w->RunCommand(w->actViewManageList));
        QCOMPARE(w->ShownHeadings().size(), 7);
    }

    // The states of the account commands over the states that matter.
    void commandStates_data() {
        QTest::addColumn<QString>("state");
        // Add Edit Delete Rename Duplicate Sort Manage, then the seven sort commands; "x" = checked.
        QTest::addColumn<QString>("enabled");
        QTest::newRow("no file") << "closed"
                                 << "0000000 0000000";
        QTest::newRow("open, row selected") << "selected"
                                            << "1111111 x101111";
        QTest::newRow("open, no row selected") << "unselected"
                                               << "1000011 x101111";
        QTest::newRow("read-only") << "readonly"
                                   << "0000011 x101111";
        QTest::newRow("password shown, login protected, sort by password") << "layout"
                                                                           << "1111111 10x1111";
    }
    void commandStates() {
        QFETCH(QString, state);
        QFETCH(QString, enabled);
        if (state == QLatin1String("closed")) {
            w->RunCommand(w->actFileClose);
        } else if (state == QLatin1String("unselected")) {
            w->lvAccounts->selectionModel()->clearSelection();
        } else if (state == QLatin1String("readonly")) {
            w->RunCommand(w->actAccountReadOnly);
        } else if (state == QLatin1String("layout")) {
            ListLayout->FindColumn(QStringLiteral("Password"))->Visible = true;
            ListLayout->FindColumn(QStringLiteral("Password"))->Protected = false;
            ListLayout->FindColumn(QStringLiteral("Login"))->Protected = true;
            ListLayout->SortIndex = 2; // Password is the third shown column
            w->FillAccountsList();
        }
        w->alMainUpdate();
        const QAction* commands[] = {w->actAccountAdd,    w->actAccountEdit,      w->actAccountDelete,
                                     w->actAccountRename, w->actAccountDuplicate, w->actSort,
                                     w->actViewManageList};
        const QAction* sorts[] = {w->actSortAccountName, w->actSortLogin,   w->actSortPassword, w->actSortEmail,
                                  w->actSortWeb,         w->actSortCreated, w->actSortModified};
        QString actual;
        for (const QAction* a : commands)
            actual += a->isEnabled() ? QLatin1Char('1') : QLatin1Char('0');
        actual += QLatin1Char(' ');
        for (const QAction* a : sorts)
            actual += a->isChecked() ? QLatin1Char('x') : a->isEnabled() ? QLatin1Char('1') : QLatin1Char('0');
        QCOMPARE(actual, enabled);
        if (state == QLatin1String("readonly"))
            w->RunCommand(w->actAccountReadOnly);
    }
};

KYVN_TEST_MAIN(TestMainAccounts)
#include "tst_mainaccounts.moc"
