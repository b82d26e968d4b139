#pragma once

#include "core/sequence/Timeline.h"

#include <QObject>

#include <array>
#include <functional>

class Messages;
class Panel;
class QAction;
class QDockWidget;
class SwitchControl;
class TimelineView;

// The "View" menu's timeline: keeps the view in step with the list, its selection and PC
// playback, and turns clicks on the view into the list's own selection and the step shown. The
// view is made when first shown, so a panel that never opens it pays nothing for it.
class TimelineController : public QObject {
    Q_OBJECT
public:
    // Puts a step on the sliders, as a double-click on the list does.
    using ShowStep = std::function<void(int step)>;

    // The dock stays empty until the timeline is first shown. The playback switches are "PC
    // Emu" and "PC Seq", whose cursor the view shows.
    TimelineController(Panel& panel, Messages& messages, QDockWidget& dock, QAction& showAction,
                       QAction& exportAction, std::array<SwitchControl*, 2> playbackSwitches,
                       ShowStep showStep);
    ~TimelineController() override;

    // What the lanes' edits need beyond the list: whether PC control is on, for the servo to
    // follow a level drag, and the step the sliders show, which follows an edit of it.
    void setLaneEditing(const SwitchControl& pcControl, std::function<int()> shownStep);

    // An edit from the lanes: one undo step that rewrites the step's line, breakpoint kept.
    void editLevel(int step, int channel, int position);
    void editDuration(int step, int ms);
    // The servo follows a level drag as it follows a slider, while PC control is on.
    void followDrag(int channel, int position);

    // "View" › "Timeline", checked or not.
    void showTimeline(bool on);
    // "View" › "Export Timeline…".
    void exportTimeline();

    // Null until the timeline is first shown or exported.
    TimelineView* view() const { return m_view; }
    const Timeline& timeline() const { return m_timeline; }

    inline static const QString kExportFilter =
        QStringLiteral("PNG Image (*.png)|*.png|SVG Drawing (*.svg)|*.svg");

private:
    TimelineView* ensureView();
    void scheduleRefresh();
    void refresh();
    void followSelection();
    void selectStep(int step);
    void showClickedStep(int step);
    void showChannelSetup();
    void rewriteStep(int step, int field, int value);

    Panel& m_panel;
    Messages& m_messages;
    QDockWidget& m_dock;
    QAction& m_showAction;
    ShowStep m_showStep;
    Timeline m_timeline;
    TimelineView* m_view = nullptr;
    bool m_stale = true;
    bool m_refreshQueued = false;
    const SwitchControl* m_pcControl = nullptr;
    std::function<int()> m_shownStep;
};
