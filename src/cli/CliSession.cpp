#include "CliSession.h"

#include "ExitCode.h"

#include "board/Board.h"
#include "board/BoardPlayback.h"
#include "board/ChannelMoves.h"
#include "board/FlashErase.h"
#include "board/FlashProgram.h"
#include "board/FlashRead.h"
#include "board/FlashVerify.h"
#include "core/files/SettingsNames.h"
#include "core/flash/FlashImage.h"
#include "core/sequence/SequenceFile.h"
#include "core/sequence/StepLine.h"
#include "link/OpenFailure.h"
#include "link/PortMap.h"
#include "link/QtSerialTransport.h"
#include "link/SerialControl.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QRegularExpression>
#include <QSettings>

#include <cmath>

namespace {

using cliargs::Command;

constexpr int kInBufferSize = 20000; // the largest flash image and its count fit
const QString kLineSettings = QStringLiteral("9600,N,8,2");
constexpr int kDrainPollMs = 2;
constexpr int kDrainLimitPolls = 2500; // what waits for the line leaves within 5 s
constexpr int kCommandBytes = 3;       // 2 or 6 and the two count bytes

QString commandName(Command command) {
    switch (command) {
    case Command::Ports:
        return QStringLiteral("ports");
    case Command::Program:
        return QStringLiteral("program");
    case Command::Verify:
        return QStringLiteral("verify");
    case Command::Read:
        return QStringLiteral("read");
    case Command::Erase:
        return QStringLiteral("erase");
    case Command::BoardPlay:
        return QStringLiteral("board-play");
    case Command::Play:
        return QStringLiteral("play");
    case Command::Move:
        return QStringLiteral("move");
    case Command::Centre:
        return QStringLiteral("centre");
    case Command::Release:
        return QStringLiteral("release");
    }
    return {};
}

QString resultWord(int code) {
    switch (code) {
    case cli::kDone:
        return QStringLiteral("done");
    case cli::kDiffers:
        return QStringLiteral("differs");
    case cli::kUsage:
        return QStringLiteral("usage");
    case cli::kFile:
        return QStringLiteral("file error");
    case cli::kPort:
        return QStringLiteral("port error");
    case cli::kBoard:
        return QStringLiteral("board error");
    case cli::kInterrupted:
        return QStringLiteral("interrupted");
    }
    return QStringLiteral("error");
}

bool needsFile(Command command) {
    return command == Command::Program || command == Command::Verify || command == Command::Play;
}

// The commands whose positions the channel setup limits or names.
bool usesSetup(Command command) {
    return needsFile(command) || command == Command::Move || command == Command::Centre;
}

// The first difference a verify found, for scripts: the step, the field (with the channel's
// name, if it has one) and both values.
QJsonObject differenceFields(const flashimage::Comparison& c, const ChannelSetup& setup) {
    QJsonObject fields{{QStringLiteral("list_steps"), c.listSteps},
                       {QStringLiteral("flash_steps"), c.flashSteps},
                       {QStringLiteral("flash_bytes"), c.flashBytes},
                       {QStringLiteral("differing"), c.differing},
                       {QStringLiteral("complete"), c.complete}};
    if (c.firstStep < 0) {
        fields.insert(QStringLiteral("first_difference"), QJsonValue::Null);
        return fields;
    }
    QJsonObject first{{QStringLiteral("step"), c.firstStep}};
    if (c.firstByte < 0) {
        first.insert(QStringLiteral("field"), QStringLiteral("step"));
    } else if (c.firstByte < kChannelCount) {
        first.insert(QStringLiteral("field"), QStringLiteral("Ch%1").arg(c.firstByte));
        if (const QString& name = setup.channel(c.firstByte).name; !name.isEmpty()) {
            first.insert(QStringLiteral("name"), name);
        }
        first.insert(QStringLiteral("flash"), c.flash[size_t(c.firstByte)]);
        first.insert(QStringLiteral("list"), c.list[size_t(c.firstByte)]);
    } else {
        StepRecord stored{};
        flashimage::decodeStep(c.flash, stored);
        first.insert(QStringLiteral("field"), QStringLiteral("duration"));
        first.insert(QStringLiteral("flash"), stored[kDurationField]);
        first.insert(QStringLiteral("list"), c.list[kDurationField]);
    }
    fields.insert(QStringLiteral("first_difference"), first);
    return fields;
}

} // namespace

