#include "CliArguments.h"

#include "core/setup/ChannelSetup.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QRegularExpression>

#include <cmath>

namespace cliargs {

namespace {

const QString kCommandsHelp =
    QStringLiteral("Commands:\n"
                   "  ports                      List Comm1 to Comm8 and what each leads to.\n"
                   "  program FILE.dat           Write the sequence into the board's flash, then\n"
                   "                             read it back and compare (--no-verify skips\n"
                   "                             that).\n"
                   "  verify FILE.dat            Tell whether the board's flash holds the\n"
                   "                             sequence.\n"
                   "  read [-o FILE.dat]         Write what the flash holds as a sequence file\n"
                   "                             (standard output by default).\n"
                   "  erase                      Erase the board's flash.\n"
                   "  board-play on|off          Start or stop the board's own playback of its\n"
                   "                             flash.\n"
                   "  play FILE.dat              Play the sequence from the PC, each step for its\n"
                   "                             own time (--fixed MS: all for MS ms), from step\n"
                   "                             0 (--from N), once or over and over (--loop),\n"
                   "                             each step whole or only the channels that\n"
                   "                             change (--changed-only). Ctrl+C stops it and\n"
                   "                             hands the servos back.\n"
                   "  move CH=POS...             Take PC control and move channels: CH is 0 to\n"
                   "                             11 or a name from the channel setup (any\n"
                   "                             case); POS is 0 to 255 (128 the centre), or an\n"
                   "                             angle such as 20\u00B0 or -12.5deg.\n"
                   "  centre                     Take PC control and move all twelve channels to\n"
                   "                             128 (0\u00B0).\n"
                   "  release                    Hand the servos back to the board (PC control\n"
                   "                             off).\n"
                   "\n"
                   "Every position sent or programmed is held to its channel's limits, from\n"
                   "--setup FILE or else from the channel setup the panel keeps.\n");

const QString kExitHelp = QStringLiteral(
    "Exit status:\n"
    "  0    done\n"
    "  1    verify: the board's flash does not hold the file\n"
    "  2    usage error\n"
    "  3    a file cannot be read or written, is no channel setup, or holds a step the\n"
    "       flash cannot store\n"
    "  4    the port cannot be opened, or the connection was lost\n"
    "  5    the board did not answer within the time-out, or answered wrongly\n"
    "  130  interrupted (Ctrl+C or SIGTERM); an interrupted program leaves the flash\n"
    "       incomplete\n");

struct CommandName {
    const char* name;
    Command command;
};
constexpr CommandName kCommands[] = {
    {"ports", Command::Ports},   {"program", Command::Program}, {"verify", Command::Verify},
    {"read", Command::Read},     {"erase", Command::Erase},     {"board-play", Command::BoardPlay},
    {"play", Command::Play},     {"move", Command::Move},       {"centre", Command::Centre},
    {"center", Command::Centre}, {"release", Command::Release},
};

std::optional<Command> commandNamed(const QString& name) {
    for (const CommandName& c : kCommands) {
        if (name == QLatin1String(c.name)) {
            return c.command;
        }
    }
    return std::nullopt;
}

// How many arguments a command takes after its name: at least, at most (-1: any).
std::pair<int, int> argumentCount(Command command) {
    switch (command) {
    case Command::Program:
    case Command::Verify:
    case Command::Play:
    case Command::BoardPlay:
        return {1, 1};
    case Command::Move:
        return {1, -1};
    default:
        return {0, 0};
    }
}

std::optional<int> wholeNumber(const QString& text) {
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok ? std::optional<int>(value) : std::nullopt;
}

} // namespace

std::variant<ChannelTarget, QString> parseTarget(const QString& text) {
    // A number is a channel's number even where a channel has that name. A name may hold "=":
    // the position after the last one is never a name.
    static const QRegularExpression form(
        QStringLiteral("^(?:(?:[Cc][Hh])?(\\d+)|(.+))=(-?\\d+(?:\\.\\d+)?)(\u00B0|deg)?$"));
    const QRegularExpressionMatch m = form.match(text);
    if (!m.hasMatch()) {
        return QStringLiteral(
                   "\"%1\" is not CH=POS (3=200 or elbow=200) or CH=ANGLE (3=20° or 3=20deg)")
            .arg(text);
    }
    const QString name = m.captured(2);
    const int channel = name.isEmpty() ? m.captured(1).toInt() : -1;
    if (channel > 11) {
        return QStringLiteral("\"%1\": the channels are 0 to 11").arg(text);
    }
    const double value = m.captured(3).toDouble();
    if (m.captured(4).isEmpty()) {
        if (m.captured(3).contains(QLatin1Char('.')) || value < 0 || value > 255) {
            return QStringLiteral("\"%1\": a position is a whole number from 0 to 255").arg(text);
        }
        return ChannelTarget{channel, int(value), name};
    }
    // An angle is (position - 128) / 2: half degrees from -64 to 63.5.
    const double position = 128 + 2 * value;
    if (position != std::floor(position) || position < 0 || position > 255) {
        return QStringLiteral("\"%1\": an angle is -64° to 63.5° in steps of 0.5°").arg(text);
    }
    return ChannelTarget{channel, int(position), name};
}

QString resolveTargets(QList<ChannelTarget>& targets, const ChannelSetup& setup) {
    for (ChannelTarget& t : targets) {
        if (t.channel >= 0) {
            continue;
        }
        QStringList named;
        for (int c = 0; c < kChannelCount; ++c) {
            const QString& name = setup.channel(c).name;
            if (!name.isEmpty() && name.compare(t.name, Qt::CaseInsensitive) == 0) {
                t.channel = c;
                named << setup.label(c);
            }
        }
        if (named.isEmpty()) {
            return QStringLiteral("no channel is named \"%1\"").arg(t.name);
        }
        if (named.size() > 1) {
            return QStringLiteral("\"%1\" names more than one channel: %2")
                .arg(t.name, named.join(QStringLiteral(", ")));
        }
    }
    for (qsizetype i = 0; i < targets.size(); ++i) {
        for (qsizetype k = 0; k < i; ++k) {
            if (targets[k].channel == targets[i].channel) {
                return QStringLiteral("%1 is given twice").arg(setup.label(targets[i].channel));
            }
        }
    }
    return {};
}

Parsed parse(const QStringList& args) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Programs, reads, verifies and plays the servo board's sequences from a "
                       "shell or a script."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help."));
    const QCommandLineOption version(QStringLiteral("version"),
                                     QStringLiteral("Show the version."));
    const QCommandLineOption port(
        {QStringLiteral("p"), QStringLiteral("port")},
        QStringLiteral("The board's port: Comm1 to Comm8 as the panel numbers them (default "
                       "Comm1), or a device such as /dev/ttyUSB0."),
        QStringLiteral("CommN|DEVICE"));
    const QCommandLineOption noVerify(QStringLiteral("no-verify"),
                                      QStringLiteral("program: do not read the flash back."));
    const QCommandLineOption output(
        {QStringLiteral("o"), QStringLiteral("output")},
        QStringLiteral("read: write to FILE instead of standard output."), QStringLiteral("FILE"));
    const QCommandLineOption fixed(QStringLiteral("fixed"),
                                   QStringLiteral("play: every step lasts MS ms (50 to 1000000)."),
                                   QStringLiteral("MS"));
    const QCommandLineOption from(QStringLiteral("from"),
                                  QStringLiteral("play: start at step N (counted from 0)."),
                                  QStringLiteral("N"));
    const QCommandLineOption loop(
        QStringLiteral("loop"),
        QStringLiteral("play: start over after the last step until stopped."));
    const QCommandLineOption changedOnly(
        QStringLiteral("changed-only"),
        QStringLiteral("play: send only the channels a step changes; the first step and each "
                       "pass through step 0 send all twelve."));
    const QCommandLineOption setup(
        QStringLiteral("setup"),
        QStringLiteral("The channel setup (names and limits) in FILE, as the panel exports it, "
                       "instead of the one the panel keeps."),
        QStringLiteral("FILE"));
    const QCommandLineOption timeout(
        QStringLiteral("timeout"),
        QStringLiteral("Give up when the board is silent for S seconds during a transfer "
                       "(default 5; 0 waits for ever)."),
        QStringLiteral("S"));
    const QCommandLineOption json(QStringLiteral("json"),
                                  QStringLiteral("Print one JSON object with the result."));
    const QCommandLineOption quiet({QStringLiteral("q"), QStringLiteral("quiet")},
                                   QStringLiteral("Print nothing but errors (and read's file)."));
    parser.addOptions({help, version, port, setup, noVerify, output, fixed, from, loop, changedOnly,
                       timeout, json, quiet});
    parser.addPositionalArgument(QStringLiteral("command"),
                                 QStringLiteral("What to do, and its arguments (see Commands)."),
                                 QStringLiteral("command [arguments...]"));

