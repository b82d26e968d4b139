#include "TimelineGeometry.h"

#include <QLocale>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kMargin = 4;
constexpr int kLegendGap = 12;
constexpr int kSwatch = 10;
constexpr int kTickLength = 4;
constexpr int kLanePad = 3;
constexpr int kLaneLabelMax = 150;
constexpr int kPixelsPerTick = 80;
// Below these sizes the axis titles and, narrower still, the legend give their room to the
// curves, so that no label is cut (a dock beside the list, all frames open at 1280x800).
constexpr int kTitlesMinWidth = 420;
constexpr int kTitlesMinHeight = 230;
constexpr int kLegendMinWidth = 420;
constexpr std::array<int, 4> kAngleTicks = {-64, -32, 0, 32};

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

} // namespace

TimelineGeometry::TimelineGeometry(const Input& in, const QFontMetrics& fm)
    : m_lanes(in.lanes), m_hScroll(in.hScroll), m_vScroll(in.vScroll) {
    const int width = in.size.width();
    const int height = in.size.height();
    m_titles = width >= kTitlesMinWidth && height >= kTitlesMinHeight;
    m_legendShown = width >= kLegendMinWidth;

    m_button = QRect(QPoint(width - kMargin - in.button.width(), kMargin), in.button);
    int headerHeight = in.button.height();
    m_legend.fill(QRect());
    if (m_legendShown) {
        // Entries fill rows from the left and each row is centred in the room the button leaves.
        const int rowHeight = std::max(fm.height(), kSwatch) + 2;
        const int right = m_button.left() - kMargin;
        std::vector<std::vector<int>> rows(1);
        int x = kMargin;
        for (int c = 0; c < kChannelCount; ++c) {
            const int w = kSwatch + 4 + fm.horizontalAdvance(in.labels[size_t(c)]);
            if (x + w > right && !rows.back().empty()) {
                rows.emplace_back();
                x = kMargin;
            }
            m_legend[size_t(c)] = QRect(x, 0, w, rowHeight);
            rows.back().push_back(c);
            x += w + kLegendGap;
        }
        for (size_t r = 0; r < rows.size(); ++r) {
            const QRect& last = m_legend[size_t(rows[r].back())];
            const int shift = std::max(0, (right - last.right()) / 2);
            for (const int c : rows[r]) {
                m_legend[size_t(c)].translate(shift, kMargin + int(r) * rowHeight);
            }
        }
        headerHeight = std::max(headerHeight, int(rows.size()) * rowHeight);
    }
    m_header = QRect(0, 0, width, kMargin + headerHeight + 2);

    // Lanes go to the channels shown, top down.
    m_laneChannels.clear();
    m_laneIndex.fill(-1);
    for (int c = 0; c < kChannelCount; ++c) {
        if (in.shown[size_t(c)]) {
            m_laneIndex[size_t(c)] = int(m_laneChannels.size());
            m_laneChannels.push_back(c);
        }
    }

    int left = kMargin;
    if (m_lanes) {
        int widest = 0;
        for (const int c : m_laneChannels) {
            widest = std::max(widest, fm.horizontalAdvance(in.labels[size_t(c)]));
        }
        // Long names are cut short before they take the plot's room.
        left += 4 + 4 + std::min({widest, kLaneLabelMax, width / 4}) + kMargin;
    } else {
        int widest = 0;
        for (const int angle : kAngleTicks) {
            widest = std::max(widest, fm.horizontalAdvance(QString::number(angle)));
        }
        left += widest + kTickLength + 2 + (m_titles ? fm.height() + 4 : 0);
    }
    const int bottom = kTickLength + fm.height() + (m_titles ? fm.height() + 2 : 0) + 2;
    const int right = std::max(8, fm.horizontalAdvance(QStringLiteral("000.0")) / 2 + 2);
    const int top = m_header.bottom() + 1 + kMargin;
    m_plot =
        QRect(left, top, std::max(1, width - left - right), std::max(1, height - top - bottom));
    m_leftAxis = QRect(0, m_plot.top(), left, m_plot.height());
    m_bottomAxis = QRect(0, m_plot.bottom() + 1, width, height - m_plot.bottom() - 1);

    const double seconds = in.totalMs <= 0 ? 1.0 : double(in.totalMs) / 1000.0;
    const int parts = std::clamp(m_plot.width() / kPixelsPerTick, 2, 10);
    const double fitTick = tickFor(seconds, parts);
    const double axisEnd = std::max(std::ceil(seconds / fitTick - 1e-6), 1.0) * fitTick;
    m_fitPxPerMs = m_plot.width() / (axisEnd * 1000.0);
    m_pxPerMs = in.pixelsPerSecond > 0 ? in.pixelsPerSecond / 1000.0 : m_fitPxPerMs;
    m_contentWidth = std::max(m_plot.width(), int(std::ceil(axisEnd * 1000.0 * m_pxPerMs)));
    m_tick = tickFor(m_plot.width() / m_pxPerMs / 1000.0, parts);

    const int minLane = fm.height() + 6;
    const int lanes = int(m_laneChannels.size());
    if (!m_lanes) {
        m_laneHeight = m_plot.height();
    } else if (in.laneHeight > 0) {
        m_laneHeight = std::max(minLane, in.laneHeight);
    } else {
        // As many whole lanes as fit, so that none is cut at the bottom before it scrolls.
        const int fitting = std::clamp(m_plot.height() / minLane, 1, std::max(lanes, 1));
        m_laneHeight = std::max(minLane, m_plot.height() / fitting);
    }
    m_contentHeight = m_lanes ? lanes * m_laneHeight : m_plot.height();
}

std::vector<double> TimelineGeometry::ticksInView() const {
    std::vector<double> ticks;
    const double start = msAt(m_plot.left()) / 1000.0;
    const double end = msAt(m_plot.right() + 1) / 1000.0;
    for (auto k = qint64(std::ceil(start / m_tick - 1e-6)); double(k) * m_tick <= end + 1e-6; ++k) {
        ticks.push_back(double(k) * m_tick);
    }
    return ticks;
}

QRect TimelineGeometry::lane(int channel) const {
    const int index = m_laneIndex[size_t(channel)];
    if (!m_lanes) {
        return m_plot;
    }
    if (index < 0) {
        return {};
    }
    return {m_plot.left(), m_plot.top() + index * m_laneHeight - m_vScroll, m_plot.width(),
            m_laneHeight};
}

int TimelineGeometry::laneAt(double y) const {
    if (!m_lanes || y < m_plot.top() || y > m_plot.bottom() + 1) {
        return -1;
    }
    const int index = int(std::floor((y - m_plot.top() + m_vScroll) / m_laneHeight));
    return index >= 0 && index < int(m_laneChannels.size()) ? m_laneChannels[size_t(index)] : -1;
}

double TimelineGeometry::yOf(int channel, double position) const {
    const QRect r = lane(channel);
    const double band = r.height() - 2 * kLanePad - 1;
    return r.top() + kLanePad + (255.0 - position) * band / 255.0;
}

double TimelineGeometry::positionsPerPixel(int channel) const {
    return 255.0 / std::max(1, lane(channel).height() - 2 * kLanePad - 1);
}

QString TimelineGeometry::secondsLabel(double seconds) {
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale.toString(std::round(seconds * 1e6) / 1e6, 'g', 10);
}
