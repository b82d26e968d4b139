#pragma once

#include "core/Declaration.h"
#include "core/StepRecord.h"

#include <QtGlobal>

class SerialControl;

// The senders of the board's command set. Every byte goes out through OutByte as its own
// one-byte write, except ChannelBurst, which is one 24-byte write. Each sender asks first
// whether the port is open; the everyday senders also keep off the line while a flash
// transfer holds it, since a stray byte would corrupt the transfer.
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

private:
    Sent everyday(quint8 byte);
    void send(quint8 byte);

    Declaration& m_d;
    SerialControl& m_comm;
};