    if (!parser.parse(args)) {
        return Usage{parser.errorText()};
    }
    if (parser.isSet(help)) {
        // The usage line names the program, not the path it was started by.
        static const QRegularExpression usageLine(QStringLiteral("^Usage: \\S+"));
        return Help{parser.helpText().replace(usageLine, QStringLiteral("Usage: tessarel-cli")) +
                    QLatin1Char('\n') + kCommandsHelp + QLatin1Char('\n') + kExitHelp};
    }
    if (parser.isSet(version)) {
        return Help{
            QStringLiteral("tessarel-cli %1\n").arg(QCoreApplication::applicationVersion())};
    }

    QStringList positional = parser.positionalArguments();
    if (positional.isEmpty()) {
        return Usage{QStringLiteral("no command given")};
    }
    const QString name = positional.takeFirst();
    const std::optional<Command> command = commandNamed(name);
    if (!command) {
        return Usage{QStringLiteral("unknown command \"%1\"").arg(name)};
    }
    const auto [least, most] = argumentCount(*command);
    if (positional.size() < least || (most >= 0 && positional.size() > most)) {
        return Usage{QStringLiteral("%1 takes %2").arg(name, [&] {
            switch (*command) {
            case Command::Program:
            case Command::Verify:
            case Command::Play:
                return QStringLiteral("one sequence file");
            case Command::BoardPlay:
                return QStringLiteral("on or off");
            case Command::Move:
                return QStringLiteral("one or more CH=POS");
            default:
                return QStringLiteral("no arguments");
            }
        }())};
    }

