#pragma once

#include "support/FakeTransport.h"

#include "BoardCore.h"

#include <QMetaObject>

#include <functional>

// The simulator's core behind a fake serial device. Its answers reach the panel only from the
// event loop, `chunk` bytes a delivery, so a panel that did not wait for an answer would be
// caught sending before it had arrived. Whoever owns the port detaches before it goes.
struct CoreOnPort {
    explicit CoreOnPort(boardsim::BoardConfig config = {}) : core(config) {}
    ~CoreOnPort() { detach(); }
    CoreOnPort(const CoreOnPort&) = delete;
    CoreOnPort& operator=(const CoreOnPort&) = delete;

    void attach(FakeTransport& port) {
        m_port = &port;
        port.onWrite = [this](const QByteArray& bytes) {
            for (char c : bytes) {
                ++bytesSeen;
                if (beforeByte) {
                    beforeByte();
                }
                const auto answer = m_port->isOpen() ? core.receive({static_cast<uint8_t>(c)})
                                                     : boardsim::BoardCore::Bytes{};
                if (!mute) {
                    deliver(QByteArray(reinterpret_cast<const char*>(answer.data()),
                                       static_cast<qsizetype>(answer.size())));
                }
            }
        };
    }
    void detach() {
        if (m_port) {
            m_port->onWrite = nullptr;
            m_port = nullptr;
        }
    }

    // Runs from the event loop, while an operation waits.
    void later(std::function<void()> action) {
        QMetaObject::invokeMethod(m_port, std::move(action), Qt::QueuedConnection);
    }
    void deliver(const QByteArray& bytes) {
        for (qsizetype at = 0; at < bytes.size(); at += chunk) {
            later([this, port = m_port, piece = bytes.mid(at, chunk)] {
                ++deliveries;
                port->inject(piece);
            });
        }
    }

    boardsim::BoardCore core;
    bool mute = false;
    qsizetype chunk = 1 << 20;
    int deliveries = 0;
    int bytesSeen = 0;
    // Called for every byte the panel writes, before the board takes it.
    std::function<void()> beforeByte;

private:
    FakeTransport* m_port = nullptr;
};
