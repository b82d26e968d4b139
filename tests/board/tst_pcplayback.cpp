#include "BoardOnCore.h"

#include "board/ChannelMoves.h"
#include "board/PcPlayback.h"
#include "core/sequence/StepLine.h"

#include <QSignalSpy>
#include <QTest>

namespace {

// Steps of `duration` ms, all 128 but for the channels given.
StepRecord step(std::initializer_list<std::pair<int, int>> moved, int duration = 5000) {
    StepRecord s{};
    std::fill_n(s.begin(), kChannelCount, 128);
    for (const auto& [channel, position] : moved) {
        s[size_t(channel)] = position;
    }
    s[kDurationField] = duration;
    return s;
}

QStringList lines(const QList<StepRecord>& steps) {
    QStringList out;
    for (const StepRecord& s : steps) {
        out << stepline::readBackForm(s);
    }
    return out;
}

ChannelSetup elbowLimited() {
    ChannelSetup setup;
    setup.setChannel(3, {QStringLiteral("elbow"), 100, 180});
    return setup;
}

} // namespace

Q_DECLARE_METATYPE(StepRecord)

// PC playback over the gate, the simulator's core tracking what the servos hold. Ticks are
// given by hand on a line that has always had time to empty.
class TestPcPlayback : public QObject {
    Q_OBJECT

private slots:
    // Ch3 is limited to 100..180. Line 2 changes nothing; line 4 differs from line 3 only
    // beyond the limit. Playback starts on line 0, so the first tick plays line 1.
    void changedChannelsOnly_data() {
        QTest::addColumn<bool>("changedOnly");
        QTest::addColumn<bool>("fixed");
        QTest::addColumn<bool>("reset"); // the board is reset after the second tick
        QTest::addColumn<QList<QByteArray>>("ticks");
        const auto hex = [](const char* text) { return QByteArray::fromHex(text); };
        const QByteArray line0 =
            hex("08 80 09 80 0a 80 0b 80 0c 80 0d 80 0e 80 0f 80 28 80 29 80 2a 80 2b 80");
        const QByteArray line1 =
            hex("08 8c 09 80 0a 80 0b 80 0c 80 0d 80 0e 80 0f 80 28 80 29 80 2a 80 2b 80");
        const QByteArray line3 =
            hex("08 8c 09 80 0a 80 0b b4 0c 80 0d 80 0e 80 0f 80 28 80 29 80 2a 80 2b 3c");
        const QList<QByteArray> changed{line1, {}, hex("0b b4 2b 3c"), {}, line0, hex("08 8c")};
        QTest::newRow("PC Emu: the start and the wrap whole, then what changes")
            << true << false << false << changed;
        QTest::newRow("PC Seq alike") << true << true << false << changed;
        QTest::newRow("after a reset every channel")
            << true << false << true
            << QList<QByteArray>{line1, {}, line3, {}, line0, hex("08 8c")};
        QTest::newRow("option off: a burst a step")
            << false << false << false
            << QList<QByteArray>{line1, line1, line3, line3, line0, line1};
    }
    void changedChannelsOnly() {
        QFETCH(bool, changedOnly);
        QFETCH(bool, fixed);
        QFETCH(bool, reset);
        QFETCH(QList<QByteArray>, ticks);
        BoardOnCore rig;
        qint64 nowNs = 0;
        rig.serial.setClock([&] { return nowNs; });
        rig.board.moves().setChannelSetup(elbowLimited());
        const QList<StepRecord> steps{
            step({}, 5000),
            step({{0, 140}}, 5020),
            step({{0, 140}}, 5040),
            step({{0, 140}, {3, 200}, {11, 60}}, 5060),
            step({{0, 140}, {3, 220}, {11, 60}}, 5080),
        };
        rig.editor.replaceAll(lines(steps));
        rig.board.moves().burst(steps[0]); // the board holds line 0: the start still sends all
        PcPlayback& playback = rig.board.pcPlayback();
        playback.setChangedOnly(changedOnly);
        playback.start(fixed ? PcPlayback::Pace::Fixed : PcPlayback::Pace::OwnTime, 5500);
        for (int k = 0; k < ticks.size(); ++k) {
            nowNs += 1'000'000'000;
            rig.port->clearWrites();
            playback.tick();
            const int line = (k + 1) % int(steps.size());
            QCOMPARE(rig.list.selectedIndex(), line);
            QCOMPARE(rig.port->written().toHex(' '), ticks[k].toHex(' '));
            QVERIFY(rig.port->writes.size() <= 1); // one message a step
            // Every step lasts its time, one that sends nothing included.
            QCOMPARE(playback.clock().interval(), fixed ? 5500 : 5000 + 20 * line);
            const StepRecord& shown = steps[line];
            for (int c = 0; c < kChannelCount; ++c) {
                const int held = c == 3 ? qBound(100, shown[c], 180) : shown[c];
                QCOMPARE(int(rig.core.position(c)), held);
            }
            if (reset && k == 1) {
                rig.board.link().BoardReset();
            }
        }
        playback.stop(PcPlayback::Pace::Fixed);
    }

