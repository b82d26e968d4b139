#pragma once

#include "core/StepRecord.h"

#include <QFontMetrics>
#include <QRect>
#include <QSize>
#include <QString>

#include <array>
#include <vector>

// Where the timeline view puts things: the legend, the lane names or the angle axis, the time
// axis and the plot, and how time and positions map to the viewport. Made again whenever the
// size, the mode, the channels shown, the zoom or the scroll change; painting and the mouse
// read it.
class TimelineGeometry {
public:
    struct Input {
        QSize size;
        bool lanes = false;
        std::array<bool, kChannelCount> shown{};
        std::array<QString, kChannelCount> labels;
        QSize button; // the lanes button, at the right of the legend's row
        qint64 totalMs = 0;
        double pixelsPerSecond = 0; // 0: the whole sequence fits the width
        int laneHeight = 0;         // 0: the lanes share the height
        int hScroll = 0;
        int vScroll = 0;
    };

    TimelineGeometry() = default;
    TimelineGeometry(const Input& input, const QFontMetrics& metrics);

    bool lanes() const { return m_lanes; }
    bool legendShown() const { return m_legendShown; }
    bool titlesShown() const { return m_titles; }
    QRect header() const { return m_header; }
    QRect legendEntry(int channel) const { return m_legend[size_t(channel)]; }
    QRect buttonRect() const { return m_button; }
    QRect plot() const { return m_plot; }
    QRect leftAxis() const { return m_leftAxis; }
    QRect bottomAxis() const { return m_bottomAxis; }

    // Time: ms from the start of the sequence to a viewport x and back.
    double xOf(double ms) const { return m_plot.left() + ms * m_pxPerMs - m_hScroll; }
    double msAt(double x) const { return (x - m_plot.left() + m_hScroll) / m_pxPerMs; }
    double pixelsPerSecond() const { return m_pxPerMs * 1000; }
    double fitPixelsPerSecond() const { return m_fitPxPerMs * 1000; }
    // The grid's spacing in s, and the seconds of the time axis's labels in view.
    double tickSeconds() const { return m_tick; }
    std::vector<double> ticksInView() const;

    // The channels shown, top down in lanes; the lane of a channel (-1 when hidden).
    const std::vector<int>& laneChannels() const { return m_laneChannels; }
    int laneIndex(int channel) const { return m_laneIndex[size_t(channel)]; }
    int laneHeight() const { return m_laneHeight; }
    // The whole lane of a channel (all of the plot when overlaid), in viewport coordinates.
    QRect lane(int channel) const;
    // The channel of the lane under y, -1 outside the lanes or when overlaid.
    int laneAt(double y) const;
    // Positions 255 at the top to 0 at the bottom of the channel's band.
    double yOf(int channel, double position) const;
    // How many positions one pixel of the channel's band spans.
    double positionsPerPixel(int channel) const;

    int contentWidth() const { return m_contentWidth; }
    int contentHeight() const { return m_contentHeight; }

    static QString secondsLabel(double seconds);

private:
    bool m_lanes = false;
    bool m_legendShown = false;
    bool m_titles = false;
    QRect m_header;
    std::array<QRect, kChannelCount> m_legend{};
    QRect m_button;
    QRect m_plot{0, 0, 1, 1};
    QRect m_leftAxis;
    QRect m_bottomAxis;
    double m_pxPerMs = 1;
    double m_fitPxPerMs = 1;
    double m_tick = 1;
    int m_hScroll = 0;
    int m_vScroll = 0;
    std::vector<int> m_laneChannels;
    std::array<int, kChannelCount> m_laneIndex{};
    int m_laneHeight = 1;
    int m_contentWidth = 1;
    int m_contentHeight = 1;
};
