#include "SequenceController.h"
#include "SequenceHistory.h"

#include "core/sequence/StepLine.h"
#include "ui/live/LiveController.h"
#include "ui/panel/Panel.h"
#include "ui/shell/ClickableViews.h"
#include "ui/shell/Form1.h"
#include "ui/shell/NumericField.h"
#include "ui/shell/SlideControl.h"

#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>

#include <array>

namespace {
const QString kUnreadableEntry = QStringLiteral(
    "The step cannot be added: a channel readout or the step duration is not a number.");
} // namespace

SequenceController::SequenceController(Form1& form) : m_form(form) {
    connect(form.bufferEditFrame().addButton, &QPushButton::clicked, this,
            [this] { CommandAdd_Click(); });
    connect(form.bufferEditFrame().removeButton, &QPushButton::clicked, this,
            [this] { CommandRem_Click(); });
    connect(form.bufferEditFrame().replaceButton, &QPushButton::clicked, this,
            [this] { CommandReplace_Click(); });
    connect(form.bufferEditFrame().clearButton, &QPushButton::clicked, this,
            [this] { CommandClear_Click(); });
    connect(form.bufferEditFrame().nextButton, &QPushButton::clicked, this,
            [this] { CommandUp_Click(); });
    connect(form.bufferEditFrame().previousButton, &QPushButton::clicked, this,
            [this] { CommandDwn_Click(); });
    connect(form.pcEmuFrame().breakButton, &QPushButton::clicked, this,
            [this] { CommandBrk_Click(); });
    connect(form.pcEmuFrame().resetBreaksButton, &QPushButton::clicked, this,
            [this] { CommandResBrk_Click(); });

    StepListView* view = form.sideColumn().stepList;
    connect(view, &QAbstractItemView::doubleClicked, this, [this] { ListSequence_DblClick(); });
    connect(view, &StepListView::mouseDown, this,
            [this](Qt::MouseButton b, int row) { ListSequence_MouseDown(b, row); });
    connect(view, &StepListView::mouseUp, this,
            [this](Qt::MouseButton b, int row) { ListSequence_MouseUp(b, row); });
    view->viewport()->installEventFilter(this);

    SequenceList* list = &form.panel().list();
    connect(list, &SequenceList::selectedIndexChanged, this, [this](int i) { mirrorSelection(i); });
    connect(view->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { takeViewSelection(); });
    const auto changing = [this] { m_rowsChanging = true; };
    const auto changed = [this] { m_rowsChanging = false; };
    connect(list, &QAbstractItemModel::rowsAboutToBeInserted, this, changing);
    connect(list, &QAbstractItemModel::rowsAboutToBeRemoved, this, changing);
    connect(list, &QAbstractItemModel::rowsAboutToBeMoved, this, changing);
    connect(list, &QAbstractItemModel::modelAboutToBeReset, this, changing);
    connect(list, &QAbstractItemModel::rowsInserted, this, changed);
    connect(list, &QAbstractItemModel::rowsRemoved, this, changed);
    connect(list, &QAbstractItemModel::rowsMoved, this, changed);
    connect(list, &QAbstractItemModel::modelReset, this, changed);
}

void SequenceController::ShowStep(int index) {
    if (index < 0 || index >= m_form.panel().list().count()) {
        return;
    }
    const StepRecord& step = m_form.panel().editor().step(index);
    for (int k = 0; k < kChannelCount; ++k) {
        m_form.channelsFrame().sliders[k]->setValue(step[k]);
    }
    m_form.live->syncBoard();
    m_form.channelsFrame().stepDuration->setValue(step[kDurationField]);
    m_form.channelsFrame().stepLabel->setText(stepline::stepLabel(index));
}

void SequenceController::ResetBreakPoints() {
    m_form.panel().editor().resetBreakPoints();
}

void SequenceController::CommandAdd_Click() {
    if (!m_form.panel().permits(interlock::Command::Add)) {
        return;
    }
    const auto step = m_form.panel().history().step(tr("Add"));
    const EditOutcome outcome = m_form.panel().editor().add(lineFromEntry());
    if (outcome == EditOutcome::Done) {
        showSelectedInLabel();
    }
    tellRefused(outcome);
}

void SequenceController::CommandRem_Click() {
    if (!m_form.panel().permits(interlock::Command::Remove)) {
        return;
    }
    const auto step = m_form.panel().history().step(tr("Remove"));
    if (m_form.panel().editor().remove() == EditOutcome::Done) {
        showSelectedInLabel();
    }
}

