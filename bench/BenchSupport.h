#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QString>
#include <QStringList>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <exception>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

// What every bench shares: its main(), process CPU time, percentiles, the median time of a
// piece of work, and the bare writer that sets the line's floor for a flash programming.
namespace benchsupport {

// main() of a bench: unknown options refused before any work, a failure reported under the
// bench's name. App is QCoreApplication, or QApplication for a bench that drives the window.
template <typename App = QCoreApplication>
int benchMain(int argc, char** argv, const char* name, const QStringList& options,
              const std::function<int(const QStringList& args)>& bench) {
    App app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    for (const QString& arg : args) {
        if (!options.contains(arg)) {
            std::fprintf(stderr, "usage: %s [%s]\n", name,
                         qPrintable(options.join(QStringLiteral("] ["))));
            return 2;
        }
    }
    try {
        return bench(args);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", name, e.what());
        return 1;
    }
}

inline double cpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

// The nearest-rank percentile, p in 0..1; 0 for no values.
inline double percentile(std::vector<double> values, double p) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    const size_t rank = size_t(std::ceil(p * double(values.size())));
    return values[std::clamp<size_t>(rank, 1, values.size()) - 1];
}

inline double median(std::vector<double> values) {
    return percentile(std::move(values), 0.5);
}

inline double medianMs(int runs, const std::function<void()>& work) {
    std::vector<double> times;
    times.reserve(size_t(runs));
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    return median(std::move(times));
}

// A serial device in raw mode, blocking.
inline int openRawLine(const QString& device) {
    const int fd = ::open(device.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        throw std::runtime_error("cannot open " + device.toStdString());
    }
    termios t{};
    ::tcgetattr(fd, &t);
    ::cfmakeraw(&t);
    ::tcsetattr(fd, TCSANOW, &t);
    return fd;
}

// A flash programming of `imageBytes` with nothing but write, poll and read: the request with
// the count, then the image a byte at a time, waiting for the acknowledgement (255) after the
// count and after each block of 256. Returns its wall time in seconds.
inline double programBare(const QString& device, int imageBytes) {
    const int fd = openRawLine(device);
    std::vector<unsigned char> bytes{2, static_cast<unsigned char>(imageBytes / 256),
                                     static_cast<unsigned char>(imageBytes % 256)};
    for (int i = 0; i < imageBytes; ++i) {
        bytes.push_back(static_cast<unsigned char>(i % 251));
    }
    const auto readAck = [fd] {
        pollfd p{fd, POLLIN, 0};
        unsigned char b = 0;
        return ::poll(&p, 1, 5000) == 1 && ::read(fd, &b, 1) == 1 && b == 255;
    };
    QElapsedTimer timer;
    timer.start();
    bool ok = true;
    for (size_t i = 0; i < bytes.size() && ok; ++i) {
        ok = ::write(fd, &bytes[i], 1) == 1;
        const int sent = int(i) - 2; // image bytes written so far
        if (ok && (i == 2 || (sent > 0 && sent % 256 == 0))) {
            ok = readAck();
        }
    }
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    ::close(fd);
    if (!ok) {
        throw std::runtime_error("the bare writer lost the exchange");
    }
    return seconds;
}

} // namespace benchsupport
