#include "SerialControl.h"

#include <QPointer>
#include <QStringList>

#include <algorithm>

SerialControl::SerialControl(std::unique_ptr<SerialTransport> transport, Resolver resolver,
                             QObject* parent)
    : QObject(parent), m_transport(std::move(transport)), m_resolver(std::move(resolver)) {
    m_monotonic.start();
    connect(m_transport.get(), &SerialTransport::readyRead, this, &SerialControl::takeArrivals);
    connect(m_transport.get(), &SerialTransport::lost, this, [this](const QString& reason) {
        m_buffer.clear();
        m_lineFreeAtNs = 0;
        emit closed();
        emit portLost(reason);
    });
}

SerialControl::~SerialControl() { m_transport->close(); }

bool SerialControl::setSettings(const QString& settings) {
    const QStringList parts = settings.split(QLatin1Char(','));
    if (parts.size() != 4) {
        return false;
    }
    bool baudOk = false;
    bool dataOk = false;
    bool stopOk = false;
    LineSettings parsed;
    parsed.baud = parts[0].trimmed().toInt(&baudOk);
    const QString parity = parts[1].trimmed().toUpper();
    parsed.dataBits = parts[2].trimmed().toInt(&dataOk);
    parsed.stopBits = parts[3].trimmed().toInt(&stopOk);
    if (!baudOk || !dataOk || !stopOk || parsed.baud <= 0 || parity.size() != 1 ||
        !QStringLiteral("NEO").contains(parity) || parsed.dataBits < 5 || parsed.dataBits > 8 ||
        (parsed.stopBits != 1 && parsed.stopBits != 2)) {
        return false;
    }
    parsed.parity = parity.at(0).toLatin1();
    m_lineSettings = parsed;
    return true;
}

QString SerialControl::settings() const {
    return QStringLiteral("%1,%2,%3,%4")
        .arg(m_lineSettings.baud)
        .arg(QLatin1Char(m_lineSettings.parity))
        .arg(m_lineSettings.dataBits)
        .arg(m_lineSettings.stopBits);
}

bool SerialControl::portOpen() const { return m_transport->isOpen(); }

QString SerialControl::device() const { return m_resolver ? m_resolver(m_commPort) : QString(); }

bool SerialControl::setPortOpen(bool open) {
    m_lastError.clear();
    if (!open) {
        const bool wasOpen = portOpen();
        m_transport->close();
        m_buffer.clear();
        m_lineFreeAtNs = 0;
        if (wasOpen) {
            emit closed();
        }
        return true;
    }
    if (portOpen()) {
        return true;
    }
    const QString path = device();
    if (path.isEmpty()) {
        m_lastError = tr("no device is attached to this port");
        return false;
    }
    m_buffer.clear();
    return m_transport->open(path, m_lineSettings, &m_lastError);
}

QByteArray SerialControl::input() {
    const qsizetype count = m_inputLen <= 0 ? m_buffer.size() : qMin<qsizetype>(m_inputLen, m_buffer.size());
    QByteArray taken = m_buffer.left(count);
    m_buffer.remove(0, count);
    m_bufferTouched = true;
    return taken;
}

void SerialControl::setInBufferCount(int count) {
    if (count == 0) {
        m_buffer.clear();
        m_bufferTouched = true;
    }
}

void SerialControl::setRThreshold(int bytes) {
    m_rThreshold = bytes;
    scheduleNotification();
}

void SerialControl::output(const QByteArray& data) {
    if (!portOpen()) {
        return;
    }
    m_transport->write(data);
    m_lineFreeAtNs = qMax(m_lineFreeAtNs, now()) + wireTimeNs(data.size());
}

qint64 SerialControl::now() const { return m_clock ? m_clock() : m_monotonic.nsecsElapsed(); }

qint64 SerialControl::wireTimeNs(qsizetype bytes) const {
    const int bits = 1 + m_lineSettings.dataBits + (m_lineSettings.parity == 'N' ? 0 : 1) +
                     m_lineSettings.stopBits;
    return qint64(bytes) * bits * 1'000'000'000 / m_lineSettings.baud;
}

qint64 SerialControl::lineFreeInNs() const {
    if (!portOpen()) {
        return 0;
    }
    const qint64 reckoned = m_lineFreeAtNs - now();
    const qint64 reported = m_transport->unsentBytes();
    return std::max({qint64(0), reckoned, reported > 0 ? wireTimeNs(reported) : 0});
}

void SerialControl::takeArrivals() {
    const QByteArray arrived = m_transport->readAll();
    // The board answers what it took (an acknowledgement, a read's count and data), and the
    // panel writes nothing while it waits for an answer: whatever was written before has
    // left. Without this a board faster than the wire would wait out the whole reckoned time
    // of a flash transfer. A debug byte taken alike at worst lets the next message reach the
    // driver before the line is free: whole, and the device's own count still wins.
    if (!arrived.isEmpty()) {
        m_lineFreeAtNs = qMin(m_lineFreeAtNs, now());
    }
    // Like a hardware buffer, a full one drops what does not fit.
    const qsizetype room = qMax<qsizetype>(0, m_inBufferSize - m_buffer.size());
    m_buffer.append(arrived.left(room));
    m_bufferTouched = true;
    scheduleNotification();
}

void SerialControl::scheduleNotification() {
    if (m_notificationQueued || m_inHandler || m_rThreshold <= 0 ||
        m_buffer.size() < m_rThreshold || !portOpen()) {
        return;
    }
    m_notificationQueued = true;
    QMetaObject::invokeMethod(this, &SerialControl::deliverNotification, Qt::QueuedConnection);
}

void SerialControl::deliverNotification() {
    m_notificationQueued = false;
    if (m_rThreshold <= 0 || m_buffer.size() < m_rThreshold || !portOpen()) {
        return;
    }
    m_commEvent = comEvReceive;
    m_inHandler = true;
    m_bufferTouched = false;
    const QPointer<SerialControl> alive(this);
    emit OnComm();
    if (!alive) {
        return;
    }
    m_inHandler = false;
    // A handler that took nothing and saw nothing arrive would be called again for ever.
    if (m_bufferTouched) {
        scheduleNotification();
    }
}
