#include "core/Declaration.h"
#include "core/NumberText.h"
#include "core/sequence/SequenceEditor.h"

#include <QLocale>
#include <QTest>

#include <memory>

namespace {

// A readable Add-form line whose channel 0 shows id degrees and whose duration is 20 + id.
QString lineFor(int id) {
    std::array<QString, kChannelCount> readouts;
    readouts.fill(numbertext::degreeReadout(128));
    readouts[0] = numbertext::degreeReadout(128 + 2 * id);
    return stepline::addForm(readouts, 20 + id);
}

QStringList linesFor(int count, int firstId = 0) {
    QStringList lines;
    for (int i = 0; i < count; ++i) {
        lines.append(lineFor(firstId + i));
    }
    return lines;
}

} // namespace

class TestSequenceEditor : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void add_data();
    void add();
    void refusedAtTheLimit_data();
    void refusedAtTheLimit();
    void addUnreadableChangesNothing();
    void remove_data();
    void remove();
    void removeWithNothingToActOn();
    void replace_data();
    void replace();
    void clearAllKeepsRows();
    void commandsClearBreakpoints_data();
    void commandsClearBreakpoints();

    void walk_data();
    void walk();

    void toggleBreak();
    void toggleBreakOnLoadedLine();
    void resetOnEmptyListClearsAllRows();

    void dragMove_data();
    void dragMove();
    void dragCarriesTheBreakpoint_data();
    void dragCarriesTheBreakpoint();

    void replaceLineWith();
    void replaceLineWithRefusals_data();
    void replaceLineWithRefusals();
    void replaceAll();
    void replaceAllRefusals();

    void commaLocale();

private:
    void fill(int count, int selected = -1);
    void setBreakOn(int index);
    QList<int> ids() const;
    QList<int> flags() const;
    void verifyInvariant() const;

    std::unique_ptr<Declaration> m_decl;
    std::unique_ptr<SequenceList> m_list;
    std::unique_ptr<SequenceEditor> m_editor;
};

void TestSequenceEditor::init() {
    QLocale::setDefault(QLocale::c());
    m_decl = std::make_unique<Declaration>();
    m_list = std::make_unique<SequenceList>();
    m_editor = std::make_unique<SequenceEditor>(*m_list, *m_decl);
}

void TestSequenceEditor::cleanup() {
    m_editor.reset();
    m_list.reset();
    m_decl.reset();
    QLocale::setDefault(QLocale::c());
}

void TestSequenceEditor::fill(int count, int selected) {
    QCOMPARE(m_editor->replaceAll(linesFor(count)), EditOutcome::Done);
    QVERIFY(m_list->setSelectedIndex(selected));
}

void TestSequenceEditor::setBreakOn(int index) {
    const int was = m_list->selectedIndex();
    QVERIFY(m_list->setSelectedIndex(index));
    QVERIFY(m_editor->toggleBreak());
    QVERIFY(m_list->setSelectedIndex(was));
}

QList<int> TestSequenceEditor::ids() const {
    QList<int> result;
    for (int i = 0; i < m_list->count(); ++i) {
        result.append((m_decl->SequenceBuffer[i][0] - 128) / 2);
    }
    return result;
}

QList<int> TestSequenceEditor::flags() const {
    QList<int> result;
    for (int i = 0; i < m_list->count(); ++i) {
        result.append(m_decl->SequenceBuffer[i][kBreakField]);
    }
    return result;
}

// Every row of a line holds that line's numbers, and its flag says whether the line is marked.
void TestSequenceEditor::verifyInvariant() const {
    for (int i = 0; i < m_list->count(); ++i) {
        const std::optional<stepline::StepValues> values = stepline::ParseStepLine(m_list->line(i));
        QVERIFY2(values.has_value(), qPrintable(m_list->line(i)));
        for (int c = 0; c <= kDurationField; ++c) {
            QCOMPARE(m_decl->SequenceBuffer[i][c], (*values)[c]);
        }
        QCOMPARE(m_decl->SequenceBuffer[i][kBreakField] != 0,
                 stepline::hasBreakMark(m_list->line(i)));
    }
}

void TestSequenceEditor::add_data() {
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("selected");
    QTest::addColumn<int>("at");

    QTest::newRow("empty list") << 0 << -1 << 0;
    QTest::newRow("no selection goes to the top") << 5 << -1 << 0;
    QTest::newRow("after line 2 of five") << 5 << 2 << 3;
    QTest::newRow("after the last line") << 5 << 4 << 5;
}

