#include "ui/flash/BoardRig.h"

#include "board/HiResTimer.h"
#include "core/sequence/StepLine.h"
#include "ui/playback/PlaybackController.h"
#include "ui/sequence/SequenceController.h"
#include "ui/shell/NumericField.h"
#include "ui/shell/SlideControl.h"
#include "ui/shell/SwitchControl.h"

#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>

#include <algorithm>
#include <cmath>

using L = QList<int>;

namespace {
constexpr int kBase = 100; // step k holds position kBase + k on every channel

// By default durations long enough that the real timer never fires while a test ticks by hand.
void load(FormRig& rig, int n, const L& breaks = {}, const L& durations = {}) {
    QStringList lines;
    for (int k = 0; k < n; ++k) {
        StepRecord r{};
        std::fill_n(r.begin(), kChannelCount, kBase + k);
        r[kDurationField] = durations.value(k, 10000 + k);
        const QString line = stepline::readBackForm(r);
        lines << (breaks.contains(k) ? stepline::withBreakMark(line) : line);
    }
    QCOMPARE(rig.form->panel().editor().replaceAll(lines), EditOutcome::Done);
}

// The steps put on the line as bursts since the last look, in order.
QString played(FakeTransport& port) {
    QStringList steps;
    for (const QByteArray& w : port.writes) {
        if (w.size() == 2 * kChannelCount) {
            steps << QString::number(quint8(w[1]) - kBase);
        }
    }
    port.clearWrites();
    return steps.join(',');
}
} // namespace

