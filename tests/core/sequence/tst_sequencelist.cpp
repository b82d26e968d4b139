#include "core/sequence/SequenceList.h"

#include <QAbstractItemModelTester>
#include <QLocale>
#include <QSignalSpy>
#include <QTest>

namespace {

// A readable line whose channel 0 shows id degrees, so the order of lines can be read back.
QString lineFor(int id) {
    QString line;
    for (int k = 0; k < kChannelCount; ++k) {
        line += QString::number(k == 0 ? id : 0) + QStringLiteral(" \u00B0\t");
    }
    return line + QStringLiteral("20 ms");
}

QStringList linesFor(int count, int firstId = 0) {
    QStringList lines;
    for (int i = 0; i < count; ++i) {
        lines.append(lineFor(firstId + i));
    }
    return lines;
}

QList<int> idsOf(const SequenceList& list) {
    QList<int> ids;
    for (int i = 0; i < list.count(); ++i) {
        ids.append((list.values(i)[0] - 128) / 2);
    }
    return ids;
}

} // namespace

class TestSequenceList : public QObject {
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale::c()); }

    void selectionFollowsEdits_data();
    void selectionFollowsEdits();
    void refusedEditsChangeNothing_data();
    void refusedEditsChangeNothing();
    void viewNotifications();
    void selectionSignal();
    void valuesAreTheParsedLine();
};

void TestSequenceList::selectionFollowsEdits_data() {
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("selected");
    QTest::addColumn<QString>("op");
    QTest::addColumn<int>("a");
    QTest::addColumn<int>("b");
    QTest::addColumn<QList<int>>("ids");
    QTest::addColumn<int>("selectedAfter");

    // Inserted lines have ids from 100 on.
    QTest::newRow("insert before selected")
        << 5 << 2 << "insert" << 1 << 0 << QList<int>{0, 100, 1, 2, 3, 4} << 3;
    QTest::newRow("insert at selected")
        << 5 << 2 << "insert" << 2 << 0 << QList<int>{0, 1, 100, 2, 3, 4} << 3;
    QTest::newRow("insert after selected")
        << 5 << 2 << "insert" << 3 << 0 << QList<int>{0, 1, 2, 100, 3, 4} << 2;
    QTest::newRow("insert without selection")
        << 2 << -1 << "insert" << 0 << 0 << QList<int>{100, 0, 1} << -1;
    QTest::newRow("insert at the end")
        << 2 << 1 << "insert" << 2 << 0 << QList<int>{0, 1, 100} << 1;
    QTest::newRow("insert into empty") << 0 << -1 << "insert" << 0 << 0 << QList<int>{100} << -1;
    QTest::newRow("remove before selected")
        << 5 << 3 << "remove" << 1 << 0 << QList<int>{0, 2, 3, 4} << 2;
    QTest::newRow("remove selected")
        << 5 << 3 << "remove" << 3 << 0 << QList<int>{0, 1, 2, 4} << -1;
    QTest::newRow("remove after selected")
        << 5 << 1 << "remove" << 3 << 0 << QList<int>{0, 1, 2, 4} << 1;
    QTest::newRow("move selected down")
        << 6 << 1 << "move" << 1 << 4 << QList<int>{0, 2, 3, 4, 1, 5} << 4;
    QTest::newRow("move selected up")
        << 6 << 4 << "move" << 4 << 1 << QList<int>{0, 4, 1, 2, 3, 5} << 1;
    QTest::newRow("move down past selected")
        << 6 << 4 << "move" << 1 << 4 << QList<int>{0, 2, 3, 4, 1, 5} << 3;
    QTest::newRow("move up past selected")
        << 6 << 1 << "move" << 4 << 1 << QList<int>{0, 4, 1, 2, 3, 5} << 2;
    QTest::newRow("move beside selection")
        << 6 << 5 << "move" << 0 << 2 << QList<int>{1, 2, 0, 3, 4, 5} << 5;
    QTest::newRow("replace before selected")
        << 4 << 3 << "replace" << 1 << 3 << QList<int>{0, 100, 101, 102, 2, 3} << 5;
    QTest::newRow("replace selected")
        << 4 << 1 << "replace" << 1 << 2 << QList<int>{0, 100, 101, 2, 3} << -1;
    QTest::newRow("replace after selected")
        << 4 << 0 << "replace" << 3 << 2 << QList<int>{0, 1, 2, 100, 101} << 0;
    QTest::newRow("clear") << 4 << 2 << "clear" << 0 << 0 << QList<int>{} << -1;
    QTest::newRow("set lines") << 4 << 2 << "set" << 2 << 0 << QList<int>{100, 101} << -1;
}

