#pragma once

#include <QStyledItemDelegate>

// Draws a step line with its TAB-separated fields in columns as wide as the widest angle text,
// instead of the default tab stops, so that more channels fit in the list at once.
class StepLineDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    static qreal columnWidth(const QFontMetrics& metrics);
};