    Request request;
    request.command = *command;
    const auto onlyWith = [&](const QCommandLineOption& option, Command owner) {
        return parser.isSet(option) && *command != owner;
    };
    const std::pair<const QCommandLineOption*, Command> owned[] = {
        {&noVerify, Command::Program}, {&output, Command::Read}, {&fixed, Command::Play},
        {&from, Command::Play},        {&loop, Command::Play},   {&changedOnly, Command::Play},
    };
    for (const auto& [option, owner] : owned) {
        if (onlyWith(*option, owner)) {
            const QString ownerName = owner == Command::Program ? QStringLiteral("program")
                                      : owner == Command::Read  ? QStringLiteral("read")
                                                                : QStringLiteral("play");
            return Usage{
                QStringLiteral("--%1 belongs to %2").arg(option->names().constLast(), ownerName)};
        }
    }

    if (parser.isSet(port)) {
        request.port = parser.value(port);
    }
    request.verifyAfter = !parser.isSet(noVerify);
    request.output = parser.value(output);
    request.loop = parser.isSet(loop);
    request.changedOnly = parser.isSet(changedOnly);
    request.setupFile = parser.value(setup);
    request.json = parser.isSet(json);
    request.quiet = parser.isSet(quiet);
    if (request.json && *command == Command::Read && request.output.isEmpty()) {
        return Usage{QStringLiteral("read --json needs -o FILE: standard output carries the JSON")};
    }
    if (parser.isSet(fixed)) {
        const std::optional<int> ms = wholeNumber(parser.value(fixed));
        if (!ms || *ms < kFixedMinMs || *ms > kFixedMaxMs) {
            return Usage{QStringLiteral("--fixed takes a whole number of ms from %1 to %2")
                             .arg(kFixedMinMs)
                             .arg(kFixedMaxMs)};
        }
        request.fixedMs = *ms;
    }
    if (parser.isSet(from)) {
        const std::optional<int> n = wholeNumber(parser.value(from));
        if (!n || *n < 0) {
            return Usage{QStringLiteral("--from takes a step number, 0 or more")};
        }
        request.from = *n;
    }
    if (parser.isSet(timeout)) {
        bool ok = false;
        request.timeoutS = parser.value(timeout).toDouble(&ok);
        if (!ok || !std::isfinite(request.timeoutS) || request.timeoutS < 0) {
            return Usage{QStringLiteral("--timeout takes seconds, 0 or more")};
        }
    }

    switch (*command) {
    case Command::Program:
    case Command::Verify:
    case Command::Play:
        request.file = positional.constFirst();
        break;
    case Command::BoardPlay:
        if (positional.constFirst() != QLatin1String("on") &&
            positional.constFirst() != QLatin1String("off")) {
            return Usage{QStringLiteral("board-play takes on or off")};
        }
        request.boardPlayOn = positional.constFirst() == QLatin1String("on");
        break;
    case Command::Move:
        for (const QString& text : positional) {
            const auto target = parseTarget(text);
            if (const QString* error = std::get_if<QString>(&target)) {
                return Usage{*error};
            }
            request.targets << std::get<ChannelTarget>(target);
        }
        break;
    default:
        break;
    }
    return request;
}

} // namespace cliargs
