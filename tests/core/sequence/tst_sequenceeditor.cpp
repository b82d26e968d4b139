#include "core/sequence/SequenceEditor.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>
#include <optional>

namespace {

// Lines of the Add form that tell themselves apart: channel 0 shows id degrees and the duration
// is 20 + id, so an order of lines reads as an order of ids.
QString lineFor(int id) {
    return QString::number(id) + QStringLiteral(" \u00B0\t") +
           QStringLiteral("0 \u00B0\t").repeated(kChannelCount - 1) + QString::number(20 + id) +
           QStringLiteral(" ms");
}

QStringList linesFor(int count, int firstId = 0) {
    QStringList lines;
    for (int i = 0; i < count; ++i) {
        lines.append(lineFor(firstId + i));
    }
    return lines;
}

QList<int> rowsOf(const QString& text) {
    QList<int> rows;
    for (const QString& row : text.split(',', Qt::SkipEmptyParts)) {
        rows.append(row.toInt());
    }
    return rows;
}

} // namespace

// The editing commands, on one line and on several at once, and the selection they leave.
class TestSequenceEditor : public QObject {
    Q_OBJECT

private slots:
    void init() { editor.emplace(list); }
    void commands_data();
    void commands();
    void tableAndLimit();
    void snapshotRestore();
    void selectionFollowsEdits_data();
    void selectionFollowsEdits();
    void refusedEditsChangeNothing();
    void selection();
    void modelStaysConsistent();

private:
    // A list and its table, written as "0 1* (2) [3]": the line ids in order (channel 0 of each
    // row), the current one in brackets, the others selected in parentheses, a star where a
    // breakpoint is set.
    void set(const QString& state) {
        const QStringList tokens = state.split(' ', Qt::SkipEmptyParts);
        QCOMPARE(editor->replaceAll(linesFor(int(tokens.size()))), EditOutcome::Done);
        QList<int> selected;
        int current = -1;
        for (int i = 0; i < tokens.size(); ++i) {
            QVERIFY(!tokens[i].contains('*') ||
                    (list.setSelectedIndex(i) && editor->toggleBreak()));
            if (tokens[i].startsWith('(') || tokens[i].startsWith('[')) {
                selected << i;
            }
            current = tokens[i].startsWith('[') ? i : current;
        }
        QVERIFY(list.setSelection(selected, current));
    }
    // A "?" on a line whose row does not hold what the line reads as (columns 0 to 12), or
    // whose flag disagrees with its mark.
    QString state() const {
        QStringList tokens;
        for (int i = 0; i < list.count(); ++i) {
            const StepRecord& row = editor->table()[i];
            const std::optional<stepline::StepValues> v = stepline::ParseStepLine(list.line(i));
            const bool agrees = v && std::equal(v->begin(), v->end(), row.begin()) &&
                                (row[kBreakField] != 0) == stepline::hasBreakMark(list.line(i));
            const QString t = QString::number((row[0] - 128) / 2) + (row[kBreakField] ? "*" : "") +
                              (agrees ? "" : "?");
            tokens << (i == list.selectedIndex() ? "[" + t + "]"
                       : list.isSelected(i)      ? "(" + t + ")"
                                                 : t);
        }
        return tokens.join(' ');
    }

    SequenceList list;
    std::optional<SequenceEditor> editor; // every row of the table starts anew in each test
};

