#include "BoardOnCore.h"
#include "support/ProgramSteps.h"

#include "board/ChannelMoves.h"
#include "board/FlashProgram.h"

#include <QTest>

#include <chrono>

// The gate every position passes, against the simulator's core: does the board hold what the
// sliders show once a transfer that held moves back has ended?
class TestChannelMoves : public QObject {
    Q_OBJECT

private slots:
    void heldBackDuringATransfer_data() {
        QTest::addColumn<QString>("end");
        QTest::addColumn<QByteArray>("after"); // written once the transfer has ended
        QTest::addColumn<QByteArray>("shown"); // then by showing the sliders' step
        QTest::newRow("ended normally: the latest of each moved channel")
            << "ack" << QByteArray::fromHex("08c80bc8") << QByteArray();
        QTest::newRow("aborted: nothing, and the next showing sends them")
            << "abort" << QByteArray() << QByteArray::fromHex("08c80bc8");
        QTest::newRow("port lost: nothing") << "lose" << QByteArray() << QByteArray();
    }
    void heldBackDuringATransfer() {
        QFETCH(QString, end);
        QFETCH(QByteArray, after);
        QFETCH(QByteArray, shown);
        BoardOnCore rig;
        ChannelMoves& moves = rig.board.moves();
        StepRecord centre{};
        std::fill_n(centre.begin(), kChannelCount, 128);
        QCOMPARE(moves.burst(centre), BoardLink::Sent::Yes);
        QCOMPARE(moves.move(0, 200), ChannelMoves::Outcome::Sent);
        rig.editor.replaceAll(programSteps(1));
        QTRY_COMPARE(rig.board.link().lineFreeInNs(), 0); // the link's queue has gone out
        FlashProgram program(rig.board);
        rig.mute = end != "ack";
        program.start(rig.editor.table(), 1, false);
        QVERIFY(program.isRunning());
        for (const auto& [channel, value] : {std::pair(3, 100), {3, 200}, {0, 100}, {0, 200}}) {
            QCOMPARE(moves.move(channel, value), ChannelMoves::Outcome::HeldBack);
        }
        std::array<double, kChannelCount> sliders{};
        sliders.fill(128);
        sliders[0] = 200;
        sliders[3] = 200;
        rig.port->clearWrites();
        if (end == "abort") {
            program.abort();
        } else if (end == "lose") {
            rig.port->loseDevice(QStringLiteral("lost"));
        }
        QTRY_VERIFY(!program.isRunning());
        const QByteArray image = end == "ack" ? programExchange(1).mid(3) : QByteArray();
        QTRY_COMPARE(rig.port->written(), image + after);
        QCOMPARE(moves.holds(0, 200), end == "ack");

        rig.core.advance(std::chrono::seconds(2)); // a board left inside the image gives it up
        rig.port->clearWrites();
        moves.sendUnheld(sliders);
        QTRY_COMPARE(rig.port->written(), shown);
        for (int c = 0; c < kChannelCount && rig.port->isOpen(); ++c) {
            QCOMPARE(double(rig.core.position(c)), sliders[size_t(c)]);
        }
    }
};

QTEST_GUILESS_MAIN(TestChannelMoves)
#include "tst_channelmoves.moc"
