#include "core/sequence/StepClipboard.h"

#include "core/StepRecord.h"
#include "core/sequence/SequenceFile.h"
#include "core/sequence/SequenceList.h"

#include <QByteArray>

namespace stepclipboard {

QString text(const SequenceList& list, const QList<int>& rows) {
    QByteArray bytes;
    bytes.reserve(rows.size() * (kChannelCount + 1) * 5);
    for (int row : rows) {
        if (row >= 0 && row < list.count()) {
            sequencefile::appendLine(bytes, list.values(row));
        }
    }
    return QString::fromLatin1(bytes);
}

Reading read(const QString& text, const QLocale& locale) {
    // Anything that is not plain ASCII is no digit, TAB or line end, and the reader says so.
    const QByteArray bytes = text.toUtf8();
    sequencefile::LoadResult loaded = sequencefile::parse(bytes, kMaxLines + 1, locale);
    Reading reading;
    if (loaded.stopLine >= 0) {
        reading.error =
            QStringLiteral("Line %1 of the clipboard cannot be read: %2. Nothing was pasted.")
                .arg(loaded.stopLine + 1)
                .arg(sequencefile::stopReasonText(loaded.stopReason));
    } else {
        reading.lines = std::move(loaded.lines);
    }
    return reading;
}

bool overflows(qsizetype pasted, int count) {
    return qsizetype(count) + pasted > kMaxLines;
}

} // namespace stepclipboard
