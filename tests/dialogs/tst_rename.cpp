// The rename dialog: what it gives back, what it refuses, and its keys.
#include "KyvnTest.h"

#include "QsAnswers.h"
#include "QsExceptions.h"
#include "clsAccount.h"
#include "clsFile.h"
#include "frmRename.h"

#include <QClipboard>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

class TestRename : public QObject {
    Q_OBJECT

    QStringList errors_;
    std::unique_ptr<TKYVNFile> file_;

    void addAccount(const QString& name) {
        auto* account = new TKYVNAccount;
        account->AccountName = name;
        file_->AddAccount(account);
    }

private slots:
    void init() {
        file_ = std::make_unique<TKYVNFile>();
        addAccount(QStringLiteral("Bank"));
        addAccount(QStringLiteral("Mail"));
        addAccount(QStringLiteral(""));
        errors_.clear();
        QsSetExceptionHandler([this](const std::exception* e) {
            const auto* qe = dynamic_cast<const EQsException*>(e);
            errors_ << (qe ? qe->Message + QLatin1Char('|') + qe->Details + QLatin1Char('|') + QString::number(qe->Kind)
                           : QString::fromUtf8(e ? e->what() : "?"));
        });
        QsAnswers::Clear();
    }
    void cleanup() {
        QsSetExceptionHandler(nullptr);
        file_.reset();
    }

    void typedNames_data() {
        QTest::addColumn<QString>("oldName");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QString>("returned");
        QTest::newRow("new name") << "Bank"
                                  << "Savings" << true << "Savings";
        QTest::newRow("only the case changed") << "Bank"
                                               << "BANK" << false << "";
        QTest::newRow("its own name") << "Bank"
                                      << "Bank" << false << "";
        QTest::newRow("another account's name") << "Bank"
                                                << "mail" << false << "";
        QTest::newRow("blanks kept") << "Bank"
                                     << " Bank " << true << " Bank ";
        QTest::newRow("apostrophe and number sign are kept") << "Bank"
                                                             << "Sa'v#ings" << true << "Sa'v#ings";
        QTest::newRow("number sign makes another name") << "Bank"
                                                        << "Ma#il" << true << "Ma#il";
        QTest::newRow("accented letters compare exactly") << "Bank"
                                                          << "Bänk" << true << "Bänk";
    }
    void typedNames() {
        QFETCH(QString, oldName);
        QFETCH(QString, typed);
        QFETCH(bool, accepted);
        QFETCH(QString, returned);
        TAccountRename dialog;
        dialog.Setup(file_.get(), oldName);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Rename Account '%1'...").arg(oldName));
        // Key clicks speak ASCII only; other letters are inserted as an input method would.
        bool ascii = std::all_of(typed.begin(), typed.end(), [](QChar c) { return c.unicode() < 128; });
        if (ascii)
            QTest::keyClicks(dialog.txtNewName, typed);
        else
            dialog.txtNewName->insert(typed);
        QVERIFY(dialog.cmdOK->isEnabled());
        QTest::mouseClick(dialog.cmdOK, Qt::LeftButton);
        QCOMPARE(dialog.Accepted, accepted);
        if (accepted) {
            QCOMPARE(dialog.NewName(), returned);
            QVERIFY(errors_.isEmpty());
        } else {
            QCOMPARE(errors_.size(), 1);
            QCOMPARE(errors_.first(),
                     QStringLiteral("There is already an account named '%1'.|Please provide a different name for this "
                                    "account.|2")
                         .arg(dialog.txtNewName->text()));
        }
    }

