#include "SlideControl.h"

#include <QEvent>
#include <QLabel>
#include <QProgressBar>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

#include <cmath>

namespace {
// The progress bar works in integers; hundredths keep fractional step numbers visible.
constexpr double kProgressScale = 100.0;
} // namespace

SlideControl::SlideControl(Look look, int index, const QString& caption, QWidget* parent)
    : QWidget(parent), m_look(look), m_index(index) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    if (look == Look::Slider) {
        m_caption = new QLabel(caption, this);
        m_caption->setAlignment(Qt::AlignHCenter);
        m_nameLabel = new QLabel(this);
        m_nameLabel->setObjectName(QStringLiteral("name"));
        m_nameLabel->setAlignment(Qt::AlignHCenter);
        // However long the name, the column keeps the width the caption and boxes give it.
        m_nameLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        QFont small = m_nameLabel->font();
        small.setPointSizeF(small.pointSizeF() * 0.85);
        m_nameLabel->setFont(small);
        // An empty line as high as a named one, so the sliders stay level.
        m_nameLabel->setFixedHeight(m_nameLabel->fontMetrics().height());
        m_nameLabel->hide();
        m_slider = new QSlider(Qt::Vertical, this);
        m_slider->setAccessibleName(caption);
        m_slider->setObjectName(QStringLiteral("slider"));
        m_slider->setPageStep(16);
        m_slider->installEventFilter(this);
        layout->addWidget(m_caption);
        layout->addWidget(m_nameLabel);
        layout->addWidget(m_slider, 1, Qt::AlignHCenter);
        connect(m_slider, &QSlider::valueChanged, this, [this](int v) {
            if (v != m_value) {
                m_value = v;
                emit valueChanged(m_index, m_value);
            }
        });
    } else {
        m_progress = new QProgressBar(this);
        m_progress->setTextVisible(false);
        m_progress->setAccessibleName(caption);
        layout->addWidget(m_progress);
    }
    setAccessibleName(caption);
    showValue();
}

void SlideControl::setAxisMinimum(double minimum) {
    m_minimum = minimum;
    showValue();
}

void SlideControl::setAxisMaximum(double maximum) {
    m_maximum = maximum;
    showValue();
}

void SlideControl::setValue(double value) {
    if (m_look == Look::Slider) {
        value = qBound(m_minimum, value, m_maximum);
    }
    if (value == m_value) {
        return;
    }
    m_value = value;
    showValue();
    emit valueChanged(m_index, m_value);
}

void SlideControl::setName(const QString& name, bool lineShown) {
    if (!m_nameLabel) {
        return;
    }
    m_name = name;
    m_nameLabel->setVisible(lineShown || !name.isEmpty());
    showName();
}

QString SlideControl::shownName() const {
    return m_nameLabel && m_nameLabel->isVisibleTo(this) ? m_nameLabel->text() : QString();
}

void SlideControl::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    showName();
}

bool SlideControl::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_slider &&
        (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut)) {
        showFocus(event->type() == QEvent::FocusIn);
    }
    return QWidget::eventFilter(watched, event);
}

// A vertical slider draws no focus of its own in most styles: the caption shows whose keys
// the arrows move.
void SlideControl::showFocus(bool focused) {
    m_caption->setAutoFillBackground(focused);
    m_caption->setBackgroundRole(focused ? QPalette::Highlight : QPalette::Window);
    m_caption->setForegroundRole(focused ? QPalette::HighlightedText : QPalette::WindowText);
}

void SlideControl::showName() {
    if (m_nameLabel) {
        m_nameLabel->setText(
            m_nameLabel->fontMetrics().elidedText(m_name, Qt::ElideRight, width()));
    }
}

void SlideControl::showValue() {
    if (m_slider) {
        const QSignalBlocker quiet(m_slider);
        m_slider->setRange(static_cast<int>(m_minimum), static_cast<int>(m_maximum));
        m_slider->setValue(static_cast<int>(std::lround(m_value)));
    } else {
        const QSignalBlocker quiet(m_progress);
        const int top = static_cast<int>(std::lround(qMax(0.0, m_maximum) * kProgressScale));
        m_progress->setRange(0, qMax(1, top));
        m_progress->setValue(
            qBound(0, static_cast<int>(std::lround(m_value * kProgressScale)), qMax(1, top)));
    }
}
