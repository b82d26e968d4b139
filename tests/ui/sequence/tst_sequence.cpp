#include "support/RampLines.h"

#include "board/HiResTimer.h"
#include "core/sequence/StepLine.h"
#include "ui/frames/Menus.h"
#include "ui/panel/SequenceHistory.h"
#include "ui/sequence/SequenceController.h"
#include "ui/shell/ClickableViews.h"
#include "ui/shell/NumericField.h"
#include "ui/shell/SlideControl.h"
#include "ui/shell/SwitchControl.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTest>

#include <functional>

using Gesture = std::function<void(MainWindow&)>;
Q_DECLARE_METATYPE(Gesture)

namespace {
// Ramp lines 1 and 3 of the clipboard, as the panel writes them.
const QString kTwoLines =
    QStringLiteral("130\t128\t128\t128\t128\t128\t128\t128\t128\t128\t128\t128\t200\t\r\n"
                   "134\t128\t128\t128\t128\t128\t128\t128\t128\t128\t128\t128\t400\t\r\n");
} // namespace

// The buffer editing frame through the window's widgets: clicks on the buttons, a real mouse on
// the list, the bytes that ShowStep puts on the line; several lines at once, selected with the
// mouse and the keys, with the Edit menu's commands and the clipboard as text. The rules
// themselves are the editor's.
class TestSequence : public QObject {
    Q_OBJECT
private slots:
    void init() { rig = std::make_unique<FormRig>(); }
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    // Add reads the readouts (in the user's number format) and the duration entry; the view and
    // the label follow every command, and none of them shows a step.
    void editButtons() {
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
    void fullListRefusesAdd() {
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
    void walkAndShowStep() {
        QVERIFY(fillRamp(*rig, 4));
        form()->panel().list().setSelectedIndex(1);
        form()->bufferEditFrame().nextButton->click();
        form()->bufferEditFrame().previousButton->click();
        QCOMPARE(form()->channelsFrame().stepLabel->text(), stepline::stepLabel(1));
        QCOMPARE(rig->sent(), QByteArray::fromHex("088409800a800b800c800d800e800f8028802980"
                                                  "2a802b80"
                                                  "0882"));

        // The odd channels k at 10 * k, the even ones centred.
        const QString odd = QStringLiteral(
            "0 °\t-59 °\t0 °\t-49 °\t0 °\t-39 °\t0 °\t-29 °\t0 °\t-19 °\t0 °\t-9 °\t");
        form()->panel().editor().replaceAll(QStringList(4, odd + "80 ms"));
        form()->panel().list().setSelectedIndex(3);
        rig->port->clearWrites();
        form()->sequenceController().showStep(3);
        QCOMPARE(rig->sent(), QByteArray::fromHex("0880090a0b1e0d320f46295a2b6e"));
        QCOMPARE(form()->channelsFrame().stepDuration->value(), 80.0);
        QCOMPARE(form()->channelsFrame().stepLabel->text(), stepline::stepLabel(3));
        rig->port->clearWrites();
        form()->sequenceController().showStep(4);
        QCOMPARE(rig->sent(), QByteArray());
    }

    // Only the left button chooses a line; a double-click shows it; the view's selection and the
    // list's follow each other. Drags are the editor's and, with the real mouse, the playing
    // test's.
    void mouseOnTheList() {
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
    void mouseWhilePlaying() {
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

    // Enter on the list shows the selected step, as a double-click; Delete removes it, as Remove.
    void listKeys() {
        QVERIFY(fillRamp(*rig, 4));
        StepListView* list = form()->sideColumn().stepList;
        form()->panel().list().setSelectedIndex(2);
        QTest::keyClick(list, Qt::Key_Return);
        QCOMPARE(list->shownStep(), 2);
        QCOMPARE(form()->channelsFrame().stepLabel->text(), stepline::stepLabel(2));
        QTest::keyClick(list, Qt::Key_Delete);
        QCOMPARE(rig->order(), (QList<int>{0, 1, 3}));
    }

    void commandsOnSeveralLines_data() {
        QTest::addColumn<Gesture>("command");
        QTest::addColumn<QList<int>>("order");
        QTest::addColumn<QList<int>>("selected");
        QTest::addColumn<int>("current");
        QTest::addColumn<QString>("undoText");
        const auto button = [](QPushButton* BufferEditFrame::*b) {
            return Gesture([b](MainWindow& w) { (w.bufferEditFrame().*b)->click(); });
        };
        const auto menu = [](QAction* Menus::*a) {
            return Gesture([a](MainWindow& w) { (w.menus().*a)->trigger(); });
        };
        const auto row = [](const char* name, const Gesture& command, const QList<int>& order,
                            const QList<int>& selected, int current, const char* undoText) {
            QTest::newRow(name) << command << order << selected << current << QString(undoText);
        };
        // Lines 1, 3 and 4 selected, 3 the current line.
        row("Add after the current line", button(&BufferEditFrame::addButton),
            {0, 1, 2, 3, 9, 4, 5}, {4}, 4, "Undo Add");
        row("Replace the current line", button(&BufferEditFrame::replaceButton), {0, 1, 2, 9, 4, 5},
            {3}, 3, "Undo Replace");
        row("Remove every selected line", button(&BufferEditFrame::removeButton), {0, 2, 5}, {1}, 1,
            "Undo Remove");
        row("Cut", menu(&Menus::cutAction), {0, 2, 5}, {1}, 1, "Undo Cut");
        row("Duplicate after the last", menu(&Menus::duplicateAction), {0, 1, 2, 3, 4, 1, 3, 4, 5},
            {5, 6, 7}, 7, "Undo Duplicate");
        row("Move Up", menu(&Menus::moveUpAction), {1, 0, 3, 4, 2, 5}, {0, 2, 3}, 2,
            "Undo Move Up");
        row("Move Down", menu(&Menus::moveDownAction), {0, 2, 1, 5, 3, 4}, {2, 4, 5}, 4,
            "Undo Move Down");
        row("Paste after the current line", Gesture([](MainWindow& w) {
                QGuiApplication::clipboard()->setText(kTwoLines);
                w.menus().pasteAction->trigger();
            }),
            {0, 1, 2, 3, 1, 3, 4, 5}, {4, 5}, 5, "Undo Paste");
    }

    // The current line (the last clicked) is the one Add and Replace act on; the rest take every
    // selected line. The view shows the list's selection afterwards, and one undo takes it all
    // back.
    void commandsOnSeveralLines() {
        QVERIFY(fillRamp(*rig, 6));
        QFETCH(Gesture, command);
        QFETCH(QList<int>, order);
        QFETCH(QList<int>, selected);
        QFETCH(int, current);
        form()->channelsFrame().sliders[0]->setValue(146); // 9°
        click(1);
        click(4, Qt::ControlModifier);
        click(3, Qt::ControlModifier);
        QCOMPARE(list().selectedRows(), QList<int>({1, 3, 4}));
        QCOMPARE(list().selectedIndex(), 3);

        command(*form());
        QCOMPARE(rig->order(), order);
        QCOMPARE(list().selectedRows(), selected);
        QCOMPARE(rig->viewSelection(), selected);
        QCOMPARE(list().selectedIndex(), current);
        QCOMPARE(form()->sideColumn().stepList->currentIndex().row(), current);
        QCOMPARE(form()->channelsFrame().stepLabel->text(), stepline::stepLabel(current));
        QTEST(form()->menus().undoAction->text(), "undoText");

        form()->menus().undoAction->trigger();
        QCOMPARE(rig->order(), QList<int>({0, 1, 2, 3, 4, 5}));
        QCOMPARE(rig->viewSelection(), QList<int>({1, 3, 4}));
        QCOMPARE(list().selectedIndex(), 3);
    }

    // A plain click selects one line; Shift and Ctrl extend with the mouse and the keys; Ctrl+click
    // off the current line leaves the nearest selected one current; Set Break and "--->" take
    // the current line only.
    void selectionGestures() {
        QVERIFY(fillRamp(*rig, 6));
        StepListView* view = form()->sideColumn().stepList;
        click(1);
        click(3, Qt::ShiftModifier);
        QCOMPARE(list().selectedRows(), QList<int>({1, 2, 3}));
        view->setFocus();
        QTest::keyClick(view, Qt::Key_Down, Qt::ShiftModifier);
        QCOMPARE(list().selectedRows(), QList<int>({1, 2, 3, 4}));
        QCOMPARE(list().selectedIndex(), 4);
        click(4, Qt::ControlModifier);
        QCOMPARE(list().selectedRows(), QList<int>({1, 2, 3}));
        QCOMPARE(list().selectedIndex(), 3);
        QCOMPARE(view->currentIndex().row(), 3);

        form()->pcEmuFrame().breakButton->click();
        QVERIFY(list().line(3).endsWith(QStringLiteral("BREAK!")));
        QVERIFY(!list().line(1).endsWith(QStringLiteral("BREAK!")));
        form()->bufferEditFrame().nextButton->click();
        QCOMPARE(form()->channelsFrame().stepLabel->text(), stepline::stepLabel(4));
        QCOMPARE(list().selectedRows(), QList<int>({4}));

        click(0);
        QCOMPARE(list().selectedRows(), QList<int>({0}));
        QCOMPARE(rig->viewSelection(), QList<int>({0}));
        // A Shift-drag extends and moves no line.
        const auto at = [&](int row) { return rig->rowCentre(row); };
        QTest::mousePress(view->viewport(), Qt::LeftButton, Qt::ShiftModifier, at(2));
        QTest::mouseMove(view->viewport(), at(4));
        QTest::mouseRelease(view->viewport(), Qt::LeftButton, Qt::ShiftModifier, at(4));
        QCOMPARE(rig->order(), QList<int>({0, 1, 2, 3, 4, 5}));

        // A plain drag moves one line, which stays the only one selected, before and after undo.
        QTest::mousePress(view->viewport(), Qt::LeftButton, {}, at(1));
        QTest::mouseMove(view->viewport(), at(2));
        QTest::mouseMove(view->viewport(), at(3));
        QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, at(3));
        QCOMPARE(rig->order(), QList<int>({0, 2, 3, 1, 4, 5}));
        QCOMPARE(rig->viewSelection(), QList<int>({3}));
        form()->menus().undoAction->trigger();
        QCOMPARE(rig->order(), QList<int>({0, 1, 2, 3, 4, 5}));
        QCOMPARE(list().selectedRows(), QList<int>({1}));
    }

    // Breakpoints stay behind; the clipboard holds the file's own lines in list order.
    void copyWritesTheFileFormat() {
        QVERIFY(fillRamp(*rig, 6));
        form()->panel().list().setSelection({3, 1}, 3);
        form()->pcEmuFrame().breakButton->click();
        form()->menus().copyAction->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(), kTwoLines);
        QCOMPARE(form()->menus().undoAction->text(), QStringLiteral("Undo Set/Reset Break"));
    }

    void paste_data() {
        QTest::addColumn<QString>("clipboard");
        QTest::addColumn<int>("listLines");
        QTest::addColumn<QList<int>>("order"); // of the first 8 lines
        QTest::addColumn<QString>("message");
        QTest::newRow("a spreadsheet's LF-only copy")
            << QStringLiteral("150\t128\t128\t128\t128\t128\t128\t128\t128\t128\t128\t128\t300\t\n"
                              "152\t128\t128\t128\t128\t128\t128\t128\t128\t128\t128\t128\t300\t\n")
            << 6 << QList<int>{0, 1, 11, 12, 2, 3, 4, 5} << QString();
        QTest::newRow("a bad line named, nothing pasted")
            << QStringLiteral(
                   "150\t128\t128\t128\t128\t128\t128\t128\t128\t128\t128\t128\t300\t\r\n"
                   "152\t128\t128\t12x\t128\t128\t128\t128\t128\t128\t128\t128\t300\t\r\n")
            << 6 << QList<int>{0, 1, 2, 3, 4, 5}
            << QStringLiteral("Line 2 of the clipboard cannot be read: one of its values is not a "
                              "whole number. Nothing was pasted.");
        QTest::newRow("past 1024 lines refused whole")
            << kTwoLines << 1023 << QList<int>{0, 1, 2, 3, 4, 5, 0, 0}
            << QStringLiteral("Impossible add other lines, max # of lines is 1024!");
        QTest::newRow("up to 1024 lines taken")
            << kTwoLines << 1022 << QList<int>{0, 1, 1, 3, 2, 3, 4, 5} << QString();
    }

    void paste() {
        QVERIFY(fillRamp(*rig, 6));
        QFETCH(QString, clipboard);
        QFETCH(int, listLines);
        QFETCH(QList<int>, order);
        QFETCH(QString, message);
        QStringList lines;
        for (int i = 0; i < listLines; ++i) {
            lines << rampLine(i < 6 ? i : 0);
        }
        QCOMPARE(form()->panel().editor().replaceAll(lines), EditOutcome::Done);
        form()->panel().list().setSelectedIndex(1);
        QGuiApplication::clipboard()->setText(clipboard);
        form()->menus().pasteAction->trigger();
        QCOMPARE(rig->order().mid(0, 8), order);
        if (message.isEmpty()) {
            QVERIFY(rig->dialogs.messages.isEmpty());
            QCOMPARE(list().selectedRows(), QList<int>({2, 3}));
            QCOMPARE(form()->menus().undoAction->text(), QStringLiteral("Undo Paste"));
        } else {
            QCOMPARE(rig->dialogs.messages.size(), 1);
            QCOMPARE(rig->dialogs.messages[0].text, message);
            QCOMPARE(list().count(), listLines);
            QVERIFY(!form()->panel().history().stack().canUndo());
        }
    }

private:
    QPoint centreOf(int row) const { return rig->rowCentre(row); }
    int viewSelection() const { return rig->viewSelection().value(0, -1); }
    const SequenceList& list() const { return form()->panel().list(); }
    void click(int row, Qt::KeyboardModifiers modifiers = {}) {
        QTest::mouseClick(form()->sideColumn().stepList->viewport(), Qt::LeftButton, modifiers,
                          centreOf(row));
    }

    std::unique_ptr<FormRig> rig;
    MainWindow* form() const { return rig->form.get(); }
};

QTEST_MAIN(TestSequence)
#include "tst_sequence.moc"
