#include "support/RampLines.h"

#include "core/sequence/StepLine.h"
#include "ui/frames/Menus.h"
#include "ui/playback/PlaybackController.h"
#include "ui/sequence/SequenceController.h"
#include "ui/shell/NumericField.h"
#include "ui/shell/SlideControl.h"
#include "ui/shell/SwitchControl.h"
#include "ui/timeline/TimelineController.h"
#include "ui/timeline/TimelineView.h"

#include <QAction>
#include <QDockWidget>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>

// The timeline through the real window: the View menu and the dock, a real mouse on the
// view and its legend and lanes, the list's changes and selection, playback's cursor, real files.
class TestTimelineView : public QObject {
    Q_OBJECT
private slots:
    void init() { rig = std::make_unique<FormRig>(); }

    // The window starts exactly as before: the dock exists, hidden and empty.
    void hiddenAtStartOpenedFromView() {
        QDockWidget* dock = form()->timelineDock();
        QVERIFY(dock->isHidden() && !form()->menus().timelineAction->isChecked() && !view());

        fill(2);
        QVERIFY(dock->isVisible() && form()->menus().timelineAction->isChecked());
        QCOMPARE(view()->accessibleDescription(),
                 QStringLiteral("2 steps, 0.3 s in total; channels that move: Ch0."));
        dock->close();
        QVERIFY(!form()->menus().timelineAction->isChecked());
        // Closed, the view lets the list change without it, and catches up when opened.
        form()->bufferEditFrame().clearButton->click();
        form()->menus().timelineAction->trigger();
        QVERIFY(dock->isVisible());
        QCOMPARE(view()->accessibleDescription(), QStringLiteral("No steps."));
    }

    // The row's name is the edit.
    void followsEveryChange_data() {
        QTest::addColumn<QList<double>>("angles");
        QTest::addColumn<QString>("description");
        const auto row = [](const char* edit, const QList<double>& angles, const char* text) {
            QTest::newRow(edit) << angles << QString(text);
        };
        // From three steps at 0°, 1°, 2° lasting 0.1, 0.2, 0.3 s, step 1 selected.
        row("add", {0, 1, 0, 2}, "4 steps, 1.1 s in total; channels that move: Ch0, Ch11.");
        row("remove", {0, 2}, "2 steps, 0.4 s in total; channels that move: Ch0.");
        row("drag", {0, 2, 1}, "3 steps, 0.6 s in total; channels that move: Ch0.");
        row("load", {-64}, "1 step, 0.02 s in total; no channel moves.");
        row("interpolation", {0, 1.5, 3, 2}, "4 steps, 0.6 s in total; channels that move: Ch0.");
        row("clear all", {}, "No steps.");
        row("break", {0, 1, 2}, "3 steps, 0.6 s in total; channels that move: Ch0.");
    }

    void followsEveryChange() {
        const QByteArray edit = QTest::currentDataTag();
        QFETCH(QList<double>, angles);
        fill(3);
        form()->panel().list().setSelectedIndex(1);
        if (edit == "add") {
            form()->channelsFrame().sliders[11]->setValue(0);
            form()->channelsFrame().stepDuration->setValue(500);
            form()->bufferEditFrame().addButton->click();
        } else if (edit == "remove") {
            form()->bufferEditFrame().removeButton->click();
        } else if (edit == "drag") {
            form()->panel().editor().dragMove(1, 2);
        } else if (edit == "load") {
            form()->panel().editor().replaceAll(
                {QString("-64 °\t") + QString("0 °\t").repeated(11) + "20  ms\t"});
        } else if (edit == "interpolation") {
            const QString tail = QString("0 °\t").repeated(11);
            form()->panel().editor().replaceLineWith(
                1, {"1.5 °\t" + tail + "100 ms", "3 °\t" + tail + "100 ms"});
        } else if (edit == "clear all") {
            form()->bufferEditFrame().clearButton->click();
        } else if (edit == "break") {
            form()->pcEmuFrame().breakButton->click();
        }
        QTRY_COMPARE(ch0(), angles);
        QTEST(view()->accessibleDescription(), "description");
        QCOMPARE(view()->selectedStep(), form()->panel().list().selectedIndex());
        if (edit == "break") {
            QTRY_VERIFY(form()->timelineController().timeline().step(1).breakpoint);
        }
    }

