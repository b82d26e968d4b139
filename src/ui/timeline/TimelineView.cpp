#include "TimelineView.h"

#include "core/NumberText.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QImage>
#include <QImageWriter>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QSaveFile>
#include <QScrollBar>
#include <QSvgGenerator>
#include <QToolButton>
#include <QToolTip>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace {

// Twelve colours that stay apart from each other on white and in the legend's small swatches.
constexpr std::array<QRgb, kChannelCount> kChannelColours = {
    0x1f77b4, 0xff7f0e, 0x2ca02c, 0xd62728, 0x9467bd, 0x8c564b,
    0xe377c2, 0x7f7f7f, 0xbcbd22, 0x17becf, 0x393b79, 0xb8860b,
};

constexpr qreal kHiddenAlpha = 0.3;
constexpr std::array<int, 4> kAngleTicks = {-64, -32, 0, 32};
// How near a level or a step's right edge the pointer takes hold of it, and how far it moves
// before a press becomes a drag, so that a click never edits.
constexpr double kLevelGrab = 5;
constexpr double kEdgeGrab = 4;
constexpr double kDragStart = 3;
constexpr double kMaxPixelsPerSecond = 5000;
constexpr double kZoomStep = 1.25;
constexpr qint32 kNudgeMs = 20;

QColor channelColour(int channel) {
    return QColor::fromRgb(kChannelColours[size_t(channel)]);
}

// Draws the part of a polyline (x never decreasing) that falls between two x.
void drawRange(QPainter& painter, const QPolygonF& line, double left, double right) {
    auto first = std::lower_bound(line.begin(), line.end(), left,
                                  [](const QPointF& p, double x) { return p.x() < x; });
    auto last = std::upper_bound(line.begin(), line.end(), right,
                                 [](double x, const QPointF& p) { return x < p.x(); });
    if (first != line.begin()) {
        --first;
    }
    if (last != line.end()) {
        ++last;
    }
    if (last - first >= 2) {
        painter.drawPolyline(&*first, int(last - first));
    }
}

} // namespace

TimelineView::TimelineView(const Timeline& timeline, QWidget* parent)
    : QAbstractScrollArea(parent), m_timeline(timeline), m_preview(timeline) {
    setObjectName(QStringLiteral("TimelineView"));
    setAccessibleName(tr("Timeline"));
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setMouseTracking(true);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    m_shown.fill(true);
    for (int c = 0; c < kChannelCount; ++c) {
        m_labels[size_t(c)] = Timeline::channelName(c);
    }

    m_lanesAction = new QAction(tr("Lanes"), this);
    m_lanesAction->setCheckable(true);
    m_lanesAction->setToolTip(tr("One lane per channel: drag a step's level or its right edge"));
    connect(m_lanesAction, &QAction::toggled, this, &TimelineView::setLanes);
    m_lanesButton = new QToolButton(viewport());
    m_lanesButton->setObjectName(QStringLiteral("TimelineLanes"));
    m_lanesButton->setDefaultAction(m_lanesAction);
    m_lanesButton->setAccessibleName(tr("Lanes"));
    m_lanesButton->setAutoRaise(true);

    const auto viewAction = [this](const QString& text, const QKeySequence& keys) {
        auto* action = new QAction(text, this);
        action->setShortcut(keys);
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        addAction(action);
        return action;
    };
    m_zoomIn = viewAction(tr("Zoom In"), QKeySequence::ZoomIn);
    m_zoomOut = viewAction(tr("Zoom Out"), QKeySequence::ZoomOut);
    m_wholeSequence = viewAction(tr("Whole Sequence"), QKeySequence(Qt::CTRL | Qt::Key_0));
    const auto centre = [this] { return m_geometry.plot().center().x(); };
    connect(m_zoomIn, &QAction::triggered, this, [this, centre] { zoomBy(2, centre()); });
    connect(m_zoomOut, &QAction::triggered, this, [this, centre] { zoomBy(0.5, centre()); });
    connect(m_wholeSequence, &QAction::triggered, this, [this] { setPixelsPerSecond(0); });
    refresh();
}

QSize TimelineView::sizeHint() const {
    return {640, 260};
}

