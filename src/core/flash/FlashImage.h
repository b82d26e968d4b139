#pragma once

#include "core/StepRecord.h"

#include <QLocale>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <optional>

// The board's flash image: 14 bytes a step, twelve positions and the duration as a 16-bit
// count of 20 ms units, high byte first. Packing it from the step table, the wire order of its
// bytes, and reading an image back into table rows and list lines.
namespace flashimage {

constexpr qint32 kDurationUnitMs = 20;
constexpr qint32 kMaxDurationMs = 65535 * kDurationUnitMs; // 1310700
constexpr qint32 kPositionMax = 255;

// DurationMs / 20 to the nearest whole number, halves to the even neighbour. The duration
// must be storable (0..kMaxDurationMs).
quint16 durationUnits(qint32 durationMs);

// Why a step cannot be stored: the first field of it that does not fit the layout.
struct Unstorable {
    enum class Field { Position, Duration };
    int step = 0;
    Field field = Field::Position;
    int channel = 0; // for a position
    qint32 value = 0;
};

// The first of rows 0..lines - 1 that does not fit the 14-byte layout, if any.
std::optional<Unstorable> findUnstorable(const SequenceTable& table, int lines);
// The message that tells the user which step stops programming, and why.
QString unstorableMessage(const Unstorable& bad);

FlashStep packStep(const StepRecord& step);
// Rows 0..lines - 1 into the image; rows at or beyond lines stay as they are. Every row
// packed must be storable.
void packImage(const SequenceTable& table, int lines, FlashImageTable& image);

// Bytes on the wire for this many steps.
constexpr qint32 byteCount(int lines) { return lines * kFlashStepBytes; }
// Image byte i in wire order: step i div 14, byte i mod 14.
inline quint8 wireByte(const FlashImageTable& image, int i) {
    return image[i / kFlashStepBytes][i % kFlashStepBytes];
}
// The board acknowledges after every block of 256 image bytes, the last one included.
constexpr bool blockEnds(int bytesSent) { return bytesSent > 0 && bytesSent % 256 == 0; }
// The progress is shown on every d-th byte only, one more for every further hundred steps.
constexpr int progressDivisor(int lines) { return lines > 0 ? (lines - 1) / 100 + 1 : 1; }

// Whole steps in a read of this many bytes (the bytes of a last partial step are ignored).
int readRows(qint32 flashByteCount);
// Positions and duration of a stored step into a table row; the breakpoint flag stays.
void decodeStep(const FlashStep& stored, StepRecord& row);
// Rows 0..rows - 1 of the image into the table, and their read-back list lines.
QStringList decodeImage(const FlashImageTable& image, int rows, SequenceTable& table,
                        const QLocale& locale = QLocale());

// What a read of the flash brought back: the count the board announced (before any cap), the
// image bytes stored, and whether the read ended by itself with every byte it waited for.
struct ReadBack {
    qint32 announced = 0;
    qint32 bytes = 0;
    bool complete = false;
};

// How the board's flash compares with what programming would write for the list: step by
// step, on the stored bytes, so a duration that programming rounds to the stored one agrees.
// Only a complete read of exactly the list's bytes can hold it.
struct Comparison {
    int listSteps = 0;
    int flashSteps = 0;
    int differing = 0;  // steps whose bytes differ, and steps that only one side has
    int firstStep = -1; // -1: every whole step agrees
    int firstByte = -1; // 0..11 a channel's position, 12 the duration; -1 a step one side lacks
    FlashStep flash{};  // the first differing step as stored, and as the list has it
    StepRecord list{};
    bool complete = true;
    qint32 flashBytes = 0; // as the board announced them
    qint32 listBytes = 0;

    bool holds() const { return complete && firstStep < 0 && flashBytes == listBytes; }
};

// Rows 0..lines - 1 of the table, which must be storable, against the whole steps of the read.
Comparison compareImage(const SequenceTable& table, int lines, const FlashImageTable& image,
                        const ReadBack& read);
// "The board's flash holds this list (N steps).", the first difference and how many, or why
// the read cannot tell. A channel goes by its label when given ("Ch3 (elbow)"), else "Ch3".
QString comparisonMessage(const Comparison& comparison, const QLocale& locale = QLocale(),
                          const QStringList& channelLabels = {});

} // namespace flashimage
