#include "SequenceController.h"

#include "board/Board.h"
#include "board/ChannelMoves.h"
#include "core/sequence/StepLine.h"
#include "ui/frames/BufferEditFrame.h"
#include "ui/frames/PcEmuFrame.h"
#include "ui/panel/Panel.h"
#include "ui/panel/SequenceHistory.h"
#include "ui/shell/ClickableViews.h"
#include "ui/shell/Messages.h"
#include "ui/shell/NumericField.h"
#include "ui/shell/SlideControl.h"

#include <QItemSelection>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>

#include <algorithm>
#include <array>
#include <cstdlib>

namespace {
const QString kUnreadableEntry = QStringLiteral(
    "The step cannot be added: a channel readout or the step duration is not a number.");
} // namespace

SequenceController::SequenceController(Panel& panel, Messages& messages,
                                       const ChannelsFrame& channels,
                                       const BufferEditFrame& bufferEdit, const PcEmuFrame& pcEmu,
                                       StepListView& stepList)
    : m_panel(panel), m_messages(messages), m_channels(channels), m_stepList(stepList) {
    connect(bufferEdit.addButton, &QPushButton::clicked, this, [this] { addStep(); });
    connect(bufferEdit.removeButton, &QPushButton::clicked, this, [this] { removeStep(); });
    connect(bufferEdit.replaceButton, &QPushButton::clicked, this, [this] { replaceStep(); });
    connect(bufferEdit.clearButton, &QPushButton::clicked, this, [this] { clearAll(); });
    connect(bufferEdit.nextButton, &QPushButton::clicked, this, [this] { nextStep(); });
    connect(bufferEdit.previousButton, &QPushButton::clicked, this, [this] { previousStep(); });
    connect(pcEmu.breakButton, &QPushButton::clicked, this, [this] { toggleBreak(); });
    connect(pcEmu.resetBreaksButton, &QPushButton::clicked, this, [this] { resetAllBreaks(); });

    connect(&stepList, &QAbstractItemView::doubleClicked, this, [this] { showSelectedStep(); });
    connect(&stepList, &StepListView::showKey, this, [this] { showSelectedStep(); });
    connect(&stepList, &StepListView::removeKey, this, [this] { removeStep(); });
    connect(&stepList, &StepListView::mouseDown, this,
            [this](Qt::MouseButton b, int row) { listPressed(b, row); });
    connect(&stepList, &StepListView::mouseUp, this,
            [this](Qt::MouseButton b, int row) { listReleased(b, row); });
    stepList.viewport()->installEventFilter(this);

    SequenceList* list = &panel.list();
    connect(list, &SequenceList::selectedIndexChanged, this, [this] { mirrorSelection(); });
    connect(list, &SequenceList::selectionChanged, this, [this] { mirrorSelection(); });
    connect(stepList.selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { takeViewSelection(); });
    const auto changing = [this] { m_rowsChanging = true; };
    const auto changed = [this] {
        m_rowsChanging = false;
        mirrorSelection();
    };
    connect(list, &QAbstractItemModel::rowsAboutToBeInserted, this, changing);
    connect(list, &QAbstractItemModel::rowsAboutToBeRemoved, this, changing);
    connect(list, &QAbstractItemModel::rowsAboutToBeMoved, this, changing);
    connect(list, &QAbstractItemModel::modelAboutToBeReset, this, changing);
    connect(list, &QAbstractItemModel::rowsInserted, this, changed);
    connect(list, &QAbstractItemModel::rowsRemoved, this, changed);
    connect(list, &QAbstractItemModel::rowsMoved, this, changed);
    connect(list, &QAbstractItemModel::modelReset, this, changed);
}

void SequenceController::showStep(int index) {
    if (index < 0 || index >= m_panel.list().count()) {
        return;
    }
    const StepRecord& step = m_panel.editor().step(index);
    for (int k = 0; k < kChannelCount; ++k) {
        m_channels.sliders[k]->setValue(step[k]);
    }
    // A slider set to the value it already has raises no change, yet playback or a reset may
    // have left the servo elsewhere.
    m_panel.board().moves().sendUnheld(m_channels.positions());
    m_channels.stepDuration->setValue(step[kDurationField]);
    m_channels.stepLabel->setText(stepline::stepLabel(index));
    m_stepList.setShownStep(index);
}

void SequenceController::addStep() {
    if (!m_panel.permits(interlock::Command::Add)) {
        return;
    }
    const auto step = m_panel.history().step(tr("Add"));
    const EditOutcome outcome = m_panel.editor().add(lineFromEntry());
    if (outcome == EditOutcome::Done) {
        showSelectedInLabel();
    }
    tellRefused(outcome);
}

void SequenceController::removeStep() {
    if (!m_panel.permits(interlock::Command::Remove)) {
        return;
    }
    const auto step = m_panel.history().step(tr("Remove"));
    const QList<int> rows = m_panel.list().selectedRows();
    const EditOutcome outcome =
        rows.size() > 1 ? m_panel.editor().removeRows(rows) : m_panel.editor().remove();
    if (outcome == EditOutcome::Done) {
        showSelectedInLabel();
    }
}

void SequenceController::replaceStep() {
    if (!m_panel.permits(interlock::Command::Replace)) {
        return;
    }
    const auto step = m_panel.history().step(tr("Replace"));
    const EditOutcome outcome = m_panel.editor().replace(lineFromEntry());
    if (outcome == EditOutcome::Done) {
        showSelectedInLabel();
    }
    tellRefused(outcome);
}

