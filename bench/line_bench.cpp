#include "WindowBenchMain.h"

#include "support/SimProcess.h"

#include "board/Board.h"
#include "core/StepRecord.h"
#include "core/sequence/StepLine.h"
#include "link/QtSerialTransport.h"
#include "link/SerialControl.h"
#include "ui/link/LinkController.h"
#include "ui/panel/Panel.h"
#include "ui/shell/ClickableViews.h"
#include "ui/shell/SwitchControl.h"
#include "ui/shell/UserDialogs.h"
#include "ui/window/MainWindow.h"

#include <QComboBox>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <vector>

// PC playback through the real window and serial port, on the simulator pacing its line like
// the board's (1.146 ms a byte). Each burst's write is timed in this process and its last byte
// at the board by the simulator's log; the clocks are matched on the burst that waited least.
// The baseline is today's panel in the same run: the same window told that its line is 96
// times faster, so that it never waits for it, which is how it behaved before it reckoned.

namespace {
using Clock = std::chrono::steady_clock;

constexpr double kByteS = 11.0 / 9600.0;
constexpr int kBurst = 2 * kChannelCount;
constexpr int kBase = 60;
constexpr int kLines = 50;

double now() { return std::chrono::duration<double>(Clock::now().time_since_epoch()).count(); }

struct Write {
    double at;
    int size;
};

// The real port, with every write timed as it is handed over.
class TimedTransport : public QtSerialTransport {
public:
    explicit TimedTransport(std::vector<Write>& log) : m_log(log) {}
    void write(const QByteArray& data) override {
        m_log.push_back({now(), int(data.size())});
        QtSerialTransport::write(data);
    }

private:
    std::vector<Write>& m_log;
};

class SilentDialogs : public UserDialogs {
public:
    void information(QWidget*, const QString&, const QString&) override {}
    bool question(QWidget*, const QString&, const QString&) override { return true; }
    std::optional<FileAnswer> saveFileName(QWidget*, const FileQuestion&) override { return {}; }
    std::optional<QString> openFileName(QWidget*, const FileQuestion&) override { return {}; }
};

void pump(double seconds) {
    QEventLoop loop;
    QTimer::singleShot(int(seconds * 1000), &loop, &QEventLoop::quit);
    loop.exec();
}

struct Result {
    int bursts = 0;
    int maxWaiting = 0;        // bytes
    int overBurst = 0;         // bursts written while more than their own bytes waited
    double boardLagMs = 0;     // the most a burst written onto a free line reached the board late
    double toLastBurstMs = 0;  // from the click off to the last playback byte at the board
    double toLastByteMs = 0;   // to the last byte, ShowStep's included
    int stopBytes = 0;         // bytes the stop itself sent
    double driftMs = NAN;      // burst `driftSteps` against burst 0, at the board
    double writeDriftMs = NAN; // the same, as written by the panel
};

Result play(bool today, int durationMs, double seconds, int driftSteps) {
    SimProcess sim;
    if (!sim.start({QStringLiteral("--pace")})) {
        throw std::runtime_error("simulator: " + sim.error().toStdString());
    }
    std::vector<Write> writes;
    SilentDialogs dialogs;
    const QString device = sim.devicePath();
    MainWindow form(
        std::make_unique<TimedTransport>(writes), [device](int) { return device; }, dialogs);
    form.sideColumn().portChooser->setCurrentIndex(0);
    form.linkController().choosePort(0);
    if (!form.panel().serial().portOpen()) {
        throw std::runtime_error("panel could not open " + device.toStdString());
    }
    if (today) {
        form.panel().serial().setSettings(QStringLiteral("921600,N,8,2"));
    }
    QStringList lines;
    for (int k = 0; k < kLines; ++k) {
        StepRecord r{};
        std::fill_n(r.begin(), kChannelCount, kBase + k);
        r[kDurationField] = durationMs;
        lines << stepline::readBackForm(r, QLocale());
    }
    form.panel().editor().replaceAll(lines);
    writes.clear();

    form.pcEmuFrame().pcEmuSwitch->click();
    pump(seconds);
    const double click = now();
    form.pcEmuFrame().pcEmuSwitch->click();
    Result result;
    for (const Write& w : writes) {
        result.bursts += w.size == kBurst ? 1 : 0;
        result.stopBytes += w.at >= click ? w.size : 0;
    }
    const int expected = result.bursts * kChannelCount + result.stopBytes / 2;
    // Each line is looked at once as it comes, so the wait stays linear in the log's length.
    int channelLines = 0;
    sim.waitForLine(
        [&](const QString& line) {
            channelLines += line.startsWith(QStringLiteral("channel ")) ? 1 : 0;
            return channelLines >= expected;
        },
        0, int(seconds * 1000) + 30000);
    std::vector<double> at;
    const QStringList text = sim.lines();
    const QList<double> stamps = sim.lineTimes();
    for (int i = 0; i < text.size(); ++i) {
        if (text[i].startsWith(QStringLiteral("channel "))) {
            at.push_back(stamps[i]);
        }
    }
    if (int(at.size()) < expected) {
        throw std::runtime_error("the board did not get every byte");
    }
    // Burst k's last byte is the board's channel event 12k + 11.
    std::vector<double> written, arrived;
    for (const Write& w : writes) {
        if (w.size == kBurst && w.at < click) {
            written.push_back(w.at);
            arrived.push_back(at[written.size() * kChannelCount - 1]);
        }
    }
    double offset = 1e300;
    for (size_t k = 0; k < written.size(); ++k) {
        offset = std::min(offset, arrived[k] - written[k] - kBurst * kByteS);
    }
    // Waiting when burst k is written: its own 24 bytes and every earlier byte that has not
    // begun to leave (a position byte arrives one byte time after its select byte).
    size_t firstPending = 0;
    for (size_t k = 0; k < written.size(); ++k) {
        int waiting = kBurst;
        const double begunBy = written[k] + offset + kByteS; // arrival time of a byte begun at W_k
        while (firstPending < k * kChannelCount && at[firstPending] <= begunBy) {
            ++firstPending;
        }
        for (size_t j = firstPending; j < k * kChannelCount; ++j) {
            waiting += (at[j] > begunBy ? 1 : 0) + (at[j] - kByteS > begunBy ? 1 : 0);
        }
        result.maxWaiting = std::max(result.maxWaiting, waiting);
        result.overBurst += waiting > kBurst ? 1 : 0;
        // Where the panel wrote onto a line it reckoned free, a later arrival is the board
        // side's lateness (the simulator taking the bytes late), not a queue of the panel's.
        if (k > 0 && written[k] - written[k - 1] >= kBurst * kByteS) {
            const double lag = arrived[k] - offset - written[k] - kBurst * kByteS;
            result.boardLagMs = std::max(result.boardLagMs, lag * 1000);
        }
    }
    result.toLastBurstMs = (arrived.back() - offset - click) * 1000;
    result.toLastByteMs = (at[size_t(expected) - 1] - offset - click) * 1000;
    if (driftSteps > 0 && int(written.size()) > driftSteps) {
        result.writeDriftMs = (written[size_t(driftSteps)] - written[0]) * 1000 - driftSteps * durationMs;
    }
    if (driftSteps > 0 && int(arrived.size()) > driftSteps) {
        // Against the schedule that began with the first burst's write, at the board.
        const double due = written[0] + offset + kBurst * kByteS + driftSteps * durationMs / 1000.0;
        result.driftMs = (arrived[size_t(driftSteps)] - due) * 1000;
    }
    sim.stop();
    return result;
}

int bench(bool quick) {
    const double seconds = quick ? 3 : 30;
    const int driftSteps = quick ? 60 : 500;
    std::printf("line_bench: PC playback on the paced simulator (9600 8N2, a burst 27.5 ms); baseline:\n"
                "today's panel, which never waits for the line, in the same run\n\n");
    std::printf("20 ms steps for %.0f s       bursts  most bytes waiting (bursts over 24)  off -> last burst byte  off -> last byte (stop's bytes)\n",
                seconds);
    std::fflush(stdout);
    const Result ours = play(false, 20, seconds, 0);
    const Result today = play(true, 20, seconds, 0);
    for (const auto& [name, r] : {std::pair{"ours", ours}, std::pair{"baseline", today}}) {
        std::printf("%-26s %7d %19d (%4d) %24.1f ms %15.1f ms (%d)\n", name, r.bursts, r.maxWaiting,
                    r.overBurst, r.toLastBurstMs, r.toLastByteMs, r.stopBytes);
    }
    std::printf("          the board side took a burst written onto a free line up to %.1f ms late\n"
                "          (%.1f bytes); a burst written behind such a one counts them as waiting\n",
                ours.boardLagMs, ours.boardLagMs / 1000 / kByteS);
    const double stopGoal = 30 + ours.stopBytes * kByteS * 1000;
    std::printf("goal      most waiting <= 24 bytes          %s\n", ours.maxWaiting <= 24 ? "met" : "MISSED");
    std::printf("goal      last byte <= 30 ms + stop's bytes (%.1f ms)  %s\n", stopGoal,
                ours.toLastByteMs <= stopGoal ? "met" : "MISSED");

    std::printf("\n30 ms steps, drift over %d steps at the board\n", driftSteps);
    std::fflush(stdout);
    const double driftSeconds = driftSteps * 0.030 + 0.5;
    const Result oursDrift = play(false, 30, driftSeconds, driftSteps);
    const Result todayDrift = play(true, 30, driftSeconds, driftSteps);
    std::printf("%-26s %8s %16s\n", "", "at the board", "as written");
    for (const auto& [name, r] : {std::pair{"ours", oursDrift}, std::pair{"baseline", todayDrift}}) {
        std::printf("%-26s %+9.2f ms %+13.2f ms  (%d bursts in %.1f s)\n", name, r.driftMs,
                    r.writeDriftMs, r.bursts, driftSeconds);
    }
    std::printf("goal      |drift| <= 2 ms                   %s\n",
                std::abs(oursDrift.driftMs) <= 2 ? "met" : "MISSED");
    return 0;
}
} // namespace

int main(int argc, char** argv) {
    return benchsupport::windowBenchMain(
        argc, argv, "line_bench", {QStringLiteral("--quick")},
        [](const QStringList& args) { return bench(args.contains(QStringLiteral("--quick"))); });
}