void TimelineView::layOut() {
    // The scrollbars' ranges follow from the geometry, and showing or hiding one resizes the
    // viewport, which lays out again: that comes back here and is done by the loop below.
    if (m_layingOut) {
        m_layOutAgain = true;
        return;
    }
    m_layingOut = true;
    constexpr int kPasses = 4;
    for (int pass = 1; pass <= kPasses; ++pass) {
        m_layOutAgain = false;
        TimelineGeometry::Input in;
        in.size = viewport()->size();
        in.lanes = m_lanes;
        in.shown = m_shown;
        in.labels = m_labels;
        in.button = m_lanesButton->sizeHint();
        in.totalMs = m_timeline.totalMs();
        in.pixelsPerSecond = m_pixelsPerSecond;
        in.laneHeight = m_laneHeight;
        const TimelineGeometry ranges(in, fontMetrics());
        QScrollBar* across = horizontalScrollBar();
        across->setRange(0, ranges.contentWidth() - ranges.plot().width());
        across->setPageStep(ranges.plot().width());
        across->setSingleStep(20);
        QScrollBar* down = verticalScrollBar();
        down->setRange(0, ranges.contentHeight() - ranges.plot().height());
        down->setPageStep(ranges.plot().height());
        down->setSingleStep(ranges.laneHeight());
        if (m_layOutAgain && pass < kPasses) {
            continue;
        }
        in.hScroll = across->value();
        in.vScroll = down->value();
        m_geometry = TimelineGeometry(in, fontMetrics());
        break;
    }
    m_layingOut = false;
    m_lanesButton->setGeometry(m_geometry.buttonRect());
    for (int c = 0; c < kChannelCount; ++c) {
        rebuildPolygon(c);
    }
}

void TimelineView::takePoints(int channel) {
    m_points[size_t(channel)] = shown().staircase(channel);
}

void TimelineView::rebuildPolygon(int channel) {
    const QList<QPointF>& points = m_points[size_t(channel)];
    QPolygonF& line = m_polygons[size_t(channel)];
    line.resize(points.size());
    for (qsizetype i = 0; i < points.size(); ++i) {
        line[i] = QPointF(m_geometry.xOf(points[i].x() * 1000.0),
                          m_geometry.yOf(channel, points[i].y() * 2.0 + 128.0));
    }
}

void TimelineView::refresh() {
    if (m_drag) {
        m_drag.reset();
        viewport()->unsetCursor();
    }
    for (int c = 0; c < kChannelCount; ++c) {
        takePoints(c);
    }
    m_selected = std::min(m_selected, m_timeline.count() - 1);
    m_cursor = std::min(m_cursor, m_timeline.count() - 1);
    layOut();
    updateDescription();
    viewport()->update();
}

// The summary, and in lanes the value the keys would change: the selected step on the
// focused lane.
void TimelineView::updateDescription() {
    const Timeline& t = shown();
    QString text = t.summary();
    const auto f = size_t(m_focusedChannel);
    if (m_lanes && m_selected >= 0 && m_selected < t.count() && m_shown[f]) {
        const Timeline::Step& s = t.step(m_selected);
        text += QStringLiteral(" Step %1, %2 at %3, %4 ms.")
                    .arg(QString::number(m_selected), m_labels[f],
                         numbertext::degreeReadout(s.positions[f]), QString::number(s.durationMs));
    }
    if (text != accessibleDescription()) {
        setAccessibleDescription(text);
    }
}

void TimelineView::setSelectedStep(int step) {
    if (step != m_selected) {
        m_selected = step;
        updateDescription();
        viewport()->update();
    }
}

void TimelineView::setCursorStep(int step) {
    if (step != m_cursor) {
        m_cursor = step;
        viewport()->update();
    }
}

void TimelineView::setLanes(bool on) {
    if (on == m_lanes) {
        return;
    }
    if (m_drag) {
        endDrag(false);
    }
    m_lanes = on;
    m_lanesAction->setChecked(on);
    viewport()->unsetCursor();
    layOut();
    updateDescription();
    viewport()->update();
    emit lanesChanged(on);
}

void TimelineView::setChannelNames(const std::array<QString, kChannelCount>& names) {
    for (int c = 0; c < kChannelCount; ++c) {
        const QString& name = names[size_t(c)];
        m_labels[size_t(c)] = name.isEmpty() ? Timeline::channelName(c) : name;
    }
    layOut();
    updateDescription();
    viewport()->update();
}

void TimelineView::setChannelShown(int channel, bool shown) {
    if (m_shown[size_t(channel)] == shown) {
        return;
    }
    if (m_drag && m_drag->grab.channel == channel) {
        endDrag(false);
    }
    m_shown[size_t(channel)] = shown;
    layOut();
    if (!shown && channel == m_focusedChannel && !m_geometry.laneChannels().empty()) {
        const std::vector<int>& lanes = m_geometry.laneChannels();
        const auto next = std::upper_bound(lanes.begin(), lanes.end(), channel);
        m_focusedChannel = next != lanes.end() ? *next : lanes.back();
    }
    updateDescription();
    viewport()->update();
}

