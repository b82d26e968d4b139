#include "support/FormRig.h"

#include "board/PcPlayback.h"
#include "ui/frames/Menus.h"
#include "ui/frames/PcEmuFrame.h"
#include "ui/frames/SideColumn.h"
#include "ui/setup/ChannelSetupDialog.h"
#include "ui/setup/SetupController.h"
#include "ui/shell/ClickableViews.h"
#include "ui/shell/SlideControl.h"
#include "ui/shell/SwitchControl.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QStatusBar>
#include <QTest>

namespace {

// Ch3 named "elbow", held to 100..180, as a user sets it in the dialog from the menu.
void setElbow(MainWindow& form) {
    form.menus().channelSetupAction->trigger();
    ChannelSetupDialog* dialog = form.setupController().channelSetupDialog();
    QVERIFY(dialog && dialog->isVisible());
    dialog->nameEdits[3]->setText(QStringLiteral("elbow"));
    dialog->maximumBoxes[3]->setValue(180);
    dialog->minimumBoxes[3]->setValue(100);
    dialog->okButton->click();
}

} // namespace

// The channel setup and the changed-only option as the window takes, keeps and applies them.
class TestSetupWindow : public QObject {
    Q_OBJECT
private slots:
    // Every way a user moves Ch3 with limits 100..180, and what reaches the line.
    void liveMovesHeldToTheLimits_data() {
        QTest::addColumn<int>("start"); // the slider's position before
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("after"); // offset box | bytes on the line
        const auto row = [](const char* name, int start, const char* action, const char* after) {
            QTest::newRow(name) << start << QString(action) << QString(after);
        };
        row("slider Home", 128, "Home", "-28 | 0b64");
        row("slider End", 128, "End", "52 | 0bb4");
        row("offset below", 128, "-100", "-28 | 0b64");
        row("offset inside", 128, "10", "10 | 0b8a");
        row("offset above", 128, "127", "52 | 0bb4");
        row("offset above, at the limit", 180, "90", "52 | ");
    }
    void liveMovesHeldToTheLimits() {
        QFETCH(int, start);
        QFETCH(QString, action);
        QFETCH(QString, after);
        FormRig rig;
        MainWindow& form = *rig.form;
        setElbow(form);
        SlideControl* slide = form.channelsFrame().sliders[3];
        slide->setValue(start);
        QVERIFY(rig.lineIdle());
        rig.port->clearWrites();
        QLineEdit* box = form.channelsFrame().offsetBoxes[3];
        if (action == "Home" || action == "End") {
            QTest::keyClick(slide->slider(), action == "Home" ? Qt::Key_Home : Qt::Key_End);
        } else {
            box->selectAll();
            QTest::keyClicks(box, action);
            QTest::keyClick(box, Qt::Key_Return);
        }
        const QStringList want = after.split(" | ");
        QCOMPARE(box->text(), want[0]);
        QVERIFY(rig.lineIdle());
        QCOMPARE(rig.port->written(), QByteArray::fromHex(want[1].toLatin1()));
    }

    // The slider spans the limits, and one beyond a new limit is brought to it.
    void sliderRange() {
        FormRig rig;
        MainWindow& form = *rig.form;
        SlideControl* slide = form.channelsFrame().sliders[3];
        slide->setValue(200);
        QVERIFY(rig.lineIdle());
        rig.port->clearWrites();
        setElbow(form);
        QCOMPARE(slide->slider()->minimum(), 100);
        QCOMPARE(slide->slider()->maximum(), 180);
        QCOMPARE(slide->value(), 180.0);
        QVERIFY(rig.lineIdle());
        QCOMPARE(rig.port->written(), QByteArray::fromHex("0bb4"));
        QCOMPARE(form.channelsFrame().sliders[4]->slider()->maximum(), 255);
    }

    // The name stands under the caption; automation still finds the slider as "Ch3". The
    // unnamed sliders keep an empty line, so all twelve stay level; a long name is elided and
    // does not widen its column.
    void namesBesideTheSliders() {
        FormRig rig;
        rig.form->resize(1280, 800);
        rig.form->show();
        const auto& sliders = rig.form->channelsFrame().sliders;
        QCOMPARE(sliders[3]->shownName(), QString());
        const int columnWidth = sliders[3]->width();
        setElbow(*rig.form);
        SlideControl* slide = sliders[3];
        QCOMPARE(slide->shownName(), QStringLiteral("elbow"));
        QCOMPARE(slide->slider()->accessibleName(), QStringLiteral("Ch3"));
        QCOMPARE(slide->slider()->accessibleDescription(), QStringLiteral("elbow"));
        QCOMPARE(slide->toolTip(), QStringLiteral("elbow"));
        QCOMPARE(sliders[2]->toolTip(), QString());
        QApplication::processEvents();
        QCOMPARE(sliders[2]->slider()->y(), slide->slider()->y());

        rig.form->menus().channelSetupAction->trigger();
        ChannelSetupDialog* dialog = rig.form->setupController().channelSetupDialog();
        dialog->nameEdits[3]->setText(QStringLiteral("left shoulder, upper arm"));
        dialog->okButton->click();
        QApplication::processEvents();
        QVERIFY2(slide->shownName().endsWith(QChar(0x2026)), qPrintable(slide->shownName()));
        QCOMPARE(slide->width(), columnWidth);
        QCOMPARE(slide->toolTip(), QStringLiteral("left shoulder, upper arm"));
    }

