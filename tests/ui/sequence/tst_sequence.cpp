#include "support/FormRig.h"

#include "core/NumberText.h"
#include "core/sequence/StepLine.h"
#include "ui/sequence/SequenceController.h"
#include "ui/shell/ClickableViews.h"
#include "ui/shell/NumericField.h"
#include "ui/shell/SlideControl.h"

#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTest>

#include <algorithm>
#include <array>

namespace {

const QString kFullMessage = QStringLiteral("Impossible add other lines, max # of lines is 1024!");

QByteArray bytes(std::initializer_list<int> values) {
    QByteArray b;
    for (int v : values) {
        b.append(static_cast<char>(v));
    }
    return b;
}

// The line Add makes when channel 0 is at `position`, the rest centred.
QString addLine(int position, int durationMs, const QLocale& locale = QLocale::c()) {
    std::array<QString, kChannelCount> readouts;
    readouts.fill(QStringLiteral("0 °"));
    readouts[0] = numbertext::degreeReadout(position, locale);
    return stepline::addForm(readouts, durationMs, locale);
}

// Lines told apart by their duration: line i lasts 100 * (i + 1) ms.
void fill(Form1& form, int count) {
    QStringList lines;
    for (int i = 0; i < count; ++i) {
        lines << addLine(128 + i, 100 * (i + 1));
    }
    QCOMPARE(form.editor.replaceAll(lines), EditOutcome::Done);
}

// Columns 0..12 of every row hold what its line reads as.
bool tableAgrees(Form1& form) {
    for (int i = 0; i < form.sequenceList.count(); ++i) {
        const stepline::StepValues& v = form.sequenceList.values(i);
        if (!std::equal(v.begin(), v.end(), form.declaration.SequenceBuffer[i].begin())) {
            return false;
        }
    }
    return true;
}

// The steps in list order, each named by its duration's hundreds minus one.
QList<int> order(Form1& form) {
    QList<int> steps;
    for (int i = 0; i < form.sequenceList.count(); ++i) {
        steps << form.declaration.SequenceBuffer[i][kDurationField] / 100 - 1;
    }
    return steps;
}

QPoint centreOf(Form1& form, int row) {
    return form.ListSequence->visualRect(form.sequenceList.index(row)).center();
}

int viewSelection(Form1& form) {
    const QModelIndexList rows = form.ListSequence->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

QList<int> flags(Form1& form, int rows) {
    QList<int> f;
    for (int i = 0; i < rows; ++i) {
        f << form.declaration.SequenceBuffer[i][kBreakField];
    }
    return f;
}

} // namespace

// The step list and the buffer editing frame through the window's widgets: clicks on the
// buttons, a real mouse on the list, the bytes that ShowStep puts on the line.
class TestSequence : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void addBuildsLineFromReadouts();
    void addPlacesAndSelects_data();
    void addPlacesAndSelects();
    void removeSelectsNeighbour_data();
    void removeSelectsNeighbour();
    void removeKeepsTableRowsBeyondTheList();
    void replaceKeepsIndex();
    void clearAllLeavesRowsAndLabel();
    void fullListRefusesAddAndReplace();
    void walkThrough_data();
    void walkThrough();
    void showStepSendsChangedChannels();
    void doubleClickShowsStep();
    void mouseDragMovesLine_data();
    void mouseDragMovesLine();
    void clickWithoutDragChangesNothing();
    void dragCarriesBreakpointWithItsLine();
    void selectionMirroredBothWays();
    void breakToggleRestoresLine();
    void editsClearBreakpoints_data();
    void editsClearBreakpoints();
    void commaLocaleAddAndShow();
};

