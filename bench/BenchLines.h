#pragma once

#include "core/NumberText.h"
#include "core/StepRecord.h"
#include "core/sequence/StepLine.h"

#include <QString>
#include <QStringList>

#include <array>

// The lines of a full list in the Add form, alike in every bench that edits one: each channel
// at a different angle, 20 ms to 999 ms a step. A salt shifts every angle, for a list that
// differs from the first on every line.
namespace benchsupport {

inline QString lineFor(int i, int salt = 0) {
    std::array<QString, kChannelCount> readouts;
    for (int k = 0; k < kChannelCount; ++k) {
        readouts[k] = numbertext::degreeReadout((i * 7 + k * 13 + salt) % 256);
    }
    return stepline::addForm(readouts, 20 + i % 980);
}

inline QStringList linesFor(int count, int salt = 0) {
    QStringList lines;
    for (int i = 0; i < count; ++i) {
        lines.append(lineFor(i, salt));
    }
    return lines;
}

} // namespace benchsupport