void TestSequenceEditor::commands_data() {
    QTest::addColumn<QString>("edit"); // before | command; new lines have ids from 100 on
    QTest::addColumn<int>("result");   // the outcome, the step shown, or whether it acted
    QTest::addColumn<QString>("after");
    using E = EditOutcome;
    const int done = int(E::Done), none = int(E::NothingToDo), bad = int(E::Unreadable);
    const int full = int(E::ListFull);

    QTest::newRow("add, no selection: on top") << "0 1 2 | add" << done << "[100] 0 1 2";
    QTest::newRow("add after line 2") << "0 1* [2] 3* 4 | add" << done << "0 1 2 [100] 3 4";
    QTest::newRow("add unreadable") << "0 [1] 2* | add x" << bad << "0 [1] 2*";
    QTest::newRow("remove the last") << "0 1* 2 3 [4] | remove" << done << "0 1 2 [3]";
    QTest::newRow("remove the only line") << "[0] | remove" << done << "";
    QTest::newRow("remove, no selection") << "0 1* 2 | remove" << none << "0 1 2";
    QTest::newRow("replace line 0") << "[0]* 1 2* | replace" << done << "[100] 1 2";
    QTest::newRow("replace unreadable") << "0 [1] 2* | replace x" << bad << "0 [1] 2*";
    QTest::newRow("clear all") << "0* 1 [2]* 3 | clear" << 0 << "";
    QTest::newRow("reset all") << "0* 1 [2]* 3 | reset" << 0 << "0 1 [2] 3";
    QTest::newRow("next wraps") << "0 1 2 [3] | next" << 0 << "[0] 1 2 3";
    QTest::newRow("next, no selection") << "0 1 2 | next" << 0 << "[0] 1 2";
    QTest::newRow("next, empty list") << " | next" << -1 << "";
    QTest::newRow("previous wraps") << "[0] 1 2 3 | previous" << 3 << "0 1 2 [3]";
    QTest::newRow("previous, no selection") << "0 1 2 | previous" << -1 << "0 1 2";
    QTest::newRow("set break") << "0 [1] 2 | toggle" << 1 << "0 [1*] 2";
    QTest::newRow("break, no selection") << "0 1 2 | toggle" << 0 << "0 1 2";
    // The breakpoint moves with its line, so mark and flag stay on one step.
    QTest::newRow("drag 1 onto 4") << "0 1* 2 3 4 5 | drag 1 4" << 1 << "0 2 3 4 [1*] 5";
    QTest::newRow("drag 4 onto 1") << "0 1 2 3 4* 5 | drag 4 1" << 1 << "0 [4*] 1 2 3 5";
    QTest::newRow("drag onto a mark") << "0 1 2 3 4* 5 | drag 1 4" << 1 << "0 2 3 4* [1] 5";
    QTest::newRow("drag past a mark") << "0 1 2* 3 4 5 | drag 0 5" << 1 << "1 2* 3 4 5 [0]";
    QTest::newRow("click on one line") << "0 1 2 3 4 5 | drag 2 2" << 0 << "0 1 [2] 3 4 5";
    QTest::newRow("press, no selection") << "0 1 2 3 4 5 | drag -1 3" << 0 << "0 1 2 [3] 4 5";
    QTest::newRow("release, no selection") << "0 1 2 3 4 5 | drag 3 -1" << 0 << "0 1 2 3 4 5";
    // Interpolation: the replaced line loses its breakpoint, lines that move keep theirs.
    QTest::newRow("lines for 1") << "0 1* 2 [3]* 4 | lines 1 3" << done << "0 [100] 101 102 2 3* 4";
    QTest::newRow("lines past the end") << "0 1* 2 | lines 3 2" << none << "0 1* 2";
    QTest::newRow("lines unreadable") << "0 1* 2 | lines 1 x" << bad << "0 1* 2";
    // Flash read-back.
    QTest::newRow("all lines") << "0 1* [2] 3 | all 2" << done << "100 101";

    // Several lines at once. Breakpoints stay with their lines, and the line that takes the
    // first removed one's place is selected alone.
    QTest::newRow("remove two") << "0 1* (2) [3] 4* | removeRows 1,3" << done << "0 [2] 4*";
    QTest::newRow("remove to the end") << "0 1* (2) [3] | removeRows 3,2" << done << "0 [1*]";
    QTest::newRow("remove one") << "0 [1] 2* | removeRows 1" << done << "0 [2*]";
    QTest::newRow("remove all") << "(0*) [1] | removeRows 0,1" << done << "";
    QTest::newRow("remove outside") << "0 [1*] | removeRows 1,2" << none << "0 [1*]";
    QTest::newRow("remove nothing") << "0 [1*] | removeRows" << none << "0 [1*]";
    QTest::newRow("paste after the current line")
        << "0 (1*) [2] 3* | paste 2 2" << done << "0 1* 2 (100) [101] 3*";
    QTest::newRow("paste, no selection on top")
        << "0* 1 | paste -1 2" << done << "(100) [101] 0* 1";
    QTest::newRow("paste at the end") << "0 [1*] | paste 1 1" << done << "0 1* [100]";
    QTest::newRow("paste marked lines") << "[0] 1* | paste 0 1*" << done << "0 [100] 1*";
    QTest::newRow("paste unreadable") << "0 [1*] | paste 1 x" << bad << "0 [1*]";
    QTest::newRow("paste nothing") << "0 [1*] | paste 1 0" << none << "0 [1*]";
    QTest::newRow("paste past 1024") << "0 [1*] | paste 1 1023" << full << "0 [1*]";
    QTest::newRow("paste to 1024") << "0 [1*] | paste 1 1022" << done << "";
    // Marks are not copied; the copies go after the last row, in list order.
    QTest::newRow("duplicate") << "[0*] 1 (2) 3* | duplicate 2,0" << done << "0* 1 2 (0) [2] 3*";
    QTest::newRow("up one block") << "0 (1) [2*] 3 | up 1,2" << 1 << "(1) [2*] 0 3";
    QTest::newRow("up, the top block stays")
        << "(0) (1*) 2 [3] 4 (5) | up 0,1,3,5" << 1 << "(0) (1*) [3] 2 (5) 4";
    QTest::newRow("up at the top") << "[0] (1) 2* | up 0,1" << 0 << "[0] (1) 2*";
    QTest::newRow("down, blocks one apart") << "[0] 1 (2*) 3 | down 0,2" << 1 << "1 [0] 3 (2*)";
    QTest::newRow("down at the bottom") << "0* (1) [2] | down 1,2" << 0 << "0* (1) [2]";
    QTest::newRow("move by two") << "0 [1] 2 3 | by2 1" << 0 << "0 [1] 2 3";
}