void TestSequence::addBuildsLineFromReadouts() {
    FormRig rig;
    Form1& form = *rig.form;
    form.CWSlide1[0]->setValue(129);
    form.CWSlide1[11]->setValue(0);
    form.CWNumEditTimeStep->setValue(500);
    form.CommandAdd->click();
    QString expected;
    for (int k = 0; k < kChannelCount; ++k) {
        expected += (k == 0    ? QStringLiteral("0.5 °")
                     : k == 11 ? QStringLiteral("-64 °")
                               : QStringLiteral("0 °")) +
                    QLatin1Char('\t');
    }
    expected += QStringLiteral("500 ms");
    QCOMPARE(form.sequenceList.line(0), expected);
    const StepRecord& row = form.declaration.SequenceBuffer[0];
    QCOMPARE(row[0], 129);
    QCOMPARE(row[11], 0);
    QCOMPARE(row[5], 128);
    QCOMPARE(row[kDurationField], 500);
}

void TestSequence::addPlacesAndSelects_data() {
    QTest::addColumn<int>("lines");
    QTest::addColumn<int>("selected");
    QTest::addColumn<int>("newIndex");
    QTest::newRow("empty list") << 0 << -1 << 0;
    QTest::newRow("no selection goes on top") << 3 << -1 << 0;
    QTest::newRow("after line 2 of five") << 5 << 2 << 3;
    QTest::newRow("after the last") << 5 << 4 << 5;
}

void TestSequence::addPlacesAndSelects() {
    QFETCH(int, lines);
    QFETCH(int, selected);
    QFETCH(int, newIndex);
    FormRig rig;
    Form1& form = *rig.form;
    fill(form, lines);
    form.sequenceList.setSelectedIndex(selected);
    form.CWNumEditTimeStep->setValue(4200);
    form.CommandAdd->click();
    QCOMPARE(form.sequenceList.count(), lines + 1);
    QCOMPARE(form.sequenceList.selectedIndex(), newIndex);
    QCOMPARE(viewSelection(form), newIndex);
    QCOMPARE(form.declaration.SequenceBuffer[newIndex][kDurationField], 4200);
    QCOMPARE(form.LabelStep->text(), QStringLiteral("Step N° %1").arg(newIndex));
    // Add does not show the step: the sliders already hold it.
    QVERIFY(rig.port->writes.isEmpty());
}

void TestSequence::removeSelectsNeighbour_data() {
    QTest::addColumn<int>("lines");
    QTest::addColumn<int>("selected");
    QTest::addColumn<int>("after");
    QTest::addColumn<QList<int>>("steps");
    QTest::newRow("middle: the next takes its place") << 5 << 2 << 2 << QList<int>{0, 1, 3, 4};
    QTest::newRow("last of five") << 5 << 4 << 3 << QList<int>{0, 1, 2, 3};
    QTest::newRow("only line") << 1 << 0 << -1 << QList<int>{};
    QTest::newRow("no selection") << 3 << -1 << -1 << QList<int>{0, 1, 2};
}

void TestSequence::removeSelectsNeighbour() {
    QFETCH(int, lines);
    QFETCH(int, selected);
    QFETCH(int, after);
    QFETCH(QList<int>, steps);
    FormRig rig;
    Form1& form = *rig.form;
    fill(form, lines);
    form.sequenceList.setSelectedIndex(selected);
    form.CommandRem->click();
    QCOMPARE(order(form), steps);
    QVERIFY(tableAgrees(form));
    QCOMPARE(form.sequenceList.selectedIndex(), after);
    QCOMPARE(viewSelection(form), after);
    QCOMPARE(form.LabelStep->text(), selected < 0 ? QStringLiteral("Step N° ...")
                                                  : QStringLiteral("Step N° %1").arg(after));
}

void TestSequence::removeKeepsTableRowsBeyondTheList() {
    FormRig rig;
    Form1& form = *rig.form;
    fill(form, 5);
    form.sequenceList.setSelectedIndex(4);
    form.CommandRem->click();
    QCOMPARE(form.sequenceList.count(), 4);
    QCOMPARE(form.declaration.SequenceBuffer[4][kDurationField], 500);
}

