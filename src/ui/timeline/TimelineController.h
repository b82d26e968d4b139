#pragma once

#include "core/sequence/Timeline.h"

#include <QObject>

class Form1;
class TimelineView;

// The "View" menu's timeline: keeps the view in step with the list, its selection and PC
// playback, and turns clicks on the view into the list's own selection and ShowStep. The
// view is made when first shown, so a panel that never opens it pays nothing for it.
class TimelineController : public QObject {
    Q_OBJECT
public:
    explicit TimelineController(Form1& form);
    ~TimelineController() override;

    void menuTimeline_Click(bool on);
    void menuExportTimeline_Click();

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
    void showStep(int step);

    Form1& m_form;
    Timeline m_timeline;
    TimelineView* m_view = nullptr;
    bool m_stale = true;
    bool m_refreshQueued = false;
};
