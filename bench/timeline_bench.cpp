// The timeline's cost in the real window on the offscreen platform: from a change of the
// 1024-step list to the painted frame of the view (one edit, the whole list replaced), beside
// two baselines of the same run: the list view's own update for the same change, and the
// chart made again from nothing and painted (what redrawing from scratch would cost). Then a
// level dragged in the lanes, from the pointer's move to the painted frame, beside a chart
// of the chart library updated for the same change. Last, the main window's construction
// against the part the hidden timeline adds to it.

#include "BenchLines.h"
#include "BenchSupport.h"
#include "WindowBenchMain.h"
#include "support/FormRig.h"

#include "core/sequence/Timeline.h"
#include "ui/timeline/TimelineController.h"
#include "ui/timeline/TimelineView.h"

#include <QAction>
#include <QChart>
#include <QChartView>
#include <QDockWidget>
#include <QLineSeries>
#include <QMouseEvent>
#include <QTextStream>
#include <QValueAxis>

#include <memory>

namespace {

using benchsupport::lineFor;
using benchsupport::linesFor;

// Counts the paints of a widget, so a measurement ends when the frame is on the backing store.
struct PaintCounter : QObject {
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++paints;
        }
        return false;
    }
};

// Wall time, and the process's CPU time, which other loads of a shared machine disturb less.
struct Time {
    double wall = 0;
    double cpu = 0;
};

Time timed(const std::function<void()>& work) {
    const double cpu = benchsupport::cpuSeconds();
    QElapsedTimer timer;
    timer.start();
    work();
    return {double(timer.nsecsElapsed()) / 1e6, (benchsupport::cpuSeconds() - cpu) * 1e3};
}

// Runs the change, then the event loop until the watched widget has painted once more.
Time untilPainted(PaintCounter& counter, const std::function<void()>& change) {
    const int before = counter.paints;
    return timed([&] {
        QElapsedTimer limit;
        limit.start();
        change();
        while (counter.paints == before && limit.elapsed() < 2000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents);
        }
    });
}

