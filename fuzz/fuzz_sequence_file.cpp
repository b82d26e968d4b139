// Feeds arbitrary bytes to the sequence file loader: it must not crash, and whatever it keeps
// must be lines the list reader reads, which save and load back to the same numbers.
#include "FuzzCheck.h"

#include "core/sequence/SequenceFile.h"
#include "core/sequence/StepLine.h"

#include <QBuffer>
#include <QByteArray>
#include <QLocale>

#include <cstddef>
#include <cstdint>
#include <memory>

namespace {

void loadWith(const QByteArray& bytes, const QLocale& locale) {
    const sequencefile::LoadResult loaded = sequencefile::parse(bytes, locale);
    check(loaded.readable);
    check(loaded.lines.size() <= kMaxLines);
    check((loaded.stopLine < 0) == (loaded.stopReason == sequencefile::StopReason::None));
    check(loaded.stopLine < 0 || loaded.stopLine == loaded.lines.size());
    check(!(loaded.cutAtLimit && loaded.stopLine >= 0));
    check(loaded.stopMessage().isEmpty() == (loaded.stopLine < 0));

    auto table = std::make_unique<SequenceTable>();
    for (qsizetype i = 0; i < loaded.lines.size(); ++i) {
        const auto values = stepline::ParseStepLine(loaded.lines[i], locale);
        check(values.has_value());
        std::copy(values->begin(), values->end(), (*table)[i].begin());
    }
    const int count = int(loaded.lines.size());
    const sequencefile::LoadResult again =
        sequencefile::parse(sequencefile::encode(*table, count), locale);
    check(again.lines.size() == count && again.stopLine < 0);
    for (int i = 0; i < count; ++i) {
        const auto values = stepline::ParseStepLine(again.lines[i], locale);
        check(values.has_value());
        check(std::equal(values->begin(), values->end(), (*table)[i].begin()));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    loadWith(bytes, QLocale::c());
    loadWith(bytes, QLocale(QLocale::German));

    QBuffer buffer(&bytes);
    const sequencefile::LoadResult viaDevice = sequencefile::load(buffer, QLocale::c());
    check(viaDevice.readable);
    check(viaDevice.lines == sequencefile::parse(bytes, QLocale::c()).lines);
    return 0;
}
