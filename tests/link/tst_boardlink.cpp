#include "LinkRig.h"

#include "core/Declaration.h"
#include "link/BoardLink.h"

#include <QTest>

#include <functional>

using Sender = std::function<BoardLink::Sent(BoardLink&)>;
Q_DECLARE_METATYPE(Sender)

class TestBoardLink : public QObject {
    Q_OBJECT
private slots:
    void commands_data();
    void commands();
    void channelSelect_data();
    void channelSelect();
    void channelBurstIsOneWrite();
    void closedPortSendsNothing_data();
    void closedPortSendsNothing();
    void transferHoldsTheLine_data();
    void transferHoldsTheLine();
    void everySenderUsesOutByte();
};

namespace {
QList<QByteArray> oneByteWrites(std::initializer_list<int> values) {
    QList<QByteArray> out;
    for (int v : values) {
        out << bytes({v});
    }
    return out;
}

StepRecord allAt(int position) {
    StepRecord step{};
    for (int c = 0; c < kChannelCount; ++c) {
        step[c] = position;
    }
    step[kDurationField] = 20;
    return step;
}

void addEverydaySenders() {
    QTest::addColumn<Sender>("sender");
    QTest::addColumn<QList<QByteArray>>("expected");
    QTest::newRow("PcControlOff") << Sender(&BoardLink::PcControlOff) << oneByteWrites({0});
    QTest::newRow("PcControlOn") << Sender(&BoardLink::PcControlOn) << oneByteWrites({1});
    QTest::newRow("BoardPlayStart") << Sender(&BoardLink::BoardPlayStart) << oneByteWrites({3});
    QTest::newRow("BoardPlayStop") << Sender(&BoardLink::BoardPlayStop) << oneByteWrites({4});
    QTest::newRow("FlashErase") << Sender(&BoardLink::FlashErase) << oneByteWrites({7});
    QTest::newRow("BoardReset") << Sender(&BoardLink::BoardReset) << oneByteWrites({17});
    QTest::newRow("ChannelPosition 9 to 200")
        << Sender([](BoardLink& l) { return l.ChannelPosition(9, 200); })
        << oneByteWrites({41, 200});
    QTest::newRow("ChannelBurst")
        << Sender([](BoardLink& l) { return l.ChannelBurst(allAt(128)); })
        << QList<QByteArray>{bytes({8, 128, 9, 128, 10, 128, 11, 128, 12, 128, 13, 128, 14, 128,
                                    15, 128, 40, 128, 41, 128, 42, 128, 43, 128})};
}
} // namespace

void TestBoardLink::commands_data() { addEverydaySenders(); }

void TestBoardLink::commands() {
    QFETCH(Sender, sender);
    QFETCH(QList<QByteArray>, expected);
    LinkRig rig;
    QVERIFY(rig.openNormal());
    Declaration d;
    BoardLink link(d, rig.comm);
    QCOMPARE(sender(link), BoardLink::Sent::Yes);
    QCOMPARE(rig.fake->writes, expected);
}

void TestBoardLink::channelSelect_data() {
    QTest::addColumn<int>("channel");
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("command");
    QTest::addColumn<int>("position");
    QTest::newRow("slider 0 to 0") << 0 << 0.0 << 8 << 0;
    QTest::newRow("slider 7 to 255") << 7 << 255.0 << 15 << 255;
    QTest::newRow("slider 8 centre") << 8 << 128.0 << 40 << 128;
    QTest::newRow("slider 9 to 200") << 9 << 200.0 << 41 << 200;
    QTest::newRow("slider 11 to 1") << 11 << 1.0 << 43 << 1;
    QTest::newRow("half rounds to even, down") << 3 << 128.5 << 11 << 128;
    QTest::newRow("half rounds to even, up") << 3 << 129.5 << 11 << 130;
    QTest::newRow("below range kept on the line") << 4 << -3.0 << 12 << 0;
    QTest::newRow("above range kept on the line") << 5 << 300.0 << 13 << 255;
}

void TestBoardLink::channelSelect() {
    QFETCH(int, channel);
    QFETCH(double, value);
    QFETCH(int, command);
    QFETCH(int, position);
    LinkRig rig;
    QVERIFY(rig.openNormal());
    Declaration d;
    BoardLink link(d, rig.comm);
    QCOMPARE(link.ChannelPosition(channel, value), BoardLink::Sent::Yes);
    QCOMPARE(rig.fake->writes, oneByteWrites({command, position}));
}

void TestBoardLink::channelBurstIsOneWrite() {
    LinkRig rig;
    QVERIFY(rig.openNormal());
    Declaration d;
    BoardLink link(d, rig.comm);
    StepRecord step = allAt(0);
    for (int c = 0; c < kChannelCount; ++c) {
        step[c] = 10 * c + 5;
    }
    step[kBreakField] = 1;
    QCOMPARE(link.ChannelBurst(step), BoardLink::Sent::Yes);
    QCOMPARE(rig.fake->writes.size(), 1);
    QCOMPARE(rig.fake->writes[0],
             bytes({8, 5, 9, 15, 10, 25, 11, 35, 12, 45, 13, 55, 14, 65, 15, 75, 40, 85, 41, 95, 42,
                    105, 43, 115}));
}

void TestBoardLink::closedPortSendsNothing_data() {
    addEverydaySenders();
    QTest::newRow("transferByte") << Sender([](BoardLink& l) { return l.transferByte(6); })
                                  << QList<QByteArray>{};
}

void TestBoardLink::closedPortSendsNothing() {
    QFETCH(Sender, sender);
    LinkRig rig;
    Declaration d;
    BoardLink link(d, rig.comm);
    QVERIFY(!link.portOpen());
    QCOMPARE(sender(link), BoardLink::Sent::PortClosed);
    QVERIFY(rig.fake->writes.isEmpty());
}

void TestBoardLink::transferHoldsTheLine_data() { addEverydaySenders(); }

void TestBoardLink::transferHoldsTheLine() {
    QFETCH(Sender, sender);
    for (const bool reading : {false, true}) {
        LinkRig rig;
        QVERIFY(rig.openNormal());
        Declaration d;
        (reading ? d.ReadingFlash : d.AwaitingAck) = true;
        BoardLink link(d, rig.comm);
        QVERIFY(link.lineBusy());
        QCOMPARE(sender(link), BoardLink::Sent::LineBusy);
        QVERIFY(rig.fake->writes.isEmpty());
        QCOMPARE(link.transferByte(2), BoardLink::Sent::Yes);
        QCOMPARE(link.transferByte(255), BoardLink::Sent::Yes);
        QCOMPARE(rig.fake->writes, oneByteWrites({2, 255}));
    }
}

void TestBoardLink::everySenderUsesOutByte() {
    LinkRig rig;
    QVERIFY(rig.openNormal());
    Declaration d;
    BoardLink link(d, rig.comm);
    link.ChannelPosition(10, 77);
    QCOMPARE(d.OutByte[0], 77);
    link.BoardReset();
    QCOMPARE(d.OutByte[0], 17);
}

QTEST_GUILESS_MAIN(TestBoardLink)
#include "tst_boardlink.moc"
