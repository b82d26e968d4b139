#include "LinkRig.h"

#include "BoardCore.h"
#include "link/BoardLink.h"

#include <QTest>

using Send = std::function<BoardLink::Sent(BoardLink&)>;
Q_DECLARE_METATYPE(Send)

namespace {
StepRecord allAt(int position) {
    StepRecord step{};
    std::fill_n(step.begin(), kChannelCount, position);
    return step;
}

// The link over a device whose line lets bytes go at 9600 baud 8N2 on the test's clock, the
// board's core taking what leaves. The link's timer is stood in for by looking at every
// tenth of a millisecond, so the clock alone decides what happens when.
struct PacedLine {
    LinkRig rig;
    boardsim::BoardCore board;
    QByteArray atBoard;
    qint64 now = 1'000'000'000;
    BoardLink link{rig.comm};

    PacedLine() {
        rig.comm.setClock([this] { return now; });
        rig.fake->setLineClock([this] { return now; });
        rig.fake->onLeave = [this](const QByteArray& left) {
            atBoard += left;
            board.receive(reinterpret_cast<const uint8_t*>(left.constData()), size_t(left.size()));
        };
    }
    void pass(double ms) {
        for (qint64 end = now + qint64(ms * 1e6); now < end;) {
            now = qMin(end, now + 100'000);
            link.handOverDue();
            rig.fake->leave();
        }
    }
};
} // namespace

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
        QTest::newRow("ChannelPairs of Ch0, Ch3, Ch11, one write") << Send([](auto& l) {
            return l.ChannelPairs({5, 15, 25, 35, 45, 55, 65, 75, 85, 95, 105, 115, 20, 1},
                                  0b1000'0000'1001);
        }) << bytes({8, 5, 11, 35, 43, 115});
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
        const bool burst = QByteArray(QTest::currentDataTag()).startsWith("Channel");
        QCOMPARE(rig.fake->writes.size(), burst ? 1 : line.size());
        link.setTransferActive(true); // a stray byte would corrupt the flash exchange
        QCOMPARE(sender(link), BoardLink::Sent::LineBusy);
        QCOMPARE(link.transferByte(2), BoardLink::Sent::Yes);
        QCOMPARE(rig.fake->written(), line + bytes({2}));
    }

    // What waits for the line goes out by itself, whole and in order, and at the latest when
    // the link ends: the last byte of a run (PC control off) must not stay behind.
    void queuedMessagesGoOut() {
        LinkRig rig;
            QVERIFY(rig.openNormal());
        const QByteArray burst = QByteArray::fromHex(
            "08 80 09 80 0a 80 0b 80 0c 80 0d 80 0e 80 0f 80 28 80 29 80 2a 80 2b 80");
        {
            BoardLink link(rig.comm);
            link.ChannelBurst(allAt(128));
            link.ChannelPosition(0, 200);
            link.ChannelPosition(11, 5);
            QTRY_COMPARE(rig.fake->written().toHex(' '),
                         (burst + QByteArray::fromHex("08 c8 2b 05")).toHex(' '));
        }
        rig.fake->clearWrites();
        rig.comm.setClock([] { return qint64(1) << 50; }); // frozen: the timer finds nothing due
        {
            BoardLink link(rig.comm);
            link.ChannelBurst(allAt(128));
            link.PcControlOff();
            QTest::qWait(40);
            QCOMPARE(rig.fake->written(), burst);
        }
        QCOMPARE(rig.fake->written(), burst + bytes({0}));
    }

    // The driver gets one whole message at a time, when the line is about to be free; a stop
    // drops only what waits in the link, so what the driver has always reaches the board
    // whole and the stop's own byte is never taken as a position. "on", "burst:p", "c:p"
    // (a slider pair), "t:b" (a flash exchange's byte) send; "+ms" lets time pass; "quit"
    // and "reset" stop and send their byte, "stop" only stops; "lost" unplugs the device,
    // "reopen" closes the port and opens it again.
    void stopNeverCutsAMessage_data() {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QByteArray>("driver"); // every byte handed to the device
        QTest::addColumn<QByteArray>("board");  // what has reached the board at the end
        QTest::addColumn<QList<int>>("known");  // channels whose position the link vouches for
        const QByteArray burst130 = QByteArray::fromHex(
            "08 82 09 82 0a 82 0b 82 0c 82 0d 82 0e 82 0f 82 28 82 29 82 2a 82 2b 82");
        const QList<int> all{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
        QTest::newRow("Quit behind a burst and two pairs")
            << "on +5 burst:130 +2.8 0:200 1:201 quit +50" << bytes({1}) + burst130 + bytes({0})
            << bytes({1}) + burst130 + bytes({0}) << all.mid(2);
        QTest::newRow("Reset behind a pair half out")
            << "0:200 1:201 2:202 +1 reset +10" << QByteArray::fromHex("08 c8 11")
            << QByteArray::fromHex("08 c8 11") << QList<int>{};
        QTest::newRow("a pair handed on early finishes")
            << "0:200 1:201 2:202 +1.9 quit +10" << QByteArray::fromHex("08 c8 09 c9 00")
            << QByteArray::fromHex("08 c8 09 c9 00") << QList<int>{0, 1};
        QTest::newRow("nothing handed on before its time")
            << "burst:130 0:200 +26" << burst130 << burst130.left(22) << all;
        QTest::newRow("in order at the line's pace")
            << "burst:130 0:200 11:5 +40" << burst130 + QByteArray::fromHex("08 c8 2b 05")
            << burst130 + QByteArray::fromHex("08 c8 2b 05") << all;
        QTest::newRow("a transfer's bytes do not wait for the line")
            << "t:2 t:0 t:14" << QByteArray::fromHex("02 00 0e") << QByteArray() << QList<int>{};
        QTest::newRow("but behind what came before them")
            << "burst:130 0:200 t:6 +20" << burst130 << burst130.left(17) << all;
        QTest::newRow("a stop keeps a transfer's bytes")
            << "burst:130 0:200 t:6 stop +30" << burst130 + bytes({6}) << burst130 + bytes({6})
            << all.mid(1);
        QTest::newRow("a lost port writes nothing more")
            << "burst:130 0:200 lost +30" << burst130 << burst130 << all.mid(1);
        QTest::newRow("nothing for the old port reaches the new one")
            << "burst:130 0:200 reopen +30" << burst130 << burst130 << all.mid(1);
    }
    void stopNeverCutsAMessage() {
        QFETCH(QString, script);
        QFETCH(QByteArray, driver);
        QFETCH(QByteArray, board);
        QFETCH(QList<int>, known);
        PacedLine line;
        QVERIFY(line.rig.openNormal());
        for (const QString& token : script.split(' ')) {
            const QString head = token.section(':', 0, 0);
            const int arg = token.section(':', 1).toInt();
            if (token == "on") {
                line.link.PcControlOn();
            } else if (head == "burst") {
                line.link.ChannelBurst(allAt(arg));
            } else if (head == "t") {
                line.link.transferByte(quint8(arg));
            } else if (token.startsWith('+')) {
                line.pass(token.mid(1).toDouble());
            } else if (token == "quit" || token == "reset" || token == "stop") {
                const BoardLink::Stop stop(line.link);
                if (token == "quit") {
                    line.link.PcControlOff();
                } else if (token == "reset") {
                    line.link.BoardReset();
                }
            } else if (token == "lost") {
                line.rig.fake->loseDevice(QStringLiteral("unplugged"));
            } else if (token == "reopen") {
                QVERIFY(line.rig.comm.setPortOpen(false) && line.rig.openNormal());
            } else {
                line.link.ChannelPosition(head.toInt(), arg);
            }
        }
        QCOMPARE(line.rig.fake->written().toHex(' '), driver.toHex(' '));
        QCOMPARE(line.atBoard.toHex(' '), board.toHex(' '));
        QCOMPARE(line.board.unknownCount(), quint64(0));
        QList<int> vouched;
        for (int c = 0; c < kChannelCount; ++c) {
            for (int v = 0; v < 256; ++v) {
                if (!line.link.holds(c, v)) {
                    continue;
                }
                vouched << c;
                // Once the line is idle the board holds what the link vouches for.
                if (line.link.lineFreeInNs() == 0) {
                    QCOMPARE(int(line.board.position(c)), v);
                }
            }
        }
        QCOMPARE(vouched, known);
    }

    // The board's acknowledgement proves that everything written before it has left: after
    // a flash image on a board faster than the wire, the next burst goes at once.
    void anAnswerFreesTheLine() {
        LinkRig rig;
            BoardLink link(rig.comm);
        qint64 now = 1'000'000'000;
        rig.comm.setClock([&now] { return now; });
        QVERIFY(rig.openNormal());
        for (int block = 0; block < 56; ++block) {
            for (int i = 0; i < 256; ++i) {
                link.transferByte(0x80);
            }
            now += 2'000'000;
            rig.arrive(bytes({255}));
        }
        rig.fake->clearWrites();
        QCOMPARE(link.lineFreeInNs(), 0);
        QCOMPARE(link.ChannelBurst(allAt(130)), BoardLink::Sent::Yes);
        QCOMPARE(rig.fake->writes.size(), 1);
        QCOMPARE(link.lineFreeInNs(), 27'500'000); // the burst alone
    }
};

QTEST_GUILESS_MAIN(TestBoardLink)
#include "tst_boardlink.moc"
