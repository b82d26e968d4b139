#include "LinkController.h"

#include "board/Board.h"
#include "link/SerialControl.h"
#include "ui/frames/SerialDebugFrame.h"
#include "ui/panel/Panel.h"
#include "ui/shell/ClickableViews.h"
#include "ui/shell/Messages.h"
#include "ui/shell/SwitchControl.h"

#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QSettings>

LinkController::LinkController(Panel& panel, Messages& messages, PortChooser& portChooser,
                               const SerialDebugFrame& serialDebug, Connection connection)
    : m_panel(panel), m_messages(messages), m_portChooser(portChooser),
      m_echoBox(*serialDebug.echoBox), m_connection(connection) {
    m_connection.field->setText(kNotConnected);
    // Shown only: the board may be on another port today, so nothing opens until chosen.
    const QVariant lastPort = QSettings().value(kLastPortKey);
    if (lastPort.isValid()) {
        portChooser.setCurrentIndex(portChooser.findData(lastPort.toInt()));
    }
    connect(connection.closePortAction, &QAction::triggered, this, [this] { closePort(); });
    connect(&portChooser, &QComboBox::activated, this, [this](int i) { choosePort(i); });
    connect(serialDebug.echoBox, &EchoBox::clicked, this, [this] { clearEcho(); });
    connect(serialDebug.inBufferButton, &QPushButton::clicked, this,
            [this] { showInBufferCount(); });
    connect(&panel.board(), &Board::echo, serialDebug.echoBox, &QLineEdit::setText);
    connect(&panel.serial(), &SerialControl::portLost, this, [this](const QString& reason) {
        // A running transfer reports the loss itself as it ends. The message is queued: it
        // must not open inside the serial port's own error signal.
        const bool transferReports = (m_panel.activities() & interlock::kTransfer) != 0;
        m_panel.link().forgetPositions();
        QMetaObject::invokeMethod(
            this, [this, reason, transferReports] { portLost(reason, transferReports); },
            Qt::QueuedConnection);
    });
}

void LinkController::choosePort(int index) {
    if (!m_panel.permits(interlock::Command::ChoosePort)) {
        return;
    }
    const QString trouble = openChosen(index);
    if (!trouble.isEmpty()) {
        // The user may pick another port, or this one again once the cure is applied.
        m_messages.inform(trouble);
        return;
    }
    m_portChooser.setToolTip(m_panel.serial().device());
    m_portChooser.setEnabled(false);
    const int port = m_portChooser.itemData(index).toInt();
    QSettings().setValue(kLastPortKey, port);
    m_connection.field->setText(tr("Connected: %1 \u2014 %2")
                                    .arg(m_portChooser.portName(index), m_opened[port].shown));
}

void LinkController::closePort() {
    if (!m_panel.permits(interlock::Command::ClosePort)) {
        return;
    }
    SerialControl& serial = m_panel.serial();
    if (serial.portOpen()) {
        BoardLink& link = m_panel.link();
        {
            const BoardLink::Stop stop(link);
            link.PcControlOff();
        }
        link.handOverAll();
        serial.setPortOpen(false);
    }
    m_connection.pcControlSwitch->setValueSilently(false);
    m_portChooser.setToolTip(QString());
    m_portChooser.setCurrentIndex(-1);
    m_portChooser.setEnabled(true);
    m_connection.field->setText(kNotConnected);
}

// One look at the machine serves the check and the opening, so what opens is what was checked.
QString LinkController::openChosen(int index) {
    const portmap::ScanBatch once;
    const int port = m_portChooser.itemData(index).toInt();
    const portmap::Resolution now = m_portChooser.resolution(index);
    if (const QString moved = movedNotice(index, now); !moved.isEmpty()) {
        return moved;
    }
    SerialControl& serial = m_panel.serial();
    if (serial.portOpen()) {
        serial.setPortOpen(false);
    }
    serial.setCommPort(static_cast<qint16>(port));
    if (!openPort()) {
        // A link that leads nowhere names the device that is not there.
        openfailure::Facts facts =
            m_observeFailure(now.device.isEmpty() ? now.missing : now.device);
        facts.port = m_portChooser.portName(index);
        facts.error = serial.lastError();
        return openfailure::explain(facts);
    }
    m_opened.insert(port, {now, m_portChooser.describe(now)});
    m_movedTold = {};
    return {};
}

// A port number keeps the device it was opened on for the run: a board that went away must
// not be replaced unseen by whatever takes its number (a running playback would write into
// it). The user is told, and choosing the port once more opens the new device.
QString LinkController::movedNotice(int index, const portmap::Resolution& now) {
    const int port = m_portChooser.itemData(index).toInt();
    const auto before = m_opened.constFind(port);
    if (before == m_opened.cend() || now.device.isEmpty() ||
        now.device == before->resolution.device ||
        now.identity() == before->resolution.identity() ||
        m_movedTold == std::pair(port, now.device)) {
        return {};
    }
    m_movedTold = {port, now.device};
    return tr("%1 now leads to another device: %2. When it was opened it led to %3. "
              "Nothing was opened; choose %1 again to open the new device.")
        .arg(m_portChooser.portName(index), m_portChooser.describe(now), before->shown);
}

bool LinkController::openPort() {
    SerialControl& serial = m_panel.serial();
    serial.setInBufferSize(kInBufferSize);
    serial.setSettings(kSettings);
    if (!serial.portOpen() && !serial.setPortOpen(true)) {
        return false;
    }
    serial.setInputLen(0);
    serial.input();
    serial.setInputLen(1);
    serial.setRThreshold(1);
    serial.setInputMode(SerialControl::InputMode::Binary);
    // Whatever is on the other end now holds positions we do not know.
    m_panel.link().forgetPositions();
    return true;
}

void LinkController::clearEcho() {
    if (!m_panel.permits(interlock::Command::EchoClick)) {
        return;
    }
    m_echoBox.setText(QString());
    m_panel.serial().setInBufferCount(0);
}

void LinkController::showInBufferCount() {
    if (!m_panel.permits(interlock::Command::InBuff)) {
        return;
    }
    m_echoBox.setText(QString::number(m_panel.serial().inBufferCount()));
}

void LinkController::portLost(const QString& reason, bool transferReports) {
    m_portChooser.setEnabled(true);
    m_connection.field->setText(kConnectionLost);
    if (transferReports) {
        return;
    }
    m_messages.inform(tr("The connection on %1 was lost: %2. Choose the port again when the "
                         "board is back.")
                          .arg(m_portChooser.portName(m_portChooser.currentIndex()), reason));
}
