#pragma once

#include "core/Declaration.h"
#include "core/StepRecord.h"

#include <QtGlobal>

#include <array>

class SerialControl;

// The senders of the board's command set. Every byte goes out through OutByte as its own
// one-byte write, except ChannelBurst, which is one 24-byte write. Each sender asks first
// whether the port is open. Whether a command may send now is the interlock's to say; the
// everyday senders still keep off the line while a flash transfer holds it, as a last guard
// for bytes that come from no command (a tick, the shutdown work), since one stray byte
// corrupts the image. The link also remembers the position it last sent to each channel.
class BoardLink {
public:
    enum class Sent { Yes, PortClosed, LineBusy };

    BoardLink(Declaration& declaration, SerialControl& comm);

    bool portOpen() const;
    bool lineBusy() const { return m_d.transferActive(); }

    Sent PcControlOn();
    Sent PcControlOff();
    Sent BoardPlayStart();
    Sent BoardPlayStop();
    Sent FlashErase();
    Sent BoardReset();
    Sent ChannelPosition(int channel, double value); // ChannelSelect, then the position
    Sent ChannelBurst(const StepRecord& step);

    // The bytes of a flash exchange itself: FlashProgram, its count and image, FlashRead.
    Sent transferByte(quint8 byte);

    // True when the last position sent to the channel is `value` as it would go out. Nothing
    // is known after BoardReset, once the board plays by itself, or before anything was sent
    // on the port now open.
    bool holds(int channel, double value) const;
    void forgetPositions();

private:
    Sent everyday(quint8 byte);
    void send(quint8 byte);

    Declaration& m_d;
    SerialControl& m_comm;
    std::array<int, kChannelCount> m_sentPosition;
};
