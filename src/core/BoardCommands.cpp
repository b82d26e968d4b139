#include "BoardCommands.h"

namespace board {

QByteArray ChannelBurst(const StepRecord& step) {
    QByteArray burst;
    burst.reserve(2 * kChannelCount);
    for (int c = 0; c < kChannelCount; ++c) {
        burst.append(static_cast<char>(ChannelSelect(c)));
        // A file may hold any integer; cut to 8 bits, 300 would go out as 44, the other end.
        burst.append(static_cast<char>(static_cast<quint8>(qBound(0, step[c], 255))));
    }
    return burst;
}

} // namespace board
