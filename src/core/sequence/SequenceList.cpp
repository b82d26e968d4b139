#include "core/sequence/SequenceList.h"

#include <algorithm>

SequenceList::SequenceList(QObject* parent) : QAbstractListModel(parent) {
    m_lines.reserve(kMaxLines);
}

int SequenceList::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : count();
}

QVariant SequenceList::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= count()) {
        return {};
    }
    if (role == Qt::DisplayRole || role == Qt::EditRole || role == Qt::AccessibleTextRole) {
        return m_lines[index.row()].text;
    }
    if (m_markReason &&
        (role == kMarkRole || role == Qt::ToolTipRole || role == Qt::AccessibleDescriptionRole)) {
        const QString reason = m_markReason(m_lines[index.row()].values);
        return reason.isEmpty() ? QVariant() : QVariant(reason);
    }
    return {};
}

void SequenceList::setMarkReason(MarkReason reason) {
    m_markReason = std::move(reason);
    if (count() > 0) {
        emit dataChanged(index(0), index(count() - 1),
                         {kMarkRole, Qt::ToolTipRole, Qt::AccessibleDescriptionRole});
    }
}

QString SequenceList::line(int index) const {
    return index >= 0 && index < count() ? m_lines[index].text : QString();
}

QStringList SequenceList::lines() const {
    QStringList texts;
    texts.reserve(count());
    for (const Line& l : m_lines) {
        texts.append(l.text);
    }
    return texts;
}

const stepline::StepValues& SequenceList::values(int index) const {
    return m_lines.at(static_cast<size_t>(index)).values;
}

bool SequenceList::hasBreakMark(int index) const {
    return index >= 0 && index < count() && m_lines[index].marked;
}

bool SequenceList::read(const QString& text, Line& line) const {
    const std::optional<stepline::StepValues> values = stepline::ParseStepLine(text, m_locale);
    if (!values) {
        return false;
    }
    line.text = text;
    line.values = *values;
    line.marked = stepline::hasBreakMark(text);
    return true;
}

bool SequenceList::isReadable(const QString& text) const {
    return stepline::ParseStepLine(text, m_locale).has_value();
}

bool SequenceList::insertLine(int index, const QString& text) {
    Line line;
    if (index < 0 || index > count() || isFull() || !read(text, line)) {
        return false;
    }
    beginInsertRows(QModelIndex(), index, index);
    m_lines.insert(m_lines.begin() + index, std::move(line));
    endInsertRows();
    if (m_selected >= index) {
        changeSelection(m_selected + 1);
    }
    return true;
}

bool SequenceList::insertLines(int index, const QStringList& texts) {
    const int added = static_cast<int>(texts.size());
    if (index < 0 || index > count() || added == 0 || count() + added > kMaxLines) {
        return false;
    }
    std::vector<Line> block(static_cast<size_t>(added));
    for (int i = 0; i < added; ++i) {
        if (!read(texts[i], block[static_cast<size_t>(i)])) {
            return false;
        }
    }
    beginInsertRows(QModelIndex(), index, index + added - 1);
    m_lines.insert(m_lines.begin() + index, std::make_move_iterator(block.begin()),
                   std::make_move_iterator(block.end()));
    endInsertRows();
    if (m_selected >= index) {
        changeSelection(m_selected + added);
    }
    return true;
}

bool SequenceList::removeLine(int index) {
    if (index < 0 || index >= count()) {
        return false;
    }
    m_selectedCount -= m_lines[index].selected ? 1 : 0;
    beginRemoveRows(QModelIndex(), index, index);
    m_lines.erase(m_lines.begin() + index);
    endRemoveRows();
    if (m_selected == index) {
        changeSelection(-1);
    } else if (m_selected > index) {
        changeSelection(m_selected - 1);
    }
    return true;
}

bool SequenceList::removeLines(const QList<int>& rows) {
    QList<int> sorted = rows;
    std::sort(sorted.begin(), sorted.end());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    if (sorted.isEmpty() || sorted.first() < 0 || sorted.last() >= count()) {
        return false;
    }
    // From the last run up, so the rows still to go keep their numbers.
    qsizetype end = sorted.size();
    while (end > 0) {
        qsizetype begin = end - 1;
        while (begin > 0 && sorted[begin - 1] == sorted[begin] - 1) {
            --begin;
        }
        const int first = sorted[begin];
        const int last = sorted[end - 1];
        for (int i = first; i <= last; ++i) {
            m_selectedCount -= m_lines[i].selected ? 1 : 0;
        }
        beginRemoveRows(QModelIndex(), first, last);
        m_lines.erase(m_lines.begin() + first, m_lines.begin() + last + 1);
        endRemoveRows();
        end = begin;
    }
    if (std::binary_search(sorted.begin(), sorted.end(), m_selected)) {
        changeSelection(-1);
    } else {
        const auto before = std::lower_bound(sorted.begin(), sorted.end(), m_selected);
        changeSelection(m_selected - static_cast<int>(before - sorted.begin()));
    }
    return true;
}

bool SequenceList::setLine(int index, const QString& text) {
    if (index < 0 || index >= count() || !read(text, m_lines[index])) {
        return false;
    }
    const QModelIndex changed = createIndex(index, 0);
    emit dataChanged(changed, changed);
    return true;
}

