#include "support/FormRig.h"

#include <QAction>
#include <QDir>
#include <QDockWidget>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

// What the window keeps between runs: each case closes one window and starts another over the
// same settings, as the next run would.
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

        const FormRig next(FormRig::NextRun{});
        QCOMPARE(next.form->size(), QSize(1600, 950));
        QVERIFY(!next.form->timelineDock()->isHidden());
        QVERIFY(next.form->timelineDock()->widget() != nullptr);
        QVERIFY(next.form->menus().timelineAction->isChecked());
        QCOMPARE(next.form->dockWidgetArea(next.form->timelineDock()), Qt::RightDockWidgetArea);
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

        FormRig next(FormRig::NextRun{});
        next.form->menus().loadBufferAction->trigger();
        QCOMPARE(next.dialogs.questions.size(), 1);
        QCOMPARE(next.dialogs.questions[0].folder, dir.filePath("songs"));
    }

    void portShownNotOpened() {
        FormRig rig(false);
        rig.choosePort(2);
        QVERIFY(rig.port->isOpen());
        rig.form.reset();

        const FormRig next(FormRig::NextRun{});
        const PortChooser& chooser = *next.form->sideColumn().portChooser;
        QCOMPARE(chooser.currentIndex(), 2);
        QCOMPARE(chooser.portName(2), "Comm3");
        QVERIFY(chooser.isEnabled());
        QVERIFY(!next.port->isOpen() && next.port->openedDevice.isEmpty());
        QCOMPARE(next.form->connectionField()->text(), "Not connected");
    }
};

QTEST_MAIN(TestRemembered)
#include "tst_remembered.moc"