void TestSequenceEditor::add() {
    QFETCH(int, count);
    QFETCH(int, selected);
    QFETCH(int, at);
    fill(count, selected);

    QCOMPARE(m_editor->add(lineFor(100)), EditOutcome::Done);
    QCOMPARE(m_list->count(), count + 1);
    QCOMPARE(m_list->selectedIndex(), at);
    QCOMPARE(m_list->line(at), lineFor(100));
    QCOMPARE(m_decl->SequenceBuffer[at][kDurationField], 120);
    QCOMPARE(stepline::stepLabel(m_list->selectedIndex()),
             QStringLiteral("Step N\u00B0 ") + QString::number(at));
    verifyInvariant();
}

void TestSequenceEditor::refusedAtTheLimit_data() {
    QTest::addColumn<bool>("replace");
    QTest::newRow("add") << false;
    QTest::newRow("replace") << true;
}

void TestSequenceEditor::refusedAtTheLimit() {
    QFETCH(bool, replace);
    fill(kMaxLines, 10);
    setBreakOn(7);
    const QStringList before = m_list->lines();

    const EditOutcome outcome =
        replace ? m_editor->replace(lineFor(100)) : m_editor->add(lineFor(100));
    QCOMPARE(outcome, EditOutcome::ListFull);
    QCOMPARE(m_list->lines(), before);
    QCOMPARE(m_list->selectedIndex(), 10);
    QCOMPARE(m_decl->SequenceBuffer[7][kBreakField], 1);
    QCOMPARE(kListFullMessage,
             QStringLiteral("Impossible add other lines, max # of lines is 1024!"));
    verifyInvariant();
}

void TestSequenceEditor::addUnreadableChangesNothing() {
    fill(3, 1);
    setBreakOn(2);
    QCOMPARE(m_editor->add(QStringLiteral("garbage")), EditOutcome::Unreadable);
    QCOMPARE(m_list->count(), 3);
    QCOMPARE(m_decl->SequenceBuffer[2][kBreakField], 1);
    QCOMPARE(m_editor->replace(QStringLiteral("garbage")), EditOutcome::Unreadable);
    QCOMPARE(ids(), (QList<int>{0, 1, 2}));
    verifyInvariant();
}

void TestSequenceEditor::remove_data() {
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("selected");
    QTest::addColumn<QList<int>>("idsAfter");
    QTest::addColumn<int>("selectedAfter");

    QTest::newRow("last of five") << 5 << 4 << QList<int>{0, 1, 2, 3} << 3;
    QTest::newRow("first of five") << 5 << 0 << QList<int>{1, 2, 3, 4} << 0;
    QTest::newRow("middle of five") << 5 << 2 << QList<int>{0, 1, 3, 4} << 2;
    QTest::newRow("the only line") << 1 << 0 << QList<int>{} << -1;
}

void TestSequenceEditor::remove() {
    QFETCH(int, count);
    QFETCH(int, selected);
    QFETCH(QList<int>, idsAfter);
    QFETCH(int, selectedAfter);
    fill(count, selected);
    const StepRecord lastRow = m_decl->SequenceBuffer[count - 1];

    QCOMPARE(m_editor->remove(), EditOutcome::Done);
    QCOMPARE(ids(), idsAfter);
    QCOMPARE(m_list->selectedIndex(), selectedAfter);
    // Rows past the end are left as they were; readers stop at the line count.
    if (selected == count - 1) {
        QCOMPARE(m_decl->SequenceBuffer[count - 1], lastRow);
    }
    verifyInvariant();
}

void TestSequenceEditor::removeWithNothingToActOn() {
    QCOMPARE(m_editor->remove(), EditOutcome::NothingToDo);

    fill(3, -1);
    setBreakOn(1);
    QCOMPARE(m_editor->remove(), EditOutcome::NothingToDo);
    QCOMPARE(m_list->count(), 3);
    QCOMPARE(flags(), (QList<int>{0, 0, 0}));
    verifyInvariant();
}

void TestSequenceEditor::replace_data() {
    QTest::addColumn<int>("selected");
    QTest::newRow("line 0") << 0;
    QTest::newRow("middle line") << 1;
    QTest::newRow("last line") << 2;
}

void TestSequenceEditor::replace() {
    QFETCH(int, selected);
    fill(3, selected);

    QCOMPARE(m_editor->replace(lineFor(100)), EditOutcome::Done);
    QList<int> expected{0, 1, 2};
    expected[selected] = 100;
    QCOMPARE(ids(), expected);
    QCOMPARE(m_list->selectedIndex(), selected);
    QCOMPARE(m_list->line(selected), lineFor(100));
    verifyInvariant();

    QVERIFY(m_list->setSelectedIndex(-1));
    QCOMPARE(m_editor->replace(lineFor(101)), EditOutcome::NothingToDo);
    QCOMPARE(ids(), expected);
}