void settle() {
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

Time medianOf(int runs, const std::function<Time(int)>& once) {
    std::vector<double> wall;
    std::vector<double> cpu;
    for (int run = 0; run < runs; ++run) {
        const Time t = once(run);
        wall.push_back(t.wall);
        cpu.push_back(t.cpu);
        settle();
    }
    return {benchsupport::median(std::move(wall)), benchsupport::median(std::move(cpu))};
}

// The timeline as a chart of the chart library would draw it: twelve staircases over a time
// axis, a legend above. An edit takes every channel's staircase again, replaces the series
// that differ and paints the view: the baseline of a level drag.
struct ChartBaseline {
    QChartView view;
    std::array<QLineSeries*, kChannelCount> series{};

    ChartBaseline(const Timeline& timeline, QSize size) {
        auto* chart = new QChart;
        chart->setAnimationOptions(QChart::NoAnimation);
        chart->legend()->setAlignment(Qt::AlignTop);
        auto* x = new QValueAxis;
        auto* y = new QValueAxis;
        chart->addAxis(x, Qt::AlignBottom);
        chart->addAxis(y, Qt::AlignLeft);
        for (int c = 0; c < kChannelCount; ++c) {
            auto* s = new QLineSeries;
            s->replace(timeline.staircase(c));
            s->setName(Timeline::channelName(c));
            chart->addSeries(s);
            s->attachAxis(x);
            s->attachAxis(y);
            series[size_t(c)] = s;
        }
        x->setRange(0, double(timeline.totalMs()) / 1000.0);
        y->setRange(-64, 63.5);
        view.setChart(chart);
        view.resize(size);
        view.setAttribute(Qt::WA_DontShowOnScreen);
        view.show();
        view.viewport()->repaint();
    }

    void edit(const Timeline& timeline) {
        for (int c = 0; c < kChannelCount; ++c) {
            const QList<QPointF> points = timeline.staircase(c);
            if (points != series[size_t(c)]->points()) {
                series[size_t(c)]->replace(points);
            }
        }
        view.viewport()->repaint();
    }
};

// The whole chart made anew from the timeline and painted: the baseline for a view that
// would not update its series in place.
Time recreatedChart(const Timeline& timeline, QSize size) {
    return timed([&] { ChartBaseline chart(timeline, size); });
}

QMouseEvent mouse(QEvent::Type type, QWidget* widget, QPointF pos, Qt::MouseButtons buttons) {
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    return QMouseEvent(type, pos, widget->mapToGlobal(pos), button, buttons, Qt::NoModifier);
}

int bench(bool quick) {
    const int runs = quick ? 9 : 51;
    QTextStream out(stdout);

    FormRig rig;
    MainWindow& form = *rig.form;
    form.resize(1280, 800);
    form.show();
    form.panel().editor().replaceAll(linesFor(kMaxLines, 0));
    form.panel().list().setSelectedIndex(kMaxLines / 2);
    settle();

    PaintCounter listPaints;
    QWidget* list = form.sideColumn().stepList->viewport();
    list->installEventFilter(&listPaints);
    const QString edited = lineFor(kMaxLines / 2, 101);
    const QString original = form.panel().list().line(kMaxLines / 2);
    // One edit: the middle line's text replaced, as Set/Reset Break or a dialog would.
    const auto edit = [&](int run) {
        form.panel().list().setLine(kMaxLines / 2, run % 2 == 0 ? edited : original);
    };
    const auto load = [&](int run) {
        form.panel().editor().replaceAll(linesFor(kMaxLines, run % 2 + 1));
    };

    // Timeline hidden: what the list alone costs.
    const Time listEdit = medianOf(runs, [&](int run) {
        return untilPainted(listPaints, [&] { edit(run); });
    });
    const Time listLoad = medianOf(runs, [&](int run) {
        return untilPainted(listPaints, [&] { load(run); });
    });

    QElapsedTimer firstShow;
    firstShow.start();
    form.menus().timelineAction->trigger();
    settle();
    const double firstShowMs = double(firstShow.nsecsElapsed()) / 1e6;
    TimelineView* view = form.timelineController().view();
    PaintCounter viewPaints;
    view->viewport()->installEventFilter(&viewPaints);
    settle();

    const Time viewEdit = medianOf(runs, [&](int run) {
        return untilPainted(viewPaints, [&] { edit(run); });
    });
    const Time viewLoad = medianOf(runs, [&](int run) {
        return untilPainted(viewPaints, [&] { load(run); });
    });
    const Time viewSelect = medianOf(runs, [&](int run) {
        return untilPainted(viewPaints,
                            [&] { form.panel().list().setSelectedIndex(100 + run % 2); });
    });
    const Time recreated = medianOf(runs, [&](int) {
        return recreatedChart(form.timelineController().timeline(), view->viewport()->size());
    });

    // A level dragged in the lanes, the whole sequence in view: channel 0 of the middle step,
    // the pointer 3 px above and below where it took hold, so that every move is a new position.
    view->setLanes(true);
    settle();
    QWidget* lanes = view->viewport();
    const Timeline& timeline = form.timelineController().timeline();
    const Timeline::Step& middle = timeline.step(kMaxLines / 2);
    const QPointF level = view->positionOf(double(middle.startMs + middle.durationMs / 2) / 1000.0,
                                           Timeline::angle(middle.positions[0]), 0);
    int dragged = 0;
    QObject::connect(view, &TimelineView::levelDragging, [&] { ++dragged; });
    QMouseEvent press = mouse(QEvent::MouseButtonPress, lanes, level, Qt::LeftButton);
    QCoreApplication::sendEvent(lanes, &press);
    const auto moveTo = [&](int run) {
        QMouseEvent move = mouse(QEvent::MouseMove, lanes,
                                 level + QPointF(0, run % 2 == 0 ? -3 : 3), Qt::LeftButton);
        QCoreApplication::sendEvent(lanes, &move);
    };
    moveTo(1);
    settle();
    dragged = 0;
    const Time dragPainted = medianOf(runs, [&](int run) {
        return untilPainted(viewPaints, [&] { moveTo(run); });
    });
    const Time dragRepainted = medianOf(runs, [&](int run) {
        return timed([&] {
            moveTo(run + 1);
            lanes->repaint();
        });
    });
    const int draggedMoves = dragged;
    QMouseEvent release = mouse(QEvent::MouseButtonRelease, lanes, level, Qt::NoButton);
    QCoreApplication::sendEvent(lanes, &release);

    ChartBaseline chart(timeline, lanes->size());
    Timeline other = timeline;
    other.setPosition(kMaxLines / 2, 0, (middle.positions[0] + 50) % 256);
    const Time chartEdit = medianOf(runs, [&](int run) {
        return timed([&] { chart.edit(run % 2 == 0 ? other : timeline); });
    });

    // Start-up: the whole window, and the part the hidden timeline adds (its dock, menu
    // actions and controller; the view itself waits for the first show).
    const Time construction = medianOf(runs, [&](int) { return timed([] { FormRig other(false); }); });
    const Time timelineShare = medianOf(runs, [&](int) {
        std::unique_ptr<TimelineController> controller;
        QDockWidget* dock = nullptr;
        QAction* a = nullptr;
        QAction* b = nullptr;
        const Time t = timed([&] {
        dock = new QDockWidget(QStringLiteral("Timeline"), &form);
        form.addDockWidget(Qt::BottomDockWidgetArea, dock);
        dock->hide();
        a = new QAction(QStringLiteral("Timeline"), &form);
        b = new QAction(QStringLiteral("Export Timeline…"), &form);
        controller = std::make_unique<TimelineController>(
            form.panel(), form.messages(), *dock, *a, *b,
            std::array{form.pcEmuFrame().pcEmuSwitch, form.pcDebugFrame().pcSeqSwitch}, [](int) {});
        });
        controller.reset();
        delete dock;
        delete a;
        delete b;
        return t;
    });

    out << "Timeline, 1024 steps x 12 channels (up to 2048 points a channel), offscreen, view "
        << view->viewport()->width() << "x" << view->viewport()->height() << ", median of "
        << runs << " runs,\nms from the change of the list to the painted frame, wall (CPU)\n";
    out << QStringLiteral("  %1 %2 %3 %4 %5\n")
               .arg(QStringLiteral("change"), -32)
               .arg(QStringLiteral("shown"), 15)
               .arg(QStringLiteral("hidden"), 15)
               .arg(QStringLiteral("view's"), 15)
               .arg(QStringLiteral("anew"), 15);
    const auto both = [](double wall, double cpu) {
        return QStringLiteral("%1 (%2)").arg(wall, 0, 'f', 2).arg(cpu, 5, 'f', 2);
    };
    const auto row = [&](const QString& what, Time shown, Time hidden, Time anew) {
        out << QStringLiteral("  %1 %2 %3 %4 %5\n")
                   .arg(what, -32)
                   .arg(both(shown.wall, shown.cpu), 15)
                   .arg(both(hidden.wall, hidden.cpu), 15)
                   .arg(both(shown.wall - hidden.wall, shown.cpu - hidden.cpu), 15)
                   .arg(both(anew.wall, anew.cpu), 15);
    };
    row(QStringLiteral("one edit (goal < 16)"), viewEdit, listEdit, recreated);
    row(QStringLiteral("whole list replaced (goal < 50)"), viewLoad, listLoad, recreated);
    row(QStringLiteral("selection moved"), viewSelect, Time{}, recreated);
    out << "  shown: the timeline open (the list's own work and paint included); hidden: the same\n"
           "  change with the timeline closed; view's: the difference; anew: baseline, the whole\n"
           "  chart made again from the same steps and painted\n";
    out << "Level drag in the lanes, 1024 steps, the whole sequence in view "
        << lanes->width() << "x" << lanes->height() << ", " << draggedMoves << " of "
        << 2 * runs << " moves dragged,\nmedian ms from the pointer's move to the painted frame, "
           "wall (CPU)\n";
    const auto line = [&](const QString& what, Time t) {
        out << QStringLiteral("  %1 %2\n").arg(what, -64).arg(both(t.wall, t.cpu), 15);
    };
    line(QStringLiteral("the move, then the event loop paints what changed (goal < 4)"),
         dragPainted);
    line(QStringLiteral("the move, then the whole view repainted"), dragRepainted);
    line(QStringLiteral("baseline: the chart library's view, one edit repainted"), chartEdit);
    out << QStringLiteral("Start-up: main window constructed %1 ms; the hidden timeline's part %2 ms "
                          "(%3 %); its first show %4 ms\n")
               .arg(both(construction.wall, construction.cpu))
               .arg(both(timelineShare.wall, timelineShare.cpu))
               .arg(100.0 * timelineShare.wall / construction.wall, 0, 'f', 1)
               .arg(firstShowMs, 0, 'f', 1);
    out.flush();
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    return benchsupport::windowBenchMain(
        argc, argv, "timeline_bench", {QStringLiteral("--quick")},
        [](const QStringList& args) { return bench(args.contains(QStringLiteral("--quick"))); });
}
