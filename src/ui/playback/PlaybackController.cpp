#include "PlaybackController.h"

#include "core/Rounding.h"
#include "core/StepRecord.h"
#include "core/sequence/StepLine.h"
#include "ui/sequence/SequenceController.h"
#include "ui/shell/Form1.h"
#include "ui/shell/HiResTimer.h"
#include "ui/shell/NumericField.h"
#include "ui/shell/SlideControl.h"
#include "ui/shell/SwitchControl.h"

#include <QLabel>
#include <QPushButton>
#include <QStatusBar>

#include <optional>

namespace {
constexpr double kCentre = 128;
constexpr int kNoteShownMs = 15000;
constexpr qint64 kNsPerMs = 1'000'000;
}

PlaybackController::PlaybackController(Form1& form) : m_form(form) {
    m_connections = {
        QObject::connect(form.CWButtonEmuPC, &SwitchControl::valueChanged,
                         [this](bool on) { CWButtonEmuPC_ValueChanged(on); }),
        QObject::connect(form.HiTimer1, &HiResTimer::tick, [this] { HiTimer1_Timer(); }),
        QObject::connect(form.CommandRepeat, &QPushButton::clicked,
                         [this] { CommandRepeat_Click(); }),
        QObject::connect(form.CommandContinue, &QPushButton::clicked,
                         [this] { CommandContinue_Click(); }),
        QObject::connect(form.CWButtonManual, &SwitchControl::valueChanged,
                         [this](bool on) { CWButtonManual_ValueChanged(on); }),
        QObject::connect(form.CWNumEdit1, &NumericField::valueChanged,
                         [this](double value) { CWNumEdit1_ValueChanged(value); }),
        QObject::connect(form.CommandUpdate, &QPushButton::clicked,
                         [this] { CommandUpdate_Click(); }),
    };
}

PlaybackController::~PlaybackController() {
    for (const QMetaObject::Connection& c : m_connections) {
        QObject::disconnect(c);
    }
    m_form.HiTimer1->setEnabled(false);
}

void PlaybackController::CWButtonEmuPC_ValueChanged(bool on) {
    if (!m_form.permits(on ? interlock::Command::PcEmuOn : interlock::Command::PcEmuOff)) {
        m_form.CWButtonEmuPC->setValueSilently(!on);
        return;
    }
    // Switched off with the port gone, playback still stops, so no mode is left locked.
    if (!connectionAvailable(m_form.CWButtonEmuPC, on) && on) {
        return;
    }
    std::optional<BoardLink::Stop> stop;
    if (!on) {
        stop.emplace(*m_form.link);
    }
    excludeOtherModes(m_form.CWButtonEmuPC, on);
    if (!on) {
        // Even with the list emptied meanwhile: a timer left running would play lines added
        // later with every mode off.
        m_form.HiTimer1->setEnabled(false);
    }
    const int selected = selectStartLine();
    if (selected < 0) {
        return;
    }
    setIntervalToStep(selected);
    if (on) {
        noteShortSteps(false);
        // The selected step is not sent now; the first tick moves on from it.
        m_form.HiTimer1->setEnabled(true);
    } else {
        m_form.sequence->ShowStep(selected);
    }
}

void PlaybackController::HiTimer1_Timer() {
    SequenceList& list = m_form.sequenceList;
    const int n = list.count();
    if (n == 0) {
        return;
    }
    // A burst queued behind one still on its way would reach the servos late, and keep them
    // moving after a stop: the step waits until the line is free. After a step shorter than
    // the burst the schedule goes on from there; after a longer one only a late tick can find
    // the line busy, and the schedule stays as it was. The panel thus always shows the step
    // whose burst is going out.
    if (const qint64 busyNs = m_form.link->burstDueInNs(); busyNs > 0 && m_form.HiTimer1->isEnabled()) {
        const bool keptUp = qint64(m_form.HiTimer1->interval()) * kNsPerMs >= m_form.link->burstWireTimeNs();
        m_form.HiTimer1->postponeTick(busyNs, keptUp);
        return;
    }
    // After the last line playback wraps to the first; with no selection it starts there.
    const int i = list.selectedIndex();
    qint16 next = static_cast<qint16>(i + 1 < n ? i + 1 : 0);
    list.setSelectedIndex(next);
    PlayStep(next);

    // With fixed time steps the pace stays the field's and breakpoints do not halt.
    const int now = list.selectedIndex();
    if (!m_form.CWButtonEmuPC->value() || now < 0) {
        return;
    }
    setIntervalToStep(now);
    if (m_form.declaration.SequenceBuffer[now][kBreakField] > 0) {
        m_form.HiTimer1->setEnabled(false);
    }
}

void PlaybackController::PlayStep(qint16& step) {
    if (step < 0 || step >= m_form.sequenceList.count()) {
        return;
    }
    const StepRecord& record = m_form.editor.step(step);
    // While a flash transfer holds the line the step is skipped, not held back: playback
    // keeps its pace as with a closed port, and the transfer is never disturbed.
    if (m_form.permits(interlock::Command::PlayStep)) {
        m_form.link->ChannelBurst(record);
    }
    m_form.CWNumEditTimeStep->setValue(record[kDurationField]);
    m_form.LabelStep->setText(stepline::stepLabel(step));
}

