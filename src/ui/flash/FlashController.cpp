#include "FlashController.h"

#include "board/Board.h"
#include "board/BoardPlayback.h"
#include "core/flash/FlashImage.h"
#include "ui/panel/Panel.h"
#include "ui/panel/SequenceHistory.h"
#include "ui/shell/Messages.h"
#include "ui/shell/SlideControl.h"
#include "ui/shell/SwitchControl.h"

#include <QAction>
#include <QObject>
#include <QPushButton>

#include <memory>

namespace {
constexpr int kNoteShownMs = 10000;
} // namespace

FlashController::FlashController(Panel& panel, Messages& messages, const FlashFrame& flash,
                                 QAction& verifyFlashAction, SwitchControl& pcControlSwitch,
                                 PlaybackSwitches switches)
    : m_panel(panel), m_messages(messages), m_flash(flash), m_pcControlSwitch(pcControlSwitch),
      m_switches(switches), m_program(panel.board()), m_read(panel.board()),
      m_verify(panel.board()), m_erase(panel.board()) {
    connect(flash.programButton, &QPushButton::clicked, this, [this] { programFlash(); });
    connect(flash.abortButton, &QPushButton::clicked, this, [this] { abortTransfer(); });
    connect(flash.readButton, &QPushButton::clicked, this, [this] { readFlash(); });
    connect(flash.verifyButton, &QPushButton::clicked, this, [this] { verifyFlash(); });
    connect(&verifyFlashAction, &QAction::triggered, this, [this] { verifyFlash(); });
    connect(flash.eraseButton, &QPushButton::clicked, this, [this] { eraseFlash(); });
    connect(switches.realEmu, &SwitchControl::valueChanged, this,
            [this](bool on) { switchRealEmu(on); });
    // The wait goes on as it is; the user learns what may be wrong and how to end it.
    connect(&panel.board(), &Board::transferUnanswered, this, [this] {
        m_unansweredShown = true;
        m_messages.showStatus(kUnanswered, 0);
    });

    watch(m_program);
    watch(m_read);
    watch(m_verify);
    // Programming sends PC control off first when the switch is on: it is off from then on.
    connect(&m_program, &Operation::started, &m_program,
            [this] { m_pcControlSwitch.setValueSilently(false); });
    connect(&m_program, &FlashProgram::note, &m_program,
            [this](const QString& text) { m_messages.showStatus(text, kNoteShownMs); });
    connect(&m_program, &Operation::finished, &m_program,
            [this](Operation::State, const QString& message) { transferEnded(message); });
    connect(&m_read, &Operation::finished, &m_read,
            [this](Operation::State, const QString& message) {
                if (m_read.hasImage()) {
                    storeRead();
                } else {
                    transferEnded(message);
                }
            });
    connect(&m_verify, &Operation::finished, &m_verify,
            [this](Operation::State, const QString& message) { transferEnded(message); });
}

void FlashController::watch(Operation& transfer) {
    SlideControl* bar = m_flash.progressBar;
    connect(&transfer, &Operation::started, &transfer, [this, bar, &transfer] {
        m_running = &transfer;
        bar->setVisible(true);
        m_flash.abortButton->setEnabled(true);
    });
    connect(&transfer, &Operation::progressChanged, bar, [bar](double v) { bar->setValue(v); });
    connect(&transfer, &Operation::progressMaximumChanged, bar,
            [bar](double maximum) { bar->setAxisMaximum(maximum); });
}

void FlashController::transferEnded(const QString& message) {
    m_running = nullptr;
    if (m_unansweredShown) {
        m_unansweredShown = false;
        m_messages.showStatus(QString(), 0);
    }
    m_flash.abortButton->setEnabled(false);
    m_flash.progressBar->setVisible(false);
    if (!message.isEmpty()) {
        m_messages.inform(message);
    }
}

void FlashController::programFlash() {
    if (m_panel.permits(interlock::Command::Program)) {
        m_program.start(m_panel.editor().table(), m_panel.list().count(),
                        m_pcControlSwitch.value());
    }
}

void FlashController::abortTransfer() {
    if (!m_panel.permits(interlock::Command::Abort)) {
        return;
    }
    m_flash.abortButton->setEnabled(false);
    if (m_running) {
        m_running->abort();
    }
}

void FlashController::readFlash() {
    if (m_panel.permits(interlock::Command::Read)) {
        m_read.start();
    }
}

void FlashController::verifyFlash() {
    if (m_panel.permits(interlock::Command::Verify)) {
        m_verify.start(m_panel.editor().table(), m_panel.list().count(), m_panel.list().locale());
    }
}

void FlashController::storeRead() {
    const int rows = flashimage::readRows(m_read.byteCount());
    if (rows == 0) {
        transferEnded(FlashRead::kNothingToRead);
        return;
    }
    // Decoded aside first: the table changes only together with the list.
    auto decoded = std::make_unique<SequenceTable>(m_panel.editor().table());
    const QStringList lines =
        flashimage::decodeImage(m_read.image(), rows, *decoded, m_panel.list().locale());
    const auto step = m_panel.history().step(tr("Read Seq."));
    // Replacing the list also clears every breakpoint: no flag stays without its mark.
    if (m_panel.editor().replaceAll(lines) != EditOutcome::Done) {
        transferEnded(tr("The steps read from the flash do not fit the list; the list is "
                         "unchanged."));
        return;
    }
    transferEnded(FlashRead::kRead);
}

// The question runs its own event loop: whatever started meanwhile is asked about again.
void FlashController::eraseFlash() {
    if (!m_panel.permits(interlock::Command::Erase) || !m_panel.link().portOpen()) {
        return;
    }
    if (m_messages.ask(kEraseQuestion) && m_panel.permits(interlock::Command::Erase) &&
        m_panel.link().portOpen()) {
        m_erase.start();
    }
}

// The board's own playback.
void FlashController::switchRealEmu(bool on) {
    SwitchControl* realEmu = m_switches.realEmu;
    if (!m_panel.permits(on ? interlock::Command::RealEmuOn : interlock::Command::RealEmuOff)) {
        // Nothing goes out, so the switch stays where the board is.
        realEmu->setValueSilently(!on);
        return;
    }
    BoardPlayback& playback = m_panel.board().boardPlayback();
    if (!m_panel.link().portOpen()) {
        m_messages.inform(Board::kNoConnection);
        realEmu->setValueSilently(false);
        if (!on) {
            // Switched off while the board was unreachable: the other modes are free again.
            playback.stop();
            m_switches.pcEmu->setEnabled(true);
            m_switches.pcSeq->setEnabled(true);
        }
        return;
    }
    m_switches.pcEmu->setEnabled(false);
    m_switches.pcSeq->setEnabled(false);
    if (on) {
        playback.start();
    } else {
        realEmu->setEnabled(true);
        m_switches.pcEmu->setEnabled(true);
        m_switches.pcSeq->setEnabled(true);
        playback.stop();
    }
}
