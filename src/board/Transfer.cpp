#include "Transfer.h"

#include "Board.h"

Transfer::Transfer(Board& board, QObject* parent) : Operation(parent), m_board(board) {
}

Transfer::~Transfer() {
    if (m_board.transfer() == this) {
        m_board.endTransfer(*this, false);
    }
}

void Transfer::takeLine() {
    m_board.beginTransfer(*this);
}

bool Transfer::sendByte(quint8 byte) {
    BoardLink& link = m_board.link();
    if (link.transferByte(byte) != BoardLink::Sent::Yes || !link.portOpen()) {
        if (isRunning()) {
            lineLost();
        }
        return false;
    }
    return isRunning();
}

void Transfer::end(State state, const QString& message) {
    if (!isRunning()) {
        return;
    }
    if (m_board.transfer() == this) {
        m_board.endTransfer(*this, state == State::Done);
    }
    finish(state, message);
}

void Transfer::close() {
    end(State::Aborted);
}
