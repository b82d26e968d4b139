#include "ui/shell/HiResTimer.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <climits>
#include <functional>
#include <vector>

namespace {
constexpr qint64 kNsPerMs = 1'000'000;
constexpr int kWaitMs = 10'000;

// Records when each tick arrives and runs an optional action inside it. Times are on the same
// monotonic clock as the timer's, so "not before the deadline" can be checked exactly, however
// slow the machine is.
struct TickLog {
    explicit TickLog(HiResTimer& timer) {
        clock.start();
        QObject::connect(&timer, &HiResTimer::tick, [this] {
            ticks.push_back(clock.nsecsElapsed());
            if (onTick) {
                onTick(int(ticks.size()));
            }
        });
    }
    qint64 now() const { return clock.nsecsElapsed(); }
    int count() const { return int(ticks.size()); }
    // Clock reading, in ns, of tick n (1-based).
    qint64 at(int n) const { return ticks[size_t(n - 1)]; }

    QElapsedTimer clock;
    std::vector<qint64> ticks;
    std::function<void(int)> onTick;
};
} // namespace

// Checks the playback clock: never early, no drift, intervals changed in a tick govern the next
// step, and short or held-up intervals neither starve the event loop nor burst.
class TestHiResTimer : public QObject {
    Q_OBJECT
private slots:
    void ticksFollowAbsoluteSchedule_data();
    void ticksFollowAbsoluteSchedule();
    void intervalSetInTickGovernsNext();
    void intervalSetWhileRunningLeavesCurrent();
    void reenablingStartsFromNow();
    void repeatedCallsDoNotPostpone();
    void shortIntervalsYieldToEventLoop_data();
    void shortIntervalsYieldToEventLoop();
    void noCatchUpBurstAfterBlockedThread_data();
    void noCatchUpBurstAfterBlockedThread();
    void deletingInsideTickIsSafe();
};

void TestHiResTimer::ticksFollowAbsoluteSchedule_data() {
    QTest::addColumn<int>("intervalMs");
    QTest::addColumn<int>("ticks");
    QTest::newRow("1 ms x 40") << 1 << 40;
    QTest::newRow("7 ms x 15") << 7 << 15;
    QTest::newRow("25 ms x 6") << 25 << 6;
}

void TestHiResTimer::ticksFollowAbsoluteSchedule() {
    QFETCH(int, intervalMs);
    QFETCH(int, ticks);
    HiResTimer timer;
    TickLog log(timer);
    log.onTick = [&](int n) {
        if (n == ticks) {
            timer.setEnabled(false);
        }
    };
    timer.setInterval(intervalMs);
    const qint64 start = log.now();
    timer.setEnabled(true);
    QTRY_COMPARE_WITH_TIMEOUT(log.count(), ticks, kWaitMs);

    // Tick n is due n intervals after the start, whatever the lateness of the ticks before it.
    for (int n = 1; n <= ticks; ++n) {
        QVERIFY2(log.at(n) >= start + n * intervalMs * kNsPerMs, qPrintable(QString::number(n)));
    }
    // Disabled inside the last tick: nothing follows.
    QTest::qWait(5 * intervalMs + 20);
    QCOMPARE(log.count(), ticks);
    QVERIFY(!timer.isEnabled());
}

void TestHiResTimer::intervalSetInTickGovernsNext() {
    // The intervals a playback sets as it reaches each step; cumulative sums are the deadlines.
    const std::vector<int> setInTick = {60, 5, 40, 1};
    HiResTimer timer;
    TickLog log(timer);
    log.onTick = [&](int n) {
        if (n <= int(setInTick.size())) {
            timer.setInterval(setInTick[size_t(n - 1)]);
        } else {
            timer.setEnabled(false);
        }
    };
    timer.setInterval(10);
    const qint64 start = log.now();
    timer.setEnabled(true);
    QTRY_COMPARE_WITH_TIMEOUT(log.count(), int(setInTick.size()) + 1, kWaitMs);

    qint64 due = start + 10 * kNsPerMs;
    for (int n = 1; n <= log.count(); ++n) {
        QVERIFY2(log.at(n) >= due, qPrintable(QString::number(n)));
        if (n <= int(setInTick.size())) {
            due += setInTick[size_t(n - 1)] * kNsPerMs;
        }
    }
    QCOMPARE(timer.interval(), 1);
}

void TestHiResTimer::intervalSetWhileRunningLeavesCurrent() {
    HiResTimer timer;
    TickLog log(timer);
    log.onTick = [&](int n) {
        if (n == 2) {
            timer.setEnabled(false);
        }
    };
    timer.setInterval(150);
    const qint64 start = log.now();
    timer.setEnabled(true);
    timer.setInterval(10);
    QTRY_COMPARE_WITH_TIMEOUT(log.count(), 2, kWaitMs);
    QVERIFY(log.at(1) >= start + 150 * kNsPerMs);
    QVERIFY(log.at(2) >= start + 160 * kNsPerMs);
}

