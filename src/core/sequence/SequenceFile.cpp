#include "core/sequence/SequenceFile.h"

#include "core/NumberText.h"
#include "core/sequence/StepLine.h"

#include <QDir>
#include <QFile>
#include <QIODevice>
#include <QSaveFile>

#include <algorithm>
#include <array>
#include <limits>

namespace sequencefile {

namespace {

constexpr int kFileFields = kChannelCount + 1;
const QString kZeroPositions = QStringLiteral("0\t").repeated(kChannelCount);
constexpr qint64 kReadChunk = 64 * 1024;

QString nativePath(const QString& path) {
    return QDir::toNativeSeparators(path);
}

bool isBlank(QByteArrayView bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return c == ' ' || c == '\t'; });
}

bool isLineEndOrBlank(QByteArrayView bytes) {
    return std::all_of(bytes.begin(), bytes.end(),
                       [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; });
}

// A field of the file must be a plain decimal integer; spaces around it are tolerated because
// a hand-edited file may have them and the list reader ignores them too.
StopReason checkField(QByteArrayView field, qint32& value) {
    qsizetype begin = 0;
    qsizetype end = field.size();
    while (begin < end && field[begin] == ' ') {
        ++begin;
    }
    while (end > begin && field[end - 1] == ' ') {
        --end;
    }
    const bool negative = begin < end && field[begin] == '-';
    if (negative || (begin < end && field[begin] == '+')) {
        ++begin;
    }
    if (begin == end) {
        return StopReason::NotANumber;
    }
    // Accumulated in 64 bits and stopped early, so no digit string can overflow.
    qint64 magnitude = 0;
    constexpr qint64 kLimit = qint64(std::numeric_limits<qint32>::max()) + 1;
    bool tooLarge = false;
    for (qsizetype i = begin; i < end; ++i) {
        const char c = field[i];
        if (c < '0' || c > '9') {
            return StopReason::NotANumber;
        }
        if (!tooLarge) {
            magnitude = magnitude * 10 + (c - '0');
            tooLarge = magnitude > kLimit;
        }
    }
    if (tooLarge || (!negative && magnitude == kLimit)) {
        return StopReason::TooLarge;
    }
    value = static_cast<qint32>(negative ? -magnitude : magnitude);
    return StopReason::None;
}

struct LineCheck {
    StopReason reason = StopReason::None;
    std::array<QByteArrayView, kFileFields> fields;
    std::array<qint32, kFileFields> values{};
};

// The duration may be fractional ("20.5"): it is kept in the line as read, and the list reader
// rounds it. It must read as the list reads numbers, or every later rebuild would fail.
bool readableDuration(QByteArrayView field, const QLocale& locale) {
    return stepline::ParseStepLine(
               kZeroPositions + QString::fromLatin1(field) + stepline::kLoadMsSuffix, locale)
        .has_value();
}

LineCheck checkLine(QByteArrayView line, const QLocale& locale) {
    LineCheck check;
    if (line.contains('\r')) {
        check.reason = StopReason::StrayCarriageReturn;
        return check;
    }
    // Counted first: a short line is short whatever its values look like.
    if (line.count('\t') + 1 < kFileFields) {
        check.reason = StopReason::TooFewFields;
        return check;
    }
    qsizetype start = 0;
    for (int k = 0; k < kFileFields; ++k) {
        const qsizetype tab = line.indexOf('\t', start);
        const QByteArrayView field = tab < 0 ? line.sliced(start) : line.sliced(start, tab - start);
        if (const StopReason r = checkField(field, check.values[k]);
            r != StopReason::None && !(k == kDurationField && r == StopReason::NotANumber &&
                                       readableDuration(field, locale))) {
            check.reason = r;
            return check;
        }
        check.fields[k] = field;
        start = tab + 1;
    }
    return check;
}

// Degree readouts of the positions a servo can take, made once per load rather than twelve
// times per line.
class ReadoutCache {
public:
    explicit ReadoutCache(const QLocale& locale) : m_locale(locale) {
        for (int b = 0; b < int(m_readouts.size()); ++b) {
            m_readouts[b] = numbertext::degreeReadout(b, locale);
        }
    }
    QString readout(qint32 position) const {
        if (position >= 0 && position < qint32(m_readouts.size())) {
            return m_readouts[position];
        }
        return numbertext::degreeReadout(position, m_locale);
    }

private:
    const QLocale& m_locale;
    std::array<QString, 256> m_readouts;
};

// The Load form of a list line. Every field is a checked 32-bit integer, so the list reader
// reads it back to the same numbers (the duration is kept as the file wrote it).
QString loadFormLine(const LineCheck& check, const ReadoutCache& readouts) {
    QString line;
    line.reserve(kChannelCount * 8 + 24);
    for (int k = 0; k < kChannelCount; ++k) {
        line += readouts.readout(check.values[k]);
        line += stepline::kFieldSeparator;
    }
    line += QLatin1StringView(check.fields[kDurationField]);
    line += stepline::kLoadMsSuffix;
    line += stepline::kFieldSeparator;
    return line;
}

} // namespace

QString stopReasonText(StopReason reason) {
    switch (reason) {
    case StopReason::TooFewFields:
        return QStringLiteral("it has fewer than 13 values");
    case StopReason::NotANumber:
        return QStringLiteral("one of its values is not a whole number");
    case StopReason::TooLarge:
        return QStringLiteral("one of its values is too large");
    case StopReason::StrayCarriageReturn:
        return QStringLiteral("it holds a CR character that does not end the line");
    case StopReason::None:
        break;
    }
    return {};
}

QString proposedName(qint16 saveCounter) {
    return QStringLiteral("Sequence") + QString::number(saveCounter);
}

