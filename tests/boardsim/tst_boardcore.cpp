#include "BoardCore.h"

#include <QTemporaryDir>
#include <QTest>

#include <fstream>

using namespace boardsim;
using namespace std::chrono_literals;
using Bytes = BoardCore::Bytes;

Q_DECLARE_METATYPE(Bytes)
Q_DECLARE_METATYPE(std::vector<std::size_t>)
Q_DECLARE_METATYPE(std::vector<Bytes>)

namespace {

Bytes imageOf(std::size_t steps, uint8_t seed = 0) {
    Bytes image(steps * kStepBytes);
    for (std::size_t i = 0; i < image.size(); ++i) {
        image[i] = static_cast<uint8_t>((i * 7 + seed) % 256);
    }
    return image;
}

// A step of twelve equal positions lasting units × 20 ms.
Bytes step(uint8_t position, int units) {
    Bytes bytes(kChannels, position);
    bytes.push_back(static_cast<uint8_t>(units >> 8));
    bytes.push_back(static_cast<uint8_t>(units & 0xff));
    return bytes;
}

std::vector<std::string> texts(const BoardCore& core) {
    std::vector<std::string> out;
    for (const BoardEvent& event : core.events()) {
        out.push_back(event.text());
    }
    return out;
}

bool hasEvent(const BoardCore& core, const std::string& text) {
    const auto all = texts(core);
    return std::find(all.begin(), all.end(), text) != all.end();
}

} // namespace

class TestBoardCore : public QObject {
    Q_OBJECT

    // Feeds the programming byte by byte and records after which image byte an answer came.
    struct Run {
        Bytes header;                 // answer to the count
        std::vector<std::size_t> at;  // image byte counts after which something came back
        std::vector<Bytes> answers;   // what came back there
    };

    static Run runProgram(BoardCore& core, const Bytes& image, std::size_t announced) {
        Run run;
        run.header = core.receive({kFlashProgram, static_cast<uint8_t>(announced >> 8),
                                   static_cast<uint8_t>(announced & 0xff)});
        for (std::size_t i = 0; i < image.size(); ++i) {
            Bytes answer = core.receive(&image[i], 1);
            if (!answer.empty()) {
                run.at.push_back(i + 1);
                run.answers.push_back(std::move(answer));
            }
        }
        return run;
    }
    static Run runProgram(BoardCore& core, const Bytes& image) {
        return runProgram(core, image, image.size());
    }

private slots:
    void startsCentredWithPcControlOff() {
        BoardCore core;
        for (int c = 0; c < kChannels; ++c) {
            QCOMPARE(core.position(c), kCentre);
        }
        QVERIFY(!core.pcControl());
        QVERIFY(!core.playing());
        QVERIFY(core.flash().empty());
        QVERIFY(!core.nextDue());
    }

    void channelSelect_data() {
        QTest::addColumn<int>("command");
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("channel");
        QTest::newRow("slider 9 to 200") << 41 << 200 << 9;
        QTest::newRow("slider 0 to 0") << 8 << 0 << 0;
        QTest::newRow("channel 7 is 15") << 15 << 255 << 7;
        QTest::newRow("channel 8 is 40") << 40 << 1 << 8;
        QTest::newRow("channel 11 is 43") << 43 << 129 << 11;
        QTest::newRow("position that looks like a command") << 10 << 2 << 2;
        QTest::newRow("position 255") << 12 << 255 << 4;
    }
    void channelSelect() {
        QFETCH(int, command);
        QFETCH(int, position);
        QFETCH(int, channel);
        BoardCore core;
        QVERIFY(core.receive({static_cast<uint8_t>(command)}).empty());
        QCOMPARE(core.phase(), BoardCore::Phase::Position);
        QVERIFY(core.receive({static_cast<uint8_t>(position)}).empty());
        QCOMPARE(core.phase(), BoardCore::Phase::Command);
        QCOMPARE(int(core.position(channel)), position);
        for (int c = 0; c < kChannels; ++c) {
            if (c != channel) {
                QCOMPARE(core.position(c), kCentre);
            }
        }
        QCOMPARE(texts(core), std::vector<std::string>{"channel " + std::to_string(channel) + " " +
                                                        std::to_string(position)});
        QCOMPARE(core.unknownCount(), uint64_t{0});
    }

