#include "support/RampLines.h"

#include "core/sequence/StepLine.h"
#include "ui/frames/Menus.h"
#include "ui/panel/SequenceHistory.h"
#include "ui/shell/ClickableViews.h"
#include "ui/shell/SlideControl.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
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

// Several lines at once through the real window: the selection made with the mouse and the
// keys, the commands from the Edit menu and the buttons, the clipboard as text.
class TestCompose : public QObject {
    Q_OBJECT
private slots:
    void init() {
        rig = std::make_unique<FormRig>();
        QVERIFY(fillRamp(*rig, 6));
    }

    void commandsOnSeveralLines_data();
    void commandsOnSeveralLines();
    void selectionGestures();
    void copyWritesTheFileFormat();
    void paste_data();
    void paste();

private:
    MainWindow* form() const { return rig->form.get(); }
    const SequenceList& list() const { return form()->panel().list(); }
    void click(int row, Qt::KeyboardModifiers modifiers = {}) {
        QTest::mouseClick(form()->sideColumn().stepList->viewport(), Qt::LeftButton, modifiers,
                          rig->rowCentre(row));
    }

    std::unique_ptr<FormRig> rig;
};

void TestCompose::commandsOnSeveralLines_data() {
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
    // Lines 1, 3 and 4 selected, 3 the current line.
    QTest::newRow("Add after the current line")
        << button(&BufferEditFrame::addButton) << QList<int>{0, 1, 2, 3, 9, 4, 5} << QList<int>{4}
        << 4 << "Undo Add";
    QTest::newRow("Replace the current line")
        << button(&BufferEditFrame::replaceButton) << QList<int>{0, 1, 2, 9, 4, 5} << QList<int>{3}
        << 3 << "Undo Replace";
    QTest::newRow("Remove every selected line")
        << button(&BufferEditFrame::removeButton) << QList<int>{0, 2, 5} << QList<int>{1} << 1
        << "Undo Remove";
    QTest::newRow("Cut") << menu(&Menus::cutAction) << QList<int>{0, 2, 5} << QList<int>{1} << 1
                         << "Undo Cut";
    QTest::newRow("Duplicate after the last")
        << menu(&Menus::duplicateAction) << QList<int>{0, 1, 2, 3, 4, 1, 3, 4, 5}
        << QList<int>{5, 6, 7} << 7 << "Undo Duplicate";
    QTest::newRow("Move Up") << menu(&Menus::moveUpAction) << QList<int>{1, 0, 3, 4, 2, 5}
                             << QList<int>{0, 2, 3} << 2 << "Undo Move Up";
    QTest::newRow("Move Down") << menu(&Menus::moveDownAction) << QList<int>{0, 2, 1, 5, 3, 4}
                               << QList<int>{2, 4, 5} << 4 << "Undo Move Down";
    QTest::newRow("Paste after the current line") << Gesture([](MainWindow& w) {
        QGuiApplication::clipboard()->setText(kTwoLines);
        w.menus().pasteAction->trigger();
    }) << QList<int>{0, 1, 2, 3, 1, 3, 4, 5} << QList<int>{4, 5}
                                                  << 5 << "Undo Paste";
}

// The current line (the last clicked) is the one Add and Replace act on; the rest take every
// selected line. The view shows the list's selection afterwards, and one undo takes it all back.
void TestCompose::commandsOnSeveralLines() {
    QFETCH(Gesture, command);
    QFETCH(QList<int>, order);
    QFETCH(QList<int>, selected);
    QFETCH(int, current);
    QFETCH(QString, undoText);
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
    QCOMPARE(form()->menus().undoAction->text(), undoText);

    form()->menus().undoAction->trigger();
    QCOMPARE(rig->order(), QList<int>({0, 1, 2, 3, 4, 5}));
    QCOMPARE(rig->viewSelection(), QList<int>({1, 3, 4}));
    QCOMPARE(list().selectedIndex(), 3);
}

// A plain click selects one line; Shift and Ctrl extend with the mouse and the keys; Ctrl+click
// off the current line leaves the nearest selected one current; Set Break and "--->" take
// the current line only.
void TestCompose::selectionGestures() {
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
void TestCompose::copyWritesTheFileFormat() {
    form()->panel().list().setSelection({3, 1}, 3);
    form()->pcEmuFrame().breakButton->click();
    form()->menus().copyAction->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), kTwoLines);
    QCOMPARE(form()->menus().undoAction->text(), QStringLiteral("Undo Set/Reset Break"));
}

void TestCompose::paste_data() {
    QTest::addColumn<QString>("clipboard");
    QTest::addColumn<int>("listLines");
    QTest::addColumn<QList<int>>("order"); // of the first 8 lines
    QTest::addColumn<QString>("message");
    QTest::newRow("a spreadsheet's LF-only copy")
        << QStringLiteral("150\t128\t128\t128\t128\t128\t128\t128\t128\t128\t128\t128\t300\t\n"
                          "152\t128\t128\t128\t128\t128\t128\t128\t128\t128\t128\t128\t300\t\n")
        << 6 << QList<int>{0, 1, 11, 12, 2, 3, 4, 5} << QString();
    QTest::newRow("a bad line named, nothing pasted")
        << QStringLiteral("150\t128\t128\t128\t128\t128\t128\t128\t128\t128\t128\t128\t300\t\r\n"
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

void TestCompose::paste() {
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

QTEST_MAIN(TestCompose)
#include "tst_compose.moc"