void SequenceController::CommandReplace_Click() {
    if (!m_form.panel().permits(interlock::Command::Replace)) {
        return;
    }
    const auto step = m_form.panel().history().step(tr("Replace"));
    const EditOutcome outcome = m_form.panel().editor().replace(lineFromEntry());
    if (outcome == EditOutcome::Done) {
        showSelectedInLabel();
    }
    tellRefused(outcome);
}

void SequenceController::CommandClear_Click() {
    if (!m_form.panel().permits(interlock::Command::ClearAll)) {
        return;
    }
    const auto step = m_form.panel().history().step(tr("Clear All"));
    m_form.panel().editor().clearAll();
}

void SequenceController::CommandUp_Click() {
    if (!m_form.panel().permits(interlock::Command::ShowStep)) {
        return;
    }
    if (const std::optional<int> to = m_form.panel().editor().next()) {
        ShowStep(*to);
    }
}

void SequenceController::CommandDwn_Click() {
    if (!m_form.panel().permits(interlock::Command::ShowStep)) {
        return;
    }
    if (const std::optional<int> to = m_form.panel().editor().previous()) {
        ShowStep(*to);
    }
}

void SequenceController::ListSequence_DblClick() {
    if (!m_form.panel().permits(interlock::Command::ShowStep)) {
        return;
    }
    ShowStep(m_form.panel().list().selectedIndex());
}

// The button does not matter: only the left one reaches the view (see eventFilter).
void SequenceController::ListSequence_MouseDown(Qt::MouseButton, int row) {
    m_form.panel().history().notePress();
    m_form.panel().editor().pressOnList(row);
}

void SequenceController::ListSequence_MouseUp(Qt::MouseButton, int row) {
    // A click that ends on the line it began on moves nothing and needs no leave.
    if (row == m_form.panel().editor().dragFrom() ||
        !m_form.panel().permits(interlock::Command::DragLine)) {
        return;
    }
    const auto step = m_form.panel().history().stepSincePress(tr("Move"));
    m_form.panel().editor().releaseOnList(row);
}

void SequenceController::CommandBrk_Click() {
    if (!m_form.panel().permits(interlock::Command::SetBreak)) {
        return;
    }
    const auto step = m_form.panel().history().step(tr("Set/Reset Break"));
    m_form.panel().editor().toggleBreak();
}

void SequenceController::CommandResBrk_Click() {
    if (!m_form.panel().permits(interlock::Command::ResetAllBreaks)) {
        return;
    }
    const auto step = m_form.panel().history().step(tr("Reset  All Break"));
    ResetBreakPoints();
}

QString SequenceController::lineFromEntry() const {
    std::array<QString, kChannelCount> readouts;
    for (int k = 0; k < kChannelCount; ++k) {
        readouts[k] = m_form.channelsFrame().angleBoxes[k]->text();
    }
    return stepline::addForm(readouts, m_form.channelsFrame().stepDuration->value(),
                             m_form.panel().list().locale());
}

void SequenceController::showSelectedInLabel() {
    m_form.channelsFrame().stepLabel->setText(
        stepline::stepLabel(m_form.panel().list().selectedIndex()));
}

void SequenceController::tellRefused(EditOutcome outcome) {
    switch (outcome) {
    case EditOutcome::ListFull:
        m_form.inform(kListFullMessage);
        break;
    case EditOutcome::Unreadable:
        m_form.inform(kUnreadableEntry);
        break;
    case EditOutcome::Done:
    case EditOutcome::NothingToDo:
        break;
    }
}

void SequenceController::mirrorSelection(int index) {
    QItemSelectionModel* selection = m_form.sideColumn().stepList->selectionModel();
    if (index < 0) {
        selection->clear();
    } else {
        selection->setCurrentIndex(m_form.panel().list().index(index),
                                   QItemSelectionModel::ClearAndSelect);
    }
}

// Only the list's own rules leave no line selected. A gesture that empties the view's selection
// (a click below the last line, Ctrl+click on the selected line) gets the line back at once, or
// the next Add would go to the top and Remove would do nothing.
void SequenceController::takeViewSelection() {
    if (m_rowsChanging) {
        return;
    }
    const QModelIndexList selected = m_form.sideColumn().stepList->selectionModel()->selectedRows();
    if (selected.isEmpty()) {
        mirrorSelection(m_form.panel().list().selectedIndex());
        return;
    }
    m_form.panel().list().setSelectedIndex(selected.first().row());
}

// The view would select a line on any button, and on a release after a right press; only the
// left button may choose lines, so a right-button drag never moves one.
bool SequenceController::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_form.sideColumn().stepList->viewport()) {
        return false;
    }
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
        return static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton;
    default:
        return false;
    }
}
