#pragma once

#include "HiResTimer.h"
#include "Operation.h"

#include "core/Interlock.h"
#include "core/StepRecord.h"

#include <QList>
#include <QString>
#include <QtGlobal>

class Board;
class SequenceEditor;

// PC playback of the sequence: one burst a step (or only the channels that change), with each
// step's own time (halting on breakpoints, with Repeat and Continue) or one fixed time. The
// selected line of the list is the step playing. A run lasts from switching a mode on to
// switching it off.
class PcPlayback : public Operation {
    Q_OBJECT
public:
    enum class Pace { OwnTime, Fixed };

    PcPlayback(Board& board, SequenceEditor& sequence, QObject* parent = nullptr);

    HiResTimer& clock() { return m_clock; }
    bool ownTime() const { return isRunning() && m_pace == Pace::OwnTime; }
    interlock::Activities activities() const;

    // Starts from the selected line, line 0 if none; the first tick moves on after that step's
    // time (or the fixed time). With an empty list the mode is on and nothing plays.
    void start(Pace pace, qint32 fixedMs = 0);
    // Stops the clock. With its own time, the selected step is then shown (showStep()).
    void stop(Pace pace);
    // Back to the nearest earlier breakpoint (or line 0), shown, and on from there.
    void repeat();
    // On from the step halted at, after its own time.
    void resume();
    // The fixed step time, at once, whatever runs.
    void setFixedTime(qint32 ms) { m_clock.setInterval(ms); }
    // The next line is selected and sent; wraps after the last.
    void tick();

    // Each step sends only the pairs of the channels the board is not known to hold at the
    // step's positions (as they go out), as one message; a step that changes nothing sends
    // nothing and still lasts its time. The first step played and line 0 send all twelve, so
    // a byte lost on the line lasts one pass at most. Off: every step a full burst.
    void setChangedOnly(bool on) { m_changedOnly = on; }
    bool changedOnly() const { return m_changedOnly; }
    // The bytes each line sends in a pass of the list as it repeats: 24 each, or with
    // changedOnly 24 on line 0, where a pass begins, and on every other line two for each
    // channel in which it differs from the line before, as the channels go out. The whole
    // burst that begins a run comes once and is left out.
    QList<int> passBytes() const;

    // The note when steps are shorter than one burst's wire time (ms rounded up).
    static QString shortStepsNote(int steps, int burstMs);
    // The same with changedOnly, where each step needs the time of its own bytes: the longest
    // of those the short steps need (ms rounded up).
    static QString shortChangedStepsNote(int steps, int longestMs);

signals:
    // A step went out (or would have, with the port closed): its duration and number to show.
    void stepPlayed(int step);
    // The step to put on the sliders, every channel the board does not hold sent.
    void showStep(int step);
    // Own time stopped at a breakpoint on that step, until Continue or Repeat.
    void halted(int step);
    void note(const QString& text);

private:
    void onAbort() override { stop(m_pace); }
    // The selected line, after selecting line 0 if none was; -1 for an empty list.
    int selectStartLine();
    qint32 duration(int step) const;
    void playStep(int step);
    void sendStep(const StepRecord& step, bool full);
    // Says once, at the start, how many steps the line cannot keep to their time.
    void noteShortSteps();

    Board& m_board;
    SequenceEditor& m_sequence;
    HiResTimer m_clock;
    Pace m_pace = Pace::OwnTime;
    bool m_changedOnly = false;
    bool m_fullNext = true;              // the next step sent is the run's first
    int m_stepBytes = 2 * kChannelCount; // what the step playing put on the line
};
