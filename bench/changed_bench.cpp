#include "BenchSupport.h"

#include "support/SimProcess.h"

#include "board/Board.h"
#include "board/PcPlayback.h"
#include "core/sequence/SequenceEditor.h"
#include "core/sequence/StepLine.h"
#include "link/QtSerialTransport.h"
#include "link/SerialControl.h"

#include <QEventLoop>
#include <QLocale>
#include <QStringList>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <vector>

// PC playback driven through the board layer on the simulator pacing its line like the board's
// (1.146 ms a byte), with and without "send changed channels only". The simulator logs every
// position it takes, with its own time: the pairs each step brought and when its last one came.
// The baseline is playback sending a whole burst every step, in the same run.

namespace {

constexpr double kByteMs = 11.0 / 9600.0 * 1000.0;

struct Pair {
    int channel;
    int position;
};

// Step k moves `moved` channels, the four after the ones step k - 1 moved (all twelve for 12),
// each to a position it did not hold in the step before.
QList<StepRecord> sequence(int steps, int moved, int durationMs) {
    QList<StepRecord> out;
    StepRecord s{};
    std::fill_n(s.begin(), kChannelCount, 128);
    for (int k = 0; k < steps; ++k) {
        for (int j = 0; j < moved; ++j) {
            s[size_t((k * moved + j) % kChannelCount)] = 60 + (k % 120);
        }
        s[kDurationField] = durationMs;
        out << s;
    }
    return out;
}

// What the board should take for each step: step 0 (the wrap) all twelve, then the changes, or
// all twelve every step without the option.
std::vector<std::vector<Pair>> expectedPairs(const QList<StepRecord>& steps, bool changedOnly) {
    std::vector<std::vector<Pair>> out;
    for (int k = 0; k < steps.size(); ++k) {
        std::vector<Pair> pairs;
        for (int c = 0; c < kChannelCount; ++c) {
            if (!changedOnly || k == 0 || steps[k][c] != steps[k - 1][c]) {
                pairs.push_back({c, steps[k][c]});
            }
        }
        out.push_back(std::move(pairs));
    }
    return out;
}

struct Result {
    int steps = 0;
    int stepsWhole = 0; // steps whose pairs all reached the board, in order, as sent
    double paceMs = 0;  // mean time between the last bytes of two steps at the board
    // Each step from step 1 on against a schedule of one step a step time, anchored at the
    // step that came earliest on it: how late it came. Drift is how much later the last ten
    // steps came than the first ten (medians), so that one late step, jitter, does not count.
    double driftMs = 0;
    double lateP50Ms = 0;
    double lateP99Ms = 0;
};

Result play(bool changedOnly, int steps, int moved, int durationMs) {
    SimProcess sim;
    if (!sim.start({QStringLiteral("--pace")})) {
        throw std::runtime_error("simulator: " + sim.error().toStdString());
    }
    const QString device = sim.devicePath();
    SerialControl serial(std::make_unique<QtSerialTransport>(), [device](int) { return device; });
    serial.setCommPort(1);
    serial.setInBufferSize(20000);
    serial.setSettings(QStringLiteral("9600,N,8,2"));
    if (!serial.setPortOpen(true)) {
        throw std::runtime_error("cannot open " + device.toStdString());
    }
    serial.setInputLen(1);
    serial.setRThreshold(1);
    serial.setInputMode(SerialControl::InputMode::Binary);

    const QList<StepRecord> table = sequence(steps, moved, durationMs);
    QStringList lines;
    for (const StepRecord& s : table) {
        lines << stepline::readBackForm(s, QLocale::c());
    }
    SequenceList list;
    SequenceEditor editor(list);
    editor.replaceAll(lines);
    Board board(serial, editor);
    PcPlayback& playback = board.pcPlayback();
    playback.setChangedOnly(changedOnly);

    // From the last line, so that the first tick wraps to line 0 and plays every line once.
    list.setSelectedIndex(steps - 1);
    QEventLoop loop;
    int played = 0;
    QObject::connect(&playback, &PcPlayback::stepPlayed, &loop, [&] {
        if (++played == steps) {
            QTimer::singleShot(0, &loop, [&] {
                playback.stop(PcPlayback::Pace::Fixed);
                loop.quit();
            });
        }
    });
    playback.start(PcPlayback::Pace::OwnTime);
    loop.exec();

    const std::vector<std::vector<Pair>> expected = expectedPairs(table, changedOnly);
    int total = 0;
    for (const auto& pairs : expected) {
        total += int(pairs.size());
    }
    int channelLines = 0;
    sim.waitForLine(
        [&](const QString& line) {
            channelLines += line.startsWith(QStringLiteral("channel ")) ? 1 : 0;
            return channelLines >= total;
        },
        0, steps * 40 + 30000);
    std::vector<Pair> taken;
    std::vector<double> at;
    const QStringList text = sim.lines();
    const QList<double> stamps = sim.lineTimes();
    for (int i = 0; i < text.size(); ++i) {
        const QStringList words = text[i].split(QLatin1Char(' '));
        if (words.size() == 3 && words[0] == QStringLiteral("channel")) {
            taken.push_back({words[1].toInt(), words[2].toInt()});
            at.push_back(stamps[i] * 1000);
        }
    }
    sim.stop();

    Result result;
    result.steps = steps;
    std::vector<double> last; // each step's last position at the board, ms
    size_t next = 0;
    for (const auto& pairs : expected) {
        bool whole = next + pairs.size() <= taken.size();
        for (size_t j = 0; whole && j < pairs.size(); ++j) {
            whole = taken[next + j].channel == pairs[j].channel &&
                    taken[next + j].position == pairs[j].position;
        }
        if (!whole) {
            break;
        }
        next += pairs.size();
        last.push_back(at[next - 1]);
        ++result.stepsWhole;
    }
    if (last.size() < 3) {
        return result;
    }
    result.paceMs = (last.back() - last.front()) / double(last.size() - 1);
    // Step 0 is the wrap's full burst, longer than a step of four channels.
    std::vector<double> late;
    for (size_t k = 1; k < last.size(); ++k) {
        late.push_back(last[k] - double(k) * durationMs);
    }
    const double earliest = *std::min_element(late.begin(), late.end());
    for (double& l : late) {
        l -= earliest;
    }
    const auto ten = ptrdiff_t(std::min<size_t>(10, late.size()));
    result.driftMs = benchsupport::median({late.end() - ten, late.end()}) -
                     benchsupport::median({late.begin(), late.begin() + ten});
    result.lateP50Ms = benchsupport::median(late);
    result.lateP99Ms = benchsupport::percentile(late, 0.99);
    return result;
}

void print(const char* name, const Result& r) {
    std::printf("%-30s %4d/%-4d %8.2f ms %+10.2f ms %8.2f ms %8.2f ms\n", name, r.stepsWhole,
                r.steps, r.paceMs, r.driftMs, r.lateP50Ms, r.lateP99Ms);
}

int bench(bool quick) {
    const int steps = quick ? 100 : 500;
    std::printf(
        "changed_bench: PC playback through the board layer on the paced simulator\n"
        "(9600 8N2, %.3f ms a byte, a burst %.1f ms); %d steps of 20 ms from line 0;\n"
        "baseline: a whole burst every step, in the same run. Each step's last byte at\n"
        "the board against a 20 ms schedule from step 1 (step 0 is the wrap's full burst):\n"
        "how late it came, and the drift from the first ten steps to the last ten.\n\n",
        kByteMs, 24 * kByteMs, steps);
    std::printf("%-30s %7s %11s %13s %11s %11s\n", "", "whole", "pace", "drift", "late p50",
                "late p99");
    std::fflush(stdout);
    const Result four = play(true, steps, 4, 20);
    const Result fourBase = play(false, steps, 4, 20);
    print("four channels, changed only", four);
    print("four channels, baseline", fourBase);
    std::fflush(stdout);
    const Result twelve = play(true, steps, 12, 20);
    const Result twelveBase = play(false, steps, 12, 20);
    print("twelve channels, changed only", twelve);
    print("twelve channels, baseline", twelveBase);

    const bool whole = four.stepsWhole == steps && fourBase.stepsWhole == steps &&
                       twelve.stepsWhole == steps && twelveBase.stepsWhole == steps;
    std::printf("\ngoal      every step's pairs at the board           %s\n",
                whole ? "met" : "MISSED");
    std::printf("goal      four channels: |drift| <= 2 ms             %s\n",
                std::abs(four.driftMs) <= 2 ? "met" : "MISSED");
    std::printf("goal      twelve channels: same pace either way      %s (%+.2f ms a step)\n",
                std::abs(twelve.paceMs - twelveBase.paceMs) <= 0.5 ? "met" : "MISSED",
                twelve.paceMs - twelveBase.paceMs);
    return whole ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    return benchsupport::benchMain(
        argc, argv, "changed_bench", {QStringLiteral("--quick")},
        [](const QStringList& args) { return bench(args.contains(QStringLiteral("--quick"))); });
}
