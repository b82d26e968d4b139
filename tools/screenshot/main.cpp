// Renders the panel as a user sees it, for a look at the layout: screenshot OUT.png [--all]
// [--lines N] [--marks] [--size WxH] [--dialog] [--timeline | --timeline-right] [--lanes]. --all
// opens the frames behind the "Advanced" menu; --lines adds N steps; --marks then adds a step at
// the extremes (-64 °, 63.5 °, 1000000 ms), sets breakpoints on a few steps and shows one that is
// not selected; --size sets the window's size (1280x800 by default); --dialog opens the
// interpolation dialog on the last step and renders it to OUT-dialog.png; --timeline opens the
// timeline below the sliders, --timeline-right beside the list; --lanes shows it in lanes, focused.
#include "link/QtSerialTransport.h"
#include "ui/interp/InterpController.h"
#include "ui/interp/InterpDialog.h"
#include "ui/panel/Panel.h"
#include "ui/sequence/SequenceController.h"
#include "ui/shell/NumericField.h"
#include "ui/shell/SlideControl.h"
#include "ui/shell/UserDialogs.h"
#include "ui/timeline/TimelineController.h"
#include "ui/timeline/TimelineView.h"
#include "ui/window/MainWindow.h"

#include <QAction>
#include <QDockWidget>
#include <QApplication>
#include <QPushButton>
#include <QTimer>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() < 2) {
        qWarning("usage: screenshot OUT.png [--all] [--lines N] [--marks] [--size WxH] [--dialog] "
                 "[--timeline | --timeline-right] [--lanes]");
        return 2;
    }
    QtUserDialogs dialogs;
    MainWindow window(
        std::make_unique<QtSerialTransport>(), [](int) { return QString(); }, dialogs);
    const qsizetype sized = args.indexOf(QStringLiteral("--size"));
    const QStringList size = sized > 0 && sized + 1 < args.size()
                                 ? args.at(sized + 1).split(QLatin1Char('x'))
                                 : QStringList{QStringLiteral("1280"), QStringLiteral("800")};
    window.resize(size.value(0).toInt(), size.value(1).toInt());
    window.show();
    if (args.contains(QStringLiteral("--all"))) {
        window.menus().flashFramesAction->trigger();
        window.menus().serialDebugAction->trigger();
    }
    SequenceList& list = window.panel().list();
    const qsizetype at = args.indexOf(QStringLiteral("--lines"));
    const int lines = at > 0 && at + 1 < args.size() ? args.at(at + 1).toInt() : 0;
    for (int i = 0; i < lines; ++i) {
        window.channelsFrame().sliders[i % kChannelCount]->setValue(128 + (i * 37) % 128 - 64);
        window.bufferEditFrame().addButton->click();
    }
    if (args.contains(QStringLiteral("--marks")) && lines > 0) {
        for (int k = 0; k < kChannelCount; ++k) {
            window.channelsFrame().sliders[k]->setValue(k % 2 ? 255 : 0);
        }
        window.channelsFrame().stepDuration->setValue(1000000);
        window.bufferEditFrame().addButton->click();
        const int last = list.count() - 1;
        for (const int step : {2, lines / 3, lines / 2, last}) {
            list.setSelectedIndex(std::min(step, last));
            window.pcEmuFrame().breakButton->click();
        }
        list.setSelectedIndex(lines / 3);
        window.sequenceController().showSelectedStep();
        list.setSelectedIndex(last);
    }
    if (args.contains(QStringLiteral("--timeline")) || args.contains(QStringLiteral("--timeline-right"))) {
        if (args.contains(QStringLiteral("--timeline-right"))) {
            window.addDockWidget(Qt::RightDockWidgetArea, window.timelineDock());
        }
        window.menus().timelineAction->trigger();
        if (args.contains(QStringLiteral("--lanes"))) {
            // Focused, so that the lane and step the keys act on are framed.
            window.timelineController().view()->setLanes(true);
            window.activateWindow();
            window.timelineController().view()->setFocus();
        }
        // The middle step selected, so the band shows too.
        list.setSelectedIndex(lines / 2);
    }
    const bool dialog = args.contains(QStringLiteral("--dialog"));
    if (dialog) {
        window.bufferEditFrame().interpolateButton->click();
    }
    QTimer::singleShot(1500, &app, [&] {
        window.grab().save(args.at(1));
        if (dialog && window.interpController().dialog()) {
            QString out = args.at(1);
            window.interpController().dialog()->grab().save(
                out.replace(QStringLiteral(".png"), QStringLiteral("-dialog.png")));
        }
        app.quit();
    });
    return QApplication::exec();
}
