// Renders the panel as a user sees it, for a look at the layout: screenshot OUT.png [--all]
// [--lines N] [--dialog] [--timeline | --timeline-right]. --all opens the frames behind the
// "Advanced" menu; --lines adds N steps; --dialog opens the interpolation dialog on the last step
// and renders it to OUT-dialog.png; --timeline opens the timeline below the sliders,
// --timeline-right beside the list.
#include "link/QtSerialTransport.h"
#include "ui/interp/InterpController.h"
#include "ui/interp/InterpDialog.h"
#include "ui/panel/Panel.h"
#include "ui/shell/SlideControl.h"
#include "ui/shell/UserDialogs.h"
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
        qWarning("usage: screenshot OUT.png [--all] [--lines N] [--dialog] [--timeline | --timeline-right]");
        return 2;
    }
    QtUserDialogs dialogs;
    MainWindow window(
        std::make_unique<QtSerialTransport>(), [](int) { return QString(); }, dialogs);
    window.resize(1280, 800);
    window.show();
    if (args.contains(QStringLiteral("--all"))) {
        window.menus().flashFramesAction->trigger();
        window.menus().serialDebugAction->trigger();
    }
    const qsizetype at = args.indexOf(QStringLiteral("--lines"));
    const int lines = at > 0 && at + 1 < args.size() ? args.at(at + 1).toInt() : 0;
    for (int i = 0; i < lines; ++i) {
        window.channelsFrame().sliders[i % kChannelCount]->setValue(128 + (i * 37) % 128 - 64);
        window.bufferEditFrame().addButton->click();
    }
    if (args.contains(QStringLiteral("--timeline")) || args.contains(QStringLiteral("--timeline-right"))) {
        if (args.contains(QStringLiteral("--timeline-right"))) {
            window.addDockWidget(Qt::RightDockWidgetArea, window.timelineDock());
        }
        window.menus().timelineAction->trigger();
        // The middle step selected, so the band shows too.
        window.panel().list().setSelectedIndex(lines / 2);
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
