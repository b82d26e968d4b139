#pragma once

#include <QApplication>
#include <QByteArray>
#include <QStringList>

#include <cstdio>
#include <exception>
#include <functional>

// main() of a bench that drives the window: offscreen unless a platform is asked for, unknown
// options refused before any work, and a failure reported under the bench's name.
namespace benchsupport {

inline int windowBenchMain(int argc, char** argv, const char* name, const QStringList& options,
                           const std::function<int(const QStringList& args)>& bench) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
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

} // namespace benchsupport
