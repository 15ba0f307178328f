// The account editor: what it writes into an account, what it refuses, its inputs and keys, and the
// password generator behind its "..." button.
#include "KyvnTest.h"

#include "QsAnswers.h"
#include "QsExceptions.h"
#include "QsMsgFrm.h"
#include "QsShellUtils.h"
#include "StrengthGauge.h"
#include "clsAccount.h"
#include "clsFile.h"
#include "frmAccount.h"
#include "uOptions.h"

#include <QCheckBox>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

class TestAccount : public QObject {
    Q_OBJECT

    QStringList errors_;
    std::unique_ptr<TKYVNFile> file_;

    TKYVNAccount* addAccount(const QString& name) {
        auto* account = new TKYVNAccount;
        account->AccountName = name;
        file_->AddAccount(account);
        return account;
    }

    static QLineEdit* lineEdit(TAccountEdit& dialog, const QString& name) { return dialog.findChild<QLineEdit*>(name); }
    static int lineFieldOf(const QString& name) {
        const QStringList edits{"txtAccountName", "txtLogin", "txtPassword", "txtEmail", "txtWeb"};
        return int(edits.indexOf(name));
    }

private slots:
    void initTestCase() { Options = new TKYVNOptions; }
    void cleanupTestCase() {
        delete Options;
        Options = nullptr;
    }
    void init() {
        file_ = std::make_unique<TKYVNFile>();
        addAccount(QStringLiteral("Bank"));
        addAccount(QStringLiteral("Mail"));
        errors_.clear();
        QsSetExceptionHandler([this](const std::exception* e) {
            const auto* qe = dynamic_cast<const EQsException*>(e);
            errors_ << (qe ? qe->Message + QLatin1Char('|') + qe->Details + QLatin1Char('|') + QString::number(qe->Kind)
                           : QString::fromUtf8(e ? e->what() : "?"));
        });
        QsAnswers::Clear();
        Options->DisplayPassword = false;
        Options->PasswordLength = 8;
    }
    void cleanup() {
        QsSetExceptionHandler(nullptr);
        QsSetUrlOpener(nullptr);
        file_.reset();
    }

    void createStartsEmptyAndNeedsAName() {
        TAccountEdit dialog;
        dialog.SetupCreate(file_.get(), nullptr);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Create New Account..."));
        QVERIFY(!dialog.cmdOK->isEnabled());
        QVERIFY(!dialog.cmdEmail->isEnabled());
        QVERIFY(!dialog.cmdWeb->isEnabled());
        QTest::keyClicks(dialog.txtAccountName, QStringLiteral("N"));
        QVERIFY(dialog.cmdOK->isEnabled());
        QTest::keyClick(dialog.txtAccountName, Qt::Key_Backspace);
        QVERIFY(!dialog.cmdOK->isEnabled());
        QTest::keyClicks(dialog.txtEmail, QStringLiteral("a"));
        QVERIFY(dialog.cmdEmail->isEnabled());
        QTest::keyClicks(dialog.txtWeb, QStringLiteral("w"));
        QVERIFY(dialog.cmdWeb->isEnabled());
        QCOMPARE(dialog.txtAccountName->maxLength(), 50);
        QCOMPARE(dialog.txtLogin->maxLength(), 100);
        QCOMPARE(dialog.txtPassword->maxLength(), 100);
    }

