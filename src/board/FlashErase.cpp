#include "FlashErase.h"

#include "Board.h"

FlashErase::FlashErase(Board& board, QObject* parent) : Operation(parent), m_board(board) {
}

void FlashErase::start() {
    if (!m_board.portOpen()) {
        refuse(QString());
        return;
    }
    begin();
    m_board.link().FlashErase();
    finish(State::Done);
}