void TestSequenceList::selectionFollowsEdits() {
    QFETCH(int, count);
    QFETCH(int, selected);
    QFETCH(QString, op);
    QFETCH(int, a);
    QFETCH(int, b);
    QFETCH(QList<int>, ids);
    QFETCH(int, selectedAfter);

    SequenceList list;
    QAbstractItemModelTester tester(&list, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QVERIFY(list.setLines(linesFor(count)));
    QVERIFY(list.setSelectedIndex(selected));

    bool done = false;
    if (op == "insert") {
        done = list.insertLine(a, lineFor(100));
    } else if (op == "remove") {
        done = list.removeLine(a);
    } else if (op == "move") {
        done = list.moveLine(a, b);
    } else if (op == "replace") {
        done = list.replaceLine(a, linesFor(b, 100));
    } else if (op == "clear") {
        list.clear();
        done = true;
    } else if (op == "set") {
        done = list.setLines(linesFor(a, 100));
    }
    QVERIFY(done);
    QCOMPARE(idsOf(list), ids);
    QCOMPARE(list.rowCount(), ids.size());
    QCOMPARE(list.selectedIndex(), selectedAfter);
}

void TestSequenceList::refusedEditsChangeNothing_data() {
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("op");
    QTest::addColumn<int>("a");
    QTest::addColumn<int>("b");

    QTest::newRow("insert into a full list") << kMaxLines << "insert" << 0 << 0;
    QTest::newRow("insert past the end") << 3 << "insert" << 4 << 0;
    QTest::newRow("insert before the start") << 3 << "insert" << -1 << 0;
    QTest::newRow("insert unreadable") << 3 << "insertBad" << 1 << 0;
    QTest::newRow("remove past the end") << 3 << "remove" << 3 << 0;
    QTest::newRow("remove from empty") << 0 << "remove" << 0 << 0;
    QTest::newRow("set unreadable") << 3 << "setBad" << 1 << 0;
    QTest::newRow("move out of range") << 3 << "move" << 0 << 3;
    QTest::newRow("replace beyond the limit") << kMaxLines << "replace" << 0 << 2;
    QTest::newRow("replace with nothing") << 3 << "replace" << 0 << 0;
    QTest::newRow("replace with unreadable") << 3 << "replaceBad" << 0 << 2;
    QTest::newRow("set too many lines") << 3 << "set" << kMaxLines + 1 << 0;
    QTest::newRow("set with unreadable") << 3 << "setLinesBad" << 2 << 0;
    QTest::newRow("select below -1") << 3 << "select" << -2 << 0;
    QTest::newRow("select past the end") << 3 << "select" << 3 << 0;
}

void TestSequenceList::refusedEditsChangeNothing() {
    QFETCH(int, count);
    QFETCH(QString, op);
    QFETCH(int, a);
    QFETCH(int, b);

    SequenceList list;
    QVERIFY(list.setLines(linesFor(count)));
    list.setSelectedIndex(count > 1 ? 1 : -1);
    const QStringList before = list.lines();
    const int selectedBefore = list.selectedIndex();
    QSignalSpy changes(&list, &QAbstractItemModel::layoutChanged);
    QSignalSpy inserts(&list, &QAbstractItemModel::rowsAboutToBeInserted);
    QSignalSpy removes(&list, &QAbstractItemModel::rowsAboutToBeRemoved);
    QSignalSpy data(&list, &QAbstractItemModel::dataChanged);
    QSignalSpy resets(&list, &QAbstractItemModel::modelAboutToBeReset);

    const QString bad = lineFor(1).replace(0, 1, QStringLiteral("x"));
    bool done = true;
    if (op == "insert") {
        done = list.insertLine(a, lineFor(100));
    } else if (op == "insertBad") {
        done = list.insertLine(a, bad);
    } else if (op == "remove") {
        done = list.removeLine(a);
    } else if (op == "setBad") {
        done = list.setLine(a, bad);
    } else if (op == "move") {
        done = list.moveLine(a, b);
    } else if (op == "replace") {
        done = list.replaceLine(a, linesFor(b, 100));
    } else if (op == "replaceBad") {
        done = list.replaceLine(a, linesFor(b, 100) << bad);
    } else if (op == "set") {
        done = list.setLines(linesFor(a, 100));
    } else if (op == "setLinesBad") {
        done = list.setLines(linesFor(a, 100) << bad);
    } else if (op == "select") {
        done = list.setSelectedIndex(a);
    }
    QVERIFY(!done);
    QCOMPARE(list.lines(), before);
    QCOMPARE(list.selectedIndex(), selectedBefore);
    QCOMPARE(changes.count() + inserts.count() + removes.count() + data.count() + resets.count(),
             0);
}

void TestSequenceList::viewNotifications() {
    SequenceList list;
    QVERIFY(list.setLines(linesFor(6)));

    QSignalSpy inserted(&list, &QAbstractItemModel::rowsInserted);
    QVERIFY(list.insertLine(2, lineFor(100)));
    QCOMPARE(inserted.count(), 1);
    QCOMPARE(inserted.first().at(1).toInt(), 2);
    QCOMPARE(inserted.first().at(2).toInt(), 2);

    // Moving down: the view is told the row goes in front of the old row to + 1.
    QSignalSpy moved(&list, &QAbstractItemModel::rowsMoved);
    QVERIFY(list.moveLine(1, 4));
    QCOMPARE(moved.count(), 1);
    QCOMPARE(moved.first().at(1).toInt(), 1);
    QCOMPARE(moved.first().at(4).toInt(), 5);

    QSignalSpy changed(&list, &QAbstractItemModel::dataChanged);
    QVERIFY(list.setLine(3, lineFor(7)));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.first().at(0).toModelIndex().row(), 3);
    QCOMPARE(list.data(list.index(3), Qt::DisplayRole).toString(), lineFor(7));
    QCOMPARE(list.data(list.index(3), Qt::AccessibleTextRole).toString(), lineFor(7));
    QVERIFY(!list.data(list.index(3), Qt::DecorationRole).isValid());
}

