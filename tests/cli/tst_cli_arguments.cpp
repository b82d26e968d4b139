#include "CliArguments.h"
#include "Console.h"

#include "core/setup/ChannelSetup.h"

#include <QTest>

using namespace cliargs;

class TestCliArguments : public QObject {
    Q_OBJECT

private slots:
    // Positions go to the board as they are; angles are (position - 128) / 2, as the panel
    // shows them.
    void target_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("channel");
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("channelName");
        QTest::addColumn<QString>("error");
        const auto row = [](const char* name, const char* text, int channel, int position,
                            const char* channelName = "") {
            QTest::newRow(name) << QString::fromUtf8(text) << channel << position
                                << QString::fromUtf8(channelName) << QString();
        };
        const auto refused = [](const char* name, const char* text, const char* error) {
            QTest::newRow(name) << QString::fromUtf8(text) << -1 << -1 << QString()
                                << QString::fromUtf8(error);
        };
        row("position", "3=200", 3, 200);
        row("lowest", "0=0", 0, 0);
        row("highest, with Ch", "Ch11=255", 11, 255);
        row("degree sign", "5=20°", 5, 168);
        row("deg, a negative half", "11=-12.5deg", 11, 103);
        row("lowest angle", "0=-64deg", 0, 0);
        row("highest angle", "1=63.5°", 1, 255);
        row("a name", "elbow=140", -1, 140, "elbow");
        row("a name with an angle", "Left Knee=-10deg", -1, 108, "Left Knee");
        row("a name holding =", "a=b=7", -1, 7, "a=b");
        refused("position past 255", "3=256",
                "\"3=256\": a position is a whole number from 0 to 255");
        refused("fractional position", "3=12.5",
                "\"3=12.5\": a position is a whole number from 0 to 255");
        refused("angle past 63.5", "3=64deg",
                "\"3=64deg\": an angle is -64° to 63.5° in steps of 0.5°");
        refused("quarter degree", "3=10.25°",
                "\"3=10.25°\": an angle is -64° to 63.5° in steps of 0.5°");
        refused("channel 12", "12=100", "\"12=100\": the channels are 0 to 11");
        refused("no equals sign", "3:100",
                "\"3:100\" is not CH=POS (3=200 or elbow=200) or CH=ANGLE (3=20° or 3=20deg)");
        refused("radians", "3=1rad",
                "\"3=1rad\" is not CH=POS (3=200 or elbow=200) or CH=ANGLE (3=20° or 3=20deg)");
        refused("no name", "=100",
                "\"=100\" is not CH=POS (3=200 or elbow=200) or CH=ANGLE (3=20° or 3=20deg)");
    }
    void target() {
        QFETCH(QString, text);
        QFETCH(int, channel);
        QFETCH(int, position);
        QFETCH(QString, channelName);
        QFETCH(QString, error);
        const auto parsed = parseTarget(text);
        if (error.isEmpty()) {
            QCOMPARE(std::get<ChannelTarget>(parsed),
                     (ChannelTarget{channel, position, channelName}));
        } else {
            QCOMPARE(std::get<QString>(parsed), error);
        }
    }

    void usage_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("error");
        const auto row = [](const char* name, const QStringList& args, const char* error) {
            QTest::newRow(name) << args << QString::fromUtf8(error);
        };
        row("no command", {}, "no command given");
        row("unknown command", {"flash"}, "unknown command \"flash\"");
        row("program without a file", {"program"}, "program takes one sequence file");
        row("verify with two files", {"verify", "a.dat", "b.dat"},
            "verify takes one sequence file");
        row("erase with an argument", {"erase", "all"}, "erase takes no arguments");
        row("move without a channel", {"move"}, "move takes one or more CH=POS");
        row("board-play maybe", {"board-play", "maybe"}, "board-play takes on or off");
        row("--loop with program", {"program", "a.dat", "--loop"}, "--loop belongs to play");
        row("--changed-only with move", {"move", "3=1", "--changed-only"},
            "--changed-only belongs to play");
        row("-o with verify", {"verify", "a.dat", "-o", "b.dat"}, "--output belongs to read");
        row("--no-verify with read", {"read", "--no-verify"}, "--no-verify belongs to program");
        row("--fixed below the field's range", {"play", "a.dat", "--fixed", "49"},
            "--fixed takes a whole number of ms from 50 to 1000000");
        row("--fixed not a number", {"play", "a.dat", "--fixed", "fast"},
            "--fixed takes a whole number of ms from 50 to 1000000");
        row("negative --from", {"play", "a.dat", "--from", "-1"},
            "--from takes a step number, 0 or more");
        row("negative --timeout", {"erase", "--timeout", "-1"},
            "--timeout takes seconds, 0 or more");
        row("read --json to standard output", {"read", "--json"},
            "read --json needs -o FILE: standard output carries the JSON");
        row("unknown option", {"ports", "--colour"}, "Unknown option 'colour'.");
    }
    void usage() {
        QFETCH(QStringList, args);
        QFETCH(QString, error);
        args.prepend(QStringLiteral("tessarel-cli"));
        const Parsed parsed = parse(args);
        QVERIFY(std::holds_alternative<Usage>(parsed));
        QCOMPARE(std::get<Usage>(parsed).error, error);
    }

    // Names as the setup has them, whatever their case; a channel once, however it is named.
    void resolve_data() {
        QTest::addColumn<QStringList>("targets");
        QTest::addColumn<QList<int>>("channels");
        QTest::addColumn<QString>("error");
        QTest::newRow("names in any case")
            << QStringList{"ELBOW=140", "wrist=10", "0=5"} << QList<int>{3, 7, 0} << QString();
        QTest::newRow("an unknown name")
            << QStringList{"elbw=140"} << QList<int>{} << "no channel is named \"elbw\"";
        QTest::newRow("a name two channels have")
            << QStringList{"arm=140"} << QList<int>{}
            << "\"arm\" names more than one channel: Ch2 (Arm), Ch5 (arm)";
        QTest::newRow("a channel by number and by name")
            << QStringList{"9=1", "Wrist=2", "7=3"} << QList<int>{} << "Ch7 (Wrist) is given twice";
    }
    void resolve() {
        QFETCH(QStringList, targets);
        QFETCH(QList<int>, channels);
        QFETCH(QString, error);
        ChannelSetup setup;
        for (const auto& [channel, name] : {std::pair{2, "Arm"}, std::pair{3, "elbow"},
                                            std::pair{5, "arm"}, std::pair{7, "Wrist"}}) {
            QVERIFY(setup.setChannel(channel, {QString::fromUtf8(name), 0, 255}));
        }
        QList<ChannelTarget> parsed;
        for (const QString& text : targets) {
            parsed << std::get<ChannelTarget>(parseTarget(text));
        }
        QCOMPARE(resolveTargets(parsed, setup), error);
        if (error.isEmpty()) {
            QList<int> resolved;
            for (const ChannelTarget& t : parsed) {
                resolved << t.channel;
            }
            QCOMPARE(resolved, channels);
        }
    }

    void request() {
        const Parsed parsed =
            parse({"tessarel-cli", "--port", "/dev/ttyUSB0", "play", "show.dat", "--fixed", "500",
                   "--from", "3", "--loop", "--json", "--timeout", "2.5", "--changed-only",
                   "--setup", "robot.json"});
        const Request r = std::get<Request>(parsed);
        QCOMPARE(r.command, Command::Play);
        QCOMPARE(r.port, QStringLiteral("/dev/ttyUSB0"));
        QCOMPARE(r.file, QStringLiteral("show.dat"));
        QCOMPARE(r.fixedMs, std::optional<qint32>(500));
        QCOMPARE(r.from, 3);
        QVERIFY(r.loop && r.json && !r.quiet && r.verifyAfter && r.changedOnly);
        QCOMPARE(r.setupFile, QStringLiteral("robot.json"));
        QCOMPARE(r.timeoutS, 2.5);

        const Request defaults = std::get<Request>(parse({"tessarel-cli", "program", "a.dat"}));
        QCOMPARE(defaults.port, QStringLiteral("Comm1"));
        QCOMPARE(defaults.timeoutS, 5.0);
        QVERIFY(defaults.verifyAfter && !defaults.fixedMs && !defaults.changedOnly);
        QCOMPARE(defaults.setupFile, QString());
    }

    // The help names every exit status a script may see.
    void help() {
        const QString text = std::get<Help>(parse({"build/src/cli/tessarel-cli", "--help"})).text;
        QVERIFY(text.startsWith(QStringLiteral("Usage: tessarel-cli [options] command")));
        for (const char* line :
             {"  0    done\n", "  1    verify: the board's flash does not hold the file\n",
              "  2    usage error\n", "  3    a file cannot be read or written",
              "  4    the port cannot be opened, or the connection was lost\n",
              "  5    the board did not answer within the time-out, or answered wrongly\n",
              "  130  interrupted (Ctrl+C or SIGTERM)"}) {
            QVERIFY2(text.contains(QLatin1String(line)), line);
        }
    }

    // 9600 baud 8N2: 11 bits, 1.146 ms a byte.
    void progressLine_data() {
        QTest::addColumn<qint64>("done");
        QTest::addColumn<qint64>("total");
        QTest::addColumn<QString>("line");
        QTest::newRow("start")
            << qint64(3) << qint64(14339)
            << "Programming  [------------------------]  3/14339 bytes    0 %  16.4 s left";
        QTest::newRow("half")
            << qint64(7170) << qint64(14339)
            << "Programming  [############------------]  7170/14339 bytes   50 %  8.2 s left";
        QTest::newRow("end")
            << qint64(14339) << qint64(14339)
            << "Programming  [########################]  14339/14339 bytes  100 %  0.0 s left";
        QTest::newRow("nothing to send")
            << qint64(0) << qint64(0)
            << "Programming  [########################]  0/0 bytes  100 %  0.0 s left";
    }
    void progressLine() {
        QFETCH(qint64, done);
        QFETCH(qint64, total);
        QFETCH(QString, line);
        QCOMPARE(console::progressLine(QStringLiteral("Programming"), done, total, 1145833), line);
    }
};

QTEST_GUILESS_MAIN(TestCliArguments)
#include "tst_cli_arguments.moc"
