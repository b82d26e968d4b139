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
    return {};
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

bool SequenceList::removeLine(int index) {
    if (index < 0 || index >= count()) {
        return false;
    }
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
    endResetModel();
    changeSelection(-1);
    return true;
}

void SequenceList::clear() {
    if (!m_lines.empty()) {
        beginResetModel();
        m_lines.clear();
        endResetModel();
    }
    changeSelection(-1);
}

bool SequenceList::setSelectedIndex(int index) {
    if (index < -1 || index >= count()) {
        return false;
    }
    changeSelection(index);
    return true;
}

void SequenceList::changeSelection(int index) {
    if (index != m_selected) {
        m_selected = index;
        emit selectedIndexChanged(index);
    }
}
