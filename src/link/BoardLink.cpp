#include "BoardLink.h"

#include "SerialControl.h"
#include "core/BoardCommands.h"
#include "core/Rounding.h"

namespace {
constexpr int kUnknown = -1;

int positionByte(double value) {
    return qBound(0, rounding::toInt32(value), 255);
}
} // namespace

BoardLink::BoardLink(SerialControl& comm) : m_comm(comm) {
    forgetPositions();
}

bool BoardLink::holds(int channel, double value) const {
    return m_sentPosition[size_t(channel)] == positionByte(value);
}

void BoardLink::forgetPositions() {
    m_sentPosition.fill(kUnknown);
}

bool BoardLink::portOpen() const { return m_comm.portOpen(); }

void BoardLink::send(quint8 byte) {
    m_comm.output(QByteArray(1, static_cast<char>(byte)));
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
BoardLink::Sent BoardLink::BoardPlayStart() {
    // The board moves the servos itself from here on.
    const Sent sent = everyday(board::BoardPlayStart);
    if (sent == Sent::Yes) {
        forgetPositions();
    }
    return sent;
}
BoardLink::Sent BoardLink::BoardPlayStop() { return everyday(board::BoardPlayStop); }
BoardLink::Sent BoardLink::FlashErase() { return everyday(board::FlashErase); }
BoardLink::Sent BoardLink::BoardReset() {
    const Sent sent = everyday(board::BoardReset);
    if (sent == Sent::Yes) {
        forgetPositions();
    }
    return sent;
}

BoardLink::Sent BoardLink::ChannelPosition(int channel, double value) {
    const Sent sent = everyday(board::ChannelSelect(channel));
    if (sent == Sent::Yes) {
        const int position = positionByte(value);
        send(static_cast<quint8>(position));
        m_sentPosition[size_t(channel)] = position;
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
    for (int c = 0; c < kChannelCount; ++c) {
        m_sentPosition[size_t(c)] = qBound(0, step[c], 255);
    }
    return Sent::Yes;
}

qint64 BoardLink::lineFreeInNs() const { return m_comm.lineFreeInNs(); }

qint64 BoardLink::burstDueInNs() const {
    return qMax<qint64>(0, lineFreeInNs() - m_comm.byteTimeNs() / 2);
}

qint64 BoardLink::burstWireTimeNs() const { return m_comm.wireTimeNs(2 * kChannelCount); }

void BoardLink::discardUnsent() {
    m_comm.discardUnsent();
    // Some of what was counted as sent never reaches the board.
    forgetPositions();
}

BoardLink::Stop::Stop(BoardLink& link) : m_link(link) {
    if (m_link.m_stops++ == 0 && m_link.lineFreeInNs() > m_link.burstWireTimeNs()) {
        m_link.discardUnsent();
    }
}