void TimelineView::setFocusedChannel(int channel) {
    if (channel == m_focusedChannel || !m_shown[size_t(channel)]) {
        return;
    }
    m_focusedChannel = channel;
    if (m_lanes) {
        // The focused lane scrolls into view, whole if it fits.
        const QRect lane = m_geometry.lane(channel);
        const QRect plot = m_geometry.plot();
        QScrollBar* down = verticalScrollBar();
        if (lane.top() < plot.top()) {
            down->setValue(down->value() - (plot.top() - lane.top()));
        } else if (lane.bottom() > plot.bottom()) {
            down->setValue(down->value() +
                           std::min(lane.bottom() - plot.bottom(), lane.top() - plot.top()));
        }
    }
    updateDescription();
    viewport()->update();
}

void TimelineView::setPixelsPerSecond(double pixels) {
    m_pixelsPerSecond = std::clamp(pixels, 0.0, kMaxPixelsPerSecond);
    layOut();
    viewport()->update();
}

void TimelineView::setLaneHeight(int pixels) {
    m_laneHeight = std::max(pixels, 0);
    layOut();
    viewport()->update();
}

// Zooms time about a point of the viewport, which keeps the time under it.
void TimelineView::zoomBy(double factor, double anchorX) {
    const double ms = m_geometry.msAt(anchorX);
    const double pixels = std::min(pixelsPerSecond() * factor, kMaxPixelsPerSecond);
    setPixelsPerSecond(pixels <= m_geometry.fitPixelsPerSecond() * 1.001 ? 0 : pixels);
    horizontalScrollBar()->setValue(
        int(std::lround(ms * pixelsPerSecond() / 1000.0 + m_geometry.plot().left() - anchorX)));
}

void TimelineView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    layOut();
}

void TimelineView::scrollContentsBy(int, int) {
    if (!m_layingOut) {
        layOut();
        viewport()->update();
    }
}

bool TimelineView::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::Leave) {
        m_hoverStep = -1;
        m_hoverText.clear();
        QToolTip::hideText();
    }
    return QAbstractScrollArea::viewportEvent(event);
}

QPointF TimelineView::positionOf(double seconds, double angle, int channel) const {
    return {m_geometry.xOf(seconds * 1000.0), m_geometry.yOf(channel, angle * 2.0 + 128.0)};
}

std::optional<int> TimelineView::stepInPlot(const QPointF& viewportPos) const {
    if (!QRectF(m_geometry.plot()).contains(viewportPos)) {
        return std::nullopt;
    }
    return shown().stepAt(m_geometry.msAt(viewportPos.x()));
}

int TimelineView::stepAtPosition(const QPointF& viewportPos) const {
    return stepInPlot(viewportPos).value_or(-1);
}

// In a lane, a step's right edge (the nearer one, when two are near) before its level; the
// edge where one step ends and the next begins belongs to the one that ends.
TimelineView::Grab TimelineView::grabAt(const QPointF& pos) const {
    const Timeline& t = m_timeline;
    const int channel = m_geometry.laneAt(pos.y());
    if (!m_lanes || channel < 0 || t.count() == 0 || !QRectF(m_geometry.plot()).contains(pos)) {
        return {};
    }
    const double ms = m_geometry.msAt(pos.x());
    const bool pastEnd = ms >= double(t.totalMs());
    const int step = pastEnd ? t.count() - 1 : t.stepAt(ms);
    if (step < 0) {
        return {};
    }
    Grab grab;
    double nearest = kEdgeGrab + 0.5;
    const auto consider = [&](int owner) {
        const double right = m_geometry.xOf(double(t.endMs(owner)));
        const double width = right - m_geometry.xOf(double(t.step(owner).startMs));
        const double distance = std::abs(pos.x() - right);
        // A narrow step keeps the middle of its width for its level.
        if (distance < nearest && distance <= std::min(kEdgeGrab, width / 3)) {
            nearest = distance;
            grab = {Grab::Edge, owner, channel};
        }
    };
    consider(step);
    if (!pastEnd && step > 0) {
        consider(step - 1);
    }
    if (grab.kind == Grab::Edge || pastEnd) {
        return grab;
    }
    const qint32 position = t.step(step).positions[size_t(channel)];
    const double level = m_geometry.yOf(channel, std::clamp(position, 0, 255));
    if (std::abs(pos.y() - level) <= kLevelGrab) {
        return {Grab::Level, step, channel};
    }
    return {};
}

