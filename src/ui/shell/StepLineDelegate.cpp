#include "StepLineDelegate.h"

#include "core/sequence/SequenceList.h"
#include "core/sequence/StepLine.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QLocale>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace {
// Narrower than this, digits start to run together.
constexpr int kMinStretch = 60;
// On a wide list the columns spread by up to this many digits each; the rest stays empty on the
// right, so that a line still reads as one row.
constexpr int kSpreadDigits = 2;
constexpr int kWidestStep = 4;     // 1023
constexpr int kWidestDuration = 7; // 1000000

const QColor kBreakFill(0xd9, 0x30, 0x25);
const QColor kShownFill(0xf5, 0xb8, 0x00);
const QColor kShownEdge(0x5a, 0x40, 0x00);
const QColor kLimitedFill(0x8a, 0x2b, 0xe2);
constexpr int kLimitedBarWidth = 3;

QFont stretched(const QFont& font, int stretch) {
    QFont f = font;
    f.setStretch(stretch);
    return f;
}

QColor blended(const QColor& from, const QColor& to, qreal amount) {
    return QColor::fromRgbF(from.redF() + (to.redF() - from.redF()) * amount,
                            from.greenF() + (to.greenF() - from.greenF()) * amount,
                            from.blueF() + (to.blueF() - from.blueF()) * amount);
}

// Digits may differ in width: texts are measured as if made of the widest one.
QChar widestDigit(const QFontMetrics& m) {
    QChar widest = u'0';
    for (char16_t d = u'1'; d <= u'9'; ++d) {
        if (m.horizontalAdvance(QString(10, QChar(d))) > m.horizontalAdvance(QString(10, widest))) {
            widest = QChar(d);
        }
    }
    return widest;
}

int markSize(const QFont& font) {
    return qRound(QFontMetrics(font).ascent() * 0.8);
}

QString cellText(const QStringList& fields, int column) {
    const int field = column - StepColumns::FirstChannel;
    if (field < 0 || field >= fields.size()) {
        return {};
    }
    QString text = fields[field];
    text.remove(column == StepColumns::Duration ? stepline::kMsSuffix : QStringLiteral(" \u00B0"));
    return text.trimmed();
}

} // namespace

QString StepColumns::caption(int column) {
    switch (column) {
    case Mark:
        return {};
    case Number:
        return QCoreApplication::translate("StepColumns", "Step");
    case Duration:
        return QCoreApplication::translate("StepColumns", "Time ms");
    default:
        return QStringLiteral("Ch%1").arg(column - FirstChannel);
    }
}

StepColumns StepColumns::fit(const QFont& font, int width) {
    const auto measured = [&font](int stretch) {
        StepColumns c;
        c.m_font = stretched(font, stretch);
        const QFontMetrics m(c.m_font);
        const QLocale locale;
        const QChar d = widestDigit(m);
        const auto digits = [d](int n) { return QString(n, d); };
        const int digit = m.horizontalAdvance(d);
        c.m_fracSlot = m.horizontalAdvance(locale.decimalPoint() + d);
        int channel =
            m.horizontalAdvance(locale.negativeSign() + digits(2) + locale.decimalPoint() + d);
        for (int k = 0; k < kChannelCount; ++k) {
            channel = std::max(channel, m.horizontalAdvance(caption(FirstChannel + k)));
        }
        c.m_width[Mark] = markSize(font) + 2 * kPadding;
        c.m_width[Number] =
            std::max(m.horizontalAdvance(digits(kWidestStep)) + 2 * kPadding,
                     m.horizontalAdvance(caption(Number)) + 2 * kPadding - c.m_width[Mark]);
        std::fill(c.m_width.begin() + FirstChannel, c.m_width.begin() + Duration,
                  channel + 2 * kPadding);
        c.m_width[Duration] = std::max(m.horizontalAdvance(digits(kWidestDuration)),
                                       m.horizontalAdvance(caption(Duration))) +
                              2 * kPadding;
        return std::pair(c, digit);
    };
    const auto place = [](StepColumns& c) {
        int x = 0;
        for (int i = 0; i < Count; ++i) {
            c.m_left[i] = x;
            x += c.m_width[i];
        }
        return x;
    };

    auto [columns, digit] = measured(100);
    const int natural = place(columns);
    if (natural <= width) {
        const int spread =
            std::min((width - natural) / (Count - FirstChannel), kSpreadDigits * digit);
        for (int i = FirstChannel; i < Count; ++i) {
            columns.m_width[i] += spread;
        }
        place(columns);
        return columns;
    }
    // The gutter and the padding keep their size; the text narrows.
    const int fixed = columns.m_width[Mark] + (Count - 1) * 2 * kPadding;
    int stretch = std::clamp(100 * (width - fixed) / std::max(1, natural - fixed), kMinStretch, 99);
    for (;; --stretch) {
        columns = measured(stretch).first;
        if (place(columns) <= width || stretch == kMinStretch) {
            return columns;
        }
    }
}

