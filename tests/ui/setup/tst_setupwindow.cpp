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
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Types into a box the way a user does: select all, the digits, Enter.
void enter(QSpinBox* box, const QString& digits) {
    box->setFocus();
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(box, digits);
    QTest::keyClick(box, Qt::Key_Return);
}

ChannelSetup elbow() {
    ChannelSetup setup;
    setup.setChannel(3, {QStringLiteral("elbow"), 100, 180});
    return setup;
}

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

// The Channel Setup dialog alone, driven by keys and clicks (the setup's own rules and its file
// are the core's tests); then the setup and the changed-only option as the window takes, keeps
// and applies them.
class TestSetupWindow : public QObject {
    Q_OBJECT
private slots:
    void everyControlIsNamed() {
        ScriptedDialogs dialogs;
        ChannelSetupDialog dialog(ChannelSetup(), dialogs);
        QCOMPARE(dialog.objectName(), QStringLiteral("ChannelSetupDialog"));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Channel Setup"));
        QStringList named;
        for (const char* name :
             {"setupTable", "nameEdit_0", "minimumBox_0", "minimumAngle_0", "maximumBox_11",
              "maximumAngle_11", "exportButton", "importButton", "okButton", "cancelButton"}) {
            const QWidget* w = dialog.findChild<QWidget*>(QString::fromLatin1(name));
            named << (w ? w->accessibleName() : QStringLiteral("missing"));
        }
        QCOMPARE(named, QStringList({"Channel Setup", "Name Ch0", "Minimum Ch0",
                                     "Minimum angle Ch0", "Maximum Ch11", "Maximum angle Ch11",
                                     "Export\u2026", "Import\u2026", "OK", "Cancel"}));
        QCOMPARE(dialog.minimumAngles[0]->text(), QStringLiteral("-64 \u00B0"));
        QCOMPARE(dialog.maximumAngles[0]->text(), QStringLiteral("63.5 \u00B0"));
    }

    void limitsByKeys_data() {
        QTest::addColumn<QString>("box"); // m: minimum, M: maximum
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("arrow"); // pressed on the same box afterwards, 0 for none
        QTest::addColumn<QString>("limits");
        QTest::addColumn<QString>("angles");
        const auto row = [](const char* name, const char* box, const char* typed, int arrow,
                            const char* limits, const char* angles) {
            QTest::newRow(name) << QString(box) << QString(typed) << arrow << QString(limits)
                                << QString(angles);
        };
        row("minimum inside", "m", "120", 0, "120 180", "-4 \u00B0 26 \u00B0");
        // The third digit would pass the maximum: it is not taken.
        row("minimum above maximum", "m", "200", 0, "20 180", "-54 \u00B0 26 \u00B0");
        row("minimum at maximum, Up", "m", "180", Qt::Key_Up, "180 180", "26 \u00B0 26 \u00B0");
        // Below the minimum while typed, and back to what it was on Enter.
        row("maximum below minimum", "M", "50", 0, "100 180", "-14 \u00B0 26 \u00B0");
        row("maximum at minimum, Down", "M", "100", Qt::Key_Down, "100 100",
            "-14 \u00B0 -14 \u00B0");
        row("maximum at 255, Up", "M", "255", Qt::Key_Up, "100 255", "-14 \u00B0 63.5 \u00B0");
    }
    void limitsByKeys() {
        QFETCH(QString, box);
        QFETCH(QString, typed);
        QFETCH(int, arrow);
        QFETCH(QString, angles);
        ScriptedDialogs dialogs;
        ChannelSetupDialog dialog(elbow(), dialogs);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QSpinBox* typedInto = box == "m" ? dialog.minimumBoxes[3] : dialog.maximumBoxes[3];
        enter(typedInto, typed);
        QVERIFY(dialog.isVisible()); // Enter enters the number only
        if (arrow) {
            QTest::keyClick(typedInto, Qt::Key(arrow));
        }
        const ChannelSetup::Channel ch = dialog.setup().channel(3);
        QTEST(QStringLiteral("%1 %2").arg(ch.minimum).arg(ch.maximum), "limits");
        QCOMPARE(dialog.minimumAngles[3]->text() + QLatin1Char(' ') +
                     dialog.maximumAngles[3]->text(),
                 angles);
        QCOMPARE(dialog.minimumBoxes[3]->accessibleDescription(), dialog.minimumAngles[3]->text());
    }

