#include "core/sequence/StepLine.h"

#include "core/NumberText.h"
#include "core/Rounding.h"

#include <cmath>
#include <limits>

namespace stepline {

namespace {

constexpr double kInt32Min = static_cast<double>(std::numeric_limits<qint32>::min());
constexpr double kInt32Max = static_cast<double>(std::numeric_limits<qint32>::max());

std::optional<double> readField(QStringView field, const QString& suffix, const QLocale& locale) {
    QString text = field.toString();
    text.remove(suffix);
    return numbertext::parse(text, locale);
}

std::optional<qint32> positionOf(double degrees) {
    const double b = std::floor(2.0 * degrees + 128.0);
    if (!(b >= kInt32Min && b <= kInt32Max)) {
        return std::nullopt;
    }
    return static_cast<qint32>(b);
}

std::optional<qint32> durationOf(double ms) {
    const double r = std::nearbyint(ms);
    if (!(r >= kInt32Min && r <= kInt32Max)) {
        return std::nullopt;
    }
    return rounding::toInt32(ms);
}

} // namespace

QString durationText(double durationMs, const QLocale& locale) {
    QString text = QString::number(durationMs, 'f', QLocale::FloatingPointShortest);
    if (text == QLatin1String("-0")) {
        text = QStringLiteral("0");
    }
    return text.replace(QLatin1Char('.'), locale.decimalPoint());
}

QString addForm(const std::array<QString, kChannelCount>& degreeReadouts, double durationMs,
                const QLocale& locale) {
    QString line;
    line.reserve(12 * 8 + 16);
    for (const QString& readout : degreeReadouts) {
        line += readout;
        line += kFieldSeparator;
    }
    line += durationText(durationMs, locale);
    line += kMsSuffix;
    return line;
}

QString readBackForm(const StepRecord& step, const QLocale& locale) {
    QString line;
    line.reserve(12 * 8 + 16);
    for (int k = 0; k < kChannelCount; ++k) {
        line += numbertext::degreeReadout(step[k], locale);
        line += kFieldSeparator;
    }
    line += QString::number(step[kDurationField]);
    line += kMsSuffix;
    line += kFieldSeparator;
    return line;
}

std::optional<QString> loadForm(const QStringList& fileFields, const QLocale& locale) {
    if (fileFields.size() < kChannelCount + 1) {
        return std::nullopt;
    }
    QString line;
    line.reserve(12 * 8 + 16);
    for (int k = 0; k < kChannelCount; ++k) {
        bool ok = false;
        const int position = QStringView(fileFields[k]).trimmed().toInt(&ok, 10);
        if (!ok) {
            return std::nullopt;
        }
        line += numbertext::degreeReadout(position, locale);
        line += kFieldSeparator;
    }
    line += fileFields[kDurationField];
    line += kLoadMsSuffix;
    line += kFieldSeparator;
    if (!ParseStepLine(line, locale)) {
        return std::nullopt;
    }
    return line;
}

QString withBreakMark(const QString& line) {
    return line + kBreakMark;
}

QString withoutBreakMarks(const QString& line) {
    QString text = line;
    return text.remove(kBreakMark);
}

bool hasBreakMark(const QString& line) {
    return line.contains(kBreakMark);
}

std::optional<double> readDegreeField(QStringView field, const QLocale& locale) {
    return readField(field, numbertext::kDegreeSuffix, locale);
}

std::optional<double> readDurationField(QStringView field, const QLocale& locale) {
    return readField(field, kMsSuffix, locale);
}

std::optional<StepValues> ParseStepLine(const QString& line, const QLocale& locale) {
    const QList<QStringView> fields = QStringView(line).split(QLatin1Char('\t'));
    if (fields.size() < kChannelCount + 1) {
        return std::nullopt;
    }
    StepValues values{};
    for (int k = 0; k < kChannelCount; ++k) {
        const std::optional<double> degrees = readDegreeField(fields[k], locale);
        const std::optional<qint32> position = degrees ? positionOf(*degrees) : std::nullopt;
        if (!position) {
            return std::nullopt;
        }
        values[k] = *position;
    }
    const std::optional<double> ms = readDurationField(fields[kDurationField], locale);
    const std::optional<qint32> duration = ms ? durationOf(*ms) : std::nullopt;
    if (!duration) {
        return std::nullopt;
    }
    values[kDurationField] = *duration;
    return values;
}

QString stepLabel(int index) {
    return kStepLabelPrefix + QString::number(index);
}

} // namespace stepline