    void duplicateCopiesAllButTheNameWithTodaysDates() {
        TKYVNAccount source;
        source.AccountName = QStringLiteral("Bank");
        source.Login = QStringLiteral("me");
        source.Password = QStringLiteral("secret");
        source.Email = QStringLiteral("me@bank.example");
        source.Web = QStringLiteral("bank.example");
        source.Notes = QStringLiteral("line 1\r\nline 2");
        source.Protected = true;
        source.Created = QDate(2001, 2, 3);
        source.Modified = QDate(2002, 3, 4);

        QsAnswers::PushHandler(QStringLiteral("TAccountEdit"), [](QObject* object) {
            auto* dialog = qobject_cast<TAccountEdit*>(object);
            if (!dialog->txtAccountName->text().isEmpty() || dialog->cmdOK->isEnabled() ||
                !dialog->cmdEmail->isEnabled() || !dialog->cmdWeb->isEnabled())
                return QVariant(false);
            QTest::keyClicks(dialog->txtAccountName, QStringLiteral("Bank copy"));
            return QVariant(true);
        });
        TKYVNAccount copy;
        QVERIFY(CreateAccount(*file_, copy, &source));
        QCOMPARE(copy.AccountName, QStringLiteral("Bank copy"));
        QCOMPARE(copy.Login, source.Login);
        QCOMPARE(copy.Password, source.Password);
        QCOMPARE(copy.Email, source.Email);
        QCOMPARE(copy.Web, source.Web);
        QCOMPARE(copy.Notes, source.Notes);
        QCOMPARE(copy.Protected, true);
        QCOMPARE(copy.Created, QDate::currentDate());
        QCOMPARE(copy.Modified, QDate::currentDate());
    }

