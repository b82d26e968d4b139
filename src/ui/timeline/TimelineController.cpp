#include "TimelineController.h"

#include "TimelineView.h"

#include "board/Board.h"
#include "board/ChannelMoves.h"
#include "core/NumberText.h"
#include "core/sequence/StepLine.h"
#include "ui/panel/Panel.h"
#include "ui/panel/SequenceHistory.h"
#include "ui/shell/Messages.h"
#include "ui/shell/SwitchControl.h"
#include "ui/shell/UserDialogs.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QDockWidget>

namespace {
constexpr double kCentre = 128.0;
} // namespace

TimelineController::TimelineController(Panel& panel, Messages& messages, QDockWidget& dock,
                                       QAction& showAction, QAction& exportAction,
                                       std::array<SwitchControl*, 2> playbackSwitches,
                                       ShowStep showStep)
    : m_panel(panel), m_messages(messages), m_dock(dock), m_showAction(showAction),
      m_showStep(std::move(showStep)) {
    connect(&showAction, &QAction::triggered, this, [this](bool on) { showTimeline(on); });
    connect(&exportAction, &QAction::triggered, this, [this] { exportTimeline(); });
    // The dock's own close button hides it; the check mark follows.
    connect(dock.toggleViewAction(), &QAction::toggled, &showAction, &QAction::setChecked);
    connect(&dock, &QDockWidget::visibilityChanged, this, [this](bool shown) {
        if (shown && m_stale) {
            refresh();
        }
    });

    const SequenceList* list = &panel.list();
    const auto changed = [this] { scheduleRefresh(); };
    connect(list, &QAbstractItemModel::rowsInserted, this, changed);
    connect(list, &QAbstractItemModel::rowsRemoved, this, changed);
    connect(list, &QAbstractItemModel::rowsMoved, this, changed);
    connect(list, &QAbstractItemModel::dataChanged, this, changed);
    connect(list, &QAbstractItemModel::modelReset, this, changed);
    connect(list, &QAbstractItemModel::layoutChanged, this, changed);
    connect(&panel, &Panel::channelSetupChanged, this, [this] { showChannelSetup(); });
    connect(list, &SequenceList::selectedIndexChanged, this, [this] { followSelection(); });
    for (SwitchControl* mode : playbackSwitches) {
        connect(mode, &SwitchControl::valueChanged, this, [this] { followSelection(); });
    }
}

// The view draws from this controller's timeline, so it goes first.
TimelineController::~TimelineController() {
    delete m_view;
}

void TimelineController::showTimeline(bool on) {
    if (!m_panel.permits(interlock::Command::ShowHideFrames)) {
        m_showAction.setChecked(!on);
        return;
    }
    if (on) {
        ensureView();
    }
    m_dock.setVisible(on);
}

void TimelineController::exportTimeline() {
    if (!m_panel.permits(interlock::Command::ExportTimeline)) {
        return;
    }
    // What is exported is what the user sees, so a hidden timeline is opened first.
    if (!m_dock.isVisible()) {
        ensureView();
        m_dock.setVisible(true);
        m_showAction.setChecked(true);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    }
    if (m_stale) {
        refresh();
    }
    FileQuestion question;
    question.filter = kExportFilter;
    question.defaultExtension = QStringLiteral(".png");
    question.initialFileName = QStringLiteral("timeline.png");
    const std::optional<FileAnswer> answer =
        m_messages.dialogs().saveFileName(&m_messages.window(), question);
    if (!answer) {
        return;
    }
    // The suffix decides the format, so a bare name takes the chosen filter's.
    const QString path = question.savePath(*answer);
    QString error;
    if (!m_view->exportTo(path, &error)) {
        m_messages.inform(tr("The timeline could not be written to %1: %2")
                              .arg(QDir::toNativeSeparators(path), error));
    }
}