    // A click selects the line as a click on the list would; a double-click shows the step; a
    // flash transfer lets the selection through but not ShowStep, which moves the servos.
    void clickSelectsDoubleClickShows() {
        fill(4); // steps start at 0, 0.1, 0.3, 0.6 s; the sequence ends at 1 s
        QWidget* viewport = view()->viewport();
        QTest::mouseClick(viewport, Qt::LeftButton, {}, at(0.2));
        QCOMPARE(form()->panel().list().selectedIndex(), 1);
        QCOMPARE(view()->selectedStep(), 1);
        QCOMPARE(form()->channelsFrame().stepLabel->text(), QStringLiteral("Step N° ..."));
        QVERIFY(rig->port->writes.isEmpty());

        // Outside the plot (the legend's row) and after the end nothing is chosen.
        QTest::mouseClick(viewport, Qt::LeftButton, {}, QPoint(at(0.2).x(), 3));
        QTest::mouseClick(viewport, Qt::LeftButton, {}, at(1.01));
        QCOMPARE(form()->panel().list().selectedIndex(), 1);

        // As the window system delivers it: press, release, double-click, release.
        QTest::mouseDClick(viewport, Qt::LeftButton, {}, at(0.7));
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, at(0.7));
        QCOMPARE(form()->panel().list().selectedIndex(), 3);
        QCOMPARE(form()->channelsFrame().stepLabel->text(), QStringLiteral("Step N° 3"));
        // The board's pose is unknown on a fresh port, so every channel goes out.
        QCOMPARE(rig->sent(),
                 QByteArray::fromHex("088609800a800b800c800d800e800f80288029802a802b80"));