    void newNames_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QString>("stored");
        QTest::newRow("new") << "Shop" << true << "Shop";
        QTest::newRow("same name") << "Bank" << false << "";
        QTest::newRow("other case") << "bANK" << false << "";
        QTest::newRow("blanks around an existing name") << "  Mail  " << false << "";
        QTest::newRow("blanks around a new name") << "  Shop  " << true << "Shop";
        QTest::newRow("only blanks") << "   " << true << "";
        QTest::newRow("inner blank differs") << "Ba nk" << true << "Ba nk";
    }
    void newNames() {
        QFETCH(QString, typed);
        QFETCH(bool, accepted);
        QFETCH(QString, stored);
        TAccountEdit dialog;
        dialog.SetupCreate(file_.get(), nullptr);
        QTest::keyClicks(dialog.txtAccountName, typed);
        QVERIFY(dialog.cmdOK->isEnabled());
        QTest::mouseClick(dialog.cmdOK, Qt::LeftButton);
        QCOMPARE(dialog.Accepted, accepted);
        if (accepted) {
            TKYVNAccount account;
            dialog.WriteTo(account);
            QCOMPARE(account.AccountName, stored);
        } else {
            QCOMPARE(errors_, QStringList{QStringLiteral("There is already an account named '%1'.|Please provide a "
                                                         "different name for this account.|2")
                                              .arg(typed)});
        }
    }

    void blankNameTwiceIsRefused() {
        addAccount(QString());
        QsAnswers::PushHandler(QStringLiteral("TAccountEdit"), [](QObject* object) {
            QTest::keyClicks(qobject_cast<TAccountEdit*>(object)->txtAccountName, QStringLiteral("  "));
            return QVariant(true);
        });
        TKYVNAccount account;
        QVERIFY_THROWS_EXCEPTION(EQsException, CreateAccount(*file_, account));
    }

    void trimming() {
        TAccountEdit dialog;
        dialog.SetupCreate(file_.get(), nullptr);
        QTest::keyClicks(dialog.txtAccountName, QStringLiteral("Shop"));
        QTest::keyClicks(dialog.txtPassword, QStringLiteral("  pa ss\t "));
        dialog.txtNotes->SetText(QStringLiteral("\tnote\r\nsecond line\r\n\r\n\r\n"));
        TKYVNAccount account;
        dialog.WriteTo(account);
        QCOMPARE(account.Password, QStringLiteral("pa ss"));
        QCOMPARE(account.Notes, QStringLiteral("note\r\nsecond line"));
    }

    // The apostrophe and the number sign are ordinary characters of the single-line fields, typed or
    // pasted (a name like O'Neil, a password with #).
    void apostropheAndNumberSignInLineFields_data() {
        QTest::addColumn<QString>("input");
        for (const char* name : {"txtAccountName", "txtLogin", "txtPassword", "txtEmail", "txtWeb"})
            QTest::newRow(name) << name;
    }
    void apostropheAndNumberSignInLineFields() {
        QFETCH(QString, input);
        TAccountEdit dialog;
        dialog.SetupCreate(file_.get(), nullptr);
        QLineEdit* edit = lineEdit(dialog, input);
        QVERIFY(edit);
        QTest::keyClicks(edit, QStringLiteral("a'b#c"));
        QCOMPARE(edit->text(), QStringLiteral("a'b#c"));
        QGuiApplication::clipboard()->setText(QStringLiteral("#x'y"));
        edit->setCursorPosition(1);
        edit->paste();
        QCOMPARE(edit->text(), QStringLiteral("a#x'y'b#c"));
        QCOMPARE(edit->cursorPosition(), 5);
        if (input != QLatin1String("txtAccountName"))
            dialog.txtAccountName->setText(QStringLiteral("Shop"));
        TKYVNAccount account;
        dialog.WriteTo(account);
        QCOMPARE(GetAccountField(account, KyvnFieldCaption(lineFieldOf(input))), QStringLiteral("a#x'y'b#c"));
    }

    // A line break or NUL inside a single-line field would shift every following line of the passwords
    // file; pasted or dropped text loses them, whatever field it goes to.
    void lineBreaksNeverReachSingleLineFields_data() {
        QTest::addColumn<QString>("input");
        for (const char* name : {"txtAccountName", "txtLogin", "txtPassword", "txtEmail", "txtWeb"})
            QTest::newRow(name) << name;
    }
    void lineBreaksNeverReachSingleLineFields() {
        QFETCH(QString, input);
        TAccountEdit dialog;
        dialog.SetupCreate(file_.get(), nullptr);
        QLineEdit* edit = lineEdit(dialog, input);
        QVERIFY(edit);
        edit->setFocus();
        QGuiApplication::clipboard()->setText(QStringLiteral("ab\r\ncd\ne") + QChar(0) + QStringLiteral("f\rg"));
        edit->paste();
        QCOMPARE(edit->text(), QStringLiteral("abcdefg"));
        if (input != QLatin1String("txtAccountName"))
            dialog.txtAccountName->setText(QStringLiteral("Shop"));
        dialog.cmdOKClick();
        TKYVNAccount account;
        dialog.WriteTo(account);
        for (const QString& value : {account.AccountName, account.Login, account.Password, account.Email, account.Web})
            QVERIFY2(!value.contains(QLatin1Char('\n')) && !value.contains(QLatin1Char('\r')) &&
                         !value.contains(QChar(0)),
                     qPrintable(value));
    }

    // Text composed by an input method (accents, other scripts) passes the same filter as typed text.
    void inputMethodTextInNotesIsFiltered() {
        TAccountEdit dialog;
        dialog.SetupCreate(file_.get(), nullptr);
        QInputMethodEvent event(QString(), {});
        event.setCommitString(QStringLiteral("a'b#c") + QChar(0));
        QCoreApplication::sendEvent(dialog.txtNotes, &event);
        QCOMPARE(dialog.txtNotes->Text(), QStringLiteral("abc"));
        dialog.txtNotes->setPlainText(QString(254, QLatin1Char('n')));
        dialog.txtNotes->moveCursor(QTextCursor::End);
        QInputMethodEvent more(QString(), {});
        more.setCommitString(QStringLiteral("xyz"));
        QCoreApplication::sendEvent(dialog.txtNotes, &more);
        QCOMPARE(dialog.txtNotes->toPlainText().size(), 255);
    }

    void nulNeverReachesTheNotes() {
        TAccountEdit dialog;
        dialog.SetupCreate(file_.get(), nullptr);
        dialog.txtNotes->setFocus();
        QGuiApplication::clipboard()->setText(QStringLiteral("a") + QChar(0) + QStringLiteral("b\nc"));
        dialog.txtNotes->paste();
        QCOMPARE(dialog.txtNotes->Text(), QStringLiteral("ab\r\nc"));
    }

    void reservedCharactersInNotes() {
        TAccountEdit dialog;
        dialog.SetupCreate(file_.get(), nullptr);
        dialog.txtNotes->setFocus();
        QTest::keyClicks(dialog.txtNotes, QStringLiteral("a'b#c"));
        QCOMPARE(dialog.txtNotes->toPlainText(), QStringLiteral("abc"));
        QGuiApplication::clipboard()->setText(QStringLiteral("'1#\n2"));
        dialog.txtNotes->paste();
        QCOMPARE(dialog.txtNotes->Text(), QStringLiteral("abc1\r\n2"));
    }

    // An edit keeps every character of the single-line fields (only the notes cannot hold ' and #), and
    // the name as it is.
    void editKeepsApostropheAndNumberSignAndName() {
        TKYVNAccount* account = addAccount(QStringLiteral("O'Neil"));
        account->Login = QStringLiteral("lo'g#in");
        account->Notes = QStringLiteral("x#y");
        account->Created = QDate(2001, 2, 3);
        account->Modified = QDate(2002, 3, 4);
        QsAnswers::PushHandler(QStringLiteral("TAccountEdit"), [](QObject* object) {
            auto* dialog = qobject_cast<TAccountEdit*>(object);
            const bool ok = dialog->windowTitle() == QStringLiteral("Edit Account 'O'Neil'...") &&
                            !dialog->txtAccountName->isEnabled() && dialog->cmdOK->isEnabled() &&
                            dialog->txtAccountName->text() == QStringLiteral("O'Neil") &&
                            dialog->txtLogin->text() == QStringLiteral("lo'g#in");
            return QVariant(ok);
        });
        QVERIFY(EditAccount(*account));
        // The name is the key of the account; only the rename dialog changes it.
        QCOMPARE(account->AccountName, QStringLiteral("O'Neil"));
        QCOMPARE(account->Login, QStringLiteral("lo'g#in"));
        QCOMPARE(account->Notes, QStringLiteral("xy"));
        QCOMPARE(account->Created, QDate(2001, 2, 3));
        QCOMPARE(account->Modified, QDate::currentDate());
    }

    // An account without a name (possible from a name of blanks) can still be edited.
    void editAnUnnamedAccount() {
        TKYVNAccount* account = addAccount(QString());
        QsAnswers::PushHandler(QStringLiteral("TAccountEdit"), [](QObject* object) {
            auto* dialog = qobject_cast<TAccountEdit*>(object);
            if (!dialog->cmdOK->isEnabled())
                return QVariant(false);
            dialog->txtLogin->setText(QStringLiteral("named later"));
            return QVariant(true);
        });
        QVERIFY(EditAccount(*account));
        QCOMPARE(account->Login, QStringLiteral("named later"));
        QCOMPARE(account->AccountName, QString());
    }

    // The length limits are for typing: values longer than them (an imported login may have 255
    // characters) come back whole from an edit or a duplicate.
    void longValuesAreKept_data() {
        QTest::addColumn<bool>("duplicate");
        QTest::newRow("edit") << false;
        QTest::newRow("duplicate") << true;
    }
    void longValuesAreKept() {
        QFETCH(bool, duplicate);
        TKYVNAccount* source = addAccount(QString(60, QLatin1Char('n')));
        source->Login = QString(255, QLatin1Char('l'));
        source->Password = QString(120, QLatin1Char('p'));
        source->Notes = QString(300, QLatin1Char('t'));
        QsAnswers::PushHandler(QStringLiteral("TAccountEdit"), [](QObject* object) {
            auto* dialog = qobject_cast<TAccountEdit*>(object);
            if (dialog->IsNew)
                dialog->txtAccountName->setText(QStringLiteral("Copy"));
            return QVariant(true);
        });
        TKYVNAccount copy;
        TKYVNAccount& result = duplicate ? copy : *source;
        QVERIFY(duplicate ? CreateAccount(*file_, copy, source) : EditAccount(*source));
        QCOMPARE(result.Login, QString(255, QLatin1Char('l')));
        QCOMPARE(result.Password, QString(120, QLatin1Char('p')));
        QCOMPARE(result.Notes, QString(300, QLatin1Char('t')));
        QCOMPARE(source->AccountName, QString(60, QLatin1Char('n')));
    }

    void cancelLeavesTheAccountAlone() {
        TKYVNAccount* account = addAccount(QStringLiteral("Shop"));
        account->Login = QStringLiteral("old");
        QsAnswers::PushHandler(QStringLiteral("TAccountEdit"), [](QObject* object) {
            qobject_cast<TAccountEdit*>(object)->txtLogin->setText(QStringLiteral("new"));
            return QVariant(false);
        });
        QVERIFY(!EditAccount(*account));
        QCOMPARE(account->Login, QStringLiteral("old"));
    }

    void notesLimit() {
        TAccountEdit dialog;
        dialog.SetupCreate(file_.get(), nullptr);
        dialog.txtNotes->setFocus();
        QTest::keyClicks(dialog.txtNotes, QString(300, QLatin1Char('n')));
        QCOMPARE(dialog.txtNotes->toPlainText().size(), 255);
        dialog.txtNotes->selectAll();
        QGuiApplication::clipboard()->setText(QString(400, QLatin1Char('p')));
        dialog.txtNotes->paste();
        QCOMPARE(dialog.txtNotes->toPlainText(), QString(255, QLatin1Char('p')));
    }

    void maskAndCtrlEnter() {
        Options->DisplayPassword = false;
        TAccountEdit dialog;
        dialog.SetupCreate(file_.get(), nullptr);
        QTest::keyClicks(dialog.txtAccountName, QStringLiteral("Shop"));
        QCOMPARE(dialog.txtPassword->echoMode(), QLineEdit::Password);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        dialog.txtPassword->setFocus();
        QTest::keyPress(dialog.txtPassword, Qt::Key_Return, Qt::ControlModifier);
        QCOMPARE(dialog.txtPassword->echoMode(), QLineEdit::Password); // acts on release
        QTest::keyRelease(dialog.txtPassword, Qt::Key_Return, Qt::ControlModifier);
        QCOMPARE(dialog.txtPassword->echoMode(), QLineEdit::Normal);
        QVERIFY(dialog.isVisible());
        QVERIFY(!dialog.Accepted);
        // In the notes too it toggles and breaks no line.
        dialog.txtNotes->setFocus();
        QTest::keyClick(dialog.txtNotes, Qt::Key_Enter, Qt::ControlModifier);
        QCOMPARE(dialog.txtPassword->echoMode(), QLineEdit::Password);
        QCOMPARE(dialog.txtNotes->toPlainText(), QString());
        QVERIFY(!dialog.Accepted);
        // A plain Enter in a line edit presses OK.
        QTest::keyClick(dialog.txtLogin, Qt::Key_Return);
        QVERIFY(dialog.Accepted);

        Options->DisplayPassword = true;
        TAccountEdit clear;
        QCOMPARE(clear.txtPassword->echoMode(), QLineEdit::Normal);
    }

    // The button and Ctrl+Enter are two ways to the same mask, and the button always says what it will do.
    void showButtonAndCtrlEnterAgree() {
        Options->DisplayPassword = false;
        TAccountEdit dialog;
        dialog.SetupCreate(file_.get(), nullptr);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        auto state = [&dialog] {
            return QStringList{dialog.PasswordMasked() ? "masked" : "clear", dialog.cmdShowPassword->text(),
                               dialog.cmdShowPassword->accessibleName(),
                               dialog.cmdShowPassword->isChecked() ? "down" : "up"};
        };
        const QStringList masked{"masked", "&Show", "Show password", "up"};
        const QStringList clear{"clear", "H&ide", "Hide password", "down"};
        QCOMPARE(state(), masked);
        QTest::mouseClick(dialog.cmdShowPassword, Qt::LeftButton);
        QCOMPARE(state(), clear);
        dialog.txtPassword->setFocus();
        QTest::keyClick(dialog.txtPassword, Qt::Key_Return, Qt::ControlModifier);
        QCOMPARE(state(), masked);
        QTest::mouseClick(dialog.cmdShowPassword, Qt::LeftButton);
        QCOMPARE(state(), clear);
        QTest::mouseClick(dialog.cmdShowPassword, Qt::LeftButton);
        QCOMPARE(state(), masked);
        QVERIFY(!dialog.Accepted);

        Options->DisplayPassword = true;
        TAccountEdit shown;
        QCOMPARE(shown.cmdShowPassword->text(), QString("H&ide"));
    }

    // The gauge measures what is typed, with the account's own words counting against it.
    void gaugeFollowsPasswordAndAccountWords() {
        Options->DisplayPassword = false;
        TAccountEdit dialog;
        dialog.SetupCreate(file_.get(), nullptr);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QCOMPARE(dialog.gaugePassword->Text(), QString("No password"));
        QTest::keyClicks(dialog.txtAccountName, "Shop");
        QTest::keyClicks(dialog.txtPassword, "jsmith1984");
        const QString alone = dialog.gaugePassword->Text();
        QCOMPARE(alone, StrengthText(PasswordStrength("jsmith1984", {"Shop"})));
        QTest::keyClicks(dialog.txtLogin, "jsmith");
        const QString withLogin = dialog.gaugePassword->Text();
        QCOMPARE(withLogin, StrengthText(PasswordStrength("jsmith1984", {"Shop", "jsmith"})));
        QVERIFY2(dialog.gaugePassword->Strength().Bits < PasswordStrength("jsmith1984").Bits, qPrintable(withLogin));
        QCOMPARE(dialog.gaugePassword->accessibleDescription(), "Password strength: " + withLogin);
        QCOMPARE(dialog.gaugePassword->Label->text(), withLogin);

        dialog.txtPassword->clear();
        QTest::keyClicks(dialog.txtPassword, "(B]x^7Kq:Lz<p2Vd@Mw?");
        QVERIFY2(dialog.gaugePassword->Text().startsWith("Excellent, "), qPrintable(dialog.gaugePassword->Text()));
        QTest::mouseClick(dialog.cmdShowPassword, Qt::LeftButton);
        KyvnTest::shoot(&dialog, "account-gauge");

        // An edit shows the stored password's strength at once.
        TKYVNAccount account;
        account.AccountName = "Mail";
        account.Login = "ann";
        account.Password = "ann2024";
        TAccountEdit edit;
        edit.SetupEdit(account);
        QCOMPARE(edit.gaugePassword->Text(), StrengthText(PasswordStrength("ann2024", {"Mail", "ann"})));
        QVERIFY(edit.gaugePassword->Text().startsWith("Poor, "));
    }

    void generatesTheConfiguredLength_data() {
        QTest::addColumn<int>("length");
        QTest::newRow("shortest") << 1;
        QTest::newRow("unless changed") << TKYVNOptions().PasswordLength;
        QTest::newRow("longest") << 64;
    }
    void generatesTheConfiguredLength() {
        QFETCH(int, length);
        Options->PasswordLength = length;
        TAccountEdit dialog;
        dialog.SetupCreate(file_.get(), nullptr);
        dialog.cmdPasswordClick();
        QCOMPARE(dialog.txtPassword->text().size(), length);
        TKYVNAccount account;
        dialog.WriteTo(account);
        QCOMPARE(account.Password.size(), length); // past the typing limit of 100 too, were it longer
    }

    void generator_data() {
        QTest::addColumn<QString>("before");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("replaced");
        QTest::newRow("empty, no question") << "" << -1 << true;
        QTest::newRow("present, Yes") << "old" << int(QsAnswerYes) << true;
        QTest::newRow("present, No") << "old" << int(QsAnswerNo) << false;
    }
    void generator() {
        QFETCH(QString, before);
        QFETCH(int, answer);
        QFETCH(bool, replaced);
        Options->PasswordLength = 20;
        TAccountEdit dialog;
        dialog.SetupCreate(file_.get(), nullptr);
        dialog.txtPassword->setText(before);
        QsAnswers::SetRecording(true);
        if (answer >= 0)
            QsAnswers::Push(QStringLiteral("QsMessage"), answer);
        QTest::mouseClick(dialog.cmdPassword, Qt::LeftButton);
        QsAnswers::SetRecording(false);
        QCOMPARE(QsAnswers::Pending(), 0);
        if (answer >= 0)
            QCOMPARE(QsAnswers::Log(), QStringList{QStringLiteral("QsMessage: There is already a password assigned to "
                                                                  "this account. Do you want to generate a new one?")});
        else
            QVERIFY(QsAnswers::Log().isEmpty());
        const QString password = dialog.txtPassword->text();
        if (!replaced) {
            QCOMPARE(password, before);
            return;
        }
        QCOMPARE(password.size(), 20);
        for (QChar c : password)
            QVERIFY2(c.unicode() >= 40 && c.unicode() <= 124, qPrintable(password));
    }

    // Each of the 85 characters comes out, and nothing else does.
    void generatorRange() {
        Options->PasswordLength = 20;
        TAccountEdit dialog;
        dialog.SetupCreate(file_.get(), nullptr);
        QSet<QChar> seen;
        QSet<QString> passwords;
        for (int i = 0; i < 400; ++i) {
            dialog.txtPassword->clear();
            dialog.cmdPasswordClick();
            const QString password = dialog.txtPassword->text();
            passwords.insert(password);
            for (QChar c : password)
                seen.insert(c);
        }
        QCOMPARE(passwords.size(), 400);
        QCOMPARE(seen.size(), 85);
        QVERIFY(!seen.contains(QLatin1Char('\'')) && !seen.contains(QLatin1Char('#')));
        QVERIFY(seen.contains(QLatin1Char('(')) && seen.contains(QLatin1Char('|')));
    }

    void addresses_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("opened");
        QTest::newRow("mail") << "cmdEmail"
                              << "me@x.example"
                              << "mailto:me@x.example";
        QTest::newRow("mail with prefix") << "cmdEmail"
                                          << "mailto:me@x.example"
                                          << "mailto:me@x.example";
        QTest::newRow("web") << "cmdWeb"
                             << "www.x.example"
                             << "http://www.x.example";
        QTest::newRow("web with prefix") << "cmdWeb"
                                         << "http://x.example/a"
                                         << "http://x.example/a";
    }
    void addresses() {
        QFETCH(QString, button);
        QFETCH(QString, typed);
        QFETCH(QString, opened);
        QStringList urls;
        QsSetUrlOpener([&urls](const QUrl& url) {
            urls << url.toString();
            return true;
        });
        TAccountEdit dialog;
        dialog.SetupCreate(file_.get(), nullptr);
        QTest::keyClicks(button == QLatin1String("cmdEmail") ? dialog.txtEmail : dialog.txtWeb, typed);
        QTest::mouseClick(dialog.findChild<QPushButton*>(button), Qt::LeftButton);
        QCOMPARE(urls, QStringList{opened});
        QVERIFY(!dialog.Accepted);
    }

    // The real dialog: Esc cancels on release; the close box cancels.
    void realDialogCancels() {
        QTimer::singleShot(0, [] {
            auto* dialog = qobject_cast<TAccountEdit*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            QTest::keyClicks(dialog->txtAccountName, QStringLiteral("Shop"));
            QTest::keyClick(dialog->txtAccountName, Qt::Key_Escape);
        });
        TKYVNAccount account;
        QVERIFY(!CreateAccount(*file_, account));
        QCOMPARE(account.AccountName, QString());

        QTimer::singleShot(0, [] {
            auto* dialog = qobject_cast<TAccountEdit*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            QTest::keyClicks(dialog->txtAccountName, QStringLiteral("Shop"));
            dialog->close();
        });
        QVERIFY(!CreateAccount(*file_, account));

        QTimer::singleShot(0, [] {
            auto* dialog = qobject_cast<TAccountEdit*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            QTest::keyClicks(dialog->txtAccountName, QStringLiteral("Shop"));
            QTest::keyClick(dialog->txtAccountName, Qt::Key_Return);
        });
        QVERIFY(CreateAccount(*file_, account));
        QCOMPARE(account.AccountName, QStringLiteral("Shop"));
    }
};

KYVN_TEST_MAIN(TestAccount)
#include "tst_account.moc"
