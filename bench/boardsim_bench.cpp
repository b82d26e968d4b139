// How fast the board simulator moves bytes through its pty: unpaced it must never be what a test
// waits for; paced it should take the time of a 9600 baud 8N2 line per byte.

#include "support/SimProcess.h"

#include <QCoreApplication>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using Bytes = std::vector<unsigned char>;

constexpr double kLineByteMs = 11.0 * 1000.0 / 9600.0;

// Thrown rather than exiting, so the simulators started so far are stopped on the way out.
[[noreturn]] void fail(const std::string& what) { throw std::runtime_error(what); }

int openRaw(const char* path) {
    const int fd = ::open(path, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        fail(std::string(path) + ": " + std::strerror(errno));
    }
    termios tio{};
    ::tcgetattr(fd, &tio);
    ::cfmakeraw(&tio);
    ::tcsetattr(fd, TCSANOW, &tio);
    return fd;
}

void writeAll(int fd, const unsigned char* data, std::size_t n) {
    while (n > 0) {
        const ssize_t done = ::write(fd, data, n);
        if (done > 0) {
            data += done;
            n -= static_cast<std::size_t>(done);
        } else if (done < 0 && errno != EAGAIN && errno != EINTR) {
            fail(std::string("write: ") + std::strerror(errno));
        } else {
            pollfd p{fd, POLLOUT, 0};
            ::poll(&p, 1, 1000);
        }
    }
}
void writeAll(int fd, const Bytes& bytes) { writeAll(fd, bytes.data(), bytes.size()); }

Bytes readExactly(int fd, std::size_t n) {
    Bytes got(n);
    std::size_t have = 0;
    const auto deadline = Clock::now() + std::chrono::seconds(60);
    while (have < n) {
        if (Clock::now() > deadline) {
            fail("no answer from the simulator");
        }
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 1000) <= 0) {
            continue;
        }
        const ssize_t r = ::read(fd, got.data() + have, n - have);
        if (r > 0) {
            have += static_cast<std::size_t>(r);
        } else if (r < 0 && errno != EAGAIN && errno != EINTR) {
            fail(std::string("read: ") + std::strerror(errno));
        }
    }
    return got;
}

// A programming as the panel runs it, header and blocks; the image is a multiple of 256 bytes,
// so the last acknowledgement ends it. Returns the bytes that crossed the line.
std::size_t program(int fd, std::size_t size) {
    Bytes header{2, static_cast<unsigned char>(size >> 8), static_cast<unsigned char>(size & 0xff)};
    writeAll(fd, header);
    if (readExactly(fd, 1)[0] != 255) {
        fail("header not acknowledged");
    }
    Bytes block(256);
    for (std::size_t sent = 0; sent < size; sent += 256) {
        for (std::size_t i = 0; i < block.size(); ++i) {
            block[i] = static_cast<unsigned char>((sent + i) % 251);
        }
        writeAll(fd, block);
        if (readExactly(fd, 1)[0] != 255) {
            fail("block not acknowledged");
        }
    }
    return 3 + size + 1 + size / 256;
}

std::size_t readBack(int fd, std::size_t size) {
    writeAll(fd, Bytes{6});
    const Bytes reply = readExactly(fd, size + 2);
    if (static_cast<std::size_t>(reply[0] * 256 + reply[1]) != size) {
        fail("wrong read count");
    }
    return 1 + size + 2;
}

// The ceiling: the same pty traffic in one process with nothing behind it.
double rawPtyBytesPerSecond(std::size_t total) {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) {
        fail("posix_openpt");
    }
    const int slave = openRaw(::ptsname(master));
    termios tio{};
    ::tcgetattr(master, &tio);
    ::cfmakeraw(&tio);
    ::tcsetattr(master, TCSANOW, &tio);
    Bytes chunk(4096, 0x5a);
    unsigned char buf[65536];
    std::size_t written = 0;
    std::size_t readBytes = 0;
    const auto start = Clock::now();
    while (readBytes < total) {
        if (written < total) {
            const ssize_t w = ::write(slave, chunk.data(), std::min(chunk.size(), total - written));
            if (w > 0) {
                written += static_cast<std::size_t>(w);
            }
        }
        pollfd p{master, POLLIN, 0};
        if (::poll(&p, 1, written < total ? 0 : 1000) > 0) {
            const ssize_t r = ::read(master, buf, sizeof buf);
            if (r > 0) {
                readBytes += static_cast<std::size_t>(r);
            }
        }
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    ::close(slave);
    ::close(master);
    return static_cast<double>(total) / seconds;
}

