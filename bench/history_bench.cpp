// What the edit history costs on a shown window with a full list of 1024 lines: a command with
// its step recorded beside the same edit made on the editor alone, an undo beside a Load's
// replacement of the whole list, and a command once the 64 MiB bound drops the oldest step
// beside one below it; a paste of 1000 lines through Edit into a list of 24 and its undo, beside
// the same Load replacement. --quick runs a few rounds.

#include "BenchLines.h"
#include "BenchSupport.h"
#include "WindowBenchMain.h"

#include "support/FormRig.h"
#include "ui/panel/SequenceHistory.h"

#include "core/sequence/StepClipboard.h"

#include <QClipboard>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPushButton>
#include <QTextStream>

namespace {

void settle() {
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents();
}

int bench(bool quick) {
    const int runs = quick ? 5 : 200;
    QTextStream out(stdout);

    FormRig rig(false);
    MainWindow& f = *rig.form;
    f.resize(1200, 800);
    f.show();
    const QStringList lines = benchsupport::linesFor(kMaxLines);
    f.panel().editor().replaceAll(lines);
    f.panel().list().setSelectedIndex(kMaxLines / 2);
    settle();
    const auto ms = [&](const std::function<void()>& work) {
        return benchsupport::medianMs(runs, [&] {
            work();
            settle();
        });
    };

    const double toggleAlone = ms([&] { f.panel().editor().toggleBreak(); });
    const double toggleRecorded = ms([&] { f.pcEmuFrame().breakButton->click(); });
    const double undoToggle = ms([&] { f.menus().undoAction->trigger(); });

    const double replaceAll = ms([&] { f.panel().editor().replaceAll(lines); });
    f.panel().list().setSelectedIndex(kMaxLines / 2);
    f.bufferEditFrame().removeButton->click();
    const double undoRemove = benchsupport::medianMs(runs,
                                                     [&] {
                                                         f.menus().undoAction->trigger();
                                                         settle();
                                                         f.menus().redoAction->trigger();
                                                         settle();
                                                     }) /
                              2;

    // Fill the history up to the byte bound with whole-list steps.
    f.panel().editor().replaceAll(lines);
    f.panel().list().setSelectedIndex(kMaxLines / 2);
    const double belowBound = ms([&] { f.pcEmuFrame().breakButton->click(); });
    const SequenceHistory& history = f.panel().history();
    int pushes = 0;
    while (history.bytes() + history.bytes() / qMax(1, history.stack().count()) <=
               SequenceHistory::kByteLimit &&
           history.stack().count() < SequenceHistory::kStepLimit) {
        f.pcEmuFrame().breakButton->click();
        ++pushes;
    }
    const double atBound = ms([&] { f.pcEmuFrame().breakButton->click(); });

    // Paste 1000 lines after line 12 of 24, then take the paste back; each timed alone.
    f.panel().editor().replaceAll(benchsupport::linesFor(kMaxLines - 1000));
    f.panel().list().setSelectedIndex(12);
    QGuiApplication::clipboard()->setText(
        stepclipboard::text(f.panel().list(), {0}).repeated(1000));
    std::vector<double> pastes;
    std::vector<double> undoes;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        f.menus().pasteAction->trigger();
        settle();
        pastes.push_back(double(timer.nsecsElapsed()) / 1e6);
        timer.start();
        f.menus().undoAction->trigger();
        settle();
        undoes.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    const bool pasted = f.panel().list().count() == kMaxLines - 1000;

    out << "Edit history, shown window, 1024 lines, median ms of " << runs << " runs\n";
    out << QString::asprintf("%-46s %9.3f\n", "Set/Reset Break, editor alone (baseline)",
                             toggleAlone);
    out << QString::asprintf("%-46s %9.3f\n", "Set/Reset Break, step recorded", toggleRecorded);
    out << QString::asprintf("%-46s %9.3f\n", "Undo of Set/Reset Break (lines patched)",
                             undoToggle);
    out << QString::asprintf("%-46s %9.3f\n", "Load's replaceAll of 1024 lines (baseline)",
                             replaceAll);
    out << QString::asprintf("%-46s %9.3f\n", "Undo or redo of Remove (list replaced)", undoRemove);
    out << QString::asprintf("%-46s %9.3f\n", "A step below the byte bound", belowBound);
    out << QString::asprintf("%-46s %9.3f\n", "A step at the byte bound (oldest dropped)", atBound);
    out << QString::asprintf("%-46s %9d\n", "Whole-list steps kept at 64 MiB",
                             history.stack().count());
    out << QString::asprintf("%-46s %9.1f\n", "KiB counted per step",
                             double(history.bytes()) / history.stack().count() / 1024.0);
    out << QString::asprintf("%-46s %9.3f\n", "Paste of 1000 lines into 24 (goal < 50)",
                             benchsupport::median(std::move(pastes)));
    out << QString::asprintf("%-46s %9.3f\n", "Undo of that paste (goal < 50)",
                             benchsupport::median(std::move(undoes)));
    out.flush();
    return pasted ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    return benchsupport::windowBenchMain(
        argc, argv, "history_bench", {QStringLiteral("--quick")},
        [](const QStringList& args) { return bench(args.contains(QStringLiteral("--quick"))); });
}