void TestSequenceEditor::clearAllKeepsRows() {
    fill(4, 2);
    setBreakOn(3);
    m_editor->clearAll();
    QCOMPARE(m_list->count(), 0);
    QCOMPARE(m_list->selectedIndex(), -1);
    QCOMPARE((m_decl->SequenceBuffer[3][0] - 128) / 2, 3);
    QCOMPARE(m_decl->SequenceBuffer[3][kBreakField], 0);
}

void TestSequenceEditor::commandsClearBreakpoints_data() {
    QTest::addColumn<QString>("command");
    QTest::newRow("add") << "add";
    QTest::newRow("remove") << "remove";
    QTest::newRow("replace") << "replace";
    QTest::newRow("clear all") << "clear";
    QTest::newRow("reset all") << "reset";
}

void TestSequenceEditor::commandsClearBreakpoints() {
    QFETCH(QString, command);
    fill(5, 2);
    setBreakOn(0);
    setBreakOn(2);
    setBreakOn(4);
    m_decl->SequenceBuffer[kTableRows - 1][kBreakField] = 1;

    if (command == "add") {
        m_editor->add(lineFor(100));
    } else if (command == "remove") {
        m_editor->remove();
    } else if (command == "replace") {
        m_editor->replace(lineFor(100));
    } else if (command == "clear") {
        m_editor->clearAll();
    } else {
        m_editor->ResetBreakPoints();
    }
    for (int row = 0; row < kTableRows; ++row) {
        QCOMPARE(m_decl->SequenceBuffer[row][kBreakField], 0);
    }
    for (const QString& line : m_list->lines()) {
        QVERIFY(!line.contains(QStringLiteral("BREAK!")));
    }
    verifyInvariant();
}

void TestSequenceEditor::walk_data() {
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("selected");
    QTest::addColumn<bool>("forward");
    QTest::addColumn<int>("shown"); // -1: ShowStep does not run

    QTest::newRow("next wraps from the last") << 4 << 3 << true << 0;
    QTest::newRow("next from the middle") << 4 << 1 << true << 2;
    QTest::newRow("next without selection") << 4 << -1 << true << 0;
    QTest::newRow("next on empty list") << 0 << -1 << true << -1;
    QTest::newRow("next on the only line") << 1 << 0 << true << 0;
    QTest::newRow("previous wraps from line 0") << 4 << 0 << false << 3;
    QTest::newRow("previous from the middle") << 4 << 2 << false << 1;
    QTest::newRow("previous without selection") << 4 << -1 << false << -1;
    QTest::newRow("previous on empty list") << 0 << -1 << false << -1;
}

void TestSequenceEditor::walk() {
    QFETCH(int, count);
    QFETCH(int, selected);
    QFETCH(bool, forward);
    QFETCH(int, shown);
    fill(count, selected);

    const std::optional<int> show = forward ? m_editor->next() : m_editor->previous();
    QCOMPARE(show.value_or(-1), shown);
    QCOMPARE(m_list->selectedIndex(), shown == -1 ? selected : shown);
    if (show) {
        QCOMPARE((m_editor->step(*show)[0] - 128) / 2, *show);
    }
}

void TestSequenceEditor::toggleBreak() {
    fill(3, 1);
    const QString before = m_list->line(1);
    const StepRecord row = m_decl->SequenceBuffer[1];

    QVERIFY(m_editor->toggleBreak());
    QCOMPARE(m_list->line(1), before + QStringLiteral("\tBREAK!"));
    QCOMPARE(m_decl->SequenceBuffer[1][kBreakField], 1);
    QCOMPARE(m_list->selectedIndex(), 1);
    verifyInvariant();

    QVERIFY(m_editor->toggleBreak());
    QCOMPARE(m_list->line(1), before);
    QCOMPARE(m_decl->SequenceBuffer[1], row);

    QVERIFY(m_list->setSelectedIndex(-1));
    QVERIFY(!m_editor->toggleBreak());
    QCOMPARE(flags(), (QList<int>{0, 0, 0}));
}

