#include "BoardCommands.h"

namespace board {

QByteArray ChannelBurst(const StepRecord& step) {
    return ChannelPairs(step, kAllChannels);
}

QByteArray ChannelPairs(const StepRecord& step, quint16 channels) {
    QByteArray pairs;
    pairs.reserve(2 * kChannelCount);
    for (int c = 0; c < kChannelCount; ++c) {
        if (!(channels & (1u << c))) {
            continue;
        }
        pairs.append(static_cast<char>(ChannelSelect(c)));
        // A file may hold any integer; cut to 8 bits, 300 would go out as 44, the other end.
        pairs.append(static_cast<char>(static_cast<quint8>(qBound(0, step[c], 255))));
    }
    return pairs;
}

} // namespace board