// A left click inside the plot is the view's and reports the step under it.
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
    const QPointF pos = event->position();
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    setFocus(Qt::MouseFocusReason);
    if (m_geometry.legendShown()) {
        for (int c = 0; c < kChannelCount; ++c) {
            if (m_geometry.legendEntry(c).contains(pos.toPoint())) {
                setChannelShown(c, !m_shown[size_t(c)]);
                event->accept();
                return;
            }
        }
    }
    if (const int lane = m_geometry.laneAt(pos.y());
        lane >= 0 && pos.x() <= m_geometry.plot().right()) {
        setFocusedChannel(lane);
    }
    const std::optional<int> step = stepInPlot(pos);
    if (!step) {
        event->accept();
        return;
    }
    const Grab grab = grabAt(pos);
    const int clicked = grab.kind == Grab::Edge ? grab.step : *step;
    if (clicked >= 0) {
        emit stepClicked(clicked);
    }
    if (grab.kind != Grab::None) {
        Drag drag;
        drag.grab = grab;
        drag.press = pos;
        drag.last = pos;
        const Timeline::Step& s = m_timeline.step(grab.step);
        drag.original = grab.kind == Grab::Level ? s.positions[size_t(grab.channel)] : s.durationMs;
        drag.value = drag.original;
        drag.offset = pos.x() - m_geometry.xOf(double(m_timeline.endMs(grab.step)));
        m_drag = drag;
    }
    event->accept();
}

void TimelineView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (!takeStepClick(event, &TimelineView::stepDoubleClicked)) {
        QAbstractScrollArea::mouseDoubleClickEvent(event);
    }
}

void TimelineView::mouseMoveEvent(QMouseEvent* event) {
    if (m_drag && (event->buttons() & Qt::LeftButton)) {
        dragTo(event->position(), event->modifiers().testFlag(Qt::ShiftModifier));
        event->accept();
        return;
    }
    showHover(event->position(), event->globalPosition().toPoint());
    showGrabCursor(event->position());
    event->accept();
}

void TimelineView::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() != Qt::LeftButton || !m_drag) {
        return;
    }
    if (m_drag->moving) {
        dragTo(event->position(), event->modifiers().testFlag(Qt::ShiftModifier));
        endDrag(true);
    } else {
        m_drag.reset();
    }
    showGrabCursor(event->position());
}

// A level follows the pointer's travel from the press (one position a pixel in a tall lane);
// an edge follows the pointer, on the 20 ms grid or, fine, on whole ms.
void TimelineView::dragTo(const QPointF& pos, bool fine) {
    Drag& d = *m_drag;
    d.last = pos;
    if (!d.moving) {
        const QPointF travel = pos - d.press;
        if (std::abs(travel.x()) + std::abs(travel.y()) < kDragStart) {
            return;
        }
        d.moving = true;
        m_preview = m_timeline;
        QToolTip::hideText();
        m_hoverStep = -1;
        m_hoverText.clear();
        viewport()->update(d.grab.kind == Grab::Level ? levelDirt(d.grab) | tagRect()
                                                      : viewport()->rect());
    }
    const Grab& g = d.grab;
    qint32 value = 0;
    if (g.kind == Grab::Level) {
        value = Timeline::heldPosition(d.original + (d.press.y() - pos.y()) *
                                                        m_geometry.positionsPerPixel(g.channel));
    } else {
        const double end = m_geometry.msAt(pos.x() - d.offset);
        value = Timeline::snappedDuration(end - double(m_timeline.step(g.step).startMs),
                                          fine ? 1 : Timeline::kDurationGridMs);
    }
    if (value == d.value) {
        return;
    }
    if (g.kind == Grab::Level) {
        const QRect before = levelDirt(g) | tagRect();
        d.value = value;
        m_preview.setPosition(g.step, g.channel, value);
        takePoints(g.channel);
        rebuildPolygon(g.channel);
        viewport()->update(before | tagRect());
        updateDescription();
        emit levelDragging(g.step, g.channel, value);
    } else {
        d.value = value;
        m_preview.setDuration(g.step, value);
        for (int c = 0; c < kChannelCount; ++c) {
            takePoints(c);
            rebuildPolygon(c);
        }
        viewport()->update();
        updateDescription();
    }
}

// Back to the timeline as it is; a change let go is reported and, when taken, comes back
// through refresh().
void TimelineView::endDrag(bool keep) {
    const Drag d = *m_drag;
    m_drag.reset();
    if (!d.moving) {
        return;
    }
    for (int c = 0; c < kChannelCount; ++c) {
        takePoints(c);
        rebuildPolygon(c);
    }
    updateDescription();
    viewport()->update();
    const Grab& g = d.grab;
    if (g.kind == Grab::Level && !keep && d.value != d.original) {
        emit levelDragging(g.step, g.channel, d.original);
    }
    if (!keep || d.value == d.original) {
        return;
    }
    if (g.kind == Grab::Level) {
        emit levelChanged(g.step, g.channel, d.value);
    } else {
        emit durationChanged(g.step, d.value);
    }
}