    void channelBurstSetsAllTwelve() {
        BoardCore core;
        Bytes burst;
        for (int c = 0; c < kChannels; ++c) {
            burst.push_back(channelSelectByte(c));
            burst.push_back(static_cast<uint8_t>(10 + c));
        }
        QCOMPARE(burst.size(), std::size_t{24});
        QCOMPARE(burst[16], uint8_t{40});
        QVERIFY(core.receive(burst).empty());
        for (int c = 0; c < kChannels; ++c) {
            QCOMPARE(int(core.position(c)), 10 + c);
        }
        QCOMPARE(core.events().size(), std::size_t{12});
        QCOMPARE(core.events().back().text(), std::string("channel 11 21"));
    }

    void pcControlAndReset() {
        BoardCore core;
        core.receive({kPcControlOn, 9, 200});
        QVERIFY(core.pcControl());
        QCOMPARE(int(core.position(1)), 200);
        core.receive({kBoardReset});
        QVERIFY(!core.pcControl());
        QCOMPARE(core.position(1), kCentre);
        core.receive({kPcControlOn, kPcControlOff});
        QVERIFY(!core.pcControl());
        QCOMPARE(texts(core), (std::vector<std::string>{"pc-control on", "channel 1 200", "reset",
                                                         "pc-control on", "pc-control off"}));
    }

    void unknownBytesAreCountedNotFatal_data() {
        QTest::addColumn<int>("byte");
        for (int b : {5, 16, 18, 39, 44, 254, 255}) {
            QTest::newRow(std::to_string(b).c_str()) << b;
        }
    }
    void unknownBytesAreCountedNotFatal() {
        QFETCH(int, byte);
        BoardCore core;
        QVERIFY(core.receive({static_cast<uint8_t>(byte), static_cast<uint8_t>(byte), 9, 77}).empty());
        QCOMPARE(core.unknownCount(), uint64_t{2});
        QCOMPARE(int(core.position(1)), 77);
        QCOMPARE(core.events().front().text(), "unknown " + std::to_string(byte));
    }

    void flashProgramAcks_data() {
        QTest::addColumn<int>("steps");
        QTest::addColumn<std::vector<std::size_t>>("acksAfter");
        QTest::newRow("empty list") << 0 << std::vector<std::size_t>{};
        QTest::newRow("one step, no block wait") << 1 << std::vector<std::size_t>{};
        QTest::newRow("18 steps, 252 bytes") << 18 << std::vector<std::size_t>{};
        QTest::newRow("19 steps, 266 bytes") << 19 << std::vector<std::size_t>{256};
        QTest::newRow("128 steps, 1792 bytes = 7 blocks")
            << 128 << std::vector<std::size_t>{256, 512, 768, 1024, 1280, 1536, 1792};
        std::vector<std::size_t> full;
        for (std::size_t k = 256; k <= 14336; k += 256) {
            full.push_back(k);
        }
        QTest::newRow("1024 steps, ack after the last byte") << 1024 << full;
    }
    void flashProgramAcks() {
        QFETCH(int, steps);
        QFETCH(std::vector<std::size_t>, acksAfter);
        BoardCore core;
        const Bytes image = imageOf(static_cast<std::size_t>(steps));
        const Run run = runProgram(core, image);
        QCOMPARE(run.header, Bytes{kAck});
        QCOMPARE(run.at, acksAfter);
        for (const Bytes& answer : run.answers) {
            QCOMPARE(answer, Bytes{kAck});
        }
        QCOMPARE(core.flash(), image);
        QCOMPARE(core.phase(), BoardCore::Phase::Command);
        QCOMPARE(core.events().back().text(), "flash-program complete " + std::to_string(image.size()));
        // Back in command mode: the next byte is a command again.
        core.receive({kPcControlOn});
        QVERIFY(core.pcControl());
    }

