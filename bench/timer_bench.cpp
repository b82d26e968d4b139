#include "BenchSupport.h"

#include "board/HiResTimer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QStringList>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <functional>
#include <vector>

// Plays a run of equal steps through the playback clock and, in the same process, through a plain
// QTimer re-armed in each tick, and prints how late the ticks come and how far the end drifts.

namespace {
constexpr int kStepMs = 20;
constexpr int kFullSteps = 500;
constexpr int kQuickSteps = 100;
constexpr double kNsPerMs = 1e6;

struct Run {
    std::vector<qint64> ticksNs; // since the clock was started, tick k at index k - 1
    qint64 wallNs = 0;
    qint64 cpuNs = 0;
};

// Runs the event loop until `steps` ticks were logged or a generous guard runs out. `start` arms
// the clock under test; its tick calls the logger it is handed, which answers whether to stop.
Run measure(int steps, const std::function<void(const std::function<bool()>&)>& start) {
    Run run;
    run.ticksNs.reserve(size_t(steps));
    QEventLoop loop;
    QElapsedTimer clock;
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, &loop, &QEventLoop::quit);
    guard.start(steps * kStepMs * 5 + 5000);

    const auto logTick = [&] {
        run.ticksNs.push_back(clock.nsecsElapsed());
        const bool done = int(run.ticksNs.size()) >= steps;
        if (done) {
            loop.quit();
        }
        return done;
    };
    const qint64 cpuStart = qint64(benchsupport::cpuSeconds() * 1e9);
    clock.start();
    start(logTick);
    loop.exec();
    run.wallNs = clock.nsecsElapsed();
    run.cpuNs = qint64(benchsupport::cpuSeconds() * 1e9) - cpuStart;
    return run;
}

Run runHiResTimer(int steps) {
    HiResTimer timer;
    return measure(steps, [&](const std::function<bool()>& logTick) {
        QObject::connect(&timer, &HiResTimer::tick, [&timer, logTick] {
            if (logTick()) {
                timer.setEnabled(false);
            } else {
                // As playback does: the next step's duration is set inside the tick.
                timer.setInterval(kStepMs);
            }
        });
        timer.setInterval(kStepMs);
        timer.setEnabled(true);
    });
}

Run runPlainQTimer(int steps) {
    QTimer timer;
    timer.setSingleShot(true);
    return measure(steps, [&](const std::function<bool()>& logTick) {
        QObject::connect(&timer, &QTimer::timeout, [&timer, logTick] {
            if (!logTick()) {
                timer.start(kStepMs);
            }
        });
        timer.start(kStepMs);
    });
}

void printRow(const char* name, const Run& run, int steps) {
    std::vector<double> lateMs;
    std::vector<double> gapErrorMs;
    qint64 previous = 0;
    for (size_t i = 0; i < run.ticksNs.size(); ++i) {
        const qint64 t = run.ticksNs[i];
        lateMs.push_back(double(t - qint64(i + 1) * kStepMs * 1'000'000) / kNsPerMs);
        gapErrorMs.push_back(std::abs(double(t - previous) / kNsPerMs - kStepMs));
        previous = t;
    }
    const double endMs = double(run.ticksNs.back()) / kNsPerMs;
    const double driftMs = endMs - double(steps) * kStepMs;
    std::printf("%-17s %10.3f %+10.3f %+9.2f %9.3f %9.3f %9.3f %11.3f %7.2f\n", name, endMs,
                driftMs, driftMs * 100.0 / steps, benchsupport::percentile(lateMs, 0.5), benchsupport::percentile(lateMs, 0.99),
                *std::max_element(lateMs.begin(), lateMs.end()), benchsupport::percentile(gapErrorMs, 0.99),
                100.0 * double(run.cpuNs) / double(run.wallNs));
}
} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (!args.isEmpty() && args != QStringList{QStringLiteral("--quick")}) {
        std::fprintf(stderr, "usage: timer_bench [--quick]\n");
        return 2;
    }
    const int steps = args.isEmpty() ? kFullSteps : kQuickSteps;

    std::printf("timer_bench: %d steps of %d ms, ideal end %d ms\n", steps, kStepMs,
                steps * kStepMs);
    std::fflush(stdout);
    const Run hiRes = runHiResTimer(steps);
    const Run plain = runPlainQTimer(steps);
    if (int(hiRes.ticksNs.size()) < steps || int(plain.ticksNs.size()) < steps) {
        std::fprintf(stderr, "timer_bench: a run did not finish (%zu and %zu of %d ticks)\n",
                     hiRes.ticksNs.size(), plain.ticksNs.size(), steps);
        return 1;
    }

    std::printf("lateness of tick k against the ideal k x %d ms; gap = time between ticks\n",
                kStepMs);
    std::printf("%-17s %10s %10s %9s %9s %9s %9s %11s %7s\n", "clock", "end ms", "drift ms",
                "drift/100", "late p50", "late p99", "late max", "gap p99 |e|", "cpu %");
    printRow("HiResTimer", hiRes, steps);
    printRow("QTimer re-armed", plain, steps);
    return 0;
}
