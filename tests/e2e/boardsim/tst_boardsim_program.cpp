// The simulator program on its own: options, port link, flash file, pacing, faults, stopping.

#include "support/SimProcess.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr int kWaitMs = 15000;

// The device end as a plain raw fd, to see exactly the bytes on the line.
class Line {
public:
    explicit Line(const QString& device) {
        m_fd = ::open(device.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (m_fd >= 0) {
            termios tio{};
            ::tcgetattr(m_fd, &tio);
            ::cfmakeraw(&tio);
            ::tcsetattr(m_fd, TCSANOW, &tio);
        }
    }
    ~Line() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    bool isOpen() const { return m_fd >= 0; }
    bool write(const QByteArray& bytes) {
        return ::write(m_fd, bytes.constData(), static_cast<size_t>(bytes.size())) == bytes.size();
    }
    // Up to count bytes, as many as arrive before the wait ends.
    QByteArray read(int count, int timeoutMs = kWaitMs) {
        QByteArray got;
        QDeadlineTimer deadline(timeoutMs);
        while (got.size() < count && !deadline.hasExpired()) {
            pollfd fd{m_fd, POLLIN, 0};
            if (::poll(&fd, 1, static_cast<int>(qMax<qint64>(0, deadline.remainingTime()))) <= 0) {
                continue;
            }
            char buf[4096];
            const ssize_t n = ::read(m_fd, buf, static_cast<size_t>(qMin<qsizetype>(sizeof buf, count - got.size())));
            if (n > 0) {
                got.append(buf, n);
            } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
                break;
            }
        }
        return got;
    }

private:
    int m_fd = -1;
};