    void oneStepProgramsAsOnTheLine() {
        BoardCore core;
        const Bytes stepBytes = step(128, 50); // 1000 ms
        Bytes line{kFlashProgram, 0, 14};
        QCOMPARE(core.receive(line), Bytes{kAck});
        QVERIFY(core.receive(stepBytes).empty());
        QCOMPARE(core.flash(), stepBytes);
    }

    void imageBytesAreNotCommands() {
        BoardCore core;
        Bytes image{kBoardReset, kPcControlOn, kFlashRead, 8, 0, kFlashErase, kBoardPlayStart,
                    kFlashProgram, 255, 0, 0, 0, 0, 1};
        QCOMPARE(runProgram(core, image).header, Bytes{kAck});
        QCOMPARE(core.flash(), image);
        QVERIFY(!core.pcControl());
        QVERIFY(!core.playing());
        QCOMPARE(core.position(0), kCentre);
        QCOMPARE(core.unknownCount(), uint64_t{0});
    }

    void countAboveCapacityStaysInStep() {
        BoardCore core;
        const Bytes image(14400, 9);
        const Run run = runProgram(core, image);
        QCOMPARE(run.at.size(), std::size_t{14400 / 256});
        QCOMPARE(core.flash().size(), kFlashCapacity);
        QCOMPARE(core.events().back().text(), std::string("flash-program complete 14400 stored 14336"));
        QCOMPARE(core.receive({kFlashRead}).size(), kFlashCapacity + 2);
    }

    void flashRead_data() {
        QTest::addColumn<int>("steps");
        QTest::newRow("empty") << 0;
        QTest::newRow("two steps") << 2;
        QTest::newRow("1024 steps") << 1024;
    }
    void flashRead() {
        QFETCH(int, steps);
        BoardCore core;
        const Bytes image = imageOf(static_cast<std::size_t>(steps), 3);
        core.setFlash(image);
        Bytes expected{static_cast<uint8_t>(image.size() >> 8), static_cast<uint8_t>(image.size() & 0xff)};
        expected.insert(expected.end(), image.begin(), image.end());
        QCOMPARE(core.receive({kFlashRead}), expected);
        QCOMPARE(core.events().back().text(), "flash-read " + std::to_string(image.size()));
    }

    void programmedImageReadsBack() {
        BoardCore core;
        Bytes image = step(129, 50);
        const Bytes second = step(0, 1);
        image.insert(image.end(), second.begin(), second.end());
        runProgram(core, image);
        const Bytes read = core.receive({kFlashRead});
        QCOMPARE(read[0], uint8_t{0});
        QCOMPARE(read[1], uint8_t{28});
        QCOMPARE(Bytes(read.begin() + 2, read.end()), image);
    }

    void eraseEmptiesFlash() {
        BoardCore core;
        core.setFlash(imageOf(3));
        QVERIFY(core.receive({kFlashErase}).empty());
        QVERIFY(core.flash().empty());
        QCOMPARE(core.receive({kFlashRead}), (Bytes{0, 0}));
        QVERIFY(hasEvent(core, "flash-erase"));
    }

    void playbackStepsByDuration() {
        BoardCore core;
        Bytes image = step(10, 1); // 20 ms
        for (const Bytes& s : {step(20, 2), step(30, 0), step(40, 1)}) {
            image.insert(image.end(), s.begin(), s.end());
        }
        core.setFlash(image);
        core.receive({kBoardPlayStart});
        QVERIFY(core.playing());
        QCOMPARE(int(core.position(0)), 10);
        QCOMPARE(core.nextDue(), std::optional<std::chrono::microseconds>(20ms));
        core.advanceTo(19999us);
        QCOMPARE(core.playStep(), 0);
        core.advanceTo(20ms);
        QCOMPARE(core.playStep(), 1);
        QCOMPARE(int(core.position(11)), 20);
        // The 0-unit step passes at once on the way to the next one.
        core.advanceTo(60ms);
        QCOMPARE(core.playStep(), 3);
        QCOMPARE(int(core.position(5)), 40);
        QVERIFY(hasEvent(core, "play step 2"));
        core.advanceTo(80ms); // loops
        QCOMPARE(core.playStep(), 0);
        core.receive({kBoardPlayStop});
        QVERIFY(!core.playing());
        QVERIFY(!core.nextDue());
        core.advanceTo(1s);
        QCOMPARE(int(core.position(0)), 10); // stays where it stopped
        QVERIFY(hasEvent(core, "play stop"));
    }

