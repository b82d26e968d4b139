#include "LinkRig.h"

#include "link/BoardLink.h"

#include <QTest>

using Send = std::function<BoardLink::Sent(BoardLink&)>;
Q_DECLARE_METATYPE(Send)

class TestBoardLink : public QObject {
    Q_OBJECT
private slots:
    void senders_data() {
        QTest::addColumn<Send>("sender");
        QTest::addColumn<QByteArray>("line"); // each byte its own write, but a burst is one
        auto at = [](int c, double v) {
            return Send([=](auto& l) { return l.ChannelPosition(c, v); });
        };
        QTest::newRow("FlashErase") << Send(&BoardLink::FlashErase) << bytes({7});
        QTest::newRow("BoardReset") << Send(&BoardLink::BoardReset) << bytes({17});
        QTest::newRow("slider 9 to 200") << at(9, 200) << bytes({41, 200});
        QTest::newRow("half rounds to even, down") << at(3, 128.5) << bytes({11, 128});
        QTest::newRow("half rounds to even, up") << at(3, 129.5) << bytes({11, 130});
        QTest::newRow("above range kept on the line") << at(5, 300) << bytes({13, 255});
        QTest::newRow("ChannelBurst") << Send([](auto& l) {
            return l.ChannelBurst({5, 15, 25, 35, 45, 55, 65, 75, 85, 95, 105, 115, 20, 1});
        }) << bytes({8,  5,  9,  15, 10, 25, 11, 35, 12, 45,  13, 55,
                     14, 65, 15, 75, 40, 85, 41, 95, 42, 105, 43, 115});
    }
    void senders() {
        QFETCH(Send, sender);
        QFETCH(QByteArray, line);
        LinkRig rig;
        BoardLink link(rig.comm);
        QCOMPARE(sender(link), BoardLink::Sent::PortClosed);
        QCOMPARE(link.transferByte(6), BoardLink::Sent::PortClosed);
        QVERIFY(rig.openNormal());
        QCOMPARE(sender(link), BoardLink::Sent::Yes);
        QCOMPARE(rig.fake->written(), line);
        QCOMPARE(rig.fake->writes.size(), line.size() == 24 ? 1 : line.size());
        link.setTransferActive(true); // a stray byte would corrupt the flash exchange
        QCOMPARE(sender(link), BoardLink::Sent::LineBusy);
        QCOMPARE(link.transferByte(2), BoardLink::Sent::Yes);
        QCOMPARE(rig.fake->written(), line + bytes({2}));
    }
};

QTEST_GUILESS_MAIN(TestBoardLink)
#include "tst_boardlink.moc"