void TestSequence::replaceKeepsIndex() {
    FormRig rig;
    Form1& form = *rig.form;
    fill(form, 3);
    form.sequenceList.setSelectedIndex(0);
    form.CWSlide1[0]->setValue(200);
    form.CWNumEditTimeStep->setValue(60);
    form.CommandReplace->click();
    QCOMPARE(form.sequenceList.count(), 3);
    QCOMPARE(form.sequenceList.line(0), addLine(200, 60));
    QCOMPARE(form.declaration.SequenceBuffer[0][0], 200);
    QCOMPARE(form.sequenceList.selectedIndex(), 0);
    QCOMPARE(form.LabelStep->text(), QStringLiteral("Step N° 0"));
    QCOMPARE(order(form).mid(1), QList<int>({1, 2}));

    // Nothing selected: nothing replaced.
    form.sequenceList.setSelectedIndex(-1);
    form.CommandReplace->click();
    QCOMPARE(form.sequenceList.count(), 3);
}

void TestSequence::clearAllLeavesRowsAndLabel() {
    FormRig rig;
    Form1& form = *rig.form;
    fill(form, 3);
    form.sequenceList.setSelectedIndex(1);
    form.CommandUp->click();
    form.CommandClear->click();
    QCOMPARE(form.sequenceList.count(), 0);
    QCOMPARE(form.sequenceList.selectedIndex(), -1);
    QCOMPARE(viewSelection(form), -1);
    QCOMPARE(form.declaration.SequenceBuffer[2][kDurationField], 300);
    QCOMPARE(form.LabelStep->text(), QStringLiteral("Step N° 2"));
}

void TestSequence::fullListRefusesAddAndReplace() {
    FormRig rig;
    Form1& form = *rig.form;
    fill(form, kMaxLines);
    form.sequenceList.setSelectedIndex(7);
    form.CommandBrk->click();
    const QStringList before = form.sequenceList.lines();
    for (QPushButton* command : {form.CommandAdd, form.CommandReplace}) {
        rig.dialogs.messages.clear();
        command->click();
        QCOMPARE(rig.dialogs.messages.size(), 1);
        QCOMPARE(rig.dialogs.messages[0].title, QStringLiteral("Program"));
        QCOMPARE(rig.dialogs.messages[0].text, kFullMessage);
        QCOMPARE(form.sequenceList.lines(), before);
        QCOMPARE(form.declaration.SequenceBuffer[7][kBreakField], 1);
        QCOMPARE(form.LabelStep->text(), QStringLiteral("Step N° ..."));
    }
    // One line fewer and Add goes through again.
    form.CommandRem->click();
    rig.dialogs.messages.clear();
    form.CommandAdd->click();
    QVERIFY(rig.dialogs.messages.isEmpty());
    QCOMPARE(form.sequenceList.count(), kMaxLines);
}

void TestSequence::walkThrough_data() {
    QTest::addColumn<int>("lines");
    QTest::addColumn<int>("selected");
    QTest::addColumn<bool>("next");
    QTest::addColumn<int>("after");
    QTest::newRow("next moves on") << 4 << 1 << true << 2;
    QTest::newRow("next wraps from the last") << 4 << 3 << true << 0;
    QTest::newRow("next without selection starts") << 4 << -1 << true << 0;
    QTest::newRow("next on an empty list") << 0 << -1 << true << -1;
    QTest::newRow("previous moves back") << 4 << 2 << false << 1;
    QTest::newRow("previous wraps from the first") << 4 << 0 << false << 3;
    QTest::newRow("previous without selection") << 4 << -1 << false << -1;
    QTest::newRow("single line wraps onto itself") << 1 << 0 << true << 0;
}

