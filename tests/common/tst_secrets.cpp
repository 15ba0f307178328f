// Secrets in memory: a text's buffer is overwritten only where no one else still holds it.
#include "KyvnTest.h"
#include "QsSecrets.h"

class TestSecrets : public QObject {
    Q_OBJECT
private slots:
    void onlyABufferHeldAloneIsOverwritten() {
        QString alone = QString("Tr0ub4dor").repeated(2);
        QVERIFY(QsOverwrite(alone));
        QCOMPARE(alone, QString(18, QChar(0)));

        QString mine = QString("Tr0ub4dor").repeated(2);
        const QString theirs = mine; // a caller that kept the password
        QVERIFY(!QsOverwrite(mine));
        QCOMPARE(theirs, QString("Tr0ub4dorTr0ub4dor"));
        QsWipe(mine);
        QVERIFY(mine.isEmpty());
        QCOMPARE(theirs, QString("Tr0ub4dorTr0ub4dor"));

        QString literal = QStringLiteral("static text"); // read-only storage
        QVERIFY(!QsOverwrite(literal));
        QCOMPARE(literal, QString("static text"));

        QByteArray bytes = QByteArray("secret").repeated(3);
        QVERIFY(QsOverwrite(bytes));
        QCOMPARE(bytes, QByteArray(18, '\0'));
        std::string line = "typed password";
        QsWipe(line);
        QVERIFY(line.empty());
    }
};

KYVN_TEST_CORE_MAIN(TestSecrets)
#include "tst_secrets.moc"
