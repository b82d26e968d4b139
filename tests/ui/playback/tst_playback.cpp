#include "support/FormRig.h"

#include "core/BoardCommands.h"
#include "core/sequence/StepLine.h"
#include "ui/playback/PlaybackController.h"
#include "ui/shell/HiResTimer.h"
#include "ui/shell/NumericField.h"
#include "ui/shell/SlideControl.h"
#include "ui/shell/SwitchControl.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>

namespace {
constexpr int kBase = 100;     // step k holds position kBase + k on every channel
constexpr int kLongMs = 10000; // ticks driven by hand: the real timer never fires meanwhile
constexpr int kWaitMs = 10000;

qint32 longMs(int k) {
    return kLongMs + k;
}
qint32 shortMs(int) {
    return 20;
}

StepRecord record(int k, qint32 ms) {
    StepRecord r{};
    r.fill(kBase + k);
    r[kDurationField] = ms;
    r[kBreakField] = 0;
    return r;
}

void load(FormRig& rig, int n, qint32 (*ms)(int), const QList<int>& breaks = {}) {
    QStringList lines;
    for (int k = 0; k < n; ++k) {
        const QString line = stepline::readBackForm(record(k, ms(k)));
        lines << (breaks.contains(k) ? stepline::withBreakMark(line) : line);
    }
    QCOMPARE(rig.form->editor.replaceAll(lines), EditOutcome::Done);
}

// The steps put on the line as bursts, in order.
QList<int> played(const FakeTransport& port) {
    QList<int> steps;
    for (const QByteArray& w : port.writes) {
        if (w.size() == 2 * kChannelCount) {
            steps << quint8(w[1]) - kBase;
        }
    }
    return steps;
}

QList<int> tickUntilHalt(FormRig& rig, int most = 30) {
    rig.port->clearWrites();
    while (rig.form->HiTimer1->isEnabled() && most-- > 0) {
        rig.form->playback->HiTimer1_Timer();
    }
    return played(*rig.port);
}

SwitchControl* modeSwitch(FormRig& rig, const QString& name) {
    return rig.form->findChild<SwitchControl*>(name);
}

QList<bool> modesEnabled(FormRig& rig) {
    return {rig.form->CWButtonRealEmu->isEnabled(), rig.form->CWButtonEmuPC->isEnabled(),
            rig.form->CWButtonManual->isEnabled()};
}

int noConnectionShown(const FormRig& rig) {
    int shown = 0;
    for (const auto& m : rig.dialogs.messages) {
        shown += m.text == Form1::kNoConnection && m.title == Form1::kProgramTitle;
    }
    return shown;
}
} // namespace

class TestPlayback : public QObject {
    Q_OBJECT
private slots:
    void startSendsNothingThenEachTickTheNextLine();
    void lastLineWrapsToFirst();
    void halts_data();
    void halts();
    void continueFromHaltOnLastLine();
    void repeat_data();
    void repeat();
    void repeatShowsStepAndSwitchOffShowsSelected();
    void repeatAndContinueNeedEmuModeAndSelection();
    void modesExcludeEachOther_data();
    void modesExcludeEachOther();
    void portClosed_data();
    void portClosed();
    void portLostWhilePlaying_data();
    void portLostWhilePlaying();
    void lineBusySkipsStep();
    void fixedTimeIgnoresBreakpointsAndFollowsField();
    void fixedTimeIntervalRounding_data();
    void fixedTimeIntervalRounding();
    void realTimerPlaysHaltsAndContinues();
    void realTimerFixedTimeCycles();
    void resetRunsSliderHandlingForEveryChannel();
    void resetSendsTwelvePairs();
};

