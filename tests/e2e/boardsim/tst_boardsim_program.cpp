// The simulator program on its own: options, port link, flash file, log file, pacing, faults.

#include "support/SimProcess.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace {

// The simulator's device as a plain raw fd, to see exactly the bytes on the line.
struct Line {
    explicit Line(const QString& device)
        : fd(::open(device.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_CLOEXEC)) {
        termios tio{};
        ::tcgetattr(fd, &tio);
        ::cfmakeraw(&tio);
        ::tcsetattr(fd, TCSANOW, &tio);
    }
    ~Line() { ::close(fd); }
    bool write(const QByteArray& b) {
        return ::write(fd, b.constData(), size_t(b.size())) == b.size();
    }
    // Up to count bytes, as many as arrive before a quiet spell ends the wait.
    QByteArray read(int count) {
        QByteArray got(count, '\0');
        qsizetype n = 0;
        for (pollfd p{fd, POLLIN, 0}; n<count&& ::poll(&p, 1, 15000)> 0;) {
            const ssize_t r = ::read(fd, got.data() + n, size_t(count - n));
            n += r > 0 ? r : 0;
        }
        return got.left(n);
    }
    int fd;
};

QByteArray bytes(std::initializer_list<int> values) {
    QByteArray out;
    for (int v : values) {
        out.append(char(v));
    }
    return out;
}

} // namespace

class TestBoardSimProgram : public QObject {
    Q_OBJECT

private slots:
    void badOptionsAreRefused_data() {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("message");
        QTest::newRow("unknown option") << QStringList{"--frobnicate"} << "unknown option";
        QTest::newRow("port 9") << QStringList{"--attach", "9"} << "--attach takes";
        QTest::newRow("missing value") << QStringList{"--ack-delay"} << "needs a value";
        QTest::newRow("negative") << QStringList{"--mute-after", "-1"} << "--mute-after takes";
        QTest::newRow("not a number") << QStringList{"--read-count", "12x"} << "--read-count takes";
        QTest::newRow("count too big")
            << QStringList{"--read-count", "65536"} << "--read-count takes";
        QTest::newRow("byte list") << QStringList{"--debug-bytes", "1,,2"} << "--debug-bytes takes";
        QTest::newRow("modifier alone") << QStringList{"--ack-after-wrong"} << "need --wrong-ack";
    }
    void badOptionsAreRefused() {
        QFETCH(QStringList, options);
        QFETCH(QString, message);
        SimProcess sim;
        QVERIFY(!sim.start(options));
        QCOMPARE(sim.exitCode(), 2);
        QVERIFY2(sim.error().contains(message), qPrintable(sim.error()));
    }

    void attachesAndDetaches_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("quit on stdin") << "quit";
        QTest::newRow("SIGTERM") << "signal";
        QTest::newRow("after its time") << "time";
    }
    void attachesAndDetaches() {
        QFETCH(QString, how);
        QTemporaryDir dir;
        const QString folder = dir.filePath("a/ports");
        SimProcess sim;
        sim.setEnvironmentValue("TESSAREL_PORT_DIR", folder);
        QVERIFY2(sim.start({"--attach", "4", "--exit-after-ms", how == "time" ? "500" : "600000"}),
                 qPrintable(sim.error()));
        const QFileInfo link(folder + "/comm4");
        QCOMPARE(link.symLinkTarget(), sim.devicePath());
        struct stat st {};
        QCOMPARE(::stat(folder.toLocal8Bit().constData(), &st), 0);
        QCOMPARE(st.st_mode & 0777, 0700u);
        QCOMPARE(sim.waitForLine("attached " + link.filePath()), 0);
        Line line(sim.devicePath());
        QVERIFY(line.write(bytes({17}))); // an end right after: the byte still counts
        QVERIFY(how == "time" ? sim.waitForExit() : how == "signal" ? sim.terminate() : sim.stop());
        QCOMPARE(sim.lines().mid(1), QStringList({"reset", "exit " + how}));
        QVERIFY(!QFileInfo(link.filePath()).isSymLink());
    }

    void staleLinkIsReplacedButNoFile() {
        QTemporaryDir dir;
        const QString link = dir.filePath("comm2");
        QVERIFY(QFile::link("/nonexistent/pts/99", link));
        SimProcess sim;
        sim.setEnvironmentValue("TESSAREL_PORT_DIR", dir.path());
        QVERIFY2(sim.start({"--attach", "2"}), qPrintable(sim.error()));
        QCOMPARE(QFileInfo(link).symLinkTarget(), sim.devicePath());
        QVERIFY(sim.stop());
        QVERIFY(QFile(link).open(QIODevice::WriteOnly));
        QVERIFY(!sim.start({"--attach", "2"}));
        QVERIFY2(sim.error().contains("not a link"), qPrintable(sim.error()));
        QVERIFY(QFileInfo(link).isFile());
    }

    // Paced, with the flash in a file and the log in another: the same bytes. The file across
    // restarts is the flash end-to-end test's.
    void pacedWithFlashFileAndLog() {
        QTemporaryDir dir;
        const QString log = dir.filePath("board.log");
        QByteArray image;
        for (int i = 0; i < 28; ++i) {
            image.append(char(200 + i));
        }
        SimProcess sim;
        QVERIFY(sim.start({"--pace", "--flash-file", dir.filePath("flash.bin"), "--log", log}));
        Line line(sim.devicePath());
        QVERIFY(line.write(bytes({1, 41, 200, 2, 0, 28})));
        QCOMPARE(line.read(1), bytes({255}));
        QVERIFY(line.write(image + bytes({6})));
        QCOMPARE(line.read(30), bytes({0, 28}) + image);
        QVERIFY(sim.stop());
        QVERIFY(sim.lines().isEmpty()); // nothing but the device path on stdout
        QFile file(log);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = file.readAll().split('\n');
        QVERIFY(lines.size() >= 5);
        QVERIFY(lines[1].endsWith(" channel 9 200"));
        QVERIFY(lines[3].endsWith(" flash-program complete 28"));
    }
};

QTEST_GUILESS_MAIN(TestBoardSimProgram)
#include "tst_boardsim_program.moc"