// The dragged step's column in its lane, with room for the band's least width, the cursor
// and a breakpoint's mark.
QRect TimelineView::levelDirt(const Grab& grab) const {
    const Timeline& t = shown();
    const int left = int(std::floor(m_geometry.xOf(double(t.step(grab.step).startMs)))) - 6;
    const int right = int(std::ceil(m_geometry.xOf(double(t.endMs(grab.step))))) + 6;
    const QRect lane = m_geometry.lane(grab.channel);
    return QRect(left, lane.top(), right - left, lane.height()) & m_geometry.plot();
}

QString TimelineView::tagText() const {
    if (m_drag->grab.kind == Grab::Level) {
        return numbertext::degreeReadout(m_drag->value);
    }
    return QStringLiteral("%1 ms").arg(m_drag->value);
}

// Where the value a drag would give is shown: above the level, or beside the edge.
QRect TimelineView::tagRect() const {
    if (!m_drag || !m_drag->moving) {
        return {};
    }
    const Grab& g = m_drag->grab;
    const QFontMetrics fm = fontMetrics();
    const QSize size(fm.horizontalAdvance(tagText()) + 8, fm.height() + 2);
    const QRect lane = m_geometry.lane(g.channel);
    QPoint at;
    if (g.kind == Grab::Level) {
        const double level = m_geometry.yOf(g.channel, std::clamp(m_drag->value, 0, 255));
        at = QPoint(int(m_geometry.xOf(double(shown().step(g.step).startMs))) + 4,
                    int(level) - size.height() - 2);
        if (at.y() < lane.top()) {
            at.setY(int(level) + 3);
        }
    } else {
        at = QPoint(int(m_geometry.xOf(double(shown().endMs(g.step)))) + 4, lane.top() + 2);
    }
    return QRect(at, size);
}

void TimelineView::showGrabCursor(const QPointF& pos) {
    if (m_drag && m_drag->moving) {
        return;
    }
    switch (grabAt(pos).kind) {
    case Grab::Edge:
        viewport()->setCursor(Qt::SizeHorCursor);
        break;
    case Grab::Level:
        viewport()->setCursor(Qt::SizeVerCursor);
        break;
    case Grab::None:
        viewport()->unsetCursor();
        break;
    }
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
    m_hoverText = shown().describeStep(step, QLocale(), m_labels);
    QToolTip::showText(globalPos, m_hoverText, this);
}

// Up and Down move the focused lane's position of the selected step by one, Left and Right
// its duration by 20 ms (1 ms with Shift); with Ctrl they move to another lane or step.
bool TimelineView::nudge(int key, Qt::KeyboardModifiers modifiers) {
    const bool ctrl = modifiers.testFlag(Qt::ControlModifier);
    const int count = m_timeline.count();
    const bool up = key == Qt::Key_Up;
    const bool right = key == Qt::Key_Right;
    if (ctrl && (key == Qt::Key_Left || right)) {
        const int step = std::clamp(m_selected < 0 ? 0 : m_selected + (right ? 1 : -1), 0,
                                    std::max(count - 1, 0));
        if (step < count && step != m_selected) {
            emit stepClicked(step);
        }
        return true;
    }
    if (!m_lanes) {
        return false;
    }
    if (ctrl && (up || key == Qt::Key_Down)) {
        const std::vector<int>& lanes = m_geometry.laneChannels();
        const auto at = std::find(lanes.begin(), lanes.end(), m_focusedChannel);
        if (at != lanes.end() && up && at != lanes.begin()) {
            setFocusedChannel(*(at - 1));
        } else if (at != lanes.end() && !up && at + 1 != lanes.end()) {
            setFocusedChannel(*(at + 1));
        }
        return true;
    }
    if (m_selected < 0 || m_selected >= count ||
        !(up || right || key == Qt::Key_Down || key == Qt::Key_Left)) {
        return false;
    }
    const Timeline::Step& s = m_timeline.step(m_selected);
    if (up || key == Qt::Key_Down) {
        if (!m_shown[size_t(m_focusedChannel)]) {
            return true;
        }
        const qint32 was = s.positions[size_t(m_focusedChannel)];
        const qint32 to = Timeline::heldPosition(was + (up ? 1 : -1));
        if (to != was) {
            emit levelChanged(m_selected, m_focusedChannel, to);
        }
        return true;
    }
    const qint32 by = modifiers.testFlag(Qt::ShiftModifier) ? 1 : kNudgeMs;
    const qint32 to = std::clamp(s.durationMs + (right ? by : -by), Timeline::kDurationMinMs,
                                 Timeline::kDurationMaxMs);
    if (to != s.durationMs) {
        emit durationChanged(m_selected, to);
    }
    return true;
}

