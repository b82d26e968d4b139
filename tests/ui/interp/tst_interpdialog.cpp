#include "support/FormRig.h"

#include "core/NumberText.h"
#include "core/sequence/StepLine.h"
#include "ui/interp/InterpController.h"
#include "ui/interp/InterpDialog.h"
#include "ui/shell/NumericField.h"
#include "ui/shell/SlideControl.h"
#include "ui/shell/SwitchControl.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTest>

#include <memory>

// The "Interpolate" button and InterpDialog on the real window: presets, the lock, the block put
// in place of its source line and the refusals. The ramp itself is tested on the core.
namespace {

// An Add-form line with channel 0 at ch0 degrees and the other channels at 0.
QString line(double ch0, double ms) {
    std::array<QString, kChannelCount> readouts;
    readouts.fill(QStringLiteral("0 \u00B0"));
    readouts[0] = numbertext::halfSteps(ch0) + numbertext::kDegreeSuffix;
    return stepline::addForm(readouts, ms);
}

void fill(MainWindow& form, const QStringList& lines, int selected) {
    QCOMPARE(form.panel().editor().replaceAll(lines), EditOutcome::Done);
    form.panel().list().setSelectedIndex(selected);
}

// How many of the five controls the dialog locks are enabled.
int unlocked(MainWindow& form) {
    const QList<QWidget*> locked{form.bufferEditFrame().frame, form.sideColumn().stepList,
                                 form.channelsFrame().frame, form.pcEmuFrame().frame,
                                 form.pcDebugFrame().frame};
    return int(
        std::count_if(locked.begin(), locked.end(), [](QWidget* w) { return w->isEnabled(); }));
}

InterpDialog* open(FormRig& rig) {
    QTest::mouseClick(rig.form->bufferEditFrame().interpolateButton, Qt::LeftButton);
    return rig.form->interpController().dialog();
}

// Types the count the way a user does (select, type, Enter) and presses OK.
void ok(InterpDialog& dialog, int count) {
    dialog.stepCount->setFocus();
    dialog.stepCount->selectAll();
    QTest::keyClicks(dialog.stepCount, QString::number(count));
    QTest::keyClick(dialog.stepCount, Qt::Key_Return);
    QTest::mouseClick(dialog.okButton, Qt::LeftButton);
}

} // namespace