TimelineView* TimelineController::ensureView() {
    if (!m_view) {
        m_view = new TimelineView(m_timeline, &m_dock);
        connect(m_view, &TimelineView::stepClicked, this, [this](int step) { selectStep(step); });
        connect(m_view, &TimelineView::stepDoubleClicked, this,
                [this](int step) { showClickedStep(step); });
        connect(
            m_view, &TimelineView::levelChanged, this,
            [this](int step, int channel, int position) { editLevel(step, channel, position); });
        connect(m_view, &TimelineView::durationChanged, this,
                [this](int step, int ms) { editDuration(step, ms); });
        connect(m_view, &TimelineView::levelDragging, this,
                [this](int, int channel, int position) { followDrag(channel, position); });
        m_dock.setWidget(m_view);
        m_stale = true;
        showChannelSetup();
    }
    return m_view;
}

void TimelineController::showChannelSetup() {
    if (!m_view) {
        return;
    }
    std::array<QString, kChannelCount> labels;
    for (int c = 0; c < kChannelCount; ++c) {
        labels[size_t(c)] = m_panel.channelSetup().label(c);
    }
    m_view->setChannelNames(labels);
}

// A load or an interpolation changes many rows at once; the view is redrawn once after them.
void TimelineController::scheduleRefresh() {
    m_stale = true;
    if (m_refreshQueued || !m_view || !m_dock.isVisible()) {
        return;
    }
    m_refreshQueued = true;
    QMetaObject::invokeMethod(
        this, [this] { refresh(); }, Qt::QueuedConnection);
}

void TimelineController::refresh() {
    m_refreshQueued = false;
    if (!m_view) {
        return;
    }
    m_timeline.rebuild(m_panel.list());
    m_view->refresh();
    m_stale = false;
    followSelection();
}

// While PC playback runs, the selected line is the playing step.
void TimelineController::followSelection() {
    if (!m_view || m_stale) {
        return;
    }
    const int selected = m_panel.list().selectedIndex();
    m_view->setSelectedStep(selected);
    const bool playing = (m_panel.activities() & interlock::kPcPlayback) != 0;
    m_view->setCursorStep(playing ? selected : -1);
}

void TimelineController::selectStep(int step) {
    if (m_panel.permits(interlock::Command::SelectLine)) {
        m_panel.list().setSelectedIndex(step);
    }
}

// As a double-click on the list: the first click has selected the step, the second shows it.
void TimelineController::showClickedStep(int step) {
    if (m_panel.list().selectedIndex() != step) {
        selectStep(step);
    }
    if (m_panel.list().selectedIndex() == step && m_panel.permits(interlock::Command::ShowStep)) {
        m_showStep(step);
    }
}

void TimelineController::setLaneEditing(const SwitchControl& pcControl,
                                        std::function<int()> shownStep) {
    m_pcControl = &pcControl;
    m_shownStep = std::move(shownStep);
}

void TimelineController::editLevel(int step, int channel, int position) {
    rewriteStep(step, channel, position);
}

void TimelineController::editDuration(int step, int ms) {
    rewriteStep(step, kDurationField, ms);
}

void TimelineController::followDrag(int channel, int position) {
    if (!m_pcControl || !m_pcControl->value()) {
        return;
    }
    if (m_panel.permits(interlock::Command::FollowDrag)) {
        m_panel.board().moves().move(channel, position);
    }
}

// Playback shows the edited step when its turn comes; otherwise the sliders take it at once,
// so they, the list and the lanes agree.
void TimelineController::rewriteStep(int step, int field, int value) {
    SequenceList& list = m_panel.list();
    if (step < 0 || step >= list.count() || !m_panel.permits(interlock::Command::EditStep)) {
        return;
    }
    StepRecord record = m_panel.editor().step(step);
    if (record[field] == value) {
        return;
    }
    record[field] = value;
    std::array<QString, kChannelCount> readouts;
    for (int k = 0; k < kChannelCount; ++k) {
        readouts[k] = numbertext::halfSteps((record[k] - kCentre) * 64.0 / 128.0, list.locale()) +
                      numbertext::kDegreeSuffix;
    }
    QString line = stepline::addForm(readouts, record[kDurationField], list.locale());
    if (list.hasBreakMark(step)) {
        line = stepline::withBreakMark(line);
    }
    {
        const auto undoStep = m_panel.history().step(tr("Edit Step"));
        list.setLine(step, line);
        m_panel.editor().rebuildTable();
    }
    const bool playing = (m_panel.activities() & interlock::kPcPlayback) != 0;
    if (!playing && m_shownStep && m_shownStep() == step) {
        m_showStep(step);
    }
}
