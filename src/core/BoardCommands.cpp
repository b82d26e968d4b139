#include "BoardCommands.h"

namespace board {

QByteArray ChannelBurst(const StepRecord& step) {
    QByteArray burst;
    burst.reserve(2 * kChannelCount);
    for (int c = 0; c < kChannelCount; ++c) {
        burst.append(static_cast<char>(ChannelSelect(c)));
        burst.append(static_cast<char>(static_cast<quint8>(step[c])));
    }
    return burst;
}

} // namespace board
