#pragma once

#include "support/FakeTransport.h"
#include "support/ScriptedDialogs.h"

#include "board/Board.h"
#include "board/HiResTimer.h"
#include "link/SerialControl.h"
#include "ui/link/LinkController.h"
#include "ui/panel/Panel.h"
#include "ui/shell/ClickableViews.h"
#include "ui/window/MainWindow.h"

#include <QComboBox>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QItemSelectionModel>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <memory>

// The real window over a fake serial device, with dialogs answered by the test. The port is
// chosen as a user would, through the port chooser's handler. Port n leads to /dev/fake<n>
// unless the test gives its own lookup.
struct FormRig {
    explicit FormRig(bool openPort = true, portmap::Lookup lookup = {}) {
        useTemporarySettings();
        start(std::move(lookup));
        if (openPort) {
            choosePort(0);
            port->clearWrites();
        }
    }
    // The window as the next run opens it: over the settings the last one kept, no port open.
    struct NextRun {};
    explicit FormRig(NextRun) { start({}); }

    void start(portmap::Lookup lookup) {
        if (!lookup) {
            lookup = [](int n) {
                return portmap::Resolution(QStringLiteral("/dev/fake%1").arg(n));
            };
        }
        auto transport = std::make_unique<FakeTransport>();
        port = transport.get();
        form = std::make_unique<MainWindow>(std::move(transport), std::move(lookup), dialogs);
    }

    // The window keeps its settings in a folder of the test's own, empty for each window.
    static void useTemporarySettings() {
        static QTemporaryDir folder;
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder.path());
        QSettings().clear();
    }

    void choosePort(int index) {
        form->sideColumn().portChooser->setCurrentIndex(index);
        form->linkController().choosePort(index);
    }

    // The step list as the user sees it: where a row's middle is, and the rows selected in the
    // view, in order.
    QPoint rowCentre(int row) const {
        return form->sideColumn().stepList->visualRect(form->panel().list().index(row)).center();
    }
    QList<int> viewSelection() const {
        QList<int> rows;
        for (const QModelIndex& i : form->sideColumn().stepList->selectionModel()->selectedRows()) {
            rows << i.row();
        }
        std::sort(rows.begin(), rows.end());
        return rows;
    }
    // Channel 0 of each step in list order, in whole degrees: the ramp lines' numbering.
    QList<int> order() const {
        QList<int> steps;
        for (int i = 0; i < form->panel().list().count(); ++i) {
            steps << (form->panel().editor().table()[i][0] - 128) / 2;
        }
        return steps;
    }

    // Real time passes until the link has handed on what it queued and the line is free.
    [[nodiscard]] bool lineIdle() {
        const QDeadlineTimer deadline(5000);
        while (form->panel().link().lineFreeInNs() > 0 && !deadline.hasExpired()) {
            QEventLoop loop;
            QTimer::singleShot(1, &loop, &QEventLoop::quit);
            loop.exec();
        }
        return form->panel().link().lineFreeInNs() == 0;
    }

    // What the window has put on the line, once the line is free ("busy" if it never is).
    QByteArray sent() { return lineIdle() ? port->written() : QByteArray("busy"); }

    // The line's reckoning on a clock of the test's own, which only pass() moves on: it hands
    // the device what the link's queue has due on the way, as the link's timer would.
    void ownClock() {
        form->panel().serial().setClock([this] { return clock; });
    }
    void pass(qint64 ns) {
        const qint64 end = clock + ns;
        while (clock < end && form->panel().link().lineFreeInNs() > 0) {
            clock = qMin(end, clock + 100'000);
            form->panel().link().handOverDue();
        }
        clock = end;
    }

    ScriptedDialogs dialogs;
    FakeTransport* port = nullptr; // owned by the window's serial control
    std::unique_ptr<MainWindow> form;
    qint64 clock = 0;
};
