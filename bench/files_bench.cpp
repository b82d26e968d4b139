// Save and load of a full 1024-line sequence file, beside the bare file I/O of the same bytes
// (QFile write and readAll) measured in the same run. Prints the median of each figure;
// --quick runs a few rounds only, to check that it still runs.

#include "BenchSupport.h"

#include "core/StepRecord.h"
#include "core/sequence/SequenceFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <memory>

using benchsupport::medianMs;

namespace {

int bench(bool quick) {
    const int runs = quick ? 3 : 50;

    auto table = std::make_unique<SequenceTable>();
    for (int i = 0; i < kMaxLines; ++i) {
        for (int k = 0; k < kChannelCount; ++k) {
            (*table)[i][k] = (i * 7 + k * 13) % 256;
        }
        (*table)[i][kDurationField] = 20 + (i * 37) % 100000;
    }

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bench.dat"));
    const QString rawPath = dir.filePath(QStringLiteral("raw.dat"));
    const QByteArray bytes = sequencefile::encode(*table, kMaxLines);
    bool ok = true;

    const double rawWrite = medianMs(runs, [&] {
        QFile f(rawPath);
        ok &= f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
    });
    const double rawRead = medianMs(runs, [&] {
        QFile f(rawPath);
        ok &= f.open(QIODevice::ReadOnly) && f.readAll().size() == bytes.size();
    });
    const double encode =
        medianMs(runs, [&] { ok &= !sequencefile::encode(*table, kMaxLines).isEmpty(); });
    const double save =
        medianMs(runs, [&] { ok &= sequencefile::save(path, *table, kMaxLines).ok; });
    const double parse =
        medianMs(runs, [&] { ok &= sequencefile::parse(bytes).lines.size() == kMaxLines; });
    const double load =
        medianMs(runs, [&] { ok &= sequencefile::load(path).lines.size() == kMaxLines; });

    QTextStream out(stdout);
    out << "sequence file, " << kMaxLines << " lines, " << bytes.size() << " bytes, median of "
        << runs << " runs (goal: save and load each under 20 ms)\n";
    out << QStringLiteral("  baseline QFile write        %1 ms\n").arg(rawWrite, 8, 'f', 3);
    out << QStringLiteral("  encode to bytes             %1 ms\n").arg(encode, 8, 'f', 3);
    out << QStringLiteral("  save (temporary + rename)   %1 ms\n").arg(save, 8, 'f', 3);
    out << QStringLiteral("  baseline QFile readAll      %1 ms\n").arg(rawRead, 8, 'f', 3);
    out << QStringLiteral("  parse bytes to list lines   %1 ms\n").arg(parse, 8, 'f', 3);
    out << QStringLiteral("  load (read + parse)         %1 ms\n").arg(load, 8, 'f', 3);
    if (!ok) {
        out << "FAILED: a save or load did not complete\n";
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    return benchsupport::benchMain(
        argc, argv, "files_bench", {QStringLiteral("--quick")},
        [](const QStringList& args) { return bench(args.contains(QStringLiteral("--quick"))); });
}
