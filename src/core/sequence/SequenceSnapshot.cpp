#include "core/sequence/SequenceSnapshot.h"

namespace {
// A text's own block: its header and the terminating null.
constexpr qint64 kTextOverhead = 16 + sizeof(QChar);

qint64 textBytes(const QString& text) {
    return static_cast<qint64>(sizeof(QString)) + kTextOverhead +
           static_cast<qint64>(text.size()) * static_cast<qint64>(sizeof(QChar));
}
} // namespace

qint64 SequenceSnapshot::bytes() const {
    qint64 total = static_cast<qint64>(sizeof(SequenceSnapshot)) + textBytes(label) +
                   static_cast<qint64>(selectedRows.size()) * static_cast<qint64>(sizeof(int));
    for (const QString& line : lines) {
        total += textBytes(line);
    }
    return total;
}
