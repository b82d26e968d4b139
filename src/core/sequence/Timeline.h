#pragma once

#include "core/StepRecord.h"

#include <QList>
#include <QLocale>
#include <QPointF>
#include <QString>
#include <QtGlobal>

#include <array>
#include <span>
#include <vector>

class SequenceList;

// The sequence laid out in time: each step is a pose sent at its start and held for its
// duration, so a channel over time is a staircase. Times are in ms from the start of the
// sequence; a negative duration (a file can hold one) takes no time.
class Timeline {
public:
    struct Step {
        qint64 startMs = 0;
        qint32 durationMs = 0;
        std::array<qint32, kChannelCount> positions{};
        bool breakpoint = false;
        QString limited; // why the channel limits change what goes out; empty when they do not
    };

    // What an edit on the timeline may give a step: positions of the board, and durations of the
    // step-duration field, on the 20 ms grid the flash stores unless a finer one is asked for.
    static constexpr qint32 kPositionMin = 0;
    static constexpr qint32 kPositionMax = 255;
    static constexpr qint32 kDurationMinMs = 20;
    static constexpr qint32 kDurationMaxMs = 1000000;
    static constexpr qint32 kDurationGridMs = 20;

    void rebuild(const SequenceList& list);
    void setSteps(std::vector<Step> steps);
    // One value changed in place; later steps start earlier or later with a new duration.
    void setPosition(int step, int channel, qint32 position);
    void setDuration(int step, qint32 durationMs);

    int count() const { return static_cast<int>(m_steps.size()); }
    const Step& step(int index) const { return m_steps.at(static_cast<size_t>(index)); }
    qint64 totalMs() const { return m_totalMs; }
    qint64 endMs(int index) const;

    // The step shown at a time: the last one that starts at or before it and is still held
    // then; -1 before the start, at or after the end, or with no steps.
    int stepAt(double ms) const;

    // The channel's staircase, x in seconds, y in degrees: a point at the start and the end,
    // and two at each step whose angle differs from the one before (a channel at rest is one
    // line, however many steps it holds through).
    QList<QPointF> staircase(int channel) const;
    // True when the channel's position differs between any two steps.
    bool channelMoves(int channel) const;

    // "30 steps, 15 s; channels that move: Ch0, Ch3."
    QString summary(const QLocale& locale = QLocale()) const;
    // The hover text of one step: number, start, duration and the twelve angles.
    // Channels go by the labels given, channel 0 first, else as "Ch3".
    QString describeStep(int index, const QLocale& locale = QLocale(),
                         std::span<const QString> labels = {}) const;

    // The nearest position of the board, and the nearest duration on the grid, both in range.
    static qint32 heldPosition(double position);
    static qint32 snappedDuration(double ms, qint32 gridMs = kDurationGridMs);

    static double angle(qint32 position) { return (double(position) - 128.0) / 2.0; }
    static QString channelName(int channel) { return QStringLiteral("Ch%1").arg(channel); }
    static QString secondsText(qint64 ms, const QLocale& locale = QLocale());

private:
    std::vector<Step> m_steps;
    qint64 m_totalMs = 0;
};