void SequenceController::clearAll() {
    if (!m_panel.permits(interlock::Command::ClearAll)) {
        return;
    }
    const auto step = m_panel.history().step(tr("Clear All"));
    m_panel.editor().clearAll();
}

void SequenceController::nextStep() {
    if (!m_panel.permits(interlock::Command::ShowStep)) {
        return;
    }
    if (const std::optional<int> to = m_panel.editor().next()) {
        showStep(*to);
    }
}

void SequenceController::previousStep() {
    if (!m_panel.permits(interlock::Command::ShowStep)) {
        return;
    }
    if (const std::optional<int> to = m_panel.editor().previous()) {
        showStep(*to);
    }
}

void SequenceController::showSelectedStep() {
    if (!m_panel.permits(interlock::Command::ShowStep)) {
        return;
    }
    showStep(m_panel.list().selectedIndex());
}

// The button does not matter: only the left one reaches the view (see eventFilter).
void SequenceController::listPressed(Qt::MouseButton, int row) {
    m_panel.history().notePress();
    m_panel.editor().pressOnList(m_pressExtends ? -1 : row);
}

void SequenceController::listReleased(Qt::MouseButton, int row) {
    // A click that ends on the line it began on moves nothing and needs no leave.
    if (row == m_panel.editor().dragFrom() || !m_panel.permits(interlock::Command::DragLine)) {
        return;
    }
    const auto step = m_panel.history().stepSincePress(tr("Move"));
    m_panel.editor().releaseOnList(row);
}

void SequenceController::toggleBreak() {
    if (!m_panel.permits(interlock::Command::SetBreak)) {
        return;
    }
    const auto step = m_panel.history().step(tr("Set/Reset Break"));
    m_panel.editor().toggleBreak();
}

void SequenceController::resetAllBreaks() {
    if (!m_panel.permits(interlock::Command::ResetAllBreaks)) {
        return;
    }
    const auto step = m_panel.history().step(tr("Reset  All Break"));
    m_panel.editor().resetBreakPoints();
}

QString SequenceController::lineFromEntry() const {
    std::array<QString, kChannelCount> readouts;
    for (int k = 0; k < kChannelCount; ++k) {
        readouts[k] = m_channels.angleBoxes[k]->text();
    }
    return stepline::addForm(readouts, m_channels.stepDuration->value(), m_panel.list().locale());
}

void SequenceController::showSelectedInLabel() {
    m_channels.stepLabel->setText(stepline::stepLabel(m_panel.list().selectedIndex()));
}

void SequenceController::tellRefused(EditOutcome outcome) {
    switch (outcome) {
    case EditOutcome::ListFull:
        m_messages.inform(kListFullMessage);
        break;
    case EditOutcome::Unreadable:
        m_messages.inform(kUnreadableEntry);
        break;
    case EditOutcome::Done:
    case EditOutcome::NothingToDo:
        break;
    }
}

void SequenceController::mirrorSelection() {
    if (m_rowsChanging) {
        return;
    }
    const SequenceList& list = m_panel.list();
    QItemSelection rows;
    const QList<int> selected = list.selectedRows();
    // One range per run of adjacent rows, so selecting a thousand pasted lines stays cheap.
    for (qsizetype i = 0; i < selected.size();) {
        qsizetype j = i;
        while (j + 1 < selected.size() && selected[j + 1] == selected[j] + 1) {
            ++j;
        }
        rows.select(list.index(selected[i]), list.index(selected[j]));
        i = j + 1;
    }
    m_mirroring = true;
    QItemSelectionModel* view = m_stepList.selectionModel();
    if (list.selectedIndex() >= 0) {
        view->setCurrentIndex(list.index(list.selectedIndex()), QItemSelectionModel::NoUpdate);
    }
    view->select(rows, QItemSelectionModel::ClearAndSelect);
    m_mirroring = false;
}

// Only the list's own rules leave no line selected. A gesture that empties the view's selection
// (a click below the last line, Ctrl+click on the only selected line) gets the line back at
// once, or the next Add would go to the top and Remove would do nothing. Ctrl+click on the
// current line of several leaves the nearest selected one current.
void SequenceController::takeViewSelection() {
    if (m_rowsChanging || m_mirroring) {
        return;
    }
    QList<int> rows;
    for (const QModelIndex& index : m_stepList.selectionModel()->selectedRows()) {
        rows << index.row();
    }
    if (rows.isEmpty()) {
        mirrorSelection();
        return;
    }
    int current = m_stepList.currentIndex().row();
    if (!rows.contains(current)) {
        const int from = current;
        current = *std::min_element(rows.begin(), rows.end(), [from](int a, int b) {
            return std::abs(a - from) < std::abs(b - from);
        });
    }
    m_panel.list().setSelection(rows, current);
    if (m_stepList.currentIndex().row() != current) {
        mirrorSelection();
    }
}

// The view would select a line on any button, and on a release after a right press; only the
// left button may choose lines, so a right-button drag never moves one.
bool SequenceController::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_stepList.viewport()) {
        return false;
    }
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        m_pressExtends = (static_cast<QMouseEvent*>(event)->modifiers() &
                          (Qt::ShiftModifier | Qt::ControlModifier)) != 0;
        return static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton;
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
        return static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton;
    default:
        return false;
    }
}