        form()->flashFrame().readButton->click(); // a transfer that waits for the board
        rig->port->clearWrites();
        QTest::mouseDClick(viewport, Qt::LeftButton, {}, at(0.05));
        QCOMPARE(form()->panel().list().selectedIndex(), 0);
        QCOMPARE(form()->channelsFrame().stepLabel->text(), QStringLiteral("Step N° 3"));
        QVERIFY(!form()->statusBar()->currentMessage().isEmpty());
        form()->flashFrame().abortButton->click();
        QVERIFY(rig->port->writes.isEmpty());
    }

    void cursorFollowsPlayback() {
        fill(3);
        QCOMPARE(view()->cursorStep(), -1);
        form()->pcEmuFrame().pcEmuSwitch->setValue(true);
        QCOMPARE(view()->cursorStep(), 0);
        form()->playbackController().clockTick();
        QCOMPARE(std::pair(view()->cursorStep(), view()->selectedStep()), std::pair(1, 1));
        form()->pcEmuFrame().pcEmuSwitch->setValue(false);
        QCOMPARE(std::pair(view()->cursorStep(), view()->selectedStep()), std::pair(-1, 1));
    }

    void exportWritesPngAndSvg() {
        QTemporaryDir dir;
        const QString png = dir.filePath(QStringLiteral("t.png"));
        const QString svg = dir.filePath(QStringLiteral("t.SVG"));
        const QString nowhere = dir.filePath(QStringLiteral("missing/t.png"));
        form()->panel().editor().replaceAll(
            {QString("30 °\t") + QString("0 °\t").repeated(11) + "500 ms"});
        form()->resize(1280, 800);
        form()->show();
        QVERIFY(QTest::qWaitForWindowExposed(form()));

        // Refused during a transfer: no question is asked.
        form()->flashFrame().readButton->click();
        form()->menus().exportTimelineAction->trigger();
        form()->flashFrame().abortButton->click();
        QVERIFY(rig->dialogs.questions.isEmpty() && !view());

        // A hidden timeline is opened, so the file holds what the user sees. A name typed without
        // a suffix takes the chosen filter's (2 is SVG).
        const QString bare = dir.filePath(QStringLiteral("chart"));
        rig->dialogs.fileAnswers = {png, svg, std::nullopt, nowhere, {bare, 2}};
        for (int i = 0; i < 5; ++i) {
            form()->menus().exportTimelineAction->trigger();
        }
        QVERIFY(form()->timelineDock()->isVisible() && form()->menus().timelineAction->isChecked());
        QCOMPARE(rig->dialogs.questions.size(), 5);
        QCOMPARE(rig->dialogs.questions[0].filter,
                 QStringLiteral("PNG Image (*.png)|*.png|SVG Drawing (*.svg)|*.svg"));

        QCOMPARE(QImage(png).size(), view()->viewport()->size());

        for (const QString& drawing : {svg, bare + QStringLiteral(".svg")}) {
            QFile file(drawing);
            QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(drawing));
            const QByteArray xml = file.readAll();
            QVERIFY(xml.startsWith("<?xml") && xml.contains("<svg") && xml.contains("Ch11"));
        }
        QVERIFY(!QFile::exists(bare));

        QCOMPARE(rig->dialogs.messages.size(), 1);
        QVERIFY(rig->dialogs.messages[0].text.startsWith(
            QStringLiteral("The timeline could not be written to ") + nowhere));
        QVERIFY(!QFile::exists(nowhere));
    }

    // A drag on a lane rewrites its step as one undo step, the sliders of the shown step follow,
    // and with PC control on the servo follows a level while it is dragged.
    void laneDrags_data() {
        QTest::addColumn<bool>("pcControl");
        QTest::addColumn<QPointF>("press"); // s and degrees on channel 0's lane
        QTest::addColumn<QPointF>("to");
        QTest::addColumn<int>("position"); // channel 0 of step 1 afterwards
        QTest::addColumn<int>("ms");
        QTest::addColumn<QByteArray>("sent");
        // Step 1: 1° (130) for 200 ms, from 0.1 s to 0.3 s.
        QTest::newRow("level, the servo following") << true << QPointF(0.2, 1) << QPointF(0.2, 22.5)
                                                    << 173 << 200 << QByteArray::fromHex("08ad");
        QTest::newRow("level, PC control off") << false << QPointF(0.2, 1) << QPointF(0.2, 22.5)
                                               << 173 << 200 << QByteArray::fromHex("08ad");
        QTest::newRow("right edge, on the 20 ms grid")
            << true << QPointF(0.3, 1) << QPointF(0.447, 1) << 130 << 340 << QByteArray();
    }

    void laneDrags() {
        QFETCH(bool, pcControl);
        QFETCH(QPointF, press);
        QFETCH(QPointF, to);
        QFETCH(int, position);
        QFETCH(int, ms);
        QFETCH(QByteArray, sent);
        MainWindow& form = *rig->form;
        QVERIFY(fillRamp(*rig, 4));
        form.menus().timelineAction->trigger();
        auto* dock = form.findChild<QDockWidget*>(QStringLiteral("DockTimeline"));
        dock->setFloating(true);
        dock->resize(1280, 720);
        view()->setLanes(true);
        view()->setPixelsPerSecond(1000);
        view()->setLaneHeight(600);
        QVERIFY(QTest::qWaitForWindowExposed(dock));
        form.sequenceController().showStep(1);
        if (pcControl) {
            form.sideColumn().pcControlSwitch->click();
        }
        QVERIFY(rig->lineIdle());
        rig->port->clearWrites();

        QWidget* viewport = view()->viewport();
        const auto on = [&](QPointF p) { return view()->positionOf(p.x(), p.y(), 0).toPoint(); };
        QTest::mousePress(viewport, Qt::LeftButton, {}, on(press));
        QTest::mouseMove(viewport, on(to));
        const QByteArray whileDragging = rig->sent();
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, on(to));
        QCOMPARE(whileDragging, pcControl ? sent : QByteArray());

        QCOMPARE(form.panel().editor().table()[1][0], position);
        QCOMPARE(form.panel().editor().table()[1][kDurationField], ms);
        QCOMPARE(form.channelsFrame().sliders[0]->value(), double(position));
        QCOMPARE(form.channelsFrame().stepDuration->value(), double(ms));
        QCOMPARE(form.menus().undoAction->text(), QStringLiteral("Undo Edit Step"));
        QTRY_COMPARE(view()->points(0)[3], QPointF(0.1 + ms / 1000.0, (position - 128) / 2.0));

        form.menus().undoAction->trigger();
        QCOMPARE(form.panel().editor().table()[1][0], 130);
        QCOMPARE(form.panel().editor().table()[1][kDurationField], 200);
        QVERIFY(!form.menus().undoAction->isEnabled());
    }

private:
    // Line i has channel 0 at i degrees and lasts 100 * (i + 1) ms; the timeline is shown.
    void fill(int count) {
        form()->resize(1280, 800);
        QVERIFY(fillRamp(*rig, count));
        form()->menus().timelineAction->trigger();
        QTRY_COMPARE(view()->points(0).size(), 2 * count);
    }
    // Channel 0's angle at the start of each step, as drawn.
    QList<double> ch0() const {
        QList<double> angles;
        const QList<QPointF> points = view()->points(0);
        for (qsizetype i = 0; i < points.size(); i += 2) {
            angles << points[i].y();
        }
        return angles;
    }
    QPoint at(double seconds) const { return view()->positionOf(seconds, 10).toPoint(); }

    std::unique_ptr<FormRig> rig;
    MainWindow* form() const { return rig->form.get(); }
    TimelineView* view() const { return form()->timelineController().view(); }
};

QTEST_MAIN(TestTimelineView)
#include "tst_timelineview.moc"