struct Sim {
    explicit Sim(const QStringList& options) {
        if (!process.start(options + QStringList{"--log", "/dev/null"})) {
            fail(process.error().toStdString());
        }
        fd = openRaw(process.devicePath().toLocal8Bit().constData());
    }
    ~Sim() {
        ::close(fd);
        process.stop();
    }
    SimProcess process;
    int fd = -1;
};

double seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

int run(const QCoreApplication& app) {
    const bool quick = app.arguments().contains(QStringLiteral("--quick"));
    const int rounds = quick ? 5 : 50;
    const std::size_t pacedBytes = quick ? 256 : 1024;

    const double raw = rawPtyBytesPerSecond(static_cast<std::size_t>(rounds) * 2 * 14336);
    std::printf("baseline  raw pty, one process        %10.2f MB/s\n", raw / 1e6);

    {
        Sim sim({});
        std::size_t bytes = 0;
        auto start = Clock::now();
        for (int r = 0; r < rounds; ++r) {
            bytes += program(sim.fd, 14336);
        }
        const double programRate = static_cast<double>(bytes) / seconds(start);
        bytes = 0;
        start = Clock::now();
        for (int r = 0; r < rounds; ++r) {
            bytes += readBack(sim.fd, 14336);
        }
        const double readRate = static_cast<double>(bytes) / seconds(start);

        Bytes bursts;
        for (int i = 0; i < 2000; ++i) {
            for (int c = 0; c < 12; ++c) {
                bursts.push_back(static_cast<unsigned char>(c < 8 ? c + 8 : c + 32));
                bursts.push_back(static_cast<unsigned char>(i % 256));
            }
        }
        start = Clock::now();
        writeAll(sim.fd, bursts);
        writeAll(sim.fd, Bytes{6}); // answered only once every burst before it was taken
        readExactly(sim.fd, 2 + 14336);
        const double burstRate = static_cast<double>(bursts.size()) / seconds(start);

        std::printf("unpaced   flash program, 14336 bytes %10.2f MB/s  (%d rounds, ack every 256)\n",
                    programRate / 1e6, rounds);
        std::printf("unpaced   flash read, 14336 bytes    %10.2f MB/s\n", readRate / 1e6);
        std::printf("unpaced   ChannelBurst stream        %10.2f MB/s  (%.0f events/s logged)\n",
                    burstRate / 1e6, burstRate / 2);
        const double slowest = std::min({programRate, readRate, burstRate});
        std::printf("goal      > 1 MB/s unpaced           %s (slowest %.2f MB/s, %.0f%% of raw pty)\n",
                    slowest > 1e6 ? "met" : "NOT MET", slowest / 1e6, 100.0 * slowest / raw);
    }

    {
        Sim sim({"--pace"});
        auto start = Clock::now();
        // Each block goes out only after the ack before it, as the panel does: every byte of
        // the exchange crosses the line one after the other.
        const std::size_t programmed = program(sim.fd, pacedBytes);
        const double programMs = seconds(start) * 1000.0 / static_cast<double>(programmed);
        start = Clock::now();
        const std::size_t read = readBack(sim.fd, pacedBytes);
        const double readMs = seconds(start) * 1000.0 / static_cast<double>(read);
        std::printf("baseline  9600 baud 8N2 line         %10.4f ms/byte\n", kLineByteMs);
        std::printf("paced     flash program, %4zu bytes  %10.4f ms/byte  (%+.1f%%)\n", pacedBytes,
                    programMs, 100.0 * (programMs - kLineByteMs) / kLineByteMs);
        std::printf("paced     flash read, %4zu bytes     %10.4f ms/byte  (%+.1f%%)\n", pacedBytes,
                    readMs, 100.0 * (readMs - kLineByteMs) / kLineByteMs);
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    try {
        return run(app);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "boardsim_bench: %s\n", e.what());
        return 1;
    }
}
