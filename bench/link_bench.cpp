#include "BenchSupport.h"

#include "link/PtyPair.h"

#include "board/Board.h"
#include "board/FlashProgram.h"
#include "core/sequence/SequenceEditor.h"
#include "link/QtSerialTransport.h"
#include "link/SerialControl.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QStringList>
#include <QTimer>

#include <poll.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

// Over a pseudo-terminal: how long a byte from the board takes to reach the receive handler,
// next to the time a bare poll/read on the same kind of line takes; and how much CPU a flash
// transfer waiting for a board that never answers costs, next to a loop that pumps events
// without sleeping.

namespace {
using Clock = std::chrono::steady_clock;

double microseconds(Clock::duration d) {
    return std::chrono::duration<double, std::micro>(d).count();
}

struct Spread {
    double median = 0;
    double p99 = 0;
};

Spread spread(std::vector<double> v) {
    if (v.empty()) {
        return {};
    }
    std::sort(v.begin(), v.end());
    return {v[v.size() / 2], v[std::min(v.size() - 1, v.size() * 99 / 100)]};
}

std::unique_ptr<SerialControl> openOver(const PtyPair& pty) {
    const QString path = pty.slavePath();
    auto comm = std::make_unique<SerialControl>(std::make_unique<QtSerialTransport>(),
                                                [path](int) { return path; });
    comm->setInBufferSize(20000);
    comm->setSettings(QStringLiteral("9600,N,8,2"));
    if (!comm->setPortOpen(true)) {
        std::fprintf(stderr, "cannot open %s: %s\n", qPrintable(path),
                     qPrintable(comm->lastError()));
        return nullptr;
    }
    comm->setInputLen(1);
    comm->setRThreshold(1);
    comm->setInputMode(SerialControl::InputMode::Binary);
    return comm;
}

// Master write to OnComm handler, one byte at a time.
std::vector<double> handlerLatency(int rounds) {
    PtyPair pty;
    auto comm = pty.ok() ? openOver(pty) : nullptr;
    if (!comm) {
        return {};
    }
    std::vector<double> latencies;
    Clock::time_point sent;
    QEventLoop loop;
    QObject::connect(comm.get(), &SerialControl::OnComm, comm.get(), [&] {
        comm->input();
        latencies.push_back(microseconds(Clock::now() - sent));
        loop.quit();
    });
    QTimer guard; // a lost byte must not hang the bench
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, &loop, &QEventLoop::quit);
    for (int i = 0; i < rounds; ++i) {
        guard.start(1000);
        sent = Clock::now();
        pty.write(QByteArray(1, char(i % 256)));
        loop.exec();
    }
    return latencies;
}

// The same line read bare: poll on the slave, then read.
std::vector<double> bareLatency(int rounds) {
    PtyPair pty;
    std::vector<double> latencies;
    if (!pty.ok()) {
        return latencies;
    }
    for (int i = 0; i < rounds; ++i) {
        const Clock::time_point sent = Clock::now();
        pty.write(QByteArray(1, char(i % 256)));
        pollfd p{pty.slaveFd(), POLLIN, 0};
        if (poll(&p, 1, 1000) == 1) {
            char byte = 0;
            if (::read(pty.slaveFd(), &byte, 1) == 1) {
                latencies.push_back(microseconds(Clock::now() - sent));
            }
        }
    }
    return latencies;
}

struct Load {
    double wall = 0;
    double cpu = 0;
    double percent() const { return wall > 0 ? 100.0 * cpu / wall : 0; }
};

// A flash programming waiting for a board that never answers, over an open port.
Load idleWait(int ms) {
    PtyPair pty;
    auto comm = pty.ok() ? openOver(pty) : nullptr;
    if (!comm) {
        return {};
    }
    SequenceList list;
    SequenceEditor editor(list);
    Board board(*comm, editor);
    FlashProgram program(board);
    program.start(editor.table(), 1, false);
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    QElapsedTimer wall;
    const double cpu0 = benchsupport::cpuSeconds();
    wall.start();
    loop.exec();
    const Load load{double(wall.nsecsElapsed()) / 1e9, benchsupport::cpuSeconds() - cpu0};
    program.abort();
    return load;
}

// What a wait costs that pumps without sleeping.
Load spinningWait(int ms) {
    bool over = false;
    QTimer::singleShot(ms, Qt::PreciseTimer, [&] { over = true; });
    QElapsedTimer wall;
    const double cpu0 = benchsupport::cpuSeconds();
    wall.start();
    while (!over) {
        QCoreApplication::processEvents();
    }
    return {double(wall.nsecsElapsed()) / 1e9, benchsupport::cpuSeconds() - cpu0};
}

void printLatency(const char* what, const std::vector<double>& v, int rounds) {
    const Spread s = spread(v);
    std::printf("  %-34s median %8.1f us   p99 %8.1f us   (%zu of %d bytes)\n", what, s.median,
                s.p99, v.size(), rounds);
}

void printLoad(const char* what, const Load& l) {
    std::printf("  %-34s wall %6.2f s   cpu %6.3f s   %6.2f %%\n", what, l.wall, l.cpu,
                l.percent());
}
} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const bool quick = app.arguments().contains(QStringLiteral("--quick"));
    const int rounds = quick ? 100 : 2000;
    const int waitMs = quick ? 1000 : 5000;

    std::printf("receive latency, pty master write to handler (goal: median under 1 ms)\n");
    const std::vector<double> handler = handlerLatency(rounds);
    const std::vector<double> bare = bareLatency(rounds);
    printLatency("OnComm handler", handler, rounds);
    printLatency("baseline: poll + read on the slave", bare, rounds);

    std::printf("CPU during a %d ms wait for a board that does not answer (goal: under 2 %%)\n",
                waitMs);
    const Load idle = idleWait(waitMs);
    const Load spin = spinningWait(waitMs);
    printLoad("FlashProgram waiting for its ack", idle);
    printLoad("baseline: processEvents loop", spin);

    const bool measured = !handler.empty() && !bare.empty() && idle.wall > 0;
    if (!measured) {
        std::fprintf(stderr, "a measurement could not be taken\n");
    }
    std::printf("goals: latency %s, idle CPU %s\n",
                spread(handler).median < 1000 ? "met" : "MISSED",
                idle.percent() < 2.0 ? "met" : "MISSED");
    return measured ? 0 : 1;
}
