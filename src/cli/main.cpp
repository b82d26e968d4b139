#include "CliArguments.h"
#include "CliSession.h"
#include "Console.h"
#include "ExitCode.h"
#include "SignalPipe.h"

#include <QCoreApplication>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <unistd.h>
#include <variant>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tessarel-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TESSAREL_VERSION));

    const cliargs::Parsed parsed = cliargs::parse(QCoreApplication::arguments());
    if (const auto* help = std::get_if<cliargs::Help>(&parsed)) {
        std::fputs(help->text.toUtf8().constData(), stdout);
        return cli::kDone;
    }
    if (const auto* usage = std::get_if<cliargs::Usage>(&parsed)) {
        std::fprintf(stderr, "tessarel-cli: %s\nTry 'tessarel-cli --help'.\n",
                     usage->error.toUtf8().constData());
        return cli::kUsage;
    }
    const cliargs::Request& request = std::get<cliargs::Request>(parsed);

    Console console({stdout, stderr, ::isatty(STDERR_FILENO) == 1, request.json, request.quiet});
    CliSession session(request, console);
    SignalPipe signalPipe({SIGINT, SIGTERM});
    QObject::connect(&signalPipe, &SignalPipe::received, &session, &CliSession::interrupt);
    QObject::connect(&session, &CliSession::finished, &app, &QCoreApplication::exit,
                     Qt::QueuedConnection);
    QTimer::singleShot(0, &session, &CliSession::start);
    return QCoreApplication::exec();
}
