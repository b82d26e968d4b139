#pragma once

#include "core/StepRecord.h"
#include "core/sequence/StepLine.h"

#include <QAbstractListModel>
#include <QLocale>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

// The step list: at most kMaxLines text lines, the selected line (-1 for none) and the lines
// selected with it. A view shows it directly; every edit keeps the selection on the same lines
// the way a list box does.
// Each line is read once when it enters, so a line that cannot be read never gets in and the
// step table can be refreshed without reading the texts again.
class SequenceList : public QAbstractListModel {
    Q_OBJECT

public:
    explicit SequenceList(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    // Why a line is marked, as its tooltip, its accessible description and kMarkRole: the
    // reason for a line's values, empty for none. The line's text stays as it is.
    using MarkReason = std::function<QString(const stepline::StepValues&)>;
    static constexpr int kMarkRole = Qt::UserRole + 1;
    void setMarkReason(MarkReason reason);

    int count() const { return static_cast<int>(m_lines.size()); }
    bool isFull() const { return count() >= kMaxLines; }
    QString line(int index) const;
    QStringList lines() const;
    // ParseStepLine of the line at index, which is always readable.
    const stepline::StepValues& values(int index) const;
    bool hasBreakMark(int index) const;
    bool isReadable(const QString& text) const;
    const QLocale& locale() const { return m_locale; }

    // Each returns false and changes nothing when the index is out of range, the list would
    // exceed kMaxLines, or a text cannot be read.
    bool insertLine(int index, const QString& text);
    // The block goes in at index, first line first; the view hears of it once.
    bool insertLines(int index, const QStringList& texts);
    bool removeLine(int index);
    // Rows in any order, duplicates ignored; the view hears once per run of adjacent rows.
    bool removeLines(const QList<int>& rows);
    bool setLine(int index, const QString& text);
    bool moveLine(int from, int to);
    // Replaces the line at index by a block of lines; the selection moves as if the block had
    // been inserted after the line and the line then deleted.
    bool replaceLine(int index, const QStringList& texts);
    bool setLines(const QStringList& texts);
    void clear();

    // The current line: the one last clicked or moved to, which the single-line commands act on.
    int selectedIndex() const { return m_selected; }
    // Accepts -1 and 0..count() - 1 only; the line becomes the only one selected.
    bool setSelectedIndex(int index);

    // The extended selection, in ascending order. The current line is always one of the rows;
    // with no current line no row is selected.
    QList<int> selectedRows() const;
    bool isSelected(int index) const;
    // Selects rows (any order, duplicates ignored) with current as the current line, added to
    // them when missing. False and no change when a row is out of range, or rows are given
    // without a current line.
    bool setSelection(const QList<int>& rows, int current);

signals:
    // Emitted before selectionChanged when both change.
    void selectedIndexChanged(int index);
    // A line that stays in the list was selected or deselected. Rows that only shift because
    // lines were inserted, removed or moved are told by the model's row signals.
    void selectionChanged();

private:
    MarkReason m_markReason;
    struct Line {
        QString text;
        stepline::StepValues values;
        bool marked = false;
        bool selected = false;
    };

    bool read(const QString& text, Line& line) const;
    // Moves the current line; with none left, no line stays selected.
    void changeSelection(int index);
    void deselectAll();

    std::vector<Line> m_lines;
    int m_selected = -1;
    int m_selectedCount = 0;
    QLocale m_locale;
};
