#include "BenchSupport.h"
#include "WindowBenchMain.h"

#include "support/SimProcess.h"

#include "board/Board.h"
#include "core/BoardCommands.h"
#include "core/StepRecord.h"
#include "core/sequence/StepLine.h"
#include "link/QtSerialTransport.h"
#include "link/SerialControl.h"
#include "ui/flash/FlashController.h"
#include "ui/link/LinkController.h"
#include "ui/panel/Panel.h"
#include "ui/shell/ClickableViews.h"
#include "ui/shell/UserDialogs.h"
#include "ui/window/MainWindow.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QEventLoop>
#include <QPushButton>
#include <QStringList>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <vector>

// Programming 1024 steps into the simulator over a pseudo-terminal through the real window.
// Unpaced, the time beyond a bare POSIX writer doing the same exchange on the same line is the
// panel's own share; paced at 9600 baud 8N2, the time is set against the wire time of the
// 14 339 bytes. CPU use is the process's own during the transfer.

namespace {
using Clock = std::chrono::steady_clock;

constexpr int kSteps = 1024;
constexpr int kImageBytes = kSteps * kFlashStepBytes;
constexpr int kWireBytes = 3 + kImageBytes;
constexpr double kLineByteMs = 11.0 * 1000.0 / 9600.0; // start, 8 data, 2 stop bits

double seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

class SilentDialogs : public UserDialogs {
public:
    void information(QWidget*, const QString&, const QString& text) override { last = text; }
    bool question(QWidget*, const QString&, const QString&) override { return true; }
    std::optional<FileAnswer> saveFileName(QWidget*, const FileQuestion&) override { return {}; }
    std::optional<QString> openFileName(QWidget*, const FileQuestion&) override { return {}; }
    QString last;
};

QStringList steps() {
    QStringList lines;
    for (int s = 0; s < kSteps; ++s) {
        StepRecord r{};
        for (int c = 0; c < kChannelCount; ++c) {
            r[c] = (s * 11 + c * 29) % 256;
        }
        r[kDurationField] = 20 * (1 + s % 500);
        lines << stepline::readBackForm(r, QLocale());
    }
    return lines;
}

struct Run {
    double wall = 0;
    double cpu = 0;
};

std::unique_ptr<SimProcess> startBoard(bool paced) {
    auto sim = std::make_unique<SimProcess>();
    QStringList options{QStringLiteral("--log"), QStringLiteral("/dev/null")};
    if (paced) {
        options << QStringLiteral("--pace");
    }
    if (!sim->start(options)) {
        throw std::runtime_error("simulator: " + sim->error().toStdString());
    }
    return sim;
}

struct PanelRuns {
    Run program;
    Run verify; // "Verify Flash" after it
    Run read;   // "Read Seq.", the same exchange as the panel had it before Verify
};

// From the click to the message that ends the transfer.
Run timedClick(QPushButton* button, SilentDialogs& dialogs, const QString& expected) {
    dialogs.last.clear();
    const double cpu0 = benchsupport::cpuSeconds();
    const auto t0 = Clock::now();
    button->click();
    while (dialogs.last.isEmpty()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    const Run run{seconds(Clock::now() - t0), benchsupport::cpuSeconds() - cpu0};
    if (dialogs.last != expected) {
        throw std::runtime_error("ended with: " + dialogs.last.toStdString());
    }
    return run;
}

// The whole "Program  Seq." through the window, then "Verify Flash" and "Read Seq.".
PanelRuns programThroughPanel(const QString& device) {
    SilentDialogs dialogs;
    MainWindow form(
        std::make_unique<QtSerialTransport>(), [device](int) { return device; }, dialogs);
    form.sideColumn().portChooser->setCurrentIndex(0);
    form.linkController().choosePort(0);
    if (!form.panel().serial().portOpen()) {
        throw std::runtime_error("panel could not open " + device.toStdString());
    }
    form.panel().editor().replaceAll(steps());
    PanelRuns runs;
    runs.program =
        timedClick(form.flashFrame().programButton, dialogs, FlashController::kProgrammed);
    runs.verify = timedClick(form.flashFrame().verifyButton, dialogs,
                             QStringLiteral("The board's flash holds this list (1024 steps)."));
    runs.read = timedClick(form.flashFrame().readButton, dialogs, FlashController::kRead);
    return runs;
}

bool readAck(int fd) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, 5000) != 1) {
        return false;
    }
    unsigned char b = 0;
    return read(fd, &b, 1) == 1 && b == board::Ack;
}

