#pragma once

#include "BenchSupport.h"

#include <QApplication>

// main() of a bench that drives the window: offscreen unless a platform is asked for.
namespace benchsupport {

inline int windowBenchMain(int argc, char** argv, const char* name, const QStringList& options,
                           const std::function<int(const QStringList& args)>& bench) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    return benchMain<QApplication>(argc, argv, name, options, bench);
}

} // namespace benchsupport