void TestSequence::walkThrough() {
    QFETCH(int, lines);
    QFETCH(int, selected);
    QFETCH(bool, next);
    QFETCH(int, after);
    FormRig rig;
    Form1& form = *rig.form;
    fill(form, lines);
    form.sequenceList.setSelectedIndex(selected);
    (next ? form.CommandUp : form.CommandDwn)->click();
    QCOMPARE(form.sequenceList.selectedIndex(), after);
    QCOMPARE(viewSelection(form), after);
    if (after < 0) {
        QCOMPARE(form.LabelStep->text(), QStringLiteral("Step N° ..."));
        QVERIFY(rig.port->writes.isEmpty());
        return;
    }
    // Shown: channel 0 of line i sits at 128 + i, the duration is 100 * (i + 1).
    QCOMPARE(form.LabelStep->text(), QStringLiteral("Step N° %1").arg(after));
    QCOMPARE(form.CWSlide1[0]->value(), double(128 + after));
    QCOMPARE(form.CWNumEditTimeStep->value(), double(100 * (after + 1)));
    QCOMPARE(rig.port->written(), after == 0 ? QByteArray() : bytes({8, 128 + after}));
}

void TestSequence::showStepSendsChangedChannels() {
    FormRig rig;
    Form1& form = *rig.form;
    std::array<QString, kChannelCount> readouts;
    for (int k = 0; k < kChannelCount; ++k) {
        readouts[k] = numbertext::degreeReadout(k % 2 == 0 ? 128 : 10 * k);
    }
    QStringList lines;
    for (int i = 0; i < 4; ++i) {
        lines << stepline::addForm(readouts, 20 * (i + 1));
    }
    form.editor.replaceAll(lines);
    form.sequenceList.setSelectedIndex(3);
    form.sequence->ShowStep(3);
    // Only the odd channels move; each goes out as its select byte and the position.
    QCOMPARE(rig.port->written(), bytes({9, 10, 11, 30, 13, 50, 15, 70, 41, 90, 43, 110}));
    QCOMPARE(form.Text1[1]->text(), QStringLiteral("-118"));
    QCOMPARE(form.Text1[23]->text(), QStringLiteral("-9 °"));
    QCOMPARE(form.CWNumEditTimeStep->value(), 80.0);
    QCOMPARE(form.LabelStep->text(), QStringLiteral("Step N° 3"));

    rig.port->clearWrites();
    form.sequence->ShowStep(4);
    form.sequence->ShowStep(-1);
    QVERIFY(rig.port->writes.isEmpty());
    QCOMPARE(form.LabelStep->text(), QStringLiteral("Step N° 3"));
}

void TestSequence::doubleClickShowsStep() {
    FormRig rig;
    Form1& form = *rig.form;
    fill(form, 4);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    // As the window system delivers it: press, release, double-click, release.
    QWidget* viewport = form.ListSequence->viewport();
    QTest::mouseClick(viewport, Qt::LeftButton, {}, centreOf(form, 2));
    QCOMPARE(form.LabelStep->text(), QStringLiteral("Step N° ..."));
    QTest::mouseDClick(viewport, Qt::LeftButton, {}, centreOf(form, 2));
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, centreOf(form, 2));
    QCOMPARE(form.sequenceList.selectedIndex(), 2);
    QCOMPARE(form.LabelStep->text(), QStringLiteral("Step N° 2"));
    QCOMPARE(rig.port->written(), bytes({8, 130}));
    QCOMPARE(order(form), QList<int>({0, 1, 2, 3}));
}

void TestSequence::mouseDragMovesLine_data() {
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<QList<int>>("steps");
    QTest::newRow("down: 1 onto 4") << 1 << 4 << QList<int>{0, 2, 3, 4, 1, 5};
    QTest::newRow("up: 4 onto 1") << 4 << 1 << QList<int>{0, 4, 1, 2, 3, 5};
    QTest::newRow("first onto last") << 0 << 5 << QList<int>{1, 2, 3, 4, 5, 0};
    QTest::newRow("last onto first") << 5 << 0 << QList<int>{5, 0, 1, 2, 3, 4};
    QTest::newRow("onto the neighbour") << 2 << 3 << QList<int>{0, 1, 3, 2, 4, 5};
}

