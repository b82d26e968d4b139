#pragma once

#include "core/Interlock.h"
#include "link/BoardLink.h"

#include <QObject>
#include <QTimer>
#include <QString>

#include <functional>
#include <memory>

class BoardPlayback;
class ChannelMoves;
class PcPlayback;
class SequenceEditor;
class SerialControl;
class Transfer;

// The board as the panel drives it: the link over the serial control, the transfer that holds
// the line, the gate every position passes and the two playbacks. Every byte the board sends
// goes to the running transfer, or else to the debug echo.
class Board : public QObject {
    Q_OBJECT
public:
    Board(SerialControl& serial, SequenceEditor& sequence, QObject* parent = nullptr);
    ~Board() override;

    static inline const QString kNoConnection = QStringLiteral("No Connection Available!");
    static inline const QString kError = QStringLiteral("Error!");
    static inline const QString kOverflow = QStringLiteral("Overflow!");
    static constexpr int kUnansweredMs = 3000;

    SerialControl& serial() const { return m_serial; }
    BoardLink& link() { return m_link; }
    ChannelMoves& moves() { return *m_moves; }
    PcPlayback& pcPlayback() { return *m_pcPlayback; }
    BoardPlayback& boardPlayback() { return *m_boardPlayback; }
    bool portOpen() const { return m_link.portOpen(); }

    // What the front end runs besides the board's own (the interpolation dialog).
    using ActivitySource = std::function<interlock::Activities()>;
    void setFrontEndActivities(ActivitySource source) { m_frontEnd = std::move(source); }
    interlock::Activities activities() const;
    // The interlock's answer for the command now; the reason of anything but running is also
    // raised as refused().
    interlock::Decision decide(interlock::Command command);

    Transfer* transfer() const { return m_transfer; }
    bool closing() const { return m_closing; }
    // The front end is going away: a running transfer ends where it is and sends nothing more,
    // not even what was held back.
    void shutDown();

    void showEcho(const QString& text) { emit echo(text); }

signals:
    // The debug box's whole text: a byte the board sent, "Error!", "Overflow!", or nothing.
    void echo(const QString& text);
    void refused(const QString& reason);
    // A transfer has held the line for kUnansweredMs and the board has not sent a byte yet.
    // The transfer keeps waiting; only the front end's note changes.
    void transferUnanswered();

private:
    friend class Transfer;
    void beginTransfer(Transfer& transfer);
    void endTransfer(Transfer& transfer, bool normally);
    void received();
    void portLost();

    SerialControl& m_serial;
    BoardLink m_link;
    std::unique_ptr<ChannelMoves> m_moves;
    std::unique_ptr<PcPlayback> m_pcPlayback;
    std::unique_ptr<BoardPlayback> m_boardPlayback;
    ActivitySource m_frontEnd;
    Transfer* m_transfer = nullptr;
    QTimer m_unanswered; // from taking the line to the board's first byte
    bool m_closing = false;
};
