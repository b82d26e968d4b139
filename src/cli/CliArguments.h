#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <optional>
#include <variant>

class ChannelSetup;

// The command line of tessarel-cli: one command, its arguments and the options around it.
namespace cliargs {

enum class Command { Ports, Program, Verify, Read, Erase, BoardPlay, Play, Move, Centre, Release };

// One channel of "move": 3=200, 3=20°, 3=-12.5deg, or by its name, elbow=140.
struct ChannelTarget {
    int channel = 0; // -1 until a name is looked up in the channel setup
    int position = 128;
    QString name; // as given
    bool operator==(const ChannelTarget&) const = default;
};

struct Request {
    Command command = Command::Ports;
    QString port = QStringLiteral("Comm1");
    QString file;   // program, verify, play
    QString output; // read: empty for standard output
    bool verifyAfter = true;
    bool boardPlayOn = false;
    std::optional<qint32> fixedMs;
    int from = 0;
    bool loop = false;
    bool changedOnly = false;
    QList<ChannelTarget> targets;
    QString setupFile;   // empty: the setup the window keeps in the settings
    double timeoutS = 5; // 0: wait for ever
    bool json = false;
    bool quiet = false;
};

// What to do instead of running a command.
struct Help {
    QString text;
};
struct Usage {
    QString error;
};
using Parsed = std::variant<Request, Help, Usage>;

// args as main() gets them, the program's name first.
Parsed parse(const QStringList& args);

// "3=200", "Ch3=20°", "11=-12.5deg", "elbow=140": the channel (or its name) and its position,
// or why not.
std::variant<ChannelTarget, QString> parseTarget(const QString& text);

// Gives each target named by a channel's name (whatever its case) its channel. Empty when every
// name names one channel and no channel comes twice; else why not, naming the target.
QString resolveTargets(QList<ChannelTarget>& targets, const ChannelSetup& setup);

inline constexpr qint32 kFixedMinMs = 50;
inline constexpr qint32 kFixedMaxMs = 1000000;

} // namespace cliargs