void TimelineView::keyPressEvent(QKeyEvent* event) {
    if (m_drag && m_drag->moving) {
        if (event->key() == Qt::Key_Escape) {
            endDrag(false);
        } else if (event->key() == Qt::Key_Shift && m_drag->grab.kind == Grab::Edge) {
            dragTo(m_drag->last, true);
        }
        event->accept();
        return;
    }
    if (nudge(event->key(), event->modifiers())) {
        event->accept();
        return;
    }
    QAbstractScrollArea::keyPressEvent(event);
}

void TimelineView::keyReleaseEvent(QKeyEvent* event) {
    if (m_drag && m_drag->moving && event->key() == Qt::Key_Shift &&
        m_drag->grab.kind == Grab::Edge) {
        dragTo(m_drag->last, false);
    }
    QAbstractScrollArea::keyReleaseEvent(event);
}

void TimelineView::wheelEvent(QWheelEvent* event) {
    if (event->modifiers().testFlag(Qt::ControlModifier) && event->angleDelta().y() != 0) {
        zoomBy(event->angleDelta().y() > 0 ? kZoomStep : 1 / kZoomStep, event->position().x());
        event->accept();
        return;
    }
    QAbstractScrollArea::wheelEvent(event);
}

void TimelineView::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    menu.addAction(m_lanesAction);
    menu.addSeparator();
    menu.addActions({m_zoomIn, m_zoomOut, m_wholeSequence});
    menu.exec(event->globalPos());
}

void TimelineView::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update();
}

void TimelineView::focusOutEvent(QFocusEvent* event) {
    if (m_drag) {
        endDrag(false);
    }
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
}

void TimelineView::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    paintView(painter, event->rect(), true);
}

// Everything inside the clip; `live` adds what belongs to the screen only: the keyboard
// focus and the value a drag would give.
void TimelineView::paintView(QPainter& painter, const QRect& clip, bool live) const {
    painter.setFont(font());
    painter.fillRect(clip, Qt::white);
    if (m_geometry.legendShown() && clip.intersects(m_geometry.header())) {
        paintLegend(painter);
    }
    if (clip.intersects(m_geometry.leftAxis())) {
        paintLeftAxis(painter);
    }
    if (clip.intersects(m_geometry.bottomAxis())) {
        paintTimeAxis(painter);
    }
    const QRect plot = clip & m_geometry.plot();
    if (!plot.isEmpty()) {
        paintPlot(painter, plot);
    }
    paintMarks(painter);
    if (live && hasFocus()) {
        paintFocus(painter);
    }
    if (live && m_drag && m_drag->moving) {
        const QRect tag = tagRect();
        painter.setClipRect(m_geometry.plot());
        painter.setPen(channelColour(m_drag->grab.channel));
        painter.setBrush(QColor(255, 255, 255, 230));
        painter.drawRect(tag.adjusted(0, 0, -1, -1));
        painter.setPen(palette().color(QPalette::Text));
        painter.drawText(tag, Qt::AlignCenter, tagText());
        painter.setClipping(false);
    }
}

