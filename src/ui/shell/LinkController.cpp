#include "LinkController.h"

#include "ClickableViews.h"
#include "Form1.h"

#include "board/Board.h"
#include "link/SerialControl.h"

#include <QComboBox>
#include <QPushButton>

LinkController::LinkController(Form1& form) : m_form(form) {
    QObject::connect(form.sideColumn().portChooser, &QComboBox::activated, &form,
                     [this](int i) { ComboPort_Click(i); });
    QObject::connect(form.serialDebugFrame().echoBox, &EchoBox::clicked, &form,
                     [this] { Echo_Click(); });
    QObject::connect(form.serialDebugFrame().inBufferButton, &QPushButton::clicked, &form,
                     [this] { CommandInBuff_Click(); });
    QObject::connect(
        &form.panel().serial(), &SerialControl::portLost, &form, [this](const QString& reason) {
            // A running transfer reports the loss itself as it ends. The message is queued: it
            // must not open inside the serial port's own error signal.
            const bool transferReports = (m_form.panel().activities() & interlock::kTransfer) != 0;
            m_form.panel().link().forgetPositions();
            QMetaObject::invokeMethod(
                &m_form, [this, reason, transferReports] { portLost(reason, transferReports); },
                Qt::QueuedConnection);
        });
}

void LinkController::ComboPort_Click(int index) {
    if (!m_form.panel().permits(interlock::Command::ChoosePort)) {
        return;
    }
    const QString trouble = openChosen(index);
    if (!trouble.isEmpty()) {
        // The user may pick another port, or this one again once the cure is applied.
        m_form.inform(trouble);
        return;
    }
    m_form.sideColumn().portChooser->setToolTip(m_form.panel().serial().device());
    m_form.sideColumn().portChooser->setEnabled(false);
}

// One look at the machine serves the check and the opening, so what opens is what was checked.
QString LinkController::openChosen(int index) {
    const portmap::ScanBatch once;
    const int port = m_form.sideColumn().portChooser->itemData(index).toInt();
    const portmap::Resolution now = m_form.sideColumn().portChooser->resolution(index);
    if (const QString moved = movedNotice(index, now); !moved.isEmpty()) {
        return moved;
    }
    SerialControl& comm = m_form.panel().serial();
    if (comm.portOpen()) {
        comm.setPortOpen(false);
    }
    comm.setCommPort(static_cast<qint16>(port));
    if (!OpenPort()) {
        // A link that leads nowhere names the device that is not there.
        openfailure::Facts facts =
            m_observeFailure(now.device.isEmpty() ? now.missing : now.device);
        facts.port = m_form.sideColumn().portChooser->portName(index);
        facts.error = comm.lastError();
        return openfailure::explain(facts);
    }
    m_opened.insert(port, {now, m_form.sideColumn().portChooser->describe(now)});
    m_movedTold = {};
    return {};
}

// A port number keeps the device it was opened on for the run: a board that went away must
// not be replaced unseen by whatever takes its number (a running playback would write into
// it). The user is told, and choosing the port once more opens the new device.
QString LinkController::movedNotice(int index, const portmap::Resolution& now) {
    const int port = m_form.sideColumn().portChooser->itemData(index).toInt();
    const auto before = m_opened.constFind(port);
    if (before == m_opened.cend() || now.device.isEmpty() ||
        now.device == before->resolution.device ||
        now.identity() == before->resolution.identity() ||
        m_movedTold == std::pair(port, now.device)) {
        return {};
    }
    m_movedTold = {port, now.device};
    return QObject::tr("%1 now leads to another device: %2. When it was opened it led to %3. "
                       "Nothing was opened; choose %1 again to open the new device.")
        .arg(m_form.sideColumn().portChooser->portName(index),
             m_form.sideColumn().portChooser->describe(now), before->shown);
}

bool LinkController::OpenPort() {
    SerialControl& comm = m_form.panel().serial();
    comm.setInBufferSize(kInBufferSize);
    comm.setSettings(kSettings);
    if (!comm.portOpen() && !comm.setPortOpen(true)) {
        return false;
    }
    comm.setInputLen(0);
    comm.input();
    comm.setInputLen(1);
    comm.setRThreshold(1);
    comm.setInputMode(SerialControl::InputMode::Binary);
    // Whatever is on the other end now holds positions we do not know.
    m_form.panel().link().forgetPositions();
    return true;
}

void LinkController::Echo_Click() {
    if (!m_form.panel().permits(interlock::Command::EchoClick)) {
        return;
    }
    m_form.serialDebugFrame().echoBox->setText(QString());
    m_form.panel().serial().setInBufferCount(0);
}

void LinkController::CommandInBuff_Click() {
    if (!m_form.panel().permits(interlock::Command::InBuff)) {
        return;
    }
    m_form.serialDebugFrame().echoBox->setText(
        QString::number(m_form.panel().serial().inBufferCount()));
}

void LinkController::portLost(const QString& reason, bool transferReports) {
    m_form.sideColumn().portChooser->setEnabled(true);
    if (transferReports) {
        return;
    }
    m_form.inform(QObject::tr("The connection on %1 was lost: %2. Choose the port again when the "
                              "board is back.")
                      .arg(m_form.sideColumn().portChooser->portName(
                               m_form.sideColumn().portChooser->currentIndex()),
                           reason));
}
