#include "support/FormRig.h"

#include "core/NumberText.h"
#include "core/sequence/StepLine.h"
#include "ui/interp/DialogInterp.h"
#include "ui/interp/InterpController.h"
#include "ui/shell/ClickableViews.h"
#include "ui/shell/NumericField.h"
#include "ui/shell/SlideControl.h"
#include "ui/shell/SwitchControl.h"

#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

// The "Interpolate" button and DialogInterp on the real window: presets, the lock, the ramp
// put in place of its source line, and the refusals.
namespace {

using Message = ScriptedDialogs::Message;

// An Add-form line with channel 0 at ch0 degrees and the other channels at 0.
QString line(double ch0, double ms) {
    std::array<QString, kChannelCount> readouts;
    readouts.fill(QStringLiteral("0 \u00B0"));
    readouts[0] = numbertext::halfSteps(ch0) + numbertext::kDegreeSuffix;
    return stepline::addForm(readouts, ms);
}

void fill(Form1& form, const QStringList& lines, int selected) {
    QCOMPARE(form.editor.replaceAll(lines), EditOutcome::Done);
    form.sequenceList.setSelectedIndex(selected);
}

QList<QWidget*> lockedControls(Form1& form) {
    return {form.FrameBuffEdit, form.ListSequence, form.FrameMan, form.FramePCEmu, form.FramePCDeb};
}

bool allEnabled(const QList<QWidget*>& widgets) {
    return std::all_of(widgets.begin(), widgets.end(), [](QWidget* w) { return w->isEnabled(); });
}

bool noneEnabled(const QList<QWidget*>& widgets) {
    return std::none_of(widgets.begin(), widgets.end(), [](QWidget* w) { return w->isEnabled(); });
}

// Sets the count the way a user types it: select, type, Enter.
void typeCount(DialogInterp& dialog, int count) {
    dialog.CWNumEditInterp->setFocus();
    dialog.CWNumEditInterp->selectAll();
    QTest::keyClicks(dialog.CWNumEditInterp, QString::number(count));
    QTest::keyClick(dialog.CWNumEditInterp, Qt::Key_Return);
}

DialogInterp* open(FormRig& rig) {
    QTest::mouseClick(rig.form->CommandInterpolate, Qt::LeftButton);
    return rig.form->interp->dialog();
}

} // namespace