void TestSequenceEditor::commands() {
    QFETCH(QString, edit);
    QFETCH(int, result);
    QFETCH(QString, after);
    set(edit.section(" | ", 0, 0));
    const QStringList c = edit.section(" | ", 1).split(' ');
    const QList<int> rows = rowsOf(c.value(1));
    // The new lines: "x" ends them with an unreadable one, "1*" is one marked line.
    const QString n = c.value(2, c.value(1, "1"));
    QStringList lines = n.endsWith('*') ? QStringList{stepline::withBreakMark(lineFor(100))}
                                        : linesFor(n.toInt(), 100);
    if (n == "x") {
        lines = QStringList{lineFor(100), QStringLiteral("1 \u00B0")};
    }
    int got = 0;
    if (c[0] == "drag") {
        QVERIFY(list.setSelectedIndex(c[1].toInt()));
        editor->pressOnList(c[1].toInt());
        QCOMPARE(editor->dragFrom(), c[1].toInt());
        QVERIFY(list.setSelectedIndex(c[2].toInt()));
        got = editor->releaseOnList(c[2].toInt());
    } else {
        got = c[0] == "add"          ? int(editor->add(lines.constLast()))
              : c[0] == "next"       ? editor->next().value_or(-1)
              : c[0] == "previous"   ? editor->previous().value_or(-1)
              : c[0] == "remove"     ? int(editor->remove())
              : c[0] == "replace"    ? int(editor->replace(lines.constLast()))
              : c[0] == "toggle"     ? int(editor->toggleBreak())
              : c[0] == "lines"      ? int(editor->replaceLineWith(c[1].toInt(), lines))
              : c[0] == "all"        ? int(editor->replaceAll(lines))
              : c[0] == "clear"      ? (editor->clearAll(), 0)
              : c[0] == "reset"      ? (editor->resetBreakPoints(), 0)
              : c[0] == "paste"      ? int(editor->insertAfter(c[1].toInt(), lines))
              : c[0] == "removeRows" ? int(editor->removeRows(rows))
              : c[0] == "duplicate"  ? int(editor->duplicateRows(rows))
              : c[0] == "up"         ? editor->moveRows(rows, -1)
              : c[0] == "down"       ? editor->moveRows(rows, 1)
                                     : editor->moveRows(rows, 2);
    }
    QCOMPARE(got, result);
    if (after.isEmpty() && list.count() > 0) { // a full list: the pasted block at its end
        QCOMPARE(list.count(), kMaxLines);
        QCOMPARE(list.selectedRows().size(), kMaxLines - 2);
        QCOMPARE(list.selectedIndex(), kMaxLines - 1);
        QVERIFY(!state().contains('?'));
        return;
    }
    QCOMPARE(state(), after);
}