void TimelineView::paintLegend(QPainter& painter) const {
    const QColor text = palette().color(QPalette::Text);
    for (int c = 0; c < kChannelCount; ++c) {
        const QRect entry = m_geometry.legendEntry(c);
        const qreal alpha = m_shown[size_t(c)] ? 1.0 : kHiddenAlpha;
        QColor swatch = channelColour(c);
        swatch.setAlphaF(alpha);
        painter.fillRect(QRect(entry.left(), entry.center().y() - 4, 10, 10), swatch);
        QColor label = text;
        label.setAlphaF(alpha);
        painter.setPen(label);
        painter.drawText(entry.adjusted(14, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                         m_labels[size_t(c)]);
    }
}

void TimelineView::paintLeftAxis(QPainter& painter) const {
    const QRect axis = m_geometry.leftAxis();
    const QRect plot = m_geometry.plot();
    const QFontMetrics fm = painter.fontMetrics();
    painter.save();
    painter.setPen(palette().color(QPalette::Text));
    if (m_lanes) {
        painter.setClipRect(axis);
        for (const int c : m_geometry.laneChannels()) {
            const QRect lane = m_geometry.lane(c);
            if (lane.bottom() < axis.top() || lane.top() > axis.bottom()) {
                continue;
            }
            painter.fillRect(QRect(4, lane.top() + 2, 4, lane.height() - 4), channelColour(c));
            const QRect label(12, lane.top(), plot.left() - 16, lane.height());
            painter.drawText(label, Qt::AlignLeft | Qt::AlignVCenter,
                             fm.elidedText(m_labels[size_t(c)], Qt::ElideRight, label.width()));
        }
    } else {
        for (const int angle : kAngleTicks) {
            const int y = int(std::lround(m_geometry.yOf(0, angle * 2 + 128)));
            painter.drawLine(plot.left() - 4, y, plot.left() - 1, y);
            painter.drawText(QRect(0, y - fm.height() / 2, plot.left() - 6, fm.height()),
                             Qt::AlignRight | Qt::AlignVCenter, QString::number(angle));
        }
        if (m_geometry.titlesShown()) {
            painter.translate(4 + fm.ascent(), plot.center().y());
            painter.rotate(-90);
            painter.drawText(QRect(-plot.height() / 2, -fm.ascent(), plot.height(), fm.height()),
                             Qt::AlignCenter, tr("Angle (°)"));
        }
    }
    painter.restore();
}

void TimelineView::paintTimeAxis(QPainter& painter) const {
    const QRect plot = m_geometry.plot();
    const QFontMetrics fm = painter.fontMetrics();
    const int width = viewport()->width();
    painter.setPen(palette().color(QPalette::Text));
    painter.drawLine(plot.left(), plot.bottom() + 1, plot.right(), plot.bottom() + 1);
    // A label that would touch the one before it, or stand out of the view, is left out.
    int free = 0;
    for (const double seconds : m_geometry.ticksInView()) {
        const int x = int(std::lround(m_geometry.xOf(seconds * 1000.0)));
        painter.drawLine(x, plot.bottom() + 1, x, plot.bottom() + 4);
        const QString text = TimelineGeometry::secondsLabel(seconds);
        const int w = fm.horizontalAdvance(text);
        const QRect label(x - w / 2, plot.bottom() + 5, w, fm.height());
        if (label.left() >= free && label.right() < width) {
            painter.drawText(label, Qt::AlignCenter, text);
            free = label.right() + fm.horizontalAdvance(QLatin1Char(' '));
        }
    }
    if (m_geometry.titlesShown()) {
        painter.drawText(
            QRect(plot.left(), plot.bottom() + 5 + fm.height(), plot.width(), fm.height()),
            Qt::AlignCenter, tr("Time (s)"));
    }
}

void TimelineView::paintPlot(QPainter& painter, const QRect& clip) const {
    const QRect plot = m_geometry.plot();
    const Timeline& t = shown();
    painter.save();
    painter.setClipRect(clip);
    painter.setRenderHint(QPainter::Antialiasing, false);
    const QColor grid(226, 226, 226);
    if (m_lanes) {
        const std::vector<int>& lanes = m_geometry.laneChannels();
        for (size_t i = 0; i < lanes.size(); ++i) {
            const QRect lane = m_geometry.lane(lanes[i]);
            if (!lane.intersects(clip)) {
                continue;
            }
            if (i % 2 == 1) {
                painter.fillRect(lane & clip, QColor(247, 247, 247));
            }
            painter.setPen(QColor(205, 205, 205));
            painter.drawLine(lane.left(), lane.bottom(), lane.right(), lane.bottom());
            painter.setPen(QPen(grid, 1, Qt::DashLine));
            const int centre = int(std::lround(m_geometry.yOf(lanes[i], 128)));
            painter.drawLine(clip.left(), centre, clip.right(), centre);
        }
    } else {
        painter.setPen(grid);
        for (const int angle : kAngleTicks) {
            const int y = int(std::lround(m_geometry.yOf(0, angle * 2 + 128)));
            painter.drawLine(clip.left(), y, clip.right(), y);
        }
    }
    painter.setPen(grid);
    for (const double seconds : m_geometry.ticksInView()) {
        const int x = int(std::lround(m_geometry.xOf(seconds * 1000.0)));
        painter.drawLine(x, plot.top(), x, plot.bottom());
    }
    if (m_selected >= 0 && m_selected < t.count()) {
        const double left = m_geometry.xOf(double(t.step(m_selected).startMs));
        const double right = std::max(m_geometry.xOf(double(t.endMs(m_selected))), left + 2);
        painter.fillRect(QRectF(left, plot.top(), right - left, plot.height()),
                         QColor(30, 100, 220, 50));
    }
    const double left = clip.left() - 1;
    const double right = clip.right() + 2;
    for (const int c : m_geometry.laneChannels()) {
        if (m_lanes) {
            const QRect lane = m_geometry.lane(c) & clip;
            if (lane.isEmpty()) {
                continue;
            }
            painter.setClipRect(lane);
        }
        painter.setPen(channelColour(c));
        drawRange(painter, m_polygons[size_t(c)], left, right);
    }
    if (m_drag && m_drag->moving && m_drag->grab.kind == Grab::Level) {
        // The level being dragged stands out from the staircase it belongs to.
        const Grab& g = m_drag->grab;
        painter.setClipRect(m_geometry.lane(g.channel) & clip);
        const double y = m_geometry.yOf(g.channel, m_drag->value);
        painter.setPen(QPen(channelColour(g.channel), 3));
        painter.drawLine(QPointF(m_geometry.xOf(double(t.step(g.step).startMs)), y),
                         QPointF(m_geometry.xOf(double(t.endMs(g.step))), y));
    }
    painter.restore();
}

// Breakpoints sit on the time axis, where playback would halt; steps the channel limits change
// are barred along the top; the cursor stands at the playing step.
void TimelineView::paintMarks(QPainter& painter) const {
    const QRect plot = m_geometry.plot();
    const Timeline& t = shown();
    const int count = t.count();
    painter.save();
    painter.setClipRect(plot.adjusted(0, -1, 1, 8));
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(200, 0, 0));
    painter.setRenderHint(QPainter::Antialiasing, true);
    // A step the channel limits change: an amber bar along the top of the plot over its time.
    for (int i = 0; i < count; ++i) {
        if (t.step(i).limited.isEmpty()) {
            continue;
        }
        const double from = m_geometry.xOf(double(t.step(i).startMs));
        const double to = m_geometry.xOf(double(t.endMs(i)));
        painter.fillRect(QRectF(from, plot.top(), std::max(2.0, to - from), 4),
                         QColor(230, 140, 0));
    }
    for (int i = 0; i < count; ++i) {
        if (!t.step(i).breakpoint) {
            continue;
        }
        const double x = m_geometry.xOf(double(t.step(i).startMs));
        QPainterPath mark;
        mark.moveTo(x, plot.bottom() - 8);
        mark.lineTo(x - 5, plot.bottom() + 1);
        mark.lineTo(x + 5, plot.bottom() + 1);
        mark.closeSubpath();
        painter.drawPath(mark);
    }
    if (m_cursor >= 0 && m_cursor < count) {
        const double x = m_geometry.xOf(double(t.step(m_cursor).startMs));
        painter.setPen(QPen(QColor(20, 20, 20), 2));
        painter.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
    }
    painter.restore();
}

