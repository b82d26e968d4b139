#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace boardsim {

// Misbehaviour on request, so that the panel's failure handling can be tried against a board.
// Everything is off by default.
struct BoardFaults {
    // Byte answered in place of the 255 acknowledgement.
    std::optional<uint8_t> wrongAck;
    // Only the first acknowledgement that qualifies is wrong; later ones are 255 again.
    bool wrongAckOnce = false;
    // Acknowledgements of a programming are numbered from 0 (the one after the count); those
    // below this number stay right.
    int wrongAckFrom = 0;
    // The wrong byte is followed by the real 255, so the panel sees an error and then goes on.
    bool ackAfterWrong = false;

    // No acknowledgement once this many image bytes of a programming have arrived (0 silences
    // even the one after the count).
    std::optional<std::size_t> muteAfterImageBytes;

    // A flash read announces this count instead of the stored size...
    std::optional<uint16_t> readCount;
    // ...and sends this many image bytes after it (default: what it announced). Bytes beyond the
    // stored image read as erased flash, 255.
    std::optional<std::size_t> readSend;

    // Sent unsolicited, first after debugEvery and then every debugEvery; once when it is 0.
    std::vector<uint8_t> debugBytes;
    std::chrono::milliseconds debugEvery{0};

    // The line is dropped once this many bytes have been received.
    std::optional<uint64_t> hangUpAfterBytes;

    // Every acknowledgement leaves this much later.
    std::chrono::milliseconds ackDelay{0};
};

} // namespace boardsim