// Edits leave the rows past the list alone; a breakpoint reset clears all 1025, list or none.
// At the limit, Add, Replace and read-back refuse and keep the breakpoints; interpolation may
// fill the list exactly.
void TestSequenceEditor::tableAndLimit() {
    set("0 1 2 3 [4]");
    QCOMPARE(editor->remove(), EditOutcome::Done);
    QCOMPARE(editor->table()[4][kDurationField], 24);
    editor->clearAll();
    QCOMPARE(editor->table()[3][kDurationField], 23);
    SequenceSnapshot flagged = editor->snapshot();
    flagged.breakFlags.fill(1);
    QVERIFY(editor->restore(flagged));
    editor->resetBreakPoints();
    for (const StepRecord& row : editor->table()) {
        QCOMPARE(row[kBreakField], 0);
    }

    QCOMPARE(editor->replaceAll(linesFor(kMaxLines - 1)), EditOutcome::Done);
    QCOMPARE(editor->replaceLineWith(0, linesFor(3, 100)), EditOutcome::ListFull);
    QCOMPARE(editor->replaceLineWith(0, linesFor(2, 100)), EditOutcome::Done);
    QCOMPARE(list.count(), kMaxLines);
    QVERIFY(list.setSelectedIndex(7) && editor->toggleBreak());
    const QStringList before = list.lines();
    QCOMPARE(editor->add(lineFor(100)), EditOutcome::ListFull);
    QCOMPARE(editor->replace(lineFor(100)), EditOutcome::ListFull);
    QCOMPARE(editor->replaceAll(linesFor(kMaxLines + 1)), EditOutcome::ListFull);
    QCOMPARE(list.lines(), before);
    QCOMPARE(list.selectedIndex(), 7);
    QVERIFY(!state().contains('?')); // line 7 keeps its mark, so row 7 its flag
}

// Undo's restore gives back the lines, the selected rows with the current line and the flags of
// all 1025 rows, and re-derives the table. A list of the same length is patched line by line, so
// the view keeps its place.
void TestSequenceEditor::snapshotRestore() {
    set("0 1* [2] 3");
    SequenceSnapshot flagged = editor->snapshot();
    flagged.breakFlags[kTableRows - 1] = 1;
    QVERIFY(editor->restore(flagged));
    const SequenceSnapshot before = editor->snapshot();

    QCOMPARE(editor->replace(lineFor(100)), EditOutcome::Done);
    QSignalSpy resets(&list, &QAbstractItemModel::modelReset);
    QVERIFY(editor->restore(before));
    QCOMPARE(state(), QStringLiteral("0 1* [2] 3"));
    QCOMPARE(editor->table()[kTableRows - 1][kBreakField], 1);
    QCOMPARE(resets.count(), 0);
    QCOMPARE(editor->snapshot(), before);

    QCOMPARE(editor->remove(), EditOutcome::Done);
    QVERIFY(editor->restore(before));
    QCOMPARE(state(), QStringLiteral("0 1* [2] 3"));
    QCOMPARE(resets.count(), 1);

    set("0 (1) [2] 3");
    const SequenceSnapshot rows = editor->snapshot();
    QCOMPARE(editor->removeRows({1, 2}), EditOutcome::Done);
    QVERIFY(editor->restore(rows));
    QCOMPARE(state(), QStringLiteral("0 (1) [2] 3"));
}

void TestSequenceEditor::selectionFollowsEdits_data() {
    QTest::addColumn<QString>("edit");  // new lines have ids from 100 on
    QTest::addColumn<int>("selected");  // of five lines, ids 0 to 4
    QTest::addColumn<QString>("after"); // ids in order, the selected one in brackets

    QTest::newRow("insert before") << "insert 1" << 2 << "0 100 1 [2] 3 4";
    QTest::newRow("remove before") << "remove 1" << 3 << "0 2 [3] 4";
    QTest::newRow("remove selected") << "remove 3" << 3 << "0 1 2 4";
    QTest::newRow("move down past") << "move 1 3" << 3 << "0 2 [3] 1 4";
    QTest::newRow("replace before") << "replace 1 2" << 3 << "0 100 101 2 [3] 4";
}