    void playbackWithoutTimeEnds_data() {
        QTest::addColumn<Bytes>("image");
        QTest::newRow("empty flash") << Bytes{};
        QTest::newRow("less than a step") << Bytes(13, 1);
        Bytes zero = step(50, 0);
        const Bytes more = step(60, 0);
        zero.insert(zero.end(), more.begin(), more.end());
        QTest::newRow("all steps 0 ms") << zero;
    }
    void playbackWithoutTimeEnds() {
        QFETCH(Bytes, image);
        BoardCore core;
        core.setFlash(image);
        core.receive({kBoardPlayStart});
        QVERIFY(!core.playing());
        QVERIFY(!core.nextDue());
        QCOMPARE(core.events().back().text(), std::string("play end"));
        if (image.size() >= 28) {
            QCOMPARE(int(core.position(0)), 60); // rests on the last step
        }
    }

    void programmingStopsPlayback() {
        BoardCore core;
        core.setFlash(step(10, 5));
        core.receive({kBoardPlayStart});
        QVERIFY(core.playing());
        core.receive({kFlashProgram, 0, 0});
        QVERIFY(!core.playing());
        core.receive({kBoardPlayStart});
        core.receive({kBoardReset});
        QVERIFY(!core.playing());
    }

    void abandonedTransferFreesTheLine() {
        BoardConfig config;
        config.transferTimeout = 1000ms;
        BoardCore core(config);
        core.receive({kFlashProgram, 0, 28});
        core.receive({1, 2, 3});
        core.advance(999ms);
        QCOMPARE(core.phase(), BoardCore::Phase::ProgramImage);
        core.receive({4}); // activity pushes the deadline
        core.advance(999ms);
        QCOMPARE(core.phase(), BoardCore::Phase::ProgramImage);
        core.advance(1ms);
        QCOMPARE(core.phase(), BoardCore::Phase::Command);
        QCOMPARE(core.events().back().text(), std::string("flash-program abandoned 4 of 28"));
        core.receive({9, 99});
        QCOMPARE(int(core.position(1)), 99);
    }

    void abandonedHeaderFreesTheLine() {
        BoardCore core;
        core.receive({kFlashProgram, 0});
        core.advance(1s);
        QCOMPARE(core.phase(), BoardCore::Phase::Command);
        QVERIFY(core.receive({kPcControlOn}).empty());
        QVERIFY(core.pcControl());
    }

    void wrongAck_data() {
        QTest::addColumn<bool>("once");
        QTest::addColumn<int>("from");
        QTest::addColumn<bool>("ackAfter");
        QTest::addColumn<std::vector<Bytes>>("expected"); // header, then block answers
        const Bytes w{0x55};
        const Bytes a{kAck};
        const Bytes wa{0x55, kAck};
        QTest::newRow("always") << false << 0 << false << std::vector<Bytes>{w, w, w};
        QTest::newRow("once") << true << 0 << false << std::vector<Bytes>{w, a, a};
        QTest::newRow("from the first block") << false << 1 << false << std::vector<Bytes>{a, w, w};
        QTest::newRow("once, from the second block") << true << 2 << false << std::vector<Bytes>{a, a, w};
        QTest::newRow("followed by the real ack") << false << 0 << true << std::vector<Bytes>{wa, wa, wa};
    }
    void wrongAck() {
        QFETCH(bool, once);
        QFETCH(int, from);
        QFETCH(bool, ackAfter);
        QFETCH(std::vector<Bytes>, expected);
        BoardConfig config;
        config.faults.wrongAck = 0x55;
        config.faults.wrongAckOnce = once;
        config.faults.wrongAckFrom = from;
        config.faults.ackAfterWrong = ackAfter;
        BoardCore core(config);
        const Run run = runProgram(core, imageOf(37)); // 518 bytes: two blocks
        std::vector<Bytes> got{run.header};
        got.insert(got.end(), run.answers.begin(), run.answers.end());
        QCOMPARE(got, expected);
        QCOMPARE(core.flash(), imageOf(37)); // the image is taken all the same
    }