bool SequenceList::moveLine(int from, int to) {
    if (from < 0 || from >= count() || to < 0 || to >= count()) {
        return false;
    }
    if (from == to) {
        return true;
    }
    // The view's destination is the row the line goes in front of, counted before the move.
    beginMoveRows(QModelIndex(), from, from, QModelIndex(), to > from ? to + 1 : to);
    if (from < to) {
        std::rotate(m_lines.begin() + from, m_lines.begin() + from + 1, m_lines.begin() + to + 1);
    } else {
        std::rotate(m_lines.begin() + to, m_lines.begin() + from, m_lines.begin() + from + 1);
    }
    endMoveRows();
    if (m_selected == from) {
        changeSelection(to);
    } else if (from < to && m_selected > from && m_selected <= to) {
        changeSelection(m_selected - 1);
    } else if (from > to && m_selected >= to && m_selected < from) {
        changeSelection(m_selected + 1);
    }
    return true;
}

bool SequenceList::replaceLine(int index, const QStringList& texts) {
    const int added = static_cast<int>(texts.size());
    if (index < 0 || index >= count() || added == 0 || count() - 1 + added > kMaxLines) {
        return false;
    }
    std::vector<Line> block(static_cast<size_t>(added));
    for (int i = 0; i < added; ++i) {
        if (!read(texts[i], block[static_cast<size_t>(i)])) {
            return false;
        }
    }
    m_selectedCount -= m_lines[index].selected ? 1 : 0;
    beginRemoveRows(QModelIndex(), index, index);
    m_lines.erase(m_lines.begin() + index);
    endRemoveRows();
    beginInsertRows(QModelIndex(), index, index + added - 1);
    m_lines.insert(m_lines.begin() + index, std::make_move_iterator(block.begin()),
                   std::make_move_iterator(block.end()));
    endInsertRows();
    if (m_selected == index) {
        changeSelection(-1);
    } else if (m_selected > index) {
        changeSelection(m_selected + added - 1);
    }
    return true;
}

bool SequenceList::setLines(const QStringList& texts) {
    if (texts.size() > kMaxLines) {
        return false;
    }
    std::vector<Line> lines(static_cast<size_t>(texts.size()));
    for (qsizetype i = 0; i < texts.size(); ++i) {
        if (!read(texts[i], lines[static_cast<size_t>(i)])) {
            return false;
        }
    }
    beginResetModel();
    m_lines = std::move(lines);
    m_lines.reserve(kMaxLines);
    m_selectedCount = 0;
    endResetModel();
    changeSelection(-1);
    return true;
}

void SequenceList::clear() {
    if (!m_lines.empty()) {
        beginResetModel();
        m_lines.clear();
        m_selectedCount = 0;
        endResetModel();
    }
    changeSelection(-1);
}

bool SequenceList::setSelectedIndex(int index) {
    if (index < -1 || index >= count()) {
        return false;
    }
    // Playback moves the current line at every step: no pass over the list when it is already
    // the only one selected.
    const bool alone =
        index < 0 ? m_selectedCount == 0 : m_selectedCount == 1 && m_lines[index].selected;
    if (!alone) {
        deselectAll();
        if (index >= 0) {
            m_lines[index].selected = true;
            m_selectedCount = 1;
        }
    }
    changeSelection(index);
    if (!alone) {
        emit selectionChanged();
    }
    return true;
}

QList<int> SequenceList::selectedRows() const {
    QList<int> rows;
    rows.reserve(m_selectedCount);
    for (int i = 0; i < count(); ++i) {
        if (m_lines[i].selected) {
            rows.append(i);
        }
    }
    return rows;
}

bool SequenceList::isSelected(int index) const {
    return index >= 0 && index < count() && m_lines[index].selected;
}

bool SequenceList::setSelection(const QList<int>& rows, int current) {
    const bool inRange = std::all_of(rows.begin(), rows.end(),
                                     [this](int row) { return row >= 0 && row < count(); });
    if (!inRange || current < -1 || current >= count() || (current < 0 && !rows.isEmpty())) {
        return false;
    }
    std::vector<bool> wanted(static_cast<size_t>(count()), false);
    for (int row : rows) {
        wanted[static_cast<size_t>(row)] = true;
    }
    if (current >= 0) {
        wanted[static_cast<size_t>(current)] = true;
    }
    bool changed = false;
    m_selectedCount = 0;
    for (int i = 0; i < count(); ++i) {
        const bool want = wanted[static_cast<size_t>(i)];
        changed = changed || m_lines[i].selected != want;
        m_lines[i].selected = want;
        m_selectedCount += want ? 1 : 0;
    }
    changeSelection(current);
    if (changed) {
        emit selectionChanged();
    }
    return true;
}

void SequenceList::changeSelection(int index) {
    const bool deselected = index < 0 && m_selectedCount > 0;
    if (deselected) {
        deselectAll();
    }
    if (index != m_selected) {
        m_selected = index;
        emit selectedIndexChanged(index);
    }
    if (deselected) {
        emit selectionChanged();
    }
}

void SequenceList::deselectAll() {
    for (Line& line : m_lines) {
        line.selected = false;
    }
    m_selectedCount = 0;
}