    void pastedNamesKeepApostropheAndNumberSign() {
        TAccountRename dialog;
        dialog.Setup(file_.get(), QStringLiteral("Bank"));
        QGuiApplication::clipboard()->setText(QStringLiteral("O'Brien#1"));
        dialog.txtNewName->setFocus();
        dialog.txtNewName->paste();
        QCOMPARE(dialog.txtNewName->text(), QStringLiteral("O'Brien#1"));
        QCOMPARE(dialog.NewName(), QStringLiteral("O'Brien#1"));
        // a name holding a line break would shift the lines of the passwords file
        dialog.txtNewName->clear();
        QGuiApplication::clipboard()->setText(QStringLiteral("two\r\nlines\n"));
        dialog.txtNewName->paste();
        QCOMPARE(dialog.NewName(), QStringLiteral("twolines"));
    }

    void okNeedsBothNames() {
        TAccountRename dialog;
        dialog.Setup(file_.get(), QStringLiteral(""));
        QVERIFY(!dialog.cmdOK->isEnabled());
        QTest::keyClicks(dialog.txtNewName, QStringLiteral("Named"));
        // The account without a name cannot be renamed.
        QVERIFY(!dialog.cmdOK->isEnabled());

        TAccountRename other;
        other.Setup(file_.get(), QStringLiteral("Bank"));
        QVERIFY(!other.cmdOK->isEnabled());
        QTest::keyClicks(other.txtNewName, QStringLiteral("x"));
        QVERIFY(other.cmdOK->isEnabled());
        QTest::keyClick(other.txtNewName, Qt::Key_Backspace);
        QVERIFY(!other.cmdOK->isEnabled());
        QCOMPARE(other.txtOldName->maxLength(), 50);
        QCOMPARE(other.txtNewName->maxLength(), 50);
        QVERIFY(!other.txtOldName->isEnabled());
    }

    // The real dialog, driven by keys: Enter accepts, Esc (on release) cancels.
    void realDialogKeys() {
        QString newName;
        QTimer::singleShot(0, [] {
            auto* dialog = qobject_cast<TAccountRename*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            QTRY_COMPARE(QApplication::focusWidget(), dialog->txtNewName);
            QTest::keyClicks(dialog->txtNewName, QStringLiteral("Card"));
            QTest::keyClick(dialog->txtNewName, Qt::Key_Return);
        });
        QVERIFY(RenameAccount(*file_, QStringLiteral("Bank"), newName));
        QCOMPARE(newName, QStringLiteral("Card"));

        QTimer::singleShot(0, [] {
            auto* dialog = qobject_cast<TAccountRename*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            QTest::keyClicks(dialog->txtNewName, QStringLiteral("Other"));
            QTest::keyPress(dialog->txtNewName, Qt::Key_Escape);
            QVERIFY(dialog->isVisible()); // Esc acts on release
            QTest::keyRelease(dialog->txtNewName, Qt::Key_Escape);
        });
        newName = QStringLiteral("unchanged");
        QVERIFY(!RenameAccount(*file_, QStringLiteral("Bank"), newName));
        QCOMPARE(newName, QStringLiteral("unchanged"));
    }

    void answerSeam() {
        QsAnswers::PushHandler(QStringLiteral("TAccountRename"), [](QObject* object) {
            auto* dialog = qobject_cast<TAccountRename*>(object);
            dialog->txtNewName->setText(QStringLiteral("Via seam"));
            return QVariant(true);
        });
        QString newName;
        QVERIFY(RenameAccount(*file_, QStringLiteral("Mail"), newName));
        QCOMPARE(newName, QStringLiteral("Via seam"));

        QsAnswers::Push(QStringLiteral("TAccountRename"), false);
        QVERIFY(!RenameAccount(*file_, QStringLiteral("Mail"), newName));

        // A refused name is raised to the caller.
        QsAnswers::PushHandler(QStringLiteral("TAccountRename"), [](QObject* object) {
            qobject_cast<TAccountRename*>(object)->txtNewName->setText(QStringLiteral("BANK"));
            return QVariant(true);
        });
        QVERIFY_THROWS_EXCEPTION(EQsException, RenameAccount(*file_, QStringLiteral("Mail"), newName));
        QCOMPARE(QsAnswers::Pending(), 0);
    }
};

KYVN_TEST_MAIN(TestRename)
#include "tst_rename.moc"
