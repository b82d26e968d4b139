#pragma once

#include "core/StepRecord.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <array>

// Everything an edit of the sequence can change, so that an edit can be taken back whole: the
// lines with their marks, the selected line and the lines selected with it, every row's
// BreakFlag and the step label. The rest
// of the step table follows from the lines.
struct SequenceSnapshot {
    QStringList lines;
    int selected = -1;
    QList<int> selectedRows;
    std::array<qint32, kTableRows> breakFlags{};
    QString label;

    // Counted as if no text were shared with another snapshot, so a bound on the sum holds
    // however the texts happen to be shared.
    qint64 bytes() const;
    // The selection and the label are left out: a press on the list, showing a step and
    // playback move them without editing anything.
    bool sameContent(const SequenceSnapshot& other) const {
        return lines == other.lines && breakFlags == other.breakFlags;
    }
    bool operator==(const SequenceSnapshot& other) const = default;
};
