#include "support/IdLines.h"

#include "core/sequence/SequenceEditor.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>
#include <optional>

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

private:
    // A list and its table, written as "0 1* [2] 3": the line ids in order (channel 0 of each row),
    // the selected one in brackets, a star where a breakpoint is set.
    void set(const QString& state) {
        const QStringList tokens = state.split(' ', Qt::SkipEmptyParts);
        QCOMPARE(editor->replaceAll(linesFor(int(tokens.size()))), EditOutcome::Done);
        for (int i = 0; i < tokens.size(); ++i) {
            QVERIFY(!tokens[i].contains('*') || (list.setSelectedIndex(i) && editor->toggleBreak()));
        }
        QVERIFY(list.setSelectedIndex(int(tokens.indexOf(QRegularExpression("\\[.*")))));
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
            tokens << (i == list.selectedIndex() ? "[" + t + "]" : t);
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
}

void TestSequenceEditor::commands() {
    QFETCH(QString, edit);
    QFETCH(int, result);
    QFETCH(QString, after);
    set(edit.section(" | ", 0, 0));
    const QStringList c = edit.section(" | ", 1).split(' '); // "x": an unreadable line
    const QStringList lines = c.last() == "x" ? QStringList{QStringLiteral("1 \u00B0")}
                                              : linesFor(c.value(2, c.value(1, "1")).toInt(), 100);
    int got = 0;
    if (c[0] == "drag") {
        QVERIFY(list.setSelectedIndex(c[1].toInt()));
        editor->pressOnList(c[1].toInt());
        QCOMPARE(editor->dragFrom(), c[1].toInt());
        QVERIFY(list.setSelectedIndex(c[2].toInt()));
        got = editor->releaseOnList(c[2].toInt());
    } else {
        got = c[0] == "add"        ? int(editor->add(lines.value(0)))
              : c[0] == "next"     ? editor->next().value_or(-1)
              : c[0] == "previous" ? editor->previous().value_or(-1)
              : c[0] == "remove"   ? int(editor->remove())
              : c[0] == "replace"  ? int(editor->replace(lines.value(0)))
              : c[0] == "toggle"   ? int(editor->toggleBreak())
              : c[0] == "lines"    ? int(editor->replaceLineWith(c[1].toInt(), lines))
              : c[0] == "all"      ? int(editor->replaceAll(lines))
              : c[0] == "clear"    ? (editor->clearAll(), 0)
                                   : (editor->resetBreakPoints(), 0);
    }
    QCOMPARE(got, result);
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

// Undo's restore gives back the lines, the selection and the flags of all 1025 rows, and
// re-derives the table. A list of the same length is patched line by line, so the view keeps
// its place.
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

QTEST_GUILESS_MAIN(TestSequenceEditor)
#include "tst_sequenceeditor.moc"
