// A repeating timer with the rules the program's timers keep: setting the period it already has, or
// switching it on while it is on, does not restart its count; only a new period, or switching it on from
// off, starts a full period. A period of 0 never ticks.
//
// Ticks come from the event loop. Tests install a clock of their own (TQsTestClock) and move it on by
// hand; every timer then ticks exactly when the clock passes its due time, and never by itself.
#pragma once

#include <QObject>
#include <QTimer>

class TQsTimer : public QObject {
    Q_OBJECT
public:
    explicit TQsTimer(QObject* parent = nullptr);
    ~TQsTimer() override;

    int Interval() const { return interval_; }
    bool Enabled() const { return enabled_; }
    void SetInterval(int ms);
    void SetEnabled(bool on);

    // Milliseconds on the timer's clock at which the next tick is due; -1 while it cannot tick.
    qint64 DueAt() const { return running() ? due_ : -1; }

signals:
    void Tick();

private:
    friend class TQsTestClock;
    bool running() const { return enabled_ && interval_ > 0; }
    void restart();
    void fire();

    int interval_ = 1000;
    bool enabled_ = false;
    qint64 due_ = 0;
    QTimer real_;
};

// The clock of every TQsTimer while installed: time stands still until Advance moves it.
class TQsTestClock {
public:
    static void Install();
    static void Uninstall();
    static bool Installed();
    static qint64 Now();
    // Moves the clock on by ms, ticking each due timer in the order of its due time (a timer ticks as
    // often as its period fits).
    static void Advance(qint64 ms);
};
