#pragma once

#include <QLocale>
#include <QString>

#include <optional>

// Numbers as the user reads them: the decimal separator of the user's number format, never
// digit grouping, no plus sign.
namespace numbertext {

// Shortest decimal text of a number that is a whole or a half (22.5, -64, 0).
QString halfSteps(double value, const QLocale& locale = QLocale());

// Degree text of a board position b: (b - 128) / 2 in its shortest form.
QString degreeText(int position, const QLocale& locale = QLocale());

// What an angle box and a list position field show: degree text, a blank and the degree sign.
QString degreeReadout(int position, const QLocale& locale = QLocale());

inline const QString kDegreeSuffix = QStringLiteral(" \u00B0");

// Reads a decimal number written with the locale's separator; spaces around it are ignored.
// Empty text, garbage and non-finite values give nullopt.
std::optional<double> parse(const QString& text, const QLocale& locale = QLocale());

} // namespace numbertext
