// Password strength: zxcvbn's own bits, the bands, and the account's words counting against a password.
#include "KyvnTest.h"
#include "clsAccount.h"
#include "uStrength.h"

#include <zxcvbn.h>

class TestStrength : public QObject {
    Q_OBJECT

private slots:
    void bitsAndBandsAreZxcvbns_data() {
        QTest::addColumn<QString>("password");
        QTest::addColumn<int>("band");
        QTest::newRow("dictionary word") << "password" << int(TStrengthBand::Poor);
        QTest::newRow("keyboard row") << "qwertyuiop" << int(TStrengthBand::Poor);
        QTest::newRow("one letter") << "a" << int(TStrengthBand::Poor);
        QTest::newRow("leet word") << "Tr0ub4dor&3" << int(TStrengthBand::Weak);
        QTest::newRow("four common words") << "correct horse battery staple" << int(TStrengthBand::Weak);
        QTest::newRow("twelve random") << "zK8#vQ2!mR9@" << int(TStrengthBand::Weak);
        QTest::newRow("four words and digits") << "tiger-lamp-ocean-violet-87" << int(TStrengthBand::Good);
        QTest::newRow("twenty generated") << "(B]x^7Kq:Lz<p2Vd@Mw?" << int(TStrengthBand::Excellent);
        QTest::newRow("not ASCII") << QString::fromUtf8("żółć-gęślą-jaźń-Łódź-42") << -1;
    }
    void bitsAndBandsAreZxcvbns() {
        QFETCH(QString, password);
        QFETCH(int, band);
        const QByteArray utf8 = password.toUtf8();
        const double bits = ZxcvbnMatch(utf8.constData(), nullptr, nullptr);
        const TPasswordStrength s = PasswordStrength(password);
        QCOMPARE(s.Bits, bits);
        QCOMPARE(s.Band, StrengthBandOf(bits));
        if (band >= 0)
            QCOMPARE(int(s.Band), band);
        QCOMPARE(s.IsWeak(), s.Band == TStrengthBand::Poor || s.Band == TStrengthBand::Weak);
    }

    void bandLimits_data() {
        QTest::addColumn<double>("bits");
        QTest::addColumn<QString>("text");
        QTest::newRow("nothing") << 0.0 << "Poor, 0 bits";
        QTest::newRow("just under 40") << 39.99 << "Poor, 39 bits";
        QTest::newRow("40") << 40.0 << "Weak, 40 bits";
        QTest::newRow("just under 75") << 74.9 << "Weak, 74 bits";
        QTest::newRow("75") << 75.0 << "Good, 75 bits";
        QTest::newRow("just under 100") << 99.99 << "Good, 99 bits";
        QTest::newRow("100") << 100.0 << "Excellent, 100 bits";
        QTest::newRow("172") << 172.67 << "Excellent, 172 bits";
    }
    void bandLimits() {
        QFETCH(double, bits);
        QFETCH(QString, text);
        QCOMPARE(StrengthText({bits, StrengthBandOf(bits)}), text);
    }

    void emptyPasswordIsPoorWithNoBits() {
        const TPasswordStrength s = PasswordStrength(QString(), {"anything"});
        QCOMPARE(s.Bits, 0.0);
        QCOMPARE(s.Band, TStrengthBand::Poor);
    }

    // A password made of what the account itself shows is guessed first.
    void accountWordsLowerTheScore_data() {
        QTest::addColumn<QString>("password");
        QTest::newRow("the login") << "jsmith";
        QTest::newRow("the login and a year") << "jsmith1984";
        QTest::newRow("the mailbox") << "j.smith.work2024";
        QTest::newRow("the site") << "examplebank!2024";
        QTest::newRow("the account name") << "MyGreatBankAccount";
    }
    void accountWordsLowerTheScore() {
        QFETCH(QString, password);
        TKYVNAccount account;
        account.AccountName = "MyGreatBankAccount";
        account.Login = "jsmith";
        account.Email = "j.smith.work@example.org";
        account.Web = "https://www.examplebank.com/login";
        const QStringList words = StrengthUserWords(account);
        const TPasswordStrength alone = PasswordStrength(password);
        const TPasswordStrength withWords = PasswordStrength(password, words);
        QVERIFY2(
            withWords.Bits < alone.Bits,
            qPrintable(QString("%1: %2 with the words, %3 without").arg(password).arg(withWords.Bits).arg(alone.Bits)));
    }

    void userWordsOfAnAccount_data() {
        QTest::addColumn<QString>("email");
        QTest::addColumn<QString>("web");
        QTest::addColumn<QStringList>("words");
        QTest::newRow("all fields") << "ann@mail.example"
                                    << "https://www.shop.example/cart?x=1"
                                    << QStringList{"Shop", "ann", "ann@mail.example", "www.shop.example"};
        QTest::newRow("host without scheme")
            << ""
            << "bank.example:8443/login" << QStringList{"Shop", "ann", "bank.example", "bank"};
        QTest::newRow("nothing but name and login") << ""
                                                    << "" << QStringList{"Shop", "ann"};
        QTest::newRow("several names") << ""
                                       << "http://login.my-credit-union.co"
                                       << QStringList{"Shop", "ann", "login.my-credit-union.co", "login",
                                                      "my-credit-union"};
        QTest::newRow("address without @") << "ann"
                                           << "" << QStringList{"Shop", "ann"};
    }
    void userWordsOfAnAccount() {
        QFETCH(QString, email);
        QFETCH(QString, web);
        QFETCH(QStringList, words);
        QCOMPARE(StrengthUserWords("Shop", "ann", email, web), words);
    }
};

QTEST_GUILESS_MAIN(TestStrength)
#include "tst_strength.moc"