void TestPlayback::startSendsNothingThenEachTickTheNextLine() {
    FormRig rig;
    load(rig, 5, longMs);
    rig.form->sequenceList.setSelectedIndex(2);
    rig.form->CWButtonEmuPC->click();
    QVERIFY(rig.port->writes.isEmpty());
    QVERIFY(rig.form->HiTimer1->isEnabled());
    QCOMPARE(rig.form->HiTimer1->interval(), longMs(2));

    rig.form->playback->HiTimer1_Timer();
    QCOMPARE(rig.form->sequenceList.selectedIndex(), 3);
    QCOMPARE(rig.port->writes, QList<QByteArray>{board::ChannelBurst(record(3, longMs(3)))});
    QCOMPARE(rig.form->HiTimer1->interval(), longMs(3));
    QCOMPARE(rig.form->CWNumEditTimeStep->value(), double(longMs(3)));
    QCOMPARE(rig.form->LabelStep->text(), QStringLiteral("Step N\u00B0 3"));
}

void TestPlayback::lastLineWrapsToFirst() {
    FormRig rig;
    QStringList lines{stepline::readBackForm(record(128 - kBase, 7))}; // all channels 128
    lines << stepline::readBackForm(record(1, 30)) << stepline::readBackForm(record(2, 40));
    QCOMPARE(rig.form->editor.replaceAll(lines), EditOutcome::Done);
    rig.form->sequenceList.setSelectedIndex(2);
    rig.form->CWButtonEmuPC->click();

    rig.form->playback->HiTimer1_Timer();
    QCOMPARE(rig.form->sequenceList.selectedIndex(), 0);
    const QByteArray centred("\x08\x80\x09\x80\x0a\x80\x0b\x80\x0c\x80\x0d\x80\x0e\x80\x0f\x80"
                             "\x28\x80\x29\x80\x2a\x80\x2b\x80",
                             24);
    QCOMPARE(rig.port->writes, QList<QByteArray>{centred});
    QCOMPARE(rig.form->LabelStep->text(), QStringLiteral("Step N\u00B0 0"));
    QCOMPARE(rig.form->HiTimer1->interval(), 7);
    QVERIFY(rig.form->HiTimer1->isEnabled());
    rig.form->playback->HiTimer1_Timer();
    QCOMPARE(rig.form->sequenceList.selectedIndex(), 1);
}

void TestPlayback::halts_data() {
    QTest::addColumn<int>("lines");
    QTest::addColumn<QList<int>>("breaks");
    QTest::addColumn<int>("start");
    QTest::addColumn<QList<int>>("expected");
    QTest::newRow("breakpoint reached by a tick") << 5 << QList<int>{2} << 0 << QList<int>{1, 2};
    QTest::newRow("breakpoint on the start line") << 5 << QList<int>{1, 3} << 1 << QList<int>{2, 3};
    QTest::newRow("breakpoint on the last line") << 4 << QList<int>{3} << 1 << QList<int>{2, 3};
    QTest::newRow("wraps to reach it") << 4 << QList<int>{1} << 2 << QList<int>{3, 0, 1};
    QTest::newRow("no selection starts at 0") << 4 << QList<int>{2} << -1 << QList<int>{1, 2};
}

void TestPlayback::halts() {
    QFETCH(int, lines);
    QFETCH(QList<int>, breaks);
    QFETCH(int, start);
    QFETCH(QList<int>, expected);
    FormRig rig;
    load(rig, lines, longMs, breaks);
    rig.form->sequenceList.setSelectedIndex(start);
    rig.form->CWButtonEmuPC->click();
    QCOMPARE(tickUntilHalt(rig), expected);
    QCOMPARE(rig.form->sequenceList.selectedIndex(), expected.last());
    QVERIFY(rig.form->CWButtonEmuPC->value());
    QCOMPARE(modesEnabled(rig), (QList<bool>{false, true, false}));
}

void TestPlayback::continueFromHaltOnLastLine() {
    FormRig rig;
    load(rig, 4, longMs, {3});
    rig.form->sequenceList.setSelectedIndex(2);
    rig.form->CWButtonEmuPC->click();
    QCOMPARE(tickUntilHalt(rig), QList<int>{3});

    rig.port->clearWrites();
    rig.form->CommandContinue->click();
    QVERIFY(rig.port->writes.isEmpty());
    QVERIFY(rig.form->HiTimer1->isEnabled());
    QCOMPARE(rig.form->HiTimer1->interval(), longMs(3));
    QCOMPARE(tickUntilHalt(rig), (QList<int>{0, 1, 2, 3}));
}