// A dotted frame round the focused lane (round the plot when overlaid), and round the
// selected step in it: what the arrow keys act on.
void TimelineView::paintFocus(QPainter& painter) const {
    const QRect plot = m_geometry.plot();
    const QColor colour = palette().color(QPalette::Highlight);
    painter.save();
    painter.setClipRect(plot);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(colour, 1, Qt::DotLine));
    if (!m_lanes || !m_shown[size_t(m_focusedChannel)]) {
        painter.drawRect(plot.adjusted(0, 0, -1, -1));
        painter.restore();
        return;
    }
    const QRect lane = m_geometry.lane(m_focusedChannel);
    painter.drawRect(lane.adjusted(0, 0, -1, -1));
    if (m_selected >= 0 && m_selected < m_timeline.count()) {
        const Timeline& t = shown();
        const double left = m_geometry.xOf(double(t.step(m_selected).startMs));
        const double right = std::max(m_geometry.xOf(double(t.endMs(m_selected))), left + 3);
        painter.setPen(QPen(colour, 2));
        painter.drawRect(QRectF(left, lane.top() + 1, right - left, lane.height() - 3));
    }
    painter.restore();
}

bool TimelineView::exportTo(const QString& path, QString* error) const {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = file.errorString();
        return false;
    }
    const QSize size = viewport()->size();
    const QRect all(QPoint(0, 0), size);
    if (path.endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive)) {
        QSvgGenerator svg;
        svg.setOutputDevice(&file);
        svg.setSize(size);
        svg.setViewBox(all);
        svg.setResolution(logicalDpiX());
        svg.setTitle(tr("Timeline"));
        svg.setDescription(m_timeline.summary());
        QPainter painter(&svg);
        paintView(painter, all, false);
    } else {
        QImage image(size * devicePixelRatio(), QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(devicePixelRatio());
        {
            QPainter painter(&image);
            paintView(painter, all, false);
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
