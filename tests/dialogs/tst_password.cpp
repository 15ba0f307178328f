#include "KyvnTest.h"
#include "QsAnswers.h"
#include "QsApp.h"
#include "QsExceptions.h"
#include "QsHelpUtils.h"
#include "QsMsgFrm.h"
#include "StrengthGauge.h"
#include "frmPassword.h"

#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <functional>

namespace {

// Drives the real dialog once its event loop runs; a safety timer keeps a stuck dialog from hanging the test.
void driveRealDialog(const std::function<void(TPassEdit*)>& act) {
    QsAnswers::PushHandler("TPassEdit", [act](QObject* dlg) {
        auto* edit = qobject_cast<TPassEdit*>(dlg);
        QTimer::singleShot(0, edit, [edit, act] { act(edit); });
        QTimer::singleShot(5000, edit, &QDialog::reject);
        return QVariant();
    });
}

void type(QLineEdit* edit, const QString& text) {
    edit->clear();
    QTest::keyClicks(edit, text);
}

using KyvnTest::shoot;

} // namespace

class TestPassword : public QObject {
    Q_OBJECT
    QStringList raised; // messages the guard handed to the handler

private slots:
    void initTestCase() {
        static TQsApplication app;
        app.Title = "Keyvane";
        AppInfo = &app;
    }
    void init() {
        raised.clear();
        QsSetExceptionHandler([this](const std::exception* e) {
            raised << (e ? QsExceptionMessage(*e) : QString("?"));
            if (const auto* qs = dynamic_cast<const EQsException*>(e)) {
                QCOMPARE(int(qs->Kind), 1);
                QVERIFY(qs->Details.isEmpty());
            }
        });
    }
    void cleanup() {
        QsSetExceptionHandler({});
        QsAnswers::Clear();
        QsAnswers::SetRecording(false);
    }

