#include "HiResTimer.h"

#include <QPointer>

#include <algorithm>
#include <limits>

namespace {
constexpr qint64 kNsPerMs = 1'000'000;
}

HiResTimer::HiResTimer(QObject* parent) : QObject(parent), m_timer(this) {
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &HiResTimer::fire);
    m_clock.start();
}

void HiResTimer::setInterval(qint32 ms) {
    m_interval = ms;
}

void HiResTimer::setEnabled(bool enabled) {
    if (enabled == m_enabled) {
        return;
    }
    m_enabled = enabled;
    m_keptDeadlineNs = -1;
    if (!enabled) {
        m_timer.stop();
        return;
    }
    ++m_run;
    m_deadlineNs = m_clock.nsecsElapsed() + intervalNs();
    arm();
}

void HiResTimer::postponeTick(qint64 ns, bool keepSchedule) {
    if (!m_enabled) {
        return;
    }
    ++m_run; // the tick that asked adds no interval of its own
    if (keepSchedule && m_keptDeadlineNs < 0) {
        m_keptDeadlineNs = m_deadlineNs;
    } else if (!keepSchedule) {
        m_keptDeadlineNs = -1;
    }
    m_deadlineNs = m_clock.nsecsElapsed() + std::max<qint64>(ns, 0);
    arm();
}

qint64 HiResTimer::intervalNs() const {
    // A zero or negative duration still yields to the event loop for a whole millisecond.
    return std::max<qint64>(m_interval, 1) * kNsPerMs;
}

void HiResTimer::arm() {
    const qint64 remainingNs = m_deadlineNs - m_clock.nsecsElapsed();
    // Rounded up: the system timer has whole milliseconds, and a tick must not come early.
    const qint64 ms = remainingNs <= 0 ? 0 : (remainingNs + kNsPerMs - 1) / kNsPerMs;
    m_timer.start(static_cast<int>(std::min<qint64>(ms, std::numeric_limits<int>::max())));
}

void HiResTimer::fire() {
    if (!m_enabled) {
        return;
    }
    if (m_clock.nsecsElapsed() < m_deadlineNs) {
        arm();
        return;
    }

    const quint64 run = m_run;
    QPointer<HiResTimer> self(this);
    emit tick();
    // The handler may have deleted us, stopped us, or stopped and restarted us with a fresh
    // deadline of its own.
    if (!self || !m_enabled || run != m_run) {
        return;
    }

    if (m_keptDeadlineNs >= 0) {
        m_deadlineNs = m_keptDeadlineNs;
        m_keptDeadlineNs = -1;
    }
    // The interval in force now, after the handler, is the one that governs the next step.
    m_deadlineNs += intervalNs();
    const qint64 now = m_clock.nsecsElapsed();
    if (m_deadlineNs <= now) {
        // Held up past a whole interval (a blocking dialog, say): resume from now rather than
        // firing the missed ticks back to back.
        m_deadlineNs = now + intervalNs();
    }
    arm();
}