QByteArray encode(const SequenceTable& table, int lineCount) {
    const int rows = std::clamp(lineCount, 0, kTableRows);
    QByteArray bytes;
    bytes.reserve(rows * (kFileFields * 5 + 2));
    for (int i = 0; i < rows; ++i) {
        appendLine(bytes, std::span<const qint32, kFileFields>(table[i].data(), kFileFields));
    }
    return bytes;
}

void appendLine(QByteArray& bytes, std::span<const qint32, kDurationField + 1> values) {
    for (const qint32 value : values) {
        bytes += QByteArray::number(value);
        bytes += '\t';
    }
    bytes += "\r\n";
}

SaveResult write(QIODevice& device, const SequenceTable& table, int lineCount) {
    const QByteArray bytes = encode(table, lineCount);
    qint64 done = 0;
    while (done < bytes.size()) {
        const qint64 n = device.write(bytes.constData() + done, bytes.size() - done);
        if (n <= 0) {
            QString reason = device.errorString();
            if (reason.isEmpty() || reason == QLatin1String("Unknown error")) {
                reason = QStringLiteral("not all data could be written");
            }
            return {false, reason};
        }
        done += n;
    }
    return {true, {}};
}

SaveResult save(const QString& path, const SequenceTable& table, int lineCount) {
    const auto failed = [&path](const QString& reason) {
        return SaveResult{false, QStringLiteral("The sequence could not be saved to \"%1\": %2")
                                     .arg(nativePath(path), reason)};
    };
    QSaveFile file(path);
    // Unbuffered, so a short write shows in the write loop: a buffered save smaller than the
    // buffer can reach a full disk only at commit, which does not always report it.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        return failed(file.errorString());
    }
    const SaveResult written = write(file, table, lineCount);
    if (!written.ok) {
        file.cancelWriting();
        return failed(written.error);
    }
    if (!file.commit()) {
        return failed(file.errorString());
    }
    return {true, {}};
}

QString LoadResult::stopMessage() const {
    if (stopLine < 0) {
        return {};
    }
    QString kept;
    if (lines.isEmpty()) {
        kept = QStringLiteral("No lines were loaded.");
    } else if (lines.size() == 1) {
        kept = QStringLiteral("The line before it was loaded.");
    } else {
        kept = QStringLiteral("The %1 lines before it were loaded.").arg(lines.size());
    }
    return QStringLiteral("Loading stopped at line %1 of the file: %2. %3")
        .arg(stopLine + 1)
        .arg(stopReasonText(stopReason), kept);
}

LoadResult parse(const QByteArray& bytes, const QLocale& locale) {
    return parse(QByteArrayView(bytes), kMaxLines, locale);
}

LoadResult parse(QByteArrayView all, int maxLines, const QLocale& locale) {
    LoadResult result;
    result.readable = true;
    const ReadoutCache readouts(locale);
    // A byte-order mark, as some editors write at the start of a UTF-8 file.
    qsizetype start = all.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    while (start < all.size()) {
        if (result.lines.size() >= maxLines) {
            result.cutAtLimit = !isLineEndOrBlank(all.sliced(start));
            break;
        }
        const qsizetype newline = all.indexOf('\n', start);
        const qsizetype next = newline < 0 ? all.size() : newline + 1;
        QByteArrayView line = all.sliced(start, (newline < 0 ? all.size() : newline) - start);
        if (newline >= 0 && line.endsWith('\r')) {
            line.chop(1);
        }
        const LineCheck check = checkLine(line, locale);
        if (check.reason != StopReason::None) {
            if (check.reason == StopReason::TooFewFields && isBlank(line) &&
                isLineEndOrBlank(all.sliced(next))) {
                break;
            }
            result.stopLine = int(result.lines.size());
            result.stopReason = check.reason;
            break;
        }
        result.lines.append(loadFormLine(check, readouts));
        start = next;
    }
    return result;
}

LoadResult load(QIODevice& device, const QLocale& locale) {
    LoadResult result;
    if (!device.isOpen() && !device.open(QIODevice::ReadOnly)) {
        result.error = device.errorString();
        return result;
    }
    if (!device.isReadable()) {
        result.error = QStringLiteral("the file is not open for reading");
        return result;
    }
    QByteArray bytes;
    qsizetype lineEnds = 0;
    for (;;) {
        if (bytes.size() >= kMaxFileBytes) {
            // Past the cap only a file whose first 1024 lines are already in hand is worth
            // loading; anything else is not a sequence.
            if (lineEnds >= kMaxLines) {
                break;
            }
            result.error = QStringLiteral("the file is too large for a sequence");
            return result;
        }
        const qsizetype before = bytes.size();
        const qint64 want = std::min<qint64>(kReadChunk, kMaxFileBytes - before);
        bytes.resize(before + want);
        const qint64 n = device.read(bytes.data() + before, want);
        if (n < 0) {
            result.error = device.errorString();
            if (result.error.isEmpty()) {
                result.error = QStringLiteral("the file could not be read");
            }
            return result;
        }
        bytes.resize(before + n);
        if (n == 0) {
            break;
        }
        lineEnds += QByteArrayView(bytes).sliced(before).count('\n');
    }
    return parse(bytes, locale);
}

LoadResult load(const QString& path, const QLocale& locale) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        LoadResult result;
        result.error = QStringLiteral("\"%1\" could not be opened: %2")
                           .arg(nativePath(path), file.errorString());
        return result;
    }
    LoadResult result = load(static_cast<QIODevice&>(file), locale);
    if (!result.readable) {
        result.error =
            QStringLiteral("\"%1\" could not be read: %2").arg(nativePath(path), result.error);
    }
    return result;
}

} // namespace sequencefile
