#pragma once

#include "support/FormRig.h"

#include "BoardCore.h"

#include "core/sequence/StepLine.h"

#include <QByteArray>
#include <QMetaObject>
#include <QTimer>

#include <functional>
#include <vector>

// The real window over the fake serial device with the board simulator's core behind it. The
// core's answers reach the panel only from the event loop, one queued delivery per answer, so a
// panel that did not wait for an answer would be caught sending before it had arrived.
struct BoardRig : FormRig {
    explicit BoardRig(boardsim::BoardConfig config = {}) : FormRig(true), board(config) {
        port->onWrite = [this](const QByteArray& bytes) { fromPanel(bytes); };
        // A broken wait must fail the test, not hang it.
        watchdog.setSingleShot(true);
        QObject::connect(&watchdog, &QTimer::timeout, [this] {
            watchdogFired = true;
            form->declaration.shuttingDown = true;
        });
        watchdog.start(60000);
    }

    // The window's teardown still writes; the board is gone by then.
    ~BoardRig() { port->onWrite = nullptr; }

    void fromPanel(const QByteArray& bytes) {
        for (char c : bytes) {
            ++bytesSeen;
            if (beforeByte) {
                beforeByte(static_cast<quint8>(c));
            }
            if (!port->isOpen()) {
                return;
            }
            const boardsim::BoardCore::Bytes answer = board.receive(
                boardsim::BoardCore::Bytes{static_cast<uint8_t>(static_cast<unsigned char>(c))});
            if (board.hungUp()) {
                port->loseDevice(QStringLiteral("hang-up"));
                return;
            }
            if (!answer.empty() && !mute) {
                deliver(QByteArray(reinterpret_cast<const char*>(answer.data()),
                                   static_cast<qsizetype>(answer.size())));
            }
        }
    }

    void deliver(const QByteArray& bytes) {
        QMetaObject::invokeMethod(
            port,
            [this, bytes] {
                ++deliveries;
                port->inject(bytes);
            },
            Qt::QueuedConnection);
    }

    // Runs from the event loop, i.e. inside the next wait of a transfer.
    void later(std::function<void()> action) {
        QMetaObject::invokeMethod(port, std::move(action), Qt::QueuedConnection);
    }

    // Lines of the Add form for the list; positions in board units.
    static QString lineOf(const std::array<int, kChannelCount>& positions, int durationMs) {
        StepRecord s{};
        std::copy(positions.begin(), positions.end(), s.begin());
        s[kDurationField] = durationMs;
        return stepline::readBackForm(s, QLocale());
    }
    void setList(const QStringList& lines) { form->editor.replaceAll(lines); }

    boardsim::BoardCore board;
    bool mute = false;
    int deliveries = 0;
    int bytesSeen = 0;
    // Called for every byte the panel writes, before the board takes it.
    std::function<void(quint8)> beforeByte;
    QTimer watchdog;
    bool watchdogFired = false;
};
