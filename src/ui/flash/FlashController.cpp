#include "FlashController.h"

#include "board/BoardPlayback.h"
#include "core/flash/FlashImage.h"
#include "ui/panel/Panel.h"
#include "ui/sequence/SequenceHistory.h"
#include "ui/shell/Form1.h"
#include "ui/shell/SlideControl.h"
#include "ui/shell/SwitchControl.h"

#include <QAction>
#include <QObject>
#include <QPushButton>

#include <memory>

FlashController::FlashController(Form1& form)
    : m_form(form), m_program(form.panel().board()), m_read(form.panel().board()),
      m_verify(form.panel().board()), m_erase(form.panel().board()) {
    QObject::connect(form.flashFrame().programButton, &QPushButton::clicked, &form,
                     [this] { CommandFlash_Click(); });
    QObject::connect(form.flashFrame().abortButton, &QPushButton::clicked, &form,
                     [this] { Command1_Click(); });
    QObject::connect(form.flashFrame().readButton, &QPushButton::clicked, &form,
                     [this] { CommandRead_Click(); });
    QObject::connect(form.flashFrame().verifyButton, &QPushButton::clicked, &form,
                     [this] { CommandVerify_Click(); });
    QObject::connect(form.menus().verifyFlashAction, &QAction::triggered, &form,
                     [this] { CommandVerify_Click(); });
    QObject::connect(form.flashFrame().eraseButton, &QPushButton::clicked, &form,
                     [this] { CommandErase_Click(); });
    QObject::connect(form.realEmuFrame().realEmuSwitch, &SwitchControl::valueChanged, &form,
                     [this](bool on) { CWButtonRealEmu_ValueChanged(on); });

    watch(m_program);
    watch(m_read);
    watch(m_verify);
    // Programming sends PC control off first when the switch is on: it is off from then on.
    QObject::connect(&m_program, &Operation::started, &m_program,
                     [this] { m_form.sideColumn().pcControlSwitch->setValueSilently(false); });
    QObject::connect(&m_program, &Operation::finished, &m_program,
                     [this](Operation::State, const QString& message) { transferEnded(message); });
    QObject::connect(&m_read, &Operation::finished, &m_read,
                     [this](Operation::State, const QString& message) {
                         if (m_read.hasImage()) {
                             storeRead();
                         } else {
                             transferEnded(message);
                         }
                     });
    QObject::connect(&m_verify, &Operation::finished, &m_verify,
                     [this](Operation::State, const QString& message) { transferEnded(message); });
}

void FlashController::watch(Operation& transfer) {
    SlideControl* bar = m_form.flashFrame().progressBar;
    QObject::connect(&transfer, &Operation::started, &transfer, [this, bar, &transfer] {
        m_running = &transfer;
        bar->setVisible(true);
        m_form.flashFrame().abortButton->setEnabled(true);
    });
    QObject::connect(&transfer, &Operation::progressChanged, bar,
                     [bar](double v) { bar->setValue(v); });
    QObject::connect(&transfer, &Operation::progressMaximumChanged, bar,
                     [bar](double maximum) { bar->setAxisMaximum(maximum); });
}

void FlashController::transferEnded(const QString& message) {
    m_running = nullptr;
    m_form.flashFrame().abortButton->setEnabled(false);
    m_form.flashFrame().progressBar->setVisible(false);
    if (!message.isEmpty()) {
        m_form.inform(message);
    }
}

void FlashController::CommandFlash_Click() {
    if (m_form.panel().permits(interlock::Command::Program)) {
        m_program.start(m_form.panel().editor().table(), m_form.panel().list().count(),
                        m_form.sideColumn().pcControlSwitch->value());
    }
}

void FlashController::Command1_Click() {
    if (!m_form.panel().permits(interlock::Command::Abort)) {
        return;
    }
    m_form.flashFrame().abortButton->setEnabled(false);
    if (m_running) {
        m_running->abort();
    }
}

void FlashController::CommandRead_Click() {
    if (m_form.panel().permits(interlock::Command::Read)) {
        m_read.start();
    }
}

void FlashController::CommandVerify_Click() {
    if (m_form.panel().permits(interlock::Command::Verify)) {
        m_verify.start(m_form.panel().editor().table(), m_form.panel().list().count(),
                       m_form.panel().list().locale());
    }
}

void FlashController::storeRead() {
    const int rows = flashimage::readRows(m_read.byteCount());
    if (rows == 0) {
        transferEnded(FlashRead::kNothingToRead);
        return;
    }
    // Decoded aside first: the table changes only together with the list.
    auto decoded = std::make_unique<SequenceTable>(m_form.panel().editor().table());
    const QStringList lines =
        flashimage::decodeImage(m_read.image(), rows, *decoded, m_form.panel().list().locale());
    const auto step = m_form.panel().history().step(QObject::tr("Read Seq."));
    // Replacing the list also clears every breakpoint: no flag stays without its mark.
    if (m_form.panel().editor().replaceAll(lines) != EditOutcome::Done) {
        transferEnded(QObject::tr("The steps read from the flash do not fit the list; the list is "
                                  "unchanged."));
        return;
    }
    transferEnded(FlashRead::kRead);
}

void FlashController::CommandErase_Click() {
    if (m_form.panel().permits(interlock::Command::Erase) && m_form.panel().link().portOpen()) {
        m_erase.start();
    }
}

// ---- board-side playback

void FlashController::CWButtonRealEmu_ValueChanged(bool on) {
    SwitchControl* realEmu = m_form.realEmuFrame().realEmuSwitch;
    if (!m_form.panel().permits(on ? interlock::Command::RealEmuOn
                                   : interlock::Command::RealEmuOff)) {
        // Nothing goes out, so the switch stays where the board is.
        realEmu->setValueSilently(!on);
        return;
    }
    BoardPlayback& playback = m_form.panel().board().boardPlayback();
    if (!m_form.panel().link().portOpen()) {
        m_form.inform(Form1::kNoConnection);
        realEmu->setValueSilently(false);
        if (!on) {
            // Switched off while the board was unreachable: the other modes are free again.
            playback.stop();
            m_form.pcEmuFrame().pcEmuSwitch->setEnabled(true);
            m_form.pcDebugFrame().pcSeqSwitch->setEnabled(true);
        }
        return;
    }
    m_form.pcEmuFrame().pcEmuSwitch->setEnabled(false);
    m_form.pcDebugFrame().pcSeqSwitch->setEnabled(false);
    if (on) {
        playback.start();
    } else {
        realEmu->setEnabled(true);
        m_form.pcEmuFrame().pcEmuSwitch->setEnabled(true);
        m_form.pcDebugFrame().pcSeqSwitch->setEnabled(true);
        playback.stop();
    }
}
