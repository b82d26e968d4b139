// Feeds arbitrary text to the list line reader: it must not crash, and a line it reads must
// give the same numbers when written in the read-back form and read again.
#include "FuzzCheck.h"

#include "core/sequence/StepLine.h"

#include <QLocale>
#include <QString>

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace {

void readWith(const QString& line, const QLocale& locale) {
    const auto values = stepline::ParseStepLine(line, locale);
    check(stepline::ParseStepLine(stepline::withBreakMark(line), locale) == values);
    if (!values) {
        return;
    }
    StepRecord step{};
    std::copy(values->begin(), values->end(), step.begin());
    const auto again = stepline::ParseStepLine(stepline::readBackForm(step, locale), locale);
    check(again == values);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const char* text = reinterpret_cast<const char*>(data);
    const QLocale german(QLocale::German);
    const QString utf8 = QString::fromUtf8(text, qsizetype(size));
    const QString latin1 = QString::fromLatin1(text, qsizetype(size));
    readWith(utf8, QLocale::c());
    readWith(utf8, german);
    readWith(latin1, QLocale::c());
    readWith(latin1, german);
    return 0;
}
