#include "PlaybackController.h"

#include "board/Board.h"
#include "board/HiResTimer.h"
#include "board/PcPlayback.h"
#include "core/Rounding.h"
#include "core/StepRecord.h"
#include "core/sequence/StepLine.h"
#include "ui/frames/PcDebugFrame.h"
#include "ui/frames/PcEmuFrame.h"
#include "ui/panel/Panel.h"
#include "ui/shell/Messages.h"
#include "ui/shell/NumericField.h"
#include "ui/shell/SlideControl.h"
#include "ui/shell/SwitchControl.h"

#include <QLabel>
#include <QPushButton>

namespace {
constexpr double kCentre = 128;
constexpr int kNoteShownMs = 15000;
} // namespace

PlaybackController::PlaybackController(Panel& panel, Messages& messages,
                                       const ChannelsFrame& channels, const PcEmuFrame& pcEmu,
                                       const PcDebugFrame& pcDebug, PlaybackSwitches switches,
                                       ShowStep showStep, QLabel& stateField)
    : m_panel(panel), m_messages(messages), m_playback(panel.board().pcPlayback()),
      m_channels(channels), m_fixedStepTime(*pcDebug.fixedStepTime), m_switches(switches),
      m_showStep(std::move(showStep)), m_stateField(stateField) {
    m_panel.clock().setInterval(rounding::toInt32(m_fixedStepTime.value()));
    connect(switches.pcEmu, &SwitchControl::valueChanged, this,
            [this](bool on) { switchPcEmu(on); });
    connect(pcEmu.repeatButton, &QPushButton::clicked, this, [this] { repeat(); });
    connect(pcEmu.continueButton, &QPushButton::clicked, this, [this] { resume(); });
    connect(switches.pcSeq, &SwitchControl::valueChanged, this,
            [this](bool on) { switchPcSeq(on); });
    connect(pcDebug.fixedStepTime, &NumericField::valueChanged, this,
            [this](double value) { setFixedStepTime(value); });
    connect(channels.resetButton, &QPushButton::clicked, this, [this] { centreAll(); });
    connect(&m_playback, &PcPlayback::stepPlayed, this, [this](int step) { showPlayed(step); });
    connect(&m_playback, &PcPlayback::showStep, this, [this](int step) { m_showStep(step); });
    connect(&m_playback, &PcPlayback::halted, this, [this](int step) {
        m_stateField.setText(
            tr("Halted at the breakpoint on step %1: Continue or Repeat").arg(step));
    });
    connect(&m_playback, &PcPlayback::finished, this, [this] { m_stateField.clear(); });
    connect(&m_playback, &PcPlayback::note, this,
            [this](const QString& text) { m_messages.showStatus(text, kNoteShownMs); });
}

PlaybackController::~PlaybackController() {
    m_panel.clock().setEnabled(false);
}

void PlaybackController::switchPcEmu(bool on) {
    SwitchControl* pcEmu = m_switches.pcEmu;
    if (!m_panel.permits(on ? interlock::Command::PcEmuOn : interlock::Command::PcEmuOff)) {
        pcEmu->setValueSilently(!on);
        return;
    }
    // Switched off with the port gone, playback still stops, so no mode is left locked.
    if (!connectionAvailable(pcEmu, on) && on) {
        return;
    }
    excludeOtherModes(pcEmu, on);
    if (on) {
        m_playback.start(PcPlayback::Pace::OwnTime);
        showPlaying();
    } else {
        m_playback.stop(PcPlayback::Pace::OwnTime);
    }
}

void PlaybackController::clockTick() {
    m_playback.tick();
}

void PlaybackController::showPlayed(int step) {
    m_channels.stepDuration->setValue(m_panel.editor().step(step)[kDurationField]);
    m_channels.stepLabel->setText(stepline::stepLabel(step));
    showPlaying();
}

void PlaybackController::showPlaying() {
    const int step = m_panel.list().selectedIndex();
    if (!m_playback.isRunning() || step < 0) {
        m_stateField.clear();
        return;
    }
    m_stateField.setText(tr("Playing step %1 of %2").arg(step).arg(m_panel.list().count()));
}

void PlaybackController::repeat() {
    if (!m_playback.ownTime() || !m_panel.permits(interlock::Command::Repeat)) {
        return;
    }
    m_playback.repeat();
    showPlaying();
}

void PlaybackController::resume() {
    if (!m_playback.ownTime() || m_panel.list().selectedIndex() < 0 ||
        !m_panel.permits(interlock::Command::Continue)) {
        return;
    }
    m_playback.resume();
    showPlaying();
}

void PlaybackController::switchPcSeq(bool on) {
    SwitchControl* pcSeq = m_switches.pcSeq;
    if (!m_panel.permits(on ? interlock::Command::PcSeqOn : interlock::Command::PcSeqOff)) {
        pcSeq->setValueSilently(!on);
        return;
    }
    if (!connectionAvailable(pcSeq, on) && on) {
        return;
    }
    excludeOtherModes(pcSeq, on);
    if (on) {
        m_playback.start(PcPlayback::Pace::Fixed, rounding::toInt32(m_fixedStepTime.value()));
        showPlaying();
    } else {
        m_playback.stop(PcPlayback::Pace::Fixed);
    }
}

void PlaybackController::setFixedStepTime(double ms) {
    if (!m_panel.permits(interlock::Command::FixedStepTime)) {
        return;
    }
    m_playback.setFixedTime(rounding::toInt32(ms));
}

void PlaybackController::centreAll() {
    // Deferred moves are the slider handling's to keep.
    if (m_panel.decide(interlock::Command::CentreAll).outcome == interlock::Outcome::Refused) {
        return;
    }
    for (int c = 0; c < kChannelCount; ++c) {
        SlideControl* slide = m_channels.sliders[size_t(c)];
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
    if (m_panel.link().portOpen()) {
        return true;
    }
    m_messages.inform(Board::kNoConnection);
    if (on) {
        mode->setValueSilently(false);
    }
    return false;
}

void PlaybackController::excludeOtherModes(SwitchControl* mode, bool on) {
    SwitchControl* const modes[] = {m_switches.realEmu, m_switches.pcEmu, m_switches.pcSeq};
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
