#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace boardsim {

enum class EventKind {
    PcControl,             // a: 1 on, 0 off
    Channel,               // a: channel 0..11, b: position
    Reset,                 //
    FlashProgramBegin,     // a: announced byte count
    FlashProgramComplete,  // a: bytes received, b: bytes stored
    FlashProgramAbandoned, // a: bytes received, b: announced byte count
    FlashRead,             // a: announced count, b: image bytes sent
    FlashErase,            //
    FlashLoaded,           // a: bytes loaded from the flash file
    FlashFileError,        // detail: what went wrong
    PlayStart,             // a: steps in the flash
    PlayStep,              // a: step number
    PlayStop,              //
    PlayEnd,               // nothing (more) to play
    Unknown,               // a: the byte
    WrongAck,              // a: the byte sent instead of 255
    AckWithheld,           // a: image bytes received when it was due
    DebugSent,             // a: number of unsolicited bytes
    HangUp,                // a: bytes received
};

// One thing the board saw or did, stamped with the board's clock.
struct BoardEvent {
    std::chrono::microseconds time{0};
    EventKind kind = EventKind::Unknown;
    int64_t a = 0;
    int64_t b = 0;
    std::string detail;

    // "channel 3 200", "flash-program complete 14", ... without the time.
    std::string text() const;
    // The time in seconds with six decimals, a blank, then text().
    std::string line() const;
};

// "12.000345": the form every log line starts with.
std::string formatTime(std::chrono::microseconds time);

} // namespace boardsim
