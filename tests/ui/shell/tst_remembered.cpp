#include "support/FormRig.h"

#include "ui/shell/UserDialogs.h"

#include <QAction>
#include <QDir>
#include <QDockWidget>
#include <QLabel>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// What the window keeps between runs: each case closes one window and starts another over the
// same settings, as the next run would.
namespace {

std::unique_ptr<MainWindow> nextRun(ScriptedDialogs& dialogs, FakeTransport** port = nullptr) {
    auto transport = std::make_unique<FakeTransport>();
    if (port) {
        *port = transport.get();
    }
    return std::make_unique<MainWindow>(
        std::move(transport), [](int n) { return QStringLiteral("/dev/fake%1").arg(n); },
        dialogs);
}

} // namespace

class TestRemembered : public QObject {
    Q_OBJECT

private slots:
    void geometryAndDocks() {
        FormRig rig(false);
        MainWindow& form = *rig.form;
        form.show();
        form.resize(1600, 950);
        form.menus().timelineAction->trigger();
        form.addDockWidget(Qt::RightDockWidgetArea, form.timelineDock());
        QVERIFY(form.close());

        ScriptedDialogs dialogs;
        const std::unique_ptr<MainWindow> next = nextRun(dialogs);
        next->showAtStart();
        QCOMPARE(next->size(), QSize(1600, 950));
        QVERIFY(!next->isMaximized());
        QVERIFY(!next->timelineDock()->isHidden());
        QVERIFY(next->timelineDock()->widget() != nullptr);
        QVERIFY(next->menus().timelineAction->isChecked());
        QCOMPARE(next->dockWidgetArea(next->timelineDock()), Qt::RightDockWidgetArea);
    }

    // With nothing remembered the window never reaches under the screen's edge.
    void firstRunFitsTheScreen() {
        FormRig rig(false);
        rig.form->showAtStart();
        const QSize room = rig.form->screen()->availableGeometry().size();
        if (room.width() >= 1280 && room.height() >= 848) {
            QCOMPARE(rig.form->size(), QSize(1280, 800));
        } else {
            QVERIFY(rig.form->isMaximized());
        }
    }

    void folderOfTheLastFile() {
        FormRig rig(false);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir("songs"));
        rig.dialogs.fileAnswers = {dir.filePath("songs/walk.dat")};
        rig.form->menus().saveBufferAction->trigger();
        QCOMPARE(rig.dialogs.questions.size(), 1);
        QCOMPARE(rig.dialogs.questions[0].folder, QString());
        rig.form->menus().loadBufferAction->trigger();
        QCOMPARE(rig.dialogs.questions[1].folder, dir.filePath("songs"));
        rig.form.reset();

        ScriptedDialogs dialogs;
        const std::unique_ptr<MainWindow> next = nextRun(dialogs);
        next->menus().loadBufferAction->trigger();
        QCOMPARE(dialogs.questions.size(), 1);
        QCOMPARE(dialogs.questions[0].folder, dir.filePath("songs"));
    }

    void portShownNotOpened() {
        FormRig rig(false);
        rig.choosePort(2);
        QVERIFY(rig.port->isOpen());
        rig.form.reset();

        ScriptedDialogs dialogs;
        FakeTransport* port = nullptr;
        const std::unique_ptr<MainWindow> next = nextRun(dialogs, &port);
        const PortChooser& chooser = *next->sideColumn().portChooser;
        QCOMPARE(chooser.currentIndex(), 2);
        QCOMPARE(chooser.portName(2), "Comm3");
        QVERIFY(chooser.isEnabled());
        QVERIFY(!port->isOpen() && port->openedDevice.isEmpty());
        QCOMPARE(next->connectionField()->text(), "Not connected");
    }
};

QTEST_MAIN(TestRemembered)
#include "tst_remembered.moc"
