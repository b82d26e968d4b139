#include "TimelineView.h"

#include "core/sequence/Timeline.h"

#include <QChart>
#include <QImage>
#include <QImageWriter>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QSaveFile>
#include <QSvgGenerator>
#include <QToolTip>
#include <QValueAxis>

#include <algorithm>
#include <cmath>
#include <optional>

namespace {

// Twelve colours that stay apart from each other on white and in the legend's small swatches.
constexpr std::array<QRgb, kChannelCount> kChannelColours = {
    0x1f77b4, 0xff7f0e, 0x2ca02c, 0xd62728, 0x9467bd, 0x8c564b,
    0xe377c2, 0x7f7f7f, 0xbcbd22, 0x17becf, 0x393b79, 0xb8860b,
};

constexpr double kAngleMin = -64;
constexpr double kAngleMax = 63.5;
constexpr qreal kHiddenAlpha = 0.3;

// A round step (1, 2, 2.5 or 5 times a power of ten) that cuts the time into at most `parts`.
double tickFor(double seconds, int parts) {
    double tick = std::pow(10.0, std::floor(std::log10(std::max(seconds, 0.001) / parts)));
    for (const double factor : {2.0, 1.25, 2.0, 2.0}) {
        if (seconds / tick <= parts) {
            break;
        }
        tick *= factor;
    }
    return tick;
}

// Below these sizes the axis titles and, narrower still, the legend give their room to the
// curves, so that no label is cut (a dock beside the list, all frames open at 1280x800).
constexpr int kTitlesMinWidth = 420;
constexpr int kTitlesMinHeight = 230;
constexpr int kLegendMinWidth = 420;
constexpr int kPixelsPerTick = 80;

} // namespace

TimelineView::TimelineView(const Timeline& timeline, QWidget* parent)
    : QChartView(parent), m_timeline(timeline) {
    setObjectName(QStringLiteral("TimelineView"));
    setAccessibleName(tr("Timeline"));
    setRenderHint(QPainter::Antialiasing, false);
    setMouseTracking(true);

    auto* chart = new QChart;
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->setMargins(QMargins(4, 2, 8, 2));
    chart->setBackgroundRoundness(0);
    chart->legend()->setAlignment(Qt::AlignTop);

    m_time = new QValueAxis(chart);
    m_time->setTitleText(tr("Time (s)"));
    m_time->setLabelFormat(QStringLiteral("%.10g"));
    m_time->setTickType(QValueAxis::TicksDynamic);
    m_time->setTickAnchor(0);
    m_time->setTickInterval(0.1);
    m_time->setRange(0, 1);
    m_angle = new QValueAxis(chart);
    m_angle->setTitleText(tr("Angle (°)"));
    m_angle->setRange(kAngleMin, kAngleMax);
    m_angle->setTickType(QValueAxis::TicksDynamic);
    m_angle->setTickAnchor(0);
    m_angle->setTickInterval(32);
    m_angle->setLabelFormat(QStringLiteral("%d"));
    chart->addAxis(m_time, Qt::AlignBottom);
    chart->addAxis(m_angle, Qt::AlignLeft);

    for (int c = 0; c < kChannelCount; ++c) {
        auto* series = new QLineSeries(chart);
        series->setName(Timeline::channelName(c));
        QPen pen(QColor::fromRgb(kChannelColours[size_t(c)]));
        pen.setWidthF(1);
        series->setPen(pen);
        chart->addSeries(series);
        series->attachAxis(m_time);
        series->attachAxis(m_angle);
        m_series[size_t(c)] = series;
    }
    for (QLegendMarker* marker : chart->legend()->markers()) {
        connect(marker, &QLegendMarker::clicked, this, [this, marker] { toggleChannel(marker); });
    }
    setChart(chart);
    connect(chart, &QChart::plotAreaChanged, this, [this] {
        if (timeAxisChanges()) {
            updateTimeAxis();
        }
    });
    refresh();
}

QSize TimelineView::sizeHint() const { return {640, 260}; }

