#include "StepLineDelegate.h"

#include <QApplication>
#include <QPainter>
#include <QTextLayout>

namespace {
constexpr int kTextMargin = 3;

QTextLayout& laidOut(QTextLayout& layout, const QString& text, const QFont& font, qreal tabStop) {
    QTextOption textOption;
    textOption.setTabStopDistance(tabStop);
    textOption.setWrapMode(QTextOption::NoWrap);
    layout.setText(text);
    layout.setFont(font);
    layout.setTextOption(textOption);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    return layout;
}
} // namespace

qreal StepLineDelegate::columnWidth(const QFontMetrics& metrics) {
    return metrics.horizontalAdvance(QStringLiteral("-63.5 °")) + metrics.averageCharWidth() * 2;
}

void StepLineDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QString text = opt.text;
    opt.text.clear();
    const QWidget* widget = opt.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);

    QTextLayout layout;
    laidOut(layout, text, opt.font, columnWidth(opt.fontMetrics));
    const QRect area = opt.rect.adjusted(kTextMargin, 0, -kTextMargin, 0);
    const qreal y = area.top() + (area.height() - layout.lineAt(0).height()) / 2;
    painter->save();
    painter->setPen(opt.palette.color(opt.state & QStyle::State_Selected ? QPalette::HighlightedText
                                                                         : QPalette::Text));
    painter->setClipRect(area);
    layout.draw(painter, QPointF(area.left(), y));
    painter->restore();
}

QSize StepLineDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    QTextLayout layout;
    laidOut(layout, opt.text, opt.font, columnWidth(opt.fontMetrics));
    const QTextLine line = layout.lineAt(0);
    return {qCeil(line.naturalTextWidth()) + 2 * kTextMargin,
            qMax(qCeil(line.height()), opt.fontMetrics.height()) + 2};
}