QByteArray bytes(std::initializer_list<int> values) {
    QByteArray out;
    for (int v : values) {
        out.append(static_cast<char>(v));
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
        QTest::newRow("port 0") << QStringList{"--attach", "0"} << "--attach takes";
        QTest::newRow("port 9") << QStringList{"--attach", "9"} << "--attach takes";
        QTest::newRow("missing value") << QStringList{"--ack-delay"} << "needs a value";
        QTest::newRow("negative") << QStringList{"--mute-after", "-1"} << "--mute-after takes";
        QTest::newRow("not a number") << QStringList{"--read-count", "12x"} << "--read-count takes";
        QTest::newRow("count too big") << QStringList{"--read-count", "65536"} << "--read-count takes";
        QTest::newRow("byte list") << QStringList{"--debug-bytes", "1,,2"} << "--debug-bytes takes";
        QTest::newRow("byte too big") << QStringList{"--wrong-ack", "256"} << "--wrong-ack takes";
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
        QTest::addColumn<bool>("bySignal");
        QTest::newRow("quit on stdin") << false;
        QTest::newRow("SIGTERM") << true;
    }
    void attachesAndDetaches() {
        QFETCH(bool, bySignal);
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("a/ports"));
        SimProcess sim;
        sim.setEnvironmentValue(QStringLiteral("TESSAREL_PORT_DIR"), folder);
        QVERIFY2(sim.start({"--attach", "4"}), qPrintable(sim.error()));
        const QFileInfo link(folder + QStringLiteral("/comm4"));
        QVERIFY(link.isSymLink());
        QCOMPARE(link.symLinkTarget(), sim.devicePath());
        struct stat st{};
        QCOMPARE(::stat(folder.toLocal8Bit().constData(), &st), 0);
        QCOMPARE(st.st_mode & 0777, 0700u);
        QCOMPARE(sim.waitForLine("attached " + link.filePath()), 0);
        QVERIFY(bySignal ? sim.terminate() : sim.stop());
        QCOMPARE(sim.lines().last(), bySignal ? QStringLiteral("exit signal") : QStringLiteral("exit quit"));
        QVERIFY(!QFileInfo(link.filePath()).isSymLink());
    }

    void staleLinkIsReplacedButNoFile() {
        QTemporaryDir dir;
        const QString link = dir.filePath(QStringLiteral("comm2"));
        QVERIFY(QFile::link(QStringLiteral("/nonexistent/pts/99"), link));
        SimProcess sim;
        sim.setEnvironmentValue(QStringLiteral("TESSAREL_PORT_DIR"), dir.path());
        QVERIFY2(sim.start({"--attach", "2"}), qPrintable(sim.error()));
        QCOMPARE(QFileInfo(link).symLinkTarget(), sim.devicePath());
        QVERIFY(sim.stop());

        QFile file(link);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        SimProcess refused;
        refused.setEnvironmentValue(QStringLiteral("TESSAREL_PORT_DIR"), dir.path());
        QVERIFY(!refused.start({"--attach", "2"}));
        QVERIFY2(refused.error().contains("not a link"), qPrintable(refused.error()));
        QVERIFY(QFileInfo(link).isFile());
    }

    void flashFileKeepsTheImage() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("flash.bin"));
        const QByteArray image = bytes({128, 128, 128, 128, 128, 128, 128, 128, 128, 128, 128, 128, 0, 50});
        {
            SimProcess sim;
            QVERIFY(sim.start({"--flash-file", path}));
            Line line(sim.devicePath());
            QVERIFY(line.write(bytes({2, 0, 14})));
            QCOMPARE(line.read(1), bytes({255}));
            QVERIFY(line.write(image));
            QVERIFY(sim.waitForLine(QStringLiteral("flash-program complete 14")) >= 0);
            QVERIFY(sim.stop());
        }
        SimProcess again;
        QVERIFY(again.start({"--flash-file", path}));
        QVERIFY(again.waitForLine(QStringLiteral("flash-loaded 14")) >= 0);
        Line line(again.devicePath());
        QVERIFY(line.write(bytes({6})));
        QCOMPARE(line.read(16), bytes({0, 14}) + image);
        QVERIFY(again.stop());
    }

    void logFileGetsTheEvents() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("board.log"));
        SimProcess sim;
        QVERIFY(sim.start({"--log", path}));
        Line line(sim.devicePath());
        QVERIFY(line.write(bytes({1, 41, 200, 0})));
        const auto logLines = [&path] {
            QFile log(path);
            return log.open(QIODevice::ReadOnly) ? log.readAll().split('\n') : QList<QByteArray>{};
        };
        QTRY_VERIFY_WITH_TIMEOUT(logLines().size() >= 4, kWaitMs);
        QVERIFY(sim.stop());
        const QList<QByteArray> lines = logLines();
        QVERIFY(lines.size() >= 4);
        QVERIFY(lines[0].endsWith(" pc-control on"));
        QVERIFY(lines[1].endsWith(" channel 9 200"));
        QVERIFY(lines[2].endsWith(" pc-control off"));
        QVERIFY(sim.lines().isEmpty()); // nothing but the device path on stdout
    }

    void pacedLineCarriesTheSameBytes() {
        SimProcess sim;
        QVERIFY(sim.start({"--pace"}));
        Line line(sim.devicePath());
        QByteArray image;
        for (int i = 0; i < 28; ++i) {
            image.append(static_cast<char>(200 + i));
        }
        QVERIFY(line.write(bytes({2, 0, 28})));
        QCOMPARE(line.read(1), bytes({255}));
        QVERIFY(line.write(image + bytes({6})));
        QCOMPARE(line.read(30), bytes({0, 28}) + image);
        QVERIFY(sim.stop());
        QCOMPARE(sim.lines().mid(0, 3), (QStringList{"flash-program begin 28", "flash-program complete 28",
                                                      "flash-read 28"}));
    }

    void faultsReachTheLine() {
        SimProcess sim;
        QVERIFY(sim.start({"--wrong-ack-once", "7", "--ack-after-wrong", "--debug-bytes", "65,66",
                           "--read-count", "20000", "--read-send", "3"}));
        Line line(sim.devicePath());
        QCOMPARE(line.read(2), bytes({65, 66})); // once, at start
        QVERIFY(line.write(bytes({2, 0, 0})));
        QCOMPARE(line.read(2), bytes({7, 255}));
        QVERIFY(line.write(bytes({2, 0, 0})));
        QCOMPARE(line.read(1), bytes({255}));
        QVERIFY(line.write(bytes({6})));
        QCOMPARE(line.read(5), bytes({0x4e, 0x20, 255, 255, 255}));
        QVERIFY(sim.waitForLine(QStringLiteral("flash-read 20000 sent 3")) >= 0);
        QVERIFY(sim.stop());
    }

    void endsByItself() {
        SimProcess sim;
        QVERIFY(sim.start({"--exit-after-ms", "200"}));
        QVERIFY(sim.waitForExit());
        QCOMPARE(sim.lines().last(), QStringLiteral("exit time"));
    }
};

QTEST_GUILESS_MAIN(TestBoardSimProgram)
#include "tst_boardsim_program.moc"
