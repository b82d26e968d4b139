#pragma once

#include "core/StepRecord.h"

#include <QByteArray>
#include <QTimer>
#include <QtGlobal>

#include <array>
#include <deque>

class SerialControl;

// The senders of the board's command set. Every byte goes out as its own one-byte write,
// except ChannelBurst (and ChannelPairs, a part of one), which is one write. Each sender asks first
// whether the port is open. Whether a command may send now is the interlock's to say; the
// everyday senders still keep off the line while a flash transfer holds it, as a last guard
// for bytes that come from no command (a tick, the shutdown work), since one stray byte
// corrupts the image. The link also remembers the position it last sent to each channel.
//
// What is sent waits in the link's own queue of whole messages (a burst, a pair, a command
// byte) and goes to the driver one message at a time, when the line is about to be free by
// the reckoning. What the driver has can no longer be taken back without cutting a message,
// so outside a flash transfer it holds little more than the message going out; a stop
// empties only the link's queue, and the board never sees a message cut short.
class BoardLink {
public:
    enum class Sent { Yes, PortClosed, LineBusy };

    explicit BoardLink(SerialControl& comm);
    // What still waits goes to the driver: at the end of a run the last message (PC control
    // off) matters most, and the port drains what it holds before it closes.
    ~BoardLink();
    // Hands the driver everything that waits, due or not: before the port closes.
    void handOverAll();
    BoardLink(const BoardLink&) = delete;
    BoardLink& operator=(const BoardLink&) = delete;

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
    // The pairs of some channels (a bit each) as one write, a burst of their own: a stop never
    // cuts one. No channel sends nothing.
    Sent ChannelPairs(const StepRecord& step, quint16 channels);

    // The bytes of a flash exchange itself: FlashProgram, its count and image, FlashRead.
    Sent transferByte(quint8 byte);

    // True when the last position sent to the channel is `value` as it would go out. Nothing
    // is known after BoardReset, once the board plays by itself, or before anything was sent
    // on the port now open.
    bool holds(int channel, double value) const;
    void forgetPositions();

    // How long until what was sent, including what waits in the link's queue, has left the
    // line (0: free now).
    qint64 lineFreeInNs() const;
    // How long until a burst can go without waiting behind bytes not yet begun: when nothing
    // is left but the second half of the last byte. Waiting for the very end would leave the
    // line idle for the timer's own lateness on every step.
    qint64 burstDueInNs() const;
    // The wire time of one ChannelBurst at the port's settings.
    qint64 burstWireTimeNs() const;
    qint64 wireTimeNs(qsizetype bytes) const;
    // Drops the messages that wait in the link's queue; the one going out finishes. Their
    // channels count as unknown, so the next ShowStep or slider move sends them again. A
    // flash exchange's bytes stay: a transfer is never cut.
    void discardUnsent();
    // Hands the driver what is due by the reckoning. The link's own timer calls it when the
    // line is about to be free; a caller that moves the reckoning's clock itself may too.
    void handOverDue();

    // Held by every stop (a playback switch off, Reset, Quit, closing the window) while it
    // runs. Its start drops what waits in the link's queue, so the board gets what the stop
    // sends next right behind the message going out, and nothing older. A stop inside another
    // (Reset switching playback off) keeps what the outer one has sent.
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
    struct Message {
        enum class Kind {
            Bytes,    // each byte its own write
            Burst,    // one write
            Transfer, // a flash exchange's byte, handed on as soon as it is first in line
        };
        Kind kind;
        QByteArray bytes;
        quint16 channels = 0; // the channels whose positions it sets, one bit each
    };

    static Message command(quint8 byte);
    Sent everyday(Message message);
    void enqueue(Message message);
    void write(const Message& message);
    void dropQueue(bool keepTransfer);

    SerialControl& m_comm;
    bool m_transferActive = false;
    std::array<int, kChannelCount> m_sentPosition;
    std::deque<Message> m_queue;
    qsizetype m_queuedBytes = 0;
    QTimer m_handOver;
    int m_stops = 0;
};
