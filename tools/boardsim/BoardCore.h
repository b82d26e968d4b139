#pragma once

#include "BoardEvent.h"
#include "BoardFaults.h"
#include "FlashFile.h"

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace boardsim {

constexpr int kChannels = 12;
constexpr uint8_t kCentre = 128;
constexpr std::size_t kFlashCapacity = 14336;
constexpr std::size_t kStepBytes = 14;
constexpr std::size_t kAckBlock = 256;
constexpr std::chrono::milliseconds kDurationUnit{20};

constexpr uint8_t kPcControlOff = 0;
constexpr uint8_t kPcControlOn = 1;
constexpr uint8_t kFlashProgram = 2;
constexpr uint8_t kBoardPlayStart = 3;
constexpr uint8_t kBoardPlayStop = 4;
constexpr uint8_t kFlashRead = 6;
constexpr uint8_t kFlashErase = 7;
constexpr uint8_t kBoardReset = 17;
constexpr uint8_t kAck = 255;

// The command byte of channel 0..11, and back (-1 for a byte that selects no channel).
constexpr uint8_t channelSelectByte(int channel) {
    return static_cast<uint8_t>(channel < 8 ? channel + 8 : channel + 32);
}
constexpr int channelOfByte(uint8_t byte) {
    if (byte >= 8 && byte <= 15) {
        return byte - 8;
    }
    if (byte >= 40 && byte <= 43) {
        return byte - 32;
    }
    return -1;
}

struct BoardConfig {
    // Where the flash survives between runs; empty keeps it in memory only.
    std::string flashFile;
    // A programming that hears nothing for this long is given up, so that a panel that aborted
    // does not leave the board eating its next commands as image bytes. 0 waits for ever.
    std::chrono::milliseconds transferTimeout{1000};
    BoardFaults faults;
};

// The servo board as a state machine: bytes in, bytes out, events logged. It has no clock of its
// own; time moves only when advance() is called, so tests decide what "later" means.
class BoardCore {
public:
    using Bytes = std::vector<uint8_t>;
    using EventSink = std::function<void(const BoardEvent&)>;

    enum class Phase {
        Command,          // waiting for a command byte
        Position,         // a ChannelSelect came, its position byte is next
        ProgramCountHigh, // FlashProgram came, the count follows
        ProgramCountLow,
        ProgramImage, // taking the image
    };

    explicit BoardCore(BoardConfig config = {});

    // Bytes from the PC at the current time; returns what the board answers at once. Answers
    // that are due later (a delayed acknowledgement) come out of advance().
    Bytes receive(const uint8_t* data, std::size_t n);
    Bytes receive(const Bytes& data) { return receive(data.data(), data.size()); }

    // Moves the clock on and returns whatever the board sends meanwhile: delayed answers and
    // unsolicited bytes. Playback steps and time-outs happen here too.
    Bytes advance(std::chrono::microseconds step);
    Bytes advanceTo(std::chrono::microseconds time);
    std::chrono::microseconds now() const { return m_now; }
    // When the next timed thing happens (for a caller's poll timeout); none when nothing waits.
    std::optional<std::chrono::microseconds> nextDue() const;

    const std::array<uint8_t, kChannels>& positions() const { return m_positions; }
    uint8_t position(int channel) const { return m_positions.at(static_cast<std::size_t>(channel)); }
    bool pcControl() const { return m_pcControl; }
    bool playing() const { return m_playing; }
    int playStep() const { return m_playStep; }
    Phase phase() const { return m_phase; }
    // True once the hang-up fault fired; from then on nothing is taken or sent.
    bool hungUp() const { return m_hungUp; }

    // The stored image: as many bytes as the last programming wrote, at most kFlashCapacity.
    const Bytes& flash() const { return m_flash; }
    // Puts an image into the flash as if programmed (cut to the capacity); not saved to the file.
    // Stops a playback in progress.
    void setFlash(Bytes image);

    uint64_t bytesReceived() const { return m_bytesReceived; }
    uint64_t unknownCount() const { return m_unknownCount; }

    // Without a sink, events are kept and can be read here; installing a sink hands it the kept
    // ones and then every new one as it happens.
    const std::vector<BoardEvent>& events() const { return m_events; }
    void clearEvents() { m_events.clear(); }
    void setEventSink(EventSink sink);

    const BoardFaults& faults() const { return m_faults; }
    // Takes effect from now on; a spent one-time fault is armed again.
    void setFaults(const BoardFaults& faults);

private:
    struct Pending {
        std::chrono::microseconds due;
        Bytes bytes;
    };

    void take(uint8_t byte);
    void command(uint8_t byte);
    void beginProgram();
    void takeImageByte(uint8_t byte);
    void finishProgram();
    void abandonProgram();
    void acknowledge(std::size_t imageBytes, int index);
    void serveRead();
    void erase();
    void reset();
    void startPlay();
    void stopPlay();
    void showStep(std::size_t step);
    std::chrono::microseconds stepDuration(std::size_t step) const;
    void persist();

    void send(Bytes bytes, std::chrono::microseconds due);
    void log(EventKind kind, int64_t a = 0, int64_t b = 0, std::string detail = {});

    std::optional<std::chrono::microseconds> transferDeadline() const;

    BoardConfig m_config;
    BoardFaults m_faults;
    std::unique_ptr<FlashFile> m_flashFile;

    std::chrono::microseconds m_now{0};
    std::array<uint8_t, kChannels> m_positions{};
    bool m_pcControl = false;
    Phase m_phase = Phase::Command;
    int m_channel = 0;

    Bytes m_flash;
    std::size_t m_programCount = 0;
    std::size_t m_programReceived = 0;
    std::chrono::microseconds m_lastTransferActivity{0};
    bool m_wrongAckSpent = false;

    bool m_playing = false;
    int m_playStep = -1;
    std::chrono::microseconds m_nextPlayStep{0};

    std::optional<std::chrono::microseconds> m_nextDebug;

    bool m_hungUp = false;
    uint64_t m_bytesReceived = 0;
    uint64_t m_unknownCount = 0;

    Bytes m_out; // what the call in progress returns
    std::deque<Pending> m_pending;

    std::vector<BoardEvent> m_events;
    EventSink m_sink;
};

} // namespace boardsim