CliSession::CliSession(const cliargs::Request& request, Console& console, QObject* parent)
    : QObject(parent), m_request(request), m_console(console) {
    m_watchdog.setSingleShot(true);
    m_watchdog.setInterval(int(std::lround(m_request.timeoutS * 1000)));
    connect(&m_watchdog, &QTimer::timeout, this, &CliSession::boardSilent);
    m_drain.setInterval(kDrainPollMs);
    connect(&m_drain, &QTimer::timeout, this, &CliSession::drain);
    m_lastStep.setSingleShot(true);
    m_lastStep.setTimerType(Qt::PreciseTimer);
    connect(&m_lastStep, &QTimer::timeout, this, [this] { stopPlay(cli::kDone, {}); });
}

// The operations go before the board, the board before the port it writes to. A transfer
// still running ends where it is and sends nothing more, as when the window closes.
CliSession::~CliSession() {
    if (m_board) {
        m_board->shutDown();
    }
    m_program.reset();
    m_verify.reset();
    m_read.reset();
    m_board.reset();
    m_serial.reset();
}

void CliSession::start() {
    if (m_interrupted) {
        end(cli::kInterrupted, QStringLiteral("interrupted before anything was sent"));
        return;
    }
    if (m_request.command == Command::Ports) {
        listPorts();
        return;
    }
    if (!loadSetup()) {
        return;
    }
    if (m_request.command == Command::Move) {
        if (const QString why = cliargs::resolveTargets(m_request.targets, m_setup);
            !why.isEmpty()) {
            end(cli::kUsage, why);
            return;
        }
    }
    if (needsFile(m_request.command)) {
        if (const QString trouble = m_sequence.load(m_request.file); !trouble.isEmpty()) {
            end(cli::kFile, trouble);
            return;
        }
        if (m_sequence.cutAtLimit()) {
            m_console.warning(QStringLiteral("%1 holds more than %2 lines; the first %2 are used.")
                                  .arg(m_request.file)
                                  .arg(kMaxLines));
        }
        if (m_request.command == Command::Play && m_request.from > 0 &&
            m_request.from >= m_sequence.count()) {
            const int n = m_sequence.count();
            end(cli::kUsage, n == 0 ? QStringLiteral("--from %1: %2 holds no steps")
                                          .arg(m_request.from)
                                          .arg(m_request.file)
                                    : QStringLiteral("--from %1: %2 holds steps 0 to %3")
                                          .arg(m_request.from)
                                          .arg(m_request.file)
                                          .arg(n - 1));
            return;
        }
    }
    if (openPort()) {
        runCommand();
    }
}

void CliSession::listPorts() {
    const portmap::ScanBatch once;
    QJsonArray ports;
    QStringList lines;
    for (int n = portmap::kFirstPort; n <= portmap::kLastPort; ++n) {
        const portmap::Resolution r = portmap::lookUp(n);
        const bool nothing = r.device.isEmpty() && r.missing.isEmpty();
        const QString shown = nothing ? QStringLiteral("no device") : portmap::describe(r);
        const QString name = QStringLiteral("Comm%1").arg(n);
        lines << QStringLiteral("%1 \u2014 %2").arg(name, shown);
        ports.append(QJsonObject{{QStringLiteral("port"), name},
                                 {QStringLiteral("device"), r.device},
                                 {QStringLiteral("shown"), shown},
                                 {QStringLiteral("link"), r.link},
                                 {QStringLiteral("missing"), r.missing}});
    }
    end(cli::kDone, lines.join(QLatin1Char('\n')), {{QStringLiteral("ports"), ports}});
}

