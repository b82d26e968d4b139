#pragma once

#include "core/StepRecord.h"
#include "link/BoardLink.h"

#include <QtGlobal>

#include <array>
#include <bitset>
#include <optional>

class Board;

// The one way a position reaches the board: slider moves, a step shown, playback's bursts and
// the flash image all pass here. While a transfer holds the line a move is held back, and the
// latest one of each channel goes out when the transfer ends normally; after any other end
// nothing goes out and those channels count as not held by the board.
class ChannelMoves {
public:
    explicit ChannelMoves(Board& board);

    enum class Outcome { Sent, HeldBack, NotSent };
    // A channel's new position, from the user or from code. Asks the interlock, which says on
    // the status bar why a move waits.
    Outcome move(int channel, double value);
    // True when the board is known to hold this position on the channel.
    bool holds(int channel, double value) const;
    // Moves every channel the board is not known to hold to its position, as showing a step
    // does: playback or a reset may have left a servo elsewhere than its slider.
    void sendUnheld(const std::array<double, kChannelCount>& positions);
    // Every channel of the step at once, as PC playback sends it.
    BoardLink::Sent burst(const StepRecord& step);

    // The byte a position goes out as.
    quint8 positionByte(int channel, double value) const;
    // A step as the board's flash stores it.
    FlashStep imageStep(const StepRecord& step) const;

    void transferEnded(bool normally);

private:
    BoardLink::Sent send(int channel, double value);

    Board& m_board;
    std::array<std::optional<double>, kChannelCount> m_held;
    std::bitset<kChannelCount> m_unknown;
};
