#pragma once

#include "core/BoardCommands.h"
#include "core/StepRecord.h"
#include "core/setup/ChannelSetup.h"
#include "link/BoardLink.h"

#include <QtGlobal>

#include <array>
#include <bitset>
#include <optional>

class Board;

// The one way a position reaches the board: slider moves, a step shown, playback's bursts and
// the flash image all pass here, and each goes out at its channel's limit when it lies beyond
// it. While a transfer holds the line a move is held back, and the latest one of each channel
// goes out when the transfer ends normally; after any other end nothing goes out and those
// channels count as not held by the board.
class ChannelMoves {
public:
    explicit ChannelMoves(Board& board);

    // The limits every position is held to from now on; the defaults limit nothing. Nothing is
    // sent: a servo beyond a new limit stays there until its channel is sent again.
    void setChannelSetup(const ChannelSetup& setup) { m_setup = setup; }
    const ChannelSetup& channelSetup() const { return m_setup; }

    enum class Outcome { Sent, HeldBack, NotSent };
    // A channel's new position, from the user or from code. Asks the interlock, which says on
    // the status bar why a move waits.
    Outcome move(int channel, double value);
    // True when the board is known to hold this position, as it goes out, on the channel.
    bool holds(int channel, double value) const;
    // Moves every channel the board is not known to hold to its position, as showing a step
    // does: playback or a reset may have left a servo elsewhere than its slider.
    void sendUnheld(const std::array<double, kChannelCount>& positions);
    // The channels of the step (a bit each) the board is not known to hold.
    quint16 unheldChannels(const StepRecord& step) const;
    // The step's pairs of these channels as one message, as PC playback sends a step: all
    // twelve make the 24-byte burst. No channel sends nothing.
    BoardLink::Sent burst(const StepRecord& step, quint16 channels = board::kAllChannels);

    // The byte a position goes out as.
    quint8 positionByte(int channel, double value) const;
    // The step with its positions as they go out; duration and breakpoint as they are.
    StepRecord gated(const StepRecord& step) const;
    // A step as the board's flash stores it.
    FlashStep imageStep(const StepRecord& step) const;

    void transferEnded(bool normally);

private:
    BoardLink::Sent send(int channel, double value);

    Board& m_board;
    ChannelSetup m_setup;
    std::array<std::optional<double>, kChannelCount> m_held;
    std::bitset<kChannelCount> m_unknown;
};
