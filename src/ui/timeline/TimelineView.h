#pragma once

#include "TimelineGeometry.h"

#include "core/StepRecord.h"
#include "core/sequence/Timeline.h"

#include <QAbstractScrollArea>
#include <QList>
#include <QPointF>
#include <QPolygonF>
#include <QString>

#include <array>
#include <optional>

class QAction;
class QToolButton;

// The twelve channels over time, overlaid or one lane each, beside the step list. It shows a
// Timeline and reports what the user does on it: clicks on steps, and in the lanes, drags of a
// step's level or right edge and nudges from the keys. It never changes the sequence itself;
// while a drag lasts it shows the value the drag would give.
class TimelineView : public QAbstractScrollArea {
    Q_OBJECT
    Q_PROPERTY(bool lanes READ lanes WRITE setLanes NOTIFY lanesChanged)
public:
    explicit TimelineView(const Timeline& timeline, QWidget* parent = nullptr);

    // Takes the timeline's steps again: curves, axes, breakpoints, description. A drag under
    // way is dropped, since its step may be gone.
    void refresh();
    // The band behind the selected step, and the cursor at the playing step (-1 for none).
    void setSelectedStep(int step);
    void setCursorStep(int step);
    int selectedStep() const { return m_selected; }
    int cursorStep() const { return m_cursor; }

    bool lanes() const { return m_lanes; }
    void setLanes(bool on);
    // The names of the lanes and the legend, channel 0 first; an empty one shows as "Ch3".
    void setChannelNames(const std::array<QString, kChannelCount>& names);
    QString channelLabel(int channel) const { return m_labels[size_t(channel)]; }
    // A hidden channel keeps its legend entry, dimmed, and loses its curve or lane.
    void setChannelShown(int channel, bool shown);
    bool channelShown(int channel) const { return m_shown[size_t(channel)]; }
    // The lane Up and Down act on.
    int focusedChannel() const { return m_focusedChannel; }
    void setFocusedChannel(int channel);
    // Time across: 0 fits the whole sequence to the width; more spreads it over a scrollbar.
    void setPixelsPerSecond(double pixels);
    double pixelsPerSecond() const { return m_geometry.pixelsPerSecond(); }
    // Each lane's height: 0 shares the height out (as many whole lanes as fit).
    void setLaneHeight(int pixels);

    // The step under a point of the viewport, -1 outside the plot or past the end.
    int stepAtPosition(const QPointF& viewportPos) const;
    // A point of the viewport at a time (s) and angle: on the plot when overlaid, in the
    // channel's lane when in lanes.
    QPointF positionOf(double seconds, double angle, int channel = 0) const;
    // A channel's staircase as drawn, in s and degrees (what a drag shows included).
    QList<QPointF> points(int channel) const { return m_points[size_t(channel)]; }
    QRect legendRect(int channel) const { return m_geometry.legendEntry(channel); }
    QString hoverText() const { return m_hoverText; }

    // Writes the view as drawn: SVG for a ".svg" path, PNG otherwise. On failure, false and
    // the reason in *error.
    bool exportTo(const QString& path, QString* error) const;

    QSize sizeHint() const override;

signals:
    void stepClicked(int step);
    void stepDoubleClicked(int step);
    // While a level is dragged, each new position, ending on the one the drag leaves (the
    // step's own when it is given up), so a servo can follow.
    void levelDragging(int step, int channel, int position);
    // A drag let go or a key pressed: the position or duration the step should take.
    void levelChanged(int step, int channel, int position);
    void durationChanged(int step, int ms);
    void lanesChanged(bool lanes);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    bool viewportEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    // What a press in a lane takes hold of.
    struct Grab {
        enum Kind { None, Level, Edge } kind = None;
        int step = -1;
        int channel = -1;
    };
    struct Drag {
        Grab grab;
        QPointF press;
        qint32 original = 0;
        qint32 value = 0;
        bool moving = false;
        QPointF last;
        double offset = 0; // from the pointer to the grabbed edge, in px
    };

    const Timeline& shown() const { return m_drag && m_drag->moving ? m_preview : m_timeline; }
    void layOut();
    void takePoints(int channel);
    void rebuildPolygon(int channel);
    void updateDescription();
    void zoomBy(double factor, double anchorX);

    std::optional<int> stepInPlot(const QPointF& viewportPos) const;
    Grab grabAt(const QPointF& viewportPos) const;
    bool takeStepClick(QMouseEvent* event, void (TimelineView::*report)(int));
    void showHover(const QPointF& viewportPos, const QPoint& globalPos);
    void showGrabCursor(const QPointF& viewportPos);
    void dragTo(const QPointF& viewportPos, bool fine);
    void endDrag(bool keep);
    QRect levelDirt(const Grab& grab) const;
    QRect tagRect() const;
    QString tagText() const;
    bool nudge(int key, Qt::KeyboardModifiers modifiers);

    void paintView(QPainter& painter, const QRect& clip, bool live) const;
    void paintLegend(QPainter& painter) const;
    void paintLeftAxis(QPainter& painter) const;
    void paintTimeAxis(QPainter& painter) const;
    void paintPlot(QPainter& painter, const QRect& clip) const;
    void paintMarks(QPainter& painter) const;
    void paintFocus(QPainter& painter) const;

    const Timeline& m_timeline;
    Timeline m_preview;
    TimelineGeometry m_geometry;
    std::array<QList<QPointF>, kChannelCount> m_points;
    std::array<QPolygonF, kChannelCount> m_polygons;
    std::array<QString, kChannelCount> m_labels;
    std::array<bool, kChannelCount> m_shown{};
    bool m_lanes = false;
    double m_pixelsPerSecond = 0;
    int m_laneHeight = 0;
    int m_focusedChannel = 0;
    int m_selected = -1;
    int m_cursor = -1;
    int m_hoverStep = -1;
    QString m_hoverText;
    std::optional<Drag> m_drag;
    bool m_layingOut = false;
    bool m_layOutAgain = false;
    QToolButton* m_lanesButton = nullptr;
    QAction* m_lanesAction = nullptr;
    QAction* m_zoomIn = nullptr;
    QAction* m_zoomOut = nullptr;
    QAction* m_wholeSequence = nullptr;
};
