#include "LinkRig.h"

#include <QEventLoop>
#include <QSignalSpy>
#include <QTest>

class TestSerialControl : public QObject {
    Q_OBJECT
private slots:
    void settings_data();
    void settings();
    void badSettingsKeepThePrevious();
    void openUsesResolvedDeviceAndSettings();
    void openFailureGivesReason();
    void openWithoutDeviceFails();
    void openDiscardsWhatWaited();
    void inputHonoursInputLen();
    void inBufferCountZeroDiscards();
    void thresholdZeroNeverNotifies();
    void thresholdCountsWaitingBytes();
    void notificationIsQueuedNotNested();
    void raisedAgainWhileBytesWait();
    void handlerThatReadsNothingIsNotCalledForEver();
    void bufferCappedAtInBufferSize();
    void outputNeedsOpenPort();
    void deviceLostClosesPort();
};

void TestSerialControl::settings_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("normalised");

    QTest::newRow("panel") << "9600,N,8,2" << true << "9600,N,8,2";
    QTest::newRow("even lower case") << "19200,e,7,1" << true << "19200,E,7,1";
    QTest::newRow("odd spaced") << " 4800 , O , 5 , 1 " << true << "4800,O,5,1";
    QTest::newRow("empty") << "" << false << "";
    QTest::newRow("baud only") << "9600" << false << "";
    QTest::newRow("three fields") << "9600,N,8" << false << "";
    QTest::newRow("five fields") << "9600,N,8,2,1" << false << "";
    QTest::newRow("baud text") << "fast,N,8,2" << false << "";
    QTest::newRow("baud zero") << "0,N,8,2" << false << "";
    QTest::newRow("baud negative") << "-9600,N,8,2" << false << "";
    QTest::newRow("parity unknown") << "9600,X,8,2" << false << "";
    QTest::newRow("parity missing") << "9600,,8,2" << false << "";
    QTest::newRow("parity word") << "9600,NO,8,2" << false << "";
    QTest::newRow("data bits 9") << "9600,N,9,2" << false << "";
    QTest::newRow("data bits 4") << "9600,N,4,2" << false << "";
    QTest::newRow("stop bits 3") << "9600,N,8,3" << false << "";
    QTest::newRow("stop bits 1.5") << "9600,N,8,1.5" << false << "";
    QTest::newRow("semicolons") << "9600;N;8;2" << false << "";
}

void TestSerialControl::settings() {
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(QString, normalised);
    LinkRig rig;
    QCOMPARE(rig.comm.setSettings(text), ok);
    if (ok) {
        QCOMPARE(rig.comm.settings(), normalised);
    }
}

void TestSerialControl::badSettingsKeepThePrevious() {
    LinkRig rig;
    QVERIFY(rig.comm.setSettings(QStringLiteral("9600,N,8,2")));
    QVERIFY(!rig.comm.setSettings(QStringLiteral("9600,N,9,2")));
    QCOMPARE(rig.comm.settings(), QStringLiteral("9600,N,8,2"));
}

void TestSerialControl::openUsesResolvedDeviceAndSettings() {
    LinkRig rig;
    QVERIFY(rig.openNormal(3));
    QVERIFY(rig.comm.portOpen());
    QCOMPARE(rig.fake->openedDevice, QStringLiteral("/dev/fake3"));
    QCOMPARE(rig.fake->openedSettings.baud, 9600);
    QCOMPARE(rig.fake->openedSettings.parity, 'N');
    QCOMPARE(rig.fake->openedSettings.dataBits, 8);
    QCOMPARE(rig.fake->openedSettings.stopBits, 2);
    // Opening an open port does not open the device again.
    QVERIFY(rig.comm.setPortOpen(true));
    QCOMPARE(rig.fake->openCount, 1);
}

void TestSerialControl::openFailureGivesReason() {
    LinkRig rig;
    rig.fake->failOpen = true;
    rig.fake->failOpenReason = QStringLiteral("Permission denied");
    QVERIFY(!rig.comm.setPortOpen(true));
    QVERIFY(!rig.comm.portOpen());
    QCOMPARE(rig.comm.lastError(), QStringLiteral("Permission denied"));

    rig.fake->failOpen = false;
    QVERIFY(rig.comm.setPortOpen(true));
    QVERIFY(rig.comm.lastError().isEmpty());
}