bool CliSession::loadSetup() {
    const QString& path = m_request.setupFile;
    if (path.isEmpty()) {
        if (usesSetup(m_request.command)) {
            QSettings settings(settingsnames::kOrganization, settingsnames::kApplication);
            // What the window would start with: the defaults, and why.
            m_setup = ChannelSetup::load(settings, &m_setupWarning);
            m_console.warning(m_setupWarning);
        }
        return true;
    }
    QString why;
    const std::optional<ChannelSetup> setup = ChannelSetup::importFile(path, &why);
    if (!setup) {
        // A file that cannot be opened is named by the reason already.
        const QFileInfo file(path);
        if (file.isFile() && file.isReadable()) {
            why = QStringLiteral("%1 is not a channel setup: %2").arg(path, why);
        }
        end(cli::kFile, why + QStringLiteral(". Nothing was sent to the board."));
        return false;
    }
    m_setup = *setup;
    return true;
}

bool CliSession::openPort() {
    static const QRegularExpression commN(QStringLiteral("^(?:[Cc][Oo][Mm][Mm])?([1-8])$"));
    const QRegularExpressionMatch numbered = commN.match(m_request.port);
    portmap::Resolution resolution;
    int port = portmap::kFirstPort;
    if (numbered.hasMatch()) {
        port = numbered.captured(1).toInt();
        m_portName = QStringLiteral("Comm%1").arg(port);
        resolution = portmap::lookUp(port);
    } else {
        m_portName = QStringLiteral("The port");
        resolution = portmap::Resolution(m_request.port);
    }
    m_portLabel = numbered.hasMatch() ? m_portName : m_request.port;
    const QString device = resolution.device;
    m_serial = std::make_unique<SerialControl>(std::make_unique<QtSerialTransport>(),
                                               [device](int) { return device; });
    SerialControl& serial = *m_serial;
    serial.setCommPort(port);
    serial.setInBufferSize(kInBufferSize);
    serial.setSettings(kLineSettings);
    if (!serial.setPortOpen(true)) {
        // A link that leads nowhere names the device that is not there.
        openfailure::Facts facts =
            openfailure::observe(device.isEmpty() ? resolution.missing : device);
        facts.port = m_portName;
        facts.error = serial.lastError();
        end(cli::kPort, openfailure::explain(facts));
        return false;
    }
    if (!numbered.hasMatch()) {
        m_portName = device;
    }
    serial.setInputLen(0);
    serial.input();
    serial.setInputLen(1);
    serial.setRThreshold(1);
    serial.setInputMode(SerialControl::InputMode::Binary);

    m_board = std::make_unique<Board>(serial, m_sequence.editor());
    m_board->moves().setChannelSetup(m_setup);
    // A byte from the board during a transfer shows that it is alive.
    connect(&serial, &SerialControl::OnComm, this, [this] {
        if (m_running) {
            armWatchdog();
        }
    });
    connect(&serial, &SerialControl::portLost, this, [this] { m_portLost = true; });
    // Queued behind the board's own handling, so a running transfer reports the loss itself.
    connect(&serial, &SerialControl::portLost, this, &CliSession::portLost, Qt::QueuedConnection);
    connect(m_board.get(), &Board::echo, this, [this](const QString& text) {
        if (text == Board::kOverflow) {
            m_overflow = true;
        }
        // Programming waits for 255; anything else means the board and the panel disagree, and
        // every further image byte would go where the board does not expect it.
        if (text == Board::kError && m_running && m_running == m_program.get()) {
            m_wrongAnswer = true;
            m_program->abort();
        }
    });
    return true;
}

