#pragma once

#include "link/LinkRig.h"

#include "BoardCore.h"
#include "board/Board.h"
#include "core/sequence/SequenceEditor.h"

#include <functional>
#include <memory>

// The board layer over a fake serial device, the simulator's core behind it. Its answers reach
// the panel only from the event loop, `chunk` bytes a delivery, so an operation that did not
// wait for an answer would be caught sending before it had arrived.
struct BoardOnCore {
    explicit BoardOnCore(boardsim::BoardConfig config = {}) : core(config) {
        openNormal(serial);
        port->onWrite = [this](const QByteArray& bytes) {
            for (char c : bytes) {
                ++bytesSeen;
                if (beforeByte) {
                    beforeByte();
                }
                const auto answer = port->isOpen() ? core.receive({static_cast<uint8_t>(c)})
                                                   : boardsim::BoardCore::Bytes{};
                if (!mute) {
                    deliver(QByteArray(reinterpret_cast<const char*>(answer.data()),
                                       static_cast<qsizetype>(answer.size())));
                }
            }
        };
        QObject::connect(&board, &Board::echo, port, [this](const QString& text) { echo = text; });
    }
    ~BoardOnCore() { port->onWrite = nullptr; }

    // Runs from the event loop, while an operation waits.
    void later(std::function<void()> action) {
        QMetaObject::invokeMethod(port, std::move(action), Qt::QueuedConnection);
    }
    void deliver(const QByteArray& bytes) {
        for (qsizetype at = 0; at < bytes.size(); at += chunk) {
            later([this, piece = bytes.mid(at, chunk)] {
                ++deliveries;
                port->inject(piece);
            });
        }
    }
    QByteArray bytesOf(const boardsim::BoardCore::Bytes& image) const {
        return QByteArray(reinterpret_cast<const char*>(image.data()), qsizetype(image.size()));
    }

    FakeTransport* port = new FakeTransport; // owned by the serial control
    SerialControl serial{std::unique_ptr<SerialTransport>(port),
                         [](int n) { return QStringLiteral("/dev/fake%1").arg(n); }};
    SequenceList list;
    SequenceEditor editor{list};
    Board board{serial, editor};
    boardsim::BoardCore core;
    QString echo;
    bool mute = false;
    qsizetype chunk = 1 << 20;
    int deliveries = 0;
    int bytesSeen = 0;
    // Called for every byte the board layer writes, before the board takes it.
    std::function<void()> beforeByte;
};