void TestPlayback::repeat_data() {
    QTest::addColumn<QList<int>>("breaks");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("ticks");              // before Repeat; -1 = until the halt
    QTest::addColumn<int>("selectBeforeRepeat"); // -1 = leave
    QTest::addColumn<int>("from");
    QTest::addColumn<QList<int>>("replay");
    QTest::newRow("halted at 7 replays 3 to 7")
        << QList<int>{3, 7} << 4 << -1 << -1 << 3 << QList<int>{4, 5, 6, 7};
    QTest::newRow("no earlier breakpoint restarts at 0")
        << QList<int>{4} << 1 << -1 << -1 << 0 << QList<int>{1, 2, 3, 4};
    QTest::newRow("selection moved while halted")
        << QList<int>{3, 7} << 4 << -1 << 5 << 3 << QList<int>{4, 5, 6, 7};
    QTest::newRow("while playing")
        << QList<int>{3, 7} << 4 << 1 << -1 << 3 << QList<int>{4, 5, 6, 7};
}

void TestPlayback::repeat() {
    QFETCH(QList<int>, breaks);
    QFETCH(int, start);
    QFETCH(int, ticks);
    QFETCH(int, selectBeforeRepeat);
    QFETCH(int, from);
    QFETCH(QList<int>, replay);
    FormRig rig;
    load(rig, 10, longMs, breaks);
    rig.form->sequenceList.setSelectedIndex(start);
    rig.form->CWButtonEmuPC->click();
    if (ticks < 0) {
        tickUntilHalt(rig);
    }
    for (int t = 0; t < ticks; ++t) {
        rig.form->playback->HiTimer1_Timer();
    }
    if (selectBeforeRepeat >= 0) {
        rig.form->sequenceList.setSelectedIndex(selectBeforeRepeat);
    }
    rig.form->CommandRepeat->click();
    QCOMPARE(rig.form->sequenceList.selectedIndex(), from);
    QVERIFY(rig.form->HiTimer1->isEnabled());
    QCOMPARE(rig.form->HiTimer1->interval(), longMs(from));
    QCOMPARE(tickUntilHalt(rig), replay);
}

void TestPlayback::repeatShowsStepAndSwitchOffShowsSelected() {
    FormRig rig;
    load(rig, 10, longMs, {3, 7});
    rig.form->sequenceList.setSelectedIndex(4);
    rig.form->CWButtonEmuPC->click();
    tickUntilHalt(rig);
    rig.form->CommandRepeat->click();
    QCOMPARE(rig.form->LabelStep->text(), QStringLiteral("Step N\u00B0 3"));
    for (SlideControl* slide : rig.form->CWSlide1) {
        QCOMPARE(slide->value(), double(kBase + 3));
    }

    rig.form->playback->HiTimer1_Timer();
    rig.form->CWButtonEmuPC->click();
    QVERIFY(!rig.form->HiTimer1->isEnabled());
    QCOMPARE(modesEnabled(rig), (QList<bool>{true, true, true}));
    for (SlideControl* slide : rig.form->CWSlide1) {
        QCOMPARE(slide->value(), double(kBase + 4));
    }
}

