#include "ShellController.h"

#include "Form1.h"
#include "NumericField.h"
#include "SwitchControl.h"

#include "board/HiResTimer.h"
#include "core/Rounding.h"
#include "ui/panel/Panel.h"
#include "ui/sequence/SequenceController.h"

#include <QAction>
#include <QCoreApplication>
#include <QGroupBox>

ShellController::ShellController(Form1& form) : m_form(form) {
    QObject::connect(form.menus().flashFramesAction, &QAction::triggered, &form,
                     [this](bool on) { FreshProg(on); });
    QObject::connect(form.menus().serialDebugAction, &QAction::triggered, &form,
                     [this](bool on) { Serial(on); });
    QObject::connect(form.menus().resetAction, &QAction::triggered, &form, [this] { Resetting(); });
    QObject::connect(form.menus().quitAction, &QAction::triggered, &form, [this] { Quit(); });
}

void ShellController::Form_Load() {
    m_form.panel().clock().setInterval(
        rounding::toInt32(m_form.pcDebugFrame().fixedStepTime->value()));
    m_form.sequence->ResetBreakPoints();
}

void ShellController::Form_Unload() {
    if (m_ended) {
        return;
    }
    endRun();
    m_form.panel().board().shutDown();
}

// Closing and Quit end a transfer alike: it ends where it is, and nothing more goes out,
// neither now nor at teardown, into an image the board has not finished taking.
void ShellController::endRun() {
    if (!m_form.panel().permits(interlock::Command::PcControl)) {
        m_ended = true;
    }
    m_form.panel().runShutdownWork();
}

void ShellController::Form_Terminate() {
    if (!m_ended) {
        m_form.panel().runShutdownWork();
    }
}

void ShellController::FreshProg(bool checked) {
    if (!m_form.panel().permits(interlock::Command::ShowHideFrames)) {
        return;
    }
    m_form.flashFrame().frame->setVisible(checked);
    m_form.realEmuFrame().frame->setVisible(checked);
}

void ShellController::Serial(bool checked) {
    if (m_form.panel().permits(interlock::Command::ShowHideFrames)) {
        m_form.serialDebugFrame().frame->setVisible(checked);
    }
}

void ShellController::Resetting() {
    if (!m_form.panel().permits(interlock::Command::BoardReset)) {
        return;
    }
    const BoardLink::Stop stop(m_form.panel().link());
    if (m_form.panel().link().portOpen()) {
        m_form.panel().link().BoardReset();
    }
    // Each switch's own handling runs as if the user had switched it off.
    for (SwitchControl* s :
         {m_form.sideColumn().pcControlSwitch, m_form.realEmuFrame().realEmuSwitch,
          m_form.pcEmuFrame().pcEmuSwitch, m_form.pcDebugFrame().pcSeqSwitch}) {
        s->setValue(false);
    }
}

void ShellController::Quit() {
    if (!m_form.panel().permits(interlock::Command::Quit)) {
        return;
    }
    endRun();
    m_ended = true;
    m_form.panel().board().shutDown();
    m_form.hide();
    QCoreApplication::exit(0);
}
