#include "core/sequence/Timeline.h"
#include "ui/timeline/TimelineView.h"

#include <QFile>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

namespace {

Timeline::Step step(qint32 ch0, qint32 ms) {
    Timeline::Step s;
    s.positions.fill(128);
    s.positions[0] = ch0;
    s.durationMs = ms;
    return s;
}

} // namespace

// The lanes of the timeline view with a real mouse and keyboard: what a drag or a key reports,
// snapped as the step's fields take it, and what the view shows meanwhile. The view changes
// no step itself, so the timeline stays as it is throughout.
class TestTimelineLanes : public QObject {
    Q_OBJECT
private slots:
    // Channel 0 at 0°, 1°, 2°, 63.5° and -64° (positions 128, 130, 132, 255, 0) for 100, 200,
    // 300, 20 and 380 ms: the steps start at 0, 0.1, 0.3, 0.6 and 0.62 s, and the sequence ends
    // at 1 s. A millisecond a pixel and lanes taller than 255 pixels put every value a pixel
    // apart.
    void init() {
        timeline.setSteps(
            {step(128, 100), step(130, 200), step(132, 300), step(255, 20), step(0, 380)});
        view = std::make_unique<TimelineView>(timeline);
        view->resize(1280, 720);
        view->setLanes(true);
        view->setPixelsPerSecond(1000);
        view->setLaneHeight(600);
        view->setSelectedStep(1);
        view->show();
        QVERIFY(QTest::qWaitForWindowExposed(view.get()));
        reported.clear();
        const auto record = [this](const char* name) {
            return [this, name](auto... args) {
                QStringList line{QString::fromLatin1(name)};
                (line << ... << QString::number(args));
                reported << line.join(QLatin1Char(' '));
            };
        };
        connect(view.get(), &TimelineView::stepClicked, this, record("stepClicked"));
        connect(view.get(), &TimelineView::levelDragging, this, record("levelDragging"));
        connect(view.get(), &TimelineView::levelChanged, this, record("levelChanged"));
        connect(view.get(), &TimelineView::durationChanged, this, record("durationChanged"));
    }

    void cleanup() { view.reset(); }

    void drags_data() {
        QTest::addColumn<QPointF>("press"); // s and degrees on channel 0's lane
        QTest::addColumn<QList<QPointF>>("moves");
        QTest::addColumn<bool>("shift"); // held at the release
        QTest::addColumn<QStringList>("expected");

        const QPointF level(0.2, 1); // step 1's level
        const QPointF edge(0.3, 1);  // step 1's right edge, where step 2 begins
        const auto row = [](const char* name, QPointF press, const QList<QPointF>& moves,
                            bool shift, const QStringList& expected) {
            QTest::newRow(name) << press << moves << shift << expected;
        };
        row("level up to 22.5°", level, {{0.2, 22.5}}, false,
            {"stepClicked 1", "levelDragging 1 0 173", "levelChanged 1 0 173"});
        row("level down to -10.5°, on its way past 10°", level, {{0.2, 10}, {0.2, -10.5}}, false,
            {"stepClicked 1", "levelDragging 1 0 148", "levelDragging 1 0 107",
             "levelChanged 1 0 107"});
        row("level above the lane stops at 63.5°", level, {{0.25, 400}}, false,
            {"stepClicked 1", "levelDragging 1 0 255", "levelChanged 1 0 255"});
        row("level below the lane stops at -64°", level, {{0.15, -400}}, false,
            {"stepClicked 1", "levelDragging 1 0 0", "levelChanged 1 0 0"});
        row("level taken back to where it was changes nothing", level, {{0.2, 30}, {0.2, 1}}, false,
            {"stepClicked 1", "levelDragging 1 0 188", "levelDragging 1 0 130"});
        row("edge to 0.537 s: 437 ms snaps to 440", edge, {{0.537, 1}}, false,
            {"stepClicked 1", "durationChanged 1 440"});
        row("edge with Shift at the release: 437 ms", edge, {{0.537, 1}}, true,
            {"stepClicked 1", "durationChanged 1 437"});
        row("edge to 0.229 s: 129 ms snaps to 120", edge, {{0.229, 1}}, false,
            {"stepClicked 1", "durationChanged 1 120"});
        row("edge short of 20 ms stops at 20", edge, {{0.105, 1}}, true,
            {"stepClicked 1", "durationChanged 1 20"});
        row("edge of the last step, past the end", {1.0, 5}, {{1.261, 5}}, false,
            {"stepClicked 4", "durationChanged 4 640"});
        row("edge of the shortest step, 20 ms at 0.62 s", {0.62, 50}, {{0.7, 50}}, false,
            {"stepClicked 3", "durationChanged 3 100"});
        row("a click edits nothing", level, {}, false, {"stepClicked 1"});
        row("a press off the level only selects", {0.45, 30}, {{0.45, 10}}, false,
            {"stepClicked 2"});
    }

