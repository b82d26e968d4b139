#pragma once

#include "core/StepRecord.h"

#include <QFont>
#include <QPersistentModelIndex>
#include <QRect>
#include <QStyledItemDelegate>

#include <array>

// Where the parts of a step line go across a line of a given width: a gutter with the marks and
// the step number, then the twelve channels and the duration. The view's font is narrowed as
// far as needed, down to a limit, so that every column fits without horizontal scrolling.
class StepColumns {
public:
    enum Column { Mark, Number, FirstChannel, Duration = FirstChannel + kChannelCount, Count };

    static StepColumns fit(const QFont& font, int width);
    // The narrowest line at which every column still fits.
    static int minimumWidth(const QFont& font);
    // Header captions; the units stand here instead of in every cell.
    static QString caption(int column);

    const QFont& font() const { return m_font; }
    // Relative to the line's left edge.
    int left(int column) const { return m_left[column]; }
    int width(int column) const { return m_width[column]; }
    int right() const { return m_left[Duration] + m_width[Duration]; }
    QRect cell(int column, const QRect& line) const {
        return {line.left() + m_left[column], line.top(), m_width[column], line.height()};
    }

    // Room beside a cell's text on each side.
    static constexpr int kPadding = 2;

private:
    QFont m_font;
    int m_fracSlot = 0;
    std::array<int, Count> m_left{};
    std::array<int, Count> m_width{};

    friend class StepLineDelegate;
};

// Draws a step line as a row of a table under the list's header: the fields of the line's text
// in the columns of StepColumns, angles aligned on the decimal separator, without the units the
// header names. A breakpoint is a dot in the gutter, and the step the sliders show an arrow
// there, so that neither is confused with the selection. The text itself, which screen readers
// read, is the model's and stays as it is.
class StepLineDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    // The line the arrow marks; an invalid index for none.
    void setShownStep(const QPersistentModelIndex& index) { m_shown = index; }
    const QPersistentModelIndex& shownStep() const { return m_shown; }

    StepColumns columns(const QStyleOptionViewItem& option) const;
    // Where a column's text goes in the line at index (squeezed into its cell when wider), and
    // where the breakpoint's dot goes; empty when there is nothing to draw.
    QRect textRect(const QStyleOptionViewItem& option, const QModelIndex& index, int column) const;
    QRect breakMarkRect(const QStyleOptionViewItem& option, const QModelIndex& index) const;

private:
    struct Piece {
        QString text;
        QRect rect;
        bool squeezed = false;
    };
    Piece piece(const StepColumns& columns, const QRect& line, const QStringList& fields, int row,
                int column) const;

    QPersistentModelIndex m_shown;
    mutable StepColumns m_cached;
    mutable QFont m_cachedFont;
    mutable int m_cachedWidth = -1;
};
