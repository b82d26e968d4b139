#include "core/sequence/SequenceEditor.h"

#include <algorithm>
#include <numeric>

SequenceEditor::SequenceEditor(SequenceList& list) : m_list(list) {
}

const StepRecord& SequenceEditor::step(int index) const {
    return m_table->at(static_cast<size_t>(index));
}

void SequenceEditor::rebuildTable() {
    SequenceTable& table = *m_table;
    for (int i = 0; i < m_list.count(); ++i) {
        const stepline::StepValues& values = m_list.values(i);
        std::copy(values.begin(), values.end(), table[i].begin());
    }
}

void SequenceEditor::resetBreakPoints() {
    for (StepRecord& row : *m_table) {
        row[kBreakField] = 0;
    }
    for (int i = 0; i < m_list.count(); ++i) {
        if (m_list.hasBreakMark(i)) {
            m_list.setLine(i, stepline::withoutBreakMarks(m_list.line(i)));
        }
    }
}

bool SequenceEditor::toggleBreak() {
    const int s = m_list.selectedIndex();
    if (s < 0) {
        return false;
    }
    const QString text = m_list.line(s);
    if (breakFlag(s) == 0) {
        m_list.setLine(s, stepline::withBreakMark(text));
        breakFlag(s) = 1;
    } else {
        m_list.setLine(s, stepline::withoutBreakMarks(text));
        breakFlag(s) = 0;
    }
    return true;
}

EditOutcome SequenceEditor::add(const QString& line) {
    if (m_list.isFull()) {
        return EditOutcome::ListFull;
    }
    // Checked before anything changes, so a refused line leaves the breakpoints alone too.
    if (!m_list.isReadable(line)) {
        return EditOutcome::Unreadable;
    }
    resetBreakPoints();
    const int at = m_list.selectedIndex() + 1;
    // A mark without its flag would lie about the breakpoints that were just cleared.
    m_list.insertLine(at, stepline::withoutBreakMarks(line));
    rebuildTable();
    m_list.setSelectedIndex(at);
    return EditOutcome::Done;
}

EditOutcome SequenceEditor::remove() {
    if (m_list.count() == 0) {
        return EditOutcome::NothingToDo;
    }
    resetBreakPoints();
    const int s = m_list.selectedIndex();
    if (s < 0) {
        return EditOutcome::NothingToDo;
    }
    m_list.removeLine(s);
    m_list.setSelectedIndex(m_list.count() > s ? s : s - 1);
    rebuildTable();
    return EditOutcome::Done;
}

EditOutcome SequenceEditor::replace(const QString& line) {
    const int s = m_list.selectedIndex();
    if (s < 0) {
        return EditOutcome::NothingToDo;
    }
    if (m_list.isFull()) {
        return EditOutcome::ListFull;
    }
    const EditOutcome added = add(line);
    if (added != EditOutcome::Done) {
        return added;
    }
    m_list.setSelectedIndex(s);
    return remove();
}

void SequenceEditor::clearAll() {
    m_list.clear();
    resetBreakPoints();
}

std::optional<int> SequenceEditor::next() {
    const int n = m_list.count();
    const int s = m_list.selectedIndex();
    int to = -1;
    if (s == n - 1) {
        if (n == 0) {
            return std::nullopt;
        }
        to = 0;
    } else {
        to = s + 1;
    }
    m_list.setSelectedIndex(to);
    return to;
}

std::optional<int> SequenceEditor::previous() {
    const int s = m_list.selectedIndex();
    if (s < 0) {
        return std::nullopt;
    }
    const int to = s == 0 ? m_list.count() - 1 : s - 1;
    m_list.setSelectedIndex(to);
    return to;
}

void SequenceEditor::pressOnList(int row) {
    m_dragFrom = row;
}

bool SequenceEditor::releaseOnList(int row) {
    return dragMove(m_dragFrom, row);
}

bool SequenceEditor::dragMove(int from, int to) {
    const int n = m_list.count();
    if (from == to || from < 0 || to < 0 || from >= n || to >= n) {
        return false;
    }
    m_list.moveLine(from, to);
    m_list.setSelectedIndex(to);
    // The flag travels with its line, so the step that halts playback is the one marked.
    moveBreakFlag(from, to);
    rebuildTable();
    return true;
}

void SequenceEditor::moveBreakFlag(int from, int to) {
    const qint32 moved = breakFlag(from);
    if (from < to) {
        for (int i = from; i < to; ++i) {
            breakFlag(i) = breakFlag(i + 1);
        }
    } else {
        for (int i = from; i > to; --i) {
            breakFlag(i) = breakFlag(i - 1);
        }
    }
    breakFlag(to) = moved;
}

namespace {

// Ascending, without duplicates; empty when a row is outside 0..count-1.
QList<int> validRows(const QList<int>& rows, int count) {
    QList<int> sorted = rows;
    std::sort(sorted.begin(), sorted.end());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    if (!sorted.isEmpty() && (sorted.first() < 0 || sorted.last() >= count)) {
        sorted.clear();
    }
    return sorted;
}

} // namespace

EditOutcome SequenceEditor::removeRows(const QList<int>& rows) {
    const int n = m_list.count();
    const QList<int> gone = validRows(rows, n);
    if (gone.isEmpty()) {
        return EditOutcome::NothingToDo;
    }
    m_list.removeLines(gone);
    int kept = 0;
    for (int i = 0, g = 0; i < n; ++i) {
        if (g < gone.size() && gone[g] == i) {
            ++g;
        } else {
            breakFlag(kept++) = breakFlag(i);
        }
    }
    // No flag may wait past the end for a line to land on it.
    for (int i = kept; i < n; ++i) {
        breakFlag(i) = 0;
    }
    const int first = gone.first();
    m_list.setSelectedIndex(first < m_list.count() ? first : m_list.count() - 1);
    rebuildTable();
    return EditOutcome::Done;
}