    void okEnabledByMode_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("old");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("verify");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("new: both") << 0 << ""
                                   << "abcd"
                                   << "abcd" << true;
        QTest::newRow("new: no verify") << 0 << ""
                                        << "abcd"
                                        << "" << false;
        QTest::newRow("new: no password") << 0 << ""
                                          << ""
                                          << "abcd" << false;
        QTest::newRow("check: password") << 1 << ""
                                         << "a"
                                         << "" << true;
        QTest::newRow("check: empty") << 1 << ""
                                      << ""
                                      << "" << false;
        QTest::newRow("change: all three") << 2 << "x"
                                           << "y"
                                           << "z" << true;
        QTest::newRow("change: no current") << 2 << ""
                                            << "y"
                                            << "z" << false;
        QTest::newRow("change: no verify") << 2 << "x"
                                           << "y"
                                           << "" << false;
    }
    void okEnabledByMode() {
        QFETCH(int, mode);
        QFETCH(QString, old);
        QFETCH(QString, password);
        QFETCH(QString, verify);
        QFETCH(bool, enabled);
        TPassEdit dlg;
        dlg.SetMode(mode);
        dlg.show();
        QVERIFY(!dlg.cmdOK->isEnabled()); // disabled on opening
        QTest::keyClicks(dlg.txtOld, old);
        QTest::keyClicks(dlg.txtPassword, password);
        QTest::keyClicks(dlg.txtVerify, verify);
        QCOMPARE(dlg.cmdOK->isEnabled(), enabled);
        // Emptying a field again disables it
        if (enabled) {
            dlg.txtPassword->clear();
            QVERIFY(!dlg.cmdOK->isEnabled());
        }
    }

    void reservedCharactersNeverEnter_data() {
        QTest::addColumn<QString>("edit");
        QTest::newRow("txtOld") << "txtOld";
        QTest::newRow("txtPassword") << "txtPassword";
        QTest::newRow("txtVerify") << "txtVerify";
    }
    void reservedCharactersNeverEnter() {
        QFETCH(QString, edit);
        TPassEdit dlg;
        dlg.SetMode(TPassEdit::ModeChange);
        dlg.show();
        auto* field = dlg.findChild<QLineEdit*>(edit);
        QTest::keyClicks(field, "a'b#c");
        QCOMPARE(field->text(), QString("abc"));
        QGuiApplication::clipboard()->setText("x'y#z");
        field->paste();
        QCOMPARE(field->text(), QString("abcxyz"));
        QCOMPARE(field->cursorPosition(), 6);
        QGuiApplication::clipboard()->setText("'##'");
        field->setCursorPosition(1);
        field->paste();
        QCOMPARE(field->text(), QString("abcxyz"));
    }

    void editsTakeAtMost25Characters() {
        TPassEdit dlg;
        dlg.SetMode(TPassEdit::ModeChange);
        dlg.show();
        for (QLineEdit* field : {dlg.txtOld, dlg.txtPassword, dlg.txtVerify}) {
            QTest::keyClicks(field, QString(30, 'k'));
            QCOMPARE(field->text(), QString(25, 'k'));
            QCOMPARE(field->echoMode(), QLineEdit::Password);
        }
    }

    void newPassword_data() {
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("verify");
        QTest::addColumn<QString>("message"); // empty: accepted
        QTest::newRow("exactly 4") << "abcd"
                                   << "abcd"
                                   << "";
        QTest::newRow("3 is short") << "abc"
                                    << "abc"
                                    << "Password must be at least 4 characters long.";
        QTest::newRow("length before match") << "abc"
                                             << "xyz"
                                             << "Password must be at least 4 characters long.";
        QTest::newRow("differ") << "abcd"
                                << "abce"
                                << "The passwords you entered do not match.";
        QTest::newRow("ASCII case folds") << "Secret9"
                                          << "sECRET9"
                                          << "";
        QTest::newRow("accents do not fold") << "Señor"
                                             << "SEÑOR"
                                             << "The passwords you entered do not match.";
        QTest::newRow("length as typed") << "ÇÃÕÉ"
                                         << "ÇÃÕÉ"
                                         << "";
    }
    void newPassword() {
        QFETCH(QString, password);
        QFETCH(QString, verify);
        QFETCH(QString, message);
        QsAnswers::Push("TPassEdit", QStringList{password, verify});
        QString result = "unchanged";
        const bool ok = NewFilePassword("/home/user/Secrets.kvf", result);
        QCOMPARE(ok, message.isEmpty());
        QCOMPARE(raised, message.isEmpty() ? QStringList() : QStringList{message});
        // The password as typed in txtPassword, not the verification
        QCOMPARE(result, ok ? password : QString("unchanged"));
    }

    void checkPassword_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("same") << "Bank#1"
                              << "Bank" << false; // '#' cannot be typed
        QTest::newRow("mixed case") << "OpenSesame"
                                    << "oPENsESAME" << true;
        QTest::newRow("accented other case") << "café"
                                             << "CAFÉ" << false;
        QTest::newRow("accented same case") << "café"
                                            << "CAFé" << true;
        QTest::newRow("wrong") << "abcd"
                               << "abce" << false;
    }
    void checkPassword() {
        QFETCH(QString, stored);
        QFETCH(QString, typed);
        QFETCH(bool, accepted);
        QsAnswers::Push("TPassEdit", typed);
        QCOMPARE(AskFilePassword(stored, "/tmp/a.kvf"), accepted);
        QCOMPARE(raised, accepted ? QStringList() : QStringList{"Wrong password."});
        QsAnswers::Push("TPassEdit", typed);
        raised.clear();
        QCOMPARE(AskUnprotectPassword(stored), accepted);
    }

    void threeWrongPasswordsDenyAccess() {
        QsAnswers::SetRecording(true);
        QsAnswers::Push("QsMessage", 0);
        QList<bool> openAfterTry;
        driveRealDialog([&openAfterTry](TPassEdit* dlg) {
            for (int i = 0; i < 3; ++i) {
                type(dlg->txtPassword, "wrong");
                QTest::keyClick(dlg->txtPassword, Qt::Key_Return);
                openAfterTry << dlg->isVisible();
            }
        });
        QCOMPARE(AskFilePassword("right", "/tmp/a.kvf"), false);
        QCOMPARE(openAfterTry, (QList<bool>{true, true, false}));
        QCOMPARE(raised, (QStringList{"Wrong password.", "Wrong password."}));
        QVERIFY(QsAnswers::Log().contains("QsMessage: Wrong password. File access denied."));
        QCOMPARE(QsAnswers::Pending(), 0);
        QVERIFY(PassEdit == nullptr);
    }

    void rightPasswordOnTheThirdTry() {
        driveRealDialog([](TPassEdit* dlg) {
            QCOMPARE(PassEdit, dlg);
            for (const char* attempt : {"wrong", "also wrong", "RIGHT"}) {
                type(dlg->txtPassword, attempt);
                dlg->cmdOK->click();
            }
        });
        QCOMPARE(AskFilePassword("right", "/tmp/a.kvf"), true);
        QCOMPARE(raised.size(), 2);
        // The next question allows three attempts again
        raised.clear();
        driveRealDialog([](TPassEdit* dlg) {
            QCOMPARE(dlg->Attempts, 0);
            dlg->reject();
        });
        QCOMPARE(AskFilePassword("right", "/tmp/a.kvf"), false);
    }

    void changePassword_data() {
        QTest::addColumn<QStringList>("typed"); // current, new, verify
        QTest::addColumn<QString>("message");
        QTest::newRow("accepted") << QStringList{"OLDpass", "newpass", "NEWPASS"} << "";
        QTest::newRow("same as current") << QStringList{"oldpass", "oldpass", "oldpass"} << "";
        QTest::newRow("current tested first") << QStringList{"nope", "ab", "cd"} << "Wrong password.";
        QTest::newRow("then length") << QStringList{"oldpass", "abc", "xyz"}
                                     << "Password must be at least 4 characters long.";
        QTest::newRow("then match") << QStringList{"oldpass", "abcd", "abcx"}
                                    << "The passwords you entered do not match.";
    }
    void changePassword() {
        QFETCH(QStringList, typed);
        QFETCH(QString, message);
        QsAnswers::Push("TPassEdit", typed);
        QString result;
        QCOMPARE(ChangeFilePassword("OldPass", "/tmp/a.kvf", result), message.isEmpty());
        QCOMPARE(raised, message.isEmpty() ? QStringList() : QStringList{message});
        if (message.isEmpty())
            QCOMPARE(result, typed[1]);
    }

    // A weak new file password is questioned once per OK; No keeps the dialog open with what was typed.
    void weakFilePasswordIsQuestioned_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("password");
        QTest::addColumn<int>("answer"); // to the question; -1: none expected
        QTest::addColumn<bool>("accepted");
        QTest::newRow("new, poor, used anyway") << 0 << "abcd" << int(QsAnswerYes) << true;
        QTest::newRow("new, poor, not used") << 0 << "abcd" << int(QsAnswerNo) << false;
        QTest::newRow("new, weak, used anyway") << 0 << "Tr0ub4dor&3" << int(QsAnswerYes) << true;
        QTest::newRow("new, the file's name") << 0 << "MySecrets2024" << int(QsAnswerNo) << false;
        QTest::newRow("new, good: not asked") << 0 << "Vx7-tiger-lamp-87" << -1 << true;
        QTest::newRow("change, poor, not used") << 2 << "password1" << int(QsAnswerNo) << false;
        QTest::newRow("change, excellent: not asked") << 2 << "(B]x^7Kq:Lz<p2Vd@Mw?" << -1 << true;
    }
    void weakFilePasswordIsQuestioned() {
        QFETCH(int, mode);
        QFETCH(QString, password);
        QFETCH(int, answer);
        QFETCH(bool, accepted);
        QsAnswers::SetRecording(true);
        if (answer >= 0)
            QsAnswers::Push("QsMessage", answer);
        bool openAfterOK = false;
        QString gauge;
        driveRealDialog([&](TPassEdit* dlg) {
            if (mode == TPassEdit::ModeChange)
                type(dlg->txtOld, "current");
            type(dlg->txtPassword, password);
            type(dlg->txtVerify, password);
            gauge = dlg->gaugePassword->Text();
            dlg->cmdOK->click();
            openAfterOK = dlg->isVisible();
            QCOMPARE(dlg->txtPassword->text(), password);
            if (openAfterOK)
                dlg->reject();
        });
        QString result = "unchanged";
        const bool ok = mode == TPassEdit::ModeNew ? NewFilePassword("/home/user/MySecrets.kvf", result)
                                                   : ChangeFilePassword("Current", "/home/user/MySecrets.kvf", result);
        QCOMPARE(ok, accepted);
        QCOMPARE(openAfterOK, !accepted);
        QCOMPARE(result, accepted ? password : QString("unchanged"));
        const QString question = "QsMessage: This file password is weak: anyone who gets a copy of the file may "
                                 "guess it. Use it anyway?";
        QCOMPARE(QsAnswers::Log().count(question), answer >= 0 ? 1 : 0);
        QCOMPARE(QsAnswers::Pending(), 0);
        QVERIFY(raised.isEmpty());
        // The gauge showed the same measure, with the file's name counting against the password.
        QCOMPARE(gauge, StrengthText(PasswordStrength(password, {"MySecrets"})));
    }

    void gaugeFollowsTheNewPassword() {
        QStringList seen;
        QString description;
        bool hiddenInCheckMode = false;
        QsAnswers::PushHandler("TPassEdit", [&](QObject* d) -> QVariant {
            auto* dlg = qobject_cast<TPassEdit*>(d);
            dlg->show();
            seen << dlg->gaugePassword->Text();
            for (const char* typed : {"a", "abcd", "tiger-lamp", "tiger-lamp-ocean-violet-87"}) {
                type(dlg->txtPassword, typed);
                seen << dlg->gaugePassword->Text();
            }
            description = dlg->gaugePassword->accessibleDescription();
            shoot(dlg, "password-gauge");
            dlg->SetMode(TPassEdit::ModeCheck);
            hiddenInCheckMode = dlg->gaugePassword->isHidden();
            return false;
        });
        QString pw;
        NewFilePassword("/tmp/a.kvf", pw);
        QCOMPARE(seen.first(), QString("No password"));
        QVERIFY2(seen[1].startsWith("Poor, "), qPrintable(seen[1]));
        QVERIFY2(seen.last().startsWith("Good, "), qPrintable(seen.last()));
        QCOMPARE(description, "Password strength: " + seen.last());
        QVERIFY(hiddenInCheckMode);
    }

    void changeModeHasNoAttemptLimit() {
        QString result;
        QsAnswers::Push("QsMessage", QsAnswerYes); // "brandnew" is weak: use it anyway
        driveRealDialog([](TPassEdit* dlg) {
            type(dlg->txtPassword, "brandnew");
            type(dlg->txtVerify, "brandnew");
            for (int i = 0; i < 5; ++i) {
                type(dlg->txtOld, "wrong");
                dlg->cmdOK->click();
                QVERIFY(dlg->isVisible());
            }
            type(dlg->txtOld, "current");
            dlg->cmdOK->click();
        });
        QVERIFY(ChangeFilePassword("Current", "/tmp/a.kvf", result));
        QCOMPARE(result, QString("brandnew"));
        QCOMPARE(raised.size(), 5);
    }

    void enterOnlyWhenOkIsEnabled() {
        bool openAfterEmptyEnter = false;
        driveRealDialog([&openAfterEmptyEnter](TPassEdit* dlg) {
            QTest::keyClick(dlg->txtPassword, Qt::Key_Return);
            openAfterEmptyEnter = dlg->isVisible();
            QTest::keyClicks(dlg->txtPassword, "abcd");
            QTest::keyClick(dlg->txtPassword, Qt::Key_Return);
        });
        QVERIFY(AskUnprotectPassword("ABCD"));
        QVERIFY(openAfterEmptyEnter);
        QVERIFY(raised.isEmpty());
    }

    void cancelAndEscReturnFalse_data() {
        QTest::addColumn<int>("how");
        QTest::newRow("Cancel") << 0;
        QTest::newRow("Esc") << 1;
        QTest::newRow("close box") << 2;
    }
    void cancelAndEscReturnFalse() {
        QFETCH(int, how);
        driveRealDialog([how](TPassEdit* dlg) {
            QTest::keyClicks(dlg->txtPassword, "goodpass");
            QTest::keyClicks(dlg->txtVerify, "goodpass");
            if (how == 0)
                dlg->cmdCancel->click();
            else if (how == 1)
                QTest::keyClick(dlg->txtVerify, Qt::Key_Escape);
            else
                dlg->close();
        });
        QString result = "unchanged";
        QVERIFY(!NewFilePassword("/tmp/a.kvf", result));
        QCOMPARE(result, QString("unchanged"));
    }

    void f1OpensTheHelpContents() {
        AppInfo->HelpFile = KEYVANE_SOURCE_DIR "/share/help/index.html";
        TPassEdit dlg;
        dlg.SetMode(TPassEdit::ModeCheck);
        dlg.show();
        QTest::keyClick(dlg.txtPassword, Qt::Key_F1);
        AppInfo->HelpFile.clear();
        QVERIFY(raised.isEmpty());
        QVERIFY(QsHelpWindow() && QsHelpWindow()->isVisible());
        QVERIFY(dlg.isVisible());
        QsHelpWindow()->close();
    }

    void layoutAndCaptionsByMode() {
        QsAnswers::SetRecording(true);
        QSize sizes[4];
        QString focused[4], passwordLabel[4];
        QStringList visible[4];
        auto look = [&](int i) {
            QsAnswers::PushHandler("TPassEdit", [&, i](QObject* d) {
                auto* dlg = qobject_cast<TPassEdit*>(d);
                dlg->show();
                sizes[i] = dlg->size();
                focused[i] = dlg->focusWidget() ? dlg->focusWidget()->objectName() : QString();
                passwordLabel[i] = dlg->lblPassword->text();
                for (QWidget* w : dlg->findChildren<QWidget*>())
                    if (w->isVisible() && !w->objectName().isEmpty() && !w->objectName().startsWith("qt_"))
                        visible[i] << w->objectName();
                visible[i].sort();
                if (!dlg->lblDescription->isHidden())
                    visible[i] << dlg->lblDescription->text();
                return false;
            });
        };
        QString pw;
        look(0);
        NewFilePassword("/home/user/My Secrets.kvf", pw);
        look(1);
        ChangeFilePassword("x", "/home/user/My Secrets.kvf", pw);
        look(2);
        AskFilePassword("x", "/home/user/My Secrets.kvf");
        look(3);
        AskUnprotectPassword("x");
        QCOMPARE(
            QsAnswers::Log(),
            (QStringList{"TPassEdit: Set 'My Secrets.kvf' Password...", "TPassEdit: Set 'My Secrets.kvf' Password...",
                         "TPassEdit: Keyvane: 'My Secrets.kvf' Password...", "TPassEdit: Unprotect Account..."}));
        const QString remember = "\nRemember this password in the future as you will be asked to provided it "
                                 "everytime you try to access this file.";
        QCOMPARE(
            visible[0],
            (QStringList{"StrengthGauge", "bLine01", "barStrength", "cmdCancel", "cmdOK", "imgInfo", "imgPassword",
                         "lblDescription", "lblPassword", "lblStrength", "lblVerify", "txtPassword", "txtVerify",
                         "Please enter a password to access this file and type it again to verify it." + remember}));
        QCOMPARE(visible[1], (QStringList{"StrengthGauge", "bLine01", "barStrength", "cmdCancel", "cmdOK", "imgInfo",
                                          "imgPassword", "lblDescription", "lblOld", "lblPassword", "lblStrength",
                                          "lblVerify", "txtOld", "txtPassword", "txtVerify",
                                          "Enter the current password for this file. Then type a new password and "
                                          "verify it." +
                                              remember}));
        const QStringList oneRow{"cmdCancel", "cmdOK", "imgPassword", "lblPassword", "txtPassword"};
        QCOMPARE(visible[2], oneRow);
        QCOMPARE(visible[3], oneRow);
        QCOMPARE(passwordLabel[0], QString("&Password:"));
        QCOMPARE(passwordLabel[1], QString("&New:"));
        QCOMPARE(passwordLabel[2], QString("&Password:"));
        QCOMPARE(focused[0], QString("txtPassword"));
        QCOMPARE(focused[1], QString("txtOld"));
        QCOMPARE(focused[2], QString("txtPassword"));
        // The rows below a hidden one move up; check mode shrinks to one row
        QVERIFY(sizes[2].height() < sizes[0].height());
        QVERIFY(sizes[0].height() < sizes[1].height());
        QCOMPARE(sizes[3], sizes[2]);
    }

    void screenshots() {
        if (qEnvironmentVariableIsEmpty("KEYVANE_SHOTS"))
            QSKIP("set KEYVANE_SHOTS to a folder to get pictures of the dialog");
        const char* names[] = {"password_new", "password_check", "password_change"};
        for (int mode = 0; mode < 3; ++mode) {
            TPassEdit dlg;
            dlg.SetMode(mode);
            dlg.setWindowTitle("Set 'Secrets.kvf' Password...");
            dlg.show();
            QVERIFY(QTest::qWaitForWindowExposed(&dlg));
            QTest::keyClicks(dlg.focusWidget(), "secret");
            shoot(&dlg, names[mode]);
        }
    }
};

KYVN_TEST_MAIN(TestPassword)
#include "tst_password.moc"
