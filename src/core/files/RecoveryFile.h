#pragma once

#include "core/StepRecord.h"

#include <QByteArray>
#include <QLocale>
#include <QString>
#include <QStringList>

#include <span>

// The recovery copy of the step list. Each step is a line of the sequence file with its
// breakpoint flag (0 or 1) as a fourteenth TAB-terminated field before the CR LF:
//   128<TAB>…<TAB>128<TAB>500<TAB>1<TAB><CR><LF>
// The sequence loader drops fields after the thirteenth, so Load Buffer reads a recovery file
// as the plain sequence it holds, and its rules decide what a readable step is here too.
namespace recoveryfile {

QByteArray encode(std::span<const StepRecord> steps);

struct Contents {
    // Load-form lines; a step whose flag is set ends in the breakpoint mark, so putting the
    // lines in place with the editor sets the row's BreakFlag.
    QStringList lines;
    // False when the file could not be read, or a line in it is not a step: `lines` holds the
    // steps before it.
    bool complete = false;
    QString error;
};

Contents parse(const QByteArray& bytes, const QLocale& locale = QLocale());
Contents read(const QString& path, const QLocale& locale = QLocale());

} // namespace recoveryfile