std::pair<double, double> TimelineView::timeAxis() const {
    const double seconds = m_timeline.count() == 0 ? 1.0 : double(m_timeline.totalMs()) / 1000.0;
    const int parts = std::clamp(int(chart()->plotArea().width()) / kPixelsPerTick, 2, 10);
    const double tick = tickFor(seconds, parts);
    return {std::max(std::ceil(seconds / tick - 1e-6), 1.0) * tick, tick};
}

bool TimelineView::timeAxisChanges() const {
    const auto [end, tick] = timeAxis();
    return m_time->max() != end || m_time->tickInterval() != tick;
}

void TimelineView::updateTimeAxis() {
    const auto [end, tick] = timeAxis();
    m_time->setTickInterval(tick);
    m_time->setRange(0, end);
}

void TimelineView::resizeEvent(QResizeEvent* event) {
    const bool titles = width() >= kTitlesMinWidth && height() >= kTitlesMinHeight;
    m_time->setTitleVisible(titles);
    m_angle->setTitleVisible(titles);
    chart()->legend()->setVisible(width() >= kLegendMinWidth);
    QChartView::resizeEvent(event);
}

QLegendMarker* TimelineView::legendMarker(int channel) const {
    const QList<QLegendMarker*> markers = chart()->legend()->markers(series(channel));
    return markers.isEmpty() ? nullptr : markers.first();
}

void TimelineView::refresh() {
    // A series lays itself out again at once when its points or the range change, which is
    // most of the cost of an update. So channels an edit did not touch keep their points, and
    // a new range is set while the series are empty, so that each is laid out only once.
    std::array<QList<QPointF>, kChannelCount> points;
    for (int c = 0; c < kChannelCount; ++c) {
        points[size_t(c)] = m_timeline.staircase(c);
    }
    if (timeAxisChanges()) {
        for (QLineSeries* s : m_series) {
            s->clear();
        }
        updateTimeAxis();
    }
    for (int c = 0; c < kChannelCount; ++c) {
        QLineSeries* s = m_series[size_t(c)];
        if (points[size_t(c)] != s->points()) {
            s->replace(points[size_t(c)]);
        }
    }
    setAccessibleDescription(m_timeline.summary());
    m_selected = std::min(m_selected, m_timeline.count() - 1);
    m_cursor = std::min(m_cursor, m_timeline.count() - 1);
    viewport()->update();
}

void TimelineView::setSelectedStep(int step) {
    if (step != m_selected) {
        m_selected = step;
        viewport()->update();
    }
}

void TimelineView::setCursorStep(int step) {
    if (step != m_cursor) {
        m_cursor = step;
        viewport()->update();
    }
}

void TimelineView::toggleChannel(QLegendMarker* marker) {
    QAbstractSeries* s = marker->series();
    s->setVisible(!s->isVisible());
    // Hiding a series hides its marker too; keep it, dimmed, so the channel can come back.
    marker->setVisible(true);
    const qreal alpha = s->isVisible() ? 1.0 : kHiddenAlpha;
    const auto withAlpha = [alpha](QBrush brush) {
        QColor colour = brush.color();
        colour.setAlphaF(alpha);
        brush.setColor(colour);
        return brush;
    };
    marker->setLabelBrush(withAlpha(marker->labelBrush()));
    marker->setBrush(withAlpha(marker->brush()));
}

QPointF TimelineView::positionOf(double seconds, double angle) const {
    const QPointF inChart = chart()->mapToPosition(QPointF(seconds, angle));
    return mapFromScene(chart()->mapToScene(inChart));
}

double TimelineView::xOf(qint64 ms) const {
    return chart()->mapToScene(chart()->mapToPosition(QPointF(double(ms) / 1000.0, 0))).x();
}

std::optional<int> TimelineView::stepInPlot(const QPointF& viewportPos) const {
    const QPointF inChart = chart()->mapFromScene(mapToScene(viewportPos.toPoint()));
    if (!chart()->plotArea().contains(inChart)) {
        return std::nullopt;
    }
    return m_timeline.stepAt(chart()->mapToValue(inChart).x() * 1000.0);
}

int TimelineView::stepAtPosition(const QPointF& viewportPos) const {
    return stepInPlot(viewportPos).value_or(-1);
}