    void wrongAckOnceIsArmedAgainBySetFaults() {
        BoardFaults faults;
        faults.wrongAck = 7;
        faults.wrongAckOnce = true;
        BoardCore core;
        core.setFaults(faults);
        QCOMPARE(core.receive({kFlashProgram, 0, 0}), Bytes{7});
        QCOMPARE(core.receive({kFlashProgram, 0, 0}), Bytes{kAck});
        core.setFaults(faults);
        QCOMPARE(core.receive({kFlashProgram, 0, 0}), Bytes{7});
    }

    void muteAfter_data() {
        QTest::addColumn<int>("mute");
        QTest::addColumn<bool>("headerAck");
        QTest::addColumn<std::vector<std::size_t>>("acksAfter");
        QTest::addColumn<int>("withheldAt"); // -1: never
        QTest::newRow("silent from the start") << 0 << false << std::vector<std::size_t>{} << 0;
        QTest::newRow("after 256") << 256 << true << std::vector<std::size_t>{} << 256;
        QTest::newRow("after 300") << 300 << true << std::vector<std::size_t>{256} << 512;
        QTest::newRow("beyond the image") << 5000 << true << std::vector<std::size_t>{256, 512} << -1;
    }
    void muteAfter() {
        QFETCH(int, mute);
        QFETCH(bool, headerAck);
        QFETCH(std::vector<std::size_t>, acksAfter);
        QFETCH(int, withheldAt);
        BoardConfig config;
        config.faults.muteAfterImageBytes = static_cast<std::size_t>(mute);
        BoardCore core(config);
        const Run run = runProgram(core, imageOf(40)); // 560 bytes
        QCOMPARE(run.header.empty(), !headerAck);
        QCOMPARE(run.at, acksAfter);
        if (withheldAt >= 0) {
            QVERIFY(hasEvent(core, "fault ack-withheld " + std::to_string(withheldAt)));
        }
        QCOMPARE(core.flash().size(), std::size_t{560}); // taken even while silent
    }

    void readFaults_data() {
        QTest::addColumn<int>("readCount"); // -1: none
        QTest::addColumn<int>("readSend");  // -1: none
        QTest::addColumn<int>("announced");
        QTest::addColumn<int>("sent");
        QTest::newRow("no fault") << -1 << -1 << 28 << 28;
        QTest::newRow("announces more than the flash holds") << 20000 << -1 << 20000 << 20000;
        QTest::newRow("announces more than it sends") << 28 << 10 << 28 << 10;
        QTest::newRow("over capacity, short") << 14400 << 100 << 14400 << 100;
        QTest::newRow("sends more than it announces") << -1 << 40 << 28 << 40;
        QTest::newRow("announces 0") << 0 << -1 << 0 << 0;
    }
    void readFaults() {
        QFETCH(int, readCount);
        QFETCH(int, readSend);
        QFETCH(int, announced);
        QFETCH(int, sent);
        BoardConfig config;
        if (readCount >= 0) {
            config.faults.readCount = static_cast<uint16_t>(readCount);
        }
        if (readSend >= 0) {
            config.faults.readSend = static_cast<std::size_t>(readSend);
        }
        BoardCore core(config);
        const Bytes image = imageOf(2);
        core.setFlash(image);
        const Bytes reply = core.receive({kFlashRead});
        QCOMPARE(int(reply.size()), sent + 2);
        QCOMPARE(reply[0] * 256 + reply[1], announced);
        for (int i = 0; i < sent; ++i) {
            const uint8_t want = i < int(image.size()) ? image[std::size_t(i)] : uint8_t{0xff};
            QCOMPARE(reply[std::size_t(i) + 2], want);
        }
    }

