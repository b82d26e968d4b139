#include "WindowBenchMain.h"

#include "support/ScriptedDialogs.h"
#include "support/SimProcess.h"

#include "board/Board.h"
#include "board/PcPlayback.h"
#include "core/StepRecord.h"
#include "core/sequence/StepLine.h"
#include "link/QtSerialTransport.h"
#include "link/SerialControl.h"
#include "ui/link/LinkController.h"
#include "ui/panel/Panel.h"
#include "ui/shell/ClickableViews.h"
#include "ui/shell/SlideControl.h"
#include "ui/shell/SwitchControl.h"
#include "ui/shell/UserDialogs.h"
#include "ui/window/MainWindow.h"

#include <QComboBox>
#include <QDockWidget>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QSlider>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <vector>

// PC playback of 20 ms steps through the real window and serial port for an hour, on the
// simulator pacing its line like the board's, with a slider moved every second and the
// timeline shown. Steps shorter than a burst's wire time go out as fast as the line takes
// them, so the schedule is a line kept full: burst k is due when the bytes since the first
// burst have had their wire time. The simulator logs to a file, so nothing of the log grows
// in this process. The baseline is the same run's first minute.

namespace {
constexpr double kByteS = 11.0 / 9600.0;
constexpr int kBase = 60;
constexpr int kLines = 50;
constexpr int kStepMs = 20;
constexpr int kMovedChannel = 5;

long residentKb() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:")) {
            return line.mid(6).trimmed().split(' ').first().toLong();
        }
    }
    return -1;
}

// The real port, counting what the panel hands it.
class CountingTransport : public QtSerialTransport {
public:
    explicit CountingTransport(long& bytes) : m_bytes(bytes) {}
    void write(const QByteArray& data) override {
        m_bytes += data.size();
        QtSerialTransport::write(data);
    }

private:
    long& m_bytes;
};

void pump(double seconds) {
    QEventLoop loop;
    QTimer::singleShot(int(seconds * 1000), &loop, &QEventLoop::quit);
    loop.exec();
}

// What the board saw: whole bursts (twelve channels in order at one line's value), the line
// of each, and the bytes that came before it ended.
struct BoardSide {
    std::vector<double> burstEnd; // seconds, the simulator's clock
    std::vector<long> bytesBefore;
    std::vector<int> line;
    long otherPairs = 0; // pairs outside whole bursts: the slider's moves
};

// The last `stopPairs` channel events are left out: what the stop itself sends is no step.
BoardSide readLog(const QString& path, long stopPairs) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        throw std::runtime_error("no simulator log");
    }
    long pairs = -stopPairs;
    while (!file.atEnd()) {
        pairs += file.readLine().contains(" channel ") ? 1 : 0;
    }
    file.seek(0);
    BoardSide side;
    long bytes = 0;
    int run = 0; // channels 0.. seen in order at one value
    int runValue = -1;
    while (!file.atEnd() && bytes < 2 * pairs) {
        const QByteArray text = file.readLine();
        const QList<QByteArray> parts = text.trimmed().split(' ');
        if (parts.size() != 4 || parts[1] != "channel") {
            continue;
        }
        const int channel = parts[2].toInt();
        const int value = parts[3].toInt();
        bytes += 2;
        if (channel == run && (run == 0 || value == runValue) && value >= kBase &&
            value < kBase + kLines) {
            runValue = value;
            if (++run == kChannelCount) {
                side.burstEnd.push_back(parts[0].toDouble());
                side.bytesBefore.push_back(bytes);
                side.line.push_back(value - kBase);
                run = 0;
            }
            continue;
        }
        side.otherPairs += 1 + run;
        run = 0;
    }
    return side;
}

struct Figures {
    long rssStartKb = 0, rssMinuteKb = 0, rssEndKb = 0;
    long stepsPlayed = 0, panelSkipped = 0, panelRepeated = 0;
    long bursts = 0, lost = 0, doubled = 0, otherPairs = 0;
    double minuteDriftMs = 0, endDriftMs = 0, worstDriftMs = 0;
    double seconds = 0;
    double periodMs = 0;
};

