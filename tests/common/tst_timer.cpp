// The timer rules on a clock the test moves: what restarts a count and what does not.
#include "KyvnTest.h"
#include "QsTimer.h"

#include <vector>

namespace {
// At time At: SetInterval(Arg) for 'i', SetEnabled(Arg != 0) for 'e'.
struct TStep {
    qint64 At;
    char Op;
    int Arg;
};
} // namespace
Q_DECLARE_METATYPE(std::vector<TStep>)
Q_DECLARE_METATYPE(std::vector<qint64>)

class TestTimer : public QObject {
    Q_OBJECT

private slots:
    void init() { TQsTestClock::Install(); }
    void cleanup() { TQsTestClock::Uninstall(); }

    void rules_data() {
        QTest::addColumn<std::vector<TStep>>("steps");
        QTest::addColumn<qint64>("until");
        QTest::addColumn<std::vector<qint64>>("ticks");
        QTest::newRow("switched on: a full period, then every period")
            << std::vector<TStep>{{0, 'i', 1000}, {0, 'e', 1}} << qint64(3500) << std::vector<qint64>{1000, 2000, 3000};
        QTest::newRow("switched on again while on: the count goes on")
            << std::vector<TStep>{{0, 'i', 1000}, {0, 'e', 1}, {600, 'e', 1}} << qint64(2500)
            << std::vector<qint64>{1000, 2000};
        QTest::newRow("the same period again: the count goes on")
            << std::vector<TStep>{{0, 'i', 1000}, {0, 'e', 1}, {600, 'i', 1000}} << qint64(2500)
            << std::vector<qint64>{1000, 2000};
        QTest::newRow("a new period while on: a full new period")
            << std::vector<TStep>{{0, 'i', 1000}, {0, 'e', 1}, {600, 'i', 500}} << qint64(2000)
            << std::vector<qint64>{1100, 1600};
        QTest::newRow("off and on again: a full new period")
            << std::vector<TStep>{{0, 'i', 1000}, {0, 'e', 1}, {600, 'e', 0}, {700, 'e', 1}} << qint64(2800)
            << std::vector<qint64>{1700, 2700};
        QTest::newRow("a period of 0 never ticks")
            << std::vector<TStep>{{0, 'i', 0}, {0, 'e', 1}} << qint64(10000) << std::vector<qint64>{};
        QTest::newRow("from 0 to a period while on: it starts then")
            << std::vector<TStep>{{0, 'i', 0}, {0, 'e', 1}, {300, 'i', 1000}} << qint64(2400)
            << std::vector<qint64>{1300, 2300};
        QTest::newRow("off: no tick") << std::vector<TStep>{{0, 'i', 1000}, {0, 'e', 1}, {999, 'e', 0}} << qint64(5000)
                                      << std::vector<qint64>{};
        QTest::newRow("period set while off: counted from switching on")
            << std::vector<TStep>{{0, 'i', 1000}, {400, 'i', 2000}, {900, 'e', 1}} << qint64(5000)
            << std::vector<qint64>{2900, 4900};
    }
    void rules() {
        QFETCH(std::vector<TStep>, steps);
        QFETCH(qint64, until);
        QFETCH(std::vector<qint64>, ticks);
        TQsTimer timer;
        std::vector<qint64> seen;
        connect(&timer, &TQsTimer::Tick, this, [&] { seen.push_back(TQsTestClock::Now()); });
        for (const TStep& s : steps) {
            TQsTestClock::Advance(s.At - TQsTestClock::Now());
            if (s.Op == 'i')
                timer.SetInterval(s.Arg);
            else
                timer.SetEnabled(s.Arg != 0);
        }
        TQsTestClock::Advance(until - TQsTestClock::Now());
        QCOMPARE(seen, ticks);
    }

    void aTickMaySwitchItsTimerOff() {
        TQsTimer timer;
        int count = 0;
        connect(&timer, &TQsTimer::Tick, this, [&] {
            ++count;
            timer.SetEnabled(false);
        });
        timer.SetInterval(100);
        timer.SetEnabled(true);
        TQsTestClock::Advance(1000);
        QCOMPARE(count, 1);
        QCOMPARE(timer.DueAt(), qint64(-1));
    }

    void realClockTicksFromTheEventLoop() {
        TQsTestClock::Uninstall();
        TQsTimer timer;
        int count = 0;
        connect(&timer, &TQsTimer::Tick, this, [&] { ++count; });
        timer.SetInterval(10);
        timer.SetEnabled(true);
        QTRY_VERIFY(count >= 2);
        TQsTestClock::Install();
    }
};

KYVN_TEST_CORE_MAIN(TestTimer)
#include "tst_timer.moc"