    // The note at the start counts the steps whose bytes take longer than their time.
    void shortStepsNote_data() {
        QTest::addColumn<bool>("changedOnly");
        QTest::addColumn<int>("fixedMs"); // 0: each step's own time
        QTest::addColumn<QList<StepRecord>>("steps");
        QTest::addColumn<QString>("note");
        const QList<StepRecord> fourAt20{
            step({{0, 100}, {1, 100}, {2, 100}, {4, 100}}, 20),
            step({{0, 110}, {1, 110}, {2, 110}, {4, 110}}, 20),
            step({{0, 120}, {1, 120}, {2, 120}, {4, 120}}, 20),
        };
        QTest::newRow("off: every step a burst")
            << false << 0 << fourAt20
            << "3 steps are shorter than 28 ms, the time the line needs to send one step; they "
               "will take 28 ms each.";
        QTest::newRow("four channels at 20 ms: only line 0's burst")
            << true << 0 << fourAt20
            << "1 step is shorter than the time the line needs to send the channels it "
               "changes; it will take 28 ms.";
        QTest::newRow("the fixed time alike")
            << true << 20 << fourAt20
            << "1 step is shorter than the time the line needs to send the channels it "
               "changes; it will take 28 ms.";
        const auto five = [](int p) { return step({{0, p}, {1, p}, {2, p}, {4, p}, {5, p}}, 10); };
        QTest::newRow("five channels at 10 ms")
            << true << 0 << QList<StepRecord>{step({}, 40), five(90), five(100), five(110)}
            << "3 steps are shorter than the time the line needs to send the channels they "
               "change; they will take up to 12 ms each.";
        QTest::newRow("a change beyond the limit sends nothing")
            << true << 0 << QList<StepRecord>{step({{3, 200}}, 40), step({{3, 220}}, 1)} << "";
    }
    void shortStepsNote() {
        QFETCH(bool, changedOnly);
        QFETCH(int, fixedMs);
        QFETCH(QList<StepRecord>, steps);
        QFETCH(QString, note);
        BoardOnCore rig;
        rig.board.moves().setChannelSetup(elbowLimited());
        rig.editor.replaceAll(lines(steps));
        PcPlayback& playback = rig.board.pcPlayback();
        playback.setChangedOnly(changedOnly);
        QSignalSpy notes(&playback, &PcPlayback::note);
        playback.start(fixedMs > 0 ? PcPlayback::Pace::Fixed : PcPlayback::Pace::OwnTime, fixedMs);
        playback.stop(PcPlayback::Pace::Fixed);
        QCOMPARE(notes.isEmpty() ? QString() : notes.takeFirst().at(0).toString(), note);
        QVERIFY(notes.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestPcPlayback)
#include "tst_pcplayback.moc"
