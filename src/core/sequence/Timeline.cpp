#include "core/sequence/Timeline.h"

#include "core/NumberText.h"
#include "core/sequence/SequenceList.h"
#include "core/sequence/StepLine.h"

#include <QStringList>

#include <algorithm>
#include <cmath>

void Timeline::rebuild(const SequenceList& list) {
    std::vector<Step> steps(static_cast<size_t>(list.count()));
    for (int i = 0; i < list.count(); ++i) {
        const stepline::StepValues& values = list.values(i);
        Step& s = steps[static_cast<size_t>(i)];
        std::copy_n(values.begin(), kChannelCount, s.positions.begin());
        s.durationMs = values[kDurationField];
        s.breakpoint = list.hasBreakMark(i);
        s.limited = list.data(list.index(i), SequenceList::kMarkRole).toString();
    }
    setSteps(std::move(steps));
}

void Timeline::setSteps(std::vector<Step> steps) {
    m_steps = std::move(steps);
    qint64 t = 0;
    for (Step& s : m_steps) {
        s.startMs = t;
        t += std::max<qint32>(s.durationMs, 0);
    }
    m_totalMs = t;
}

void Timeline::setPosition(int step, int channel, qint32 position) {
    m_steps.at(static_cast<size_t>(step)).positions.at(static_cast<size_t>(channel)) = position;
}

void Timeline::setDuration(int step, qint32 durationMs) {
    const auto at = static_cast<size_t>(step);
    const qint64 shift =
        qint64(std::max<qint32>(durationMs, 0)) - std::max<qint32>(m_steps.at(at).durationMs, 0);
    m_steps[at].durationMs = durationMs;
    for (size_t i = at + 1; i < m_steps.size(); ++i) {
        m_steps[i].startMs += shift;
    }
    m_totalMs += shift;
}

qint32 Timeline::heldPosition(double position) {
    return qint32(std::clamp(std::round(position), double(kPositionMin), double(kPositionMax)));
}

qint32 Timeline::snappedDuration(double ms, qint32 gridMs) {
    const double snapped = std::round(ms / gridMs) * gridMs;
    return qint32(std::clamp(snapped, double(kDurationMinMs), double(kDurationMaxMs)));
}

qint64 Timeline::endMs(int index) const {
    const Step& s = step(index);
    return s.startMs + std::max<qint32>(s.durationMs, 0);
}

int Timeline::stepAt(double ms) const {
    if (m_steps.empty() || ms < 0 || ms >= double(m_totalMs)) {
        return -1;
    }
    // Starts never decrease; among steps that start together only the last one takes time.
    const auto after = std::upper_bound(m_steps.begin(), m_steps.end(), ms,
                                        [](double t, const Step& s) { return t < double(s.startMs); });
    return static_cast<int>(after - m_steps.begin()) - 1;
}

QList<QPointF> Timeline::staircase(int channel) const {
    QList<QPointF> points;
    if (m_steps.empty()) {
        return points;
    }
    const auto c = static_cast<size_t>(channel);
    double held = angle(m_steps.front().positions[c]);
    points.reserve(2 * count());
    points.append(QPointF(0, held));
    for (const Step& s : m_steps) {
        const double y = angle(s.positions[c]);
        if (y != held) {
            const double x = double(s.startMs) / 1000.0;
            points.append(QPointF(x, held));
            points.append(QPointF(x, y));
            held = y;
        }
    }
    points.append(QPointF(double(m_totalMs) / 1000.0, held));
    return points;
}

bool Timeline::channelMoves(int channel) const {
    const auto c = static_cast<size_t>(channel);
    return std::any_of(m_steps.begin(), m_steps.end(), [&](const Step& s) {
        return s.positions[c] != m_steps.front().positions[c];
    });
}

QString Timeline::secondsText(qint64 ms, const QLocale& locale) {
    return stepline::durationText(double(ms) / 1000.0, locale) + QStringLiteral(" s");
}

QString Timeline::summary(const QLocale& locale) const {
    if (m_steps.empty()) {
        return QStringLiteral("No steps.");
    }
    QStringList moving;
    for (int c = 0; c < kChannelCount; ++c) {
        if (channelMoves(c)) {
            moving << channelName(c);
        }
    }
    const QString steps = count() == 1 ? QStringLiteral("1 step") : QStringLiteral("%1 steps").arg(count());
    const QString channels = moving.isEmpty()
                                 ? QStringLiteral("no channel moves")
                                 : QStringLiteral("channels that move: ") + moving.join(QStringLiteral(", "));
    return QStringLiteral("%1, %2 in total; %3.").arg(steps, secondsText(m_totalMs, locale), channels);
}

QString Timeline::describeStep(int index, const QLocale& locale,
                               std::span<const QString> labels) const {
    const Step& s = step(index);
    QString text = QStringLiteral("Step %1 at %2, %3 ms")
                       .arg(index)
                       .arg(secondsText(s.startMs, locale))
                       .arg(s.durationMs);
    if (s.breakpoint) {
        text += QStringLiteral(", BREAK!");
    }
    if (!s.limited.isEmpty()) {
        text += QStringLiteral("\nLimited: ") + s.limited;
    }
    // Four channels a row keeps the tip narrow enough to sit beside the pointer.
    for (int c = 0; c < kChannelCount; ++c) {
        text += c % 4 == 0 ? QStringLiteral("\n") : QStringLiteral("   ");
        const QString name = size_t(c) < labels.size() ? labels[size_t(c)] : channelName(c);
        text += name + QLatin1Char(' ') + numbertext::degreeReadout(s.positions[size_t(c)], locale);
    }
    return text;
}
