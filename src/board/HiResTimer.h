#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

// The playback clock. Each tick is scheduled against an absolute deadline (the previous
// deadline plus the interval), so lateness of one tick never delays the ones after it.
// Ticks are delivered on the thread that owns the timer, never inside a running handler
// except where that handler pumps the event queue.
class HiResTimer : public QObject {
    Q_OBJECT
public:
    explicit HiResTimer(QObject* parent = nullptr);

    // Milliseconds. Takes effect for the next interval; set inside a tick, it governs the
    // interval that follows that tick. Values of 0 or less run as the shortest interval (1 ms).
    void setInterval(qint32 ms);
    qint32 interval() const { return m_interval; }

    // Enabling starts a fresh deadline one interval from now; enabling an enabled timer
    // changes nothing.
    void setEnabled(bool enabled);
    bool isEnabled() const { return m_enabled; }

    // Puts the tick being handled off by ns: the next tick comes then, and the schedule goes
    // on from that moment, or, with keepSchedule, from the deadline the tick had, so that a
    // late tick now and then does not shift the ones after it. Does nothing while disabled.
    void postponeTick(qint64 ns, bool keepSchedule = false);

signals:
    void tick();

private:
    qint64 intervalNs() const;
    void arm();
    void fire();

    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_deadlineNs = 0;
    qint64 m_keptDeadlineNs = -1; // the deadline a postponed tick goes on from, if kept
    // Bumped on every start, so a tick can tell that its handler restarted the timer.
    quint64 m_run = 0;
    qint32 m_interval = 1000;
    bool m_enabled = false;
};