void TestSequenceList::selectionSignal() {
    SequenceList list;
    QVERIFY(list.setLines(linesFor(5)));
    QSignalSpy spy(&list, &SequenceList::selectedIndexChanged);

    QVERIFY(list.setSelectedIndex(2));
    QVERIFY(list.setSelectedIndex(2));
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.takeFirst().at(0).toInt(), 2);

    QVERIFY(list.insertLine(0, lineFor(100)));
    QCOMPARE(spy.takeFirst().at(0).toInt(), 3);
    QVERIFY(list.insertLine(5, lineFor(101)));
    QCOMPARE(spy.count(), 0);

    QVERIFY(list.removeLine(3));
    QCOMPARE(spy.takeFirst().at(0).toInt(), -1);
    list.clear();
    QCOMPARE(spy.count(), 0);
}

void TestSequenceList::valuesAreTheParsedLine() {
    SequenceList list;
    const QString marked = lineFor(5) + QStringLiteral("\tBREAK!");
    QVERIFY(list.insertLine(0, marked));
    QCOMPARE(list.line(0), marked);
    QCOMPARE(list.values(0), *stepline::ParseStepLine(marked));
    QVERIFY(list.hasBreakMark(0));
    QVERIFY(list.setLine(0, lineFor(-7)));
    QVERIFY(!list.hasBreakMark(0));
    QVERIFY(!list.hasBreakMark(1));
    QCOMPARE(list.values(0)[0], 114);
    QCOMPARE(list.values(0)[kDurationField], 20);
    QCOMPARE(list.line(5), QString());
}

QTEST_GUILESS_MAIN(TestSequenceList)
#include "tst_sequencelist.moc"
