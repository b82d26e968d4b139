#pragma once

#include "CliArguments.h"
#include "CliSequence.h"
#include "Console.h"

#include "board/Operation.h"
#include "board/PcPlayback.h"
#include "core/setup/ChannelSetup.h"

#include <QJsonObject>
#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>

class Board;
class FlashProgram;
class FlashRead;
class FlashVerify;
class SerialControl;

// One run of tessarel-cli: reads the file, opens the port, drives the board's operations as the
// window does, and reports. It advances on the board's replies and on timers; finished() comes
// once, after what was sent has left the line.
class CliSession : public QObject {
    Q_OBJECT
public:
    CliSession(const cliargs::Request& request, Console& console, QObject* parent = nullptr);
    ~CliSession() override;

    void start();
    // Ctrl+C or SIGTERM: a transfer stops sending at once, playback stops as "PC Emu" off does
    // and hands the servos back. Only the first one counts.
    void interrupt();

signals:
    void finished(int exitCode);

private:
    void listPorts();
    // The channel setup from --setup, else the one the window keeps; false when --setup names
    // no valid setup (then the session has ended).
    bool loadSetup();
    bool openPort();
    void runCommand();

    void program();
    void programEnded(Operation::State state, const QString& message);
    void verify();
    void verifyEnded(Operation::State state, const QString& message);
    void read();
    void readEnded(Operation::State state, const QString& message);
    // Shows a transfer's progress; total bytes on the line, from what the operation reports.
    void watch(Operation& transfer, const QString& what);
    // From the start of a transfer and again at every byte from the board.
    void armWatchdog();
    void boardSilent();
    // Why a transfer ended early, for the message: interrupted, silent board, wrong answer.
    QString stopReason() const;
    int stopCode() const;

    void play();
    void stepPlayed(int step);
    void lastStepSent();
    void stopPlay(int code, const QString& message);
    void handBack();

    void move();
    void centre();
    // Moves one channel; says so when its limits change the position. What was sent, for
    // --json.
    QJsonObject moveChannel(int channel, int position);

    void portLost(const QString& reason);
    // Once the line is free: reports and finishes.
    void end(int code, const QString& message, const QJsonObject& fields = {});
    void drain();
    void report();

    cliargs::Request m_request;
    Console& m_console;
    CliSequence m_sequence;
    ChannelSetup m_setup;
    QString m_setupWarning; // why the kept setup was not used
    QString m_portName;     // in messages: "Comm1", or the device
    QString m_portLabel;    // in the JSON object: "Comm1", or the device as given
    std::unique_ptr<SerialControl> m_serial;
    std::unique_ptr<Board> m_board;
    std::unique_ptr<FlashProgram> m_program;
    std::unique_ptr<FlashVerify> m_verify;
    std::unique_ptr<FlashRead> m_read;
    Operation* m_running = nullptr;
    QTimer m_watchdog;
    QTimer m_drain;
    QTimer m_lastStep;
    int m_drainPolls = 0;
    int m_exitCode = 0;
    QString m_message;
    QJsonObject m_fields;
    bool m_ended = false;
    bool m_interrupted = false;
    bool m_silent = false;
    bool m_wrongAnswer = false;
    bool m_overflow = false;
    bool m_portLost = false;
    bool m_programmed = false;
    QJsonObject m_programFields;

    PcPlayback::Pace m_pace = PcPlayback::Pace::OwnTime;
    bool m_playing = false;
    bool m_handedBack = false;
    int m_step = -1;
    int m_played = 0;
    int m_passes = 1;
};