// A left click inside the plot is the view's and reports the step under it; elsewhere the
// legend takes it.
bool TimelineView::takeStepClick(QMouseEvent* event, void (TimelineView::*report)(int)) {
    if (event->button() != Qt::LeftButton) {
        return false;
    }
    const std::optional<int> step = stepInPlot(event->position());
    if (!step) {
        return false;
    }
    if (*step >= 0) {
        emit(this->*report)(*step);
    }
    event->accept();
    return true;
}

void TimelineView::mousePressEvent(QMouseEvent* event) {
    if (!takeStepClick(event, &TimelineView::stepClicked)) {
        QChartView::mousePressEvent(event);
    }
}

void TimelineView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (!takeStepClick(event, &TimelineView::stepDoubleClicked)) {
        QChartView::mouseDoubleClickEvent(event);
    }
}

void TimelineView::mouseMoveEvent(QMouseEvent* event) {
    showHover(event->position(), event->globalPosition().toPoint());
    QChartView::mouseMoveEvent(event);
}

void TimelineView::leaveEvent(QEvent* event) {
    m_hoverStep = -1;
    m_hoverText.clear();
    QToolTip::hideText();
    QChartView::leaveEvent(event);
}

void TimelineView::showHover(const QPointF& viewportPos, const QPoint& globalPos) {
    const int step = stepAtPosition(viewportPos);
    if (step == m_hoverStep) {
        return;
    }
    m_hoverStep = step;
    if (step < 0) {
        m_hoverText.clear();
        QToolTip::hideText();
        return;
    }
    m_hoverText = m_timeline.describeStep(step);
    QToolTip::showText(globalPos, m_hoverText, this);
}

void TimelineView::drawForeground(QPainter* painter, const QRectF& rect) {
    QChartView::drawForeground(painter, rect);
    const QRectF plot = chart()->mapRectToScene(chart()->plotArea());
    const int count = m_timeline.count();
    painter->save();
    painter->setClipRect(plot.adjusted(0, -1, 1, 8));
    if (m_selected >= 0 && m_selected < count) {
        const double left = xOf(m_timeline.step(m_selected).startMs);
        const double right = std::max(xOf(m_timeline.endMs(m_selected)), left + 2);
        painter->fillRect(QRectF(left, plot.top(), right - left, plot.height()),
                          QColor(30, 100, 220, 50));
    }
    // Breakpoints sit on the time axis, where playback would halt.
    painter->setPen(Qt::NoPen);
    painter->setBrush(QColor(200, 0, 0));
    painter->setRenderHint(QPainter::Antialiasing, true);
    for (int i = 0; i < count; ++i) {
        if (!m_timeline.step(i).breakpoint) {
            continue;
        }
        const double x = xOf(m_timeline.step(i).startMs);
        QPainterPath mark;
        mark.moveTo(x, plot.bottom() - 9);
        mark.lineTo(x - 5, plot.bottom());
        mark.lineTo(x + 5, plot.bottom());
        mark.closeSubpath();
        painter->drawPath(mark);
    }
    if (m_cursor >= 0 && m_cursor < count) {
        const double x = xOf(m_timeline.step(m_cursor).startMs);
        painter->setPen(QPen(QColor(20, 20, 20), 2));
        painter->drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
    }
    painter->restore();
}

bool TimelineView::exportTo(const QString& path, QString* error) const {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = file.errorString();
        return false;
    }
    const QSize size = viewport()->size();
    // render() is not const, but drawing the view changes nothing in it.
    auto* self = const_cast<TimelineView*>(this);
    if (path.endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive)) {
        QSvgGenerator svg;
        svg.setOutputDevice(&file);
        svg.setSize(size);
        svg.setViewBox(QRect(QPoint(0, 0), size));
        svg.setTitle(tr("Timeline"));
        svg.setDescription(m_timeline.summary());
        QPainter painter(&svg);
        self->render(&painter, QRectF(QPointF(0, 0), QSizeF(size)), viewport()->rect());
    } else {
        QImage image(size * devicePixelRatio(), QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(devicePixelRatio());
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            self->render(&painter, QRectF(QPointF(0, 0), QSizeF(size)), viewport()->rect());
        }
        QImageWriter writer(&file, "png");
        if (!writer.write(image)) {
            *error = writer.errorString();
            file.cancelWriting();
            return false;
        }
    }
    if (!file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}
