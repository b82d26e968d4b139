#include "InterpController.h"

#include "DialogInterp.h"

#include "core/interp/Interpolation.h"
#include "core/sequence/StepLine.h"
#include "ui/panel/Panel.h"
#include "ui/sequence/SequenceHistory.h"
#include "ui/shell/ClickableViews.h"
#include "ui/shell/Form1.h"
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

InterpController::InterpController(Form1& form) : m_form(form) {
    QObject::connect(form.bufferEditFrame().interpolateButton, &QPushButton::clicked, &m_context,
                     [this] { CommandInterpolate_Click(); });
    // A dialog left open must not outlive the window's work.
    QObject::connect(&form.panel(), &Panel::shutdownWork, &m_context, [this] {
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
    SequenceList* list = &form.panel().list();
    QObject::connect(list, &QAbstractItemModel::modelReset, &m_context, listReplaced);
    QObject::connect(list, &QAbstractItemModel::rowsInserted, &m_context, listReplaced);
    QObject::connect(list, &QAbstractItemModel::rowsRemoved, &m_context, listReplaced);
}

InterpController::~InterpController() {
    if (m_dialog) {
        m_dialog->disconnect();
        delete m_dialog;
        m_form.panel().setInterpDialogOpen(false);
    }
}

void InterpController::CommandInterpolate_Click() {
    const SequenceList& list = m_form.panel().list();
    if (list.count() < 2 || list.selectedIndex() < 0 ||
        !m_form.panel().permits(interlock::Command::Interpolate)) {
        return;
    }
    m_dialog = new DialogInterp(&m_form);
    QObject::connect(m_dialog->OKButton, &QPushButton::clicked, m_dialog,
                     [this] { OKButton_Click(); });
    QObject::connect(m_dialog->CancelButton, &QPushButton::clicked, m_dialog,
                     [this] { CancelButton_Click(); });
    // Every way out (OK, Annulla, the close box, Escape) ends here.
    QObject::connect(m_dialog, &QDialog::finished, m_dialog, [this] { Form_Unload(); });
    Form_Load();
    m_dialog->show();
}

void InterpController::Form_Load() {
    m_dialog->CWNumEditInterp->setValue(0); // held at its floor of 1
    m_form.panel().setInterpDialogOpen(true);
    setLocked(true);
    const int s = m_form.panel().list().selectedIndex();
    const int n = m_form.panel().list().count();
    if (s == n - 1) {
        m_dialog->chooseOption(DialogInterp::WithPrevious);
        m_dialog->OptionINterp[DialogInterp::WithNext]->setEnabled(false);
    } else if (s == 0) {
        m_dialog->chooseOption(DialogInterp::WithNext);
        m_dialog->OptionINterp[DialogInterp::WithPrevious]->setEnabled(false);
    } else {
        m_dialog->chooseOption(-1);
    }
}

void InterpController::OKButton_Click() {
    if (!m_dialog || !m_form.panel().permits(interlock::Command::InterpolateOk)) {
        return;
    }
    interpolation::Direction direction = interpolation::Direction::None;
    if (m_dialog->chosenOption() == DialogInterp::WithPrevious) {
        direction = interpolation::Direction::Previous;
    } else if (m_dialog->chosenOption() == DialogInterp::WithNext) {
        direction = interpolation::Direction::Next;
    }
    SequenceList& list = m_form.panel().list();
    const interpolation::Result result = interpolation::interpolate(
        list.lines(), list.selectedIndex(), direction, m_dialog->CWNumEditInterp->value(),
        list.locale(), m_dialog->curve());
    if (!result.messageText.isEmpty()) {
        m_form.dialogs.information(m_dialog, result.messageTitle, result.messageText);
    }
    if (result.outcome == interpolation::Outcome::Stayed || !m_dialog) {
        return;
    }
    if (result.outcome == interpolation::Outcome::Done) {
        const auto step = m_form.panel().history().step(QObject::tr("Interpolate"));
        m_applying = true;
        const EditOutcome placed =
            m_form.panel().editor().replaceLineWith(result.sourceIndex, result.newLines);
        m_applying = false;
        if (placed != EditOutcome::Done) {
            m_form.dialogs.information(m_dialog, interpolation::kNoteTitle, kNotPlacedText);
            return;
        }
        m_form.channelsFrame().stepLabel->setText(stepline::stepLabel(list.selectedIndex()));
    }
    m_dialog->accept();
}

void InterpController::CancelButton_Click() {
    if (m_dialog) {
        m_dialog->reject();
    }
}

void InterpController::Form_Unload() {
    m_form.panel().setInterpDialogOpen(false);
    setLocked(false);
    if (m_dialog) {
        m_dialog->deleteLater();
        m_dialog = nullptr;
    }
}

void InterpController::setLocked(bool locked) {
    m_form.bufferEditFrame().frame->setEnabled(!locked);
    m_form.sideColumn().stepList->setEnabled(!locked);
    m_form.channelsFrame().frame->setEnabled(!locked);
    m_form.pcEmuFrame().frame->setEnabled(!locked);
    m_form.pcDebugFrame().frame->setEnabled(!locked);
}
