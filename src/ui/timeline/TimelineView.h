#pragma once

#include "core/StepRecord.h"

#include <QChartView>
#include <QString>

#include <array>
#include <optional>
#include <utility>

class QLegendMarker;
class QLineSeries;
class QValueAxis;
class Timeline;

// The twelve channels as staircases over time, beside the step list. It only shows a
// Timeline and reports clicks on steps; what a click does is the controller's business.
class TimelineView : public QChartView {
    Q_OBJECT
public:
    explicit TimelineView(const Timeline& timeline, QWidget* parent = nullptr);

    // Takes the timeline's steps again: series, axes, breakpoints, description.
    void refresh();
    // The band behind the selected step, and the cursor at the playing step (-1 for none).
    void setSelectedStep(int step);
    void setCursorStep(int step);
    int selectedStep() const { return m_selected; }
    int cursorStep() const { return m_cursor; }

    // The step under a point of the viewport, -1 outside the plot or past the end.
    int stepAtPosition(const QPointF& viewportPos) const;
    // A point of the viewport at the given time (s) and angle.
    QPointF positionOf(double seconds, double angle) const;
    QLineSeries* series(int channel) const { return m_series[static_cast<size_t>(channel)]; }
    QLegendMarker* legendMarker(int channel) const;
    QString hoverText() const { return m_hoverText; }

    // Writes the view as drawn: SVG for a ".svg" path, PNG otherwise. On failure, false and
    // the reason in *error.
    bool exportTo(const QString& path, QString* error) const;

    QSize sizeHint() const override;

signals:
    void stepClicked(int step);
    void stepDoubleClicked(int step);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void drawForeground(QPainter* painter, const QRectF& rect) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void toggleChannel(QLegendMarker* marker);
    // The end of the time axis and its tick, round numbers that suit the plot's width.
    std::pair<double, double> timeAxis() const;
    bool timeAxisChanges() const;
    void updateTimeAxis();
    double xOf(qint64 ms) const;
    // The step under a point of the plot (-1 past the end); none outside the plot.
    std::optional<int> stepInPlot(const QPointF& viewportPos) const;
    bool takeStepClick(QMouseEvent* event, void (TimelineView::*report)(int));
    void showHover(const QPointF& viewportPos, const QPoint& globalPos);

    const Timeline& m_timeline;
    std::array<QLineSeries*, kChannelCount> m_series{};
    QValueAxis* m_time = nullptr;
    QValueAxis* m_angle = nullptr;
    int m_selected = -1;
    int m_cursor = -1;
    int m_hoverStep = -1;
    QString m_hoverText;
};
