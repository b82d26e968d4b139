#include "BenchSupport.h"
#include "WindowBenchMain.h"
#include "support/FormRig.h"

#include "core/sequence/StepLine.h"
#include "ui/playback/PlaybackController.h"
#include "board/HiResTimer.h"
#include "ui/shell/SwitchControl.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <functional>
#include <vector>

// Plays a sequence of equal steps through the real window: "PC Emu" on, each tick run by the
// playback controller, each burst timed as it reaches the serial device. The same sequence is
// then played by the same handler under a plain re-armed QTimer, as a baseline in the same run.
// timer_bench gives the bare clocks without the window's work.

namespace {
constexpr int kStepMs = 30; // above a burst's wire time (27.5 ms), so the line never holds a step back
constexpr int kFullSteps = 500;
constexpr int kQuickSteps = 100;
constexpr double kNsPerMs = 1e6;

struct Run {
    std::vector<qint64> burstsNs; // since playback was switched on, burst k at index k - 1
    qint64 wallNs = 0;
    qint64 cpuNs = 0;
};

// One more line than steps, so every burst is a different line and none wraps.
void loadSequence(FormRig& rig, int steps) {
    QStringList lines;
    for (int k = 0; k <= steps; ++k) {
        StepRecord step{};
        for (int c = 0; c < kChannelCount; ++c) {
            step[size_t(c)] = (k + c) % 256;
        }
        step[kDurationField] = kStepMs;
        lines << stepline::readBackForm(step);
    }
    rig.form->panel().editor().replaceAll(lines);
}

// `drive` chooses the clock: it is called once playback is on, with the HiResTimer running.
Run play(int steps, const std::function<void(FormRig&)>& drive) {
    FormRig rig;
    loadSequence(rig, steps);
    Run run;
    run.burstsNs.reserve(size_t(steps));
    QEventLoop loop;
    QElapsedTimer clock;
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, &loop, &QEventLoop::quit);
    guard.start(steps * kStepMs * 5 + 5000);
    rig.port->onWrite = [&](const QByteArray& bytes) {
        if (bytes.size() != 2 * kChannelCount || int(run.burstsNs.size()) >= steps) {
            return;
        }
        run.burstsNs.push_back(clock.nsecsElapsed());
        if (int(run.burstsNs.size()) == steps) {
            rig.form->panel().clock().setEnabled(false);
            loop.quit();
        }
    };

    const qint64 cpuStart = qint64(benchsupport::cpuSeconds() * 1e9);
    clock.start();
    rig.form->pcEmuFrame().pcEmuSwitch->setValue(true);
    drive(rig);
    loop.exec();
    run.wallNs = clock.nsecsElapsed();
    run.cpuNs = qint64(benchsupport::cpuSeconds() * 1e9) - cpuStart;
    rig.port->onWrite = nullptr;
    return run;
}

Run playWithHiResTimer(int steps) {
    return play(steps, [](FormRig&) {});
}

// The same tick handler, re-armed after each tick with the interval that tick set.
Run playWithPlainQTimer(int steps) {
    return play(steps, [](FormRig& rig) {
        rig.form->panel().clock().setEnabled(false);
        auto* timer = new QTimer(rig.form.get()); // goes with the window
        timer->setSingleShot(true);
        QObject::connect(timer, &QTimer::timeout, [timer, &rig] {
            rig.form->playbackController().clockTick();
            timer->start(rig.form->panel().clock().interval());
        });
        timer->start(rig.form->panel().clock().interval());
    });
}

void printRow(const char* name, const Run& run, int steps) {
    std::vector<double> lateMs;
    for (size_t i = 0; i < run.burstsNs.size(); ++i) {
        lateMs.push_back(double(run.burstsNs[i] - qint64(i + 1) * kStepMs * 1'000'000) / kNsPerMs);
    }
    const double endMs = double(run.burstsNs.back()) / kNsPerMs;
    const double driftMs = endMs - double(steps) * kStepMs;
    std::printf("%-22s %10.3f %+10.3f %+9.2f %9.3f %9.3f %9.3f %7.2f\n", name, endMs, driftMs,
                driftMs * 100.0 / steps, benchsupport::percentile(lateMs, 0.5), benchsupport::percentile(lateMs, 0.99),
                *std::max_element(lateMs.begin(), lateMs.end()),
                100.0 * double(run.cpuNs) / double(run.wallNs));
}

int bench(bool quick) {
    const int steps = quick ? kQuickSteps : kFullSteps;

    std::printf("playback_bench: \"PC Emu\" over %d steps of %d ms, ideal end %d ms\n", steps,
                kStepMs, steps * kStepMs);
    std::fflush(stdout);
    const Run hiRes = playWithHiResTimer(steps);
    const Run plain = playWithPlainQTimer(steps);
    if (int(hiRes.burstsNs.size()) < steps || int(plain.burstsNs.size()) < steps) {
        std::fprintf(stderr, "playback_bench: a run did not finish (%zu and %zu of %d bursts)\n",
                     hiRes.burstsNs.size(), plain.burstsNs.size(), steps);
        return 1;
    }

    std::printf("lateness of burst k on the line against the ideal k x %d ms\n", kStepMs);
    std::printf("%-22s %10s %10s %9s %9s %9s %9s %7s\n", "clock", "end ms", "drift ms", "drift/100",
                "late p50", "late p99", "late max", "cpu %");
    printRow("HiResTimer (window)", hiRes, steps);
    printRow("QTimer re-armed", plain, steps);
    return 0;
}
} // namespace

int main(int argc, char** argv) {
    return benchsupport::windowBenchMain(
        argc, argv, "playback_bench", {QStringLiteral("--quick")},
        [](const QStringList& args) { return bench(args.contains(QStringLiteral("--quick"))); });
}
