// The simulator program on its own: options, and the port link it makes and takes away.

#include "support/SimProcess.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

class TestBoardSimProgram : public QObject {
    Q_OBJECT

private slots:
    void badOptionsAreRefused_data() {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("message");
        QTest::newRow("unknown option") << QStringList{"--frobnicate"} << "unknown option";
        QTest::newRow("missing value") << QStringList{"--ack-delay"} << "needs a value";
        QTest::newRow("count too big")
            << QStringList{"--read-count", "65536"} << "--read-count takes";
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
        const int fd = ::open(sim.devicePath().toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
        QCOMPARE(::write(fd, "\x11", 1), 1); // an end right after: the byte still counts
        QVERIFY(how == "time" ? sim.waitForExit() : how == "signal" ? sim.terminate() : sim.stop());
        ::close(fd);
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
    }
};

QTEST_GUILESS_MAIN(TestBoardSimProgram)
#include "tst_boardsim_program.moc"
