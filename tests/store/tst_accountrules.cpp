// What each account field may hold, and how an outside value becomes one the passwords file keeps: the
// rules the editor, the rename dialog, keyvane-cli and the import share.
#include "AccountRules.h"
#include "KyvnTest.h"
#include "QsExceptions.h"
#include "clsFile.h"

class TestAccountRules : public QObject {
    Q_OBJECT

private slots:
    void problems_data() {
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("problem");
        QTest::newRow("apostrophe in a name") << int(kfAccountName) << "O'Neil #1"
                                              << "";
        QTest::newRow("number sign in a password") << int(kfPassword) << "p#'w"
                                                   << "";
        QTest::newRow("fragment in a web address") << int(kfWeb) << "https://x/#a"
                                                   << "";
        QTest::newRow("line break in a login") << int(kfLogin) << "a\nb"
                                               << "Login cannot hold a line break or a NUL character.";
        QTest::newRow("CR in an e-mail address") << int(kfEmail) << "a\rb"
                                                 << "Email cannot hold a line break or a NUL character.";
        QTest::newRow("NUL in a password")
            << int(kfPassword) << QString("a") + QChar(0) << "Password cannot hold a line break or a NUL character.";
        QTest::newRow("line breaks in the notes") << int(kfNotes) << "a\r\nb"
                                                  << "";
        QTest::newRow("apostrophe in the notes") << int(kfNotes) << "it's"
                                                 << "Notes cannot hold ' or #.";
        QTest::newRow("number sign in the notes") << int(kfNotes) << "#1"
                                                  << "Notes cannot hold ' or #.";
        QTest::newRow("NUL in the notes")
            << int(kfNotes) << QString("a") + QChar(0) << "Notes cannot hold a NUL character.";
    }
    void problems() {
        QFETCH(int, field);
        QFETCH(QString, value);
        QFETCH(QString, problem);
        QCOMPARE(FieldProblem(field, value), problem);
        bool changed = false;
        const QString storable = MakeStorable(field, value, &changed);
        QCOMPARE(changed, !problem.isEmpty());
        QCOMPARE(FieldProblem(field, storable), QString());
        QCOMPARE(WithoutRefused(field, value).size() < value.size(), !problem.isEmpty());
    }

    void storableValues_data() {
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("stored");
        QTest::newRow("CR LF is one space") << int(kfLogin) << "a\r\nb\nc\rd"
                                            << "a b c d";
        QTest::newRow("NUL removed") << int(kfWeb) << QString("w") + QChar(0) + "x"
                                     << "wx";
        QTest::newRow("notes: stand-ins") << int(kfNotes) << "it's #1" << QString::fromUtf8("it’s ＃1");
        QTest::newRow("notes: line breaks as CR LF") << int(kfNotes) << "a\nb\rc"
                                                     << "a\r\nb\r\nc";
    }
    void storableValues() {
        QFETCH(int, field);
        QFETCH(QString, value);
        QFETCH(QString, stored);
        QCOMPARE(MakeStorable(field, value), stored);
    }

    // What the rules let through, the file keeps: every field of an account comes back after a save and a load.
    void storableSurvivesTheFile() {
        TKYVNAccount a;
        a.AccountName = MakeStorable(kfAccountName, "O'Neil #1\r\nx");
        a.Login = MakeStorable(kfLogin, "it's");
        a.Password = MakeStorable(kfPassword, "p#'w\n");
        a.Notes = MakeStorable(kfNotes, "l1 it's\nl2 #2");
        CheckAccountFields(a);
        TKYVNFile file;
        file.Password = "pw";
        file.AddAccount(new TKYVNAccount(a));
        TKYVNFile back;
        back.ReadPlainText(file.PlainText());
        const TKYVNAccount* b = back.GetAccount(0);
        QCOMPARE(b->AccountName, a.AccountName);
        QCOMPARE(b->Login, QString("it's"));
        QCOMPARE(b->Password, a.Password);
        QCOMPARE(b->Notes, a.Notes);
    }

    void trimAndNames() {
        QCOMPARE(TrimField(QString(" \t\r\na b\x01 ")), QString("a b"));
        QCOMPARE(TrimField(QString("   ")), QString());
        QStringList used{"BANK", "Bank (2)"};
        auto inUse = [&](const QString& n) {
            return std::any_of(used.begin(), used.end(), [&](const QString& u) { return KyvnSameText(u, n); });
        };
        QCOMPARE(FreeAccountName("bank", inUse), QString("bank (3)"));
        QCOMPARE(FreeAccountName("Mail", inUse), QString("Mail"));
        TKYVNAccount nameless;
        QVERIFY_THROWS_EXCEPTION(EQsException, CheckAccountFields(nameless));
        TKYVNFile file;
        auto* a = new TKYVNAccount;
        a->AccountName = "O'Neil";
        file.AddAccount(a);
        QVERIFY(AccountNameInUse(&file, "o'neil"));
        QVERIFY(!AccountNameInUse(&file, "ONeil"));
        QCOMPARE(NameInUseError("X").Kind, quint8(2));
    }
};

QTEST_GUILESS_MAIN(TestAccountRules)
#include "tst_accountrules.moc"