    void drags() {
        QFETCH(QPointF, press);
        QFETCH(QList<QPointF>, moves);
        QFETCH(bool, shift);

        QTest::mousePress(viewport(), Qt::LeftButton, {}, at(press.x(), press.y()));
        for (const QPointF& to : moves) {
            QTest::mouseMove(viewport(), at(to.x(), to.y()));
        }
        const QPointF end = moves.isEmpty() ? press : moves.last();
        QTest::mouseRelease(viewport(), Qt::LeftButton, shift ? Qt::ShiftModifier : Qt::NoModifier,
                            at(end.x(), end.y()));
        QTEST(reported, "expected");
        QCOMPARE(view->points(0), timeline.staircase(0));
    }

    // While the button is held the lane shows the value the drag would give, and so does the
    // description; Escape gives the drag up and the servo is sent back to the step's own position.
    void showsTheDragUntilLetGoOrGivenUp() {
        QTest::mousePress(viewport(), Qt::LeftButton, {}, at(0.2, 1));
        QTest::mouseMove(viewport(), at(0.2, 22.5));
        const QList<QPointF> dragged = {{0, 0},   {0.1, 0},    {0.1, 22.5},  {0.3, 22.5}, {0.3, 2},
                                        {0.6, 2}, {0.6, 63.5}, {0.62, 63.5}, {0.62, -64}, {1, -64}};
        QCOMPARE(view->points(0), dragged);
        QCOMPARE(view->accessibleDescription(),
                 QStringLiteral("5 steps, 1 s in total; channels that move: Ch0. "
                                "Step 1, Ch0 at 22.5 °, 200 ms."));
        QTest::keyClick(view.get(), Qt::Key_Escape);
        QTest::mouseRelease(viewport(), Qt::LeftButton, {}, at(0.2, 22.5));
        QCOMPARE(reported,
                 QStringList({"stepClicked 1", "levelDragging 1 0 173", "levelDragging 1 0 130"}));
        QCOMPARE(view->points(0), timeline.staircase(0));
        QCOMPARE(view->accessibleDescription(),
                 QStringLiteral("5 steps, 1 s in total; channels that move: Ch0. "
                                "Step 1, Ch0 at 1 °, 200 ms."));

        // An edge drag moves every later step; Shift pressed while dragging takes the finer grid.
        reported.clear();
        QTest::mousePress(viewport(), Qt::LeftButton, {}, at(0.3, 1));
        QTest::mouseMove(viewport(), at(0.447, 1));
        QCOMPARE(view->points(0).mid(3, 4),
                 QList<QPointF>({{0.44, 1}, {0.44, 2}, {0.74, 2}, {0.74, 63.5}}));
        QTest::keyPress(view.get(), Qt::Key_Shift);
        QCOMPARE(view->points(0)[3], QPointF(0.447, 1));
        QTest::keyRelease(view.get(), Qt::Key_Shift);
        QTest::mouseRelease(viewport(), Qt::LeftButton, {}, at(0.447, 1));
        QCOMPARE(reported, QStringList({"stepClicked 1", "durationChanged 1 340"}));
    }

