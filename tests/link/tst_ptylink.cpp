#include "LinkRig.h"
#include "PtyPair.h"

#include "link/QtSerialTransport.h"

#include <QSignalSpy>
#include <QTest>

// The real serial port over a pseudo-terminal, the test playing the board.
class TestPtyLink : public QObject {
    Q_OBJECT
    std::unique_ptr<PtyPair> pty;
    std::unique_ptr<SerialControl> comm;
    QByteArray got;

private slots:
    void init() {
        pty = std::make_unique<PtyPair>();
        QVERIFY(pty->ok());
        comm = std::make_unique<SerialControl>(std::make_unique<QtSerialTransport>(),
                                               [path = pty->slavePath()](int) { return path; });
        got.clear();
        connect(comm.get(), &SerialControl::OnComm, this, [this] {
            QCOMPARE(comm->commEvent(), SerialControl::comEvReceive);
            got += comm->input();
        });
    }
    void cleanup() {
        comm.reset();
        pty.reset();
    }

    void bytesBothWays() {
        QVERIFY(openNormal(*comm));
        QSignalSpy notified(comm.get(), &SerialControl::OnComm);
        const QByteArray sent = bytes({65, 0, 255, 128, 7});
        QVERIFY(pty->write(sent));
        QTRY_COMPARE(got, sent);
        QCOMPARE(notified.count(), sent.size()); // one byte per notification, in order
        comm->output(bytes({41}));
        comm->output(bytes({200, 8, 128, 43, 128})); // a burst goes out as one write
        QTRY_COMPARE(pty->received(), bytes({41, 200, 8, 128, 43, 128}));
    }

    // The port does not empty its input when it opens; the control must.
    void openDropsWhatWaitedBefore() {
        QVERIFY(pty->write("stale bytes from before"));
        QVERIFY(openNormal(*comm));
        QVERIFY(pty->write(bytes({42})));
        QTRY_COMPARE(got, bytes({42}));
        QTest::qWait(50);
        QCOMPARE(got, bytes({42}));
    }

    // A hang-up shows as a flood of read errors; it must end in one loss and a closed port.
    void hangUpLosesThePortOnce() {
        QVERIFY(openNormal(*comm));
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
};

QTEST_GUILESS_MAIN(TestPtyLink)
#include "tst_ptylink.moc"
