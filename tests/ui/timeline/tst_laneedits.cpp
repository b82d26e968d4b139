#include "support/RampLines.h"

#include "ui/frames/Menus.h"
#include "ui/sequence/SequenceController.h"
#include "ui/shell/NumericField.h"
#include "ui/shell/SlideControl.h"
#include "ui/shell/SwitchControl.h"
#include "ui/timeline/TimelineController.h"
#include "ui/timeline/TimelineView.h"

#include <QAction>
#include <QDockWidget>
#include <QTest>

// Drags on the timeline's lanes with the real mouse, in the real window: each rewrites its step
// as one undo step, the sliders of the shown step follow, and with PC control on the servo
// follows a level while it is dragged.
class TestLaneEdits : public QObject {
    Q_OBJECT
private slots:
    void drags_data();
    void drags();

private:
    std::unique_ptr<FormRig> rig;
};

void TestLaneEdits::drags_data() {
    QTest::addColumn<bool>("pcControl");
    QTest::addColumn<QPointF>("press"); // s and degrees on channel 0's lane
    QTest::addColumn<QPointF>("to");
    QTest::addColumn<int>("position"); // channel 0 of step 1 afterwards
    QTest::addColumn<int>("ms");
    QTest::addColumn<QByteArray>("sent");
    // Step 1: 1° (130) for 200 ms, from 0.1 s to 0.3 s.
    QTest::newRow("level, the servo following") << true << QPointF(0.2, 1) << QPointF(0.2, 22.5)
                                                << 173 << 200 << QByteArray::fromHex("08ad");
    QTest::newRow("level, PC control off") << false << QPointF(0.2, 1) << QPointF(0.2, 22.5) << 173
                                           << 200 << QByteArray::fromHex("08ad");
    QTest::newRow("right edge, on the 20 ms grid")
        << true << QPointF(0.3, 1) << QPointF(0.447, 1) << 130 << 340 << QByteArray();
}

void TestLaneEdits::drags() {
    QFETCH(bool, pcControl);
    QFETCH(QPointF, press);
    QFETCH(QPointF, to);
    QFETCH(int, position);
    QFETCH(int, ms);
    QFETCH(QByteArray, sent);
    rig = std::make_unique<FormRig>();
    MainWindow& form = *rig->form;
    QVERIFY(fillRamp(*rig, 4));
    form.menus().timelineAction->trigger();
    auto* dock = form.findChild<QDockWidget*>(QStringLiteral("DockTimeline"));
    dock->setFloating(true);
    dock->resize(1280, 720);
    TimelineView* view = form.timelineController().view();
    view->setLanes(true);
    view->setPixelsPerSecond(1000);
    view->setLaneHeight(600);
    QVERIFY(QTest::qWaitForWindowExposed(dock));
    form.sequenceController().showStep(1);
    if (pcControl) {
        form.sideColumn().pcControlSwitch->click();
    }
    QVERIFY(rig->lineIdle());
    rig->port->clearWrites();

    QWidget* viewport = view->viewport();
    const auto at = [&](QPointF p) { return view->positionOf(p.x(), p.y(), 0).toPoint(); };
    QTest::mousePress(viewport, Qt::LeftButton, {}, at(press));
    QTest::mouseMove(viewport, at(to));
    const QByteArray whileDragging = rig->lineIdle() ? rig->port->written() : QByteArray("busy");
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, at(to));
    QCOMPARE(whileDragging, pcControl ? sent : QByteArray());

    QCOMPARE(form.panel().editor().table()[1][0], position);
    QCOMPARE(form.panel().editor().table()[1][kDurationField], ms);
    QCOMPARE(form.channelsFrame().sliders[0]->value(), double(position));
    QCOMPARE(form.channelsFrame().stepDuration->value(), double(ms));
    QCOMPARE(form.menus().undoAction->text(), QStringLiteral("Undo Edit Step"));
    QTRY_COMPARE(view->points(0)[3], QPointF(0.1 + ms / 1000.0, (position - 128) / 2.0));

    form.menus().undoAction->trigger();
    QCOMPARE(form.panel().editor().table()[1][0], 130);
    QCOMPARE(form.panel().editor().table()[1][kDurationField], 200);
    QVERIFY(!form.menus().undoAction->isEnabled());
}

QTEST_MAIN(TestLaneEdits)
#include "tst_laneedits.moc"
