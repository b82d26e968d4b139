#include "Board.h"

#include "BoardPlayback.h"
#include "ChannelMoves.h"
#include "PcPlayback.h"
#include "Transfer.h"

#include "link/SerialControl.h"

Board::Board(SerialControl& serial, SequenceEditor& sequence, QObject* parent)
    : QObject(parent), m_serial(serial), m_link(serial),
      m_moves(std::make_unique<ChannelMoves>(*this)),
      m_pcPlayback(std::make_unique<PcPlayback>(*this, sequence)),
      m_boardPlayback(std::make_unique<BoardPlayback>(*this)) {
    connect(&serial, &SerialControl::OnComm, this, &Board::received);
    // Queued, so that whoever else hears of the loss still finds the transfer running and
    // leaves the telling to it.
    connect(&serial, &SerialControl::portLost, this, &Board::portLost, Qt::QueuedConnection);
    m_unanswered.setSingleShot(true);
    m_unanswered.setInterval(kUnansweredMs);
    connect(&m_unanswered, &QTimer::timeout, this, &Board::transferUnanswered);
}

Board::~Board() = default;

interlock::Activities Board::activities() const {
    interlock::Activities now = m_pcPlayback->activities();
    if (m_boardPlayback->isRunning()) {
        now |= interlock::BoardPlayback;
    }
    if (m_transfer) {
        now |= m_transfer->activity();
    }
    if (m_frontEnd) {
        now |= m_frontEnd();
    }
    return now;
}

interlock::Decision Board::decide(interlock::Command command) {
    const interlock::Decision decision = interlock::decide(activities(), command);
    if (!decision.runs()) {
        emit refused(decision.reason);
    }
    return decision;
}

void Board::shutDown() {
    m_closing = true;
    if (m_transfer) {
        m_transfer->close();
    }
}

void Board::beginTransfer(Transfer& transfer) {
    m_transfer = &transfer;
    m_link.setTransferActive(true);
    m_unanswered.start();
}

void Board::endTransfer(Transfer& transfer, bool normally) {
    if (m_transfer != &transfer) {
        return;
    }
    m_transfer = nullptr;
    m_unanswered.stop();
    m_link.setTransferActive(false);
    m_moves->transferEnded(normally && !m_closing);
}

void Board::received() {
    if (m_serial.commEvent() != SerialControl::comEvReceive) {
        return;
    }
    if (m_transfer) {
        m_unanswered.stop();
        m_transfer->received();
        return;
    }
    const QByteArray byte = m_serial.input();
    if (!byte.isEmpty()) {
        emit echo(QString::number(static_cast<quint8>(byte.at(0))));
    }
}

void Board::portLost() {
    if (m_transfer) {
        m_transfer->lineLost();
    }
}
