// Feeds arbitrary lines and settings to the interpolation: it must not crash, and a block it
// makes must fit the list and be lines the list reader reads.
#include "FuzzCheck.h"

#include "core/interp/Interpolation.h"
#include "core/sequence/StepLine.h"

#include <QByteArray>
#include <QLocale>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <cstring>

// Input: the count as 8 bytes of a double, one byte of direction and locale, one byte of
// selected index, then the list lines separated by LF.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 10) {
        return 0;
    }
    double count = 0;
    std::memcpy(&count, data, sizeof count);
    const std::uint8_t mode = data[8];
    const int selected = int(data[9]) - 2;
    const auto direction = static_cast<interpolation::Direction>(mode % 3);
    const QLocale locale = (mode & 4) ? QLocale(QLocale::German) : QLocale::c();
    const QStringList lines =
        QString::fromUtf8(reinterpret_cast<const char*>(data) + 10, qsizetype(size - 10))
            .split(QLatin1Char('\n'));

    const interpolation::Result r =
        interpolation::interpolate(lines, selected, direction, count, locale);
    if (r.outcome != interpolation::Outcome::Done) {
        check(r.newLines.isEmpty() && r.sourceIndex == -1);
        return 0;
    }
    check(r.messageText.isEmpty());
    check(r.sourceIndex >= 0 && r.sourceIndex + 1 < lines.size());
    check(r.newLines.size() >= 2);
    check(lines.size() - 1 + r.newLines.size() <= kMaxLines);
    for (const QString& line : r.newLines) {
        check(stepline::ParseStepLine(line, locale).has_value());
    }
    return 0;
}
