#include "FlashImage.h"

#include "core/NumberText.h"
#include "core/sequence/StepLine.h"

#include <QCoreApplication>

#include <algorithm>

namespace flashimage {

quint16 durationUnits(qint32 durationMs) {
    const qint32 clamped = qBound(0, durationMs, kMaxDurationMs);
    qint32 units = clamped / kDurationUnitMs;
    const qint32 rest = clamped % kDurationUnitMs;
    const qint32 half = kDurationUnitMs / 2;
    if (rest > half || (rest == half && units % 2 != 0)) {
        ++units;
    }
    return static_cast<quint16>(units);
}

std::optional<Unstorable> findUnstorable(const SequenceTable& table, int lines) {
    const int rows = qBound(0, lines, kTableRows);
    for (int s = 0; s < rows; ++s) {
        const StepRecord& row = table[s];
        for (int c = 0; c < kChannelCount; ++c) {
            if (row[c] < 0 || row[c] > kPositionMax) {
                return Unstorable{s, Unstorable::Field::Position, c, row[c]};
            }
        }
        const qint32 ms = row[kDurationField];
        if (ms < 0 || ms > kMaxDurationMs) {
            return Unstorable{s, Unstorable::Field::Duration, 0, ms};
        }
    }
    return std::nullopt;
}

QString unstorableMessage(const Unstorable& bad) {
    const QString step = stepline::stepLabel(bad.step);
    if (bad.field == Unstorable::Field::Position) {
        return QCoreApplication::translate("flash",
                                           "%1 cannot be stored in the board's flash: channel "
                                           "Ch%2 is at position %3, the board takes 0 to 255. "
                                           "Nothing was sent.")
            .arg(step)
            .arg(bad.channel)
            .arg(bad.value);
    }
    return QCoreApplication::translate("flash",
                                       "%1 cannot be stored in the board's flash: its duration "
                                       "of %2 ms is outside 0 to %3 ms. Nothing was sent.")
        .arg(step)
        .arg(bad.value)
        .arg(kMaxDurationMs);
}

FlashStep packStep(const StepRecord& step) {
    FlashStep bytes{};
    for (int c = 0; c < kChannelCount; ++c) {
        bytes[c] = static_cast<quint8>(qBound(0, step[c], kPositionMax));
    }
    const quint16 t = durationUnits(step[kDurationField]);
    bytes[12] = static_cast<quint8>(t >> 8);
    bytes[13] = static_cast<quint8>(t & 0xff);
    return bytes;
}

void packImage(const SequenceTable& table, int lines, FlashImageTable& image) {
    const int rows = qBound(0, lines, kTableRows);
    for (int s = 0; s < rows; ++s) {
        image[s] = packStep(table[s]);
    }
}

int readRows(qint32 flashByteCount) {
    return qBound(0, flashByteCount, kFlashImageMax) / kFlashStepBytes;
}

void decodeStep(const FlashStep& stored, StepRecord& row) {
    for (int c = 0; c < kChannelCount; ++c) {
        row[c] = stored[c];
    }
    row[kDurationField] = (stored[12] * 256 + stored[13]) * kDurationUnitMs;
}

QStringList decodeImage(const FlashImageTable& image, int rows, SequenceTable& table,
                        const QLocale& locale) {
    const int count = qBound(0, rows, kMaxLines);
    QStringList lines;
    lines.reserve(count);
    for (int s = 0; s < count; ++s) {
        decodeStep(image[s], table[s]);
        lines.append(stepline::readBackForm(table[s], locale));
    }
    return lines;
}

Comparison compareImage(const SequenceTable& table, int lines, const FlashImageTable& image,
                        const ReadBack& read) {
    Comparison result;
    result.listSteps = qBound(0, lines, kMaxLines);
    result.flashSteps = readRows(read.bytes);
    result.complete = read.complete;
    result.flashBytes = read.announced;
    result.listBytes = byteCount(result.listSteps);
    const int steps = qMax(result.listSteps, result.flashSteps);
    for (int s = 0; s < steps; ++s) {
        int byte = -1;
        if (s < result.listSteps && s < result.flashSteps) {
            const FlashStep written = packStep(table[s]);
            const auto mismatch = std::mismatch(written.begin(), written.end(), image[s].begin());
            if (mismatch.first == written.end()) {
                continue;
            }
            byte = qMin(int(mismatch.first - written.begin()), kChannelCount);
        }
        if (result.differing++ == 0) {
            result.firstStep = s;
            result.firstByte = byte;
            result.flash = image[s];
            result.list = table[s];
        }
    }
    return result;
}

QString comparisonMessage(const Comparison& c, const QLocale& locale,
                          const QStringList& channelLabels) {
    const auto tr = [](const char* text) { return QCoreApplication::translate("flash", text); };
    if (!c.complete) {
        return tr("The board's flash was not read to the end, so whether it holds this list is "
                  "not known.");
    }
    if (c.holds()) {
        return c.listSteps == 1 ? tr("The board's flash holds this list (1 step).")
                                : tr("The board's flash holds this list (%1 steps).").arg(c.listSteps);
    }
    if (c.firstStep < 0) {
        // Every whole step agrees, yet the flash holds bytes beyond them (or a count the list
        // cannot have).
        if (c.listSteps == 1) {
            return tr("The board's flash does not hold this list: it holds %1 bytes where the "
                      "list's 1 step makes %2.")
                .arg(c.flashBytes)
                .arg(c.listBytes);
        }
        return tr("The board's flash does not hold this list: it holds %1 bytes where the list's "
                  "%2 steps make %3.")
            .arg(c.flashBytes)
            .arg(c.listSteps)
            .arg(c.listBytes);
    }
    const QString step = stepline::stepLabel(c.firstStep);
    QString first;
    if (c.firstByte < 0) {
        first = tr("%1: the flash holds %2 steps, the list %3")
                    .arg(step)
                    .arg(c.flashSteps)
                    .arg(c.listSteps);
    } else if (c.firstByte < kChannelCount) {
        const QString channel = c.firstByte < channelLabels.size()
                                    ? channelLabels[c.firstByte]
                                    : QStringLiteral("Ch%1").arg(c.firstByte);
        first = tr("%1, %2: the flash holds %3, the list %4")
                    .arg(step, channel)
                    .arg(numbertext::degreeReadout(c.flash[c.firstByte], locale),
                         numbertext::degreeReadout(c.list[c.firstByte], locale));
    } else {
        StepRecord stored{};
        decodeStep(c.flash, stored);
        first = tr("%1, duration: the flash holds %2 ms, the list %3 ms")
                    .arg(step)
                    .arg(stored[kDurationField])
                    .arg(c.list[kDurationField]);
    }
    const QString count = c.differing == 1 ? tr("1 step differs.")
                                           : tr("%1 steps differ.").arg(c.differing);
    return tr("The board's flash does not hold this list. %1; %2").arg(first, count);
}

} // namespace flashimage
