#pragma once

#include "support/FormRig.h"

#include "BoardCore.h"

#include <functional>

// The real window over the fake serial device with the board simulator's core behind it. The
// core's answers reach the panel only from the event loop, one queued delivery per answer, so a
// panel that did not wait for an answer would be caught sending before it had arrived.
struct BoardRig : FormRig {
    explicit BoardRig(boardsim::BoardConfig config = {}) : FormRig(true), board(config) {
        port->onWrite = [this](const QByteArray& bytes) {
            for (char c : bytes) {
                ++bytesSeen;
                if (beforeByte) {
                    beforeByte();
                }
                const auto answer = port->isOpen() ? board.receive({static_cast<uint8_t>(c)})
                                                   : boardsim::BoardCore::Bytes{};
                if (!answer.empty() && !mute) {
                    deliver(QByteArray(reinterpret_cast<const char*>(answer.data()),
                                       static_cast<qsizetype>(answer.size())));
                }
            }
        };
    }
    // The window's teardown still writes; the board is gone by then.
    ~BoardRig() { port->onWrite = nullptr; }

    // Runs from the event loop, while a transfer waits.
    void later(std::function<void()> action) {
        QMetaObject::invokeMethod(port, std::move(action), Qt::QueuedConnection);
    }
    void deliver(const QByteArray& bytes) {
        later([this, bytes] {
            ++deliveries;
            port->inject(bytes);
        });
    }

    boardsim::BoardCore board;
    bool mute = false;
    int deliveries = 0;
    int bytesSeen = 0;
    // Called for every byte the panel writes, before the board takes it.
    std::function<void()> beforeByte;
};
