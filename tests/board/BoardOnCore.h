#pragma once

#include "link/LinkRig.h"
#include "support/CoreOnPort.h"

#include "board/Board.h"
#include "core/sequence/SequenceEditor.h"

#include <memory>

// The board layer over a fake serial device, the simulator's core behind it.
struct BoardOnCore : CoreOnPort {
    explicit BoardOnCore(boardsim::BoardConfig config = {}) : CoreOnPort(config) {
        openNormal(serial);
        attach(*port);
        QObject::connect(&board, &Board::echo, port, [this](const QString& text) { echo = text; });
    }
    ~BoardOnCore() { detach(); }

    QByteArray bytesOf(const boardsim::BoardCore::Bytes& image) const {
        return QByteArray(reinterpret_cast<const char*>(image.data()), qsizetype(image.size()));
    }

    FakeTransport* port = new FakeTransport; // owned by the serial control
    SerialControl serial{std::unique_ptr<SerialTransport>(port),
                         [](int n) { return QStringLiteral("/dev/fake%1").arg(n); }};
    SequenceList list;
    SequenceEditor editor{list};
    Board board{serial, editor};
    QString echo;
};
