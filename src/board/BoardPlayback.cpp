#include "BoardPlayback.h"

#include "Board.h"

BoardPlayback::BoardPlayback(Board& board, QObject* parent) : Operation(parent), m_board(board) {
}

void BoardPlayback::start() {
    begin();
    if (m_board.portOpen()) {
        m_board.link().BoardPlayStart();
    }
}

void BoardPlayback::stop() {
    finish(State::Done);
    if (m_board.portOpen()) {
        m_board.link().BoardPlayStop();
    }
}
