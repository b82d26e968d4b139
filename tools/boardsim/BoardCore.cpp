#include "BoardCore.h"

#include <algorithm>

namespace boardsim {

using std::chrono::microseconds;

BoardCore::BoardCore(BoardConfig config) : m_config(std::move(config)) {
    m_positions.fill(kCentre);
    if (!m_config.flashFile.empty()) {
        m_flashFile = std::make_unique<FlashFile>(m_config.flashFile);
        FlashFile::Loaded loaded = m_flashFile->load(kFlashCapacity);
        if (!loaded.error.empty()) {
            log(EventKind::FlashFileError, 0, 0, loaded.error);
        }
        m_flash = std::move(loaded.bytes);
        if (loaded.found) {
            log(EventKind::FlashLoaded, static_cast<int64_t>(m_flash.size()));
        }
    }
    setFaults(m_config.faults);
}

BoardCore::Bytes BoardCore::receive(const uint8_t* data, std::size_t n) {
    m_out.clear();
    const std::optional<uint64_t> limit = m_faults.hangUpAfterBytes;
    for (std::size_t i = 0; i < n && !m_hungUp; ++i) {
        if (limit && m_bytesReceived >= *limit) {
            break;
        }
        take(data[i]);
        ++m_bytesReceived;
    }
    if (!m_hungUp && limit && n > 0 && m_bytesReceived >= *limit) {
        m_hungUp = true;
        m_pending.clear();
        log(EventKind::HangUp, static_cast<int64_t>(m_bytesReceived));
    }
    return std::move(m_out);
}

BoardCore::Bytes BoardCore::advance(microseconds step) {
    return advanceTo(m_now + std::max(step, microseconds{0}));
}

BoardCore::Bytes BoardCore::advanceTo(microseconds time) {
    m_out.clear();
    time = std::max(time, m_now);
    while (!m_hungUp) {
        const std::optional<microseconds> due = nextDue();
        if (!due || *due > time) {
            break;
        }
        m_now = std::max(m_now, *due);
        if (!m_pending.empty() && m_pending.front().due <= m_now) {
            const Bytes& bytes = m_pending.front().bytes;
            m_out.insert(m_out.end(), bytes.begin(), bytes.end());
            m_pending.pop_front();
        } else if (const auto deadline = transferDeadline(); deadline && *deadline <= m_now) {
            abandonProgram();
        } else if (m_playing && m_nextPlayStep <= m_now) {
            const std::size_t steps = m_flash.size() / kStepBytes;
            if (steps == 0) {
                m_playing = false;
                log(EventKind::PlayEnd);
            } else {
                const std::size_t next = static_cast<std::size_t>(m_playStep + 1);
                showStep(next < steps ? next : 0);
                m_nextPlayStep = m_now + stepDuration(static_cast<std::size_t>(m_playStep));
            }
        } else if (m_nextDebug && *m_nextDebug <= m_now) {
            send(m_faults.debugBytes, m_now);
            log(EventKind::DebugSent, static_cast<int64_t>(m_faults.debugBytes.size()));
            if (m_faults.debugEvery.count() > 0) {
                m_nextDebug = m_now + m_faults.debugEvery;
            } else {
                m_nextDebug.reset();
            }
        }
    }
    m_now = time;
    return std::move(m_out);
}

std::optional<microseconds> BoardCore::nextDue() const {
    std::optional<microseconds> due;
    const auto consider = [&due](microseconds t) { due = due ? std::min(*due, t) : t; };
    if (m_hungUp) {
        return due;
    }
    if (!m_pending.empty()) {
        consider(m_pending.front().due);
    }
    if (const auto deadline = transferDeadline()) {
        consider(*deadline);
    }
    if (m_playing) {
        consider(m_nextPlayStep);
    }
    if (m_nextDebug) {
        consider(*m_nextDebug);
    }
    return due;
}

void BoardCore::setFlash(Bytes image) {
    if (image.size() > kFlashCapacity) {
        image.resize(kFlashCapacity);
    }
    if (m_playing) {
        stopPlay();
    }
    m_flash = std::move(image);
}

void BoardCore::setEventSink(EventSink sink) {
    m_sink = std::move(sink);
    if (m_sink) {
        for (const BoardEvent& event : m_events) {
            m_sink(event);
        }
        m_events.clear();
    }
}

void BoardCore::setFaults(const BoardFaults& faults) {
    m_faults = faults;
    m_wrongAckSpent = false;
    if (m_faults.debugBytes.empty()) {
        m_nextDebug.reset();
    } else {
        m_nextDebug = m_now + m_faults.debugEvery;
    }
}

void BoardCore::take(uint8_t byte) {
    switch (m_phase) {
    case Phase::Command:
        command(byte);
        break;
    case Phase::Position:
        m_positions[static_cast<std::size_t>(m_channel)] = byte;
        m_phase = Phase::Command;
        log(EventKind::Channel, m_channel, byte);
        break;
    case Phase::ProgramCountHigh:
        m_lastTransferActivity = std::max(m_lastTransferActivity, m_now);
        m_programCount = static_cast<std::size_t>(byte) << 8;
        m_phase = Phase::ProgramCountLow;
        break;
    case Phase::ProgramCountLow:
        m_lastTransferActivity = std::max(m_lastTransferActivity, m_now);
        m_programCount |= byte;
        beginProgram();
        break;
    case Phase::ProgramImage:
        m_lastTransferActivity = std::max(m_lastTransferActivity, m_now);
        takeImageByte(byte);
        break;
    }
}

void BoardCore::command(uint8_t byte) {
    if (const int channel = channelOfByte(byte); channel >= 0) {
        m_channel = channel;
        m_phase = Phase::Position;
        return;
    }
    switch (byte) {
    case kPcControlOff:
    case kPcControlOn:
        m_pcControl = byte == kPcControlOn;
        log(EventKind::PcControl, m_pcControl ? 1 : 0);
        break;
    case kFlashProgram:
        m_phase = Phase::ProgramCountHigh;
        m_lastTransferActivity = m_now;
        break;
    case kBoardPlayStart:
        startPlay();
        break;
    case kBoardPlayStop:
        stopPlay();
        break;
    case kFlashRead:
        serveRead();
        break;
    case kFlashErase:
        erase();
        break;
    case kBoardReset:
        reset();
        break;
    default:
        ++m_unknownCount;
        log(EventKind::Unknown, byte);
        break;
    }
}

void BoardCore::beginProgram() {
    log(EventKind::FlashProgramBegin, static_cast<int64_t>(m_programCount));
    // Playing an image while it is rewritten would move the servos through half-written steps.
    if (m_playing) {
        stopPlay();
    }
    m_flash.clear();
    m_programReceived = 0;
    m_phase = Phase::ProgramImage;
    acknowledge(0, 0);
    if (m_programCount == 0) {
        finishProgram();
    }
}

void BoardCore::takeImageByte(uint8_t byte) {
    // Bytes beyond the capacity are taken and dropped, so the exchange stays in step.
    if (m_flash.size() < kFlashCapacity) {
        m_flash.push_back(byte);
    }
    ++m_programReceived;
    if (m_programReceived % kAckBlock == 0) {
        acknowledge(m_programReceived, static_cast<int>(m_programReceived / kAckBlock));
    }
    if (m_programReceived == m_programCount) {
        finishProgram();
    }
}

void BoardCore::finishProgram() {
    m_phase = Phase::Command;
    log(EventKind::FlashProgramComplete, static_cast<int64_t>(m_programReceived),
        static_cast<int64_t>(m_flash.size()));
    persist();
}

void BoardCore::abandonProgram() {
    const bool imageTouched = m_phase == Phase::ProgramImage;
    m_phase = Phase::Command;
    log(EventKind::FlashProgramAbandoned, static_cast<int64_t>(m_programReceived),
        imageTouched ? static_cast<int64_t>(m_programCount) : 0);
    if (imageTouched) {
        persist();
    }
    m_programCount = 0;
    m_programReceived = 0;
}

void BoardCore::acknowledge(std::size_t imageBytes, int index) {
    if (m_faults.muteAfterImageBytes && imageBytes >= *m_faults.muteAfterImageBytes) {
        log(EventKind::AckWithheld, static_cast<int64_t>(imageBytes));
        return;
    }
    Bytes reply;
    const bool wrong = m_faults.wrongAck && index >= m_faults.wrongAckFrom &&
                       !(m_faults.wrongAckOnce && m_wrongAckSpent);
    if (wrong) {
        reply.push_back(*m_faults.wrongAck);
        log(EventKind::WrongAck, *m_faults.wrongAck);
        m_wrongAckSpent = true;
        if (m_faults.ackAfterWrong) {
            reply.push_back(kAck);
        }
    } else {
        reply.push_back(kAck);
    }
    const microseconds due = m_now + m_faults.ackDelay;
    send(std::move(reply), due);
    // The PC cannot go on before it has the answer, so the silence is counted from then.
    m_lastTransferActivity = std::max(m_lastTransferActivity, due);
}

void BoardCore::serveRead() {
    const std::size_t announced = m_faults.readCount ? *m_faults.readCount : m_flash.size();
    const std::size_t sent = m_faults.readSend   ? *m_faults.readSend
                             : m_faults.readCount ? announced
                                                  : m_flash.size();
    Bytes reply;
    reply.reserve(sent + 2);
    reply.push_back(static_cast<uint8_t>(announced >> 8));
    reply.push_back(static_cast<uint8_t>(announced & 0xff));
    const std::size_t stored = std::min(sent, m_flash.size());
    reply.insert(reply.end(), m_flash.begin(), m_flash.begin() + static_cast<std::ptrdiff_t>(stored));
    reply.resize(sent + 2, 0xff); // erased flash
    send(std::move(reply), m_now);
    log(EventKind::FlashRead, static_cast<int64_t>(announced), static_cast<int64_t>(sent));
}

void BoardCore::erase() {
    if (m_playing) {
        stopPlay();
    }
    m_flash.clear();
    log(EventKind::FlashErase);
    persist();
}

void BoardCore::reset() {
    log(EventKind::Reset);
    if (m_playing) {
        stopPlay();
    }
    m_positions.fill(kCentre);
    m_pcControl = false;
    m_playStep = -1;
}

void BoardCore::startPlay() {
    const std::size_t steps = m_flash.size() / kStepBytes;
    log(EventKind::PlayStart, static_cast<int64_t>(steps));
    microseconds total{0};
    for (std::size_t s = 0; s < steps; ++s) {
        total += stepDuration(s);
    }
    if (total.count() == 0) {
        // Nothing that takes time would loop for ever: show each step once and rest on the last.
        for (std::size_t s = 0; s < steps; ++s) {
            showStep(s);
        }
        m_playing = false;
        log(EventKind::PlayEnd);
        return;
    }
    m_playing = true;
    showStep(0);
    m_nextPlayStep = m_now + stepDuration(0);
}

void BoardCore::stopPlay() {
    m_playing = false;
    log(EventKind::PlayStop);
}

void BoardCore::showStep(std::size_t step) {
    const uint8_t* bytes = m_flash.data() + step * kStepBytes;
    std::copy(bytes, bytes + kChannels, m_positions.begin());
    m_playStep = static_cast<int>(step);
    log(EventKind::PlayStep, static_cast<int64_t>(step));
}

microseconds BoardCore::stepDuration(std::size_t step) const {
    const uint8_t* bytes = m_flash.data() + step * kStepBytes;
    const int units = bytes[12] * 256 + bytes[13];
    return units * kDurationUnit;
}

void BoardCore::persist() {
    if (!m_flashFile) {
        return;
    }
    if (const std::string error = m_flashFile->save(m_flash); !error.empty()) {
        log(EventKind::FlashFileError, 0, 0, error);
    }
}

void BoardCore::send(Bytes bytes, microseconds due) {
    if (bytes.empty()) {
        return;
    }
    // Answers leave in the order they were made, even when an earlier one is held back.
    if (due <= m_now && m_pending.empty()) {
        m_out.insert(m_out.end(), bytes.begin(), bytes.end());
        return;
    }
    if (!m_pending.empty()) {
        due = std::max(due, m_pending.back().due);
    }
    m_pending.push_back({due, std::move(bytes)});
}

void BoardCore::log(EventKind kind, int64_t a, int64_t b, std::string detail) {
    BoardEvent event{m_now, kind, a, b, std::move(detail)};
    if (m_sink) {
        m_sink(event);
    } else {
        m_events.push_back(std::move(event));
    }
}

std::optional<microseconds> BoardCore::transferDeadline() const {
    const bool inTransfer = m_phase == Phase::ProgramCountHigh ||
                            m_phase == Phase::ProgramCountLow || m_phase == Phase::ProgramImage;
    if (!inTransfer || m_config.transferTimeout.count() <= 0) {
        return std::nullopt;
    }
    return m_lastTransferActivity + m_config.transferTimeout;
}

} // namespace boardsim