void TestSerialControl::openWithoutDeviceFails() {
    SerialControl comm(std::make_unique<FakeTransport>(), [](int) { return QString(); });
    QVERIFY(!comm.setPortOpen(true));
    QVERIFY(!comm.portOpen());
    QVERIFY(!comm.lastError().isEmpty());
    QVERIFY(comm.device().isEmpty());
}

void TestSerialControl::openDiscardsWhatWaited() {
    LinkRig rig;
    QVERIFY(rig.openNormal());
    rig.comm.setRThreshold(0);
    rig.fake->inject("abc");
    settle();
    QCOMPARE(rig.comm.inBufferCount(), 3);
    rig.fake->inject("late"); // still on its way when the port closes
    QVERIFY(rig.comm.setPortOpen(false));
    QVERIFY(rig.comm.setPortOpen(true));
    settle();
    QCOMPARE(rig.comm.inBufferCount(), 0);
    rig.comm.setInputLen(0);
    QCOMPARE(rig.comm.input(), QByteArray());
}

void TestSerialControl::inputHonoursInputLen() {
    LinkRig rig;
    QVERIFY(rig.openNormal());
    rig.comm.setRThreshold(0);
    rig.fake->inject(bytes({1, 2, 3, 4, 5, 255}));
    settle();
    rig.comm.setInputLen(2);
    QCOMPARE(rig.comm.input(), bytes({1, 2}));
    QCOMPARE(rig.comm.inBufferCount(), 4);
    rig.comm.setInputLen(10);
    QCOMPARE(rig.comm.input(), bytes({3, 4, 5, 255}));
    QCOMPARE(rig.comm.input(), QByteArray());
    rig.fake->inject("xyz");
    settle();
    rig.comm.setInputLen(0);
    QCOMPARE(rig.comm.input(), QByteArray("xyz"));
    QCOMPARE(rig.comm.inBufferCount(), 0);
}

void TestSerialControl::inBufferCountZeroDiscards() {
    LinkRig rig;
    QVERIFY(rig.openNormal());
    rig.comm.setRThreshold(0);
    rig.fake->inject("abcd");
    settle();
    rig.comm.setInBufferCount(2); // only 0 means something
    QCOMPARE(rig.comm.inBufferCount(), 4);
    rig.comm.setInBufferCount(0);
    QCOMPARE(rig.comm.inBufferCount(), 0);
    rig.fake->inject("e");
    settle();
    QCOMPARE(rig.comm.input(), QByteArray("e"));
}

void TestSerialControl::thresholdZeroNeverNotifies() {
    LinkRig rig;
    QVERIFY(rig.openNormal());
    rig.comm.setRThreshold(0);
    QSignalSpy spy(&rig.comm, &SerialControl::OnComm);
    rig.fake->inject(QByteArray(100, 'x'));
    settle();
    QCOMPARE(spy.count(), 0);
    QCOMPARE(rig.comm.inBufferCount(), 100);
}

void TestSerialControl::thresholdCountsWaitingBytes() {
    LinkRig rig;
    QVERIFY(rig.openNormal());
    rig.comm.setInputLen(2);
    rig.comm.setRThreshold(2);
    QSignalSpy spy(&rig.comm, &SerialControl::OnComm);
    rig.fake->inject(bytes({0x38}));
    settle();
    QCOMPARE(spy.count(), 0);
    QByteArray got;
    connect(&rig.comm, &SerialControl::OnComm, this, [&] {
        QCOMPARE(rig.comm.commEvent(), SerialControl::comEvReceive);
        got = rig.comm.input();
    });
    rig.fake->inject(bytes({0x01}));
    QTRY_COMPARE(spy.count(), 1);
    QCOMPARE(got, bytes({0x38, 0x01}));
}

