#include "core/sequence/SequenceEditor.h"

#include <algorithm>

SequenceEditor::SequenceEditor(SequenceList& list, Declaration& declaration)
    : m_list(list), m_declaration(declaration) {
}

const StepRecord& SequenceEditor::step(int index) const {
    return m_declaration.SequenceBuffer.at(static_cast<size_t>(index));
}

void SequenceEditor::RebuildSequenceBuffer() {
    SequenceTable& table = m_declaration.SequenceBuffer;
    for (int i = 0; i < m_list.count(); ++i) {
        const stepline::StepValues& values = m_list.values(i);
        std::copy(values.begin(), values.end(), table[i].begin());
    }
}

void SequenceEditor::ResetBreakPoints() {
    for (StepRecord& row : m_declaration.SequenceBuffer) {
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
    ResetBreakPoints();
    const int at = m_list.selectedIndex() + 1;
    // A mark without its flag would lie about the breakpoints that were just cleared.
    m_list.insertLine(at, stepline::withoutBreakMarks(line));
    RebuildSequenceBuffer();
    m_list.setSelectedIndex(at);
    return EditOutcome::Done;
}

EditOutcome SequenceEditor::remove() {
    if (m_list.count() == 0) {
        return EditOutcome::NothingToDo;
    }
    ResetBreakPoints();
    const int s = m_list.selectedIndex();
    if (s < 0) {
        return EditOutcome::NothingToDo;
    }
    m_list.removeLine(s);
    m_list.setSelectedIndex(m_list.count() > s ? s : s - 1);
    RebuildSequenceBuffer();
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
    ResetBreakPoints();
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
    m_declaration.DragFromIndex = static_cast<qint16>(row);
}

bool SequenceEditor::releaseOnList(int row) {
    return dragMove(m_declaration.DragFromIndex, row);
}

bool SequenceEditor::dragMove(int from, int to) {
    const int n = m_list.count();
    if (from == to || from < 0 || to < 0 || from >= n || to >= n) {
        return false;
    }
    m_list.moveLine(from, to);
    m_list.setSelectedIndex(to);
    // The flag travels with its line, so the step that halts playback is the one marked.
    SequenceTable& table = m_declaration.SequenceBuffer;
    const qint32 moved = table[from][kBreakField];
    if (from < to) {
        for (int i = from; i < to; ++i) {
            table[i][kBreakField] = table[i + 1][kBreakField];
        }
    } else {
        for (int i = from; i > to; --i) {
            table[i][kBreakField] = table[i - 1][kBreakField];
        }
    }
    table[to][kBreakField] = moved;
    RebuildSequenceBuffer();
    return true;
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
    RebuildSequenceBuffer();
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
    RebuildSequenceBuffer();
    return EditOutcome::Done;
}

SequenceSnapshot SequenceEditor::snapshot() const {
    SequenceSnapshot s;
    s.lines = m_list.lines();
    s.selected = m_list.selectedIndex();
    for (int row = 0; row < kTableRows; ++row) {
        s.breakFlags[row] = m_declaration.SequenceBuffer[row][kBreakField];
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
    RebuildSequenceBuffer();
    m_list.setSelectedIndex(snapshot.selected < m_list.count() ? snapshot.selected : -1);
    return true;
}