void CliSession::runCommand() {
    BoardLink& link = m_board->link();
    switch (m_request.command) {
    case Command::Program:
        program();
        return;
    case Command::Verify:
        verify();
        return;
    case Command::Read:
        read();
        return;
    case Command::Play:
        play();
        return;
    case Command::Erase: {
        FlashErase erase(*m_board);
        erase.start();
        end(cli::kDone, {});
        return;
    }
    case Command::BoardPlay:
        if (m_request.boardPlayOn) {
            m_board->boardPlayback().start();
        } else {
            m_board->boardPlayback().stop();
        }
        end(cli::kDone, {}, {{QStringLiteral("on"), m_request.boardPlayOn}});
        return;
    case Command::Move:
        move();
        return;
    case Command::Centre:
        centre();
        return;
    case Command::Release:
        link.PcControlOff();
        end(cli::kDone, {});
        return;
    case Command::Ports:
        break;
    }
}

// ---- transfers

void CliSession::watch(Operation& transfer, const QString& what) {
    connect(&transfer, &Operation::progressChanged, this, [this, &transfer, what](double value) {
        const qint64 byteNs = m_serial->byteTimeNs();
        if (&transfer == m_program.get()) {
            const qint64 image = flashimage::byteCount(m_sequence.count());
            const qint64 sent = value > 0 ? qint64(std::lround(value * kFlashStepBytes)) + 1 : 0;
            m_console.progress(what, kCommandBytes + sent, kCommandBytes + image, byteNs);
        } else {
            // A read's progress is the bytes arrived of the count announced.
            const qint64 count = qint64(transfer.progressMaximum()) + 1;
            m_console.progress(what, kCommandBytes + qint64(value), kCommandBytes + count, byteNs);
        }
    });
}

void CliSession::armWatchdog() {
    if (m_watchdog.interval() > 0) { // 0: the board may take as long as it likes
        m_watchdog.start();
    }
}

void CliSession::boardSilent() {
    if (m_running) {
        m_silent = true;
        m_running->abort();
    }
}

QString CliSession::stopReason() const {
    if (m_interrupted) {
        return QStringLiteral("interrupted");
    }
    if (m_wrongAnswer) {
        return QStringLiteral("the board answered with a byte other than 255 (%1)")
            .arg(Board::kError);
    }
    if (m_overflow) {
        return QStringLiteral("the board announced more bytes than its flash holds (%1)")
            .arg(Board::kOverflow);
    }
    if (m_silent) {
        return QStringLiteral("the board did not answer within %1 s").arg(m_request.timeoutS);
    }
    return QStringLiteral("stopped");
}

int CliSession::stopCode() const {
    if (m_portLost) {
        return cli::kPort;
    }
    return m_interrupted ? cli::kInterrupted : cli::kBoard;
}

void CliSession::program() {
    m_program = std::make_unique<FlashProgram>(*m_board);
    watch(*m_program, QStringLiteral("Programming"));
    connect(m_program.get(), &Operation::finished, this, &CliSession::programEnded);
    // Said before the first byte goes, whoever watches.
    connect(m_program.get(), &FlashProgram::note, this,
            [this](const QString& text) { m_console.warning(text); });
    m_running = m_program.get();
    armWatchdog();
    // PC control may be on from an earlier move: the board gets it back first, as the panel's
    // switch does before programming.
    m_program->start(m_sequence.table(), m_sequence.count(), true);
}

void CliSession::programEnded(Operation::State state, const QString& message) {
    m_running = nullptr;
    m_watchdog.stop();
    m_console.endLine();
    m_programFields = {{QStringLiteral("steps"), m_sequence.count()},
                       {QStringLiteral("bytes"), flashimage::byteCount(m_sequence.count())},
                       {QStringLiteral("programmed"), state == Operation::State::Done},
                       {QStringLiteral("values_limited"), m_program->valuesLimited()}};
    switch (state) {
    case Operation::State::Done:
        m_programmed = true;
        if (!m_request.verifyAfter) {
            end(cli::kDone, message, m_programFields);
            return;
        }
        m_console.result(message);
        // Not from inside the board's reply that ended programming.
        QTimer::singleShot(0, this, &CliSession::verify);
        return;
    case Operation::State::Failed:
        // The connection went, or the list holds a step the flash cannot store.
        end(m_portLost ? cli::kPort : cli::kFile, message, m_programFields);
        return;
    default:
        end(stopCode(),
            QStringLiteral("%1: %2. Programming stopped; the board's flash is incomplete: program "
                           "the sequence again.")
                .arg(message, stopReason()),
            m_programFields);
        return;
    }
}

