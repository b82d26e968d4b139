#pragma once

#include "core/StepRecord.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <span>

class QIODevice;

// The sequence file: one line per step of thirteen TAB-terminated integers (twelve positions in
// board units, then the duration in ms) ending in CR LF. Saving writes the table's numbers;
// loading gives the list lines of the Load form, which the editor then puts in place.
namespace sequencefile {

// File dialog settings, shared by Save Buffer and Load Buffer. The filter uses the
// "Description|pattern|..." pairs of the file question; "Text Files(*.txt)" has no blank on
// purpose.
inline const QString kFilter = QStringLiteral("Data Files (*.dat)|*.dat|Text Files"
                                              "(*.txt)|*.txt|All Files (*.*)|*.*");
constexpr int kSelectedFilter = 1; // data files
inline const QString kSaveDefaultExtension = QStringLiteral(".dat");
constexpr bool kLoadHideReadOnly = true;

inline const QString kSaveTitle = QStringLiteral("Save");
inline const QString kSavedText = QStringLiteral("Data Saved!");
inline const QString kLoadTitle = QStringLiteral("Load");
inline const QString kLoadedText = QStringLiteral("Data Loaded!");

// "Sequence" and the save counter, the name the save dialog proposes.
QString proposedName(qint16 saveCounter);

// The exact bytes of rows 0..lineCount-1 (lineCount is clamped to the table).
QByteArray encode(const SequenceTable& table, int lineCount);
// One line of the file: the twelve positions and the duration, each and a TAB, then CR LF.
void appendLine(QByteArray& bytes, std::span<const qint32, kDurationField + 1> values);

struct SaveResult {
    bool ok = false;
    QString error; // why it failed, for the user; empty on success
};

// Writes the bytes to an open device; fails when the device takes fewer bytes than given.
SaveResult write(QIODevice& device, const SequenceTable& table, int lineCount);

// Writes to a temporary file beside the target and renames it over the target only when all
// bytes are on disk, so a failed save leaves an existing file as it was.
SaveResult save(const QString& path, const SequenceTable& table, int lineCount);

enum class StopReason {
    None,
    TooFewFields,        // fewer than thirteen fields, a blank line among them
    NotANumber,          // a position is not a decimal integer, or the duration not a number
    TooLarge,            // an integer that does not fit the table's 32 bits
    StrayCarriageReturn, // a CR that is not followed by LF: not a line end we read
};

struct LoadResult {
    // False when the file could not be opened or read; the list must then stay as it was.
    bool readable = false;
    QString error;

    // Load-form list lines, at most 1024, in file order.
    QStringList lines;

    // The line that ended the load (0-based in the file), or -1 when the file was read to its
    // end or to the 1024-line cut. The lines before it are in `lines`.
    int stopLine = -1;
    StopReason stopReason = StopReason::None;

    // The file held lines after the 1024th; they are not read.
    bool cutAtLimit = false;

    // What to tell the user about the line that ended the load; empty when none did.
    QString stopMessage() const;
};

constexpr qint64 kMaxFileBytes = 64 * 1024 * 1024;

// Reads the file whole before anything is built, so a read error leaves nothing half done.
LoadResult load(QIODevice& device, const QLocale& locale = QLocale());
LoadResult load(const QString& path, const QLocale& locale = QLocale());

// The loader's rules over bytes already read. Blank lines at the very end of the file are the
// end of the file, not a line that ends the load: nothing after them is lost.
LoadResult parse(const QByteArray& bytes, const QLocale& locale = QLocale());
// The same rules with another cut: at most maxLines lines are read.
LoadResult parse(QByteArrayView bytes, int maxLines, const QLocale& locale = QLocale());

// Why a line could not be read, as a clause ("it has fewer than 13 values"); empty for None.
QString stopReasonText(StopReason reason);

} // namespace sequencefile