void TestPlayback::repeatAndContinueNeedEmuModeAndSelection() {
    FormRig rig;
    load(rig, 6, longMs, {1, 4});
    rig.form->sequenceList.setSelectedIndex(3);
    const auto pressBoth = [&] {
        rig.form->CommandRepeat->click();
        rig.form->CommandContinue->click();
    };
    pressBoth(); // idle
    QVERIFY(!rig.form->HiTimer1->isEnabled());
    QCOMPARE(rig.form->sequenceList.selectedIndex(), 3);

    rig.form->CWButtonManual->click();
    pressBoth();
    QCOMPARE(rig.form->sequenceList.selectedIndex(), 3);
    QCOMPARE(rig.form->HiTimer1->interval(), 1000);
    rig.form->CWButtonManual->click();

    rig.form->CWButtonEmuPC->click();
    tickUntilHalt(rig);
    rig.port->clearWrites();
    rig.form->sequenceList.setSelectedIndex(-1);
    pressBoth();
    QVERIFY(!rig.form->HiTimer1->isEnabled());
    QCOMPARE(rig.form->sequenceList.selectedIndex(), -1);
    QVERIFY(rig.port->writes.isEmpty());
}

void TestPlayback::modesExcludeEachOther_data() {
    QTest::addColumn<QString>("mode");
    QTest::addColumn<int>("lines");
    QTest::addColumn<bool>("clearWhilePlaying");
    QTest::addColumn<QList<bool>>("whileOn");
    const QList<bool> emu{false, true, false};
    const QList<bool> seq{false, false, true};
    QTest::newRow("PC Emu") << "CWButtonEmuPC" << 3 << false << emu;
    QTest::newRow("PC Emu, empty list") << "CWButtonEmuPC" << 0 << false << emu;
    QTest::newRow("PC Emu, list cleared") << "CWButtonEmuPC" << 3 << true << emu;
    QTest::newRow("PC Seq") << "CWButtonManual" << 3 << false << seq;
    QTest::newRow("PC Seq, empty list") << "CWButtonManual" << 0 << false << seq;
    QTest::newRow("PC Seq, list cleared") << "CWButtonManual" << 3 << true << seq;
}

void TestPlayback::modesExcludeEachOther() {
    QFETCH(QString, mode);
    QFETCH(int, lines);
    QFETCH(bool, clearWhilePlaying);
    QFETCH(QList<bool>, whileOn);
    FormRig rig;
    load(rig, lines, longMs);
    SwitchControl* s = modeSwitch(rig, mode);
    s->click();
    QCOMPARE(modesEnabled(rig), whileOn);
    QCOMPARE(rig.form->HiTimer1->isEnabled(), lines > 0);
    QCOMPARE(rig.form->sequenceList.selectedIndex(), lines > 0 ? 0 : -1);
    if (clearWhilePlaying) {
        rig.form->editor.clearAll();
        rig.form->playback->HiTimer1_Timer(); // nothing to play
    }
    s->click();
    QCOMPARE(modesEnabled(rig), (QList<bool>{true, true, true}));
    QVERIFY(!rig.form->HiTimer1->isEnabled());
    QVERIFY(rig.dialogs.messages.isEmpty());
    QVERIFY(played(*rig.port).isEmpty());
}

void TestPlayback::portClosed_data() {
    QTest::addColumn<QString>("mode");
    QTest::newRow("PC Emu") << "CWButtonEmuPC";
    QTest::newRow("PC Seq") << "CWButtonManual";
}

void TestPlayback::portClosed() {
    QFETCH(QString, mode);
    FormRig rig(false);
    load(rig, 3, longMs);
    SwitchControl* s = modeSwitch(rig, mode);
    s->click();
    QCOMPARE(noConnectionShown(rig), 1);
    QCOMPARE(rig.dialogs.messages.size(), 1);
    QVERIFY(!s->value());
    QVERIFY(!rig.form->HiTimer1->isEnabled());
    QCOMPARE(modesEnabled(rig), (QList<bool>{true, true, true}));
    QCOMPARE(rig.form->sequenceList.selectedIndex(), -1);
    QVERIFY(rig.port->writes.isEmpty());
}

void TestPlayback::portLostWhilePlaying_data() {
    portClosed_data();
}