    void keys_data() {
        QTest::addColumn<int>("selected");
        QTest::addColumn<bool>("lanes");
        QTest::addColumn<QList<int>>("keys"); // key | modifiers
        QTest::addColumn<QStringList>("expected");

        const int ctrl = Qt::ControlModifier;
        const int shift = Qt::ShiftModifier;
        const auto row = [](const char* name, int selected, const QList<int>& keys,
                            const QStringList& expected, bool lanes = true) {
            QTest::newRow(name) << selected << lanes << keys << expected;
        };
        row("Up", 1, {Qt::Key_Up}, {"levelChanged 1 0 131"});
        row("Down", 1, {Qt::Key_Down}, {"levelChanged 1 0 129"});
        row("Right", 1, {Qt::Key_Right}, {"durationChanged 1 220"});
        row("Left", 1, {Qt::Key_Left}, {"durationChanged 1 180"});
        row("Shift+Right", 1, {Qt::Key_Right | shift}, {"durationChanged 1 201"});
        row("Ctrl+Down to channel 1, then Up", 1, {Qt::Key_Down | ctrl, Qt::Key_Up},
            {"levelChanged 1 1 129"});
        row("Ctrl+Up on the top lane stays there", 1, {Qt::Key_Up | ctrl, Qt::Key_Down},
            {"levelChanged 1 0 129"});
        row("Ctrl+Right selects the next step", 1, {Qt::Key_Right | ctrl}, {"stepClicked 2"});
        row("Ctrl+Left on the first step", 0, {Qt::Key_Left | ctrl}, {});
        row("Up at 63.5°, Left at 20 ms: nothing", 3, {Qt::Key_Up, Qt::Key_Left}, {});
        row("Right from 20 ms", 3, {Qt::Key_Right}, {"durationChanged 3 40"});
        row("Down at -64°: nothing", 4, {Qt::Key_Down}, {});
        row("no step selected", -1, {Qt::Key_Up, Qt::Key_Right}, {});
        row("overlaid, the arrows edit nothing", 1, {Qt::Key_Up, Qt::Key_Right}, {}, false);
    }

    void keys() {
        QFETCH(int, selected);
        QFETCH(bool, lanes);
        QFETCH(QList<int>, keys);
        view->setSelectedStep(selected);
        view->setLanes(lanes);
        view->setFocus();
        for (const int key : keys) {
            QTest::keyClick(view.get(), Qt::Key(key & ~Qt::KeyboardModifierMask),
                            Qt::KeyboardModifiers(key & Qt::KeyboardModifierMask));
        }
        QTEST(reported, "expected");
    }

    void cursorShowsWhatAPressTakes_data() {
        QTest::addColumn<QPointF>("point"); // s and degrees on channel 0's lane
        QTest::addColumn<bool>("lanes");
        QTest::addColumn<int>("shape");

        QTest::newRow("a level") << QPointF(0.2, 1) << true << int(Qt::SizeVerCursor);
        QTest::newRow("a right edge") << QPointF(0.302, 1) << true << int(Qt::SizeHorCursor);
        QTest::newRow("the last step's edge") << QPointF(1.0, 20) << true << int(Qt::SizeHorCursor);
        QTest::newRow("above a level") << QPointF(0.2, 12) << true << int(Qt::ArrowCursor);
        QTest::newRow("past the end") << QPointF(1.1, -64) << true << int(Qt::ArrowCursor);
        QTest::newRow("overlaid") << QPointF(0.2, 1) << false << int(Qt::ArrowCursor);
    }

    void cursorShowsWhatAPressTakes() {
        QFETCH(QPointF, point);
        QFETCH(bool, lanes);
        QFETCH(int, shape);
        view->setLanes(lanes);
        hover(at(0.45, -30));
        hover(at(point.x(), point.y()));
        QCOMPARE(int(viewport()->cursor().shape()), shape);
    }

    // Lanes taller than the plot: the one focused shows from its top.
    void focusedLaneScrollsIntoView() {
        view->setLaneHeight(700);
        view->setFocus();
        QTest::keyClick(view.get(), Qt::Key_Down, Qt::ControlModifier);
        QCOMPARE(view->focusedChannel(), 1);
        QCOMPARE(view->verticalScrollBar()->value(), 700);
        QTest::keyClick(view.get(), Qt::Key_Up, Qt::ControlModifier);
        QCOMPARE(view->focusedChannel(), 0);
        QCOMPARE(view->verticalScrollBar()->value(), 0);
    }