EditOutcome SequenceEditor::insertAfter(int row, const QStringList& lines) {
    const int n = m_list.count();
    const int added = static_cast<int>(lines.size());
    if (row < -1 || row >= n || added == 0) {
        return EditOutcome::NothingToDo;
    }
    if (n + added > kMaxLines) {
        return EditOutcome::ListFull;
    }
    QStringList unmarked;
    unmarked.reserve(added);
    for (const QString& line : lines) {
        unmarked.append(stepline::withoutBreakMarks(line));
    }
    const int at = row + 1;
    if (!m_list.insertLines(at, unmarked)) {
        return EditOutcome::Unreadable;
    }
    for (int i = n - 1; i >= at; --i) {
        breakFlag(i + added) = breakFlag(i);
    }
    for (int i = at; i < at + added; ++i) {
        breakFlag(i) = 0;
    }
    QList<int> inserted(added);
    std::iota(inserted.begin(), inserted.end(), at);
    m_list.setSelection(inserted, at + added - 1);
    rebuildTable();
    return EditOutcome::Done;
}

EditOutcome SequenceEditor::duplicateRows(const QList<int>& rows) {
    const QList<int> copied = validRows(rows, m_list.count());
    if (copied.isEmpty()) {
        return EditOutcome::NothingToDo;
    }
    QStringList lines;
    lines.reserve(copied.size());
    for (int row : copied) {
        lines.append(m_list.line(row));
    }
    return insertAfter(copied.last(), lines);
}

bool SequenceEditor::moveRows(const QList<int>& rows, int by) {
    const int n = m_list.count();
    const QList<int> moving = validRows(rows, n);
    if (moving.isEmpty() || (by != -1 && by != 1)) {
        return false;
    }
    // Each block swaps places with the line beside it, which lands at the block's other end.
    bool moved = false;
    qsizetype begin = 0;
    while (begin < moving.size()) {
        qsizetype end = begin + 1;
        while (end < moving.size() && moving[end] == moving[end - 1] + 1) {
            ++end;
        }
        const int first = moving[begin];
        const int last = moving[end - 1];
        if (by < 0 && first > 0) {
            m_list.moveLine(first - 1, last);
            moveBreakFlag(first - 1, last);
            moved = true;
        } else if (by > 0 && last < n - 1) {
            m_list.moveLine(last + 1, first);
            moveBreakFlag(last + 1, first);
            moved = true;
        }
        begin = end;
    }
    if (moved) {
        rebuildTable();
    }
    return moved;
}

EditOutcome SequenceEditor::replaceLineWith(int index, const QStringList& newLines) {
    const int n = m_list.count();
    if (index < 0 || index >= n || newLines.isEmpty()) {
        return EditOutcome::NothingToDo;
    }
    const int added = static_cast<int>(newLines.size());
    if (n - 1 + added > kMaxLines) {
        return EditOutcome::ListFull;
    }
    if (!m_list.replaceLine(index, newLines)) {
        return EditOutcome::Unreadable;
    }
    // Flags after the replaced line move down with their lines, last row first.
    for (int i = n - 1; i > index; --i) {
        breakFlag(i + added - 1) = breakFlag(i);
    }
    for (int i = 0; i < added; ++i) {
        breakFlag(index + i) = stepline::hasBreakMark(newLines[i]) ? 1 : 0;
    }
    m_list.setSelectedIndex(index);
    rebuildTable();
    return EditOutcome::Done;
}

EditOutcome SequenceEditor::replaceAll(const QStringList& lines) {
    if (lines.size() > kMaxLines) {
        return EditOutcome::ListFull;
    }
    if (!m_list.setLines(lines)) {
        return EditOutcome::Unreadable;
    }
    for (int row = 0; row < kTableRows; ++row) {
        breakFlag(row) = row < lines.size() && stepline::hasBreakMark(lines[row]) ? 1 : 0;
    }
    rebuildTable();
    return EditOutcome::Done;
}

SequenceSnapshot SequenceEditor::snapshot() const {
    SequenceSnapshot s;
    s.lines = m_list.lines();
    s.selected = m_list.selectedIndex();
    s.selectedRows = m_list.selectedRows();
    for (int row = 0; row < kTableRows; ++row) {
        s.breakFlags[row] = (*m_table)[row][kBreakField];
    }
    return s;
}

bool SequenceEditor::restore(const SequenceSnapshot& snapshot) {
    const QStringList& lines = snapshot.lines;
    if (lines.size() == m_list.count()) {
        // Line by line, so the view keeps its place when only marks or a few texts differ.
        QList<int> changed;
        for (int i = 0; i < m_list.count(); ++i) {
            if (m_list.line(i) != lines[i]) {
                if (!m_list.isReadable(lines[i])) {
                    return false;
                }
                changed.append(i);
            }
        }
        for (int i : changed) {
            m_list.setLine(i, lines[i]);
        }
    } else if (!m_list.setLines(lines)) {
        return false;
    }
    for (int row = 0; row < kTableRows; ++row) {
        breakFlag(row) = snapshot.breakFlags[row];
    }
    rebuildTable();
    const int current = snapshot.selected < m_list.count() ? snapshot.selected : -1;
    // The rows may be from another moment than the current line (a drag's press): they count
    // only when they hold it.
    if (!snapshot.selectedRows.contains(current) ||
        !m_list.setSelection(snapshot.selectedRows, current)) {
        m_list.setSelectedIndex(current);
    }
    return true;
}