void TestSequenceEditor::toggleBreakOnLoadedLine() {
    QStringList fields(kChannelCount, QStringLiteral("128"));
    fields << "500"
           << "";
    const QString loaded = *stepline::loadForm(fields);
    QCOMPARE(m_editor->replaceAll({loaded}), EditOutcome::Done);
    QVERIFY(m_list->setSelectedIndex(0));

    QVERIFY(m_editor->toggleBreak());
    QVERIFY(m_list->line(0).endsWith(QStringLiteral("500  ms\t\tBREAK!")));
    QVERIFY(m_editor->toggleBreak());
    QCOMPARE(m_list->line(0), loaded);
}

void TestSequenceEditor::resetOnEmptyListClearsAllRows() {
    for (int row = 0; row < kTableRows; ++row) {
        m_decl->SequenceBuffer[row][kBreakField] = 1;
    }
    m_editor->ResetBreakPoints();
    for (int row = 0; row < kTableRows; ++row) {
        QCOMPARE(m_decl->SequenceBuffer[row][kBreakField], 0);
    }
}

void TestSequenceEditor::dragMove_data() {
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<QList<int>>("idsAfter");
    QTest::addColumn<int>("selectedAfter");

    QTest::newRow("line 1 onto line 4") << 1 << 4 << QList<int>{0, 2, 3, 4, 1, 5} << 4;
    QTest::newRow("line 4 onto line 1") << 4 << 1 << QList<int>{0, 4, 1, 2, 3, 5} << 1;
    QTest::newRow("first onto last") << 0 << 5 << QList<int>{1, 2, 3, 4, 5, 0} << 5;
    QTest::newRow("last onto first") << 5 << 0 << QList<int>{5, 0, 1, 2, 3, 4} << 0;
    QTest::newRow("neighbours") << 2 << 3 << QList<int>{0, 1, 3, 2, 4, 5} << 3;
    QTest::newRow("press and release on one line") << 2 << 2 << QList<int>{0, 1, 2, 3, 4, 5} << 2;
    QTest::newRow("press without selection") << -1 << 3 << QList<int>{0, 1, 2, 3, 4, 5} << 3;
    QTest::newRow("release without selection") << 3 << -1 << QList<int>{0, 1, 2, 3, 4, 5} << -1;
}

void TestSequenceEditor::dragMove() {
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(QList<int>, idsAfter);
    QFETCH(int, selectedAfter);
    fill(6, from);

    m_editor->pressOnList();
    QCOMPARE(m_decl->DragFromIndex, from);
    QVERIFY(m_list->setSelectedIndex(to));
    QCOMPARE(m_editor->releaseOnList(), idsAfter != QList<int>({0, 1, 2, 3, 4, 5}));
    QCOMPARE(ids(), idsAfter);
    QCOMPARE(m_list->selectedIndex(), selectedAfter);
    verifyInvariant();
}

void TestSequenceEditor::dragCarriesTheBreakpoint_data() {
    QTest::addColumn<int>("marked");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<QList<int>>("flagsAfter");

    QTest::newRow("moved line down") << 1 << 1 << 4 << QList<int>{0, 0, 0, 0, 1, 0};
    QTest::newRow("moved line up") << 4 << 4 << 1 << QList<int>{0, 1, 0, 0, 0, 0};
    QTest::newRow("line passed over") << 2 << 1 << 4 << QList<int>{0, 1, 0, 0, 0, 0};
    QTest::newRow("line at the target") << 4 << 1 << 4 << QList<int>{0, 0, 0, 1, 0, 0};
    QTest::newRow("line outside the move") << 5 << 1 << 4 << QList<int>{0, 0, 0, 0, 0, 1};
}

void TestSequenceEditor::dragCarriesTheBreakpoint() {
    QFETCH(int, marked);
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(QList<int>, flagsAfter);
    fill(6, -1);
    setBreakOn(marked);

    QVERIFY(m_editor->dragMove(from, to));
    QCOMPARE(flags(), flagsAfter);
    verifyInvariant();
}

void TestSequenceEditor::replaceLineWith() {
    fill(5, 3);
    setBreakOn(1);
    setBreakOn(3);
    m_decl->SequenceBuffer[6] = StepRecord{}; // past the end, must stay untouched
    m_decl->SequenceBuffer[6][0] = 77;

    QCOMPARE(m_editor->replaceLineWith(1, linesFor(3, 100)), EditOutcome::Done);
    QCOMPARE(ids(), (QList<int>{0, 100, 101, 102, 2, 3, 4}));
    QCOMPARE(flags(), (QList<int>{0, 0, 0, 0, 0, 1, 0}));
    QCOMPARE(m_list->selectedIndex(), 1);
    QCOMPARE(m_decl->SequenceBuffer[7][kBreakField], 0);
    verifyInvariant();

    QCOMPARE(m_editor->replaceLineWith(6, linesFor(1, 200)), EditOutcome::Done);
    QCOMPARE(ids().last(), 200);
    QCOMPARE(m_list->selectedIndex(), 6);
    verifyInvariant();
}

