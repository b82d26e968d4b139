// tessarel-cli against the simulator paced like a 9600 baud 8N2 line. "program" is timed from
// start to exit against the line time of its bytes and against a bare writer doing the same
// exchange in the same run; "play" is timed by when each burst reached the board, against its
// schedule and against a bare writer sleeping to absolute deadlines.

#include "BenchSupport.h"
#include "support/SimProcess.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr double kLineByteMs = 11.0 * 1000.0 / 9600.0; // start, 8 data, 2 stop bits
constexpr int kPlayStepMs = 100;

[[noreturn]] void fail(const std::string& what) {
    throw std::runtime_error(what);
}

double seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

QByteArray sequenceFile(int steps, int durationMs) {
    QByteArray bytes;
    for (int s = 0; s < steps; ++s) {
        for (int c = 0; c < 12; ++c) {
            bytes += QByteArray::number((s * 11 + c * 29 + 3) % 256) + '\t';
        }
        bytes += QByteArray::number(durationMs > 0 ? durationMs : 20 * (1 + s % 200)) + "\t\r\n";
    }
    return bytes;
}

std::unique_ptr<SimProcess> pacedBoard(const QString& portDir) {
    auto sim = std::make_unique<SimProcess>();
    sim->setEnvironmentValue(QStringLiteral("TESSAREL_PORT_DIR"), portDir);
    if (!sim->start({"--pace", "--attach", "1"})) {
        fail("simulator: " + sim->error().toStdString());
    }
    return sim;
}

// The whole process, from start to exit.
double runCli(const QString& portDir, const QStringList& args) {
    QProcess cli;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TESSAREL_PORT_DIR"), portDir);
    cli.setProcessEnvironment(env);
    const auto t0 = Clock::now();
    cli.start(QStringLiteral(TESSAREL_CLI_PATH), args);
    if (!QTest::qWaitFor([&] { return cli.state() == QProcess::NotRunning; }, 120000) ||
        cli.exitStatus() != QProcess::NormalExit || cli.exitCode() != 0) {
        fail("tessarel-cli " + args.join(' ').toStdString() + ": " +
             cli.readAllStandardError().toStdString());
    }
    return seconds(Clock::now() - t0);
}

// Bursts of twelve pairs at absolute deadlines kPlayStepMs apart.
void playBare(const QString& device, int steps) {
    const int fd = benchsupport::openRawLine(device);
    timespec next{};
    clock_gettime(CLOCK_MONOTONIC, &next);
    for (int k = 0; k < steps; ++k) {
        unsigned char burst[24];
        for (int c = 0; c < 12; ++c) {
            burst[2 * c] = static_cast<unsigned char>(c < 8 ? c + 8 : c + 32);
            burst[2 * c + 1] = static_cast<unsigned char>((k * 11 + c * 29 + 3) % 256);
        }
        clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr);
        if (::write(fd, burst, sizeof burst) != ssize_t(sizeof burst)) {
            fail("the bare writer could not write a burst");
        }
        next.tv_nsec += kPlayStepMs * 1'000'000L;
        next.tv_sec += next.tv_nsec / 1'000'000'000L;
        next.tv_nsec %= 1'000'000'000L;
    }
    ::tcdrain(fd);
    ::close(fd);
}

// When burst k reached the board, from the simulator's log: its channel 0 line.
std::vector<double> burstTimesMs(SimProcess& sim, int from, int steps) {
    if (!QTest::qWaitFor(
            [&] { return sim.lines().mid(from).filter("channel 11 ").size() >= steps; }, 30000)) {
        fail("the board did not get every burst");
    }
    std::vector<double> times;
    const QStringList lines = sim.lines();
    const QList<double> at = sim.lineTimes();
    for (int i = from; i < lines.size() && int(times.size()) < steps; ++i) {
        if (lines[i].startsWith(QLatin1String("channel 0 "))) {
            times.push_back(at[i] * 1000.0);
        }
    }
    return times;
}