void TestSequence::mouseDragMovesLine() {
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(QList<int>, steps);
    FormRig rig;
    Form1& form = *rig.form;
    fill(form, 6);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    const QString moved = form.sequenceList.line(from);
    QWidget* viewport = form.ListSequence->viewport();
    QTest::mousePress(viewport, Qt::LeftButton, {}, centreOf(form, from));
    QCOMPARE(form.declaration.DragFromIndex, qint16(from));
    QTest::mouseMove(viewport, centreOf(form, (from + to) / 2));
    QTest::mouseMove(viewport, centreOf(form, to));
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, centreOf(form, to));
    QCOMPARE(order(form), steps);
    QVERIFY(tableAgrees(form));
    QCOMPARE(form.sequenceList.line(to), moved);
    QCOMPARE(form.sequenceList.selectedIndex(), to);
    QCOMPARE(viewSelection(form), to);
    // Neither label nor sliders follow a drag.
    QCOMPARE(form.LabelStep->text(), QStringLiteral("Step N° ..."));
    QVERIFY(rig.port->writes.isEmpty());
}

void TestSequence::clickWithoutDragChangesNothing() {
    FormRig rig;
    Form1& form = *rig.form;
    fill(form, 4);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QWidget* viewport = form.ListSequence->viewport();
    QTest::mouseClick(viewport, Qt::LeftButton, {}, centreOf(form, 2));
    QCOMPARE(form.sequenceList.selectedIndex(), 2);
    // Other buttons neither choose a line nor carry one along.
    for (Qt::MouseButton button : {Qt::RightButton, Qt::MiddleButton}) {
        QTest::mouseClick(viewport, button, {}, centreOf(form, 1));
        QTest::mousePress(viewport, button, {}, centreOf(form, 2));
        QTest::mouseMove(viewport, centreOf(form, 0));
        QTest::mouseRelease(viewport, button, {}, centreOf(form, 0));
        QCOMPARE(form.sequenceList.selectedIndex(), 2);
    }
    QCOMPARE(order(form), QList<int>({0, 1, 2, 3}));
    QVERIFY(rig.port->writes.isEmpty());
}

void TestSequence::dragCarriesBreakpointWithItsLine() {
    FormRig rig;
    Form1& form = *rig.form;
    fill(form, 6);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.sequenceList.setSelectedIndex(1);
    form.CommandBrk->click();
    QWidget* viewport = form.ListSequence->viewport();
    QTest::mousePress(viewport, Qt::LeftButton, {}, centreOf(form, 1));
    QTest::mouseMove(viewport, centreOf(form, 4));
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, centreOf(form, 4));
    QVERIFY(form.sequenceList.line(4).endsWith(QStringLiteral("\tBREAK!")));
    QCOMPARE(flags(form, 6), QList<int>({0, 0, 0, 0, 1, 0}));
    for (int i : {0, 1, 2, 3, 5}) {
        QVERIFY(!form.sequenceList.line(i).contains(QStringLiteral("BREAK!")));
    }
}

void TestSequence::selectionMirroredBothWays() {
    FormRig rig;
    Form1& form = *rig.form;
    fill(form, 5);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QTest::mouseClick(form.ListSequence->viewport(), Qt::LeftButton, {}, centreOf(form, 3));
    QCOMPARE(form.sequenceList.selectedIndex(), 3);
    form.ListSequence->setFocus();
    QTest::keyClick(form.ListSequence, Qt::Key_Up);
    QCOMPARE(form.sequenceList.selectedIndex(), 2);
    form.sequenceList.setSelectedIndex(4);
    QCOMPARE(viewSelection(form), 4);
    QCOMPARE(form.ListSequence->currentIndex().row(), 4);
    form.sequenceList.setSelectedIndex(-1);
    QCOMPARE(viewSelection(form), -1);
    // A move selects the moved line in both.
    form.sequenceList.setSelectedIndex(2);
    form.editor.dragMove(4, 0);
    QCOMPARE(form.sequenceList.selectedIndex(), 0);
    QCOMPARE(viewSelection(form), 0);
    QVERIFY(rig.port->writes.isEmpty());
}

