#include "support/RampLines.h"

#include "core/sequence/StepLine.h"
#include "ui/sequence/SequenceController.h"
#include "ui/shell/ClickableViews.h"
#include "board/HiResTimer.h"
#include "ui/shell/NumericField.h"
#include "ui/shell/SlideControl.h"
#include "ui/shell/SwitchControl.h"

#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTest>

// The buffer editing frame through the window's widgets: clicks on the buttons, a real mouse on
// the list, the bytes that ShowStep puts on the line. The rules themselves are the editor's.
class TestSequence : public QObject {
    Q_OBJECT
private slots:
    void init() { rig = std::make_unique<FormRig>(); }
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void editButtons();
    void fullListRefusesAdd();
    void walkAndShowStep();
    void mouseOnTheList();
    void mouseWhilePlaying();
    void listKeys();

private:
    QPoint centreOf(int row) const { return rig->rowCentre(row); }
    int viewSelection() const { return rig->viewSelection().value(0, -1); }

    std::unique_ptr<FormRig> rig;
    MainWindow* form() const { return rig->form.get(); }
};

// Add reads the readouts (in the user's number format) and the duration entry; the view and
// the label follow every command, and none of them shows a step.
void TestSequence::editButtons() {
    QLocale::setDefault(QLocale(QLocale::German));
    init();
    QVERIFY(fillRamp(*rig, 3));
    form()->panel().list().setSelectedIndex(1);
    form()->channelsFrame().sliders[0]->setValue(141);
    form()->channelsFrame().sliders[11]->setValue(0);
    form()->channelsFrame().stepDuration->setValue(500);
    rig->port->clearWrites();
    form()->bufferEditFrame().addButton->click();
    const QString added = "6,5 °\t" + QStringLiteral("0 °\t").repeated(10) + "-64 °\t500 ms";
    QCOMPARE(form()->panel().list().line(2), added);
    QCOMPARE(form()->panel().editor().table()[2][0], 141);
    QCOMPARE(viewSelection(), 2);
    QCOMPARE(form()->channelsFrame().stepLabel->text(), stepline::stepLabel(2));
    form()->panel().list().setSelectedIndex(0);
    form()->bufferEditFrame().replaceButton->click();
    QCOMPARE(rig->order(), QList<int>({6, 1, 6, 2}));
    QCOMPARE(form()->channelsFrame().stepLabel->text(), stepline::stepLabel(0));

    form()->bufferEditFrame().clearButton->click();
    QCOMPARE(viewSelection(), -1);
    QCOMPARE(form()->channelsFrame().stepLabel->text(), stepline::stepLabel(0));
    form()->bufferEditFrame().addButton->click();
    form()->bufferEditFrame().removeButton->click();
    QCOMPARE(form()->channelsFrame().stepLabel->text(), stepline::stepLabel(-1));
    QVERIFY(rig->port->writes.isEmpty());
}

// The refusal is the editor's; the window says so for Add and Replace, and lets the 1024th
// line in.
void TestSequence::fullListRefusesAdd() {
    QVERIFY(fillRamp(*rig, kMaxLines - 1));
    form()->bufferEditFrame().addButton->click();
    form()->bufferEditFrame().addButton->click();
    QCOMPARE(rig->dialogs.messages.size(), 1); // for the second Add only
    QCOMPARE(rig->dialogs.messages[0].title, QStringLiteral("Program"));
    QCOMPARE(rig->dialogs.messages[0].text,
             QStringLiteral("Impossible add other lines, max # of lines is 1024!"));
    form()->bufferEditFrame().replaceButton->click();
    QCOMPARE(rig->dialogs.messages.size(), 2);
    QCOMPARE(form()->panel().list().count(), kMaxLines);
}

// On a port just opened the board's pose is unknown, so the first step shown sends every
// channel; after that only the channels that change go out, each as its select byte and the
// position.
void TestSequence::walkAndShowStep() {
    QVERIFY(fillRamp(*rig, 4));
    form()->panel().list().setSelectedIndex(1);
    form()->bufferEditFrame().nextButton->click();
    form()->bufferEditFrame().previousButton->click();
    QCOMPARE(form()->channelsFrame().stepLabel->text(), stepline::stepLabel(1));
    QVERIFY(rig->lineIdle());
    QCOMPARE(rig->port->written(), QByteArray::fromHex("088409800a800b800c800d800e800f8028802980"
                                                       "2a802b80"
                                                       "0882"));

    // The odd channels k at 10 * k, the even ones centred.
    const QString odd =
        QStringLiteral("0 °\t-59 °\t0 °\t-49 °\t0 °\t-39 °\t0 °\t-29 °\t0 °\t-19 °\t0 °\t-9 °\t");
    form()->panel().editor().replaceAll(QStringList(4, odd + "80 ms"));
    form()->panel().list().setSelectedIndex(3);
    rig->port->clearWrites();
    form()->sequenceController().showStep(3);
    QVERIFY(rig->lineIdle());
    QCOMPARE(rig->port->written(), QByteArray::fromHex("0880090a0b1e0d320f46295a2b6e"));
    QCOMPARE(form()->channelsFrame().stepDuration->value(), 80.0);
    QCOMPARE(form()->channelsFrame().stepLabel->text(), stepline::stepLabel(3));
    rig->port->clearWrites();
    form()->sequenceController().showStep(4);
    QVERIFY(rig->lineIdle());
    QVERIFY(rig->port->writes.isEmpty());
}