void TestSerialControl::notificationIsQueuedNotNested() {
    LinkRig rig;
    QVERIFY(rig.openNormal());
    int depth = 0;
    int deepest = 0;
    int calls = 0;
    QList<int> callsAtReadyRead;
    // Connected after the control's own slot, so it runs once the control has taken the bytes.
    connect(rig.fake, &SerialTransport::readyRead, this, [&] { callsAtReadyRead << calls; });
    QByteArray got;
    connect(&rig.comm, &SerialControl::OnComm, this, [&] {
        ++calls;
        deepest = qMax(deepest, ++depth);
        got += rig.comm.input();
        if (calls == 1) {
            // A handler that pumps events, as the waits for the board do, while more arrives.
            rig.fake->inject("bc");
            QEventLoop loop;
            for (int i = 0; i < 20; ++i) {
                loop.processEvents();
            }
            QCOMPARE(rig.comm.inBufferCount(), 2);
        }
        --depth;
    });
    rig.fake->inject("a");
    QCOMPARE(calls, 0);
    QTRY_COMPARE(got, QByteArray("abc"));
    // Neither arrival was handled inside the transport's signal.
    QCOMPARE(callsAtReadyRead, (QList<int>{0, 1}));
    QCOMPARE(deepest, 1);
    QCOMPARE(calls, 3);
}

void TestSerialControl::raisedAgainWhileBytesWait() {
    LinkRig rig;
    QVERIFY(rig.openNormal());
    QByteArray got;
    connect(&rig.comm, &SerialControl::OnComm, this, [&] { got += rig.comm.input(); });
    QSignalSpy spy(&rig.comm, &SerialControl::OnComm);
    rig.fake->inject(bytes({10, 20, 30, 40, 255}));
    QTRY_COMPARE(got, bytes({10, 20, 30, 40, 255}));
    QCOMPARE(spy.count(), 5);
    settle();
    QCOMPARE(spy.count(), 5);
}

void TestSerialControl::handlerThatReadsNothingIsNotCalledForEver() {
    LinkRig rig;
    QVERIFY(rig.openNormal());
    QSignalSpy spy(&rig.comm, &SerialControl::OnComm);
    rig.fake->inject("ab");
    QTRY_COMPARE(spy.count(), 1);
    settle();
    QCOMPARE(spy.count(), 1);
    // New bytes are news again.
    rig.fake->inject("c");
    QTRY_COMPARE(spy.count(), 2);
    QCOMPARE(rig.comm.inBufferCount(), 3);
}

void TestSerialControl::bufferCappedAtInBufferSize() {
    LinkRig rig;
    QVERIFY(rig.openNormal());
    rig.comm.setRThreshold(0);
    rig.comm.setInBufferSize(10);
    rig.fake->inject("0123456");
    settle();
    rig.fake->inject("789abcdef");
    settle();
    QCOMPARE(rig.comm.inBufferCount(), 10);
    rig.comm.setInputLen(0);
    QCOMPARE(rig.comm.input(), QByteArray("0123456789"));
}

void TestSerialControl::outputNeedsOpenPort() {
    LinkRig rig;
    rig.comm.output(bytes({1}));
    QVERIFY(rig.fake->writes.isEmpty());
    QVERIFY(rig.openNormal());
    rig.comm.output(bytes({8, 128}));
    QCOMPARE(rig.fake->writes, QList<QByteArray>{bytes({8, 128})});
    QVERIFY(rig.comm.setPortOpen(false));
    rig.comm.output(bytes({0}));
    QCOMPARE(rig.fake->writes.size(), 1);
}

void TestSerialControl::deviceLostClosesPort() {
    LinkRig rig;
    QVERIFY(rig.openNormal());
    rig.comm.setRThreshold(0);
    rig.fake->inject("xy");
    settle();
    QSignalSpy lost(&rig.comm, &SerialControl::portLost);
    QSignalSpy notified(&rig.comm, &SerialControl::OnComm);
    rig.comm.setRThreshold(1); // a notification is now queued
    rig.fake->loseDevice(QStringLiteral("unplugged"));
    QCOMPARE(lost.count(), 1);
    QCOMPARE(lost.at(0).at(0).toString(), QStringLiteral("unplugged"));
    QVERIFY(!rig.comm.portOpen());
    QCOMPARE(rig.comm.inBufferCount(), 0);
    settle();
    QCOMPARE(notified.count(), 0);
    rig.comm.output(bytes({1}));
    QVERIFY(rig.fake->writes.isEmpty());
    // The port can be opened again once the device is back.
    QVERIFY(rig.comm.setPortOpen(true));
    QVERIFY(rig.comm.portOpen());
}

QTEST_GUILESS_MAIN(TestSerialControl)
#include "tst_serialcontrol.moc"