class TestInterpDialog : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void openingAndPresets_data() {
        QTest::addColumn<int>("lines");
        QTest::addColumn<int>("selected");
        QTest::addColumn<QString>("options"); // checked and enabled, P = previous, N = next
        QTest::newRow("empty list") << 0 << -1 << QString();
        QTest::newRow("one line selected") << 1 << 0 << QString();
        QTest::newRow("two lines, none selected") << 2 << -1 << QString();
        QTest::newRow("last line") << 3 << 2 << "P:P";
        QTest::newRow("first line") << 3 << 0 << "N:N";
        QTest::newRow("middle line") << 3 << 1 << ":PN";
    }
    void openingAndPresets() {
        QFETCH(int, lines);
        QFETCH(int, selected);
        QFETCH(QString, options);
        FormRig rig(false);
        fill(*rig.form, QStringList(lines, line(0, 100)), selected);
        InterpDialog* dialog = open(rig);
        QVERIFY(rig.dialogs.messages.isEmpty());
        QCOMPARE(dialog != nullptr, !options.isEmpty());
        QCOMPARE(unlocked(*rig.form), dialog ? 0 : 5);
        if (!dialog) {
            return;
        }
        QVERIFY(dialog->isVisible() && !dialog->isModal() && rig.form->isEnabled());
        QCOMPARE(QStringList({dialog->windowTitle(), dialog->directionOptions[0]->text(),
                              dialog->directionOptions[1]->text(), dialog->stepCountLabel->text(),
                              dialog->okButton->text(), dialog->cancelButton->text()}),
                 QStringList({"Interpolation", "Interpolation With Previous Step",
                              "Interpolation With Next Step", "Number of Interpolation Steps", "OK",
                              "Annulla"}));
        // Opened at 0, held at the floor.
        QCOMPARE(dialog->stepCount->value(), 1.0);
        QCOMPARE(dialog->stepCount->maximum(), 1000.0);
        const QAbstractButton* p = dialog->directionOptions[0];
        const QAbstractButton* n = dialog->directionOptions[1];
        QCOMPARE(QString(p->isChecked() ? "P" : "") + (n->isChecked() ? "N" : "") + ":" +
                     (p->isEnabled() ? "P" : "") + (n->isEnabled() ? "N" : ""),
                 options);
    }

    // Playback moves the selection under the dialog, and the dialog's lock would leave no way
    // to stop it: the dialog waits until playback stops.
    void refusedWhilePlaying() {
        FormRig rig;
        fill(*rig.form, QStringList(3, line(0, 10000)), 1);
        auto* playing = rig.form->pcEmuFrame().pcEmuSwitch;
        playing->click();
        QVERIFY(!open(rig));
        QCOMPARE(rig.form->statusBar()->currentMessage(),
                 QStringLiteral("Stop the playback first."));
        playing->click();
        QVERIFY(open(rig));
    }

    void lockReleasedOnEveryClose_data() {
        QTest::addColumn<QString>("how");
        for (const char* how : {"Annulla", "Escape", "OK with count 1",
                                "list replaced under it", "window shuts down"}) {
            QTest::newRow(how) << QString(how);
        }
    }
    void lockReleasedOnEveryClose() {
        QFETCH(QString, how);
        FormRig rig(false);
        MainWindow& form = *rig.form;
        const QStringList lines{line(0, 100), line(10, 100), line(20, 100)};
        fill(form, lines, 1);
        QPointer<InterpDialog> dialog = open(rig);
        QVERIFY(dialog);
        ok(*dialog, 3); // no direction chosen on a middle line: nothing happens
        QCOMPARE(form.interpController().dialog(), dialog.data());
        QCOMPARE(unlocked(form), 0);
        if (how == "Annulla") {
            QTest::mouseClick(dialog->cancelButton, Qt::LeftButton);
        } else if (how == "Escape") {
            QTest::keyClick(dialog, Qt::Key_Escape);
        } else if (how == "OK with count 1") {
            ok(*dialog, 1);
        } else if (how == "list replaced under it") {
            form.panel().editor().replaceAll(lines.mid(1));
        } else {
            form.panel().runShutdownWork();
        }
        QVERIFY(form.interpController().dialog() == nullptr);
        QTRY_VERIFY(dialog.isNull());
        QCOMPARE(unlocked(form), 5);
        QVERIFY(rig.dialogs.messages.isEmpty());
        if (!how.startsWith("list")) {
            QCOMPARE(form.panel().list().lines(), lines);
            QCOMPARE(form.panel().list().selectedIndex(), 1);
        }
        form.panel().list().setSelectedIndex(0);
        QVERIFY(open(rig)); // afresh
        QCOMPARE(form.interpController().dialog()->stepCount->value(), 1.0);
    }

    // Channel 0 from 0 to 10 degrees over 100 ms in 4 steps, with breakpoints on the source, the
    // target and one more line.
    void workedExample_data() {
        QTest::addColumn<bool>("comma");
        QTest::addColumn<int>("selected");
        QTest::addColumn<int>("option");
        QTest::addColumn<int>("source");
        QTest::newRow("next step, preset on the first line") << false << 0 << 1 << 0;
        QTest::newRow("previous step, chosen, decimal comma") << true << 1 << 0 << 0;
        QTest::newRow("previous step, preset on the last line") << false << 4 << 0 << 3;
    }
    void workedExample() {
        QFETCH(bool, comma);
        QFETCH(int, selected);
        QFETCH(int, option);
        QFETCH(int, source);
        QLocale::setDefault(comma ? QLocale(QLocale::German) : QLocale::c());
        FormRig rig(false);
        MainWindow& form = *rig.form;
        const QStringList others{line(30, 80), line(40, 60), line(50, 40)};
        const QStringList lines =
            others.mid(0, source) + QStringList{line(0, 100), line(10, 300)} + others.mid(source);
        fill(form, lines, -1);
        for (int i : {source, source + 1, source == 0 ? 4 : 0}) {
            form.panel().list().setSelectedIndex(i);
            form.panel().editor().toggleBreak();
        }
        const QStringList marked = form.panel().list().lines();
        form.panel().list().setSelectedIndex(selected);
        form.channelsFrame().stepDuration->setValue(700);
        form.channelsFrame().sliders[0]->setValue(200);
        InterpDialog* dialog = open(rig);
        QVERIFY(dialog);
        if (dialog->chosenOption() < 0) {
            QTest::mouseClick(dialog->directionOptions[option], Qt::LeftButton);
        }
        QCOMPARE(dialog->chosenOption(), option);
        ok(*dialog, 4);

        QVERIFY(rig.dialogs.messages.isEmpty());
        QVERIFY(form.interpController().dialog() == nullptr);
        QCOMPARE(unlocked(form), 5);
        const QStringList block{line(0, 20), line(2.5, 40), line(5, 20), line(7.5, 20)};
        QCOMPARE(form.panel().list().lines(),
                 marked.mid(0, source) + block + marked.mid(source + 1));
        QCOMPARE(form.panel().list().selectedIndex(), source);
        QCOMPARE(form.channelsFrame().stepLabel->text(),
                 QStringLiteral("Step N\u00B0 %1").arg(source));
        // ShowStep is not run: the entry controls keep what they showed.
        QCOMPARE(form.channelsFrame().stepDuration->value(), 700.0);
        QCOMPARE(form.channelsFrame().sliders[0]->value(), 200.0);
        // The table follows the list, breakpoint flags included.
        for (int row = 0; row < form.panel().list().count(); ++row) {
            const auto values = stepline::ParseStepLine(form.panel().list().line(row));
            const StepRecord& step = form.panel().editor().table()[row];
            QVERIFY(values && std::equal(values->begin(), values->end(), step.begin()));
            QCOMPARE(step[kBreakField] != 0, form.panel().list().hasBreakMark(row));
        }
    }

    // The curve the user picks with the keys reaches the ramp: 0 to 50 degrees over 100 ms in 4
    // steps, eased in and out.
    void curve() {
        FormRig rig(false);
        MainWindow& form = *rig.form;
        fill(form, {line(0, 100), line(50, 100)}, 0);
        InterpDialog* dialog = open(rig);
        QVERIFY(dialog);
        QComboBox* combo = dialog->findChild<QComboBox*>(QStringLiteral("ComboCurve"));
        QVERIFY(combo);
        QCOMPARE(combo->accessibleName(), QStringLiteral("Curve"));
        QStringList items;
        for (int i = 0; i < combo->count(); ++i) {
            items << combo->itemText(i);
        }
        QCOMPARE(items, QStringList({"Linear", "Ease In", "Ease Out", "Ease In-Out"}));
        QCOMPARE(combo->currentText(), QStringLiteral("Linear")); // its ramp is workedExample's
        QCOMPARE(dialog->curveLabel->text(), QStringLiteral("Curve:"));
        // Every caption has the room it asks for, inside the dialog and clear of the others.
        QList<QWidget*> shown{dialog->directionOptions[0], dialog->directionOptions[1]};
        shown << dialog->stepCount << dialog->stepCountLabel << dialog->curveLabel << combo
              << dialog->okButton << dialog->cancelButton;
        for (QWidget* w : shown) {
            QVERIFY2(w->width() >= w->sizeHint().width() &&
                         w->height() >= w->minimumSizeHint().height(),
                     qPrintable(w->objectName()));
            QVERIFY2(dialog->rect().contains(w->geometry()), qPrintable(w->objectName()));
            for (QWidget* other : shown) {
                QVERIFY(w == other || !w->geometry().intersects(other->geometry()));
            }
        }
        combo->setFocus();
        for (int i = 0; i < 3; ++i) {
            QTest::keyClick(combo, Qt::Key_Down);
        }
        QCOMPARE(combo->currentText(), QStringLiteral("Ease In-Out"));
        ok(*dialog, 4);
        QVERIFY(form.interpController().dialog() == nullptr);
        QCOMPARE(form.panel().list().lines(), QStringList({line(0, 20), line(6, 40), line(25, 20),
                                                           line(44, 20), line(50, 100)}));
    }

    // The core has the rules; the window shows the note and leaves everything as it was.
    void refusal() {
        const QStringList lines{line(0, 50), line(1, 100), line(10, 100)};
        const int selected = 2, count = 6;
        FormRig rig(false);
        MainWindow& form = *rig.form;
        fill(form, lines, selected);
        const auto table = std::make_unique<SequenceTable>(form.panel().editor().table());
        InterpDialog* dialog = open(rig);
        ok(*dialog, count);
        QCOMPARE(rig.dialogs.messages.size(), 1);
        QCOMPARE(rig.dialogs.messages[0].title, QStringLiteral("Note"));
        QCOMPARE(rig.dialogs.messages[0].text,
                 QStringLiteral("Number of Steps too high for selected Step Time!"));
        QCOMPARE(form.interpController().dialog(), dialog);
        QCOMPARE(unlocked(form), 0);
        QCOMPARE(dialog->stepCount->value(), double(count));
        QCOMPARE(form.panel().list().lines(), lines);
        QCOMPARE(form.panel().list().selectedIndex(), selected); // back where the user had it
        QVERIFY(*table == form.panel().editor().table());
    }
};

QTEST_MAIN(TestInterpDialog)
#include "tst_interpdialog.moc"
