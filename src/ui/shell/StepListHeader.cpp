#include "StepListHeader.h"

#include "ui/shell/ClickableViews.h"

#include <QEvent>
#include <QPainter>
#include <QStyleOptionHeader>

StepListHeader::StepListHeader(StepListView* view, QWidget* parent)
    : QWidget(parent), m_view(view) {
    setAccessibleName(tr("Sequence columns"));
    const QString columns = tr("Step number; channels Ch0 to Ch11 in degrees; step time in ms. "
                               "A red dot marks a breakpoint, an arrow the step the sliders show.");
    setAccessibleDescription(columns);
    setToolTip(columns);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    view->installEventFilter(this);
    view->viewport()->installEventFilter(this);
}

StepColumns StepListHeader::columns() const {
    return StepColumns::fit(m_view->font(), m_view->viewport()->width());
}

int StepListHeader::columnsOrigin() const {
    return m_view->viewport()->mapTo(window(), QPoint()).x() - mapTo(window(), QPoint()).x();
}

QSize StepListHeader::sizeHint() const {
    QStyleOptionHeader opt;
    opt.initFrom(this);
    opt.fontMetrics = QFontMetrics(m_view->font());
    opt.text = StepColumns::caption(StepColumns::FirstChannel);
    const QSize section = style()->sizeFromContents(QStyle::CT_HeaderSection, &opt, QSize(), this);
    return {m_view->minimumSizeHint().width(), section.height()};
}

QSize StepListHeader::minimumSizeHint() const {
    return sizeHint();
}

// The viewport narrows when the list's scroll bar comes and widens when it goes; the list may
// move against this widget when the layout changes.
// The event's type is looked at first: other events come while the list is being torn down,
// when it is no longer a StepListView.
bool StepListHeader::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if ((type == QEvent::Resize || type == QEvent::Move || type == QEvent::FontChange) && m_view &&
        (watched == m_view || watched == m_view->viewport())) {
        update();
    }
    return QWidget::eventFilter(watched, event);
}

void StepListHeader::paintEvent(QPaintEvent*) {
    if (!m_view) {
        return;
    }
    const StepColumns cols = columns();
    const int origin = columnsOrigin();
    QPainter painter(this);
    const auto section = [&](int left, int width, const QString& text,
                             QStyleOptionHeader::SectionPosition position) {
        QStyleOptionHeader opt;
        opt.initFrom(this);
        opt.rect = QRect(left, 0, width, height());
        opt.orientation = Qt::Horizontal;
        opt.position = position;
        opt.state |= QStyle::State_Horizontal | QStyle::State_Raised;
        style()->drawControl(QStyle::CE_HeaderSection, &opt, &painter, this);
        painter.setFont(cols.font());
        painter.setPen(palette().color(QPalette::ButtonText));
        painter.drawText(opt.rect, Qt::AlignCenter | Qt::TextDontClip, text);
    };
    // The gutter, the marks and the step number, is one section.
    section(0, origin + cols.left(StepColumns::FirstChannel), QString(),
            QStyleOptionHeader::Beginning);
    painter.setFont(cols.font());
    const int gutter = cols.left(StepColumns::FirstChannel);
    painter.setPen(palette().color(QPalette::ButtonText));
    painter.drawText(QRect(origin, 0, gutter, height()), Qt::AlignCenter | Qt::TextDontClip,
                     StepColumns::caption(StepColumns::Number));
    for (int c = StepColumns::FirstChannel; c < StepColumns::Count; ++c) {
        section(origin + cols.left(c), cols.width(c), StepColumns::caption(c),
                QStyleOptionHeader::Middle);
    }
    const int end = origin + cols.right();
    if (end < width()) {
        section(end, width() - end, QString(), QStyleOptionHeader::End);
    }
}