void TestSequenceEditor::replaceLineWithRefusals_data() {
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("added");
    QTest::addColumn<bool>("bad");
    QTest::addColumn<EditOutcome>("outcome");

    QTest::newRow("one over the limit")
        << kMaxLines - 1 << 0 << 3 << false << EditOutcome::ListFull;
    QTest::newRow("exactly to the limit") << kMaxLines - 1 << 0 << 2 << false << EditOutcome::Done;
    QTest::newRow("index past the end") << 3 << 3 << 2 << false << EditOutcome::NothingToDo;
    QTest::newRow("empty list") << 0 << 0 << 2 << false << EditOutcome::NothingToDo;
    QTest::newRow("no new lines") << 3 << 1 << 0 << false << EditOutcome::NothingToDo;
    QTest::newRow("unreadable new line") << 3 << 1 << 2 << true << EditOutcome::Unreadable;
}

void TestSequenceEditor::replaceLineWithRefusals() {
    QFETCH(int, count);
    QFETCH(int, index);
    QFETCH(int, added);
    QFETCH(bool, bad);
    QFETCH(EditOutcome, outcome);
    fill(count, count > 0 ? 0 : -1);
    if (count > 2) {
        setBreakOn(2);
    }
    const QStringList before = m_list->lines();
    QStringList newLines = linesFor(added, 100);
    if (bad) {
        newLines.append(QStringLiteral("1 \u00B0"));
    }

    QCOMPARE(m_editor->replaceLineWith(index, newLines), outcome);
    if (outcome == EditOutcome::Done) {
        QCOMPARE(m_list->count(), kMaxLines);
    } else {
        QCOMPARE(m_list->lines(), before);
    }
    verifyInvariant();
}

void TestSequenceEditor::replaceAll() {
    fill(4, 2);
    setBreakOn(1);
    m_decl->SequenceBuffer[900][kBreakField] = 1;

    QStringList readBack;
    StepRecord r{};
    r.fill(129);
    r[kDurationField] = 1000;
    readBack << stepline::readBackForm(r) << stepline::readBackForm(r);
    QCOMPARE(m_editor->replaceAll(readBack), EditOutcome::Done);
    QCOMPARE(m_list->count(), 2);
    QCOMPARE(m_list->selectedIndex(), -1);
    QCOMPARE(m_decl->SequenceBuffer[1][0], 129);
    QCOMPARE(m_decl->SequenceBuffer[1][kDurationField], 1000);
    for (int row = 0; row < kTableRows; ++row) {
        QCOMPARE(m_decl->SequenceBuffer[row][kBreakField], 0);
    }
    verifyInvariant();

    QCOMPARE(m_editor->replaceAll({}), EditOutcome::Done);
    QCOMPARE(m_list->count(), 0);
}

void TestSequenceEditor::replaceAllRefusals() {
    fill(3, 1);
    setBreakOn(0);
    QCOMPARE(m_editor->replaceAll(linesFor(kMaxLines + 1)), EditOutcome::ListFull);
    QCOMPARE(m_editor->replaceAll(linesFor(2) << QString()), EditOutcome::Unreadable);
    QCOMPARE(ids(), (QList<int>{0, 1, 2}));
    QCOMPARE(m_list->selectedIndex(), 1);
    QCOMPARE(flags(), (QList<int>{1, 0, 0}));
}

void TestSequenceEditor::commaLocale() {
    QLocale::setDefault(QLocale(QLocale::German));
    SequenceList list;
    SequenceEditor editor(list, *m_decl);
    std::array<QString, kChannelCount> readouts;
    readouts.fill(numbertext::degreeReadout(129));
    const QString line = stepline::addForm(readouts, 20.5);
    QVERIFY(line.startsWith(QStringLiteral("0,5 \u00B0\t")));

    QCOMPARE(editor.add(line), EditOutcome::Done);
    QCOMPARE(m_decl->SequenceBuffer[0][0], 129);
    QCOMPARE(m_decl->SequenceBuffer[0][kDurationField], 20);
    QCOMPARE(editor.add(QString(line).replace(QLatin1Char(','), QLatin1Char('.'))),
             EditOutcome::Unreadable);
}

QTEST_GUILESS_MAIN(TestSequenceEditor)
#include "tst_sequenceeditor.moc"
