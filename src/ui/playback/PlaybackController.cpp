#include "PlaybackController.h"

#include "board/PcPlayback.h"
#include "core/Rounding.h"
#include "core/StepRecord.h"
#include "core/sequence/StepLine.h"
#include "ui/panel/Panel.h"
#include "ui/sequence/SequenceController.h"
#include "ui/shell/Form1.h"
#include "ui/shell/NumericField.h"
#include "ui/shell/SlideControl.h"
#include "ui/shell/SwitchControl.h"

#include <QLabel>
#include <QPushButton>
#include <QStatusBar>

namespace {
constexpr double kCentre = 128;
constexpr int kNoteShownMs = 15000;
} // namespace

PlaybackController::PlaybackController(Form1& form)
    : m_form(form), m_playback(form.panel().board().pcPlayback()) {
    m_connections = {
        QObject::connect(form.pcEmuFrame().pcEmuSwitch, &SwitchControl::valueChanged,
                         [this](bool on) { CWButtonEmuPC_ValueChanged(on); }),
        QObject::connect(form.pcEmuFrame().repeatButton, &QPushButton::clicked,
                         [this] { CommandRepeat_Click(); }),
        QObject::connect(form.pcEmuFrame().continueButton, &QPushButton::clicked,
                         [this] { CommandContinue_Click(); }),
        QObject::connect(form.pcDebugFrame().pcSeqSwitch, &SwitchControl::valueChanged,
                         [this](bool on) { CWButtonManual_ValueChanged(on); }),
        QObject::connect(form.pcDebugFrame().fixedStepTime, &NumericField::valueChanged,
                         [this](double value) { CWNumEdit1_ValueChanged(value); }),
        QObject::connect(form.channelsFrame().resetButton, &QPushButton::clicked,
                         [this] { CommandUpdate_Click(); }),
        QObject::connect(&m_playback, &PcPlayback::stepPlayed,
                         [this](int step) { showPlayed(step); }),
        QObject::connect(&m_playback, &PcPlayback::showStep,
                         [this](int step) { m_form.sequence->ShowStep(step); }),
        QObject::connect(
            &m_playback, &PcPlayback::note,
            [this](const QString& text) { m_form.statusBar()->showMessage(text, kNoteShownMs); }),
    };
}

PlaybackController::~PlaybackController() {
    for (const QMetaObject::Connection& c : m_connections) {
        QObject::disconnect(c);
    }
    m_form.panel().clock().setEnabled(false);
}

void PlaybackController::CWButtonEmuPC_ValueChanged(bool on) {
    if (!m_form.panel().permits(on ? interlock::Command::PcEmuOn : interlock::Command::PcEmuOff)) {
        m_form.pcEmuFrame().pcEmuSwitch->setValueSilently(!on);
        return;
    }
    // Switched off with the port gone, playback still stops, so no mode is left locked.
    if (!connectionAvailable(m_form.pcEmuFrame().pcEmuSwitch, on) && on) {
        return;
    }
    excludeOtherModes(m_form.pcEmuFrame().pcEmuSwitch, on);
    if (on) {
        m_playback.start(PcPlayback::Pace::OwnTime);
    } else {
        m_playback.stop(PcPlayback::Pace::OwnTime);
    }
}

void PlaybackController::HiTimer1_Timer() {
    m_playback.tick();
}

void PlaybackController::showPlayed(int step) {
    m_form.channelsFrame().stepDuration->setValue(
        m_form.panel().editor().step(step)[kDurationField]);
    m_form.channelsFrame().stepLabel->setText(stepline::stepLabel(step));
}

void PlaybackController::CommandRepeat_Click() {
    if (!m_playback.ownTime() || !m_form.panel().permits(interlock::Command::Repeat)) {
        return;
    }
    m_playback.repeat();
}

void PlaybackController::CommandContinue_Click() {
    if (!m_playback.ownTime() || m_form.panel().list().selectedIndex() < 0 ||
        !m_form.panel().permits(interlock::Command::Continue)) {
        return;
    }
    m_playback.resume();
}

void PlaybackController::CWButtonManual_ValueChanged(bool on) {
    if (!m_form.panel().permits(on ? interlock::Command::PcSeqOn : interlock::Command::PcSeqOff)) {
        m_form.pcDebugFrame().pcSeqSwitch->setValueSilently(!on);
        return;
    }
    if (!connectionAvailable(m_form.pcDebugFrame().pcSeqSwitch, on) && on) {
        return;
    }
    excludeOtherModes(m_form.pcDebugFrame().pcSeqSwitch, on);
    if (on) {
        m_playback.start(PcPlayback::Pace::Fixed,
                         rounding::toInt32(m_form.pcDebugFrame().fixedStepTime->value()));
    } else {
        m_playback.stop(PcPlayback::Pace::Fixed);
    }
}

void PlaybackController::CWNumEdit1_ValueChanged(double value) {
    if (!m_form.panel().permits(interlock::Command::FixedStepTime)) {
        return;
    }
    m_playback.setFixedTime(rounding::toInt32(value));
}

void PlaybackController::CommandUpdate_Click() {
    // Deferred moves are the slider handling's to keep.
    if (m_form.panel().decide(interlock::Command::CentreAll).outcome ==
        interlock::Outcome::Refused) {
        return;
    }
    for (int c = 0; c < kChannelCount; ++c) {
        SlideControl* slide = m_form.channelsFrame().sliders[size_t(c)];
        if (slide->value() != kCentre) {
            slide->setValue(kCentre);
        } else {
            // A slider already at the centre raises no change, yet the servo may be elsewhere
            // (playback moves no slider): run the slider handling for it all the same.
            emit slide->valueChanged(c, kCentre);
        }
    }
}

bool PlaybackController::connectionAvailable(SwitchControl* mode, bool on) {
    if (m_form.panel().link().portOpen()) {
        return true;
    }
    m_form.inform(Form1::kNoConnection);
    if (on) {
        mode->setValueSilently(false);
    }
    return false;
}

void PlaybackController::excludeOtherModes(SwitchControl* mode, bool on) {
    SwitchControl* const modes[] = {m_form.realEmuFrame().realEmuSwitch,
                                    m_form.pcEmuFrame().pcEmuSwitch,
                                    m_form.pcDebugFrame().pcSeqSwitch};
    for (SwitchControl* other : modes) {
        if (other != mode) {
            other->setEnabled(false);
        }
    }
    if (!on) {
        for (SwitchControl* any : modes) {
            any->setEnabled(true);
        }
    }
}
