#include "BoardLink.h"

#include "SerialControl.h"
#include "core/BoardCommands.h"
#include "core/Rounding.h"

#include <QObject>

namespace {
constexpr int kUnknown = -1;
constexpr qint64 kNsPerMs = 1'000'000;

int positionByte(double value) {
    return qBound(0, rounding::toInt32(value), 255);
}

QByteArray oneByte(quint8 byte) {
    return QByteArray(1, static_cast<char>(byte));
}
} // namespace

BoardLink::Message BoardLink::command(quint8 byte) {
    return {Message::Kind::Bytes, oneByte(byte)};
}

BoardLink::BoardLink(SerialControl& comm) : m_comm(comm) {
    forgetPositions();
    m_handOver.setSingleShot(true);
    m_handOver.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_handOver, &QTimer::timeout, [this] { handOverDue(); });
    // Nothing queued for a port that closed may reach the next one opened.
    QObject::connect(&m_comm, &SerialControl::closed, &m_handOver, [this] { dropQueue(false); });
}

BoardLink::~BoardLink() {
    handOverAll();
}

void BoardLink::handOverAll() {
    while (!m_queue.empty() && portOpen()) {
        const Message message = std::move(m_queue.front());
        m_queue.pop_front();
        m_queuedBytes -= message.bytes.size();
        write(message);
    }
    m_handOver.stop();
}

bool BoardLink::holds(int channel, double value) const {
    return m_sentPosition[size_t(channel)] == positionByte(value);
}

void BoardLink::forgetPositions() {
    m_sentPosition.fill(kUnknown);
}

bool BoardLink::portOpen() const { return m_comm.portOpen(); }

BoardLink::Sent BoardLink::everyday(Message message) {
    if (!portOpen()) {
        return Sent::PortClosed;
    }
    if (lineBusy()) {
        return Sent::LineBusy;
    }
    enqueue(std::move(message));
    return Sent::Yes;
}

BoardLink::Sent BoardLink::transferByte(quint8 byte) {
    if (!portOpen()) {
        return Sent::PortClosed;
    }
    enqueue({Message::Kind::Transfer, oneByte(byte)});
    return Sent::Yes;
}

BoardLink::Sent BoardLink::PcControlOn() { return everyday(command(board::PcControlOn)); }
BoardLink::Sent BoardLink::PcControlOff() { return everyday(command(board::PcControlOff)); }
BoardLink::Sent BoardLink::BoardPlayStart() {
    // The board moves the servos itself from here on.
    const Sent sent = everyday(command(board::BoardPlayStart));
    if (sent == Sent::Yes) {
        forgetPositions();
    }
    return sent;
}
BoardLink::Sent BoardLink::BoardPlayStop() { return everyday(command(board::BoardPlayStop)); }
BoardLink::Sent BoardLink::FlashErase() { return everyday(command(board::FlashErase)); }
BoardLink::Sent BoardLink::BoardReset() {
    const Sent sent = everyday(command(board::BoardReset));
    if (sent == Sent::Yes) {
        forgetPositions();
    }
    return sent;
}

BoardLink::Sent BoardLink::ChannelPosition(int channel, double value) {
    const int position = positionByte(value);
    QByteArray pair = oneByte(board::ChannelSelect(channel));
    pair += static_cast<char>(position);
    const Sent sent = everyday({Message::Kind::Bytes, pair, quint16(1u << channel)});
    if (sent == Sent::Yes) {
        m_sentPosition[size_t(channel)] = position;
    }
    return sent;
}

BoardLink::Sent BoardLink::ChannelBurst(const StepRecord& step) {
    return ChannelPairs(step, board::kAllChannels);
}

BoardLink::Sent BoardLink::ChannelPairs(const StepRecord& step, quint16 channels) {
    channels &= board::kAllChannels;
    if (channels == 0) {
        return portOpen() ? (lineBusy() ? Sent::LineBusy : Sent::Yes) : Sent::PortClosed;
    }
    const Sent sent =
        everyday({Message::Kind::Burst, board::ChannelPairs(step, channels), channels});
    if (sent == Sent::Yes) {
        for (int c = 0; c < kChannelCount; ++c) {
            if (channels & (1u << c)) {
                m_sentPosition[size_t(c)] = qBound(0, step[c], 255);
            }
        }
    }
    return sent;
}

void BoardLink::enqueue(Message message) {
    m_queuedBytes += message.bytes.size();
    m_queue.push_back(std::move(message));
    handOverDue();
}

void BoardLink::handOverDue() {
    while (!m_queue.empty()) {
        if (!portOpen()) {
            dropQueue(false);
            return;
        }
        // The next message goes once nothing is left but the second half of the last byte,
        // so the line does not stand idle for the timer's lateness. A flash exchange's byte
        // does not wait: nothing else is sent while a transfer runs and a transfer is never
        // cut, and the board paces it by acknowledging every block, so the driver holds at
        // most a block. Pacing it here would make a board that takes bytes faster than the
        // wire wait the whole reckoned time.
        if (m_queue.front().kind != Message::Kind::Transfer) {
            const qint64 waitNs = m_comm.lineFreeInNs() - m_comm.byteTimeNs() / 2;
            if (waitNs > 0) {
                m_handOver.start(int((waitNs + kNsPerMs - 1) / kNsPerMs));
                return;
            }
        }
        const Message message = std::move(m_queue.front());
        m_queue.pop_front();
        m_queuedBytes -= message.bytes.size();
        write(message);
    }
    m_handOver.stop();
}

void BoardLink::write(const Message& message) {
    if (message.kind == Message::Kind::Burst) {
        m_comm.output(message.bytes);
        return;
    }
    for (const char byte : message.bytes) {
        m_comm.output(QByteArray(1, byte));
    }
}

void BoardLink::dropQueue(bool keepTransfer) {
    std::deque<Message> kept;
    for (Message& message : m_queue) {
        if (keepTransfer && message.kind == Message::Kind::Transfer) {
            kept.push_back(std::move(message));
            continue;
        }
        m_queuedBytes -= message.bytes.size();
        for (int c = 0; c < kChannelCount; ++c) {
            if (message.channels & (1u << c)) {
                m_sentPosition[size_t(c)] = kUnknown;
            }
        }
    }
    m_queue = std::move(kept);
    if (m_queue.empty()) {
        m_handOver.stop();
    }
}

qint64 BoardLink::lineFreeInNs() const {
    return m_comm.lineFreeInNs() + (m_queue.empty() ? 0 : m_comm.wireTimeNs(m_queuedBytes));
}

qint64 BoardLink::burstDueInNs() const {
    return qMax<qint64>(0, lineFreeInNs() - m_comm.byteTimeNs() / 2);
}

qint64 BoardLink::burstWireTimeNs() const { return wireTimeNs(2 * kChannelCount); }

qint64 BoardLink::wireTimeNs(qsizetype bytes) const { return m_comm.wireTimeNs(bytes); }

void BoardLink::discardUnsent() {
    dropQueue(true);
    // Transfer bytes behind what was dropped may go on at once.
    handOverDue();
}

BoardLink::Stop::Stop(BoardLink& link) : m_link(link) {
    if (m_link.m_stops++ == 0) {
        m_link.discardUnsent();
    }
}