void CliSession::verify() {
    if (m_interrupted) {
        end(cli::kInterrupted,
            QStringLiteral("interrupted: the flash was programmed, not verified"), m_programFields);
        return;
    }
    m_verify = std::make_unique<FlashVerify>(*m_board);
    watch(*m_verify, QStringLiteral("Verifying  "));
    connect(m_verify.get(), &Operation::finished, this, &CliSession::verifyEnded);
    m_running = m_verify.get();
    armWatchdog();
    m_verify->start(m_sequence.table(), m_sequence.count(), m_sequence.list().locale());
}

void CliSession::verifyEnded(Operation::State state, const QString& message) {
    m_running = nullptr;
    m_watchdog.stop();
    m_console.endLine();
    const FlashRead& read = m_verify->read();
    const flashimage::ReadBack readBack =
        read.hasImage() ? read.readBack() : flashimage::ReadBack{};
    // What programming writes: the positions at their limits.
    const auto gated = std::make_unique<SequenceTable>();
    for (int s = 0; s < m_sequence.count(); ++s) {
        (*gated)[size_t(s)] = m_board->moves().gated(m_sequence.table()[size_t(s)]);
    }
    const flashimage::Comparison comparison =
        flashimage::compareImage(*gated, m_sequence.count(), read.image(), readBack);
    QJsonObject fields = m_programmed ? m_programFields : QJsonObject{};
    const QJsonObject verified = differenceFields(comparison, m_setup);
    if (m_programmed) {
        fields.insert(QStringLiteral("verify"), verified);
    } else {
        for (auto it = verified.begin(); it != verified.end(); ++it) {
            fields.insert(it.key(), it.value());
        }
    }
    const QString after = m_programmed ? QStringLiteral(" The flash was programmed.") : QString();
    if (state == Operation::State::Failed) {
        end(m_portLost ? cli::kPort : cli::kFile, message + after, fields);
    } else if (state == Operation::State::Aborted) {
        end(stopCode(),
            QStringLiteral("%1: the flash was not read to the end.%2").arg(stopReason(), after),
            fields);
    } else {
        end(comparison.holds() ? cli::kDone : cli::kDiffers, message, fields);
    }
}

void CliSession::read() {
    m_read = std::make_unique<FlashRead>(*m_board);
    watch(*m_read, QStringLiteral("Reading"));
    connect(m_read.get(), &Operation::finished, this, &CliSession::readEnded);
    m_running = m_read.get();
    armWatchdog();
    m_read->start();
}

void CliSession::readEnded(Operation::State state, const QString& message) {
    m_running = nullptr;
    m_watchdog.stop();
    m_console.endLine();
    if (state == Operation::State::Failed) {
        end(m_portLost ? cli::kPort : cli::kBoard, message);
        return;
    }
    // Only a read that ended by itself is the flash: nothing is written otherwise.
    if (state != Operation::State::Done || !m_read->hasImage()) {
        end(stopCode(),
            QStringLiteral("%1: the flash was not read to the end; nothing was written.")
                .arg(stopReason()));
        return;
    }
    const int rows = flashimage::readRows(m_read->byteCount());
    auto table = std::make_unique<SequenceTable>();
    flashimage::decodeImage(m_read->image(), rows, *table, m_sequence.list().locale());
    const QJsonObject fields{{QStringLiteral("steps"), rows},
                             {QStringLiteral("bytes"), m_read->byteCount()},
                             {QStringLiteral("output"),
                              m_request.output.isEmpty() ? QStringLiteral("-") : m_request.output}};
    if (m_overflow) {
        m_console.warning(QStringLiteral("%1 The board announced %2 bytes; the first %3 were kept.")
                              .arg(Board::kOverflow)
                              .arg(m_read->readBack().announced)
                              .arg(kFlashImageMax));
    }
    if (m_request.output.isEmpty()) {
        m_console.setOutputCarriesData(true);
        m_console.data(sequencefile::encode(*table, rows));
    } else if (const auto saved = sequencefile::save(m_request.output, *table, rows); !saved.ok) {
        end(cli::kFile, saved.error, fields);
        return;
    }
    end(cli::kDone, message, fields);
}

