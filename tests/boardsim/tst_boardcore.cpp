#include "BoardCore.h"

#include <QTest>

#include <algorithm>

// Designated initializers leave the other faults off on purpose.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

using namespace boardsim;
using namespace std::chrono_literals;
using Bytes = BoardCore::Bytes;

Q_DECLARE_METATYPE(boardsim::BoardFaults)

namespace {

// "2 0 14 128*12 0 50": byte values, v*n for n times v.
Bytes bytes(const QString& text) {
    Bytes out;
    for (const QString& token : text.split(' ', Qt::SkipEmptyParts)) {
        const QStringList part = token.split('*');
        out.insert(out.end(), part.size() > 1 ? part[1].toUInt() : 1, uint8_t(part[0].toUInt()));
    }
    return out;
}

template <typename Range> QString text(const Range& values, char separator = ' ') {
    QStringList out;
    for (uint8_t v : values) {
        out << QString::number(v);
    }
    return out.join(separator);
}

QString events(const BoardCore& core) {
    QStringList out;
    for (const BoardEvent& event : core.events()) {
        out << QString::fromStdString(event.text());
    }
    return out.join("; ");
}

Bytes imageOf(std::size_t count) {
    Bytes image(count);
    std::generate(image.begin(), image.end(), [i = 0]() mutable { return uint8_t(i++ * 7); });
    return image;
}

// "0:255 256:85,255": after how many image bytes which answer came (0: the answer to the count).
QString programTrace(BoardCore& core, const Bytes& image) {
    QStringList trace;
    Bytes answer = core.receive({kFlashProgram, uint8_t(image.size() >> 8), uint8_t(image.size())});
    for (std::size_t i = 0; i <= image.size(); ++i) {
        if (!answer.empty()) {
            trace << QString::number(i) + ':' + text(answer, ',');
        }
        answer = i < image.size() ? core.receive(&image[i], 1) : Bytes{};
    }
    return trace.join(' ');
}

} // namespace

class TestBoardCore : public QObject {
    Q_OBJECT

private slots:
    // Bytes in at time 0, then a second passes: what comes back, what is logged, where the
    // servos are.
    void exchange_data() {
        QTest::addColumn<BoardFaults>("faults");
        QTest::addColumn<QString>("in");
        QTest::addColumn<QString>("reply");
        QTest::addColumn<QString>("later");
        QTest::addColumn<QString>("events");
        QTest::addColumn<QString>("positions");
        const auto row = [](const char* name, const char* in, const char* reply, const char* later,
                            const QString& events, const char* positions = "128*12",
                            BoardFaults faults = {}) {
            QTest::newRow(name) << faults << QString(in) << QString(reply) << QString(later)
                                << events << QString(positions);
        };
        const auto programmed = [](int n) {
            return QString("flash-program begin %1; flash-program complete %1; ").arg(n);
        };
        const char* centred = "128*12";
        row("sliders 9 to 200 and 0 to 0", "41 200 8 0", "", "", "channel 9 200; channel 0 0",
            "0 128*8 200 128*2");
        row("channels 7, 8, 11; a position that looks like a command", "15 255 40 1 43 129 10 2",
            "", "", "channel 7 255; channel 8 1; channel 11 129; channel 2 2",
            "128*2 2 128*4 255 1 128*2 129");
        row("pc control, reset centres", "1 9 200 17 1 0", "", "",
            "pc-control on; channel 1 200; reset; pc-control on; pc-control off");
        row("unknown bytes are not fatal", "5 16 18 39 44 254 255 9 77", "", "",
            "unknown 5; unknown 16; unknown 18; unknown 39; unknown 44; unknown 254; unknown 255; "
            "channel 1 77",
            "128 77 128*10");
        row("image bytes are not commands", "2 0 14 17 1 6 8 0 7 3 2 255 0 0 0 0 1 6",
            "255 0 14 17 1 6 8 0 7 3 2 255 0 0 0 0 1", "", programmed(14) + "flash-read 14");
        row("erase, then read", "2 0 1 5 7 6", "255 0 0", "",
            programmed(1) + "flash-erase; flash-read 0");
        row("count above capacity: taken, first 14336 stored", "2 56 64 9*14400 6",
            "255*57 56 0 9*14336", "",
            "flash-program begin 14400; flash-program complete 14400 stored 14336; flash-read "
            "14336");
        const char* three = "2 0 3 10 11 12 6";
        row("read announces more than it sends", three, "255 0 3 10 11", "",
            programmed(3) + "flash-read 3 sent 2", centred, {.readCount = 3, .readSend = 2});
        row("play: steps by their time, 0 ms passes, starts over",
            "2 0 56 10*12 0 10 20*12 0 20 30*12 0 0 40*12 0 15 3", "255", "",
            programmed(56) + "play start 4; play step 0; play step 1; play step 2; play step 3; "
                             "play step 0",
            "10*12");
        const QString playing = programmed(14) + "play start 1; play step 0; ";
        row("play, then stop", "2 0 14 10*12 0 5 3 4", "255", "", playing + "play stop", "10*12");
        row("reset stops playback", "2 0 14 10*12 0 5 3 17", "255", "",
            playing + "reset; play stop");
        row("programming stops playback", "2 0 14 10*12 0 5 3 2 0 0", "255 255", "",
            playing + "flash-program begin 0; play stop; flash-program complete 0", "10*12");
        row("programming given up after a silent second", "2 0 28 1 2 3", "255", "",
            "flash-program begin 28; flash-program abandoned 3 of 28");
        row("debug bytes every 300 ms", "", "", "65 66 65 66 65 66",
            "fault debug-bytes 2; fault debug-bytes 2; fault debug-bytes 2", centred,
            {.debugBytes = {65, 66}, .debugEvery = 300ms});
        row("hang-up: nothing taken or sent after it", "1 9 100 10 50 6", "", "",
            "pc-control on; channel 1 100; fault hang-up 3", "128 100 128*10",
            {.debugBytes = {1}, .debugEvery = 5ms, .hangUpAfterBytes = 3});
    }
    void exchange() {
        QFETCH(BoardFaults, faults);
        QFETCH(QString, in);
        QFETCH(QString, reply);
        QFETCH(QString, later);
        QFETCH(QString, events);
        QFETCH(QString, positions);
        BoardCore core({.faults = faults});
        QCOMPARE(text(core.receive(bytes(in))), text(bytes(reply)));
        QCOMPARE(text(core.advance(1s)), text(bytes(later)));
        QCOMPARE(::events(core), events);
        QCOMPARE(core.phase(), BoardCore::Phase::Command);
        QCOMPARE(core.unknownCount(), uint64_t(events.count("unknown")));
        QCOMPARE(text(core.positions()), text(bytes(positions)));
    }