Figures soak(double seconds) {
    QTemporaryDir dir;
    const QString logPath = dir.filePath(QStringLiteral("board.log"));
    SimProcess sim;
    if (!sim.start({QStringLiteral("--pace"), QStringLiteral("--log"), logPath})) {
        throw std::runtime_error("simulator: " + sim.error().toStdString());
    }
    ScriptedDialogs dialogs;
    const QString device = sim.devicePath();
    long written = 0;
    MainWindow form(std::make_unique<CountingTransport>(written), [device](int) { return device; },
                    dialogs);
    form.resize(1280, 800);
    form.show();
    form.timelineDock()->show();
    form.sideColumn().portChooser->setCurrentIndex(0);
    form.linkController().choosePort(0);
    if (!form.panel().serial().portOpen()) {
        throw std::runtime_error("panel could not open " + device.toStdString());
    }
    QStringList lines;
    for (int k = 0; k < kLines; ++k) {
        StepRecord r{};
        std::fill_n(r.begin(), kChannelCount, kBase + k);
        r[kDurationField] = kStepMs;
        lines << stepline::readBackForm(r, QLocale());
    }
    form.panel().editor().replaceAll(lines);

    Figures f;
    int previous = -1;
    QObject::connect(&form.panel().board().pcPlayback(), &PcPlayback::stepPlayed, &form,
                     [&](int step) {
                         ++f.stepsPlayed;
                         if (previous >= 0 && step == previous) {
                             ++f.panelRepeated;
                         } else if (previous >= 0 && step != (previous + 1) % kLines) {
                             f.panelSkipped += (step - previous - 1 + kLines) % kLines;
                         }
                         previous = step;
                     });
    QSlider* slider = form.channelsFrame().sliders[kMovedChannel]->slider();
    QTimer mover;
    bool high = false;
    QObject::connect(&mover, &QTimer::timeout, &form, [&] {
        high = !high;
        slider->setValue(high ? slider->maximum() : slider->minimum());
    });
    QTimer progress;
    QElapsedTimer clock;
    QObject::connect(&progress, &QTimer::timeout, &form, [&] {
        std::printf("  %4.0f s  %ld steps  resident %ld kB\n", double(clock.elapsed()) / 1000,
                    f.stepsPlayed, residentKb());
        std::fflush(stdout);
    });

    f.rssStartKb = residentKb();
    clock.start();
    form.pcEmuFrame().pcEmuSwitch->click();
    mover.start(1000);
    progress.start(seconds > 300 ? 300000 : 15000);
    pump(std::min(seconds, 60.0));
    f.rssMinuteKb = residentKb();
    if (seconds > 60) {
        pump(seconds - 60);
    }
    f.rssEndKb = residentKb();
    mover.stop();
    progress.stop();
    const long beforeStop = written;
    form.pcEmuFrame().pcEmuSwitch->click();
    f.seconds = double(clock.elapsed()) / 1000;
    pump(0.5);
    const long stopPairs = (written - beforeStop) / 2;
    sim.stop();

    const BoardSide side = readLog(logPath, stopPairs);
    if (side.burstEnd.size() < 2) {
        throw std::runtime_error("the board got no whole bursts");
    }
    f.bursts = long(side.line.size());
    f.otherPairs = side.otherPairs;
    for (size_t k = 1; k < side.line.size(); ++k) {
        const int step = side.line[k];
        const int before = side.line[k - 1];
        if (step == before) {
            ++f.doubled;
        } else if (step != (before + 1) % kLines) {
            f.lost += (step - before - 1 + kLines) % kLines;
        }
        const double due =
            side.burstEnd[0] + double(side.bytesBefore[k] - side.bytesBefore[0]) * kByteS;
        const double driftMs = (side.burstEnd[k] - due) * 1000;
        f.worstDriftMs = std::max(f.worstDriftMs, driftMs);
        if (side.burstEnd[k] - side.burstEnd[0] <= 60) {
            f.minuteDriftMs = driftMs;
        }
        f.endDriftMs = driftMs;
    }
    f.periodMs = (side.burstEnd.back() - side.burstEnd.front()) * 1000 / double(f.bursts - 1);
    return f;
}

int bench(bool quick) {
    const double seconds = quick ? 60 : 3600;
    std::printf("soak_bench: PC playback of %d ms steps for %.0f s through the window on the paced\n"
                "simulator (9600 8N2, a burst 27.5 ms), slider Ch%d moved every second, timeline "
                "shown;\nbaseline: the same run's first minute\n\n",
                kStepMs, seconds, kMovedChannel);
    std::fflush(stdout);
    const Figures f = soak(seconds);
    std::printf("\nplayed %.0f s: %ld steps in the panel, %ld whole bursts at the board, %ld pairs "
                "between them\n",
                f.seconds, f.stepsPlayed, f.bursts, f.otherPairs);
    std::printf("resident memory   start %ld kB   after a minute %ld kB   end %ld kB   (%+ld kB "
                "since the first minute)\n",
                f.rssStartKb, f.rssMinuteKb, f.rssEndKb, f.rssEndKb - f.rssMinuteKb);
    std::printf("panel             steps skipped %ld   repeated %ld\n", f.panelSkipped,
                f.panelRepeated);
    std::printf("board             bursts lost %ld   doubled %ld\n", f.lost, f.doubled);
    std::printf("mean burst period %.3f ms (a full line: %.3f ms)\n", f.periodMs, 24 * kByteS * 1000);
    std::printf("drift against a line kept full   after a minute %+.1f ms   at the end %+.1f ms   "
                "worst %+.1f ms\n",
                f.minuteDriftMs, f.endDriftMs, f.worstDriftMs);
    const bool whole = f.lost == 0 && f.doubled == 0 && f.panelSkipped == 0 && f.panelRepeated == 0;
    std::printf("goal      no burst lost or doubled       %s\n", whole ? "met" : "MISSED");
    return 0;
}
} // namespace

int main(int argc, char** argv) {
    return benchsupport::windowBenchMain(
        argc, argv, "soak_bench", {QStringLiteral("--quick")},
        [](const QStringList& args) { return bench(args.contains(QStringLiteral("--quick"))); });
}
