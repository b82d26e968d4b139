#include "board/HiResTimer.h"

#include <QTest>
#include <QThread>

#include <climits>
#include <functional>

namespace {
constexpr qint64 kMs = 1'000'000; // ns

// A timer that notes when each tick arrives, on a monotonic clock like its own, so "not before
// the deadline" holds exactly however slow the machine is.
struct TickLog {
    HiResTimer timer;
    QElapsedTimer clock;
    QList<qint64> at;
    std::function<void(int)> onTick = [](int) {};
    TickLog() {
        clock.start();
        QObject::connect(&timer, &HiResTimer::tick, [this] {
            at << clock.nsecsElapsed();
            onTick(int(at.size()));
        });
    }
};
} // namespace

class TestHiResTimer : public QObject {
    Q_OBJECT
private slots:
    void schedule_data() {
        QTest::addColumn<QList<int>>("intervals"); // at the start, then one set in each tick
        QTest::addColumn<int>("holdMs");           // the thread held in the first tick
        QTest::newRow("1 ms x 40") << QList<int>(40, 1) << 0;
        QTest::newRow("set in a tick governs the next") << QList<int>{10, 60, 5, 40, 1} << 0;
        QTest::newRow("set while running leaves the current") << QList<int>{150, 10} << 0;
        QTest::newRow("zero") << QList<int>(30, 0) << 0;
        QTest::newRow("most negative") << QList<int>(30, INT_MIN) << 0;
        QTest::newRow("held: no catch-up burst") << QList<int>(6, 20) << 240;
    }
    // Tick n is due n intervals after the start, whatever the lateness of the ticks before it;
    // 0 or less is the shortest interval, not a busy loop, and the window's events get their turn.
    // Held up past an interval (a modal dialog), the schedule resumes from the end of the hold
    // instead of firing the missed ticks back to back; enabled again, it starts from then.
    void schedule() {
        QFETCH(QList<int>, intervals);
        QFETCH(int, holdMs);
        TickLog log;
        qint64 heldUntil = 0;
        const int ticks = int(intervals.size());
        int postedRanAt = -1, zeroTimerRanAt = -1;
        log.onTick = [&](int n) {
            if (n == 1) {
                QThread::msleep(holdMs);
                heldUntil = log.clock.nsecsElapsed();
                QTimer::singleShot(0, [&] { zeroTimerRanAt = int(log.at.size()); });
                QMetaObject::invokeMethod(
                    &log.timer, [&] { postedRanAt = int(log.at.size()); }, Qt::QueuedConnection);
            }
            n < ticks ? log.timer.setInterval(intervals[n]) : log.timer.setEnabled(false);
        };
        log.timer.setInterval(intervals[0]);
        qint64 due = log.clock.nsecsElapsed();
        log.timer.setEnabled(true);
        log.timer.setInterval(intervals[1]); // set while running: the current interval stays
        QTRY_COMPARE_WITH_TIMEOUT(int(log.at.size()), ticks, 10'000);
        for (int n = 0; n < ticks; ++n) {
            due += qMax(intervals[n], 1) * kMs;
            QVERIFY2(log.at[n] >= due, qPrintable(QString::number(n + 1)));
            due = qMax(due, n == 0 && holdMs > 0 ? heldUntil : 0);
        }
        QVERIFY(qMin(zeroTimerRanAt, postedRanAt) > 0 && qMax(zeroTimerRanAt, postedRanAt) < ticks);
        QCOMPARE(log.timer.interval(), intervals.last());
        QTest::qWait(5 * qMax(intervals.last(), 1) + 20); // disabled in the last tick
        QCOMPARE(int(log.at.size()), ticks);
        const qint64 enabledAt = log.clock.nsecsElapsed();
        log.timer.setEnabled(true); // long after the old schedule
        QTRY_COMPARE_WITH_TIMEOUT(int(log.at.size()), ticks + 1, 10'000);
        QVERIFY(log.at[ticks] >= enabledAt + qMax(intervals.last(), 1) * kMs);
    }

    // A tick put off (the line still busy) comes again once the wait is over, and the
    // schedule goes on from then, not from the tick that asked.
    void postponedTickRestartsTheSchedule() {
        TickLog log;
        qint64 postponedAt = 0;
        log.onTick = [&](int n) {
            if (n == 1) {
                postponedAt = log.clock.nsecsElapsed();
                log.timer.postponeTick(30 * kMs);
            } else if (n == 3) {
                log.timer.setEnabled(false);
            }
        };
        log.timer.setInterval(20);
        log.timer.setEnabled(true);
        QTRY_COMPARE_WITH_TIMEOUT(int(log.at.size()), 3, 10'000);
        QVERIFY(log.at[1] >= postponedAt + 30 * kMs);
        QVERIFY(log.at[2] >= postponedAt + 50 * kMs);
        log.timer.postponeTick(kMs); // disabled: nothing comes
        QTest::qWait(40);
        QCOMPARE(int(log.at.size()), 3);
    }
};

QTEST_GUILESS_MAIN(TestHiResTimer)
#include "test_hirestimer.moc"