    void okGivesTheEditedCopy_data() {
        QTest::addColumn<bool>("ok");
        QTest::newRow("OK") << true;
        QTest::newRow("Cancel") << false;
    }
    void okGivesTheEditedCopy() {
        QFETCH(bool, ok);
        ScriptedDialogs dialogs;
        const ChannelSetup before = elbow();
        ChannelSetupDialog dialog(before, dialogs);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QLineEdit* name = dialog.nameEdits[7];
        QTest::mouseClick(name, Qt::LeftButton);
        QTest::keyClicks(name, QStringLiteral("wrist joint, left hand side"));
        QTest::keyClick(name, Qt::Key_Tab); // into Ch7's minimum box
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("40"));
        QTest::mouseClick(ok ? dialog.okButton : dialog.cancelButton, Qt::LeftButton);
        QCOMPARE(dialog.result(), ok ? QDialog::Accepted : QDialog::Rejected);
        ChannelSetup expected = before;
        expected.setChannel(7, {QStringLiteral("wrist joint, left hand s"), 40, 255});
        QCOMPARE(dialog.setup(), expected);
        QCOMPARE(before, elbow());
    }

    void exportAndImport() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("arm.json"));
        ScriptedDialogs dialogs;
        {
            ChannelSetupDialog dialog(elbow(), dialogs);
            dialogs.fileAnswers = {path};
            QTest::mouseClick(dialog.exportButton, Qt::LeftButton);
        }
        QCOMPARE(dialogs.questions.size(), 1);
        QCOMPARE(dialogs.questions[0].filter,
                 QStringLiteral("Channel Setup (*.json)|*.json|All Files (*.*)|*.*"));
        QCOMPARE(dialogs.questions[0].defaultExtension, QStringLiteral(".json"));
        ChannelSetupDialog dialog(ChannelSetup(), dialogs);
        dialogs.fileAnswers = {path};
        QTest::mouseClick(dialog.importButton, Qt::LeftButton);
        QCOMPARE(dialog.setup(), elbow());
        QCOMPARE(dialog.nameEdits[3]->text(), QStringLiteral("elbow"));
        QCOMPARE(dialog.maximumAngles[3]->text(), QStringLiteral("26 \u00B0"));
        QVERIFY(dialogs.messages.isEmpty());
    }

    void refusedImportKeepsTheTable_data() {
        QTest::addColumn<QByteArray>("content"); // none: no file at all
        QTest::addColumn<QString>("message");
        QTest::newRow("limit out of range")
            << QByteArray(R"({"format":"tessarel-channel-setup","version":1,"channels":[)"
                          R"({"channel":0},{"channel":1},{"channel":2},{"channel":3,"max":300}]})")
            << "The channel setup was not imported: channels[3].max: 300 is not a position (0 to "
               "255)";
        QTest::newRow("no file")
            << QByteArray("none")
            << "The channel setup was not imported: \"%1\" could not be opened: "
               "No such file or directory";
    }
    void refusedImportKeepsTheTable() {
        QFETCH(QByteArray, content);
        QFETCH(QString, message);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("setup.json"));
        if (content != "none") {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(content);
        }
        ScriptedDialogs dialogs;
        ChannelSetupDialog dialog(elbow(), dialogs);
        dialogs.fileAnswers = {path};
        QTest::mouseClick(dialog.importButton, Qt::LeftButton);
        QCOMPARE(dialogs.texts(), QStringList(message.replace(QStringLiteral("%1"), path)));
        QCOMPARE(dialogs.messages[0].title, QStringLiteral("Channel Setup"));
        QCOMPARE(dialog.setup(), elbow());
    }

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
        QCOMPARE(rig.sent(), QByteArray::fromHex(want[1].toLatin1()));
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
        QCOMPARE(rig.sent(), QByteArray::fromHex("0bb4"));
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