class TestInterpDialog : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void buttonDoesNothingWithoutTwoLinesAndASelection_data() {
        QTest::addColumn<int>("lines");
        QTest::addColumn<int>("selected");
        QTest::newRow("empty list") << 0 << -1;
        QTest::newRow("one line selected") << 1 << 0;
        QTest::newRow("two lines, none selected") << 2 << -1;
    }
    void buttonDoesNothingWithoutTwoLinesAndASelection() {
        QFETCH(int, lines);
        QFETCH(int, selected);
        FormRig rig(false);
        fill(*rig.form, QStringList(lines, line(0, 100)), selected);
        QVERIFY(open(rig) == nullptr);
        QVERIFY(rig.form->findChild<DialogInterp*>() == nullptr);
        QVERIFY(allEnabled(lockedControls(*rig.form)));
        QVERIFY(rig.dialogs.messages.isEmpty());
    }

    void dialogControls() {
        FormRig rig(false);
        fill(*rig.form, {line(0, 100), line(10, 100)}, 0);
        DialogInterp* dialog = open(rig);
        QVERIFY(dialog);
        QVERIFY(dialog->isVisible());
        QVERIFY(!dialog->isModal());
        QVERIFY(QApplication::activeModalWidget() == nullptr);
        QCOMPARE(dialog->objectName(), QStringLiteral("DialogInterp"));
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Interpolation"));
        const QList<std::pair<QAbstractButton*, QString>> captions{
            {dialog->OptionINterp[0], "Interpolation With Previous Step"},
            {dialog->OptionINterp[1], "Interpolation With Next Step"},
            {dialog->OKButton, "OK"},
            {dialog->CancelButton, "Annulla"}};
        for (const auto& [button, caption] : captions) {
            QCOMPARE(button->text(), caption);
            QCOMPARE(button->accessibleName(), caption);
        }
        QCOMPARE(dialog->OKButton->objectName(), QStringLiteral("OKButton"));
        QCOMPARE(dialog->CancelButton->objectName(), QStringLiteral("CancelButton"));
        QCOMPARE(dialog->Label1->text(), QStringLiteral("Number of Interpolation Steps"));
        QCOMPARE(dialog->CWNumEditInterp->objectName(), QStringLiteral("CWNumEditInterp"));
        QCOMPARE(dialog->CWNumEditInterp->accessibleName(),
                 QStringLiteral("Number of Interpolation Steps"));
        // Opened at 0, held at the floor.
        QCOMPARE(dialog->CWNumEditInterp->value(), 1.0);
        QCOMPARE(dialog->CWNumEditInterp->minimum(), 1.0);
        QCOMPARE(dialog->CWNumEditInterp->maximum(), 1000.0);
        QTest::keyClick(dialog->CWNumEditInterp, Qt::Key_Down);
        QCOMPARE(dialog->CWNumEditInterp->value(), 1.0);
        QTest::keyClick(dialog->CWNumEditInterp, Qt::Key_Up);
        QCOMPARE(dialog->CWNumEditInterp->value(), 2.0);
        // A second click while open does not stack dialogs (the button is locked anyway).
        rig.form->interp->CommandInterpolate_Click();
        QCOMPARE(rig.form->findChildren<DialogInterp*>().size(), 1);
    }

    void presets_data() {
        QTest::addColumn<int>("lines");
        QTest::addColumn<int>("selected");
        QTest::addColumn<int>("chosen");
        QTest::addColumn<bool>("previousEnabled");
        QTest::addColumn<bool>("nextEnabled");
        QTest::newRow("last of two") << 2 << 1 << 0 << true << false;
        QTest::newRow("first of two") << 2 << 0 << 1 << false << true;
        QTest::newRow("last of five") << 5 << 4 << 0 << true << false;
        QTest::newRow("first of five") << 5 << 0 << 1 << false << true;
        QTest::newRow("middle of five") << 5 << 2 << -1 << true << true;
    }
    void presets() {
        QFETCH(int, lines);
        QFETCH(int, selected);
        QFETCH(int, chosen);
        QFETCH(bool, previousEnabled);
        QFETCH(bool, nextEnabled);
        FormRig rig(false);
        fill(*rig.form, QStringList(lines, line(0, 100)), selected);
        DialogInterp* dialog = open(rig);
        QVERIFY(dialog);
        QCOMPARE(dialog->chosenOption(), chosen);
        QCOMPARE(dialog->OptionINterp[0]->isChecked(), chosen == 0);
        QCOMPARE(dialog->OptionINterp[1]->isChecked(), chosen == 1);
        QCOMPARE(dialog->OptionINterp[0]->isEnabled(), previousEnabled);
        QCOMPARE(dialog->OptionINterp[1]->isEnabled(), nextEnabled);
    }

    void lockWhileOpenReleasedOnEveryClose_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("Annulla") << QStringLiteral("cancel");
        QTest::newRow("close box") << QStringLiteral("close");
        QTest::newRow("Escape") << QStringLiteral("escape");
        QTest::newRow("OK with count 1") << QStringLiteral("ok1");
        QTest::newRow("list replaced under it") << QStringLiteral("load");
        QTest::newRow("window shuts down") << QStringLiteral("shutdown");
    }
    void lockWhileOpenReleasedOnEveryClose() {
        QFETCH(QString, how);
        FormRig rig(false);
        Form1& form = *rig.form;
        const QStringList lines{line(0, 100), line(10, 100), line(20, 100)};
        fill(form, lines, 1);
        QPointer<DialogInterp> dialog = open(rig);
        QVERIFY(dialog);
        QVERIFY(noneEnabled(lockedControls(form)));
        // Only the five are locked.
        QVERIFY(form.isEnabled());
        QVERIFY(form.CWButtonMainOnOff->isEnabled());
        QVERIFY(form.ComboPort->isEnabled());
        QVERIFY(form.FrameFlash->isEnabled());

        dialog->chooseOption(DialogInterp::WithNext);
        typeCount(*dialog, 3);
        if (how == "cancel") {
            QTest::mouseClick(dialog->CancelButton, Qt::LeftButton);
        } else if (how == "close") {
            dialog->close();
        } else if (how == "escape") {
            QTest::keyClick(dialog, Qt::Key_Escape);
        } else if (how == "ok1") {
            typeCount(*dialog, 1);
            QTest::mouseClick(dialog->OKButton, Qt::LeftButton);
        } else if (how == "load") {
            form.editor.replaceAll({line(5, 100), line(6, 100)});
        } else {
            form.runShutdownWork();
        }
        QVERIFY(form.interp->dialog() == nullptr);
        QVERIFY(!dialog || !dialog->isVisible());
        QTRY_VERIFY(dialog.isNull());
        QVERIFY(allEnabled(lockedControls(form)));
        QVERIFY(rig.dialogs.messages.isEmpty());
        if (how != "load") {
            QCOMPARE(form.sequenceList.lines(), lines);
            QCOMPARE(form.sequenceList.selectedIndex(), 1);
        }
        // It opens afresh after any close.
        form.sequenceList.setSelectedIndex(0);
        QVERIFY(open(rig));
        QCOMPARE(form.interp->dialog()->CWNumEditInterp->value(), 1.0);
    }

    // Channel 0 from 0 to 10 degrees over 100 ms in 4 steps, through the dialog.
    void workedExample_data() {
        QTest::addColumn<bool>("comma");
        QTest::addColumn<int>("selected");
        QTest::addColumn<int>("option");
        QTest::addColumn<int>("source");
        QTest::newRow("next step, preset") << false << 0 << 1 << 0;
        QTest::newRow("previous step, chosen") << false << 1 << 0 << 0;
        QTest::newRow("next step, decimal comma") << true << 0 << 1 << 0;
        QTest::newRow("next step, chosen") << false << 2 << 1 << 2;
        QTest::newRow("previous step, preset on the last line") << false << 4 << 0 << 3;
    }
    void workedExample() {
        QFETCH(bool, comma);
        QFETCH(int, selected);
        QFETCH(int, option);
        QFETCH(int, source);
        if (comma) {
            QLocale::setDefault(QLocale(QLocale::German));
        }
        FormRig rig(false);
        Form1& form = *rig.form;
        const QString ramp = line(0, 100);
        const QString target = line(10, 300);
        QStringList lines{line(30, 80), line(40, 60), line(50, 40)};
        lines.insert(source, target);
        lines.insert(source, ramp);
        const int last = int(lines.size()) - 1;
        // Source, target and another line carry breakpoints.
        fill(form, lines, -1);
        for (int i : {source, source + 1, source == 0 ? last : 0}) {
            form.sequenceList.setSelectedIndex(i);
            form.editor.toggleBreak();
        }
        const QStringList marked = form.sequenceList.lines();
        form.sequenceList.setSelectedIndex(selected);
        form.CWNumEditTimeStep->setValue(700);
        form.CWSlide1[0]->setValue(200);

        DialogInterp* dialog = open(rig);
        QVERIFY(dialog);
        if (dialog->chosenOption() < 0) {
            QTest::mouseClick(dialog->OptionINterp[option], Qt::LeftButton);
        }
        QCOMPARE(dialog->chosenOption(), option);
        typeCount(*dialog, 4);
        QCOMPARE(dialog->CWNumEditInterp->value(), 4.0);
        QTest::mouseClick(dialog->OKButton, Qt::LeftButton);

        QVERIFY(rig.dialogs.messages.isEmpty());
        QVERIFY(form.interp->dialog() == nullptr);
        QVERIFY(allEnabled(lockedControls(form)));
        QCOMPARE(form.sequenceList.count(), last + 4);
        const QString zeros = QStringLiteral("0 \u00B0\t").repeated(11);
        const QString half = comma ? QStringLiteral("2,5") : QStringLiteral("2.5");
        const QString seven = comma ? QStringLiteral("7,5") : QStringLiteral("7.5");
        const QStringList block{
            "0 \u00B0\t" + zeros + "20 ms", half + " \u00B0\t" + zeros + "40 ms",
            "5 \u00B0\t" + zeros + "20 ms", seven + " \u00B0\t" + zeros + "20 ms"};
        QCOMPARE(form.sequenceList.lines().mid(source, 4), block);
        QCOMPARE(form.sequenceList.lines().mid(0, source), marked.mid(0, source));
        QCOMPARE(form.sequenceList.lines().mid(source + 4), marked.mid(source + 1));
        QCOMPARE(form.sequenceList.selectedIndex(), source);
        QCOMPARE(form.LabelStep->text(), QStringLiteral("Step N\u00B0 %1").arg(source));
        // ShowStep is not run: the entry controls keep what they showed.
        QCOMPARE(form.CWNumEditTimeStep->value(), 700.0);
        QCOMPARE(form.CWSlide1[0]->value(), 200.0);

        const SequenceTable& table = form.declaration.SequenceBuffer;
        const QList<int> positions{128, 133, 138, 143};
        const QList<int> durations{20, 40, 20, 20};
        for (int m = 0; m < 4; ++m) {
            QCOMPARE(table[source + m][0], positions[m]);
            QCOMPARE(table[source + m][1], 128);
            QCOMPARE(table[source + m][kDurationField], durations[m]);
        }
        QCOMPARE(table[source + 4][0], 148);
        QCOMPARE(table[source + 4][kDurationField], 300);
        // Breakpoints follow their lines; the replaced source loses its own.
        for (int row = 0; row < last + 4; ++row) {
            QCOMPARE(table[row][kBreakField] != 0, form.sequenceList.hasBreakMark(row));
        }
        for (int m = 0; m < 4; ++m) {
            QVERIFY(!form.sequenceList.hasBreakMark(source + m));
        }
        QVERIFY(form.sequenceList.hasBreakMark(source + 4));
        QVERIFY(form.sequenceList.hasBreakMark(source == 0 ? last + 3 : 0));
    }

    void tooManyStepsForTheTime() {
        FormRig rig(false);
        Form1& form = *rig.form;
        const QStringList lines{line(0, 50), line(1, 100), line(10, 100)};
        fill(form, lines, 2); // previous: line 1 (100 ms) is the source
        DialogInterp* dialog = open(rig);
        typeCount(*dialog, 6);
        QTest::mouseClick(dialog->OKButton, Qt::LeftButton);
        QCOMPARE(rig.dialogs.messages.size(), 1);
        QCOMPARE(rig.dialogs.messages[0].title, QStringLiteral("Note"));
        QCOMPARE(rig.dialogs.messages[0].text,
                 QStringLiteral("Number of Steps too high for selected Step Time!"));
        QCOMPARE(form.interp->dialog(), dialog);
        QVERIFY(dialog->isVisible());
        QVERIFY(noneEnabled(lockedControls(form)));
        QCOMPARE(form.sequenceList.lines(), lines);
        QCOMPARE(form.sequenceList.selectedIndex(), 2);
        QCOMPARE(dialog->CWNumEditInterp->value(), 6.0);

        // Exactly 20 ms a step passes.
        typeCount(*dialog, 5);
        QTest::mouseClick(dialog->OKButton, Qt::LeftButton);
        QCOMPARE(rig.dialogs.messages.size(), 1);
        QVERIFY(form.interp->dialog() == nullptr);
        QCOMPARE(form.sequenceList.count(), 7);
        QCOMPARE(form.sequenceList.selectedIndex(), 1);
        for (int i = 1; i <= 5; ++i) {
            QCOMPARE(form.declaration.SequenceBuffer[i][kDurationField], 20);
        }
    }

    void resultOverTheLineLimitRefused() {
        FormRig rig(false);
        Form1& form = *rig.form;
        QStringList lines(1000, line(0, 1000));
        fill(form, lines, 0);
        const auto row1 = form.declaration.SequenceBuffer[1];
        DialogInterp* dialog = open(rig);
        typeCount(*dialog, 26);
        QTest::mouseClick(dialog->OKButton, Qt::LeftButton);
        QCOMPARE(rig.dialogs.messages.size(), 1);
        QCOMPARE(rig.dialogs.messages[0].title, QStringLiteral("Note"));
        QVERIFY(rig.dialogs.messages[0].text.contains(QStringLiteral("1024")));
        QCOMPARE(form.sequenceList.count(), 1000);
        QCOMPARE(form.declaration.SequenceBuffer[1], row1);
        QCOMPARE(form.interp->dialog(), dialog);

        typeCount(*dialog, 25); // fills the list exactly
        QTest::mouseClick(dialog->OKButton, Qt::LeftButton);
        QCOMPARE(rig.dialogs.messages.size(), 1);
        QCOMPARE(form.sequenceList.count(), kMaxLines);
        QCOMPARE(form.declaration.SequenceBuffer[kMaxLines - 1][kDurationField], 1000);
    }

    void middleLineNeedsADirection() {
        FormRig rig(false);
        Form1& form = *rig.form;
        const QStringList lines{line(0, 100), line(1, 100), line(2, 100)};
        fill(form, lines, 1);
        DialogInterp* dialog = open(rig);
        typeCount(*dialog, 3);
        QTest::mouseClick(dialog->OKButton, Qt::LeftButton);
        QVERIFY(rig.dialogs.messages.isEmpty());
        QCOMPARE(form.interp->dialog(), dialog);
        QCOMPARE(form.sequenceList.lines(), lines);

        typeCount(*dialog, 1);
        QTest::mouseClick(dialog->OKButton, Qt::LeftButton);
        QVERIFY(form.interp->dialog() == nullptr);
        QCOMPARE(form.sequenceList.lines(), lines);
        QVERIFY(allEnabled(lockedControls(form)));
    }
};

QTEST_MAIN(TestInterpDialog)
#include "tst_interpdialog.moc"