class TestPlayback : public QObject {
    Q_OBJECT
private slots:
    // A session: the number of lines, "!k" a breakpoint on line k, then what the user does. A
    // number selects that line, "=n" expects line n selected; "emu", "seq", "continue" and
    // "repeat" press those controls; "tick:a,b" runs one tick and "halt:a,b" ticks until the
    // halt, expecting steps a, b sent; "field:x" sets the fixed step time; "busy" starts a flash
    // read that takes the line, or aborts it; "reset" centres the channels; "unplug" loses the
    // port; "told" expects the next action to show "No Connection Available!". After each action
    // the whole state is checked.
    void session_data() {
        QTest::addColumn<QString>("script");
        QTest::newRow("own time, wraps") << "5 3 emu tick:4 tick:0";
        QTest::newRow("reset centres every channel") << "5 3 emu tick:4 emu reset";
        QTest::newRow("halts on a breakpoint") << "5 !2 0 emu halt:1,2 continue halt:3,4,0,1,2";
        QTest::newRow("on the last line") << "4 !3 1 emu halt:2,3 continue halt:0,1,2,3";
        QTest::newRow("no selection: line 0") << "4 1 emu -1 tick:0";
        QTest::newRow("repeat at 7") << "10 !3 !7 4 emu halt:5,6,7 repeat =3 halt:4,5,6,7 emu";
        QTest::newRow("repeat from 0") << "10 !6 4 emu halt:5,6 repeat =0 halt:1,2,3,4,5,6";
        QTest::newRow("repeat while playing") << "10 !3 !7 4 emu tick:5 repeat =3 halt:4,5,6,7";
        QTest::newRow("need PC Emu") << "6 !1 !4 3 repeat continue =3 seq repeat continue =3 seq";
        QTest::newRow("need a line") << "6 !1 !4 3 emu halt:4 -1 repeat continue =-1";
        QTest::newRow("fixed time")
            << "3 !1 !2 field:500.5 seq tick:1 tick:2 field:501.5 tick:0 seq";
        QTest::newRow("field in own time until the tick") << "4 emu field:620 tick:1";
        QTest::newRow("empty list") << "0 emu tick: emu seq tick: seq";
        QTest::newRow("list cleared while playing") << "3 emu clear tick: emu seq clear seq";
        QTest::newRow("busy line skips a step") << "4 emu busy tick: busy tick:2";
        QTest::newRow("port closed") << "3 unplug told emu told seq =-1";
        QTest::newRow("port lost in own time") << "3 emu unplug tick: told emu";
    }
    void session() {
        QFETCH(QString, script);
        QStringList steps = script.split(' ');
        FormRig rig;
        MainWindow& f = *rig.form;
        L breaks;
        while (steps.size() > 1 && steps[1].startsWith('!')) {
            breaks << steps.takeAt(1).mid(1).toInt();
        }
        load(rig, steps.takeFirst().toInt(), breaks);
        // Every burst has long left when the next tick comes, as with steps of 10 s.
        rig.ownClock();
        const auto tick = [&] {
            rig.pass(10'000'000'000);
            f.playbackController().clockTick();
        };
        int told = 0;
        double shownOnSliders = 128;
        for (const QString& token : steps) {
            const QString step = token.section(':', 0, 0), arg = token.section(':', 1);
            const QHash<QString, std::function<void()>> act{
                {"emu", [&] { f.pcEmuFrame().pcEmuSwitch->click(); }},
                {"seq", [&] { f.pcDebugFrame().pcSeqSwitch->click(); }},
                {"continue", [&] { f.pcEmuFrame().continueButton->click(); }},
                {"repeat", [&] { f.pcEmuFrame().repeatButton->click(); }},
                {"tick", tick},
                {"halt",
                 [&] {
                     for (int most = 30; f.panel().clock().isEnabled() && most-- > 0;) {
                         tick();
                     }
                 }},
                {"field", [&] { f.pcDebugFrame().fixedStepTime->setValue(arg.toDouble()); }},
                {"busy",
                 [&] {
                     (f.panel().board().transfer() ? f.flashFrame().abortButton
                                                   : f.flashFrame().readButton)
                         ->click();
                 }},
                {"clear", [&] { f.panel().editor().clearAll(); }},
                {"reset", [&] { f.channelsFrame().resetButton->click(); }},
                {"unplug", [&] { rig.port->loseDevice(QStringLiteral("unplugged")); }},
                {"told", [&] { ++told; }},
                {"", [&] { QCOMPARE(f.panel().list().selectedIndex(), token.mid(1).toInt()); }},
            };
            const auto select = [&] { f.panel().list().setSelectedIndex(step.toInt()); };
            act.value(step.startsWith('=') ? QString() : step, select)();
            rig.pass(1'000'000'000); // what the action sent has gone by the next look
            const int sel = f.panel().list().selectedIndex();
            const bool emu = f.pcEmuFrame().pcEmuSwitch->value(),
                       seq = f.pcDebugFrame().pcSeqSwitch->value();
            if (step == "tick" || step == "halt") {
                QCOMPARE(played(*rig.port), arg);
                QVERIFY(!f.panel().board().transfer() ||
                        !f.statusBar()->currentMessage().isEmpty());
                if (sel >= 0) { // shown even when nothing could be sent
                    QCOMPARE(f.channelsFrame().stepLabel->text(),
                             QStringLiteral("Step N\u00B0 %1").arg(sel));
                    QCOMPARE(f.channelsFrame().stepDuration->value(), 10000.0 + sel);
                }
            }
            if (step == "reset") { // through the slider handling, one byte at a time
                shownOnSliders = 128;
                QCOMPARE(rig.port->written(),
                         QByteArray("\x08\x80\x09\x80\x0a\x80\x0b\x80\x0c\x80\x0d\x80\x0e\x80\x0f"
                                    "\x80\x28\x80\x29\x80\x2a\x80\x2b\x80"));
                QCOMPARE(rig.port->writes.size(), 24);
            }
            QVERIFY2(played(*rig.port).isEmpty(), qPrintable(token)); // only ticks send steps
            QVERIFY(step != "halt" || (emu && !f.panel().clock().isEnabled()));
            if (f.panel().clock().isEnabled() &&
                sel >= 0) { // each step waits its own time, or the field's
                const int field =
                    int(std::nearbyint(f.pcDebugFrame().fixedStepTime->value())); // half to even
                QCOMPARE(f.panel().clock().interval(),
                         emu && step != "field" ? 10000 + sel : field);
            }
            if (step == "emu" || step == "seq") { // the mode switches exclude each other
                QCOMPARE(f.realEmuFrame().realEmuSwitch->isEnabled(), !emu && !seq);
                QCOMPARE(f.pcEmuFrame().pcEmuSwitch->isEnabled(), !seq);
                QCOMPARE(f.pcDebugFrame().pcSeqSwitch->isEnabled(), !emu);
                QVERIFY(emu || seq || !f.panel().clock().isEnabled());
            }
            // Only Repeat and switching PC Emu off show a step on the sliders.
            if (sel >= 0 && (step == "repeat" || step == "emu") && (step == "emu") != emu) {
                shownOnSliders = kBase + sel;
            }
            for (SlideControl* slide : f.channelsFrame().sliders) {
                QCOMPARE(slide->value(), shownOnSliders);
            }
            QCOMPARE(std::count_if(rig.dialogs.messages.cbegin(), rig.dialogs.messages.cend(),
                                   [](const auto& m) { return m.text == Board::kNoConnection; }),
                     told - (step == "told"));
        }
    }

    // The status bar's playback field after each action, through a halt and a stop.
    void stateField() {
        FormRig rig;
        MainWindow& f = *rig.form;
        load(rig, 5, {2});
        rig.ownClock();
        const auto tick = [&] {
            rig.pass(10'000'000'000);
            f.playbackController().clockTick();
        };
        const QList<std::pair<std::function<void()>, QString>> script{
            {[&] { f.pcEmuFrame().pcEmuSwitch->click(); }, "Playing step 0 of 5"},
            {tick, "Playing step 1 of 5"},
            {tick, "Halted at the breakpoint on step 2: Continue or Repeat"},
            {[&] { f.pcEmuFrame().continueButton->click(); }, "Playing step 2 of 5"},
            {tick, "Playing step 3 of 5"},
            {[&] { f.pcEmuFrame().repeatButton->click(); }, "Playing step 2 of 5"},
            {[&] { f.pcEmuFrame().pcEmuSwitch->click(); }, ""},
            {[&] { f.pcDebugFrame().pcSeqSwitch->click(); }, "Playing step 2 of 5"},
            {tick, "Playing step 3 of 5"},
            {[&] { f.pcDebugFrame().pcSeqSwitch->click(); }, ""},
        };
        for (const auto& [act, text] : script) {
            act();
            QCOMPARE(f.playbackField()->text(), text);
        }
    }

    // A file may hold any integer; on the line each position stays within 0..255.
    void burstHoldsPositionsToTheRange() {
        FormRig rig;
        StepRecord r{};
        std::fill_n(r.begin(), kChannelCount, 128);
        r[0] = 300;
        r[1] = -20;
        r[kDurationField] = 10000;
        QCOMPARE(rig.form->panel().editor().replaceAll({stepline::readBackForm(r)}),
                 EditOutcome::Done);
        rig.form->playbackController().clockTick();
        QCOMPARE(rig.port->written(), QByteArray::fromHex("08ff09000a800b800c800d800e800f80"
                                                          "28802980"
                                                          "2a802b80"));
    }

    // The question users care about: after Repeat and after "PC Emu" off, does the board hold the
    // step the sliders show? Playback bursts move the servos but no slider, so the sliders may
    // already stand at the step shown. "select n" clicks line n; "show" double-clicks the
    // selection; a while passes between two actions, none before one marked "!".
    void boardHoldsWhatTheWindowShows_data() {
        QTest::addColumn<QString>("script");
        QTest::newRow("Repeat") << "show emu tick tick repeat";
        QTest::newRow("PC Emu off") << "show emu tick tick tick tick tick select:0 emu";
        QTest::newRow("after a board reset") << "show reset emu select:0 emu";
        QTest::newRow("after the board played") << "show real advance real emu select:0 emu";
        // The stop drops the pairs Repeat had queued: the sliders stand at the step already, so
        // only what the link no longer vouches for goes out again.
        QTest::newRow("PC Emu off right after Repeat") << "show emu tick tick repeat !emu";
    }

    void boardHoldsWhatTheWindowShows() {
        QFETCH(QString, script);
        BoardRig rig;
        rig.core.setFlash({60, 60, 60, 60, 60, 60, 60, 60, 60, 60, 60, 60, 0, 50}); // its own step
        MainWindow& f = *rig.form;
        rig.ownClock();
        load(rig, 4);
        f.panel().list().setSelectedIndex(0);
        for (QString step : script.split(' ')) {
            if (!step.startsWith('!')) {
                rig.pass(10'000'000'000);
            }
            step.remove('!');
            if (step == "show") {
                f.sequenceController().showSelectedStep();
            } else if (step == "emu") {
                f.pcEmuFrame().pcEmuSwitch->click();
            } else if (step == "tick") {
                f.playbackController().clockTick();
            } else if (step == "repeat") {
                f.pcEmuFrame().repeatButton->click();
            } else if (step == "reset") {
                f.menus().resetAction->trigger();
            } else if (step == "real") {
                f.realEmuFrame().realEmuSwitch->click();
            } else if (step == "advance") {
                rig.core.advance(std::chrono::seconds(1));
            } else {
                f.panel().list().setSelectedIndex(step.section(':', 1).toInt());
            }
        }
        rig.pass(10'000'000'000);
        QCOMPARE(f.channelsFrame().stepLabel->text(), QStringLiteral("Step N\u00B0 0"));
        for (int c = 0; c < kChannelCount; ++c) {
            QCOMPARE(f.channelsFrame().sliders[c]->value(), double(kBase));
            QCOMPARE(int(rig.core.position(c)), kBase);
        }
    }

    // Steps shorter than a burst's wire time: the start says so once, and no burst is put
    // behind one still going out; the panel shows the step on the line meanwhile.
    void shortStepsWaitForTheLine_data() {
        QTest::addColumn<QList<int>>("durations");
        QTest::addColumn<bool>("fixed");
        QTest::addColumn<QString>("note");
        QTest::newRow("seven of nine")
            << QList<int>{20, 0, 27, 28, 20, 20, 20, 20, 1000} << false
            << "7 steps are shorter than 28 ms, the time the line needs to send one step; "
               "they will take 28 ms each.";
        QTest::newRow("one") << QList<int>{20, 40} << false
                             << "1 step is shorter than 28 ms, the time the line needs to send "
                                "one step; it will take 28 ms.";
        QTest::newRow("none at 28 ms") << QList<int>{28, 1000} << false << "";
        QTest::newRow("fixed time: the field's") << QList<int>{20, 20} << true << "";
    }
    void shortStepsWaitForTheLine() {
        QFETCH(QList<int>, durations);
        QFETCH(bool, fixed);
        FormRig rig;
        MainWindow& f = *rig.form;
        rig.ownClock();
        load(rig, int(durations.size()), {}, durations);
        f.panel().list().setSelectedIndex(durations.size() - 1);
        (fixed ? f.pcDebugFrame().pcSeqSwitch : f.pcEmuFrame().pcEmuSwitch)->click();
        QTEST(f.statusBar()->currentMessage(), "note");

        f.playbackController().clockTick();
        QCOMPARE(played(*rig.port), QStringLiteral("0"));
        rig.pass(26'800'000); // more than half the last byte still to go
        f.playbackController().clockTick();
        QCOMPARE(played(*rig.port), QString());
        QCOMPARE(f.panel().list().selectedIndex(), 0);
        QCOMPARE(f.channelsFrame().stepLabel->text(), QStringLiteral("Step N\u00B0 0"));
        QVERIFY(f.panel().clock().isEnabled());
        rig.pass(200'000); // only the second half of the last byte
        f.playbackController().clockTick();
        QCOMPARE(played(*rig.port), QStringLiteral("1"));
        QCOMPARE(f.channelsFrame().stepLabel->text(), QStringLiteral("Step N\u00B0 1"));
    }

    // A stop drops what waits in the link behind the burst going out (here a slider pair) and
    // sends its own bytes right behind that burst. The dropped channel counts as unknown, so
    // showing the step sends it again.
    void stopsDropWhatWaits_data() {
        QTest::addColumn<QString>("stop");
        QTest::addColumn<QByteArray>("after"); // what follows the burst on the line
        const QByteArray shown = QByteArray::fromHex(
            "08 65 09 65 0a 65 0b 65 0c 65 0d 65 0e 65 0f 65 28 65 29 65 2a 65 2b 65");
        QTest::newRow("PC Emu off") << "emu" << shown;
        QTest::newRow("Quit") << "quit" << QByteArray::fromHex("00");
        QTest::newRow("Reset") << "reset" << QByteArray::fromHex("11 00") + shown;
        QTest::newRow("PC Emu on is no stop") << "emu on" << QByteArray::fromHex("08 c8");
    }
    void stopsDropWhatWaits() {
        QFETCH(QString, stop);
        QFETCH(QByteArray, after);
        FormRig rig;
        MainWindow& f = *rig.form;
        rig.ownClock();
        load(rig, 3);
        SwitchControl* mode = f.pcEmuFrame().pcEmuSwitch;
        if (stop != "emu on") {
            mode->click();
        }
        f.sideColumn().pcControlSwitch->setValue(true);
        rig.pass(1'000'000'000);
        rig.port->clearWrites();
        f.playbackController().clockTick();
        rig.pass(10'000'000);
        f.channelsFrame().sliders[0]->setValue(200);
        if (stop == "emu" || stop == "emu on") {
            mode->click();
        } else if (stop == "reset") {
            f.menus().resetAction->trigger();
        } else {
            f.panel().runShutdownWork();
        }
        rig.pass(100'000'000);
        const QByteArray line = rig.port->written();
        QCOMPARE(played(*rig.port).size(), 1);
        QCOMPARE(line.mid(2 * kChannelCount).toHex(' '), after.toHex(' '));
        QCOMPARE(f.panel().clock().isEnabled(), stop == "quit" || stop == "emu on");
    }
};

QTEST_MAIN(TestPlayback)
#include "tst_playback.moc"
