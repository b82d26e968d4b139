#pragma once

#include "core/StepRecord.h"
#include "core/sequence/StepLine.h"

#include <QByteArray>
#include <QStringList>

// `count` steps in the read-back form, step s holding (7s + 13c) mod 256 on channel c for
// 20 (1 + s mod 300) ms; at step `bad`, channel 4 sits at 328, beyond what the flash stores.
inline QStringList programSteps(int count, int bad = -1) {
    QStringList lines;
    for (int s = 0; s < count; ++s) {
        StepRecord p{};
        for (int c = 0; c < kChannelCount; ++c) {
            p[c] = s == bad && c == 4 ? 328 : (s * 7 + c * 13) % 256;
        }
        p[kDurationField] = 20 * (1 + s % 300);
        lines << stepline::readBackForm(p);
    }
    return lines;
}

// What programming them puts on the line, from the wire layout alone: 2, the byte count high
// and low, then per step twelve positions and the duration in 20 ms units, high byte first.
inline QByteArray programExchange(int count) {
    const int n = count * 14;
    QByteArray bytes = QByteArray::fromHex("02") + char(n / 256) + char(n % 256);
    for (int s = 0; s < count; ++s) {
        for (int c = 0; c < kChannelCount; ++c) {
            bytes.append(char((s * 7 + c * 13) % 256));
        }
        const int units = 1 + s % 300;
        bytes.append(char(units / 256)).append(char(units % 256));
    }
    return bytes;
}
