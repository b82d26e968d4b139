#include "BoardEvent.h"

#include <cstdio>

namespace boardsim {

namespace {

std::string num(int64_t v) { return std::to_string(v); }

} // namespace

std::string formatTime(std::chrono::microseconds time) {
    const int64_t us = time.count();
    char buf[32];
    std::snprintf(buf, sizeof buf, "%lld.%06lld", static_cast<long long>(us / 1000000),
                  static_cast<long long>(us % 1000000));
    return buf;
}

std::string BoardEvent::text() const {
    switch (kind) {
    case EventKind::PcControl:
        return a ? "pc-control on" : "pc-control off";
    case EventKind::Channel:
        return "channel " + num(a) + " " + num(b);
    case EventKind::Reset:
        return "reset";
    case EventKind::FlashProgramBegin:
        return "flash-program begin " + num(a);
    case EventKind::FlashProgramComplete:
        return "flash-program complete " + num(a) + (a != b ? " stored " + num(b) : "");
    case EventKind::FlashProgramAbandoned:
        return "flash-program abandoned " + num(a) + " of " + num(b);
    case EventKind::FlashRead:
        return "flash-read " + num(a) + (a != b ? " sent " + num(b) : "");
    case EventKind::FlashErase:
        return "flash-erase";
    case EventKind::FlashLoaded:
        return "flash-loaded " + num(a);
    case EventKind::FlashFileError:
        return "flash-file error " + detail;
    case EventKind::PlayStart:
        return "play start " + num(a);
    case EventKind::PlayStep:
        return "play step " + num(a);
    case EventKind::PlayStop:
        return "play stop";
    case EventKind::PlayEnd:
        return "play end";
    case EventKind::Unknown:
        return "unknown " + num(a);
    case EventKind::WrongAck:
        return "fault wrong-ack " + num(a);
    case EventKind::AckWithheld:
        return "fault ack-withheld " + num(a);
    case EventKind::DebugSent:
        return "fault debug-bytes " + num(a);
    case EventKind::HangUp:
        return "fault hang-up " + num(a);
    }
    return "event " + num(static_cast<int>(kind));
}

std::string BoardEvent::line() const { return formatTime(time) + " " + text(); }

} // namespace boardsim
