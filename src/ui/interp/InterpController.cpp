#include "InterpController.h"

#include "InterpDialog.h"

#include "core/interp/Interpolation.h"
#include "core/sequence/StepLine.h"
#include "ui/frames/BufferEditFrame.h"
#include "ui/frames/ChannelsFrame.h"
#include "ui/frames/PcDebugFrame.h"
#include "ui/frames/PcEmuFrame.h"
#include "ui/panel/Panel.h"
#include "ui/panel/SequenceHistory.h"
#include "ui/shell/ClickableViews.h"
#include "ui/shell/Messages.h"
#include "ui/shell/NumericField.h"
#include "ui/shell/UserDialogs.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

namespace {

const QString kNotPlacedText =
    QStringLiteral("The interpolated steps cannot be put in the list: their values are too large.");

} // namespace

InterpController::InterpController(Panel& panel, Messages& messages,
                                   const BufferEditFrame& bufferEdit, const ChannelsFrame& channels,
                                   const PcEmuFrame& pcEmu, const PcDebugFrame& pcDebug,
                                   StepListView& stepList)
    : m_panel(panel), m_messages(messages),
      m_stepLabel(*channels.stepLabel), m_lockedWhileOpen{bufferEdit.frame, &stepList,
                                                          channels.frame, pcEmu.frame,
                                                          pcDebug.frame} {
    connect(bufferEdit.interpolateButton, &QPushButton::clicked, this, [this] { openDialog(); });
    // A dialog left open must not outlive the window's work.
    connect(&panel, &Panel::shutdownWork, this, [this] {
        if (m_dialog) {
            m_dialog->reject();
        }
    });
    // The lock keeps editing away, but a load or a flash read-back can still replace the list;
    // the presets the dialog was opened with would then point at other lines.
    const auto listReplaced = [this] {
        if (m_dialog && !m_applying) {
            m_dialog->reject();
        }
    };
    SequenceList* list = &panel.list();
    connect(list, &QAbstractItemModel::modelReset, this, listReplaced);
    connect(list, &QAbstractItemModel::rowsInserted, this, listReplaced);
    connect(list, &QAbstractItemModel::rowsRemoved, this, listReplaced);
}

InterpController::~InterpController() {
    if (m_dialog) {
        m_dialog->disconnect();
        delete m_dialog;
        m_panel.setInterpDialogOpen(false);
    }
}

void InterpController::openDialog() {
    const SequenceList& list = m_panel.list();
    if (list.count() < 2 || list.selectedIndex() < 0 ||
        !m_panel.permits(interlock::Command::Interpolate)) {
        return;
    }
    m_dialog = new InterpDialog(&m_messages.window());
    connect(m_dialog->okButton, &QPushButton::clicked, m_dialog, [this] { applyDialog(); });
    connect(m_dialog->cancelButton, &QPushButton::clicked, m_dialog, [this] { cancelDialog(); });
    // Every way out (OK, Annulla, the close box, Escape) ends here.
    connect(m_dialog, &QDialog::finished, m_dialog, [this] { dialogClosed(); });
    prepareDialog();
    m_dialog->show();
}

void InterpController::prepareDialog() {
    m_dialog->stepCount->setValue(0); // held at its floor of 1
    m_panel.setInterpDialogOpen(true);
    setLocked(true);
    const int s = m_panel.list().selectedIndex();
    const int n = m_panel.list().count();
    if (s == n - 1) {
        m_dialog->chooseOption(InterpDialog::WithPrevious);
        m_dialog->directionOptions[InterpDialog::WithNext]->setEnabled(false);
    } else if (s == 0) {
        m_dialog->chooseOption(InterpDialog::WithNext);
        m_dialog->directionOptions[InterpDialog::WithPrevious]->setEnabled(false);
    } else {
        m_dialog->chooseOption(-1);
    }
}

void InterpController::applyDialog() {
    if (!m_dialog || !m_panel.permits(interlock::Command::InterpolateOk)) {
        return;
    }
    interpolation::Direction direction = interpolation::Direction::None;
    if (m_dialog->chosenOption() == InterpDialog::WithPrevious) {
        direction = interpolation::Direction::Previous;
    } else if (m_dialog->chosenOption() == InterpDialog::WithNext) {
        direction = interpolation::Direction::Next;
    }
    SequenceList& list = m_panel.list();
    const interpolation::Result result =
        interpolation::interpolate(list.lines(), list.selectedIndex(), direction,
                                   m_dialog->stepCount->value(), list.locale(), m_dialog->curve());
    if (!result.messageText.isEmpty()) {
        m_messages.dialogs().information(m_dialog, result.messageTitle, result.messageText);
    }
    if (result.outcome == interpolation::Outcome::Stayed || !m_dialog) {
        return;
    }
    if (result.outcome == interpolation::Outcome::Done) {
        const auto step = m_panel.history().step(tr("Interpolate"));
        m_applying = true;
        const EditOutcome placed =
            m_panel.editor().replaceLineWith(result.sourceIndex, result.newLines);
        m_applying = false;
        if (placed != EditOutcome::Done) {
            m_messages.dialogs().information(m_dialog, interpolation::kNoteTitle, kNotPlacedText);
            return;
        }
        m_stepLabel.setText(stepline::stepLabel(list.selectedIndex()));
    }
    m_dialog->accept();
}

void InterpController::cancelDialog() {
    if (m_dialog) {
        m_dialog->reject();
    }
}

void InterpController::dialogClosed() {
    m_panel.setInterpDialogOpen(false);
    setLocked(false);
    if (m_dialog) {
        m_dialog->deleteLater();
        m_dialog = nullptr;
    }
}

void InterpController::setLocked(bool locked) {
    for (QWidget* widget : m_lockedWhileOpen) {
        widget->setEnabled(!locked);
    }
}
