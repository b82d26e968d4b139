#pragma once

#include "core/StepRecord.h"

#include <QtGlobal>

#include <array>

class SerialControl;

// The senders of the board's command set. Every byte goes out as its own one-byte write,
// except ChannelBurst, which is one 24-byte write. Each sender asks first
// whether the port is open. Whether a command may send now is the interlock's to say; the
// everyday senders still keep off the line while a flash transfer holds it, as a last guard
// for bytes that come from no command (a tick, the shutdown work), since one stray byte
// corrupts the image. The link also remembers the position it last sent to each channel.
class BoardLink {
public:
    enum class Sent { Yes, PortClosed, LineBusy };

    explicit BoardLink(SerialControl& comm);

    bool portOpen() const;
    // A flash exchange owns the line: any other byte would corrupt it.
    bool lineBusy() const { return m_transferActive; }
    void setTransferActive(bool active) { m_transferActive = active; }

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

    // How long until what was sent has left the line (0: free now).
    qint64 lineFreeInNs() const;
    // How long until a burst can go without waiting behind bytes not yet begun: when nothing
    // is left but the second half of the last byte. Waiting for the very end would leave the
    // line idle for the timer's own lateness on every step.
    qint64 burstDueInNs() const;
    // The wire time of one ChannelBurst at the port's settings.
    qint64 burstWireTimeNs() const;
    // Drops what has not left the line yet.
    void discardUnsent();

    // Held by every stop (a playback switch off, Reset, Quit, closing the window) while it
    // runs. Its start drops what waits behind the byte or burst going out, so the board gets
    // what the stop sends next and nothing older. What is going out is let finish: cut off, it
    // could leave the board waiting for a position that the stop's next byte would become. A
    // stop inside another (Reset switching playback off) keeps what the outer one has sent.
    class Stop {
    public:
        explicit Stop(BoardLink& link);
        ~Stop() { --m_link.m_stops; }
        Stop(const Stop&) = delete;
        Stop& operator=(const Stop&) = delete;

    private:
        BoardLink& m_link;
    };

private:
    Sent everyday(quint8 byte);
    void send(quint8 byte);

    SerialControl& m_comm;
    bool m_transferActive = false;
    std::array<int, kChannelCount> m_sentPosition;
    int m_stops = 0;
};
