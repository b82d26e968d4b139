#pragma once

#include "core/Interlock.h"
#include "core/sequence/SequenceEditor.h"
#include "core/sequence/SequenceList.h"
#include "core/setup/ChannelSetup.h"
#include "link/PortMap.h"
#include "link/SerialTransport.h"

#include <QObject>
#include <QString>

#include <memory>

class Board;
class BoardLink;
class HiResTimer;
class SequenceHistory;
class SerialControl;

// The panel's state and its gate, without a widget: the sequence with its history, the board
// behind the serial control, and what the front end runs besides the board (the interpolation
// dialog). Controllers ask it what may run now and reach the board through it.
class Panel : public QObject {
    Q_OBJECT
public:
    // The lookup says what each port number leads to; a function giving a device path will do.
    Panel(std::unique_ptr<SerialTransport> transport, const portmap::Lookup& lookup,
          QObject* parent = nullptr);
    ~Panel() override;

    SequenceList& list() { return m_list; }
    const SequenceList& list() const { return m_list; }
    SequenceEditor& editor() { return m_editor; }
    const SequenceEditor& editor() const { return m_editor; }
    SequenceHistory& history() { return *m_history; }
    const SequenceHistory& history() const { return *m_history; }
    Board& board() { return *m_board; }
    SerialControl& serial() { return *m_serial; }
    BoardLink& link();
    HiResTimer& clock(); // PC playback's

    // What runs now: the board's activities and the dialog.
    interlock::Activities activities() const;
    // True when the command runs now as it always does. Otherwise the reason goes out as
    // refused() and the caller does nothing (Refused) or leaves the sending for later
    // (Deferred).
    interlock::Decision decide(interlock::Command command);
    bool permits(interlock::Command command) { return decide(command).runs(); }

    void setInterpDialogOpen(bool open) { m_interpDialogOpen = open; }

    // The names and limits of the channels; the gate holds every position to them from now on.
    const ChannelSetup& channelSetup() const;
    void setChannelSetup(const ChannelSetup& setup);

    // The shutdown work: PC control off while the port is open, behind the message on the line.
    // Runs at Quit, at window close and at teardown.
    void runShutdownWork();

signals:
    void refused(const QString& reason);
    void channelSetupChanged();
    void shutdownWork();

private:
    SequenceList m_list;
    SequenceEditor m_editor{m_list};
    SerialControl* m_serial = nullptr; // a child, so it outlives the board
    std::unique_ptr<Board> m_board;
    std::unique_ptr<SequenceHistory> m_history;
    bool m_interpDialogOpen = false;
};