// Only the left button chooses a line; a double-click shows it; the view's selection and the
// list's follow each other. Drags are the editor's and, with the real mouse, the playing test's.
void TestSequence::mouseOnTheList() {
    QVERIFY(fillRamp(*rig, 6));
    QWidget* viewport = form()->sideColumn().stepList->viewport();
    QTest::mouseClick(viewport, Qt::LeftButton, {}, centreOf(2));
    for (Qt::MouseButton button : {Qt::RightButton, Qt::MiddleButton}) {
        QTest::mouseClick(viewport, button, {}, centreOf(1));
        QTest::mousePress(viewport, button, {}, centreOf(2));
        QTest::mouseMove(viewport, centreOf(0));
        QTest::mouseRelease(viewport, button, {}, centreOf(0));
        QCOMPARE(form()->panel().list().selectedIndex(), 2);
    }
    // As the window system delivers it: press, release, double-click, release.
    QTest::mouseDClick(viewport, Qt::LeftButton, {}, centreOf(2));
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, centreOf(2));
    QCOMPARE(form()->channelsFrame().stepLabel->text(), stepline::stepLabel(2));
    QCOMPARE(rig->port->written().left(2), QByteArray::fromHex("0884"));
    form()->panel().list().setSelectedIndex(-1);
    QCOMPARE(viewSelection(), -1);
    form()->panel().list().setSelectedIndex(1);
    QCOMPARE(form()->sideColumn().stepList->currentIndex().row(), 1);

    // No gesture leaves the list without a selected line: not a click below the last line, not
    // Ctrl+click on the selected one.
    QTest::mouseClick(viewport, Qt::LeftButton, {},
                      QPoint(centreOf(5).x(), viewport->height() - 2));
    QCOMPARE(form()->panel().list().selectedIndex(), 1);
    QTest::mouseClick(viewport, Qt::LeftButton, Qt::ControlModifier, centreOf(1));
    QCOMPARE(form()->panel().list().selectedIndex(), 1);
    QCOMPARE(viewSelection(), 1);
}

// While the real timer plays 20 ms steps the ticks move the selection under a held button; the
// drag move goes by the lines under the pointer all the same.
void TestSequence::mouseWhilePlaying() {
    QVERIFY(fillRamp(*rig, 6, 20));
    form()->pcEmuFrame().pcEmuSwitch->click();
    QVERIFY(form()->panel().clock().isEnabled());
    QWidget* viewport = form()->sideColumn().stepList->viewport();
    const QPoint below(centreOf(0).x(), viewport->height() - 2);
    const struct {
        int from;
        QPoint to;
        QList<int> order;
    } gestures[] = {{3, centreOf(3), {0, 1, 2, 3, 4, 5}}, // a click
                    {1, centreOf(4), {0, 2, 3, 4, 1, 5}}, // a drag
                    {2, below, {0, 2, 3, 4, 1, 5}}};      // released on no line
    const SequenceList& list = form()->panel().list();
    for (const auto& g : gestures) {
        QTest::mousePress(viewport, Qt::LeftButton, {}, centreOf(g.from));
        QTRY_VERIFY(list.selectedIndex() != g.from); // a tick has moved on
        QTest::mouseMove(viewport, g.to);
        const int pointed = form()->sideColumn().stepList->indexAt(g.to).row();
        QTRY_VERIFY(list.selectedIndex() != pointed);
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, g.to);
        QCOMPARE(rig->order(), g.order);
    }
    form()->pcEmuFrame().pcEmuSwitch->click();
    QVERIFY(!form()->panel().clock().isEnabled());
}

QTEST_MAIN(TestSequence)
// Enter on the list shows the selected step, as a double-click; Delete removes it, as Remove.
void TestSequence::listKeys() {
    QVERIFY(fillRamp(*rig, 4));
    StepListView* list = form()->sideColumn().stepList;
    form()->panel().list().setSelectedIndex(2);
    QTest::keyClick(list, Qt::Key_Return);
    QCOMPARE(list->shownStep(), 2);
    QCOMPARE(form()->channelsFrame().stepLabel->text(), stepline::stepLabel(2));
    QTest::keyClick(list, Qt::Key_Delete);
    QCOMPARE(rig->order(), (QList<int>{0, 1, 3}));
}

#include "tst_sequence.moc"