void TestSequence::breakToggleRestoresLine() {
    FormRig rig;
    Form1& form = *rig.form;
    QStringList lines = {addLine(130, 40),
                         QStringLiteral("1\t2\t3\t4\t5\t6\t7\t8\t9\t10\t11\t12\t500  ms\t")};
    form.editor.replaceAll(lines);
    for (int i = 0; i < 2; ++i) {
        form.sequenceList.setSelectedIndex(i);
        form.CommandBrk->click();
        QCOMPARE(form.sequenceList.line(i), lines[i] + QStringLiteral("\tBREAK!"));
        QCOMPARE(form.declaration.SequenceBuffer[i][kBreakField], 1);
        QCOMPARE(form.sequenceList.selectedIndex(), i);
        form.CommandBrk->click();
        QCOMPARE(form.sequenceList.line(i), lines[i]);
        QCOMPARE(form.declaration.SequenceBuffer[i][kBreakField], 0);
    }
    form.sequenceList.setSelectedIndex(-1);
    form.CommandBrk->click();
    QCOMPARE(form.sequenceList.lines(), lines);

    form.sequenceList.setSelectedIndex(0);
    form.CommandBrk->click();
    form.sequenceList.setSelectedIndex(1);
    form.CommandBrk->click();
    form.CommandResBrk->click();
    QCOMPARE(form.sequenceList.lines(), lines);
    QCOMPARE(flags(form, kTableRows), QList<int>(kTableRows, 0));
}

void TestSequence::editsClearBreakpoints_data() {
    QTest::addColumn<QString>("command");
    QTest::newRow("Add") << "CommandAdd";
    QTest::newRow("Remove") << "CommandRem";
    QTest::newRow("Replace") << "CommandReplace";
    QTest::newRow("Clear All") << "CommandClear";
}

void TestSequence::editsClearBreakpoints() {
    QFETCH(QString, command);
    FormRig rig;
    Form1& form = *rig.form;
    fill(form, 4);
    for (int i : {0, 3}) {
        form.sequenceList.setSelectedIndex(i);
        form.CommandBrk->click();
    }
    form.sequenceList.setSelectedIndex(1);
    form.findChild<QPushButton*>(command)->click();
    QCOMPARE(flags(form, kTableRows), QList<int>(kTableRows, 0));
    for (const QString& line : form.sequenceList.lines()) {
        QVERIFY(!line.contains(QStringLiteral("BREAK!")));
    }
}

void TestSequence::commaLocaleAddAndShow() {
    QLocale::setDefault(QLocale(QLocale::German));
    FormRig rig;
    Form1& form = *rig.form;
    form.CWSlide1[0]->setValue(129);
    form.CWSlide1[1]->setValue(27);
    form.CWNumEditTimeStep->setValue(500);
    form.CommandAdd->click();
    QVERIFY(form.sequenceList.line(0).startsWith(QStringLiteral("0,5 °\t-50,5 °\t0 °\t")));
    QCOMPARE(form.declaration.SequenceBuffer[0][0], 129);
    QCOMPARE(form.declaration.SequenceBuffer[0][1], 27);

    form.CWSlide1[0]->setValue(128);
    form.CWSlide1[1]->setValue(128);
    rig.port->clearWrites();
    form.CommandUp->click();
    QCOMPARE(form.Text1[12]->text(), QStringLiteral("0,5 °"));
    QCOMPARE(rig.port->written(), bytes({8, 129, 9, 27}));
}

QTEST_MAIN(TestSequence)
#include "tst_sequence.moc"
