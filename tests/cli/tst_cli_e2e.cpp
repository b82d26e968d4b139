#include "support/SimProcess.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <memory>

#ifndef TESSAREL_CLI_PATH
#error "TESSAREL_CLI_PATH must name the built tessarel-cli"
#endif

namespace {

struct CliRun {
    int code = -1;
    QByteArray out;
    QByteArray err;
};

// A sequence file as the format has it: twelve positions and the duration, each and a TAB,
// CR LF. Durations are whole 20 ms units, so they come back from the flash as written.
QByteArray sequenceFile(int steps) {
    QByteArray bytes;
    for (int s = 0; s < steps; ++s) {
        for (int c = 0; c < 12; ++c) {
            bytes += QByteArray::number((s * 11 + c * 29 + 3) % 256) + '\t';
        }
        bytes += QByteArray::number(20 * (1 + s % 200)) + "\t\r\n";
    }
    return bytes;
}

// Field f of step s of such a file, changed to value.
QByteArray withField(QByteArray file, int s, int f, int value) {
    QList<QByteArray> lines = file.split('\n');
    QList<QByteArray> fields = lines[s].split('\t');
    fields[f] = QByteArray::number(value);
    lines[s] = fields.join('\t');
    return lines.join('\n');
}

// The first n lines of a file.
QByteArray firstLines(const QByteArray& file, int n) {
    qsizetype end = 0;
    for (int i = 0; i < n; ++i) {
        end = file.indexOf('\n', end) + 1;
    }
    return file.left(end);
}

// Three steps of 100 ms: every channel at 100, then 150, then 200.
const QByteArray kThreeSteps =
    QByteArrayLiteral("100\t100\t100\t100\t100\t100\t100\t100\t100\t100\t100\t100\t100\t\r\n"
                      "150\t150\t150\t150\t150\t150\t150\t150\t150\t150\t150\t150\t100\t\r\n"
                      "200\t200\t200\t200\t200\t200\t200\t200\t200\t200\t200\t200\t100\t\r\n");

// Ch3 called "elbow" and held to 100...180, as the window exports it and as it keeps it.
const QByteArray kElbowSetup = QByteArrayLiteral(
    R"({"format": "tessarel-channel-setup", "version": 1,
        "channels": [{"channel": 3, "name": "elbow", "min": 100, "max": 180}]})");
const QByteArray kElbowSettings = QByteArrayLiteral("[channelSetup]\n"
                                                    "version=1\n"
                                                    "channels\\1\\channel=3\n"
                                                    "channels\\1\\name=elbow\n"
                                                    "channels\\1\\min=100\n"
                                                    "channels\\1\\max=180\n"
                                                    "channels\\size=1\n");

} // namespace