// ---- playback

void CliSession::play() {
    const int n = m_sequence.count();
    if (n == 0) {
        end(cli::kDone,
            QStringLiteral("%1 holds no steps; nothing was played.").arg(m_request.file));
        return;
    }
    m_pace = m_request.fixedMs ? PcPlayback::Pace::Fixed : PcPlayback::Pace::OwnTime;
    PcPlayback& playback = m_board->pcPlayback();
    connect(&playback, &PcPlayback::stepPlayed, this, &CliSession::stepPlayed);
    // Stopping shows the selected step: every channel the board does not hold goes out.
    connect(&playback, &PcPlayback::showStep, this, [this](int step) {
        std::array<double, kChannelCount> positions{};
        for (int c = 0; c < kChannelCount; ++c) {
            positions[size_t(c)] = m_sequence.step(step)[c];
        }
        m_board->moves().sendUnheld(positions);
    });
    connect(&playback, &PcPlayback::note, this,
            [this](const QString& text) { m_console.note(text); });

    m_board->link().PcControlOn();
    m_playing = true;
    m_passes = 1;
    playback.setChangedOnly(m_request.changedOnly);
    // Playback itself sends the first step, now, as its run's one whole burst: it starts on the
    // line before and moves on at once; the clock then gives the step its whole time.
    m_sequence.list().setSelectedIndex(m_request.from > 0 ? m_request.from - 1 : n - 1);
    playback.start(m_pace, m_request.fixedMs.value_or(0));
    playback.clock().setEnabled(false);
    playback.tick();
    if (m_playing && !m_lastStep.isActive()) {
        playback.clock().setEnabled(true);
    }
}

void CliSession::stepPlayed(int step) {
    if (m_step >= 0 && step <= m_step) {
        ++m_passes;
    }
    m_step = step;
    ++m_played;
    const qint32 ms = m_request.fixedMs.value_or(m_sequence.step(step)[kDurationField]);
    QString line = QStringLiteral("%1  %2 ms").arg(stepline::stepLabel(step)).arg(ms);
    if (m_request.loop) {
        line += QStringLiteral("  (pass %1)").arg(m_passes);
    }
    m_console.status(line);
    if (!m_request.loop && step == m_sequence.count() - 1 && m_board->pcPlayback().isRunning()) {
        lastStepSent();
    }
}

// The last step keeps its time, then playback stops; no tick may wrap to the first line.
void CliSession::lastStepSent() {
    m_board->pcPlayback().clock().setEnabled(false);
    const qint32 ms = m_request.fixedMs.value_or(m_sequence.step(m_step)[kDurationField]);
    m_lastStep.start(qMax(ms, 1));
}

void CliSession::stopPlay(int code, const QString& message) {
    if (!m_playing) {
        return;
    }
    m_playing = false;
    m_lastStep.stop();
    m_board->pcPlayback().stop(m_pace);
    handBack();
    const QJsonObject fields{{QStringLiteral("steps"), m_sequence.count()},
                             {QStringLiteral("from"), m_request.from},
                             {QStringLiteral("step"), m_step},
                             {QStringLiteral("steps_played"), m_played},
                             {QStringLiteral("passes"), m_passes}};
    end(code, message, fields);
}

void CliSession::handBack() {
    if (!m_handedBack && m_board->portOpen()) {
        m_handedBack = true;
        m_board->link().PcControlOff();
    }
}

// ---- live moves

