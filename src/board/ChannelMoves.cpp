#include "ChannelMoves.h"

#include "Board.h"

#include "core/Rounding.h"
#include "core/flash/FlashImage.h"

ChannelMoves::ChannelMoves(Board& board) : m_board(board) {
}

ChannelMoves::Outcome ChannelMoves::move(int channel, double value) {
    switch (m_board.decide(interlock::Command::MoveSlider).outcome) {
    case interlock::Outcome::Runs:
        return send(channel, value) == BoardLink::Sent::Yes ? Outcome::Sent : Outcome::NotSent;
    case interlock::Outcome::Deferred:
        m_held[size_t(channel)] = value;
        return Outcome::HeldBack;
    case interlock::Outcome::Refused:
        break;
    }
    return Outcome::NotSent;
}

bool ChannelMoves::holds(int channel, double value) const {
    return !m_unknown.test(size_t(channel)) &&
           m_board.link().holds(channel, positionByte(channel, value));
}

void ChannelMoves::sendUnheld(const std::array<double, kChannelCount>& positions) {
    if (!m_board.portOpen()) {
        return;
    }
    for (int c = 0; c < kChannelCount; ++c) {
        if (!holds(c, positions[size_t(c)])) {
            move(c, positions[size_t(c)]);
        }
    }
}

quint16 ChannelMoves::unheldChannels(const StepRecord& step) const {
    quint16 channels = 0;
    for (int c = 0; c < kChannelCount; ++c) {
        if (!holds(c, step[c])) {
            channels |= quint16(1u << c);
        }
    }
    return channels;
}

BoardLink::Sent ChannelMoves::burst(const StepRecord& step, quint16 channels) {
    const BoardLink::Sent sent = m_board.link().ChannelPairs(gated(step), channels);
    if (sent == BoardLink::Sent::Yes) {
        m_unknown &= ~std::bitset<kChannelCount>(channels);
    }
    return sent;
}

quint8 ChannelMoves::positionByte(int channel, double value) const {
    return m_setup.limit(channel, rounding::toInt32(value));
}

StepRecord ChannelMoves::gated(const StepRecord& step) const {
    StepRecord out = step;
    for (int c = 0; c < kChannelCount; ++c) {
        out[c] = positionByte(c, step[c]);
    }
    return out;
}

FlashStep ChannelMoves::imageStep(const StepRecord& step) const {
    return flashimage::packStep(gated(step));
}

void ChannelMoves::transferEnded(bool normally) {
    for (int c = 0; c < kChannelCount; ++c) {
        std::optional<double>& held = m_held[size_t(c)];
        if (!held) {
            continue;
        }
        if (normally) {
            send(c, *held);
        } else {
            m_unknown.set(size_t(c));
        }
        held.reset();
    }
}

BoardLink::Sent ChannelMoves::send(int channel, double value) {
    const BoardLink::Sent sent =
        m_board.link().ChannelPosition(channel, positionByte(channel, value));
    if (sent == BoardLink::Sent::Yes) {
        m_unknown.reset(size_t(channel));
    }
    return sent;
}
