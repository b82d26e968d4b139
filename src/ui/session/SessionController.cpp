#include "SessionController.h"

#include "board/Board.h"
#include "link/BoardLink.h"
#include "ui/frames/FlashFrame.h"
#include "ui/frames/Menus.h"
#include "ui/frames/RealEmuFrame.h"
#include "ui/frames/SerialDebugFrame.h"
#include "ui/panel/Panel.h"
#include "ui/shell/SwitchControl.h"

#include <QAction>
#include <QCoreApplication>
#include <QGroupBox>

SessionController::SessionController(Panel& panel, QWidget& window, const Menus& menus,
                                     const FlashFrame& flash, const RealEmuFrame& realEmu,
                                     const SerialDebugFrame& serialDebug,
                                     SwitchControl& pcControlSwitch,
                                     PlaybackSwitches playbackSwitches)
    : m_panel(panel), m_window(window), m_flashFrame(flash.frame), m_realEmuFrame(realEmu.frame),
      m_serialDebugFrame(serialDebug.frame), m_pcControlSwitch(pcControlSwitch),
      m_playbackSwitches(playbackSwitches) {
    connect(menus.flashFramesAction, &QAction::triggered, this,
            [this](bool on) { showFlashFrames(on); });
    connect(menus.serialDebugAction, &QAction::triggered, this,
            [this](bool on) { showSerialDebug(on); });
    connect(menus.resetAction, &QAction::triggered, this, [this] { resetBoard(); });
    connect(menus.quitAction, &QAction::triggered, this, [this] { quit(); });
}

void SessionController::start() {
    m_panel.editor().resetBreakPoints();
}

void SessionController::windowClosing() {
    if (m_ended) {
        return;
    }
    endRun();
    m_panel.board().shutDown();
}

// Closing and Quit end a transfer alike: it ends where it is, and nothing more goes out,
// neither now nor at teardown, into an image the board has not finished taking.
void SessionController::endRun() {
    if (!m_panel.permits(interlock::Command::PcControl)) {
        m_ended = true;
    }
    m_panel.runShutdownWork();
}

void SessionController::teardown() {
    if (!m_ended) {
        m_panel.runShutdownWork();
    }
}

void SessionController::showFlashFrames(bool shown) {
    if (!m_panel.permits(interlock::Command::ShowHideFrames)) {
        return;
    }
    m_flashFrame->setVisible(shown);
    m_realEmuFrame->setVisible(shown);
}

void SessionController::showSerialDebug(bool shown) {
    if (m_panel.permits(interlock::Command::ShowHideFrames)) {
        m_serialDebugFrame->setVisible(shown);
    }
}

void SessionController::resetBoard() {
    if (!m_panel.permits(interlock::Command::BoardReset)) {
        return;
    }
    BoardLink& link = m_panel.link();
    const BoardLink::Stop stop(link);
    if (link.portOpen()) {
        link.BoardReset();
    }
    // Each switch's own handling runs as if the user had switched it off.
    for (SwitchControl* s : {&m_pcControlSwitch, m_playbackSwitches.realEmu,
                             m_playbackSwitches.pcEmu, m_playbackSwitches.pcSeq}) {
        s->setValue(false);
    }
}

void SessionController::quit() {
    if (!m_panel.permits(interlock::Command::Quit)) {
        return;
    }
    endRun();
    m_ended = true;
    m_panel.board().shutDown();
    m_window.hide();
    QCoreApplication::exit(0);
}