void CliSession::move() {
    m_board->link().PcControlOn();
    QJsonArray moved;
    for (const cliargs::ChannelTarget& t : m_request.targets) {
        moved.append(moveChannel(t.channel, t.position));
    }
    end(cli::kDone, {}, {{QStringLiteral("channels"), moved}});
}

void CliSession::centre() {
    constexpr int kCentre = 128;
    m_board->link().PcControlOn();
    for (int c = 0; c < kChannelCount; ++c) {
        moveChannel(c, kCentre);
    }
    end(cli::kDone, {});
}

QJsonObject CliSession::moveChannel(int channel, int position) {
    ChannelMoves& moves = m_board->moves();
    const int sent = moves.positionByte(channel, position);
    moves.move(channel, position);
    if (sent != position) {
        const ChannelSetup::Channel& limits = m_setup.channel(channel);
        m_console.warning(
            QStringLiteral("%1: %2 lies outside the channel's limits, %3 to %4; %5 was sent.")
                .arg(m_setup.label(channel))
                .arg(position)
                .arg(limits.minimum)
                .arg(limits.maximum)
                .arg(sent));
    }
    return {{QStringLiteral("channel"), channel},
            {QStringLiteral("name"), m_setup.channel(channel).name},
            {QStringLiteral("position"), position},
            {QStringLiteral("sent"), sent}};
}

// ---- the end

void CliSession::interrupt() {
    if (m_interrupted || m_ended) {
        return;
    }
    m_interrupted = true;
    if (m_running) {
        m_running->abort();
    } else if (m_playing) {
        stopPlay(cli::kInterrupted, QStringLiteral("interrupted at %1; the servos are handed back.")
                                        .arg(stepline::stepLabel(m_step)));
    }
}

void CliSession::portLost(const QString& reason) {
    const QString text =
        QStringLiteral("The connection on %1 was lost: %2.").arg(m_portName, reason);
    if (m_playing) {
        stopPlay(cli::kPort, text);
    } else if (!m_ended) {
        end(cli::kPort, text);
    } else if (m_drain.isActive() && m_exitCode == cli::kDone) {
        // What was still waiting for the line never reached the board.
        m_exitCode = cli::kPort;
        m_message = text;
    }
}

void CliSession::end(int code, const QString& message, const QJsonObject& fields) {
    if (m_ended) {
        return;
    }
    m_ended = true;
    m_exitCode = code;
    m_message = message;
    m_fields = fields;
    m_drain.start();
}

// What waits for the line goes out before the process ends, PC control off above all; only
// then is the result known.
void CliSession::drain() {
    const bool free = !m_board || !m_board->portOpen() || m_board->link().lineFreeInNs() == 0;
    if (!free && ++m_drainPolls < kDrainLimitPolls) {
        return;
    }
    m_drain.stop();
    report();
    emit finished(m_exitCode);
}

void CliSession::report() {
    const int code = m_exitCode;
    // A difference is what verify found out, not a failure to find it.
    if (code == cli::kDone || code == cli::kDiffers) {
        m_console.result(m_message);
    } else if (code == cli::kInterrupted) {
        m_console.warning(m_message); // asked for, so --quiet keeps it quiet
    } else {
        m_console.error(m_message);
    }
    QJsonObject object{{QStringLiteral("command"), commandName(m_request.command)},
                       {QStringLiteral("result"), resultWord(code)},
                       {QStringLiteral("exit"), code},
                       {QStringLiteral("message"), m_message}};
    if (needsFile(m_request.command)) {
        object.insert(QStringLiteral("file"), m_request.file);
    }
    if (m_serial) {
        object.insert(QStringLiteral("port"), m_portLabel);
    }
    if (!m_setupWarning.isEmpty()) {
        object.insert(QStringLiteral("setup_warning"), m_setupWarning);
    }
    for (auto it = m_fields.begin(); it != m_fields.end(); ++it) {
        object.insert(it.key(), it.value());
    }
    m_console.jsonObject(object);
}