// The real tessarel-cli against the board simulator on a pseudo-terminal, attached as Comm1.
class TestCliEndToEnd : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<SimProcess> m_sim;

    QString path(const QString& name) const { return m_dir.filePath(name); }
    QString write(const QString& name, const QByteArray& bytes) {
        QFile file(path(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
            qFatal("cannot write %s", qPrintable(path(name)));
        }
        return path(name);
    }
    QByteArray contents(const QString& name) const {
        QFile file(path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
    }

    void startSim(const QStringList& options) {
        m_sim = std::make_unique<SimProcess>();
        m_sim->setEnvironmentValue(QStringLiteral("TESSAREL_PORT_DIR"), m_dir.path());
        QVERIFY2(
            m_sim->start(QStringList(options) << QStringLiteral("--attach") << QStringLiteral("1")),
            qPrintable(m_sim->error()));
    }
    // The simulator's log after its "attached" line, once it holds the line last (if given).
    QStringList simLines(const QString& last = {}) {
        if (!last.isEmpty() && m_sim->waitForLine(last) < 0) {
            return {QStringLiteral("(no \"%1\" in the log)").arg(last)};
        }
        return m_sim->lines().mid(1);
    }

    // Where the program finds the settings the window keeps.
    QString settingsDir() const { return m_dir.filePath(QStringLiteral("config/Tessarel")); }

    void launch(QProcess& cli, const QStringList& args) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("TESSAREL_PORT_DIR"), m_dir.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
        cli.setProcessEnvironment(env);
        cli.start(QStringLiteral(TESSAREL_CLI_PATH), args);
        QVERIFY(cli.waitForStarted());
    }
    // Pumps the event loop meanwhile, so the simulator's log keeps coming in.
    static CliRun finish(QProcess& cli) {
        if (!QTest::qWaitFor([&] { return cli.state() == QProcess::NotRunning; }, 90000)) {
            cli.kill();
            cli.waitForFinished();
        }
        return {cli.exitStatus() == QProcess::NormalExit ? cli.exitCode() : -1,
                cli.readAllStandardOutput(), cli.readAllStandardError()};
    }
    CliRun run(const QStringList& args) {
        QProcess cli;
        launch(cli, args);
        return finish(cli);
    }

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        write(QStringLiteral("seq.dat"), sequenceFile(1024));
    }
    void cleanup() { m_sim.reset(); }

    // What is read back is the file programmed, byte for byte.
    void roundTrip() {
        startSim({});
        const CliRun programmed = run({"program", path("seq.dat")});
        QCOMPARE(programmed.err, QByteArray());
        QCOMPARE(programmed.out, QByteArray("Data Flash Programmed!\n"
                                            "The board's flash holds this list (1024 steps).\n"));
        QCOMPARE(programmed.code, 0);
        const CliRun toFile = run({"read", "-o", path("back.dat")});
        QCOMPARE(toFile.out, QByteArray("Data Flash Read!\n"));
        QCOMPARE(toFile.code, 0);
        QCOMPARE(contents("back.dat"), sequenceFile(1024));
        const CliRun toOutput = run({"read"});
        QCOMPARE(toOutput.code, 0);
        QCOMPARE(toOutput.err, QByteArray());
        QCOMPARE(toOutput.out, sequenceFile(1024));
        // PC control goes back to the board before the flash is written, as the panel does.
        QCOMPARE(simLines().mid(0, 3), QStringList({"pc-control off", "flash-program begin 14336",
                                                    "flash-program complete 14336"}));
    }

    void verifyDifference_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("field"); // of the first difference in the JSON object
        const QByteArray seq = sequenceFile(1024);
        QTest::newRow("a position")
            << withField(seq, 700, 5, 169) << 1
            << "The board's flash does not hold this list. Step N° 700, Ch5: "
               "the flash holds 20 °, the list 20.5 °; 1 step differs."
            << "Ch5";
        QTest::newRow("a duration")
            << withField(seq, 900, 12, 2040) << 1
            << "The board's flash does not hold this list. Step N° 900, duration: the flash holds "
               "2020 ms, the list 2040 ms; 1 step differs."
            << "duration";
        QTest::newRow("a step less") << firstLines(seq, 1023) << 1
                                     << "The board's flash does not hold this list. Step N° 1023: "
                                        "the flash holds 1024 steps, the list 1023; 1 step differs."
                                     << "step";
        // 125 ms is stored as 6 units of 20 ms, as 120 ms is.
        QTest::newRow("a duration the flash rounds alike")
            << withField(seq, 5, 12, 125) << 0 << "The board's flash holds this list (1024 steps)."
            << QString();
    }
    void verifyDifference() {
        QFETCH(QByteArray, file);
        QFETCH(int, code);
        QFETCH(QString, message);
        QFETCH(QString, field);
        startSim({});
        QCOMPARE(run({"program", "--no-verify", "--quiet", path("seq.dat")}).code, 0);
        const CliRun verified = run({"verify", write(QStringLiteral("other.dat"), file)});
        QCOMPARE(QString::fromUtf8(verified.out), message + QLatin1Char('\n'));
        QCOMPARE(verified.code, code);

        const CliRun json = run({"verify", path("other.dat"), "--json"});
        const QJsonObject o = QJsonDocument::fromJson(json.out).object();
        QCOMPARE(o.value("message").toString(), message);
        QCOMPARE(o.value("exit").toInt(), code);
        QCOMPARE(o.value("first_difference").toObject().value("field").toString(), field);
    }

    // Each fault ends with its own exit status and the board's state as the message says.
    void faults_data() {
        QTest::addColumn<QStringList>("sim");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("error");
        QTest::addColumn<QString>("simLast"); // the simulator's last line, once it is there
        const QString stopped = QStringLiteral(". Programming stopped; the board's flash is "
                                               "incomplete: program the sequence again.\n");
        const QString seq = QStringLiteral("%seq");
        const auto row = [](const char* name, const QStringList& sim, const QStringList& args,
                            int code, const QString& error, const QString& simLast) {
            QTest::newRow(name) << sim << args << code << error << simLast;
        };
        row("wrong acknowledgement", {"--wrong-ack", "85"}, {"program", seq}, 5,
            "tessarel-cli: ACK !!!: the board answered with a byte other than 255 (Error!)" +
                stopped,
            "flash-program abandoned 0 of 14336");
        row("wrong acknowledgement of a block",
            {"--wrong-ack", "85", "--wrong-ack-from", "2", "--ack-after-wrong"}, {"program", seq},
            5,
            "tessarel-cli: ACK 511: the board answered with a byte other than 255 (Error!)" +
                stopped,
            "flash-program abandoned 512 of 14336");
        row("silent board", {"--mute-after", "0"}, {"program", seq, "--timeout", "0.5"}, 5,
            "tessarel-cli: ACK !!!: the board did not answer within 0.5 s" + stopped,
            "flash-program abandoned 0 of 14336");
        row("silent after two blocks", {"--mute-after", "512"},
            {"program", seq, "--timeout", "0.5"}, 5,
            "tessarel-cli: ACK 511: the board did not answer within 0.5 s" + stopped,
            "flash-program abandoned 512 of 14336");
        row("a read cut short", {"--read-count", "200", "--read-send", "100"},
            {"read", "--timeout", "0.5"}, 5,
            "tessarel-cli: the board did not answer within 0.5 s: the flash was not read to the "
            "end; nothing was written.\n",
            "flash-read 200 sent 100");
        row("port lost while programming", {"--hang-up-after", "1000"}, {"program", seq}, 4,
            "tessarel-cli: The connection was lost during programming. The board's flash is "
            "incomplete: program the sequence again when the board is back.\n",
            "fault hang-up 1000");
        // The reason after the colon is the system's.
        // Gone after the first byte, while twelve pairs still wait their turn on the line: a
        // later hang-up can come after the last pair was handed on, on a busy machine.
        row("port lost before the moves left", {"--hang-up-after", "1"}, {"centre"}, 4,
            "tessarel-cli: The connection on Comm1 was lost: …", "fault hang-up 1");
        row("port that leads nowhere", {}, {"--port", "Comm3", "release"}, 4,
            "tessarel-cli: Comm3 (%dir/nowhere) could not be opened: no device is attached to "
            "this port.\n\nThe device %dir/nowhere is not there: the adapter was unplugged, or "
            "the link to it points nowhere. Plug the adapter in and choose the port again.\n",
            QString());
        row("malformed file", {}, {"program", "%dir/bad.dat"}, 3,
            "tessarel-cli: %dir/bad.dat: Loading stopped at line 3 of the file: it has fewer "
            "than 13 values. Nothing was sent to the board.\n",
            QString());
        row("a duration the flash cannot store", {}, {"program", "%dir/long.dat"}, 3,
            "tessarel-cli: Step N° 1 cannot be stored in the board's flash: its duration of "
            "1310720 ms is outside 0 to 1310700 ms. Nothing was sent.\n",
            QString());
        row("an output that cannot be written", {}, {"read", "-o", "%dir/none/x.dat"}, 3,
            "tessarel-cli: The sequence could not be saved to \"%dir/none/x.dat\": No such file "
            "or directory\n",
            QString());
        row("usage", {}, {"move", "12=100"}, 2,
            "tessarel-cli: \"12=100\": the channels are 0 to 11\n"
            "Try 'tessarel-cli --help'.\n",
            QString());
    }
    void faults() {
        QFETCH(QStringList, sim);
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(QString, error);
        QFETCH(QString, simLast);
        const QByteArray seq = sequenceFile(1024);
        write(QStringLiteral("bad.dat"), firstLines(seq, 2) + "1\t2\t3\t\r\n" + seq);
        write(QStringLiteral("long.dat"), withField(firstLines(seq, 2), 1, 12, 1310720));
        QFile::link(path("nowhere"), path("comm3"));
        args.replaceInStrings(QStringLiteral("%seq"), path("seq.dat"));
        args.replaceInStrings(QStringLiteral("%dir"), m_dir.path());
        error.replace(QStringLiteral("%dir"), m_dir.path());
        startSim(sim);
        const CliRun cli = run(args);
        if (error.endsWith(QStringLiteral("…"))) {
            QVERIFY2(cli.err.startsWith(error.chopped(1).toUtf8()), cli.err.constData());
        } else {
            QCOMPARE(QString::fromUtf8(cli.err), error);
        }
        QCOMPARE(cli.out, QByteArray());
        QCOMPARE(cli.code, code);
        // Nothing after the fault: no image byte after the wrong answer, no PC control off into
        // an image the board is still taking.
        const QStringList lines = simLines(simLast);
        if (simLast.isEmpty()) {
            QVERIFY2(!lines.join('\n').contains(QLatin1String("flash-program")),
                     qPrintable(lines.join('\n')));
        } else {
            QCOMPARE(lines.constLast(), simLast);
        }
    }

    // Ctrl+C while the paced board takes the image: sending stops at once, nothing follows.
    void interruptProgram() {
        startSim({"--pace"});
        QProcess cli;
        launch(cli, {"program", path("seq.dat")});
        QVERIFY(m_sim->waitForLine(QStringLiteral("flash-program begin 14336")) >= 0);
        QTest::qWait(700);
        ::kill(pid_t(cli.processId()), SIGINT);
        const CliRun run = finish(cli);
        QCOMPARE(run.code, 130);
        static const QRegularExpression told(QStringLiteral(
            "^tessarel-cli: ACK (\\d+): interrupted. Programming stopped; the board's "
            "flash is incomplete: program the sequence again.\n$"));
        const QRegularExpressionMatch m = told.match(QString::fromUtf8(run.err));
        QVERIFY2(m.hasMatch(), run.err.constData());
        const int sent = m.captured(1).toInt() + 1;
        QCOMPARE(sent % 256, 0);
        QVERIFY(sent >= 256 && sent < 14336);
        // The board got exactly what was sent before the interruption, then gave up waiting.
        QCOMPARE(simLines(QStringLiteral("flash-program abandoned %1 of 14336").arg(sent)),
                 QStringList({"pc-control off", "flash-program begin 14336",
                              QStringLiteral("flash-program abandoned %1 of 14336").arg(sent)}));
    }

    void play_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QStringList>("sim"); // the PC control lines and channel 0's
        QTest::addColumn<QString>("json");    // step, steps_played, passes
        QTest::newRow("own times") << QStringList{}
                                   << QStringList{"pc-control on", "channel 0 100", "channel 0 150",
                                                  "channel 0 200", "pc-control off"}
                                   << "2 3 1";
        QTest::newRow("from step 1, fixed time")
            << QStringList{"--from", "1", "--fixed", "50"}
            << QStringList{"pc-control on", "channel 0 150", "channel 0 200", "pc-control off"}
            << "2 2 1";
        QTest::newRow("the last step only")
            << QStringList{"--from", "2"}
            << QStringList{"pc-control on", "channel 0 200", "pc-control off"} << "2 1 1";
    }
    void play() {
        QFETCH(QStringList, args);
        QFETCH(QStringList, sim);
        QFETCH(QString, json);
        startSim({});
        const CliRun cli =
            run(QStringList{"play", write("three.dat", kThreeSteps), "--json"} + args);
        QCOMPARE(cli.code, 0);
        const QJsonObject o = QJsonDocument::fromJson(cli.out).object();
        QCOMPARE(QStringLiteral("%1 %2 %3")
                     .arg(o.value("step").toInt())
                     .arg(o.value("steps_played").toInt())
                     .arg(o.value("passes").toInt()),
                 json);
        QCOMPARE(o.value("result").toString(), QStringLiteral("done"));
        const QStringList lines = simLines(QStringLiteral("pc-control off"));
        QCOMPARE(lines.filter(QRegularExpression("^(pc-control|channel 0 )")), sim);
        QCOMPARE(lines.size(), 12 * (sim.size() - 2) + 2); // whole bursts only
    }

    // SIGTERM stops a looping playback as "PC Emu" off does, then hands the servos back once.
    void interruptPlay() {
        startSim({});
        QProcess cli;
        launch(cli, {"play", write("three.dat", kThreeSteps), "--loop", "--json"});
        const int firstPass = m_sim->waitForLine(QStringLiteral("channel 11 200"));
        QVERIFY(firstPass >= 0);
        QVERIFY(m_sim->waitForLine(QStringLiteral("channel 11 100"), firstPass) >= 0);
        ::kill(pid_t(cli.processId()), SIGTERM);
        const CliRun run = finish(cli);
        QCOMPARE(run.code, 130);
        const QJsonObject o = QJsonDocument::fromJson(run.out).object();
        QCOMPARE(o.value("result").toString(), QStringLiteral("interrupted"));
        QVERIFY(o.value("passes").toInt() >= 2);
        const QStringList lines = simLines(QStringLiteral("pc-control off"));
        QCOMPARE(lines.count(QStringLiteral("pc-control off")), 1);
        QCOMPARE(lines.constLast(), QStringLiteral("pc-control off"));
        // The board holds the step reported as the last one sent.
        const QString position = QString::number(100 + 50 * o.value("step").toInt());
        QCOMPARE(lines.filter(QStringLiteral("channel 0 ")).constLast(), "channel 0 " + position);
        QCOMPARE(lines.at(lines.size() - 2), "channel 11 " + position);
    }

    // The commands that move the servos or play the board's own list, and the channel setup
    // they go through. The simulator's "channel 3 100" is the pair 0b 64 on the wire, "channel 3
    // 180" 0b b4.
    void live_data() {
        QTest::addColumn<bool>("kept"); // the setup in the window's settings, else none there
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("error");
        QTest::addColumn<QStringList>("sim");
        QTest::newRow("positions and angles")
            << false << QStringList{"move", "3=200", "Ch11=-20deg", "0=12.5°"} << 0 << QString()
            << QStringList{"pc-control on", "channel 3 200", "channel 11 88", "channel 0 153"};
        QStringList centred{"pc-control on"};
        for (int c = 0; c < 12; ++c) {
            centred << QStringLiteral("channel %1 128").arg(c);
        }
        QTest::newRow("centre") << false << QStringList{"centre"} << 0 << QString() << centred;
        QTest::newRow("release") << false << QStringList{"release"} << 0 << QString()
                                 << QStringList{"pc-control off"};
        QTest::newRow("erase") << false << QStringList{"erase"} << 0 << QString()
                               << QStringList{"flash-erase"};
        QTest::newRow("board-play off") << false << QStringList{"board-play", "off"} << 0
                                        << QString() << QStringList{"play stop"};
        const QString limited = QStringLiteral("tessarel-cli: Ch3 (elbow): %1 lies outside the "
                                               "channel's limits, 100 to 180; %2 was sent.\n");
        QTest::newRow("below the minimum, from --setup")
            << false << QStringList{"--setup", "%dir/elbow.json", "move", "3=50"} << 0
            << limited.arg(50).arg(100) << QStringList{"pc-control on", "channel 3 100"};
        QTest::newRow("above the maximum, by name, from the settings")
            << true << QStringList{"move", "elbow=220"} << 0 << limited.arg(220).arg(180)
            << QStringList{"pc-control on", "channel 3 180"};
        QTest::newRow("a name no channel has") << false << QStringList{"move", "elbow=140"} << 2
                                               << "tessarel-cli: no channel is named \"elbow\"\n"
                                               << QStringList{};
        QTest::newRow("a setup file with a wrong field")
            << true << QStringList{"--setup", "%dir/bad.json", "move", "3=50"} << 3
            << "tessarel-cli: %dir/bad.json is not a channel setup: channels[0].max: 300 is not a "
               "position (0 to 255). Nothing was sent to the board.\n"
            << QStringList{};
    }
    void live() {
        QFETCH(bool, kept);
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(QString, error);
        QFETCH(QStringList, sim);
        write(QStringLiteral("elbow.json"), kElbowSetup);
        write(QStringLiteral("bad.json"), QByteArray(kElbowSetup).replace("180", "300"));
        QDir(settingsDir()).removeRecursively();
        if (kept) {
            QVERIFY(QDir().mkpath(settingsDir()));
            write(QStringLiteral("config/Tessarel/Tessarel.conf"), kElbowSettings);
        }
        args.replaceInStrings(QStringLiteral("%dir"), m_dir.path());
        error.replace(QStringLiteral("%dir"), m_dir.path());
        startSim({});
        const CliRun cli = run(args);
        QDir(settingsDir()).removeRecursively();
        QCOMPARE(QString::fromUtf8(cli.err), error);
        QCOMPARE(cli.out, QByteArray());
        QCOMPARE(cli.code, code);
        QCOMPARE(simLines(sim.value(sim.size() - 1)), sim);
    }

    // The flash gets the limited image, said first; verify compares with that image.
    void programLimited() {
        startSim({"--flash-file", path("flash.bin")});
        const QByteArray twoSteps =
            "100\t100\t100\t50\t100\t100\t100\t100\t100\t100\t100\t100\t100\t\r\n"
            "150\t150\t150\t220\t150\t150\t150\t150\t150\t150\t150\t150\t100\t\r\n";
        const QStringList args{"--setup", write(QStringLiteral("elbow.json"), kElbowSetup),
                               "program", write(QStringLiteral("two.dat"), twoSteps)};
        const CliRun cli = run(args);
        QCOMPARE(cli.err, QByteArray("tessarel-cli: 2 values lie outside the channel limits and "
                                     "are written at the limits.\n"));
        QCOMPARE(cli.out, QByteArray("Data Flash Programmed!\n"
                                     "The board's flash holds this list (2 steps).\n"));
        QCOMPARE(cli.code, 0);
        QCOMPARE(contents(QStringLiteral("flash.bin")).toHex(' '),
                 QByteArray("64 64 64 64 64 64 64 64 64 64 64 64 00 05 "
                            "96 96 96 b4 96 96 96 96 96 96 96 96 00 05"));
        const QJsonObject o =
            QJsonDocument::fromJson(run(args + QStringList{"--json"}).out).object();
        QCOMPARE(o.value("values_limited").toInt(), 2);
        QCOMPARE(o.value("verify").toObject().value("differing").toInt(), 0);
    }

    // Only the channels that change after the first step's whole burst; a step that changes
    // nothing sends nothing.
    void playChangedOnly() {
        startSim({});
        const QByteArray steps =
            "100\t100\t100\t100\t100\t100\t100\t100\t100\t100\t100\t100\t100\t\r\n"
            "150\t100\t100\t100\t100\t100\t100\t100\t100\t100\t100\t100\t100\t\r\n"
            "150\t100\t100\t100\t100\t120\t100\t100\t100\t100\t100\t100\t100\t\r\n"
            "150\t100\t100\t100\t100\t120\t100\t100\t100\t100\t100\t100\t100\t\r\n";
        const CliRun cli =
            run({"play", write(QStringLiteral("four.dat"), steps), "--changed-only", "--json"});
        QCOMPARE(cli.code, 0);
        QCOMPARE(QJsonDocument::fromJson(cli.out).object().value("steps_played").toInt(), 4);
        QStringList expected{"pc-control on"};
        for (int c = 0; c < 12; ++c) {
            expected << QStringLiteral("channel %1 100").arg(c);
        }
        expected << "channel 0 150"
                 << "channel 5 120"
                 << "pc-control off";
        QCOMPARE(simLines(QStringLiteral("pc-control off")), expected);
    }
};

QTEST_GUILESS_MAIN(TestCliEndToEnd)
#include "tst_cli_e2e.moc"
