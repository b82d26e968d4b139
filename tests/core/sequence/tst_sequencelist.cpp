#include "core/sequence/SequenceList.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

namespace {

// A readable line whose channel 0 shows id degrees, so the order of lines can be read back.
QString lineFor(int id) {
    return QString::number(id) + QStringLiteral(" \u00B0\t") +
           QStringLiteral("0 \u00B0\t").repeated(kChannelCount - 1) + QStringLiteral("20 ms");
}

QStringList linesFor(int count, int firstId = 0) {
    QStringList lines;
    for (int i = 0; i < count; ++i) {
        lines.append(lineFor(firstId + i));
    }
    return lines;
}

} // namespace

class TestSequenceList : public QObject {
    Q_OBJECT

private slots:
    void selectionFollowsEdits_data();
    void selectionFollowsEdits();
    void refusedEditsChangeNothing();
};

void TestSequenceList::selectionFollowsEdits_data() {
    QTest::addColumn<QString>("edit");  // new lines have ids from 100 on
    QTest::addColumn<int>("selected");  // of five lines, ids 0 to 4
    QTest::addColumn<QString>("after"); // ids in order, the selected one in brackets

    QTest::newRow("insert before") << "insert 1" << 2 << "0 100 1 [2] 3 4";
    QTest::newRow("remove before") << "remove 1" << 3 << "0 2 [3] 4";
    QTest::newRow("remove selected") << "remove 3" << 3 << "0 1 2 4";
    QTest::newRow("move down past") << "move 1 3" << 3 << "0 2 [3] 1 4";
    QTest::newRow("replace before") << "replace 1 2" << 3 << "0 100 101 2 [3] 4";
}

void TestSequenceList::selectionFollowsEdits() {
    QFETCH(QString, edit);
    QFETCH(int, selected);
    QFETCH(QString, after);
    SequenceList list;
    QAbstractItemModelTester tester(&list, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QVERIFY(list.setLines(linesFor(5)) && list.setSelectedIndex(selected));

    const QStringList e = edit.split(' ');
    QVERIFY(e[0] == "insert"   ? list.insertLine(e[1].toInt(), lineFor(100))
            : e[0] == "remove" ? list.removeLine(e[1].toInt())
            : e[0] == "move"   ? list.moveLine(e[1].toInt(), e[2].toInt())
                               : list.replaceLine(e[1].toInt(), linesFor(e[2].toInt(), 100)));
    QStringList shown;
    for (int i = 0; i < list.count(); ++i) {
        const QString id = QString::number((list.values(i)[0] - 128) / 2);
        shown << (i == list.selectedIndex() ? "[" + id + "]" : id);
    }
    QCOMPARE(shown.join(' '), after);
}

// Out of range or unreadable: refused whole, and the view is told nothing. A move down tells it
// the row goes in front of the old row to + 1.
void TestSequenceList::refusedEditsChangeNothing() {
    SequenceList list;
    QVERIFY(list.setLines(linesFor(3)) && list.setSelectedIndex(1));
    QSignalSpy inserts(&list, &QAbstractItemModel::rowsAboutToBeInserted);
    QSignalSpy removes(&list, &QAbstractItemModel::rowsAboutToBeRemoved);
    QSignalSpy moved(&list, &QAbstractItemModel::rowsMoved);
    QSignalSpy data(&list, &QAbstractItemModel::dataChanged);
    const QString bad = QStringLiteral("x \u00B0");
    QVERIFY(!list.insertLine(4, lineFor(9)) && !list.insertLine(-1, lineFor(9)));
    QVERIFY(!list.insertLine(1, bad) && !list.setLine(1, bad) && !list.setLine(3, lineFor(9)));
    QVERIFY(!list.removeLine(3) && !list.moveLine(0, 3) && !list.replaceLine(0, {}));
    QVERIFY(!list.replaceLine(0, {lineFor(9), bad}) && !list.replaceLine(3, {lineFor(9)}));
    QVERIFY(!list.setSelectedIndex(-2) && !list.setSelectedIndex(3));
    QCOMPARE(list.lines(), linesFor(3));
    QCOMPARE(list.selectedIndex(), 1);
    QCOMPARE(inserts.count() + removes.count() + moved.count() + data.count(), 0);

    QVERIFY(list.moveLine(0, 2) && list.setLine(1, lineFor(7)));
    QCOMPARE(moved.count(), 1);
    QCOMPARE(moved.first().at(4).toInt(), 3);
    QCOMPARE(data.count(), 1);
    QCOMPARE(data.first().at(0).toModelIndex().row(), 1);
}

QTEST_GUILESS_MAIN(TestSequenceList)
#include "tst_sequencelist.moc"
