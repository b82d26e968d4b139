#include "QtSerialTransport.h"

#include <sys/ioctl.h>
#include <termios.h>

QtSerialTransport::QtSerialTransport(QObject* parent) : SerialTransport(parent) {
    connect(&m_port, &QSerialPort::readyRead, this, &SerialTransport::readyRead);
    connect(&m_port, &QSerialPort::errorOccurred, this, &QtSerialTransport::onError);
}

bool QtSerialTransport::open(const QString& device, const LineSettings& settings,
                             QString* error) {
    m_port.setPortName(device);
    m_port.setBaudRate(settings.baud);
    m_port.setDataBits(static_cast<QSerialPort::DataBits>(settings.dataBits));
    m_port.setStopBits(settings.stopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop);
    switch (settings.parity) {
    case 'E':
        m_port.setParity(QSerialPort::EvenParity);
        break;
    case 'O':
        m_port.setParity(QSerialPort::OddParity);
        break;
    default:
        m_port.setParity(QSerialPort::NoParity);
    }
    m_port.setFlowControl(QSerialPort::NoFlowControl);
    if (!m_port.open(QIODevice::ReadWrite)) {
        if (error) {
            *error = m_port.errorString();
        }
        m_port.clearError();
        return false;
    }
    // The port keeps what arrived before it was opened; start from an empty buffer.
    m_port.clear(QSerialPort::Input);
    m_port.readAll();
    return true;
}

void QtSerialTransport::close() {
    if (m_port.isOpen()) {
        m_port.close();
    }
}

void QtSerialTransport::write(const QByteArray& data) {
    m_port.write(data);
    m_port.flush(); // on the line now, not when the event loop next runs
}

qint64 QtSerialTransport::unsentBytes() const {
    if (!m_port.isOpen()) {
        return -1;
    }
    int queued = 0;
    // A pseudo-terminal passes everything on at once and reports 0: that tells nothing.
    if (::ioctl(m_port.handle(), TIOCOUTQ, &queued) != 0 || queued <= 0) {
        return m_port.bytesToWrite() > 0 ? m_port.bytesToWrite() : -1;
    }
    return m_port.bytesToWrite() + queued;
}

void QtSerialTransport::onError(QSerialPort::SerialPortError error) {
    if (error == QSerialPort::NoError || error == QSerialPort::TimeoutError || !m_port.isOpen()) {
        return;
    }
    // A vanished device reports read errors in a tight loop rather than a resource error:
    // any real error means the device is gone, so close before the next one comes.
    // On a hang-up Qt's own text is whatever errno last held ("Inappropriate ioctl for
    // device"), so lead with what happened.
    QString reason;
    switch (error) {
    case QSerialPort::ResourceError:
        reason = tr("the device was removed");
        break;
    case QSerialPort::ReadError:
        reason = tr("the device can no longer be read");
        break;
    case QSerialPort::WriteError:
        reason = tr("the device can no longer be written");
        break;
    default:
        reason = tr("the device failed");
    }
    if (!m_port.errorString().isEmpty()) {
        reason += QStringLiteral(" (%1)").arg(m_port.errorString());
    }
    // Closing a tty waits until its queue has drained; what was queued for a device that
    // failed must not hold the panel up.
    ::tcflush(m_port.handle(), TCOFLUSH);
    m_port.close();
    m_port.clearError();
    emit lost(reason);
}
