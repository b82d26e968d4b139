#pragma once

#include "Operation.h"

class Board;

// The board playing its flash by itself ("Real Emu"): 3 starts it, 4 stops it, and nothing
// comes back. A run lasts while the board plays.
class BoardPlayback : public Operation {
    Q_OBJECT
public:
    explicit BoardPlayback(Board& board, QObject* parent = nullptr);

    // Each sends its byte while the port is open.
    void start();
    void stop();

private:
    void onAbort() override { stop(); }

    Board& m_board;
};
