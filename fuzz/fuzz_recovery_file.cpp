// Feeds arbitrary bytes to the recovery file reader: it must not crash, it must keep the lines
// the sequence loader keeps and mark only those, and the steps it gives must write and read back
// to the same lines.
#include "FuzzCheck.h"

#include "core/files/RecoveryFile.h"
#include "core/sequence/SequenceFile.h"
#include "core/sequence/StepLine.h"

#include <QByteArray>
#include <QLocale>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

void readWith(const QByteArray& bytes, const QLocale& locale) {
    const recoveryfile::Contents read = recoveryfile::parse(bytes, locale);
    const QStringList plain = sequencefile::parse(bytes, locale).lines;
    check(read.lines.size() == plain.size());
    check(read.error.isEmpty() || !read.complete);
    std::vector<StepRecord> steps;
    for (qsizetype i = 0; i < read.lines.size(); ++i) {
        check(stepline::withoutBreakMarks(read.lines[i]) == plain[i]);
        const auto values = stepline::ParseStepLine(read.lines[i], locale);
        check(values.has_value());
        StepRecord step{};
        std::copy(values->begin(), values->end(), step.begin());
        step[kBreakField] = stepline::hasBreakMark(read.lines[i]) ? 1 : 0;
        steps.push_back(step);
    }
    const recoveryfile::Contents again = recoveryfile::parse(recoveryfile::encode(steps), locale);
    check(again.complete && again.lines.size() == read.lines.size());
    for (qsizetype i = 0; i < again.lines.size(); ++i) {
        check(stepline::hasBreakMark(again.lines[i]) == bool(steps[i][kBreakField]));
        const auto values = stepline::ParseStepLine(again.lines[i], locale);
        check(values.has_value() && std::equal(values->begin(), values->end(), steps[i].begin()));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    readWith(bytes, QLocale::c());
    readWith(bytes, QLocale(QLocale::German));
    return 0;
}