    void debugBytes() {
        BoardConfig config;
        config.faults.debugBytes = {65, 66};
        config.faults.debugEvery = 100ms;
        BoardCore core(config);
        QCOMPARE(core.nextDue(), std::optional<std::chrono::microseconds>(100ms));
        QVERIFY(core.advance(99ms).empty());
        QCOMPARE(core.advance(151ms), (Bytes{65, 66, 65, 66}));
        QCOMPARE(core.events().back().text(), std::string("fault debug-bytes 2"));

        BoardConfig once;
        once.faults.debugBytes = {1};
        BoardCore single(once);
        QCOMPARE(single.advance(0us), Bytes{1});
        QVERIFY(single.advance(10s).empty());
        QVERIFY(!single.nextDue());
    }

    void ackDelayKeepsOrder() {
        BoardConfig config;
        config.faults.ackDelay = 50ms;
        config.faults.debugBytes = {9};
        config.faults.debugEvery = 10ms;
        BoardCore core(config);
        QVERIFY(core.receive({kFlashProgram, 0, 14}).empty());
        QCOMPARE(core.nextDue(), std::optional<std::chrono::microseconds>(10ms));
        // Debug bytes made while the ack is held back wait behind it: answers leave in order.
        QVERIFY(core.advance(49ms).empty());
        QCOMPARE(core.advance(1ms), (Bytes{kAck, 9, 9, 9, 9, 9}));
        // The delayed ack does not count as silence for the transfer time-out.
        core.advanceTo(1049ms);
        QCOMPARE(core.phase(), BoardCore::Phase::ProgramImage);
    }

    void hangUpAfterBytes() {
        BoardConfig config;
        config.faults.hangUpAfterBytes = 3;
        config.faults.debugBytes = {1};
        config.faults.debugEvery = 5ms;
        BoardCore core(config);
        QVERIFY(core.receive({kPcControlOn, 9}).empty());
        QVERIFY(!core.hungUp());
        core.receive({100, 10, 50});
        QVERIFY(core.hungUp());
        QCOMPARE(int(core.position(1)), 100);
        QCOMPARE(core.position(2), kCentre); // the fourth byte never arrived
        QCOMPARE(core.bytesReceived(), uint64_t{3});
        QVERIFY(core.receive({kFlashRead}).empty());
        QVERIFY(core.advance(1s).empty());
        QVERIFY(!core.nextDue());
        QCOMPARE(core.events().back().text(), std::string("fault hang-up 3"));
    }

    void sinkGetsKeptEventsFirst() {
        BoardCore core;
        core.receive({kPcControlOn});
        std::vector<std::string> seen;
        core.setEventSink([&seen](const BoardEvent& e) { seen.push_back(e.line()); });
        core.advance(1500ms);
        core.receive({kBoardReset});
        QCOMPARE(seen, (std::vector<std::string>{"0.000000 pc-control on", "1.500000 reset"}));
        QVERIFY(core.events().empty());
    }

    void flashFileSurvivesRestart() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        BoardConfig config;
        config.flashFile = dir.filePath("flash.bin").toStdString();
        const Bytes image = imageOf(3, 5);
        {
            BoardCore first(config);
            QVERIFY(texts(first).empty()); // a missing file is no error
            runProgram(first, image);
        }
        {
            BoardCore second(config);
            QCOMPARE(second.flash(), image);
            QCOMPARE(texts(second), std::vector<std::string>{"flash-loaded 42"});
            second.receive({kFlashErase});
        }
        BoardCore third(config);
        QVERIFY(third.flash().empty());
    }

    void flashFileProblemsAreReported() {
        QTemporaryDir dir;
        const std::string longFile = dir.filePath("long.bin").toStdString();
        std::ofstream(longFile, std::ios::binary) << std::string(kFlashCapacity + 10, 'x');
        BoardConfig config;
        config.flashFile = longFile;
        BoardCore core(config);
        QCOMPARE(core.flash().size(), kFlashCapacity);
        QVERIFY(texts(core).front().find("flash-file error") == 0);

        BoardConfig bad;
        bad.flashFile = dir.filePath("missing-folder/flash.bin").toStdString();
        BoardCore unsaved(bad);
        runProgram(unsaved, imageOf(1));
        QCOMPARE(unsaved.flash(), imageOf(1)); // still kept in memory
        QVERIFY(texts(unsaved).back().find("flash-file error") == 0);
    }
};

QTEST_APPLESS_MAIN(TestBoardCore)
#include "tst_boardcore.moc"
