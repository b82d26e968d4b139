#include "BoardOnCore.h"
#include "support/ProgramSteps.h"

#include "board/ChannelMoves.h"
#include "board/FlashProgram.h"
#include "board/FlashVerify.h"

#include <QSignalSpy>
#include <QTest>

#include <chrono>
#include <memory>

// The gate every position passes, against the simulator's core: does the board hold what the
// sliders show once a transfer that held moves back has ended?
class TestChannelMoves : public QObject {
    Q_OBJECT

private slots:
    // Every path a position takes to the wire, with Ch3 limited to 100..180: what goes out,
    // and what the board holds or stores. A step is all 128 but for Ch3, 1000 ms long.
    void limitsOnEveryPath_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("limited");
        QTest::addColumn<int>("position"); // Ch3's
        QTest::addColumn<QByteArray>("wire");
        QTest::addColumn<int>("held"); // Ch3 on the board after it; -1: the flash's paths
        const auto burst = [](const char* ch3) {
            return QByteArray::fromHex("08 80 09 80 0a 80 0b" + QByteArray(ch3) +
                                       "0c 80 0d 80 0e 80 0f 80 28 80 29 80 2a 80 2b 80");
        };
        const auto program = [](const char* ch3) {
            return QByteArray::fromHex("02 00 0e 80 80 80" + QByteArray(ch3) +
                                       "80 80 80 80 80 80 80 80 00 32");
        };
        const auto row = [](const QString& name, const QString& path, bool limited, int position,
                            const QByteArray& wire, int held) {
            QTest::newRow(qPrintable(name)) << path << limited << position << wire << held;
        };
        struct At {
            int position;
            const char* ch3; // as it goes out
            int held;
        };
        for (const auto& [position, ch3, held] :
             {At{50, "64", 100}, {140, "8c", 140}, {220, "b4", 180}}) {
            const QString at = QStringLiteral(" %1").arg(position);
            row("slider" + at, "slider", true, position,
                QByteArray::fromHex("0b") + QByteArray::fromHex(ch3), held);
            row("ShowStep" + at, "show", true, position,
                QByteArray::fromHex("0b") + QByteArray::fromHex(ch3), held);
            row("burst" + at, "burst", true, position, burst(ch3), held);
            row("program" + at, "program", true, position, program(ch3), -1);
            row("verify" + at, "verify", true, position, QByteArray::fromHex("06"), -1);
        }
        // The board holds 200 from before the limits: showing the step brings it within.
        row("ShowStep 200, limits set after", "show late", true, 200, QByteArray::fromHex("0b b4"),
            180);
        // Without limits every byte is as it always was.
        row("slider 220, no limits", "slider", false, 220, QByteArray::fromHex("0b dc"), 220);
        row("ShowStep 220, no limits", "show", false, 220, QByteArray::fromHex("0b dc"), 220);
        row("burst 220, no limits", "burst", false, 220, burst("dc"), 220);
        row("program 220, no limits", "program", false, 220, program("dc"), -1);
    }
    void limitsOnEveryPath() {
        QFETCH(QString, path);
        QFETCH(bool, limited);
        QFETCH(int, position);
        QFETCH(QByteArray, wire);
        QFETCH(int, held);
        BoardOnCore rig;
        qint64 nowNs = 0; // the line's clock: each phase begins on a free line
        rig.serial.setClock([&] { return nowNs; });
        ChannelMoves& moves = rig.board.moves();
        StepRecord step{};
        std::fill_n(step.begin(), kChannelCount, 128);
        step[kDurationField] = 1000;
        if (path == "show late") {
            step[3] = 200;
        }
        QCOMPARE(moves.burst(step), BoardLink::Sent::Yes); // the board holds the step
        nowNs += 1'000'000'000;
        rig.port->clearWrites();
        ChannelSetup setup;
        if (limited) {
            QVERIFY(setup.setChannel(3, {QStringLiteral("elbow"), 100, 180}));
        }
        moves.setChannelSetup(setup);
        step[3] = position;
        std::array<double, kChannelCount> shown{};
        std::copy_n(step.begin(), kChannelCount, shown.begin());

        auto table = std::make_unique<SequenceTable>();
        (*table)[0] = step;
        FlashProgram program(rig.board);
        FlashVerify verify(rig.board);
        QStringList notes;
        connect(&program, &FlashProgram::note, [&](const QString& text) { notes << text; });
        if (path == "slider") {
            QCOMPARE(moves.move(3, position), ChannelMoves::Outcome::Sent);
        } else if (path.startsWith("show")) {
            moves.sendUnheld(shown);
        } else if (path == "burst") {
            QCOMPARE(moves.burst(step), BoardLink::Sent::Yes);
        } else if (path == "program") {
            program.start(*table, 1, false);
            QTRY_VERIFY(!program.isRunning());
            QCOMPARE(program.message(), FlashProgram::kProgrammed);
            QCOMPARE(rig.bytesOf(rig.core.flash()), wire.mid(3));
            const bool outside = limited && position != 140;
            QCOMPARE(notes, outside ? QStringList{"1 value lies outside the channel limits and is "
                                                  "written at its limit."}
                                    : QStringList{});
            QCOMPARE(program.valuesLimited(), outside ? 1 : 0);
        } else if (path == "verify") {
            // What programming writes, read back: the limited image.
            const QByteArray flash = QByteArray::fromHex("80 80 80") +
                                     char(qBound(100, position, 180)) +
                                     QByteArray::fromHex("80 80 80 80 80 80 80 80 00 32");
            rig.core.setFlash(boardsim::BoardCore::Bytes(flash.begin(), flash.end()));
            verify.start(*table, 1, QLocale::c());
            QTRY_VERIFY(!verify.isRunning());
            QCOMPARE(verify.message(),
                     QStringLiteral("The board's flash holds this list (1 step)."));
        }
        QTRY_COMPARE(rig.port->written().toHex(' '), wire.toHex(' '));
        if (held < 0) {
            return;
        }
        QCOMPARE(int(rig.core.position(3)), held);
        // The board is known to hold what went out: showing the step again sends nothing.
        rig.port->clearWrites();
        nowNs += 1'000'000'000;
        moves.sendUnheld(shown);
        QCOMPARE(rig.board.link().lineFreeInNs(), 0);
        QCOMPARE(rig.port->written(), QByteArray());
    }

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
