#include "core/interp/Interpolation.h"

#include "core/NumberText.h"
#include "core/Rounding.h"
#include "core/StepRecord.h"
#include "core/sequence/StepLine.h"

#include <QEasingCurve>
#include <QList>
#include <QStringView>

#include <algorithm>
#include <array>
#include <optional>

namespace interpolation {

namespace {

struct StepNumbers {
    std::array<double, kChannelCount> degrees{};
    double durationMs = 0;
};

// The numbers as the line shows them (degrees, ms), not the board units the table holds: the
// ramp is computed on what the user sees.
std::optional<StepNumbers> readStep(const QString& line, const QLocale& locale) {
    // Every line the ramp touches must also be readable by the table's reader, which rules out
    // values beyond 32 bits before any arithmetic sees them.
    if (!stepline::ParseStepLine(line, locale)) {
        return std::nullopt;
    }
    const QList<QStringView> fields = QStringView(line).split(QLatin1Char('\t'));
    StepNumbers step;
    for (int k = 0; k < kChannelCount; ++k) {
        const std::optional<double> d = stepline::readDegreeField(fields[k], locale);
        if (!d) {
            return std::nullopt;
        }
        step.degrees[k] = *d;
    }
    const std::optional<double> t = stepline::readDurationField(fields[kDurationField], locale);
    if (!t) {
        return std::nullopt;
    }
    step.durationMs = *t;
    return step;
}

QEasingCurve easingOf(Curve curve) {
    switch (curve) {
    case Curve::EaseIn:
        return QEasingCurve(QEasingCurve::InQuad);
    case Curve::EaseOut:
        return QEasingCurve(QEasingCurve::OutQuad);
    case Curve::EaseInOut:
        return QEasingCurve(QEasingCurve::InOutQuad);
    case Curve::Linear:
        break;
    }
    return QEasingCurve(QEasingCurve::Linear);
}

Result stayed(const QString& text = {}) {
    Result result;
    result.outcome = Outcome::Stayed;
    if (!text.isEmpty()) {
        result.messageTitle = kNoteTitle;
        result.messageText = text;
    }
    return result;
}

} // namespace

Result interpolate(const QStringList& lines, int selected, Direction direction, double count,
                   const QLocale& locale, Curve curve) {
    // The count field may hold 0 (or anything typed) when OK is pressed; the time check below
    // divides by the count.
    if (!(count >= 1.0)) {
        count = 1.0;
    }
    const int s = rounding::toInt16(count - 1.0);
    const int n = s + 1;
    if (s == 0) {
        Result result;
        result.outcome = Outcome::Closed;
        return result;
    }
    if (direction == Direction::None) {
        return stayed();
    }
    const int c = direction == Direction::Previous ? selected - 1 : selected;
    if (c < 0 || c + 1 >= lines.size()) {
        return stayed();
    }
    const std::optional<StepNumbers> target = readStep(lines[c + 1], locale);
    const std::optional<StepNumbers> source = readStep(lines[c], locale);
    if (!source || !target) {
        return stayed(kUnreadableText);
    }
    const double t = source->durationMs;
    if (t / static_cast<double>(n) < kMinStepTimeMs) {
        return stayed(kTooManyForTimeText);
    }
    if (lines.size() - 1 + qsizetype(n) > kMaxLines) {
        return stayed(kTooManyForListText);
    }

    Result result;
    result.outcome = Outcome::Done;
    result.sourceIndex = c;
    result.newLines.reserve(n);
    // Pass j makes block line S - j; each pass's line goes in front of the earlier ones.
    // The running total is kept wider than the 32-bit durations it is made of, so no duration
    // the reader accepts can overflow it.
    qint64 previousTotal = 0;
    std::array<QString, kChannelCount> readouts;
    const QEasingCurve easing = easingOf(curve);
    for (int j = 0; j <= s; ++j) {
        double r = static_cast<double>(s - j) / static_cast<double>(s + 1);
        // The linear ramp takes r as it is, so its positions stay exactly those of the formula.
        if (curve != Curve::Linear) {
            r = easing.valueForProgress(r);
        }
        for (int k = 0; k < kChannelCount; ++k) {
            const double p = source->degrees[k];
            const double q = target->degrees[k];
            const double x = p + r * (q - p);
            const double halfDegrees = rounding::toInt32(x * 2.0) / 2.0;
            readouts[k] = numbertext::halfSteps(halfDegrees, locale) + numbertext::kDegreeSuffix;
        }
        const double r2 = static_cast<double>(j + 1) / static_cast<double>(s + 1);
        const qint64 total =
            qint64(kMinStepTimeMs) * rounding::toInt32(t * r2 / double(kMinStepTimeMs));
        result.newLines.append(
            stepline::addForm(readouts, static_cast<double>(total - previousTotal), locale));
        previousTotal = total;
    }
    std::reverse(result.newLines.begin(), result.newLines.end());
    return result;
}

} // namespace interpolation
