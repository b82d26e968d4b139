#include "PcPlayback.h"

#include "Board.h"
#include "ChannelMoves.h"

#include "core/BoardCommands.h"
#include "core/sequence/SequenceEditor.h"

#include <bit>

namespace {
constexpr qint64 kNsPerMs = 1'000'000;
}

PcPlayback::PcPlayback(Board& board, SequenceEditor& sequence, QObject* parent)
    : Operation(parent), m_board(board), m_sequence(sequence) {
    m_clock.setObjectName(QStringLiteral("HiTimer1"));
    connect(&m_clock, &HiResTimer::tick, this, &PcPlayback::tick);
}

interlock::Activities PcPlayback::activities() const {
    if (!isRunning()) {
        return 0;
    }
    if (m_pace == Pace::Fixed) {
        return interlock::PcSeq;
    }
    return m_clock.isEnabled() ? interlock::PcEmuPlaying : interlock::PcEmuHalted;
}

void PcPlayback::start(Pace pace, qint32 fixedMs) {
    m_pace = pace;
    m_fullNext = true;
    m_stepBytes = 2 * kChannelCount;
    begin();
    const int selected = selectStartLine();
    if (selected < 0) {
        return;
    }
    m_clock.setInterval(pace == Pace::OwnTime ? duration(selected) : fixedMs);
    noteShortSteps();
    // The selected step is not sent now; the first tick moves on from it.
    m_clock.setEnabled(true);
}

void PcPlayback::stop(Pace pace) {
    const BoardLink::Stop stop(m_board.link());
    // Even with the list emptied meanwhile: a clock left running would play lines added later
    // with every mode off.
    m_clock.setEnabled(false);
    finish(State::Done);
    const int selected = selectStartLine();
    if (selected >= 0 && pace == Pace::OwnTime) {
        m_clock.setInterval(duration(selected));
        emit showStep(selected);
    }
}

void PcPlayback::tick() {
    SequenceList& list = m_sequence.list();
    const int n = list.count();
    if (n == 0) {
        return;
    }
    // A burst queued behind one still on its way would reach the servos late, and keep them
    // moving after a stop: the step waits until the line is free. After a step shorter than
    // the bytes it sent the schedule goes on from there; after a longer one only a late tick
    // can find the line busy, and the schedule stays as it was. The panel thus always shows the
    // step whose burst is going out.
    const BoardLink& link = m_board.link();
    if (const qint64 busyNs = link.burstDueInNs(); busyNs > 0 && m_clock.isEnabled()) {
        const bool keptUp = qint64(m_clock.interval()) * kNsPerMs >= link.wireTimeNs(m_stepBytes);
        m_clock.postponeTick(busyNs, keptUp);
        return;
    }
    // After the last line playback wraps to the first; with no selection it starts there.
    const int i = list.selectedIndex();
    const int next = i + 1 < n ? i + 1 : 0;
    list.setSelectedIndex(next);
    playStep(next);

    // With the fixed time the pace stays the field's and breakpoints do not halt.
    const int now = list.selectedIndex();
    if (!ownTime() || now < 0) {
        return;
    }
    m_clock.setInterval(duration(now));
    if (m_sequence.step(now)[kBreakField] > 0) {
        m_clock.setEnabled(false);
        emit halted(now);
    }
}

void PcPlayback::playStep(int step) {
    if (step < 0 || step >= m_sequence.list().count()) {
        return;
    }
    // While a flash transfer holds the line the step is skipped, not held back: playback
    // keeps its pace as with a closed port, and the transfer is never disturbed.
    if (m_board.decide(interlock::Command::PlayStep).runs()) {
        sendStep(m_sequence.step(step), m_fullNext || step == 0);
    }
    emit stepPlayed(step);
}

void PcPlayback::sendStep(const StepRecord& step, bool full) {
    ChannelMoves& moves = m_board.moves();
    const quint16 channels =
        m_changedOnly && !full ? moves.unheldChannels(step) : board::kAllChannels;
    if (moves.burst(step, channels) == BoardLink::Sent::Yes) {
        m_stepBytes = 2 * std::popcount(channels);
        m_fullNext = false;
    }
}