void TestSequenceEditor::selectionFollowsEdits() {
    QFETCH(QString, edit);
    QFETCH(int, selected);
    QFETCH(QString, after);
    SequenceList fresh;
    QAbstractItemModelTester tester(&fresh, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QVERIFY(fresh.setLines(linesFor(5)) && fresh.setSelectedIndex(selected));

    const QStringList e = edit.split(' ');
    QVERIFY(e[0] == "insert"   ? fresh.insertLine(e[1].toInt(), lineFor(100))
            : e[0] == "remove" ? fresh.removeLine(e[1].toInt())
            : e[0] == "move"   ? fresh.moveLine(e[1].toInt(), e[2].toInt())
                               : fresh.replaceLine(e[1].toInt(), linesFor(e[2].toInt(), 100)));
    QStringList shown;
    for (int i = 0; i < fresh.count(); ++i) {
        const QString id = QString::number((fresh.values(i)[0] - 128) / 2);
        shown << (i == fresh.selectedIndex() ? "[" + id + "]" : id);
    }
    QCOMPARE(shown.join(' '), after);
}

// Out of range or unreadable: refused whole, and the view is told nothing. A move down tells it
// the row goes in front of the old row to + 1.
void TestSequenceEditor::refusedEditsChangeNothing() {
    SequenceList fresh;
    QVERIFY(fresh.setLines(linesFor(3)) && fresh.setSelectedIndex(1));
    QSignalSpy inserts(&fresh, &QAbstractItemModel::rowsAboutToBeInserted);
    QSignalSpy removes(&fresh, &QAbstractItemModel::rowsAboutToBeRemoved);
    QSignalSpy moved(&fresh, &QAbstractItemModel::rowsMoved);
    QSignalSpy data(&fresh, &QAbstractItemModel::dataChanged);
    const QString bad = QStringLiteral("x \u00B0");
    QVERIFY(!fresh.insertLine(4, lineFor(9)) && !fresh.insertLine(-1, lineFor(9)));
    QVERIFY(!fresh.insertLine(1, bad) && !fresh.setLine(1, bad) && !fresh.setLine(3, lineFor(9)));
    QVERIFY(!fresh.removeLine(3) && !fresh.moveLine(0, 3) && !fresh.replaceLine(0, {}));
    QVERIFY(!fresh.replaceLine(0, {lineFor(9), bad}) && !fresh.replaceLine(3, {lineFor(9)}));
    QVERIFY(!fresh.setSelectedIndex(-2) && !fresh.setSelectedIndex(3));
    QCOMPARE(fresh.lines(), linesFor(3));
    QCOMPARE(fresh.selectedIndex(), 1);
    QCOMPARE(inserts.count() + removes.count() + moved.count() + data.count(), 0);

    QVERIFY(fresh.moveLine(0, 2) && fresh.setLine(1, lineFor(7)));
    QCOMPARE(moved.count(), 1);
    QCOMPARE(moved.first().at(4).toInt(), 3);
    QCOMPARE(data.count(), 1);
    QCOMPARE(data.first().at(0).toModelIndex().row(), 1);
}

// The current line is always one of the selected rows; a plain selection of one line drops the
// others; each change of which lines are selected is told once.
void TestSequenceEditor::selection() {
    QVERIFY(list.setLines(linesFor(4)));
    QSignalSpy current(&list, &SequenceList::selectedIndexChanged);
    QSignalSpy rows(&list, &SequenceList::selectionChanged);
    QVERIFY(list.setSelection({3, 1}, 2));
    QCOMPARE(list.selectedRows(), QList<int>({1, 2, 3}));
    QCOMPARE(list.selectedIndex(), 2);
    QVERIFY(!list.setSelection({1, 4}, 1) && !list.setSelection({1}, -1));
    QCOMPARE(list.selectedRows(), QList<int>({1, 2, 3}));
    QCOMPARE(current.size() * 10 + rows.size(), 11);

    QVERIFY(list.insertLine(0, lineFor(9))); // rows shift: the model tells the view
    QCOMPARE(list.selectedRows(), QList<int>({2, 3, 4}));
    QCOMPARE(current.size() * 10 + rows.size(), 21);
    QVERIFY(list.removeLine(3)); // the current line goes: nothing stays selected
    QCOMPARE(list.selectedRows(), QList<int>());
    QCOMPARE(current.size() * 10 + rows.size(), 32);
    QVERIFY(list.setSelection({0, 1}, 1) && list.setSelectedIndex(1));
    QCOMPARE(list.selectedRows(), QList<int>({1}));
    QCOMPARE(current.size() * 10 + rows.size(), 44);
    QVERIFY(list.setSelectedIndex(1)); // already the only one
    QCOMPARE(current.size() * 10 + rows.size(), 44);
}

// Block edits tell an attached view one consistent story.
void TestSequenceEditor::modelStaysConsistent() {
    QAbstractItemModelTester tester(&list, QAbstractItemModelTester::FailureReportingMode::QtTest);
    set("0 1 2 3 4 5");
    QSignalSpy removed(&list, &QAbstractItemModel::rowsRemoved);
    QCOMPARE(editor->removeRows({5, 1, 2, 4}), EditOutcome::Done);
    QCOMPARE(removed.size(), 2);
    QCOMPARE(editor->insertAfter(0, {lineFor(100), lineFor(101)}), EditOutcome::Done);
    QVERIFY(editor->moveRows({1, 2}, 1));
    QCOMPARE(state(), QStringLiteral("0 3 (100) [101]"));
}

QTEST_GUILESS_MAIN(TestSequenceEditor)
#include "tst_sequenceeditor.moc"
