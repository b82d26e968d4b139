#include "BoardLink.h"

#include "SerialControl.h"
#include "core/BoardCommands.h"
#include "core/Rounding.h"

BoardLink::BoardLink(Declaration& declaration, SerialControl& comm)
    : m_d(declaration), m_comm(comm) {}

bool BoardLink::portOpen() const { return m_comm.portOpen(); }

void BoardLink::send(quint8 byte) {
    m_d.OutByte[0] = byte;
    m_comm.output(QByteArray(reinterpret_cast<const char*>(m_d.OutByte.data()),
                             static_cast<qsizetype>(m_d.OutByte.size())));
}

BoardLink::Sent BoardLink::everyday(quint8 byte) {
    if (!portOpen()) {
        return Sent::PortClosed;
    }
    if (lineBusy()) {
        return Sent::LineBusy;
    }
    send(byte);
    return Sent::Yes;
}

BoardLink::Sent BoardLink::transferByte(quint8 byte) {
    if (!portOpen()) {
        return Sent::PortClosed;
    }
    send(byte);
    return Sent::Yes;
}

BoardLink::Sent BoardLink::PcControlOn() { return everyday(board::PcControlOn); }
BoardLink::Sent BoardLink::PcControlOff() { return everyday(board::PcControlOff); }
BoardLink::Sent BoardLink::BoardPlayStart() { return everyday(board::BoardPlayStart); }
BoardLink::Sent BoardLink::BoardPlayStop() { return everyday(board::BoardPlayStop); }
BoardLink::Sent BoardLink::FlashErase() { return everyday(board::FlashErase); }
BoardLink::Sent BoardLink::BoardReset() { return everyday(board::BoardReset); }

BoardLink::Sent BoardLink::ChannelPosition(int channel, double value) {
    const Sent sent = everyday(board::ChannelSelect(channel));
    if (sent == Sent::Yes) {
        send(static_cast<quint8>(qBound(0, rounding::toInt32(value), 255)));
    }
    return sent;
}

BoardLink::Sent BoardLink::ChannelBurst(const StepRecord& step) {
    if (!portOpen()) {
        return Sent::PortClosed;
    }
    if (lineBusy()) {
        return Sent::LineBusy;
    }
    m_comm.output(board::ChannelBurst(step));
    return Sent::Yes;
}

qint64 BoardLink::lineFreeInNs() const { return m_comm.lineFreeInNs(); }

qint64 BoardLink::burstDueInNs() const {
    return qMax<qint64>(0, lineFreeInNs() - m_comm.byteTimeNs() / 2);
}

qint64 BoardLink::burstWireTimeNs() const { return m_comm.wireTimeNs(2 * kChannelCount); }

void BoardLink::discardUnsent() { m_comm.discardUnsent(); }

BoardLink::Stop::Stop(BoardLink& link) : m_link(link) {
    if (m_link.m_stops++ == 0 && m_link.lineFreeInNs() > m_link.burstWireTimeNs()) {
        m_link.discardUnsent();
    }
}
