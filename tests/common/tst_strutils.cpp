#include "KyvnTest.h"
#include "QsStrUtils.h"

class TestStrUtils : public QObject {
    Q_OBJECT
private slots:
    void groupDigits_data() {
        QTest::addColumn<QString>("digits");
        QTest::addColumn<QString>("grouped");
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("one") << "7"
                             << "7";
        QTest::newRow("three") << "123"
                               << "123";
        QTest::newRow("four") << "1234"
                              << "1,234";
        QTest::newRow("six") << "123456"
                             << "123,456";
        QTest::newRow("seven") << "1234567"
                               << "1,234,567";
        QTest::newRow("eight") << "12345678"
                               << "12,345,678";
    }
    void groupDigits() {
        QFETCH(QString, digits);
        QFETCH(QString, grouped);
        QCOMPARE(GroupDigits(digits, u','), grouped);
    }
    void groupDigitsUsesTheGivenSeparator() { QCOMPARE(GroupDigits("1234567", u'.'), QString("1.234.567")); }

    void leftText_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("left");
        QTest::newRow("shorter") << "abc" << 5 << "abc";
        QTest::newRow("exact") << "abc" << 3 << "abc";
        QTest::newRow("cut") << "abcdef" << 2 << "ab";
        QTest::newRow("zero") << "abc" << 0 << "";
        QTest::newRow("negative") << "abc" << -1 << "";
    }
    void leftText() {
        QFETCH(QString, text);
        QFETCH(int, count);
        QFETCH(QString, left);
        QCOMPARE(LeftText(text, count), left);
    }

    void datesFollowTheLocale() {
        const QDateTime t(QDate(2003, 7, 4), QTime(13, 5, 9));
        const QString shortDate = QLocale::system().toString(t.date(), QLocale::ShortFormat);
        QCOMPARE(ShortDateText(t), shortDate);
        QCOMPARE(ShortDateText(t.date()), shortDate);
        const QString text = DateTimeText(t);
        QVERIFY2(text.startsWith(shortDate + ' '), qPrintable(text));
        QVERIFY2(text.contains("05") && text.contains("09"), qPrintable(text));
    }
    void invalidDatesGiveEmptyTexts() {
        QCOMPARE(ShortDateText(QDate()), QString());
        QCOMPARE(DateTimeText(QDateTime()), QString());
    }
};

KYVN_TEST_CORE_MAIN(TestStrUtils)
#include "tst_strutils.moc"