int StepColumns::minimumWidth(const QFont& font) {
    return fit(font, 0).right();
}

StepColumns StepLineDelegate::columns(const QStyleOptionViewItem& option) const {
    if (option.rect.width() != m_cachedWidth || option.font != m_cachedFont) {
        m_cached = StepColumns::fit(option.font, option.rect.width());
        m_cachedWidth = option.rect.width();
        m_cachedFont = option.font;
    }
    return m_cached;
}

StepLineDelegate::Piece StepLineDelegate::piece(const StepColumns& columns, const QRect& line,
                                                const QStringList& fields, int row,
                                                int column) const {
    Piece p;
    p.text = column == StepColumns::Number ? QString::number(row) : cellText(fields, column);
    if (p.text.isEmpty() || column == StepColumns::Mark) {
        return {};
    }
    const QFontMetrics m(columns.font());
    const QRect cell =
        columns.cell(column, line).adjusted(StepColumns::kPadding, 0, -StepColumns::kPadding, 0);
    const int end = cell.left() + cell.width();
    int width = m.horizontalAdvance(p.text);
    int right = end;
    if (column >= StepColumns::FirstChannel && column < StepColumns::Duration) {
        // Whole angles end where the others' decimal separator begins.
        const qsizetype point = p.text.indexOf(QLocale().decimalPoint());
        const int tail = point < 0 ? 0 : m.horizontalAdvance(p.text.mid(point));
        right = end - columns.m_fracSlot + tail;
    }
    int x = std::clamp(right - width, cell.left(), std::max(cell.left(), end - width));
    if (width > cell.width()) {
        p.squeezed = true;
        width = cell.width();
        x = cell.left();
    }
    p.rect = QRect(x, line.top(), width, line.height());
    return p;
}

QRect StepLineDelegate::textRect(const QStyleOptionViewItem& option, const QModelIndex& index,
                                 int column) const {
    const QStringList fields = index.data().toString().split(stepline::kFieldSeparator);
    return piece(columns(option), option.rect, fields, index.row(), column).rect;
}

QRect StepLineDelegate::breakMarkRect(const QStyleOptionViewItem& option,
                                      const QModelIndex& index) const {
    if (!stepline::hasBreakMark(index.data().toString())) {
        return {};
    }
    const QRect cell = columns(option).cell(StepColumns::Mark, option.rect);
    const int size = markSize(option.font);
    return {cell.left() + (cell.width() - size) / 2, cell.top() + (cell.height() - size) / 2, size,
            size};
}

void StepLineDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QStringList fields = opt.text.split(stepline::kFieldSeparator);
    opt.text.clear();
    const QWidget* widget = opt.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);

    const StepColumns cols = columns(option);
    const bool selected = opt.state & QStyle::State_Selected;
    const QColor ink = opt.palette.color(selected ? QPalette::HighlightedText : QPalette::Text);
    const QFontMetrics m(cols.font());
    const int baseline = opt.rect.top() + (opt.rect.height() - m.height()) / 2 + m.ascent();
    const bool shown = m_shown.isValid() && m_shown == index;
    painter->save();
    if (shown) {
        // The gutter of the step the sliders show is tinted, selected or not.
        const QRect gutter(opt.rect.left(), opt.rect.top(), cols.left(StepColumns::FirstChannel),
                           opt.rect.height());
        painter->fillRect(gutter, blended(opt.palette.color(QPalette::Base), kShownFill, 0.55));
    }
    // Faint rules under the header's section edges keep narrow columns apart.
    const QColor rule = selected ? ink : blended(opt.palette.color(QPalette::Base), ink, 0.16);
    painter->setPen(rule);
    for (int c = StepColumns::FirstChannel; c <= StepColumns::Count; ++c) {
        const int x = opt.rect.left() + (c == StepColumns::Count ? cols.right() : cols.left(c)) - 1;
        painter->drawLine(x, opt.rect.top(), x, opt.rect.bottom());
    }
    painter->setFont(cols.font());
    for (int c = StepColumns::Number; c < StepColumns::Count; ++c) {
        const Piece p = piece(cols, opt.rect, fields, index.row(), c);
        if (p.text.isEmpty()) {
            continue;
        }
        painter->setPen(shown && c == StepColumns::Number ? opt.palette.color(QPalette::Text)
                                                          : ink);
        if (p.squeezed) {
            // Too long for its column (a duration read from a file, say): all of it, narrower.
            painter->save();
            painter->translate(p.rect.left(), 0);
            painter->scale(qreal(p.rect.width()) / m.horizontalAdvance(p.text), 1);
            painter->drawText(QPoint(0, baseline), p.text);
            painter->restore();
        } else {
            painter->drawText(QPoint(p.rect.left(), baseline), p.text);
        }
    }

    if (!index.data(SequenceList::kMarkRole).toString().isEmpty()) {
        // A position the channel's limits change: a bar down the line's left edge, clear of
        // the other marks; the reason is the line's tooltip.
        painter->fillRect(QRect(opt.rect.left(), opt.rect.top(), kLimitedBarWidth,
                                opt.rect.height()),
                          kLimitedFill);
    }
    painter->setRenderHint(QPainter::Antialiasing);
    const QRect dot = breakMarkRect(option, index);
    if (!dot.isEmpty()) {
        painter->setPen(QPen(kBreakFill.darker(140), 1));
        painter->setBrush(kBreakFill);
        painter->drawEllipse(QRectF(dot).adjusted(0.5, 0.5, -0.5, -0.5));
    }
    if (shown) {
        const QRect cell = cols.cell(StepColumns::Mark, opt.rect);
        const int size = markSize(option.font);
        const QRectF box(cell.left() + (cell.width() - size) / 2.0,
                         cell.top() + (cell.height() - size) / 2.0, size, size);
        QPainterPath arrow;
        arrow.moveTo(box.left() + size * 0.2, box.top() + 0.5);
        arrow.lineTo(box.right() - 0.5, box.center().y());
        arrow.lineTo(box.left() + size * 0.2, box.bottom() - 0.5);
        arrow.closeSubpath();
        painter->setPen(QPen(kShownEdge, 1));
        painter->setBrush(kShownFill);
        painter->drawPath(arrow);
    }
    painter->restore();
}

QSize StepLineDelegate::sizeHint(const QStyleOptionViewItem& option,
                                 const QModelIndex& index) const {
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    // As wide as the gutter only: a line always takes the viewport's width, so the list never
    // scrolls sideways and the gutter's marks stay in view.
    const StepColumns cols = StepColumns::fit(opt.font, 0);
    return {cols.left(StepColumns::FirstChannel),
            std::max(QFontMetrics(cols.font()).height(), opt.fontMetrics.height()) + 2};
}
