#include "PtyPair.h"

#include "link/QtSerialTransport.h"
#include "link/SerialControl.h"

#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace {
QByteArray bytes(std::initializer_list<int> values) {
    QByteArray out;
    for (int v : values) {
        out.append(static_cast<char>(v));
    }
    return out;
}
} // namespace

// The real serial port over a pseudo-terminal, the test playing the board.
class TestPtyLink : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void receivedBytesNotifyInOrder();
    void outputReachesTheLine();
    void openDropsWhatWaitedBefore();
    void hangUpLosesThePortOnce();
    void missingDeviceFailsWithReason();

private:
    bool openPort() {
        comm->setCommPort(1);
        comm->setInBufferSize(20000);
        comm->setSettings(QStringLiteral("9600,N,8,2"));
        if (!comm->setPortOpen(true)) {
            qWarning() << "open failed:" << comm->lastError();
            return false;
        }
        comm->setInputLen(0);
        comm->input();
        comm->setInputLen(1);
        comm->setRThreshold(1);
        comm->setInputMode(SerialControl::InputMode::Binary);
        return true;
    }

    std::unique_ptr<PtyPair> pty;
    std::unique_ptr<SerialControl> comm;
};

void TestPtyLink::init() {
    pty = std::make_unique<PtyPair>();
    QVERIFY(pty->ok());
    const QString path = pty->slavePath();
    comm = std::make_unique<SerialControl>(std::make_unique<QtSerialTransport>(),
                                           [path](int port) { return port == 1 ? path : QString(); });
}

void TestPtyLink::cleanup() {
    comm.reset();
    pty.reset();
}

void TestPtyLink::receivedBytesNotifyInOrder() {
    QVERIFY(openPort());
    QByteArray got;
    int notifications = 0;
    connect(comm.get(), &SerialControl::OnComm, this, [&] {
        QCOMPARE(comm->commEvent(), SerialControl::comEvReceive);
        ++notifications;
        got += comm->input();
    });
    const QByteArray sent = bytes({65, 0, 255, 128, 7});
    QVERIFY(pty->write(sent));
    QTRY_COMPARE(got, sent);
    QCOMPARE(notifications, sent.size());
}

void TestPtyLink::outputReachesTheLine() {
    QVERIFY(openPort());
    comm->output(bytes({41}));
    comm->output(bytes({200}));
    QByteArray burst;
    for (int c = 0; c < 12; ++c) {
        burst += bytes({c < 8 ? c + 8 : c + 32, 128});
    }
    comm->output(burst);
    QTRY_COMPARE(pty->received(), bytes({41, 200}) + burst);
}

void TestPtyLink::openDropsWhatWaitedBefore() {
    QVERIFY(pty->write("stale bytes from before"));
    QVERIFY(openPort());
    QByteArray got;
    connect(comm.get(), &SerialControl::OnComm, this, [&] { got += comm->input(); });
    QVERIFY(pty->write(bytes({42})));
    QTRY_COMPARE(got, bytes({42}));
    QTest::qWait(50);
    QCOMPARE(got, bytes({42}));
}

void TestPtyLink::hangUpLosesThePortOnce() {
    QVERIFY(openPort());
    QSignalSpy lost(comm.get(), &SerialControl::portLost);
    pty->hangUp();
    QTRY_COMPARE(lost.count(), 1);
    QVERIFY(!comm->portOpen());
    QVERIFY2(lost.at(0).at(0).toString().startsWith(QStringLiteral("the device")),
             qPrintable(lost.at(0).at(0).toString()));
    QTest::qWait(100);
    QCOMPARE(lost.count(), 1);
    comm->output(bytes({1})); // nothing to write to, and no crash
}

void TestPtyLink::missingDeviceFailsWithReason() {
    comm = std::make_unique<SerialControl>(
        std::make_unique<QtSerialTransport>(),
        [](int) { return QStringLiteral("/dev/tessarel-no-such-device"); });
    QVERIFY(!comm->setPortOpen(true));
    QVERIFY(!comm->portOpen());
    QVERIFY(!comm->lastError().isEmpty());
}

QTEST_GUILESS_MAIN(TestPtyLink)
#include "tst_ptylink.moc"