void TestPlayback::portLostWhilePlaying() {
    QFETCH(QString, mode);
    FormRig rig;
    load(rig, 3, longMs);
    SwitchControl* s = modeSwitch(rig, mode);
    s->click();
    rig.port->loseDevice(QStringLiteral("unplugged"));
    rig.form->playback->HiTimer1_Timer();
    QCOMPARE(rig.form->sequenceList.selectedIndex(), 1);
    QCOMPARE(rig.form->LabelStep->text(), QStringLiteral("Step N\u00B0 1"));
    QVERIFY(rig.port->writes.isEmpty());

    // Off with the port gone: told once, and nothing is left running or locked.
    s->click();
    QCOMPARE(noConnectionShown(rig), 1);
    QVERIFY(!s->value());
    QVERIFY(!rig.form->HiTimer1->isEnabled());
    QCOMPARE(modesEnabled(rig), (QList<bool>{true, true, true}));
}

void TestPlayback::lineBusySkipsStep() {
    FormRig rig;
    load(rig, 4, longMs);
    rig.form->CWButtonEmuPC->click();
    rig.form->declaration.AwaitingAck = true;
    rig.form->playback->HiTimer1_Timer();
    QVERIFY(rig.port->writes.isEmpty());
    QCOMPARE(rig.form->sequenceList.selectedIndex(), 1);
    QCOMPARE(rig.form->statusBar()->currentMessage(), rig.form->lineBusyText());
    QVERIFY(rig.form->HiTimer1->isEnabled());
    rig.form->declaration.AwaitingAck = false;
    rig.form->playback->HiTimer1_Timer();
    QCOMPARE(played(*rig.port), QList<int>{2});
}

void TestPlayback::fixedTimeIgnoresBreakpointsAndFollowsField() {
    FormRig rig;
    load(rig, 4, longMs, {1, 2});
    rig.form->CWNumEdit1->setValue(500);
    rig.form->CWButtonManual->click();
    QCOMPARE(rig.form->HiTimer1->interval(), 500);
    QVERIFY(rig.port->writes.isEmpty());
    for (int t = 0; t < 4; ++t) {
        rig.form->playback->HiTimer1_Timer();
        QVERIFY(rig.form->HiTimer1->isEnabled());
        QCOMPARE(rig.form->HiTimer1->interval(), 500);
    }
    QCOMPARE(played(*rig.port), (QList<int>{1, 2, 3, 0}));
    QCOMPARE(rig.form->CWNumEditTimeStep->value(), double(longMs(0)));

    rig.form->CWNumEdit1->setValue(730);
    QCOMPARE(rig.form->HiTimer1->interval(), 730);
    rig.form->playback->HiTimer1_Timer();
    QCOMPARE(rig.form->HiTimer1->interval(), 730);
    rig.form->CWButtonManual->click();
    QVERIFY(!rig.form->HiTimer1->isEnabled());
    QCOMPARE(rig.form->sequenceList.selectedIndex(), 1);
    QCOMPARE(rig.form->CWSlide1[0]->value(), 128.0); // switching off shows nothing

    // In the own-time mode the field sets the interval only until the next tick.
    rig.form->CWButtonEmuPC->click();
    rig.form->CWNumEdit1->setValue(620);
    QCOMPARE(rig.form->HiTimer1->interval(), 620);
    rig.form->playback->HiTimer1_Timer();
    QCOMPARE(rig.form->HiTimer1->interval(), longMs(2));
}

void TestPlayback::fixedTimeIntervalRounding_data() {
    QTest::addColumn<double>("field");
    QTest::addColumn<int>("interval");
    QTest::newRow("half to even, down") << 1234.5 << 1234;
    QTest::newRow("half to even, up") << 1235.5 << 1236;
    QTest::newRow("fraction") << 50.7 << 51;
    QTest::newRow("largest") << 1000000.0 << 1000000;
}

void TestPlayback::fixedTimeIntervalRounding() {
    QFETCH(double, field);
    QFETCH(int, interval);
    FormRig rig;
    load(rig, 2, longMs);
    rig.form->CWNumEdit1->setValue(field);
    rig.form->HiTimer1->setInterval(1);
    rig.form->CWButtonManual->click();
    QCOMPARE(rig.form->HiTimer1->interval(), interval);
}

