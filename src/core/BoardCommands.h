#pragma once

#include "StepRecord.h"

#include <QByteArray>
#include <QtGlobal>

// The board's command bytes and the one multi-byte message, ChannelBurst.
namespace board {

constexpr quint8 PcControlOff = 0;
constexpr quint8 PcControlOn = 1;
constexpr quint8 FlashProgram = 2;
constexpr quint8 BoardPlayStart = 3;
constexpr quint8 BoardPlayStop = 4;
constexpr quint8 FlashRead = 6;
constexpr quint8 FlashErase = 7;
constexpr quint8 BoardReset = 17;
constexpr quint8 Ack = 255;
constexpr int kBlockSize = 256; // image bytes between two acknowledgements

// Channels 0..7 are addressed by 8..15, channels 8..11 by 40..43.
constexpr quint8 ChannelSelect(int channel) {
    return static_cast<quint8>(channel < 8 ? channel + 8 : channel + 32);
}

// One bit a channel, channel 0 the lowest.
constexpr quint16 kAllChannels = (1u << kChannelCount) - 1;

// Twelve ChannelSelect/position pairs, channel 0 first: 24 bytes. Positions are held to 0..255.
QByteArray ChannelBurst(const StepRecord& step);
// The pairs of the channels set in `channels` only, in channel order.
QByteArray ChannelPairs(const StepRecord& step, quint16 channels);

} // namespace board
