#pragma once

#include "core/StepRecord.h"

#include <QString>
#include <QStringList>

// Lines of the Add form that tell themselves apart: channel 0 shows id degrees and the duration
// is 20 + id, so an order of lines reads as an order of ids.
inline QString lineFor(int id) {
    return QString::number(id) + QStringLiteral(" \u00B0\t") +
           QStringLiteral("0 \u00B0\t").repeated(kChannelCount - 1) + QString::number(20 + id) +
           QStringLiteral(" ms");
}

inline QStringList linesFor(int count, int firstId = 0) {
    QStringList lines;
    for (int i = 0; i < count; ++i) {
        lines.append(lineFor(firstId + i));
    }
    return lines;
}