    // Ctrl with the wheel zooms time about the pointer, by a quarter a notch; Ctrl+0 shows the
    // whole sequence again.
    void zoomKeepsTheTimeUnderThePointer() {
        view->setPixelsPerSecond(2000);
        const QPoint pointer = at(0.3, 0);
        const auto wheel = [&](int delta) {
            QWheelEvent event(pointer, viewport()->mapToGlobal(pointer), {}, {0, delta},
                              Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(viewport(), &event);
        };
        wheel(120);
        QCOMPARE(view->pixelsPerSecond(), 2500.0);
        QCOMPARE(view->horizontalScrollBar()->value(), 150);
        QVERIFY(qAbs(at(0.3, 0).x() - pointer.x()) <= 1);
        wheel(-120);
        QCOMPARE(view->pixelsPerSecond(), 2000.0);
        QCOMPARE(view->horizontalScrollBar()->value(), 0);
        view->setFocus();
        QTest::keyClick(view.get(), Qt::Key_0, Qt::ControlModifier);
        QCOMPARE(view->horizontalScrollBar()->maximum(), 0);
        QVERIFY(view->pixelsPerSecond() < 2000);
    }

    // A click on a legend entry takes its channel's lane away and brings it back; the button
    // switches between lanes and the overlaid view.
    void legendAndLanesButton() {
        const QPoint lane0 = at(0.2, 0, 0);
        const QPoint lane1 = at(0.2, 0, 1);
        QTest::mouseClick(viewport(), Qt::LeftButton, {}, view->legendRect(0).center());
        QVERIFY(!view->channelShown(0));
        QCOMPARE(at(0.2, 0, 1), lane0);
        QTest::mouseClick(viewport(), Qt::LeftButton, {}, view->legendRect(0).center());
        QVERIFY(view->channelShown(0));
        QCOMPARE(at(0.2, 0, 1), lane1);
        QVERIFY(reported.isEmpty());

        auto* button = view->findChild<QToolButton*>(QStringLiteral("TimelineLanes"));
        QVERIFY(button);
        QCOMPARE(button->accessibleName(), QStringLiteral("Lanes"));
        QVERIFY(button->isChecked());
        button->click();
        QVERIFY(!view->lanes());
        // Overlaid, a channel's staircase is drawn over the whole plot.
        QCOMPARE(at(0.2, 0, 1), at(0.2, 0, 0));
    }

    void namesInLanesDescriptionAndExport() {
        std::array<QString, kChannelCount> names;
        names[0] = QStringLiteral("Ch0 (base)");
        view->setChannelNames(names);
        QCOMPARE(view->channelLabel(0), QStringLiteral("Ch0 (base)"));
        QCOMPARE(view->channelLabel(11), QStringLiteral("Ch11"));
        QCOMPARE(view->accessibleDescription(),
                 QStringLiteral("5 steps, 1 s in total; channels that move: Ch0. "
                                "Step 1, Ch0 (base) at 1 °, 200 ms."));
        view->setLanes(false);
        QCOMPARE(view->accessibleDescription(),
                 QStringLiteral("5 steps, 1 s in total; channels that move: Ch0."));
        view->setLanes(true);

        QTemporaryDir dir;
        const QString svg = dir.filePath(QStringLiteral("lanes.svg"));
        QString error;
        QVERIFY2(view->exportTo(svg, &error), qPrintable(error));
        QFile file(svg);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray xml = file.readAll();
        QVERIFY(xml.contains("Ch0 (base)") && xml.contains("Ch11"));
    }

private:
    QWidget* viewport() const { return view->viewport(); }
    QPoint at(double seconds, double angle, int channel = 0) const {
        return view->positionOf(seconds, angle, channel).toPoint();
    }
    void hover(const QPoint& pos) {
        QMouseEvent move(QEvent::MouseMove, pos, viewport()->mapToGlobal(pos), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(viewport(), &move);
    }

    Timeline timeline;
    std::unique_ptr<TimelineView> view;
    QStringList reported;
};

QTEST_MAIN(TestTimelineLanes)
#include "tst_timelinelanes.moc"
