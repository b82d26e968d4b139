#include "support/IdLines.h"

#include "core/sequence/SequenceEditor.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>
#include <optional>

namespace {

QList<int> rowsOf(const QString& text) {
    QList<int> rows;
    for (const QString& row : text.split(',', Qt::SkipEmptyParts)) {
        rows.append(row.toInt());
    }
    return rows;
}

} // namespace

// The commands on several lines at once, and the extended selection they leave.
class TestMultiLine : public QObject {
    Q_OBJECT

private slots:
    void init() { editor.emplace(list); }

    void commands_data() {
        QTest::addColumn<QString>("edit"); // before | command rows; new lines have ids from 100 on
        QTest::addColumn<int>("result");   // the outcome, or whether lines moved
        QTest::addColumn<QString>("after");
        const int done = int(EditOutcome::Done), none = int(EditOutcome::NothingToDo);
        const int full = int(EditOutcome::ListFull), bad = int(EditOutcome::Unreadable);

        // Breakpoints stay with their lines, and the line that takes the first removed one's
        // place is selected alone.
        QTest::newRow("remove two") << "0 1* (2) [3] 4* | remove 1,3" << done << "0 [2] 4*";
        QTest::newRow("remove to the end") << "0 1* (2) [3] | remove 3,2" << done << "0 [1*]";
        QTest::newRow("remove one") << "0 [1] 2* | remove 1" << done << "0 [2*]";
        QTest::newRow("remove all") << "(0*) [1] | remove 0,1" << done << "";
        QTest::newRow("remove outside") << "0 [1*] | remove 1,2" << none << "0 [1*]";
        QTest::newRow("remove nothing") << "0 [1*] | remove" << none << "0 [1*]";

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
        QTest::newRow("duplicate")
            << "[0*] 1 (2) 3* | duplicate 2,0" << done << "0* 1 2 (0) [2] 3*";

        QTest::newRow("up one block") << "0 (1) [2*] 3 | up 1,2" << 1 << "(1) [2*] 0 3";
        QTest::newRow("up, the top block stays")
            << "(0) (1*) 2 [3] 4 (5) | up 0,1,3,5" << 1 << "(0) (1*) [3] 2 (5) 4";
        QTest::newRow("up at the top") << "[0] (1) 2* | up 0,1" << 0 << "[0] (1) 2*";
        QTest::newRow("down, blocks one apart") << "[0] 1 (2*) 3 | down 0,2" << 1 << "1 [0] 3 (2*)";
        QTest::newRow("down at the bottom") << "0* (1) [2] | down 1,2" << 0 << "0* (1) [2]";
        QTest::newRow("move by two") << "0 [1] 2 3 | by2 1" << 0 << "0 [1] 2 3";
    }

    void commands() {
        QFETCH(QString, edit);
        QFETCH(int, result);
        QFETCH(QString, after);
        set(edit.section(" | ", 0, 0));
        const QStringList c = edit.section(" | ", 1).split(' ');
        const QList<int> rows = rowsOf(c.value(1));
        int got = 0;
        if (c[0] == "paste") {
            QStringList lines;
            for (int i = 0; i < c[2].toInt(); ++i) {
                lines << lineFor(100 + i);
            }
            if (c[2] == "x") {
                lines = QStringList{lineFor(100), QStringLiteral("1 \u00B0")};
            } else if (c[2].endsWith('*')) {
                lines = QStringList{stepline::withBreakMark(lineFor(100))};
            }
            got = int(editor->insertAfter(c[1].toInt(), lines));
        } else {
            got = c[0] == "remove"      ? int(editor->removeRows(rows))
                  : c[0] == "duplicate" ? int(editor->duplicateRows(rows))
                  : c[0] == "up"        ? editor->moveRows(rows, -1)
                  : c[0] == "down"      ? editor->moveRows(rows, 1)
                                        : editor->moveRows(rows, 2);
        }
        QCOMPARE(got, result);
        if (after.isEmpty() && list.count() > 0) { // a full list: the block at its end
            QCOMPARE(list.count(), kMaxLines);
            QCOMPARE(list.selectedRows().size(), kMaxLines - 2);
            QCOMPARE(list.selectedIndex(), kMaxLines - 1);
            QVERIFY(!state().contains('?'));
            return;
        }
        QCOMPARE(state(), after);
    }

    // The current line is always one of the selected rows; a plain selection of one line
    // drops the others; each change of which lines are selected is told once.
    void selection() {
        QVERIFY(list.setLines({lineFor(0), lineFor(1), lineFor(2), lineFor(3)}));
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

    // Undo gives the selected rows back with the current line.
    void snapshotKeepsRows() {
        set("0 (1) [2] 3");
        const SequenceSnapshot before = editor->snapshot();
        QCOMPARE(editor->removeRows({1, 2}), EditOutcome::Done);
        QVERIFY(editor->restore(before));
        QCOMPARE(state(), QStringLiteral("0 (1) [2] 3"));
    }

    // Block edits tell an attached view one consistent story.
    void modelStaysConsistent() {
        QAbstractItemModelTester tester(&list,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        set("0 1 2 3 4 5");
        QSignalSpy removed(&list, &QAbstractItemModel::rowsRemoved);
        QCOMPARE(editor->removeRows({5, 1, 2, 4}), EditOutcome::Done);
        QCOMPARE(removed.size(), 2);
        QCOMPARE(editor->insertAfter(0, {lineFor(100), lineFor(101)}), EditOutcome::Done);
        QVERIFY(editor->moveRows({1, 2}, 1));
        QCOMPARE(state(), QStringLiteral("0 3 (100) [101]"));
    }

private:
    // A list and its table, written as "0 1* (2) [3]": the line ids in order (channel 0 of each
    // row), the current one in brackets, the others selected in parentheses, a star where a
    // breakpoint is set.
    void set(const QString& state) {
        const QStringList tokens = state.split(' ', Qt::SkipEmptyParts);
        QStringList lines;
        for (qsizetype i = 0; i < tokens.size(); ++i) {
            lines << lineFor(int(i));
        }
        QCOMPARE(editor->replaceAll(lines), EditOutcome::Done);
        QList<int> selected;
        int current = -1;
        for (int i = 0; i < tokens.size(); ++i) {
            QVERIFY(!tokens[i].contains('*') || (list.setSelectedIndex(i) && editor->toggleBreak()));
            if (tokens[i].startsWith('(') || tokens[i].startsWith('[')) {
                selected << i;
            }
            current = tokens[i].startsWith('[') ? i : current;
        }
        QVERIFY(list.setSelection(selected, current));
    }
    // A "?" on a line whose row does not hold what the line reads as, or whose flag disagrees
    // with its mark.
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

QTEST_GUILESS_MAIN(TestMultiLine)
#include "tst_multiline.moc"
