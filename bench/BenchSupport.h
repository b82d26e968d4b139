#pragma once

#include <QElapsedTimer>

#include <algorithm>
#include <cmath>
#include <ctime>
#include <functional>
#include <vector>

// Figures every bench prints: process CPU time, percentiles, the median time of a piece of work.
namespace benchsupport {

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

inline double median(std::vector<double> values) { return percentile(std::move(values), 0.5); }

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

} // namespace benchsupport