    // A step beyond the limits is marked with the reason; its text stays the user's.
    void limitedStepsMarked() {
        FormRig rig;
        MainWindow& form = *rig.form;
        const QString beyond = QStringLiteral("0 \u00B0\t").repeated(3) + "36 \u00B0\t" +
                               QStringLiteral("0 \u00B0\t").repeated(8) + "1000 ms";
        const QString inside = QStringLiteral("0 \u00B0\t").repeated(12) + "1000 ms";
        form.panel().editor().replaceAll({beyond, inside});
        const QAbstractItemModel* model = form.sideColumn().stepList->model();
        QVERIFY(!model->index(0, 0).data(Qt::ToolTipRole).isValid());
        setElbow(form);
        QCOMPARE(model->index(0, 0).data(Qt::ToolTipRole).toString(),
                 QStringLiteral("Ch3 (elbow) 200 above its maximum 180"));
        QCOMPARE(model->index(0, 0).data(Qt::AccessibleDescriptionRole).toString(),
                 QStringLiteral("Ch3 (elbow) 200 above its maximum 180"));
        QVERIFY(!model->index(1, 0).data(Qt::ToolTipRole).isValid());
        QCOMPARE(model->index(0, 0).data(Qt::DisplayRole).toString(), beyond);
    }

    // OK keeps the setup in the settings, Cancel keeps nothing; the next window starts with it.
    void keptAndRestored() {
        {
            FormRig rig;
            rig.form->menus().channelSetupAction->trigger();
            ChannelSetupDialog* dialog = rig.form->setupController().channelSetupDialog();
            dialog->minimumBoxes[5]->setValue(40);
            dialog->cancelButton->click();
            QVERIFY(!QSettings().childGroups().contains(QStringLiteral("channelSetup")));
            setElbow(*rig.form);
            rig.form->menus().changedOnlyAction->trigger();
        }
        const FormRig next(FormRig::NextRun{});
        MainWindow* form = next.form.get();
        QCOMPARE(form->panel().channelSetup().label(3), QStringLiteral("Ch3 (elbow)"));
        QCOMPARE(form->panel().channelSetup().channel(5).minimum, 0);
        QCOMPARE(form->channelsFrame().sliders[3]->slider()->minimum(), 100);
        QVERIFY(form->menus().changedOnlyAction->isChecked());
        QVERIFY(form->panel().board().pcPlayback().changedOnly());
    }

    // A kept setup that is not valid leaves the channels free, and the user is told.
    void invalidKeptSetup() {
        FormRig::useTemporarySettings();
        QSettings().setValue(QStringLiteral("channelSetup/format"), QStringLiteral("other"));
        const FormRig next(FormRig::NextRun{});
        QVERIFY(next.form->panel().channelSetup().isDefault());
        QVERIFY(next.form->statusBar()->currentMessage().startsWith(
            QStringLiteral("The kept channel setup is not valid (")));
    }

    // A setup file imported in the dialog from the menu applies at OK.
    void importFromTheMenu() {
        FormRig rig;
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("robot.json"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(R"({"format": "tessarel-channel-setup", "version": 1,
                       "channels": [{"channel": 3, "name": "elbow", "min": 100, "max": 180}]})");
        file.close();
        rig.form->menus().channelSetupAction->trigger();
        ChannelSetupDialog* dialog = rig.form->setupController().channelSetupDialog();
        rig.dialogs.fileAnswers = {path};
        dialog->importButton->click();
        QCOMPARE(rig.form->panel().channelSetup().channel(3).maximum, 255); // not before OK
        dialog->okButton->click();
        QCOMPARE(rig.form->panel().channelSetup().label(3), QStringLiteral("Ch3 (elbow)"));
        QCOMPARE(rig.form->channelsFrame().sliders[3]->slider()->maximum(), 180);
    }

    // The option is kept; PC playback reads it when it starts, so a run refuses a change.
    void changedOnly() {
        FormRig rig;
        MainWindow& form = *rig.form;
        QAction* option = form.menus().changedOnlyAction;
        QVERIFY(!option->isChecked());
        option->trigger();
        QVERIFY(form.panel().board().pcPlayback().changedOnly());
        form.panel().editor().replaceAll({QStringLiteral("0 \u00B0\t").repeated(12) + "1000 ms"});
        form.pcEmuFrame().pcEmuSwitch->click();
        option->trigger();
        QVERIFY(option->isChecked());
        QVERIFY(form.panel().board().pcPlayback().changedOnly());
        QCOMPARE(form.statusBar()->currentMessage(), QStringLiteral("Stop the playback first."));
    }
};

QTEST_MAIN(TestSetupWindow)
#include "tst_setupwindow.moc"