// The same exchange with nothing but write, poll and read: the line's own floor.
Run programBare(const QString& device) {
    const int fd = open(device.toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
    if (fd < 0) {
        throw std::runtime_error("cannot open " + device.toStdString());
    }
    termios t{};
    tcgetattr(fd, &t);
    cfmakeraw(&t);
    tcsetattr(fd, TCSANOW, &t);
    std::vector<unsigned char> bytes(kWireBytes);
    bytes[0] = board::FlashProgram;
    bytes[1] = kImageBytes / 256;
    bytes[2] = kImageBytes % 256;
    for (int i = 0; i < kImageBytes; ++i) {
        bytes[3 + i] = static_cast<unsigned char>(i % 251);
    }
    const double cpu0 = benchsupport::cpuSeconds();
    const auto t0 = Clock::now();
    bool ok = true;
    for (int i = 0; i < kWireBytes && ok; ++i) {
        ok = write(fd, &bytes[i], 1) == 1;
        const int image = i - 2; // image bytes sent after this write
        if (ok && (i == 2 || (image > 0 && image % board::kBlockSize == 0))) {
            ok = readAck(fd);
        }
    }
    const Run run{seconds(Clock::now() - t0), benchsupport::cpuSeconds() - cpu0};
    close(fd);
    if (!ok) {
        throw std::runtime_error("bare writer lost the exchange");
    }
    return run;
}

int bench(const QStringList& args) {
    const bool quick = args.contains(QStringLiteral("--quick"));
    const bool full = args.contains(QStringLiteral("--full"));
    const int rounds = quick ? 1 : 5;

    {
        auto sim = startBoard(false);
        std::vector<double> bare, panel, panelCpu, verify, read;
        for (int r = 0; r < rounds; ++r) {
            bare.push_back(programBare(sim->devicePath()).wall);
            const PanelRuns runs = programThroughPanel(sim->devicePath());
            panel.push_back(runs.program.wall);
            panelCpu.push_back(runs.program.cpu);
            verify.push_back(runs.verify.wall);
            read.push_back(runs.read.wall);
        }
        const double share = benchsupport::median(panel) - benchsupport::median(bare);
        std::printf("baseline  bare writer, unpaced        %8.3f s  (%d bytes, 57 acks, median of %d)\n",
                    benchsupport::median(bare), kWireBytes, rounds);
        std::printf("unpaced   panel, 1024 steps            %8.3f s  cpu %.3f s\n", benchsupport::median(panel),
                    benchsupport::median(panelCpu));
        std::printf("goal      panel's own share < 1 s       %s (%.3f s beyond the bare writer)\n",
                    share < 1.0 ? "met" : "MISSED", share);
        std::printf("unpaced   Verify Flash, 1024 steps     %8.3f s  (Read Seq.: %.3f s)\n",
                    benchsupport::median(verify), benchsupport::median(read));
        sim->stop();
    }

    if (full) {
        auto sim = startBoard(true);
        const double wire = kWireBytes * kLineByteMs / 1000.0;
        const PanelRuns runs = programThroughPanel(sim->devicePath());
        const Run& run = runs.program;
        const double over = (run.wall / wire - 1.0) * 100.0;
        // Verify and read: the request out, then the count and the image back.
        const double readWire = (1 + 2 + kImageBytes) * kLineByteMs / 1000.0;
        const double verifyOver = (runs.verify.wall / readWire - 1.0) * 100.0;
        std::printf("baseline  wire time, %d bytes x %.3f ms %8.3f s\n", kWireBytes, kLineByteMs, wire);
        std::printf("paced     panel, 1024 steps            %8.3f s  (%+.2f%%)\n", run.wall, over);
        std::printf("cpu       during the paced transfer    %8.3f s  (%.1f%% of one core)\n", run.cpu,
                    100.0 * run.cpu / run.wall);
        std::printf("goal      within 3%% of the wire time    %s\n", std::abs(over) <= 3.0 ? "met" : "MISSED");
        std::printf("baseline  read wire time, %d bytes     %8.3f s; Read Seq. %.3f s (%+.2f%%)\n",
                    1 + 2 + kImageBytes, readWire, runs.read.wall, (runs.read.wall / readWire - 1.0) * 100.0);
        std::printf("paced     Verify Flash, 1024 steps     %8.3f s  (%+.2f%%)\n", runs.verify.wall, verifyOver);
        std::printf("goal      verify within 3%% of its wire time %s\n",
                    std::abs(verifyOver) <= 3.0 ? "met" : "MISSED");
        sim->stop();
    } else {
        std::printf("paced     skipped (run with --full; it takes about 50 s)\n");
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    return benchsupport::windowBenchMain(
        argc, argv, "flash_bench", {QStringLiteral("--quick"), QStringLiteral("--full")}, bench);
}
