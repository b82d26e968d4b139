// Feeds arbitrary text to the clipboard reader: it must not crash, it reads all lines or none,
// and what it reads are lines the list takes, which copy and read back to the same numbers.
#include "FuzzCheck.h"

#include "core/sequence/SequenceList.h"
#include "core/sequence/StepClipboard.h"
#include "core/sequence/StepLine.h"

#include <QByteArray>
#include <QLocale>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <numeric>

namespace {

void readWith(const QString& text, const QLocale& locale) {
    const stepclipboard::Reading reading = stepclipboard::read(text, locale);
    check(reading.error.isEmpty() || reading.lines.isEmpty());
    check(reading.lines.size() <= kMaxLines + 1);
    if (reading.lines.isEmpty() || stepclipboard::overflows(reading.lines.size(), 0)) {
        return;
    }
    QLocale::setDefault(locale); // the list reads its lines in the default locale
    SequenceList list;
    check(list.setLines(reading.lines));
    QList<int> rows(reading.lines.size());
    std::iota(rows.begin(), rows.end(), 0);
    const stepclipboard::Reading again =
        stepclipboard::read(stepclipboard::text(list, rows), locale);
    check(again.error.isEmpty() && again.lines.size() == reading.lines.size());
    for (qsizetype i = 0; i < again.lines.size(); ++i) {
        check(stepline::ParseStepLine(again.lines[i], locale) == list.values(int(i)));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    readWith(QString::fromUtf8(bytes), QLocale::c());
    readWith(QString::fromLatin1(bytes), QLocale(QLocale::German));
    return 0;
}
