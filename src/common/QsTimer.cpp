#include "QsTimer.h"

#include <QElapsedTimer>
#include <algorithm>
#include <vector>

namespace {
bool testClock = false;
qint64 testNow = 0;
std::vector<TQsTimer*>& allTimers() {
    static std::vector<TQsTimer*> timers;
    return timers;
}
qint64 clockNow() {
    if (testClock)
        return testNow;
    static QElapsedTimer since;
    if (!since.isValid())
        since.start();
    return since.elapsed();
}
} // namespace

TQsTimer::TQsTimer(QObject* parent) : QObject(parent) {
    real_.setTimerType(Qt::CoarseTimer);
    connect(&real_, &QTimer::timeout, this, &TQsTimer::fire);
    allTimers().push_back(this);
}

TQsTimer::~TQsTimer() {
    auto& timers = allTimers();
    timers.erase(std::remove(timers.begin(), timers.end(), this), timers.end());
}

void TQsTimer::SetInterval(int ms) {
    ms = std::max(ms, 0);
    if (ms == interval_)
        return; // the running count goes on
    interval_ = ms;
    restart();
}

void TQsTimer::SetEnabled(bool on) {
    if (on == enabled_)
        return; // the running count goes on
    enabled_ = on;
    restart();
}

void TQsTimer::restart() {
    real_.stop();
    if (!running())
        return;
    due_ = clockNow() + interval_;
    if (!testClock)
        real_.start(interval_);
}

void TQsTimer::fire() {
    if (!running())
        return;
    due_ = clockNow() + interval_;
    emit Tick();
}

void TQsTestClock::Install() {
    testClock = true;
    testNow = 0;
    for (TQsTimer* t : allTimers()) {
        t->real_.stop();
        if (t->running())
            t->due_ = t->interval_;
    }
}

void TQsTestClock::Uninstall() {
    testClock = false;
    for (TQsTimer* t : allTimers())
        t->restart();
}

bool TQsTestClock::Installed() {
    return testClock;
}

qint64 TQsTestClock::Now() {
    return clockNow();
}

void TQsTestClock::Advance(qint64 ms) {
    const qint64 target = testNow + ms;
    for (;;) {
        // the earliest due timer; a tick may switch timers on or off, so look again after each one
        TQsTimer* next = nullptr;
        for (TQsTimer* t : allTimers())
            if (t->running() && t->due_ <= target && (!next || t->due_ < next->due_))
                next = t;
        if (!next)
            break;
        testNow = next->due_;
        next->due_ = testNow + next->interval_;
        emit next->Tick();
    }
    testNow = target;
}
