#include "core/files/RecoveryFile.h"

#include "core/sequence/SequenceFile.h"
#include "core/sequence/StepLine.h"

#include <QDir>
#include <QFile>

namespace recoveryfile {

namespace {

constexpr int kFlagField = kChannelCount + 1;

// The text between the thirteenth and the fourteenth TAB of a raw file line.
QByteArrayView flagField(QByteArrayView line) {
    qsizetype start = 0;
    for (int k = 0; k < kFlagField; ++k) {
        const qsizetype tab = line.indexOf('\t', start);
        if (tab < 0) {
            return {};
        }
        start = tab + 1;
    }
    const qsizetype tab = line.indexOf('\t', start);
    return line.sliced(start, (tab < 0 ? line.size() : tab) - start);
}

} // namespace

QByteArray encode(std::span<const StepRecord> steps) {
    QByteArray bytes;
    bytes.reserve(qsizetype(steps.size()) * (kFlagField * 5 + 4));
    for (const StepRecord& step : steps) {
        for (int k = 0; k < kFlagField; ++k) {
            bytes += QByteArray::number(step[k]);
            bytes += '\t';
        }
        bytes += step[kBreakField] != 0 ? "1\t\r\n" : "0\t\r\n";
    }
    return bytes;
}

Contents parse(const QByteArray& bytes, const QLocale& locale) {
    const sequencefile::LoadResult loaded = sequencefile::parse(bytes, locale);
    Contents contents;
    contents.lines = loaded.lines;
    contents.complete = loaded.stopLine < 0 && !loaded.cutAtLimit;
    contents.error = loaded.stopMessage();
    // The loader's lines follow the file's lines one for one from its first byte.
    const QByteArrayView all(bytes);
    qsizetype start = all.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    for (QString& line : contents.lines) {
        qsizetype end = all.indexOf('\n', start);
        if (end < 0) {
            end = all.size();
        }
        QByteArrayView field = flagField(all.sliced(start, end - start));
        if (field.endsWith('\r')) {
            field.chop(1);
        }
        if (field == "1") {
            line = stepline::withBreakMark(line);
        }
        start = end + 1;
    }
    return contents;
}

Contents read(const QString& path, const QLocale& locale) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        Contents contents;
        contents.error = QStringLiteral("\"%1\" could not be opened: %2")
                             .arg(QDir::toNativeSeparators(path), file.errorString());
        return contents;
    }
    return parse(file.read(sequencefile::kMaxFileBytes), locale);
}

} // namespace recoveryfile