void TestHiResTimer::reenablingStartsFromNow() {
    HiResTimer timer;
    TickLog log(timer);
    qint64 restartedAt = 0;
    QTimer reference;
    reference.setSingleShot(true);
    reference.setTimerType(Qt::PreciseTimer);
    bool tickBeforeReference = false;
    log.onTick = [&](int n) {
        if (n == 1) {
            timer.setEnabled(false);
        } else if (n == 2) {
            // Stopped and started within one tick: one fresh run from the restart, due before
            // a plain timer of ten times its interval started after it (expired timers fire in
            // deadline order, so this holds on a slow machine too).
            timer.setEnabled(false);
            timer.setInterval(40);
            restartedAt = log.now();
            timer.setEnabled(true);
            timer.setInterval(5000);
            reference.start(400);
        } else if (n == 3) {
            tickBeforeReference = reference.isActive();
            timer.setEnabled(false);
        }
    };
    timer.setInterval(20);
    timer.setEnabled(true);
    QTRY_COMPARE_WITH_TIMEOUT(log.count(), 1, kWaitMs);

    // Long after the old schedule has passed: its deadline must not fire at once.
    QTest::qWait(100);
    QCOMPARE(log.count(), 1);
    const qint64 enabledAt = log.now();
    timer.setEnabled(true);
    QTRY_COMPARE_WITH_TIMEOUT(log.count(), 3, kWaitMs);
    QVERIFY(log.at(2) >= enabledAt + 20 * kNsPerMs);
    QVERIFY(log.at(3) >= restartedAt + 40 * kNsPerMs);
    QVERIFY(tickBeforeReference);
    QTest::qWait(100);
    QCOMPARE(log.count(), 3);
}

void TestHiResTimer::repeatedCallsDoNotPostpone() {
    // Calls that change nothing, made far more often than the interval, must not push the tick
    // away; restarting on each of them would starve playback entirely.
    HiResTimer timer;
    TickLog log(timer);
    timer.setInterval(60);
    timer.setEnabled(true);
    QTimer hammer;
    hammer.setTimerType(Qt::PreciseTimer);
    connect(&hammer, &QTimer::timeout, [&] {
        timer.setEnabled(true);
        timer.setInterval(60);
    });
    hammer.start(2);
    QTRY_VERIFY_WITH_TIMEOUT(log.count() >= 2, kWaitMs);
}

void TestHiResTimer::shortIntervalsYieldToEventLoop_data() {
    QTest::addColumn<int>("intervalMs");
    QTest::newRow("zero") << 0;
    QTest::newRow("minus one") << -1;
    QTest::newRow("most negative") << INT_MIN;
}

void TestHiResTimer::shortIntervalsYieldToEventLoop() {
    QFETCH(int, intervalMs);
    HiResTimer timer;
    TickLog log(timer);
    QTimer zeroTimer;
    zeroTimer.setSingleShot(true);
    int ticksWhenZeroTimerRan = -1;
    int ticksWhenPostedRan = -1;
    connect(&zeroTimer, &QTimer::timeout, [&] { ticksWhenZeroTimerRan = log.count(); });
    log.onTick = [&](int n) {
        if (n == 3) {
            zeroTimer.start(0);
            QMetaObject::invokeMethod(
                this, [&] { ticksWhenPostedRan = log.count(); }, Qt::QueuedConnection);
        }
    };
    timer.setInterval(intervalMs);
    const qint64 start = log.now();
    timer.setEnabled(true);

    QTRY_VERIFY_WITH_TIMEOUT(ticksWhenZeroTimerRan >= 3 && ticksWhenPostedRan >= 3, kWaitMs);
    QTRY_VERIFY_WITH_TIMEOUT(log.count() >= 30, kWaitMs);
    QVERIFY(timer.isEnabled());
    QCOMPARE(timer.interval(), intervalMs);
    // Shortest interval, not a busy loop: a millisecond at least between deadlines.
    for (int n = 1; n <= 30; ++n) {
        QVERIFY2(log.at(n) >= start + n * kNsPerMs, qPrintable(QString::number(n)));
    }
}

void TestHiResTimer::noCatchUpBurstAfterBlockedThread_data() {
    QTest::addColumn<bool>("insideTick");
    QTest::newRow("held inside a tick") << true;
    QTest::newRow("held between ticks") << false;
}

void TestHiResTimer::noCatchUpBurstAfterBlockedThread() {
    QFETCH(bool, insideTick);
    constexpr int kInterval = 20;
    constexpr int kAfter = 5;
    HiResTimer timer;
    TickLog log(timer);
    qint64 heldUntil = 0;
    int ticksBeforeHold = -1;
    const auto hold = [&] {
        // Stands in for a modal dialog or a slow handler that keeps the thread for 12 intervals.
        ticksBeforeHold = log.count();
        QThread::msleep(12 * kInterval);
        QCOMPARE(log.count(), ticksBeforeHold);
        heldUntil = log.now();
    };
    log.onTick = [&](int n) {
        if (insideTick && n == 1) {
            hold();
        }
        if (n == 1 + kAfter) {
            timer.setEnabled(false);
        }
    };
    timer.setInterval(kInterval);
    timer.setEnabled(true);
    if (!insideTick) {
        QTimer::singleShot(kInterval / 2, Qt::PreciseTimer, hold);
    }
    QTRY_COMPARE_WITH_TIMEOUT(log.count(), 1 + kAfter, kWaitMs);
    QVERIFY(heldUntil > 0);

    // The schedule restarts from the end of the hold instead of firing the missed ticks back to
    // back. A tick that was held itself is followed one interval later; a tick that fell due
    // during the hold comes at once, and the next one an interval after it.
    const int lag = insideTick ? 0 : 1;
    for (int n = ticksBeforeHold + 1; n <= log.count(); ++n) {
        QVERIFY2(log.at(n) >= heldUntil + (n - ticksBeforeHold - lag) * kInterval * kNsPerMs,
                 qPrintable(QString::number(n)));
    }
}

void TestHiResTimer::deletingInsideTickIsSafe() {
    QPointer<HiResTimer> timer = new HiResTimer;
    connect(timer, &HiResTimer::tick, [&] { delete timer; });
    timer->setInterval(2);
    timer->setEnabled(true);
    QTRY_VERIFY_WITH_TIMEOUT(timer.isNull(), kWaitMs);
    QTest::qWait(20);
}

QTEST_GUILESS_MAIN(TestHiResTimer)
#include "test_hirestimer.moc"
