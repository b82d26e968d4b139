#pragma once

#include "Operation.h"

class Board;

// Erases the board's flash: one byte, and no reply is awaited.
class FlashErase : public Operation {
    Q_OBJECT
public:
    explicit FlashErase(Board& board, QObject* parent = nullptr);

    // With the port closed nothing is sent and nothing said.
    void start();

private:
    void onAbort() override {}

    Board& m_board;
};