    void programming_data() {
        QTest::addColumn<int>("count");
        QTest::addColumn<BoardFaults>("faults");
        QTest::addColumn<QString>("trace");
        QTest::addColumn<QString>("event"); // also expected, empty for none
        for (int steps : {0, 18, 19, 1024}) {
            QString acks = "0:255";
            for (int k = 256; k <= steps * 14; k += 256) {
                acks += QStringLiteral(" %1:255").arg(k);
            }
            QTest::addRow("%d steps", steps) << steps * 14 << BoardFaults{} << acks << "";
        }
        const auto row = [](const char* name, BoardFaults faults, const char* trace,
                            const char* event = "") {
            QTest::newRow(name) << 518 << faults << QString(trace) << QString(event);
        };
        row("wrong ack always", {.wrongAck = 85}, "0:85 256:85 512:85", "fault wrong-ack 85");
        row("wrong ack once", {.wrongAck = 85, .wrongAckOnce = true}, "0:85 256:255 512:255");
        row("wrong ack once, from the second",
            {.wrongAck = 85, .wrongAckOnce = true, .wrongAckFrom = 2}, "0:255 256:255 512:85");
        row("wrong ack, then the real one", {.wrongAck = 85, .ackAfterWrong = true},
            "0:85,255 256:85,255 512:85,255");
        row("mute from the start", {.muteAfterImageBytes = 0}, "", "fault ack-withheld 0");
        row("mute after 300", {.muteAfterImageBytes = 300}, "0:255 256:255",
            "fault ack-withheld 512");
    }
    void programming() {
        QFETCH(int, count);
        QFETCH(BoardFaults, faults);
        QFETCH(QString, trace);
        QFETCH(QString, event);
        BoardCore core({.faults = faults});
        const Bytes image = imageOf(std::size_t(count));
        QCOMPARE(programTrace(core, image), trace);
        QCOMPARE(core.phase(), BoardCore::Phase::Command);
        QVERIFY(events(core).endsWith(QStringLiteral("flash-program complete %1").arg(count)));
        QVERIFY(events(core).contains(event));
        // Taken whatever was answered, and read back as stored.
        Bytes stored{uint8_t(count >> 8), uint8_t(count)};
        stored.insert(stored.end(), image.begin(), image.end());
        QCOMPARE(text(core.receive({kFlashRead})), text(stored));
    }

    void transferTimeoutCountsFromTheLastActivity() {
        BoardCore core;
        core.receive({kFlashProgram, 0, 28, 1, 2, 3});
        core.advance(999ms);
        core.receive({4});
        core.advance(999ms);
        QCOMPARE(core.phase(), BoardCore::Phase::ProgramImage);
        core.advance(1ms);
        QCOMPARE(core.phase(), BoardCore::Phase::Command);

        BoardCore late({.faults = {.debugBytes = {9}, .debugEvery = 10ms, .ackDelay = 50ms}});
        QVERIFY(late.receive({kFlashProgram, 0, 14}).empty());
        // Debug bytes made while the ack is held back wait behind it: answers leave in order.
        QVERIFY(late.advance(49ms).empty());
        QCOMPARE(text(late.advance(1ms)), "255 9 9 9 9 9");
        late.advanceTo(1049ms); // the delayed ack is the last activity, not the count
        QCOMPARE(late.phase(), BoardCore::Phase::ProgramImage);
    }
};

QTEST_APPLESS_MAIN(TestBoardCore)
#include "tst_boardcore.moc"
