#pragma once

#include "core/StepRecord.h"

#include <QLocale>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <QtGlobal>

#include <array>
#include <optional>

// The text of one line of the step list: the forms the panel writes and the one reader that
// reads them all back into numbers. Degree and duration texts use the locale's decimal
// separator, and the reader expects the same separator.
namespace stepline {

// Twelve positions in board units, then the duration in ms.
using StepValues = std::array<qint32, kChannelCount + 1>;

inline const QString kFieldSeparator = QStringLiteral("\t");
inline const QString kMsSuffix = QStringLiteral(" ms");
inline const QString kLoadMsSuffix = QStringLiteral("  ms");
inline const QString kBreakMark = QStringLiteral("\tBREAK!");
inline const QString kStepLabelPrefix = QStringLiteral("Step N\u00B0 ");
inline const QString kStepLabelInitial = QStringLiteral("Step N\u00B0 ...");

// Shortest decimal text of a duration (20, 20.5, never an exponent).
QString durationText(double durationMs, const QLocale& locale = QLocale());

// Add form: each readout as it stands (it already ends in " °") and a TAB, then the duration
// and " ms", no trailing TAB. With readouts built from numbertext::halfSteps it is also the
// line an interpolation writes.
QString addForm(const std::array<QString, kChannelCount>& degreeReadouts, double durationMs,
                const QLocale& locale = QLocale());

// Read-back form: degree readouts of the record's positions, then DurationMs, " ms" and a TAB.
QString readBackForm(const StepRecord& step, const QLocale& locale = QLocale());

// Load form from the TAB-separated fields of a file line: degree readouts of fields 0..11
// (whole numbers), then field 12 exactly as read, "  ms" and a TAB; fields after the
// thirteenth are dropped. nullopt when the fields do not make a line the reader can read.
std::optional<QString> loadForm(const QStringList& fileFields, const QLocale& locale = QLocale());

// The breakpoint mark sits at the very end of a line; removal takes every occurrence.
QString withBreakMark(const QString& line);
QString withoutBreakMarks(const QString& line);
bool hasBreakMark(const QString& line);

// A position field's number in degrees (" °" removed) and a duration field's number in ms
// (" ms" removed, spaces around it ignored), as written in the locale.
std::optional<double> readDegreeField(QStringView field, const QLocale& locale = QLocale());
std::optional<double> readDurationField(QStringView field, const QLocale& locale = QLocale());

// Positions floor(2 * degrees + 128), the duration rounded half to even. nullopt when the
// line has fewer than thirteen fields, a field is not a number, or a value does not fit
// 32 bits. Fields after the thirteenth (a trailing TAB, the breakpoint mark) are ignored.
std::optional<StepValues> ParseStepLine(const QString& line, const QLocale& locale = QLocale());

// "Step N° " and the 0-based index (-1 when nothing is selected).
QString stepLabel(int index);

} // namespace stepline