// Prints the figures of one run; returns its drift, the lateness of the last burst.
double printPlayRow(const char* name, const std::vector<double>& times) {
    std::vector<double> lateMs;
    for (size_t k = 0; k < times.size(); ++k) {
        lateMs.push_back(times[k] - times[0] - double(k) * kPlayStepMs);
    }
    std::printf("%-28s %+9.3f %9.3f %9.3f %9.3f\n", name, lateMs.back(),
                benchsupport::percentile(lateMs, 0.5), benchsupport::percentile(lateMs, 0.99),
                *std::max_element(lateMs.begin(), lateMs.end()));
    return lateMs.back();
}

int bench(bool quick) {
    QTemporaryDir dir;
    const QString portDir = dir.path();
    const int programSteps = quick ? 128 : 1024;
    const int playSteps = quick ? 10 : 50;

    QFile seq(dir.filePath("program.dat"));
    QFile play(dir.filePath("play.dat"));
    if (!seq.open(QIODevice::WriteOnly) || !play.open(QIODevice::WriteOnly)) {
        fail("cannot write the sequences");
    }
    seq.write(sequenceFile(programSteps, 0));
    play.write(sequenceFile(playSteps, kPlayStepMs));
    seq.close();
    play.close();

    auto sim = pacedBoard(portDir);
    // PC control off, then 2, the count and the image.
    const int wireBytes = 1 + 3 + programSteps * 14;
    const double wireS = wireBytes * kLineByteMs / 1000.0;
    const double bareS = benchsupport::programBare(sim->devicePath(), programSteps * 14);
    const double cliS = runCli(portDir, {"program", "--no-verify", "--quiet", seq.fileName()});
    const double verifyS = runCli(portDir, {"verify", "--quiet", seq.fileName()});
    const double readWireS = (1 + 2 + programSteps * 14) * kLineByteMs / 1000.0;
    const double over = (cliS / wireS - 1.0) * 100.0;
    std::printf("cli_bench: program %d steps on the paced simulator, process start to exit\n",
                programSteps);
    const auto row = [](const char* kind, const std::string& what, double s, double against) {
        std::printf("%-9s %-38s %8.3f s  (%+.2f%%)\n", kind, what.c_str(), s,
                    (s / against - 1.0) * 100.0);
    };
    row("baseline", "line time, " + std::to_string(wireBytes) + " bytes x 1.146 ms", wireS, wireS);
    row("baseline", "bare writer", bareS, wireS);
    row("measured", "tessarel-cli program", cliS, wireS);
    std::printf("%-9s %-38s %s\n", "goal", "within 3% of the line time",
                std::abs(over) <= 3.0 ? "met" : "MISSED");
    row("measured", "tessarel-cli verify, against its read", verifyS, readWireS);

    const int cliFrom = int(sim->lines().size());
    runCli(portDir, {"play", "--quiet", play.fileName()});
    const std::vector<double> cliTimes = burstTimesMs(*sim, cliFrom, playSteps);
    const int bareFrom = int(sim->lines().size());
    playBare(sim->devicePath(), playSteps);
    const std::vector<double> bareTimes = burstTimesMs(*sim, bareFrom, playSteps);
    std::printf("\ncli_bench: play %d steps of %d ms; lateness of burst k at the board against "
                "burst 0 + k x %d ms\n",
                playSteps, kPlayStepMs, kPlayStepMs);
    std::printf("%-28s %9s %9s %9s %9s\n", "", "drift ms", "late p50", "late p99", "late max");
    printPlayRow("baseline  bare writer", bareTimes);
    const double driftMs = printPlayRow("measured  tessarel-cli play", cliTimes);
    std::printf("%-28s %s\n", "goal      no drift (2 ms)",
                std::abs(driftMs) <= 2.0 ? "met" : "MISSED");
    sim->stop();
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    return benchsupport::benchMain(
        argc, argv, "cli_bench", {QStringLiteral("--quick")},
        [](const QStringList& args) { return bench(args.contains(QStringLiteral("--quick"))); });
}
