#include "LinkRig.h"
#include "PtyPair.h"

#include "link/QtSerialTransport.h"

#include <QSignalSpy>
#include <QTest>

class TestSerialControl : public QObject {
    Q_OBJECT
private slots:
    void settingsReadOrKept() {
        LinkRig rig;
        QVERIFY(rig.comm.setSettings(QStringLiteral(" 19200 , e , 7 , 1 ")));
        QCOMPARE(rig.comm.settings(), QStringLiteral("19200,E,7,1"));
        for (const char* bad : {"9600,N,8", "-9600,N,8,2", "9600,NO,8,2", "9600,N,8,1.5"}) {
            QVERIFY2(!rig.comm.setSettings(QString::fromLatin1(bad)), bad);
            QCOMPARE(rig.comm.settings(), QStringLiteral("19200,E,7,1"));
        }
    }

    // The line is free once every byte written has had its bit times at the port's rate,
    // counted from when the line was last free, or once the board has answered; a device that
    // reports more waiting wins.
    void reckonsWhenTheLineIsFree_data() {
        QTest::addColumn<QString>("settings");
        // "wN" writes N bytes, "+ms" lets time pass, "a" is a byte from the board
        QTest::addColumn<QString>("script");
        QTest::addColumn<qint64>("reported");
        QTest::addColumn<qint64>("freeInNs");
        QTest::newRow("one burst at 9600 8N2") << "9600,N,8,2" << "w24" << -1ll << 27'500'000ll;
        QTest::newRow("queued behind it") << "9600,N,8,2" << "w24 +10 w2" << -1ll << 19'791'666ll;
        QTest::newRow("from now on an idle line") << "9600,N,8,2" << "w1 +100 w24" << -1ll << 27'500'000ll;
        QTest::newRow("even parity: twelve") << "9600,E,8,2" << "w24" << -1ll << 30'000'000ll;
        QTest::newRow("the driver holds more") << "9600,N,8,2" << "w24" << 100ll << 114'583'333ll;
        QTest::newRow("the driver holds less") << "9600,N,8,2" << "w24" << 3ll << 27'500'000ll;
        QTest::newRow("a programmed flash, answered") << "9600,N,8,2" << "w3 +4 a w14336 +20 a" << -1ll << 0ll;
        QTest::newRow("written after the answer") << "9600,N,8,2" << "w24 +1 a w2" << -1ll << 2'291'666ll;
        QTest::newRow("the driver outlasts an answer") << "9600,N,8,2" << "w24 a" << 100ll << 114'583'333ll;
    }
    void reckonsWhenTheLineIsFree() {
        QFETCH(QString, settings);
        QFETCH(QString, script);
        QFETCH(qint64, reported);
        QFETCH(qint64, freeInNs);
        LinkRig rig;
        qint64 now = 5'000'000'000;
        rig.comm.setClock([&now] { return now; });
        QVERIFY(rig.openNormal());
        QVERIFY(rig.comm.setSettings(settings));
        for (const QString& token : script.split(' ')) {
            if (token.startsWith('w')) {
                rig.comm.output(QByteArray(token.mid(1).toInt(), '\x80'));
            } else if (token.startsWith('+')) {
                now += token.mid(1).toLongLong() * 1'000'000;
            } else {
                rig.arrive(bytes({255}));
            }
        }
        rig.fake->reportedUnsent = reported;
        QCOMPARE(rig.comm.lineFreeInNs(), freeInNs);
        QVERIFY(rig.comm.setPortOpen(false));
        QCOMPARE(rig.comm.lineFreeInNs(), 0);
    }

    void reopenDropsWhatWaited() {
        LinkRig rig;
        QVERIFY(rig.openNormal());
        rig.comm.setRThreshold(0);
        rig.arrive("abc");
        rig.fake->inject("late"); // still on its way when the port closes
        QVERIFY(rig.comm.setPortOpen(false) && rig.comm.setPortOpen(true));
        settle();
        QCOMPARE(rig.comm.inBufferCount(), 0);
    }

    // The real port over a pty does not empty its input when it opens; the control must.
    void openDropsWhatWaitedBefore() {
        PtyPair pty;
        QVERIFY(pty.ok());
        SerialControl comm(std::make_unique<QtSerialTransport>(),
                           [path = pty.slavePath()](int) { return path; });
        QByteArray got;
        connect(&comm, &SerialControl::OnComm, this, [&] { got += comm.input(); });
        QVERIFY(pty.write("stale bytes from before"));
        QVERIFY(openNormal(comm));
        QVERIFY(pty.write(bytes({42})));
        QTRY_COMPARE(got, bytes({42}));
        QTest::qWait(50);
        QCOMPARE(got, bytes({42}));
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
