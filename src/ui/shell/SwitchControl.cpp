#include "SwitchControl.h"

#include <QPainter>
#include <QPainterPath>

namespace {
constexpr int kTrackWidth = 40;
constexpr int kTrackHeight = 20;
constexpr int kGap = 8;
} // namespace

SwitchControl::SwitchControl(const QString& caption, QWidget* parent) : QAbstractButton(parent) {
    setText(caption);
    setCheckable(true);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    connect(this, &QAbstractButton::toggled, this, [this](bool on) {
        if (!m_silent) {
            emit valueChanged(on);
        }
    });
}

void SwitchControl::setValue(bool on) { setChecked(on); }

void SwitchControl::setValueSilently(bool on) {
    m_silent = true;
    setChecked(on);
    m_silent = false;
}

QSize SwitchControl::sizeHint() const {
    const QFontMetrics fm(font());
    return {kTrackWidth + kGap + fm.horizontalAdvance(text()) + 4,
            qMax(kTrackHeight, fm.height()) + 6};
}

void SwitchControl::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QPalette& pal = palette();
    const int top = (height() - kTrackHeight) / 2;
    const QRectF track(1, top, kTrackWidth, kTrackHeight);
    const bool on = isChecked();
    QColor fill = on ? QColor(0x2e, 0x9d, 0x4f) : pal.color(QPalette::Mid);
    if (!isEnabled()) {
        fill = fill.lighter(150);
    }
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawRoundedRect(track, kTrackHeight / 2.0, kTrackHeight / 2.0);
    const qreal knob = kTrackHeight - 4;
    const qreal x = on ? track.right() - knob - 2 : track.left() + 2;
    p.setBrush(pal.color(QPalette::Base));
    p.drawEllipse(QRectF(x, top + 2, knob, knob));
    if (hasFocus()) {
        p.setPen(QPen(pal.color(QPalette::Highlight), 1.5));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(track.adjusted(-1, -1, 1, 1), kTrackHeight / 2.0, kTrackHeight / 2.0);
    }
    p.setPen(pal.color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    const QRect label(kTrackWidth + kGap, 0, width() - kTrackWidth - kGap, height());
    p.drawText(label, Qt::AlignVCenter | Qt::AlignLeft, text());
}