void PcPlayback::repeat() {
    SequenceList& list = m_sequence.list();
    int k = list.selectedIndex();
    if (!ownTime() || k < 0) {
        return;
    }
    // Back to the nearest earlier breakpoint, or line 0; the selected line's own flag does
    // not count, so a halt on a breakpoint replays the section that led to it.
    while (k >= 1) {
        --k;
        if (m_sequence.step(k)[kBreakField] > 0) {
            break;
        }
    }
    list.setSelectedIndex(k);
    emit showStep(k);
    m_clock.setInterval(duration(k));
    // Restarted, so the replayed step gets its whole time even when Repeat comes mid-step.
    m_clock.setEnabled(false);
    m_clock.setEnabled(true);
}

void PcPlayback::resume() {
    const int selected = m_sequence.list().selectedIndex();
    if (!ownTime() || selected < 0) {
        return;
    }
    m_clock.setInterval(duration(selected));
    m_clock.setEnabled(true);
}

int PcPlayback::selectStartLine() {
    SequenceList& list = m_sequence.list();
    if (list.selectedIndex() < 0 && list.count() > 0) {
        list.setSelectedIndex(0);
    }
    return list.selectedIndex();
}

qint32 PcPlayback::duration(int step) const {
    return m_sequence.step(step)[kDurationField];
}

QString PcPlayback::shortStepsNote(int steps, int burstMs) {
    if (steps == 1) {
        return tr("1 step is shorter than %1 ms, the time the line needs to send one step; it "
                  "will take %1 ms.")
            .arg(burstMs);
    }
    return tr("%1 steps are shorter than %2 ms, the time the line needs to send one step; they "
              "will take %2 ms each.")
        .arg(steps)
        .arg(burstMs);
}

QString PcPlayback::shortChangedStepsNote(int steps, int longestMs) {
    if (steps == 1) {
        return tr("1 step is shorter than the time the line needs to send the channels it "
                  "changes; it will take %1 ms.")
            .arg(longestMs);
    }
    return tr("%1 steps are shorter than the time the line needs to send the channels they "
              "change; they will take up to %2 ms each.")
        .arg(steps)
        .arg(longestMs);
}

QList<int> PcPlayback::passBytes() const {
    const int n = m_sequence.list().count();
    QList<int> bytes(n, 2 * kChannelCount);
    if (!m_changedOnly) {
        return bytes;
    }
    const ChannelMoves& moves = m_board.moves();
    for (int s = 1; s < n; ++s) {
        const StepRecord before = moves.gated(m_sequence.step(s - 1));
        const StepRecord now = moves.gated(m_sequence.step(s));
        bytes[s] = 0;
        for (int c = 0; c < kChannelCount; ++c) {
            bytes[s] += before[c] != now[c] ? 2 : 0;
        }
    }
    return bytes;
}

void PcPlayback::noteShortSteps() {
    const BoardLink& link = m_board.link();
    const QList<int> bytes = passBytes();
    int shorter = 0;
    qint64 longestNs = 0;
    for (int s = 0; s < bytes.size(); ++s) {
        const qint64 ms = m_pace == Pace::Fixed ? m_clock.interval() : duration(s);
        const qint64 wireNs = link.wireTimeNs(bytes[s]);
        if (ms * kNsPerMs < wireNs) {
            ++shorter;
            longestNs = qMax(longestNs, wireNs);
        }
    }
    if (shorter == 0) {
        return;
    }
    const auto roundedUpMs = [](qint64 ns) { return int((ns + kNsPerMs - 1) / kNsPerMs); };
    emit note(m_changedOnly ? shortChangedStepsNote(shorter, roundedUpMs(longestNs))
                            : shortStepsNote(shorter, roundedUpMs(link.burstWireTimeNs())));
}
