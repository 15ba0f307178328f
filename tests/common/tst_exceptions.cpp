#include "KyvnTest.h"
#include "QsAnswers.h"
#include "QsExceptions.h"

class TestExceptions : public QObject {
    Q_OBJECT
private slots:
    void guardHandsEveryExceptionToTheHandler() {
        QStringList seen;
        QsSetExceptionHandler([&](const std::exception* e) { seen << (e ? QsExceptionMessage(*e) : "?"); });
        QVERIFY(QsGuard([] {}));
        QVERIFY(!QsGuard([] { throw EQsException("Wrong password.", {}, 1); }));
        QVERIFY(!QsGuard([] { throw std::runtime_error("boom"); }));
        QVERIFY(!QsGuard([] { throw 42; }));
        QCOMPARE(seen, QStringList({"Wrong password.", "boom", "?"}));
        QsSetExceptionHandler({});
    }
    void answersAreTakenInOrderPerQuestion() {
        QsAnswers::Push("A", 1);
        QsAnswers::Push("B", 2);
        QsAnswers::Push("A", 3);
        QCOMPARE(QsAnswers::Take("A")->toInt(), 1);
        QCOMPARE(QsAnswers::Take("A")->toInt(), 3);
        QVERIFY(!QsAnswers::Take("A").has_value());
        QCOMPARE(QsAnswers::Pending(), 1);
        QsAnswers::Clear();
        QCOMPARE(QsAnswers::Pending(), 0);
    }
};

KYVN_TEST_MAIN(TestExceptions)
#include "tst_exceptions.moc"