void TestPlayback::realTimerPlaysHaltsAndContinues() {
    FormRig rig;
    // Zero and negative durations play at the timer's shortest interval.
    QStringList lines;
    const qint32 ms[] = {20, 20, 0, -5, 20, 20};
    for (int k = 0; k < 6; ++k) {
        const QString line = stepline::readBackForm(record(k, ms[k]));
        lines << (k == 4 ? stepline::withBreakMark(line) : line);
    }
    QCOMPARE(rig.form->editor.replaceAll(lines), EditOutcome::Done);
    QSignalSpy ticks(rig.form->HiTimer1, &HiResTimer::tick);
    rig.form->CWButtonEmuPC->click();
    QTRY_VERIFY_WITH_TIMEOUT(!rig.form->HiTimer1->isEnabled(), kWaitMs);
    QCOMPARE(ticks.count(), 4);
    QCOMPARE(played(*rig.port), (QList<int>{1, 2, 3, 4}));

    rig.port->clearWrites();
    rig.form->CommandContinue->click();
    QTRY_VERIFY_WITH_TIMEOUT(!rig.form->HiTimer1->isEnabled(), kWaitMs);
    QCOMPARE(played(*rig.port), (QList<int>{5, 0, 1, 2, 3, 4}));
}

void TestPlayback::realTimerFixedTimeCycles() {
    FormRig rig;
    load(rig, 3, shortMs, {0, 1, 2});
    rig.form->CWNumEdit1->setValue(50);
    QSignalSpy ticks(rig.form->HiTimer1, &HiResTimer::tick);
    rig.form->CWButtonManual->click();
    QTRY_VERIFY_WITH_TIMEOUT(ticks.count() >= 4, kWaitMs);
    rig.form->CWNumEdit1->setValue(60);
    const int before = ticks.count();
    QTRY_VERIFY_WITH_TIMEOUT(ticks.count() >= before + 2, kWaitMs);
    QCOMPARE(rig.form->HiTimer1->interval(), 60);
    rig.form->CWButtonManual->click();
    const QList<int> steps = played(*rig.port);
    QCOMPARE(steps.size(), ticks.count());
    for (int t = 0; t < steps.size(); ++t) {
        QCOMPARE(steps[t], (t + 1) % 3);
    }
}

void TestPlayback::resetRunsSliderHandlingForEveryChannel() {
    FormRig rig;
    QList<QPair<int, double>> changes;
    for (SlideControl* slide : rig.form->CWSlide1) {
        QObject::connect(slide, &SlideControl::valueChanged, [&changes](int index, double value) {
            changes.append({index, value});
        });
    }
    for (int c = 0; c < kChannelCount; c += 2) {
        rig.form->CWSlide1[size_t(c)]->setValue(10 + c);
    }
    changes.clear();
    rig.form->CommandUpdate->click();
    QCOMPARE(changes.size(), kChannelCount);
    for (int c = 0; c < kChannelCount; ++c) {
        QCOMPARE(changes[c], (QPair<int, double>{c, 128.0}));
        QCOMPARE(rig.form->CWSlide1[size_t(c)]->value(), 128.0);
    }
}

void TestPlayback::resetSendsTwelvePairs() {
    FormRig rig;
    for (int c = 0; c < kChannelCount; c += 3) {
        rig.form->CWSlide1[size_t(c)]->setValue(200);
    }
    rig.port->clearWrites();
    rig.form->CommandUpdate->click();
    QList<QByteArray> expected;
    for (int c = 0; c < kChannelCount; ++c) {
        expected << QByteArray(1, char(board::ChannelSelect(c))) << QByteArray(1, char(128));
    }
    QCOMPARE(rig.port->writes, expected);
}

QTEST_MAIN(TestPlayback)
#include "tst_playback.moc"