void PlaybackController::CommandRepeat_Click() {
    if (!m_form.CWButtonEmuPC->value() || !m_form.permits(interlock::Command::Repeat)) {
        return;
    }
    SequenceList& list = m_form.sequenceList;
    int k = list.selectedIndex();
    if (k < 0) {
        return;
    }
    // Back to the nearest earlier breakpoint, or line 0; the selected line's own flag does
    // not count, so a halt on a breakpoint replays the section that led to it.
    while (k >= 1) {
        --k;
        if (m_form.declaration.SequenceBuffer[k][kBreakField] > 0) {
            break;
        }
    }
    list.setSelectedIndex(k);
    m_form.sequence->ShowStep(k);
    setIntervalToStep(k);
    // Restarted, so the replayed step gets its whole time even when Repeat comes mid-step.
    m_form.HiTimer1->setEnabled(false);
    m_form.HiTimer1->setEnabled(true);
}

void PlaybackController::CommandContinue_Click() {
    const int selected = m_form.sequenceList.selectedIndex();
    if (!m_form.CWButtonEmuPC->value() || selected < 0 ||
        !m_form.permits(interlock::Command::Continue)) {
        return;
    }
    setIntervalToStep(selected);
    m_form.HiTimer1->setEnabled(true);
}

void PlaybackController::CWButtonManual_ValueChanged(bool on) {
    if (!m_form.permits(on ? interlock::Command::PcSeqOn : interlock::Command::PcSeqOff)) {
        m_form.CWButtonManual->setValueSilently(!on);
        return;
    }
    if (!connectionAvailable(m_form.CWButtonManual, on) && on) {
        return;
    }
    std::optional<BoardLink::Stop> stop;
    if (!on) {
        stop.emplace(*m_form.link);
    }
    excludeOtherModes(m_form.CWButtonManual, on);
    if (!on) {
        m_form.HiTimer1->setEnabled(false);
    }
    if (selectStartLine() < 0) {
        return;
    }
    m_form.HiTimer1->setInterval(rounding::toInt32(m_form.CWNumEdit1->value()));
    if (on) {
        noteShortSteps(true);
    }
    m_form.HiTimer1->setEnabled(on);
}

void PlaybackController::CWNumEdit1_ValueChanged(double value) {
    if (!m_form.permits(interlock::Command::FixedStepTime)) {
        return;
    }
    m_form.HiTimer1->setInterval(rounding::toInt32(value));
}

void PlaybackController::CommandUpdate_Click() {
    // Deferred moves are the slider handling's to keep.
    if (m_form.decide(interlock::Command::CentreAll).outcome == interlock::Outcome::Refused) {
        return;
    }
    for (int c = 0; c < kChannelCount; ++c) {
        SlideControl* slide = m_form.CWSlide1[size_t(c)];
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
    if (m_form.link->portOpen()) {
        return true;
    }
    m_form.inform(Form1::kNoConnection);
    if (on) {
        mode->setValueSilently(false);
    }
    return false;
}

void PlaybackController::excludeOtherModes(SwitchControl* mode, bool on) {
    SwitchControl* const modes[] = {m_form.CWButtonRealEmu, m_form.CWButtonEmuPC,
                                    m_form.CWButtonManual};
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

int PlaybackController::selectStartLine() {
    SequenceList& list = m_form.sequenceList;
    if (list.selectedIndex() < 0 && list.count() > 0) {
        list.setSelectedIndex(0);
    }
    return list.selectedIndex();
}

qint32 PlaybackController::duration(int step) const {
    return m_form.editor.step(step)[kDurationField];
}

void PlaybackController::setIntervalToStep(int step) {
    m_form.HiTimer1->setInterval(duration(step));
}

QString PlaybackController::shortStepsNote(int steps, int burstMs) {
    if (steps == 1) {
        return QObject::tr("1 step is shorter than %1 ms, the time the line needs to send one "
                           "step; it will take %1 ms.")
            .arg(burstMs);
    }
    return QObject::tr("%1 steps are shorter than %2 ms, the time the line needs to send one "
                       "step; they will take %2 ms each.")
        .arg(steps)
        .arg(burstMs);
}

void PlaybackController::noteShortSteps(bool fixedTime) {
    const qint64 burstNs = m_form.link->burstWireTimeNs();
    const int n = m_form.sequenceList.count();
    int shorter = 0;
    for (int s = 0; s < n; ++s) {
        const qint64 ms = fixedTime ? m_form.HiTimer1->interval() : duration(s);
        shorter += ms * kNsPerMs < burstNs ? 1 : 0;
    }
    if (shorter > 0) {
        const int burstMs = int((burstNs + kNsPerMs - 1) / kNsPerMs);
        m_form.statusBar()->showMessage(shortStepsNote(shorter, burstMs), kNoteShownMs);
    }
}
