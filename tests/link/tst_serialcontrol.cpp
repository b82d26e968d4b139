#include "LinkRig.h"

#include <QSignalSpy>
#include <QTest>

class TestSerialControl : public QObject {
    Q_OBJECT
private slots:
    void settingsReadOrKept() {
        LinkRig rig;
        QVERIFY(rig.comm.setSettings(QStringLiteral(" 19200 , e , 7 , 1 ")));
        QCOMPARE(rig.comm.settings(), QStringLiteral("19200,E,7,1"));
        for (const char* bad : {"", "9600,N,8", "9600,N,8,2,1", "fast,N,8,2", "-9600,N,8,2",
                                "9600,NO,8,2", "9600,N,4,2", "9600,N,8,1.5", "9600;N;8;2"}) {
            QVERIFY2(!rig.comm.setSettings(QString::fromLatin1(bad)), bad);
            QCOMPARE(rig.comm.settings(), QStringLiteral("19200,E,7,1"));
        }
    }

    void openDiscardsWhatWaited() {
        LinkRig rig;
        QVERIFY(rig.openNormal());
        rig.comm.setRThreshold(0);
        rig.arrive("abc");
        QCOMPARE(rig.comm.inBufferCount(), 3);
        rig.fake->inject("late"); // still on its way when the port closes
        QVERIFY(rig.comm.setPortOpen(false));
        QVERIFY(rig.comm.setPortOpen(true));
        settle();
        QCOMPARE(rig.comm.inBufferCount(), 0);
        rig.comm.setInputLen(0);
        QCOMPARE(rig.comm.input(), QByteArray());
    }

    void readLengthAndCap() {
        LinkRig rig;
        QVERIFY(rig.openNormal());
        rig.comm.setRThreshold(0);
        rig.comm.setInBufferSize(10);
        rig.arrive(bytes({1, 2, 3, 4, 5, 255}));
        rig.comm.setInputLen(2);
        QCOMPARE(rig.comm.input(), bytes({1, 2}));
        rig.comm.setInputLen(10);
        QCOMPARE(rig.comm.input(), bytes({3, 4, 5, 255}));
        rig.arrive("0123456");
        rig.arrive("789abcdef");      // past the buffer size: the newest are dropped
        rig.comm.setInBufferCount(2); // only 0 means something
        rig.comm.setInputLen(0);
        QCOMPARE(rig.comm.input(), QByteArray("0123456789"));
    }

    // Qt raises no readyRead while a readyRead slot pumps events, so the notification must come
    // from the queue, never from inside the transport's signal.
    void notificationIsQueuedNotNested() {
        LinkRig rig;
        QVERIFY(rig.openNormal());
        int depth = 0, deepest = 0, calls = 0;
        QList<int> callsAtReadyRead;
        // Connected after the control's own slot, so it runs once the control has the bytes.
        connect(rig.fake, &SerialTransport::readyRead, this, [&] { callsAtReadyRead << calls; });
        QByteArray got;
        connect(&rig.comm, &SerialControl::OnComm, this, [&] {
            deepest = qMax(deepest, ++depth);
            got += rig.comm.input();
            if (++calls == 1) {
                rig.arrive("bc"); // pumps, as the waits for the board do, while more arrives
                QCOMPARE(rig.comm.inBufferCount(), 2);
            }
            --depth;
        });
        rig.fake->inject("a");
        QCOMPARE(calls, 0);
        QTRY_COMPARE(got, QByteArray("abc"));
        QCOMPARE(callsAtReadyRead, (QList<int>{0, 1}));
        QCOMPARE(deepest, 1);
        QCOMPARE(calls, 3);
    }

    // A handler that reads nothing is not called for ever; a lost device closes the port.
    void notifiedPerArrivalUntilTheDeviceGoes() {
        LinkRig rig;
        QVERIFY(rig.openNormal());
        QSignalSpy notified(&rig.comm, &SerialControl::OnComm);
        QSignalSpy lost(&rig.comm, &SerialControl::portLost);
        rig.arrive("ab");
        QCOMPARE(notified.count(), 1);
        rig.arrive("c"); // new bytes are news again
        QCOMPARE(notified.count(), 2);
        QCOMPARE(rig.comm.inBufferCount(), 3);
        rig.comm.setRThreshold(1); // a notification is now queued
        rig.fake->loseDevice(QStringLiteral("unplugged"));
        QCOMPARE(lost.count(), 1);
        QCOMPARE(lost.at(0).at(0).toString(), QStringLiteral("unplugged"));
        QVERIFY(!rig.comm.portOpen());
        QCOMPARE(rig.comm.inBufferCount(), 0);
        settle();
        QCOMPARE(notified.count(), 2);
        rig.comm.output(bytes({1}));
        QVERIFY(rig.fake->writes.isEmpty());
        QVERIFY(rig.comm.setPortOpen(true)); // and it opens again once the device is back
    }
};

QTEST_GUILESS_MAIN(TestSerialControl)
#include "tst_serialcontrol.moc"
