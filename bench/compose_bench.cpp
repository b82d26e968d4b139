// Paste of 1000 lines into a 24-line list and the editor's part of its undo (restoring the
// sequence from before), beside loading the same lines with the file loader, measured in the
// same run. Also the copy of the 1000 lines and the snapshot the history takes before and
// after a command. Prints medians; --quick runs a few rounds only.

#include "BenchLines.h"
#include "BenchSupport.h"

#include "core/sequence/SequenceEditor.h"
#include "core/sequence/SequenceFile.h"
#include "core/sequence/SequenceList.h"
#include "core/sequence/StepClipboard.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>

#include <functional>
#include <memory>
#include <numeric>
#include <vector>

namespace {

constexpr int kPasted = 1000;
constexpr int kListed = kMaxLines - kPasted;

// The median of work, with prepare run untimed before each round.
double medianMs(int runs, const std::function<void()>& prepare, const std::function<void()>& work) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        prepare();
        QElapsedTimer timer;
        timer.start();
        work();
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    return benchsupport::median(std::move(times));
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const bool quick = app.arguments().contains(QStringLiteral("--quick"));
    const int runs = quick ? 3 : 50;
    bool ok = true;

    SequenceList list;
    SequenceEditor editor(list);
    const QStringList start = benchsupport::linesFor(kListed);

    // The clipboard text of 1000 lines, copied from a list that holds them.
    ok &= editor.replaceAll(benchsupport::linesFor(kPasted, 1)) == EditOutcome::Done;
    QList<int> all(kPasted);
    std::iota(all.begin(), all.end(), 0);
    QString text;
    const double copy = medianMs(
        runs, [] {}, [&] { text = stepclipboard::text(list, all); });
    const QByteArray bytes = text.toLatin1();

    const auto fresh = [&] {
        ok &= editor.replaceAll(start) == EditOutcome::Done && list.setSelectedIndex(kListed / 2);
    };
    const double load = medianMs(runs, fresh, [&] {
        const sequencefile::LoadResult loaded = sequencefile::parse(bytes);
        ok &= editor.replaceAll(loaded.lines) == EditOutcome::Done;
    });
    const double read =
        medianMs(runs, fresh, [&] { ok &= stepclipboard::read(text).lines.size() == kPasted; });
    const double paste = medianMs(runs, fresh, [&] {
        const stepclipboard::Reading reading = stepclipboard::read(text);
        ok &= !stepclipboard::overflows(reading.lines.size(), list.count());
        ok &= editor.insertAfter(list.selectedIndex(), reading.lines) == EditOutcome::Done;
    });
    const double snapshot = medianMs(runs, fresh, [&] { ok &= editor.snapshot().selected >= 0; });
    SequenceSnapshot before;
    const double undo = medianMs(
        runs,
        [&] {
            fresh();
            before = editor.snapshot();
            ok &= editor.insertAfter(list.selectedIndex(), stepclipboard::read(text).lines) ==
                  EditOutcome::Done;
        },
        [&] { ok &= editor.restore(before) && list.count() == kListed; });

    QTextStream out(stdout);
    out << kPasted << " lines pasted into a list of " << kListed << ", median of " << runs
        << " runs (goal: paste and its undo each under 50 ms)\n";
    out << QStringLiteral("  baseline: load the same text   %1 ms\n").arg(load, 8, 'f', 3);
    out << QStringLiteral("  copy: lines to clipboard text  %1 ms\n").arg(copy, 8, 'f', 3);
    out << QStringLiteral("  read the clipboard text        %1 ms\n").arg(read, 8, 'f', 3);
    out << QStringLiteral("  paste: read and insert         %1 ms\n").arg(paste, 8, 'f', 3);
    out << QStringLiteral("  snapshot (history, each side)  %1 ms\n").arg(snapshot, 8, 'f', 3);
    out << QStringLiteral("  undo: restore the sequence     %1 ms\n").arg(undo, 8, 'f', 3);
    out << "  (the editor only: no list view attached, no history around it)\n";
    if (!ok) {
        out << "FAILED: an edit did not complete\n";
        return 1;
    }
    return 0;
}
