// Interpolation of one step into N = 1000 (the count field's maximum) beside building the same
// number of Add-form lines straight from numbers, measured in the same run; also the whole
// OK press with the block put into a 24-line list. Prints medians; --quick runs a few rounds.

#include "BenchSupport.h"

#include "core/NumberText.h"
#include "core/interp/Interpolation.h"
#include "core/sequence/SequenceEditor.h"
#include "core/sequence/SequenceList.h"
#include "core/sequence/StepLine.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>

#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

using benchsupport::medianMs;

namespace {

constexpr int kSteps = 1000;

QString lineFor(int i, double ms) {
    std::array<QString, kChannelCount> readouts;
    for (int k = 0; k < kChannelCount; ++k) {
        readouts[k] = numbertext::degreeReadout((i * 7 + k * 13) % 256);
    }
    return stepline::addForm(readouts, ms);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const bool quick = app.arguments().contains(QStringLiteral("--quick"));
    const int runs = quick ? 3 : 50;
    bool ok = true;

    const QStringList pair{lineFor(1, 1000000), lineFor(200, 500)};
    const double baseline = medianMs(runs, [&] {
        QStringList lines;
        lines.reserve(kSteps);
        for (int i = 0; i < kSteps; ++i) {
            lines.append(lineFor(i, 1000));
        }
        ok &= lines.size() == kSteps;
    });
    const double compute = medianMs(runs, [&] {
        const auto r = interpolation::interpolate(pair, 0, interpolation::Direction::Next, kSteps);
        ok &= r.newLines.size() == kSteps;
    });

    QStringList list;
    for (int i = 0; i < 24; ++i) {
        list.append(lineFor(i, 1000000));
    }
    const double whole = medianMs(runs, [&] {
        SequenceList model;
        SequenceEditor editor(model);
        editor.replaceAll(list);
        const auto r =
            interpolation::interpolate(model.lines(), 10, interpolation::Direction::Next, kSteps);
        ok &= editor.replaceLineWith(r.sourceIndex, r.newLines) == EditOutcome::Done;
        ok &= model.count() == 24 - 1 + kSteps;
    });
    const double setup = medianMs(runs, [&] {
        SequenceList model;
        SequenceEditor editor(model);
        editor.replaceAll(list);
        ok &= model.count() == 24;
    });

    QTextStream out(stdout);
    out << "interpolation, N = " << kSteps << ", median of " << runs
        << " runs (goal: under 20 ms)\n";
    out << QStringLiteral("  baseline: %1 Add-form lines    %2 ms\n")
               .arg(kSteps)
               .arg(baseline, 8, 'f', 3);
    out << QStringLiteral("  interpolate                    %1 ms\n").arg(compute, 8, 'f', 3);
    out << QStringLiteral("  24-line list set up            %1 ms\n").arg(setup, 8, 'f', 3);
    out << QStringLiteral("  set up + interpolate + apply   %1 ms\n").arg(whole, 8, 'f', 3);
    if (!ok) {
        out << "FAILED: a run did not give the expected lines\n";
        return 1;
    }
    return 0;
}
